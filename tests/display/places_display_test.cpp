#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QToolTip>
#include <filesystem>

#include "DisplayTest.h"
#include "app/AddressBar.h"
#include "places/ui/AddFavoriteDialog.h"
#include "places/ui/FavoriteDlg.h"
#include "places/ui/HistoryDlg.h"
#include "res/CommandIds.h"

namespace {

class PlacesDisplay : public DisplayTest {
protected:
    static CAddressComboBox* combo()
    {
        return static_cast<CAddressBar*>(frame()->band(CMainFrame::kAddressBarBand))->combo();
    }
    // Types the address into the address bar and presses Return, as a person does.
    static void go(const QUrl& url, const QString& title)
    {
        QLineEdit* edit = combo()->lineEdit();
        ASSERT_TRUE(screen::click(edit, edit->rect().center()));
        ASSERT_TRUE(wait_until([] { return combo()->hasFocus(); }));
        ASSERT_TRUE(screen::keys({"ctrl+a"}));
        ASSERT_TRUE(screen::type(url.toString()));
        ASSERT_TRUE(screen::keys({"Return"}));
        ASSERT_TRUE(wait_until([&] { return browser()->LocationName() == title && !browser()->busy(); }));
    }
};

// The address bar's drop-down lists each address once, however often it was shown.
TEST_F(PlacesDisplay, TheAddressListNamesEachAddressOnce)
{
    pages_.set("/a", "<title>A</title>a");
    pages_.set("/b", "<title>B</title>b");
    start_shown("/a", "A");
    go(pages_.url("/b"), "B");
    go(pages_.url("/a"), "A");
    go(pages_.url("/b"), "B");

    const QPoint arrow(combo()->width() - 8, combo()->height() / 2);
    ASSERT_TRUE(screen::click(combo(), arrow));
    ASSERT_TRUE(wait_until([] { return combo()->view()->isVisible(); }));
    save_shot("address-list");
    QStringList listed;
    for (int i = 0; i < combo()->count(); ++i)
        listed << combo()->itemText(i);
    EXPECT_EQ(listed.size(), 2) << listed.join(", ").toStdString();
    EXPECT_EQ(listed.value(0).toStdString(), pages_.url("/b").toString().toStdString());
    EXPECT_EQ(listed.value(1).toStdString(), pages_.url("/a").toString().toStdString());
    ASSERT_TRUE(screen::keys({"Escape"}));
    EXPECT_TRUE(wait_until([] { return !combo()->view()->isVisible(); }));
}

// Adding a favorite offers the page's title as its name; Enter takes it.
TEST_F(PlacesDisplay, AddingAFavoriteOffersThePagesTitle)
{
    const QString title = QStringLiteral("日本語のページ");
    pages_.set("/f", "<title>" + title + "</title>f");
    start_shown("/f", title);
    auto* pane = frame()->findChild<CFavoriteDlg*>();
    ASSERT_TRUE(pane && pane->add_button()->isVisible());
    const QPoint add = screen::on_screen(pane->add_button(), pane->add_button()->rect().center());

    // The dialog runs its own event loop: the input comes from another thread.
    Probe dialog([] {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* open = qobject_cast<CAddFavoriteDialog*>(window); open && open->isVisible())
                return QStringLiteral("open:") + open->name_field()->text();
        return QStringLiteral("closed");
    });
    ASSERT_TRUE(send_input([&] {
        if (screen::click_at(add) && dialog.wait_for(QStringLiteral("open:") + title) && screen::keys({"Return"}))
            return dialog.wait_for(QStringLiteral("closed"));
        screen::keys({"Escape"});
        return false;
    }));
    EXPECT_TRUE(std::filesystem::exists(app().folders().favorites / (title.toStdString() + ".url")));
}

// A history entry's tip shows the whole address and the title the page was shown under.
TEST_F(PlacesDisplay, AHistoryEntrysTipShowsTheFullAddressAndTheTitle)
{
    const QString path = QStringLiteral("/a/rather/long/path/that/the/pane/cuts/off.html");
    pages_.set("/a", "<title>A</title>a");
    pages_.set(path, "<title>Long page</title>long");
    start_shown("/a", "A");
    go(pages_.url(path), "Long page");

    frame()->route(res::cmd::kHistoryPane);
    auto* pane = frame()->findChild<CHistoryDlg*>();
    ASSERT_TRUE(pane);
    ASSERT_TRUE(wait_until([&] { return pane->isVisible() && pane->tree()->topLevelItemCount() == 1; }));
    QTreeWidgetItem* today = pane->tree()->topLevelItem(0);
    today->setExpanded(true);
    QTreeWidgetItem* entry = nullptr;
    for (int i = 0; i < today->childCount(); ++i)
        if (today->child(i)->text(0) == pages_.url(path).toString())
            entry = today->child(i);
    ASSERT_TRUE(entry);
    QWidget* rows = pane->tree()->viewport();
    ASSERT_TRUE(wait_until([&] { return rows->rect().intersects(pane->tree()->visualItemRect(entry)); }));
    ASSERT_TRUE(screen::move(rows, pane->tree()->visualItemRect(entry).center()));
    const QString expected = pages_.url(path).toString() + QStringLiteral("\nLong page");
    EXPECT_TRUE(wait_until([&] { return QToolTip::isVisible() && QToolTip::text() == expected; }))
        << QToolTip::text().toStdString();
    save_shot("history-tip");
}

} // namespace
