#pragma once

#include <vector>

#include "memo/MemoImage.h"
#include "memo/MemoTypes.h"

// Aliased filling of the shapes that memos draw most, straight into an image's memory: a
// repaint draws them by the thousand, and a general-purpose painter spends most of its time
// on set-up and curve flattening for them.
//
// A pixel (x, y) belongs to a shape when the point (x, y) lies in it, which is what an aliased
// outline one pixel wide around the shape's interior covers. Rectangles therefore cover their
// left and top edges but not their right and bottom ones. Everything is clipped to the image
// and to the clip region.
namespace memo::raster {

// An opaque line `width` pixels wide with round ends, the stroke of a wide geometric pen.
void fill_wide_line(MemoImage& image, const Region& clip, Point a, Point b, int width, Colour colour);

// Blends colour with the fixed opacity (as MemoImage::blend_constant) over a rectangle whose
// corners are quarter ellipses of corner_width x corner_height (a rounded rectangle drawn with
// a pen and brush of one colour).
void blend_round_rect(MemoImage& image, const Region& clip, const Rect& r, int corner_width, int corner_height,
                      Colour colour, std::uint8_t opacity);

// The same over a convex polygon; points of a concave one are covered by their hull.
void blend_convex_polygon(MemoImage& image, const Region& clip, const std::vector<Point>& points, Colour colour,
                          std::uint8_t opacity);

// A rectangle, rounded rectangle (corner: the size of its corner ellipses) or ellipse with a
// border `border_width` pixels wide straddling its outline and a fill inside it, both blended
// with the fixed opacity. Each pixel is blended once, in the border's colour where the border
// covers it.
enum class Outline { rectangle, round_rect, ellipse };
void blend_bordered(MemoImage& image, const Region& clip, Outline shape, const Rect& r, Size corner, int border_width,
                    Colour border, Colour fill, std::uint8_t opacity);

} // namespace memo::raster
