#pragma once

#include <cstdint>
#include <algorithm>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

#include "rs2/IOException.h"
#include "rs2/Stream.h"

namespace memo {

// Record bytes built in memory: values little-endian, records as tag, length and body with the
// length patched in when the record is closed, so nested records are never copied.
class ByteWriter {
public:
    // The bytes written so far.
    std::string_view view() const { return {buffer_.data(), size_}; }
    std::size_t size() const { return size_; }
    // Hands the bytes over and starts empty.
    std::string take()
    {
        buffer_.resize(size_);
        size_ = 0;
        return std::move(buffer_);
    }

    // Room for about n bytes, so that a writer that knows its size never copies its buffer.
    void reserve(std::size_t n)
    {
        if (n > buffer_.size())
            buffer_.resize(n);
    }

    void u8(std::uint8_t v) { *grow(1) = char(v); }
    void u32(std::uint32_t v)
    {
        char* p = grow(4);
        p[0] = char(v);
        p[1] = char(v >> 8);
        p[2] = char(v >> 16);
        p[3] = char(v >> 24);
    }
    void i32(std::int32_t v) { u32(std::uint32_t(v)); }
    void i64(std::int64_t v)
    {
        u32(std::uint32_t(std::uint64_t(v)));
        u32(std::uint32_t(std::uint64_t(v) >> 32));
    }
    void raw(const void* p, std::size_t n)
    {
        if (n)
            std::memcpy(grow(n), p, n);
    }
    void string(std::string_view s)
    {
        u32(std::uint32_t(s.size()));
        raw(s.data(), s.size());
    }
    // Opens a record; returns the position to close it with.
    std::size_t begin(std::string_view tag)
    {
        raw(tag.data(), 4);
        const std::size_t at = size_;
        u32(0);
        return at;
    }
    void end(std::size_t at)
    {
        const std::uint32_t n = std::uint32_t(size_ - at - 4);
        char* p = &buffer_[at];
        p[0] = char(n);
        p[1] = char(n >> 8);
        p[2] = char(n >> 16);
        p[3] = char(n >> 24);
    }

private:
    // Room for n more bytes; the buffer grows geometrically so appends stay cheap.
    char* grow(std::size_t n)
    {
        if (size_ + n > buffer_.size())
            buffer_.resize(std::max({buffer_.size() * 2, size_ + n, std::size_t(256)}));
        char* p = &buffer_[size_];
        size_ += n;
        return p;
    }

    std::string buffer_;
    std::size_t size_ = 0;
};

// An output stream appending to a ByteWriter: pictures encoded straight into a record.
class WriterOStream : public rs2::BaseOStream {
public:
    explicit WriterOStream(ByteWriter& writer) : rs2::BaseOStream(false, false), writer_(writer) {}

protected:
    bool raw_write(const char* p, std::size_t n) override
    {
        writer_.raw(p, n);
        return true;
    }

private:
    ByteWriter& writer_;
};

// Reads values and records from a byte range; running past its end throws rs2::IOException.
class ByteReader {
public:
    ByteReader() = default;
    explicit ByteReader(std::span<const char> bytes) : p_(bytes.data()), end_(bytes.data() + bytes.size()) {}

    std::size_t remaining() const { return std::size_t(end_ - p_); }
    bool at_end() const { return p_ == end_; }
    std::span<const char> rest() const { return {p_, remaining()}; }

    std::uint8_t u8() { return std::uint8_t(*take(1)); }
    std::uint32_t u32()
    {
        const auto* b = reinterpret_cast<const std::uint8_t*>(take(4));
        return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
    }
    std::int32_t i32() { return std::int32_t(u32()); }
    std::int64_t i64()
    {
        const std::uint64_t lo = u32();
        const std::uint64_t hi = u32();
        return std::int64_t(lo | hi << 32);
    }
    std::string string() { return std::string(text()); }
    // A string's bytes in place, for assigning into a string that is already there.
    std::string_view text()
    {
        const std::uint32_t n = u32();
        return {take(n), n};
    }
    const char* take(std::size_t n)
    {
        if (n > remaining()) [[unlikely]]
            too_short();
        const char* p = p_;
        p_ += n;
        return p;
    }
    // The next record: its tag as four characters and a reader over its body.
    std::string_view record(ByteReader& body)
    {
        const char* tag = take(8);
        const auto* b = reinterpret_cast<const std::uint8_t*>(tag + 4);
        const std::uint32_t n =
            std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
        if (n > remaining()) [[unlikely]]
            too_long(n);
        body = ByteReader({take(n), n});
        return {tag, 4};
    }

private:
    // Out of line, so that the readers above stay small enough to inline where records are
    // read by the thousand.
    [[noreturn, gnu::cold, gnu::noinline]] static void too_short() { throw rs2::IOException("record too short"); }
    [[noreturn, gnu::cold, gnu::noinline]] static void too_long(std::uint32_t n)
    {
        throw rs2::IOException("record length " + std::to_string(n) + " exceeds its container");
    }

    const char* p_ = nullptr;
    const char* end_ = nullptr;
};

// An input stream over bytes that someone else keeps alive: pictures inside records.
class SpanIStream : public rs2::BaseIStream {
public:
    explicit SpanIStream(std::span<const char> bytes) : bytes_(bytes) {}

protected:
    char* raw_read(char* buf, std::size_t n) override
    {
        const std::size_t take = std::min(n, bytes_.size() - at_);
        if (take == 0)
            return buf;
        std::memcpy(buf, bytes_.data() + at_, take);
        at_ += take;
        return buf + take;
    }
    std::uint64_t device_bound() const override { return bytes_.size() - at_; }

private:
    std::span<const char> bytes_;
    std::size_t at_ = 0;
};

// An unbuffered output stream appending to a string.
class StringOStream : public rs2::BaseOStream {
public:
    explicit StringOStream(std::string& bytes) : rs2::BaseOStream(false, false), bytes_(bytes) {}

protected:
    bool raw_write(const char* p, std::size_t n) override
    {
        bytes_.append(p, n);
        return true;
    }

private:
    std::string& bytes_;
};

// Reads one whole record (header and body) from a stream into bytes; false at a clean end of
// the stream before the header. A length beyond what the stream can deliver throws.
bool read_record_bytes(rs2::BaseIStream& in, std::string& bytes);

} // namespace memo
