#pragma once

#include <QIcon>
#include <QObject>
#include <QTimer>
#include <QUrl>
#include <cstdint>
#include <memory>

class CTabBrowserWnd;

namespace share {
class Downloader;
}

// A tab's site icon: the icon the page declares (a "shortcut icon" link, else any "icon"
// link), or the site's "/favicon.ico". The file is fetched once into the temp folder, under
// the downloader's cache name of its address, and read from there afterwards.
class SiteIcon : public QObject {
    Q_OBJECT
public:
    static constexpr int kPollMs = 10;   // how often a running fetch is looked at
    static constexpr std::int64_t kMaxIconBytes = 1 << 20; // a page may declare any file its icon
    static constexpr int kIconSize = 16;

    explicit SiteIcon(CTabBrowserWnd& tab);
    ~SiteIcon() override;

    QIcon icon() const { return icon_; }
    // The address the icon is (being) taken from; empty when the page has none.
    QUrl source() const { return source_; }

    // After the top document completed (ok false: the engine's error page, which has no icon).
    void refresh(bool ok);
    // The icon at the root of the page's site, for a tab whose page has not loaded yet.
    void take_site_favicon(const QUrl& page);

signals:
    void changed();

private:
    void use(const QUrl& icon_url);
    void set_icon(const QIcon& icon, const QUrl& source);
    void poll();
    static QIcon read_icon(const QString& file);

    CTabBrowserWnd& tab_;
    QIcon icon_;
    QUrl source_;
    // One fetch at a time: the next waits until the running one has ended.
    std::unique_ptr<share::Downloader> fetcher_;
    QUrl fetching_;
    QUrl waiting_;
    QTimer poll_;
};
