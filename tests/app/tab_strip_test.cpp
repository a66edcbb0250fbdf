#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <QToolTip>

#include "AppFixture.h"
#include "app/TabStrip.h"

namespace {

TEST(TabStripGeometry, CellsFillRowsOf150Pixels)
{
    TabStripGeometry strip{700};
    EXPECT_EQ(strip.per_row(), 4);
    EXPECT_EQ(strip.rows(9), 3);
    EXPECT_EQ(strip.cell(9), QRect(150, 40, 150, 20));  // the tenth tab starts row 3
    EXPECT_EQ(strip.rows(8), 2);
    EXPECT_EQ(strip.height(10), 66);
    EXPECT_EQ(strip.height(0), 0);
    EXPECT_EQ(TabStripGeometry{100}.per_row(), 1);  // at least one per row
    EXPECT_EQ(strip.index_at(QPoint(650, 5), 4), -1);  // right of the last column
    EXPECT_EQ(strip.index_at(QPoint(160, 25), 6), 5);
    EXPECT_EQ(TabStripGeometry::close_box(strip.cell(0)), QRect(132, 1, 16, 16));
}

TEST(TabStripGeometry, DroppingOnAHalfPlacesBeforeOrAfter)
{
    // Three tabs: the second dropped on the right half of the third goes to the end.
    EXPECT_EQ(reordered_index(1, 2, true), 2);
    EXPECT_EQ(reordered_index(1, 2, false), 1);
    EXPECT_EQ(reordered_index(2, 0, false), 0);
    EXPECT_EQ(reordered_index(2, 0, true), 1);
}

// A host with plain windows, recording what the strip asks of it.
class FakeHost : public TabStripHost {
public:
    std::map<QMdiSubWindow*, QMdiSubWindow*> openers;
    std::vector<QMdiSubWindow*> closed;
    int drags = 0;

    QMdiSubWindow* opener_of(QMdiSubWindow* tab) const override
    {
        const auto found = openers.find(tab);
        return found == openers.end() ? nullptr : found->second;
    }
    bool is_locked(QMdiSubWindow*) const override { return false; }
    QIcon site_icon(QMdiSubWindow*) const override { return {}; }
    void close_tab(QMdiSubWindow* tab) override { closed.push_back(tab); }
    void drag_tab_out(QMdiSubWindow*) override { ++drags; }
    void show_tab_menu(QMdiSubWindow*, const QPoint&) override {}
};

class TabStripTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppInit::ensure();
        area_ = std::make_unique<QMdiArea>();
        area_->resize(700, 400);
        strip_ = std::make_unique<CMDICtrlButton>(area_.get(), &host_, nullptr);
        strip_->resize(700, 66);
    }

    QMdiSubWindow* add(const QString& title, QMdiSubWindow* opener = nullptr)
    {
        auto* window = new QMdiSubWindow;
        window->setWindowTitle(title);
        host_.openers[window] = opener;
        area_->addSubWindow(window);
        window->show();
        area_->setActiveSubWindow(window);
        strip_->Resync();
        return window;
    }

    FakeHost host_;
    std::unique_ptr<QMdiArea> area_;
    std::unique_ptr<CMDICtrlButton> strip_;
};

TEST_F(TabStripTest, NewTabIsInsertedRightAfterItsOpener)
{
    QMdiSubWindow* a = add("a");
    QMdiSubWindow* b = add("b");
    add("c");
    QMdiSubWindow* from_a = add("from a", a);
    EXPECT_EQ(strip_->index_of(from_a), 1);
    EXPECT_EQ(strip_->index_of(b), 2);
    EXPECT_EQ(strip_->active_index(), 1);
}

TEST_F(TabStripTest, ClickOnCloseBoxClosesButADragNeverDoes)
{
    add("a");
    add("b");
    const QPoint close_box = TabStripGeometry::close_box(strip_->geometry_for_width().cell(1)).center();
    // A press and release 3 pixels apart is still a click.
    QTest::mousePress(strip_.get(), Qt::LeftButton, {}, close_box);
    QTest::mouseRelease(strip_.get(), Qt::LeftButton, {}, close_box + QPoint(3, 0));
    ASSERT_EQ(host_.closed.size(), 1u);
    EXPECT_EQ(host_.closed[0], strip_->tab(1));

    // Moving 4 pixels with the button down starts a drag and never closes.
    QTest::mousePress(strip_.get(), Qt::LeftButton, {}, close_box);
    QMouseEvent move(QEvent::MouseMove, close_box + QPoint(4, 0), strip_->mapToGlobal(close_box + QPoint(4, 0)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(strip_.get(), &move);
    QTest::mouseRelease(strip_.get(), Qt::LeftButton, {}, close_box + QPoint(4, 0));
    EXPECT_EQ(host_.closed.size(), 1u);
    EXPECT_EQ(host_.drags, 1);

    // The middle button closes the tab under it, wherever it lands on the cell.
    const QPoint first = strip_->geometry_for_width().cell(0).center();
    QTest::mouseClick(strip_.get(), Qt::MiddleButton, {}, first);
    ASSERT_EQ(host_.closed.size(), 2u);
    EXPECT_EQ(host_.closed[1], strip_->tab(0));
}

TEST_F(TabStripTest, TipShowsTheWholeTitle)
{
    const QString title = QStringLiteral("A title far too long for a cell of one hundred and fifty pixels");
    add(title);
    const QPoint cell = strip_->geometry_for_width().cell(0).center();
    QHelpEvent help(QEvent::ToolTip, cell, strip_->mapToGlobal(cell));
    QApplication::sendEvent(strip_.get(), &help);
    EXPECT_EQ(QToolTip::text(), title);
    QToolTip::hideText();
}

TEST_F(TabStripTest, WheelSwitchesTabsWithoutWrapping)
{
    add("a");
    add("b");
    add("c");
    ASSERT_EQ(strip_->active_index(), 2);
    auto wheel = [this](int delta) {
        QWheelEvent event(QPointF(10, 10), strip_->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(strip_.get(), &event);
    };
    wheel(-120);  // towards the user on the last tab: nothing
    EXPECT_EQ(strip_->active_index(), 2);
    wheel(120);
    EXPECT_EQ(strip_->active_index(), 1);
    EXPECT_EQ(area_->activeSubWindow(), strip_->tab(1));
}

TEST_F(TabStripTest, GrowsARowForTheFifthTabAt700Pixels)
{
    for (int i = 0; i < 4; ++i)
        add(QString::number(i));
    EXPECT_EQ(strip_->wanted_height(), 26);
    add("fifth");
    EXPECT_EQ(strip_->wanted_height(), 46);
}

TEST_F(TabStripTest, ClosedWindowsLeaveTheStrip)
{
    QMdiSubWindow* a = add("a");
    add("b");
    a->setAttribute(Qt::WA_DeleteOnClose);
    a->close();
    QCoreApplication::processEvents();
    strip_->Resync();
    EXPECT_EQ(strip_->count(), 1);
}

} // namespace
