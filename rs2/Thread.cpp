#include "rs2/Thread.h"

#include <chrono>

#include "rs2/DebugStream.h"
#include "rs2/Timer.h"

namespace rs2 {

Thread::~Thread()
{
    // Owners wait for run() to return before destroying a worker; join only collects it.
    if (thread_.joinable())
        thread_.join();
}

void Thread::start()
{
    if (thread_.joinable() || running_)
        return;
    stop_requested_ = false;
    terminated_ = false;
    running_ = true;
    thread_ = std::thread([this] {
        try {
            run();
        } catch (const std::exception& failure) {
            trace() << "thread ended by an exception: " << failure.what() << "\n";
        }
        running_ = false;
    });
}

bool Thread::wait(double seconds)
{
    Timer timer;
    while (running_) {
        if (seconds >= 0 && timer.elapsed() > seconds) {
            terminate();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(seconds < 0 ? 100 : 10));
    }
    if (thread_.joinable())
        thread_.join();
    return true;
}

void Thread::terminate()
{
    stop_requested_ = true;
    if (running_ && thread_.joinable() && !terminated_) {
        terminated_ = true;
        thread_.detach();
    }
}

} // namespace rs2
