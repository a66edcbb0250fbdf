#pragma once

#include <string_view>
#include <vector>

#include "memo/MemoImage.h"
#include "memo/MemoTypes.h"

namespace memo {

struct Pen {
    Colour colour = 0;
    int width = 1;
    bool visible = true;
    static Pen none() { return {0, 0, false}; }
};

struct Brush {
    Colour colour = 0;
    bool visible = true;
    static Brush none() { return {0, false}; }
};

// Vector drawing into one MemoImage, in the image's pixel coordinates: what memo objects need
// from a device context. Shapes follow the Windows conventions: rectangles exclude their right
// and bottom edges, outlines use the current pen, interiors the current brush, no
// anti-aliasing for shapes and lines. Text is Shift_JIS.
//
// The memo model only sees this interface; the implementation lives where a graphics library
// may be used (memo/ui). Drawing must reach the image's memory before the call returns, since
// memo objects mix canvas drawing with direct pixel operations.
class Canvas {
public:
    virtual ~Canvas() = default;

    virtual MemoImage& image() = 0;

    virtual void set_pen(const Pen& pen) = 0;
    virtual void set_brush(const Brush& brush) = 0;

    virtual void move_to(Point p) = 0;
    virtual void line_to(Point p) = 0;
    virtual void rectangle(const Rect& r) = 0;
    virtual void ellipse(const Rect& r) = 0;
    virtual void round_rect(const Rect& r, int corner_width, int corner_height) = 0;
    virtual void polygon(const std::vector<Point>& points) = 0;
    // 3n + 1 points: a start point, then three per cubic segment. Outline only.
    virtual void poly_bezier(const std::vector<Point>& points) = 0;

    virtual void set_font(const LogFont& font) = 0;
    virtual void set_text_colour(Colour colour) = 0;
    // Width and height of one line of text in the current font.
    virtual Size text_extent(std::string_view sjis) = 0;
    // Draws one line with its top-left corner at (x, y), transparent background.
    virtual void text_out(int x, int y, std::string_view sjis) = 0;

    virtual void set_clip(const Region& region) = 0;
    virtual void clear_clip() = 0;

    // The whole picture stretched to dst; smooth asks for filtered (halftone) scaling.
    virtual void stretch_image(const MemoImage& picture, const Rect& dst, bool smooth) = 0;
};

// Hands out the canvas of an image. Implementations may keep canvases between calls (opening
// one per object would dominate a repaint); a canvas stays valid until the image changes size.
// Memo drawing targets are opaque window surfaces; an implementation may rely on that.
class CanvasFactory {
public:
    virtual ~CanvasFactory() = default;
    virtual Canvas& canvas_for(MemoImage& image) = 0;
    // Drops every canvas: call after re-creating images, before their old memory is reused.
    virtual void release() = 0;
};

} // namespace memo
