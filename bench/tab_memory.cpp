// Memory of ten tabs: marvo started on a page, then given it nine more times through the
// second-instance hand-over, beside the minimal Qt WebEngine window showing the page in ten
// tabs. 12 s after the tenth tab opened, the proportional set size (PSS) of each program's
// whole process tree (the browser and every engine process under it) is read from
// /proc/*/smaps_rollup. Alternating order, a fresh data folder each run; medians, spreads and
// the ratios of the pairs measured side by side.
//   bench_tab_memory [--on-screen] [--discarded] PATH-TO-MARVO PATH-TO-MINIMAL [runs]
// --on-screen runs both on this benchmark's X display instead of offscreen. --discarded sets
// marvo's discard time to one minute and measures 12 s after the nine background tabs were
// discarded (72 s after the tenth opened).
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <map>
#include <vector>

#include "BenchRuns.h"

namespace {

constexpr int kTabs = 10;
constexpr int kSettleSeconds = 12;

struct Options {
    QString marvo;
    QString minimal;
    QString page;
    bool on_display = false;
    bool discarded = false;
};

// Parent of every process, from /proc/<pid>/stat (the name in parentheses may hold spaces).
std::map<qint64, qint64> parents()
{
    std::map<qint64, qint64> parent_of;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1)
            parent_of[pid] = fields[1].toLongLong();
    }
    return parent_of;
}

qint64 pss_kib(qint64 pid)
{
    QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!rollup.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : rollup.readAll().split('\n'))
        if (line.startsWith("Pss:"))
            return line.mid(4).trimmed().split(' ').front().toLongLong();
    return 0;
}

// MiB of the process and all its descendants.
double tree_pss_mib(qint64 root)
{
    const std::map<qint64, qint64> parent_of = parents();
    qint64 total = 0;
    for (const auto& [pid, parent] : parent_of) {
        for (qint64 p = pid; p > 1; p = parent_of.count(p) ? parent_of.at(p) : 0) {
            if (p == root) {
                total += pss_kib(pid);
                break;
            }
        }
    }
    return static_cast<double>(total) / 1024.0;
}

// With --discarded, the minute marvo waits before discarding comes first.
int settle_seconds(const Options& options)
{
    return options.discarded ? 60 + kSettleSeconds : kSettleSeconds;
}

void settle(int seconds)
{
    QThread::sleep(static_cast<unsigned long>(seconds));
}

bool wait_for_instance_link(const QString& runtime_dir, QProcess& first)
{
    QElapsedTimer clock;
    clock.start();
    while (QDir(runtime_dir).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).isEmpty()) {
        if (clock.elapsed() > 60000 || first.waitForFinished(20))
            return false;
    }
    return true;
}

double measure_marvo(const Options& options)
{
    QTemporaryDir data, runtime;
    if (options.discarded) {
        QDir(data.path()).mkpath(QStringLiteral("Marvo"));
        QFile settings(data.filePath(QStringLiteral("Marvo/marvosetting.xml")));
        settings.open(QIODevice::WriteOnly);
        settings.write("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<setting>\r\n\t<option>\r\n"
                       "\t\t<discard_minutes value=\"1\"/>\r\n\t</option>\r\n</setting>\r\n");
    }
    const QProcessEnvironment environment =
        bench::program_environment(data.path(), runtime.path(), !options.on_display);
    QProcess browser;
    browser.setProcessEnvironment(environment);
    browser.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    browser.start(options.marvo, {options.page});
    double mib = -1;
    if (wait_for_instance_link(runtime.path(), browser)) {
        for (int i = 1; i < kTabs; ++i) {
            QProcess second;
            second.setProcessEnvironment(environment);
            second.start(options.marvo, {options.page});
            second.waitForFinished(60000);
        }
        settle(settle_seconds(options));
        mib = tree_pss_mib(browser.processId());
    }
    browser.terminate();
    if (!browser.waitForFinished(30000))
        browser.kill();
    browser.waitForFinished(5000);
    return mib;
}

double measure_minimal(const Options& options)
{
    QTemporaryDir data, runtime;
    QProcessEnvironment environment = bench::program_environment(data.path(), runtime.path(), !options.on_display);
    environment.insert(QStringLiteral("MINIMAL_KEEP_RUNNING"), QStringLiteral("1"));
    QProcess browser;
    browser.setProcessEnvironment(environment);
    browser.start(options.minimal, {QStringLiteral("--tabs"), QString::number(kTabs), options.page});
    browser.waitForStarted(60000);
    settle(settle_seconds(options));
    const double mib = tree_pss_mib(browser.processId());
    browser.kill();
    browser.waitForFinished(5000);
    return mib;
}

void write_page(const QString& path)
{
    QByteArray html = "<html><head><title>Memory</title></head><body><h1>A page in ten tabs</h1>";
    for (int i = 0; html.size() < 50 * 1024; ++i)
        html += "<p>Paragraph " + QByteArray::number(i) + ": text to lay out and paint in every tab.</p>";
    html += "</body></html>";
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(html);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    Options options;
    options.on_display = arguments.removeAll(QStringLiteral("--on-screen")) > 0;
    options.discarded = arguments.removeAll(QStringLiteral("--discarded")) > 0;
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: bench_tab_memory [--on-screen] [--discarded] MARVO MINIMAL [runs]\n");
        return 2;
    }
    options.marvo = QDir().absoluteFilePath(arguments.at(0));
    options.minimal = QDir().absoluteFilePath(arguments.at(1));
    const int runs = arguments.size() > 2 ? arguments.at(2).toInt() : 10;
    QTemporaryDir folder;
    options.page = folder.filePath(QStringLiteral("page.html"));
    write_page(options.page);

    std::vector<double> marvo, minimal;
    for (int i = 0; i < runs; ++i) {
        if (i % 2) {
            marvo.push_back(measure_marvo(options));
            minimal.push_back(measure_minimal(options));
        } else {
            minimal.push_back(measure_minimal(options));
            marvo.push_back(measure_marvo(options));
        }
    }
    std::printf("%d tabs%s, tree PSS %d s after the last opened (%s):\n", kTabs,
                options.discarded ? ", 9 discarded in marvo" : "", settle_seconds(options),
                options.on_display ? "X display" : "offscreen");
    bench::print_summary("marvo", bench::summarize(marvo), "MiB");
    bench::print_summary("minimal window", bench::summarize(minimal), "MiB");
    bench::print_summary("ratio marvo / minimal", bench::paired_ratios(marvo, minimal), "x  ", 3);
    return 0;
}
