#pragma once

#include <QRect>
#include <cstdint>
#include <vector>

#include "memo/MemoImage.h"

// Which parts of a premultiplied picture hold anything: per row, one bit per column tile (at
// most 64 tiles across). Blending the picture over the page then skips what is transparent.
class Coverage {
public:
    // Forgets everything: a picture of that size holding nothing.
    void reset(int width, int height);
    // Looks again at the rows of area in the image, over every tile area touches.
    void update(const memo::MemoImage& image, const QRect& area);
    // The rows moved with their pixels (overlapping ranges allowed).
    void move_rows(int to, int from, int count);
    // Rectangles that hold everything covered in rows [top, top + height), gathered in bands
    // of kBandRows rows.
    std::vector<QRect> covered(int top, int height) const;

    static constexpr int kBandRows = 16;

private:
    int tile_width_ = 64;
    int width_ = 0;
    std::vector<std::uint64_t> rows_;
};
