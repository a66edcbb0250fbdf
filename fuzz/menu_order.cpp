// The binary menu-order value (records of shell item-ID lists) and internet-shortcut text.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "places/Favorites.h"
#include "places/Shortcut.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto records = places::parse_menu_order(bytes);
    if (records.size() > size)
        std::abort();
    (void)places::parse_internet_shortcut_url(bytes);
    return 0;
}
