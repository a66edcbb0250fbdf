#include "app/TerminationSignals.h"

#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signal_pipe[2] = {-1, -1};

void on_termination_signal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signal_pipe[1], &byte, 1);
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent, std::function<void()> on_signal)
    : QObject(parent), on_signal_(std::move(on_signal))
{
    auto* notifier = new QSocketNotifier(signal_pipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char byte;
        [[maybe_unused]] const ssize_t got = ::read(signal_pipe[0], &byte, 1);
        on_signal_();
    });
}

void TerminationSignals::install(QObject* parent, std::function<void()> on_signal)
{
    if (signal_pipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signal_pipe) != 0)
        return;
    new TerminationSignals(parent, std::move(on_signal));
    struct sigaction action {};
    action.sa_handler = on_termination_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}
