#include <QMenu>
#include <QMenuBar>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>

#include "AppFixture.h"
#include "app/ChildFrame.h"
#include "app/MainFrame.h"
#include "app/TabBrowserWnd.h"
#include "places/Shortcut.h"
#include "places/ui/FavoriteDlg.h"
#include "places/ui/HistoryDlg.h"
#include "places/ui/LinkBar.h"
#include "platform/QtText.h"
#include "res/CommandIds.h"

namespace {

class PlacesTest : public AppTest {
protected:
    void start_on(const QString& path, const QString& title)
    {
        pages_.set(path, QStringLiteral("<title>%1</title>page").arg(title));
        ASSERT_TRUE(start({pages_.url(path).toString()}));
        ASSERT_TRUE(wait_until([&] { return app().ActiveBrowser()->LocationName() == title; }));
    }
    static CMainFrame* frame() { return app().main_frame(); }
    std::filesystem::path favorites() const { return data_.path() / "Marvo" / "Favorites"; }
    void SetUp() override
    {
        AppTest::SetUp();
        std::filesystem::create_directories(favorites() / "Links");
    }
};

TEST_F(PlacesTest, AQuickDoubleClickInTheHistoryOpensExactlyOneTab)
{
    start_on(QStringLiteral("/first"), QStringLiteral("First"));
    pages_.set("/second", "<title>Second</title>second");
    app().history().add_visit({platform::from_qstring(pages_.url("/second").toString()), places::system_now()});
    CTabBrowserWnd* first = app().ActiveBrowser();

    frame()->route(res::cmd::kHistoryPane);
    auto* pane = frame()->findChild<CHistoryDlg*>();
    ASSERT_NE(pane, nullptr);
    ASSERT_TRUE(wait_until([&] { return pane->isVisible(); }));
    PaneTree* tree = pane->tree();
    tree->expandAll();
    const QList<QTreeWidgetItem*> found =
        tree->findItems(pages_.url("/second").toString(), Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(found.size(), 1);

    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(found[0]).center());
    ASSERT_TRUE(wait_until([&] { return frame()->tabs().size() == 2u; }));
    EXPECT_TRUE(wait_until([&] { return app().ActiveBrowser()->LocationName() == QStringLiteral("Second"); }));
    EXPECT_FALSE(tree->single_click_pending());
    EXPECT_EQ(first->LocationURL(), pages_.url("/first"));
    EXPECT_EQ(pages_.hits("/second"), 1);

    // The visible pane follows new visits.
    pages_.set("/third", "<title>Third</title>third");
    app().ActiveBrowser()->Navigate(pages_.url("/third"));
    EXPECT_TRUE(wait_until([&] {
        return !tree->findItems(pages_.url("/third").toString(), Qt::MatchExactly | Qt::MatchRecursive).isEmpty();
    }));
}

TEST_F(PlacesTest, TheFavoritesMenuOpensAFavoriteInTheActiveTab)
{
    pages_.set("/fav", "<title>Fav</title>fav");
    ASSERT_TRUE(places::write_internet_shortcut(favorites() / "Fav.url", platform::from_qstring(pages_.url("/fav").toString())));
    start_on(QStringLiteral("/first"), QStringLiteral("First"));

    QMenu* menu = open_menu_starting_with(res::cmd::kAddFavorite);
    ASSERT_NE(menu, nullptr);
    emit menu->aboutToShow();
    // Add, organise, separator, then the folder's items: the favorite and the links folder.
    ASSERT_EQ(menu->actions().size(), 5);
    EXPECT_EQ(menu->actions()[3]->text(), QStringLiteral("Fav"));
    EXPECT_NE(menu->actions()[4]->menu(), nullptr);
    emit menu->aboutToShow();  // opening again lists the folder once
    ASSERT_EQ(menu->actions().size(), 5);
    menu->actions()[3]->trigger();
    EXPECT_TRUE(wait_until([&] { return app().ActiveBrowser()->LocationName() == QStringLiteral("Fav"); }));
    EXPECT_EQ(frame()->tabs().size(), 1u);
}

TEST_F(PlacesTest, TheLinkBarShowsLinksAddedOutsideTheProgramAtTheEnd)
{
    ASSERT_TRUE(places::write_internet_shortcut(favorites() / "Links" / "one.url", "http://127.0.0.1:1/"));
    start_on(QStringLiteral("/first"), QStringLiteral("First"));
    auto* bar = qobject_cast<CLinkBar*>(frame()->band(CMainFrame::kLinkBarBand));
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->buttons().size(), 1u);

    pages_.set("/link", "<title>Link</title>link");
    ASSERT_TRUE(places::write_internet_shortcut(favorites() / "Links" / "a-new.url",
                                                platform::from_qstring(pages_.url("/link").toString())));
    bar->build_link_bar();  // what coming back to the program does
    ASSERT_EQ(bar->buttons().size(), 2u);
    EXPECT_EQ(bar->buttons().back()->text(), QStringLiteral("a-new"));
    QTest::mouseClick(bar->buttons().back(), Qt::LeftButton);
    EXPECT_TRUE(wait_until([&] { return app().ActiveBrowser()->LocationName() == QStringLiteral("Link"); }));
}

TEST_F(PlacesTest, AddingAFavoriteWritesTheShortcutAndClosingSavesTheHistory)
{
    start_on(QStringLiteral("/first"), QStringLiteral("First"));
    auto* pane = frame()->findChild<CFavoriteDlg*>();
    ASSERT_NE(pane, nullptr);
    pane->ask_favorite_name = [](const QString&) { return std::optional<QString>(QString()); };
    QStringList messages;
    pane->show_message = [&](const QString& text) { messages << text; };
    std::filesystem::remove_all(favorites());
    frame()->route(res::cmd::kAddFavorite);
    EXPECT_EQ(places::read_internet_shortcut_url(favorites() / "First.url"),
              platform::from_qstring(pages_.url("/first").toString()));
    EXPECT_TRUE(messages.isEmpty());

    frame()->close();
    places::History saved;
    ASSERT_TRUE(saved.load(data_.path() / "Marvo" / places::kHistoryFile));
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved.entries()[0].url, platform::from_qstring(pages_.url("/first").toString()));
}

} // namespace
