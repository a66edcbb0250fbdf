// Packages from elsewhere: values no tool makes are cut back when read, and drawing a package
// stays within its budget.
#include <gtest/gtest.h>

#include <limits>

#include "memo/BrushStamp.h"
#include "memo/Limits.h"
#include "memo/MemoPackage.h"
#include "memo/Repainter.h"

using namespace memo;

namespace {

// Text and one-pixel lines belong to the graphics library; everything else is drawn by the
// memo library itself, which is what these tests look at.
class NullCanvas : public Canvas {
public:
    explicit NullCanvas(MemoImage& image) : image_(image) {}
    MemoImage& image() override { return image_; }
    void set_pen(const Pen&) override {}
    void set_brush(const Brush&) override {}
    void move_to(Point) override {}
    void line_to(Point) override {}
    void rectangle(const Rect&) override {}
    void ellipse(const Rect&) override {}
    void round_rect(const Rect&, int, int) override {}
    void polygon(const std::vector<Point>&) override {}
    void poly_bezier(const std::vector<Point>&) override {}
    void set_font(const LogFont&) override {}
    void set_text_colour(Colour) override {}
    Size text_extent(std::string_view sjis) override { return {int(sjis.size()) * 6, 12}; }
    void text_out(int, int, std::string_view) override {}
    void set_clip(const Region&) override {}
    void clear_clip() override {}
    void stretch_image(const MemoImage&, const Rect&, bool) override {}

private:
    MemoImage& image_;
};

class NullCanvases : public CanvasFactory {
public:
    Canvas& canvas_for(MemoImage& image) override
    {
        auto& slot = canvases_[&image];
        if (!slot)
            slot = std::make_unique<NullCanvas>(image);
        return *slot;
    }
    void release() override { canvases_.clear(); }

private:
    std::map<MemoImage*, std::unique_ptr<NullCanvas>> canvases_;
};

MemoImage white(int w, int h)
{
    MemoImage image(w, h);
    image.fill(rgb(255, 255, 255), 255);
    return image;
}

bool is_colour(const MemoImage& image, int x, int y, Colour c)
{
    const std::uint8_t* p = image.pixel(x, y);
    return p[0] == blue_of(c) && p[1] == green_of(c) && p[2] == red_of(c);
}

bool same_pixels(const MemoImage& a, const MemoImage& b)
{
    if (a.width() != b.width() || a.height() != b.height())
        return false;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.pixel(0, y), b.pixel(0, y), std::size_t(a.width()) * 4) != 0)
            return false;
    return true;
}

std::unique_ptr<StrokeObject> stroke(int type, int width, std::vector<Point> points)
{
    auto s = std::make_unique<StrokeObject>();
    s->type = type;
    s->width = width;
    s->points = std::move(points);
    s->colour = rgb(0, 0, 255);
    s->border_colour = rgb(0, 255, 0);
    return s;
}

template <class T>
std::unique_ptr<T> with_rect(Rect r)
{
    auto o = std::make_unique<T>();
    o->rect = r;
    return o;
}

// One memo of every kind at the widest settings the tools offer.
MemoPackage everyday_package()
{
    MemoPackage p;
    p.url = "http://example.com/";
    p.add(stroke(1, 8, {{10, 10}, {150, 40}, {60, 120}}));
    p.add(stroke(0, 8, {{20, 100}, {180, 20}}));
    auto arrow = stroke(0, 1, {{5, 5}, {100, 150}});
    arrow->arrow_end = true;
    p.add(std::move(arrow));
    auto text = with_rect<TextBoxObject>({30, 30, 160, 90});
    text->text = "memo\nhttp://example.com/";
    text->font.height = -72;
    text->shape = 1;
    p.add(std::move(text));
    p.add(with_rect<StampObject>({100, 100, 164, 164}));
    auto photo = with_rect<PhotoObject>({0, 120, 50, 170});
    photo->image = white(8, 8);
    p.add(std::move(photo));
    for (int shape = 0; shape <= 4; ++shape) {
        auto prim = with_rect<PrimitiveObject>({40 + shape * 20, 10, 70 + shape * 20, 60});
        prim->shape = shape;
        prim->border_width = 8;
        p.add(std::move(prim));
    }
    for (int op = 0; op <= 3; ++op) {
        auto effect = with_rect<EffectObject>({op * 40, 150, op * 40 + 35, 190});
        effect->operation = op;
        effect->shape = op % 3;
        p.add(std::move(effect));
    }
    return p;
}

struct Surface {
    MemoImage target = white(200, 200);
    MemoImage scratch1, scratch2;
    NullCanvases canvases;
    DrawContext context() { return {target, scratch1, scratch2, Region({0, 0, 200, 200}), {}, canvases}; }
};

} // namespace

TEST(Limits, ValuesNoToolMakesAreCutBackWhenRead)
{
    MemoPackage p;
    p.url = "http://example.com/";
    p.add(stroke(1, 9478, {{0, 0}, {900, 700}}));
    auto text = with_rect<TextBoxObject>({10, 10, 10 + 200000, 60});
    text->font.height = -100000;
    text->font.width = 5000;
    p.add(std::move(text));
    p.add(with_rect<StampObject>({5, 5, 6, INT32_MIN}));
    auto shape = with_rect<PrimitiveObject>({0, 0, 10, 10});
    shape->border_width = 5000;
    p.add(std::move(shape));
    p.add(with_rect<EffectObject>({-2000000000, 0, 2000000000, 10}));
    const std::string bytes = p.serialize();

    const auto read = parse_package(bytes);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->size(), 5u);
    const auto& s = static_cast<const StrokeObject&>(read->at(0));
    EXPECT_EQ(s.width, limits::kMaxPenWidth);
    EXPECT_EQ(s.limited, "stroke width 9478 beyond 64");
    const auto& t = static_cast<const TextBoxObject&>(read->at(1));
    EXPECT_EQ(t.rect, (Rect{10, 10, 10 + 65536, 60}));
    EXPECT_EQ(t.font.height, -limits::kMaxFontSize);
    EXPECT_EQ(t.font.width, limits::kMaxFontSize);
    EXPECT_EQ(t.limited, "text box width 200000 beyond 65536"); // the first cut is the one named
    EXPECT_EQ(static_cast<const StampObject&>(read->at(2)).rect, (Rect{5, 5, 6, 5 - 65536}));
    EXPECT_EQ(static_cast<const PrimitiveObject&>(read->at(3)).border_width, limits::kMaxPenWidth);
    EXPECT_EQ(static_cast<const EffectObject&>(read->at(4)).rect, (Rect{-2000000000, 0, -2000000000 + 65536, 10}));

    EXPECT_EQ(first_limited_value(*read), "[0] STRK: stroke width 9478 beyond 64");
    const PackageCheck check = check_memo_file(bytes);
    EXPECT_TRUE(check.ok);
    EXPECT_EQ(check.limited, "PACK[0]/OBJS/[0] STRK: stroke width 9478 beyond 64");
}

TEST(Limits, PackagesTheToolsMakeReadAndSaveByteForByte)
{
    MemoPackage p = everyday_package();
    // Values at the limits themselves, either direction, and widths the tools never make
    // small: all kept.
    p.add(stroke(1, limits::kMaxPenWidth, {{0, 0}, {10, 10}}));
    p.add(stroke(0, -5, {{0, 0}, {10, 10}}));
    auto text = with_rect<TextBoxObject>({70000, 0, 70000 - 65536, 65536});
    text->font.height = limits::kMaxFontSize;
    text->font.width = -limits::kMaxFontSize;
    p.add(std::move(text));
    const std::string bytes = p.serialize();

    const auto read = parse_package(bytes);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->serialize(), bytes);
    EXPECT_EQ(first_limited_value(*read), "");
    EXPECT_EQ(check_memo_file(bytes).limited, "");
}

TEST(DrawBudget, PackagesTheToolsMakeDrawAsWithoutABudget)
{
    MemoPackage p = everyday_package();
    Surface bounded, unbounded;
    DrawContext a = bounded.context();
    DrawContext b = unbounded.context();
    b.budget = std::numeric_limits<std::int64_t>::max();
    for (std::size_t i = 0; i < p.size(); ++i) {
        p.at(i).draw(a);
        p.at(i).draw(b);
    }
    EXPECT_EQ(a.over_budget, 0);
    EXPECT_LT(a.budget, kDrawBudget); // something was paid for
    EXPECT_GT(a.budget, kDrawBudget - kDrawBudget / 16); // and a small part of it
    EXPECT_TRUE(same_pixels(bounded.target, unbounded.target));
}

TEST(DrawBudget, AnObjectOverBudgetShowsItsOutlineAndLaterObjectsStillDraw)
{
    Surface surface;
    DrawContext ctx = surface.context();
    ctx.budget = 20000;
    // A zigzag of the widest soft pen: millions of stamped pixels.
    std::vector<Point> zigzag;
    for (int i = 0; i < 40; ++i)
        zigzag.push_back({i % 2 ? 120 : 80, 80 + i});
    auto wide = stroke(1, limits::kMaxPenWidth, zigzag);
    wide->draw(ctx);
    EXPECT_EQ(ctx.over_budget, 1);
    EXPECT_EQ(ctx.budget, 20000);
    const Rect outline = wide->bounds();
    ASSERT_EQ(outline, (Rect{13, 13, 187, 186}));
    for (const Point p : {Point{100, 13}, Point{100, 185}, Point{13, 100}, Point{186, 100}})
        EXPECT_TRUE(is_colour(surface.target, p.x, p.y, ctx.missing_stamp_pen.colour)) << p.x << "," << p.y;
    EXPECT_TRUE(is_colour(surface.target, 100, 14, rgb(255, 255, 255)));
    EXPECT_TRUE(is_colour(surface.target, 100, 100, rgb(255, 255, 255))); // on the path, not drawn

    auto small = with_rect<PrimitiveObject>({90, 90, 110, 110});
    small->fill_colour = rgb(0, 0, 0);
    small->opacity = 255;
    small->draw(ctx);
    EXPECT_EQ(ctx.over_budget, 1);
    EXPECT_LT(ctx.budget, 20000);
    EXPECT_TRUE(is_colour(surface.target, 100, 100, rgb(0, 0, 0)));
}

TEST(DrawBudget, RepainterReportsWhatBothHalvesLeftAndCounted)
{
    Repainter repainter(std::make_unique<NullCanvases>());
    MemoPackage p;
    // Two strokes, one in each half of a 200 x 400 surface, and an effect between them, which
    // the repainter draws on its own.
    p.add(stroke(1, limits::kMaxPenWidth, {{10, 10}, {190, 60}, {10, 90}}));
    p.add(with_rect<EffectObject>({0, 0, 50, 50}));
    p.add(stroke(1, limits::kMaxPenWidth, {{10, 310}, {190, 360}, {10, 390}}));

    Surface ample;
    ample.target = white(200, 400);
    DrawContext full = ample.context();
    full.update = Region({0, 0, 200, 400});
    repainter.draw(p, full);
    EXPECT_EQ(full.over_budget, 0);
    EXPECT_LT(full.budget, kDrawBudget);

    Surface scarce;
    scarce.target = white(200, 400);
    DrawContext tight = scarce.context();
    tight.update = Region({0, 0, 200, 400});
    tight.budget = 200000; // the effect's share, not a stroke's
    repainter.draw(p, tight);
    EXPECT_EQ(tight.over_budget, 2);
    EXPECT_LT(tight.budget, 200000);
}

TEST(DrawBudget, StampLineCostCountsTheStepsWithinReachOfTheArea)
{
    const Rect area{0, 0, 100, 50};
    // From far left to far right: the steps from x = -5 to x = 105 reach the area.
    EXPECT_EQ(StampAccumulator::line_cost(area, 5, {-1000, 10}, {1000, 10}), 111 * 25);
    EXPECT_EQ(StampAccumulator::line_cost(area, 5, {1000, 10}, {-1000, 10}), 111 * 25);
    // Entirely before the area along its major axis: nothing.
    EXPECT_EQ(StampAccumulator::line_cost(area, 5, {-1000, 10}, {-900, 10}), 0);
    // Inside: every step.
    EXPECT_EQ(StampAccumulator::line_cost(area, 3, {10, 10}, {20, 30}), 21 * 9);
    EXPECT_EQ(StampAccumulator::line_cost(area, 0, {10, 10}, {20, 30}), 0);
}
