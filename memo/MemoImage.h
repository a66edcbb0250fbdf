#pragma once

#include <cstdint>
#include <vector>

#include "memo/MemoTypes.h"

namespace memo {

// A top-down 32-bit picture, 4 bytes per pixel in the order blue, green, red, alpha: the one
// pixel format of memo drawing (photos, stamps, thumbnails, off-screen surfaces). The memory is
// laid out exactly like a little-endian ARGB32 image, so a canvas can paint into it in place.
class MemoImage {
public:
    // Readers refuse pictures beyond this size in either direction.
    static constexpr int kMaxSide = 16384;

    MemoImage() = default;
    MemoImage(int width, int height) { create(width, height); }

    // (Re)allocates the pixels. A new size starts zero (transparent black) and gives the old
    // pixels' memory back; the same size keeps the old content, so scratch surfaces can be
    // re-created cheaply. A size that is negative, zero or beyond kMaxSide leaves an empty image.
    void create(int width, int height);
    // Empties the image and frees its pixels.
    void clear() { create(0, 0); }

    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return width_ <= 0 || height_ <= 0; }
    int stride() const { return width_ * 4; }

    std::uint8_t* bits() { return pixels_.data(); }
    const std::uint8_t* bits() const { return pixels_.data(); }
    std::uint8_t* pixel(int x, int y) { return pixels_.data() + (std::size_t(y) * width_ + x) * 4; }
    const std::uint8_t* pixel(int x, int y) const { return pixels_.data() + (std::size_t(y) * width_ + x) * 4; }
    // The pixel as 0xAARRGGBB (the memory read as a little-endian word).
    std::uint32_t argb(int x, int y) const;
    void set_argb(int x, int y, std::uint32_t argb);

    // Sets every pixel; colour is a COLORREF (0x00BBGGRR).
    void fill(std::uint32_t colour, std::uint8_t alpha);
    // Fills a rectangle, clipped to the image.
    void fill_rect(int x, int y, int w, int h, std::uint32_t colour, std::uint8_t alpha);

    // Plain copy of source (sx, sy, w, h) to (x, y), clipped to both images.
    void copy(int x, int y, int w, int h, const MemoImage& source, int sx, int sy);
    // c += a * (s - c) >> 8 for blue, green and red with a = source alpha; destination alpha
    // becomes min(255, destination alpha + source alpha). Clipped to both images.
    void blend(int x, int y, int w, int h, const MemoImage& source, int sx, int sy);
    // The same with a fixed a; destination alpha unchanged.
    void blend_constant(int x, int y, int w, int h, const MemoImage& source, int sx, int sy, std::uint8_t a);
    // The same with one colour (a COLORREF) for every source pixel. Clipped to the image.
    void blend_colour(int x, int y, int w, int h, std::uint32_t colour, std::uint8_t a);
    // Source rectangle (sx, sy, sw, sh) resampled bilinearly to the destination rectangle,
    // then blended with source alpha. Clipped to the destination image.
    // Destination pixels outside clip are left alone.
    void scaled_blend(int x, int y, int w, int h, const MemoImage& source, int sx, int sy, int sw, int sh,
                      const Rect& clip);
    // A new image of the given size holding this one resampled (area average when shrinking,
    // bilinear when growing): thumbnails and stretched photos.
    MemoImage scaled(int w, int h) const;

    // Raster operations on whole 32-bit pixels, clipped like copy: the masking steps of region
    // effects.
    void and_with(int x, int y, int w, int h, const MemoImage& source, int sx, int sy);
    void or_with(int x, int y, int w, int h, const MemoImage& source, int sx, int sy);
    void invert(int x, int y, int w, int h);

    bool operator==(const MemoImage& other) const
    {
        return width_ == other.width_ && height_ == other.height_ && pixels_ == other.pixels_;
    }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint8_t> pixels_;
};

// Clips a copy of w x h pixels from (sx, sy) in a source of size (sw_img, sh_img) to (x, y) in a
// destination of size (dw_img, dh_img). Returns false when nothing is left.
bool clip_transfer(int& x, int& y, int& w, int& h, int& sx, int& sy, int dw_img, int dh_img, int sw_img,
                   int sh_img);

} // namespace memo
