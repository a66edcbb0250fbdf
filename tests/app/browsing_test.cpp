#include <QCheckBox>
#include <QLineEdit>
#include <QMdiArea>
#include <fstream>
#include <csignal>
#include <QMouseEvent>
#include <QFile>
#include <QProcess>
#include <QMenuBar>
#include <QSslKey>
#include <QStatusBar>
#include <QToolBar>
#include <QSslServer>
#include <QSslSocket>
#include <QTest>
#include <QWebEngineView>

#include "AppFixture.h"
#include "app/AddressBar.h"
#include "app/BrowserPage.h"
#include "app/ChildFrame.h"
#include "app/FindBar.h"
#include "app/MainFrame.h"
#include "app/PageZoom.h"
#include "app/PermissionBar.h"
#include "app/TabBrowserWnd.h"
#include "app/TabLifecycle.h"
#include "memo/PackageCache.h"
#include "places/History.h"
#include "memo/ui/LayerWnd.h"
#include "platform/QtText.h"
#include "platform/InstanceLink.h"
#include "res/CommandIds.h"

namespace {

class BrowsingTest : public AppTest {
protected:
    CTabBrowserWnd* open(const QString& path)
    {
        CTabBrowserWnd* tab = app().OpenInNewTab(pages_.url(path).toString().toStdString());
        EXPECT_TRUE(wait_until([&] { return tab->LocationURL() == pages_.url(path) && !tab->busy(); }));
        return tab;
    }
    std::size_t tab_count() const { return app().main_frame()->tabs().size(); }
    QVariant run_script(CTabBrowserWnd* tab, const QString& script)
    {
        auto result = std::make_shared<std::optional<QVariant>>();
        tab->page()->runJavaScript(script, [result](const QVariant& value) { *result = value; });
        EXPECT_TRUE(wait_until([&] { return result->has_value(); }));
        return result->value_or(QVariant());
    }

    // Clicks until the click has its effect: right after a load the renderer may not yet hit-test
    // the page, and that first click goes nowhere.
    bool click_until(CTabBrowserWnd* tab, const QString& id, const std::function<bool()>& effect,
                     Qt::MouseButton button = Qt::LeftButton)
    {
        for (int attempt = 0; attempt < 5; ++attempt) {
            click_element(tab, id, button);
            if (wait_until(effect, 3000))
                return true;
        }
        return false;
    }

    // Clicks the element with the given id through real mouse events on the engine's input widget.
    void click_element(CTabBrowserWnd* tab, const QString& id, Qt::MouseButton button = Qt::LeftButton)
    {
        QRect box;
        bool done = false;
        tab->page()->runJavaScript(
            QStringLiteral("(function(){const r=document.getElementById('%1').getBoundingClientRect();"
                           "return [r.left,r.top,r.width,r.height];})()")
                .arg(id),
            [&](const QVariant& result) {
                const QVariantList r = result.toList();
                box = QRect(r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toInt());
                done = true;
            });
        ASSERT_TRUE(wait_until([&] { return done; }));
        QWidget* input = tab->view()->focusProxy();
        ASSERT_NE(input, nullptr);
        const QPoint at = box.center();
        QTest::mouseMove(input, at);
        QTest::mousePress(input, button, {}, at);
        QTest::mouseRelease(input, button, {}, at);
    }
};

// A page sent on as soon as the one before it has committed, while that one still loads: the
// engine reports no start or end for it, yet the tab tells when it has loaded, and shows it
// loading while a picture of it is still on the way.
TEST_F(BrowsingTest, ATabTellsWhenAPageSentOnWhileTheOneBeforeWasLoadingHasLoaded)
{
    ASSERT_TRUE(start());
    CTabBrowserWnd* tab = app().main_frame()->tabs().front()->browser();
    QUrl second;
    bool loaded = false;
    QObject::connect(tab, &CTabBrowserWnd::busyChanged, tab, [&](bool busy) {
        loaded = loaded || (!busy && tab->LocationURL() == second);
    });
    for (int i = 0; i < 16; ++i) {
        const bool slow = i % 2;
        const QString picture = QStringLiteral("/picture%1").arg(i);
        pages_.set(QStringLiteral("/first%1").arg(i), QStringLiteral("<title>First</title><p>first"));
        pages_.set(QStringLiteral("/second%1").arg(i),
                   slow ? QStringLiteral("<title>Second</title><img src='%1'>").arg(picture)
                        : QStringLiteral("<title>Second</title><p>second"));
        if (slow)
            pages_.hold(picture);
        const QUrl first = pages_.url(QStringLiteral("/first%1").arg(i));
        second = pages_.url(QStringLiteral("/second%1").arg(i));
        loaded = false;
        const QMetaObject::Connection on = QObject::connect(tab->page(), &QWebEnginePage::urlChanged, tab,
                                                            [&](const QUrl& url) {
                                                                if (url == first)
                                                                    tab->Navigate(second);
                                                            });
        tab->Navigate(first);
        ASSERT_TRUE(wait_until([&] { return tab->LocationURL() == second; })) << i;
        QObject::disconnect(on);
        if (slow) {
            EXPECT_TRUE(wait_until([&] { return tab->busy(); })) << i;
            EXPECT_FALSE(loaded) << i;
            pages_.release(picture);
        }
        EXPECT_TRUE(wait_until([&] { return loaded && !tab->busy(); })) << i;
    }
}

TEST_F(BrowsingTest, LockedTabOpensLinksInANewTab)
{
    pages_.set("/home", "<title>Home</title><a id='go' href='/next' style='font-size:40px'>next</a>");
    pages_.set("/next", "<title>Next</title>next page");
    ASSERT_TRUE(start({pages_.url("/home").toString()}));
    CTabBrowserWnd* tab = app().main_frame()->tabs().front()->browser();
    ASSERT_TRUE(wait_until([&] { return tab->LocationName() == QStringLiteral("Home") && !tab->busy(); }));
    app().main_frame()->route(res::cmd::kNavigationLock);
    ASSERT_TRUE(tab->navigation_lock());

    ASSERT_TRUE(click_until(tab, "go", [&] { return tab_count() == 2; }));
    CTabBrowserWnd* opened = app().main_frame()->tabs().back()->browser();
    EXPECT_TRUE(wait_until([&] { return opened->LocationURL() == pages_.url("/next"); }));
    pump(200);
    EXPECT_EQ(tab->LocationURL(), pages_.url("/home"));
}

TEST_F(BrowsingTest, PopupsAreBlockedUnlessTheUserClicked)
{
    pages_.set("/popup", "<title>Popup</title><script>window.open('/other')</script>"
                         "<a id='link' href='/other' target='_blank' style='font-size:40px'>other</a>");
    pages_.set("/other", "<title>Other</title>other");
    ASSERT_TRUE(start());
    app().settings().blockpopup = 1;
    CTabBrowserWnd* tab = open("/popup");
    pump(300);
    EXPECT_EQ(tab_count(), 2u);  // the start tab and the page: the load-time popup was blocked

    // What the engine knows the user asked for opens, whatever the button or key; a middle
    // click opens it behind the page.
    EXPECT_TRUE(click_until(tab, "link", [&] { return tab_count() == 3; }, Qt::MiddleButton));
    EXPECT_EQ(app().ActiveBrowser(), tab);
    // The page stays shown; the one behind it is hidden from the engine.
    CTabBrowserWnd* behind = app().main_frame()->tabs()[2]->browser();
    EXPECT_TRUE(wait_until([&] { return tab->view()->isVisible() && !behind->view()->isVisible(); }));
    // The others open in a tab that becomes the active one: back to the page.
    const auto show_page = [&] { app().main_frame()->mdi_area()->setActiveSubWindow(tab->frame()); };
    show_page();
    QWidget* input = tab->view()->focusProxy();
    input->setFocus();
    bool focused = false;
    tab->page()->runJavaScript(QStringLiteral("document.getElementById('link').focus()"),
                               [&](const QVariant&) { focused = true; });
    ASSERT_TRUE(wait_until([&] { return focused; }));
    QTest::keyClick(input, Qt::Key_Return);
    EXPECT_TRUE(wait_until([&] { return tab_count() == 4; }));

    show_page();
    EXPECT_TRUE(click_until(tab, "link", [&] { return tab_count() == 5; }));
}

TEST_F(BrowsingTest, PopupsOpenInNewTabsWhenNotBlocked)
{
    pages_.set("/popup", "<title>Popup</title><script>window.open('/other')</script>");
    pages_.set("/other", "<title>Other</title>other");
    ASSERT_TRUE(start());
    open("/popup");
    EXPECT_TRUE(wait_until([&] { return tab_count() == 3; }));
}

TEST_F(BrowsingTest, AutoRefreshReloadsUntilSwitchedOff)
{
    pages_.set("/clock", "<title>Clock</title>tick");
    ASSERT_TRUE(start());
    CTabBrowserWnd::refresh_unit_ms = 10;  // a "second" of 10 ms, through the same timer
    CTabBrowserWnd* tab = open("/clock");
    app().main_frame()->route(res::cmd::kAutoRefresh15s);
    EXPECT_EQ(tab->auto_refresh(), 15);
    EXPECT_TRUE(wait_until([&] { return pages_.hits("/clock") >= 3; }));
    app().main_frame()->route(res::cmd::kAutoRefreshOff);
    ASSERT_TRUE(wait_until([&] { return !tab->busy(); }));
    const int hits = pages_.hits("/clock");
    pump(500);
    EXPECT_EQ(pages_.hits("/clock"), hits);
    CTabBrowserWnd::refresh_unit_ms = 1000;
}

TEST_F(BrowsingTest, ClosedTabsKeepTheTwentyNewest)
{
    ASSERT_TRUE(start());
    for (int i = 0; i < 21; ++i)
        pages_.set(QStringLiteral("/p%1").arg(i), QStringLiteral("<title>P%1</title>").arg(i));
    for (int i = 0; i < 21; ++i)
        open(QStringLiteral("/p%1").arg(i));
    for (CChildFrame* tab : app().main_frame()->tabs())
        if (tab->browser()->LocationURL().path().startsWith(QStringLiteral("/p")))
            tab->close();
    const auto& closed = app().settings().lastclose;
    ASSERT_EQ(closed.size(), 20u);
    EXPECT_EQ(closed.front().title, "P20");
    EXPECT_EQ(closed.back().title, "P1");
    app().main_frame()->route(res::cmd::kReopenLastClosed);
    EXPECT_TRUE(wait_until([&] {
        return app().ActiveBrowser() && app().ActiveBrowser()->LocationURL() == pages_.url("/p20");
    }));
}

TEST_F(BrowsingTest, NewTabCommandDuplicatesThePageWithItsHistory)
{
    pages_.set("/one", "<title>One</title>");
    pages_.set("/two", "<title>Two</title>");
    ASSERT_TRUE(start());
    CTabBrowserWnd* tab = open("/one");
    tab->Navigate(pages_.url("/two"));
    ASSERT_TRUE(wait_until([&] { return tab->LocationName() == QStringLiteral("Two") && !tab->busy(); }));
    app().main_frame()->route(res::cmd::kNewTab);
    CTabBrowserWnd* copy = app().ActiveBrowser();
    ASSERT_NE(copy, tab);
    EXPECT_TRUE(wait_until([&] { return copy->LocationURL() == pages_.url("/two") && !copy->back_titles().isEmpty(); }));
    EXPECT_EQ(copy->back_titles().front(), QStringLiteral("One"));
}

TEST_F(BrowsingTest, SecondStartHandsItsAddressToTheRunningInstance)
{
    pages_.set("/handed", "<title>Handed</title>");
    const QString service = QStringLiteral("MarvoTest-%1").arg(QCoreApplication::applicationPid());
    ASSERT_TRUE(start({}, true, service));
    const std::size_t before = tab_count();
    // The second program, as its start-up runs it: hand over, then stop.
    std::atomic<int> handed{-1};
    std::thread second([&] {
        platform::InstanceClient client;
        handed = client.connect(service, "WWW_OpenFile") &&
                 client.execute(("\"" + pages_.url("/handed").toString() + "\"").toUtf8());
    });
    ASSERT_TRUE(wait_until([&] { return handed >= 0; }));
    second.join();
    EXPECT_EQ(handed, 1);
    ASSERT_TRUE(wait_until([&] { return tab_count() == before + 1; }));
    EXPECT_TRUE(wait_until([&] { return app().ActiveBrowser()->LocationURL() == pages_.url("/handed"); }));
}

TEST_F(BrowsingTest, ASecondStartHandsOverAFileAsItsAbsoluteNativePath)
{
    // A folder name Shift_JIS cannot hold, given relative to the second program's folder.
    const std::filesystem::path page = data_.path() / "Café 한국" / "page.html";
    std::filesystem::create_directories(page.parent_path());
    std::ofstream(page) << "<title>Native</title>native";
    QByteArray received;
    platform::InstanceServer running([&](const QByteArray& target) { received = target; }, [] {});
    const QString service = QStringLiteral("MarvoTest-%1-file").arg(QCoreApplication::applicationPid());
    ASSERT_TRUE(running.start(service));
    const std::filesystem::path folder = std::filesystem::current_path();
    std::filesystem::current_path(data_.path());
    std::atomic<int> handed{-1};
    std::thread second([&] {
        handed = app().hand_over_to_running_instance({QStringLiteral("Café 한국/page.html")}, service);
    });
    const bool answered = wait_until([&] { return handed >= 0; });
    second.join();
    std::filesystem::current_path(folder);
    ASSERT_TRUE(answered);
    EXPECT_EQ(handed, 1);
    EXPECT_EQ(received.toStdString(), page.string());

    ASSERT_TRUE(start());
    app().OpenDocument(QString::fromUtf8(received));
    EXPECT_TRUE(wait_until([&] { return app().ActiveBrowser()->LocationName() == QStringLiteral("Native"); }));
    EXPECT_EQ(app().ActiveBrowser()->LocationURL().toLocalFile().toStdString(), page.string());
}

} // namespace

namespace {

TEST_F(BrowsingTest, DraggingATabOutMakesAnInternetShortcutOfItsPage)
{
    pages_.set("/out", "<title>Out: a/b? Café</title>");
    ASSERT_TRUE(start());
    CTabBrowserWnd* tab = open("/out");
    ASSERT_TRUE(wait_until([&] { return tab->LocationName() == QStringLiteral("Out: a/b? Café"); }));
    app().main_frame()->drag_tab_out(tab->frame());  // returns at once without a drag target
    // The title loses the characters a file name cannot hold, and only those.
    const std::filesystem::path shortcut = app().folders().temp / "Out ab Café.url";
    ASSERT_TRUE(std::filesystem::exists(shortcut));
    std::ifstream in(shortcut);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(text.find("URL=" + pages_.url("/out").toString().toStdString()), std::string::npos);
}

} // namespace

namespace {

TEST_F(BrowsingTest, FindBarStepsThroughMatchesAndSaysWhenNothingIsFound)
{
    pages_.set("/find", "<title>find</title><p>Apple one</p><p>apple two</p><p>APPLE three</p><p>pear</p>");
    ASSERT_TRUE(start({pages_.url("/find").toString()}));
    CTabBrowserWnd* tab = nullptr;
    ASSERT_TRUE(wait_until([&] { return (tab = app().ActiveBrowser()) && tab->LocationName() == "find" && !tab->busy(); }));

    // Ctrl+F's command opens the bar with the keyboard in it; typing finds as it goes.
    app().main_frame()->action(res::cmd::kFind)->trigger();
    FindBar* bar = tab->find_bar();
    ASSERT_TRUE(bar->isVisibleTo(tab));
    QTest::keyClicks(bar->edit(), "apple");
    ASSERT_TRUE(wait_until([&] { return bar->result_text() == "1 / 3 件"; })) << bar->result_text().toStdString();

    // Enter and F3 go forward, Shift+Enter back; the last match wraps to the first.
    QTest::keyClick(bar->edit(), Qt::Key_Return);
    ASSERT_TRUE(wait_until([&] { return bar->active_match() == 2; }));
    QTest::keyClick(bar->edit(), Qt::Key_F3);
    ASSERT_TRUE(wait_until([&] { return bar->active_match() == 3; }));
    QTest::keyClick(bar->edit(), Qt::Key_Return);
    ASSERT_TRUE(wait_until([&] { return bar->active_match() == 1; }));
    QTest::keyClick(bar->edit(), Qt::Key_Return, Qt::ShiftModifier);
    ASSERT_TRUE(wait_until([&] { return bar->active_match() == 3; }));

    // Matching case leaves one; a word that is not there is said so.
    bar->case_option()->setChecked(true);
    ASSERT_TRUE(wait_until([&] { return bar->result_text() == "1 / 1 件"; })) << bar->result_text().toStdString();
    bar->case_option()->setChecked(false);
    QTest::keyClicks(bar->edit(), "zzz");
    ASSERT_TRUE(wait_until([&] { return bar->result_text() == "見つかりません"; })) << bar->result_text().toStdString();
    EXPECT_EQ(bar->matches(), 0);

    // Escape closes the bar and takes the highlight away: the page has no selection left.
    bar->edit()->clear();
    QTest::keyClicks(bar->edit(), "pear");
    ASSERT_TRUE(wait_until([&] { return bar->result_text() == "1 / 1 件"; }));
    QTest::keyClick(bar->edit(), Qt::Key_Escape);
    EXPECT_FALSE(bar->isVisibleTo(tab));
    QString selection = "?";
    ASSERT_TRUE(wait_until([&] {
        tab->page()->runJavaScript("window.getSelection().toString()", [&](const QVariant& v) { selection = v.toString(); });
        pump(50);
        return selection.isEmpty();
    }));
}

} // namespace

namespace {

// A render process that dies leaves the tab on a page that says so; its Reload brings the page back.
TEST_F(BrowsingTest, DeadRenderProcessShowsTheCrashPageAndReloadBringsThePageBack)
{
    pages_.set("/live", "<title>live</title>alive");
    ASSERT_TRUE(start({pages_.url("/live").toString()}));
    CTabBrowserWnd* tab = nullptr;
    ASSERT_TRUE(wait_until([&] { return (tab = app().ActiveBrowser()) && tab->LocationName() == "live" && !tab->busy(); }));
    const qint64 pid = tab->page()->renderProcessPid();
    ASSERT_GT(pid, 0);
    ::kill(pid_t(pid), SIGKILL);
    ASSERT_TRUE(wait_until([&] { return tab->LocationName() == "このページを表示できません" && !tab->busy(); }, 30000));
    QString reason;
    ASSERT_TRUE(wait_until([&] {
        tab->page()->runJavaScript("document.getElementById('reason').textContent", [&](const QVariant& v) { reason = v.toString(); });
        pump(50);
        return !reason.isEmpty();
    }));
    EXPECT_EQ(reason, "ページを表示するプロセスが強制終了されました。");
    // The tab still names the page that crashed: in the address bar and to the saved tabs.
    EXPECT_EQ(tab->LocationURL(), pages_.url("/live"));
    EXPECT_EQ(app().main_frame()->findChild<CAddressBar*>()->combo()->lineEdit()->text(), pages_.url("/live").toString());
    tab->page()->runJavaScript("document.getElementById('reload').click()");
    ASSERT_TRUE(wait_until([&] { return tab->LocationName() == "live"; }, 30000));
    EXPECT_EQ(tab->LocationURL(), pages_.url("/live"));
}

// One page over TLS under a certificate of its own making, which the engine does not trust.
class SelfSignedServer : public QObject {
public:
    explicit SelfSignedServer(const QString& folder)
    {
        const QString key = folder + "/key.pem", certificate = folder + "/cert.pem";
        QProcess openssl;
        openssl.start("/usr/bin/openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                                           "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", key,
                                           "-out", certificate});
        openssl.waitForFinished(60000);
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setLocalCertificate(QSslCertificate::fromPath(certificate).value(0));
        QFile key_file(key);
        key_file.open(QIODevice::ReadOnly);
        configuration.setPrivateKey(QSslKey(&key_file, QSsl::Rsa));
        ready_ = !configuration.localCertificate().isNull() && !configuration.privateKey().isNull();
        server_.setSslConfiguration(configuration);
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QSslServer::pendingConnectionAvailable, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                    socket->readAll();
                    const QByteArray body = "<title>secure</title>secure";
                    socket->write("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                                  QByteArray::number(body.size()) + "\r\n\r\n" + body);
                    socket->disconnectFromHost();
                });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    bool ready() const { return ready_ && server_.isListening(); }
    QUrl url() const { return QUrl(QStringLiteral("https://127.0.0.1:%1/secure").arg(server_.serverPort())); }

private:
    QSslServer server_;
    bool ready_ = false;
};

// A certificate the engine refuses shows our page in its place, under the real address, with
// a way back and, since the engine allows it for this error, "proceed anyway".
TEST_F(BrowsingTest, RefusedCertificateShowsOurPageWithAWayBackAndProceedAnyway)
{
    if (!QSslSocket::supportsSsl() || !QFile::exists("/usr/bin/openssl"))
        GTEST_SKIP() << "no TLS here";
    SelfSignedServer secure(data_.path().c_str());
    ASSERT_TRUE(secure.ready());
    pages_.set("/before", "<title>before</title>before");
    ASSERT_TRUE(start({pages_.url("/before").toString()}));
    CTabBrowserWnd* tab = nullptr;
    ASSERT_TRUE(wait_until([&] { return (tab = app().ActiveBrowser()) && tab->LocationName() == "before" && !tab->busy(); }));
    const auto refused = [&] {
        tab->Navigate(secure.url());
        return wait_until([&] { return tab->LocationName() == "安全な接続を確立できません" && !tab->busy(); }, 30000);
    };
    ASSERT_TRUE(refused());
    EXPECT_TRUE(run_script(tab, "document.getElementById('reason').textContent")
                    .toString()
                    .startsWith("証明書を発行した機関が信頼されていません。"));
    EXPECT_EQ(tab->LocationURL(), secure.url());
    EXPECT_EQ(app().main_frame()->findChild<CAddressBar*>()->combo()->lineEdit()->text(), secure.url().toString());

    run_script(tab, "document.getElementById('back').click()");
    ASSERT_TRUE(wait_until([&] { return tab->LocationName() == "before"; }, 30000));
    // A page refused is no visit.
    const auto visited = [&] {
        for (const places::HistoryEntry& entry : app().history().entries())
            if (entry.url == secure.url().toString().toStdString())
                return true;
        return false;
    };
    EXPECT_FALSE(visited());

    ASSERT_TRUE(refused());
    run_script(tab, "document.getElementById('proceed').click()");
    ASSERT_TRUE(wait_until([&] { return tab->LocationName() == "secure"; }, 30000));
    EXPECT_EQ(tab->LocationURL(), secure.url());
}

// A page that goes full screen (asked with a click, allowed in the bar) has the screen to
// itself: no bars, panes or tab strip. Escape, which the command table gives to browse mode,
// leaves it and brings all of them back.
TEST_F(BrowsingTest, AFullScreenPageHasTheScreenToItselfUntilEscape)
{
    pages_.set("/video", "<title>video</title><button id='big' style='font-size:40px' "
                         "onclick='document.documentElement.requestFullscreen()'>big</button>");
    ASSERT_TRUE(start());
    CTabBrowserWnd* tab = open("/video");
    CMainFrame* frame = app().main_frame();
    QWidget* menu = frame->findChild<QMenuBar*>();
    ASSERT_TRUE(wait_until([&] { return menu->isVisible() && frame->tab_strip()->isVisible(); }))
        << menu->isVisible() << frame->tab_strip()->isVisible();
    const auto page_full_screen = [&] { return run_script(tab, "document.fullscreenElement !== null").toBool(); };

    PermissionBar* bar = tab->permission_bar();
    ASSERT_TRUE(click_until(tab, "big", [&] { return !bar->question().isEmpty(); }));
    EXPECT_EQ(bar->question(), QStringLiteral("127.0.0.1 が全画面表示を求めています。"));
    bar->allow_button()->click();
    ASSERT_TRUE(wait_until([&] { return frame->isFullScreen() && page_full_screen(); }));
    EXPECT_FALSE(menu->isVisible());
    EXPECT_FALSE(frame->tab_strip()->isVisible());
    EXPECT_FALSE(frame->statusBar()->isVisible());
    for (const QToolBar* band : frame->findChildren<QToolBar*>(QString(), Qt::FindDirectChildrenOnly))
        EXPECT_FALSE(band->isVisible()) << band->objectName().toStdString();

    QWidget* input = tab->view()->focusProxy();
    input->setFocus();
    QTest::keyClick(input, Qt::Key_Escape);
    ASSERT_TRUE(wait_until([&] { return !frame->isFullScreen() && !page_full_screen(); }));
    EXPECT_TRUE(menu->isVisible());
    EXPECT_TRUE(frame->tab_strip()->isVisible());
    EXPECT_TRUE(frame->statusBar()->isVisible());
}

} // namespace

namespace {

// A tab behind the active one is hidden from its page and frozen; a long stay in the background
// discards it, and it comes back scrolled where it was with its memos. A tab holding typed
// input or pinned by the navigation lock is kept.
TEST_F(BrowsingTest, BackgroundTabsAreHiddenFrozenAndDiscardedUnlessTheUserWouldLoseSomething)
{
    struct Timings {
        Timings() { TabLifecycle::freeze_after_ms = 300, TabLifecycle::minute_ms = 100; }
        ~Timings() { TabLifecycle::freeze_after_ms = 5000, TabLifecycle::minute_ms = 60000; }
    } shortened;
    pages_.set("/tall", "<title>Tall</title><script>window.seen = [];"
                        "for (const e of ['visibilitychange', 'freeze', 'resume'])"
                        "  document.addEventListener(e, () => seen.push(e == 'visibilitychange' ? document.visibilityState : e));"
                        "</script><body style='margin:0;background:#ffffff'><div style='height:5000px'></div></body>");
    pages_.set("/form", "<title>Form</title><input id='field' value='given'>");
    pages_.set("/locked", "<title>Locked</title>locked");
    pages_.set("/front", "<title>Front</title>front");
    pages_.set("/before", "<title>Before</title>before");
    app().settings().discard_minutes = 0;
    ASSERT_TRUE(start({pages_.url("/before").toString()}));
    CMainFrame* frame = app().main_frame();
    CChildFrame* tall_tab = frame->tabs().front();
    CTabBrowserWnd* tall = tall_tab->browser();
    ASSERT_TRUE(wait_until([&] { return tall->LocationName() == "Before" && !tall->busy(); }));
    tall->Navigate(pages_.url("/tall"));
    ASSERT_TRUE(wait_until([&] { return tall->LocationName() == "Tall" && !tall->busy() && tall->view()->focusProxy(); }));
    tall->zoom().step(1);
    auto memos = app().package_cache().lookup(platform::from_qstring(pages_.url("/tall").toString()), true);
    auto box = std::make_unique<memo::PrimitiveObject>();
    box->rect = {100, 1300, 160, 1360};
    box->opacity = 255;
    memos->add(std::move(box));
    run_script(tall, "window.scrollTo(0, 1200)");
    ASSERT_TRUE(wait_until([&] { return run_script(tall, "window.scrollY").toInt() == 1200; }));

    CTabBrowserWnd* form = open("/form");
    run_script(form, "document.getElementById('field').value = 'typed'");
    CTabBrowserWnd* locked = open("/locked");
    locked->SetNavigationLock(true);
    CTabBrowserWnd* front = open("/front");

    // Behind the others the page is hidden, then frozen: it was never shown in between.
    ASSERT_TRUE(wait_until([&] { return tall->page()->lifecycleState() == QWebEnginePage::LifecycleState::Frozen; }));
    frame->mdi_area()->setActiveSubWindow(tall_tab);
    QString seen;
    EXPECT_TRUE(wait_until([&] { return (seen = run_script(tall, "seen.join(' ')").toString()).endsWith("visible"); }));
    EXPECT_EQ(seen.toStdString(), "hidden freeze resume visible");

    // Left long enough, the tabs go, but for those holding typed input or locked.
    // So does a tab sent behind before its page had loaded.
    app().settings().discard_minutes = 1;
    pages_.set("/early", "<title>Early</title>early");
    CTabBrowserWnd* early = app().OpenInNewTab(pages_.url("/early").toString().toStdString());
    for (CTabBrowserWnd* tab : {form, locked, tall})
        frame->mdi_area()->setActiveSubWindow(tab->frame());
    frame->mdi_area()->setActiveSubWindow(front->frame());
    CLayerWnd* const layer = tall->layer();
    ASSERT_TRUE(wait_until([&] { return tall->page()->lifecycleState() == QWebEnginePage::LifecycleState::Discarded; }));
    EXPECT_TRUE(wait_until([&] { return early->page()->lifecycleState() == QWebEnginePage::LifecycleState::Discarded; }));
    pump(5 * TabLifecycle::minute_ms);
    EXPECT_NE(form->page()->lifecycleState(), QWebEnginePage::LifecycleState::Discarded);
    EXPECT_NE(locked->page()->lifecycleState(), QWebEnginePage::LifecycleState::Discarded);
    // A discarded tab holds no view, yet the strip and the back list still show its pages.
    EXPECT_EQ(tall->view(), nullptr);
    EXPECT_EQ(tall_tab->windowTitle(), "Tall");
    EXPECT_EQ(tall->back_titles(), QStringList{"Before"});

    // Back in front the page loads again where it was scrolled and zoomed, its memo over the
    // same spot, drawn by the same layer (its undo steps and selection live there).
    // At 110 % the engine may report the position with a fraction of a pixel.
    frame->mdi_area()->setActiveSubWindow(tall_tab);
    int restored_y = -1;
    EXPECT_TRUE(wait_until([&] { return (restored_y = run_script(tall, "Math.round(window.scrollY)").toInt()) == 1200; }))
        << "scrolled to " << restored_y;
    EXPECT_EQ(tall->layer(), layer);
    EXPECT_EQ(layer->parentWidget(), tall->view());
    EXPECT_EQ(tall->view()->zoomFactor(), 1.1);
    EXPECT_EQ(tall->back_titles(), QStringList{"Before"});
    EXPECT_TRUE(wait_until([&] {
        const QImage shot = frame->grab().toImage();
        const QRgb memo = shot.pixel(tall->view()->mapTo(frame, QPoint(143, 143)));
        return qBlue(memo) < 230;  // the memo's yellow, not the page's white
    }));
    EXPECT_EQ(run_script(tall, "Math.round(window.scrollY)").toInt(), 1200) << "the engine scrolled it again";
    EXPECT_EQ(tall->LocationURL(), pages_.url("/tall"));
}

} // namespace

