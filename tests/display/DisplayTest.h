#pragma once

#include <QDir>
#include <QTimer>
#include <QToolBar>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "Screen.h"
#include "app/AppFixture.h"
#include "app/MainFrame.h"
#include "app/TabBrowserWnd.h"
#include "memo/ui/Tools.h"
#include "res/CommandIds.h"

// A value of the program's thread that another thread waits for. A timer samples it, and
// timers also run inside the event loops of dialogs and popups.
class Probe {
public:
    explicit Probe(std::function<QString()> sample) : sample_(std::move(sample))
    {
        timer_.callOnTimeout([this] {
            const QString now = sample_();
            std::lock_guard lock(mutex_);
            if (now != value_) {
                value_ = now;
                changed_.notify_all();
            }
        });
        timer_.start(10);
    }
    // From another thread: true once the value is `expected`, false when the time ran out.
    bool wait_for(const QString& expected, int timeout_ms = 15000)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] { return value_ == expected; });
    }

private:
    std::function<QString()> sample_;
    QTimer timer_;
    std::mutex mutex_;
    std::condition_variable changed_;
    QString value_;
};

// The real program on this test's own X display. There is no window manager on it, so the
// test raises and activates the main window itself before it sends X input.
class DisplayTest : public AppTest {
protected:
    static CMainFrame* frame() { return app().main_frame(); }
    static CTabBrowserWnd* browser() { return app().ActiveBrowser(); }

    // Starts on the served page and waits until its title is shown and the window has the
    // keyboard.
    void start_shown(const QString& path, const QString& title)
    {
        ASSERT_TRUE(start({pages_.url(path).toString()}));
        ASSERT_TRUE(wait_until([&] { return browser() && browser()->LocationName() == title; }, 30000));
        activate();
    }

    static void activate()
    {
        frame()->show();
        frame()->raise();
        frame()->activateWindow();
        ASSERT_TRUE(wait_until([] { return frame()->isActiveWindow(); }));
    }

    static QToolBar* drawing_bar() { return frame()->findChild<QToolBar*>(QStringLiteral("DrawingBar")); }
    static QWidget* tool_button(int command) { return drawing_bar()->widgetForAction(frame()->action(command)); }

    // Clicks a tool's button (browse mode's for 0) on the screen and waits for the tool to
    // become current.
    static void choose_tool(int command)
    {
        QWidget* button = tool_button(command != 0 ? command : res::cmd::kBrowseMode);
        ASSERT_TRUE(button && button->isVisible());
        ASSERT_TRUE(screen::click(button, button->rect().center()));
        ASSERT_TRUE(wait_until([&] { return app().tools().current_id() == command; }));
    }

    // Runs X input on a thread of its own while this thread goes on handling events. Input
    // that opens a window with an event loop of its own (the text editor) needs it: that loop
    // runs inside the event that opened it, and no line of the test runs until it ends.
    static bool send_input(const std::function<bool()>& input)
    {
        std::atomic<int> result{-1};
        std::thread sender([&] { result = input() ? 1 : 0; });
        // Every step of the input is bounded, so the thread ends.
        wait_until([&] { return result >= 0; }, 120000);
        sender.join();
        return result == 1;
    }

    // Saves the X screen as NAME.png into MARVO_SCREENSHOT_DIR, when set.
    static void save_shot(const QString& name) { screen::keep(name); }
};
