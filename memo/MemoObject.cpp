#include "memo/MemoObject.h"

#include <bit>
#include <cmath>
#include <cstring>

#include "memo/ImageCodec.h"
#include "memo/Limits.h"
#include "memo/MemoPackage.h"
#include "memo/PictureBudget.h"

namespace memo {

const char* kind_name(std::uint32_t code)
{
    switch (code) {
    case 1: return "Stroke";
    case 2: return "TextBox";
    case 3: return "Stamp";
    case 4: return "Photo";
    case 5: return "Primitive";
    case 6: return "Effect";
    default: return "Unknown";
    }
}

std::string_view kind_tag(std::uint32_t code)
{
    switch (code) {
    case 1: return "STRK";
    case 2: return "TBOX";
    case 3: return "STAM";
    case 4: return "PHOT";
    case 5: return "PRIM";
    case 6: return "EFFE";
    default: return {};
    }
}

template <class Kind> std::unique_ptr<MemoObject> make_object(ObjectArena* arena)
{
    if (!arena)
        return std::make_unique<Kind>();
    auto* object = new (arena->allocate(sizeof(Kind), alignof(Kind))) Kind();
    object->place_.arena = arena;
    return std::unique_ptr<MemoObject>(object);
}

std::unique_ptr<MemoObject> create_object(std::uint32_t kind_code, ObjectArena* arena)
{
    switch (kind_code) {
    case 1: return make_object<StrokeObject>(arena);
    case 2: return make_object<TextBoxObject>(arena);
    case 3: return make_object<StampObject>(arena);
    case 4: return make_object<PhotoObject>(arena);
    case 5: return make_object<PrimitiveObject>(arena);
    case 6: return make_object<EffectObject>(arena);
    default: return nullptr;
    }
}

void MemoObject::operator delete(MemoObject* object, std::destroying_delete_t)
{
    ObjectArena* const arena = object->place_.arena;
    const bool holds_arena = object->place_.holds_arena;
    object->~MemoObject();
    if (!arena)
        ::operator delete(object);
    else if (holds_arena)
        arena->release();
}

bool read_record_bytes(rs2::BaseIStream& in, std::string& bytes)
{
    char header[8];
    const std::size_t got = in.read(header, 8);
    if (got == 0)
        return false;
    if (got != 8)
        throw rs2::IOException("record header cut short");
    const std::uint32_t n = std::uint32_t(std::uint8_t(header[4])) | std::uint32_t(std::uint8_t(header[5])) << 8 |
                            std::uint32_t(std::uint8_t(header[6])) << 16 | std::uint32_t(std::uint8_t(header[7])) << 24;
    if (n > in.readable_bound())
        throw rs2::IOException("record length " + std::to_string(n) + " exceeds the data available");
    bytes.assign(header, 8);
    bytes.resize(8 + std::size_t(n));
    if (in.read(bytes.data() + 8, n) != n)
        throw rs2::IOException("record cut short");
    return true;
}

// ---- records ----

namespace {

// The n points of a "PNTS" record (x and y as little-endian 4-byte integers) into storage.
void copy_file_points(const char* file, std::size_t n, Point* storage)
{
    if constexpr (std::endian::native == std::endian::little && sizeof(Point) == 8) {
        if (n)
            std::memcpy(storage, file, n * sizeof(Point));
    } else {
        for (std::size_t i = 0; i < n; ++i, file += 8) {
            const auto* b = reinterpret_cast<const std::uint8_t*>(file);
            storage[i].x = std::int32_t(std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
                                        std::uint32_t(b[3]) << 24);
            storage[i].y = std::int32_t(std::uint32_t(b[4]) | std::uint32_t(b[5]) << 8 | std::uint32_t(b[6]) << 16 |
                                        std::uint32_t(b[7]) << 24);
        }
    }
}

} // namespace

namespace records {

void write_rect(ByteWriter& out, const Rect& r)
{
    out.i32(r.left);
    out.i32(r.top);
    out.i32(r.right);
    out.i32(r.bottom);
}

Rect read_rect(ByteReader& in)
{
    Rect r;
    r.left = in.i32();
    r.top = in.i32();
    r.right = in.i32();
    r.bottom = in.i32();
    return r;
}

void write_logfont(ByteWriter& out, const LogFont& f)
{
    out.i32(f.height);
    out.i32(f.width);
    out.i32(f.escapement);
    out.i32(f.orientation);
    out.i32(f.weight);
    for (std::uint8_t b : {f.italic, f.underline, f.strike_out, f.char_set, f.out_precision, f.clip_precision,
                           f.quality, f.pitch_and_family})
        out.u8(b);
    out.raw(f.face_name, sizeof f.face_name);
}

LogFont read_logfont(ByteReader& in)
{
    LogFont f;
    f.height = in.i32();
    f.width = in.i32();
    f.escapement = in.i32();
    f.orientation = in.i32();
    f.weight = in.i32();
    f.italic = in.u8();
    f.underline = in.u8();
    f.strike_out = in.u8();
    f.char_set = in.u8();
    f.out_precision = in.u8();
    f.clip_precision = in.u8();
    f.quality = in.u8();
    f.pitch_and_family = in.u8();
    // Kept byte for byte (face() stops at 32 bytes even without a terminator).
    std::memcpy(f.face_name, in.take(sizeof f.face_name), sizeof f.face_name);
    return f;
}

void resize_rect(Rect& r, int dx, int dy)
{
    const std::int64_t right = std::int64_t(r.right) + dx, bottom = std::int64_t(r.bottom) + dy;
    r.right = std::int32_t(std::clamp<std::int64_t>(right <= std::int64_t(r.left) + 2 ? std::int64_t(r.left) + 2 : right,
                                                    INT32_MIN, INT32_MAX));
    r.bottom = std::int32_t(std::clamp<std::int64_t>(bottom <= std::int64_t(r.top) + 2 ? std::int64_t(r.top) + 2 : bottom,
                                                     INT32_MIN, INT32_MAX));
}

} // namespace records

// ---- base ----

void MemoObject::copy_base_into(MemoObject& target) const
{
    target.time = time;
    target.owner = owner;
    target.locked = locked;
}

void MemoObject::write_record(ByteWriter& out) const
{
    const std::size_t record = out.begin(kind_tag(std::uint32_t(kind())));
    const std::size_t guid = out.begin("GUID");
    const std::size_t mbid = out.begin("MBID");
    for (std::uint32_t w : id.words)
        out.u32(w);
    out.end(mbid);
    out.end(guid);
    std::size_t at = out.begin("TIME");
    out.i64(time);
    out.end(at);
    at = out.begin("OWNR");
    out.string(owner);
    out.end(at);
    at = out.begin("LOCK");
    out.u32(locked ? 1 : 0);
    out.end(at);
    write_fields(out);
    out.end(record);
}

bool MemoObject::read_record(ByteReader& in)
{
    ByteReader body;
    if (in.record(body) != kind_tag(std::uint32_t(kind())))
        return false;
    while (!body.at_end()) {
        ByteReader field;
        const std::string_view tag = body.record(field);
        if (tag == "GUID") {
            ByteReader inner;
            if (field.record(inner) == "MBID")
                for (std::uint32_t& w : id.words)
                    w = inner.u32();
        } else if (tag == "TIME") {
            time = field.i64();
        } else if (tag == "OWNR") {
            owner = field.text();
        } else if (tag == "LOCK") {
            locked = field.u32() != 0;
        } else {
            read_field(tag, field);
        }
    }
    return true;
}

void MemoObject::write_to_stream(rs2::BaseOStream& out) const
{
    ByteWriter bytes;
    write_record(bytes);
    out.write(bytes.view().data(), bytes.view().size());
}

bool MemoObject::read_from_stream(rs2::BaseIStream& in)
{
    std::string bytes;
    if (!read_record_bytes(in, bytes))
        throw rs2::IOException("read error(BaseIStream::read)");
    ByteReader reader(bytes);
    return read_record(reader);
}

// ---- stroke ----

void StrokeObject::write(rs2::BaseOStream& out) const { write_to_stream(out); }
bool StrokeObject::read(rs2::BaseIStream& in) { return read_from_stream(in); }

void StrokeObject::write_fields(ByteWriter& out) const
{
    std::size_t at = out.begin("PNTS");
    out.u32(std::uint32_t(points.size()));
    if constexpr (std::endian::native == std::endian::little && sizeof(Point) == 8) {
        // The point array is already in its file form.
        out.raw(points.data(), points.size() * sizeof(Point));
    } else {
        for (const Point& p : points) {
            out.i32(p.x);
            out.i32(p.y);
        }
    }
    out.end(at);
    at = out.begin("BOLD");
    out.u32(std::uint32_t(width));
    out.end(at);
    at = out.begin("TYPE");
    out.u32(std::uint32_t(type));
    out.end(at);
    at = out.begin("COLR");
    out.u32(colour);
    out.end(at);
    at = out.begin("BCOL");
    out.u32(border_colour);
    out.end(at);
    at = out.begin("ARRW");
    out.u32(arrow_start ? 1 : 0);
    out.u32(arrow_end ? 1 : 0);
    out.end(at);
}

void StrokeObject::read_field(std::string_view tag, ByteReader& body)
{
    if (tag == "PNTS") {
        const std::uint32_t n = body.u32();
        // The count must fit in the record before anything is allocated for it.
        if (n > body.remaining() / 8)
            throw rs2::IOException("PNTS count " + std::to_string(n) + " exceeds its record");
        const char* first = body.take(std::size_t(n) * 8);
        ObjectArena* arena = reading_arena();
        Point* lent = arena ? arena->allocate_array<Point>(n) : nullptr;
        copy_file_points(first, n, points.overwrite(n, lent));
    } else if (tag == "BOLD") {
        width = limits::pen_width(std::int32_t(body.u32()), "stroke width", limited);
    } else if (tag == "TYPE") {
        type = std::int32_t(body.u32());
    } else if (tag == "COLR") {
        colour = body.u32();
    } else if (tag == "BCOL") {
        border_colour = body.u32();
    } else if (tag == "ARRW") {
        arrow_start = body.u32() != 0;
        arrow_end = body.u32() != 0;
    }
}

std::unique_ptr<MemoObject> StrokeObject::clone() const
{
    auto copy = std::make_unique<StrokeObject>(*this);
    copy->package = nullptr;
    return copy;
}

bool StrokeObject::copy_into(MemoObject& target, bool) const
{
    auto* t = dynamic_cast<StrokeObject*>(&target);
    if (!t)
        return false;
    copy_base_into(*t);
    t->points = points;
    t->width = width;
    t->type = type;
    t->arrow_start = arrow_start;
    t->arrow_end = arrow_end;
    t->colour = colour;
    t->border_colour = border_colour;
    return true;
}

namespace {

double segment_distance(Point p, Point a, Point b)
{
    const double px = p.x, py = p.y, ax = a.x, ay = a.y, bx = b.x, by = b.y;
    const double len = std::hypot(bx - ax, by - ay);
    if (len > 0.000001) {
        const double ux = (bx - ax) / len, uy = (by - ay) / len;
        const double t = (px - ax) * ux + (py - ay) * uy;
        if (t >= 0 && t <= len)
            return std::fabs((px - ax) * uy - (py - ay) * ux);
    }
    return std::min(std::hypot(px - ax, py - ay), std::hypot(px - bx, py - by));
}

} // namespace

bool StrokeObject::hit_test(Point p) const
{
    for (std::size_t i = 1; i < points.size(); ++i)
        if (segment_distance(p, points[i - 1], points[i]) <= double(width) + 1)
            return true;
    return false;
}

void StrokeObject::move(int dx, int dy)
{
    // Wrapping arithmetic: points come from files and may sit at the edge of the range.
    for (Point& p : points) {
        p.x = std::int32_t(std::uint32_t(p.x) + std::uint32_t(dx));
        p.y = std::int32_t(std::uint32_t(p.y) + std::uint32_t(dy));
    }
    touch();
}

void StrokeObject::resize(int, int)
{
    touch();
}

Rect StrokeObject::bounds() const
{
    if (points.empty())
        return {};
    Rect r{points.front().x, points.front().y, points.front().x, points.front().y};
    for (const Point& p : points) {
        r.left = std::min(r.left, p.x);
        r.top = std::min(r.top, p.y);
        r.right = std::max(r.right, p.x);
        r.bottom = std::max(r.bottom, p.y);
    }
    const std::int64_t margin = (arrow_start || arrow_end) ? 4 * std::int64_t(width) + 8 : std::int64_t(width) + 3;
    return r.inflated(std::int32_t(std::clamp<std::int64_t>(margin, INT32_MIN / 2, INT32_MAX / 2)));
}

// ---- text box ----

void TextBoxObject::write(rs2::BaseOStream& out) const { write_to_stream(out); }
bool TextBoxObject::read(rs2::BaseIStream& in) { return read_from_stream(in); }

void TextBoxObject::write_fields(ByteWriter& out) const
{
    std::size_t at = out.begin("TEXT");
    out.string(text);
    out.end(at);
    at = out.begin("RECT");
    records::write_rect(out, rect);
    out.end(at);
    at = out.begin("FONT");
    records::write_logfont(out, font);
    out.end(at);
    at = out.begin("SHAP");
    out.i32(shape);
    out.end(at);
    at = out.begin("COLR");
    out.u32(text_colour);
    out.u32(background_colour);
    out.u8(opacity);
    out.end(at);
}

void TextBoxObject::read_field(std::string_view tag, ByteReader& body)
{
    if (tag == "TEXT") {
        text = body.text();
    } else if (tag == "RECT") {
        rect = limits::rect(records::read_rect(body), "text box", limited);
    } else if (tag == "FONT") {
        font = records::read_logfont(body);
        font.height = limits::font_size(font.height, "text height", limited);
        font.width = limits::font_size(font.width, "text width", limited);
    } else if (tag == "SHAP") {
        shape = body.i32();
    } else if (tag == "COLR") {
        text_colour = body.u32();
        background_colour = body.u32();
        opacity = body.u8();
    }
}

std::unique_ptr<MemoObject> TextBoxObject::clone() const
{
    auto copy = std::make_unique<TextBoxObject>(*this);
    copy->package = nullptr;
    return copy;
}

bool TextBoxObject::copy_into(MemoObject& target, bool with_geometry) const
{
    auto* t = dynamic_cast<TextBoxObject*>(&target);
    if (!t)
        return false;
    copy_base_into(*t);
    if (with_geometry)
        t->rect = rect;
    t->text = text;
    t->shape = shape;
    t->font = font;
    t->text_colour = text_colour;
    t->background_colour = background_colour;
    t->opacity = opacity;
    return true;
}

void TextBoxObject::move(int dx, int dy)
{
    rect = rect.offset(dx, dy);
    touch();
}

void TextBoxObject::resize(int dx, int dy)
{
    records::resize_rect(rect, dx, dy);
    touch();
}

Rect TextBoxObject::body_rect() const
{
    Rect r = rect.normalized();
    if (shape == 1)
        r.bottom = std::int32_t(r.bottom - r.height() / 5);
    return r;
}

std::vector<std::string_view> TextBoxObject::lines() const
{
    std::vector<std::string_view> out;
    std::string_view rest = text;
    for (;;) {
        const std::size_t lf = rest.find('\n');
        out.push_back(rest.substr(0, lf));
        if (lf == std::string_view::npos)
            break;
        rest.remove_prefix(lf + 1);
    }
    return out;
}

bool TextBoxObject::is_link_line(std::string_view line)
{
    for (std::string_view scheme : {"http:", "https:", "ftp:", "file:"})
        if (line.substr(0, scheme.size()) == scheme)
            return true;
    return false;
}

bool TextBoxObject::click(MemoView& view, Point p)
{
    const Rect box = rect.normalized();
    const int x = box.left + 8;
    std::int64_t y = std::int64_t(box.top) + 8;
    for (std::string_view line : lines()) {
        const Size extent = view.text_extent(font, line);
        if (is_link_line(line)) {
            const Rect r{x, std::int32_t(y), std::int32_t(x + extent.cx), std::int32_t(y + extent.cy)};
            if (r.contains(p)) {
                view.navigate(std::string(line));
                return true;
            }
        }
        y += extent.cy + 2;
    }
    return false;
}

bool TextBoxObject::edit(MemoView& view)
{
    const Point o = view.document_offset();
    const Rect b = body_rect().offset(o.x, o.y);
    const Rect dialog{b.left + 7, b.top + 10, b.right - 7, b.bottom - 2};
    std::string edited = text;
    const Guid self = id;
    const LogFont shown_font = font;
    if (!view.run_text_dialog(dialog, edited, shown_font))
        return false;
    // This object may be gone by now: only the one found by its GUID is changed.
    auto* box = dynamic_cast<TextBoxObject*>(view.find_object(self));
    if (!box)
        return false;
    const Rect old_bounds = box->bounds();
    view.about_to_change(*box);
    box->text = std::move(edited);
    view.invalidate(old_bounds);
    view.invalidate(box->bounds());
    return true;
}

// ---- stamp ----

void StampObject::write(rs2::BaseOStream& out) const { write_to_stream(out); }
bool StampObject::read(rs2::BaseIStream& in) { return read_from_stream(in); }

void StampObject::write_fields(ByteWriter& out) const
{
    std::size_t at = out.begin("NAME");
    out.string(name);
    out.end(at);
    at = out.begin("RECT");
    records::write_rect(out, rect);
    out.end(at);
}

void StampObject::read_field(std::string_view tag, ByteReader& body)
{
    if (tag == "NAME")
        name = body.text();
    else if (tag == "RECT")
        rect = limits::rect(records::read_rect(body), "stamp", limited);
}

std::unique_ptr<MemoObject> StampObject::clone() const
{
    auto copy = std::make_unique<StampObject>(*this);
    copy->package = nullptr;
    return copy;
}

bool StampObject::copy_into(MemoObject& target, bool with_geometry) const
{
    auto* t = dynamic_cast<StampObject*>(&target);
    if (!t)
        return false;
    copy_base_into(*t);
    t->name = name;
    if (with_geometry)
        t->rect = rect;
    return true;
}

void StampObject::move(int dx, int dy)
{
    rect = rect.offset(dx, dy);
    touch();
}

void StampObject::resize(int dx, int dy)
{
    records::resize_rect(rect, dx, dy);
    touch();
}

// ---- photo ----

void PhotoObject::write(rs2::BaseOStream& out) const { write_to_stream(out); }
bool PhotoObject::read(rs2::BaseIStream& in) { return read_from_stream(in); }

void PhotoObject::write_fields(ByteWriter& out) const
{
    // An empty picture has no PNG form; the record is left out and the photo reads back empty.
    if (!image.empty()) {
        const std::size_t at = out.begin("PNGI");
        WriterOStream stream(out);
        MemoImage& picture = const_cast<MemoImage&>(image);
        PngCodec codec(picture, false);
        write_picture(stream, codec);
        out.end(at);
    }
    const std::size_t at = out.begin("RECT");
    records::write_rect(out, rect);
    out.end(at);
}

void PhotoObject::read_field(std::string_view tag, ByteReader& body)
{
    if (tag == "PNGI" || tag == "IMAG")
        picture_changed();
    if ((tag == "PNGI" || tag == "IMAG") && !pictures_decoded()) {
        check_picture_header(body.rest());
    } else if (tag == "PNGI") {
        SpanIStream stream(body.rest());
        PngCodec codec(image, true);
        read_picture(stream, codec);
    } else if (tag == "IMAG") {
        SpanIStream stream(body.rest());
        JpegCodec codec(image);
        read_picture(stream, codec);
    } else if (tag == "RECT") {
        rect = limits::rect(records::read_rect(body), "photo", limited);
    }
}

std::unique_ptr<MemoObject> PhotoObject::clone() const
{
    auto copy = std::make_unique<PhotoObject>(*this);
    copy->package = nullptr;
    return copy;
}

bool PhotoObject::copy_into(MemoObject& target, bool with_geometry) const
{
    auto* t = dynamic_cast<PhotoObject*>(&target);
    if (!t)
        return false;
    copy_base_into(*t);
    t->image = image;
    t->picture_changed();
    if (with_geometry)
        t->rect = rect;
    return true;
}

void PhotoObject::move(int dx, int dy)
{
    rect = rect.offset(dx, dy);
    touch();
}

void PhotoObject::resize(int dx, int dy)
{
    records::resize_rect(rect, dx, dy);
    touch();
}

// ---- primitive ----

void PrimitiveObject::write(rs2::BaseOStream& out) const { write_to_stream(out); }
bool PrimitiveObject::read(rs2::BaseIStream& in) { return read_from_stream(in); }

void PrimitiveObject::write_fields(ByteWriter& out) const
{
    std::size_t at = out.begin("TYPE");
    out.u32(std::uint32_t(shape));
    out.end(at);
    at = out.begin("RECT");
    records::write_rect(out, rect);
    out.end(at);
    at = out.begin("BOLD");
    out.i32(border_width);
    out.end(at);
    at = out.begin("COLR");
    out.u32(border_colour);
    out.u32(fill_colour);
    out.u8(opacity);
    out.end(at);
}

void PrimitiveObject::read_field(std::string_view tag, ByteReader& body)
{
    if (tag == "TYPE") {
        shape = std::int32_t(body.u32());
    } else if (tag == "RECT") {
        rect = limits::rect(records::read_rect(body), "shape", limited);
    } else if (tag == "BOLD") {
        border_width = limits::pen_width(body.i32(), "border width", limited);
    } else if (tag == "COLR") {
        border_colour = body.u32();
        fill_colour = body.u32();
        opacity = body.u8();
    }
}

std::unique_ptr<MemoObject> PrimitiveObject::clone() const
{
    auto copy = std::make_unique<PrimitiveObject>(*this);
    copy->package = nullptr;
    return copy;
}

bool PrimitiveObject::copy_into(MemoObject& target, bool with_geometry) const
{
    auto* t = dynamic_cast<PrimitiveObject*>(&target);
    if (!t)
        return false;
    copy_base_into(*t);
    t->shape = shape;
    t->border_width = border_width;
    if (with_geometry)
        t->rect = rect;
    t->border_colour = border_colour;
    t->fill_colour = fill_colour;
    t->opacity = opacity;
    return true;
}

void PrimitiveObject::move(int dx, int dy)
{
    rect = rect.offset(dx, dy);
    touch();
}

void PrimitiveObject::resize(int dx, int dy)
{
    records::resize_rect(rect, dx, dy);
    touch();
}

std::vector<Point> PrimitiveObject::brace_points(const Rect& rect, bool right_brace)
{
    const Rect r = rect.inflated(1);
    // 64-bit: a rectangle from a file may span the whole coordinate range.
    const std::int64_t L = r.left, T = r.top, R = r.right, B = r.bottom, W = r.width(), H = r.height();
    auto pt = [](std::int64_t x, std::int64_t y) {
        return Point{std::int32_t(std::clamp<std::int64_t>(x, INT32_MIN, INT32_MAX)),
                     std::int32_t(std::clamp<std::int64_t>(y, INT32_MIN, INT32_MAX))};
    };
    const std::int64_t mid = T + H / 2, q1 = T + H / 4, q3 = T + 3 * H / 4;
    const std::int64_t x = right_brace ? L + 3 * W / 4 : L + W / 4;
    const std::int64_t outer = right_brace ? L : R, tip = right_brace ? R : L;
    return {pt(outer, T), pt(x, T),   pt(x, T),   pt(x, q1), pt(x, mid), pt(x, mid), pt(tip, mid),
            pt(x, mid),   pt(x, mid), pt(x, q3),  pt(x, B),  pt(x, B),   pt(outer, B)};
}

// ---- effect ----

void EffectObject::write(rs2::BaseOStream& out) const { write_to_stream(out); }
bool EffectObject::read(rs2::BaseIStream& in) { return read_from_stream(in); }

void EffectObject::write_fields(ByteWriter& out) const
{
    std::size_t at = out.begin("SHAP");
    out.i32(shape);
    out.end(at);
    at = out.begin("OPER");
    out.i32(operation);
    out.end(at);
    at = out.begin("RECT");
    records::write_rect(out, rect);
    out.end(at);
}

void EffectObject::read_field(std::string_view tag, ByteReader& body)
{
    if (tag == "SHAP")
        shape = body.i32();
    else if (tag == "OPER")
        operation = body.i32();
    else if (tag == "RECT")
        rect = limits::rect(records::read_rect(body), "effect", limited);
}

std::unique_ptr<MemoObject> EffectObject::clone() const
{
    auto copy = std::make_unique<EffectObject>(*this);
    copy->package = nullptr;
    return copy;
}

bool EffectObject::copy_into(MemoObject& target, bool with_geometry) const
{
    auto* t = dynamic_cast<EffectObject*>(&target);
    if (!t)
        return false;
    copy_base_into(*t);
    if (with_geometry)
        t->rect = rect;
    t->operation = operation;
    t->shape = shape;
    return true;
}

void EffectObject::move(int dx, int dy)
{
    rect = rect.offset(dx, dy);
    touch();
}

void EffectObject::resize(int dx, int dy)
{
    records::resize_rect(rect, dx, dy);
    touch();
}

} // namespace memo
