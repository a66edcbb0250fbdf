#pragma once

#include <span>
#include <string_view>
#include <vector>

// Accelerator table 128 of the main frame; tabs have none of their own.
namespace res {

struct Accelerator {
    // Portable key name as Qt's QKeySequence reads it ("Ctrl+N", "Shift+Del", "F6").
    std::string_view keys;
    int command;
};

std::span<const Accelerator> accelerators();

// The keys bound to a command, in table order; the first is the one a menu shows.
std::vector<std::string_view> keysFor(int command);

} // namespace res
