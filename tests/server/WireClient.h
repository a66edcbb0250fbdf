#pragma once

#include <arpa/inet.h>
#include <cstdint>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

#include "memo/ByteIO.h"
#include "memo/MemoObject.h"
#include "memo/MemoPackage.h"

// A bare client for server tests: one connection, raw chunks out, whole chunks back.
class WireClient {
public:
    explicit WireClient(int port)
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<unsigned short>(port));
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~WireClient() { ::close(fd_); }
    WireClient(const WireClient&) = delete;
    WireClient& operator=(const WireClient&) = delete;

    bool connected() const { return connected_; }
    bool send(const std::string& bytes) { return ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == ssize_t(bytes.size()); }

    // One reply chunk within the bound; nothing when the server closed or stayed silent.
    std::optional<std::string> receive(int milliseconds = 10000)
    {
        std::string reply;
        if (!read(reply, 8, milliseconds))
            return std::nullopt;
        const auto* b = reinterpret_cast<const std::uint8_t*>(reply.data() + 4);
        const std::uint32_t length = b[0] | b[1] << 8 | b[2] << 16 | std::uint32_t(b[3]) << 24;
        if (!read(reply, 8 + length, milliseconds))
            return std::nullopt;
        return reply;
    }
    std::optional<std::string> exchange(const std::string& request)
    {
        if (!send(request))
            return std::nullopt;
        return receive();
    }
    // True when the server closes the connection within the bound.
    bool closed_by_server(int milliseconds = 10000)
    {
        std::string ignored;
        return !read(ignored, 1 << 20, milliseconds) && eof_;
    }

private:
    bool read(std::string& out, std::size_t n, int milliseconds)
    {
        while (out.size() < n) {
            pollfd watch{fd_, POLLIN, 0};
            if (::poll(&watch, 1, milliseconds) <= 0)
                return false;
            char buffer[65536];
            const ssize_t got = ::recv(fd_, buffer, std::min(sizeof buffer, n - out.size()), 0);
            if (got <= 0) {
                eof_ = true;
                return false;
            }
            out.append(buffer, std::size_t(got));
        }
        return true;
    }

    int fd_ = -1;
    bool connected_ = false;
    bool eof_ = false;
};

namespace wire {

inline std::string chunk(std::string_view tag, const memo::ByteWriter& body)
{
    memo::ByteWriter out;
    out.raw(tag.data(), 4);
    out.u32(std::uint32_t(body.view().size()));
    out.raw(body.view().data(), body.view().size());
    return out.take();
}
inline std::string with_url(std::string_view tag, const std::string& url)
{
    memo::ByteWriter body;
    body.string(url);
    return chunk(tag, body);
}
inline std::string check(const std::string& url, std::int64_t time, bool content)
{
    memo::ByteWriter body;
    body.string(url);
    body.i64(time);
    body.u8(content ? 1 : 0);
    return chunk("QURL", body);
}
inline std::string commit(const std::string& package_bytes)
{
    memo::ByteWriter body;
    body.raw(package_bytes.data(), package_bytes.size());
    return chunk("CMEM", body);
}
inline std::string search(std::uint32_t mode, std::int64_t time, std::uint32_t days)
{
    memo::ByteWriter body;
    body.u32(mode);
    body.i64(time);
    body.u32(days);
    body.u8(0x0A);
    return chunk("SURL", body);
}
inline std::string search_text(const std::string& text)
{
    memo::ByteWriter body;
    body.u32(3);
    body.string(text);
    return chunk("SURL", body);
}
inline std::string message(const std::string& from, const std::string& to, const std::string& text)
{
    memo::ByteWriter body;
    body.string(from);
    body.string(to);
    body.string(text);
    return chunk("IMSG", body);
}
// A package of photos whose PNG headers declare the given size; their pixels are a 2 × 2
// picture, so the bytes stay small whatever they announce.
inline std::string photo_package(const std::string& url, int photos, std::uint32_t width, std::uint32_t height)
{
    memo::MemoPackage package;
    package.url = url;
    package.time = 1000;
    for (int i = 0; i < photos; ++i) {
        auto photo = std::make_unique<memo::PhotoObject>();
        photo->image.create(2, 2);
        photo->image.fill(0x336699, 255);
        photo->rect = {0, 0, 20, 20};
        package.add(std::move(photo));
    }
    std::string bytes = package.serialize();
    for (auto at = bytes.find("IHDR"); at != std::string::npos; at = bytes.find("IHDR", at + 1))
        for (int i = 0; i < 4; ++i) {
            bytes[at + 4 + std::size_t(i)] = char(width >> (24 - 8 * i));
            bytes[at + 8 + std::size_t(i)] = char(height >> (24 - 8 * i));
        }
    return bytes;
}

inline std::string tag(const std::optional<std::string>& reply)
{
    return reply ? reply->substr(0, 4) : std::string("none");
}
inline std::string body(const std::optional<std::string>& reply)
{
    return reply && reply->size() >= 8 ? reply->substr(8) : std::string();
}

} // namespace wire
