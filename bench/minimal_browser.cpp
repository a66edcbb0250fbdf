// The smallest Qt WebEngine browser: one window, one view, one page. It quits once the page
// is loaded and painted, printing "first-paint", like marvo with MARVO_STARTUP_PROBE; the
// start-up benchmark compares the two.
#include <QApplication>
#include <QTimer>
#include <QWebEngineView>
#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QWebEngineView view;
    view.resize(950, 750);
    QObject::connect(&view, &QWebEngineView::loadFinished, &view, [&view] {
        QTimer::singleShot(0, &view, [&view] {
            view.grab();
            std::fputs("first-paint\n", stderr);
            QCoreApplication::exit(0);
        });
    });
    view.load(QUrl::fromUserInput(QApplication::arguments().value(1, QStringLiteral("about:blank"))));
    view.show();
    return QApplication::exec();
}
