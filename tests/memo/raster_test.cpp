#include <gtest/gtest.h>

#include <vector>

#include "memo/PixelRows.h"
#include "memo/Raster.h"

using namespace memo;

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFFFF;

MemoImage white(int w, int h)
{
    MemoImage image(w, h);
    image.fill(rgb(255, 255, 255), 255);
    return image;
}

// The pixels of a row that are not white, as a string of '#' and '.'.
std::string row(const MemoImage& image, int y, int x0, int x1)
{
    std::string out;
    for (int x = x0; x < x1; ++x)
        out += image.argb(x, y) == kWhite ? '.' : '#';
    return out;
}

} // namespace

TEST(Raster, WideLinesAreCapsulesAroundThePixelCentres)
{
    MemoImage image = white(40, 20);
    const Region all({0, 0, 40, 20});
    raster::fill_wide_line(image, all, {10, 10}, {30, 10}, 3, rgb(255, 0, 0));
    EXPECT_EQ(row(image, 8, 0, 40), std::string(40, '.'));
    // Radius 1.5: the round ends reach one pixel past the end points on all three rows.
    EXPECT_EQ(row(image, 9, 8, 34), ".#######################..");
    EXPECT_EQ(row(image, 10, 8, 34), ".#######################..");
    EXPECT_EQ(row(image, 11, 8, 34), ".#######################..");
    EXPECT_EQ(row(image, 12, 0, 40), std::string(40, '.'));
    EXPECT_EQ(image.argb(20, 10), 0xFFFF0000u);

    // Clipped: nothing outside the clip, the rest as before.
    MemoImage clipped = white(40, 20);
    raster::fill_wide_line(clipped, Region({0, 0, 20, 10}), {10, 10}, {30, 10}, 3, rgb(255, 0, 0));
    EXPECT_EQ(row(clipped, 9, 8, 34), ".###########..............");
    EXPECT_EQ(row(clipped, 10, 0, 40), std::string(40, '.'));
    // Far-away ends cost nothing and draw nothing here.
    raster::fill_wide_line(clipped, all, {INT32_MIN, INT32_MIN}, {INT32_MIN + 5, INT32_MAX}, 4, 0);
}

TEST(Raster, BorderedShapesBlendEachPixelOnceInBorderOrFillColour)
{
    const Region all({0, 0, 40, 30});
    MemoImage image = white(40, 30);
    raster::blend_bordered(image, all, raster::Outline::rectangle, {10, 5, 30, 20}, {}, 2, rgb(0, 0, 255),
                           rgb(255, 0, 0), 255);
    // An even pen straddles the outline through the edge pixels, leaning right and down.
    EXPECT_EQ(row(image, 12, 8, 33), "..#####################..");
    EXPECT_EQ(image.argb(10, 12) & 0xFFFFFF, 0x0000FFu); // border
    EXPECT_EQ(image.argb(11, 12) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(image.argb(12, 12) & 0xFFFFFF, 0xFF0000u); // fill
    EXPECT_EQ(image.argb(29, 12) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(image.argb(30, 12) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(row(image, 4, 0, 40), std::string(40, '.'));
    EXPECT_EQ(image.argb(20, 5) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(image.argb(20, 20) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(row(image, 21, 0, 40), std::string(40, '.'));

    // Half opacity over white: the fill is blended once, not again under the border.
    MemoImage ellipse = white(40, 30);
    raster::blend_bordered(ellipse, all, raster::Outline::ellipse, {0, 0, 40, 30}, {}, 1, rgb(0, 0, 0),
                           rgb(0, 0, 0), 128);
    EXPECT_EQ(ellipse.argb(20, 15), 0xFF7F7F7Fu);
    EXPECT_EQ(ellipse.argb(0, 15), 0xFF7F7F7Fu);
    EXPECT_EQ(ellipse.argb(0, 0), kWhite); // outside the curve
    EXPECT_EQ(ellipse.argb(39, 29), kWhite);
}

TEST(Raster, RoundedCornersAndPolygonsCoverTheirOutlinePixels)
{
    const Region all({0, 0, 40, 40});
    MemoImage image = white(40, 40);
    raster::blend_round_rect(image, all, {0, 0, 40, 20}, 10, 10, rgb(0, 0, 0), 255);
    EXPECT_EQ(image.argb(0, 0), kWhite);
    EXPECT_EQ(image.argb(39, 19), kWhite);
    EXPECT_NE(image.argb(5, 0), kWhite);
    EXPECT_NE(image.argb(0, 10), kWhite);
    EXPECT_NE(image.argb(39, 10), kWhite);
    EXPECT_EQ(image.argb(20, 20), kWhite);

    MemoImage tail = white(40, 40);
    raster::blend_convex_polygon(tail, all, {{10, 10}, {30, 30}, {30, 10}}, rgb(0, 0, 0), 255);
    EXPECT_EQ(row(tail, 10, 8, 33), "..#####################..");
    EXPECT_EQ(row(tail, 20, 8, 33), "............###########..");
    EXPECT_EQ(row(tail, 30, 8, 33), "......................#..");
    EXPECT_EQ(row(tail, 31, 0, 40), std::string(40, '.'));
}

// Memos drawn over black and over white, combined, blend over any page as when drawn on it.
TEST(PixelRows, DrawingsOverBlackAndWhiteGiveThePremultipliedMemo)
{
    constexpr int kCount = 37;  // whole vector groups and a tail
    std::vector<std::uint8_t> black(kCount * 4), white(kCount * 4);
    const std::uint8_t pages[3][3] = {{0, 0, 0}, {255, 255, 255}, {30, 200, 90}};
    for (int i = 0; i < kCount; ++i) {
        const std::uint32_t colour = 0xFF000000u | std::uint32_t(i * 7) << 16 | std::uint32_t(255 - i * 5) << 8 | 40;
        const std::uint8_t a = std::uint8_t(i * 7);
        black[i * 4 + 3] = white[i * 4 + 3] = 255;
        for (int c = 0; c < 3; ++c)
            white[i * 4 + c] = 255;
        memo::pixel_rows::blend_colour(&black[i * 4], colour, 1, a);
        memo::pixel_rows::blend_colour(&white[i * 4], colour, 1, a);
    }
    std::vector<std::uint8_t> memo = black;
    memo::pixel_rows::premultiply_from_backdrops(memo.data(), white.data(), kCount);
    for (int i = 0; i < kCount; ++i) {
        const std::uint8_t* m = &memo[i * 4];
        for (const auto& page : pages) {
            std::uint8_t direct[4] = {page[0], page[1], page[2], 255};
            const std::uint32_t colour = 0xFF000000u | std::uint32_t(i * 7) << 16 | std::uint32_t(255 - i * 5) << 8 | 40;
            memo::pixel_rows::blend_colour(direct, colour, 1, std::uint8_t(i * 7));
            for (int c = 0; c < 3; ++c) {
                ASSERT_LE(m[c], m[3]) << "premultiplied, pixel " << i;
                const int over = m[c] + page[c] * (255 - m[3]) / 255;
                EXPECT_NEAR(over, direct[c], 2) << "pixel " << i << " channel " << c;
            }
        }
    }
}
