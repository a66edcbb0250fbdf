#pragma once

#include "memo/RowWriter.h"

namespace memo {

// An 8-bit RGB PNG, top row first.
class PngRowWriter : public RowWriter {
public:
    PngRowWriter(rs2::BaseOStream& out, int width, int height);
    ~PngRowWriter() override;
    PngRowWriter(const PngRowWriter&) = delete;
    PngRowWriter& operator=(const PngRowWriter&) = delete;

    bool write_row(const std::uint8_t* bgra) override;
    bool finish() override;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace memo
