#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>

#include "rs2/Thread.h"

namespace {

class CountingWorker : public rs2::Thread {
public:
    std::atomic<int> loops{0};
    bool ignore_stop = false;

protected:
    int run() override
    {
        while (ignore_stop || !stop_requested()) {
            ++loops;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return 0;
    }
};

TEST(Thread, RunsUntilStopped)
{
    CountingWorker worker;
    worker.start();
    EXPECT_TRUE(worker.is_running());
    while (worker.loops < 3)
        std::this_thread::yield();
    worker.request_stop();
    EXPECT_TRUE(worker.wait(-1));
    EXPECT_FALSE(worker.is_running());
}

TEST(Thread, WaitTerminatesAfterItsLimitWithoutHanging)
{
    auto worker = std::make_unique<CountingWorker>();
    worker->ignore_stop = true;
    worker->start();
    EXPECT_FALSE(worker->wait(0.05));
    EXPECT_TRUE(worker->stop_requested());
    // The object must outlive its detached thread: retire() keeps it alive.
    rs2::retire(std::move(worker), 0.0);
}

TEST(Thread, RetireDestroysAFinishedWorker)
{
    auto worker = std::make_unique<CountingWorker>();
    worker->start();
    rs2::retire(std::move(worker), 5.0);
    EXPECT_EQ(worker, nullptr);
}

TEST(Thread, ExceptionInRunEndsTheThreadQuietly)
{
    class Throwing : public rs2::Thread {
    protected:
        int run() override { throw std::runtime_error("boom"); }
    };
    Throwing worker;
    worker.start();
    EXPECT_TRUE(worker.wait(5));
}

} // namespace
