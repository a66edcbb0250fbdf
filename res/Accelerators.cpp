#include "res/Accelerators.h"

#include "res/CommandIds.h"

namespace res {
namespace {

using namespace res::cmd;

constexpr Accelerator kTable[] = {
    {"Ctrl+N", kNewTab},
    {"Ctrl+Z", kUndo},
    {"Alt+Backspace", kUndo},
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
};

} // namespace

std::span<const Accelerator> accelerators()
{
    return kTable;
}

int acceleratorsFor(int command, std::span<std::string_view> out)
{
    int n = 0;
    for (const Accelerator& a : kTable)
        if (a.command == command && n < int(out.size()))
            out[n++] = a.keys;
    return n;
}

} // namespace res
