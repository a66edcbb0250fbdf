// Start-up time to the first painted page: marvo beside a minimal Qt WebEngine window loading
// the same local page, alternating runs, medians reported.
//   bench_startup PATH-TO-MARVO PATH-TO-MINIMAL [runs]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double run_once(const QString& program, const QString& page, const QString& data_home)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("MARVO_STARTUP_PROBE"), QStringLiteral("1"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), data_home);
    if (!environment.contains(QStringLiteral("QT_QPA_PLATFORM")))
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    process.setProcessEnvironment(environment);
    process.setReadChannel(QProcess::StandardError);
    QElapsedTimer clock;
    clock.start();
    process.start(program, {page});
    // The clock stops at the probe's line, not at exit: quitting is not part of starting.
    QByteArray output;
    while (!output.contains("first-paint")) {
        if (!process.waitForReadyRead(60000))
            return -1;
        output += process.readAll();
    }
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    process.waitForFinished(60000);
    return ms;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_startup MARVO MINIMAL [runs]\n");
        return 2;
    }
    const int runs = argc > 3 ? std::atoi(argv[3]) : 7;
    QTemporaryDir folder;
    const QString page = folder.filePath(QStringLiteral("page.html"));
    QFile file(page);
    file.open(QIODevice::WriteOnly);
    file.write("<html><head><title>Start-up</title></head><body><h1>Start-up page</h1>"
               "<p>A short page with some text to lay out and paint.</p></body></html>");
    file.close();

    std::vector<double> marvo, minimal;
    for (int i = 0; i < runs; ++i) {
        QTemporaryDir data;  // a first start each time: no settings, no profile
        minimal.push_back(run_once(QString::fromLocal8Bit(argv[2]), page, data.path()));
        marvo.push_back(run_once(QString::fromLocal8Bit(argv[1]), page, data.path()));
    }
    const double a = median(marvo), b = median(minimal);
    std::printf("first painted page, median of %d runs: marvo %.0f ms, minimal window %.0f ms, ratio %.2f\n", runs, a,
                b, b > 0 ? a / b : 0.0);
    return 0;
}
