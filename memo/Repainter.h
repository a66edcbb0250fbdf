#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "memo/MemoObject.h"
#include "memo/MemoPackage.h"

namespace memo {

// Draws a package's objects into a window surface on two threads: the calling thread draws
// the upper half of the update region while a helper thread draws the lower half. A full
// repaint blends millions of pixels, and a desktop has more than one core.
//
// Objects draw the same pixels whichever half they are drawn in, so the picture is the one a
// single thread would draw (for a package within its drawing budget; past it, an object may
// be drawn in one half and outlined in the other). Region effects read pixels from all of their area: the objects
// under an effect are finished in both halves before the effect is drawn by the calling
// thread over the whole region.
class Repainter {
public:
    // The helper's own canvases: a canvas is used by one thread only.
    explicit Repainter(std::unique_ptr<CanvasFactory> helper_canvases);
    ~Repainter();
    Repainter(const Repainter&) = delete;
    Repainter& operator=(const Repainter&) = delete;

    // Every object of the package in order, into ctx.target inside ctx.update; the target's
    // canvas clip is left set to ctx.update. ctx.budget comes back with what is left of it,
    // ctx.over_budget grown by the objects drawn as outlines for want of it.
    void draw(MemoPackage& package, DrawContext& ctx);
    // Call with the callers' own CanvasFactory::release, after re-creating images.
    void release_canvases();

private:
    void draw_objects(MemoPackage& package, std::size_t first, std::size_t end, DrawContext& ctx);
    void run_helper();

    std::unique_ptr<CanvasFactory> helper_canvases_;
    MemoImage helper_scratch1_;
    MemoImage helper_scratch2_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::function<void()> job_; // guarded by mutex_; empty when the helper is idle
    bool stopping_ = false;     // guarded by mutex_
    std::thread helper_;
};

} // namespace memo
