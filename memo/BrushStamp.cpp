#include "memo/BrushStamp.h"

#include <algorithm>
#include <cmath>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "memo/PixelRows.h"

namespace memo {

namespace {

constexpr std::uint16_t kAllRemaining = 65535;

std::size_t padded(int n, int group)
{
    return std::size_t((n + group - 1) / group * group + group);
}

} // namespace

BrushStamp::BrushStamp(int radius) : radius_(std::clamp(radius, 0, kMaxRadius))
{
    const int n = size();
    alpha_stride_ = padded(n, 16);
    alpha_.assign(alpha_stride_ * std::size_t(n), 0);
    scale_.assign(alpha_.size(), 0);
    runs_.resize(std::size_t(n));
    for (int y = 0; y < n; ++y) {
        int first = n, last = -1;
        for (int x = 0; x < n; ++x) {
            std::uint8_t a = 255;
            if (radius_ > 0) {
                const double dist = std::hypot(double(x - radius_), double(y - radius_));
                const double k = (radius_ - dist) / radius_;
                a = k < 0 ? 0 : std::uint8_t(255.0 * k * k);
            }
            const std::size_t i = std::size_t(y) * alpha_stride_ + std::size_t(x);
            alpha_[i] = a;
            scale_[i] = std::uint16_t(a << 8);
            if (a) {
                first = std::min(first, x);
                last = x;
            }
        }
        if (last >= first)
            runs_[std::size_t(y)] = {first, (last - first + 8) / 8, (last - first + 16) / 16};
    }
}

namespace {

int clamped_side(std::int64_t side)
{
    return int(std::clamp<std::int64_t>(side, 0, MemoImage::kMaxSide));
}

// Midpoint stepping of a line along its major axis, in area coordinates, and the steps
// [first, last] that keep a brush of size n within reach of a width x rows area on that axis.
struct Steps {
    std::int64_t ax, ay, dx, dy;
    int sx, sy;
    bool x_major;
    std::int64_t major, minor, major_start, minor_start;
    int major_sign, minor_sign;
    std::int64_t minor_hi;
    std::int64_t first = 0, last = 0;

    Steps(const Rect& area, int width, int rows, int n, Point a, Point b)
    {
        ax = std::int64_t(a.x) - area.left;
        ay = std::int64_t(a.y) - area.top;
        const std::int64_t bx = std::int64_t(b.x) - area.left, by = std::int64_t(b.y) - area.top;
        dx = std::llabs(bx - ax);
        dy = std::llabs(by - ay);
        sx = bx >= ax ? 1 : -1;
        sy = by >= ay ? 1 : -1;
        x_major = dx >= dy;
        major = x_major ? dx : dy;
        minor = x_major ? dy : dx;
        major_start = x_major ? ax : ay;
        minor_start = x_major ? ay : ax;
        major_sign = x_major ? sx : sy;
        minor_sign = x_major ? sy : sx;
        const std::int64_t major_hi = (x_major ? width : rows) + std::int64_t(n);
        minor_hi = (x_major ? rows : width) + std::int64_t(n);
        first = 0;
        last = major;
        if (major_sign > 0) {
            first = std::max(first, -n - major_start);
            last = std::min(last, major_hi - major_start);
        } else {
            first = std::max(first, major_start - major_hi);
            last = std::min(last, major_start + n);
        }
    }
    std::int64_t count() const { return first > last ? 0 : last - first + 1; }
};

} // namespace

std::int64_t StampAccumulator::line_cost(const Rect& area, int brush_size, Point a, Point b)
{
    if (brush_size <= 0)
        return 0;
    const Rect r = area.normalized();
    const Steps steps(r, clamped_side(r.width()), clamped_side(r.height()), brush_size, a, b);
    return steps.count() * brush_size * brush_size;
}

void StampAccumulator::begin(const Rect& area)
{
    area_ = area.normalized();
    width_ = clamped_side(area_.width());
    rows_ = clamped_side(area_.height());
    // Slack on the right takes the padding of stamps near the edge.
    stride_ = padded(width_, 16) + 32;
    const std::size_t cells = stride_ * std::size_t(rows_);
    for (auto& plane : remaining_) {
        if (plane.size() < cells)
            plane.resize(cells);
        std::fill_n(plane.begin(), cells, kAllRemaining);
    }
    if (alpha_sum_.size() < cells)
        alpha_sum_.resize(cells);
    std::fill_n(alpha_sum_.begin(), cells, std::uint8_t(0));
}

void StampAccumulator::line(const BrushStamp& brush, int layer, Point a, Point b)
{
    const int n = brush.size();
    if (n == 0)
        return;
    // Midpoint stepping along the major axis, in area coordinates. After i steps the minor
    // coordinate has moved k(i) = floor((2 i dminor + dmajor - 1) / (2 dmajor)) times, so only
    // the steps whose brush can reach the area are visited: a segment between far-away points
    // costs nothing.
    const Steps s(area_, width_, rows_, n, a, b);
    const bool x_major = s.x_major;
    const std::int64_t major = s.major, minor = s.minor, major_start = s.major_start, minor_start = s.minor_start;
    const int major_sign = s.major_sign, minor_sign = s.minor_sign;
    const std::int64_t minor_hi = s.minor_hi, first = s.first, last = s.last;
    if (first > last)
        return;
    // Where the stepping stands at the first visited step; from there on it runs as usual.
    std::int64_t k = major == 0 ? 0
                                : std::int64_t((static_cast<unsigned __int128>(2 * std::uint64_t(first)) *
                                                    std::uint64_t(minor) +
                                                std::uint64_t(major) - 1) /
                                               (2 * std::uint64_t(major)));
    // The decision value 2 dminor (i + 1) - dmajor - 2 dmajor k(i), in 128 bits for the same
    // reason.
    __int128 d = __int128(2) * minor * (first + 1) - major - __int128(2) * major * k;
    for (std::int64_t i = first; i <= last; ++i) {
        const std::int64_t mj = major_start + major_sign * i, mn = minor_start + minor_sign * k;
        if (mn >= -n && mn <= minor_hi) {
            const std::int64_t x = x_major ? mj : mn, y = x_major ? mn : mj;
            stamp(brush, layer, x - n / 2, y - n / 2);
        }
        if (d > 0) {
            ++k;
            d -= 2 * major;
        }
        d += 2 * minor;
    }
}

void StampAccumulator::stamp(const BrushStamp& brush, int layer, std::int64_t x, std::int64_t y)
{
    const int n = brush.size();
    std::uint16_t* remaining = remaining_[std::size_t(layer)].data();
    std::uint8_t* sums = alpha_sum_.data();
    const bool inside = x >= 0 && y >= 0 && y + n <= rows_ && x + n + 16 <= std::int64_t(stride_);
    if (!inside) {
        // Near the area's edges: pixel by pixel, over the part of the brush inside the area
        // (a wide brush at the edge of a small area is mostly outside it).
        const int r0 = int(std::clamp<std::int64_t>(-y, 0, n)), r1 = int(std::clamp<std::int64_t>(rows_ - y, 0, n));
        const int c0 = int(std::clamp<std::int64_t>(-x, 0, n)), c1 = int(std::clamp<std::int64_t>(width_ - x, 0, n));
        for (int r = r0; r < r1; ++r)
            for (int c = c0; c < c1; ++c) {
                const std::uint8_t a = brush.alpha(c, r);
                if (a == 0)
                    continue;
                const std::size_t i = std::size_t(y + r) * stride_ + std::size_t(x + c);
                remaining[i] = std::uint16_t(remaining[i] - ((std::uint32_t(remaining[i]) * (a << 8u)) >> 16));
                sums[i] = std::uint8_t(std::min(255, sums[i] + a));
            }
        return;
    }
    for (int r = 0; r < n; ++r) {
        const BrushStamp::Run& run = brush.runs_[std::size_t(r)];
        if (run.groups8 == 0)
            continue;
        const std::size_t at = std::size_t(y + r) * stride_ + std::size_t(x + run.first);
        const std::size_t from = std::size_t(r) * brush.alpha_stride_ + std::size_t(run.first);
        std::uint16_t* t = remaining + at;
        const std::uint16_t* m = brush.scale_.data() + from;
        std::uint8_t* s = sums + at;
        const std::uint8_t* a = brush.alpha_.data() + from;
#ifdef __SSE2__
        // remaining -= remaining * a / 256, eight pixels at a time; sums add with saturation.
        for (int g = 0; g < run.groups8; ++g, t += 8, m += 8) {
            const __m128i tv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t));
            const __m128i mv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(m));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(t), _mm_sub_epi16(tv, _mm_mulhi_epu16(tv, mv)));
        }
        for (int g = 0; g < run.groups16; ++g, s += 16, a += 16) {
            const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
            const __m128i av = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(s), _mm_adds_epu8(sv, av));
        }
#else
        for (int c = 0; c < run.groups8 * 8; ++c)
            t[c] = std::uint16_t(t[c] - ((std::uint32_t(t[c]) * m[c]) >> 16));
        for (int c = 0; c < run.groups16 * 16; ++c)
            s[c] = std::uint8_t(std::min(255, s[c] + a[c]));
#endif
    }
}

void StampAccumulator::finish(MemoImage& target, const Region& clip, const std::array<Colour, kLayers>& colours)
{
    static_assert(kLayers == 2);
    auto word = [](Colour c) { return std::uint32_t(blue_of(c) | green_of(c) << 8 | red_of(c) << 16); };
    const Rect bounds = Rect{area_.left, area_.top, std::int32_t(area_.left + width_), std::int32_t(area_.top + rows_)}
                            .intersected({0, 0, target.width(), target.height()});
    for (const Rect& c : clip.rects) {
        const Rect r = c.intersected(bounds);
        const int w = int(r.width());
        for (int y = r.top; y < r.bottom; ++y) {
            const std::size_t i = std::size_t(y - area_.top) * stride_ + std::size_t(r.left - area_.left);
            pixel_rows::blend_remaining(target.pixel(r.left, y), &remaining_[0][i], &remaining_[1][i],
                                        &alpha_sum_[i], w, word(colours[0]), word(colours[1]));
            // Overlapping clip rectangles must not blend a pixel twice.
            std::fill_n(&alpha_sum_[i], w, std::uint8_t(0));
        }
    }
}

} // namespace memo
