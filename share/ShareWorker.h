#pragma once

#include <condition_variable>
#include <cstdint>
#include <chrono>
#include <ctime>
#include <map>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "memo/MemoPackage.h"
#include "rs2/Thread.h"
#include "share/ShareProtocol.h"

namespace share {

// What the worker is doing, shown on the status bar.
enum ShareStatus : int { status_idle = 0, status_checking = 1, status_downloading = 2, status_committing = 3,
                         status_deleting = 4 };

// The share settings the worker reads at every pass.
struct ShareSettings {
    std::string server_addr;
    int server_port = 0;
    int check_time = 20; // seconds between message polls
    std::string user_name;
};

// A package the worker hands to the main thread.
struct PackageDelivery {
    std::unique_ptr<memo::MemoPackage> package;
    // For the result of an acknowledged commit: the snapshot the commit started from. The
    // open package takes the result with apply_commit (its own later changes survive). Null
    // for a fetched package.
    std::shared_ptr<const memo::MemoPackage> sent;
};

// The main thread's handling of one delivery when a package of the same site is open. A
// fetched package is applied only when it is newer than the open one; a commit's result is
// folded in. When no package of the site is open, the caller creates one and assigns
// *delivery.package to it.
void apply_delivery(memo::MemoPackage& open, const PackageDelivery& delivery, bool with_geometry);

// State shared by the worker and the main thread, guarded by one lock (the share lock).
class ShareState {
public:
    static constexpr std::size_t kMaxMessages = 10;

    int status() const;
    void set_status(int status);
    ShareSettings settings() const;
    void set_settings(const ShareSettings& settings);

    // Sites whose changes could not be sent yet and wait for the next attempt.
    std::size_t waiting_commits() const;
    void set_waiting_commits(std::size_t count);

    // Sites whose server copy was refused for its pictures' size, until a fetch succeeds.
    void set_refused(const std::string& url, bool refused);
    bool refused(const std::string& url) const;

    void deliver_package(PackageDelivery delivery);
    // Empties the package inbox and returns what it held, in delivery order.
    std::vector<PackageDelivery> take_inbox();
    std::size_t inbox_size() const;

    // New messages go in front in their received order; the list keeps the newest ten.
    void deliver_messages(const std::vector<InstantMessage>& received);
    std::vector<InstantMessage> messages() const;

private:
    mutable std::mutex mutex_;
    int status_ = status_idle;
    std::size_t waiting_commits_ = 0;
    std::set<std::string> refused_;
    ShareSettings settings_;
    std::vector<PackageDelivery> inbox_;
    std::deque<InstantMessage> messages_;
};

// The main thread's side of the deliveries: the application posts its events from these
// (WM_USER+2 for packages, WM_USER+3 for messages). Called on the worker thread; false when
// the event could not be posted, and the worker tries again 100 ms later.
class ShareNotifier {
public:
    virtual ~ShareNotifier() = default;
    virtual bool packages_ready() = 0;
    virtual bool messages_ready() = 0;
};

// One queued request.
struct ShareJob {
    enum Kind : int { check = 0, commit = 1, remove = 2 };
    Kind kind = check;
    std::vector<std::shared_ptr<const memo::MemoPackage>> packages; // commit
    std::string delete_url;                                         // remove
    std::string site_url;                                           // check
    memo::Time64 time = 0;                                          // check
    bool has_content = false;                                       // check
};

// The one background thread that talks to the sharing server: site checks and fetches,
// commits, deletions, and the message poll.
class ShareWorker : public rs2::Thread {
public:
    static constexpr int kPassMilliseconds = 500;
    static constexpr double kStopSeconds = 5.0;
    // A commit that failed is tried again after this, doubled at each failure up to the cap.
    static constexpr int kFirstRetrySeconds = 2;
    static constexpr int kMaxRetrySeconds = 300;

    ShareWorker(ShareState& state, ShareNotifier& notifier);
    ~ShareWorker() override;

    // Queueing, from the main thread. A check for a site already queued is not queued again.
    void request_check(const std::string& url, memo::Time64 time, bool has_content);
    // The packages are snapshots the caller does not change afterwards; the worker merges
    // into its own copies. A snapshot that cannot be sent is kept and tried again with
    // back-off until it is acknowledged or a newer snapshot of its site replaces it.
    void request_commit(std::vector<std::shared_ptr<const memo::MemoPackage>> packages);
    void request_delete(const std::string& url);
    std::size_t queued_jobs();

    // Sets the stop flag and wakes the loop.
    void stop();

    // Runs everything queued so far without waiting out the pause between passes (closing
    // must not keep the user waiting); false when that takes longer than the bound.
    bool run_queued(double seconds);
    // Passes of the loop completed so far.
    std::uint64_t completed_passes();

protected:
    int run() override;

private:
    void run_pass(const std::deque<ShareJob>& jobs, std::time_t& last_poll);
    void run_job(const ShareJob& job, const ShareSettings& settings);
    void commit(const std::shared_ptr<const memo::MemoPackage>& snapshot, const ShareSettings& settings);
    // The failed commits whose next attempt is due (all of them when hurrying), taken out of
    // the waiting list.
    std::vector<std::shared_ptr<const memo::MemoPackage>> take_due_retries();
    void deliver(PackageDelivery delivery);
    void notify(bool (ShareNotifier::*post)());
    // Sleeps up to the given milliseconds; returns early when asked to stop.
    void pause(int milliseconds);

    ShareState& state_;
    ShareNotifier& notifier_;
    std::deque<ShareJob> jobs_; // guarded by the thread's own lock
    // A failed commit waiting for its next attempt, by site URL; guarded by the thread's lock.
    struct Retry {
        std::shared_ptr<const memo::MemoPackage> snapshot;
        int delay_seconds = 0;
        std::chrono::steady_clock::time_point due;
    };
    std::map<std::string, Retry> retries_;
    std::mutex wake_mutex_;
    std::condition_variable wake_;
    std::uint64_t passes_ = 0; // guarded by wake_mutex_
    bool hurry_ = false;       // guarded by wake_mutex_: passes run back to back
    std::condition_variable pass_done_;
};

} // namespace share
