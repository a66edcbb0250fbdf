#include <QApplication>
#include <QCheckBox>
#include <QMenu>
#include <QMessageBox>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidgetItemIterator>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <fstream>
#include <sstream>

#include "AppFixture.h"
#include "app/BrowserPage.h"
#include "app/AddressBar.h"
#include "app/ChildFrame.h"
#include "app/MainFrame.h"
#include "app/NetworkOptions.h"
#include "app/PermissionBar.h"
#include "app/SitePermissions.h"
#include "app/TabBrowserWnd.h"
#include "places/History.h"
#include "places/ui/HistoryDlg.h"
#include "places/ui/PaneTree.h"
#include "platform/QtText.h"
#include "res/CommandIds.h"
#include "settings/SettingsFile.h"
#include "settings/ui/AppSettingPages.h"
#include "settings/ui/AppSettingSheet.h"

namespace {

using namespace res::cmd;

// Serves pages that load one script the engine may keep in its cache for an hour; "/cookie"
// also sets a cookie.
class CachingServer : public QObject {
public:
    CachingServer()
    {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, [this, socket] { answer(socket); });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    QUrl url(const QString& path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path));
    }
    int script_hits() const { return script_hits_; }

private:
    void answer(QTcpSocket* socket)
    {
        const QByteArray path = socket->readAll().split(' ').value(1);
        QByteArray headers = "HTTP/1.0 200 OK\r\n";
        QByteArray body;
        if (path == "/script.js") {
            ++script_hits_;
            headers += "Content-Type: text/javascript\r\nCache-Control: max-age=3600\r\n";
            body = "window.loaded = true;";
        } else {
            headers += "Content-Type: text/html\r\nCache-Control: no-store\r\n";
            if (path == "/cookie")
                headers += "Set-Cookie: visit=1; Max-Age=3600\r\n";
            body = "<title>Page</title><script src='/script.js'></script>page";
        }
        socket->write(headers + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

    QTcpServer server_;
    int script_hits_ = 0;
};

class PrivacyTest : public AppTest {
protected:
    void TearDown() override
    {
        AppTest::TearDown();
        app().SetProxy(1, 0);
    }

    CTabBrowserWnd* load(const QUrl& url)
    {
        CTabBrowserWnd* tab = app().ActiveBrowser();
        tab->Navigate(url);
        EXPECT_TRUE(wait_until([&] { return !tab->busy() && tab->LocationURL() == url; }));
        return tab;
    }

    static QString script_result(CTabBrowserWnd* tab, const QString& script)
    {
        auto result = std::make_shared<std::optional<QString>>();
        tab->page()->runJavaScript(script, [result](const QVariant& value) { *result = value.toString(); });
        EXPECT_TRUE(wait_until([&] { return result->has_value(); }));
        return result->value_or(QString());
    }

    // Runs a command that opens a modal dialog of type T; `answer` fills it in and closes it.
    template <typename T>
    static int with_dialog(int command, const std::function<void(T*)>& answer)
    {
        int seen = 0;
        QTimer watcher;
        watcher.setInterval(5);
        QObject::connect(&watcher, &QTimer::timeout, [&] {
            if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
                ++seen;
                answer(dialog);
            }
        });
        watcher.start();
        app().main_frame()->route(command);
        return seen;
    }
};

TEST_F(PrivacyTest, ProxyModesSetTheApplicationProxyAndTheMenuChecks)
{
    ASSERT_TRUE(start());
    settings::Settings& s = app().settings();
    // Addresses that need no name lookup: the engine may take the proxy up at once.
    s.proxy = {"127.0.0.2:3128", "127.0.0.3"};
    s.proxy_login = "user";
    s.proxy_pw = "secret";

    app().SetProxy(2, 1);
    EXPECT_EQ(s.proxy_setting, 2);
    EXPECT_EQ(s.proxy_index, 1);
    const QNetworkProxy second = QNetworkProxy::applicationProxy();
    EXPECT_EQ(second.type(), QNetworkProxy::HttpProxy);
    EXPECT_EQ(second.hostName(), QStringLiteral("127.0.0.3"));
    EXPECT_EQ(second.port(), 80);
    EXPECT_EQ(app().proxy_credentials(), (std::pair<QString, QString>{"user", "secret"}));

    // Empty credentials leave the last ones in force.
    s.proxy_login.clear();
    s.proxy_pw.clear();
    app().SetProxy(2, 0);
    EXPECT_EQ(QNetworkProxy::applicationProxy().hostName(), QStringLiteral("127.0.0.2"));
    EXPECT_EQ(QNetworkProxy::applicationProxy().port(), 3128);
    EXPECT_EQ(app().proxy_credentials().first, QStringLiteral("user"));

    app().main_frame()->route(kProxyDirect);
    EXPECT_EQ(s.proxy_setting, 1);
    EXPECT_EQ(QNetworkProxy::applicationProxy().type(), QNetworkProxy::NoProxy);
    EXPECT_TRUE(app().main_frame()->command_state(kProxyDirect).checked);
    EXPECT_FALSE(app().main_frame()->command_state(kProxyInternetOptions).checked);

    // An entry that is gone: the desktop's settings, not a server that does not exist.
    app().SetProxy(2, 7);
    EXPECT_EQ(s.proxy_index, 7);
    EXPECT_TRUE(QNetworkProxyFactory::usesSystemConfiguration());
    EXPECT_FALSE(app().main_frame()->command_state(kProxyDirect).checked);

    // The desktop's settings need a restart, which the user is told every time.
    for (int i = 0; i < 2; ++i) {
        QString shown;
        EXPECT_EQ(with_dialog<QMessageBox>(kProxyInternetOptions,
                                           [&](QMessageBox* box) {
                                               shown = box->text();
                                               box->accept();
                                           }),
                  1);
        EXPECT_EQ(shown, QStringLiteral("この設定を有効にするにはMarvoを再起動してください。"));
    }
    EXPECT_EQ(s.proxy_setting, 0);
    EXPECT_TRUE(app().main_frame()->command_state(kProxyInternetOptions).checked);
    app().SetProxy(1, 0);
}

TEST(ProxyServer, EntriesParseToHostAndPort)
{
    EXPECT_EQ(parse_proxy_server("host:8080")->port, 8080);
    EXPECT_EQ(parse_proxy_server(" host ")->host, QStringLiteral("host"));
    EXPECT_EQ(parse_proxy_server("host:x")->port, 80);
    EXPECT_EQ(parse_proxy_server("host:70000")->port, 80);
    EXPECT_FALSE(parse_proxy_server(":8080").has_value());
    EXPECT_FALSE(parse_proxy_server("").has_value());
}

TEST_F(PrivacyTest, OfflineRefusesTheNetworkUntilSwitchedBack)
{
    pages_.set("/page", "<title>P</title>page");
    ASSERT_TRUE(start());
    app().main_frame()->route(kWorkOffline);
    EXPECT_TRUE(app().IsOffline());
    EXPECT_TRUE(app().main_frame()->command_state(kWorkOffline).checked);
    CTabBrowserWnd* tab = app().ActiveBrowser();
    auto finished = std::make_shared<std::optional<bool>>();
    QObject::connect(tab->page(), &QWebEnginePage::loadFinished, tab, [finished](bool ok) { *finished = ok; });
    tab->Navigate(pages_.url("/page"));
    ASSERT_TRUE(wait_until([&] { return finished->has_value(); }));
    EXPECT_FALSE(finished->value());
    EXPECT_EQ(pages_.hits("/page"), 0);

    app().main_frame()->route(kWorkOffline);
    EXPECT_FALSE(app().IsOffline());
    tab->Navigate(pages_.url("/page"));
    EXPECT_TRUE(wait_until([&] { return pages_.hits("/page") == 1; }));
}

TEST_F(PrivacyTest, ClearingThroughTheDialogRemovesCookiesHistoryCacheAndClosedPages)
{
    CachingServer cached;
    ASSERT_TRUE(start());
    CTabBrowserWnd* tab = load(cached.url("/cookie"));
    EXPECT_EQ(script_result(tab, "document.cookie"), QStringLiteral("visit=1"));
    // Another page takes the script from the cache.
    load(cached.url("/second"));
    EXPECT_EQ(cached.script_hits(), 1);
    app().settings().lastclose = {{"Closed", "http://127.0.0.1:1/closed"}};
    // Our own history shows in the history pane and in the address bar's list.
    app().main_frame()->route(kHistoryPane);
    auto* pane = app().main_frame()->findChild<CHistoryDlg*>();
    ASSERT_NE(pane, nullptr);
    ASSERT_TRUE(wait_until([&] { return pane->isVisible(); }));
    const auto pane_rows = [&] {
        int rows = 0;
        for (QTreeWidgetItemIterator it(pane->tree()); *it; ++it)
            rows += (*it)->childCount() == 0;
        return rows;
    };
    CAddressComboBox* list = app().main_frame()->findChild<CAddressBar*>()->combo();
    ASSERT_FALSE(app().history().empty());
    EXPECT_GT(pane_rows(), 0);
    EXPECT_GT(list->count(), 0);

    // Cancel deletes nothing.
    EXPECT_EQ(with_dialog<CClearIdentInfoDlg>(kClearPrivateData,
                                              [](CClearIdentInfoDlg* dialog) {
                                                  EXPECT_FALSE(dialog->cookies->isChecked());
                                                  dialog->cookies->setChecked(true);
                                                  dialog->reject();
                                              }),
              1);
    EXPECT_EQ(app().settings().lastclose.size(), 1u);
    EXPECT_EQ(script_result(tab, "document.cookie"), QStringLiteral("visit=1"));

    EXPECT_EQ(with_dialog<CClearIdentInfoDlg>(kClearPrivateData,
                                              [](CClearIdentInfoDlg* dialog) {
                                                  for (QCheckBox* box : {dialog->cookies, dialog->history,
                                                                         dialog->temporary_files, dialog->closed_pages})
                                                      box->setChecked(true);
                                                  dialog->accept();
                                              }),
              1);
    EXPECT_TRUE(app().settings().lastclose.empty());
    EXPECT_TRUE(app().history().empty());
    EXPECT_EQ(pane_rows(), 0);
    EXPECT_EQ(list->count(), 0);
    places::History saved;
    ASSERT_TRUE(saved.load(data_.path() / "Marvo" / places::kHistoryFile));
    EXPECT_TRUE(saved.empty());
    // The engine deletes on its own threads: the cached copy goes soon after.
    // One visit after another until the script is fetched again; a visit the engine holds
    // up while it clears is simply followed by the next.
    int visit = 0;
    auto ready = std::make_shared<bool>(true);
    QMetaObject::Connection finished =
        QObject::connect(tab->page(), &QWebEnginePage::loadFinished, [ready] { *ready = true; });
    QElapsedTimer since_visit;
    since_visit.start();
    EXPECT_TRUE(wait_until([&] {
        if (*ready || since_visit.elapsed() > 2000) {
            *ready = false;
            since_visit.restart();
            tab->Navigate(cached.url(QStringLiteral("/visit%1").arg(++visit)));
        }
        return cached.script_hits() > 1;
    }, 30000));
    QObject::disconnect(finished);
    ASSERT_TRUE(wait_until([&] { return !tab->busy(); }));
    EXPECT_EQ(script_result(tab, "document.cookie"), QString());
}

// A site's request waits in the bar over the page. "Allow" with "remember" answers it and the
// site's requests after a restart, without the bar; "deny" gives the page a refusal; the
// private data dialog forgets the remembered answers.
TEST_F(PrivacyTest, PermissionRequestsAskInTheBarOverThePageAndRememberedAnswersOutliveARestart)
{
    const QString asking = QStringLiteral(
        "<title>asking</title><script>function ask() {"
        " Notification.requestPermission().then(answer => { document.title = answer; }); }</script>asking");
    pages_.set("/ask", asking);
    PageServer other_site;
    other_site.set("/ask", asking);
    const QString notifications = site_permissions::kind_of(QWebEnginePage::Notifications);
    const auto ask = [](CTabBrowserWnd* tab) { tab->page()->runJavaScript(QStringLiteral("ask()")); };

    ASSERT_TRUE(start());
    CTabBrowserWnd* tab = load(pages_.url("/ask"));
    PermissionBar* bar = tab->permission_bar();
    ask(tab);
    ASSERT_TRUE(wait_until([&] { return !bar->question().isEmpty(); }));
    EXPECT_EQ(bar->question(), QStringLiteral("127.0.0.1 が通知の表示を求めています。"));
    EXPECT_EQ(bar->geometry().top(), 0);
    EXPECT_EQ(bar->width(), tab->width());
    EXPECT_EQ(tab->LocationName(), QStringLiteral("asking"));  // the page waits for the answer
    bar->remember_box()->setChecked(true);
    bar->allow_button()->click();
    EXPECT_TRUE(wait_until([&] { return tab->LocationName() == QStringLiteral("granted"); }));
    EXPECT_TRUE(bar->question().isEmpty());
    EXPECT_EQ(site_permissions::remembered(app().registry(), pages_.url("/"), notifications), true);

    // A new run of the engine asks us again: the remembered answer is given without the bar.
    app().main_frame()->close();
    delete app().main_frame();
    app().ExitInstance();
    ASSERT_TRUE(start());
    tab = load(pages_.url("/ask"));
    bar = tab->permission_bar();
    ask(tab);
    bool bar_shown = false;
    EXPECT_TRUE(wait_until([&] {
        bar_shown = bar_shown || !bar->question().isEmpty();
        return tab->LocationName() == QStringLiteral("granted");
    }));
    EXPECT_FALSE(bar_shown);

    // Another site (another port) is asked for itself; "deny" without "remember" refuses once.
    tab = load(other_site.url("/ask"));
    ask(tab);
    ASSERT_TRUE(wait_until([&] { return !bar->question().isEmpty(); }));
    bar->deny_button()->click();
    EXPECT_TRUE(wait_until([&] { return tab->LocationName() == QStringLiteral("denied"); }));
    EXPECT_EQ(site_permissions::remembered(app().registry(), other_site.url("/"), notifications), std::nullopt);

    with_dialog<CClearIdentInfoDlg>(kClearPrivateData, [](CClearIdentInfoDlg* dialog) {
        dialog->site_permissions->setChecked(true);
        dialog->accept();
    });
    EXPECT_EQ(site_permissions::remembered(app().registry(), pages_.url("/"), notifications), std::nullopt);
}

TEST_F(PrivacyTest, ExitWithEveryClearingFlagLeavesNoHistoryNoLogsNoClosedPagesNoCacheAndNoCookies)
{
    CachingServer cached;
    pages_.set("/a", "<title>A</title>a");
    pages_.set("/b", "<title>B</title>b");
    ASSERT_TRUE(start());
    load(cached.url("/cookie"));
    load(pages_.url("/a"));
    load(pages_.url("/b"));  // back entries: the log of the tab
    app().OpenInNewTab(platform::from_qstring(pages_.url("/a").toString()));
    ASSERT_TRUE(wait_until([&] { return app().ActiveBrowser()->LocationURL() == pages_.url("/a"); }));
    app().main_frame()->active_tab()->close();  // a recently closed page
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(app().settings().lastclose.empty());
    settings::Settings& s = app().settings();
    s.del_cookie = s.del_hist = s.del_temp = s.del_tabhist = 1;

    ASSERT_TRUE(wait_until([] { return http_cache_has_entries(app().profile()->cachePath()); }));

    app().main_frame()->close();
    app().ExitInstance();
    // The visits are gone from the history file, and the cache is empty by the time the
    // program ends.
    places::History saved;
    ASSERT_TRUE(saved.load(data_.path() / "Marvo" / places::kHistoryFile));
    EXPECT_TRUE(saved.empty());
    EXPECT_FALSE(http_cache_has_entries(app().profile()->cachePath()));
    std::ifstream file(data_.path() / "Marvo" / settings::kSettingsFileName, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    ASSERT_NE(bytes.str().find("<lastopen>"), std::string::npos);
    EXPECT_EQ(bytes.str().find("<log"), std::string::npos);
    EXPECT_EQ(bytes.str().find("lastclose"), std::string::npos);
    EXPECT_TRUE(s.lastclose.empty());

    // The engine's cookie store is empty too: a page of the same site sees no cookie.
    QWebEnginePage probe(app().profile());
    bool loaded = false;
    QObject::connect(&probe, &QWebEnginePage::loadFinished, [&] { loaded = true; });
    probe.setHtml(QStringLiteral("<p>probe</p>"), cached.url("/"));
    ASSERT_TRUE(wait_until([&] { return loaded; }));
    auto cookie = std::make_shared<std::optional<QString>>();
    probe.runJavaScript(QStringLiteral("document.cookie"), [cookie](const QVariant& value) { *cookie = value.toString(); });
    ASSERT_TRUE(wait_until([&] { return cookie->has_value(); }));
    EXPECT_EQ(**cookie, QString());
}

TEST_F(PrivacyTest, SettingsCommandAppliesTheSheetOnOkOnly)
{
    ASSERT_TRUE(start());
    settings::Settings& s = app().settings();
    const auto before = s;
    with_dialog<settings::ui::CAppSettingPSheet>(kSettings, [](settings::ui::CAppSettingPSheet* sheet) {
        sheet->end_page->cookies->setChecked(true);
        sheet->reject();
    });
    EXPECT_EQ(s, before);
    with_dialog<settings::ui::CAppSettingPSheet>(kSettings, [](settings::ui::CAppSettingPSheet* sheet) {
        sheet->end_page->cookies->setChecked(true);
        sheet->browser_page->scripts->setChecked(false);
        sheet->accept();
    });
    EXPECT_EQ(s.del_cookie, 1);
    EXPECT_TRUE(s.securityflag & settings::kNoScripts);
    // Saved at once.
    settings::Settings saved;
    ASSERT_TRUE(settings::load_settings(saved, (data_.path() / "Marvo" / settings::kSettingsFileName).string()));
    EXPECT_EQ(saved.del_cookie, 1);
    EXPECT_EQ(saved.securityflag, s.securityflag);
    // Open tabs take the new flags.
    EXPECT_FALSE(app().ActiveBrowser()->page()->settings()->testAttribute(QWebEngineSettings::JavascriptEnabled));
}

} // namespace

namespace {

TEST_F(PrivacyTest, TheUserAgentOfTheSettingsIsWhatPagesSee)
{
    pages_.set("/agent", "<title>A</title>agent");
    app().settings().useragent = "Marvo/1.0 (X11; Linux x86_64)";
    ASSERT_TRUE(start());
    CTabBrowserWnd* tab = load(pages_.url("/agent"));
    EXPECT_EQ(script_result(tab, "navigator.userAgent"), QStringLiteral("Marvo/1.0 (X11; Linux x86_64)"));
}

} // namespace

namespace {

TEST_F(PrivacyTest, ProxyMenuListsTheServersWithTheOneInUseChecked)
{
    ASSERT_TRUE(start());
    settings::Settings& s = app().settings();
    s.proxy = {"127.0.0.2:3128", "127.0.0.3:8080"};
    app().SetProxy(2, 0);
    QMenu* proxies = open_menu_starting_with(kProxyDirect);
    ASSERT_NE(proxies, nullptr);
    emit proxies->aboutToShow();
    QList<QAction*> servers;
    for (QAction* item : proxies->actions())
        if (item->text().startsWith(QStringLiteral("127.0.0.")))
            servers << item;
    ASSERT_EQ(servers.size(), 2);
    EXPECT_TRUE(servers[0]->isChecked());
    EXPECT_FALSE(servers[1]->isChecked());
    EXPECT_FALSE(app().main_frame()->action(kProxyDirect)->isChecked());

    servers[1]->trigger();
    EXPECT_EQ(s.proxy_setting, 2);
    EXPECT_EQ(s.proxy_index, 1);
    EXPECT_EQ(QNetworkProxy::applicationProxy().port(), 8080);
}

} // namespace

namespace {

// Internet Options opens the sheet on the page holding the home page; the current page,
// a typed address or a blank page chosen there is what Home, a new tab and the next start show.
TEST_F(PrivacyTest, HomePageSetOnTheSheetIsUsedByHomeNewTabsAndTheNextStart)
{
    pages_.set("/home", "<title>home</title>home");
    pages_.set("/typed", "<title>typed</title>typed");
    pages_.set("/other", "<title>other</title>other");
    ASSERT_TRUE(start({pages_.url("/home").toString()}));
    ASSERT_TRUE(wait_until([] { return app().ActiveBrowser() && app().ActiveBrowser()->LocationName() == "home"; }));
    EXPECT_TRUE(app().main_frame()->command_state(kInternetOptions).enabled);

    int shown_page = -1;
    EXPECT_EQ(with_dialog<settings::ui::CAppSettingPSheet>(kInternetOptions, [&](settings::ui::CAppSettingPSheet* sheet) {
                  shown_page = sheet->tabs()->currentIndex();
                  sheet->browser_page->home_use_current->click();
                  sheet->accept();
              }),
              1);
    EXPECT_EQ(shown_page, 1);
    EXPECT_EQ(app().home_page(), pages_.url("/home").toString().toStdString());

    // Home goes there from another page.
    app().ActiveBrowser()->Navigate(pages_.url("/other"));
    ASSERT_TRUE(wait_until([] { return app().ActiveBrowser()->LocationName() == "other"; }));
    app().main_frame()->route(kHome);
    ASSERT_TRUE(wait_until([] { return app().ActiveBrowser()->LocationName() == "home"; }));

    // A typed address, then the next start without the last sites opens it in its new tab.
    with_dialog<settings::ui::CAppSettingPSheet>(kSettings, [&](settings::ui::CAppSettingPSheet* sheet) {
        EXPECT_EQ(sheet->browser_page->home_address->text(), pages_.url("/home").toString());
        sheet->browser_page->home_address->setText(pages_.url("/typed").toString());
        sheet->browser_page->start_home->setChecked(true);
        sheet->accept();
    });
    app().main_frame()->close();
    delete app().main_frame();
    app().ExitInstance();
    ASSERT_TRUE(start());
    ASSERT_TRUE(wait_until([] { return app().ActiveBrowser() && app().ActiveBrowser()->LocationName() == "typed"; }));

    // Blank.
    with_dialog<settings::ui::CAppSettingPSheet>(kInternetOptions, [](settings::ui::CAppSettingPSheet* sheet) {
        sheet->browser_page->home_use_blank->click();
        sheet->accept();
    });
    EXPECT_EQ(app().home_page(), "about:blank");
}

} // namespace
