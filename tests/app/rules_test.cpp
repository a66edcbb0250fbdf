#include <gtest/gtest.h>

#include "app/BandLayout.h"
#include "app/DocumentRules.h"

namespace {

TEST(DocumentRules, SchemesThenExactExtensions)
{
    EXPECT_EQ(classify_document("http://a.jp/x.ame"), DocumentKind::WebAddress);
    EXPECT_EQ(classify_document("https://a.jp/"), DocumentKind::WebAddress);
    EXPECT_EQ(classify_document("ftp://a.jp/"), DocumentKind::WebAddress);
    EXPECT_EQ(classify_document("file:///tmp/a.url"), DocumentKind::WebAddress);
    EXPECT_EQ(classify_document("/home/u/memo/a.ame"), DocumentKind::MemoPackage);
    EXPECT_EQ(classify_document("/home/u/a.html"), DocumentKind::HtmlFile);
    EXPECT_EQ(classify_document("a.htm"), DocumentKind::HtmlFile);
    EXPECT_EQ(classify_document("/home/u/site.url"), DocumentKind::InternetShortcut);
    // Exact comparison: upper-case extensions fall through to the general rule.
    EXPECT_EQ(classify_document("/home/u/A.HTML"), DocumentKind::Other);
    EXPECT_EQ(classify_document("/home/u/A.URL"), DocumentKind::Other);
    // A dot in a folder name is no extension.
    EXPECT_EQ(classify_document("/home/u.ame/readme"), DocumentKind::Other);
}

TEST(BandLayout, SavedOrderFirstUnknownSkippedMissingAppended)
{
    const std::vector<std::string> native = {"Native:MenuBar", "Native:NaviBar", "Native:AddressBar", "Native:LinkBar"};
    const std::vector<settings::BandInfo> saved = {
        {"Native:AddressBar", 400, false}, {"Old Band", 100, true}, {"Native:MenuBar", 300, true}, {"Tools", 120, false}};
    const std::vector<BandPlacement> placed = place_bands(saved, native, {"Tools"});
    ASSERT_EQ(placed.size(), 5u);
    EXPECT_EQ(placed[0].name, "Native:AddressBar");
    EXPECT_EQ(placed[0].cx, 400u);
    EXPECT_EQ(placed[1].name, "Native:MenuBar");
    EXPECT_TRUE(placed[1].new_row);
    EXPECT_EQ(placed[2].name, "Tools");
    EXPECT_TRUE(placed[2].tool_band);
    EXPECT_EQ(placed[3].name, "Native:NaviBar");
    EXPECT_TRUE(placed[3].new_row);
    EXPECT_EQ(placed[4].name, "Native:LinkBar");
}

TEST(BandLayout, NoSavedLayoutGivesNativeBarsInOrderOnTheirOwnRows)
{
    const std::vector<BandPlacement> placed = place_bands({}, {"A", "B"}, {});
    ASSERT_EQ(placed.size(), 2u);
    EXPECT_EQ(placed[0].name, "A");
    EXPECT_TRUE(placed[1].new_row);
}

TEST(ClosedPages, NewestFirstAndAtMostTwenty)
{
    std::vector<settings::ClosedPage> pages;
    for (int i = 0; i < 21; ++i)
        remember_closed_page(pages, {"t" + std::to_string(i), "u" + std::to_string(i)});
    ASSERT_EQ(pages.size(), 20u);
    EXPECT_EQ(pages.front().title, "t20");
    EXPECT_EQ(pages.back().title, "t1");
}

} // namespace
