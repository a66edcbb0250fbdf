#include "memo/Raster.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace memo::raster {

namespace {

// Pixels are sampled at their centres, nudged up and left so that a centre lying exactly on
// a shape's edge belongs to the shape on its right and bottom sides only: a rectangle from l
// to r covers the pixels l to r - 1.
constexpr double kNudge = 1.0 / 256;

double sample(int pixel)
{
    return pixel + 0.5 - kNudge;
}

// The pixels [first, end) whose samples lie in [lo, hi], kept within int range.
bool pixel_run(double lo, double hi, int& first, int& end)
{
    if (!(lo <= hi))
        return false;
    constexpr double kLimit = 1 << 30;
    const double a = std::ceil(std::clamp(lo - 0.5 + kNudge, -kLimit, kLimit));
    const double b = std::floor(std::clamp(hi - 0.5 + kNudge, -kLimit, kLimit)) + 1;
    first = int(a);
    end = int(b);
    return first < end;
}

// The part of the image inside the clip, row by row: every shape is painted through this.
class ClippedRows {
public:
    ClippedRows(const MemoImage& image, const Region& clip)
    {
        const Rect bounds{0, 0, image.width(), image.height()};
        for (const Rect& r : clip.rects) {
            const Rect c = r.intersected(bounds);
            if (c.is_empty())
                continue;
            rects_.push_back(c);
            top_ = std::min(top_, int(c.top));
            bottom_ = std::max(bottom_, int(c.bottom));
        }
    }
    // Rows worth visiting for a shape spanning [y0, y1] in pixel coordinates.
    int first_row(double y0) const { return int(std::max<double>(top_, std::floor(y0))); }
    int end_row(double y1) const { return int(std::min<double>(bottom_, std::ceil(y1) + 1)); }

    // Calls paint(x, w) for the visible parts of pixels [first, end) on row y.
    template <class Paint>
    void run(int y, int first, int end, Paint&& paint) const
    {
        for (const Rect& c : rects_) {
            if (y < c.top || y >= c.bottom)
                continue;
            const int x0 = std::max(first, int(c.left)), x1 = std::min(end, int(c.right));
            if (x0 < x1)
                paint(x0, x1 - x0);
        }
    }

private:
    std::vector<Rect> rects_;
    int top_ = std::numeric_limits<int>::max();
    int bottom_ = std::numeric_limits<int>::min();
};

// A rectangle [x0, x1] x [y0, y1] whose corners are quarter ellipses with radii rx, ry; with
// radii of half the sides it is an ellipse, with none a plain rectangle.
struct RoundedBox {
    double x0, y0, x1, y1, rx, ry;

    bool empty() const { return !(x0 <= x1 && y0 <= y1); }
    bool row(double y, double& lo, double& hi) const
    {
        if (y < y0 || y > y1)
            return false;
        double inset = 0;
        if (rx > 0 && ry > 0) {
            const double into_corner = y < y0 + ry ? (y0 + ry - y) / ry : y > y1 - ry ? (y - (y1 - ry)) / ry : 0;
            if (into_corner > 0)
                inset = rx * (1 - std::sqrt(std::max(0.0, 1 - into_corner * into_corner)));
        }
        lo = x0 + inset;
        hi = x1 - inset;
        return lo <= hi;
    }
};

// The outline through the centres of the edge pixels of r, grown (or shrunk, for negative
// d) by d on every side.
RoundedBox outline_box(Outline shape, const Rect& r, double corner_rx, double corner_ry, double d)
{
    RoundedBox box{r.left + 0.5 - d, r.top + 0.5 - d, r.right - 0.5 + d, r.bottom - 0.5 + d, 0, 0};
    const double half_w = std::max(0.0, (box.x1 - box.x0) / 2), half_h = std::max(0.0, (box.y1 - box.y0) / 2);
    switch (shape) {
    case Outline::rectangle: break;
    case Outline::round_rect:
        box.rx = std::clamp(corner_rx + d, 0.0, half_w);
        box.ry = std::clamp(corner_ry + d, 0.0, half_h);
        break;
    case Outline::ellipse:
        box.rx = half_w;
        box.ry = half_h;
        break;
    }
    return box;
}

// The x-interval of the capsule around segment ab (radius r) at height y: the union of the
// discs at both ends and the band between them, which is one interval as the capsule is
// convex.
bool capsule_row(double ax, double ay, double bx, double by, double r, double y, double& lo, double& hi)
{
    lo = std::numeric_limits<double>::infinity();
    hi = -lo;
    auto take = [&](double a, double b) {
        if (a <= b) {
            lo = std::min(lo, a);
            hi = std::max(hi, b);
        }
    };
    for (const auto& [px, py] : {std::pair{ax, ay}, std::pair{bx, by}}) {
        const double dy = y - py;
        if (std::abs(dy) <= r) {
            const double h = std::sqrt(r * r - dy * dy);
            take(px - h, px + h);
        }
    }
    const double dx = bx - ax, dyl = by - ay;
    const double length2 = dx * dx + dyl * dyl;
    if (length2 > 0) {
        const double length = std::sqrt(length2), oy = y - ay;
        // Along the segment: 0 <= (x - ax) dx + oy dyl <= length2.
        double a0 = -std::numeric_limits<double>::infinity(), a1 = -a0;
        if (dx != 0) {
            a0 = ax + (0 - oy * dyl) / dx;
            a1 = ax + (length2 - oy * dyl) / dx;
            if (a0 > a1)
                std::swap(a0, a1);
        } else if (oy * dyl < 0 || oy * dyl > length2) {
            return lo <= hi;
        }
        // Across it: |dx oy - dyl (x - ax)| <= r length.
        double c0 = -std::numeric_limits<double>::infinity(), c1 = -c0;
        if (dyl != 0) {
            c0 = ax + (dx * oy - r * length) / dyl;
            c1 = ax + (dx * oy + r * length) / dyl;
            if (c0 > c1)
                std::swap(c0, c1);
        } else if (std::abs(dx * oy) > r * length) {
            return lo <= hi;
        }
        take(std::max(a0, c0), std::min(a1, c1));
    }
    return lo <= hi;
}

} // namespace

void fill_wide_line(MemoImage& image, const Region& clip, Point a, Point b, int width, Colour colour)
{
    const ClippedRows rows(image, clip);
    // Lines run through the centres of their end pixels.
    const double ax = a.x + 0.5, ay = a.y + 0.5, bx = b.x + 0.5, by = b.y + 0.5;
    const double r = std::max(width, 1) / 2.0;
    for (int y = rows.first_row(std::min(ay, by) - r); y < rows.end_row(std::max(ay, by) + r); ++y) {
        double lo, hi;
        int first, end;
        if (capsule_row(ax, ay, bx, by, r, sample(y), lo, hi) && pixel_run(lo, hi, first, end))
            rows.run(y, first, end, [&](int x, int w) { image.fill_rect(x, y, w, 1, colour, 255); });
    }
}

void blend_round_rect(MemoImage& image, const Region& clip, const Rect& r, int corner_width, int corner_height,
                      Colour colour, std::uint8_t opacity)
{
    blend_bordered(image, clip, Outline::round_rect, r, {corner_width, corner_height}, 1, colour, colour, opacity);
}

void blend_convex_polygon(MemoImage& image, const Region& clip, const std::vector<Point>& points, Colour colour,
                          std::uint8_t opacity)
{
    if (points.empty())
        return;
    const ClippedRows rows(image, clip);
    double top = points[0].y, bottom = top;
    for (const Point& p : points) {
        top = std::min<double>(top, p.y);
        bottom = std::max<double>(bottom, p.y);
    }
    // Vertices sit on pixel centres, and the pixels the outline passes through count, as a
    // one-pixel pen around the fill would cover them.
    for (int y = rows.first_row(top); y < rows.end_row(bottom); ++y) {
        const double sy = std::clamp(y - kNudge, top, bottom);
        double lo = std::numeric_limits<double>::infinity(), hi = -lo;
        for (std::size_t i = 0; i < points.size(); ++i) {
            const Point& p = points[i];
            const Point& q = points[(i + 1) % points.size()];
            if ((sy < p.y && sy < q.y) || (sy > p.y && sy > q.y))
                continue;
            const double x = p.y == q.y ? p.x : p.x + (q.x - double(p.x)) * (sy - p.y) / (double(q.y) - p.y);
            const double x_end = p.y == q.y ? q.x : x;
            lo = std::min({lo, x, x_end});
            hi = std::max({hi, x, x_end});
        }
        int first, end;
        if (pixel_run(lo, hi + 1, first, end))
            rows.run(y, first, end, [&](int x, int w) { image.blend_colour(x, y, w, 1, colour, opacity); });
    }
}

void blend_bordered(MemoImage& image, const Region& clip, Outline shape, const Rect& r, Size corner, int border_width,
                    Colour border, Colour fill, std::uint8_t opacity)
{
    const Rect n = r.normalized();
    const double half_pen = std::max(border_width, 1) / 2.0;
    const RoundedBox outer = outline_box(shape, n, corner.cx / 2.0, corner.cy / 2.0, half_pen);
    const RoundedBox inner = outline_box(shape, n, corner.cx / 2.0, corner.cy / 2.0, -half_pen);
    if (outer.empty())
        return;
    const ClippedRows rows(image, clip);
    auto paint = [&](int y, int first, int end, Colour colour) {
        if (first < end)
            rows.run(y, first, end, [&](int x, int w) { image.blend_colour(x, y, w, 1, colour, opacity); });
    };
    for (int y = rows.first_row(outer.y0); y < rows.end_row(outer.y1); ++y) {
        double lo, hi;
        int first, end;
        if (!outer.row(sample(y), lo, hi) || !pixel_run(lo, hi, first, end))
            continue;
        int inner_first, inner_end;
        if (inner.empty() || !inner.row(sample(y), lo, hi) || !pixel_run(lo, hi, inner_first, inner_end)) {
            paint(y, first, end, border);
            continue;
        }
        inner_first = std::clamp(inner_first, first, end);
        inner_end = std::clamp(inner_end, inner_first, end);
        paint(y, first, inner_first, border);
        paint(y, inner_first, inner_end, fill);
        paint(y, inner_end, end, border);
    }
}

} // namespace memo::raster
