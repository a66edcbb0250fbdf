#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace server {

struct ServerOptions {
    std::string host = "127.0.0.1";
    unsigned short port = 18707; // 0: an ephemeral port
    std::string database;        // "sqlite:PATH" or "postgresql://..."
    std::uint64_t max_message_size = 32ull << 20;
    double read_timeout = 10.0;  // seconds for each request to arrive whole
    std::size_t max_connections = 1024;
    int threads = 1;             // network threads
};

// Receives the server's log lines (without line feeds). The default writes them to standard
// error with a time stamp.
using LogSink = std::function<void(const std::string&)>;
void log_to_stderr(const std::string& line);

// The sharing server: answers every request of the share protocol, one chunk per request,
// several requests per connection. Network threads run the connections; one storage thread
// runs the requests that touch the database in batched transactions, so that many commits
// share one sync to disk and each is acknowledged only after it is durable.
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
