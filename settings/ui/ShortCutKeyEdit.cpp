#include "settings/ui/ShortCutKeyEdit.h"

#include <QKeyEvent>

#include "platform/QtText.h"
#include "settings/ui/VirtualKeys.h"

namespace settings::ui {

CShortCutKeyEdit::CShortCutKeyEdit(QWidget* parent) : QLineEdit(parent)
{
    setContextMenuPolicy(Qt::NoContextMenu);
    // Only the keys write here: no typing through an input method, no pasting or dropping.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setAcceptDrops(false);
    setReadOnly(true);
}

void CShortCutKeyEdit::reset()
{
    capture_ = {};
    clear();
}

bool CShortCutKeyEdit::event(QEvent* event)
{
    // Tab, Alt and the keys of shortcuts are keys to record here, not to move focus or
    // trigger menus.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        keyPressEvent(static_cast<QKeyEvent*>(event));
        return true;
    }
    return QLineEdit::event(event);
}

void CShortCutKeyEdit::keyPressEvent(QKeyEvent* event)
{
    // The keys down now: the message's modifiers and its own key.
    KeyState held;
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    held.set(kVkControl, modifiers & Qt::ControlModifier);
    held.set(kVkMenu, modifiers & Qt::AltModifier);
    held.set(kVkShift, modifiers & Qt::ShiftModifier);
    held.set(virtual_key(*event), true);
    capture_ = capture_keys(capture_, held);
    setText(platform::to_qstring(key_string(capture_)));
    event->accept();
}

void CShortCutKeyEdit::keyReleaseEvent(QKeyEvent* event)
{
    event->accept();
}

} // namespace settings::ui
