#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "rs2/IOException.h"

namespace rs2 {

// Input half of a stream: a 4096-byte buffer over a device that subclasses fill through
// raw_read. Binary mode reads little-endian values; text mode reads delimited tokens and
// scans them with the printf-style formats of the matching insertions.
class BaseIStream {
public:
    static constexpr std::size_t kBufferSize = 4096;
    static constexpr std::size_t kMaxDelimiters = 511;
    static constexpr std::size_t kMaxTextToken = 1024;

    explicit BaseIStream(bool text_mode = false);
    virtual ~BaseIStream() = default;
    BaseIStream(const BaseIStream&) = delete;
    BaseIStream& operator=(const BaseIStream&) = delete;

    virtual bool eof() const;
    virtual bool fail() const;
    // Reads one token into out (at most max bytes plus the terminator); see the .cpp.
    virtual bool get_token(char* out, std::size_t max);
    // Reads up to n raw bytes; returns how many were delivered.
    virtual std::size_t read(void* dst, std::size_t n);

    BaseIStream& operator>>(bool& v);
    BaseIStream& operator>>(float& v);
    BaseIStream& operator>>(double& v);
    BaseIStream& operator>>(std::uint32_t& v);
    BaseIStream& operator>>(std::int32_t& v);
    BaseIStream& operator>>(char& v);
    BaseIStream& operator>>(unsigned char& v);

    // A string: in binary mode a 4-byte byte count and the bytes, in text mode one token.
    std::string read_string();
    // 64-bit little-endian integer (binary mode only), for times.
    std::int64_t read_int64();

    virtual bool buffer_empty() const { return cursor_ == end_; }
    [[noreturn]] virtual void error(const std::string& message);
    virtual void set_eof(bool = true) { eof_ = true; }
    virtual void reset();

    void set_text_mode(bool text) { text_mode_ = text; }
    bool text_mode() const { return text_mode_; }
    void set_delimiters(std::string_view delimiters);
    const std::string& delimiters() const { return delimiters_; }

    // Upper bound of the bytes that can still be read. Lengths read from the stream are
    // checked against it before anything is allocated for them.
    std::uint64_t readable_bound() const { return buffered() + device_bound(); }
    std::size_t buffered() const { return static_cast<std::size_t>(end_ - cursor_); }

protected:
    // Fills buf with up to n bytes from the device; returns one past the last byte stored,
    // or nullptr on failure.
    virtual char* raw_read(char* buf, std::size_t n) = 0;
    // Bytes the device can still deliver (not counting the buffer).
    virtual std::uint64_t device_bound() const = 0;
    void set_persistent_read(bool persistent) { persistent_read_ = persistent; }
    void set_error_flag(bool on) { error_ = on; }
    void refill(const char* message);

private:
    template <typename T> BaseIStream& extract_binary(T& v);
    bool is_delimiter(char c) const { return c != 0 && delimiters_.find(c) != std::string::npos; }
    bool text_token(char (&token)[kMaxTextToken + 1]);

    bool eof_ = false;
    bool error_ = false;
    bool text_mode_;
    std::string delimiters_ = " \t\n";
    bool persistent_read_ = false;
    char buffer_[kBufferSize];
    char* cursor_ = buffer_;
    char* end_ = buffer_;
};

// Output half of a stream. Buffered output gathers bytes in 512 bytes and hands the device
// blocks of at most 511 bytes; unbuffered output hands every write straight to the device.
class BaseOStream {
public:
    static constexpr std::size_t kCapacity = 512;

    BaseOStream(bool text_mode, bool buffered);
    virtual ~BaseOStream();
    BaseOStream(const BaseOStream&) = delete;
    BaseOStream& operator=(const BaseOStream&) = delete;

    virtual void flush();
    virtual bool fail() const { return error_; }
    virtual void textout(std::string_view text);
    virtual bool write(const void* src, std::size_t n);

    BaseOStream& operator<<(bool v);
    BaseOStream& operator<<(const char* text);
    BaseOStream& operator<<(float v);
    BaseOStream& operator<<(double v);
    BaseOStream& operator<<(std::uint32_t v);
    BaseOStream& operator<<(std::int32_t v);
    BaseOStream& operator<<(char v);
    BaseOStream& operator<<(unsigned char v);

    // The counterpart of BaseIStream::read_string.
    void write_string(std::string_view text);
    void write_int64(std::int64_t v);

    [[noreturn]] virtual void error(const std::string& message);

    void set_text_mode(bool text) { text_mode_ = text; }
    bool text_mode() const { return text_mode_; }
    std::size_t pending() const { return fill_; }

protected:
    // Hands n bytes to the device; false on failure.
    virtual bool raw_write(const char* p, std::size_t n) = 0;
    void set_error_flag(bool on) { error_ = on; }
    void discard_pending() { fill_ = 0; }

private:
    template <typename T> BaseOStream& insert_binary(T v);
    BaseOStream& insert_text(const char* format, ...);

    bool text_mode_;
    bool error_ = false;
    bool buffered_;
    char* buffer_ = nullptr;
    std::size_t fill_ = 0;
};

// Both halves over one device, input first.
class BaseIOStream : public BaseIStream, public BaseOStream {
public:
    BaseIOStream(bool text_mode, bool buffered) : BaseIStream(text_mode), BaseOStream(text_mode, buffered) {}

    bool fail() const override { return BaseIStream::fail() && BaseOStream::fail(); }
    [[noreturn]] void error(const std::string& message) override;
    void reset() override;
    void set_text_mode(bool text);

    using BaseIStream::operator>>;
    using BaseOStream::operator<<;
};

} // namespace rs2
