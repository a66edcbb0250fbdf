#include "memo/MemoImage.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>
#include <vector>

#include "memo/PixelRows.h"

namespace memo {

bool clip_transfer(int& x, int& y, int& w, int& h, int& sx, int& sy, int dw_img, int dh_img, int sw_img,
                   int sh_img)
{
    // 64-bit so that rectangles read from files cannot overflow here.
    std::int64_t X = x, Y = y, W = w, H = h, SX = sx, SY = sy;
    if (W <= 0 || H <= 0)
        return false;
    // Negative origins shift both rectangles together.
    if (X < 0) { W += X; SX -= X; X = 0; }
    if (Y < 0) { H += Y; SY -= Y; Y = 0; }
    if (SX < 0) { W += SX; X -= SX; SX = 0; }
    if (SY < 0) { H += SY; Y -= SY; SY = 0; }
    W = std::min({W, dw_img - X, sw_img - SX});
    H = std::min({H, dh_img - Y, sh_img - SY});
    if (W <= 0 || H <= 0)
        return false;
    x = int(X); y = int(Y); w = int(W); h = int(H); sx = int(SX); sy = int(SY);
    return true;
}

namespace {

bool clip_rect(int& x, int& y, int& w, int& h, int img_w, int img_h)
{
    const long x0 = std::max(0, x), y0 = std::max(0, y);
    const long x1 = std::min<long>(img_w, long(x) + w), y1 = std::min<long>(img_h, long(y) + h);
    if (x1 <= x0 || y1 <= y0)
        return false;
    x = int(x0);
    y = int(y0);
    w = int(x1 - x0);
    h = int(y1 - y0);
    return true;
}

} // namespace

void MemoImage::create(int width, int height)
{
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
        width = height = 0;
    if (width == width_ && height == height_)
        return;
    width_ = width;
    height_ = height;
    // A new vector, not assign(): assign keeps the old capacity, so an image made smaller or
    // cleared would go on holding all of its former pixels.
    pixels_ = std::vector<std::uint8_t>(std::size_t(width) * height * 4, 0);
}

std::uint32_t MemoImage::argb(int x, int y) const
{
    const std::uint8_t* p = pixel(x, y);
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

void MemoImage::set_argb(int x, int y, std::uint32_t v)
{
    std::uint8_t* p = pixel(x, y);
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
    p[2] = std::uint8_t(v >> 16);
    p[3] = std::uint8_t(v >> 24);
}

void MemoImage::fill(std::uint32_t colour, std::uint8_t alpha)
{
    fill_rect(0, 0, width_, height_, colour, alpha);
}

void MemoImage::fill_rect(int x, int y, int w, int h, std::uint32_t colour, std::uint8_t alpha)
{
    if (!clip_rect(x, y, w, h, width_, height_))
        return;
    const std::uint8_t px[4] = {std::uint8_t(colour >> 16), std::uint8_t(colour >> 8), std::uint8_t(colour), alpha};
    std::uint32_t word;
    std::memcpy(&word, px, 4);
    for (int row = 0; row < h; ++row) {
        auto* p = reinterpret_cast<std::uint32_t*>(pixel(x, y + row));
        std::fill(p, p + w, word);
    }
}

void MemoImage::copy(int x, int y, int w, int h, const MemoImage& s, int sx, int sy)
{
    if (!clip_transfer(x, y, w, h, sx, sy, width_, height_, s.width_, s.height_))
        return;
    for (int row = 0; row < h; ++row)
        std::memmove(pixel(x, y + row), s.pixel(sx, sy + row), std::size_t(w) * 4);
}

// Pixels are handled as little-endian words 0xAARRGGBB, the memory order blue, green, red, alpha.
static_assert(std::endian::native == std::endian::little, "pixel words assume little-endian memory");

void MemoImage::blend(int x, int y, int w, int h, const MemoImage& s, int sx, int sy)
{
    if (!clip_transfer(x, y, w, h, sx, sy, width_, height_, s.width_, s.height_))
        return;
    for (int row = 0; row < h; ++row)
        pixel_rows::blend(pixel(x, y + row), s.pixel(sx, sy + row), w);
}

void MemoImage::blend_constant(int x, int y, int w, int h, const MemoImage& s, int sx, int sy, std::uint8_t alpha)
{
    if (!clip_transfer(x, y, w, h, sx, sy, width_, height_, s.width_, s.height_))
        return;
    for (int row = 0; row < h; ++row)
        pixel_rows::blend_constant(pixel(x, y + row), s.pixel(sx, sy + row), w, alpha);
}

void MemoImage::blend_colour(int x, int y, int w, int h, std::uint32_t colour, std::uint8_t alpha)
{
    if (!clip_rect(x, y, w, h, width_, height_))
        return;
    // The colour as a pixel word: COLORREF keeps red lowest, pixels keep blue lowest.
    const std::uint32_t word = (colour & 0xFFu) << 16 | (colour & 0xFF00u) | (colour >> 16 & 0xFFu);
    for (int row = 0; row < h; ++row)
        pixel_rows::blend_colour(pixel(x, y + row), word, w, alpha);
}

namespace {

// Bilinear sampling at fixed-point positions in 1/256 pixels, clamped to a source rectangle.
// Scaling works out where each destination column and row samples once, not per pixel.
struct SampleColumn {
    int left, right;  // byte offsets of the two source pixels within a row
    int weight;       // of the right one, in 1/256
};

struct SampleRow {
    const std::uint8_t* upper;
    const std::uint8_t* lower;
    int weight;  // of the lower one, in 1/256
};

SampleColumn sample_column(int fx, int sx, int sw)
{
    const int x0 = std::clamp(fx >> 8, 0, sw - 1);
    return {(sx + x0) * 4, (sx + std::min(x0 + 1, sw - 1)) * 4, fx & 255};
}

SampleRow sample_row(const MemoImage& s, int fy, int sy, int sh)
{
    const int y0 = std::clamp(fy >> 8, 0, sh - 1);
    return {s.pixel(0, sy + y0), s.pixel(0, sy + std::min(y0 + 1, sh - 1)), fy & 255};
}

std::vector<SampleColumn> sample_columns(int count, const std::function<int(int)>& position, int sx, int sw)
{
    std::vector<SampleColumn> columns(std::size_t(std::max(count, 0)));
    for (int i = 0; i < count; ++i)
        columns[std::size_t(i)] = sample_column(position(i), sx, sw);
    return columns;
}

inline void sample(const SampleRow& row, const SampleColumn& column, std::uint8_t out[4])
{
    const int ax = column.weight, ay = row.weight;
    for (int c = 0; c < 4; ++c) {
        const int top = row.upper[column.left + c] * (256 - ax) + row.upper[column.right + c] * ax;
        const int bottom = row.lower[column.left + c] * (256 - ax) + row.lower[column.right + c] * ax;
        out[c] = std::uint8_t((top * (256 - ay) + bottom * ay) >> 16);
    }
}

} // namespace

void MemoImage::scaled_blend(int x, int y, int w, int h, const MemoImage& s, int sx, int sy, int sw, int sh,
                             const Rect& clip)
{
    // Keep the source rectangle inside the source image.
    if (sx < 0) { sw += sx; sx = 0; }
    if (sy < 0) { sh += sy; sy = 0; }
    sw = std::min(sw, s.width_ - sx);
    sh = std::min(sh, s.height_ - sy);
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0)
        return;
    const Rect visible = clip.intersected({0, 0, width_, height_});
    const int x_begin = std::max<int>(visible.left, x), x_end = int(std::min<std::int64_t>(visible.right, std::int64_t(x) + w));
    const int y_begin = std::max<int>(visible.top, y), y_end = int(std::min<std::int64_t>(visible.bottom, std::int64_t(y) + h));
    // Pixel centres map onto pixel centres.
    const std::int64_t step_x = (std::int64_t(sw) << 8) / w, step_y = (std::int64_t(sh) << 8) / h;
    const std::vector<SampleColumn> columns = sample_columns(
        x_end - x_begin, [&](int i) { return std::max(int(((2 * (x_begin + i - x) + 1) * step_x) / 2) - 128, 0); }, sx,
        sw);
    for (int dy = y_begin; dy < y_end; ++dy) {
        const SampleRow row = sample_row(s, std::max(int(((2 * (dy - y) + 1) * step_y) / 2) - 128, 0), sy, sh);
        std::uint8_t* d = pixel(x_begin, dy);
        for (const SampleColumn& column : columns) {
            std::uint8_t p[4];
            sample(row, column, p);
            const int a = p[3];
            if (a != 0) {
                d[0] = std::uint8_t(d[0] + ((a * (p[0] - d[0])) >> 8));
                d[1] = std::uint8_t(d[1] + ((a * (p[1] - d[1])) >> 8));
                d[2] = std::uint8_t(d[2] + ((a * (p[2] - d[2])) >> 8));
                d[3] = std::uint8_t(std::min(255, d[3] + a));
            }
            d += 4;
        }
    }
}

MemoImage MemoImage::scaled(int w, int h) const
{
    MemoImage out(w, h);
    if (out.empty() || empty())
        return out;
    if (w > width_ || h > height_) {
        // Enlarging: each destination pixel is a bilinear sample of the source.
        const std::vector<SampleColumn> columns = sample_columns(
            w, [&](int dx) { return std::max(0, int(((2 * dx + 1) * (std::int64_t(width_) << 8) / w) / 2) - 128); }, 0,
            width_);
        for (int dy = 0; dy < h; ++dy) {
            const SampleRow row =
                sample_row(*this, std::max(0, int(((2 * dy + 1) * (std::int64_t(height_) << 8) / h) / 2) - 128), 0,
                           height_);
            std::uint8_t* d = out.pixel(0, dy);
            for (const SampleColumn& column : columns) {
                sample(row, column, d);
                d += 4;
            }
        }
        return out;
    }
    for (int dy = 0; dy < out.height_; ++dy) {
        // Source span of this destination row.
        const int y0 = int(std::int64_t(dy) * height_ / h);
        const int y1 = std::max(y0 + 1, int(std::int64_t(dy + 1) * height_ / h));
        for (int dx = 0; dx < out.width_; ++dx) {
            std::uint8_t* d = out.pixel(dx, dy);
            const int x0 = int(std::int64_t(dx) * width_ / w);
            const int x1 = std::max(x0 + 1, int(std::int64_t(dx + 1) * width_ / w));
            std::uint32_t sum[4] = {0, 0, 0, 0};
            for (int sy = y0; sy < y1; ++sy)
                for (int sx = x0; sx < x1; ++sx) {
                    const std::uint8_t* p = pixel(sx, sy);
                    for (int c = 0; c < 4; ++c)
                        sum[c] += p[c];
                }
            const std::uint32_t n = std::uint32_t((x1 - x0) * (y1 - y0));
            for (int c = 0; c < 4; ++c)
                d[c] = std::uint8_t(sum[c] / n);
        }
    }
    return out;
}

void MemoImage::and_with(int x, int y, int w, int h, const MemoImage& s, int sx, int sy)
{
    if (!clip_transfer(x, y, w, h, sx, sy, width_, height_, s.width_, s.height_))
        return;
    for (int row = 0; row < h; ++row) {
        std::uint8_t* d = pixel(x, y + row);
        const std::uint8_t* p = s.pixel(sx, sy + row);
        for (int i = 0; i < w * 4; ++i)
            d[i] &= p[i];
    }
}

void MemoImage::or_with(int x, int y, int w, int h, const MemoImage& s, int sx, int sy)
{
    if (!clip_transfer(x, y, w, h, sx, sy, width_, height_, s.width_, s.height_))
        return;
    for (int row = 0; row < h; ++row) {
        std::uint8_t* d = pixel(x, y + row);
        const std::uint8_t* p = s.pixel(sx, sy + row);
        for (int i = 0; i < w * 4; ++i)
            d[i] |= p[i];
    }
}

void MemoImage::invert(int x, int y, int w, int h)
{
    if (!clip_rect(x, y, w, h, width_, height_))
        return;
    for (int row = 0; row < h; ++row) {
        std::uint8_t* d = pixel(x, y + row);
        for (int i = 0; i < w * 4; ++i)
            d[i] = std::uint8_t(~d[i]);
    }
}

} // namespace memo
