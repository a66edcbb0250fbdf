#pragma once

#include "rs2/Stream.h"

namespace rs2 {

// The process-wide trace stream: text mode, unbuffered. Each insertion is one write to
// standard error when the environment variable MARVO_TRACE is set, and goes nowhere otherwise.
class DebugStream : public BaseOStream {
public:
    DebugStream();
    bool enabled() const { return enabled_; }
    // Lets tests observe the trace without the environment variable.
    void set_enabled(bool on) { enabled_ = on; }

protected:
    bool raw_write(const char* p, std::size_t n) override;

private:
    bool enabled_;
};

// The one instance.
DebugStream& trace();

} // namespace rs2
