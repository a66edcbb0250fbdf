#include <QTimer>
#include <QWebEngineView>
#include <cstdio>
#include <cstdlib>

#include "app/MainFrame.h"
#include "app/MarvoApp.h"
#include "app/TabBrowserWnd.h"

namespace {

// With MARVO_STARTUP_PROBE set, the program quits as soon as its first page has been loaded
// and painted, printing "first-paint" on standard error: bench/startup measures start-up by it.
void probe_first_paint(CMarvoApp& application)
{
    CTabBrowserWnd* tab = application.ActiveBrowser();
    if (!tab)
        return;
    QObject::connect(tab->view(), &QWebEngineView::loadFinished, &application, [tab] {
        QTimer::singleShot(0, tab, [tab] {
            tab->view()->grab();
            std::fputs("first-paint\n", stderr);
            QCoreApplication::exit(0);
        });
    });
}

} // namespace

int main(int argc, char* argv[])
{
    CMarvoApp application(argc, argv);
    StartOptions options;
    options.arguments = CMarvoApp::arguments().mid(1);
    if (!application.InitInstance(options))
        return 0;
    if (std::getenv("MARVO_STARTUP_PROBE"))
        probe_first_paint(application);
    const int result = CMarvoApp::exec();
    application.ExitInstance();
    return result;
}
