#pragma once

#include <Qt>

class QKeyEvent;

namespace settings::ui {

// The Windows virtual-key code that stored key strings name for a Qt key, or 0 when the
// key has none. Shifted symbols of the US layout give the code of their unshifted key, so a
// key keeps one code whatever modifier is held while it goes down or up.
int virtual_key(int qt_key, Qt::KeyboardModifiers modifiers);
int virtual_key(const QKeyEvent& event);

} // namespace settings::ui
