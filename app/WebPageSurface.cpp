#include "app/WebPageSurface.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include <QCoreApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QQuickWidget>
#include <QQuickWindow>
#include <QTimer>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include "app/BrowserPage.h"
#include "app/MarvoApp.h"
#include "app/PageLoadEnd.h"
#include "app/PageQuestion.h"
#include "app/TabBrowserWnd.h"
#include "memo/ui/LayerWnd.h"
#include "platform/PageAddress.h"
#include "platform/QtText.h"
#include "platform/ScrollMarks.h"

namespace {

// Same-origin frame documents, depth first, with their viewports in top-level viewport
// coordinates (inside borders and padding) and their scroll positions. Cross-origin frames
// cannot be read and are left out.
const char* const kFramesScript = R"JS(
(function () {
  var out = [];
  function walk(win, ox, oy, depth) {
    if (depth > 8) return;
    var list;
    try { list = win.document.querySelectorAll('iframe,frame'); } catch (e) { return; }
    for (var i = 0; i < list.length; i++) {
      var f = list[i], w = null, href = null;
      try { w = f.contentWindow; href = w.location.href; w.document; } catch (e) { continue; }
      if (!w || !href) continue;
      var r = f.getBoundingClientRect();
      var cs = win.getComputedStyle(f);
      var x = ox + r.left + f.clientLeft + (parseFloat(cs.paddingLeft) || 0);
      var y = oy + r.top + f.clientTop + (parseFloat(cs.paddingTop) || 0);
      out.push([href, Math.round(x), Math.round(y), f.clientWidth, f.clientHeight,
                Math.round(w.scrollX), Math.round(w.scrollY)]);
      walk(w, x, y, depth + 1);
    }
  }
  walk(window, 0, 0, 0);
  return out;
})()
)JS";

// Whether the top document has frames at all: most pages have none, and are then not asked
// where they are. 1 when it has, 0 when it has none, -1 while it is still being parsed and may
// get some (the end of its load is not always reported).
const char* const kHasFramesScript =
    "document.querySelector('iframe,frame') !== null ? 1 : document.readyState === 'loading' ? -1 : 0";

// False when the document has no body or an element's style attribute uses the legacy
// "DXImageTransform" filters, which the single-buffered drawing was kept for.
const char* const kRendersApartScript = R"JS(
(function () {
  if (!document.body) return false;
  var all = document.querySelectorAll('[style]');
  for (var i = 0; i < all.length; i++)
    if ((all[i].getAttribute('style') || '').indexOf('DXImageTransform') >= 0) return false;
  return true;
})()
)JS";

} // namespace

WebPageSurface::WebPageSurface(CTabBrowserWnd& tab) : QObject(&tab), tab_(tab)
{
    layer_ = new CLayerWnd(*this);
    layer_->on_left_release = [this] { tab_.record_left_release(); };
    QWebEnginePage* page = tab.page();
    // The layer is the context: nothing reaches it once the view has taken it down.
    connect(&tab.load_end(), &PageLoadEnd::started, this, [this] {
        document_ready_ = document_shown_ = false;
        marks_asked_ = marked_ = scrolled_ = false;
        palette_.reset();
        // A discarded page never answers what was asked of it before: ask anew.
        scroll_query_pending_ = frames_pending_ = false;
    });
    connect(layer_, &CLayerWnd::drawing_cut_short, this, [this](int objects) {
        emit tab_.statusTextChanged(
            QCoreApplication::translate("WebPageSurface", "このページのメモのうち %1 個は描くのに時間がかかりすぎるため、枠だけを表示しています")
                .arg(objects));
    });
    connect(&tab.load_end(), &PageLoadEnd::ended, layer_, [this] {
        document_shown_ = true;
        expect_scroll();  // to where the page was, or its anchor
        marks_asked_ = false;  // asked of the document that was going, perhaps
        QPointer<CLayerWnd> layer(layer_);
        ask_page(*tab_.page(), QString::fromLatin1(kRendersApartScript), [layer](const QVariant& apart) {
            if (layer)
                layer->set_page_renders_apart(apart.toBool());
        });
        refresh_frames();
        follow_presented_frames();
        layer_->refresh();
        apply_width_lock();
    });
    connect(page, &QWebEnginePage::urlChanged, layer_, [this] {
        expect_scroll();  // an anchor in the same document
        ++address_changes_;
        frames_.clear();
        top_scroll_ = told_scroll_ = {};
        check_layer();
        apply_width_lock();
        layer_->deselect();
        layer_->update_unless_blank();
    });
    connect(page, &QWebEnginePage::scrollPositionChanged, this, &WebPageSurface::query_scroll);
    connect(page, &QWebEnginePage::findTextFinished, this, &WebPageSurface::expect_scroll);
    tab.view()->installEventFilter(this);
    follow_presented_frames();
    frame_poll_.setInterval(250);
    connect(&frame_poll_, &QTimer::timeout, this, &WebPageSurface::refresh_frames);
    scroll_recheck_.setSingleShot(true);
    scroll_recheck_.setInterval(kScrollRecheckMs);
    connect(&scroll_recheck_, &QTimer::timeout, this, &WebPageSurface::query_scroll);
}

// The layer lives on the view, which may outlast this surface: a view made again after a
// discard is deleted after it, and the layer would then watch its last events with this
// surface gone.
WebPageSurface::~WebPageSurface()
{
    delete layer_.data();
}

void WebPageSurface::detach_from_view()
{
    if (layer_)
        layer_->setParent(&tab_);  // which hides it
}

// As the layer's own set-up does, in the same order: the layer's filter sees the view's
// events after the surface's.
void WebPageSurface::attach_to_view()
{
    QWebEngineView* view = tab_.view();
    if (layer_) {
        layer_->setParent(view);
        view->installEventFilter(layer_);
        layer_->setGeometry(view->rect());
        layer_->raise();
        layer_->show();
    }
    view->installEventFilter(this);
    follow_presented_frames();
}

bool WebPageSurface::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == watched_input_ && may_scroll(*event))
        expect_scroll();
    if (watched == tab_.view() && event->type() == QEvent::Resize)
        expect_scroll();  // the page keeps what was in view, at another scroll
    if (watched == tab_.view() && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        refresh_frames();
    if (watched == tab_.view() && event->type() == QEvent::ChildAdded)
        QTimer::singleShot(0, this, [this] { follow_presented_frames(); });
    return false;
}

bool WebPageSurface::may_scroll(const QEvent& input)
{
    switch (input.type()) {
    case QEvent::Wheel:
    case QEvent::KeyPress:  // arrows and pages, or typing that brings the caret into view
    case QEvent::MouseButtonPress:  // the scroll bar, a selection dragged past the edge
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
        return true;
    case QEvent::MouseMove:
        return static_cast<const QMouseEvent&>(input).buttons() != Qt::NoButton;
    default:
        return false;
    }
}

void WebPageSurface::follow_presented_frames()
{
    auto* quick = qobject_cast<QQuickWidget*>(input_widget());
    if (quick && quick != watched_input_) {
        if (watched_input_)
            watched_input_->removeEventFilter(this);
        watched_input_ = quick;
        quick->installEventFilter(this);
    }
    QQuickWindow* window = quick && following_ && layer_ ? quick->quickWindow() : nullptr;
    if (window == presented_window_)
        return;
    if (presented_window_) {
        if (layer_)
            disconnect(presented_window_.data(), nullptr, layer_.data(), nullptr);
        disconnect(presented_window_.data(), nullptr, this, nullptr);
    }
    presented_window_ = window;
    if (!window)
        return;
    // Direct: the frame is read while it is still the one just rendered, and the layer tells
    // the frames its own read-back of the page makes from the engine's.
    connect(window, &QQuickWindow::afterRendering, this, [this, window] { read_presented_scroll(*window); },
            Qt::DirectConnection);
    connect(window, &QQuickWindow::afterRendering, layer_, &CLayerWnd::page_presented, Qt::DirectConnection);
    connect(window, &QQuickWindow::afterRendering, this, &WebPageSurface::follow_frame, Qt::QueuedConnection);
}

QWidget* WebPageSurface::host() const
{
    return tab_.view();
}

QWidget* WebPageSurface::input_widget() const
{
    return tab_.view() ? tab_.view()->focusProxy() : nullptr;
}

std::vector<DocumentView> WebPageSurface::documents() const
{
    std::vector<DocumentView> docs;
    const QUrl url = tab_.LocationURL();
    if (url.isEmpty())
        return docs;
    const double zoom = this->zoom();
    // The view fills the tab; a discarded tab has none.
    const QSize area = tab_.view() ? tab_.view()->size() : tab_.size();
    const QSize shown(int(std::ceil(area.width() / zoom)), int(std::ceil(area.height() / zoom)));
    docs.push_back({platform::model_url(url), QRect(QPoint(), shown), top_scroll_});
    docs.insert(docs.end(), frames_.begin(), frames_.end());
    return docs;
}

double WebPageSurface::zoom() const
{
    return tab_.page()->zoomFactor();
}

QImage WebPageSurface::grab_page(const QRect& area)
{
    // The zoomed page's own pixels: the layer scales them to what it needs.
    if (QWidget* input = input_widget()) {
        const double z = zoom();
        const QRect zoomed(QPoint(int(std::lround(area.x() * z)), int(std::lround(area.y() * z))),
                           QSize(int(std::lround(area.width() * z)), int(std::lround(area.height() * z))));
        QImage page = input->grab(zoomed).toImage();
        cover_scroll_marks(page, zoomed.x());
        return page;
    }
    QImage blank(area.size(), QImage::Format_RGB32);
    blank.fill(Qt::white);
    return blank;
}

void WebPageSurface::cover_scroll_marks(QImage& page, int left) const
{
    if (!marks_asked_ || page.isNull())
        return;
    // The marks' device columns in the picture, covered with the page's column beside them.
    // Where they would be unscrolled: the picture of one frame stays the same whatever the
    // script side said meanwhile (a capture waits for the picture to change after a scroll).
    const double ratio = page.devicePixelRatio(), z = zoom();
    const int from = std::max(0, int(std::floor(-left * ratio)));
    const int to = int(std::ceil((z - left) * ratio));
    if (to <= from || to >= page.width())
        return;
    if (page.depth() != 32)
        page = page.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < page.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(page.scanLine(y));
        std::fill(row + from, row + to, row[to]);
    }
}

void WebPageSurface::navigate(const std::string& url)
{
    tab_.Navigate(platform::url_from_model(url));
}

void WebPageSurface::scroll_to(QPoint position)
{
    tab_.page()->runJavaScript(QStringLiteral("window.scrollTo(%1, %2)").arg(position.x()).arg(position.y()),
                                       QWebEngineScript::ApplicationWorld);
}

void WebPageSurface::open_document(const QString& path)
{
    // Not from inside the drop: opening may ask questions (merge or replace) in a dialog.
    QTimer::singleShot(0, &theApp(), [path] { theApp().OpenDocument(path); });
}

int WebPageSurface::text_size() const
{
    return tab_.font_size();
}

void WebPageSurface::set_text_size(int size)
{
    // A page shown at its memos' size leaves the program's own size as it was.
    int& program = theApp().settings().fontsize;
    const int kept = program;
    tab_.SetFontSize(size);
    program = kept;
}

void WebPageSurface::restore_text_size()
{
    const int program = theApp().settings().fontsize;
    if (tab_.font_size() != program)
        tab_.SetFontSize(program);
}

memo::PackageCache::PackagePtr WebPageSurface::memos() const
{
    const QUrl url = tab_.LocationURL();
    if (url.isEmpty() || !layer_)
        return nullptr;
    auto pkg = layer_->package(platform::model_url(url), false);
    return pkg && !pkg->empty() ? pkg : nullptr;
}

int WebPageSurface::locked_width() const
{
    const auto pkg = memos();
    return pkg ? std::max(pkg->width, 0) : 0;
}

void WebPageSurface::apply_width_lock()
{
    tab_.setMinimumWidth(std::min(int(std::lround(locked_width() * zoom())), 16384));
}

void WebPageSurface::layer_has_work(bool work)
{
    if (std::exchange(layer_work_, work) != work)
        follow_or_rest();
}

void WebPageSurface::check_layer()
{
    layer_has_work(layer_ && layer_->has_work());
}

// Woken, the page is asked at once where it is scrolled and where its frames are, so that the
// first stroke of a tool just picked lands where it is drawn.
void WebPageSurface::follow_or_rest()
{
    const bool follow = layer_work_ || holds_ > 0;
    if (follow == following_)
        return;
    following_ = follow;
    follow_presented_frames();
    if (follow) {
        query_scroll();
        refresh_frames();
    } else {
        scroll_recheck_.stop();
    }
}

WebPageSurface::Hold::Hold(WebPageSurface& surface) : surface_(&surface)
{
    ++surface.holds_;
    surface.follow_or_rest();
}

WebPageSurface::Hold::~Hold()
{
    if (!surface_)
        return;
    --surface_->holds_;
    surface_->follow_or_rest();
}

void WebPageSurface::follow_frame()
{
    if (document_ready_ && !document_shown_) {
        document_shown_ = true;
        if (layer_)
            layer_->update_unless_blank();
    }
    // Only a page with memos is marked: elsewhere nothing needs to follow its frames.
    if (!marks_asked_ && memos()) {
        marks_asked_ = true;
        tab_.page()->runJavaScript(scroll_marks::script(), QWebEngineScript::ApplicationWorld);
    }
    query_scroll();
    // A scroll by the wheel, the keys or the scroll bar is presented before the page's script
    // side knows of it, and then no frame may follow to ask again: the last frame is asked
    // about once more.
    scroll_recheck_.start();
    // Frames scroll on their own: their places follow every frame the page presents.
    if (!frames_.empty() && !frames_pending_)
        refresh_frames();
}

void WebPageSurface::read_presented_scroll(QQuickWindow& window)
{
    QWebEngineView* view = tab_.view();
    // A page at rest presents no frames: the first after a rest may be a script's timer
    // scrolling it, which nothing else would tell in time.
    const bool after_rest = !last_presented_.isValid() || last_presented_.hasExpired(kRestMs);
    last_presented_.start();
    if (!palette_ || !layer_ || !view)
        return;
    // A scroll goes on in the frame after one that scrolled, however long that frame took.
    if (reading_.hasExpired() && !scrolled_ && !after_rest) {
        marked_ = false;  // the script side tells where a page at rest is
        return;
    }
    // The frame before is nearer than the script side, which may be far behind a wheel.
    const int near = marked_ ? top_scroll_.y() : told_scroll_.y();
    const std::optional<int> y = presented_scroll_.read(window, view->devicePixelRatioF() * zoom(), near, *palette_);
    // Without marks (hidden from this frame), the script side's answer that follows it places
    // the memos.
    marked_ = readable_ = y.has_value();
    scrolled_ = y && *y != top_scroll_.y();
    if (!scrolled_)
        return;
    expect_scroll();
    // Repainted now, the memos reach the screen with this very frame.
    top_scroll_.setY(*y);
    if (frames_.empty())
        layer_->top_scrolled();
    else
        layer_->update();
}

bool WebPageSurface::present_again()
{
    auto* window = qobject_cast<QQuickWindow*>(presented_window_.data());
    if (!window || !palette_ || !readable_ || !PresentedScroll::readable(*window))
        return false;
    window->update();
    return true;
}

void WebPageSurface::expect_scroll()
{
    reading_.setRemainingTime(kReadForMs);
}

void WebPageSurface::query_scroll()
{
    if (!following_)
        return;
    if (scroll_query_pending_) {
        scroll_query_again_ = true;
        return;
    }
    scroll_query_pending_ = true;
    QPointer<WebPageSurface> self(this);
    tab_.page()->runJavaScript(QStringLiteral("[window.scrollX, window.scrollY, "
                                                      "document.readyState !== 'loading', location.href, %1]")
                                           .arg(scroll_marks::palette_query()),
                                       QWebEngineScript::ApplicationWorld, [self](const QVariant& result) {
                                           if (!self)
                                               return;
                                           self->scroll_query_pending_ = false;
                                           if (!result.isValid()) {
                                               self->scroll_query_again_ = false;  // the page is going
                                               return;
                                           }
                                           const QVariantList xy = result.toList();
                                           QPoint scroll = xy.size() == 5 ? QPoint(qRound(xy[0].toDouble()),
                                                                                   qRound(xy[1].toDouble()))
                                                                           : QPoint();
                                           // A script's scroll, or marks in new colours:
                                           // the frames that follow are read.
                                           const auto palette = self->marks_asked_ && xy.size() == 5
                                                                    ? scroll_marks::palette_from(xy[4])
                                                                    : std::nullopt;
                                           if (scroll != self->told_scroll_ || palette != self->palette_)
                                               self->expect_scroll();
                                           if (palette != self->palette_)
                                               self->readable_ = true;
                                           self->told_scroll_ = scroll;
                                           self->palette_ = palette;
                                           // The frame on screen says better where it is, but
                                           // not after a jump of more than the marks' repeat.
                                           // Unread, it is rendered again and read: the script
                                           // side runs a frame or two ahead of the screen.
                                           if (self->marked_)
                                               scroll.setY(scroll_marks::nearest_repeat(self->top_scroll_.y(),
                                                                                        scroll.y()));
                                           else if (scroll.y() != self->top_scroll_.y() && self->present_again())
                                               scroll.setY(self->top_scroll_.y());
                                           // The empty document a navigation starts from is
                                           // complete too: only the page's own counts.
                                           const bool shown =
                                               xy.size() == 5 && xy[2].toBool() &&
                                               QUrl(xy[3].toString()).adjusted(QUrl::RemoveFragment) ==
                                                   self->tab_.LocationURL().adjusted(QUrl::RemoveFragment);
                                           if (scroll != self->top_scroll_ || shown != self->document_shown_) {
                                               const bool only_scrolled = shown == self->document_shown_;
                                               self->top_scroll_ = scroll;
                                               // Shown from the next frame the page presents.
                                               self->document_ready_ = self->document_ready_ || shown;
                                               if (self->layer_ && only_scrolled && self->frames_.empty())
                                                   self->layer_->top_scrolled();
                                               else if (self->layer_)
                                                   self->layer_->update_unless_blank();
                                               if (!self->frames_.empty())
                                                   self->refresh_frames();
                                           }
                                           if (std::exchange(self->scroll_query_again_, false))
                                               self->query_scroll();
                                       });
}

// Only a page that shows is asked: a tab behind others looks at its frames again when it comes
// back (its view's Show event), however the question came (the poll, a resize, a zoom, a scroll answer).
void WebPageSurface::refresh_frames()
{
    if (!tab_.view() || !tab_.view()->isVisible()) {
        frame_poll_.stop();
        return;
    }
    frames_pending_ = true;
    if (!frames_.empty()) {
        read_frames();
        return;
    }
    // A page that says it has no frames when it has only hides the memos of its own frames.
    QPointer<WebPageSurface> self(this);
    const int asked = address_changes_;
    ask_page(*tab_.page(), QString::fromLatin1(kHasFramesScript), [self, asked](const QVariant& has_frames) {
        if (!self || self->asked_again(asked))
            return;
        const int answer = has_frames.toInt();
        if (answer > 0) {
            self->read_frames();
            return;
        }
        self->take_frames({});
        if (answer < 0)
            self->frame_poll_.start();  // asked again until the document is parsed
    });
}

void WebPageSurface::read_frames()
{
    QPointer<WebPageSurface> self(this);
    const int asked = address_changes_;
    tab_.page()->runJavaScript(QString::fromLatin1(kFramesScript), QWebEngineScript::ApplicationWorld,
                               [self, asked](const QVariant& result) {
                                   if (!self || self->asked_again(asked))
                                       return;
                                   std::vector<DocumentView> frames;
                                   for (const QVariant& item : result.toList()) {
                                       const QVariantList f = item.toList();
                                       if (f.size() != 7)
                                           continue;
                                       frames.push_back({platform::model_url(QUrl(f[0].toString())),
                                                         QRect(f[1].toInt(), f[2].toInt(), f[3].toInt(), f[4].toInt()),
                                                         QPoint(f[5].toInt(), f[6].toInt())});
                                   }
                                   self->take_frames(std::move(frames));
                               });
}

// An answer from the document before the address changed is no answer for this one (a
// question asked as a load ended may be answered after the next navigation has committed, and
// that navigation's own load end may never be reported): the new document is asked.
bool WebPageSurface::asked_again(int asked_at)
{
    if (asked_at == address_changes_)
        return false;
    refresh_frames();
    return true;
}

void WebPageSurface::take_frames(std::vector<DocumentView> frames)
{
    const bool changed = frames != frames_;
    frames_ = std::move(frames);
    frames_pending_ = false;
    if (changed)
        check_layer();
    if (frames_.empty())
        frame_poll_.stop();
    else if (!frame_poll_.isActive())
        frame_poll_.start();
    if (changed && layer_)
        layer_->update_unless_blank();
}
