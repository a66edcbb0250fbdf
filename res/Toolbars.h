#pragma once

#include <span>
#include <string_view>

// Button layouts of the navigation bar and the drawing bar, with the icons of res/icons
// (compiled into the program under the resource prefix ":/icons").
namespace res {

struct ToolbarButton {
    int command;              // 0 for a separator
    std::string_view icon;    // resource path, empty for a separator
    int textString = 0;       // string table entry shown as the button's label, 0 for none
    bool dropDown = false;    // the button opens a list (back and forward)

    bool isSeparator() const { return command == 0; }
};

// The navigation bar's 13 slots, separators included.
std::span<const ToolbarButton> navigationBar();

// The drawing bar's buttons: the eight modes, then undo and clear. A button's label is the
// tooltip of its command.
std::span<const ToolbarButton> drawingBar();

// Icon resource path of a command on either bar, or empty.
std::string_view iconFor(int command);

inline constexpr std::string_view kLockIcon = ":/icons/lock.svg";
inline constexpr std::string_view kTabCloseIcon = ":/icons/tab-close.svg";
inline constexpr std::string_view kApplicationIcon = ":/icons/marvo.svg";

} // namespace res
