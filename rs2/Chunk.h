#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "rs2/MemoryStream.h"

namespace rs2 {

// A tagged record: four ASCII characters, a 4-byte little-endian body length, the body.
// Chunks nest: a chunk can be written into another chunk's body.
class Chunk {
public:
    static constexpr std::size_t kHeaderSize = 8;

    Chunk() = default;
    explicit Chunk(std::string_view tag) : tag_(make_tag(tag)) {}

    // The tag as the 32-bit value whose memory image is the four characters in order.
    static std::uint32_t make_tag(std::string_view four_chars);
    std::uint32_t tag() const { return tag_; }
    std::string tag_text() const;
    bool has_tag(std::string_view four_chars) const { return tag_ == make_tag(four_chars); }
    void set_tag(std::string_view four_chars) { tag_ = make_tag(four_chars); }

    MemoryStream& body() { return body_; }
    const MemoryStream& body() const { return body_; }

    // Writes tag, length and the unread part of the body.
    void write_to(BaseOStream& out) const;
    // Reads tag and length, then appends exactly length bytes to the body. A length beyond
    // what the stream can still deliver fails before anything is allocated.
    void read_from(BaseIStream& in);

private:
    std::uint32_t tag_ = 0;
    MemoryStream body_;
};

inline BaseOStream& operator<<(BaseOStream& out, const Chunk& chunk)
{
    chunk.write_to(out);
    return out;
}

inline BaseIStream& operator>>(BaseIStream& in, Chunk& chunk)
{
    chunk.read_from(in);
    return in;
}

} // namespace rs2
