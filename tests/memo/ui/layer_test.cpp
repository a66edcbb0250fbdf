// The memo layer over a plain widget page, driven by real mouse events.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QPainter>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include "TempDir.h"
#include "memo/ImageCodec.h"
#include "memo/PackageFiles.h"
#include "memo/ui/LayerWnd.h"
#include "memo/ui/TextDialog.h"
#include "memo/ui/Tools.h"
#include "rs2/FileStream.h"
#include "ui/MessageBox.h"

using namespace memo;

namespace {

constexpr QRgb kPageColour = 0xFFE0E0F0;

// A page of one document in a plain widget: a flat colour, scrolled by hand.
class PlainPage : public QWidget, public PageSurface {
public:
    PlainPage()
    {
        resize(400, 300);
        setAcceptDrops(true);  // as the engine's input widget does
    }
    QWidget* host() const override { return const_cast<PlainPage*>(this); }
    QWidget* input_widget() const override { return const_cast<PlainPage*>(this); }
    std::vector<DocumentView> documents() const override { return {{url, rect(), scroll}}; }
    QImage grab_page(const QRect& area) override
    {
        QImage image(area.size(), QImage::Format_ARGB32_Premultiplied);
        render(&image, QPoint(), QRegion(area), QWidget::DrawWindowBackground);
        return image;
    }
    void navigate(const std::string& to) override { navigated = to; }
    int text_size() const override { return size; }
    void set_text_size(int s) override { size = s; }
    int size = 2;

    std::string url = "http://example.org/page";
    QPoint scroll;
    std::string navigated;

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), QColor(kPageColour)); }
};

class LayerTest : public ::testing::Test {
protected:
    LayerTest() : cache(folder.path())
    {
        MemoLayerServices& s = memo_layer_services();
        s = {};
        s.cache = &cache;
        s.stamps = &stamps;
        s.tools = &tools;
        s.user_name = [this] { return user; };
        s.queue_delete = [this](const std::string& url) { deleted_sites.push_back(url); };
        page.show();
        layer = new CLayerWnd(page);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&page));
        ui::set_message_responder([this](const QString& text, ui::Buttons) {
            messages.push_back(text);
            return answer;
        });
    }
    ~LayerTest() override
    {
        ui::set_message_responder({});
        CTextDialog::set_responder({});
        tools.set_current(0, nullptr);
        memo_layer_services() = {};
    }

    void use(int tool) { tools.set_current(tool, layer); }
    void drag(QPoint from, QPoint to, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers keys = {},
              int steps = 4)
    {
        QTest::mousePress(&page, button, keys, from);
        for (int i = 1; i <= steps; ++i)
            QTest::mouseMove(&page, from + (to - from) * i / steps);
        QTest::mouseRelease(&page, button, keys, to);
    }
    void click(QPoint at, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mousePress(&page, button, {}, at);
        QTest::mouseRelease(&page, button, {}, at);
    }
    PackageCache::PackagePtr package() { return cache.lookup(page.url, false); }
    MemoObject& add(std::unique_ptr<MemoObject> o, const std::string& owner = "me", bool locked = false)
    {
        auto pkg = cache.lookup(page.url, true);
        o->owner = owner;
        o->locked = locked;
        return pkg->add(std::move(o));
    }
    static std::unique_ptr<PrimitiveObject> box(Rect r)
    {
        auto p = std::make_unique<PrimitiveObject>();
        p->rect = r;
        return p;
    }
    QImage shot()
    {
        layer->repaint();
        return page.grab().toImage();
    }

    TempDir folder;
    PackageCache cache;
    StampList stamps;
    CToolBox tools;
    PlainPage page;
    CLayerWnd* layer = nullptr;
    std::string user = "me";
    std::vector<std::string> deleted_sites;
    std::vector<QString> messages;
    ui::Answer answer = ui::Answer::Yes;
};

TEST_F(LayerTest, FreehandDragMakesAStrokeAndAClickMakesNone)
{
    use(32785);
    EXPECT_EQ(page.cursor().shape(), Qt::CrossCursor);
    click({20, 20});
    EXPECT_TRUE(!package() || package()->empty());

    drag({50, 60}, {150, 60});
    auto pkg = package();
    ASSERT_TRUE(pkg);
    ASSERT_EQ(pkg->size(), 1u);
    auto& stroke = dynamic_cast<StrokeObject&>(pkg->at(0));
    EXPECT_EQ(stroke.points.front(), (Point{50, 60}));
    EXPECT_EQ(stroke.points.back(), (Point{150, 60}));
    EXPECT_EQ(stroke.points.size(), 5u);  // the press and every move
    EXPECT_EQ(stroke.width, 6);
    EXPECT_EQ(stroke.owner, "me");
    EXPECT_TRUE(pkg->dirty);
    EXPECT_EQ(pkg->width, 400);
    ASSERT_EQ(layer->undo_list().size(), 1u);
    EXPECT_EQ(layer->undo_list()[0].operation, ChangeRecord::Added);

    // Another page's layer painting mid-stroke (a second window, a tab behind navigating)
    // leaves the stroke to the page it is drawn on.
    {
        PlainPage other;
        other.url = "http://example.org/other";
        other.show();
        auto* other_layer = new CLayerWnd(other);
        QTest::mousePress(&page, Qt::LeftButton, {}, {50, 100});
        QTest::mouseMove(&page, {100, 100});
        other_layer->repaint();
        other_layer->update_unless_blank();
        QTest::mouseMove(&page, {150, 100});
        QTest::mouseRelease(&page, Qt::LeftButton, {}, {150, 100});
        ASSERT_EQ(pkg->size(), 2u);
        EXPECT_EQ(dynamic_cast<StrokeObject&>(pkg->at(1)).points.back(), (Point{150, 100}));
        EXPECT_FALSE(cache.lookup(other.url, false));
    }

    // On the screen: the stroke over the page, the page elsewhere.
    const QImage image = shot();
    EXPECT_NE(image.pixel(100, 60), kPageColour);
    EXPECT_EQ(image.pixel(100, 150), kPageColour);
    // A frame also made the site's thumbnail, from the page as shown, once it was painted.
    QCoreApplication::processEvents();
    EXPECT_EQ(pkg->thumbnail.width(), 32);
    EXPECT_EQ(pkg->thumbnail.height(), 32);
}

TEST_F(LayerTest, ShiftDragDrawsAStraightLineInOneOfEightDirections)
{
    use(32785);
    drag({100, 100}, {130, 110}, Qt::LeftButton, Qt::ShiftModifier);
    ASSERT_TRUE(package());
    auto& stroke = dynamic_cast<StrokeObject&>(package()->at(0));
    ASSERT_EQ(stroke.points.size(), 2u);
    EXPECT_EQ(stroke.points[1], (Point{130, 100}));
    EXPECT_EQ(CFreeHandTool::straight_end({0, 0}, {20, 17}), (Point{18, 18}));  // 45 degrees, truncated
    EXPECT_EQ(CFreeHandTool::straight_end({5, 5}, {5, 5}), (Point{5, 5}));
}

TEST_F(LayerTest, RightDragErasesStrokesButNotTextBoxes)
{
    use(32785);
    drag({40, 50}, {200, 50});
    auto text = std::make_unique<TextBoxObject>();
    text->rect = {40, 100, 200, 140};
    add(std::move(text));
    ASSERT_EQ(package()->size(), 2u);

    drag({120, 20}, {120, 130}, Qt::RightButton, {}, 11);
    ASSERT_EQ(package()->size(), 1u);
    EXPECT_EQ(package()->at(0).kind(), MemoKind::TextBox);
    EXPECT_EQ(layer->undo_list().back().operation, ChangeRecord::Deleted);
}

TEST_F(LayerTest, SelectPicksTheTopmostAndTheHandleIsThreePixelsWide)
{
    MemoObject& lower = add(box({50, 50, 150, 150}));
    MemoObject& upper = add(box({100, 100, 200, 200}));
    use(32782);
    click({120, 120});
    EXPECT_EQ(layer->selection(), &upper);
    (void)lower;

    // 3 pixels inside the corner: a resize; the object grows by the drag.
    drag({197, 197}, {207, 217});
    EXPECT_EQ(upper.bounds(), (Rect{100, 100, 210, 220}));
    // 4 pixels away: a move.
    drag({206, 216}, {216, 226});
    EXPECT_EQ(upper.bounds(), (Rect{110, 110, 220, 230}));
    // Each drag recorded the state before it.
    ASSERT_EQ(layer->undo_list().size(), 2u);
    layer->undo();
    EXPECT_EQ(upper.bounds(), (Rect{100, 100, 210, 220}));

    // Empty ground deselects and marks an area.
    drag({300, 20}, {350, 60});
    EXPECT_EQ(layer->selection(), nullptr);
    EXPECT_EQ(layer->selection_rect(), (Rect{300, 20, 350, 60}));
}

TEST_F(LayerTest, AnotherAuthorsLockedObjectMovesButIsNotDeleted)
{
    MemoObject& locked = add(box({50, 50, 150, 150}), "someone", true);
    use(32782);
    click({60, 60});
    ASSERT_EQ(layer->selection(), &locked);
    tools.current()->command(32862);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("ロックされている")));
    EXPECT_EQ(package()->size(), 1u);

    drag({60, 60}, {80, 70});
    EXPECT_EQ(locked.bounds(), (Rect{70, 60, 170, 160}));

    // The eraser and the freehand right-drag respect the lock too.
    use(32855);
    drag({100, 100}, {110, 110});
    EXPECT_EQ(package()->size(), 1u);

    user = "someone";
    use(32782);
    click({100, 100});
    tools.current()->command(32862);
    EXPECT_TRUE(package()->empty());
    EXPECT_EQ(deleted_sites, std::vector<std::string>{page.url});
}

TEST_F(LayerTest, UndoOfTheOnlyStrokeLeavesADeletionRecord)
{
    use(32785);
    drag({50, 50}, {90, 90});
    ASSERT_EQ(package()->size(), 1u);
    layer->undo();
    EXPECT_FALSE(layer->can_undo());
    const auto file = cache.file_for(page.url);
    ASSERT_TRUE(std::filesystem::exists(file));
    rs2::FileStream in(file.string(), rs2::FileStream::open_read);
    MemoPackage stored;
    ASSERT_TRUE(stored.read(in));
    EXPECT_TRUE(stored.empty());
    EXPECT_EQ(stored.url, normalize_url(page.url));
}

TEST_F(LayerTest, ClearKeepsAnotherAuthorsLockedObjectAndUndoBringsAllBack)
{
    add(box({10, 10, 50, 50}), "me");
    add(box({60, 10, 90, 50}), "someone", true);
    add(box({100, 10, 140, 50}), "someone", false);
    answer = ui::Answer::No;
    layer->clear_page();
    EXPECT_EQ(package()->size(), 3u);

    answer = ui::Answer::Yes;
    layer->clear_page();
    ASSERT_EQ(package()->size(), 1u);
    EXPECT_EQ(package()->at(0).owner, "someone");
    EXPECT_TRUE(package()->at(0).locked);

    // The removed objects, then the page as it was before the clear.
    while (layer->can_undo())
        layer->undo();
    EXPECT_EQ(package()->size(), 3u);
}

// Every operation undone comes back with redo; a new change forgets what could be redone.
TEST_F(LayerTest, RedoPutsBackWhatEachUndoTookBack)
{
    // The page's objects as (kind, bounds); times change with every stamp, and an object
    // brought back by undo comes back on top.
    const auto state = [this] {
        std::vector<std::pair<MemoKind, Rect>> objects;
        if (auto pkg = package())
            for (std::size_t i = 0; i < pkg->size(); ++i)
                objects.emplace_back(pkg->at(i).kind(), pkg->at(i).bounds());
        std::sort(objects.begin(), objects.end(), [](const auto& a, const auto& b) {
            return std::tie(a.first, a.second.left, a.second.top) < std::tie(b.first, b.second.left, b.second.top);
        });
        return objects;
    };
    add(box({200, 200, 260, 260}));
    std::vector<std::vector<std::pair<MemoKind, Rect>>> states{state()};
    use(32785);
    drag({50, 50}, {90, 90});  // added
    states.push_back(state());
    use(32782);
    drag({230, 230}, {250, 240});  // changed (moved)
    states.push_back(state());
    tools.current()->command(32862);  // deleted (the moved box is still selected)
    states.push_back(state());
    layer->clear_page();  // cleared
    states.push_back(state());
    ASSERT_TRUE(states.back().empty());
    ASSERT_EQ(layer->undo_list().size(), 4u);

    for (std::size_t i = states.size() - 1; i-- > 0;) {
        layer->undo();
        EXPECT_EQ(state(), states[i]) << "after undoing step " << i + 1;
    }
    EXPECT_FALSE(layer->can_undo());
    for (std::size_t i = 1; i < states.size(); ++i) {
        ASSERT_TRUE(layer->can_redo());
        layer->redo();
        EXPECT_EQ(state(), states[i]) << "after redoing step " << i;
    }
    EXPECT_FALSE(layer->can_redo());
    EXPECT_EQ(layer->undo_list().size(), 4u);

    layer->undo();
    ASSERT_TRUE(layer->can_redo());
    use(32785);
    drag({20, 150}, {80, 150});
    EXPECT_FALSE(layer->can_redo());
}

TEST_F(LayerTest, HiddenMemosStayAsTheyAreAndTakeNoInput)
{
    add(box({50, 50, 150, 150}));
    const std::string before = package()->serialize();
    layer->set_shown(false);
    EXPECT_EQ(shot().pixel(100, 100), kPageColour);
    use(32785);
    drag({200, 50}, {300, 50});
    EXPECT_EQ(package()->serialize(), before);
    EXPECT_FALSE(layer->can_undo());

    layer->set_shown(true);
    EXPECT_NE(shot().pixel(100, 100), kPageColour);
    EXPECT_EQ(package()->serialize(), before);
}

TEST_F(LayerTest, StampAtHalfSizeIsCentredOnTheClick)
{
    MemoImage picture(64, 64);
    picture.fill(rgb(0, 0, 255), 255);
    stamps.add("star", picture);
    use(32856);
    tools.stamp().stamp = "star";
    tools.stamp().scale = CStampTool::Scale::Half;
    click({100, 100});
    ASSERT_TRUE(package());
    ASSERT_EQ(package()->size(), 1u);
    EXPECT_EQ(package()->at(0).bounds(), (Rect{84, 84, 116, 116}));
    EXPECT_EQ(CStampTool::placement({100, 100}, 64, 64, CStampTool::Scale::Double), (Rect{36, 36, 164, 164}));
    EXPECT_EQ(CStampTool::placement({100, 100}, 64, 64, CStampTool::Scale::Single), (Rect{68, 68, 132, 132}));
    const QRgb centre = shot().pixel(100, 100);
    EXPECT_GT(qBlue(centre), 240);
    EXPECT_LT(qRed(centre) + qGreen(centre), 16);
}

TEST_F(LayerTest, PrimitiveDragWithShiftIsASquareAndTinyDragsMakeNothing)
{
    use(32790);
    drag({50, 50}, {52, 100});
    EXPECT_TRUE(!package() || package()->empty());
    drag({50, 50}, {130, 90}, Qt::LeftButton, Qt::ShiftModifier);
    ASSERT_EQ(package()->size(), 1u);
    EXPECT_EQ(package()->at(0).bounds(), (Rect{50, 50, 130, 130}));
}

TEST_F(LayerTest, TextToolMakesABoxWhoseLinkLineNavigatesInBrowseMode)
{
    CTextDialog::set_responder([](std::string& text) {
        text = "see\nhttps://example.org/next";
        return true;
    });
    use(32783);
    drag({40, 40}, {300, 120});
    ASSERT_TRUE(package());
    ASSERT_EQ(package()->size(), 1u);
    EXPECT_EQ(tools.current_id(), 32782);  // the new box is selected for editing
    EXPECT_EQ(layer->selection(), &package()->at(0));

    tools.set_current(0, layer);
    // The second line starts 8 + one line height + 2 below the top.
    const Size line = layer->text_extent(dynamic_cast<TextBoxObject&>(package()->at(0)).font, "see");
    click({55, 40 + 8 + line.cy + 2 + line.cy / 2});
    EXPECT_EQ(page.navigated, "https://example.org/next");
    page.navigated.clear();
    click({250, 50});
    EXPECT_EQ(page.navigated, "");
}

TEST_F(LayerTest, MemosFollowTheScrollPosition)
{
    add(box({100, 200, 140, 240}));
    EXPECT_NE(shot().pixel(120, 220), kPageColour);
    page.scroll = {0, 150};
    layer->update();
    const QImage image = shot();
    EXPECT_EQ(image.pixel(120, 220), kPageColour);
    EXPECT_NE(image.pixel(120, 70), kPageColour);

    // Tools work in document coordinates too.
    use(32785);
    drag({10, 10}, {60, 10});
    EXPECT_EQ(dynamic_cast<StrokeObject&>(package()->at(1)).points.front(), (Point{10, 160}));
}

TEST_F(LayerTest, DroppedPictureBecomesAPhotoAndABadFileIsReported)
{
    MemoImage picture(20, 10);
    picture.fill(rgb(0, 255, 0), 255);
    const std::string png = folder.file("pic.png");
    {
        rs2::FileStream out(png, rs2::FileStream::open_write);
        PngCodec codec(picture, false);
        ASSERT_TRUE(codec.write(out));
    }
    // Dropped on the page through a real drop event.
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(png))});
    QDragEnterEvent enter(QPoint(30, 40), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(&page, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(30, 40), Qt::CopyAction, &mime, Qt::LeftButton, {}, QEvent::Drop);
    QApplication::sendEvent(&page, &drop);
    ASSERT_TRUE(package());
    ASSERT_EQ(package()->size(), 1u);
    EXPECT_EQ(package()->at(0).kind(), MemoKind::Photo);
    EXPECT_EQ(package()->at(0).bounds(), (Rect{30, 40, 50, 50}));

    const std::string bad = folder.file("bad.jpg");
    { rs2::FileStream out(bad, rs2::FileStream::open_write); out << "not a picture"; }
    EXPECT_FALSE(layer->drop_picture(QString::fromStdString(bad), {30, 40}));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], QStringLiteral("ファイルの読み込みに失敗しました"));
}

TEST_F(LayerTest, CopyCutAndPasteOnTheLayer)
{
    MemoObject& mine = add(box({20, 20, 60, 50}));
    MemoObject& theirs = add(box({100, 20, 140, 50}), "someone", true);
    use(32782);
    click({30, 30});
    ASSERT_EQ(layer->selection(), &mine);
    EXPECT_TRUE(layer->can_copy());
    layer->copy();
    const QImage copied = QGuiApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), QSize(40, 30));

    click({110, 30});
    ASSERT_EQ(layer->selection(), &theirs);
    layer->cut();  // locked by its author: refused
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(package()->size(), 2u);

    click({30, 30});
    layer->cut();
    EXPECT_EQ(package()->size(), 1u);

    // A picture becomes a photo, text becomes a text box, both in view.
    page.scroll = {0, 100};
    ASSERT_TRUE(layer->paste());
    ASSERT_EQ(package()->size(), 2u);
    EXPECT_EQ(package()->at(1).kind(), MemoKind::Photo);
    EXPECT_EQ(package()->at(1).bounds(), (Rect{20, 120, 60, 150}));
    QGuiApplication::clipboard()->setText(QStringLiteral("hello\nworld"));
    ASSERT_TRUE(layer->paste());
    auto& text = dynamic_cast<TextBoxObject&>(package()->at(2));
    EXPECT_EQ(text.text, "hello\nworld");
    EXPECT_EQ(layer->selection(), &text);
}

TEST_F(LayerTest, AClickOnATextBoxWithTheSelectToolEditsIt)
{
    auto box = std::make_unique<TextBoxObject>();
    box->rect = {40, 40, 240, 120};
    box->text = "old";
    MemoObject& o = add(std::move(box));
    CTextDialog::set_responder([](std::string& text) {
        EXPECT_EQ(text, "old");
        text = "new";
        return true;
    });
    use(32782);
    click({100, 80});
    EXPECT_EQ(dynamic_cast<TextBoxObject&>(o).text, "new");
    ASSERT_EQ(layer->undo_list().size(), 1u);
    layer->undo();
    EXPECT_EQ(dynamic_cast<TextBoxObject&>(package()->at(0)).text, "old");

    // Another author's locked box is selected but not edited.
    dynamic_cast<TextBoxObject&>(package()->at(0)).owner = "someone";
    package()->at(0).locked = true;
    click({100, 80});
    EXPECT_EQ(dynamic_cast<TextBoxObject&>(package()->at(0)).text, "old");
}

TEST_F(LayerTest, TheTextDialogEndsWhenTheButtonIsReleasedOutsideIt)
{
    CTextDialog dialog(&page, QRect(20, 20, 200, 80), QStringLiteral("line 1\nline 2"), LogFont{});
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.text(), QStringLiteral("line 1\nline 2"));
    // What the edit box receives while it holds the mouse and the button goes up elsewhere.
    QWidget* box = dialog.edit()->viewport();
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(-30, -30), box->mapToGlobal(QPointF(-30, -30)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(box, &release);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(LayerTest, TextSizeFollowsTheMemosAndChangingItAsksFirst)
{
    EXPECT_TRUE(layer->change_text_size(4));  // no memos: no question
    EXPECT_TRUE(messages.empty());

    add(box({10, 10, 50, 50}));
    package()->text_size = 0;
    layer->refresh();
    EXPECT_EQ(page.size, 0);

    answer = ui::Answer::No;
    EXPECT_FALSE(layer->change_text_size(3));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("表示されているサイトにはメモがあります。")));
    EXPECT_EQ(package()->text_size, 0);
    answer = ui::Answer::Yes;
    EXPECT_TRUE(layer->change_text_size(3));
    EXPECT_EQ(package()->text_size, 3);
}

} // namespace

TEST_F(LayerTest, ThePointerShowsALoadingPageUnlessAToolShowsItsOwn)
{
    layer->set_busy(true);
    EXPECT_EQ(page.cursor().shape(), Qt::BusyCursor);
    use(32785);
    EXPECT_EQ(page.cursor().shape(), Qt::CrossCursor);
    use(0);
    EXPECT_EQ(page.cursor().shape(), Qt::BusyCursor);
    layer->set_busy(false);
    EXPECT_EQ(page.cursor().shape(), Qt::ArrowCursor);
}

// A package built to be slow (a few hundred full-window blurs) draws within the budget, in the
// background: what would cost more shows as outlines and the layer says how many.
TEST_F(LayerTest, MemosBeyondTheDrawingBudgetShowAsOutlinesAndAreReported)
{
    std::vector<int> reported;
    QObject::connect(layer, &CLayerWnd::drawing_cut_short, [&](int objects) { reported.push_back(objects); });
    add(box({10, 10, 40, 40}));
    for (int i = 0; i < 300; ++i) {
        auto blur = std::make_unique<EffectObject>();
        blur->rect = {-2000, -2000, 4000, 4000};
        blur->operation = 2;
        add(std::move(blur));
    }
    shot();  // the page under the effects is read first, then the drawing starts
    ASSERT_TRUE(QTest::qWaitFor([&] { return !reported.empty(); }, 120000));
    EXPECT_GT(reported.front(), 0);
    EXPECT_LE(reported.front(), 300);
    layer->update();
    QTest::qWait(0);
    shot();
    EXPECT_EQ(reported.size(), 1u) << "the same cut is told once";
}

// A package whose drawing would hold up the window is drawn on another thread: the paint
// returns at once, input is handled meanwhile, and the window shows the finished picture, the
// same as a drawing on this thread. A scroll moves the picture shown with the page, and the
// rows that came into view are drawn at once while that is cheap. With a tool selected the
// picture still comes from the other thread, and what the tool draws (a stroke in progress,
// the stroke it adds) shows over it at once.
TEST_F(LayerTest, ASlowPackageIsDrawnInTheBackgroundWhileInputIsHandled)
{
    // Photos too tall to keep a scaled picture of: each is scaled on every drawing. The page
    // shows right of them.
    for (int i = 0; i < 40; ++i) {
        auto photo = std::make_unique<PhotoObject>();
        photo->image.create(64, 48);
        photo->image.fill(rgb(0, 40 + i * 5, 255), 255);
        photo->rect = {0, 0, 300, MemoImage::kMaxSide + 100};
        add(std::move(photo));
    }
    add(box({10, 30, 60, 80}));
    const QImage expected = layer->picture_of(layer->layer_rect());

    const QImage first = shot();
    EXPECT_EQ(first.pixel(200, 150), kPageColour) << "not drawn on this thread";
    bool clicked = false;
    layer->on_left_release = [&] { clicked = true; };
    const QPointF at(300, 200);
    QCoreApplication::postEvent(&page, new QMouseEvent(QEvent::MouseButtonPress, at, page.mapToGlobal(at),
                                                       Qt::LeftButton, Qt::LeftButton, {}));
    QCoreApplication::postEvent(&page, new QMouseEvent(QEvent::MouseButtonRelease, at, page.mapToGlobal(at),
                                                       Qt::LeftButton, Qt::NoButton, {}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return clicked; }, 60000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return page.grab().toImage().pixel(200, 150) != kPageColour; }, 120000));
    const QImage drawn = page.grab().toImage().convertToFormat(expected.format());
    EXPECT_EQ(drawn, expected);

    page.scroll = {0, 20};
    const QImage moved = shot().convertToFormat(expected.format());
    EXPECT_EQ(moved.copy(0, 0, 400, 280), drawn.copy(0, 20, 400, 280)) << "the last picture, moved with the page";
    EXPECT_EQ(moved, layer->picture_of(layer->layer_rect()).convertToFormat(expected.format()));

    // Memos that blend over the page come out of the window's blend within a few steps of
    // rounding: the largest difference of a colour channel from a drawing on this thread.
    const auto difference_from_drawn_here = [&](const QImage& shown) {
        const QImage here = layer->picture_of(layer->layer_rect()).convertToFormat(expected.format());
        const QImage there = shown.convertToFormat(expected.format());
        int most = 0;
        for (int y = 0; y < here.height(); ++y)
            for (int x = 0; x < here.width(); ++x)
                for (int shift : {0, 8, 16})
                    most = std::max(most, std::abs(int(here.pixel(x, y) >> shift & 0xFF) -
                                                   int(there.pixel(x, y) >> shift & 0xFF)));
        return most;
    };
    use(32785);
    add(box({40, 200, 90, 250}));  // as the sharing server would: only a new drawing shows it
    layer->refresh();
    EXPECT_EQ(shot().pixel(60, 220), moved.pixel(60, 220)) << "not drawn on this thread";
    ASSERT_TRUE(QTest::qWaitFor([&] { return page.grab().toImage().pixel(60, 220) != moved.pixel(60, 220); }, 120000));
    QTest::mousePress(&page, Qt::LeftButton, {}, {150, 100});
    for (const QPoint to : {QPoint(250, 140), QPoint(350, 120), QPoint(380, 250)})
        QTest::mouseMove(&page, to);
    const QImage stroking = shot();
    EXPECT_NE(stroking.pixel(350, 120), kPageColour) << "the stroke in progress over the page";
    EXPECT_LE(difference_from_drawn_here(stroking), 3);
    QTest::mouseRelease(&page, Qt::LeftButton, {}, {380, 250});
    ASSERT_EQ(package()->size(), 43u);
    EXPECT_LE(difference_from_drawn_here(shot()), 3) << "the stroke made, before a drawing with it is done";
}

// While the page scrolls, the layer moves its last picture and draws only the rows that came
// into view: the window shows what a whole drawing at that scroll position shows.
TEST_F(LayerTest, AScrolledPictureIsTheWholeDrawingAtThatPosition)
{
    for (int i = 0; i < 12; ++i) {
        auto stroke = std::make_unique<StrokeObject>();
        stroke->points = {{20 + i * 25, 40 + i * 70}, {60 + i * 25, 90 + i * 70}, {30 + i * 25, 130 + i * 70}};
        stroke->width = 5;
        stroke->type = i % 2;
        add(std::move(stroke));
        auto text = std::make_unique<TextBoxObject>();
        text->rect = {200, 20 + i * 80, 330, 70 + i * 80};
        text->text = "memo " + std::to_string(i);
        add(std::move(text));
        add(box({120, 60 + i * 90, 180, 100 + i * 90}));
    }
    const auto window_picture = [&] {
        layer->repaint();
        return QGuiApplication::primaryScreen()->grabWindow(page.winId()).toImage();
    };
    // As the browser's page asks after a scroll: only what held or comes to hold memos, and the
    // rows that come into view, are repainted; the rest of the window keeps what it showed.
    bool only_tiles = false;
    const auto scrolled_picture = [&] {
        if (!only_tiles)
            return window_picture();
        layer->top_scrolled();
        QCoreApplication::processEvents();
        return QGuiApplication::primaryScreen()->grabWindow(page.winId()).toImage();
    };
    // Each step against a whole drawing at the same position, from which the next step moves.
    const auto steps_differing = [&](int steps, auto by) {
        int differing = 0;
        for (int step = 0; step < steps; ++step) {
            page.scroll.ry() += by(step);
            const QImage scrolled = scrolled_picture();
            layer->update();
            differing += scrolled != window_picture();
        }
        return differing;
    };
    window_picture();
    for (bool tiles : {false, true}) {
        only_tiles = tiles;
        EXPECT_EQ(steps_differing(12, [](int step) { return step % 3 == 2 ? -29 : 41; }), 0) << tiles;
        // Far enough down, then up, for the picture to leave its buffer's spare rows both ways.
        EXPECT_EQ(steps_differing(20, [](int) { return 41; }), 0) << tiles;
        EXPECT_EQ(steps_differing(34, [](int) { return -29; }), 0) << tiles;
    }
}
