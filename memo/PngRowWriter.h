#pragma once

#include <cstdint>
#include <memory>

#include "rs2/Stream.h"

namespace memo {

// Writes an 8-bit RGB PNG a row at a time, so a picture too large to hold whole (a long page
// with its memos) is written from strips. Rows are top-down BGRA, the layout of MemoImage
// and of a little-endian QImage::Format_ARGB32; alpha is dropped.
class PngRowWriter {
public:
    PngRowWriter(rs2::BaseOStream& out, int width, int height);
    ~PngRowWriter();
    PngRowWriter(const PngRowWriter&) = delete;
    PngRowWriter& operator=(const PngRowWriter&) = delete;

    // `width` pixels; false once a write failed or all rows are written (nothing more goes out).
    bool write_row(const std::uint8_t* bgra);
    // Ends the file; false unless every row was written and every write succeeded.
    bool finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace memo
