#pragma once

#include <string>
#include <vector>

#include "rs2/Stream.h"

// A stream whose device records every raw write as one block and serves reads from a script
// of pieces, so tests can observe how the library talks to its device.
class RecordingStream : public rs2::BaseIOStream {
public:
    explicit RecordingStream(bool buffered, bool text = false) : rs2::BaseIOStream(text, buffered) {}

    std::vector<std::string> blocks;
    std::vector<std::string> pieces;  // served one per raw_read, front first
    int raw_reads = 0;
    bool fail_writes = false;

    std::string written() const
    {
        std::string all;
        for (const auto& block : blocks)
            all += block;
        return all;
    }

protected:
    bool raw_write(const char* p, std::size_t n) override
    {
        if (fail_writes)
            return false;
        blocks.emplace_back(p, n);
        return true;
    }
    char* raw_read(char* buf, std::size_t n) override
    {
        ++raw_reads;
        if (pieces.empty())
            return buf;
        std::string piece = pieces.front();
        pieces.erase(pieces.begin());
        if (piece.size() > n) {
            pieces.insert(pieces.begin(), piece.substr(n));
            piece.resize(n);
        }
        piece.copy(buf, piece.size());
        return buf + piece.size();
    }
    std::uint64_t device_bound() const override
    {
        std::uint64_t total = 0;
        for (const auto& piece : pieces)
            total += piece.size();
        return total;
    }
};
