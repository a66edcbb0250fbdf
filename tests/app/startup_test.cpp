#include <QWebEngineView>
#include <fstream>

#include "AppFixture.h"
#include "app/ChildFrame.h"
#include "app/MainFrame.h"
#include "app/TabBrowserWnd.h"
#include "platform/QtText.h"
#include "settings/SettingsFile.h"

namespace {

// A frame state with three saved tabs, to write a settings file the way a closing run does.
class SavedTabs : public settings::FrameState {
public:
    explicit SavedTabs(std::vector<settings::OpenTab> tabs) : tabs_(std::move(tabs)) {}
    std::vector<settings::OpenTab> open_tabs() const override { return tabs_; }
    settings::BarVisibility bars() const override { return {}; }
    settings::Rect explorer_rect() const override { return {0, 0, 200, 200}; }
    bool maximized() const override { return false; }
    std::vector<settings::RebarBand> bands() const override { return {}; }

private:
    std::vector<settings::OpenTab> tabs_;
};

std::string model(const QUrl& url)
{
    return platform::from_qstring(url.toString());
}

TEST_F(AppTest, FirstStartHasDefaultsAndOneTabOnTheHomePage)
{
    ASSERT_TRUE(start());
    CMainFrame* frame = app().main_frame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->tabs().size(), 1u);
    EXPECT_EQ(app().settings().server_port, 18707);
    EXPECT_EQ(app().settings().gestures.size(), 6u);
    EXPECT_TRUE(std::filesystem::is_directory(data_.path() / "Marvo" / "TEMP"));
    EXPECT_TRUE(std::filesystem::is_directory(data_.path() / "Marvo" / "memo"));
    EXPECT_FALSE(app().settings().searchstring.empty());
    CTabBrowserWnd* tab = frame->tabs().front()->browser();
    EXPECT_TRUE(wait_until([&] { return tab->LocationURL().toString() == QStringLiteral("about:blank"); }));
}

TEST_F(AppTest, OpenLastRestoresTabsInOrderWithLockReloadAndBackEntries)
{
    pages_.set("/a", "<title>A</title>a");
    pages_.set("/b", "<title>B</title>b");
    pages_.set("/c", "<title>C</title>c");
    settings::Settings saved;
    std::filesystem::create_directories(data_.path() / "Marvo");
    ASSERT_TRUE(settings::save_settings(
        saved,
        SavedTabs({{model(pages_.url("/a")), false, 0, {}},
                   {model(pages_.url("/b")), true, 30, {{"http://127.0.0.1:1/old1", "Old one"}, {"http://127.0.0.1:1/old2", "Old two"}}},
                   {model(pages_.url("/c")), false, 300, {}}}),
        (data_.path() / "Marvo" / settings::kSettingsFileName).string()));

    ASSERT_TRUE(start());
    const std::vector<CChildFrame*> tabs = app().main_frame()->tabs();
    ASSERT_EQ(tabs.size(), 3u);
    // The three load side by side: wait for each.
    EXPECT_TRUE(wait_until([&] {
        return tabs[0]->browser()->LocationURL() == pages_.url("/a") &&
               tabs[1]->browser()->LocationURL() == pages_.url("/b") &&
               tabs[2]->browser()->LocationURL() == pages_.url("/c");
    }));
    EXPECT_EQ(tabs[0]->browser()->LocationURL(), pages_.url("/a"));
    EXPECT_EQ(tabs[1]->browser()->LocationURL(), pages_.url("/b"));
    EXPECT_FALSE(tabs[0]->browser()->navigation_lock());
    EXPECT_TRUE(tabs[1]->browser()->navigation_lock());
    EXPECT_EQ(tabs[1]->browser()->auto_refresh(), 30);
    EXPECT_EQ(tabs[2]->browser()->auto_refresh(), 300);
    const std::vector<settings::LogEntry> back = tabs[1]->browser()->back_entries();
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].title, "Old one");
    EXPECT_EQ(tabs[1]->browser()->back_titles(), (QStringList{"Old two", "Old one"}));
    EXPECT_TRUE(app().settings().lastopen.empty());
}

TEST_F(AppTest, HtmlFileWithUpperCaseExtensionStillOpens)
{
    const std::filesystem::path page = data_.path() / "Page.HTML";
    std::ofstream(page) << "<title>Upper</title>upper case";
    ASSERT_TRUE(start({QString::fromStdString(page.string())}));
    const std::vector<CChildFrame*> tabs = app().main_frame()->tabs();
    ASSERT_EQ(tabs.size(), 1u);
    EXPECT_TRUE(wait_until([&] { return tabs[0]->browser()->LocationName() == QStringLiteral("Upper"); }));
    EXPECT_TRUE(tabs[0]->browser()->LocationURL().isLocalFile());
}

TEST_F(AppTest, ClosingSavesTheOpenTabsForTheNextStart)
{
    pages_.set("/saved", "<title>Saved</title>saved");
    ASSERT_TRUE(start({pages_.url("/saved").toString()}));
    CTabBrowserWnd* tab = app().main_frame()->tabs().front()->browser();
    ASSERT_TRUE(wait_until([&] { return tab->LocationName() == QStringLiteral("Saved"); }));
    tab->SetNavigationLock(true);
    app().main_frame()->close();

    settings::Settings reread;
    ASSERT_TRUE(settings::load_settings(reread, (data_.path() / "Marvo" / settings::kSettingsFileName).string()));
    ASSERT_EQ(reread.lastopen.size(), 1u);
    EXPECT_EQ(reread.lastopen[0].url, model(pages_.url("/saved")));
    EXPECT_TRUE(reread.lastopen[0].lock);
}

} // namespace
