// Chunks read from untrusted bytes, nested the way packages and share messages nest them.
#include <cstdint>

#include "rs2/Chunk.h"

namespace {

void read_nested(rs2::BaseIStream& in, int depth)
{
    while (in.readable_bound() >= rs2::Chunk::kHeaderSize && depth < 8) {
        rs2::Chunk chunk;
        chunk.read_from(in);
        std::string text = chunk.body().read_string();
        (void)text;
        read_nested(chunk.body(), depth + 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    rs2::MemoryStream in(size);
    in.write(data, size);
    try {
        read_nested(in, 0);
    } catch (const rs2::IOException&) {
    }
    return 0;
}
