#pragma once

#include <QDialog>
#include <QString>
#include <QWebEngineUrlRequestInterceptor>
#include <atomic>
#include <optional>

#include "share/Downloader.h"

class QWebEnginePage;
class QWebEngineProfile;

// Working offline: while set, requests that would go to the network are refused, so pages
// come only from local files and the engine's own pages.
class OfflineInterceptor : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void set_offline(bool offline) { offline_ = offline; }
    bool offline() const { return offline_; }
    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

private:
    std::atomic<bool> offline_{false};
};

// The proxy server of one stored "host:port" entry (port 80 when none is given); nothing
// for an entry without a host.
struct ProxyServer {
    QString host;
    quint16 port = 80;
};
std::optional<ProxyServer> parse_proxy_server(const QString& entry);

// The network as the user chose it (proxy mode, credentials, working offline), for the
// program's own downloads.
share::DownloadNetwork download_network();

// Waits, at most timeout_ms and processing events, until the profile's cookie store has
// handled everything asked of it before: at exit, so that deleted cookies stay deleted.
void settle_cookie_store(QWebEngineProfile* profile, int timeout_ms);
// Waits, at most the time given, until the profile's disk cache holds no entry: the engine
// empties it on its own threads after clearHttpCache and tells no one when done.
void settle_http_cache(QWebEngineProfile* profile, int timeout_ms);
// Whether a disk cache folder still holds entries (files named by a 16-digit hash).
bool http_cache_has_entries(const QString& folder);

// Answers the proxy's request for a user name and password on this page from the program's
// proxy credentials, once per proxy host and credentials: when the proxy refuses them, or
// there are none, the request is cancelled and the page gets the proxy's error instead of
// asking forever.
void answer_proxy_authentication(QWebEnginePage* page);

class QCheckBox;

// The private data dialog: which kinds of private data to delete now.
class CClearIdentInfoDlg : public QDialog {
    Q_OBJECT
public:
    explicit CClearIdentInfoDlg(QWidget* parent = nullptr);

    QCheckBox* cookies;
    QCheckBox* history;
    QCheckBox* temporary_files;
    QCheckBox* closed_pages;
    // The answers to sites' requests (camera, location, ...) remembered per site.
    QCheckBox* site_permissions;
};
