#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QProcess>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <fstream>
#include <map>
#include <set>

#include "AppFixture.h"
#include "app/BrowserPage.h"
#include "app/ChildFrame.h"
#include "app/FrameStateSampler.h"
#include "app/MainFrame.h"
#include "app/TabBrowserWnd.h"
#include "places/History.h"
#include "platform/PageAddress.h"
#include "platform/QtText.h"
#include "platform/RegistryStore.h"
#include "res/CommandIds.h"
#include "res/StringTable.h"
#include "settings/SettingsFile.h"
#include "ui/MessageBox.h"
#include <csignal>

namespace {

// A frame state with saved tabs and bands, to write a settings file the way a closing run does.
class SavedTabs : public settings::FrameState {
public:
    explicit SavedTabs(std::vector<settings::OpenTab> tabs, std::vector<settings::RebarBand> bands = {})
        : tabs_(std::move(tabs)), bands_(std::move(bands))
    {
    }
    std::vector<settings::OpenTab> open_tabs() const override { return tabs_; }
    settings::BarVisibility bars() const override { return {}; }
    settings::Rect explorer_rect() const override { return {0, 0, 200, 200}; }
    bool maximized() const override { return false; }
    std::vector<settings::RebarBand> bands() const override { return bands_; }

private:
    std::vector<settings::OpenTab> tabs_;
    std::vector<settings::RebarBand> bands_;
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

    // Help opens the pages that come with the program, pictures and all.
    frame->route(res::cmd::kOnlineHelp);
    ASSERT_EQ(frame->tabs().size(), 2u);
    CTabBrowserWnd* help = app().ActiveBrowser();
    ASSERT_TRUE(wait_until([&] { return help->LocationName() == QStringLiteral("Marvo ヘルプ") && !help->busy(); }));
    ASSERT_TRUE(help->LocationURL().isLocalFile());
    // Every page, Japanese and English, shows all its pictures and links only to pages that
    // exist; each Japanese page has its English twin in help/en, which English opens.
    const QDir pages = QFileInfo(help->LocationURL().toLocalFile()).dir();
    QStringList paths;
    for (const QString& name : pages.entryList({QStringLiteral("*.html")}, QDir::Files)) {
        paths << pages.filePath(name);
        EXPECT_TRUE(pages.exists(QStringLiteral("en/") + name)) << name.toStdString();
    }
    ASSERT_GE(paths.size(), 4);
    for (const QString& path : paths + QStringList{pages.filePath(QStringLiteral("en/index.html"))}) {
        if (help->LocationURL() != QUrl::fromLocalFile(path)) {
            help->Navigate(QUrl::fromLocalFile(path));
            ASSERT_TRUE(wait_until([&] { return help->LocationURL() == QUrl::fromLocalFile(path) && !help->busy(); }));
        }
        auto shown = std::make_shared<std::optional<QVariantList>>();
        help->page()->runJavaScript(
            QStringLiteral("[Array.from(document.images).every(i => i.complete && i.naturalWidth > 0),"
                           " Array.from(document.links).map(a => a.href)]"),
            [shown](const QVariant& value) { *shown = value.toList(); });
        ASSERT_TRUE(wait_until([&] { return shown->has_value(); }));
        EXPECT_TRUE((*shown)->at(0).toBool()) << path.toStdString();
        for (const QVariant& link : (*shown)->at(1).toList())
            EXPECT_TRUE(QFileInfo::exists(QUrl(link.toString()).toLocalFile())) << link.toString().toStdString();
    }
}

TEST_F(AppTest, OpenLastRestoresTabsInOrderWithLockReloadAndBackEntries)
{
    pages_.set("/a", "<title>A</title>a");
    pages_.set("/b", "<title>B</title>b");
    pages_.set("/c", "<title>C</title>c");
    for (const char* old : {"/old1", "/old2", "/old3"})
        pages_.set(old, QStringLiteral("<title>%1</title>").arg(old));
    pages_.hold("/b");  // the restored tab is sent back while its page is slow to come
    settings::Settings saved;
    std::filesystem::create_directories(data_.path() / "Marvo");
    ASSERT_TRUE(settings::save_settings(
        saved,
        SavedTabs({{model(pages_.url("/a")), false, 0, {}},
                   {model(pages_.url("/b")), true, 30,
                    {{model(pages_.url("/old1")), "Old one"}, {model(pages_.url("/old2")), "Old two"},
                     {model(pages_.url("/old3")), "Old three"}}},
                   {model(pages_.url("/c")), false, 300, {}}}),
        (data_.path() / "Marvo" / settings::kSettingsFileName).string()));

    ASSERT_TRUE(start());
    const std::vector<CChildFrame*> tabs = app().main_frame()->tabs();
    ASSERT_EQ(tabs.size(), 3u);
    // Each tab commits its page in its own time; the restored tab's page is held back.
    EXPECT_TRUE(wait_until([&] {
        return tabs[0]->browser()->LocationURL() == pages_.url("/a") &&
               tabs[2]->browser()->LocationURL() == pages_.url("/c") && pages_.hits("/b") == 1;
    }));
    EXPECT_EQ(tabs[0]->browser()->LocationURL(), pages_.url("/a"));
    // Closing while the tab's page has not answered yet would keep its address.
    EXPECT_EQ(FrameStateSampler(*app().main_frame()).open_tabs()[1].url, model(pages_.url("/b")));
    EXPECT_FALSE(tabs[0]->browser()->navigation_lock());
    EXPECT_TRUE(tabs[1]->browser()->navigation_lock());
    EXPECT_EQ(tabs[1]->browser()->auto_refresh(), 30);
    EXPECT_EQ(tabs[2]->browser()->auto_refresh(), 300);
    const std::vector<settings::LogEntry> back = tabs[1]->browser()->back_entries();
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0].title, "Old one");
    EXPECT_EQ(tabs[1]->browser()->back_titles(), (QStringList{"Old three", "Old two", "Old one"}));
    EXPECT_TRUE(app().settings().lastopen.empty());
    // A tab behind the others that does not refresh itself loads when first shown; meanwhile
    // the strip shows its address and closing would keep it.
    EXPECT_EQ(pages_.hits("/a"), 0);
    EXPECT_EQ(tabs[0]->windowTitle(), pages_.url("/a").toString());
    EXPECT_EQ(FrameStateSampler(*app().main_frame()).open_tabs()[0].url, model(pages_.url("/a")));

    // Back through the restored entries one by one, then forward again to the page (the lock
    // keeps new pages out of the tab, not its own history). Travel also works while a page is
    // still coming: the slow pages are held by the server until the test lets them go.
    CTabBrowserWnd* restored = tabs[1]->browser();
    const auto travel = [&](int command, const char* path) {
        restored->OnCommand(command);
        return wait_until([&] { return restored->LocationURL() == pages_.url(path) && !restored->busy(); });
    };
    // The back entries by path, oldest first, and how many forward entries there are.
    const auto travel_log = [&] {
        QStringList back_paths;
        for (const settings::LogEntry& entry : restored->back_entries())
            back_paths << platform::url_from_model(entry.url).path();
        return std::pair{back_paths, static_cast<int>(restored->forward_titles().size())};
    };
    // Back before the restored page has answered at all.
    ASSERT_TRUE(restored->busy());
    EXPECT_TRUE(travel(res::cmd::kBack, "/old3"));
    pages_.release("/b");
    EXPECT_EQ(travel_log(), std::pair(QStringList{"/old1", "/old2"}, 1));
    EXPECT_TRUE(travel(res::cmd::kBack, "/old2"));
    EXPECT_TRUE(travel(res::cmd::kBack, "/old1"));
    EXPECT_TRUE(restored->back_titles().isEmpty());
    EXPECT_EQ(restored->forward_titles().size(), 3);
    // Forward again while the next page is still coming.
    pages_.hold("/old2");
    restored->OnCommand(res::cmd::kForward);
    ASSERT_TRUE(wait_until([&] { return pages_.hits("/old2") == 2; }));
    EXPECT_TRUE(travel(res::cmd::kForward, "/old3"));
    pages_.release("/old2");
    EXPECT_EQ(travel_log(), std::pair(QStringList{"/old1", "/old2"}, 1));
    // A travel stopped before its page came leaves the entries as they were.
    pages_.hold("/old2");
    restored->OnCommand(res::cmd::kBack);
    ASSERT_TRUE(wait_until([&] { return pages_.hits("/old2") == 3; }));
    restored->OnCommand(res::cmd::kStop);
    EXPECT_TRUE(wait_until([&] { return travel_log() == std::pair(QStringList{"/old1", "/old2"}, 1); }));
    pages_.release("/old2");
    EXPECT_EQ(restored->LocationURL(), pages_.url("/old3"));
    // Back from the page shown but not yet complete (a picture of it still coming).
    pages_.set("/b", "<title>B</title>b<img src='/b.png'>");
    pages_.hold("/b.png");
    restored->OnCommand(res::cmd::kForward);
    ASSERT_TRUE(wait_until([&] { return restored->LocationName() == QStringLiteral("B") && pages_.hits("/b.png") == 1; }));
    ASSERT_TRUE(restored->busy());
    EXPECT_TRUE(travel(res::cmd::kBack, "/old3"));
    pages_.release("/b.png");
    EXPECT_EQ(travel_log(), std::pair(QStringList{"/old1", "/old2"}, 1));
    EXPECT_TRUE(travel(res::cmd::kBack, "/old2"));
    EXPECT_TRUE(travel(res::cmd::kForward, "/old3"));
    EXPECT_TRUE(travel(res::cmd::kForward, "/b"));
    EXPECT_EQ(travel_log(), std::pair(QStringList{"/old1", "/old2", "/old3"}, 0));
    EXPECT_EQ(restored->back_titles().size(), 3);
    EXPECT_EQ(app().main_frame()->tabs().size(), 3u);
    app().main_frame()->mdi_area()->setActiveSubWindow(tabs[0]);
    EXPECT_TRUE(wait_until([&] { return tabs[0]->browser()->LocationName() == QStringLiteral("A"); }));
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

// The band layout of the last run comes back, widths included, and goes out again; the
// tabs are saved in strip order; the text size saved is the active tab's.
TEST_F(AppTest, ClosingSavesTabsInStripOrderBandWidthsAndTheActiveTabsTextSize)
{
    pages_.set("/saved", "<title>Saved</title>saved");
    pages_.set("/second", "<title>Second</title>second");
    pages_.set("/third", "<title>Third</title>third");
    settings::Settings last_run;
    std::filesystem::create_directories(data_.path() / "Marvo");
    const std::string settings_file = (data_.path() / "Marvo" / settings::kSettingsFileName).string();
    ASSERT_TRUE(settings::save_settings(last_run,
                                        SavedTabs({}, {{CMainFrame::kMenuBarBand, 900, false, true},
                                                       {CMainFrame::kNaviBarBand, 420, true, true},
                                                       {CMainFrame::kAddressBarBand, 310, false, true},
                                                       {CMainFrame::kLinkBarBand, 170, false, true}}),
                                        settings_file));
    ASSERT_TRUE(start({pages_.url("/saved").toString()}));
    CMainFrame* frame = app().main_frame();
    ASSERT_TRUE(wait_until([&] {
        return frame->band(CMainFrame::kNaviBarBand)->width() == 420 &&
               frame->band(CMainFrame::kAddressBarBand)->width() == 310;
    })) << frame->band(CMainFrame::kNaviBarBand)->width() << " " << frame->band(CMainFrame::kAddressBarBand)->width();
    CTabBrowserWnd* tab = frame->tabs().front()->browser();
    ASSERT_TRUE(wait_until([&] { return tab->LocationName() == QStringLiteral("Saved"); }));
    tab->SetNavigationLock(true);
    frame->route(res::cmd::kFontSizeLargest);
    app().OpenInNewTab(model(pages_.url("/second")));
    app().OpenInNewTab(model(pages_.url("/third")));
    frame->route(res::cmd::kFontSizeSmallest);
    EXPECT_EQ(app().settings().fontsize, 0);
    // The tabs were used in another order than the strip shows them.
    frame->mdi_area()->setActiveSubWindow(frame->tabs()[1]);
    frame->mdi_area()->setActiveSubWindow(frame->tabs()[0]);
    EXPECT_EQ(app().settings().fontsize, 4);
    ASSERT_TRUE(wait_until([&] {
        return frame->tabs()[1]->browser()->LocationURL() == pages_.url("/second") &&
               frame->tabs()[2]->browser()->LocationURL() == pages_.url("/third");
    }));
    frame->close();

    settings::Settings reread;
    ASSERT_TRUE(settings::load_settings(reread, settings_file));
    ASSERT_EQ(reread.bandinfo.size(), 4u);
    EXPECT_EQ(reread.bandinfo[1], (settings::BandInfo{CMainFrame::kNaviBarBand, 420, true}));
    EXPECT_EQ(reread.bandinfo[2], (settings::BandInfo{CMainFrame::kAddressBarBand, 310, false}));
    EXPECT_EQ(reread.fontsize, 4);
    ASSERT_EQ(reread.lastopen.size(), 3u);
    EXPECT_EQ(reread.lastopen[0].url, model(pages_.url("/saved")));
    EXPECT_TRUE(reread.lastopen[0].lock);
    EXPECT_EQ(reread.lastopen[1].url, model(pages_.url("/second")));
    EXPECT_EQ(reread.lastopen[2].url, model(pages_.url("/third")));
}

} // namespace

namespace {

// A run killed outright has saved its tabs, their back entries and its history a few seconds
// after they changed; the next start offers the tabs back, although it would not open the
// last tabs otherwise. A run that closed leaves nothing to offer.
TEST_F(AppTest, AfterAKilledRunTheNextStartOffersItsTabsBackWithBackEntriesAndHistory)
{
    pages_.set("/first", "<title>First</title><a id='next' href='/second'>next</a>"
                         "<script>setTimeout(() => document.getElementById('next').click(), 100)</script>");
    pages_.set("/second", "<title>Second</title>second");
    const auto settings_file = data_.path() / "Marvo" / settings::kSettingsFileName;
    settings::Settings options;
    options.openlast = 0;
    std::filesystem::create_directories(settings_file.parent_path());
    ASSERT_TRUE(settings::save_settings(options, SavedTabs({}), settings_file.string()));

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString(data_.path().string()));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(MARVO_BINARY_DIR "/app/marvo"), {pages_.url("/first").toString()});
    ASSERT_TRUE(program.waitForStarted(10000));
    const auto session_saved = [&] {
        settings::Settings saved;
        return settings::load_settings(saved, settings_file.string()) && saved.lastopen.size() == 1 &&
               saved.lastopen[0].url == model(pages_.url("/second")) && !saved.lastopen[0].log.empty();
    };
    // A cold engine start on a busy machine takes long: the wait is for the saved session.
    ASSERT_TRUE(wait_until(session_saved, 120000));
    program.kill();
    ASSERT_TRUE(wait_until([&] { return program.state() == QProcess::NotRunning; }, 30000));

    std::vector<QString> asked;
    ui::set_message_responder([&](const QString& text, ui::Buttons buttons) {
        asked.push_back(text);
        return buttons == ui::Buttons::YesNo ? ui::Answer::Yes : ui::Answer::Ok;
    });
    ASSERT_TRUE(start());
    ASSERT_EQ(asked.size(), 1u);
    const std::vector<CChildFrame*> tabs = app().main_frame()->tabs();
    ASSERT_EQ(tabs.size(), 1u);
    CTabBrowserWnd* restored = tabs[0]->browser();
    EXPECT_TRUE(wait_until([&] { return restored->LocationURL() == pages_.url("/second"); }));
    const std::vector<settings::LogEntry> back = restored->back_entries();
    ASSERT_FALSE(back.empty());
    EXPECT_EQ(back.back().url, model(pages_.url("/first")));
    std::set<std::string> visited;
    for (const places::HistoryEntry& entry : app().history().entries())
        visited.insert(entry.url);
    EXPECT_TRUE(visited.count(model(pages_.url("/first"))));
    EXPECT_TRUE(visited.count(model(pages_.url("/second"))));

    app().main_frame()->close();
    delete app().main_frame();
    app().ExitInstance();
    ASSERT_TRUE(start());
    ui::set_message_responder({});
    EXPECT_EQ(asked.size(), 1u);
}

// The history file is read while the first page loads: its entries and the first page's
// visit are all there, the visit the newest, whichever came first.
TEST_F(AppTest, TheHistoryReadDuringTheFirstLoadKeepsTheFilesEntriesAndTheFirstVisit)
{
    pages_.set("/earlier", "<title>Earlier</title>earlier");
    pages_.set("/first", "<title>First</title>first");
    places::History stored;
    stored.add_visit({model(pages_.url("/earlier")), places::system_now() - 3600});
    std::filesystem::create_directories(data_.path() / "Marvo");
    ASSERT_TRUE(stored.save(data_.path() / "Marvo" / places::kHistoryFile));

    ASSERT_TRUE(start({pages_.url("/first").toString()}));
    CTabBrowserWnd* tab = app().ActiveBrowser();
    ASSERT_NE(tab, nullptr);
    ASSERT_TRUE(wait_until([&] { return tab->LocationName() == QStringLiteral("First") && !tab->busy(); }));
    const std::vector<places::HistoryEntry>& entries = app().history().entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries.front().url, model(pages_.url("/earlier")));
    EXPECT_EQ(entries.back().url, model(pages_.url("/first")));
}

// Each repaint of any part of the frame recomposes the whole window with the page: a load
// that changes neither the address nor the title repaints neither the address bar nor the
// tab strip.
TEST_F(AppTest, ReloadingAPageRepaintsNeitherTheAddressBarNorTheTabStrip)
{
    pages_.set("/plain", "<title>Plain</title>plain");
    ASSERT_TRUE(start({pages_.url("/plain").toString()}));
    CTabBrowserWnd* tab = app().ActiveBrowser();
    ASSERT_NE(tab, nullptr);
    ASSERT_TRUE(wait_until([&] { return tab->LocationName() == QStringLiteral("Plain") && !tab->busy(); }));

    struct PaintCounter : QObject {
        std::map<std::string, int> paints;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Paint)
                ++paints[watched->metaObject()->className()];
            return false;
        }
    } counter;
    CMainFrame* frame = app().main_frame();
    auto* address = frame->findChild<QComboBox*>(QStringLiteral("AddressCombo"));
    QWidget* strip = frame->findChild<QWidget*>(QStringLiteral("TabStrip"));
    ASSERT_TRUE(address && strip);
    // The bars take the first page once its first frame is shown.
    ASSERT_TRUE(wait_until([&] { return address->currentText() == pages_.url("/plain").toString(); }));
    frame->repaint();  // what the first load left to paint is painted before counting
    for (QObject* watched : std::initializer_list<QObject*>{address, strip})
        watched->installEventFilter(&counter);

    int finished = 0;
    QObject::connect(tab->page(), &QWebEnginePage::loadFinished, &counter, [&finished] { ++finished; });
    frame->route(res::cmd::kRefresh);
    ASSERT_TRUE(wait_until([&] { return finished == 1 && !tab->busy(); }));
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, (std::map<std::string, int>{}));
    EXPECT_EQ(pages_.hits("/plain"), 2);
}

// A first start writes its seeded registry values after its first page, not while it loads;
// closed before that, it writes them as it ends.
TEST_F(AppTest, AFirstStartWritesItsRegistryAfterTheFirstPageOrAsItCloses)
{
    pages_.set("/slow", "<title>Slow</title>slow");
    pages_.hold("/slow");
    ASSERT_TRUE(start({pages_.url("/slow").toString()}));
    const std::filesystem::path file = data_.path() / "Marvo" / "registry.ini";
    ASSERT_TRUE(wait_until([&] { return pages_.hits("/slow") == 1; }));
    QCoreApplication::processEvents();
    EXPECT_FALSE(std::filesystem::exists(file));
    app().main_frame()->close();
    delete app().main_frame();
    app().ExitInstance();
    platform::RegistryStore written(QString::fromStdString(file.string()));
    EXPECT_TRUE(written.value(platform::RegistryStore::Root::LocalMachine, "Software\\Microsoft\\Internet Explorer",
                              "Version").has_value());
    pages_.release("/slow");

    // The next start finds them; its first page loaded, a change reaches the file.
    pages_.set("/quick", "<title>Quick</title>quick");
    ASSERT_TRUE(start({pages_.url("/quick").toString()}));
    CTabBrowserWnd* tab = app().ActiveBrowser();
    ASSERT_TRUE(wait_until([&] { return tab->LocationName() == QStringLiteral("Quick") && !tab->busy(); }));
    app().registry().set_value(platform::RegistryStore::Root::CurrentUser, "Software\\Marvo", "Mark", "1");
    ASSERT_TRUE(wait_until([&] {
        return platform::RegistryStore(QString::fromStdString(file.string()))
                   .value(platform::RegistryStore::Root::CurrentUser, "Software\\Marvo", "Mark")
                   .has_value();
    }));
}

TEST_F(AppTest, OldBrowserEngineVersionStopsWithMessage144)
{
    std::vector<QString> messages;
    ui::set_message_responder([&](const QString& text, ui::Buttons) {
        messages.push_back(text);
        return ui::Answer::Ok;
    });
    {
        std::filesystem::create_directories(data_.path() / "Marvo");
        platform::RegistryStore store(QString::fromStdString((data_.path() / "Marvo" / "registry.ini").string()));
        store.set_value(platform::RegistryStore::Root::LocalMachine, "Software\\Microsoft\\Internet Explorer",
                        "Version", "5.5");
        store.sync();
    }
    EXPECT_FALSE(start());
    ui::set_message_responder({});
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], QString::fromUtf8(res::string(144)));
    EXPECT_EQ(app().main_frame(), nullptr);
}

TEST_F(AppTest, TerminationSignalClosesTheFrameAndSaves)
{
    pages_.set("/kept", "<title>Kept</title>");
    ASSERT_TRUE(start({pages_.url("/kept").toString()}));
    ASSERT_TRUE(wait_until([&] { return app().ActiveBrowser()->LocationName() == QStringLiteral("Kept"); }));
    ::raise(SIGTERM);
    const auto file = data_.path() / "Marvo" / settings::kSettingsFileName;
    ASSERT_TRUE(wait_until([&] { return std::filesystem::exists(file); }));
    settings::Settings saved;
    ASSERT_TRUE(settings::load_settings(saved, file.string()));
    ASSERT_EQ(saved.lastopen.size(), 1u);
    EXPECT_EQ(saved.lastopen[0].url, model(pages_.url("/kept")));
}

} // namespace
