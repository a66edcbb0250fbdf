#pragma once

#include <cstdint>
#include <memory>

#include "rs2/Stream.h"

namespace memo {

// Writes a picture file a row at a time, so a picture too large to hold whole (a long page
// with its memos) is written from strips. Rows are BGRA, the layout of MemoImage and of a
// little-endian QImage::Format_ARGB32; alpha is dropped.
class RowWriter {
public:
    virtual ~RowWriter() = default;
    // True when the rows go in from the bottom row up, the order of the file.
    virtual bool bottom_up() const { return false; }
    // `width` pixels; false once a write failed or all rows are written (nothing more goes out).
    virtual bool write_row(const std::uint8_t* bgra) = 0;
    // Ends the file; false unless every row was written and every write succeeded.
    virtual bool finish() = 0;
};

// JPEG (JFIF, three components) at the given quality; at most 65,500 pixels a side.
class JpegRowWriter : public RowWriter {
public:
    JpegRowWriter(rs2::BaseOStream& out, int width, int height, int quality = 75);
    ~JpegRowWriter() override;
    bool write_row(const std::uint8_t* bgra) override;
    bool finish() override;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Windows bitmap, 24 bits, stored bottom-up as the format's readers expect: the header goes
// out first, then the rows from the bottom one up.
class BmpRowWriter : public RowWriter {
public:
    BmpRowWriter(rs2::BaseOStream& out, int width, int height);
    bool bottom_up() const override { return true; }
    bool write_row(const std::uint8_t* bgra) override;
    bool finish() override;

private:
    rs2::BaseOStream& out_;
    int width_;
    int height_;
    int rows_ = 0;
    bool failed_ = false;
    std::unique_ptr<std::uint8_t[]> row_;
};

} // namespace memo
