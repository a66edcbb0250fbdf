#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "server/AddressRange.h"

namespace server {

struct ServerOptions {
    std::string host = "127.0.0.1";
    // Peers outside these ranges are refused at once.
    std::vector<AddressRange> allow = AddressRange::loopback();
    unsigned short port = 18707; // 0: an ephemeral port
    std::string database;        // "sqlite:PATH" or "postgresql://..."
    std::uint64_t max_message_size = 32ull << 20;
    double read_timeout = 10.0;  // seconds for each request to arrive whole
    double write_timeout = 10.0; // seconds for each reply to be taken whole
    std::size_t max_connections = 1024;
    // Peers held to no per-peer limit: a TLS front or proxy on this machine speaks for many
    // users from one address, and is where they are limited.
    std::vector<AddressRange> unlimited = AddressRange::loopback();
    std::size_t max_connections_per_peer = 32;
    double peer_rate = 50;       // requests per second and peer address (0: no limit)
    double peer_burst = 200;     // requests a peer may send at once after a quiet spell
    // A commit whose package time lies further ahead of the server's clock is refused: it
    // would win every later comparison.
    std::int64_t max_time_ahead = 24 * 60 * 60;
    std::size_t kept_versions = 10; // previous packages kept per site
    int threads = 1;             // network threads
    int workers = 2;             // threads that decode and check commits
};

// Receives the server's log lines (without line feeds). The default writes them to standard
// error with a time stamp.
using LogSink = std::function<void(const std::string&)>;
void log_to_stderr(const std::string& line);

// The sharing server: answers every request of the share protocol, one chunk per request,
// several requests per connection. Network threads run the connections and only move bytes;
// worker threads decode and check commits; one storage thread runs the requests that touch
// the database in batched transactions, so that many commits share one sync to disk and each
// is acknowledged only after it is durable.
class ShareServer {
public:
    explicit ShareServer(ServerOptions options, LogSink log = log_to_stderr);
    ~ShareServer();
    ShareServer(const ShareServer&) = delete;
    ShareServer& operator=(const ShareServer&) = delete;

    // Opens the database, binds and starts the threads. Throws std::runtime_error.
    void start();
    // The bound port (useful with port 0).
    unsigned short port() const;
    // Stops accepting, closes the connections, finishes the storage work and joins. Safe to
    // call from any thread and more than once.
    void stop();
    // Blocks until stop() has been called and the server has wound down.
    void wait();

    class Impl; // the server's internals, shared with its connections

private:
    std::unique_ptr<Impl> impl_;
};

// "HOST:PORT" into its parts; false when malformed.
bool parse_listen_address(const std::string& text, std::string& host, unsigned short& port);

} // namespace server
