#include "rs2/FileStream.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace rs2 {

namespace {

int open_file(const std::string& name, unsigned flags, unsigned permissions)
{
    const bool reading = flags & FileStream::open_read;
    const bool writing = flags & FileStream::open_write;
    int mode = O_RDONLY;
    if (writing)
        mode = (reading ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
    return ::open(name.c_str(), mode | O_CLOEXEC, permissions);
}

std::string temporary_name_for(const std::string& target)
{
    static thread_local std::mt19937_64 random{std::random_device{}()};
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".tmp-%016llx", static_cast<unsigned long long>(random()));
    // A target whose name already uses most of the 255 bytes a name may have would get a
    // temporary name that cannot be created; cut its name part so the suffix fits.
    constexpr std::size_t kMaxName = 255;
    const std::size_t slash = target.rfind('/');
    const std::size_t name_start = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t name_length = target.size() - name_start;
    const std::size_t suffix_length = std::strlen(suffix);
    if (name_length + suffix_length > kMaxName)
        return target.substr(0, name_start + kMaxName - suffix_length) + suffix;
    return target + suffix;
}

} // namespace

FileStream::FileStream(const std::string& file_name, unsigned flags, unsigned permissions)
    : BaseIOStream(false, false), fd_(open_file(file_name, flags, permissions))
{
    if (fd_ < 0)
        error(file_name + ": file open error\n");
}

FileStream::~FileStream()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void FileStream::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    reset();
}

std::uint64_t FileStream::size() const
{
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0)
        return 0;
    return static_cast<std::uint64_t>(info.st_size);
}

void FileStream::sync()
{
    if (fd_ >= 0)
        ::fsync(fd_);
}

std::uint64_t FileStream::device_bound() const
{
    if (fd_ < 0)
        return 0;
    const off_t position = ::lseek(fd_, 0, SEEK_CUR);
    const std::uint64_t total = size();
    return position < 0 || static_cast<std::uint64_t>(position) > total ? 0 : total - position;
}

char* FileStream::raw_read(char* buf, std::size_t n)
{
    if (fd_ < 0)
        return nullptr;
    ssize_t got;
    do {
        got = ::read(fd_, buf, n);
    } while (got < 0 && errno == EINTR);
    return got < 0 ? nullptr : buf + got;
}

bool FileStream::raw_write(const char* p, std::size_t n)
{
    if (fd_ < 0)
        return false;
    while (n > 0) {
        const ssize_t put = ::write(fd_, p, n);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        p += put;
        n -= static_cast<std::size_t>(put);
    }
    return true;
}

AtomicFileStream::AtomicFileStream(const std::string& file_name, unsigned permissions)
    : AtomicFileStream(file_name, temporary_name_for(file_name), permissions)
{
}

AtomicFileStream::AtomicFileStream(const std::string& file_name, const std::string& temporary,
                                   unsigned permissions)
    : FileStream(temporary, open_write, permissions), target_(file_name), temporary_(temporary)
{
}

AtomicFileStream::~AtomicFileStream()
{
    if (!committed_) {
        close();
        ::unlink(temporary_.c_str());
    }
}

void AtomicFileStream::commit()
{
    flush();
    sync();
    close();
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        ::unlink(temporary_.c_str());
        committed_ = true;
        error(target_ + ": file write error\n");
    }
    committed_ = true;
}

} // namespace rs2
