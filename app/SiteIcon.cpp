#include "app/SiteIcon.h"

#include <QImageReader>
#include <QPixmap>
#include <QPointer>
#include <QSet>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <filesystem>

#include "app/BrowserPage.h"
#include "app/MarvoApp.h"
#include "app/NetworkOptions.h"
#include "app/PageQuestion.h"
#include "app/TabBrowserWnd.h"
#include "rs2/Thread.h"
#include "share/Downloader.h"

namespace {

// The page's declared icon as the document resolves it: a link whose rel is "shortcut icon",
// else the first whose rel names "icon".
const char* const kDeclaredIconScript = R"JS(
(function () {
  var links = document.getElementsByTagName('link'), any = '';
  for (var i = 0; i < links.length; i++) {
    var rel = (links[i].getAttribute('rel') || '').toLowerCase().trim();
    if (!links[i].href) continue;
    if (rel == 'shortcut icon') return links[i].href;
    if (!any && rel.split(/\s+/).indexOf('icon') >= 0) any = links[i].href;
  }
  return any;
})()
)JS";

bool is_web(const QUrl& url)
{
    return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}

QUrl site_favicon(const QUrl& page)
{
    QUrl icon = page.adjusted(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment);
    icon.setPath(QStringLiteral("/favicon.ico"));
    return icon;
}

// Icons being fetched by some tab: another tab wanting one of them waits for that fetch.
QSet<QUrl>& in_flight()
{
    static QSet<QUrl> icons;
    return icons;
}

// The downloader's flat cache name in the temp folder; empty when the address makes no
// usable file name.
std::string cache_file(const QUrl& icon)
{
    const std::string path = share::Downloader::local_cache_path(theApp().folders().temp.string(),
                                                                 icon.toString(QUrl::FullyEncoded).toStdString());
    return std::filesystem::path(path).filename().string().size() <= 255 ? path : std::string();
}

} // namespace

SiteIcon::SiteIcon(CTabBrowserWnd& tab) : QObject(&tab), tab_(tab)
{
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, &SiteIcon::poll);
}

SiteIcon::~SiteIcon()
{
    // A fetch still running is told to stop and left to end on its own thread.
    in_flight().remove(fetching_);
    rs2::retire(std::move(fetcher_), 0);
}

void SiteIcon::refresh(bool ok)
{
    const QUrl page = tab_.LocationURL();
    if (!ok || !is_web(page) || theApp().IsOffline()) {
        set_icon({}, {});
        return;
    }
    QPointer<SiteIcon> self(this);
    ask_page(*tab_.page(), QString::fromLatin1(kDeclaredIconScript), [self, page](const QVariant& declared) {
        if (!self || self->tab_.LocationURL() != page)
            return;  // the tab has moved on
        const QUrl icon(declared.toString());
        self->use(is_web(icon) ? icon : site_favicon(page));
    });
}

void SiteIcon::take_site_favicon(const QUrl& page)
{
    if (is_web(page) && !theApp().IsOffline())
        use(site_favicon(page));
}

void SiteIcon::use(const QUrl& icon_url)
{
    const std::string file = cache_file(icon_url);
    if (file.empty()) {
        set_icon({}, {});
        return;
    }
    if (icon_url == source_ && (!icon_.isNull() || icon_url == fetching_))
        return;
    if (std::filesystem::exists(file)) {
        set_icon(read_icon(QString::fromStdString(file)), icon_url);
        return;
    }
    set_icon({}, icon_url);  // another site's icon must not stay meanwhile
    if (icon_url != fetching_)
        waiting_ = icon_url;
    poll();
}

void SiteIcon::set_icon(const QIcon& icon, const QUrl& source)
{
    const bool was_shown = !icon_.isNull();
    icon_ = icon;
    source_ = source;
    if (was_shown || !icon.isNull())
        emit changed();
}

// Collects an ended fetch, then starts the one waiting, if any.
void SiteIcon::poll()
{
    if (fetcher_ && fetcher_->is_running()) {
        poll_.start();
        return;
    }
    if (!fetching_.isEmpty()) {
        fetcher_->wait(0);  // collects the ended thread, so that it can start again
        const QUrl done = std::exchange(fetching_, QUrl());
        in_flight().remove(done);
        if (fetcher_->exit_code() == 0 && done == source_)
            set_icon(read_icon(QString::fromStdString(cache_file(done))), done);
    }
    if (waiting_.isEmpty() || waiting_ != source_) {
        waiting_.clear();
        poll_.stop();
        return;
    }
    const std::string file = cache_file(waiting_);
    if (std::filesystem::exists(file)) {  // fetched meanwhile, by this tab or another
        set_icon(read_icon(QString::fromStdString(file)), std::exchange(waiting_, QUrl()));
        poll_.stop();
        return;
    }
    if (in_flight().contains(waiting_)) {
        poll_.start();
        return;
    }
    const QUrl next = std::exchange(waiting_, QUrl());
    in_flight().insert(next);
    if (!fetcher_)
        fetcher_ = std::make_unique<share::Downloader>();
    fetcher_->set_target(next.toString(QUrl::FullyEncoded).toStdString(), file);
    const std::string& agent = theApp().settings().useragent;
    fetcher_->set_agent(agent.empty() ? tab_.page()->profile()->httpUserAgent().toStdString() : agent);
    fetcher_->set_network(download_network());
    fetcher_->set_max_bytes(kMaxIconBytes);
    fetcher_->start();
    fetching_ = next;
    poll_.start();
}

QIcon SiteIcon::read_icon(const QString& file)
{
    QImageReader reader(file);
    const QImage image = reader.read();
    if (image.isNull())
        return {};
    return QIcon(QPixmap::fromImage(
        image.scaled(kIconSize, kIconSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}
