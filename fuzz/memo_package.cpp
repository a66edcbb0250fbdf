// Package files and payloads from untrusted bytes: the memo file reader, the checker, a
// write-back of whatever was read, and the search's folding of the texts read.
#include <cstdint>

#include "memo/MemoPackage.h"
#include "memo/SearchText.h"
#include "rs2/DebugStream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    rs2::trace().set_enabled(false);
    const std::span<const char> bytes(reinterpret_cast<const char*>(data), size);
    try {
        for (const auto& package : memo::parse_memo_file(bytes)) {
            const std::string again = package->serialize();
            auto back = memo::parse_package(again);
            if (!back || back->serialize() != again)
                __builtin_trap();
            for (std::size_t i = 0; i < package->size(); ++i) {
                package->at(i).bounds();
                package->at(i).hit_test({10, 10});
                // Every word of a text is found in it, whatever its bytes.
                if (const auto* box = dynamic_cast<const memo::TextBoxObject*>(&package->at(i))) {
                    const std::string folded = memo::fold_search_text(box->text);
                    for (const std::string& word : memo::search_words(box->text))
                        if (!memo::folded_contains(folded, word))
                            __builtin_trap();
                }
            }
        }
    } catch (const rs2::IOException&) {
    }
    memo::check_memo_file(bytes);
    return 0;
}
