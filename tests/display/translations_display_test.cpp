#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QWebEngineView>

#include "DisplayTest.h"
#include "app/AddressBar.h"

namespace {

class TranslationsDisplay : public DisplayTest {
protected:
    // Right-clicks the widget, waits for the menu that opens and closes it again; its item
    // texts, without separators.
    static QStringList menu_at(QWidget* widget, QPoint at, const QString& shot)
    {
        QStringList texts;
        QMenu* menu = nullptr;
        const auto menu_shown = [&] {
            menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            return menu && menu->isVisible() && !menu->actions().isEmpty();
        };
        // A page just loaded may not take the first click yet: the click is given again
        // until a menu opens.
        EXPECT_TRUE(wait_until([&] { return screen::click(widget, at, 3) && wait_until(menu_shown, 3000); }, 60000));
        if (!menu)
            return texts;
        for (const QAction* item : menu->actions())
            if (!item->isSeparator())
                texts << item->text();
        save_shot(shot);
        EXPECT_TRUE(screen::keys({"Escape"}));
        EXPECT_TRUE(wait_until([] { return QApplication::activePopupWidget() == nullptr; }));
        return texts;
    }
};

// The page's own menu and Qt's edit-field menu speak the interface's language.
TEST_F(TranslationsDisplay, ThePagesMenuAndTheEditFieldsMenuAreJapanese)
{
    pages_.set("/a", "<title>A</title><body style='margin:0'><div style='height:2000px'>a</div>");
    start_shown("/a", "A");
    ASSERT_TRUE(wait_until([] { return browser()->view()->focusProxy() != nullptr; }));

    const QStringList page = menu_at(browser()->view()->focusProxy(), {300, 300}, "page-menu");
    EXPECT_TRUE(page.contains(QStringLiteral("戻る"))) << page.join(", ").toStdString();
    EXPECT_TRUE(page.contains(QStringLiteral("進む")));
    EXPECT_TRUE(page.contains(QStringLiteral("再読み込み")));
    EXPECT_FALSE(page.contains(QStringLiteral("Reload")));

    QLineEdit* edit = static_cast<CAddressBar*>(frame()->band(CMainFrame::kAddressBarBand))->combo()->lineEdit();
    const QStringList field = menu_at(edit, edit->rect().center(), "edit-menu");
    ASSERT_FALSE(field.isEmpty());
    EXPECT_TRUE(field.filter(QStringLiteral("元に戻す")).size() == 1) << field.join(", ").toStdString();
    EXPECT_FALSE(field.contains(QStringLiteral("&Undo")));
}

} // namespace
