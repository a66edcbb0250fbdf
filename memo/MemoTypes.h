#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace memo {

// Windows COLORREF: 0x00BBGGRR, red in the low byte.
using Colour = std::uint32_t;
constexpr Colour rgb(int r, int g, int b)
{
    return Colour(r & 255) | Colour(g & 255) << 8 | Colour(b & 255) << 16;
}
constexpr int red_of(Colour c) { return int(c & 255); }
constexpr int green_of(Colour c) { return int((c >> 8) & 255); }
constexpr int blue_of(Colour c) { return int((c >> 16) & 255); }

// Seconds since 1970-01-01 00:00:00 UTC.
using Time64 = std::int64_t;
// The "never" value: the local time 1971-01-01 01:00:00, so it depends on the time zone.
Time64 never_time();
Time64 now_time();

// While one lives on a thread, never_time() keeps the answer it had when the first was made
// instead of looking at the time zone each time: readers make objects by the thousand, and
// the zone does not change within one read.
class NeverTimeHeld {
public:
    NeverTimeHeld();
    ~NeverTimeHeld();
    NeverTimeHeld(const NeverTimeHeld&) = delete;
    NeverTimeHeld& operator=(const NeverTimeHeld&) = delete;
};

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    std::int32_t cx = 0;
    std::int32_t cy = 0;
    bool operator==(const Size&) const = default;
};

// A rectangle with exclusive right and bottom edges (the Windows RECT). Stored rectangles may
// be inverted; normalized() orders the edges.
struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    bool operator==(const Rect&) const = default;
    std::int64_t width() const { return std::int64_t(right) - left; }
    std::int64_t height() const { return std::int64_t(bottom) - top; }
    bool is_empty() const { return right <= left || bottom <= top; }
    Rect normalized() const
    {
        return {std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
    }
    // Shifted by (dx, dy); saturates instead of wrapping for rectangles read from files.
    Rect offset(std::int64_t dx, std::int64_t dy) const;
    Rect inflated(std::int32_t d) const;
    // PtInRect: left and top inclusive, right and bottom exclusive.
    bool contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    bool intersects(const Rect& o) const
    {
        return !is_empty() && !o.is_empty() && left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
    Rect intersected(const Rect& o) const;
    Rect united(const Rect& o) const;
};

// A set of rectangles (their union): update and clip regions in window coordinates.
struct Region {
    std::vector<Rect> rects;

    Region() = default;
    explicit Region(const Rect& r) { if (!r.is_empty()) rects.push_back(r); }
    bool intersects(const Rect& r) const;
    // The region clipped to r.
    Region intersected(const Rect& r) const;
    bool empty() const { return rects.empty(); }
};

// The Windows LOGFONTA structure, 60 bytes in files.
struct LogFont {
    std::int32_t height = -12;
    std::int32_t width = 0;
    std::int32_t escapement = 0;
    std::int32_t orientation = 0;
    std::int32_t weight = 400;
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strike_out = 0;
    std::uint8_t char_set = 128; // Shift_JIS
    std::uint8_t out_precision = 0;
    std::uint8_t clip_precision = 0;
    std::uint8_t quality = 0;
    std::uint8_t pitch_and_family = 0;
    char face_name[32] = {'\x82', '\x6c', '\x82', '\x72', '\x20', '\x82', '\x6f', '\x83',
                          '\x53', '\x83', '\x56', '\x83', '\x62', '\x83', '\x4e'}; // "ＭＳ Ｐゴシック"

    static constexpr std::size_t kBytes = 60;
    // Face name bytes (Shift_JIS) up to the first NUL.
    std::string face() const;
    // Stores at most 31 bytes, NUL-padded.
    void set_face(std::string_view sjis);
    bool operator==(const LogFont& o) const;
};

// A memo object's identity: 16 bytes handled as four 32-bit words (the GUID memory layout).
struct Guid {
    std::uint32_t words[4] = {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};

    // Every bit set: not yet assigned.
    bool is_unset() const;
    // A random version-4 GUID.
    static Guid create();
    // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in the usual registry form.
    std::string to_string() const;
    // The inverse of to_string; braces optional, hex digits of either case.
    static std::optional<Guid> from_string(std::string_view text);
    bool operator==(const Guid&) const = default;
    auto operator<=>(const Guid&) const = default;
};

} // namespace memo
