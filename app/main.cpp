#include <QApplication>
#include <QMainWindow>
#include <QUrl>
#include <QWebEngineView>

// Starts the browser with one page: the address on the command line, or a blank page.
int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName("Marvo");
    QMainWindow frame;
    auto* view = new QWebEngineView(&frame);
    frame.setCentralWidget(view);
    const QStringList arguments = QApplication::arguments();
    view->load(arguments.size() > 1 ? QUrl::fromUserInput(arguments[1]) : QUrl("about:blank"));
    frame.resize(950, 750);
    frame.show();
    return QApplication::exec();
}
