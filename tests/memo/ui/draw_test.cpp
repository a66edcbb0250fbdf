#include <gtest/gtest.h>

#include <QApplication>

#include "memo/MemoPackage.h"
#include "memo/Repainter.h"
#include "memo/StampList.h"
#include "memo/ui/QtCanvas.h"

using namespace memo;

namespace {

// A white window surface with everything a draw call needs.
struct Surface {
    explicit Surface(int w = 300, int h = 240) : target(w, h)
    {
        target.fill(rgb(255, 255, 255), 255);
    }
    void draw(MemoObject& o, Point offset = {})
    {
        DrawContext ctx{target, scratch1, scratch2, Region({0, 0, target.width(), target.height()}), offset, canvases,
                        &stamps};
        o.draw(ctx);
    }
    std::uint32_t at(int x, int y) const { return target.argb(x, y) & 0xFFFFFF; }

    MemoImage target, scratch1, scratch2;
    QtCanvasFactory canvases;
    StampList stamps;
};

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kRed = 0xFF0000;   // as 0xRRGGBB pixels
constexpr std::uint32_t kBlue = 0x0000FF;

int red(std::uint32_t px) { return int(px >> 16 & 255); }
int green(std::uint32_t px) { return int(px >> 8 & 255); }
int blue(std::uint32_t px) { return int(px & 255); }

} // namespace

TEST(DrawStroke, PlainPenDrawsArrowHeadsAtBothEnds)
{
    Surface s;
    StrokeObject stroke;
    stroke.points = {{50, 100}, {150, 100}};
    stroke.width = 2;
    stroke.colour = rgb(255, 0, 0);
    stroke.arrow_start = stroke.arrow_end = true;
    s.draw(stroke, {10, 0});
    EXPECT_EQ(s.at(110, 100), kRed);
    // End head: tip (160, 100), ends at (152, 97) and (152, 102) after truncation.
    EXPECT_EQ(s.at(152, 97), kRed);
    EXPECT_EQ(s.at(152, 102), kRed);
    // Start head: tip (60, 100), ends at (67, 102) and (67, 97).
    EXPECT_EQ(s.at(67, 97), kRed);
    EXPECT_EQ(s.at(67, 102), kRed);
    EXPECT_EQ(s.at(110, 95), kWhite);
    EXPECT_EQ(s.at(152, 93), kWhite);
}

TEST(DrawStroke, SoftPenHasBorderColourAroundPenColour)
{
    Surface s;
    StrokeObject stroke;
    stroke.type = 1;
    stroke.width = 4;
    stroke.points = {{20, 50}, {120, 50}};
    stroke.colour = rgb(255, 0, 0);
    stroke.border_colour = rgb(0, 0, 255);
    s.draw(stroke);
    const std::uint32_t centre = s.at(70, 50), edge = s.at(70, 54), outside = s.at(70, 58);
    EXPECT_GT(red(centre), 240);
    EXPECT_LT(blue(centre), 20);
    // Beyond the pen's radius only the border brush reaches: white pulled towards blue.
    EXPECT_EQ(blue(edge), 255);
    EXPECT_LT(red(edge), 200);
    EXPECT_EQ(red(edge), green(edge));
    EXPECT_EQ(outside, kWhite);
    // Target alpha grew with the stamps.
    EXPECT_EQ(s.target.pixel(70, 50)[3], 255);
}

TEST(DrawTextBox, BalloonHasItsTailAndLinkLinesAreUnderlined)
{
    Surface s;
    TextBoxObject box;
    box.rect = {10, 10, 110, 110};
    box.shape = 1;
    box.opacity = 255;
    box.background_colour = rgb(0, 255, 0);
    box.text = "https://x.example/";
    box.font.height = -14;
    s.draw(box);
    // 255 + (255 * (0 - 255) >> 8) = 0: the shift rounds negative differences down.
    EXPECT_EQ(s.at(50, 60), 0x00FF00u);
    // Tail: (70, 90), (90, 110), (90, 90).
    EXPECT_EQ(s.at(88, 100), 0x00FF00u);
    EXPECT_EQ(s.at(72, 105), kWhite);
    EXPECT_EQ(s.at(30, 100), kWhite);
    // Underline one pixel below the line's extent, in the text colour.
    Canvas& c = s.canvases.canvas_for(s.target);
    c.set_font(box.font);
    const Size extent = c.text_extent(box.text);
    ASSERT_GT(extent.cx, 20);
    const int y = 18 + extent.cy;
    if (y < 90) {
        EXPECT_EQ(s.at(18 + extent.cx / 2, y), 0u);
    }

    // Opacity 0: text only, no background.
    Surface plain;
    box.opacity = 0;
    box.text = "gopher:x";
    plain.draw(box);
    EXPECT_EQ(plain.at(100, 60), kWhite);
    EXPECT_EQ(plain.at(88, 100), kWhite);
}

TEST(DrawStamp, PictureIsBlendedAndMissingPictureIsCrossed)
{
    Surface s;
    MemoImage picture(4, 4);
    picture.fill(rgb(255, 0, 0), 255);
    picture.set_argb(0, 0, 0x00123456); // transparent corner
    s.stamps.add("dot", picture);
    StampObject stamp;
    stamp.name = "dot";
    stamp.rect = {10, 10, 14, 14};
    s.draw(stamp);
    EXPECT_EQ(s.at(12, 12), kRed);
    EXPECT_EQ(s.at(10, 10), kWhite);
    stamp.rect = {20, 20, 60, 60};
    s.draw(stamp);
    EXPECT_EQ(s.at(40, 40), kRed);
    EXPECT_EQ(s.at(59, 59), kRed);
    EXPECT_EQ(s.at(60, 60), kWhite);

    // A missing picture: the diagonals in the surface's pen for it, red and 3 pixels wide.
    stamp.name = "missing";
    stamp.rect = {100, 100, 140, 140};
    s.draw(stamp);
    EXPECT_EQ(s.at(120, 120), kRed);
    EXPECT_EQ(s.at(110, 130), kRed);
    EXPECT_EQ(s.at(111, 130), kRed);
    EXPECT_EQ(s.at(110, 120), kWhite);
}

TEST(DrawPhoto, IsStretchedToItsRectangle)
{
    Surface s;
    PhotoObject photo;
    photo.image.create(2, 2);
    photo.image.set_argb(0, 0, 0xFFFF0000);
    photo.image.set_argb(1, 0, 0xFF00FF00);
    photo.image.set_argb(0, 1, 0xFF0000FF);
    photo.image.set_argb(1, 1, 0x00FFFFFF); // alpha is ignored
    photo.rect = {10, 100, 50, 140};
    s.draw(photo);
    EXPECT_EQ(s.at(11, 101), kRed);
    EXPECT_EQ(s.at(48, 101), 0x00FF00u);
    EXPECT_EQ(s.at(11, 138), kBlue);
    EXPECT_EQ(s.at(48, 138), kWhite);
    EXPECT_EQ(s.at(30, 120) == kWhite, false); // smoothed middle
    EXPECT_EQ(s.at(51, 120), kWhite);
}

TEST(DrawPrimitive, BraceTipAndNormalisedRectangles)
{
    Surface s;
    PrimitiveObject brace;
    brace.shape = 3;
    brace.border_width = 2;
    brace.rect = {100, 100, 140, 200};
    brace.border_colour = rgb(0, 0, 255);
    brace.opacity = 255;
    s.draw(brace);
    // Inflated rect 99..141 x 99..201: the tip is (141, 150), the spine at x = 99 + 3 * 42 / 4 = 130.
    EXPECT_EQ(blue(s.at(140, 150)), 255);
    EXPECT_LT(red(s.at(140, 150)), 10);
    EXPECT_LT(red(s.at(130, 125)), 10);
    EXPECT_EQ(s.at(120, 125), kWhite); // braces are not filled

    Surface a, b;
    PrimitiveObject r1;
    r1.rect = {20, 20, 80, 60};
    PrimitiveObject r2 = r1;
    r2.rect = {80, 60, 20, 20};
    a.draw(r1);
    b.draw(r2);
    EXPECT_EQ(a.target, b.target);
    // 182 of fill over white: 255 + (182 * (236 - 255) >> 8) = 241 for green, 203 for blue.
    EXPECT_EQ(a.at(50, 40), 0xFFF1CBu);
}

TEST(DrawEffect, NegativeOnlyInsideTheEllipseAndNothingOutsideTheUpdate)
{
    Surface s;
    s.target.fill(rgb(10, 20, 30), 255);
    EffectObject e;
    e.operation = 3;
    e.shape = 1;
    e.rect = {0, 0, 40, 40};
    s.draw(e, {50, 50});
    EXPECT_EQ(s.at(70, 70), 0xF5EBE1u);
    EXPECT_EQ(s.at(51, 51), 0x0A141Eu); // inside the rect, outside the ellipse
    EXPECT_EQ(s.at(49, 70), 0x0A141Eu);
    EXPECT_EQ(s.target.pixel(70, 70)[3], 255);

    Surface t;
    const MemoImage before = t.target;
    DrawContext ctx{t.target, t.scratch1, t.scratch2, Region({200, 200, 210, 210}), {}, t.canvases, nullptr};
    e.draw(ctx);
    EXPECT_EQ(t.target, before);
}

TEST(DrawEffect, MosaicAndBlurMatchTheirFilters)
{
    Surface s(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            s.target.set_argb(x, y, 0xFF000000u | std::uint32_t(x * 4) << 16 | std::uint32_t(y * 4) << 8);
    MemoImage expected = s.target;
    EffectObject::mosaic(expected, 3, 5, 30, 20);
    EffectObject e;
    e.rect = {3, 5, 33, 25};
    s.draw(e);
    EXPECT_EQ(s.target, expected);
    // The first block (x 3..10, y 5..12) holds the average of its red and green values.
    EXPECT_EQ(s.at(3, 5), std::uint32_t((4 * (3 + 10) / 2) << 16 | (4 * (5 + 12) / 2) << 8));

    MemoImage blurred = s.target;
    EffectObject::blur(blurred, 40, 40, 20, 20);
    e.rect = {40, 40, 60, 60};
    e.operation = 2;
    s.draw(e);
    EXPECT_EQ(s.target, blurred);
}

// On a screen at twice the scale the page's pixels come in twos: an effect drawn there shows
// what it shows at the unscaled scale, each pixel doubled.
TEST(DrawEffect, AtTwiceTheScaleEachFilterShowsTheUnscaledPictureDoubled)
{
    const auto doubled = [](const MemoImage& image) {
        MemoImage out(image.width() * 2, image.height() * 2);
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x)
                out.set_argb(x, y, image.argb(x / 2, y / 2));
        return out;
    };
    for (const int operation : {0, 2, 3}) {
        SCOPED_TRACE(operation);
        Surface once(64, 48);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                once.target.set_argb(x, y, 0xFF000000u | std::uint32_t((x * 37 + y * 11) % 256) << 16 |
                                               std::uint32_t(x * y % 256) << 8 | std::uint32_t(y * 5));
        Surface twice(128, 96);
        twice.target = doubled(once.target);
        EffectObject e;
        e.operation = operation;
        e.rect = {5, 7, 45, 39};
        once.draw(e);
        DrawContext ctx{twice.target, twice.scratch1, twice.scratch2, Region({0, 0, 128, 96}), {}, twice.canvases,
                        nullptr};
        ctx.scale = 2.0;
        e.draw(ctx);
        EXPECT_EQ(twice.target, doubled(once.target));
    }
}

TEST(DrawPackage, SampleDrawsWithoutPicturesMissing)
{
    Surface s(420, 240);
    MemoPackage p;
    auto stamp = std::make_unique<StampObject>();
    stamp->name = "absent";
    stamp->rect = {0, 0, 10, 10};
    p.add(std::move(stamp));
    auto lens = std::make_unique<EffectObject>();
    lens->operation = 1;
    lens->rect = {100, 100, 200, 150};
    p.add(std::move(lens));
    for (std::size_t i = 0; i < p.size(); ++i)
        s.draw(p.at(i));
    EXPECT_EQ(s.at(5, 5), kRed);
}

TEST(DrawPackage, TwoThreadsDrawWhatOneDrawsAndStayInsideTheUpdate)
{
    // Every kind, many of them across the line where the two halves meet, and an effect in
    // the middle of the order that must see everything under it.
    MemoPackage p;
    StampList stamps;
    MemoImage picture(30, 30);
    picture.fill(rgb(0, 0, 200), 120);
    stamps.add("pic", picture);
    for (int i = 0; i < 60; ++i) {
        const int x = (i * 37) % 260, y = 60 + (i * 23) % 120;
        if (i == 30) {
            auto blur = std::make_unique<EffectObject>();
            blur->operation = 2;
            blur->shape = 1;
            blur->rect = {20, 80, 200, 160};
            p.add(std::move(blur));
        }
        switch (i % 6) {
        case 0:
        case 1: {
            auto s = std::make_unique<StrokeObject>();
            s->points = {{x, y}, {x + 25, y + 30}, {x + 40, y - 10}};
            s->width = 1 + i % 4;
            s->type = i % 2;
            s->arrow_end = true;
            s->colour = rgb(200, 30, 30);
            s->border_colour = rgb(30, 30, 200);
            p.add(std::move(s));
            break;
        }
        case 2: {
            auto t = std::make_unique<TextBoxObject>();
            t->rect = {x, y, x + 90, y + 50};
            t->shape = i % 2;
            t->text = "memo\nhttp://example.jp/";
            p.add(std::move(t));
            break;
        }
        case 3: {
            auto s = std::make_unique<StampObject>();
            s->name = "pic";
            s->rect = {x, y, x + 30 + i % 3 * 10, y + 30};
            p.add(std::move(s));
            break;
        }
        case 4: {
            auto ph = std::make_unique<PhotoObject>();
            ph->image = picture;
            ph->rect = {x, y, x + 45, y + 35};
            p.add(std::move(ph));
            break;
        }
        default: {
            auto pr = std::make_unique<PrimitiveObject>();
            pr->shape = i % 5;
            pr->border_width = 1 + i % 3;
            pr->rect = {x, y, x + 50, y + 40};
            p.add(std::move(pr));
            break;
        }
        }
    }
    const Region update({10, 40, 290, 220});
    Surface one, two;
    DrawContext ctx1{one.target, one.scratch1, one.scratch2, update, {}, one.canvases, &stamps};
    one.canvases.canvas_for(one.target).set_clip(update);
    for (std::size_t i = 0; i < p.size(); ++i)
        p.at(i).draw(ctx1);
    Repainter repainter(std::make_unique<QtCanvasFactory>());
    DrawContext ctx2{two.target, two.scratch1, two.scratch2, update, {}, two.canvases, &stamps};
    repainter.draw(p, ctx2);
    EXPECT_EQ(two.target, one.target);
    // Nothing reaches outside the update region, though objects do.
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 300; ++x) {
            if (!(Rect{10, 40, 290, 220}.contains({x, y}))) {
                ASSERT_EQ(one.at(x, y), kWhite) << x << "," << y;
            }
        }
    }
}
