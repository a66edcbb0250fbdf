#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "memo/MemoImage.h"
#include "memo/MemoPackage.h"
#include "memo/MemoTypes.h"

namespace memo {

class PackageCache;

// One site of the memo pane: what the pane shows of a package.
struct MemoSite {
    Time64 time = 0;
    std::string url;
    MemoImage thumbnail;
    // False for a deletion record (a site whose memos were all deleted): nothing to list.
    bool has_memos = true;
};

// The sites of one local date, in the order they were collected.
struct MemoDateGroup {
    std::string date; // "%d/%02d/%02d": year, month, day
    std::vector<MemoSite> sites;
};

// Reads "SURL", "TIME" and "THUM" of one "PACK" record and steps over everything else by its
// length, the object list included, so listing a folder does not read the memos themselves.
// Null when the outer tag is not "PACK"; throws rs2::IOException on damaged bytes.
std::optional<MemoSite> read_package_summary(std::span<const char> bytes);
// The same on a file, which is read only as far as those records need. Throws
// rs2::IOException when the file cannot be read or is damaged.
std::optional<MemoSite> read_package_summary_file(const std::filesystem::path& path);

// The sites with memos: every cached package with a URL, in cache order, then every ".ame"
// file of the folder (in name order) whose URL is not listed yet. Files that cannot be read
// are left out.
std::vector<MemoSite> collect_memo_sites(const std::vector<std::shared_ptr<MemoPackage>>& cached,
                                         const std::filesystem::path& folder);
std::vector<MemoSite> collect_memo_sites(const PackageCache& cache);

// The local date of a time as the pane shows it, e.g. "2026/12/07".
std::string memo_date_text(Time64 time);

// One group per distinct local date, in order of first appearance; sites keep their order.
std::vector<MemoDateGroup> group_memo_sites(std::vector<MemoSite> sites);

} // namespace memo
