#include "memo/ui/LayerDrawing.h"

#include <cmath>

#include "memo/PixelRows.h"

namespace {

memo::Rect to_rect(const QRect& r)
{
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

// A document's context for drawing its memos within a layer area (clip, in the layer's pixels).
memo::DrawContext context_for(memo::MemoImage& target, const QRect& clip, qreal scale, int top,
                              const DocumentView& doc, DrawTools& tools)
{
    const memo::Point o = doc.offset();
    const memo::Point offset{int(std::lround(o.x * scale)), int(std::lround(o.y * scale)) + top};
    const memo::Region region(to_rect(device_rect(clip, scale).translated(0, top)));
    memo::DrawContext ctx{target, tools.scratch1, tools.scratch2, region, offset, tools.canvases, tools.stamps};
    ctx.scale = scale;
    ctx.cancelled = tools.cancelled;
    ctx.missing_stamp_pen.width = ctx.length(ctx.missing_stamp_pen.width);
    return ctx;
}

} // namespace

QRect device_rect(const QRect& area, qreal scale)
{
    if (scale == 1.0)
        return area;
    const QPoint top_left(int(std::floor(area.left() * scale)), int(std::floor(area.top() * scale)));
    const QPoint end(int(std::ceil((area.right() + 1) * scale)), int(std::ceil((area.bottom() + 1) * scale)));
    return QRect(top_left, end - QPoint(1, 1));
}

void copy_page_into(memo::MemoImage& target, const QRect& area, const QImage& page, QPoint origin)
{
    const QRect part = area & QRect(origin, page.size());
    for (int y = part.top(); y <= part.bottom(); ++y) {
        const auto* src = reinterpret_cast<const std::uint32_t*>(page.constScanLine(y - origin.y())) +
                          (part.left() - origin.x());
        auto* dst = reinterpret_cast<std::uint32_t*>(target.pixel(part.left(), y));
        for (int x = 0; x < part.width(); ++x)
            dst[x] = src[x] | 0xFF000000u;
    }
}

int draw_documents(memo::MemoImage& target, const QRect& area, qreal scale, int top,
                   const std::vector<DrawnDocument>& docs, DrawTools& tools, const DrawFeedback& feedback)
{
    memo::Canvas& canvas = tools.canvases.canvas_for(target);
    int outlined = 0;
    for (const DrawnDocument& doc : docs) {
        const QRect clip = doc.view.rect & area;
        if (clip.isEmpty())
            continue;
        memo::DrawContext ctx = context_for(target, clip, scale, top, doc.view, tools);
        canvas.set_clip(ctx.update);
        if (doc.package)
            tools.repainter.draw(*doc.package, ctx);
        outlined += ctx.over_budget;
        if (feedback)
            feedback(ctx, doc.view);
        canvas.clear_clip();
    }
    return outlined;
}

// Memos are drawn by blending over what lies under them, so the same drawing over black and
// over white tells, per pixel, how much of the page shows through (the difference) and what
// the memos add (the picture over black): a premultiplied picture the window system blends
// over the page's live pixels. Effects read the page, so their areas hold its pixels in both
// drawings and come out opaque.
int draw_premultiplied(memo::MemoImage& black, memo::MemoImage& white, const QRect& area, qreal scale, int top,
                       const std::vector<DrawnDocument>& docs, const std::vector<QRect>& effects,
                       const PagePixels& page, DrawTools& tools, const DrawFeedback& feedback)
{
    const QRect device = device_rect(area, scale).translated(0, top);
    black.fill_rect(device.left(), device.top(), device.width(), device.height(), memo::rgb(0, 0, 0), 255);
    white.fill_rect(device.left(), device.top(), device.width(), device.height(), memo::rgb(255, 255, 255), 255);
    const QPoint page_origin = device_rect(page.area, scale).topLeft() + QPoint(0, top);
    for (const QRect& effect : effects) {
        const QRect r = device_rect(effect, scale).translated(0, top);
        black.fill_rect(r.left(), r.top(), r.width(), r.height(), memo::rgb(255, 255, 255), 255);
        copy_page_into(black, r, page.image, page_origin);
        white.copy(r.left(), r.top(), r.width(), r.height(), black, r.left(), r.top());
    }
    const int outlined = draw_documents(black, area, scale, top, docs, tools, feedback);
    draw_documents(white, area, scale, top, docs, tools, feedback);
    for (int y = device.top(); y <= device.bottom(); ++y)
        memo::pixel_rows::premultiply_from_backdrops(black.pixel(device.left(), y), white.pixel(device.left(), y),
                                                     device.width());
    return outlined;
}

std::int64_t drawing_cost(memo::MemoImage& target, const QRect& area, qreal scale,
                          const std::vector<DrawnDocument>& docs, DrawTools& tools)
{
    std::int64_t cost = 0;
    for (const DrawnDocument& doc : docs) {
        const QRect clip = doc.view.rect & area;
        if (clip.isEmpty() || !doc.package)
            continue;
        memo::DrawContext ctx = context_for(target, clip, scale, 0, doc.view, tools);
        ctx.measure_only = true;
        for (std::size_t i = 0; i < doc.package->size(); ++i)
            doc.package->at(i).draw(ctx);
        cost += memo::kDrawBudget - ctx.budget;
    }
    return cost;
}
