#pragma once

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "memo/ui/LayerDrawing.h"

// Draws a layer's memos on a thread of its own, for packages whose drawing would hold up the
// window: the window keeps answering input and shows the last finished picture meanwhile. The
// drawing works on copies of the packages, so the user and the sharing server may change the
// packages meanwhile. A request replaces one that has not started; one being drawn is finished,
// unless the drawing is destroyed (its tab closed), which ends it at the next object.
// The drawing threads run at a lower priority than the window's, which answers input first.
class BackgroundDrawing : public QObject {
    Q_OBJECT
public:
    // Copies of the packages, one per document (null where a document has none). Only the
    // drawing thread touches them: drawing fills caches that objects keep.
    using Packages = std::vector<std::unique_ptr<memo::MemoPackage>>;

    struct Request {
        std::shared_ptr<Packages> packages;
        std::vector<DocumentView> docs;
        QSize layer_size;
        qreal scale = 1.0;  // screen pixels per layer pixel
        std::vector<QRect> effects;
        PagePixels page;
        std::uint64_t serial = 0;  // the caller's number for it, given back with the picture
    };
    struct Picture {
        QImage memos;  // premultiplied, the whole layer at the screen's resolution
        std::vector<DocumentView> docs;  // as they were when it was requested
        qreal scale = 1.0;
        int outlined = 0;  // objects drawn as outlines for want of budget
        std::uint64_t serial = 0;  // of the request it was drawn for
    };

    explicit BackgroundDrawing(const memo::StampList* stamps);
    ~BackgroundDrawing() override;

    void request(Request request);

signals:
    // A picture is finished (delivered on the object's own thread).
    void finished(const BackgroundDrawing::Picture& picture);

private:
    void run();
    Picture draw(const Request& request, memo::Repainter& repainter);

    const memo::StampList* stamps_;
    memo::MemoImage black_;
    memo::MemoImage white_;
    memo::MemoImage scratch1_;
    memo::MemoImage scratch2_;
    memo::QtCanvasFactory canvases_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<Request> pending_;  // guarded by mutex_
    bool stopping_ = false;           // guarded by mutex_
    std::atomic<bool> cancelled_ = false;
    std::thread thread_;
};
