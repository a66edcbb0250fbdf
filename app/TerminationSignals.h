#pragma once

#include <QObject>
#include <functional>

// Turns SIGTERM and SIGINT into a call on the event loop, where it is safe to close windows
// and save files (a signal handler itself may only write to a pipe).
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers once per process; a later call only replaces what a signal runs.
    static void install(std::function<void()> on_signal);

private:
    TerminationSignals();
    std::function<void()> on_signal_;
};
