#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/ScrollMarks.h"

namespace {

using scroll_marks::kPeriod;
using scroll_marks::kSpacing;

using scroll_marks::Palette;

// A page's background and the palette its marks are drawn in.
struct Ground {
    int level;  // of grey
    Palette palette;
};
const Ground kWhite{255, {}}, kBlack{0, {{1, 1, 1}}}, kGrey{128, {{129, 137, 129}}};

// A column of the view at the document's left edge, as the screen shows it: the page's own
// pixels (its background, with a rule one device pixel tall every 50 a little off it), the
// marks over them. A scroll that is not a whole number of device pixels blends each row with
// the next.
std::vector<unsigned char> column(double scroll, double scale, int rows, const Ground& ground = kWhite)
{
    std::vector<double> css(std::size_t(rows) * 3);
    for (int r = 0; r < rows; ++r) {
        const double from = scroll + r / scale, to = scroll + (r + 1) / scale;
        for (int c = 0; c < 3; ++c)
            css[3 * r + c] = r % 50 ? ground.level : ground.level ^ 0x11;
        for (int at = int(from) / kSpacing * kSpacing; at < to; at += kSpacing) {
            const double covered =
                std::max(0.0, std::min(to, double(at + scroll_marks::kHeight)) - std::max(from, double(at)));
            const auto rgb = scroll_marks::colour(at % kPeriod / kSpacing, ground.palette);
            for (int c = 0; c < 3; ++c)
                css[3 * r + c] += (rgb[c] - css[3 * r + c]) * covered * scale;
        }
    }
    std::vector<unsigned char> pixels(std::size_t(rows) * 4, 255);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < 3; ++c)
            pixels[4 * r + c] = static_cast<unsigned char>(std::lround(css[3 * r + c]));
    return pixels;
}

TEST(ScrollMarks, TheColumnTellsTheScrollAtEveryScaleNearWhereTheScriptSaidItWas)
{
    for (const Ground& ground : {kWhite, kBlack, kGrey})
        for (double scale : {1.0, 1.25, 1.5, 2.0, 2.2})
            for (double scroll : {0.0, 1.0, 7.0, 7.4, 63.0, 64.0, 65.0, 1000.0, kPeriod - 1.0, kPeriod + 5.0, 123457.0}) {
                const auto pixels = column(scroll, scale, 700, ground);
                for (int told : {int(scroll), int(scroll) - 1500, int(scroll) + 1500}) {
                    const auto found = scroll_marks::decode(pixels.data(), 700, scale, told, ground.palette);
                    ASSERT_TRUE(found) << "ground " << ground.level << " scale " << scale << " scroll " << scroll;
                    EXPECT_NEAR(*found, scroll, 1) << "scale " << scale << " told " << told;
                }
                // Told a whole repeat away, the same column names the repeat nearer to that.
                EXPECT_NEAR(*scroll_marks::decode(pixels.data(), 700, scale, int(scroll) + kPeriod, ground.palette),
                            scroll + kPeriod, 1);
            }
    EXPECT_EQ(scroll_marks::nearest_repeat(100, 100 + 3 * kPeriod - 10), 100 + 3 * kPeriod);
    EXPECT_EQ(scroll_marks::nearest_repeat(100, 100 - kPeriod / 2 + 10), 100);
}

TEST(ScrollMarks, MarksHiddenUnderThePageOrTooFewTellNothing)
{
    // A header fixed over the top of the view hides the marks there; those below still tell.
    auto pixels = column(2000, 2, 700);
    std::fill_n(pixels.begin(), 4 * 300, 0x20);
    EXPECT_NEAR(*scroll_marks::decode(pixels.data(), 700, 2, 2000), 2000, 1);
    // One mark left in view could be a rule of the page's own: it is not enough.
    std::fill_n(pixels.begin(), 4 * 600, 0x20);
    EXPECT_FALSE(scroll_marks::decode(pixels.data(), 700, 2, 2000));
    // No marks: a plain page, light rules and all, or one striped in a mark's own colour.
    const std::vector<unsigned char> white(700 * 4, 255);
    EXPECT_FALSE(scroll_marks::decode(white.data(), 700, 1, 0));
    std::vector<unsigned char> stripes(700 * 4, 255);
    for (int r = 0; r < 700; r += 2)
        std::fill_n(stripes.begin() + 4 * r, 3, scroll_marks::colour(0)[0]);
    for (double scale : {1.0, 2.0})
        EXPECT_FALSE(scroll_marks::decode(stripes.data(), 700, scale, 0)) << scale;
    EXPECT_FALSE(scroll_marks::decode(pixels.data(), 0, 2, 0));
    EXPECT_FALSE(scroll_marks::decode(pixels.data(), 700, 0, 0));

    // Marks drawn in one palette are not read in another, not even the one next to it, which
    // the page picks when its background turns a level lighter: its colours are none of them.
    const auto grey = column(500, 1, 700, kGrey);
    for (const Palette& other : {Palette{{128, 136, 128}}, Palette{{129, 129, 129}}, Palette{}})
        EXPECT_FALSE(scroll_marks::decode(grey.data(), 700, 1, 500, other));
    // What the page's script reports is taken only when it is a palette.
    EXPECT_EQ(scroll_marks::palette_from(QVariantList{17, 240, 0}), (Palette{{17, 240, 0}}));
    for (const QVariant& wrong : {QVariant(), QVariant(QVariantList{1, 2}), QVariant(QVariantList{1, 2, 250}),
                                  QVariant(QVariantList{-1, 2, 3}), QVariant(QVariantList{"x", 2, 3})})
        EXPECT_FALSE(scroll_marks::palette_from(wrong)) << wrong.toString().toStdString();
}

} // namespace
