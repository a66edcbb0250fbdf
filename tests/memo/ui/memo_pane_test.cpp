// The memo pane over a real package cache and memo folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QStyleHints>
#include <QTest>
#include <QTreeWidget>

#include "TempDir.h"
#include "memo/MemoIndex.h"
#include "memo/ui/LayerWnd.h"
#include "memo/ui/MemoBarDlg.h"
#include "rs2/FileStream.h"

using namespace memo;

namespace {

class MemoPaneTest : public ::testing::Test {
protected:
    TempDir folder;
    PackageCache cache{folder.path()};
    CMemoBarDlg pane{nullptr};
    std::vector<std::string> went, opened;

    MemoPaneTest()
    {
        memo_layer_services() = {};
        memo_layer_services().cache = &cache;
        pane.on_go = [this](const std::string& url) { went.push_back(url); };
        pane.on_open = [this](const std::string& url) { opened.push_back(url); };
        QApplication::styleHints()->setMouseDoubleClickInterval(60);
        pane.resize(300, 400);
    }
    ~MemoPaneTest() override
    {
        memo_layer_services() = {};
        QApplication::styleHints()->setMouseDoubleClickInterval(double_click_);
    }
    const int double_click_ = QApplication::styleHints()->mouseDoubleClickInterval();

    void site(const std::string& url, Time64 time, bool cached)
    {
        MemoPackage p;
        p.url = url;
        p.time = time;
        p.add(std::make_unique<StampObject>());
        if (cached) {
            cache.lookup(url, true)->assign(p);
            return;
        }
        rs2::FileStream out(cache.file_for(url).string(), rs2::FileStream::open_write);
        p.write(out);
    }
    QTreeWidgetItem* item(int group, int index) { return pane.tree()->topLevelItem(group)->child(index); }
    void click(QTreeWidgetItem* it, bool twice = false)
    {
        const QPoint at = pane.tree()->visualItemRect(it).center();
        QTest::mouseClick(pane.tree()->viewport(), Qt::LeftButton, {}, at);
        if (twice)
            QTest::mouseDClick(pane.tree()->viewport(), Qt::LeftButton, {}, at);
    }
};

TEST_F(MemoPaneTest, SitesAreGroupedByDateCachedFirst)
{
    const Time64 day = 24 * 3600;
    const Time64 now = now_time();
    site("http://a.example/", now, true);
    site("http://b.example/", now - 3 * day, false);
    site("http://c.example/", now, false);
    pane.show();
    ASSERT_EQ(pane.tree()->topLevelItemCount(), 2);
    EXPECT_EQ(pane.tree()->topLevelItem(0)->text(0).toStdString(), memo_date_text(now));
    ASSERT_EQ(pane.tree()->topLevelItem(0)->childCount(), 2);
    EXPECT_EQ(CMemoBarDlg::site_of(item(0, 0)), "http://a.example/");
    EXPECT_EQ(CMemoBarDlg::site_of(item(0, 1)), "http://c.example/");
    EXPECT_EQ(CMemoBarDlg::site_of(item(1, 0)), "http://b.example/");
    EXPECT_EQ(CMemoBarDlg::site_of(pane.tree()->topLevelItem(1)), "");  // dates do not react
}

TEST_F(MemoPaneTest, SingleClickGoesAfterTheDoubleClickTimeDoubleClickOpensInstead)
{
    site("http://a.example/", now_time(), true);
    pane.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
    // It waits the desktop's whole double-click time, as the desktop has it now.
    QApplication::styleHints()->setMouseDoubleClickInterval(400);
    QElapsedTimer clock;
    clock.start();
    click(item(0, 0));
    EXPECT_TRUE(went.empty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !went.empty(); }, 5000));
    EXPECT_GT(clock.elapsed(), 300);  // not half of it
    EXPECT_EQ(went, std::vector<std::string>{"http://a.example/"});

    went.clear();
    click(item(0, 0), true);
    EXPECT_EQ(opened, std::vector<std::string>{"http://a.example/"});
    EXPECT_FALSE(pane.click_pending());  // the single click that came first was cancelled
    EXPECT_TRUE(went.empty());
}

TEST_F(MemoPaneTest, DeleteStoresADeletionRecordAndTheListShowsIt)
{
    site("http://b.example/", now_time(), false);
    pane.show();
    pane.run(QStringLiteral("削除"), item(0, 0));
    rs2::FileStream in(cache.file_for("http://b.example/").string(), rs2::FileStream::open_read);
    MemoPackage stored;
    ASSERT_TRUE(stored.read(in));
    EXPECT_TRUE(stored.empty());
    EXPECT_EQ(stored.url, "http://b.example/");
}

} // namespace
