#include "rs2/Stream.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace rs2 {

namespace {

// Values travel in little-endian byte order whatever the host is.
template <typename T> void to_little_endian(T v, unsigned char* out)
{
    static_assert(sizeof(T) <= 8);
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof(T));
    for (std::size_t i = 0; i < sizeof(T); ++i)
        out[i] = static_cast<unsigned char>(bits >> (8 * i));
}

template <typename T> T from_little_endian(const unsigned char* in)
{
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        bits |= std::uint64_t(in[i]) << (8 * i);
    T v;
    std::memcpy(&v, &bits, sizeof(T));
    return v;
}

} // namespace

// ---- input ----

BaseIStream::BaseIStream(bool text_mode) : text_mode_(text_mode)
{
    buffer_[0] = 0;
}

bool BaseIStream::eof() const
{
    return buffer_empty() && eof_;
}

bool BaseIStream::fail() const
{
    return error_;
}

void BaseIStream::error(const std::string& message)
{
    error_ = true;
    throw IOException(message);
}

void BaseIStream::reset()
{
    error_ = false;
    eof_ = false;
    cursor_ = end_ = buffer_;
    buffer_[0] = 0;
}

void BaseIStream::set_delimiters(std::string_view delimiters)
{
    delimiters_.assign(delimiters.substr(0, kMaxDelimiters));
}

void BaseIStream::refill(const char* message)
{
    cursor_ = end_ = buffer_;
    buffer_[0] = 0;
    char* last = raw_read(buffer_, kBufferSize);
    if (!last) {
        reset();
        error(message);
    }
    end_ = last;
    if (static_cast<std::size_t>(end_ - buffer_) < kBufferSize)
        set_eof(true);
}

// Skips leading delimiters, then copies bytes up to the next delimiter, a 0 byte, max bytes
// or the end of input. The byte 0 doubles as an end marker: at the end of a file the refill
// leaves a 0 at the buffer start, which ends the token.
bool BaseIStream::get_token(char* out, std::size_t max)
{
    static constexpr const char* kMessage = "read error(BaseIStream::get_token)";
    out[0] = 0;
    for (;;) {
        if (buffer_empty())
            refill(kMessage);
        if (*cursor_ == 0 || !is_delimiter(*cursor_) || eof())
            break;
        ++cursor_;
    }
    std::size_t count = 0;
    for (;;) {
        if (buffer_empty())
            refill(kMessage);
        if (*cursor_ == 0 || is_delimiter(*cursor_) || count + 1 > max || eof())
            break;
        out[count++] = *cursor_++;
    }
    out[count] = 0;
    if (cursor_ != end_)
        ++cursor_;
    const bool line_feed_delimits = delimiters_.find('\n') != std::string::npos;
    for (std::size_t i = 0; i < count; ++i) {
        if (is_delimiter(out[i]) || (!line_feed_delimits && out[i] == '\r'))
            out[i] = 0;
    }
    return true;
}

std::size_t BaseIStream::read(void* dst, std::size_t n)
{
    if (n == 0)
        return 0;
    auto* out = static_cast<char*>(dst);
    std::size_t remaining = n;
    while (remaining > 0) {
        if (buffer_empty())
            refill("read error(BaseIStream::read)");
        const std::size_t take = std::min(remaining, buffered());
        std::memcpy(out, cursor_, take);
        cursor_ += take;
        out += take;
        remaining -= take;
        // A persistent (socket) stream keeps reading: its device blocks until more bytes
        // arrive or the connection fails. Other devices stop at their end.
        if (!persistent_read_ && eof())
            break;
    }
    return n - remaining;
}

template <typename T> BaseIStream& BaseIStream::extract_binary(T& v)
{
    unsigned char bytes[sizeof(T)];
    if (buffered() >= sizeof(T)) {
        std::memcpy(bytes, cursor_, sizeof(T));
        cursor_ += sizeof(T);
    } else if (read(bytes, sizeof(T)) != sizeof(T)) {
        error("read error(BaseIStream::read)");
    }
    v = from_little_endian<T>(bytes);
    return *this;
}

bool BaseIStream::text_token(char (&token)[kMaxTextToken + 1])
{
    get_token(token, kMaxTextToken);
    return token[0] != 0;
}

BaseIStream& BaseIStream::operator>>(bool& v)
{
    if (!text_mode_) {
        unsigned char byte = 0;
        extract_binary(byte);
        v = byte != 0;
        return *this;
    }
    char token[kMaxTextToken + 1];
    int value = 0;
    if (text_token(token) && std::sscanf(token, "%d", &value) == 1)
        v = value != 0;
    return *this;
}

BaseIStream& BaseIStream::operator>>(float& v)
{
    if (!text_mode_)
        return extract_binary(v);
    char token[kMaxTextToken + 1];
    if (text_token(token))
        std::sscanf(token, "%f", &v);
    return *this;
}

BaseIStream& BaseIStream::operator>>(double& v)
{
    if (!text_mode_)
        return extract_binary(v);
    char token[kMaxTextToken + 1];
    if (text_token(token))
        std::sscanf(token, "%lf", &v);
    return *this;
}

BaseIStream& BaseIStream::operator>>(std::uint32_t& v)
{
    if (!text_mode_)
        return extract_binary(v);
    char token[kMaxTextToken + 1];
    if (text_token(token))
        std::sscanf(token, "%u", &v);
    return *this;
}

BaseIStream& BaseIStream::operator>>(std::int32_t& v)
{
    if (!text_mode_)
        return extract_binary(v);
    char token[kMaxTextToken + 1];
    if (text_token(token))
        std::sscanf(token, "%d", &v);
    return *this;
}

BaseIStream& BaseIStream::operator>>(char& v)
{
    if (!text_mode_)
        return extract_binary(v);
    char token[kMaxTextToken + 1];
    if (text_token(token))
        std::sscanf(token, "%c", &v);
    return *this;
}

BaseIStream& BaseIStream::operator>>(unsigned char& v)
{
    if (!text_mode_)
        return extract_binary(v);
    char token[kMaxTextToken + 1];
    unsigned int value = 0;
    if (text_token(token) && std::sscanf(token, "%x", &value) == 1)
        v = static_cast<unsigned char>(value);
    return *this;
}

std::string BaseIStream::read_string()
{
    if (text_mode_) {
        char token[kMaxTextToken + 1];
        get_token(token, kMaxTextToken);
        return token;
    }
    std::uint32_t length = 0;
    *this >> length;
    if (length > readable_bound())
        error("read error(BaseIStream::read)");
    std::string text(length, '\0');
    if (read(text.data(), length) != length)
        error("read error(BaseIStream::read)");
    return text;
}

std::int64_t BaseIStream::read_int64()
{
    std::int64_t v = 0;
    extract_binary(v);
    return v;
}

// ---- output ----

BaseOStream::BaseOStream(bool text_mode, bool buffered)
    : text_mode_(text_mode), buffered_(buffered), buffer_(buffered ? new char[kCapacity] : nullptr)
{
}

BaseOStream::~BaseOStream()
{
    delete[] buffer_;
}

void BaseOStream::error(const std::string& message)
{
    error_ = true;
    throw IOException(message);
}

void BaseOStream::flush()
{
    if (buffered_ && fill_ > 0) {
        const std::size_t n = fill_;
        fill_ = 0;
        if (!raw_write(buffer_, n))
            error("write error (flush)");
    }
}

void BaseOStream::textout(std::string_view text)
{
    if (!buffered_) {
        if (!raw_write(text.data(), text.size()))
            error("write error(textout)");
        return;
    }
    if (kCapacity < fill_ + text.size())
        flush();
    if (text.size() > kCapacity) {
        // Too long for the buffer: after the flush above it goes straight to the device.
        if (!raw_write(text.data(), text.size()))
            error("write error (flush)");
        return;
    }
    std::memcpy(buffer_ + fill_, text.data(), text.size());
    fill_ += text.size();
}

// Buffered writes leave one byte of the buffer unused: whenever the buffer would reach
// capacity - 1 bytes it is topped up to that and sent, so the device sees blocks of at
// most 511 bytes.
bool BaseOStream::write(const void* src, std::size_t n)
{
    auto* p = static_cast<const char*>(src);
    if (!buffered_) {
        if (n > 0 && !raw_write(p, n))
            error("write error(write)");
        return true;
    }
    while (fill_ + n >= kCapacity - 1) {
        const std::size_t k = std::min(kCapacity - 1 - fill_, n);
        std::memcpy(buffer_ + fill_, p, k);
        const std::size_t block = fill_ + k;
        fill_ = 0;
        if (!raw_write(buffer_, block))
            error("write error(write)");
        p += k;
        n -= k;
        if (n == 0)
            return true;
    }
    std::memcpy(buffer_ + fill_, p, n);
    fill_ += n;
    return true;
}

template <typename T> BaseOStream& BaseOStream::insert_binary(T v)
{
    unsigned char bytes[sizeof(T)];
    to_little_endian(v, bytes);
    write(bytes, sizeof(T));
    return *this;
}

BaseOStream& BaseOStream::insert_text(const char* format, ...)
{
    char text[64];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (length >= 0 && static_cast<std::size_t>(length) < sizeof text) {
        textout(std::string_view(text, static_cast<std::size_t>(length)));
        return *this;
    }
    // Only huge floating-point values exceed the local buffer.
    std::string wide(static_cast<std::size_t>(std::max(length, 0)) + 1, '\0');
    va_start(args, format);
    std::vsnprintf(wide.data(), wide.size(), format, args);
    va_end(args);
    wide.pop_back();
    textout(wide);
    return *this;
}

BaseOStream& BaseOStream::operator<<(bool v)
{
    return text_mode_ ? insert_text("%d", v ? 1 : 0) : insert_binary<unsigned char>(v ? 1 : 0);
}

BaseOStream& BaseOStream::operator<<(const char* text)
{
    const std::size_t n = std::strlen(text);
    if (text_mode_)
        textout(std::string_view(text, n));
    else
        write(text, n);
    return *this;
}

BaseOStream& BaseOStream::operator<<(float v)
{
    return text_mode_ ? insert_text("%f", static_cast<double>(v)) : insert_binary(v);
}

BaseOStream& BaseOStream::operator<<(double v)
{
    return text_mode_ ? insert_text("%f", v) : insert_binary(v);
}

BaseOStream& BaseOStream::operator<<(std::uint32_t v)
{
    return text_mode_ ? insert_text("%u", v) : insert_binary(v);
}

BaseOStream& BaseOStream::operator<<(std::int32_t v)
{
    return text_mode_ ? insert_text("%d", v) : insert_binary(v);
}

BaseOStream& BaseOStream::operator<<(char v)
{
    return text_mode_ ? insert_text("%c", v) : insert_binary(v);
}

BaseOStream& BaseOStream::operator<<(unsigned char v)
{
    return text_mode_ ? insert_text("%x", static_cast<unsigned>(v)) : insert_binary(v);
}

void BaseOStream::write_string(std::string_view text)
{
    if (text_mode_) {
        textout(text);
        return;
    }
    // The length counts the bytes before any embedded 0, like strlen of the stored text.
    const std::size_t n = std::min(text.find('\0'), text.size());
    *this << static_cast<std::uint32_t>(n);
    write(text.data(), n);
}

void BaseOStream::write_int64(std::int64_t v)
{
    insert_binary(v);
}

// ---- both halves ----

void BaseIOStream::error(const std::string& message)
{
    BaseIStream::set_error_flag(true);
    BaseOStream::set_error_flag(true);
    throw IOException(message);
}

void BaseIOStream::reset()
{
    BaseIStream::reset();
    BaseOStream::set_error_flag(false);
}

void BaseIOStream::set_text_mode(bool text)
{
    BaseIStream::set_text_mode(text);
    BaseOStream::set_text_mode(text);
}

} // namespace rs2
