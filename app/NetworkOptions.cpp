// Proxy, offline mode and clearing of private data: the application object's side of the
// Internet settings that every tab shares.
#include "app/NetworkOptions.h"

#include <QCoreApplication>
#include <QAuthenticator>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QGroupBox>
#include <QMessageBox>
#include <QNetworkCookie>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QRegularExpression>
#include <QSet>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineCookieStore>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInfo>

#include "app/MainFrame.h"
#include "app/MarvoApp.h"
#include "app/SitePermissions.h"
#include "places/History.h"
#include "platform/QtText.h"
#include "res/CommandIds.h"
#include "res/StringTable.h"
#include "ui/Texts.h"

void OfflineInterceptor::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    if (!offline_)
        return;
    const QString scheme = info.requestUrl().scheme();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("ftp") ||
        scheme == QLatin1String("ws") || scheme == QLatin1String("wss"))
        info.block(true);
}

std::optional<ProxyServer> parse_proxy_server(const QString& entry)
{
    const QString text = entry.trimmed();
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    ProxyServer server;
    server.host = colon < 0 ? text : text.left(colon);
    if (colon >= 0) {
        bool ok = false;
        const uint port = text.mid(colon + 1).toUInt(&ok);
        if (ok && port > 0 && port <= 65535)
            server.port = static_cast<quint16>(port);
    }
    if (server.host.isEmpty())
        return std::nullopt;
    return server;
}

void answer_proxy_authentication(QWebEnginePage* page)
{
    auto answered = std::make_shared<QSet<QString>>();
    QObject::connect(page, &QWebEnginePage::proxyAuthenticationRequired, page,
                     [answered](const QUrl&, QAuthenticator* authenticator, const QString& proxy_host) {
                         const auto& [user, password] = theApp().proxy_credentials();
                         // Credentials changed since a refusal are worth one more try.
                         const QString attempt = proxy_host + QLatin1Char('\n') + user + QLatin1Char('\n') + password;
                         if ((user.isEmpty() && password.isEmpty()) || answered->contains(attempt)) {
                             // Only an empty authenticator cancels: the one handed in carries the
                             // realm already and would be sent as empty credentials, again and again.
                             *authenticator = QAuthenticator();
                             return;
                         }
                         answered->insert(attempt);
                         authenticator->setUser(user);
                         authenticator->setPassword(password);
                     });
}

// ---- the application's operations ----

void CMarvoApp::SetProxy(int mode, int index)
{
    settings_.proxy_setting = mode;
    std::optional<ProxyServer> server;
    if (mode != 0 && mode != 1) {
        settings_.proxy_index = index;
        if (index >= 0 && static_cast<std::size_t>(index) < settings_.proxy.size())
            server = parse_proxy_server(platform::to_qstring(settings_.proxy[static_cast<std::size_t>(index)]));
    }
    if (mode == 1) {
        QNetworkProxyFactory::setUseSystemConfiguration(false);
        QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    } else if (server) {
        QNetworkProxyFactory::setUseSystemConfiguration(false);
        QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, server->host, server->port));
    } else {
        // The desktop's settings; also what a proxy entry that no longer exists falls back
        // to, rather than a connection that cannot work.
        QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::DefaultProxy));
        QNetworkProxyFactory::setUseSystemConfiguration(true);
    }
    // Empty credentials leave those set earlier in force.
    if (!settings_.proxy_login.empty())
        proxy_user_ = platform::to_qstring(settings_.proxy_login);
    if (!settings_.proxy_pw.empty())
        proxy_password_ = platform::to_qstring(settings_.proxy_pw);
}

share::DownloadNetwork download_network()
{
    share::DownloadNetwork network;
    network.offline = theApp().IsOffline();
    const QNetworkProxy proxy = QNetworkProxy::applicationProxy();
    if (proxy.type() == QNetworkProxy::NoProxy) {
        network.proxy = share::DownloadNetwork::Proxy::none;
    } else if (proxy.type() == QNetworkProxy::HttpProxy) {
        network.proxy = share::DownloadNetwork::Proxy::http;
        network.proxy_address = platform::from_qstring(proxy.hostName()) + ":" + std::to_string(proxy.port());
        const auto& [user, password] = theApp().proxy_credentials();
        network.proxy_user = platform::from_qstring(user);
        network.proxy_password = platform::from_qstring(password);
    }
    return network;
}

void CMarvoApp::SetOffline(bool offline)
{
    if (offline_)
        offline_->set_offline(offline);
}

bool CMarvoApp::IsOffline() const
{
    return offline_ && offline_->offline();
}

void CMarvoApp::ClearPrivateData(bool cookies, bool history, bool temporary_files, bool closed_pages)
{
    if (cookies && profile_)
        profile_->cookieStore()->deleteAllCookies();
    if (history) {
        // Our own store, with the panes and lists that show it, and its file at once: at exit
        // the file has already been saved.
        history_.clear();
        history_.save(folders_.data / places::kHistoryFile);
        if (profile_)
            profile_->clearAllVisitedLinks();
    }
    if (temporary_files && profile_)
        profile_->clearHttpCache();
    if (closed_pages)
        settings_.lastclose.clear();
}

// The cookie store works on the engine's own threads and may drop what is still queued when
// the program ends. A probe cookie set and deleted after the other requests comes back only
// once those have been handled.
void settle_cookie_store(QWebEngineProfile* profile, int timeout_ms)
{
    QWebEngineCookieStore* store = profile->cookieStore();
    const QUrl origin(QStringLiteral("http://marvo.invalid/"));
    QNetworkCookie probe("marvo-settle", "1");
    probe.setDomain(QStringLiteral("marvo.invalid"));
    probe.setPath(QStringLiteral("/"));
    QEventLoop loop;
    bool added = false;
    const QMetaObject::Connection on_add =
        QObject::connect(store, &QWebEngineCookieStore::cookieAdded, &loop, [&](const QNetworkCookie& cookie) {
            if (cookie.name() != probe.name() || added)
                return;
            added = true;
            store->deleteCookie(probe, origin);
        });
    const QMetaObject::Connection on_remove =
        QObject::connect(store, &QWebEngineCookieStore::cookieRemoved, &loop, [&](const QNetworkCookie& cookie) {
            if (added && cookie.name() == probe.name())
                loop.quit();
        });
    QTimer::singleShot(timeout_ms, &loop, &QEventLoop::quit);
    store->setCookie(probe, origin);
    loop.exec();
    QObject::disconnect(on_add);
    QObject::disconnect(on_remove);
}

bool http_cache_has_entries(const QString& folder)
{
    static const QRegularExpression entry(QStringLiteral("^[0-9a-f]{16}_[0-9s]$"));
    QDirIterator files(folder, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext())
        if (entry.match(QFileInfo(files.next()).fileName()).hasMatch())
            return true;
    return false;
}

void settle_http_cache(QWebEngineProfile* profile, int timeout_ms)
{
    QElapsedTimer waited;
    waited.start();
    // The engine's threads hand parts of the work back to this one: keep its loop running.
    while (http_cache_has_entries(profile->cachePath()) && waited.elapsed() < timeout_ms) {
        QEventLoop loop;
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

namespace {

} // namespace

// The private data dialog: the four kinds, none chosen when it opens.
CClearIdentInfoDlg::CClearIdentInfoDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QCoreApplication::translate("NetworkOptions", "個人情報の削除"));
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(QCoreApplication::translate("NetworkOptions", "消去する個人情報"), this);
    auto* boxes = new QVBoxLayout(group);
    cookies = new QCheckBox(QCoreApplication::translate("NetworkOptions", "クッキー"), group);
    history = new QCheckBox(QCoreApplication::translate("NetworkOptions", "履歴"), group);
    temporary_files = new QCheckBox(QCoreApplication::translate("NetworkOptions", "一時ファイル"), group);
    closed_pages = new QCheckBox(QCoreApplication::translate("NetworkOptions", "最近閉じた履歴"), group);
    site_permissions = new QCheckBox(QCoreApplication::translate("NetworkOptions", "サイトへの許可"), group);
    for (QCheckBox* box : {cookies, history, temporary_files, closed_pages, site_permissions})
        boxes->addWidget(box);
    layout->addWidget(group);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QCoreApplication::translate("NetworkOptions", "キャンセル"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

bool CMarvoApp::OnNetworkCommand(int id)
{
    using namespace res::cmd;
    switch (id) {
    case kProxyDirect:
        SetProxy(1, 0);
        return true;
    case kProxyInternetOptions:
        SetProxy(0, 0);
        QMessageBox::information(frame_, QStringLiteral("Marvo"), ui::string_text(res::str::kRestartNeeded));
        return true;
    case kWorkOffline:
        SetOffline(!IsOffline());
        return true;
    case kClearPrivateData: {
        CClearIdentInfoDlg dialog(frame_);
        if (dialog.exec() != QDialog::Accepted)
            return true;
        setOverrideCursor(Qt::WaitCursor);
        ClearPrivateData(dialog.cookies->isChecked(), dialog.history->isChecked(), dialog.temporary_files->isChecked(),
                         dialog.closed_pages->isChecked());
        if (dialog.site_permissions->isChecked())
            site_permissions::forget_all(*registry_);
        restoreOverrideCursor();
        return true;
    }
    case kSettings:
        RunSettingsSheet();
        return true;
    case kInternetOptions:
        // The engine has no options dialog of its own: its settings live on the sheet.
        RunSettingsSheet(kBrowserSettingsPage);
        return true;
    }
    return false;
}

bool CMarvoApp::OnUpdateNetworkCommand(int id, CommandState& state)
{
    using namespace res::cmd;
    switch (id) {
    case kProxyDirect:
        state.checked = settings_.proxy_setting == 1;
        return true;
    case kProxyInternetOptions:
        state.checked = settings_.proxy_setting == 0;
        return true;
    case kWorkOffline:
        state.checked = IsOffline();
        return true;
    case kClearPrivateData:
    case kSettings:
    case kInternetOptions:
        return true;
    }
    return false;
}
