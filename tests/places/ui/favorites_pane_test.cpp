#include <QMenu>
#include <QTest>

#include "PlacesUi.h"
#include "places/ui/FavoriteDlg.h"
#include "places/ui/FavoritesMenu.h"
#include "res/CommandIds.h"
#include "res/StringTable.h"

namespace fs = std::filesystem;

namespace {

QString text_of(int id)
{
    const std::string_view text = res::text(id);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

class FavoritesPaneTest : public ::testing::Test {
protected:
    FavoritesPaneTest()
    {
        ui_app();
        write_shortcut(root() / "alpha.url", "http://alpha.jp/");
        write_shortcut(root() / "beta.url", "http://beta.jp/");
        write_shortcut(root() / "News" / "gamma.url", "http://gamma.jp/");
        order_ = {root() / "beta.url"};
        pane_ = std::make_unique<CFavoriteDlg>(root(), order_, host_);
        pane_->show_message = [this](const QString& text) { messages_ << text; };
        pane_->confirm = [](const QString&) { return true; };
        pane_->rebuild();
    }
    fs::path root() const { return dir_.path() / "Favorites"; }
    QTreeWidgetItem* top(const QString& name) const
    {
        const QList<QTreeWidgetItem*> found = pane_->tree()->findItems(name, Qt::MatchExactly);
        return found.isEmpty() ? nullptr : found.front();
    }
    QStringList top_names() const
    {
        QStringList names;
        for (int i = 0; i < pane_->tree()->topLevelItemCount(); ++i)
            names << pane_->tree()->topLevelItem(i)->text(0);
        return names;
    }

    TempDir dir_;
    places::OrderList order_;
    RecordingHost host_;
    QStringList messages_;
    std::unique_ptr<CFavoriteDlg> pane_;
};

TEST_F(FavoritesPaneTest, ListsInOrderAndOpensFoldersOnAClick)
{
    EXPECT_EQ(top_names(), (QStringList{"beta", "News", "alpha"}));
    pane_->resize(300, 300);
    pane_->show();
    PaneTree* tree = pane_->tree();
    QTreeWidgetItem* news = top(QStringLiteral("News"));
    ASSERT_NE(news, nullptr);
    EXPECT_EQ(news->childCount(), 0);  // listed on first expansion
    QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(news).center());
    QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(news).center());
    EXPECT_TRUE(news->isExpanded());
    ASSERT_EQ(news->childCount(), 1);
    EXPECT_EQ(news->child(0)->text(0), QStringLiteral("gamma"));
    EXPECT_FALSE(tree->single_click_pending());  // a folder click opens nothing

    tree->setCurrentItem(news->child(0));
    pane_->run_command(res::cmd::kFavoriteOpenInNewTab);
    EXPECT_EQ(host_.new_tabs, std::vector<std::string>{(root() / "News" / "gamma.url").string()});
}

TEST_F(FavoritesPaneTest, NewFoldersAreNumberedFromTwo)
{
    const fs::path first = pane_->new_folder();
    const fs::path second = pane_->new_folder();
    const QString name = text_of(res::str::kNewFolder);
    EXPECT_EQ(QString::fromStdString(first.filename().string()), name);
    EXPECT_EQ(QString::fromStdString(second.filename().string()), name + QStringLiteral(" (2)"));
    EXPECT_TRUE(fs::is_directory(second));
    EXPECT_EQ(host_.changes, 2);

    // Inside the selected folder.
    pane_->tree()->setCurrentItem(top(QStringLiteral("News")));
    EXPECT_EQ(pane_->new_folder(), root() / "News" / name.toStdString());
}

TEST_F(FavoritesPaneTest, RenameKeepsTheOrderPlaceAndRefusesAnExistingName)
{
    EXPECT_FALSE(pane_->rename_item(top(QStringLiteral("beta")), QStringLiteral("alpha")));
    ASSERT_EQ(messages_.size(), 1);
    EXPECT_EQ(messages_[0], QStringLiteral("beta") + text_of(res::str::kCannotRename));
    EXPECT_TRUE(fs::exists(root() / "beta.url"));

    EXPECT_TRUE(pane_->rename_item(top(QStringLiteral("beta")), QStringLiteral("delta")));
    EXPECT_TRUE(fs::exists(root() / "delta.url"));
    EXPECT_EQ(order_, places::OrderList{root() / "delta.url"});
    pane_->rebuild();
    EXPECT_EQ(top_names(), (QStringList{"delta", "News", "alpha"}));

    // Editing the label in place renames the file when the edit is accepted.
    pane_->show();
    pane_->tree()->setCurrentItem(top(QStringLiteral("alpha")));
    pane_->run_command(res::cmd::kFavoriteRename);
    top(QStringLiteral("alpha"))->setText(0, QStringLiteral("epsilon"));
    EXPECT_TRUE(wait_until([&] { return fs::exists(root() / "epsilon.url"); }));
    EXPECT_TRUE(wait_until([&] { return top(QStringLiteral("epsilon")) != nullptr; }));

    // A name that would leave the folder is refused.
    EXPECT_FALSE(pane_->rename_item(top(QStringLiteral("delta")), QStringLiteral("../up")));
    EXPECT_TRUE(fs::exists(root() / "delta.url"));
}

TEST_F(FavoritesPaneTest, DraggingMovesIntoFoldersAndReordersWithinOne)
{
    write_shortcut(root() / "News" / "alpha.url", "http://other-alpha.jp/");
    EXPECT_FALSE(pane_->move_item(top(QStringLiteral("alpha")), top(QStringLiteral("News"))));
    ASSERT_EQ(messages_.size(), 1);
    EXPECT_EQ(messages_[0], QStringLiteral("alpha") + text_of(res::str::kCannotMove));
    EXPECT_EQ(*places::read_internet_shortcut_url(root() / "News" / "alpha.url"), "http://other-alpha.jp/");

    EXPECT_TRUE(pane_->move_item(top(QStringLiteral("beta")), top(QStringLiteral("News"))));
    EXPECT_TRUE(fs::exists(root() / "News" / "beta.url"));
    EXPECT_EQ(top_names(), (QStringList{"News", "alpha"}));

    EXPECT_TRUE(pane_->move_item(top(QStringLiteral("alpha")), top(QStringLiteral("News"))) == false);
    write_shortcut(root() / "omega.url", "http://omega.jp/");
    pane_->rebuild();
    EXPECT_TRUE(pane_->move_item(top(QStringLiteral("omega")), top(QStringLiteral("alpha"))));
    EXPECT_EQ(top_names(), (QStringList{"News", "omega", "alpha"}));

    // A folder never goes into itself.
    EXPECT_FALSE(pane_->move_item(top(QStringLiteral("News")), top(QStringLiteral("News"))));
}

TEST_F(FavoritesPaneTest, AddingThePageUsesTheNameOrElseTheTitleAsksBeforeOverwritingAndKeepsTheTree)
{
    host_.url = "http://page.jp/";
    host_.title = "Page: Café 表示";  // a name Shift_JIS cannot hold whole
    pane_->ask_favorite_name = [](const QString&) { return std::optional<QString>(QString()); };
    pane_->add_current_page();
    EXPECT_EQ(*places::read_internet_shortcut_url(root() / "Page Café 表示.url"), "http://page.jp/");
    pane_->ask_favorite_name = [](const QString&) { return std::optional<QString>(QStringLiteral("a/b:c")); };
    pane_->add_current_page();
    EXPECT_TRUE(fs::exists(root() / "abc.url"));
    EXPECT_TRUE(top(QStringLiteral("abc")) != nullptr);

    pane_->tree()->setCurrentItem(top(QStringLiteral("abc")));
    pane_->run_command(res::cmd::kFavoriteDelete);
    EXPECT_FALSE(fs::exists(root() / "abc.url"));
    EXPECT_EQ(top(QStringLiteral("abc")), nullptr);

    // A name that exists is overwritten only when the user says so; the folders the user
    // opened and the item chosen stay as they were.
    QTreeWidgetItem* news = top(QStringLiteral("News"));
    news->setExpanded(true);
    ASSERT_EQ(news->childCount(), 1);
    pane_->tree()->setCurrentItem(news->child(0));
    host_.url = "http://other.jp/";
    pane_->ask_favorite_name = [](const QString&) { return std::optional<QString>(QString()); };
    QStringList asked;
    bool overwrite = false;
    pane_->confirm = [&](const QString& question) {
        asked << question;
        return overwrite;
    };
    pane_->add_current_page();
    EXPECT_EQ(asked.size(), 1);
    EXPECT_EQ(*places::read_internet_shortcut_url(root() / "Page Café 表示.url"), "http://page.jp/");
    overwrite = true;
    pane_->add_current_page();
    EXPECT_EQ(asked.size(), 2);
    EXPECT_EQ(*places::read_internet_shortcut_url(root() / "Page Café 表示.url"), "http://other.jp/");
    news = top(QStringLiteral("News"));
    ASSERT_NE(news, nullptr);
    EXPECT_TRUE(news->isExpanded());
    ASSERT_EQ(news->childCount(), 1);
    EXPECT_EQ(pane_->tree()->currentItem(), news->child(0));
}

TEST_F(FavoritesPaneTest, TheMenuShowsTheSameListingWithFoldersAsSubMenus)
{
    QMenu menu;
    fill_favorites_menu(&menu, root(), order_, host_);
    const QList<QAction*> items = menu.actions();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0]->text(), QStringLiteral("beta"));
    ASSERT_NE(items[1]->menu(), nullptr);
    EXPECT_EQ(items[1]->text(), QStringLiteral("News"));
    emit items[1]->menu()->aboutToShow();
    ASSERT_EQ(items[1]->menu()->actions().size(), 1);
    items[1]->menu()->actions()[0]->trigger();
    EXPECT_EQ(host_.active, std::vector<std::string>{(root() / "News" / "gamma.url").string()});
}

} // namespace
