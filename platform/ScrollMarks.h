#pragma once

#include <QString>
#include <QVariant>
#include <array>
#include <cstddef>
#include <optional>

// Where a document is scrolled in the very frame the engine shows, read from the frame's own
// pixels. The page is given faint marks down its left edge: kHeight CSS pixels every
// kSpacing pixels, each a colour that names its place in a run of kCount. The page's script
// side learns of a scroll before the frame showing it is presented (and of a wheel scroll
// after), so only the presented pixels say where the memos belong in that frame.
namespace scroll_marks {

inline constexpr int kSpacing = 64;
// Tall enough to keep a row of the mark's own colour when the page is shown half a device
// pixel off, its edges blended with the page.
inline constexpr int kHeight = 2;
inline constexpr int kCount = 256;  // a picture of one repeat stays within a texture's usual limit
inline constexpr int kPeriod = kSpacing * kCount;  // the pattern repeats after this many pixels

// The colours the marks are drawn in, chosen by the page from the colour it shows at its left
// edge so they blend with it: in each channel, levels two apart within the block of sixteen
// values that holds the background's, all of the other parity than the background's (eight
// levels in red and blue; in green four, in the half of the block nearer the background). So
// a mark is at most 15 levels off the background in red and blue and 7 in green, and never
// on it. Two different palettes share no colour: marks of one are never read as another's.
struct Palette {
    std::array<int, 3> lowest{240, 248, 240};  // the marks of a white page
    bool operator==(const Palette&) const = default;
};

// The palette the page's script reports ([red, green, blue] of its lowest levels), if it is one.
std::optional<Palette> palette_from(const QVariant& reported);

// The red, green and blue of the mark at `index` (0 to kCount - 1) in the run.
std::array<int, 3> colour(int index, const Palette& palette = {});

// For the application world: puts the marks on the document (an adopted style sheet, so the
// document tree and what the page watches stay as they were), once per document, and
// repaints them in a new palette when the page's background changes. A page whose policy
// forbids data images shows no marks. The marks are 1 CSS pixel wide, at the view's left edge:
// after a sideways scroll they are moved back there once it has settled (until then they are
// out of view and read nothing). `palette_query()` tells the palette in use, or null before
// there are marks.
QString script();
QString palette_query();

// The document's vertical scroll in CSS pixels, read from the view's leftmost column of
// pixels: `rows` RGBA pixels, top first, `scale` device pixels to a CSS pixel, marks in
// `palette`. `near` (the scroll of the frame before, or as the page's script side told it)
// picks which repetition of the pattern is meant. Empty when the column does
// not hold two marks that agree.
std::optional<int> decode(const unsigned char* column, std::size_t rows, double scale, int near,
                          const Palette& palette = {});

// The repetition of a scroll read from the marks nearest to `near`: after a jump of more
// than half a repeat, only the page's script side tells which is meant.
int nearest_repeat(double shown, int near);

} // namespace scroll_marks
