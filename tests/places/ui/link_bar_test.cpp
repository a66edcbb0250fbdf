#include <QMimeData>
#include <QTest>
#include <QToolButton>

#include "PlacesUi.h"
#include "places/Favorites.h"
#include "places/ui/LinkBar.h"

namespace fs = std::filesystem;

namespace {

class LinkBarTest : public ::testing::Test {
protected:
    LinkBarTest()
    {
        ui_app();
        write_shortcut(links() / "one.url", "http://one.jp/");
        write_shortcut(links() / "two.url", "http://two.jp/");
        EXPECT_TRUE(places::save_link_order(order_file(), {links() / "two.url", links() / "gone.url", links() / "one.url"}));
    }
    fs::path links() const { return dir_.path() / "Links"; }
    fs::path order_file() const { return dir_.path() / "link.dat"; }
    static QStringList texts(const CLinkBar& bar)
    {
        QStringList list;
        for (QToolButton* button : bar.buttons())
            list << button->text();
        return list;
    }

    TempDir dir_;
    RecordingHost host_;
};

TEST_F(LinkBarTest, ButtonsFollowTheOrderAndNewFilesComeLast)
{
    {
        CLinkBar bar(links(), order_file(), host_);
        EXPECT_EQ(texts(bar), (QStringList{"two", "one"}));
        write_shortcut(links() / "added.url", "http://added.jp/");
        bar.build_link_bar();
        EXPECT_EQ(texts(bar), (QStringList{"two", "one", "added"}));

        QTest::mouseClick(bar.buttons()[1], Qt::LeftButton);
        EXPECT_EQ(host_.active, std::vector<std::string>{(links() / "one.url").string()});
        // Moving along the bar changes the order that is saved.
        bar.move_link(0, 3);
        EXPECT_EQ(texts(bar), (QStringList{"one", "added", "two"}));
        bar.move_link(2, 0);
    }
    // Saved when the bar goes: the vanished link is dropped.
    EXPECT_EQ(places::load_link_order(order_file()),
              (places::OrderList{links() / "two.url", links() / "one.url", links() / "added.url"}));
}

TEST_F(LinkBarTest, DroppedLinksAndFilesBecomeLinksWhereTheyLand)
{
    CLinkBar bar(links(), order_file(), host_);
    QMimeData link;
    link.setUrls({QUrl(QStringLiteral("http://example.jp/page"))});
    link.setHtml(QStringLiteral("<a href=\"http://example.jp/page\">Example: a/b</a>"));
    ASSERT_TRUE(bar.add_dropped(&link, 1));
    EXPECT_EQ(texts(bar), (QStringList{"two", "Example ab", "one"}));
    EXPECT_EQ(*places::read_internet_shortcut_url(links() / "Example ab.url"), "http://example.jp/page");

    // A file from elsewhere is copied into the links folder.
    write_shortcut(dir_.path() / "outside" / "far.url", "http://far.jp/");
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QString::fromStdString((dir_.path() / "outside" / "far.url").string()))});
    ASSERT_TRUE(bar.add_dropped(&files));
    EXPECT_EQ(texts(bar).back(), QStringLiteral("far"));
    EXPECT_TRUE(fs::exists(links() / "far.url"));
    EXPECT_TRUE(fs::exists(dir_.path() / "outside" / "far.url"));

    QMimeData nothing;
    nothing.setText(QStringLiteral("plain text"));
    EXPECT_FALSE(bar.add_dropped(&nothing));
}

} // namespace
