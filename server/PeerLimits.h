#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

namespace server {

// What one peer address may hold of the server: open connections, and requests per second
// as a bucket that refills at the rate and holds a burst. Safe to use from any thread.
class PeerLimits {
public:
    using Clock = std::chrono::steady_clock;

    // A rate of 0 counts no requests.
    PeerLimits(std::size_t max_connections, double rate, double burst);

    // Counts a connection; false when the peer already holds its share.
    bool open_connection(const std::string& address);
    void close_connection(const std::string& address);
    // Takes one request from the peer's bucket; false when it is empty.
    bool take_request(const std::string& address, Clock::time_point now = Clock::now());

private:
    struct Peer {
        std::size_t connections = 0;
        double tokens = 0;
        Clock::time_point refilled;
    };
    // Drops peers without connections whose bucket has refilled, once the table grows.
    void forget_idle(Clock::time_point now);

    const std::size_t max_connections_;
    const double rate_;
    const double burst_;
    std::mutex mutex_;
    std::unordered_map<std::string, Peer> peers_;
};

} // namespace server
