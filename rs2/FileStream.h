#pragma once

#include <string>

#include "rs2/Stream.h"

namespace rs2 {

// A file opened by the constructor. Binary until set_text_mode; output is unbuffered.
class FileStream : public BaseIOStream {
public:
    // Open flags; 1 and 2 are accepted and ignored.
    static constexpr unsigned open_read = 4;   // an existing file, for reading
    static constexpr unsigned open_write = 8;  // created or truncated, for writing

    // Throws IOException("<name>: file open error\n") when the file cannot be opened.
    FileStream(const std::string& file_name, unsigned flags, unsigned permissions = 0644);
    ~FileStream() override;

    void close();
    bool is_open() const { return fd_ >= 0; }
    std::uint64_t size() const;
    // Forces written bytes to the disk.
    void sync();

protected:
    char* raw_read(char* buf, std::size_t n) override;
    bool raw_write(const char* p, std::size_t n) override;
    std::uint64_t device_bound() const override;

private:
    int fd_ = -1;
};

// Writes a file the safe way: the bytes go to a temporary file beside the target, and only
// commit() renames it over the target. Destroyed without commit(), it removes the temporary
// file and leaves the old target untouched.
class AtomicFileStream : public FileStream {
public:
    explicit AtomicFileStream(const std::string& file_name, unsigned permissions = 0644);
    ~AtomicFileStream() override;

    // Flushes, syncs, closes and renames over the target; throws IOException on failure.
    void commit();

private:
    AtomicFileStream(const std::string& file_name, const std::string& temporary, unsigned permissions);

    std::string target_;
    std::string temporary_;
    bool committed_ = false;
};

} // namespace rs2
