#include <QApplication>
#include <QMenuBar>
#include <QWebEngineView>

#include "DisplayTest.h"
#include "memo/PackageCache.h"
#include "memo/ui/TextDialog.h"
#include "platform/QtText.h"

namespace {

using namespace res::cmd;

// The editor runs its own event loop from inside the release that opens it, so everything
// from opening it to ending it is sent from another thread (`send_input`), which follows the
// editor through a probe: "closed", or "editing:" and the text while it has the keyboard.
class TextToolDisplay : public DisplayTest {
protected:
    void SetUp() override
    {
        DisplayTest::SetUp();
        pages_.set("/t", "<title>T</title><body style='margin:0;background:#fff'><div style='height:3000px'></div>");
        start_shown("/t", "T");
        ASSERT_TRUE(wait_until([] { return browser()->view()->focusProxy() != nullptr; }));
    }

    static QWidget* page() { return browser()->view()->focusProxy(); }
    static QPoint on_page(QPoint at) { return screen::on_screen(page(), at); }
    static CTextDialog* editor()
    {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<CTextDialog*>(window); dialog && dialog->isVisible())
                return dialog;
        return nullptr;
    }
    static QString editor_state()
    {
        CTextDialog* open = editor();
        if (!open)
            return QStringLiteral("closed");
        return open->edit()->hasFocus() ? QStringLiteral("editing:") + open->text() : QStringLiteral("opening");
    }
    std::vector<const memo::TextBoxObject*> boxes() const
    {
        std::vector<const memo::TextBoxObject*> found;
        if (const auto pkg = app().package_cache().lookup(platform::from_qstring(pages_.url("/t").toString()), false))
            for (std::size_t i = 0; i < pkg->size(); ++i)
                if (const auto* box = dynamic_cast<const memo::TextBoxObject*>(&pkg->at(i)))
                    found.push_back(box);
        return found;
    }

    // Opens the editor with `open`, types the text, ends entry with `end`; the editor's
    // window rectangle on the screen while it was open goes to `shown`.
    // With a name, the screen is saved once the text shows in the editor.
    static bool write(const std::function<bool()>& open, const QString& text, const std::function<bool()>& end,
                      QRect* shown = nullptr, const QString& shot = {})
    {
        Probe state(editor_state);
        QRect seen;
        bool saved = false;
        QTimer watch;
        watch.callOnTimeout([&] {
            if (CTextDialog* open_now = editor()) {
                seen = open_now->geometry();
                if (!shot.isEmpty() && !saved && open_now->text() == text) {
                    saved = true;
                    save_shot(shot);
                }
            }
        });
        watch.start(10);
        const bool done = send_input([&] {
            if (open() && state.wait_for(QStringLiteral("editing:")) && (text.isEmpty() || screen::type(text)) &&
                state.wait_for(QStringLiteral("editing:") + text) && end() && state.wait_for(QStringLiteral("closed")))
                return true;
            screen::keys({"Escape"});  // an editor left open would hold the test in its loop
            return false;
        });
        if (shown)
            *shown = seen;
        return done;
    }
};

// Whatever the press or wheel outside the open editor lands on, text entry ends, the text is
// kept, and the window answers the next press again.
TEST_F(TextToolDisplay, APressOrWheelOutsideTheEditorKeepsTheText)
{
    const QPoint on_page_elsewhere = on_page({500, 400});
    QWidget* pen = tool_button(kFreehandTool);
    const QPoint pen_button = screen::on_screen(pen, pen->rect().center());
    auto* menus = frame()->findChild<QMenuBar*>();
    const QPoint first_menu = screen::on_screen(menus, menus->actionGeometry(menus->actions().front()).center());
    const std::vector<std::pair<const char*, std::function<bool()>>> outside = {
        {"page", [&] { return screen::click_at(on_page_elsewhere); }},
        {"drawing bar", [&] { return screen::click_at(pen_button); }},
        {"wheel over the page", [&] { return screen::click_at(on_page_elsewhere, 5); }},
        {"menu bar", [&] { return screen::click_at(first_menu); }},
    };
    for (std::size_t i = 0; i < outside.size(); ++i) {
        SCOPED_TRACE(outside[i].first);
        choose_tool(kTextTool);
        const QPoint from(40, 40 + 70 * static_cast<int>(i));
        const QPoint a = on_page(from), b = on_page(from + QPoint(200, 50));
        const QString text = QStringLiteral("memo %1").arg(i);
        ASSERT_TRUE(write([&] { return screen::drag_at(a, b); }, text, outside[i].second, nullptr,
                          i == 0 ? QStringLiteral("text-tool-editing") : QString()));
        ASSERT_EQ(boxes().size(), i + 1);
        EXPECT_EQ(boxes().back()->text, platform::from_qstring(text));
        EXPECT_EQ(boxes().back()->rect, (memo::Rect{from.x(), from.y(), from.x() + 200, from.y() + 50}));
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    }
    save_shot("text-tool-kept");
    // The drawing bar answers the first click again.
    choose_tool(kFreehandTool);
}

// A click without a drag opens the editor over a box of the default size at the click, and
// the box keeps the size the editor showed; with nothing typed no box is made.
TEST_F(TextToolDisplay, AClickMakesABoxOfTheDefaultSizeWhereItWasClicked)
{
    const QPoint elsewhere = on_page({600, 500});
    const auto click_elsewhere = [&] { return screen::click_at(elsewhere); };

    choose_tool(kTextTool);
    const QPoint at = on_page({60, 80});
    QRect shown;
    ASSERT_TRUE(write([&] { return screen::click_at(at); }, QStringLiteral("clicked"), click_elsewhere, &shown));
    EXPECT_EQ(shown, QRect(page()->mapToGlobal(QPoint(60, 80)), QSize(CTextTool::kDefaultBox.cx, CTextTool::kDefaultBox.cy)));
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0]->rect, (memo::Rect{60, 80, 60 + CTextTool::kDefaultBox.cx, 80 + CTextTool::kDefaultBox.cy}));

    // A click where nothing is typed leaves no box behind, nor does Escape.
    choose_tool(kTextTool);
    const QPoint lower = on_page({60, 400});
    ASSERT_TRUE(write([&] { return screen::click_at(lower); }, QString(), click_elsewhere));
    EXPECT_EQ(boxes().size(), 1u);
    choose_tool(kTextTool);
    ASSERT_TRUE(write([&] { return screen::click_at(lower); }, QStringLiteral("gone"),
                      [] { return screen::keys({"Escape"}); }));
    EXPECT_EQ(boxes().size(), 1u);

    // A drag too small for a line of text makes the smallest box, the editor's size.
    choose_tool(kTextTool);
    const QPoint a = on_page({300, 300}), b = on_page({310, 305});
    ASSERT_TRUE(write([&] { return screen::drag_at(a, b); }, QStringLiteral("s"), click_elsewhere, &shown));
    EXPECT_EQ(shown.size(), QSize(CTextTool::kMinimumBox.cx, CTextTool::kMinimumBox.cy));
    ASSERT_EQ(boxes().size(), 2u);
    EXPECT_EQ(boxes()[1]->rect, (memo::Rect{300, 300, 300 + CTextTool::kMinimumBox.cx, 300 + CTextTool::kMinimumBox.cy}));
}

} // namespace
