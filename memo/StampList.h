#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "memo/MemoImage.h"

namespace memo {

// The stamp pictures: every "*.tga" of the stamp folder, read as 32-bit Targa, each named by
// its file title. Stamp objects find their picture by exact name.
class StampList {
public:
    struct Stamp {
        std::string name;
        MemoImage picture;
    };

    // Replaces the list with the pictures of folder, in file-name order. A file that cannot be
    // read is left out; its error goes to the trace stream. Returns how many were loaded.
    std::size_t load(const std::filesystem::path& folder);
    void add(std::string name, MemoImage picture);

    const MemoImage* find(std::string_view name) const;
    const std::vector<Stamp>& stamps() const { return stamps_; }
    std::size_t size() const { return stamps_.size(); }

private:
    std::vector<Stamp> stamps_;
};

} // namespace memo
