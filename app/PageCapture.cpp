#include "app/PageCapture.h"

#include <QColor>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLayout>
#include <QPainter>
#include <QQuickWidget>
#include <QQuickWindow>
#include <QTimer>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <algorithm>
#include <cmath>

#include "app/BrowserPage.h"
#include "app/TabBrowserWnd.h"
#include "memo/ui/LayerWnd.h"

namespace page_output {
namespace {

int g_last_tiles = 0;

// A fixed box over the whole viewport measures what the view shows without its scroll bars,
// in standards and quirks mode alike.
const char* const kShownBoxFunction =
    "function shownBox(){var p=document.createElement('div');"
    "p.style.cssText='position:fixed;left:0;top:0;right:0;bottom:0;visibility:hidden';"
    "document.documentElement.appendChild(p);var r=p.getBoundingClientRect();p.remove();return r;}";

// The mark in the view's corner that tells when the view shows the page's latest frame.
const QColor kMarkColour(3, 141, 59);

// Styles the page for a while without touching its document tree (nothing the page watches
// sees it), kept under a name in the application world to take it away by.
void adopt_style(CTabBrowserWnd& tab, const QString& name, const QString& css)
{
    const QByteArray quoted = QJsonDocument(QJsonArray{css}).toJson(QJsonDocument::Compact);
    tab.page()->runJavaScript(QStringLiteral("(function(){var s=new CSSStyleSheet();s.replaceSync(%1[0]);window[%2]=s;"
                                             "document.adoptedStyleSheets=document.adoptedStyleSheets.concat([s]);})()")
                                  .arg(QString::fromUtf8(quoted), QStringLiteral("'%1'").arg(name)),
                              QWebEngineScript::ApplicationWorld);
}

void drop_style(CTabBrowserWnd& tab, const QString& name)
{
    tab.page()->runJavaScript(QStringLiteral("(function(){var s=window['%1'];if(!s)return;delete window['%1'];"
                                             "document.adoptedStyleSheets=document.adoptedStyleSheets.filter("
                                             "function(x){return x!==s;});})()")
                                  .arg(name),
                              QWebEngineScript::ApplicationWorld);
}

// Where the top document is scrolled, as the page last told the memo layer (the engine's own
// scroll position stays 0 on a GPU-composited display).
QPoint top_scroll(CTabBrowserWnd& tab)
{
    const std::vector<DocumentView> docs = tab.layer()->documents();
    return docs.empty() ? QPoint() : docs.front().scroll;
}

// The top document's scroll once the memo layer agrees with the page about it: a page without
// memos is followed only while held, and may have scrolled before.
QPoint followed_scroll(CTabBrowserWnd& tab, const PageMetrics& m)
{
    wait_for([&] { return top_scroll(tab) == m.scroll; }, 3000);
    return top_scroll(tab);
}

// Scrolls the top document and waits until the engine shows the new position.
QPoint scroll_to(CTabBrowserWnd& tab, QPoint target, const PageMetrics& m)
{
    const QPoint clamped(std::clamp(target.x(), 0, std::max(0, m.document.width() - m.client.width())),
                         std::clamp(target.y(), 0, std::max(0, m.document.height() - m.client.height())));
    if (top_scroll(tab) == clamped)
        return clamped;
    PageSurface& surface = tab.layer()->surface();
    const QRect view(QPoint(0, 0), m.client);
    const QImage before = surface.grab_page(view);
    // The engine reports the new position before the view's picture follows: wait for the
    // picture to change too (a page that looks the same everywhere never changes, and the
    // wait's bound ends that case).
    tab.page()->runJavaScript(QStringLiteral("window.scrollTo({left:%1,top:%2,behavior:'instant'})")
                                  .arg(clamped.x())
                                  .arg(clamped.y()),
                              QWebEngineScript::ApplicationWorld);
    wait_for([&] { return top_scroll(tab) == clamped; }, 3000);
    wait_for([&] { return surface.grab_page(view) != before; }, 300);
    return top_scroll(tab);
}

} // namespace

bool wait_for(const std::function<bool()>& condition, int timeout_ms)
{
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, &loop, &QEventLoop::quit);
    tick.start();
    while (!condition()) {
        if (clock.elapsed() > timeout_ms)
            return false;
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return true;
}

QVariant run_script(CTabBrowserWnd& tab, const QString& script)
{
    bool done = false;
    QVariant result;
    QPointer<BrowserPage> page = tab.page();
    page->runJavaScript(script, QWebEngineScript::ApplicationWorld, [&](const QVariant& value) {
        result = value;
        done = true;
    });
    if (!wait_for([&] { return done || !page; }, 5000))
        return {};
    return result;
}

std::optional<PageMetrics> measure(CTabBrowserWnd& tab)
{
    const QVariantList v =
        run_script(tab, QStringLiteral("(function(){%1;var d=document.documentElement,b=document.body;"
                                       "var m=b?parseInt(getComputedStyle(b).marginTop)||0:0;var r=shownBox();"
                                       "return [Math.max(d.scrollWidth,b?b.scrollWidth:0),"
                                       "Math.max(d.scrollHeight,b?b.scrollHeight:0),Math.floor(r.width),"
                                       "Math.floor(r.height),Math.round(window.scrollX),Math.round(window.scrollY),m];})()")
                            .arg(QLatin1String(kShownBoxFunction)))
            .toList();
    if (v.size() != 7)
        return std::nullopt;
    PageMetrics m;
    m.document = {v[0].toInt(), v[1].toInt()};
    m.client = {v[2].toInt(), v[3].toInt()};
    m.scroll = {v[4].toInt(), v[5].toInt()};
    m.margin_y = v[6].toInt();
    if (m.document.isEmpty() || m.client.isEmpty())
        return std::nullopt;
    return m;
}

QImage capture_page(CTabBrowserWnd& tab, const QRect& area, bool sharp)
{
    g_last_tiles = 0;
    CLayerWnd* layer = tab.layer();
    if (!layer)
        return {};
    const WebPageSurface::Hold following(tab.memo_surface());
    const std::optional<PageMetrics> m = measure(tab);
    if (!m)
        return {};
    const QRect whole(QPoint(0, 0), m->document);
    const QRect target = area.isNull() ? whole : (area & whole);
    // The picture is put together from views of the page, so no side limit applies: only the
    // memory it takes (a page taller than a codec picture still prints and saves whole).
    const double scale = sharp ? layer->screen_scale() : 1.0;
    const QSize size(int(std::ceil(target.width() * scale)), int(std::ceil(target.height() * scale)));
    if (target.isEmpty() || qint64(size.width()) * size.height() > kMaxCapturePixels)
        return {};
    QImage image(size, QImage::Format_ARGB32);
    if (image.isNull())
        return {};
    image.fill(Qt::white);
    QPainter painter(&image);
    const QSize tile = m->client;
    const QPoint start_scroll = followed_scroll(tab, *m);
    QPoint scroll = start_scroll;
    for (int y = target.top(); y <= target.bottom(); y += tile.height()) {
        for (int x = target.left(); x <= target.right(); x += tile.width()) {
            const QRect piece = QRect(QPoint(x, y), tile) & target;
            // Scrolls only when the piece is not already in view, so a page that fits the view
            // is taken in one piece.
            if (!QRect(scroll, tile).contains(piece))
                scroll = scroll_to(tab, piece.topLeft(), *m);
            const QRect in_view = piece.translated(-scroll) & QRect(QPoint(0, 0), tile);
            const QImage shot = layer->picture_of(in_view, sharp);
            const QPoint at = in_view.topLeft() + scroll - target.topLeft();
            painter.drawImage(QPoint(int(std::lround(at.x() * scale)), int(std::lround(at.y() * scale))), shot);
            ++g_last_tiles;
        }
    }
    painter.end();
    if (scroll != start_scroll)
        scroll_to(tab, start_scroll, *m);
    return image;
}

int last_tile_count()
{
    return g_last_tiles;
}

EnlargedView::EnlargedView(CTabBrowserWnd& tab, int scale) : tab_(&tab), following_(tab.memo_surface())
{
    QWebEngineView* view = tab.view();
    zoom_ = view->zoomFactor();
    size_ = view->size();
    if (const std::optional<PageMetrics> m = measure(tab))
        scroll_ = followed_scroll(tab, *m);
    viewport_ = viewport(tab);
    const double ratio = view->devicePixelRatioF();
    // Whole screen pixels per page pixel, so the view's tiles meet without seams: at most what
    // keeps the view within kMaxSide, but twice in any case, and what the engine can zoom to.
    const double longest = std::max(size_.width(), size_.height()) / zoom_;  // page pixels
    const int fitting = std::max(2, int(kMaxSide / std::max(longest, 1.0)));
    const double zoom = std::min({scale, fitting, int(kMaxEngineZoom * ratio)}) / ratio;
    if (!viewport_ || zoom <= zoom_)
        return;
    cover_ = new QLabel(&tab);
    cover_->setPixmap(tab.grab());
    cover_->setGeometry(tab.rect());
    cover_->show();
    cover_->raise();
    // Scroll bars keep their screen pixels under zoom: they are given their width in page
    // pixels, or the page would lay itself out wider.
    const QSizeF bars(viewport_->inner.width() - viewport_->shown.width(),
                      viewport_->inner.height() - viewport_->shown.height());
    adopt_style(tab, QStringLiteral("marvoScrollBars"),
                QStringLiteral("::-webkit-scrollbar{width:%1px;height:%2px}").arg(bars.width()).arg(bars.height()));
    // The tab's layout would put the view back to its size.
    tab.layout()->setEnabled(false);
    view->setZoomFactor(zoom);
    view->resize((QSizeF(size_) * (zoom / zoom_)).toSize());
    settle(zoom);
}

EnlargedView::~EnlargedView()
{
    if (!cover_ || !tab_)
        return;
    CTabBrowserWnd& tab = *tab_;
    tab.view()->setZoomFactor(zoom_);
    tab.view()->resize(size_);
    tab.layout()->setEnabled(true);
    tab.layout()->activate();
    drop_style(tab, QStringLiteral("marvoScrollBars"));
    settle(zoom_);
    if (!tab_)
        return;
    if (const std::optional<PageMetrics> m = measure(tab))
        scroll_to(tab, scroll_, *m);
    delete cover_;
}

std::optional<EnlargedView::Viewport> EnlargedView::viewport(CTabBrowserWnd& tab)
{
    const QVariantList v = run_script(tab, QStringLiteral("(function(){%1;var r=shownBox();"
                                                          "return [devicePixelRatio,innerWidth,innerHeight,r.width,r.height];})()")
                                               .arg(QLatin1String(kShownBoxFunction)))
                               .toList();
    if (v.size() != 5 || v[1].toInt() <= 0)
        return std::nullopt;
    return Viewport{v[0].toDouble(), QSize(v[1].toInt(), v[2].toInt()), QSizeF(v[3].toDouble(), v[4].toDouble())};
}

void EnlargedView::settle(double zoom)
{
    const double ratio = tab_->view()->devicePixelRatioF() * zoom;
    // The zoom, the size and the scroll bars reach the page one after the other: a page
    // between them is laid out for another width.
    const bool shown = wait_for(
        [&] {
            if (!tab_)
                return true;
            const std::optional<Viewport> now = viewport(*tab_);
            // (Within a pixel: a view enlarged by a fraction rounds its size.)
            return now && std::abs(now->ratio - ratio) < 0.01 &&
                   std::abs(now->inner.width() - viewport_->inner.width()) <= 1 &&
                   std::abs(now->inner.height() - viewport_->inner.height()) <= 1 &&
                   std::abs(now->shown.width() - viewport_->shown.width()) <= 1 &&
                   std::abs(now->shown.height() - viewport_->shown.height()) <= 1;
        },
        10000);
    if (!shown || !tab_)
        return;
    // The page has laid itself out anew, but the view may still show an earlier frame: a mark
    // in its corner, put there now and taken away, tells when the frames since have arrived.
    const auto corner_shows_mark = [this] {
        QWidget* input = tab_ ? tab_->view()->focusProxy() : nullptr;
        return input && input->grab(QRect(0, 0, 1, 1)).toImage().pixelColor(0, 0) == kMarkColour;
    };
    for (const bool mark : {true, false}) {
        if (mark)
            adopt_style(*tab_, QStringLiteral("marvoMark"),
                        QStringLiteral("html::before{content:'';position:fixed;left:0;top:0;width:4px;height:4px;"
                                       "z-index:2147483647;background:%1}")
                            .arg(kMarkColour.name()));
        else
            drop_style(*tab_, QStringLiteral("marvoMark"));
        if (!wait_for([&] { return !tab_ || corner_shows_mark() == mark; }, 5000) || !tab_)
            return;
    }
}

} // namespace page_output
