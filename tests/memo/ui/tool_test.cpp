// The marvo-memo command-line tool, run as people run it, on files written by the library.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <nlohmann/json.hpp>

#include "TempDir.h"
#include "memo/ByteIO.h"
#include "memo/ImageCodec.h"
#include "memo/MemoPackage.h"
#include "rs2/FileStream.h"

using namespace memo;

namespace {

const std::string kTool = std::string(MARVO_BINARY_DIR) + "/tools/marvo-memo/marvo-memo";

struct ToolRun {
    int status = -1;
    std::string out;
};

ToolRun run(const std::string& arguments)
{
    ToolRun r;
    FILE* pipe = popen((kTool + " " + arguments + " 2>&1").c_str(), "r");
    if (!pipe)
        return r;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        r.out.append(buffer, n);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

void write_file(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string library_file()
{
    MemoPackage p;
    p.url = "http://example.org/";
    p.width = 200;
    auto box = std::make_unique<TextBoxObject>();
    box->rect = {10, 10, 110, 60};
    box->text = "\x83\x81\x83\x82\nhttp://a/"; // "メモ"
    box->owner = "\x8e\x52\x93\x63";            // "山田"
    box->opacity = 255;
    box->background_colour = rgb(0, 0, 255);
    p.add(std::move(box));
    auto prim = std::make_unique<PrimitiveObject>();
    prim->rect = {20, 100, 60, 150};
    p.add(std::move(prim));
    MemoPackage empty;
    empty.url = "http://example.org/gone";
    return serialize_memo_file({&p, &empty});
}

class MarvoMemoTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::filesystem::exists(kTool))
            GTEST_SKIP() << "marvo-memo is not built";
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        file = dir.file("memo.ame");
        write_file(file, library_file());
    }
    TempDir dir;
    std::string file;
};

} // namespace

TEST_F(MarvoMemoTool, DumpListsPackagesAndObjectsInUtf8)
{
    const ToolRun r = run("dump " + file);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("2 packages"), std::string::npos);
    EXPECT_NE(r.out.find("url: http://example.org/gone"), std::string::npos);
    EXPECT_NE(r.out.find("TextBox {"), std::string::npos);
    EXPECT_NE(r.out.find("owner \"山田\""), std::string::npos);
    EXPECT_NE(r.out.find("メモ"), std::string::npos);
    EXPECT_NE(r.out.find("] Primitive"), std::string::npos);

    const ToolRun json = run("dump --json " + file);
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out.substr(0, 10), "[{\"file\":\"");
    EXPECT_NE(json.out.find("\"text\":\"メモ\\nhttp://a/\""), std::string::npos);
    EXPECT_NE(json.out.find("\"kind\":\"Primitive\""), std::string::npos);
}

TEST_F(MarvoMemoTool, CheckNamesTheFirstBadRecord)
{
    EXPECT_EQ(run("check " + file).status, 0);
    std::string bytes = library_file();
    // Damage the text box's COLR record: one byte short.
    const std::size_t colr = bytes.find("COLR");
    ASSERT_NE(colr, std::string::npos);
    bytes[colr + 4] = 8;
    const std::string bad = dir.file("bad.ame");
    write_file(bad, bytes);
    const ToolRun r = run("check " + file + " " + bad);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.out.find("memo.ame: ok, 2 packages"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("bad.ame: damaged at PACK[0]/OBJS/[0] TBOX"), std::string::npos) << r.out;

    const ToolRun dump = run("dump " + bad);
    EXPECT_NE(dump.status, 0);
    EXPECT_NE(dump.out.find("damaged"), std::string::npos);
    EXPECT_NE(run("check " + dir.file("missing.ame")).status, 0);
    EXPECT_NE(run("frobnicate").status, 0);
}

TEST_F(MarvoMemoTool, RenderDrawsTheFirstPackage)
{
    const std::string png = dir.file("out.png");
    ToolRun r = run("render " + file + " -o " + png);
    ASSERT_EQ(r.status, 0) << r.out;
    MemoImage image;
    {
        rs2::FileStream in(png, rs2::FileStream::open_read);
        PngCodec codec(image, true);
        read_picture(in, codec);
    }
    // Package width by the bottom of the lowest memo.
    EXPECT_EQ(image.width(), 200);
    EXPECT_EQ(image.height(), 150);
    EXPECT_EQ(image.argb(100, 40), 0xFF0000FFu);
    EXPECT_EQ(image.argb(150, 120), 0xFFFFFFFFu);

    r = run("render " + file + " -o " + png + " --size 120x80 --background transparent");
    ASSERT_EQ(r.status, 0) << r.out;
    rs2::FileStream in(png, rs2::FileStream::open_read);
    PngCodec codec(image, true);
    read_picture(in, codec);
    EXPECT_EQ(image.width(), 120);
    // Opaque blue (the blend over black reaches 254), transparent outside the memos.
    EXPECT_EQ(image.argb(100, 40) & 0xFFFFFF00u, 0xFF000000u);
    EXPECT_GE(image.argb(100, 40) & 0xFF, 254u);
    EXPECT_EQ(image.argb(115, 75) >> 24, 0u);
}

TEST_F(MarvoMemoTool, CheckAndRenderSayWhatWasCutBackAndWhatWentOverBudget)
{
    // A soft-pen zigzag far wider than any pen: cut back to the widest allowed when read, and
    // even so more stamping than drawing a package may cost.
    MemoPackage p;
    p.url = "http://example.org/slow";
    p.width = 200;
    auto stroke = std::make_unique<StrokeObject>();
    stroke->type = 1;
    stroke->width = 9478;
    for (int i = 0; i < 100; ++i)
        stroke->points.push_back({i % 2 ? 190 : 10, 10 + i});
    p.add(std::move(stroke));
    const std::string slow = dir.file("slow.ame");
    write_file(slow, p.serialize());

    ToolRun r = run("check " + slow);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("cut back when read: PACK[0]/OBJS/[0] STRK: stroke width 9478 beyond 64"), std::string::npos)
        << r.out;
    r = run("render " + slow + " -o " + dir.file("slow.png") + " --size 200x150");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("1 object drawn as outline"), std::string::npos) << r.out;
}

// The independent sample through export and back: every memo an Annotation with its place,
// and the text boxes, strokes and rectangles come back with their GUIDs and times.
TEST_F(MarvoMemoTool, W3cExportOfTheSampleImportsBackToTheSameMemos)
{
    const std::string sample = std::string(MARVO_SAMPLES_DIR) + "/one-of-each.ame";
    const std::string exported = dir.file("one.json");
    const ToolRun out = run("export --w3c " + sample + " -o " + exported);
    ASSERT_EQ(out.status, 0) << out.out;
    std::ifstream in(exported);
    const nlohmann::json page = nlohmann::json::parse(in);
    EXPECT_EQ(page["@context"], "http://www.w3.org/ns/anno.jsonld");
    const nlohmann::json& items = page["items"];
    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(items[0]["id"], "urn:uuid:01010101-0101-0101-0101-010101010101");
    EXPECT_EQ(items[0]["creator"]["name"], "yamada");
    EXPECT_EQ(items[0]["target"]["source"], "http://www.example.jp/docs/");
    EXPECT_EQ(items[0]["target"]["selector"][1]["type"], "SvgSelector");
    EXPECT_EQ(items[1]["body"]["value"], "メモです\nhttps://www.example.jp/");
    EXPECT_EQ(items[1]["target"]["selector"][0]["value"], "xywh=pixel:150,10,180,80");
    EXPECT_EQ(items[1]["created"], "2025-12-06T05:46:41Z");

    const std::string back = dir.file("back.ame");
    const ToolRun imported = run("import --w3c " + exported + " -o " + back);
    ASSERT_EQ(imported.status, 0) << imported.out;
    std::ifstream original_file(sample, std::ios::binary), back_file(back, std::ios::binary);
    const std::string original_bytes{std::istreambuf_iterator<char>(original_file), {}};
    const std::string back_bytes{std::istreambuf_iterator<char>(back_file), {}};
    const auto original = parse_memo_file(original_bytes);
    const auto again = parse_memo_file(back_bytes);
    ASSERT_EQ(again.size(), 1u);
    ASSERT_EQ(again[0]->size(), 6u);
    EXPECT_EQ(again[0]->url, original[0]->url);
    for (std::size_t i = 0; i < 6; ++i) {
        const MemoObject& a = original[0]->at(i);
        const MemoObject& b = again[0]->at(i);
        EXPECT_EQ(b.id, a.id) << i;
        EXPECT_EQ(b.time, a.time) << i;
        EXPECT_EQ(b.owner, a.owner) << i;
        if (i > 0) {  // a stroke's bounds hold its arrow head, which has no annotation form
            EXPECT_EQ(b.bounds().normalized(), a.bounds().normalized()) << i;
        }
    }
    const auto& stroke = dynamic_cast<const StrokeObject&>(again[0]->at(0));
    const auto& original_stroke = dynamic_cast<const StrokeObject&>(original[0]->at(0));
    EXPECT_EQ(stroke.points, original_stroke.points);
    EXPECT_EQ(stroke.width, original_stroke.width);
    EXPECT_EQ(stroke.colour, original_stroke.colour);
    EXPECT_EQ(dynamic_cast<const TextBoxObject&>(again[0]->at(1)).text,
              dynamic_cast<const TextBoxObject&>(original[0]->at(1)).text);

    // What has no memo form is named, and the rest still imported.
    const std::string foreign = dir.file("foreign.json");
    write_file(foreign, R"({"type":"AnnotationPage","items":[
        {"type":"Annotation","target":{"source":"http://a/","selector":{"type":"SvgSelector","value":"<svg><path d='M0 0 C1 1 2 2 3 3'/></svg>"}}},
        {"type":"Annotation","target":"http://a/"},
        {"type":"Annotation","bodyValue":"ok","target":{"source":"http://a/","selector":{"type":"FragmentSelector","value":"xywh=1,2,30,40"}}}]})");
    const ToolRun partial = run("import --w3c " + foreign + " -o " + dir.file("partial.ame"));
    EXPECT_EQ(partial.status, 3) << partial.out;
    EXPECT_NE(partial.out.find("annotation 1: path command C"), std::string::npos) << partial.out;
    EXPECT_NE(partial.out.find("annotation 2: neither a text"), std::string::npos) << partial.out;
    EXPECT_NE(partial.out.find("1 memo on 1 page"), std::string::npos) << partial.out;
}
