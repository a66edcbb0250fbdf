// How each kind of memo draws itself into the window surface.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>

#include "memo/MemoObject.h"

#include "memo/BrushStamp.h"
#include "memo/Raster.h"
#include "memo/StampList.h"

namespace memo {

namespace {

constexpr float kRadiansPerDegree = 0.017453292f;
// Lens areas up to this many pixels keep their table; larger ones compute positions directly.
constexpr std::int64_t kMaxLensTable = 4 << 20;

void prepare_scratch(DrawContext& ctx)
{
    ctx.scratch1.create(ctx.target.width(), ctx.target.height());
    ctx.scratch2.create(ctx.target.width(), ctx.target.height());
}

Point translate(Point p, Point offset)
{
    return {std::int32_t(std::uint32_t(p.x) + std::uint32_t(offset.x)),
            std::int32_t(std::uint32_t(p.y) + std::uint32_t(offset.y))};
}

// The part of r inside the image, as x, y, w, h; false when nothing is left.
bool visible_area(const Rect& r, const MemoImage& image, int& x, int& y, int& w, int& h)
{
    const Rect v = r.intersected({0, 0, image.width(), image.height()});
    if (v.is_empty())
        return false;
    x = v.left;
    y = v.top;
    w = int(v.width());
    h = int(v.height());
    return true;
}

// Guards the pictures objects derive and keep between repaints.
std::mutex& draw_cache_mutex()
{
    static std::mutex mutex;
    return mutex;
}

// The soft pen's brushes of the radii drawn lately, shared by every stroke: a brush depends on
// its radius alone, and keeping one per stroke made each stroke object larger to read and keep.
// A drawing thread holds its brushes while another may replace them in the cache.
std::shared_ptr<const BrushStamp> brush_of_radius(int radius)
{
    constexpr std::size_t kKept = 8;
    static std::vector<std::shared_ptr<const BrushStamp>> recent; // most recent last
    const std::lock_guard hold(draw_cache_mutex());
    for (auto it = recent.begin(); it != recent.end(); ++it)
        if ((*it)->radius() == radius) {
            std::rotate(it, it + 1, recent.end());
            return recent.back();
        }
    if (recent.size() == kKept)
        recent.erase(recent.begin());
    recent.push_back(std::make_shared<const BrushStamp>(radius));
    return recent.back();
}

// Calls paint(part) for each part of r inside both the update region and the target: nothing
// is drawn outside the update region, which may be one half of a repaint.
template <class Paint>
void for_each_visible_part(const DrawContext& ctx, const Rect& r, Paint&& paint)
{
    const Rect bounds{0, 0, ctx.target.width(), ctx.target.height()};
    for (const Rect& u : ctx.update.rects) {
        const Rect part = r.intersected(u).intersected(bounds);
        if (!part.is_empty())
            paint(part);
    }
}

// The pixels of r that drawing may touch: inside the update region and the target.
std::int64_t visible_pixels(const DrawContext& ctx, const Rect& r)
{
    std::int64_t n = 0;
    for_each_visible_part(ctx, r, [&](const Rect& part) { n += part.width() * part.height(); });
    return n;
}

// The one-pixel outline of r, inside the update region: what an object over budget shows.
void draw_outline(DrawContext& ctx, const Rect& r)
{
    if (r.is_empty())
        return;
    const Colour colour = ctx.missing_stamp_pen.colour;
    const Rect edges[] = {{r.left, r.top, r.right, std::int32_t(r.top + 1)},
                          {r.left, std::int32_t(r.bottom - 1), r.right, r.bottom},
                          {r.left, r.top, std::int32_t(r.left + 1), r.bottom},
                          {std::int32_t(r.right - 1), r.top, r.right, r.bottom}};
    for (const Rect& edge : edges)
        for_each_visible_part(ctx, edge, [&](const Rect& part) {
            ctx.target.fill_rect(part.left, part.top, int(part.width()), int(part.height()), colour, 255);
        });
}

// Takes cost from the budget and returns true, or draws the outline of window_bounds instead
// and returns false when the budget cannot pay for it. When only measuring, takes it and
// returns false.
bool afford(DrawContext& ctx, std::int64_t cost, const Rect& window_bounds)
{
    if (ctx.measure_only) {
        ctx.budget -= cost;
        return false;
    }
    if (cost <= ctx.budget) {
        ctx.budget -= cost;
        return true;
    }
    ++ctx.over_budget;
    draw_outline(ctx, window_bounds.normalized());
    return false;
}

// Weights of the work per pixel, measured against one blended fill (about half a nanosecond
// a pixel): a budget in these units is about time.
constexpr std::int64_t kCanvasLineWeight = 16;   // the graphics library's one-pixel lines
constexpr std::int64_t kScaledPictureWeight = 40; // stamps and photos scaled while drawn
constexpr std::int64_t kRescaleWeight = 40;       // a photo scaled smoothly once per size
constexpr std::int64_t kEffectWeight = 24;        // copy, filter, mask, three raster operations
constexpr std::int64_t kBlurWeight = 40;
constexpr std::int64_t kLensWeight = 100;         // a square root and a cosine per pixel
constexpr std::int64_t kUntabledLensWeight = 400; // the same with no table, as measured
constexpr std::int64_t kBraceWeight = 6;          // copy, wide curve, blend back

// A document coordinate times the scale, kept in range: coordinates come from files.
std::int32_t scaled(std::int32_t v, double scale)
{
    return std::int32_t(std::clamp<double>(std::round(double(v) * scale), INT32_MIN, INT32_MAX));
}

} // namespace

Point DrawContext::place(Point p) const
{
    if (scale == 1.0)
        return translate(p, offset);
    return translate({scaled(p.x, scale), scaled(p.y, scale)}, offset);
}

Rect DrawContext::place(const Rect& r) const
{
    if (scale == 1.0)
        return r.offset(offset.x, offset.y);
    return Rect{scaled(r.left, scale), scaled(r.top, scale), scaled(r.right, scale), scaled(r.bottom, scale)}.offset(
        offset.x, offset.y);
}

std::int32_t DrawContext::length(std::int32_t v) const
{
    return scale == 1.0 ? v : scaled(v, scale);
}

// ---- stroke ----

bool arrow_head(Point tip, Point from, int width, Point& left, Point& right)
{
    float dx = float(tip.x) - float(from.x), dy = float(tip.y) - float(from.y);
    const float len = std::sqrt(dx * dx + dy * dy);
    if (!(len > 0.0f))
        return false;
    dx /= len;
    dy /= len;
    const float L = 4.0f * float(width);
    const float c = std::cos(20.0f * kRadiansPerDegree), s = std::sin(20.0f * kRadiansPerDegree);
    // Rotations by +20 and -20 degrees of the direction, set back from the tip.
    const float lx = dx * c - dy * s, ly = dx * s + dy * c;
    const float rx = dx * c + dy * s, ry = -dx * s + dy * c;
    // Truncated like a plain cast, but kept in range: widths come from files.
    auto to_int = [](float v) { return std::int32_t(std::clamp(v, -2147483520.0f, 2147483520.0f)); };
    left = {to_int(float(tip.x) - L * lx), to_int(float(tip.y) - L * ly)};
    right = {to_int(float(tip.x) - L * rx), to_int(float(tip.y) - L * ry)};
    return true;
}

void StrokeObject::draw(DrawContext& ctx)
{
    if (points.empty())
        return;
    const Rect window_bounds = ctx.place(bounds());
    if (!ctx.update.intersects(window_bounds))
        return;
    std::vector<Point> pts(points.size());
    for (std::size_t i = 0; i < points.size(); ++i)
        pts[i] = ctx.place(points[i]);
    // Pen widths scale with the picture; the brushes are kept per width.
    const std::int32_t line_width = ctx.length(width);
    // Arrow-head lines: from the tip to each of its two ends.
    std::vector<std::pair<Point, Point>> heads;
    if (pts.size() >= 2) {
        Point l, r;
        if (arrow_start && arrow_head(pts[0], pts[1], line_width, l, r)) {
            heads.push_back({pts[0], l});
            heads.push_back({pts[0], r});
        }
        const std::size_t n = pts.size() - 1;
        if (arrow_end && arrow_head(pts[n], pts[n - 1], line_width, l, r)) {
            heads.push_back({pts[n], l});
            heads.push_back({pts[n], r});
        }
    }
    Rect update_bounds;
    for (const Rect& r : ctx.update.rects)
        update_bounds = update_bounds.united(r);
    update_bounds = update_bounds.intersected({0, 0, ctx.target.width(), ctx.target.height()});
    if (type != 1) {
        // A segment touches at most its (widened) box inside the update area, and at most its
        // length and a pen width by the pen width.
        const std::int64_t pen = std::max(1, line_width);
        auto segment = [&](Point a, Point b) {
            const Rect box = Rect{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)}
                                 .inflated(std::int32_t(pen / 2 + 1))
                                 .intersected(update_bounds);
            if (box.is_empty())
                return std::int64_t(0);
            const std::int64_t length = std::llabs(std::int64_t(b.x) - a.x) + std::llabs(std::int64_t(b.y) - a.y);
            return std::min(box.width() * box.height(), (length + pen) * pen);
        };
        std::int64_t cost = 0;
        for (std::size_t i = 1; i < pts.size(); ++i)
            cost += segment(pts[i - 1], pts[i]);
        for (const auto& [tip, end] : heads)
            cost += segment(tip, end);
        if (line_width <= 1)
            cost *= kCanvasLineWeight;
        if (!afford(ctx, cost, window_bounds))
            return;
    }
    if (type != 1 && line_width > 1) {
        for (std::size_t i = 1; i < pts.size(); ++i)
            raster::fill_wide_line(ctx.target, ctx.update, pts[i - 1], pts[i], line_width, colour);
        for (const auto& [tip, end] : heads)
            raster::fill_wide_line(ctx.target, ctx.update, tip, end, line_width, colour);
        return;
    }
    if (type != 1) {
        Canvas& c = ctx.canvases.canvas_for(ctx.target);
        c.set_pen({colour, line_width, true});
        c.move_to(pts[0]);
        for (std::size_t i = 1; i < pts.size(); ++i)
            c.line_to(pts[i]);
        for (const auto& [tip, end] : heads) {
            c.move_to(tip);
            c.line_to(end);
        }
        return;
    }
    // The soft pen: an outer brush two pixels wider in the border colour, then the pen's own.
    const int radius = std::clamp(line_width, 0, BrushStamp::kMaxRadius - 2);
    const std::shared_ptr<const BrushStamp> outer = brush_of_radius(radius + 2);
    const std::shared_ptr<const BrushStamp> inner = brush_of_radius(radius);
    Rect reach{pts[0].x, pts[0].y, pts[0].x, pts[0].y};
    auto take = [&](Point p) {
        reach.left = std::min(reach.left, p.x);
        reach.top = std::min(reach.top, p.y);
        reach.right = std::max(reach.right, p.x);
        reach.bottom = std::max(reach.bottom, p.y);
    };
    for (const Point& p : pts)
        take(p);
    for (const auto& [tip, end] : heads)
        take(end);
    const Rect area = reach.inflated(radius + 4).intersected(update_bounds);
    if (area.is_empty())
        return;
    const BrushStamp* brushes[] = {outer.get(), inner.get()};
    // The area is cleared and blended once; each layer stamps its brush along the path.
    std::int64_t cost = area.width() * area.height();
    for (const BrushStamp* brush : brushes) {
        for (std::size_t i = 1; i < pts.size(); ++i)
            cost += StampAccumulator::line_cost(area, brush->size(), pts[i - 1], pts[i]);
        for (const auto& [tip, end] : heads)
            cost += StampAccumulator::line_cost(area, brush->size(), tip, end);
        if (cost > ctx.budget)
            break;
    }
    if (!afford(ctx, cost, window_bounds))
        return;
    thread_local StampAccumulator accumulator;
    accumulator.begin(area);
    for (int layer = 0; layer < 2; ++layer) {
        for (std::size_t i = 1; i < pts.size(); ++i)
            accumulator.line(*brushes[layer], layer, pts[i - 1], pts[i]);
        for (const auto& [tip, end] : heads)
            accumulator.line(*brushes[layer], layer, tip, end);
    }
    accumulator.finish(ctx.target, ctx.update, {border_colour, colour});
}

// ---- text box ----

void TextBoxObject::draw(DrawContext& ctx)
{
    const Rect box = ctx.place(rect.normalized());
    if (!ctx.update.intersects(box))
        return;
    LogFont shown_font = font;
    shown_font.height = ctx.length(font.height);
    shown_font.width = ctx.length(font.width);
    // The background, and each byte of text as a glyph of the font's height.
    const std::int64_t glyph = std::max<std::int64_t>(8, std::llabs(std::int64_t(shown_font.height)));
    if (!afford(ctx, visible_pixels(ctx, box) + std::int64_t(text.size()) * glyph * glyph, box))
        return;
    const int w = int(std::min<std::int64_t>(box.width(), INT32_MAX));
    const int h = int(std::min<std::int64_t>(box.height(), INT32_MAX));
    Rect body = box;
    body.bottom = std::int32_t(box.bottom - (shape == 1 ? h / 5 : 0));
    if (opacity > 0) {
        // Body and tail share no row, so no pixel is blended twice.
        const Region area = ctx.update.intersected(box);
        raster::blend_round_rect(ctx.target, area, body, ctx.length(10), ctx.length(10), background_colour, opacity);
        if (shape == 1) {
            const std::int32_t yb = body.bottom;
            const std::int32_t x0 = std::int32_t(box.left + 3 * std::int64_t(w) / 5);
            const std::int32_t x1 =
                std::int32_t(std::min<std::int64_t>(x0 + ctx.length(20), box.left + 4 * std::int64_t(w) / 5));
            raster::blend_convex_polygon(ctx.target, area, {{x0, yb}, {x1, box.bottom}, {x1, yb}}, background_colour,
                                         opacity);
        }
    }
    Canvas& c = ctx.canvases.canvas_for(ctx.target);
    c.set_font(shown_font);
    c.set_clip(ctx.update.intersected(body));
    c.set_text_colour(text_colour);
    c.set_pen({text_colour, ctx.length(1), true});
    const int x = box.left + ctx.length(8);
    std::int64_t y = std::int64_t(box.top) + ctx.length(8);
    for (std::string_view line : lines()) {
        if (y > std::int64_t(body.bottom))
            break;
        const Size extent = c.text_extent(line);
        c.text_out(x, int(y), line);
        if (is_link_line(line)) {
            c.move_to({x, std::int32_t(y + extent.cy)});
            c.line_to({x + extent.cx, std::int32_t(y + extent.cy)});
        }
        y += extent.cy;
    }
    c.set_clip(ctx.update);
}

// ---- stamp ----

void StampObject::draw(DrawContext& ctx)
{
    const Rect r = ctx.place(rect.normalized());
    if (!ctx.update.intersects(r))
        return;
    const MemoImage* picture = ctx.stamps ? ctx.stamps->find(name) : nullptr;
    const bool same_size_picture = picture && r.width() == picture->width() && r.height() == picture->height();
    if (!afford(ctx, visible_pixels(ctx, r) * (same_size_picture ? 2 : kScaledPictureWeight), r))
        return;
    if (!picture || picture->empty()) {
        // A missing picture still shows where the stamp is.
        Canvas& c = ctx.canvases.canvas_for(ctx.target);
        c.set_pen(ctx.missing_stamp_pen);
        c.move_to({r.left, r.top});
        c.line_to({r.right, r.bottom});
        c.move_to({r.right, r.top});
        c.line_to({r.left, r.bottom});
        return;
    }
    // Blending straight into the target gives the same pixels as going through a scratch copy.
    const bool same_size = r.width() == picture->width() && r.height() == picture->height();
    if (!same_size && (r.width() > MemoImage::kMaxSide * 4 || r.height() > MemoImage::kMaxSide * 4))
        return;
    for_each_visible_part(ctx, r, [&](const Rect& part) {
        if (same_size)
            ctx.target.blend(part.left, part.top, int(part.width()), int(part.height()), *picture,
                             part.left - r.left, part.top - r.top);
        else
            ctx.target.scaled_blend(r.left, r.top, int(r.width()), int(r.height()), *picture, 0, 0,
                                    picture->width(), picture->height(), part);
    });
}

// ---- photo ----

void PhotoObject::draw(DrawContext& ctx)
{
    const Rect r = ctx.place(rect.normalized());
    if (!ctx.update.intersects(r) || image.empty())
        return;
    // The smoothly scaled picture is kept while the rectangle keeps its size: scaling every
    // photo on every repaint would dominate the repaint.
    const std::int64_t w = r.width(), h = r.height();
    const bool kept = w <= MemoImage::kMaxSide && h <= MemoImage::kMaxSide && w * h <= (std::int64_t(1) << 24);
    // A kept picture is scaled whole once per size; a larger one is filtered on every draw.
    std::int64_t cost = visible_pixels(ctx, r);
    if (!kept)
        cost *= kScaledPictureWeight;
    else if (const std::lock_guard hold(draw_cache_mutex()); scaled_.width() != w || scaled_.height() != h)
        cost += w * h * kRescaleWeight;
    if (!afford(ctx, cost, r))
        return;
    if (!kept) {
        ctx.canvases.canvas_for(ctx.target).stretch_image(image, r, true);
        return;
    }
    const MemoImage& scaled = scaled_picture(int(w), int(h));
    for_each_visible_part(ctx, r, [&](const Rect& part) {
        ctx.target.copy(part.left, part.top, int(part.width()), int(part.height()), scaled, part.left - r.left,
                        part.top - r.top);
    });
}

const MemoImage& PhotoObject::scaled_picture(int w, int h)
{
    // Two repaint threads may draw the same photo, each in its own part of the window.
    const std::lock_guard hold(draw_cache_mutex());
    if (scaled_.width() != w || scaled_.height() != h || scaled_source_ != image.bits()) {
        scaled_ = image.scaled(w, h);
        scaled_source_ = image.bits();
        // Photos show without transparency.
        for (int y = 0; y < scaled_.height(); ++y)
            for (int x = 0; x < scaled_.width(); ++x)
                scaled_.pixel(x, y)[3] = 255;
    }
    return scaled_;
}

// ---- primitive ----

void PrimitiveObject::draw(DrawContext& ctx)
{
    const Rect r = ctx.place(rect.normalized());
    // The pen straddles the outline, so the covered area reaches past the rectangle.
    const int pen = std::max(1, ctx.length(std::clamp(border_width, 1, 1000)));
    const Rect covered = r.inflated(pen / 2 + 2);
    if (!ctx.update.intersects(covered))
        return;
    const bool brace = shape == 3 || shape == 4;
    if ((brace || (shape >= 0 && shape <= 2)) &&
        !afford(ctx, visible_pixels(ctx, covered) * (brace ? kBraceWeight : 1), covered))
        return;
    if (shape >= 0 && shape <= 2) {
        static constexpr raster::Outline kOutlines[] = {raster::Outline::rectangle, raster::Outline::ellipse,
                                                        raster::Outline::round_rect};
        raster::blend_bordered(ctx.target, ctx.update, kOutlines[shape], r, {ctx.length(10), ctx.length(10)}, pen,
                               border_colour, fill_colour, opacity);
        return;
    }
    if (shape != 3 && shape != 4)
        return;
    // Braces are outlines of curves: drawn over a copy of the screen, then blended back.
    prepare_scratch(ctx);
    auto each_part = [&](auto&& step) {
        for_each_visible_part(ctx, covered, [&](const Rect& p) {
            step(p.left, p.top, int(p.width()), int(p.height()));
        });
    };
    each_part([&](int x, int y, int w, int h) { ctx.scratch1.copy(x, y, w, h, ctx.target, x, y); });
    Canvas& c = ctx.canvases.canvas_for(ctx.scratch1);
    c.clear_clip();
    c.set_pen({border_colour, pen, true});
    c.set_brush(Brush::none());
    c.poly_bezier(brace_points(r, shape == 3));
    each_part([&](int x, int y, int w, int h) { ctx.target.blend_constant(x, y, w, h, ctx.scratch1, x, y, opacity); });
}

// ---- effect ----

void EffectObject::mosaic(MemoImage& image, int x, int y, int w, int h, int block)
{
    // Blocks are aligned to the effect's corner even when only part of it is visible.
    int vx, vy, vw, vh;
    if (!visible_area(Rect{x, y, x + w, y + h}, image, vx, vy, vw, vh) || block < 1)
        return;
    const int first_bx = (vx - x) / block, first_by = (vy - y) / block;
    for (int by = y + first_by * block; by < vy + vh; by += block)
        for (int bx = x + first_bx * block; bx < vx + vw; bx += block) {
            const int x0 = std::max(bx, vx), y0 = std::max(by, vy);
            const int x1 = std::min({bx + block, x + w, vx + vw}), y1 = std::min({by + block, y + h, vy + vh});
            std::uint32_t sum[3] = {0, 0, 0};
            for (int yy = y0; yy < y1; ++yy) {
                const std::uint8_t* p = image.pixel(x0, yy);
                for (int xx = x0; xx < x1; ++xx, p += 4) {
                    sum[0] += p[0];
                    sum[1] += p[1];
                    sum[2] += p[2];
                }
            }
            const std::uint32_t n = std::uint32_t((x1 - x0) * (y1 - y0));
            const std::uint8_t avg[3] = {std::uint8_t(sum[0] / n), std::uint8_t(sum[1] / n), std::uint8_t(sum[2] / n)};
            for (int yy = y0; yy < y1; ++yy) {
                std::uint8_t* p = image.pixel(x0, yy);
                for (int xx = x0; xx < x1; ++xx, p += 4) {
                    p[0] = avg[0];
                    p[1] = avg[1];
                    p[2] = avg[2];
                }
            }
        }
}

void EffectObject::blur(MemoImage& image, int x, int y, int w, int h, int reach)
{
    int vx, vy, vw, vh;
    if (reach < 1 || !visible_area(Rect{x, y, x + w, y + h}, image, vx, vy, vw, vh) || vw <= 2 * reach ||
        vh <= 2 * reach)
        return;
    // Reads come from an untouched copy of the area; its edge, `reach` pixels wide, keeps its
    // values. On a picture scaled by `reach` this is the unscaled blur, scaled.
    std::vector<std::uint8_t> src(std::size_t(vw) * vh * 4);
    for (int r = 0; r < vh; ++r)
        std::memcpy(&src[std::size_t(r) * vw * 4], image.pixel(vx, vy + r), std::size_t(vw) * 4);
    const std::size_t stride = std::size_t(vw) * 4;
    const std::ptrdiff_t up = std::ptrdiff_t(stride) * reach, side = 4 * std::ptrdiff_t(reach);
    for (int r = reach; r < vh - reach; ++r) {
        std::uint8_t* d = image.pixel(vx + reach, vy + r);
        const std::uint8_t* m = &src[std::size_t(r) * stride + std::size_t(side)];
        for (int i = reach; i < vw - reach; ++i, d += 4, m += 4) {
            const std::uint8_t* u = m - up;
            const std::uint8_t* b = m + up;
            for (int ch = 0; ch < 4; ++ch) {
                const int sum = u[ch - side] + 2 * u[ch] + u[ch + side] + 2 * m[ch - side] + 12 * m[ch] +
                                2 * m[ch + side] + b[ch - side] + 2 * b[ch] + b[ch + side];
                d[ch] = std::uint8_t(sum / 24);
            }
        }
    }
}

void EffectObject::negative(MemoImage& image, int x, int y, int w, int h)
{
    int vx, vy, vw, vh;
    if (!visible_area(Rect{x, y, x + w, y + h}, image, vx, vy, vw, vh))
        return;
    for (int r = 0; r < vh; ++r) {
        std::uint8_t* p = image.pixel(vx, vy + r);
        for (int i = 0; i < vw; ++i, p += 4) {
            p[0] = std::uint8_t(~p[0]);
            p[1] = std::uint8_t(~p[1]);
            p[2] = std::uint8_t(~p[2]);
        }
    }
}

namespace {

Point lens_source(int i, int j, int w, int h)
{
    const float cx = float(w) / 2, cy = float(h) / 2, R = float(w) / 2;
    const float vx = float(i) - cx, vy = float(j) - cy;
    const float d = std::sqrt(vx * vx + vy * vy);
    if (d < 0.000001f || R <= 0)
        return {i, j};
    const float k = R * (1.0f - std::cos(d / R * 3.14159265f / 2)) / d;
    const int sx = int(cx + vx * k), sy = int(cy + vy * k);
    return {std::clamp(sx, 0, w - 1), std::clamp(sy, 0, h - 1)};
}

} // namespace

void EffectObject::lens(MemoImage& image, int x, int y, int w, int h)
{
    int vx, vy, vw, vh;
    if (!visible_area(Rect{x, y, x + w, y + h}, image, vx, vy, vw, vh))
        return;
    const bool use_table = std::int64_t(w) * h <= kMaxLensTable;
    if (use_table && (lens_width_ != w || lens_height_ != h)) {
        lens_table_.resize(std::size_t(w) * h);
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i)
                lens_table_[std::size_t(j) * w + i] = lens_source(i, j, w, h);
        lens_width_ = w;
        lens_height_ = h;
    }
    // The source pixels come from a copy of the visible area; sources outside it are clamped.
    MemoImage src(vw, vh);
    src.copy(0, 0, vw, vh, image, vx, vy);
    for (int j = vy - y; j < vy - y + vh; ++j) {
        std::uint8_t* d = image.pixel(vx, y + j);
        for (int i = vx - x; i < vx - x + vw; ++i, d += 4) {
            const Point s = use_table ? lens_table_[std::size_t(j) * w + i] : lens_source(i, j, w, h);
            const int sx = std::clamp(x + s.x - vx, 0, vw - 1), sy = std::clamp(y + s.y - vy, 0, vh - 1);
            std::memcpy(d, src.pixel(sx, sy), 4);
        }
    }
}

void EffectObject::draw(DrawContext& ctx)
{
    const Rect r = ctx.place(rect.normalized());
    if (!ctx.update.intersects(r))
        return;
    prepare_scratch(ctx);
    int ax, ay, aw, ah;
    if (!visible_area(r, ctx.target, ax, ay, aw, ah))
        return;
    if (r.width() > INT32_MAX / 2 || r.height() > INT32_MAX / 2)
        return;
    // The effect reads and writes all of its visible area, whatever the update region. A lens
    // works out where each pixel comes from: over its whole area when it builds its table, over
    // the visible area when it has none.
    std::int64_t cost = std::int64_t(aw) * ah * (operation == 2 ? kBlurWeight : kEffectWeight);
    if (operation == 1) {
        const std::int64_t area = r.width() * r.height();
        if (area > kMaxLensTable)
            cost = std::int64_t(aw) * ah * kUntabledLensWeight;
        else if (lens_width_ != r.width() || lens_height_ != r.height())
            cost += area * kLensWeight;
    }
    if (!afford(ctx, cost, r))
        return;
    const int rw = int(r.width()), rh = int(r.height());
    MemoImage& P = ctx.scratch1;
    MemoImage& M = ctx.scratch2;
    P.copy(ax, ay, aw, ah, ctx.target, ax, ay);
    switch (operation) {
    case 0: mosaic(P, r.left, r.top, rw, rh, std::max(1, ctx.length(8))); break;
    case 1: lens(P, r.left, r.top, rw, rh); break;
    case 2: blur(P, r.left, r.top, rw, rh, std::max(1, ctx.length(1))); break;
    case 3: negative(P, r.left, r.top, rw, rh); break;
    default: break;
    }
    M.fill_rect(ax, ay, aw, ah, rgb(255, 255, 255), 255);
    Canvas& c = ctx.canvases.canvas_for(M);
    c.clear_clip();
    c.set_pen({0, 1, true});
    c.set_brush({0, true});
    switch (shape) {
    case 1: c.ellipse(r); break;
    case 2: c.round_rect(r, ctx.length(10), ctx.length(10)); break;
    default: c.rectangle(r); break;
    }
    // Mask out the shape, keep P only inside it, and combine: inside the update region only,
    // though the effect reads pixels from all of its area.
    for_each_visible_part(ctx, r, [&](const Rect& part) {
        const int x = part.left, y = part.top, w = int(part.width()), h = int(part.height());
        ctx.target.and_with(x, y, w, h, M, x, y);
        M.invert(x, y, w, h);
        P.and_with(x, y, w, h, M, x, y);
        ctx.target.or_with(x, y, w, h, P, x, y);
    });
}

} // namespace memo
