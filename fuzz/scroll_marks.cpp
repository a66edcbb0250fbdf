// A column of page pixels read back from the screen: the page decides every byte of it, and
// the palette its marks are in.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/ScrollMarks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 12)
        return 0;
    std::uint16_t scale_hundredths = 0;
    std::int32_t near = 0;
    std::memcpy(&scale_hundredths, data, 2);
    std::memcpy(&near, data + 2, 4);
    scroll_marks::Palette palette;
    for (int c = 0; c < 3; ++c)
        palette.lowest[c] = data[6 + c] % 242;
    const std::size_t rows = (size - 12) / 4;
    (void)scroll_marks::decode(data + 12, rows, scale_hundredths / 100.0, near, palette);
    return 0;
}
