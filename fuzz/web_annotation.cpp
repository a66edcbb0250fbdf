// The annotation importer on untrusted JSON. Whatever it makes of the bytes must survive its
// own export: importing that again gives the same memos.
#include <cstdint>
#include <string>

#include "memo/MemoPackage.h"
#include "memo/WebAnnotation.h"

namespace {

std::string same(std::string_view text)
{
    return std::string(text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const memo::AnnotationTextCodec codec{same, same};
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const memo::AnnotationImport first = memo::from_web_annotations(text, codec);
    std::vector<const memo::MemoPackage*> packages;
    for (const auto& p : first.packages)
        packages.push_back(p.get());
    const std::string exported = memo::to_web_annotations(packages, codec);
    const memo::AnnotationImport second = memo::from_web_annotations(exported, codec);
    if (!second.is_json || second.packages.size() != first.packages.size())
        __builtin_trap();
    for (std::size_t i = 0; i < packages.size(); ++i) {
        const memo::MemoPackage& a = *first.packages[i];
        const memo::MemoPackage& b = *second.packages[i];
        if (a.url != b.url || a.size() != b.size())
            __builtin_trap();
        for (std::size_t k = 0; k < a.size(); ++k)
            if (a.at(k).id != b.at(k).id || a.at(k).kind() != b.at(k).kind())
                __builtin_trap();
    }
    return 0;
}
