#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "memo/MemoImage.h"
#include "memo/MemoObject.h"
#include "memo/MemoTypes.h"
#include "rs2/Stream.h"

namespace memo {

// The memos of one document URL. Owns its objects; each object points back at it.
class MemoPackage {
public:
    MemoPackage() = default;
    // Copies are deep: every object is cloned and re-pointed at the copy.
    MemoPackage(const MemoPackage& other);
    MemoPackage& operator=(const MemoPackage& other);
    ~MemoPackage();

    std::string url;
    Time64 time = never_time();
    Time64 fetched = never_time();
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t text_size = 2;
    MemoImage thumbnail;
    bool dirty = false;
    Time64 last_access = never_time(); // not stored
    // Not stored: a digest of the bytes last read from or written to the package's file; 0
    // while the package has never been on disk.
    std::uint64_t saved_digest = 0;

    // Appends; gives the object a fresh GUID when its id is unset and points it at this
    // package. Returns the object.
    MemoObject& add(std::unique_ptr<MemoObject> object);
    std::size_t size() const { return objects_.size(); }
    bool empty() const { return objects_.empty(); }
    MemoObject& at(std::size_t index) { return *objects_.at(index); }
    const MemoObject& at(std::size_t index) const { return *objects_.at(index); }
    // The object with this GUID, or null.
    MemoObject* find(const Guid& id);
    // Takes the object out of the list and hands it over; null when it is not here.
    std::unique_ptr<MemoObject> remove(const MemoObject* object);
    // Destroys every object and empties the URL.
    void clear();
    // Copies url, both times, width, height, text size, thumbnail and last access, and
    // replaces the objects with clones of other's objects.
    void assign(const MemoPackage& other);
    std::unique_ptr<MemoPackage> clone() const { return std::make_unique<MemoPackage>(*this); }

    // Bounding rectangle of all objects (empty when there are none).
    Rect bounds() const;

    // The "PACK" record, built in memory and written in one piece. Returns true; stream
    // failures are thrown by the stream.
    bool write(rs2::BaseOStream& out) const;
    // Reads one record: false (package unchanged) when its tag is not "PACK". A damaged record
    // or picture throws rs2::IOException. Meant for a freshly constructed package.
    bool read(rs2::BaseIStream& in);

    // The same on bytes in memory.
    std::string serialize() const;
    void write_record(ByteWriter& out) const;
    bool read_record(ByteReader& in);

private:
    // Holds the arena of the objects read into this package (null until something is read).
    struct ArenaHold {
        ObjectArena* arena = nullptr;
        ArenaHold() = default;
        ArenaHold(const ArenaHold&) = delete;
        ArenaHold& operator=(const ArenaHold&) = delete;
        ~ArenaHold() { reset(); }
        void reset();
    };

    // Declared before the objects, so that it outlives them.
    ArenaHold arena_;
    std::vector<std::unique_ptr<MemoObject>> objects_;
};

// Parses one package file or payload: exactly one "PACK" record. Returns null when the
// outermost tag is not "PACK"; throws rs2::IOException when the bytes are damaged.
std::unique_ptr<MemoPackage> parse_package(std::span<const char> bytes);
// A memo file: "PACK" records back to back, read up to the end of the bytes.
std::vector<std::unique_ptr<MemoPackage>> parse_memo_file(std::span<const char> bytes);
std::string serialize_memo_file(const std::vector<const MemoPackage*>& packages);

// The first object value that reading cut back to what drawing allows (memo/Limits.h), as
// "[2] STRK: stroke width 9478 beyond 64"; empty when the package holds none.
std::string first_limited_value(const MemoPackage& package);

// The outcome of checking a file: where the first damage is, and what it is.
struct PackageCheck {
    bool ok = true;
    std::size_t packages = 0;
    std::string first_bad_record; // a path like "PACK[0]/OBJS/[3] TBOX/FONT"
    std::string message;
    // Not damage: the first value beyond what drawing allows, which reading cuts back
    // ("PACK[0]/OBJS/[2] STRK: stroke width 9478 beyond 64"); empty when there is none.
    std::string limited;
};
// Walks every record of a memo file (one or more packages) without stopping at the first
// object that the reader would skip, and reports the first damaged record.
PackageCheck check_memo_file(std::span<const char> bytes);

} // namespace memo
