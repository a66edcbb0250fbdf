#include "memo/MemoIndex.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>

#include "memo/ByteIO.h"
#include "memo/ImageCodec.h"
#include "memo/PackageCache.h"
#include "memo/PackageFiles.h"
#include "rs2/IOException.h"

namespace memo {

namespace {

// Random access to the bytes of one package.
class Source {
public:
    virtual ~Source() = default;
    virtual std::uint64_t size() const = 0;
    // Exactly n bytes at offset, or rs2::IOException.
    virtual void read_at(std::uint64_t offset, char* out, std::size_t n) = 0;
};

class SpanSource : public Source {
public:
    explicit SpanSource(std::span<const char> bytes) : bytes_(bytes) {}
    std::uint64_t size() const override { return bytes_.size(); }
    void read_at(std::uint64_t offset, char* out, std::size_t n) override
    {
        if (offset > bytes_.size() || n > bytes_.size() - offset)
            throw rs2::IOException("record too short");
        std::memcpy(out, bytes_.data() + offset, n);
    }

private:
    std::span<const char> bytes_;
};

// A file read through one block at its start, which holds the records before the object list
// in the files this system writes; anything beyond is read where it lies.
class FileSource : public Source {
public:
    static constexpr std::size_t kHead = 4096;

    explicit FileSource(const std::filesystem::path& path)
    {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat info {};
        if (fd_ < 0 || ::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode))
            throw rs2::IOException(path.string() + ": file open error\n");
        size_ = static_cast<std::uint64_t>(info.st_size);
        head_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(size_, kHead)));
        pread_all(0, head_.data(), head_.size());
    }
    ~FileSource() override
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    std::uint64_t size() const override { return size_; }
    void read_at(std::uint64_t offset, char* out, std::size_t n) override
    {
        if (offset > size_ || n > size_ - offset)
            throw rs2::IOException("record too short");
        if (offset + n <= head_.size()) {
            std::memcpy(out, head_.data() + offset, n);
            return;
        }
        pread_all(offset, out, n);
    }

private:
    void pread_all(std::uint64_t offset, char* out, std::size_t n)
    {
        std::size_t done = 0;
        while (done < n) {
            const ssize_t got = ::pread(fd_, out + done, n - done, static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                throw rs2::IOException("read error");
            done += static_cast<std::size_t>(got);
        }
    }

    int fd_ = -1;
    std::uint64_t size_ = 0;
    std::string head_;
};

struct RecordHeader {
    char tag[4];
    std::uint32_t length;
};

RecordHeader read_header(Source& source, std::uint64_t at)
{
    char bytes[8];
    source.read_at(at, bytes, 8);
    RecordHeader h;
    std::memcpy(h.tag, bytes, 4);
    const auto* b = reinterpret_cast<const unsigned char*>(bytes + 4);
    h.length = std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
    return h;
}

bool tag_is(const RecordHeader& h, const char* tag) { return std::memcmp(h.tag, tag, 4) == 0; }

std::optional<MemoSite> read_summary(Source& source)
{
    const RecordHeader pack = read_header(source, 0);
    if (!tag_is(pack, "PACK"))
        return std::nullopt;
    const std::uint64_t end = 8 + std::uint64_t(pack.length);
    if (end > source.size())
        throw rs2::IOException("record length exceeds its container");

    MemoSite site;
    site.time = never_time();
    std::string body;
    for (std::uint64_t at = 8; at < end;) {
        if (end - at < 8)
            throw rs2::IOException("record too short");
        const RecordHeader h = read_header(source, at);
        const std::uint64_t body_at = at + 8;
        if (h.length > end - body_at)
            throw rs2::IOException("record length exceeds its container");
        at = body_at + h.length;
        if (tag_is(h, "OBJS")) {
            // Only the count is read: the objects themselves are stepped over.
            char count[4] = {};
            if (h.length >= 4)
                source.read_at(body_at, count, 4);
            site.has_memos = std::memcmp(count, "\0\0\0\0", 4) != 0;
            continue;
        }
        const bool wanted = tag_is(h, "SURL") || tag_is(h, "TIME") || tag_is(h, "THUM");
        if (!wanted)
            continue; // the object list and the other values are stepped over unread
        body.resize(h.length);
        source.read_at(body_at, body.data(), body.size());
        ByteReader field(body);
        if (tag_is(h, "SURL")) {
            site.url = field.string();
        } else if (tag_is(h, "TIME")) {
            site.time = field.i64();
        } else {
            SpanIStream stream(field.rest());
            PngCodec codec(site.thumbnail, true);
            read_picture(stream, codec);
        }
    }
    return site;
}

} // namespace

std::optional<MemoSite> read_package_summary(std::span<const char> bytes)
{
    SpanSource source(bytes);
    return read_summary(source);
}

std::optional<MemoSite> read_package_summary_file(const std::filesystem::path& path)
{
    FileSource source(path);
    return read_summary(source);
}

std::vector<MemoSite> collect_memo_sites(const std::vector<std::shared_ptr<MemoPackage>>& cached,
                                         const std::filesystem::path& folder)
{
    std::vector<MemoSite> sites;
    std::unordered_set<std::string> seen;
    for (const auto& p : cached) {
        // A cached package without memos hides its file too: its memos were deleted here.
        if (!p || p->url.empty() || !seen.insert(p->url).second || p->empty())
            continue;
        sites.push_back({p->time, p->url, p->thumbnail});
    }

    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (has_package_extension(name))
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());

    for (const auto& file : files) {
        try {
            std::optional<MemoSite> site = read_package_summary_file(file);
            if (!site || site->url.empty() || !site->has_memos || seen.contains(site->url))
                continue;
            seen.insert(site->url);
            sites.push_back(std::move(*site));
        } catch (const rs2::IOException&) {
            // A file that cannot be read is not listed.
        }
    }
    return sites;
}

std::vector<MemoSite> collect_memo_sites(const PackageCache& cache)
{
    return collect_memo_sites(cache.packages(), cache.folder());
}

std::string memo_date_text(Time64 time)
{
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm local{};
    if (!::localtime_r(&t, &local))
        return "0/00/00";
    char text[48];
    std::snprintf(text, sizeof text, "%d/%02d/%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    return text;
}

std::vector<MemoDateGroup> group_memo_sites(std::vector<MemoSite> sites)
{
    std::vector<MemoDateGroup> groups;
    std::unordered_map<std::string, std::size_t> index;
    for (auto& site : sites) {
        std::string date = memo_date_text(site.time);
        auto [it, added] = index.try_emplace(date, groups.size());
        if (added)
            groups.push_back({std::move(date), {}});
        groups[it->second].sites.push_back(std::move(site));
    }
    return groups;
}

} // namespace memo
