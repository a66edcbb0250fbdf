#include "memo/Limits.h"

#include <algorithm>

namespace memo::limits {

namespace {

void note_once(std::string& note, const char* what, std::int64_t value, std::int64_t limit)
{
    if (note.empty())
        note = std::string(what) + " " + std::to_string(value) + " beyond " + std::to_string(limit);
}

std::int32_t within(std::int32_t value, std::int32_t limit, const char* what, std::string& note)
{
    if (value >= -limit && value <= limit)
        return value;
    note_once(note, what, value, limit);
    return value < 0 ? -limit : limit;
}

// The far edge of a side that starts at near and may be at most kMaxSide long.
std::int32_t far_edge(std::int32_t near, std::int32_t far, const char* what, std::string& note)
{
    const std::int64_t side = std::int64_t(far) - near;
    if (side >= -kMaxSide && side <= kMaxSide)
        return far;
    note_once(note, what, side < 0 ? -side : side, kMaxSide);
    const std::int64_t cut = std::int64_t(near) + (side < 0 ? -kMaxSide : kMaxSide);
    return std::int32_t(std::clamp<std::int64_t>(cut, INT32_MIN, INT32_MAX));
}

} // namespace

std::int32_t pen_width(std::int32_t width, const char* what, std::string& note)
{
    // Widths at or below zero draw as the thinnest pen already.
    if (width <= kMaxPenWidth)
        return width;
    note_once(note, what, width, kMaxPenWidth);
    return kMaxPenWidth;
}

std::int32_t font_size(std::int32_t size, const char* what, std::string& note)
{
    return within(size, kMaxFontSize, what, note);
}

Rect rect(const Rect& r, const char* what, std::string& note)
{
    const std::string side = std::string(what);
    return {r.left, r.top, far_edge(r.left, r.right, (side + " width").c_str(), note),
            far_edge(r.top, r.bottom, (side + " height").c_str(), note)};
}

} // namespace memo::limits
