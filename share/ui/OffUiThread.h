#pragma once

#include <QEventLoop>
#include <QMetaObject>
#include <thread>
#include <utility>

// Runs a blocking exchange with the sharing server on a helper thread while the user-interface
// thread keeps handling events (painting, timers), and returns its result. A silent server
// then makes the caller wait, but never freezes the windows. The exchange must end by itself:
// every share exchange has a total deadline.
template <typename Work>
auto run_off_ui_thread(Work work)
{
    QEventLoop loop;
    decltype(work()) result{};
    std::thread helper([&] {
        result = work();
        QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    helper.join();
    return result;
}
