#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "rs2/Thread.h"

namespace share {

// Told when a transfer ends; called on the downloader's thread.
class DownloadListener {
public:
    virtual ~DownloadListener() = default;
    // The whole answer was written to the file.
    virtual void download_done(const std::string& local_path) = 0;
    // No file was written: a failure, an answer beyond the size limit, or a cancel.
    virtual void download_failed() = 0;
};

// How a transfer reaches the network, following the browser's own choice.
struct DownloadNetwork {
    enum class Proxy { system, none, http };
    Proxy proxy = Proxy::system; // system: the environment's proxy settings
    std::string proxy_address;   // "host:port" for http
    std::string proxy_user;
    std::string proxy_password;
    bool offline = false;        // working offline: the transfer fails without a connection
};

// Fetches one URL over HTTP into one local file on its own thread. The answer is written
// beside the file and takes the file's name only once it arrived whole, so a file at the path
// is always a complete one.
class Downloader : public rs2::Thread {
public:
    static constexpr const char* kDefaultAgent = "Sefta Downloader ver-1.00";
    static constexpr std::size_t kBlockSize = 4096;
    static constexpr std::int64_t kDefaultMaxBytes = 64ll << 20;

    Downloader() = default;
    Downloader(const std::string& url, const std::string& local_path);
    // Cancels a transfer under way and waits for its thread: the thread never outlives the
    // object. (libcurl calls back at least once a second, so the wait is short.)
    ~Downloader() override;

    // Not while the thread runs.
    void set_target(const std::string& url, const std::string& local_path);
    void set_agent(const std::string& agent) { agent_ = agent; }
    void set_listener(DownloadListener* listener) { listener_ = listener; }
    void set_network(DownloadNetwork network) { network_ = std::move(network); }
    // Answers announcing or delivering more bytes than this fail, and nothing is kept.
    void set_max_bytes(std::int64_t bytes) { max_bytes_ = bytes; }

    int progress() const { return progress_; }
    // 0 after a written file, 1 after a failure or a cancel; -1 before the first transfer ended.
    int exit_code() const { return exit_code_; }
    // Sets the cancel flag and waits up to 5 seconds for the thread to end.
    void cancel_and_wait();

    // Where the file of a URL is cached in a flat folder: the folder, a separator, and the
    // URL without its \ / : ? * < > | characters. An empty URL gives an empty path.
    static std::string local_cache_path(const std::string& folder, const std::string& url);

protected:
    int run() override;

private:
    struct Transfer; // one transfer's state, shared with libcurl's callbacks

    std::string url_;
    std::string local_path_;
    std::string agent_ = kDefaultAgent;
    DownloadListener* listener_ = nullptr;
    DownloadNetwork network_;
    std::int64_t max_bytes_ = kDefaultMaxBytes;
    std::atomic<int> progress_{0};
    std::atomic<bool> cancel_{false};
    std::atomic<int> exit_code_{-1};
};

} // namespace share
