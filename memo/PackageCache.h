#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "memo/MemoPackage.h"
#include "memo/MemoTypes.h"
#include "rs2/Stream.h"

namespace memo {

// The answer to "the site being opened already has other memos": Yes merges, No replaces,
// Cancel leaves everything as it was.
enum class MergeAnswer { Yes, No, Cancel };

struct OpenMemoResult {
    enum class Status {
        Opened,     // the packages are in the cache
        Cancelled,  // the user cancelled the merge question; nothing changed
        ReadFailed, // the file could not be read (the caller shows message 140)
    };
    Status status = Status::Opened;
    // The URL of the first package in the file, as written there: the page to show. Empty when
    // the file held no package.
    std::string url_to_show;

    explicit operator bool() const { return status == Status::Opened; }
};

// The memo packages of this process, one per normalised document URL, kept in the memo
// folder as ".ame" files. Packages are loaded on first use and written back when they fall
// idle (after a later load), at exit (save_all) and when a site's memos are deleted.
// Lives on the user-interface thread; the share worker receives copies only. Nothing is
// written on destruction: closing the frame calls commit_changed(), then save_all().
class PackageCache {
public:
    using Clock = std::function<Time64()>;
    using PackagePtr = std::shared_ptr<MemoPackage>;
    // Receives one commit job: copies of the changed packages, which stay valid for as long
    // as the receiver keeps them, whatever the cache does meanwhile.
    using CommitSink = std::function<void(std::vector<std::shared_ptr<const MemoPackage>> packages)>;
    // Receives the URL of a site whose memos were all deleted.
    using DeleteSink = std::function<void(const std::string& url)>;
    // True for the URLs the user excluded from sharing.
    using PrivateSites = std::function<bool(std::string_view url)>;
    // What a new package takes from the active browser window; nullopt when none is active.
    struct ActiveView {
        std::int32_t width = 0;
        std::int32_t text_size = 2;
    };
    using ActiveViewQuery = std::function<std::optional<ActiveView>()>;
    using MergeQuestion = std::function<MergeAnswer()>;

    // Trace lines go to `trace` (the process-wide trace stream when null). The clock gives
    // "now" (the system clock when empty).
    explicit PackageCache(std::filesystem::path folder, Clock clock = {}, rs2::BaseOStream* trace = nullptr);
    ~PackageCache();
    PackageCache(const PackageCache&) = delete;
    PackageCache& operator=(const PackageCache&) = delete;

    void set_commit_sink(CommitSink sink) { commit_sink_ = std::move(sink); }
    void set_delete_sink(DeleteSink sink) { delete_sink_ = std::move(sink); }
    // Told the URLs of the packages whose files changed: save_changed wrote them, or a site's
    // memos were deleted. Whatever lists or searches the stored memos (the memo pane) looks again.
    using StoredListener = std::function<void(const std::vector<std::string>& urls)>;
    void set_stored_listener(StoredListener listener) { stored_listener_ = std::move(listener); }
    void set_private_sites(PrivateSites sites) { private_sites_ = std::move(sites); }
    void set_active_view(ActiveViewQuery query) { active_view_ = std::move(query); }
    // The window width setting: the width of a new package when no browser window is active.
    void set_window_width(std::int32_t width) { window_width_ = width; }

    // The package of a URL: from the cache, else from its file, else (when create is true) a
    // new one. Null when the URL normalises to nothing or there is no package and create is
    // false. Loading a file may evict idle packages; a package that a caller still holds is
    // never evicted, so a held pointer stays the cache's package.
    PackagePtr lookup(std::string_view url, bool create);

    // Writes every package with a URL to its file. False when any write failed (traced).
    bool save_all();
    // Writes the packages whose bytes differ from their file's (those changed since they were
    // read or written). False when any write failed (traced).
    bool save_changed();

    // Hands the changed packages of sites that are not private to the commit sink as one job
    // and clears every changed package's dirty flag. Returns how many were handed over.
    std::size_t commit_changed();

    // Removes every memo of the package's site and stores that as a deletion record: its file
    // is written with an empty object list, and the delete sink is told unless the site is
    // private. False when the package has no URL or its file could not be written.
    bool delete_site(MemoPackage& package);
    // The same for the package of a URL (looked up without creating one); false when none.
    bool delete_site(std::string_view url);

    // Takes the packages of a memo file into the cache. When a site in the file already has a
    // package (in the cache or on disk), ask() decides: merge, replace or cancel.
    OpenMemoResult open_memo_file(const std::filesystem::path& path, const MergeQuestion& ask);
    // The same for packages read elsewhere (annotations imported from other tools).
    OpenMemoResult take_packages(std::vector<std::unique_ptr<MemoPackage>> packages, const MergeQuestion& ask);

    // Drops every package without writing it (the end of the run, after save_all).
    void clear() { packages_.clear(); }

    const std::vector<PackagePtr>& packages() const { return packages_; }
    std::size_t size() const { return packages_.size(); }
    const std::filesystem::path& folder() const { return folder_; }
    // The file of the package of a URL (normalised here).
    std::filesystem::path file_for(std::string_view url) const;

    // Idle spans whose minutes part (0 to 59, as a clock shows it) reaches this are evicted.
    static constexpr std::int64_t kEvictMinutes = 2;
    // A deletion record older than this many seconds is removed from disk when met.
    static constexpr std::int64_t kDeletionRecordLifetime = 24 * 60 * 60;

private:
    Time64 now() const;
    void trace(const std::string& line) const;
    bool is_private(std::string_view url) const;
    PackagePtr find(std::string_view normalized_url);
    // Loads the file of a key (a normalised URL, or the key older versions used) into the
    // cache under the normalised URL it holds; true when a package was cached.
    bool load(const std::string& file_key);
    void evict();
    // Writes beside and renames; false on any failure.
    bool write_file(MemoPackage& package);
    // A package made for a page and never given a memo: nothing to store or share.
    static bool never_used(const MemoPackage& package) { return package.empty() && package.saved_digest == 0; }

    std::filesystem::path folder_;
    Clock clock_;
    rs2::BaseOStream* trace_;
    std::vector<PackagePtr> packages_;
    CommitSink commit_sink_;
    DeleteSink delete_sink_;
    StoredListener stored_listener_;
    PrivateSites private_sites_;
    ActiveViewQuery active_view_;
    std::int32_t window_width_ = 0;
};

} // namespace memo
