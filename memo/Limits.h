#pragma once

#include <cstdint>
#include <string>

#include "memo/MemoTypes.h"

// What a package read from elsewhere may ask of drawing. The drawing tools make pen widths of
// 1 to 8 pixels, text of 8 to 72 pixels and shapes no larger than a window (a stamp at most
// twice its picture); a package shared through the server can hold any 32-bit value, and a
// soft-pen stroke 9,478 pixels wide stamps a brush of a million pixels per pixel of its path.
// Readers cut such values back to these limits, far enough past the tools that every package
// the tools made reads, draws and saves exactly as before.
namespace memo::limits {

// Stroke and shape border widths: eight times the widest pen.
constexpr std::int32_t kMaxPenWidth = 64;
// Font heights and widths, either sign: four times the largest text size.
constexpr std::int32_t kMaxFontSize = 288;
// Width and height of a text box, stamp, photo, shape or effect: four times the largest
// picture side, well past any window.
constexpr std::int64_t kMaxSide = 65536;

// Each returns the value within its limit; when it had to cut, and note is still empty, note
// says what was read ("stroke width 9478 beyond 64").
std::int32_t pen_width(std::int32_t width, const char* what, std::string& note);
std::int32_t font_size(std::int32_t size, const char* what, std::string& note);
// Keeps left and top (and each side's direction) and brings width and height within kMaxSide.
Rect rect(const Rect& r, const char* what, std::string& note);

} // namespace memo::limits
