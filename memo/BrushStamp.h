#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "memo/MemoImage.h"
#include "memo/MemoTypes.h"

namespace memo {

// The soft pen's round brush: a (2r + 1) square whose alpha falls off as ((r - dist) / r)^2
// from the centre (radius 0: one opaque pixel). Only the alpha is kept; the colour comes with
// the stroke. Rows are stored padded with transparent pixels to whole groups of 8 and 16, the
// widths the accumulator's vector loops work in.
class BrushStamp {
public:
    // Beyond this radius a brush would cost more memory than any sensible pen.
    static constexpr int kMaxRadius = 512;

    // No brush yet (radius -1): strokes are read by the thousand and most are never drawn.
    BrushStamp() = default;
    explicit BrushStamp(int radius);

    int radius() const { return radius_; }
    int size() const { return radius_ < 0 ? 0 : 2 * radius_ + 1; }
    std::uint8_t alpha(int x, int y) const { return alpha_[std::size_t(y) * alpha_stride_ + std::size_t(x)]; }

private:
    friend class StampAccumulator;
    struct Run {
        int first = 0;   // first visible column
        int groups8 = 0; // visible columns from there, in groups of 8 (none: an empty row)
        int groups16 = 0;
    };
    int radius_ = -1;
    std::size_t alpha_stride_ = 0;
    std::vector<std::uint8_t> alpha_;  // a, rows of alpha_stride_
    std::vector<std::uint16_t> scale_; // a << 8, the factor the remaining-colour planes are cut by
    std::vector<Run> runs_;
};

// Soft-pen strokes stamp their brush once per pixel of their length, two brushes deep, so a
// pixel is blended dozens of times. Blending the same colour again and again only scales the
// pixel's distance to that colour, so the accumulator keeps, per pixel and brush layer, the
// product of the (1 - a / 256) factors and the sum of the alphas, and blends the target once
// at the end: the same picture for a fraction of the work.
class StampAccumulator {
public:
    static constexpr int kLayers = 2;

    // Starts over for stamps that can change only `area` of the target.
    void begin(const Rect& area);
    // Stamps brush centred on every step of the midpoint line from a to b, into layer 0 (blended
    // first) or 1 (blended over it).
    void line(const BrushStamp& brush, int layer, Point a, Point b);
    // The pixels line() stamps for a brush of brush_size between a and b in an accumulator
    // begun with area: the brush's square times the steps it visits, counting the steps whose
    // brush misses the area sideways too. Cheap, so callers can weigh a stroke before drawing.
    static std::int64_t line_cost(const Rect& area, int brush_size, Point a, Point b);
    // Blends colours[0] and then colours[1] over the target inside the area and the clip, as if
    // every stamp had been blended in turn: colour channels move towards the layer's colour,
    // target alpha grows by the sum of the stamps' alphas, up to 255.
    void finish(MemoImage& target, const Region& clip, const std::array<Colour, kLayers>& colours);

private:
    void stamp(const BrushStamp& brush, int layer, std::int64_t x, std::int64_t y);

    Rect area_;
    int width_ = 0;
    int rows_ = 0;
    std::size_t stride_ = 0;
    // Per pixel of the area: the remaining share of the old colour per layer, 65535 = all of
    // it, and the saturated sum of the alphas stamped.
    std::array<std::vector<std::uint16_t>, kLayers> remaining_;
    std::vector<std::uint8_t> alpha_sum_;
};

} // namespace memo
