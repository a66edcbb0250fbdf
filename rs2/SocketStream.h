#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "rs2/Stream.h"

namespace rs2 {

// A TCP client connection. Output is gathered in 512 bytes and sent in blocks of at most 511;
// reads block until every asked byte has arrived or the connection fails.
class SocketStream : public BaseIOStream {
public:
    static constexpr std::uint64_t kDefaultMaxMessageSize = 64ull << 20;

    SocketStream();
    ~SocketStream() override;

    // Creates the socket bound to any local address; throws "Cannot Bind to socket".
    void open();
    // Connects within the given seconds; false when the host does not resolve, the peer
    // refuses or the time runs out.
    bool connect_timed(const std::string& host, unsigned short port, double seconds);
    // True when input is buffered or arrives within the given whole seconds.
    bool readable(int seconds);
    bool is_open() const;
    // Bounds every single receive: a peer that stops sending in the middle of a message
    // makes the read fail after this many seconds instead of blocking for ever. 0: no bound.
    void set_receive_timeout(double seconds);
    // Bounds everything that follows, however the peer paces it: every receive and send
    // fails once this many seconds from now have passed (a reply trickled byte by byte, a
    // peer that takes nothing). 0: no bound.
    void set_deadline(double seconds);
    void close();
    void disconnect();

    // The largest message a peer may announce: lengths beyond it fail instead of allocating.
    void set_max_message_size(std::uint64_t bytes) { max_message_size_ = bytes; }
    std::uint32_t peer_address() const { return peer_address_; }

protected:
    char* raw_read(char* buf, std::size_t n) override;
    bool raw_write(const char* p, std::size_t n) override;
    std::uint64_t device_bound() const override { return max_message_size_; }

private:
    // Sets the socket's time-out for the next receive or send to what is left before the
    // deadline; fails when nothing is left.
    void bound_by_deadline(int option);

    int socket_ = -1;
    std::chrono::steady_clock::time_point deadline_{};
    std::uint32_t peer_address_ = 0;  // IPv4, network byte order
    std::uint64_t max_message_size_ = kDefaultMaxMessageSize;
};

} // namespace rs2
