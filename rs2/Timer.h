#pragma once

#include <chrono>

namespace rs2 {

// High-resolution stopwatch: elapsed seconds since start().
class Timer {
public:
    Timer() { start(); }
    void start() { start_ = std::chrono::steady_clock::now(); }
    double elapsed() const
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }

private:
    std::chrono::steady_clock::time_point start_;
};

} // namespace rs2
