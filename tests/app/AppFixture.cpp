#include "AppFixture.h"

#include <QMenu>
#include <QMenuBar>
#include <QDeadlineTimer>
#include <QTimer>
#include <cstdlib>

#include "app/MainFrame.h"

CMarvoApp& AppTest::application()
{
    static int argc = 1;
    static char name[] = "marvo-test";
    static char* argv[] = {name, nullptr};
    // The tests read the Japanese interface, whatever the machine's locale.
    ::setenv("LANGUAGE", "ja", 1);
    static CMarvoApp* instance = new CMarvoApp(argc, argv);
    return *instance;
}

void AppInit::ensure()
{
    AppTest::application();
}

void AppTest::SetUp()
{
    ::setenv("XDG_DATA_HOME", data_.path().c_str(), 1);
    // Every test starts like a fresh process: nothing read by an earlier start is kept.
    app().settings() = settings::Settings();
    app().history().clear();
}

void AppTest::TearDown()
{
    if (CMainFrame* frame = app().main_frame()) {
        frame->close();
        delete frame;
    }
    app().ExitInstance();
    pump(50);
}

bool AppTest::start(const QStringList& arguments, bool single_instance, const QString& service)
{
    StartOptions options;
    options.arguments = arguments;
    options.single_instance = single_instance;
    options.instance_service = service;
    return app().InitInstance(options);
}

QMenu* AppTest::open_menu_starting_with(int command)
{
    CMainFrame* frame = app().main_frame();
    QAction* first = frame->action(command);
    std::function<QMenu*(QMenu*)> open = [&](QMenu* menu) -> QMenu* {
        emit menu->aboutToShow();
        if (!menu->actions().isEmpty() && menu->actions().front() == first)
            return menu;
        for (QAction* item : menu->actions())
            if (QMenu* found = item->menu() ? open(item->menu()) : nullptr)
                return found;
        return nullptr;
    };
    for (QMenuBar* bar : frame->findChildren<QMenuBar*>())
        for (QAction* entry : bar->actions())
            if (QMenu* found = entry->menu() ? open(entry->menu()) : nullptr)
                return found;
    return nullptr;
}

// Both sleep in the event loop as the program does, woken at least every few milliseconds to
// look again: spinning instead would take a core from the engine and can keep the glib loop
// from firing timers.
bool AppTest::wait_until(const std::function<bool()>& condition, int timeout_ms)
{
    const QDeadlineTimer deadline(timeout_ms);
    QTimer wake;
    wake.start(5);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void AppTest::pump(int ms)
{
    wait_until([] { return false; }, ms);
}
