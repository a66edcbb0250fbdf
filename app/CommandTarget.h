#pragma once

#include <initializer_list>

// The state a command shows in menus and on toolbar buttons.
struct CommandState {
    bool enabled = true;
    bool checked = false;
};

// Something that handles command ids: the active tab's browser window, its tab frame, the
// main frame and the application, in that order of routing.
class CommandTarget {
public:
    virtual ~CommandTarget() = default;
    // Runs the command; false when this target does not handle it.
    virtual bool OnCommand(int id) = 0;
    // Fills in the command's state; false when this target does not handle it.
    virtual bool OnUpdateCommand(int id, CommandState& state) = 0;
};

// Offers a command to each target in turn until one handles it. Null targets are skipped.
inline bool route_command(std::initializer_list<CommandTarget*> targets, int id)
{
    for (CommandTarget* target : targets)
        if (target && target->OnCommand(id))
            return true;
    return false;
}

// The state of a command from the first target that handles it; a command nobody handles
// is shown disabled.
inline CommandState route_update(std::initializer_list<CommandTarget*> targets, int id)
{
    CommandState state;
    for (CommandTarget* target : targets)
        if (target && target->OnUpdateCommand(id, state))
            return state;
    return {false, false};
}
