#pragma once

#include <span>
#include <vector>

#include "rs2/Stream.h"

namespace rs2 {

// A growable byte array read from the front and appended to at the back: the body of a Chunk.
class MemoryStream : public BaseIOStream {
public:
    explicit MemoryStream(std::size_t reserve = 4096);

    // Bytes not yet consumed by extractions, in order (buffered input included).
    std::span<const char> unread() const;
    std::size_t unread_size() const { return unread().size(); }
    // The whole array from its start.
    const char* data() const { return bytes_.data(); }
    std::size_t size() const { return bytes_.size(); }
    void clear();
    // Appends up to n bytes read from in; returns how many arrived.
    std::size_t append_from(BaseIStream& in, std::size_t n);

protected:
    char* raw_read(char* buf, std::size_t n) override;
    bool raw_write(const char* p, std::size_t n) override;
    std::uint64_t device_bound() const override { return bytes_.size() - read_position_; }

private:
    std::vector<char> bytes_;
    std::size_t read_position_ = 0;
};

} // namespace rs2
