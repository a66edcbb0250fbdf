#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/Settings.h"

namespace settings {

// The settings file's name in the data folder.
inline constexpr const char* kSettingsFileName = "marvosetting.xml";

// A tab as the settings file records it.
struct OpenTab {
    std::string url; // empty when the browser cannot tell
    bool lock = false;
    std::int32_t reload = 0;
    std::vector<LogEntry> log; // back entries, oldest first
};

// A band of the main rebar as the frame sees it now.
struct RebarBand {
    std::string name; // text of the band's child window
    std::uint32_t cx = 0;
    bool brk = false;
    bool visible = false;
};

// Visibility of the bars and explorer panes at the moment of saving.
struct BarVisibility {
    bool toolbar = true;
    bool addrbar = true;
    bool linkbar = true;
    bool drawbar = true;
    bool statbar = true;
    bool favobar = true;
    bool histbar = false;
    bool memobar = false;
};

// What Save samples from the running main frame. The frame implements it; tests fake it.
class FrameState {
public:
    virtual ~FrameState() = default;
    // The open tabs in the order they are to be reopened: the active tab last (the stacking
    // order, bottom first).
    virtual std::vector<OpenTab> open_tabs() const = 0;
    virtual BarVisibility bars() const = 0;
    // Screen rectangle of the explorer bar window.
    virtual Rect explorer_rect() const = 0;
    virtual bool maximized() const = 0;
    // The bands of the main rebar in rebar order, tool bands included.
    virtual std::vector<RebarBand> bands() const = 0;
};

// The file's own text escaping: & < > " ' space - _ . become %AND% %L% %G% %DQ% %SQ% %SP%
// %H% %U% %D%. "%" itself is not escaped, so a text already holding a token comes back with
// the token's character in its place.
std::string escape(std::string_view text);
std::string unescape(std::string_view text);

// The bytes of the settings file for `settings` and the frame's current state. Stores the
// frame's maximized state into `settings.maximized`.
std::string compose_settings_file(Settings& settings, const FrameState& frame);

// Writes the settings file at `path` (readable by its owner only) beside the old one and
// renames it over. Returns false when anything failed; the old file is then untouched.
bool save_settings(Settings& settings, const FrameState& frame, const std::string& path);

// Reads the settings file at `path` over `settings`. Elements that are missing keep their
// values. Returns false when the file is missing or not well-formed. Without a `mouse`
// element the six default gestures are installed; the gesture table is rebuilt in every
// case.
bool load_settings(Settings& settings, const std::string& path);
// The same from bytes in memory.
bool load_settings_from_buffer(Settings& settings, const void* data, std::size_t size);

// Numbers as the C library's atoi reads them (leading blanks, a sign, digits, then anything),
// except that out-of-range values saturate instead of being undefined.
std::int32_t atoi32(const char* text);

} // namespace settings
