#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QDockWidget>
#include <QMenuBar>
#include <QTranslator>
#include <QWebEngineView>

#include "DisplayTest.h"
#include "app/AddressBar.h"
#include "app/Translations.h"
#include "memo/MemoObject.h"
#include "memo/MemoPackage.h"
#include "memo/PackageFiles.h"
#include "platform/QtText.h"

namespace {

class TranslationsDisplay : public DisplayTest {
protected:
    // Speaks another language than the tests' Japanese while it lives: the translators the
    // program installs at start are replaced before the frame is made, and put back after.
    class SpokenLanguage {
    public:
        explicit SpokenLanguage(const QString& language) { speak(language); }
        ~SpokenLanguage() { speak(app().language()); }

    private:
        static void speak(const QString& language)
        {
            for (QTranslator* translator : app().findChildren<QTranslator*>(Qt::FindDirectChildrenOnly)) {
                QCoreApplication::removeTranslator(translator);
                delete translator;
            }
            install_translations(app(), language);
        }
    };

    // Memos an earlier run left for the page: a text box, a red pen stroke with an arrow
    // head and a shape.
    void store_memos(const QString& path)
    {
        memo::MemoPackage pkg;
        pkg.url = memo::normalize_url(platform::from_qstring(pages_.url(path).toString()));
        pkg.time = memo::now_time();
        auto note = std::make_unique<memo::TextBoxObject>();
        note->rect = {560, 40, 800, 100};
        note->shape = 1;
        note->text = "Memos stay where you put them.\nShare them with others.";
        pkg.add(std::move(note));
        auto stroke = std::make_unique<memo::StrokeObject>();
        stroke->points = {{470, 200}, {510, 185}, {545, 160}, {570, 130}, {580, 112}};
        stroke->width = 4;
        stroke->arrow_end = true;
        stroke->colour = memo::rgb(230, 20, 20);
        pkg.add(std::move(stroke));
        auto shape = std::make_unique<memo::PrimitiveObject>();
        shape->shape = 1;
        shape->border_width = 3;
        shape->rect = {30, 190, 470, 240};
        pkg.add(std::move(shape));
        const std::filesystem::path folder = data_.path() / "Marvo" / "memo";
        std::filesystem::create_directories(folder);
        memo::write_package_file(pkg, folder / memo::package_file_name(pkg.url));
    }

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

// The README's picture: the English interface (as under LANG=C.UTF-8) on a page with memos,
// the memo pane open and the pen chosen. With MARVO_SCREENSHOT_DIR set the window is kept as
// readme-browser.png; docs/screenshots holds the copy the README shows.
TEST_F(TranslationsDisplay, TheEnglishInterfaceShowsAPageWithItsMemos)
{
    const SpokenLanguage english(QStringLiteral("en"));
    pages_.set("/tour", "<title>A page with memos</title><body style='font:16px sans-serif;margin:40px 60px'>"
                        "<h1>Notes on any page</h1><p>Draw over the page with the pen, put text boxes, stamps, "
                        "shapes and effects on it.</p><p>The memos are kept for the page's address and come back "
                        "when the page is opened again.</p><ul><li>Share them through a sharing server</li>"
                        "<li>Print them, save them as a picture, mail them with the page</li></ul></body>");
    store_memos("/tour");
    start_shown("/tour", "A page with memos");
    frame()->resize(1240, 820);
    const QStringList menus = [] {
        QStringList titles;
        for (const QAction* menu : frame()->findChild<QMenuBar*>()->actions())
            titles << menu->text();
        return titles;
    }();
    EXPECT_TRUE(menus.contains(QStringLiteral("&File"))) << menus.join(", ").toStdString();

    frame()->route(res::cmd::kMemoPane);
    // The side bar is titled after the pane it shows.
    EXPECT_EQ(frame()->findChild<QDockWidget*>()->windowTitle(), QStringLiteral("Memo History"));
    choose_tool(res::cmd::kFreehandTool);
    // The red pen stroke of the stored memos shows over the page.
    QWidget* page = browser()->view();
    const auto stroke_shown = [&] {
        const QImage screen = screen::shot();
        const QPoint corner = screen::on_screen(page, {0, 0});
        for (int y = 110; y < 210; ++y)
            for (int x = 470; x < 590; ++x) {
                const QRgb p = screen.pixel(corner + QPoint(x, y));
                if (qRed(p) > 180 && qGreen(p) < 80 && qBlue(p) < 80)
                    return true;
            }
        return false;
    };
    ASSERT_TRUE(wait_until(stroke_shown, 30000));
    const QString folder = qEnvironmentVariable("MARVO_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        const QRect window(screen::on_screen(frame(), {0, 0}), frame()->size() * frame()->devicePixelRatioF());
        EXPECT_TRUE(screen::shot().copy(window).save(folder + QStringLiteral("/readme-browser.png")));
    }
}

} // namespace
