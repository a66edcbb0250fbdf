// One table of addresses through every place the browser keeps an address: the address bar,
// tabs and closed pages, a restart, the history's suggestions, favorites, and the memos of the
// page up to another user of the sharing server.
#include <QLineEdit>
#include <QMdiArea>
#include <QTest>
#include <cstdlib>

#include "AppFixture.h"
#include "app/AddressBar.h"
#include "app/ChildFrame.h"
#include "app/MainFrame.h"
#include "app/ShareClient.h"
#include "app/TabBrowserWnd.h"
#include "memo/MemoObject.h"
#include "memo/PackageCache.h"
#include "memo/PackageFiles.h"
#include "memo/ui/LayerWnd.h"
#include "places/Shortcut.h"
#include "places/ui/FavoriteDlg.h"
#include "platform/PageAddress.h"
#include "res/CommandIds.h"
#include "server/ShareServer.h"
#include "share/ShareProtocol.h"
#include "share/ShareWorker.h"

namespace {

// The engine reads its switches once, when it starts: hosts under ".test" are this machine.
const bool kTestHostsAreLocal = [] {
    ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", "\"--host-resolver-rules=MAP *.test 127.0.0.1\"", 1);
    return true;
}();

// As a person types them; "%1" is the page server's port. Each path starts with its own
// marker ("/r01"), which also finds it among the history's suggestions.
const char* const kAddresses[] = {
    "http://127.0.0.1:%1/r01/page.html",
    "http://127.0.0.1:%1/r02/a%20b+c?q=x%20y+z",
    "http://127.0.0.1:%1/r03/日本語?q=検索",
    "http://127.0.0.1:%1/r04/Café",
    "http://127.0.0.1:%1/r05/한국어",
    "http://127.0.0.1:%1/r06/😀",
    "http://bücher.test:%1/r07",
    "localhost:%1/r08",
    "http://127.0.0.1:%1/r09#section",
    "http://127.0.0.1:%1/r10/index.html",
};
constexpr int kRows = static_cast<int>(std::size(kAddresses));

class PageAddressTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        for (int row = 0; row < kRows; ++row) {
            const QUrl url = address(row);
            const QString query = url.hasQuery() ? QLatin1Char('?') + url.query(QUrl::FullyEncoded) : QString();
            pages_.set(url.path(QUrl::FullyEncoded) + query, QStringLiteral("<title>%1</title>row").arg(title(row)));
        }
    }
    void TearDown() override
    {
        AppTest::TearDown();
        if (server_)
            server_->stop();
    }

    QString typed(int row) const { return QString::fromUtf8(kAddresses[row]).arg(url_port()); }
    QUrl address(int row) const { return QUrl::fromUserInput(typed(row)); }
    // The page's address in the model's form: what every store must give back unchanged.
    std::string model(int row) const { return platform::model_url(address(row)); }
    static QString title(int row) { return QStringLiteral("r%1").arg(row + 1, 2, 10, QLatin1Char('0')); }
    int url_port() const { return pages_.url(QStringLiteral("/")).port(); }

    static CAddressBar* bar() { return static_cast<CAddressBar*>(app().main_frame()->band(CMainFrame::kAddressBarBand)); }
    static QLineEdit* edit() { return bar()->combo()->lineEdit(); }
    static std::vector<CTabBrowserWnd*> tabs()
    {
        std::vector<CTabBrowserWnd*> list;
        for (CChildFrame* tab : app().main_frame()->tabs())
            list.push_back(tab->browser());
        return list;
    }
    // A key event for each character (an emoji is one character of two UTF-16 units).
    static void type(const QString& text)
    {
        for (const char32_t c : text.toUcs4())
            QTest::sendKeyEvent(QTest::Click, edit(), Qt::Key_unknown, QString::fromUcs4(&c, 1), Qt::NoModifier);
    }
    // The tab showing the row's page, once it has loaded; null when none does in time.
    CTabBrowserWnd* wait_for_page(int row, CTabBrowserWnd* not_this = nullptr)
    {
        CTabBrowserWnd* found = nullptr;
        wait_until([&] {
            for (CTabBrowserWnd* tab : tabs())
                if (tab != not_this && tab->LocationName() == title(row) && !tab->busy())
                    found = tab;
            return found != nullptr;
        }, 30000);
        return found;
    }
    // A restored tab loads its page when first shown: brings the row's tab to the front.
    CTabBrowserWnd* show_restored(int row)
    {
        for (CTabBrowserWnd* tab : tabs())
            if (platform::model_url(tab->LocationURL()) == model(row))
                app().main_frame()->mdi_area()->setActiveSubWindow(tab->frame());
        return wait_for_page(row);
    }
    // Closes the frame as the user does, then starts again over the data folder.
    void restart(const std::filesystem::path& data)
    {
        app().main_frame()->close();
        delete app().main_frame();
        app().ExitInstance();
        ::setenv("XDG_DATA_HOME", data.c_str(), 1);
        app().settings() = settings::Settings();
        app().history().clear();
        ASSERT_TRUE(start());
    }
    void share_as(const std::string& user)
    {
        if (!server_) {
            server::ServerOptions options;
            options.port = 0;
            options.database = "sqlite:" + db_dir_.file("share.db");
            server_ = std::make_unique<server::ShareServer>(options, [](const std::string&) {});
            server_->start();
        }
        settings::Settings& options = app().settings();
        options.set_server_addr("127.0.0.1");
        options.server_port = server_->port();
        options.check_time = 1000;
        options.user_name = user;
        app().share_client()->push_settings();
    }

    TempDir db_dir_;
    std::unique_ptr<server::ShareServer> server_;
};

// Typed (Shift+Enter: a tab of its own), the shown address entered again, the tab closed,
// a favorite added; then a restart with the last tabs, each page chosen among the history's
// suggestions and each favorite opened.
TEST_F(PageAddressTest, EveryAddressComesBackFromTheAddressBarTabsRestartHistoryAndFavorites)
{
    ASSERT_TRUE(start());
    app().settings().searchstring = platform::model_url(pages_.url(QStringLiteral("/search?q=")));
    auto* favorites = app().main_frame()->findChild<CFavoriteDlg*>();
    ASSERT_NE(favorites, nullptr);
    favorites->ask_favorite_name = [](const QString&) { return std::optional<QString>(QString()); };
    const std::filesystem::path favorite_folder = data_.path() / "Marvo" / "Favorites";

    for (int row = 0; row < kRows; ++row) {
        SCOPED_TRACE(typed(row).toStdString());
        edit()->clear();
        type(typed(row));
        QTest::keyClick(edit(), Qt::Key_Return, Qt::ShiftModifier);
        CTabBrowserWnd* first = wait_for_page(row);
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(platform::model_url(first->LocationURL()), model(row));

        // What the bar shows for the page is entered as the address it is, never searched for.
        ASSERT_TRUE(wait_until([&] { return edit()->text() == platform::shown_url(address(row)); }));
        QTest::keyClick(edit(), Qt::Key_Return, Qt::ShiftModifier);
        CTabBrowserWnd* second = wait_for_page(row, first);
        ASSERT_NE(second, nullptr);
        EXPECT_EQ(platform::model_url(second->LocationURL()), model(row));

        first->frame()->close();
        ASSERT_TRUE(wait_until([&] { return app().ActiveBrowser() == second; }));
        ASSERT_FALSE(app().settings().lastclose.empty());
        EXPECT_EQ(app().settings().lastclose.front().url, model(row));

        app().main_frame()->route(res::cmd::kAddFavorite);
        EXPECT_EQ(places::read_internet_shortcut_url(favorite_folder / (title(row).toStdString() + ".url")), model(row));
    }

    restart(data_.path());
    for (int row = 0; row < kRows; ++row)
        EXPECT_NE(show_restored(row), nullptr) << "restored tab of " << typed(row).toStdString();

    CTabBrowserWnd* active = app().ActiveBrowser();
    CSuggestionPopup* popup = bar()->combo()->suggestions();
    for (int row = 0; row < kRows; ++row) {
        SCOPED_TRACE(typed(row).toStdString());
        active->Navigate(QUrl(QStringLiteral("about:blank")));
        ASSERT_TRUE(wait_until([&] { return active->LocationURL() == QUrl(QStringLiteral("about:blank")) && !active->busy(); }));
        edit()->clear();
        type(QLatin1Char('/') + title(row));
        ASSERT_TRUE(popup->isVisible());
        ASSERT_EQ(popup->count(), 1);
        QTest::mouseClick(popup->viewport(), Qt::LeftButton, {}, popup->visualItemRect(popup->item(0)).center());
        ASSERT_TRUE(wait_until([&] { return active->LocationName() == title(row) && !active->busy(); }));
        EXPECT_EQ(platform::model_url(active->LocationURL()), model(row));

        active->Navigate(QUrl(QStringLiteral("about:blank")));
        ASSERT_TRUE(wait_until([&] { return active->LocationURL() == QUrl(QStringLiteral("about:blank")) && !active->busy(); }));
        app().OpenShortcutInActiveTab(favorite_folder / (title(row).toStdString() + ".url"));
        ASSERT_TRUE(wait_until([&] { return active->LocationName() == title(row) && !active->busy(); }));
        EXPECT_EQ(platform::model_url(active->LocationURL()), model(row));
    }
}

// A memo drawn on each page is there after a restart, following an anchor keeps it, and it
// reaches another user whose browser only opens the page.
TEST_F(PageAddressTest, AMemoOnEveryAddressSurvivesARestartAndReachesAnotherUser)
{
    ASSERT_TRUE(start());
    share_as("browser");
    for (int row = 0; row < kRows; ++row)
        app().OpenInNewTab(address(row));
    for (int row = 0; row < kRows; ++row) {
        SCOPED_TRACE(typed(row).toStdString());
        CTabBrowserWnd* tab = wait_for_page(row);
        ASSERT_NE(tab, nullptr);
        ASSERT_FALSE(tab->layer()->documents().empty());
        auto package = app().package_cache().lookup(tab->layer()->documents().front().url, true);
        ASSERT_TRUE(package);
        auto stroke = std::make_unique<memo::StrokeObject>();
        stroke->points = {{10, 10}, {60, 40}};
        stroke->time = memo::now_time();
        stroke->owner = "browser";
        package->add(std::move(stroke));
        package->time = memo::now_time();
        package->dirty = true;
        EXPECT_TRUE(tab->layer()->page_has_memos());
    }
    app().package_cache().commit_changed();
    ASSERT_TRUE(app().share_client()->worker()->run_queued(20.0));
    for (int row = 0; row < kRows; ++row) {
        memo::MemoPackage copy;
        EXPECT_TRUE(share::fetch_package("127.0.0.1", server_->port(), memo::normalize_url(model(row)), copy) &&
                    copy.size() == 1)
            << "server copy of " << typed(row).toStdString();
    }

    restart(data_.path());
    for (int row = 0; row < kRows; ++row) {
        SCOPED_TRACE(typed(row).toStdString());
        CTabBrowserWnd* tab = show_restored(row);
        ASSERT_NE(tab, nullptr);
        EXPECT_TRUE(wait_until([&] { return tab->layer()->page_has_memos(); }));
    }
    CTabBrowserWnd* anchored = wait_for_page(8);
    QUrl other_anchor = address(8);
    other_anchor.setFragment(QStringLiteral("elsewhere"));
    anchored->Navigate(other_anchor);
    ASSERT_TRUE(wait_until([&] { return anchored->LocationURL() == other_anchor; }));
    EXPECT_TRUE(anchored->layer()->page_has_memos());

    TempDir other;
    restart(other.path());
    share_as("second");
    for (int row = 0; row < kRows; ++row)
        app().OpenInNewTab(address(row));
    for (int row = 0; row < kRows; ++row) {
        SCOPED_TRACE(typed(row).toStdString());
        CTabBrowserWnd* tab = wait_for_page(row);
        ASSERT_NE(tab, nullptr);
        EXPECT_TRUE(wait_until([&] { return tab->layer()->page_has_memos(); }, 30000));
    }
}

} // namespace
