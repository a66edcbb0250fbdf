#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QStaticText>
#include <string>
#include <unordered_map>
#include <memory>
#include <vector>

#include "memo/Canvas.h"

namespace memo {

// The canvas on QPainter, painting in place into a MemoImage's memory (its BGRA layout is
// QImage::Format_ARGB32). Shapes and lines are aliased like the device-context drawing they
// stand for; text is anti-aliased.
class QtCanvas : public Canvas {
public:
    // opaque: the image is known to hold only opaque pixels (window surfaces), so Qt may paint
    // it as premultiplied, which is the same memory and much faster. Otherwise colours are
    // kept unpremultiplied, as for pictures with transparency.
    explicit QtCanvas(MemoImage& image, bool opaque = false);
    ~QtCanvas() override;
    QtCanvas(const QtCanvas&) = delete;
    QtCanvas& operator=(const QtCanvas&) = delete;

    // True while the image still has the memory and size this canvas paints into.
    bool matches(const MemoImage& image) const;

    MemoImage& image() override { return image_; }
    void set_pen(const Pen& pen) override;
    void set_brush(const Brush& brush) override;
    void move_to(Point p) override { current_ = p; }
    void line_to(Point p) override;
    void rectangle(const Rect& r) override;
    void ellipse(const Rect& r) override;
    void round_rect(const Rect& r, int corner_width, int corner_height) override;
    void polygon(const std::vector<Point>& points) override;
    void poly_bezier(const std::vector<Point>& points) override;
    void set_font(const LogFont& font) override;
    void set_text_colour(Colour colour) override;
    Size text_extent(std::string_view sjis) override;
    void text_out(int x, int y, std::string_view sjis) override;
    void set_clip(const Region& region) override;
    void clear_clip() override;
    void stretch_image(const MemoImage& picture, const Rect& dst, bool smooth) override;

    QPainter& painter() { return painter_; }

private:
    MemoImage& image_;
    const std::uint8_t* bits_;
    QImage qimage_;
    QPainter painter_;
    Point current_;
    QColor text_colour_;
    LogFont logfont_;
    bool font_set_ = false;
    // Laid-out lines of the current font: repaints draw the same texts again and again.
    struct Line {
        QStaticText text;
        Size extent;
    };
    const Line& line(std::string_view sjis);
    std::unordered_map<std::string, Line> lines_;
};

// Keeps one canvas per image so that a repaint opens each painter once. Call release() after
// re-creating images at a new size, before their memory is used by anything else.
class QtCanvasFactory : public CanvasFactory {
public:
    // Memo drawing targets are opaque; a factory for pictures with transparency says so.
    explicit QtCanvasFactory(bool opaque = true) : opaque_(opaque) {}
    Canvas& canvas_for(MemoImage& image) override;
    void release() override { canvases_.clear(); }

private:
    bool opaque_;
    std::vector<std::pair<MemoImage*, std::unique_ptr<QtCanvas>>> canvases_;
};

// The Qt font for a LOGFONT: the face name (Shift_JIS) with the usual Windows Japanese faces
// mapped to their metric-compatible IPA faces, pixel size from the height.
QFont font_from_logfont(const LogFont& font);

} // namespace memo
