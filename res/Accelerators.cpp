#include "res/Accelerators.h"

#include "res/CommandIds.h"

namespace res {
namespace {

using namespace res::cmd;

constexpr Accelerator kTable[] = {
    {"Ctrl+N", kNewTab},
    {"Ctrl+Z", kUndo},
    {"Alt+Backspace", kUndo},
    {"Ctrl+Y", kRedo},
    {"Ctrl+Shift+Z", kRedo},
    {"Ctrl+Shift+H", kHideMemos},
    {"Ctrl+X", kCut},
    {"Shift+Del", kCut},
    {"Ctrl+C", kCopy},
    {"Ctrl+Ins", kCopy},
    {"Ctrl+V", kPaste},
    {"Shift+Ins", kPaste},
    {"Del", kDelete},
    {"Ctrl+F", kFind},
    {"F5", kRefresh},
    {"Esc", kBrowseMode},
    {"F6", kNextPane},
    {"Shift+F6", kPreviousPane},
    {"Ctrl+J", kDownloads},
    // The keys of other browsers, where the table above leaves them free.
    {"Ctrl+T", kNewHomeTab},
    {"Ctrl+W", kCloseTab},
    {"Ctrl+F4", kCloseTab},
    {"Ctrl+Shift+T", kReopenLastClosed},
    {"Ctrl+Tab", kNextTab},
    {"Ctrl+PgDown", kNextTab},
    {"Ctrl+Shift+Tab", kPreviousTab},
    {"Ctrl+PgUp", kPreviousTab},
    {"Ctrl+L", kFocusAddress},
    {"Alt+D", kFocusAddress},
    {"Alt+Left", kBack},
    {"Alt+Right", kForward},
    {"Ctrl+R", kRefresh},
    {"Ctrl++", kZoomIn},
    {"Ctrl+=", kZoomIn},
    {"Ctrl+-", kZoomOut},
    {"Ctrl+0", kZoomReset},
};

} // namespace

std::span<const Accelerator> accelerators()
{
    return kTable;
}

std::vector<std::string_view> keysFor(int command)
{
    std::vector<std::string_view> keys;
    for (const Accelerator& a : kTable)
        if (a.command == command)
            keys.push_back(a.keys);
    return keys;
}

} // namespace res
