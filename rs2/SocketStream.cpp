#include "rs2/SocketStream.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include "rs2/Timer.h"

namespace rs2 {

namespace {

bool resolve_ipv4(const std::string& host, in_addr& address)
{
    if (::inet_pton(AF_INET, host.c_str(), &address) == 1)
        return true;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found)
        return false;
    address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
    ::freeaddrinfo(found);
    return true;
}

bool set_non_blocking(int fd, bool on)
{
    const int flags = ::fcntl(fd, F_GETFL, 0);
    if (flags < 0)
        return false;
    return ::fcntl(fd, F_SETFL, on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK)) == 0;
}

} // namespace

SocketStream::SocketStream() : BaseIOStream(false, true)
{
    set_persistent_read(true);
}

SocketStream::~SocketStream()
{
    if (socket_ >= 0) {
        try {
            flush();
        } catch (const IOException&) {
            // The peer is gone; nothing more can be delivered.
        }
        close();
    }
}

void SocketStream::open()
{
    if (socket_ >= 0)
        close();
    socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = 0;
    if (socket_ < 0 || ::bind(socket_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        if (socket_ >= 0)
            ::close(socket_);
        socket_ = -1;
        error("Cannot Bind to socket");
    }
    reset();
}

bool SocketStream::connect_timed(const std::string& host, unsigned short port, double seconds)
{
    in_addr address{};
    if (socket_ < 0 || !resolve_ipv4(host, address))
        return false;
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_addr = address;
    peer.sin_port = htons(port);
    peer_address_ = address.s_addr;

    if (!set_non_blocking(socket_, true))
        return false;
    if (::connect(socket_, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0) {
        if (errno != EINPROGRESS)
            return false;
        // Wait for the socket to become writable, within the limit.
        Timer timer;
        for (;;) {
            const double left = seconds - timer.elapsed();
            if (left <= 0)
                return false;
            pollfd watch{socket_, POLLOUT, 0};
            const int ready = ::poll(&watch, 1, static_cast<int>(left * 1000) + 1);
            if (ready > 0)
                break;
            if (ready < 0 && errno != EINTR)
                return false;
        }
        int failure = 0;
        socklen_t length = sizeof failure;
        if (::getsockopt(socket_, SOL_SOCKET, SO_ERROR, &failure, &length) != 0 || failure != 0)
            return false;
    }
    return set_non_blocking(socket_, false);
}

bool SocketStream::readable(int seconds)
{
    if (!buffer_empty())
        return true;
    if (socket_ < 0)
        return false;
    pollfd watch{socket_, POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&watch, 1, seconds * 1000);
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}

bool SocketStream::is_open() const
{
    return socket_ >= 0 && !fail();
}

void SocketStream::set_receive_timeout(double seconds)
{
    if (socket_ < 0)
        return;
    timeval limit{};
    if (seconds > 0) {
        limit.tv_sec = static_cast<time_t>(seconds);
        limit.tv_usec = static_cast<suseconds_t>((seconds - static_cast<double>(limit.tv_sec)) * 1e6);
    }
    ::setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
}

void SocketStream::set_deadline(double seconds)
{
    deadline_ = seconds > 0 ? std::chrono::steady_clock::now() +
                                  std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                      std::chrono::duration<double>(seconds))
                            : std::chrono::steady_clock::time_point{};
}

void SocketStream::bound_by_deadline(int option)
{
    if (deadline_ == std::chrono::steady_clock::time_point{} || socket_ < 0)
        return;
    const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline_ - std::chrono::steady_clock::now());
    if (left.count() <= 0)
        error(option == SO_RCVTIMEO ? "receive timeout" : "send timeout");
    timeval limit{};
    limit.tv_sec = static_cast<time_t>(left.count() / 1000000);
    limit.tv_usec = static_cast<suseconds_t>(left.count() % 1000000);
    // A receive time-out set by the caller that is shorter stays in force.
    timeval current{};
    socklen_t size = sizeof current;
    if (option == SO_RCVTIMEO && ::getsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, &current, &size) == 0 &&
        (current.tv_sec || current.tv_usec) &&
        (current.tv_sec < limit.tv_sec || (current.tv_sec == limit.tv_sec && current.tv_usec < limit.tv_usec)))
        return;
    ::setsockopt(socket_, SOL_SOCKET, option, &limit, sizeof limit);
}

void SocketStream::close()
{
    if (socket_ >= 0)
        ::close(socket_);
    socket_ = -1;
    peer_address_ = 0;
    discard_pending();
    reset();
}

void SocketStream::disconnect()
{
    if (is_open())
        close();
}

char* SocketStream::raw_read(char* buf, std::size_t n)
{
    if (socket_ < 0)
        return nullptr;
    bound_by_deadline(SO_RCVTIMEO);
    ssize_t got;
    do {
        got = ::recv(socket_, buf, n, 0);
    } while (got < 0 && errno == EINTR);
    if (got == 0)
        error("receive error, socket is closed");
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        error("receive timeout");
    if (got < 0)
        error("receive error");
    return buf + got;
}

// Continues a partial send until every byte is out.
bool SocketStream::raw_write(const char* p, std::size_t n)
{
    while (n > 0) {
        bound_by_deadline(SO_SNDTIMEO);
        const ssize_t sent = socket_ < 0 ? -1 : ::send(socket_, p, n, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            error("send timeout");
        if (sent <= 0)
            error("send error");
        p += sent;
        n -= static_cast<std::size_t>(sent);
    }
    return true;
}

} // namespace rs2
