#pragma once

#include <arpa/inet.h>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

// A one-connection peer on 127.0.0.1 that records each request chunk and answers it with the
// next scripted reply. An empty reply means: never answer, hold the connection open until the
// test ends. With a trickle interval, replies go out one byte per interval.
class ScriptedServer {
public:
    explicit ScriptedServer(std::vector<std::string> replies,
                            std::chrono::milliseconds trickle = std::chrono::milliseconds(0))
        : replies_(std::move(replies)), trickle_(trickle)
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 4);
        socklen_t length = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        worker_ = std::thread([this] { serve(); });
    }
    ~ScriptedServer()
    {
        {
            std::lock_guard hold(mutex_);
            finished_ = true;
        }
        changed_.notify_all();
        worker_.join();
        ::close(listener_);
    }
    int port() const { return port_; }

    // The requests received so far, each as whole chunk bytes. Waits (bounded) until the
    // client has closed or count requests have arrived.
    std::vector<std::string> requests(std::size_t count = 0)
    {
        std::unique_lock hold(mutex_);
        changed_.wait_for(hold, std::chrono::seconds(15),
                          [&] { return client_closed_ || (count && requests_.size() >= count); });
        return requests_;
    }

private:
    // Reads exactly n bytes; false when the client closed or the test ended.
    bool read_exact(int fd, std::string& out, std::size_t n)
    {
        while (out.size() < n) {
            pollfd watch{fd, POLLIN, 0};
            if (::poll(&watch, 1, 50) <= 0) {
                std::lock_guard hold(mutex_);
                if (finished_)
                    return false;
                continue;
            }
            char buffer[4096];
            const ssize_t got = ::recv(fd, buffer, std::min(sizeof buffer, n - out.size()), 0);
            if (got <= 0)
                return false;
            out.append(buffer, std::size_t(got));
        }
        return true;
    }

    void serve()
    {
        for (;;) {
            pollfd watch{listener_, POLLIN, 0};
            if (::poll(&watch, 1, 50) > 0)
                break;
            std::lock_guard hold(mutex_);
            if (finished_)
                return;
        }
        const int fd = ::accept(listener_, nullptr, nullptr);
        for (const std::string& reply : replies_) {
            std::string request;
            if (!read_exact(fd, request, 8))
                break;
            const std::uint32_t length = std::uint8_t(request[4]) | std::uint8_t(request[5]) << 8 |
                                         std::uint8_t(request[6]) << 16 | std::uint32_t(std::uint8_t(request[7])) << 24;
            if (!read_exact(fd, request, 8 + length))
                break;
            {
                std::lock_guard hold(mutex_);
                requests_.push_back(request);
            }
            changed_.notify_all();
            if (reply.empty()) {
                std::unique_lock hold(mutex_);
                changed_.wait(hold, [&] { return finished_; });
                break;
            }
            if (trickle_.count() == 0) {
                ::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
                continue;
            }
            for (const char byte : reply) {
                if (::send(fd, &byte, 1, MSG_NOSIGNAL) != 1)
                    break;
                std::unique_lock hold(mutex_);
                if (changed_.wait_for(hold, trickle_, [&] { return finished_; }))
                    break;
            }
        }
        // Wait for the client to close (or the test to end).
        std::string rest;
        read_exact(fd, rest, 1);
        ::close(fd);
        {
            std::lock_guard hold(mutex_);
            client_closed_ = true;
        }
        changed_.notify_all();
    }

    std::vector<std::string> replies_;
    std::chrono::milliseconds trickle_;
    int listener_ = -1;
    int port_ = 0;
    std::thread worker_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> requests_;
    bool finished_ = false;
    bool client_closed_ = false;
};

// Little-endian helpers for expected bytes.
inline std::string le32(std::uint32_t v)
{
    return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}
inline std::string le64(std::int64_t v)
{
    return le32(std::uint32_t(std::uint64_t(v))) + le32(std::uint32_t(std::uint64_t(v) >> 32));
}
inline std::string wire_string(const std::string& s)
{
    return le32(std::uint32_t(s.size())) + s;
}
inline std::string chunk(const std::string& tag, const std::string& body)
{
    return tag + le32(std::uint32_t(body.size())) + body;
}
