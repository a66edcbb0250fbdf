#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

namespace rs2 {

// Worker thread base: derived classes implement run() and guard data shared with other
// threads with lock()/unlock().
//
// A thread cannot be killed safely on Linux, so terminate() does not kill: it asks run()
// to stop (stop_requested()) and detaches the thread, which process exit then ends. The
// object of a terminated thread must outlive it; retire() below handles that for owners.
class Thread {
public:
    Thread() = default;
    virtual ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    void start();
    bool is_running() const { return running_; }
    // Waits for run() to return. seconds < 0 waits without limit; otherwise, after the limit
    // the thread is terminated. Returns true when the thread has ended.
    bool wait(double seconds);
    void terminate();
    bool stop_requested() const { return stop_requested_; }
    void request_stop() { stop_requested_ = true; }

    void lock() { mutex_.lock(); }
    void unlock() { mutex_.unlock(); }
    std::mutex& mutex() { return mutex_; }

protected:
    // The thread's body; its result is the exit code.
    virtual int run() = 0;

private:
    std::mutex mutex_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<bool> stop_requested_{false};
    bool terminated_ = false;
};

// Stops and destroys a worker: asks it to stop, waits up to seconds, and destroys it when it
// has ended. A worker still running after that is terminated and deliberately not destroyed,
// since its thread may still use it; process exit ends both.
template <typename T> void retire(std::unique_ptr<T> worker, double seconds)
{
    if (!worker)
        return;
    worker->request_stop();
    if (!worker->wait(seconds))
        (void)worker.release();
}

} // namespace rs2
