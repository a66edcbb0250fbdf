#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace places {

// One visited page: the document URL as the browser reports it (Shift_JIS bytes) and the
// time of the last visit in seconds since 1970-01-01 UTC.
struct HistoryEntry {
    std::string url;
    std::int64_t time = 0;

    friend bool operator==(const HistoryEntry&, const HistoryEntry&) = default;
};

// The history file in the data folder.
inline constexpr const char* kHistoryFile = "marvohistory.bin";

// Entries are kept while (now - time) in whole days is at most this.
inline constexpr std::int64_t kHistoryKeepDays = 30;
inline constexpr std::int64_t kSecondsPerDay = 86400;

// True when an entry visited at `time` is too old to keep at `now`.
bool history_expired(std::int64_t time, std::int64_t now);

// The history file: one "SITE" chunk per entry, in list order, nothing else.
std::string encode_history(const std::vector<HistoryEntry>& entries);

struct DecodedHistory {
    std::vector<HistoryEntry> entries; // every complete "SITE" record, in file order
    bool complete = true;              // false when the bytes ended inside a record or were damaged
};
// Reads the records up to the first damage; the entries before it are kept.
DecodedHistory decode_history(std::string_view bytes);

// The visit history: one entry per URL, sorted by time, oldest first. Among equal times the
// entry visited last comes last. Lives on the user-interface thread.
class History {
public:
    using Clock = std::function<std::int64_t()>;

    // The clock gives "now"; the default is the system clock.
    explicit History(Clock clock = {});

    // Records a visit. A known URL gets the time now and moves behind the entries of earlier
    // times; a new URL is inserted with entry.time, and every entry older than the kept days
    // is dropped.
    void add_visit(const HistoryEntry& entry);

    // Reads the file and adds its entries as if add_visit were called for each in file
    // order: a URL stored twice keeps one entry with the load time, old entries are dropped.
    // Runs in O(n log n). False when the file is missing, unreadable or damaged; the entries
    // read before the damage are kept.
    bool load(const std::filesystem::path& file);
    // Adds the records as one add_visit each in order would, with one reading of the clock.
    void add_visits(std::vector<HistoryEntry> records);
    // Writes the file beside and renames it over the old one. False on failure.
    bool save(const std::filesystem::path& file) const;

    const std::vector<HistoryEntry>& entries() const { return entries_; }
    bool empty() const { return entries_.empty(); }
    std::size_t size() const { return entries_.size(); }

    // Removes the first entry with this URL; false when there is none.
    bool remove_url(std::string_view url);
    // Removes every entry the predicate accepts; returns how many.
    std::size_t remove_if(const std::function<bool(const HistoryEntry&)>& predicate);
    void clear();

    // The most recent URLs, newest first, at most `count`.
    std::vector<std::string> recent_urls(std::size_t count) const;
    // URLs that contain `typed` (case-sensitive), shortest first, at most `limit`; none when
    // `typed` has two characters or fewer.
    std::vector<std::string> suggestions(std::string_view typed, std::size_t limit = 16) const;

    // Called after every change made by add_visit, load or clear (the address bar refills its
    // list, the history pane follows).
    void set_on_change(std::function<void()> on_change) { on_change_ = std::move(on_change); }

private:
    std::int64_t now() const;
    void changed() const;

    Clock clock_;
    std::vector<HistoryEntry> entries_;
    std::function<void()> on_change_;
};

// The current time from the system clock, in seconds since 1970-01-01 UTC.
std::int64_t system_now();

} // namespace places
