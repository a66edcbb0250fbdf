#include "settings/MouseGesture.h"

namespace settings {

MouseOutcome MouseGestureState::rocker_click(std::uint32_t tick, std::int32_t command)
{
    rocker_ = true;
    rocker_tick_ = tick;
    MouseOutcome outcome;
    outcome.handled = true;
    outcome.command = command;
    return outcome;
}

MouseOutcome MouseGestureState::left_down(bool right_held, std::uint32_t tick, const Settings& settings)
{
    rocker_ = false;
    if (right_held)
        return rocker_click(tick, settings.command_rl);
    return {};
}

MouseOutcome MouseGestureState::left_up()
{
    MouseOutcome outcome;
    // The release that ends a rocker click must not click the page.
    outcome.handled = rocker_;
    return outcome;
}

MouseOutcome MouseGestureState::right_down(bool left_held, float x, float y, std::uint32_t tick,
                                           bool tool_active, Settings& settings)
{
    rocker_ = false;
    if (left_held)
        return rocker_click(tick, settings.command_lr);
    if (tool_active)
        return {};
    tracking_ = true;
    settings.gesture_recognizer.clear_points();
    settings.gesture_recognizer.add_point(x, y);
    MouseOutcome outcome;
    outcome.capture = true;
    return outcome;
}

MouseOutcome MouseGestureState::move(float x, float y, Settings& settings)
{
    if (tracking_)
        settings.gesture_recognizer.add_point(x, y);
    return {};
}

MouseOutcome MouseGestureState::right_up(float x, float y, bool tool_active, Settings& settings)
{
    MouseOutcome outcome;
    if (rocker_) {
        // No gesture and no context menu after a rocker click; the drag it interrupted ends
        // too, so a later press in a tool's mode cannot finish it as a gesture.
        tracking_ = false;
        outcome.release_capture = true;
        outcome.handled = true;
        return outcome;
    }
    if (tool_active && !tracking_)
        return outcome;
    outcome.release_capture = true;
    if (!tracking_)
        return outcome;
    tracking_ = false;
    GestureRecognizer& recognizer = settings.gesture_recognizer;
    recognizer.add_point(x, y);
    const std::string gesture = recognizer.gesture_string();
    const int found = recognizer.find(gesture);
    // The recognizer's copy may be older than the list; an index past its end runs nothing.
    if (!gesture.empty() && found >= 0 && static_cast<std::size_t>(found) < settings.gestures.size()) {
        outcome.handled = true;
        outcome.command = settings.gestures[static_cast<std::size_t>(found)].func;
    }
    return outcome;
}

} // namespace settings
