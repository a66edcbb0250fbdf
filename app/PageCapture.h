#pragma once

#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QSizeF>
#include <QVariant>
#include <functional>
#include <optional>

#include "app/WebPageSurface.h"

class CTabBrowserWnd;
class QLabel;

// Pictures of a whole page with its memos, put together from views of it: the page is
// scrolled a view at a time and each view taken with the memos over it.
namespace page_output {

// Runs the event loop (without user input) until the condition holds or the time is up.
bool wait_for(const std::function<bool()>& condition, int timeout_ms);
// The result of a script run in the page's application world; invalid after 5 s.
QVariant run_script(CTabBrowserWnd& tab, const QString& script);

// The most pixels one page picture may hold (2^28, 1 GiB in memory); a larger page gives none.
constexpr qint64 kMaxCapturePixels = qint64(1) << 28;
// The whole document (scroll width x scroll height) with its memos, or the part of it inside
// `area` (document coordinates) when that is not null. A page larger than the view is walked
// in tiles of the view's size. One pixel per page pixel, or when `sharp` at the screen's
// pixels (see EnlargedView). Null when the page cannot be measured.
QImage capture_page(CTabBrowserWnd& tab, const QRect& area = {}, bool sharp = false);
// Number of tiles the last capture grabbed (1 when the page fitted the view).
int last_tile_count();

struct PageMetrics {
    QSize document;  // scroll width x scroll height
    QSize client;    // the part of the view the page shows
    QPoint scroll;
    int margin_y = 0;
};
std::optional<PageMetrics> measure(CTabBrowserWnd& tab);

// Shows a tab's page enlarged for as long as it lives, laid out as before: the view grows by
// the factor and its zoom with it, so the page keeps its viewport in page pixels and the
// engine renders it that much sharper (a print at the printer's resolution). A picture of the
// tab as it was covers it meanwhile. The zoom, the size and the scroll position come back
// when it goes.
class EnlargedView {
public:
    // `scale`: screen pixels wanted per page pixel, held within what the engine can zoom to
    // and a view of at most kMaxSide screen pixels a side (the memo layer's buffers grow with
    // it), though never below 2.
    EnlargedView(CTabBrowserWnd& tab, int scale);
    ~EnlargedView();
    EnlargedView(const EnlargedView&) = delete;
    EnlargedView& operator=(const EnlargedView&) = delete;

    static constexpr double kMaxSide = 4096;
    static constexpr double kMaxEngineZoom = 5.0;

private:
    // What the page sees of its view, in page pixels.
    struct Viewport {
        double ratio;  // screen pixels per page pixel
        QSize inner;   // with the scroll bars
        QSizeF shown;  // without them
    };
    static std::optional<Viewport> viewport(CTabBrowserWnd& tab);
    // Waits until the page shows the zoom with the viewport it had, then for the frame that
    // shows it.
    void settle(double zoom);

    QPointer<CTabBrowserWnd> tab_;
    WebPageSurface::Hold following_;  // the scroll it comes back to is read while it lives
    QPointer<QLabel> cover_;  // a child of the tab, which may go first
    double zoom_ = 1.0;
    QSize size_;
    QPoint scroll_;
    std::optional<Viewport> viewport_;
};

} // namespace page_output
