// Start-up time to the first painted page: marvo beside a minimal Qt WebEngine window loading
// the same 50 KB local page, in alternating order, with a fresh data folder each run and with
// a warm one (kept from a first run that is not counted). Medians, spreads and the ratios of
// the pairs run side by side are reported.
//   bench_startup [--on-screen] PATH-TO-MARVO PATH-TO-MINIMAL [runs]
// Without --on-screen the programs run offscreen and report their first painted page themselves
// (MARVO_STARTUP_PROBE). With --on-screen they run on this benchmark's X display (start an Xvfb,
// e.g. through tests/display/run-on-xvfb.sh) and the clock runs from the start of the process
// to the first screenshot of the root window that shows the page's marker colour.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>
#include <vector>

#include "BenchRuns.h"

namespace {

constexpr QRgb kMarker = 0x1e6e3c;  // the page's background, found nowhere else on the screen
constexpr int kMarkerRun = 64;      // pixels of it side by side that count as the page

void write_page(const QString& path)
{
    QByteArray html = "<html><head><title>Start-up</title></head>"
                      "<body style='margin:0;background:#1e6e3c;color:#ffffff'><h1>Start-up page</h1>";
    for (int i = 0; html.size() < 50 * 1024; ++i)
        html += "<p>Paragraph " + QByteArray::number(i) +
                ": a page with some text to lay out and paint, long enough to fill a few screens.</p>";
    html += "</body></html>";
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(html);
}

// A few rows across the screen, grabbed as thin strips (a whole screen is too slow to poll).
bool marker_shown(QScreen* screen)
{
    const QSize size = screen->size();
    for (const int y : {size.height() * 3 / 10, size.height() / 2}) {
        const QImage row = screen->grabWindow(0, 0, y, size.width(), 1).toImage();
        int run = 0;
        for (int x = 0; x < row.width(); ++x) {
            run = (row.pixel(x, 0) & 0xffffff) == kMarker ? run + 1 : 0;
            if (run >= kMarkerRun)
                return true;
        }
    }
    return false;
}

struct Program {
    QString path;
    bool marvo = false;
};

// Milliseconds from the start of the process to its first painted page; -1 on failure.
double run_once(const Program& program, const QString& page, const QString& data_home, bool on_display)
{
    QTemporaryDir runtime;
    QProcess process;
    QProcessEnvironment environment = bench::program_environment(data_home, runtime.path(), !on_display);
    // Offscreen, both report their first paint and quit; on the screen both keep running.
    if (!on_display && program.marvo)
        environment.insert(QStringLiteral("MARVO_STARTUP_PROBE"), QStringLiteral("1"));
    if (on_display && !program.marvo)
        environment.insert(QStringLiteral("MINIMAL_KEEP_RUNNING"), QStringLiteral("1"));
    process.setProcessEnvironment(environment);
    process.setReadChannel(QProcess::StandardError);
    QElapsedTimer clock;
    clock.start();
    process.start(program.path, {page});
    double ms = -1;
    if (on_display) {
        QScreen* screen = QGuiApplication::primaryScreen();
        while (clock.elapsed() < 60000 && !process.waitForFinished(4)) {
            if (marker_shown(screen)) {
                ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
                break;
            }
        }
        // Ended as a session ends it: marvo saves what a warm start finds.
        process.terminate();
    } else {
        // The clock stops at the probe's line, not at exit: quitting is not part of starting.
        QByteArray output;
        while (!output.contains("first-paint") && process.waitForReadyRead(60000))
            output += process.readAll();
        if (output.contains("first-paint"))
            ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    }
    if (!process.waitForFinished(30000))
        process.kill();
    process.waitForFinished(5000);
    return ms;
}

// Alternating runs of both programs; warm runs keep one data folder per program, primed by a
// run that is not counted.
void measure(const Program& marvo, const Program& minimal, const QString& page, int runs, bool on_display, bool warm)
{
    QTemporaryDir warm_marvo, warm_minimal;
    if (warm) {
        run_once(marvo, page, warm_marvo.path(), on_display);
        run_once(minimal, page, warm_minimal.path(), on_display);
    }
    std::vector<double> a, b;
    for (int i = 0; i < runs; ++i) {
        QTemporaryDir fresh;
        const QString marvo_home = warm ? warm_marvo.path() : fresh.path();
        const QString minimal_home = warm ? warm_minimal.path() : fresh.path();
        if (i % 2) {
            a.push_back(run_once(marvo, page, marvo_home, on_display));
            b.push_back(run_once(minimal, page, minimal_home, on_display));
        } else {
            b.push_back(run_once(minimal, page, minimal_home, on_display));
            a.push_back(run_once(marvo, page, marvo_home, on_display));
        }
    }
    std::printf("%s profile, %s:\n", warm ? "warm" : "fresh", on_display ? "page on the X screen" : "offscreen probe");
    bench::print_summary("marvo", bench::summarize(a), "ms");
    bench::print_summary("minimal window", bench::summarize(b), "ms");
    bench::print_summary("ratio marvo / minimal", bench::paired_ratios(a, b), "x ", 3);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const bool on_display = arguments.removeAll(QStringLiteral("--on-screen")) > 0;
    if (on_display)
        qputenv("QT_QPA_PLATFORM", "xcb");
    std::unique_ptr<QCoreApplication> application =
        on_display ? std::make_unique<QGuiApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: bench_startup [--on-screen] MARVO MINIMAL [runs]\n");
        return 2;
    }
    const int runs = arguments.size() > 2 ? arguments.at(2).toInt() : 10;
    QTemporaryDir folder;
    const QString page = folder.filePath(QStringLiteral("page.html"));
    write_page(page);
    const Program marvo{QDir().absoluteFilePath(arguments.at(0)), true};
    const Program minimal{QDir().absoluteFilePath(arguments.at(1)), false};
    for (const bool warm : {false, true})
        measure(marvo, minimal, page, runs, on_display, warm);
    return 0;
}
