#include "memo/MemoPackage.h"

#include <cstring>

#include "memo/ImageCodec.h"
#include "memo/PictureBudget.h"
#include "rs2/DebugStream.h"

namespace memo {

MemoPackage::MemoPackage(const MemoPackage& other)
{
    assign(other);
    dirty = other.dirty;
}

MemoPackage& MemoPackage::operator=(const MemoPackage& other)
{
    if (this != &other) {
        assign(other);
        dirty = other.dirty;
    }
    return *this;
}

MemoPackage::~MemoPackage() = default;

void MemoPackage::ArenaHold::reset()
{
    if (arena)
        arena->release();
    arena = nullptr;
}

MemoObject& MemoPackage::add(std::unique_ptr<MemoObject> object)
{
    if (object->id.is_unset())
        object->id = Guid::create();
    object->package = this;
    objects_.push_back(std::move(object));
    return *objects_.back();
}

MemoObject* MemoPackage::find(const Guid& id)
{
    for (auto& o : objects_)
        if (o->id == id)
            return o.get();
    return nullptr;
}

std::unique_ptr<MemoObject> MemoPackage::remove(const MemoObject* object)
{
    for (auto it = objects_.begin(); it != objects_.end(); ++it)
        if (it->get() == object) {
            std::unique_ptr<MemoObject> out = std::move(*it);
            objects_.erase(it);
            out->package = nullptr;
            // Leaving the package, whose arena may go before the object does.
            ArenaPlace& place = out->place_;
            if (place.arena && !place.holds_arena) {
                place.arena->retain();
                place.holds_arena = true;
            }
            return out;
        }
    return nullptr;
}

void MemoPackage::clear()
{
    objects_.clear();
    arena_.reset();
    url.clear();
}

void MemoPackage::assign(const MemoPackage& other)
{
    if (this == &other)
        return;
    url = other.url;
    time = other.time;
    fetched = other.fetched;
    width = other.width;
    height = other.height;
    text_size = other.text_size;
    thumbnail = other.thumbnail;
    last_access = other.last_access;
    objects_.clear();
    arena_.reset();
    objects_.reserve(other.objects_.size());
    for (const auto& o : other.objects_) {
        auto copy = o->clone();
        copy->package = this;
        objects_.push_back(std::move(copy));
    }
}

Rect MemoPackage::bounds() const
{
    Rect r;
    for (const auto& o : objects_) {
        // A stroke without points has no extent (its bounds come out inverted).
        if (o->kind() == MemoKind::Stroke && static_cast<const StrokeObject&>(*o).points.empty())
            continue;
        r = r.united(o->bounds().normalized());
    }
    return r;
}

void MemoPackage::write_record(ByteWriter& out) const
{
    const std::size_t pack = out.begin("PACK");
    std::size_t at = out.begin("SURL");
    out.string(url);
    out.end(at);
    at = out.begin("SIZE");
    out.u32(std::uint32_t(width));
    out.u32(std::uint32_t(height));
    out.end(at);
    at = out.begin("FONT");
    out.u32(std::uint32_t(text_size));
    out.end(at);
    at = out.begin("TIME");
    out.i64(time);
    out.end(at);
    at = out.begin("GFST");
    out.i64(fetched);
    out.end(at);
    if (thumbnail.width() > 0 && thumbnail.height() > 0) {
        at = out.begin("THUM");
        WriterOStream stream(out);
        PngCodec codec(const_cast<MemoImage&>(thumbnail), true);
        write_picture(stream, codec);
        out.end(at);
    }
    at = out.begin("OBJS");
    out.u32(std::uint32_t(objects_.size()));
    for (const auto& o : objects_) {
        out.u32(std::uint32_t(o->kind()));
        o->write_record(out);
    }
    out.end(at);
    out.end(pack);
}

namespace {

// Close to the record's size for the kinds whose size is known up front; pictures are
// compressed, so a photo counts only its header.
std::size_t estimated_size(const MemoObject& o)
{
    std::size_t n = 160 + o.owner.size();
    if (o.kind() == MemoKind::Stroke)
        n += 60 + static_cast<const StrokeObject&>(o).points.size() * 8;
    else if (o.kind() == MemoKind::TextBox)
        n += 140 + static_cast<const TextBoxObject&>(o).text.size();
    else
        n += 80;
    return n;
}

} // namespace

std::string MemoPackage::serialize() const
{
    ByteWriter out;
    std::size_t estimate = 256 + url.size();
    for (const auto& o : objects_)
        estimate += estimated_size(*o);
    out.reserve(estimate);
    write_record(out);
    return out.take();
}

bool MemoPackage::write(rs2::BaseOStream& out) const
{
    const std::string bytes = serialize();
    out.write(bytes.data(), bytes.size());
    return true;
}

bool MemoPackage::read_record(ByteReader& in)
{
    const NeverTimeHeld zone_fixed;
    ByteReader body;
    if (in.record(body) != "PACK")
        return false;
    while (!body.at_end()) {
        ByteReader field;
        const std::string_view tag = body.record(field);
        if (tag == "SURL") {
            url = field.text();
        } else if (tag == "TIME") {
            time = field.i64();
        } else if (tag == "GFST") {
            fetched = field.i64();
        } else if (tag == "SIZE") {
            width = std::int32_t(field.u32());
            height = std::int32_t(field.u32());
        } else if (tag == "FONT") {
            text_size = std::int32_t(field.u32());
        } else if (tag == "THUM" && !pictures_decoded()) {
            check_picture_header(field.rest());
        } else if (tag == "THUM") {
            SpanIStream stream(field.rest());
            PngCodec codec(thumbnail, true);
            read_picture(stream, codec);
        } else if (tag == "OBJS") {
            // The count is not trusted for allocation beyond what the record can hold: each
            // entry takes at least its kind and a record header.
            const std::uint32_t count = field.u32();
            objects_.reserve(objects_.size() + std::min<std::size_t>(count, field.remaining() / 12));
            if (!arena_.arena)
                arena_.arena = ObjectArena::create();
            for (std::uint32_t i = 0; i < count; ++i) {
                const std::uint32_t kind = field.u32();
                std::unique_ptr<MemoObject> object = create_object(kind, arena_.arena);
                if (!object) {
                    rs2::trace() << "UnknownObject\n";
                    // Step over the entry's record so the next kind code is read in its place.
                    ByteReader skipped;
                    field.record(skipped);
                    continue;
                }
                if (object->read_record(field))
                    add(std::move(object));
                else
                    rs2::trace() << "Fail load object\n";
            }
        }
    }
    return true;
}

bool MemoPackage::read(rs2::BaseIStream& in)
{
    // Peek at the tag before committing: a record that is not "PACK" is consumed but leaves
    // the package as it was.
    std::string bytes;
    if (!read_record_bytes(in, bytes))
        throw rs2::IOException("read error(BaseIStream::read)");
    if (bytes.compare(0, 4, "PACK") != 0)
        return false;
    ByteReader reader(bytes);
    return read_record(reader);
}

std::unique_ptr<MemoPackage> parse_package(std::span<const char> bytes)
{
    ByteReader reader(bytes);
    auto package = std::make_unique<MemoPackage>();
    if (!package->read_record(reader))
        return nullptr;
    return package;
}

std::vector<std::unique_ptr<MemoPackage>> parse_memo_file(std::span<const char> bytes)
{
    std::vector<std::unique_ptr<MemoPackage>> out;
    ByteReader reader(bytes);
    while (!reader.at_end()) {
        auto package = std::make_unique<MemoPackage>();
        if (!package->read_record(reader))
            throw rs2::IOException("not a memo package");
        out.push_back(std::move(package));
    }
    return out;
}

std::string first_limited_value(const MemoPackage& package)
{
    for (std::size_t i = 0; i < package.size(); ++i) {
        const MemoObject& o = package.at(i);
        if (!o.limited.empty())
            return "[" + std::to_string(i) + "] " + std::string(kind_tag(std::uint32_t(o.kind()))) + ": " + o.limited;
    }
    return {};
}

std::string serialize_memo_file(const std::vector<const MemoPackage*>& packages)
{
    ByteWriter out;
    for (const MemoPackage* p : packages)
        p->write_record(out);
    return out.take();
}

namespace {

std::string tag_text(std::string_view tag)
{
    std::string out;
    for (char c : tag)
        out += (c >= 0x20 && c < 0x7F) ? c : '?';
    return out;
}

} // namespace

PackageCheck check_memo_file(std::span<const char> bytes)
{
    PackageCheck result;
    ByteReader reader(bytes);
    std::string where;
    auto fail = [&](const std::string& message) {
        result.ok = false;
        result.first_bad_record = where;
        result.message = message;
        return result;
    };
    if (reader.at_end()) {
        where = "(file)";
        return fail("empty file");
    }
    for (std::size_t index = 0; !reader.at_end(); ++index) {
        where = "PACK[" + std::to_string(index) + "]";
        bool cut = false;
        try {
            ByteReader body;
            // A package cut short is still walked as far as its bytes go, so that the report
            // names the record where the cut falls.
            if (reader.remaining() >= 8) {
                const char* header = reader.rest().data();
                std::uint32_t length;
                std::memcpy(&length, header + 4, 4);
                if (length > reader.remaining() - 8 && std::string_view(header, 4) == "PACK") {
                    cut = true;
                    reader.take(8);
                    const std::size_t n = reader.remaining();
                    body = ByteReader({reader.take(n), n});
                }
            }
            const std::string_view tag = cut ? std::string_view("PACK") : reader.record(body);
            if (tag != "PACK")
                return fail("record tag \"" + tag_text(tag) + "\" where \"PACK\" belongs");
            while (!body.at_end()) {
                ByteReader field;
                // Name the record before reading it, and walk a cut object list as far as it goes.
                if (body.remaining() >= 4)
                    where = "PACK[" + std::to_string(index) + "]/" + tag_text({body.rest().data(), 4});
                std::string_view field_tag;
                if (body.remaining() >= 8 && std::string_view(body.rest().data(), 4) == "OBJS") {
                    std::uint32_t length;
                    std::memcpy(&length, body.rest().data() + 4, 4);
                    if (length > body.remaining() - 8) {
                        cut = true;
                        field_tag = {body.take(4), 4};
                        body.take(4);
                        const std::size_t n = body.remaining();
                        field = ByteReader({body.take(n), n});
                    }
                }
                if (field_tag.empty())
                    field_tag = body.record(field);
                if (field_tag == "SURL") {
                    field.string();
                } else if (field_tag == "TIME" || field_tag == "GFST") {
                    field.i64();
                } else if (field_tag == "SIZE") {
                    field.u32();
                    field.u32();
                } else if (field_tag == "FONT") {
                    field.u32();
                } else if (field_tag == "THUM") {
                    SpanIStream stream(field.rest());
                    MemoImage thumbnail;
                    PngCodec codec(thumbnail, true);
                    read_picture(stream, codec);
                } else if (field_tag == "OBJS") {
                    const std::uint32_t count = field.u32();
                    const std::string objs = where;
                    for (std::uint32_t i = 0; i < count; ++i) {
                        where = objs + "/[" + std::to_string(i) + "]";
                        const std::uint32_t kind = field.u32();
                        auto object = create_object(kind);
                        if (!object)
                            return fail("unknown object kind " + std::to_string(kind));
                        where += " " + std::string(kind_tag(kind));
                        if (!object->read_record(field))
                            return fail("object record with the wrong tag");
                        if (result.limited.empty() && !object->limited.empty())
                            result.limited = where + ": " + object->limited;
                    }
                    where = objs;
                    if (!field.at_end())
                        return fail("bytes after the last object");
                }
            }
            if (cut) {
                where = "PACK[" + std::to_string(index) + "]";
                return fail("the package is cut short");
            }
        } catch (const rs2::IOException& e) {
            return fail(cut ? std::string("the package is cut short: ") + e.what() : std::string(e.what()));
        }
        ++result.packages;
    }
    return result;
}

} // namespace memo
