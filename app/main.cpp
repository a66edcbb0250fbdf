#include <QMenuBar>
#include <QTimer>
#include <QUrl>
#include <QWebEngineView>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/MainFrame.h"
#include "app/MarvoApp.h"
#include "app/TabBrowserWnd.h"

namespace {

// With MARVO_STARTUP_PROBE set, the program quits as soon as its first page has been loaded
// and painted, printing the titles of its menu bar ("menu: ...") and then "first-paint" on
// standard error: bench/startup measures start-up by it, the package test reads the language.
void probe_first_paint(CMarvoApp& application)
{
    CTabBrowserWnd* tab = application.ActiveBrowser();
    if (!tab)
        return;
    QObject::connect(tab->view(), &QWebEngineView::loadFinished, &application, [&application, tab] {
        QTimer::singleShot(0, tab, [&application, tab] {
            tab->view()->grab();
            if (const auto* menus = application.main_frame()->findChild<QMenuBar*>())
                for (const QAction* menu : menus->actions())
                    std::fprintf(stderr, "menu: %s\n", qUtf8Printable(menu->text()));
            std::fputs("first-paint\n", stderr);
            QCoreApplication::exit(0);
        });
    });
}

// --help and --version answer before anything needs a display.
bool answered_on_command_line(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("marvo %s\n", MARVO_VERSION);
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("usage: marvo [ADDRESS-OR-FILE]\n"
                        "Opens the web address, HTML file, internet shortcut or memo file (.ame) in a\n"
                        "new tab, in the running Marvo when there is one.\n"
                        "  --help     this text\n"
                        "  --version  the version of Marvo\n");
            return true;
        }
    }
    return false;
}

// The desktop hands local files over as file: URLs; the documents are opened by their paths.
QStringList document_arguments(QStringList arguments)
{
    for (QString& argument : arguments)
        if (argument.startsWith(QLatin1String("file:")))
            argument = QUrl(argument).toLocalFile();
    return arguments;
}

} // namespace

int main(int argc, char* argv[])
{
    if (answered_on_command_line(argc, argv))
        return 0;
    CMarvoApp application(argc, argv);
    StartOptions options;
    options.arguments = document_arguments(CMarvoApp::arguments().mid(1));
    if (!application.InitInstance(options))
        return 0;
    if (std::getenv("MARVO_STARTUP_PROBE"))
        probe_first_paint(application);
    const int result = CMarvoApp::exec();
    application.ExitInstance();
    return result;
}
