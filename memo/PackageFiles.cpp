#include "memo/PackageFiles.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "rs2/FileStream.h"

namespace memo {

std::string fragment_kept_key(std::string_view url)
{
    const std::size_t at = url.find("index");
    if (at != std::string_view::npos && url.size() - at <= 10)
        url = url.substr(0, at);
    return std::string(url);
}

std::string normalize_url(std::string_view url)
{
    return fragment_kept_key(url.substr(0, url.find('#')));
}

std::string escape_url_for_file(std::string_view url)
{
    std::string out;
    out.reserve(url.size() + 16);
    for (const char c : url) {
        switch (c) {
        case '\\': out += "%5C"; break;
        case '/': out += "%2F"; break;
        case ':': out += "%3A"; break;
        case '?': out += "%3F"; break;
        case '*': out += "%2A"; break;
        case '<': out += "%3C"; break;
        case '>': out += "%3E"; break;
        case '|': out += "%7C"; break;
        case '\0': out += "%00"; break;
        default: out += c; break;
        }
    }
    return out;
}

std::uint64_t stable_hash(std::string_view bytes)
{
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (const char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 0x100000001b3ull;
    }
    return h;
}

std::string package_file_name(std::string_view normalized_url)
{
    std::string name = escape_url_for_file(normalized_url);
    if (name.size() + kPackageExtension.size() <= kMaxFileNameBytes)
        return name + std::string(kPackageExtension);
    char tail[24];
    std::snprintf(tail, sizeof tail, "~%016llx", static_cast<unsigned long long>(stable_hash(normalized_url)));
    const std::size_t tail_length = std::char_traits<char>::length(tail);
    name.resize(kMaxFileNameBytes - tail_length - kPackageExtension.size());
    return name + tail + std::string(kPackageExtension);
}

bool has_package_extension(std::string_view file_name)
{
    if (file_name.size() < kPackageExtension.size())
        return false;
    const std::string_view tail = file_name.substr(file_name.size() - kPackageExtension.size());
    for (std::size_t i = 0; i < tail.size(); ++i) {
        char c = tail[i];
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        if (c != kPackageExtension[i])
            return false;
    }
    return true;
}

FileRead read_whole_file(const std::filesystem::path& path, std::string& bytes)
{
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? FileRead::Missing : FileRead::Unreadable;
    struct stat info {};
    FileRead result = FileRead::Ok;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        result = FileRead::Unreadable;
    } else {
        bytes.resize(static_cast<std::size_t>(info.st_size));
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                result = FileRead::Unreadable;
                break;
            }
            if (n == 0)
                break; // the file shrank while we read it
            done += static_cast<std::size_t>(n);
        }
        bytes.resize(done);
    }
    ::close(fd);
    if (result != FileRead::Ok)
        bytes.clear();
    return result;
}

void write_package_file(const MemoPackage& package, const std::filesystem::path& path)
{
    const std::string bytes = package.serialize();
    rs2::AtomicFileStream out(path.string());
    out.write(bytes.data(), bytes.size());
    out.commit();
}

} // namespace memo
