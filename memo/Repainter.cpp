#include "memo/Repainter.h"

#include <algorithm>
#include <limits>

namespace memo {

namespace {

// Below this many rows a second thread costs more than it saves.
constexpr std::int64_t kMinSplitRows = 64;

Rect bounding_rect(const Region& region)
{
    Rect bounds;
    for (const Rect& r : region.rects)
        bounds = bounds.united(r);
    return bounds;
}

} // namespace

Repainter::Repainter(std::unique_ptr<CanvasFactory> helper_canvases)
    : helper_canvases_(std::move(helper_canvases)), helper_([this] { run_helper(); })
{
}

Repainter::~Repainter()
{
    {
        const std::lock_guard hold(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    helper_.join();
}

void Repainter::release_canvases()
{
    helper_canvases_->release();
}

void Repainter::run_helper()
{
    std::unique_lock hold(mutex_);
    for (;;) {
        wake_.wait(hold, [this] { return stopping_ || job_; });
        if (stopping_)
            return;
        hold.unlock();
        job_();
        hold.lock();
        job_ = nullptr;
        done_.notify_all();
    }
}

void Repainter::draw_objects(MemoPackage& package, std::size_t first, std::size_t end, DrawContext& ctx)
{
    ctx.canvases.canvas_for(ctx.target).set_clip(ctx.update);
    for (std::size_t i = first; i < end && !(ctx.cancelled && *ctx.cancelled); ++i)
        package.at(i).draw(ctx);
}

void Repainter::draw(MemoPackage& package, DrawContext& ctx)
{
    const Rect bounds = bounding_rect(ctx.update);
    if (bounds.height() < kMinSplitRows) {
        draw_objects(package, 0, package.size(), ctx);
        return;
    }
    const std::int32_t middle = std::int32_t(bounds.top + bounds.height() / 2);
    constexpr std::int32_t kFar = std::numeric_limits<std::int32_t>::max();
    DrawContext upper{ctx.target,  ctx.scratch1,  ctx.scratch2,
                      ctx.update.intersected({-kFar, -kFar, kFar, middle}),
                      ctx.offset,  ctx.canvases,  ctx.stamps, ctx.missing_stamp_pen};
    DrawContext lower{ctx.target,  helper_scratch1_,  helper_scratch2_,
                      ctx.update.intersected({-kFar, middle, kFar, kFar}),
                      ctx.offset,  *helper_canvases_, ctx.stamps, ctx.missing_stamp_pen};

    upper.scale = lower.scale = ctx.scale;
    upper.cancelled = lower.cancelled = ctx.cancelled;

    // Each thread may spend what is left of the budget: they run side by side, so either
    // bounds the time. What is left afterwards is what the thread that spent more left.
    auto draw_both_halves = [&](std::size_t first, std::size_t end) {
        if (first == end)
            return;
        upper.budget = lower.budget = ctx.budget;
        upper.over_budget = lower.over_budget = 0;
        {
            const std::lock_guard hold(mutex_);
            job_ = [&, first, end] { draw_objects(package, first, end, lower); };
        }
        wake_.notify_all();
        draw_objects(package, first, end, upper);
        std::unique_lock hold(mutex_);
        done_.wait(hold, [this] { return !job_; });
        ctx.budget = std::min(upper.budget, lower.budget);
        ctx.over_budget += upper.over_budget + lower.over_budget;
    };

    std::size_t first = 0;
    for (std::size_t i = 0; i < package.size(); ++i) {
        if (package.at(i).kind() != MemoKind::Effect)
            continue;
        draw_both_halves(first, i);
        draw_objects(package, i, i + 1, ctx);
        first = i + 1;
    }
    draw_both_halves(first, package.size());
    ctx.canvases.canvas_for(ctx.target).set_clip(ctx.update);
}

} // namespace memo
