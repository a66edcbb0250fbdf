#include <gtest/gtest.h>

#include <functional>

#include "memo/BrushStamp.h"
#include "memo/MemoPackage.h"

using namespace memo;

TEST(MemoObject, FactoryGivesEachKindItsDefaults)
{
    EXPECT_EQ(create_object(0), nullptr);
    EXPECT_EQ(create_object(7), nullptr);
    for (std::uint32_t k = 1; k <= 6; ++k) {
        auto o = create_object(k);
        ASSERT_TRUE(o);
        EXPECT_EQ(std::uint32_t(o->kind()), k);
        EXPECT_TRUE(o->id.is_unset());
        EXPECT_EQ(o->time, never_time());
        EXPECT_FALSE(o->locked);
        EXPECT_EQ(o->resizable(), k != 1);
    }
    EXPECT_STREQ(kind_name(2), "TextBox");
    EXPECT_STREQ(kind_name(99), "Unknown");
    EXPECT_EQ(create_object(1)->option_panel(), -1);
    EXPECT_EQ(create_object(2)->option_panel(), 2);
    EXPECT_EQ(create_object(3)->option_panel(), 1);
    EXPECT_EQ(create_object(4)->option_panel(), -1);
    EXPECT_EQ(create_object(5)->option_panel(), 5);
    EXPECT_EQ(create_object(6)->option_panel(), 6);
    TextBoxObject box;
    EXPECT_EQ(box.background_colour, rgb(200, 255, 200));
    EXPECT_EQ(box.opacity, 182);
    PrimitiveObject prim;
    EXPECT_EQ(prim.border_colour, rgb(255, 191, 0));
    EXPECT_EQ(prim.fill_colour, rgb(255, 236, 182));
}

TEST(MemoObject, NeverTimeIsLocal1971)
{
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(never_time(), 365 * 86400 + 3600);
    setenv("TZ", "Asia/Tokyo", 1);
    tzset();
    EXPECT_EQ(never_time(), 365 * 86400 + 3600 - 9 * 3600);
    unsetenv("TZ");
    tzset();
}

TEST(MemoPackage, AddKeepsSetGuidsAndClonesAreDeep)
{
    MemoPackage p;
    auto& first = p.add(std::make_unique<StampObject>());
    EXPECT_FALSE(first.id.is_unset());
    EXPECT_EQ(first.package, &p);
    auto copy = first.clone();
    EXPECT_EQ(copy->id, first.id);
    EXPECT_EQ(copy->package, nullptr);
    MemoPackage other;
    EXPECT_EQ(other.add(std::move(copy)).id, first.id);
    EXPECT_NE(Guid::create(), Guid::create());

    p.url = "u";
    p.width = 3;
    const auto cloned = p.clone();
    EXPECT_EQ(cloned->url, "u");
    EXPECT_EQ(cloned->width, 3);
    ASSERT_EQ(cloned->size(), 1u);
    EXPECT_NE(&cloned->at(0), &p.at(0));
    EXPECT_EQ(cloned->at(0).package, cloned.get());
    EXPECT_EQ(cloned->find(first.id), &cloned->at(0));

    // Package bounds: the union of the objects', an empty stroke adding nothing.
    dynamic_cast<StampObject&>(p.at(0)).rect = {5, 6, 7, 8};
    p.add(std::make_unique<StrokeObject>());
    auto prim = std::make_unique<PrimitiveObject>();
    prim->rect = {30, 40, 20, 10};
    p.add(std::move(prim));
    EXPECT_EQ(p.bounds(), (Rect{5, 6, 30, 40}));
    p.remove(&p.at(2));
    p.remove(&p.at(1));

    auto removed = p.remove(&first);
    ASSERT_TRUE(removed);
    EXPECT_EQ(removed->package, nullptr);
    EXPECT_TRUE(p.empty());
    p.add(std::move(removed));
    p.clear();
    EXPECT_TRUE(p.empty());
    EXPECT_TRUE(p.url.empty());
}

TEST(MemoObject, CopyIntoHonoursKindAndGeometryFlag)
{
    PrimitiveObject a, b;
    a.rect = {1, 2, 3, 4};
    a.shape = 2;
    a.owner = "x";
    b.rect = {9, 9, 19, 19};
    const Guid b_id = b.id = Guid::create();
    EXPECT_TRUE(a.copy_into(b, false));
    EXPECT_EQ(b.rect, (Rect{9, 9, 19, 19}));
    EXPECT_EQ(b.shape, 2);
    EXPECT_EQ(b.owner, "x");
    EXPECT_EQ(b.id, b_id);
    EXPECT_TRUE(a.copy_into(b, true));
    EXPECT_EQ(b.rect, (Rect{1, 2, 3, 4}));
    EffectObject e;
    e.rect = {7, 7, 8, 8};
    EXPECT_FALSE(a.copy_into(e, true));
    EXPECT_EQ(e.rect, (Rect{7, 7, 8, 8}));
    StrokeObject s1, s2;
    s1.points = {{1, 1}};
    EXPECT_TRUE(s1.copy_into(s2, false));
    EXPECT_EQ(s2.points.size(), 1u);
}

TEST(MemoObject, StrokeHitTestUsesSegmentDistance)
{
    StrokeObject s;
    s.width = 2;
    s.points = {{0, 0}};
    EXPECT_FALSE(s.hit_test({0, 0})); // one point is never hit
    s.points = {{0, 0}, {100, 0}, {100, 100}};
    EXPECT_TRUE(s.hit_test({50, 3}));  // perpendicular distance 3 = width + 1
    EXPECT_FALSE(s.hit_test({50, 4}));
    EXPECT_TRUE(s.hit_test({-2, -2})); // beyond the end: distance to the end point
    EXPECT_FALSE(s.hit_test({-3, -3}));
    EXPECT_TRUE(s.hit_test({103, 50}));
    s.points = {{5, 5}, {5, 5}};
    EXPECT_TRUE(s.hit_test({7, 7}));
}

TEST(MemoObject, BoundsMoveAndResize)
{
    StrokeObject s;
    s.width = 3;
    s.points = {{10, 20}, {30, 5}};
    EXPECT_EQ(s.bounds(), (Rect{4, -1, 36, 26}));
    s.arrow_start = true;
    EXPECT_EQ(s.bounds(), (Rect{-10, -15, 50, 40}));
    s.move(1, 2);
    EXPECT_EQ(s.points[0], (Point{11, 22}));
    EXPECT_NE(s.time, never_time());
    s.resize(50, 50);
    EXPECT_EQ(s.points[1], (Point{31, 7}));

    TextBoxObject t;
    t.rect = {10, 10, 50, 50};
    t.resize(-39, -38);
    EXPECT_EQ(t.rect, (Rect{10, 10, 12, 12}));
    t.resize(5, 10);
    EXPECT_EQ(t.rect, (Rect{10, 10, 17, 22}));
    t.move(-10, 5);
    EXPECT_EQ(t.bounds(), (Rect{0, 15, 7, 27}));
    EXPECT_TRUE(t.hit_test({0, 15}));
    EXPECT_FALSE(t.hit_test({7, 15}));
    EXPECT_NE(t.time, never_time());
}

namespace {

class FakeView : public MemoView {
public:
    Point document_offset() const override { return {100, -50}; }
    Size text_extent(const LogFont&, std::string_view s) override { return {int(s.size()) * 6, 12}; }
    void navigate(const std::string& url) override { navigated = url; }
    bool run_text_dialog(const Rect& r, std::string& text, const LogFont&) override
    {
        dialog_rect = r;
        if (while_open)
            while_open();
        if (!answer)
            return false;
        text = "new";
        return true;
    }
    void about_to_change(MemoObject& o) override { before = dynamic_cast<TextBoxObject&>(o).text; }
    void invalidate(const Rect& r) override { invalidated.push_back(r); }
    MemoObject* find_object(const Guid& id) override { return shown ? shown->find(id) : nullptr; }

    MemoPackage* shown = nullptr;
    std::function<void()> while_open;
    bool answer = true;
    std::string navigated, before;
    Rect dialog_rect;
    std::vector<Rect> invalidated;
};

} // namespace

TEST(TextBox, ClickFollowsOnlyLinkLines)
{
    TextBoxObject t;
    t.rect = {0, 0, 300, 200};
    t.text = "plain\nhttps://a.example/\nmailto:x@y\nftp:z";
    FakeView view;
    // Lines at y = 8, 22, 36, 50 (height 12 + 2).
    EXPECT_FALSE(t.click(view, {10, 10}));
    EXPECT_TRUE(t.click(view, {10, 23}));
    EXPECT_EQ(view.navigated, "https://a.example/");
    view.navigated.clear();
    EXPECT_FALSE(t.click(view, {10, 37}));
    EXPECT_FALSE(t.click(view, {8 + 5 * 6, 51})); // just past the end of "ftp:z"
    EXPECT_TRUE(t.click(view, {8 + 5 * 6 - 1, 51}));
    EXPECT_EQ(view.navigated, "ftp:z");
    EXPECT_FALSE(TextBoxObject::is_link_line("gopher://x"));
    EXPECT_TRUE(TextBoxObject::is_link_line("file:/tmp"));
}

TEST(TextBox, EditRunsTheDialogOverTheBodyAndStampsTheChange)
{
    MemoPackage pkg;
    auto& t = dynamic_cast<TextBoxObject&>(pkg.add(std::make_unique<TextBoxObject>()));
    t.rect = {0, 0, 100, 100};
    t.shape = 1;
    t.text = "old";
    FakeView view;
    view.shown = &pkg;
    view.answer = false;
    EXPECT_FALSE(t.edit(view));
    EXPECT_EQ(t.text, "old");
    // Body without the tail (bottom 80), shifted by the offset, inset 7, 10, 7, 2.
    EXPECT_EQ(view.dialog_rect, (Rect{107, -40, 193, 28}));
    view.answer = true;
    EXPECT_TRUE(t.edit(view));
    EXPECT_EQ(view.before, "old");
    EXPECT_EQ(t.text, "new");
    EXPECT_EQ(view.invalidated.size(), 2u);
}

// A memo received while the dialog is open replaces the object being edited: the edit is
// dropped instead of writing into the freed object.
TEST(TextBox, EditOfAnObjectReplacedWhileTheDialogIsOpenChangesNothing)
{
    MemoPackage pkg;
    auto& t = dynamic_cast<TextBoxObject&>(pkg.add(std::make_unique<TextBoxObject>()));
    t.rect = {0, 0, 100, 100};
    t.text = "old";
    const Guid id = t.id;
    FakeView view;
    view.shown = &pkg;
    view.while_open = [&] {
        auto received = t.clone();
        received->id = Guid::create();
        pkg.remove(&t);
        pkg.add(std::move(received));
    };
    EXPECT_FALSE(t.edit(view));
    ASSERT_EQ(pkg.size(), 1u);
    EXPECT_NE(pkg.at(0).id, id);
    EXPECT_EQ(dynamic_cast<TextBoxObject&>(pkg.at(0)).text, "old");
    EXPECT_TRUE(view.invalidated.empty());
}

TEST(Stroke, BoundsCoverItsPointsOnlyWhereverThePageIs)
{
    StrokeObject s;
    s.width = 2;
    s.points = {{5000, 20000}, {5010, 20030}};
    EXPECT_EQ(s.bounds(), (Rect{5000 - 5, 20000 - 5, 5010 + 5, 20030 + 5}));
    s.points.clear();
    EXPECT_TRUE(s.bounds().is_empty());
}

TEST(Drawing, BrushStampFallsOffQuadratically)
{
    const BrushStamp b(4);
    ASSERT_EQ(b.size(), 9);
    EXPECT_EQ(b.alpha(4, 4), 255);
    EXPECT_EQ(b.alpha(6, 4), 63); // 255 * (2/4)^2
    EXPECT_EQ(b.alpha(0, 0), 0);  // outside the radius
    EXPECT_EQ(b.alpha(8, 4), 0);
}

namespace {

// The pixels a one-pixel brush lights along a to b, inside a white 20 x 20 target.
MemoImage dotted_line(Point a, Point b)
{
    MemoImage target(20, 20);
    target.fill(rgb(255, 255, 255), 0);
    StampAccumulator lines;
    lines.begin({0, 0, 20, 20});
    lines.line(BrushStamp(0), 0, a, b);
    lines.finish(target, Region({0, 0, 20, 20}), {rgb(0, 0, 0), rgb(0, 0, 0)});
    return target;
}

} // namespace

TEST(Drawing, StampLineCentresTheBrushOnEveryStep)
{
    const MemoImage target = dotted_line({2, 2}, {8, 5});
    int lit = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            lit += target.pixel(x, y)[3] != 0;
    EXPECT_EQ(lit, 7); // one per step along the major axis
    EXPECT_EQ(target.argb(2, 2), 0xFF000000u);
    EXPECT_EQ(target.argb(8, 5), 0xFF000000u);
    // Far-away end points neither overflow nor take forever outside the target.
    EXPECT_EQ(dotted_line({-2000000000, 0}, {-1999000000, 5}).argb(0, 0), 0x00FFFFFFu);
    EXPECT_EQ(dotted_line({INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX}).argb(5, 5), 0xFF000000u);
}

TEST(Drawing, StampLineVisitsTheMidpointLinePixels)
{
    // Every step of a steep and a shallow line in each direction lands on the classic
    // midpoint line, also when most of the line lies outside the target.
    for (const auto& [a, b] : std::vector<std::pair<Point, Point>>{
             {{-30, 2}, {40, 9}}, {{40, 9}, {-30, 2}}, {{3, -50}, {8, 60}}, {{8, 60}, {3, -50}}, {{0, 0}, {0, 0}}}) {
        const MemoImage got = dotted_line(a, b);
        std::vector<Point> want;
        const bool x_major = std::abs(b.x - a.x) >= std::abs(b.y - a.y);
        const int dmaj = x_major ? std::abs(b.x - a.x) : std::abs(b.y - a.y);
        const int dmin = x_major ? std::abs(b.y - a.y) : std::abs(b.x - a.x);
        const int smaj = (x_major ? b.x >= a.x : b.y >= a.y) ? 1 : -1;
        const int smin = (x_major ? b.y >= a.y : b.x >= a.x) ? 1 : -1;
        int mj = x_major ? a.x : a.y, mn = x_major ? a.y : a.x, d = 2 * dmin - dmaj;
        for (int i = 0; i <= dmaj; ++i) {
            const int x = x_major ? mj : mn, y = x_major ? mn : mj;
            if (x >= 0 && x < 20 && y >= 0 && y < 20)
                want.push_back({x, y});
            if (d > 0) {
                mn += smin;
                d -= 2 * dmaj;
            }
            d += 2 * dmin;
            mj += smaj;
        }
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                const bool expected = std::find(want.begin(), want.end(), Point{x, y}) != want.end();
                EXPECT_EQ(got.pixel(x, y)[3] != 0, expected) << x << "," << y;
            }
    }
}

TEST(Drawing, ArrowHeadsLieTwentyDegreesOffTheDirection)
{
    Point l, r;
    ASSERT_TRUE(arrow_head({100, 100}, {0, 100}, 5, l, r));
    // L = 20: back by 20 cos 20 = 18.79, aside by 20 sin 20 = 6.84, truncated.
    EXPECT_EQ(l, (Point{81, 93}));
    EXPECT_EQ(r, (Point{81, 106}));
    EXPECT_FALSE(arrow_head({1, 1}, {1, 1}, 5, l, r));
    EXPECT_TRUE(arrow_head({0, 0}, {-1, 0}, 1 << 30, l, r)); // stays in range
    EXPECT_LT(l.x, 0);
}

TEST(Drawing, BracePointsFollowTheRectangle)
{
    const auto right = PrimitiveObject::brace_points({100, 100, 140, 200}, true);
    ASSERT_EQ(right.size(), 13u);
    EXPECT_EQ(right[0], (Point{99, 99}));
    EXPECT_EQ(right[1], (Point{130, 99}));
    EXPECT_EQ(right[6], (Point{141, 150}));
    EXPECT_EQ(right[12], (Point{99, 201}));
    const auto left = PrimitiveObject::brace_points({100, 100, 140, 200}, false);
    EXPECT_EQ(left[0], (Point{141, 99}));
    EXPECT_EQ(left[3], (Point{109, 124}));
    EXPECT_EQ(left[6], (Point{99, 150}));
    // The whole coordinate range neither overflows nor wraps.
    const auto huge = PrimitiveObject::brace_points({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, true);
    EXPECT_EQ(huge[6].x, INT32_MAX);
    EXPECT_GT(huge[1].x, 0);
}

TEST(Effects, MosaicAveragesEightByEightBlocksFromTheCorner)
{
    MemoImage image(20, 10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            image.set_argb(x, y, 0x80000000u | std::uint32_t(x) << 16 | std::uint32_t(y) << 8 | 7u);
    EffectObject::mosaic(image, 2, 1, 12, 9);
    // First block: x 2..9, y 1..8: red average (2+9)/2 = 5 (5.5 truncated), green 4.
    EXPECT_EQ(image.argb(2, 1), 0x80050407u);
    EXPECT_EQ(image.argb(9, 8), 0x80050407u);
    // Cut blocks at the edges: x 10..13 averages 11 (11.5), y 9 alone.
    EXPECT_EQ(image.argb(13, 9), 0x800B0907u);
    EXPECT_EQ(image.argb(14, 1), 0x800E0107u); // outside untouched
}

TEST(Effects, BlurUsesTheWeightedKernelAndKeepsTheBorder)
{
    MemoImage image(5, 5);
    image.fill(0, 0);
    image.set_argb(2, 2, 0xF0F0F0F0u);
    EffectObject::blur(image, 0, 0, 5, 5);
    EXPECT_EQ(image.argb(2, 2), 0x78787878u); // 240 * 12 / 24
    EXPECT_EQ(image.argb(1, 2), 0x14141414u); // 240 * 2 / 24
    EXPECT_EQ(image.argb(1, 1), 0x0A0A0A0Au); // 240 / 24
    EXPECT_EQ(image.argb(0, 2), 0u);           // border
}

TEST(Effects, NegativeAndLens)
{
    MemoImage image(4, 4);
    image.fill(rgb(1, 2, 3), 9);
    EffectObject::negative(image, 1, 1, 2, 2);
    EXPECT_EQ(image.argb(1, 1), 0x09FEFDFCu);
    EXPECT_EQ(image.argb(0, 0), 0x09010203u);

    MemoImage grid(40, 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            grid.set_argb(x, y, std::uint32_t(x << 8 | y));
    MemoImage lensed = grid;
    EffectObject e;
    e.lens(lensed, 0, 0, 40, 40);
    // Source x = c + R (1 - cos(d / R * pi / 2)) with c = R = 20, truncated.
    EXPECT_EQ(lensed.argb(20, 20), grid.argb(20, 20));
    EXPECT_EQ(lensed.argb(30, 20), grid.argb(25, 20)); // d = 10: 25.86
    EXPECT_EQ(lensed.argb(39, 20), grid.argb(38, 20)); // d = 19: 38.43
    EXPECT_EQ(lensed.argb(10, 20), grid.argb(14, 20)); // d = 10 to the left: 14.14
}
