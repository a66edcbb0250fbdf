// The memo pane's partial package reader on untrusted bytes. Whenever the full reader accepts
// the bytes, the partial one must accept them too and agree on what the pane shows.
#include <cstdint>

#include "memo/MemoIndex.h"
#include "memo/MemoPackage.h"
#include "rs2/DebugStream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    rs2::trace().set_enabled(false);
    const std::span<const char> bytes(reinterpret_cast<const char*>(data), size);
    std::optional<memo::MemoSite> summary;
    bool summary_failed = false;
    try {
        summary = memo::read_package_summary(bytes);
    } catch (const rs2::IOException&) {
        summary_failed = true;
    }
    try {
        const auto full = memo::parse_package(bytes);
        if (summary_failed || bool(full) != bool(summary))
            __builtin_trap();
        if (full && (full->url != summary->url || full->time != summary->time || !(full->thumbnail == summary->thumbnail)))
            __builtin_trap();
    } catch (const rs2::IOException&) {
        // The full reader also reads the objects, which the partial one never looks at.
    }
    return 0;
}
