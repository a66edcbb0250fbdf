#pragma once

#include <atomic>
#include <string>

#include "rs2/Thread.h"

namespace share {

// Told when a transfer ends; called on the downloader's thread.
class DownloadListener {
public:
    virtual ~DownloadListener() = default;
    // The file was written (also after a cancel, with what had arrived).
    virtual void download_done(const std::string& local_path) = 0;
    // No file was written.
    virtual void download_failed() = 0;
};

// Fetches one URL over HTTP into one local file on its own thread.
class Downloader : public rs2::Thread {
public:
    static constexpr const char* kDefaultAgent = "Sefta Downloader ver-1.00";
    static constexpr std::size_t kBlockSize = 4096;

    Downloader() = default;
    Downloader(const std::string& url, const std::string& local_path);
    ~Downloader() override;

    // Not while the thread runs.
    void set_target(const std::string& url, const std::string& local_path);
    void set_agent(const std::string& agent) { agent_ = agent; }
    void set_listener(DownloadListener* listener) { listener_ = listener; }

    int progress() const { return progress_; }
    // 0 after a written file, 1 after a failure; -1 before the first transfer ended.
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
    std::atomic<int> progress_{0};
    std::atomic<bool> cancel_{false};
    std::atomic<int> exit_code_{-1};
};

} // namespace share
