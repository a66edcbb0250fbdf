// The smallest Qt WebEngine browser: one window, one view, one page. It quits once the page
// is loaded and painted, printing "first-paint", like marvo with MARVO_STARTUP_PROBE; the
// start-up benchmark compares the two. With MINIMAL_KEEP_RUNNING set it stays up instead, for
// benchmarks that watch the screen or measure memory.
//   bench_minimal_browser [--tabs N [--one-by-one]] [ADDRESS]
// --tabs N shows the page in N tabs of a tab widget, the last one in front. With --one-by-one
// the window shows first and each tab opens once the one before has painted, as a person opens
// them; "first-paint" then tells that the last one has.
#include <QApplication>
#include <QTabWidget>
#include <QTimer>
#include <QWebEngineView>
#include <cstdio>
#include <cstdlib>
#include <functional>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QStringList arguments = QApplication::arguments().mid(1);
    int tabs = 0;
    if (arguments.size() >= 2 && arguments.front() == QLatin1String("--tabs")) {
        tabs = arguments.at(1).toInt();
        arguments = arguments.mid(2);
    }
    const bool one_by_one = arguments.removeAll(QStringLiteral("--one-by-one")) > 0 && tabs > 0;
    const QUrl page = QUrl::fromUserInput(arguments.value(0, QStringLiteral("about:blank")));
    const bool keep_running = std::getenv("MINIMAL_KEEP_RUNNING") != nullptr;

    // One page is a bare view as its own window; tabs sit in a tab widget.
    QTabWidget window;
    QWebEngineView single;
    QWidget* shown = &single;
    const auto open_tab = [&window, &page] {
        auto* view = new QWebEngineView;
        view->load(page);
        window.addTab(view, QString::number(window.count() + 1));
        window.setCurrentWidget(view);
        return view;
    };
    if (tabs > 0) {
        for (int i = 0; i < (one_by_one ? 1 : tabs); ++i)
            open_tab();
        shown = &window;
    } else {
        single.load(page);
    }
    shown->resize(950, 750);
    // The front page painted: the next tab opens, or the last one has.
    std::function<void(QWebEngineView*)> follow = [&](QWebEngineView* front) {
        QObject::connect(front, &QWebEngineView::loadFinished, front, [&, front] {
            QTimer::singleShot(0, front, [&, front] {
                front->grab();
                if (one_by_one && window.count() < tabs) {
                    follow(open_tab());
                    return;
                }
                std::fputs("first-paint\n", stderr);
                if (!keep_running)
                    QCoreApplication::exit(0);
            });
        });
    };
    follow(tabs > 0 ? static_cast<QWebEngineView*>(window.currentWidget()) : &single);
    shown->show();
    return QApplication::exec();
}
