#include <QTest>

#include "PlacesUi.h"
#include "places/History.h"
#include "places/ui/HistoryDlg.h"
#include "res/CommandIds.h"

namespace {

constexpr std::int64_t kNow = 1796601600;  // 2026-12-07 00:00 UTC
constexpr std::int64_t kDay = places::kSecondsPerDay;

class HistoryPaneTest : public ::testing::Test {
protected:
    HistoryPaneTest() : history_([] { return kNow; })
    {
        ui_app();
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        history_.add_visit({"http://b.jp/yesterday-late", kNow - kDay + 7200});
        history_.add_visit({"http://a.jp/today", kNow + 3600});
        history_.add_visit({"http://a.jp/yesterday-early", kNow - kDay + 60});
        pane_.rebuild();
    }
    QRect rect_of(QTreeWidgetItem* item) const { return pane_.tree()->visualItemRect(item); }

    places::History history_;
    RecordingHost host_;
    CHistoryDlg pane_{history_, host_};
};

TEST_F(HistoryPaneTest, DaysInDateOrderWithTheirUrlsOldestFirst)
{
    QTreeWidget* tree = pane_.tree();
    ASSERT_EQ(tree->topLevelItemCount(), 2);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), QStringLiteral("2026/12/06"));
    EXPECT_EQ(tree->topLevelItem(1)->text(0), QStringLiteral("2026/12/07"));
    QTreeWidgetItem* yesterday = tree->topLevelItem(0);
    ASSERT_EQ(yesterday->childCount(), 2);
    EXPECT_EQ(yesterday->child(0)->text(0), QStringLiteral("http://a.jp/yesterday-early"));
    EXPECT_EQ(yesterday->child(1)->text(0), QStringLiteral("http://b.jp/yesterday-late"));
}

TEST_F(HistoryPaneTest, DeletingTheLastUrlOfADayRemovesTheDayAndDeletingADayItsVisits)
{
    QTreeWidget* tree = pane_.tree();
    tree->setCurrentItem(tree->topLevelItem(1)->child(0));
    pane_.run_command(res::cmd::kHistoryDelete);
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), QStringLiteral("2026/12/06"));
    EXPECT_EQ(history_.size(), 2u);
    EXPECT_EQ(host_.history_changes, 1);

    // Day nodes open nothing; deleting one empties the history of that day.
    tree->setCurrentItem(tree->topLevelItem(0));
    pane_.run_command(res::cmd::kHistoryGo);
    pane_.run_command(res::cmd::kHistoryOpenInNewTab);
    EXPECT_TRUE(host_.active.empty() && host_.new_tabs.empty());
    pane_.run_command(res::cmd::kHistoryDelete);
    EXPECT_EQ(tree->topLevelItemCount(), 0);
    EXPECT_TRUE(history_.empty());
}

TEST_F(HistoryPaneTest, AClickOpensInTheActiveTabAfterTheIntervalAndADoubleClickOnlyInANewTab)
{
    pane_.resize(400, 300);
    pane_.show();  // showing rebuilds the tree
    PaneTree* tree = pane_.tree();
    tree->expandAll();
    QTreeWidgetItem* url = tree->topLevelItem(1)->child(0);

    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, rect_of(url).center());
    EXPECT_EQ(host_.new_tabs, std::vector<std::string>{"http://a.jp/today"});
    // Nothing is left to fire: the active tab stays where it is.
    EXPECT_FALSE(tree->single_click_pending());
    EXPECT_TRUE(host_.active.empty());

    tree->set_click_interval(20);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, rect_of(url).center());
    EXPECT_TRUE(host_.active.empty());
    ASSERT_TRUE(wait_until([&] { return !host_.active.empty(); }));
    EXPECT_EQ(host_.active, std::vector<std::string>{"http://a.jp/today"});
    EXPECT_EQ(host_.new_tabs.size(), 1u);
}

TEST_F(HistoryPaneTest, RefreshingKeepsOpenDaysAndTheSelection)
{
    QTreeWidget* tree = pane_.tree();
    tree->topLevelItem(0)->setExpanded(true);
    tree->setCurrentItem(tree->topLevelItem(0)->child(1));
    history_.add_visit({"http://c.jp/new", kNow + 7200});
    pane_.rebuild();
    EXPECT_TRUE(tree->topLevelItem(0)->isExpanded());
    EXPECT_FALSE(tree->topLevelItem(1)->isExpanded());
    ASSERT_NE(tree->currentItem(), nullptr);
    EXPECT_EQ(tree->currentItem()->text(0), QStringLiteral("http://b.jp/yesterday-late"));
    EXPECT_EQ(tree->topLevelItem(1)->childCount(), 2);
}

TEST(ClickInterval, HalfTheDoubleClickSpeedOrTwoHundred)
{
    const QByteArray speed("500");
    const QByteArray junk("fast");
    EXPECT_EQ(click_interval_from(&speed), 250);
    EXPECT_EQ(click_interval_from(&junk), 200);
    EXPECT_EQ(click_interval_from(nullptr), 200);
}

} // namespace
