#pragma once

#include <span>
#include <string_view>

// Accelerator table 128 of the main frame; tabs have none of their own.
namespace res {

struct Accelerator {
    // Portable key name as Qt's QKeySequence reads it ("Ctrl+N", "Shift+Del", "F6").
    std::string_view keys;
    int command;
};

std::span<const Accelerator> accelerators();

// The keys bound to a command in the table, in table order (at most a few).
int acceleratorsFor(int command, std::span<std::string_view> out);

} // namespace res
