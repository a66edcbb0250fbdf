#include "memo/StampList.h"

#include <algorithm>

#include "memo/ImageCodec.h"
#include "rs2/DebugStream.h"
#include "rs2/FileStream.h"

namespace memo {

std::size_t StampList::load(const std::filesystem::path& folder)
{
    stamps_.clear();
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const auto& path = it->path();
        std::string ext = path.extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        if (ext == ".tga" && it->is_regular_file(ec))
            files.push_back(path);
    }
    // Directory order is arbitrary on Linux; a sorted list keeps the stamp panel stable.
    std::sort(files.begin(), files.end());
    for (const auto& path : files) {
        try {
            rs2::FileStream file(path.string(), rs2::FileStream::open_read);
            MemoImage picture;
            TgaCodec codec(picture, 32);
            read_picture(file, codec);
            add(path.stem().string(), std::move(picture));
        } catch (const rs2::IOException& e) {
            rs2::trace() << e.what() << "\n";
        }
    }
    return stamps_.size();
}

void StampList::add(std::string name, MemoImage picture)
{
    stamps_.push_back({std::move(name), std::move(picture)});
}

const MemoImage* StampList::find(std::string_view name) const
{
    for (const auto& s : stamps_)
        if (s.name == name)
            return &s.picture;
    return nullptr;
}

} // namespace memo
