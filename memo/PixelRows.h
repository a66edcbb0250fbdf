#pragma once

#include <cstdint>

// The pixel loops of MemoImage's blends, one row at a time. Each is built for the plain
// instruction set and again for AVX2, picked once at load time, so that a repaint blending
// millions of pixels uses the widest vectors the processor has.
//
// All of them compute, per colour channel, (d * (256 - a) + s * a) >> 8, which is
// d + (a * (s - d) >> 8) with an arithmetic shift.
namespace memo::pixel_rows {

// Source pixels with their own alpha a; destination alpha becomes min(255, d + a).
void blend(std::uint8_t* destination, const std::uint8_t* source, int count);
// Source pixels with a fixed a; destination alpha kept.
void blend_constant(std::uint8_t* destination, const std::uint8_t* source, int count, std::uint8_t a);
// One pixel word (0xAARRGGBB) with a fixed a; destination alpha kept.
void blend_colour(std::uint8_t* destination, std::uint32_t pixel, int count, std::uint8_t a);

// Two colours (pixel words) in turn, each pixel keeping (remaining + 1) / 65536 of itself per
// colour and taking the rest from it, rounded down; alpha grows by sums, up to 255. Pixels
// whose sum is 0 are left as they are.
void blend_remaining(std::uint8_t* destination, const std::uint16_t* remaining0, const std::uint16_t* remaining1,
                     const std::uint8_t* sums, int count, std::uint32_t pixel0, std::uint32_t pixel1);

// The same memos drawn over black (over_black) and over white (over_white) give, per pixel,
// how much of what lies beneath shows through (their difference) and what the memos add (the
// picture over black): over_black becomes that premultiplied picture, its alpha 255 minus the
// largest difference of a colour channel.
void premultiply_from_backdrops(std::uint8_t* over_black, const std::uint8_t* over_white, int count);
// The other way: a premultiplied picture (in over_black) as drawn over black and over white,
// both opaque, so that more can be drawn over it and premultiplied again.
void backdrops_from_premultiplied(std::uint8_t* over_black, std::uint8_t* over_white, int count);

} // namespace memo::pixel_rows
