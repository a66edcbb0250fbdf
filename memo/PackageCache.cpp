#include "memo/PackageCache.h"

#include <system_error>

#include "memo/ByteIO.h"
#include "memo/PackageFiles.h"
#include "rs2/DebugStream.h"
#include "rs2/IOException.h"

namespace memo {

PackageCache::PackageCache(std::filesystem::path folder, Clock clock, rs2::BaseOStream* trace)
    : folder_(std::move(folder)), clock_(std::move(clock)), trace_(trace)
{
}

PackageCache::~PackageCache() = default;

Time64 PackageCache::now() const
{
    return clock_ ? clock_() : now_time();
}

void PackageCache::trace(const std::string& line) const
{
    // One write per line keeps it whole.
    rs2::BaseOStream& out = trace_ ? *trace_ : rs2::trace();
    const std::string text = line + "\n";
    out.write(text.data(), text.size());
}

bool PackageCache::is_private(std::string_view url) const
{
    return private_sites_ && private_sites_(url);
}

std::filesystem::path PackageCache::file_for(std::string_view url) const
{
    return folder_ / package_file_name(normalize_url(url));
}

PackageCache::PackagePtr PackageCache::find(std::string_view normalized_url)
{
    for (const auto& p : packages_)
        if (p->url == normalized_url)
            return p;
    return nullptr;
}

bool PackageCache::write_file(MemoPackage& package)
{
    try {
        write_package_file(package, file_for(package.url));
        package.saved_digest = stable_hash(package.serialize());
        return true;
    } catch (const rs2::IOException&) {
        return false;
    }
}

bool PackageCache::load(const std::string& file_key)
{
    const std::filesystem::path path = folder_ / package_file_name(file_key);
    std::string bytes;
    switch (read_whole_file(path, bytes)) {
    case FileRead::Missing:
        return false;
    case FileRead::Unreadable:
        // The bytes may be fine: keep the file, only a damaged one is removed.
        trace("Failed to load " + path.string());
        return false;
    case FileRead::Ok:
        break;
    }

    std::unique_ptr<MemoPackage> package;
    try {
        package = parse_package(bytes);
    } catch (const rs2::IOException&) {
        trace("Failed to load " + path.string());
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
        return false;
    }
    if (!package) {
        trace("Load Failed");
        return false;
    }
    if (package->url.empty())
        return false;
    // A file written elsewhere may spell the URL unnormalised or even hold another site. Keep
    // the cache to one package per URL, or every lookup would load another copy.
    package->url = normalize_url(package->url);
    if (find(package->url))
        return false;
    if (package->empty()) {
        trace("消去情報を発見しました");
        if (now() - package->time > kDeletionRecordLifetime) {
            trace("タイムアウトしているので削除しました");
            std::error_code ignored;
            std::filesystem::remove(path, ignored);
            return false;
        }
    }
    trace("キャッシュに読み込みました");
    package->last_access = now();
    package->saved_digest = stable_hash(package->serialize());
    packages_.push_back(std::shared_ptr<MemoPackage>(std::move(package)));
    return true;
}

void PackageCache::evict()
{
    const Time64 at = now();
    for (std::size_t i = packages_.size(); i-- > 0;) {
        const PackagePtr& p = packages_[i];
        // The minutes part of the idle span, as a clock shows it: an hour and a minute counts
        // as one minute.
        const std::int64_t minutes = (at - p->last_access) / 60 % 60;
        if (minutes < kEvictMinutes)
            continue;
        // Someone still works with this package: dropping it here would leave them editing a
        // copy that is never saved.
        if (p.use_count() > 1)
            continue;
        if (!never_used(*p) && !write_file(*p))
            trace("Failed to save " + file_for(p->url).string());
        trace(p->url + "キャッシュから削除しました");
        packages_.erase(packages_.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

PackageCache::PackagePtr PackageCache::lookup(std::string_view url, bool create)
{
    const std::string key = normalize_url(url);
    if (key.empty())
        return nullptr;
    if (PackagePtr found = find(key)) {
        found->last_access = now();
        return found;
    }

    PackagePtr result;
    // A package kept under the URL with its fragment, by an older version, is still this page's.
    if (load(key) || (fragment_kept_key(url) != key && load(fragment_kept_key(url)))) {
        evict();
        result = find(key);
        if (result)
            result->last_access = now();
    }
    if (!result && create) {
        trace("CreateNewPkg");
        const std::optional<ActiveView> view = active_view_ ? active_view_() : std::nullopt;
        result = std::make_shared<MemoPackage>();
        result->url = key;
        result->width = view ? view->width : window_width_;
        result->text_size = view ? view->text_size : 2;
        result->time = now();
        result->last_access = result->time;
        result->dirty = true;
        packages_.push_back(result);
    }
    return result;
}

bool PackageCache::save_all()
{
    bool all = true;
    for (const auto& p : packages_) {
        if (p->url.empty() || never_used(*p))
            continue;
        if (!write_file(*p)) {
            trace("Failed To Save " + p->url);
            all = false;
        }
    }
    return all;
}

bool PackageCache::save_changed()
{
    bool all = true;
    std::vector<std::string> stored;
    for (const auto& p : packages_) {
        if (p->url.empty() || never_used(*p) || stable_hash(p->serialize()) == p->saved_digest)
            continue;
        if (write_file(*p)) {
            stored.push_back(p->url);
        } else {
            trace("Failed To Save " + p->url);
            all = false;
        }
    }
    if (!stored.empty() && stored_listener_)
        stored_listener_(stored);
    return all;
}

std::size_t PackageCache::commit_changed()
{
    trace("CommitObjectPackage");
    std::vector<std::shared_ptr<const MemoPackage>> job;
    for (const auto& p : packages_) {
        if (!p->dirty)
            continue;
        p->dirty = false;
        if (is_private(p->url) || never_used(*p))
            continue;
        job.push_back(std::make_shared<const MemoPackage>(*p));
    }
    const std::size_t count = job.size();
    if (!job.empty() && commit_sink_)
        commit_sink_(std::move(job));
    return count;
}

bool PackageCache::delete_site(MemoPackage& package)
{
    const std::string url = package.url;
    if (url.empty())
        return false;
    const Time64 last_access = package.last_access;
    package.clear();
    package.time = now();
    package.url = url;
    package.last_access = last_access;
    const bool written = write_file(package);
    if (!written)
        trace("Failed to save " + file_for(url).string());
    if (!is_private(url) && delete_sink_)
        delete_sink_(url);
    if (stored_listener_)
        stored_listener_({url});
    return written;
}

bool PackageCache::delete_site(std::string_view url)
{
    const PackagePtr package = lookup(url, false);
    return package && delete_site(*package);
}

namespace {

// Adds the objects of `from` to `into`. An object whose GUID is already there replaces that
// one instead of doubling it: two objects with one identity would confuse every later merge.
void merge_objects(MemoPackage& into, const MemoPackage& from)
{
    for (std::size_t i = 0; i < from.size(); ++i) {
        const MemoObject& object = from.at(i);
        if (MemoObject* existing = into.find(object.id)) {
            if (object.copy_into(*existing, true))
                continue;
            into.remove(existing);
        }
        into.add(object.clone());
    }
}

} // namespace

OpenMemoResult PackageCache::open_memo_file(const std::filesystem::path& path, const MergeQuestion& ask)
{
    using Status = OpenMemoResult::Status;
    OpenMemoResult result;

    std::vector<std::unique_ptr<MemoPackage>> read;
    try {
        std::string bytes;
        if (read_whole_file(path, bytes) != FileRead::Ok)
            throw rs2::IOException(path.string() + ": file open error\n");
        ByteReader reader(bytes);
        while (!reader.at_end()) {
            auto package = std::make_unique<MemoPackage>();
            if (package->read_record(reader))
                read.push_back(std::move(package));
        }
    } catch (const rs2::IOException&) {
        result.status = Status::ReadFailed;
        return result;
    }
    return take_packages(std::move(read), ask);
}

OpenMemoResult PackageCache::take_packages(std::vector<std::unique_ptr<MemoPackage>> read, const MergeQuestion& ask)
{
    using Status = OpenMemoResult::Status;
    OpenMemoResult result;
    bool any_exists = false;
    for (const auto& package : read)
        if (lookup(package->url, false))
            any_exists = true;

    bool merge = false;
    if (any_exists) {
        const MergeAnswer answer = ask ? ask() : MergeAnswer::Cancel;
        if (answer == MergeAnswer::Cancel) {
            result.status = Status::Cancelled;
            return result;
        }
        merge = answer == MergeAnswer::Yes;
    }

    for (const auto& package : read) {
        if (result.url_to_show.empty())
            result.url_to_show = package->url;
        const PackagePtr cached = lookup(package->url, true);
        // A package without a URL has no site to go to.
        if (!cached)
            continue;
        // The cache finds packages by their normalised URL; a foreign file may carry another
        // spelling of it.
        const std::string key = cached->url;
        if (merge) {
            cached->width = package->width;
            cached->height = package->height;
            cached->text_size = package->text_size;
            merge_objects(*cached, *package);
        } else {
            const Time64 last_access = cached->last_access;
            cached->assign(*package);
            cached->last_access = last_access;
        }
        cached->url = key;
        cached->time = now();
    }
    return result;
}

} // namespace memo
