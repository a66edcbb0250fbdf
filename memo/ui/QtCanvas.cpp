#include "memo/ui/QtCanvas.h"

#include <QFontMetrics>
#include <QPainterPath>
#include <QRegion>
#include <algorithm>

#include "platform/QtText.h"

namespace memo {

namespace {

QColor to_qcolor(Colour c)
{
    return QColor(red_of(c), green_of(c), blue_of(c));
}

// Coordinates from files can be anywhere; painting far outside the image gains nothing.
int clamp_coord(std::int64_t v)
{
    return int(std::clamp<std::int64_t>(v, -(1 << 20), 1 << 20));
}

QPoint to_qpoint(Point p)
{
    return {clamp_coord(p.x), clamp_coord(p.y)};
}

// The Windows rectangle (right and bottom exclusive) as the QRect whose aliased outline
// covers the same pixels.
QRect outline_rect(const Rect& r)
{
    const int l = clamp_coord(r.left), t = clamp_coord(r.top);
    const int rr = clamp_coord(r.right), b = clamp_coord(r.bottom);
    return QRect(QPoint(l, t), QPoint(rr - 1, b - 1));
}

} // namespace

QFont font_from_logfont(const LogFont& lf)
{
    QString face = platform::to_qstring(lf.face());
    if (face == QStringLiteral("ＭＳ Ｐゴシック") || face.isEmpty())  // not translated: face names stored in packages
        face = QStringLiteral("IPAPGothic");
    else if (face == QStringLiteral("ＭＳ ゴシック"))  // not translated: face names stored in packages
        face = QStringLiteral("IPAGothic");
    else if (face == QStringLiteral("ＭＳ Ｐ明朝"))  // not translated: face names stored in packages
        face = QStringLiteral("IPAPMincho");
    else if (face == QStringLiteral("ＭＳ 明朝"))  // not translated: face names stored in packages
        face = QStringLiteral("IPAMincho");
    QFont font(face);
    // A negative height is the character height, a positive one the cell height (which
    // includes the internal leading, about a sixth of it).
    int pixels = 12;
    if (lf.height < 0)
        pixels = -std::max(lf.height, -1000);
    else if (lf.height > 0)
        pixels = std::max(1, std::min(lf.height, 1000) * 5 / 6);
    font.setPixelSize(pixels);
    if (lf.weight > 0)
        font.setWeight(QFont::Weight(std::clamp(int(lf.weight), 100, 900)));
    font.setItalic(lf.italic != 0);
    font.setUnderline(lf.underline != 0);
    font.setStrikeOut(lf.strike_out != 0);
    return font;
}

QtCanvas::QtCanvas(MemoImage& image, bool opaque)
    : image_(image), bits_(image.bits()),
      qimage_(image.bits(), image.width(), image.height(), image.stride(),
              opaque ? QImage::Format_ARGB32_Premultiplied : QImage::Format_ARGB32),
      painter_(&qimage_)
{
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
    set_pen({});
    set_brush(Brush::none());
}

QtCanvas::~QtCanvas()
{
    painter_.end();
}

bool QtCanvas::matches(const MemoImage& image) const
{
    return image.bits() == bits_ && image.width() == qimage_.width() && image.height() == qimage_.height();
}

void QtCanvas::set_pen(const Pen& pen)
{
    if (!pen.visible) {
        painter_.setPen(Qt::NoPen);
        return;
    }
    QPen qpen(to_qcolor(pen.colour));
    qpen.setWidth(std::clamp(pen.width, 1, 4096));
    // Wide pens end and join round, as geometric pens of the device context do.
    qpen.setCapStyle(Qt::RoundCap);
    qpen.setJoinStyle(Qt::RoundJoin);
    painter_.setPen(qpen);
}

void QtCanvas::set_brush(const Brush& brush)
{
    painter_.setBrush(brush.visible ? QBrush(to_qcolor(brush.colour)) : QBrush(Qt::NoBrush));
}

void QtCanvas::line_to(Point p)
{
    painter_.drawLine(to_qpoint(current_), to_qpoint(p));
    current_ = p;
}

void QtCanvas::rectangle(const Rect& r)
{
    painter_.drawRect(outline_rect(r));
}

void QtCanvas::ellipse(const Rect& r)
{
    painter_.drawEllipse(outline_rect(r));
}

void QtCanvas::round_rect(const Rect& r, int corner_width, int corner_height)
{
    painter_.drawRoundedRect(outline_rect(r), corner_width / 2.0, corner_height / 2.0);
}

void QtCanvas::polygon(const std::vector<Point>& points)
{
    QPolygon poly;
    for (const Point& p : points)
        poly << to_qpoint(p);
    painter_.drawPolygon(poly);
}

void QtCanvas::poly_bezier(const std::vector<Point>& points)
{
    if (points.size() < 4)
        return;
    QPainterPath path(to_qpoint(points[0]));
    for (std::size_t i = 1; i + 2 < points.size(); i += 3)
        path.cubicTo(to_qpoint(points[i]), to_qpoint(points[i + 1]), to_qpoint(points[i + 2]));
    const QBrush saved = painter_.brush();
    painter_.setBrush(Qt::NoBrush);
    painter_.drawPath(path);
    painter_.setBrush(saved);
}

void QtCanvas::set_font(const LogFont& font)
{
    if (font_set_ && font == logfont_)
        return;
    logfont_ = font;
    font_set_ = true;
    painter_.setFont(font_from_logfont(font));
    lines_.clear();
}

void QtCanvas::set_text_colour(Colour colour)
{
    text_colour_ = to_qcolor(colour);
}

const QtCanvas::Line& QtCanvas::line(std::string_view sjis)
{
    const std::string key(sjis);
    auto it = lines_.find(key);
    if (it != lines_.end())
        return it->second;
    if (lines_.size() > 1024)
        lines_.clear();
    const QString text = platform::to_qstring(sjis);
    const QFontMetrics metrics(painter_.font());
    Line entry{QStaticText(text), {metrics.horizontalAdvance(text), metrics.height()}};
    entry.text.setTextFormat(Qt::PlainText);
    entry.text.setPerformanceHint(QStaticText::AggressiveCaching);
    entry.text.prepare(QTransform(), painter_.font());
    return lines_.emplace(key, std::move(entry)).first->second;
}

Size QtCanvas::text_extent(std::string_view sjis)
{
    return line(sjis).extent;
}

void QtCanvas::text_out(int x, int y, std::string_view sjis)
{
    const Line& l = line(sjis);
    const QPen saved = painter_.pen();
    painter_.setPen(text_colour_);
    painter_.drawStaticText(QPoint(x, y), l.text);
    painter_.setPen(saved);
}

void QtCanvas::set_clip(const Region& region)
{
    auto to_qrect = [](const Rect& r) {
        return QRect(QPoint(clamp_coord(r.left), clamp_coord(r.top)),
                     QPoint(clamp_coord(r.right) - 1, clamp_coord(r.bottom) - 1));
    };
    // One rectangle is the common case, and much cheaper for the painter than a region.
    if (region.rects.size() == 1) {
        painter_.setClipRect(to_qrect(region.rects.front()));
    } else {
        QRegion clip;
        for (const Rect& r : region.rects)
            clip += to_qrect(r);
        painter_.setClipRegion(clip);
    }
    painter_.setClipping(true);
}

void QtCanvas::clear_clip()
{
    painter_.setClipping(false);
}

void QtCanvas::stretch_image(const MemoImage& picture, const Rect& dst, bool smooth)
{
    if (picture.empty())
        return;
    // Read as RGB32: the picture's alpha is ignored, like a plain stretched copy.
    const QImage source(picture.bits(), picture.width(), picture.height(), picture.stride(), QImage::Format_RGB32);
    const Rect r = dst.normalized();
    const QRect target(QPoint(clamp_coord(r.left), clamp_coord(r.top)),
                       QPoint(clamp_coord(r.right) - 1, clamp_coord(r.bottom) - 1));
    painter_.save();
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    painter_.setCompositionMode(QPainter::CompositionMode_Source);
    painter_.drawImage(target, source);
    painter_.restore();
}

Canvas& QtCanvasFactory::canvas_for(MemoImage& image)
{
    for (auto it = canvases_.begin(); it != canvases_.end(); ++it)
        if (it->first == &image) {
            if (it->second->matches(image))
                return *it->second;
            canvases_.erase(it);
            break;
        }
    canvases_.emplace_back(&image, std::make_unique<QtCanvas>(image, opaque_));
    return *canvases_.back().second;
}

} // namespace memo
