#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "memo/ByteIO.h"
#include "memo/Canvas.h"
#include "memo/MemoImage.h"
#include "memo/MemoTypes.h"
#include "memo/ObjectArena.h"
#include "memo/PointList.h"
#include "rs2/Stream.h"

namespace memo {

class MemoPackage;
class MemoObject;
class StampList;
class TextBoxObject;

// Kind codes, stable in files and on the wire.
enum class MemoKind : std::uint32_t { Stroke = 1, TextBox = 2, Stamp = 3, Photo = 4, Primitive = 5, Effect = 6 };

// "Stroke", "TextBox", ... as shown to the user; "Unknown" for any other code.
const char* kind_name(std::uint32_t code);
// The object record tag of a kind ("STRK", ...); empty for other codes.
std::string_view kind_tag(std::uint32_t code);

// What drawing one package may cost, in pixels touched (filled, blended, stamped, or read by
// an effect) weighted by the work per pixel against a blended fill: two hundred blended
// layers of a 1280 x 1024 window, about a tenth of a second. Packages the tools make cost a
// small part of it; the most a single memo can cost is the first draw of a window-sized lens
// (its table is kept after), which fits up to 1920 x 1080.
inline constexpr std::int64_t kDrawBudget = std::int64_t(1) << 28;

// Everything a draw call needs. Images are in window coordinates; offset maps document
// coordinates to them (minus the scroll position). The scratch images are re-created at the
// target's size when they differ. On a high-density screen the window's pixels are smaller
// than the document's: scale is how many there are to one, offset is in the window's pixels,
// and objects draw their geometry scaled (place, length) so that they come out sharp.
struct DrawContext {
    MemoImage& target;
    MemoImage& scratch1;
    MemoImage& scratch2;
    Region update;
    Point offset;
    CanvasFactory& canvases;
    const StampList* stamps = nullptr;
    // Draws the diagonals of a stamp whose picture is missing; its colour also draws the
    // outlines of objects over budget.
    Pen missing_stamp_pen{rgb(255, 0, 0), 3, true};
    // What drawing may still cost, in pixels touched. Each object takes its cost before it
    // draws; one that would cost more than is left is drawn as the one-pixel outline of its
    // bounds instead and counted in over_budget, so that a package built to be slow cannot
    // freeze the window. Repainter gives each of its threads the budget left here.
    std::int64_t budget = kDrawBudget;
    // Objects drawn as outlines for want of budget (an object across both halves of a split
    // repaint counts in each): when not zero, the caller can say why the package looks as it
    // does.
    int over_budget = 0;
    double scale = 1.0;
    // Objects take their cost and draw nothing: what the drawing would cost is what budget
    // loses (it may go below zero), without the work.
    bool measure_only = false;
    // Set from another thread to end a drawing nobody waits for any more (a closed tab):
    // looked at between objects.
    const std::atomic<bool>* cancelled = nullptr;

    // A document point, rectangle or length in the target's pixels.
    Point place(Point document_point) const;
    Rect place(const Rect& document_rect) const;
    std::int32_t length(std::int32_t document_length) const;
};

// The window that shows memos, as the objects need it for clicks and editors.
class MemoView {
public:
    virtual ~MemoView() = default;
    // Document to window coordinates: add this.
    virtual Point document_offset() const = 0;
    virtual Size text_extent(const LogFont& font, std::string_view sjis) = 0;
    virtual void navigate(const std::string& url) = 0;
    // The text dialog over window_rect with the text and font; true on OK with text replaced.
    virtual bool run_text_dialog(const Rect& window_rect, std::string& text, const LogFont& font) = 0;
    // Records the object's state before a dialog changes it (undo, time, dirty flag).
    virtual void about_to_change(MemoObject& object) = 0;
    virtual void invalidate(const Rect& document_rect) = 0;
    // The object with this GUID in the packages shown, or null: a dialog runs its own event
    // loop, and a memo received meanwhile may have replaced the object it was opened for.
    virtual MemoObject* find_object(const Guid& id) = 0;
};

// A memo. Base fields are public data; the kinds add theirs. The virtual operations come in
// this order on purpose: callers elsewhere dispatch on them by position in the table.
class MemoObject {
public:
    MemoObject() = default;
    virtual ~MemoObject() = default;
    // Runs the destructor, then frees the memory unless it belongs to a package's arena.
    void operator delete(MemoObject* object, std::destroying_delete_t);

    virtual MemoKind kind() const = 0;
    // Appends the object's record.
    virtual void write(rs2::BaseOStream& out) const = 0;
    // Reads one record; false when its tag is not the kind's tag.
    virtual bool read(rs2::BaseIStream& in) = 0;
    // Same kind, every field copied (identity, owner, time and lock included); no package.
    virtual std::unique_ptr<MemoObject> clone() const = 0;
    // Copies this object's fields into target (time, owner and lock included; target keeps its
    // id and package). False, copying nothing, when the kinds differ. Without geometry the
    // target keeps its rectangle (a stroke takes everything).
    virtual bool copy_into(MemoObject& target, bool with_geometry) const = 0;
    // Tool option panel that edits this kind; -1 for none.
    virtual int option_panel() const = 0;
    virtual void draw(DrawContext& context) = 0;
    // Document coordinates.
    virtual bool hit_test(Point p) const = 0;
    // Moves by (dx, dy) and sets time to now.
    virtual void move(int dx, int dy) = 0;
    // Grows right and bottom, keeping width and height above 2 pixels; sets time to now.
    virtual void resize(int dx, int dy) = 0;
    virtual bool resizable() const = 0;
    virtual Rect bounds() const = 0;
    // A click in browse mode; true when handled.
    virtual bool click(MemoView& view, Point p) = 0;
    // Opens the kind's editor; true when something changed.
    virtual bool edit(MemoView& view) = 0;

    Guid id;
    MemoPackage* package = nullptr;
    Time64 time = never_time();
    std::string owner;
    bool locked = false;
    // Not stored: the first value that reading cut back to memo/Limits.h ("stroke width 9478
    // beyond 64"); empty for everything the drawing tools make.
    std::string limited;

    // The record in memory: the package writes and reads whole lists this way without a
    // stream per object. read_record reads one record and returns false when its tag is wrong.
    void write_record(ByteWriter& out) const;
    bool read_record(ByteReader& in);

protected:
    MemoObject(const MemoObject&) = default;
    MemoObject& operator=(const MemoObject&) = default;

    // The kind's records after the common ones, in the order of its table.
    virtual void write_fields(ByteWriter& out) const = 0;
    // One record that is not common; unknown tags are ignored.
    virtual void read_field(std::string_view tag, ByteReader& body) = 0;

    void copy_base_into(MemoObject& target) const;
    // Where what the object reads goes: the arena of the package reading it, while that
    // package makes it (not added to a package yet and never taken out of one); else null,
    // for memory of the object's own.
    ObjectArena* reading_arena() const { return package || place_.holds_arena ? nullptr : place_.arena; }
    // Stream forms of write_record and read_record, for the kinds' write and read.
    void write_to_stream(rs2::BaseOStream& out) const;
    bool read_from_stream(rs2::BaseIStream& in);
    void touch() { time = now_time(); }

private:
    friend class MemoPackage;
    template <class Kind> friend std::unique_ptr<MemoObject> make_object(ObjectArena* arena);
    ArenaPlace place_;
};

// Helpers for record bodies, shared by the kinds and the package.
namespace records {
void write_rect(ByteWriter& out, const Rect& r);
Rect read_rect(ByteReader& in);
void write_logfont(ByteWriter& out, const LogFont& f);
LogFont read_logfont(ByteReader& in);
// Right and bottom at least left + 2 and top + 2 after growing by (dx, dy).
void resize_rect(Rect& r, int dx, int dy);
} // namespace records

class StrokeObject : public MemoObject {
public:
    MemoKind kind() const override { return MemoKind::Stroke; }
    void write(rs2::BaseOStream& out) const override;
    bool read(rs2::BaseIStream& in) override;
    std::unique_ptr<MemoObject> clone() const override;
    bool copy_into(MemoObject& target, bool with_geometry) const override;
    int option_panel() const override { return -1; }
    void draw(DrawContext& context) override;
    bool hit_test(Point p) const override;
    void move(int dx, int dy) override;
    void resize(int dx, int dy) override;
    bool resizable() const override { return false; }
    Rect bounds() const override;
    bool click(MemoView&, Point) override { return false; }
    bool edit(MemoView&) override { return false; }

protected:
    void write_fields(ByteWriter& out) const override;
    void read_field(std::string_view tag, ByteReader& body) override;

public:

    PointList points;
    std::int32_t width = 1;
    std::int32_t type = 0; // 0 plain pen, 1 soft pen with border
    bool arrow_start = false;
    bool arrow_end = false;
    Colour colour = 0;
    Colour border_colour = 0;
};

// The two end points of each arrow-head line at tip, pointing along tip - from; L = 4 x width.
// Returns false when the direction is undefined.
bool arrow_head(Point tip, Point from, int width, Point& left, Point& right);

class TextBoxObject : public MemoObject {
public:
    MemoKind kind() const override { return MemoKind::TextBox; }
    void write(rs2::BaseOStream& out) const override;
    bool read(rs2::BaseIStream& in) override;
    std::unique_ptr<MemoObject> clone() const override;
    bool copy_into(MemoObject& target, bool with_geometry) const override;
    int option_panel() const override { return 2; }
    void draw(DrawContext& context) override;
    bool hit_test(Point p) const override { return rect.contains(p); }
    void move(int dx, int dy) override;
    void resize(int dx, int dy) override;
    bool resizable() const override { return true; }
    Rect bounds() const override { return rect; }
    bool click(MemoView& view, Point p) override;
    bool edit(MemoView& view) override;

protected:
    void write_fields(ByteWriter& out) const override;
    void read_field(std::string_view tag, ByteReader& body) override;

public:

    // The box without a balloon's tail, normalised.
    Rect body_rect() const;
    // Lines split at line feeds.
    std::vector<std::string_view> lines() const;
    // True for a line that starts with one of the link schemes.
    static bool is_link_line(std::string_view line);

    Rect rect;
    std::string text;
    std::int32_t shape = 0; // 0 rounded box, 1 speech balloon
    LogFont font;
    Colour text_colour = 0;
    Colour background_colour = rgb(200, 255, 200);
    std::uint8_t opacity = 182;
};

class StampObject : public MemoObject {
public:
    MemoKind kind() const override { return MemoKind::Stamp; }
    void write(rs2::BaseOStream& out) const override;
    bool read(rs2::BaseIStream& in) override;
    std::unique_ptr<MemoObject> clone() const override;
    bool copy_into(MemoObject& target, bool with_geometry) const override;
    int option_panel() const override { return 1; }
    void draw(DrawContext& context) override;
    bool hit_test(Point p) const override { return rect.contains(p); }
    void move(int dx, int dy) override;
    void resize(int dx, int dy) override;
    bool resizable() const override { return true; }
    Rect bounds() const override { return rect; }
    bool click(MemoView&, Point) override { return false; }
    bool edit(MemoView&) override { return false; }

protected:
    void write_fields(ByteWriter& out) const override;
    void read_field(std::string_view tag, ByteReader& body) override;

public:

    std::string name;
    Rect rect;
};

class PhotoObject : public MemoObject {
public:
    MemoKind kind() const override { return MemoKind::Photo; }
    void write(rs2::BaseOStream& out) const override;
    bool read(rs2::BaseIStream& in) override;
    std::unique_ptr<MemoObject> clone() const override;
    bool copy_into(MemoObject& target, bool with_geometry) const override;
    int option_panel() const override { return -1; }
    void draw(DrawContext& context) override;
    bool hit_test(Point p) const override { return rect.contains(p); }
    void move(int dx, int dy) override;
    void resize(int dx, int dy) override;
    bool resizable() const override { return true; }
    Rect bounds() const override { return rect; }
    bool click(MemoView&, Point) override { return false; }
    bool edit(MemoView&) override { return false; }

protected:
    void write_fields(ByteWriter& out) const override;
    void read_field(std::string_view tag, ByteReader& body) override;

public:

    // Call after changing image's pixels in place (a new size or a new picture is noticed).
    void picture_changed() { scaled_.clear(); }

    MemoImage image;
    Rect rect;

private:
    // The picture scaled to the rectangle's size; derived, rebuilt when either changes.
    MemoImage scaled_;
    const std::uint8_t* scaled_source_ = nullptr;
    const MemoImage& scaled_picture(int w, int h);
};

class PrimitiveObject : public MemoObject {
public:
    MemoKind kind() const override { return MemoKind::Primitive; }
    void write(rs2::BaseOStream& out) const override;
    bool read(rs2::BaseIStream& in) override;
    std::unique_ptr<MemoObject> clone() const override;
    bool copy_into(MemoObject& target, bool with_geometry) const override;
    int option_panel() const override { return 5; }
    void draw(DrawContext& context) override;
    bool hit_test(Point p) const override { return rect.contains(p); }
    void move(int dx, int dy) override;
    void resize(int dx, int dy) override;
    bool resizable() const override { return true; }
    Rect bounds() const override { return rect; }
    bool click(MemoView&, Point) override { return false; }
    bool edit(MemoView&) override { return false; }

protected:
    void write_fields(ByteWriter& out) const override;
    void read_field(std::string_view tag, ByteReader& body) override;

public:

    // The 13 control points of a brace (shape 3 right, 4 left) over r, inflated by 1.
    static std::vector<Point> brace_points(const Rect& r, bool right_brace);

    std::int32_t shape = 0; // 0 rectangle, 1 ellipse, 2 rounded rectangle, 3 right brace, 4 left brace
    std::int32_t border_width = 1;
    Rect rect;
    Colour border_colour = rgb(255, 191, 0);
    Colour fill_colour = rgb(255, 236, 182);
    std::uint8_t opacity = 182;
};

class EffectObject : public MemoObject {
public:
    MemoKind kind() const override { return MemoKind::Effect; }
    void write(rs2::BaseOStream& out) const override;
    bool read(rs2::BaseIStream& in) override;
    std::unique_ptr<MemoObject> clone() const override;
    bool copy_into(MemoObject& target, bool with_geometry) const override;
    int option_panel() const override { return 6; }
    void draw(DrawContext& context) override;
    bool hit_test(Point p) const override { return rect.contains(p); }
    void move(int dx, int dy) override;
    void resize(int dx, int dy) override;
    bool resizable() const override { return true; }
    Rect bounds() const override { return rect; }
    bool click(MemoView&, Point) override { return false; }
    bool edit(MemoView&) override { return false; }

protected:
    void write_fields(ByteWriter& out) const override;
    void read_field(std::string_view tag, ByteReader& body) override;

public:

    Rect rect;
    std::int32_t operation = 0; // 0 mosaic, 1 lens, 2 blur, 3 negative
    std::int32_t shape = 0;     // 0 rectangle, 1 ellipse, 2 rounded rectangle

    // The filters, on the w x h area of image at (x, y). Public for tests and benchmarks.
    // Mosaic blocks are `block` pixels a side, 8 unless the picture is scaled. Blur weighs the
    // neighbours `reach` pixels away: one unless the picture is scaled.
    static void mosaic(MemoImage& image, int x, int y, int w, int h, int block = 8);
    static void blur(MemoImage& image, int x, int y, int w, int h, int reach = 1);
    static void negative(MemoImage& image, int x, int y, int w, int h);
    void lens(MemoImage& image, int x, int y, int w, int h);

private:
    // Source position of every pixel of the lens area; derived, recomputed when w x h changes.
    std::vector<Point> lens_table_;
    int lens_width_ = 0;
    int lens_height_ = 0;
};

// A new object of the kind with its defaults, or nothing for a code outside 1 to 6. Given an
// arena, the object and what it reads live there (a package reading its objects).
std::unique_ptr<MemoObject> create_object(std::uint32_t kind_code, ObjectArena* arena = nullptr);

} // namespace memo
