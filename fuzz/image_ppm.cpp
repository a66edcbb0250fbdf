// The PPM reader on untrusted bytes (dropped files, stamp pictures, pictures inside packages).
#include <cstdint>

#include "memo/ByteIO.h"
#include "memo/ImageCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    memo::SpanIStream in({reinterpret_cast<const char*>(data), size});
    memo::MemoImage image;
    memo::PpmCodec codec(image);
    if (codec.read(in) && (image.empty() || image.width() > memo::MemoImage::kMaxSide))
        __builtin_trap();
    return 0;
}
