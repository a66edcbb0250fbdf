#pragma once

#include <QDir>
#include <QWidget>
#include <cstdlib>

#include "Screen.h"
#include "app/AppFixture.h"
#include "app/MainFrame.h"
#include "app/TabBrowserWnd.h"

// The real program on this test's own X display. There is no window manager on it, so the
// test raises and activates the main window itself before it sends X input.
class DisplayTest : public AppTest {
protected:
    static CMainFrame* frame() { return app().main_frame(); }
    static CTabBrowserWnd* browser() { return app().ActiveBrowser(); }

    // Starts on the served page and waits until its title is shown and the window has the
    // keyboard.
    void start_shown(const QString& path, const QString& title)
    {
        ASSERT_TRUE(start({pages_.url(path).toString()}));
        ASSERT_TRUE(wait_until([&] { return browser() && browser()->LocationName() == title; }, 30000));
        activate();
    }

    static void activate()
    {
        frame()->show();
        frame()->raise();
        frame()->activateWindow();
        ASSERT_TRUE(wait_until([] { return frame()->isActiveWindow(); }));
    }

    // Saves the X screen as NAME.png into MARVO_SCREENSHOT_DIR, when set.
    static void save_shot(const QString& name)
    {
        if (const char* folder = std::getenv("MARVO_SCREENSHOT_DIR"))
            screen::shot().save(QDir(QString::fromLocal8Bit(folder)).filePath(name + QStringLiteral(".png")));
    }
};
