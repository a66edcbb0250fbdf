// The smallest Qt WebEngine browser: one window, one view, one page. It quits once the page
// is loaded and painted, printing "first-paint", like marvo with MARVO_STARTUP_PROBE; the
// start-up benchmark compares the two. With MINIMAL_KEEP_RUNNING set it stays up instead, for
// benchmarks that watch the screen or measure memory.
//   bench_minimal_browser [--tabs N] [ADDRESS]
// --tabs N shows the page in N tabs of a tab widget, the last one in front.
#include <QApplication>
#include <QTabWidget>
#include <QTimer>
#include <QWebEngineView>
#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QStringList arguments = QApplication::arguments().mid(1);
    int tabs = 0;
    if (arguments.size() >= 2 && arguments.front() == QLatin1String("--tabs")) {
        tabs = arguments.at(1).toInt();
        arguments = arguments.mid(2);
    }
    const QUrl page = QUrl::fromUserInput(arguments.value(0, QStringLiteral("about:blank")));
    const bool keep_running = std::getenv("MINIMAL_KEEP_RUNNING") != nullptr;

    // One page is a bare view as its own window; tabs sit in a tab widget.
    QTabWidget window;
    QWebEngineView single;
    QWidget* shown = &single;
    if (tabs > 0) {
        for (int i = 0; i < tabs; ++i) {
            auto* view = new QWebEngineView;
            view->load(page);
            window.addTab(view, QString::number(i + 1));
            window.setCurrentWidget(view);
        }
        shown = &window;
    } else {
        single.load(page);
    }
    shown->resize(950, 750);
    auto* front = tabs > 0 ? static_cast<QWebEngineView*>(window.currentWidget()) : &single;
    QObject::connect(front, &QWebEngineView::loadFinished, front, [front, keep_running] {
        QTimer::singleShot(0, front, [front, keep_running] {
            front->grab();
            std::fputs("first-paint\n", stderr);
            if (!keep_running)
                QCoreApplication::exit(0);
        });
    });
    shown->show();
    return QApplication::exec();
}
