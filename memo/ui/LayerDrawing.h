#pragma once

#include <QImage>
#include <QRect>
#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "memo/MemoImage.h"
#include "memo/MemoObject.h"
#include "memo/MemoPackage.h"
#include "memo/Repainter.h"
#include "memo/ui/PageSurface.h"
#include "memo/ui/QtCanvas.h"

// How the layer draws the memos of a page's documents into its buffers, on the user-interface
// thread or on the thread of a BackgroundDrawing: each thread brings its own tools.

// A document and the package drawn over it (null for none).
struct DrawnDocument {
    DocumentView view;
    memo::MemoPackage* package = nullptr;
};

// What one thread draws with: canvases and scratch images are used by one thread only.
struct DrawTools {
    memo::MemoImage& scratch1;
    memo::MemoImage& scratch2;
    memo::QtCanvasFactory& canvases;
    memo::Repainter& repainter;
    const memo::StampList* stamps = nullptr;
    const std::atomic<bool>* cancelled = nullptr;  // ends the drawing between objects once set
};

// The page's pixels under the effects, at the screen's resolution, and the layer area they
// show.
struct PagePixels {
    QImage image;
    QRect area;
};

// Draws after each document's memos (a tool's feedback); may be empty.
using DrawFeedback = std::function<void(memo::DrawContext&, const DocumentView&)>;

// The pixels of a buffer that a layer area covers when a layer pixel is scale pixels of it:
// rectangles grow to whole pixels.
QRect device_rect(const QRect& area, qreal scale);

// The page's pixels of area into target, opaque, from a picture of the page whose top-left is
// at origin.
void copy_page_into(memo::MemoImage& target, const QRect& area, const QImage& page, QPoint origin);

// The documents' memos within a layer area into target, scale pixels of it to a layer pixel,
// the layer's top row at row top of the target. Returns how many objects were drawn as
// outlines for want of budget.
int draw_documents(memo::MemoImage& target, const QRect& area, qreal scale, int top,
                   const std::vector<DrawnDocument>& docs, DrawTools& tools, const DrawFeedback& feedback);

// The memos alone, premultiplied over transparency, into black within device_rect(area) moved
// down by top; white is the second drawing (see the definition). Effects (layer areas) show
// the page's pixels under them, which must cover them. Returns the objects drawn as outlines.
int draw_premultiplied(memo::MemoImage& black, memo::MemoImage& white, const QRect& area, qreal scale, int top,
                       const std::vector<DrawnDocument>& docs, const std::vector<QRect>& effects,
                       const PagePixels& page, DrawTools& tools, const DrawFeedback& feedback);

// What one drawing of the documents' memos within area costs, in the units of the drawing
// budget, without drawing: the work an object would do is weighed, not done. target only
// gives the drawing its size.
std::int64_t drawing_cost(memo::MemoImage& target, const QRect& area, qreal scale,
                          const std::vector<DrawnDocument>& docs, DrawTools& tools);
