// The favorites and link order-file reader: what it reads is written back and read the same.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "places/Favorites.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const places::OrderList order = places::parse_order(text);
    for (const auto& path : order) {
        const auto& bytes = path.native();
        if (bytes.empty() || bytes.size() > places::kMaxOrderLine || bytes.find('\n') != std::string::npos)
            std::abort();
    }
    if (places::parse_order(places::format_order(order)) != order)
        std::abort();
    return 0;
}
