// The history file reader, and the fast load against one add_visit per record.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "places/History.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const places::DecodedHistory decoded = places::decode_history(bytes);

    // Every entry read survives a write and a read unchanged.
    const places::DecodedHistory again = places::decode_history(places::encode_history(decoded.entries));
    if (!again.complete || again.entries != decoded.entries)
        std::abort();

    // Times near the edges of the 64-bit range must not overflow the age test.
    constexpr std::int64_t now = 1765000000;
    places::History fast([] { return now; });
    places::History slow([] { return now; });
    if (decoded.entries.size() <= 64) {
        for (const auto& e : decoded.entries)
            slow.add_visit(e);
        fast.add_visits(decoded.entries);
        if (fast.entries() != slow.entries())
            std::abort();
    }
    return 0;
}
