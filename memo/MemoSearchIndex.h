#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "memo/MemoTypes.h"

namespace memo {

class MemoPackage;

// One memo found by a search: a text box, or the latest other memo of an author whose name
// matched. Its GUID and bounds let the page scroll to it and select it.
struct MemoHit {
    Guid id;
    Rect bounds;
    std::string owner;
    std::string text; // the text box's text (Shift_JIS); empty for an author's other memos
};

// A site whose memos hold every word of a search, with the memos that hold any of them (none
// when only the page address matched).
struct SiteHit {
    std::string url;
    Time64 time = 0;
    std::vector<MemoHit> memos;
};

// The words of every package file in the memo folder: text boxes, authors and page addresses,
// for finding memos as the user types. The folder is read on the index's own thread, and a
// package is read again when told it was stored (saved, received or deleted), so a search
// never reads a file. Package files are read with the package reader; damaged ones are left
// out. Searches may run on any thread while the index reads.
class MemoSearchIndex {
public:
    // The searchable text of a page address (Shift_JIS), e.g. the address as shown with its
    // escapes decoded; the address as stored when not given. Called on the index's thread.
    using AddressText = std::function<std::string(std::string_view url)>;

    // Starts reading the folder at once.
    explicit MemoSearchIndex(std::filesystem::path folder, AddressText address_text = {});
    // Stops after the file being read.
    ~MemoSearchIndex();
    MemoSearchIndex(const MemoSearchIndex&) = delete;
    MemoSearchIndex& operator=(const MemoSearchIndex&) = delete;

    // Told on the index's thread each time what a search finds may have changed: the folder
    // has been read, or stored packages read again.
    void set_listener(std::function<void()> listener);

    // The packages of these URLs were stored: read their files again (a missing file or one
    // without memos leaves the index).
    void stored(std::vector<std::string> urls);

    // Sites holding every word of the query (Shift_JIS), newest first, at most `limit`.
    std::vector<SiteHit> search(std::string_view query, std::size_t limit) const;

    // True once the whole folder has been read.
    bool ready() const;
    std::size_t sites() const;
    // Blocks until the index has read everything it was asked to (tests and measurements).
    void wait_idle();

private:
    struct Memo {
        MemoHit hit;
        std::string folded_text;
        std::string folded_owner;
    };
    struct Site {
        std::string url;
        Time64 time = 0;
        std::string folded_address;
        std::vector<Memo> memos;
    };
    // A job for the index's thread: the whole folder (no URLs), or the files of some URLs.
    struct Job {
        bool whole_folder = false;
        std::vector<std::string> urls;
    };

    void run();
    void read_folder();
    // The entry of one package file; false when it has nothing to find.
    bool read_site(const std::filesystem::path& file, Site& site) const;
    Site site_of(const MemoPackage& package) const;
    void notify();

    const std::filesystem::path folder_;
    const AddressText address_text_;

    mutable std::shared_mutex index_lock_;
    std::map<std::string, Site> sites_; // by file name
    bool ready_ = false;

    std::mutex jobs_lock_;
    std::condition_variable jobs_changed_;
    std::deque<Job> jobs_;
    bool busy_ = false;
    bool stopping_ = false;
    std::function<void()> listener_;

    std::thread thread_; // last: started once everything above exists
};

} // namespace memo
