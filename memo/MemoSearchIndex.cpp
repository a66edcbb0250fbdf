#include "memo/MemoSearchIndex.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "memo/MemoObject.h"
#include "memo/MemoPackage.h"
#include "memo/PackageFiles.h"
#include "memo/SearchText.h"
#include "rs2/IOException.h"

namespace memo {

namespace {

// Packages read between two looks at the stop flag and two publications to searches.
constexpr std::size_t kBatch = 256;

} // namespace

MemoSearchIndex::MemoSearchIndex(std::filesystem::path folder, AddressText address_text)
    : folder_(std::move(folder)), address_text_(std::move(address_text))
{
    jobs_.push_back({true, {}});
    thread_ = std::thread([this] { run(); });
}

MemoSearchIndex::~MemoSearchIndex()
{
    {
        std::lock_guard lock(jobs_lock_);
        stopping_ = true;
    }
    jobs_changed_.notify_all();
    thread_.join();
}

void MemoSearchIndex::set_listener(std::function<void()> listener)
{
    std::lock_guard lock(jobs_lock_);
    listener_ = std::move(listener);
}

void MemoSearchIndex::stored(std::vector<std::string> urls)
{
    if (urls.empty())
        return;
    {
        std::lock_guard lock(jobs_lock_);
        jobs_.push_back({false, std::move(urls)});
    }
    jobs_changed_.notify_all();
}

bool MemoSearchIndex::ready() const
{
    std::shared_lock lock(index_lock_);
    return ready_;
}

std::size_t MemoSearchIndex::sites() const
{
    std::shared_lock lock(index_lock_);
    return sites_.size();
}

void MemoSearchIndex::wait_idle()
{
    std::unique_lock lock(jobs_lock_);
    jobs_changed_.wait(lock, [this] { return stopping_ || (jobs_.empty() && !busy_); });
}

void MemoSearchIndex::notify()
{
    std::function<void()> listener;
    {
        std::lock_guard lock(jobs_lock_);
        listener = listener_;
    }
    if (listener)
        listener();
}

void MemoSearchIndex::run()
{
    for (;;) {
        Job job;
        {
            std::unique_lock lock(jobs_lock_);
            busy_ = false;
            jobs_changed_.notify_all();
            jobs_changed_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (stopping_)
                return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
            busy_ = true;
        }
        if (job.whole_folder) {
            read_folder();
        } else {
            for (const std::string& url : job.urls) {
                const std::string name = package_file_name(normalize_url(url));
                Site site;
                const bool found = read_site(folder_ / name, site);
                std::unique_lock lock(index_lock_);
                if (found)
                    sites_[name] = std::move(site);
                else
                    sites_.erase(name);
            }
        }
        notify();
    }
}

void MemoSearchIndex::read_folder()
{
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder_, error), end; !error && it != end; it.increment(error))
        if (std::string name = it->path().filename().string(); has_package_extension(name))
            names.push_back(std::move(name));

    std::vector<std::pair<std::string, Site>> batch;
    const auto publish = [&] {
        std::unique_lock lock(index_lock_);
        for (auto& [name, site] : batch)
            sites_[name] = std::move(site);
        batch.clear();
    };
    for (const std::string& name : names) {
        if (batch.size() == kBatch) {
            publish();
            std::lock_guard lock(jobs_lock_);
            if (stopping_)
                return;
        }
        Site site;
        if (read_site(folder_ / name, site))
            batch.emplace_back(name, std::move(site));
    }
    publish();
    std::unique_lock lock(index_lock_);
    ready_ = true;
}

bool MemoSearchIndex::read_site(const std::filesystem::path& file, Site& site) const
{
    std::string bytes;
    if (read_whole_file(file, bytes) != FileRead::Ok)
        return false;
    try {
        const std::unique_ptr<MemoPackage> package = parse_package(bytes);
        // A deletion record has nothing left to find.
        if (!package || package->url.empty() || package->empty())
            return false;
        site = site_of(*package);
        return true;
    } catch (const rs2::IOException&) {
        return false; // a damaged file is not listed
    }
}

MemoSearchIndex::Site MemoSearchIndex::site_of(const MemoPackage& package) const
{
    Site site;
    site.url = package.url;
    site.time = package.time;
    site.folded_address = fold_search_text(address_text_ ? address_text_(package.url) : package.url);
    // Text boxes are found by their text and author; every other memo through the latest
    // one of its author, so an author's hundreds of strokes make one result, not hundreds.
    std::unordered_map<std::string, const MemoObject*> latest_by_owner;
    for (std::size_t i = 0; i < package.size(); ++i) {
        const MemoObject& object = package.at(i);
        if (object.kind() == MemoKind::TextBox) {
            const auto& box = static_cast<const TextBoxObject&>(object);
            site.memos.push_back({{box.id, box.bounds(), box.owner, box.text},
                                  fold_search_text(box.text), fold_search_text(box.owner)});
            continue;
        }
        const MemoObject*& latest = latest_by_owner[object.owner];
        if (!latest || object.time >= latest->time)
            latest = &object;
    }
    for (const auto& [owner, object] : latest_by_owner)
        if (!owner.empty())
            site.memos.push_back({{object->id, object->bounds(), owner, {}}, {}, fold_search_text(owner)});
    return site;
}

std::vector<SiteHit> MemoSearchIndex::search(std::string_view query, std::size_t limit) const
{
    const std::vector<std::string> words = search_words(query);
    if (words.empty() || limit == 0)
        return {};
    const auto memo_has = [](const Memo& memo, const std::string& word) {
        return folded_contains(memo.folded_text, word) || folded_contains(memo.folded_owner, word);
    };

    std::shared_lock lock(index_lock_);
    std::vector<const Site*> found;
    for (const auto& entry : sites_) {
        const Site& site = entry.second;  // a named reference: clang 14 cannot capture a structured binding
        const bool every_word = std::all_of(words.begin(), words.end(), [&](const std::string& word) {
            return folded_contains(site.folded_address, word) ||
                   std::any_of(site.memos.begin(), site.memos.end(), [&](const Memo& m) { return memo_has(m, word); });
        });
        if (every_word)
            found.push_back(&site);
    }

    // Newest first; a site kept in two files (an older version's name) is listed once.
    std::stable_sort(found.begin(), found.end(), [](const Site* a, const Site* b) { return a->time > b->time; });
    std::unordered_set<std::string_view> listed;
    std::vector<SiteHit> result;
    for (const Site* site : found) {
        if (result.size() == limit)
            break;
        if (!listed.insert(site->url).second)
            continue;
        SiteHit hit{site->url, site->time, {}};
        for (const Memo& memo : site->memos)
            if (std::any_of(words.begin(), words.end(), [&](const std::string& word) { return memo_has(memo, word); }))
                hit.memos.push_back(memo.hit);
        result.push_back(std::move(hit));
    }
    return result;
}

} // namespace memo
