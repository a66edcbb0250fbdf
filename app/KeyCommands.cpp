#include "app/KeyCommands.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <new>
#include <utility>

#include "app/BrowserCommands.h"
#include "app/MainFrame.h"
#include "app/MarvoApp.h"
#include "rs2/DebugStream.h"
#include "settings/ui/VirtualKeys.h"

KeyCommandPoll::KeyCommandPoll(QObject* parent) : QObject(parent) {}

// Key messages are taken where the window system hands them to a window. Widgets get them
// too, and the engine hands those it did not use back to the view's parent later, out of
// order with the keys as they are now. A key bound to a menu shortcut never reaches the
// window: it shows up as the shortcut check on the focus widget instead.
bool KeyCommandPoll::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        track(*static_cast<QKeyEvent*>(event), true);
        break;
    case QEvent::KeyPress:
        if (watched->isWindowType())
            track(*static_cast<QKeyEvent*>(event), true);
        break;
    case QEvent::KeyRelease:
        if (watched->isWindowType())
            track(*static_cast<QKeyEvent*>(event), false);
        break;
    case QEvent::ApplicationDeactivate:
        // Releases that happen elsewhere never reach us.
        held_ = {};
        break;
    default:
        break;
    }
    return false;
}

// One key message reaches several objects (the window, the shortcut check, the widget and
// its parents); recording a key twice changes nothing, and the passes they ask for coalesce.
void KeyCommandPoll::track(const QKeyEvent& event, bool down)
{
    if (!down && event.isAutoRepeat())
        return;  // the key is still held
    const int code = settings::ui::virtual_key(event);
    const auto modifier_down = [&](int modifier_code, Qt::KeyboardModifier flag) {
        // A modifier's own message says where it went; the others follow the message's flags.
        return code == modifier_code ? down : bool(event.modifiers() & flag);
    };
    held_.set(settings::kVkControl, modifier_down(settings::kVkControl, Qt::ControlModifier));
    held_.set(settings::kVkShift, modifier_down(settings::kVkShift, Qt::ShiftModifier));
    held_.set(settings::kVkMenu, modifier_down(settings::kVkMenu, Qt::AltModifier));
    if (code != 0) {
        held_.set(code, down);
        if (down) {
            pressed_.set(code, true);
            any_pressed_ = true;
        }
    }
    follow_up_ = false;  // the next pass follows this message
    schedule();
}

// The pass runs once the message has been handled, like an idle pass after new messages.
void KeyCommandPoll::schedule()
{
    if (scheduled_)
        return;
    scheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        scheduled_ = false;
        poll();
    });
}

bool KeyCommandPoll::poll()
{
    const bool follow_up = std::exchange(follow_up_, false);
    // A modal dialog or an open menu runs its own loop, without the program's idle passes:
    // the keys typed there (into the shortcut edit, for one) are not commands.
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget()) {
        pressed_ = {};
        any_pressed_ = false;
        return false;
    }
    CMarvoApp& app = theApp();
    settings::Settings& options = app.settings();
    settings::KeyState keys = held_;
    if (any_pressed_) {
        // A quick press is seen once. A key released before this pass leaves the delete latch
        // set: a pass on the keys as they are now follows to let the latch see the key go up.
        bool released = false;
        for (int code = 0; code < 256; ++code)
            if (pressed_.is_down(code)) {
                released = released || !held_.is_down(code);
                keys.set(code, true);
            }
        pressed_ = {};
        any_pressed_ = false;
        if (released) {
            follow_up_ = true;
            schedule();
        }
    }
    static const std::vector<settings::KeyCommand> kNoCommands;
    try {
        CTabBrowserWnd* browser = app.ActiveBrowser();
        // The follow-up pass follows no key message: it runs no command, or a key held
        // down would run its command twice for one press.
        const settings::KeyPollResult result =
            settings::poll_key_commands(follow_up ? kNoCommands : options.keys, keys, browser != nullptr,
                                        app.drawing_tool_active(), options.delete_latch);
        options.delete_latch = result.delete_latch;
        if (result.command >= 0) {
            RunBrowserCommand(browser, result.command);
            return true;
        }
        if (result.delete_tool)
            emit toolDeleteRequested();
    } catch (const std::bad_alloc&) {
        rs2::trace() << "CResourceException\x82\xAA\x94\xAD\x90\xB6\n";
    }
    return false;
}
