#pragma once

#include <cstdint>

#include "settings/Settings.h"

namespace settings {

// What the memo layer window does with one mouse message.
struct MouseOutcome {
    bool handled = false;         // swallow it: neither the page nor the tool sees it
    bool capture = false;         // capture the mouse to the layer window
    bool release_capture = false; // release the mouse capture
    std::int32_t command = -1;    // command id to run on the tab's browser window, -1 for none
};

// The gesture state of one layer window: mouse gestures with the right button held (browse
// mode only) and rocker clicks (one button held while the other is pressed, in every mode).
// The window feeds it its button messages and acts on the outcome; messages it does not
// handle go on as usual (to the current tool, or to the page, whose right-button release
// brings up the context menu).
class MouseGestureState {
public:
    MouseOutcome left_down(bool right_held, std::uint32_t tick, const Settings& settings);
    MouseOutcome left_up();
    MouseOutcome right_down(bool left_held, float x, float y, std::uint32_t tick, bool tool_active,
                            Settings& settings);
    MouseOutcome move(float x, float y, Settings& settings);
    MouseOutcome right_up(float x, float y, bool tool_active, Settings& settings);

    bool tracking() const { return tracking_; }
    bool rocker() const { return rocker_; }
    // The tick count of the last rocker click.
    std::uint32_t rocker_tick() const { return rocker_tick_; }

private:
    MouseOutcome rocker_click(std::uint32_t tick, std::int32_t command);

    bool tracking_ = false;
    bool rocker_ = false;
    std::uint32_t rocker_tick_ = 0;
};

} // namespace settings
