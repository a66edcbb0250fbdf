#include "memo/ui/Coverage.h"

#include <algorithm>
#include <bit>
#include <cstring>

void Coverage::reset(int width, int height)
{
    width_ = width;
    // Whole multiples of 16 pixels, as few tiles as 64 bits allow.
    tile_width_ = std::max(16, (width + 63) / 64 + 15) / 16 * 16;
    rows_.assign(std::size_t(std::max(height, 0)), 0);
}

void Coverage::update(const memo::MemoImage& image, const QRect& area)
{
    const QRect rows = area & QRect(0, 0, width_, int(rows_.size()));
    if (rows.isEmpty())
        return;
    const int first = rows.left() / tile_width_, last = rows.right() / tile_width_;
    for (int y = rows.top(); y <= rows.bottom(); ++y) {
        std::uint64_t bits = rows_[std::size_t(y)];
        const auto* pixels = reinterpret_cast<const std::uint32_t*>(image.pixel(0, y));
        for (int tile = first; tile <= last; ++tile) {
            const int begin = tile * tile_width_, end = std::min(begin + tile_width_, width_);
            const bool any = std::any_of(pixels + begin, pixels + end, [](std::uint32_t p) { return p >> 24 != 0; });
            const std::uint64_t bit = std::uint64_t(1) << tile;
            bits = any ? bits | bit : bits & ~bit;
        }
        rows_[std::size_t(y)] = bits;
    }
}

void Coverage::move_rows(int to, int from, int count)
{
    std::memmove(rows_.data() + to, rows_.data() + from, std::size_t(count) * sizeof(std::uint64_t));
}

std::vector<QRect> Coverage::covered(int top, int height) const
{
    std::vector<QRect> found;
    const int end = std::min(top + height, int(rows_.size()));
    for (int band = top; band < end; band += kBandRows) {
        const int band_end = std::min(band + kBandRows, end);
        std::uint64_t bits = 0;
        for (int y = band; y < band_end; ++y)
            bits |= rows_[std::size_t(y)];
        while (bits != 0) {
            const int first = std::countr_zero(bits);
            const int run = std::countr_one(bits >> first);
            const int left = first * tile_width_;
            found.emplace_back(left, band, std::min((first + run) * tile_width_, width_) - left, band_end - band);
            bits = run + first >= 64 ? 0 : bits & ~((std::uint64_t(1) << (first + run)) - 1);
        }
    }
    return found;
}
