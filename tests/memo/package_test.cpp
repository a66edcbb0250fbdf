#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "memo/ByteIO.h"
#include "memo/ImageCodec.h"
#include "memo/MemoPackage.h"
#include "rs2/DebugStream.h"
#include "TempDir.h"
#include "rs2/FileStream.h"
#include "rs2/MemoryStream.h"

using namespace memo;

namespace {

std::string read_sample(const std::string& name)
{
    std::ifstream file(std::string(MARVO_SAMPLES_DIR) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

std::string object_bytes(const MemoObject& object)
{
    ByteWriter out;
    object.write_record(out);
    return out.take();
}

std::string u32(std::uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }
std::string record(const std::string& tag, const std::string& body) { return tag + u32(std::uint32_t(body.size())) + body; }

// A package with one object of every kind, all fields away from their defaults.
MemoPackage full_package()
{
    MemoPackage p;
    p.url = "http://example.org/a";
    p.width = 1280;
    p.height = 77;
    p.text_size = 3;
    p.time = 1765000000;
    p.fetched = 1764990000;
    p.thumbnail.create(32, 32);
    p.thumbnail.fill(rgb(10, 20, 30), 200);

    auto stroke = std::make_unique<StrokeObject>();
    stroke->points = {{1, 2}, {30, -4}, {50, 60}};
    stroke->width = 5;
    stroke->type = 1;
    stroke->arrow_end = true;
    stroke->colour = rgb(255, 0, 0);
    stroke->border_colour = rgb(0, 0, 255);
    stroke->owner = "yamada";
    stroke->time = 1765000001;
    p.add(std::move(stroke));

    auto box = std::make_unique<TextBoxObject>();
    box->rect = {10, 20, 200, 120};
    box->text = "line one\nhttps://example.org/";
    box->shape = 1;
    box->font.height = -16;
    box->font.weight = 700;
    box->font.set_face("IPAPGothic");
    box->text_colour = rgb(1, 2, 3);
    box->background_colour = rgb(4, 5, 6);
    box->opacity = 99;
    box->locked = true;
    p.add(std::move(box));

    auto stamp = std::make_unique<StampObject>();
    stamp->name = "OK";
    stamp->rect = {5, 5, 69, 69};
    p.add(std::move(stamp));

    auto photo = std::make_unique<PhotoObject>();
    photo->image.create(3, 2);
    photo->image.fill(rgb(9, 8, 7), 255);
    photo->rect = {0, 0, 30, 20};
    p.add(std::move(photo));

    auto prim = std::make_unique<PrimitiveObject>();
    prim->shape = 4;
    prim->border_width = 3;
    prim->rect = {100, 100, 40, 50}; // stored inverted
    prim->opacity = 255;
    p.add(std::move(prim));

    auto effect = std::make_unique<EffectObject>();
    effect->rect = {1, 2, 3, 4};
    effect->operation = 2;
    effect->shape = 1;
    p.add(std::move(effect));
    return p;
}

} // namespace

TEST(PackageFormat, CommonRecordsHaveTheirFixedBytes)
{
    StampObject stamp;
    stamp.locked = true;
    stamp.time = 0x0102030405060708;
    for (int i = 0; i < 4; ++i)
        stamp.id.words[i] = 0x11111111u * std::uint32_t(i + 1);
    const std::string bytes = object_bytes(stamp);
    const std::string guid = bytes.substr(8, 32);
    EXPECT_EQ(guid, record("GUID", record("MBID", u32(0x11111111) + u32(0x22222222) + u32(0x33333333) + u32(0x44444444))));
    EXPECT_EQ(guid.size(), 32u);
    EXPECT_EQ(bytes.substr(40, 16), std::string("TIME\x08\0\0\0\x08\x07\x06\x05\x04\x03\x02\x01", 16));
    EXPECT_EQ(bytes.substr(56, 12), record("OWNR", u32(0)));
    EXPECT_EQ(bytes.substr(68, 12), std::string("LOCK\x04\0\0\0\x01\0\0\0", 12));
    EXPECT_EQ(bytes.substr(80), record("NAME", u32(0)) + record("RECT", std::string(16, '\0')));
}

TEST(PackageFormat, EmptyPackageWritesEveryRecordButThumbnail)
{
    MemoPackage p;
    p.time = p.fetched = 5;
    const std::string bytes = p.serialize();
    const std::string body = record("SURL", u32(0)) + record("SIZE", u32(0) + u32(0)) + record("FONT", u32(2)) +
                             record("TIME", std::string("\x05\0\0\0\0\0\0\0", 8)) +
                             record("GFST", std::string("\x05\0\0\0\0\0\0\0", 8)) +
                             std::string("OBJS\x04\0\0\0\0\0\0\0", 12);
    EXPECT_EQ(bytes, record("PACK", body));

    rs2::MemoryStream stream;
    EXPECT_TRUE(p.write(stream));
    EXPECT_EQ(std::string(stream.unread().data(), stream.unread_size()), bytes);
    MemoPackage back;
    EXPECT_TRUE(back.read(stream));
    EXPECT_TRUE(back.thumbnail.empty());
    EXPECT_EQ(back.size(), 0u);
}

TEST(PackageFormat, EveryKindRoundTripsByteForByte)
{
    const MemoPackage p = full_package();
    const std::string bytes = p.serialize();
    auto back = parse_package(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->serialize(), bytes);
    EXPECT_EQ(back->url, p.url);
    EXPECT_EQ(back->width, 1280);
    EXPECT_EQ(back->height, 77);
    EXPECT_EQ(back->text_size, 3);
    EXPECT_EQ(back->time, 1765000000);
    EXPECT_EQ(back->fetched, 1764990000);
    EXPECT_EQ(back->thumbnail, p.thumbnail);
    ASSERT_EQ(back->size(), 6u);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(back->at(i).kind(), p.at(i).kind());
        EXPECT_EQ(back->at(i).id, p.at(i).id);
        EXPECT_EQ(back->at(i).package, back.get());
    }
    const auto& stroke = dynamic_cast<const StrokeObject&>(back->at(0));
    EXPECT_EQ(stroke.points, (std::vector<Point>{{1, 2}, {30, -4}, {50, 60}}));
    EXPECT_TRUE(stroke.arrow_end);
    EXPECT_FALSE(stroke.arrow_start);
    EXPECT_EQ(stroke.owner, "yamada");
    const auto& box = dynamic_cast<const TextBoxObject&>(back->at(1));
    EXPECT_TRUE(box.locked);
    EXPECT_EQ(box.font.face(), "IPAPGothic");
    EXPECT_EQ(box.opacity, 99);
    const auto& photo = dynamic_cast<const PhotoObject&>(back->at(3));
    EXPECT_EQ(photo.image, dynamic_cast<const PhotoObject&>(p.at(3)).image);
    const auto& prim = dynamic_cast<const PrimitiveObject&>(back->at(4));
    EXPECT_EQ(prim.rect, (Rect{100, 100, 40, 50}));

    // Through streams, and as a memo file of several packages.
    const std::string file = serialize_memo_file({&p, back.get()});
    EXPECT_EQ(file, bytes + bytes);
    const auto both = parse_memo_file(file);
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[1]->serialize(), bytes);
}

// Objects read from bytes share their package's memory; undo keeps objects taken out of a
// package after it is gone, and editing must not reach into that memory.
TEST(PackageFormat, ObjectsTakenOutOfAReadPackageOutliveItAndStayEditable)
{
    const MemoPackage original = full_package();
    const std::string stroke_bytes = object_bytes(original.at(0));
    const std::string box_bytes = object_bytes(original.at(1));
    auto read = parse_package(original.serialize());
    ASSERT_TRUE(read);

    auto& read_stroke = dynamic_cast<StrokeObject&>(read->at(0));
    PointList copied = read_stroke.points;
    copied[0] = {7, 7};
    PointList moved = std::move(read_stroke.points);
    EXPECT_EQ(moved, read_stroke.points);
    EXPECT_EQ(read_stroke.points, (std::vector<Point>{{1, 2}, {30, -4}, {50, 60}}));
    const std::unique_ptr<MemoObject> cloned = read_stroke.clone();

    std::unique_ptr<MemoObject> stroke = read->remove(&read->at(0));
    std::unique_ptr<MemoObject> box = read->remove(&read->at(0));
    // Out and back in: the package ends holding it as any other.
    read->add(read->remove(&read->at(0)));
    read->clear();
    read.reset();

    auto& s = dynamic_cast<StrokeObject&>(*stroke);
    EXPECT_EQ(object_bytes(s), stroke_bytes);
    EXPECT_EQ(object_bytes(*box), box_bytes);
    EXPECT_EQ(object_bytes(*cloned), stroke_bytes);
    EXPECT_EQ(moved, s.points);
    EXPECT_EQ(copied[0], (Point{7, 7}));
    s.move(10, 0);
    s.points.push_back({0, 0});
    EXPECT_EQ(s.points, (std::vector<Point>{{11, 2}, {40, -4}, {60, 60}, {0, 0}}));
    EXPECT_EQ(moved[0], (Point{1, 2}));

    MemoPackage other;
    other.add(std::move(box));
    other.add(std::move(stroke));
    auto again = parse_package(other.serialize());
    ASSERT_TRUE(again);
    EXPECT_EQ(object_bytes(again->at(0)), box_bytes);
    EXPECT_EQ(dynamic_cast<const StrokeObject&>(again->at(1)).points.size(), 4u);
}

TEST(PackageFormat, UnknownAndReorderedRecordsReadToTheSameObjects)
{
    const std::string box = record(
        "TBOX", record("ZZZZ", "junk") + record("COLR", u32(0x0000FF) + u32(0x00FF00) + "\x10") +
                    record("RECT", u32(1) + u32(2) + u32(3) + u32(4)) + record("LOCK", u32(7)) +
                    record("TEXT", u32(2) + "hi") + record("GUID", record("XXXX", std::string(16, '\x05'))));
    const std::string objs = u32(1) + u32(2) + box;
    const std::string pack = record("PACK", record("OBJS", objs) + record("NEWS", "future") + record("SURL", u32(1) + "u") +
                                                record("SIZE", u32(640) + u32(480)));
    auto p = parse_package(pack);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->url, "u");
    EXPECT_EQ(p->width, 640);
    EXPECT_EQ(p->height, 480);
    ASSERT_EQ(p->size(), 1u);
    const auto& t = dynamic_cast<const TextBoxObject&>(p->at(0));
    EXPECT_EQ(t.text, "hi");
    EXPECT_EQ(t.rect, (Rect{1, 2, 3, 4}));
    EXPECT_EQ(t.text_colour, 0x0000FFu);
    EXPECT_EQ(t.opacity, 0x10);
    EXPECT_TRUE(t.locked);
    // A GUID record that holds something other than "MBID" leaves the id unset, so adding
    // gave a fresh one.
    EXPECT_FALSE(t.id.is_unset());
    EXPECT_NE(t.id.words[0], 0x05050505u);
    EXPECT_EQ(t.time, never_time());
}

TEST(PackageFormat, FontRecordIsKeptByteForByte)
{
    // A face name filling all 32 bytes without a terminator reads and writes back unchanged.
    std::string font(60, '\0');
    for (std::size_t i = 0; i < 60; ++i)
        font[i] = char(i < 28 ? i * 7 : 'A' + (i - 28) % 26);
    // Height and width as the tools make them (-12 and 0): larger ones are cut when read.
    font.replace(0, 8, u32(std::uint32_t(-12)) + u32(0));
    const std::string box = record("TBOX", record("FONT", font));
    auto p = parse_package(record("PACK", record("OBJS", u32(1) + u32(2) + box)));
    ASSERT_TRUE(p);
    const auto& t = dynamic_cast<const TextBoxObject&>(p->at(0));
    EXPECT_EQ(t.font.face().size(), 32u);
    const std::string written = object_bytes(t);
    EXPECT_NE(written.find("FONT" + u32(60) + font), std::string::npos);
}

TEST(PackageFormat, UnknownKindIsSkippedByItsLengthAndWrongTagIsDropped)
{
    rs2::trace().set_enabled(false);
    StampObject stamp;
    stamp.name = "kept";
    const std::string good = object_bytes(stamp);
    const std::string objs = u32(3) + u32(9) + record("WHAT", std::string(40, '\x01')) + u32(3) +
                             record("STRK", "") + u32(3) + good;
    auto p = parse_package(record("PACK", record("OBJS", objs)));
    ASSERT_TRUE(p);
    ASSERT_EQ(p->size(), 1u);
    EXPECT_EQ(dynamic_cast<const StampObject&>(p->at(0)).name, "kept");
}

TEST(PackageFormat, DamagedLengthsFailCleanly)
{
    // PNTS claims a billion points in a 12-byte record.
    const std::string stroke = record("STRK", record("PNTS", u32(1000000000) + u32(1) + u32(2)));
    EXPECT_THROW(parse_package(record("PACK", record("OBJS", u32(1) + u32(1) + stroke))), rs2::IOException);
    // A record length beyond its container.
    std::string pack = record("PACK", record("SURL", u32(3) + "abc"));
    pack[12] = '\x7F';
    EXPECT_THROW(parse_package(pack), rs2::IOException);
    // A string length beyond its record.
    EXPECT_THROW(parse_package(record("PACK", record("SURL", u32(0xFFFFFFF0)))), rs2::IOException);
    // More objects announced than present.
    EXPECT_THROW(parse_package(record("PACK", record("OBJS", u32(0xFFFFFFFF)))), rs2::IOException);
    // A damaged thumbnail.
    EXPECT_THROW(parse_package(record("PACK", record("THUM", "\x89PNG broken"))), rs2::IOException);
    // Not a package: null, and a stream read leaves the package as it was.
    EXPECT_EQ(parse_package(record("PACX", "")), nullptr);
    rs2::MemoryStream stream;
    stream.write(record("PACX", "").data(), 8);
    MemoPackage p;
    p.url = "kept";
    EXPECT_FALSE(p.read(stream));
    EXPECT_EQ(p.url, "kept");
}

TEST(PackageFormat, JpegPhotoIsReadAndWrittenBackAsPng)
{
    MemoImage picture(8, 8);
    picture.fill(rgb(0, 0, 255), 255);
    std::string jpeg;
    StringOStream out(jpeg);
    JpegCodec codec(picture);
    write_picture(out, codec);
    const std::string phot = record("PHOT", record("IMAG", jpeg) + record("RECT", u32(0) + u32(0) + u32(8) + u32(8)));
    auto p = parse_package(record("PACK", record("OBJS", u32(1) + u32(4) + phot)));
    ASSERT_TRUE(p);
    const auto& photo = dynamic_cast<const PhotoObject&>(p->at(0));
    ASSERT_EQ(photo.image.width(), 8);
    EXPECT_GT(photo.image.pixel(4, 4)[0], 240);
    const std::string written = object_bytes(photo);
    EXPECT_EQ(written.find("IMAG"), std::string::npos);
    const std::size_t at = written.find("PNGI");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(written.substr(at + 8, 4), "\x89PNG");
    // Written without alpha, read back opaque.
    EXPECT_EQ(written[at + 8 + 25], 2);
}

TEST(PackageFormat, ReadsTheIndependentSample)
{
    rs2::trace().set_enabled(false);
    const std::string bytes = read_sample("one-of-each.ame");
    ASSERT_FALSE(bytes.empty());
    auto p = parse_package(bytes);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->url, "http://www.example.jp/docs/");
    EXPECT_EQ(p->width, 1024);
    EXPECT_EQ(p->height, 0);
    EXPECT_EQ(p->text_size, 2);
    EXPECT_EQ(p->time, 1765000000 + 5);
    EXPECT_EQ(p->fetched, 1765000000 - 3600);
    EXPECT_EQ(p->thumbnail.width(), 32);
    ASSERT_EQ(p->size(), 6u);

    const auto& stroke = dynamic_cast<const StrokeObject&>(p->at(0));
    EXPECT_EQ(stroke.id.words[0], 0x01010101u);
    EXPECT_EQ(stroke.owner, "yamada");
    EXPECT_EQ(stroke.points.size(), 3u);
    EXPECT_EQ(stroke.width, 6);
    EXPECT_EQ(stroke.type, 1);
    EXPECT_EQ(stroke.colour, rgb(255, 191, 0));
    EXPECT_EQ(stroke.border_colour, rgb(255, 0, 0));
    EXPECT_FALSE(stroke.arrow_start);
    EXPECT_TRUE(stroke.arrow_end);

    const auto& box = dynamic_cast<const TextBoxObject&>(p->at(1));
    EXPECT_TRUE(box.locked);
    EXPECT_EQ(box.owner, "suzuki");
    EXPECT_EQ(box.shape, 1);
    EXPECT_EQ(box.rect, (Rect{150, 10, 330, 90}));
    EXPECT_EQ(box.text, "\x83\x81\x83\x82\x82\xc5\x82\xb7\nhttps://www.example.jp/");

    const auto& stamp = dynamic_cast<const StampObject&>(p->at(2));
    EXPECT_EQ(stamp.name, "OK");
    EXPECT_EQ(stamp.rect, (Rect{350, 10, 414, 74}));

    const auto& photo = dynamic_cast<const PhotoObject&>(p->at(3));
    ASSERT_EQ(photo.image.width(), 2);
    EXPECT_EQ(photo.image.argb(0, 0), 0xFFFF0000u);
    EXPECT_EQ(photo.image.argb(1, 0), 0xFF00FF00u);
    EXPECT_EQ(photo.image.argb(0, 1), 0xFF0000FFu);
    EXPECT_EQ(photo.image.argb(1, 1), 0xFFFFFFFFu);
    EXPECT_EQ(photo.rect, (Rect{10, 100, 50, 140}));

    const auto& prim = dynamic_cast<const PrimitiveObject&>(p->at(4));
    EXPECT_EQ(prim.shape, 3);
    EXPECT_EQ(prim.border_width, 2);
    EXPECT_EQ(prim.rect, (Rect{100, 100, 140, 200}));

    const auto& effect = dynamic_cast<const EffectObject&>(p->at(5));
    EXPECT_EQ(effect.operation, 1);
    EXPECT_EQ(effect.shape, 1);
    EXPECT_EQ(effect.rect, (Rect{200, 100, 300, 200}));

    // Our writer produces the same record structure; the pictures may compress differently.
    auto again = parse_package(p->serialize());
    ASSERT_TRUE(again);
    EXPECT_EQ(again->serialize(), p->serialize());
    EXPECT_TRUE(check_memo_file(bytes).ok);
}

TEST(PackageFormat, ReadsTheTwoPackageSampleAndChecksDamage)
{
    const std::string bytes = read_sample("memo-file-two-packages.ame");
    const auto packages = parse_memo_file(bytes);
    ASSERT_EQ(packages.size(), 2u);
    EXPECT_EQ(packages[1]->size(), 0u);
    const PackageCheck good = check_memo_file(bytes);
    EXPECT_TRUE(good.ok);
    EXPECT_EQ(good.packages, 2u);

    const std::string sample = read_sample("one-of-each.ame");
    std::string damaged = sample;
    // Cut the text box's FONT record short by shrinking its length.
    const std::size_t font = damaged.find("FONT<");
    ASSERT_NE(font, std::string::npos);
    damaged[font + 4] = '\x3B';
    const PackageCheck bad = check_memo_file(damaged);
    EXPECT_FALSE(bad.ok);
    EXPECT_EQ(bad.first_bad_record, "PACK[0]/OBJS/[1] TBOX");
    EXPECT_FALSE(check_memo_file(sample.substr(0, sample.size() - 3)).ok);
    // A file cut inside the photo names the photo.
    const PackageCheck cut = check_memo_file(sample.substr(0, sample.find("PNGI") + 30));
    EXPECT_FALSE(cut.ok);
    EXPECT_EQ(cut.first_bad_record, "PACK[0]/OBJS/[3] PHOT");
    EXPECT_EQ(check_memo_file(sample + "junk").first_bad_record, "PACK[1]");
}

TEST(PackageFormat, FilesWrittenAtomicallyReadBackAndTruncatedFilesFail)
{
    TempDir dir;
    const MemoPackage p = full_package();
    {
        rs2::AtomicFileStream out(dir.file("a.ame"));
        EXPECT_TRUE(p.write(out));
        out.commit();
    }
    MemoPackage back;
    {
        rs2::FileStream in(dir.file("a.ame"), rs2::FileStream::open_read);
        ASSERT_TRUE(back.read(in));
    }
    EXPECT_EQ(back.serialize(), p.serialize());

    const std::string bytes = p.serialize();
    {
        rs2::FileStream out(dir.file("cut.ame"), rs2::FileStream::open_write);
        out.write(bytes.data(), bytes.size() / 2);
    }
    rs2::FileStream in(dir.file("cut.ame"), rs2::FileStream::open_read);
    MemoPackage cut;
    EXPECT_THROW(cut.read(in), rs2::IOException);
    EXPECT_EQ(cut.size(), 0u);
}
