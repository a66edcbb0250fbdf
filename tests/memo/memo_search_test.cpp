#include <gtest/gtest.h>

#include <fstream>

#include "TempDir.h"
#include "memo/MemoSearchIndex.h"
#include "memo/PackageFiles.h"
#include "memo/SearchText.h"

using namespace memo;

namespace {

constexpr Time64 kDay = 1765000000;

// Shift_JIS texts, as the memo model holds them.
const std::string kMinutes = "\x89\xef\x8b\x63\x82\xcc\x8b\x63\x8e\x96\x98\x5e"; // "会議の議事録"
const std::string kMinutesWord = "\x8b\x63\x8e\x96\x98\x5e";                       // "議事録"
const std::string kIcePlan = "\x83\x41\x83\x43\x83\x58 \x97\x5c\x92\xe8";           // "アイス 予定"
const std::string kPlan = "\x97\x5c\x92\xe8";                                       // "予定"
const std::string kWideMarvo = "\x82\x6c\x82\x81\x82\x92\x82\x96\x82\x8f";           // "Ｍａｒｖｏ"
const std::string kWideSpace = "\x81\x40";                                          // "　"

std::unique_ptr<TextBoxObject> text_box(const std::string& text, const std::string& owner, Rect rect)
{
    auto box = std::make_unique<TextBoxObject>();
    box->text = text;
    box->owner = owner;
    box->rect = rect;
    return box;
}

std::unique_ptr<StrokeObject> stroke(const std::string& owner, Time64 time, Point at)
{
    auto s = std::make_unique<StrokeObject>();
    s->owner = owner;
    s->time = time;
    s->points = {at, {at.x + 10, at.y + 10}};
    return s;
}

class SearchFolder : public ::testing::Test {
protected:
    void store(MemoPackage& package) { write_package_file(package, dir.path() / package_file_name(package.url)); }

    MemoPackage news()
    {
        MemoPackage p;
        p.url = "http://a.example/news/";
        p.time = kDay;
        p.add(text_box("Quarterly Marvo report\nsecond line", "yamada", {10, 20, 200, 80}));
        p.add(text_box(kMinutes, "suzuki", {10, 900, 200, 960}));
        p.add(stroke("yamada", kDay - 50, {5, 5}));
        p.add(stroke("yamada", kDay - 10, {300, 1200})); // yamada's latest memo besides text
        return p;
    }

    TempDir dir;
};

TEST_F(SearchFolder, FindsTextAuthorsAndAddressesAndFollowsStoredPackages)
{
    MemoPackage a = news();
    store(a);
    MemoPackage b;
    b.url = "http://b.example/ice/";
    b.time = kDay + 86400;
    b.add(text_box(kIcePlan, "tanaka", {0, 0, 50, 50}));
    store(b);
    MemoPackage gone;
    gone.url = "http://c.example/report/";
    gone.time = kDay;
    store(gone); // a deletion record: nothing to find
    std::ofstream(dir.path() / "damaged.ame", std::ios::binary) << std::string("PACK\x40\0\0\0SURL", 12);

    MemoSearchIndex index(dir.path());
    index.wait_idle();
    ASSERT_TRUE(index.ready());
    EXPECT_EQ(index.sites(), 2u);

    // Latin letters in any case or width; a text box is shown by its text.
    std::vector<SiteHit> hits = index.search("REPORT", 10);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].url, a.url);
    EXPECT_EQ(hits[0].time, kDay);
    ASSERT_EQ(hits[0].memos.size(), 1u);
    EXPECT_EQ(hits[0].memos[0].id, a.at(0).id);
    EXPECT_EQ(hits[0].memos[0].bounds, (Rect{10, 20, 200, 80}));
    EXPECT_EQ(hits[0].memos[0].text, "Quarterly Marvo report\nsecond line");

    // Every word must be on the site; the memos listed hold any of them.
    hits = index.search(kWideMarvo + kWideSpace + kMinutesWord, 10);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].memos.size(), 2u);
    EXPECT_TRUE(index.search(kMinutesWord + " tanaka", 10).empty());

    // An author finds their text boxes and the latest of their other memos.
    hits = index.search("Yamada", 10);
    ASSERT_EQ(hits.size(), 1u);
    ASSERT_EQ(hits[0].memos.size(), 2u);
    EXPECT_EQ(hits[0].memos[1].id, a.at(3).id);
    EXPECT_EQ(hits[0].memos[1].owner, "yamada");
    EXPECT_TRUE(hits[0].memos[1].text.empty());

    // Japanese words; the second byte of "予" (a "\") is no character of its own.
    EXPECT_EQ(index.search(kPlan, 10).size(), 1u);
    EXPECT_TRUE(index.search("\\", 10).empty());
    EXPECT_TRUE(index.search("deleted", 10).empty());

    // The address: newest first, cut at the limit.
    hits = index.search("EXAMPLE", 10);
    ASSERT_EQ(hits.size(), 2u);
    EXPECT_EQ(hits[0].url, b.url);
    EXPECT_TRUE(hits[0].memos.empty());
    EXPECT_EQ(index.search("example", 1).size(), 1u);
    EXPECT_TRUE(index.search(" " + kWideSpace, 10).empty());

    // A package saved with other text, and a site whose memos were deleted.
    a.remove(&a.at(0));
    a.add(text_box("Annual summary", "yamada", {0, 0, 9, 9}));
    store(a);
    b.clear();
    b.url = "http://b.example/ice/";
    store(b);
    int told = 0;
    index.set_listener([&] { ++told; });
    index.stored({a.url, "http://b.example/ice/index.html"});
    index.wait_idle();
    EXPECT_EQ(told, 1);
    EXPECT_TRUE(index.search("quarterly", 10).empty());
    EXPECT_EQ(index.search("annual", 10).size(), 1u);
    EXPECT_TRUE(index.search(kPlan, 10).empty());
    EXPECT_EQ(index.sites(), 1u);
}

TEST(SearchText, FoldsLatinLettersOfEitherWidthOnly)
{
    EXPECT_EQ(fold_search_text("AbC" + kWideMarvo + "\x82\x51\x82\x4f"), "abcmarvo20");
    // Double-byte characters stay as they are, also when their second byte is a letter.
    EXPECT_EQ(fold_search_text(kIcePlan), kIcePlan);
    EXPECT_EQ(search_words("  One" + kWideSpace + "TWO\t" + kPlan + " "),
              (std::vector<std::string>{"one", "two", kPlan}));
    EXPECT_TRUE(folded_contains(kIcePlan, "\x83\x43"));
    EXPECT_FALSE(folded_contains(kIcePlan, "\x41\x83"));
    EXPECT_FALSE(folded_contains("\x83", "\x83\x41")); // a lone lead byte at the end
}

} // namespace
