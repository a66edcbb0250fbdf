#include <QWebEnginePage>
#include <QWebEngineView>

#include "DisplayTest.h"
#include "memo/ui/OptionPanels.h"
#include "memo/ui/Tools.h"
#include "res/CommandIds.h"

namespace {

using namespace res::cmd;

constexpr int kModes[] = {kBrowseMode,    kSelectTool, kFreehandTool, kEraserTool,
                          kTextTool,      kPrimitiveTool, kStampTool, kEffectTool};

class DrawingBarDisplay : public DisplayTest {
protected:
    static QToolBar* bar() { return drawing_bar(); }
    static QWidget* button(int command) { return tool_button(command); }
    static void choose(int command) { choose_tool(command == kBrowseMode ? 0 : command); }

    // The buttons drawn pressed on the screen: a pressed button is filled darker at its left
    // edge, where the icon does not reach, than the bar behind the others.
    static std::vector<int> pressed_on_screen()
    {
        const QImage shot = screen::shot();
        std::vector<int> grey;
        for (int command : kModes) {
            QWidget* b = button(command);
            grey.push_back(qGray(shot.pixel(screen::on_screen(b, QPoint(3, b->height() / 2)))));
        }
        const int lightest = *std::max_element(grey.begin(), grey.end());
        std::vector<int> pressed;
        for (std::size_t i = 0; i < grey.size(); ++i)
            if (grey[i] < lightest - 12)
                pressed.push_back(kModes[i]);
        return pressed;
    }

    static std::vector<int> checked_actions()
    {
        std::vector<int> checked;
        for (int command : kModes)
            if (frame()->action(command)->isChecked())
                checked.push_back(command);
        return checked;
    }

    // The layout width the page sees.
    static int page_width()
    {
        int width = -1;
        browser()->view()->page()->runJavaScript(QStringLiteral("innerWidth"),
                                                 [&](const QVariant& v) { width = v.toInt(); });
        EXPECT_TRUE(wait_until([&] { return width >= 0; }));
        return width;
    }
};

// However the tool changes (its button, the same button again, a command from elsewhere),
// exactly one of browse mode and the tools is pressed: the current one.
TEST_F(DrawingBarDisplay, ExactlyTheCurrentToolIsShownPressed)
{
    pages_.set("/a", "<title>A</title>a");
    start_shown("/a", "A");
    ASSERT_TRUE(wait_until([] { return pressed_on_screen() == std::vector<int>{kBrowseMode}; }));

    for (int command : {kFreehandTool, kTextTool, kTextTool, kPrimitiveTool, kSelectTool}) {
        choose(command);
        EXPECT_EQ(checked_actions(), std::vector<int>{command});
        EXPECT_TRUE(wait_until([&] { return pressed_on_screen() == std::vector<int>{command}; }))
            << "after choosing " << command;
    }
    save_shot("drawing-bar-select");

    // Browse mode chosen from the menu's route, not the bar.
    frame()->route(kBrowseMode);
    EXPECT_EQ(checked_actions(), std::vector<int>{kBrowseMode});
    EXPECT_TRUE(wait_until([] { return pressed_on_screen() == std::vector<int>{kBrowseMode}; }));
}

// Choosing tools never changes the width the page is laid out at, nor the window's size,
// starting from a window narrower than the bars might like.
TEST_F(DrawingBarDisplay, ChoosingToolsKeepsThePageWidthAndTheWindowSize)
{
    pages_.set("/p", "<title>P</title><p>" + QStringLiteral("words that wrap at the page width ").repeated(40) + "</p>");
    start_shown("/p", "P");
    frame()->resize(950, 700);
    ASSERT_TRUE(wait_until([] { return frame()->width() == 950; }));
    const QSize window = frame()->size();
    const int view = browser()->view()->width();
    const int page = page_width();
    const int bar_width = bar()->width();

    for (int command : {kFreehandTool, kTextTool, kPrimitiveTool, kStampTool, kEffectTool, kEraserTool, kSelectTool,
                        kPrimitiveTool, kBrowseMode}) {
        choose(command);
        EXPECT_EQ(bar()->width(), bar_width) << "tool " << command;
        EXPECT_EQ(browser()->view()->width(), view) << "tool " << command;
        EXPECT_EQ(page_width(), page) << "tool " << command;
        EXPECT_EQ(frame()->size(), window) << "tool " << command;
        // The panel shown fits the width kept for it.
        const auto* panels = frame()->findChild<COptionPanels*>();
        ASSERT_TRUE(panels);
        EXPECT_LE(panels->currentWidget()->minimumSizeHint().width(), panels->width()) << "tool " << command;
        if (command == kPrimitiveTool)
            save_shot("drawing-bar-shapes");
    }
    // What is saved is the window as it was.
    const settings::Rect& saved = app().settings().rect;
    EXPECT_EQ(saved.right - saved.left, 950);
}

} // namespace
