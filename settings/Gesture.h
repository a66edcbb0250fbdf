#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace settings {

// The fourteen browser commands that gestures, rocker clicks and key commands run. Ids
// outside 0 to 13 run nothing.
enum Command : std::int32_t {
    kCmdClose = 0,
    kCmdBack = 1,
    kCmdForward = 2,
    kCmdUpOneLevel = 3,
    kCmdRefresh = 4,
    kCmdHome = 5,
    kCmdMailWithMemos = 6,
    kCmdPrintWithMemos = 7,
    kCmdPrintSelection = 8,
    kCmdBackupPage = 9,
    kCmdCloseRight = 10,
    kCmdCloseLeft = 11,
    kCmdCloseOthers = 12,
    kCmdCopyLinkAddress = 13,
};
inline constexpr int kCommandCount = 14;

struct CommandInfo {
    std::int32_t string_id;   // string-table entry whose first line is the display name
    const char* display_name; // UTF-8, for the settings pages' command lists
};

// Indexed by command id: the settings pages list the names in this order, so a list
// position is a command id.
extern const CommandInfo kCommands[kCommandCount];

bool is_valid_command(std::int32_t id);

// The arrows of gesture strings, two Shift_JIS bytes each.
inline constexpr std::string_view kArrowRight = "\x81\xA8";
inline constexpr std::string_view kArrowLeft = "\x81\xA9";
inline constexpr std::string_view kArrowUp = "\x81\xAA";
inline constexpr std::string_view kArrowDown = "\x81\xAB";

// A mouse gesture (a string of arrows) and the command id it runs.
struct GestureCommand {
    std::string gesture;
    std::int32_t func = 0;
    bool operator==(const GestureCommand&) const = default;
};

// Turns the mouse positions of a right-button drag into a gesture string and finds it among
// the configured gestures.
class GestureRecognizer {
public:
    // Minimum length in pixels of one movement between two successive positions. Each step
    // is judged alone, so a slow drag of short steps yields nothing however far it goes.
    static constexpr float kThreshold = 6.0f;

    struct Point {
        float x;
        float y;
    };

    void clear_points() { points_.clear(); }
    void add_point(float x, float y) { points_.push_back({x, y}); }
    const std::vector<Point>& points() const { return points_; }

    // The arrows of the drawn steps (no arrow twice in a row; ties count as vertical). Clears
    // the points.
    std::string gesture_string();

    // Index of the first configured gesture equal to `gesture`, or -1.
    int find(std::string_view gesture) const;

    // Replaces the copy of the gesture strings with those of `gestures`, in order.
    void rebuild(const std::vector<GestureCommand>& gestures);
    const std::vector<std::string>& gesture_strings() const { return strings_; }

private:
    std::vector<std::string> strings_;
    std::vector<Point> points_;
};

// The address that command 3 ("up one level") goes to: the address cut before its last
// slash (ignoring a trailing one), or nothing when the address is empty, has no such slash,
// or is a site's root.
std::optional<std::string> up_one_level(std::string_view address);

} // namespace settings
