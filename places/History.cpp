#include "places/History.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <limits>
#include <unordered_map>

#include "places/UrlText.h"
#include "rs2/FileStream.h"

namespace places {

namespace {

constexpr std::uint32_t kSiteHeader = 8;   // tag and length of the "SITE" record
constexpr std::uint32_t kFixedBody = 28;   // " URL" header, string count, "TIME" record

void put_u32(std::string& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>(v >> (8 * i)));
}

void put_i64(std::string& out, std::int64_t value)
{
    const auto v = static_cast<std::uint64_t>(value);
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<char>(v >> (8 * i)));
}

std::uint32_t get_u32(const char* p)
{
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= std::uint32_t(static_cast<unsigned char>(p[i])) << (8 * i);
    return v;
}

std::int64_t get_i64(const char* p)
{
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
        v |= std::uint64_t(static_cast<unsigned char>(p[i])) << (8 * i);
    return static_cast<std::int64_t>(v);
}

bool has_tag(const char* p, const char (&tag)[5]) { return std::memcmp(p, tag, 4) == 0; }

// A bounded view that fails instead of reading past its end.
struct Cursor {
    const char* p;
    std::size_t left;

    bool take(std::size_t n, const char*& out)
    {
        if (n > left)
            return false;
        out = p;
        p += n;
        left -= n;
        return true;
    }
};

// Reads the body of one "SITE" record. Returns false when the body is damaged; found_* say
// which fields were present (a later record of a tag replaces an earlier one).
bool read_site_body(Cursor body, HistoryEntry& entry, bool& found_url, bool& found_time)
{
    while (body.left > 0) {
        const char* header;
        if (!body.take(8, header))
            return false;
        const std::uint32_t length = get_u32(header + 4);
        Cursor record{nullptr, 0};
        if (!body.take(length, record.p))
            return false;
        record.left = length;
        if (has_tag(header, " URL")) {
            const char* count;
            const char* bytes;
            if (!record.take(4, count) || !record.take(get_u32(count), bytes))
                return false;
            entry.url.assign(bytes, get_u32(count));
            found_url = true;
        } else if (has_tag(header, "TIME")) {
            const char* time;
            if (!record.take(8, time))
                return false;
            entry.time = get_i64(time);
            found_time = true;
        }
    }
    return true;
}

std::int64_t clock_now(const History::Clock& clock) { return clock ? clock() : system_now(); }

} // namespace

std::int64_t system_now()
{
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

bool history_expired(std::int64_t time, std::int64_t now)
{
    // (now - time) / 86400 > 30, written so that no difference can overflow.
    constexpr std::int64_t limit = (kHistoryKeepDays + 1) * kSecondsPerDay;
    if (now < std::numeric_limits<std::int64_t>::min() + limit)
        return false;
    return time <= now - limit;
}

std::string encode_history(const std::vector<HistoryEntry>& entries)
{
    std::size_t total = 0;
    for (const auto& e : entries)
        total += e.url.size() + kSiteHeader + kFixedBody;
    std::string out;
    out.reserve(total);
    for (const auto& e : entries) {
        const auto n = static_cast<std::uint32_t>(e.url.size());
        out += "SITE";
        put_u32(out, n + kFixedBody);
        out += " URL";
        put_u32(out, n + 4);
        put_u32(out, n);
        out += e.url;
        out += "TIME";
        put_u32(out, 8);
        put_i64(out, e.time);
    }
    return out;
}

DecodedHistory decode_history(std::string_view bytes)
{
    DecodedHistory result;
    Cursor in{bytes.data(), bytes.size()};
    while (in.left > 0) {
        const char* header;
        Cursor body{nullptr, 0};
        if (!in.take(8, header) || !in.take(get_u32(header + 4), body.p)) {
            result.complete = false;
            break;
        }
        body.left = get_u32(header + 4);
        if (!has_tag(header, "SITE"))
            continue;
        HistoryEntry entry;
        bool found_url = false;
        bool found_time = false;
        if (!read_site_body(body, entry, found_url, found_time)) {
            result.complete = false;
            break;
        }
        if (found_url && found_time)
            result.entries.push_back(std::move(entry));
    }
    return result;
}

History::History(Clock clock) : clock_(std::move(clock)) {}

std::int64_t History::now() const { return clock_now(clock_); }

void History::changed() const
{
    if (on_change_)
        on_change_();
}

namespace {

// Inserts behind every entry of the same or an earlier time, so the list stays sorted and
// the latest visit comes last among equal times.
void insert_sorted(std::vector<HistoryEntry>& list, HistoryEntry entry)
{
    const auto at = std::upper_bound(list.begin(), list.end(), entry.time,
                                     [](std::int64_t t, const HistoryEntry& e) { return t < e.time; });
    list.insert(at, std::move(entry));
}

// The list is sorted, so the expired entries are a prefix.
void prune(std::vector<HistoryEntry>& list, std::int64_t now)
{
    const auto keep = std::find_if(list.begin(), list.end(),
                                   [now](const HistoryEntry& e) { return !history_expired(e.time, now); });
    list.erase(list.begin(), keep);
}

} // namespace

void History::add_visit(const HistoryEntry& entry)
{
    const std::int64_t now_time = now();
    const auto found = std::find_if(entries_.begin(), entries_.end(),
                                    [&](const HistoryEntry& e) { return e.url == entry.url; });
    if (found != entries_.end()) {
        HistoryEntry moved = std::move(*found);
        entries_.erase(found);
        moved.time = now_time;
        insert_sorted(entries_, std::move(moved));
    } else {
        insert_sorted(entries_, entry);
        prune(entries_, now_time);
    }
    changed();
}

bool History::load(const std::filesystem::path& file)
{
    std::string bytes;
    bool read_whole = true;
    try {
        rs2::FileStream in(file.string(), rs2::FileStream::open_read);
        const std::uint64_t size = in.size();
        if (size > std::numeric_limits<std::size_t>::max() / 2)
            return false;
        bytes.resize(static_cast<std::size_t>(size));
        bytes.resize(in.read(bytes.data(), bytes.size()));
        read_whole = bytes.size() == size;
    } catch (const rs2::IOException&) {
        return false;
    }
    DecodedHistory decoded = decode_history(bytes);
    add_visits(std::move(decoded.entries));
    return decoded.complete && read_whole;
}

void History::add_visits(std::vector<HistoryEntry> records)
{
    if (records.empty())
        return;
    // The same outcome as one add_visit per record with a fixed now, without the quadratic
    // cost: each URL keeps its latest state and a sequence number of its last touch, and one
    // sort by (time, touch) gives the order that the repeated insertions would give.
    const std::int64_t now_time = now();
    struct Work {
        HistoryEntry entry;
        std::uint64_t touch;
        bool alive;
    };
    std::vector<Work> work;
    work.reserve(entries_.size() + records.size());
    std::unordered_map<std::string_view, std::size_t> index;
    index.reserve(entries_.size() + records.size());
    std::uint64_t touch = 0;
    for (auto& e : entries_)
        work.push_back({std::move(e), touch++, true});
    for (std::size_t i = 0; i < work.size(); ++i)
        index.emplace(work[i].entry.url, i);

    bool pruned = false;
    for (auto& record : records) {
        const auto it = index.find(record.url);
        if (it != index.end()) {
            Work& w = work[it->second];
            w.entry.time = now_time;
            w.touch = touch++;
            continue;
        }
        if (!pruned) {
            // The first insertion prunes what was there; later ones can only find their own
            // record expired, since every surviving time is recent or now.
            for (auto& w : work) {
                if (w.alive && history_expired(w.entry.time, now_time)) {
                    w.alive = false;
                    index.erase(w.entry.url);
                }
            }
            pruned = true;
        }
        if (history_expired(record.time, now_time))
            continue;
        work.push_back({std::move(record), touch++, true});
        // The key views the string inside `work`, whose capacity was reserved up front, so
        // the element never moves.
        index.emplace(work.back().entry.url, work.size() - 1);
    }

    std::vector<Work*> order;
    order.reserve(work.size());
    for (auto& w : work) {
        if (w.alive)
            order.push_back(&w);
    }
    std::sort(order.begin(), order.end(), [](const Work* a, const Work* b) {
        return a->entry.time != b->entry.time ? a->entry.time < b->entry.time : a->touch < b->touch;
    });
    std::vector<HistoryEntry> result;
    result.reserve(order.size());
    for (Work* w : order)
        result.push_back(std::move(w->entry));
    entries_ = std::move(result);
    changed();
}

bool History::save(const std::filesystem::path& file) const
{
    try {
        const std::string bytes = encode_history(entries_);
        rs2::AtomicFileStream out(file.string());
        if (!bytes.empty() && !out.write(bytes.data(), bytes.size()))
            return false;
        out.commit();
        return true;
    } catch (const rs2::IOException&) {
        return false;
    }
}

bool History::remove_url(std::string_view url)
{
    const auto found = std::find_if(entries_.begin(), entries_.end(),
                                    [&](const HistoryEntry& e) { return e.url == url; });
    if (found == entries_.end())
        return false;
    entries_.erase(found);
    return true;
}

std::size_t History::remove_if(const std::function<bool(const HistoryEntry&)>& predicate)
{
    const auto before = entries_.size();
    std::erase_if(entries_, predicate);
    return before - entries_.size();
}

void History::clear()
{
    entries_.clear();
    changed();
}

std::vector<std::string> History::recent_urls(std::size_t count) const
{
    std::vector<std::string> urls;
    for (auto it = entries_.rbegin(); it != entries_.rend() && urls.size() < count; ++it)
        urls.push_back(it->url);
    return urls;
}

std::vector<std::string> History::suggestions(std::string_view typed, std::size_t limit) const
{
    std::vector<std::string> found;
    if (sjis_length(typed) <= 2)
        return found;
    for (const auto& e : entries_) {
        if (e.url.find(typed) != std::string::npos)
            found.push_back(e.url);
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const std::string& a, const std::string& b) { return a.size() < b.size(); });
    if (found.size() > limit)
        found.resize(limit);
    return found;
}

} // namespace places
