#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <QWebEngineScript>
#include <QWebEngineView>

#include "AppFixture.h"
#include "app/ChildFrame.h"
#include "app/KeyCommands.h"
#include "app/MainFrame.h"
#include "app/AddressBar.h"
#include "app/BrowserPage.h"
#include "app/TabBrowserWnd.h"
#include "platform/QtText.h"
#include "res/CommandIds.h"

namespace {

class GestureTest : public AppTest {
protected:
    // Starts with `count` tabs on pages of the test server; the last is active.
    void start_with_tabs(int count)
    {
        ASSERT_TRUE(start());
        CMainFrame* frame = app().main_frame();
        for (const CChildFrame* tab : frame->tabs())
            const_cast<CChildFrame*>(tab)->close();
        for (int i = 0; i < count; ++i) {
            const QString path = QStringLiteral("/t%1").arg(i);
            pages_.set(path, QStringLiteral("<title>T%1</title><body style='height:2000px'>tab %1</body>").arg(i));
            CTabBrowserWnd* tab = app().OpenInNewTab(platform::from_qstring(pages_.url(path).toString()));
            ASSERT_TRUE(wait_until([&] { return !tab->busy() && tab->LocationURL() == pages_.url(path); }));
            wait_painted(tab);
        }
        ASSERT_TRUE(wait_for([&] { return static_cast<int>(frame->tabs().size()) == count; }));
        activate();
    }

    CTabBrowserWnd* active() { return app().ActiveBrowser(); }
    // Keys go to the active window; a deactivated application forgets the keys it held.
    static void activate()
    {
        app().main_frame()->activateWindow();
        ASSERT_TRUE(wait_until([] { return QApplication::activeWindow() == app().main_frame(); }));
    }
    // Keys come from the window system to the main window, which hands them to its focus.
    static QWindow* keyboard() { return app().main_frame()->windowHandle(); }

    // Closed tabs are deleted later, by the event loop that tests do not run.
    static bool wait_for(const std::function<bool()>& condition)
    {
        return wait_until([&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return condition();
        });
    }
    QWidget* input_of(CTabBrowserWnd* tab)
    {
        EXPECT_TRUE(wait_until([&] { return tab->view()->focusProxy() != nullptr; }));
        return tab->view()->focusProxy();
    }

    static void mouse(QWidget* target, QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held)
    {
        QMouseEvent event(type, at, target->mapToGlobal(at), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &event);
    }

    // A right-button drag from `from` by the given steps.
    static void right_drag(QWidget* target, QPointF from, const std::vector<QPointF>& steps)
    {
        mouse(target, QEvent::MouseButtonPress, from, Qt::RightButton, Qt::RightButton);
        QPointF at = from;
        for (const QPointF& step : steps) {
            at += step;
            mouse(target, QEvent::MouseMove, at, Qt::NoButton, Qt::RightButton);
        }
        mouse(target, QEvent::MouseButtonRelease, at, Qt::RightButton, Qt::NoButton);
    }

    static std::vector<QPointF> steps_down(double step, double distance)
    {
        std::vector<QPointF> steps;
        for (double done = 0; done + step <= distance; done += step)
            steps.push_back({0, step});
        return steps;
    }

    // The engine drops mouse input to a page that has not drawn itself yet.
    static void wait_painted(CTabBrowserWnd* tab)
    {
        const auto world = QWebEngineScript::ApplicationWorld;
        tab->page()->runJavaScript(QStringLiteral("window.painted = false; requestAnimationFrame(() => "
                                                  "requestAnimationFrame(() => { window.painted = true; }))"),
                                   world);
        // One question at a time; answers may arrive after the wait is over.
        auto painted = std::make_shared<bool>(false);
        auto asking = std::make_shared<bool>(false);
        EXPECT_TRUE(wait_until([&] {
            if (!*asking) {
                *asking = true;
                tab->page()->runJavaScript(QStringLiteral("window.painted"), world,
                                           [painted, asking](const QVariant& value) {
                                               *painted = value.toBool();
                                               *asking = false;
                                           });
            }
            return *painted;
        }));
    }

    // A round trip to the page's renderer: whatever the page was asked before (a context
    // menu among it) has been answered when it returns.
    static void roundtrip(CTabBrowserWnd* tab)
    {
        auto answered = std::make_shared<bool>(false);
        tab->page()->runJavaScript(QStringLiteral("1"), [answered](const QVariant&) { *answered = true; });
        EXPECT_TRUE(wait_until([&] { return *answered; }));
        settle();
    }

    static QMenu* popup_menu() { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }

    // Runs everything already queued (the posted commands and key passes among them).
    static void settle()
    {
        bool reached = false;
        QTimer::singleShot(0, [&] { reached = true; });
        wait_until([&] { return reached; });
        reached = false;
        QTimer::singleShot(0, [&] { reached = true; });
        wait_until([&] { return reached; });
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void TearDown() override
    {
        while (QMenu* menu = popup_menu())
            menu->close();
        AppTest::TearDown();
    }
};

TEST_F(GestureTest, DragDownClosesTheTabOnlyWhenEveryStepIsLongEnough)
{
    start_with_tabs(2);
    CMainFrame* frame = app().main_frame();

    // 5-pixel steps are each under the threshold: no gesture, the page's menu comes up.
    right_drag(input_of(active()), {200, 100}, steps_down(5, 50));
    ASSERT_TRUE(wait_until([] { return popup_menu() != nullptr; }));
    popup_menu()->close();
    settle();
    EXPECT_EQ(frame->tabs().size(), 2u);

    // The same drag in 6-pixel steps is "down": close the tab, and no menu.
    right_drag(input_of(active()), {200, 100}, steps_down(6, 50));
    ASSERT_TRUE(wait_for([&] { return frame->tabs().size() == 1u; }));
    roundtrip(active());
    EXPECT_EQ(popup_menu(), nullptr);
}

TEST_F(GestureTest, AnUnknownGestureShowsTheMenuAndRightThenUpRefreshes)
{
    start_with_tabs(1);
    // Left then down is bound to nothing: the page gets its right click.
    right_drag(input_of(active()), {300, 100}, {{-10, 0}, {0, 10}});
    ASSERT_TRUE(wait_until([] { return popup_menu() != nullptr; }));
    popup_menu()->close();

    const int loads = pages_.hits("/t0");
    right_drag(input_of(active()), {100, 200}, {{10, 0}, {10, 1}, {10, 0}, {0, -10}, {1, -10}});
    ASSERT_TRUE(wait_until([&] { return pages_.hits("/t0") == loads + 1; }));
    ASSERT_TRUE(wait_until([&] { return !active()->busy(); }));
    roundtrip(active());
    EXPECT_EQ(popup_menu(), nullptr);
}

TEST_F(GestureTest, RockerClicksRunTheirCommandsAndShowNoMenu)
{
    start_with_tabs(1);
    CTabBrowserWnd* tab = active();
    tab->Navigate(pages_.url("/second"));
    pages_.set("/second", "<title>Second</title>second");
    ASSERT_TRUE(wait_until([&] { return !tab->busy() && tab->LocationURL() == pages_.url("/second"); }));
    QWidget* input = input_of(tab);

    // Right held, left clicked: back.
    mouse(input, QEvent::MouseButtonPress, {50, 50}, Qt::RightButton, Qt::RightButton);
    mouse(input, QEvent::MouseButtonPress, {50, 50}, Qt::LeftButton, Qt::RightButton | Qt::LeftButton);
    mouse(input, QEvent::MouseButtonRelease, {50, 50}, Qt::LeftButton, Qt::RightButton);
    mouse(input, QEvent::MouseButtonRelease, {50, 50}, Qt::RightButton, Qt::NoButton);
    ASSERT_TRUE(wait_until([&] { return tab->LocationURL() == pages_.url("/t0"); }));

    // Left held, right clicked: forward; the releases come in the other order this time.
    input = input_of(tab);
    mouse(input, QEvent::MouseButtonPress, {50, 50}, Qt::LeftButton, Qt::LeftButton);
    mouse(input, QEvent::MouseButtonPress, {50, 50}, Qt::RightButton, Qt::LeftButton | Qt::RightButton);
    mouse(input, QEvent::MouseButtonRelease, {50, 50}, Qt::RightButton, Qt::LeftButton);
    mouse(input, QEvent::MouseButtonRelease, {50, 50}, Qt::LeftButton, Qt::NoButton);
    ASSERT_TRUE(wait_until([&] { return tab->LocationURL() == pages_.url("/second"); }));
    roundtrip(tab);
    EXPECT_EQ(popup_menu(), nullptr);
}

TEST_F(GestureTest, UpOneLevelAndTheTabCommands)
{
    start_with_tabs(4);
    CMainFrame* frame = app().main_frame();
    std::vector<CChildFrame*> tabs = frame->tabs();
    // Command 11 on the third tab closes the two to its left; 10 on the remaining first
    // closes the one to its right.
    frame->mdi_area()->setActiveSubWindow(tabs[2]);
    app().settings().keys = {{"F9", settings::kCmdCloseLeft}};
    QTest::keyPress(keyboard(), Qt::Key_F9);
    QTest::keyRelease(keyboard(), Qt::Key_F9);
    ASSERT_TRUE(wait_for([&] { return frame->tabs().size() == 2u; }));
    EXPECT_EQ(frame->tabs().front(), tabs[2]);

    // Up one level: a file goes to its folder, the site's root stays.
    CTabBrowserWnd* tab = tabs[2]->browser();
    pages_.set("/dir/page.html", "page");
    pages_.set("/dir", "dir");
    tab->Navigate(pages_.url("/dir/page.html"));
    ASSERT_TRUE(wait_until([&] { return !tab->busy() && tab->LocationURL() == pages_.url("/dir/page.html"); }));
    app().settings().keys = {{"U", settings::kCmdUpOneLevel}};
    QTest::keyClick(keyboard(), Qt::Key_U);
    EXPECT_TRUE(wait_until([&] { return !tab->busy() && tab->LocationURL() == pages_.url("/dir"); }));
}

TEST_F(GestureTest, KeyCommandsRunOncePerPressAndMatchAOneTokenKeyWithAnyModifierAndAPairOnlyWithItsModifier)
{
    start_with_tabs(5);
    CMainFrame* frame = app().main_frame();
    app().settings().keys = {{"F5", settings::kCmdClose}};
    // A key held down over several passes runs its command once per press.
    QTest::keyPress(keyboard(), Qt::Key_F5);
    settle();
    settle();
    QTest::keyRelease(keyboard(), Qt::Key_F5);
    ASSERT_TRUE(wait_for([&] { return frame->tabs().size() == 4u; }));
    settle();
    EXPECT_EQ(frame->tabs().size(), 4u);
    QTest::keyClick(keyboard(), Qt::Key_F5);
    ASSERT_TRUE(wait_for([&] { return frame->tabs().size() == 3u; }));
    QTest::keyPress(keyboard(), Qt::Key_Control);
    QTest::keyClick(keyboard(), Qt::Key_F5, Qt::ControlModifier);
    QTest::keyRelease(keyboard(), Qt::Key_Control);
    ASSERT_TRUE(wait_for([&] { return frame->tabs().size() == 2u; }));

    // Keys typed into a modal dialog are the dialog's.
    {
        QDialog dialog(frame);
        dialog.open();
        ASSERT_TRUE(wait_until([&] { return QApplication::activeModalWidget() == &dialog; }));
        QTest::keyClick(dialog.windowHandle(), Qt::Key_F5);
        settle();
        EXPECT_EQ(frame->tabs().size(), 2u);
    }
    activate();

    app().settings().keys = {{"CTRL + F5", settings::kCmdClose}};
    QTest::keyClick(keyboard(), Qt::Key_F5);
    QTest::keyPress(keyboard(), Qt::Key_Shift);
    QTest::keyClick(keyboard(), Qt::Key_F5, Qt::ShiftModifier);
    QTest::keyRelease(keyboard(), Qt::Key_Shift);
    settle();
    EXPECT_EQ(frame->tabs().size(), 2u);
    QTest::keyPress(keyboard(), Qt::Key_Control);
    QTest::keyClick(keyboard(), Qt::Key_F5, Qt::ControlModifier);
    QTest::keyRelease(keyboard(), Qt::Key_Control);
    EXPECT_TRUE(wait_for([&] { return frame->tabs().size() == 1u; }));
}

TEST_F(GestureTest, CommonBrowserKeysReachTheFrameFromThePage)
{
    start_with_tabs(3);
    CMainFrame* frame = app().main_frame();
    std::vector<CChildFrame*> tabs = frame->tabs();
    const auto press = [](Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QTest::keyClick(keyboard(), key, modifiers);
        settle();
    };
    // The keys arrive while the page has the keyboard, as after a click on it.
    input_of(active())->setFocus();

    // Tabs in strip order, round the ends (the tab area would go by last activation).
    press(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(frame->active_tab(), tabs[0]);
    press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(frame->active_tab(), tabs[2]);
    press(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(frame->active_tab(), tabs[1]);

    // Close, then bring the page back; the next press brings back the one closed before.
    const std::size_t closed_before = app().settings().lastclose.size();
    press(Qt::Key_W, Qt::ControlModifier);
    ASSERT_TRUE(wait_for([&] { return frame->tabs().size() == 2u; }));
    press(Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(wait_until([&] { return active() && active()->LocationName() == QStringLiteral("T1") && !active()->busy(); }));
    EXPECT_EQ(app().settings().lastclose.size(), closed_before);

    // Back, forward and reload.
    CTabBrowserWnd* tab = active();
    wait_painted(tab);
    tab->Navigate(pages_.url("/t2"));
    ASSERT_TRUE(wait_until([&] { return !tab->busy() && tab->LocationURL() == pages_.url("/t2"); }));
    input_of(tab)->setFocus();
    press(Qt::Key_Left, Qt::AltModifier);
    ASSERT_TRUE(wait_until([&] { return !tab->busy() && tab->LocationURL() == pages_.url("/t1"); }));
    press(Qt::Key_Right, Qt::AltModifier);
    ASSERT_TRUE(wait_until([&] { return !tab->busy() && tab->LocationURL() == pages_.url("/t2"); }));
    const int loads = pages_.hits("/t2");
    press(Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(wait_until([&] { return pages_.hits("/t2") > loads && !tab->busy(); }));

    // The address bar's text, selected for typing over.
    CAddressComboBox* address = frame->findChild<CAddressBar*>()->combo();
    const auto address_focused = [address] {
        return QApplication::focusWidget() == address || address->isAncestorOf(QApplication::focusWidget());
    };
    press(Qt::Key_L, Qt::ControlModifier);
    EXPECT_TRUE(address_focused());
    EXPECT_EQ(address->lineEdit()->selectedText(), pages_.url("/t2").toString());

    // A new tab on the (blank) home page waits for an address.
    input_of(tab)->setFocus();
    press(Qt::Key_T, Qt::ControlModifier);
    ASSERT_TRUE(wait_for([&] { return frame->tabs().size() == 4u; }));
    EXPECT_NE(active(), tab);
    EXPECT_TRUE(address_focused());
}

TEST_F(GestureTest, HoldingDeleteWithAToolDeletesOncePerPress)
{
    start_with_tabs(1);
    int deletes = 0;
    QObject::connect(app().key_poll(), &KeyCommandPoll::toolDeleteRequested, [&] { ++deletes; });

    // In browse mode Delete belongs to the page.
    QTest::keyClick(keyboard(), Qt::Key_Delete);
    settle();
    EXPECT_EQ(deletes, 0);

    app().OnCommand(res::cmd::kFreehandTool);
    QTest::keyPress(keyboard(), Qt::Key_Delete);
    for (int repeat = 0; repeat < 3; ++repeat) {
        QTest::simulateEvent(keyboard(), false, Qt::Key_Delete, Qt::NoModifier, QString(), true);
        QTest::simulateEvent(keyboard(), true, Qt::Key_Delete, Qt::NoModifier, QString(), true);
        settle();
    }
    QTest::keyRelease(keyboard(), Qt::Key_Delete);
    settle();
    EXPECT_EQ(deletes, 1);
    QTest::keyClick(keyboard(), Qt::Key_Delete);
    settle();
    EXPECT_EQ(deletes, 2);
    QObject::disconnect(app().key_poll(), &KeyCommandPoll::toolDeleteRequested, nullptr, nullptr);
}

} // namespace
