// Memory of ten tabs: marvo started on a page, then given it nine more times through the
// second-instance hand-over, beside the minimal Qt WebEngine window showing the page in ten
// tabs. 12 s after the tenth tab opened, the proportional set size (PSS) of each program's
// whole process tree (the browser and every engine process under it) is read from
// /proc/*/smaps_rollup. Alternating order, a fresh data folder each run; medians, spreads and
// the ratios of the pairs measured side by side.
// Beside the PSS it reports the tree's anonymous and shared-memory PSS (Pss_Anon + Pss_Shmem)
// and its process count. The PSS includes the engine's library pages, which are shared with
// any other engine program running on the machine, so it swings with what else runs; the
// anonymous part is what the program itself allocated and stays steady.
//   bench_tab_memory [--on-screen] [--discarded] [--tabs N] [--per-process]
//                    [--minimal-one-by-one] [--with-memos] PATH-TO-MARVO PATH-TO-MINIMAL [runs]
// --on-screen runs both on this benchmark's X display instead of offscreen. --discarded sets
// marvo's discard time to one minute and measures 12 s after the nine background tabs were
// discarded (72 s after the tenth opened). --tabs opens N tabs instead of ten, and
// --per-process prints each process's share (its engine process type, Pss_Anon, Pss_File,
// Pss_Shmem) to standard error, for finding where two programs differ.
// By default the minimal window opens all its tabs at once, so only the front one is ever
// shown; --minimal-one-by-one has it open each once the one before has painted, as marvo's
// come one by one through the hand-over, and measures 12 s after the last one painted.
// --with-memos gives the page a saved package of mixed memos in marvo's memo folder before it
// starts, so every marvo tab shows memos: compared with a run without, the per-tab cost of the
// memo layer.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <vector>

#include "BenchRuns.h"
#include "MixedMemos.h"
#include "memo/PackageFiles.h"
#include "platform/QtText.h"

namespace {

constexpr int kSettleSeconds = 12;

struct Options {
    QString marvo;
    QString minimal;
    QString page;
    int tabs = 10;
    bool on_display = false;
    bool discarded = false;
    bool per_process = false;
    bool minimal_one_by_one = false;
    bool with_memos = false;
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

// Memory of a process tree in MiB; negative when the run failed.
struct TreeMemory {
    double pss = -1;
    double anon = -1;  // Pss_Anon + Pss_Shmem
    double processes = -1;
};

struct Rollup {
    qint64 pss_kib = 0;
    qint64 anon_kib = 0;
    qint64 file_kib = 0;
    qint64 shmem_kib = 0;
};

Rollup rollup_of(qint64 pid)
{
    Rollup rollup;
    QFile file(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return rollup;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const qsizetype colon = line.indexOf(':');
        const QByteArray key = line.left(colon);
        const qint64 kib = line.mid(colon + 1).trimmed().split(' ').front().toLongLong();
        if (key == "Pss")
            rollup.pss_kib = kib;
        else if (key == "Pss_Anon")
            rollup.anon_kib = kib;
        else if (key == "Pss_File")
            rollup.file_kib = kib;
        else if (key == "Pss_Shmem")
            rollup.shmem_kib = kib;
    }
    return rollup;
}

// "browser", or the engine's --type (with its --utility-sub-type) from the command line.
QByteArray process_kind(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return "?";
    QByteArray kind = "browser";
    for (const QByteArray& argument : file.readAll().split('\0')) {
        if (argument.startsWith("--type="))
            kind = argument.mid(7);
        else if (argument.startsWith("--utility-sub-type="))
            kind += ' ' + argument.mid(19);
    }
    return kind;
}

// Render processes are forked from the zygote and keep its command line.
void print_process(const char* program, qint64 pid, qint64 parent, const Rollup& rollup)
{
    QByteArray kind = process_kind(pid);
    if (kind == "zygote" && process_kind(parent) == "zygote")
        kind = "renderer";
    std::fprintf(stderr, "  %-8s %7lld %-32s anon %7.1f  file %7.1f  shmem %6.1f MiB\n", program,
                 static_cast<long long>(pid), kind.constData(), rollup.anon_kib / 1024.0,
                 rollup.file_kib / 1024.0, rollup.shmem_kib / 1024.0);
}

// The process and all its descendants; each one printed when asked.
TreeMemory tree_memory(qint64 root, const char* program, const Options& options)
{
    const std::map<qint64, qint64> parent_of = parents();
    Rollup total;
    int processes = 0;
    for (const auto& [pid, parent] : parent_of) {
        for (qint64 p = pid; p > 1; p = parent_of.count(p) ? parent_of.at(p) : 0) {
            if (p == root) {
                const Rollup rollup = rollup_of(pid);
                if (options.per_process)
                    print_process(program, pid, parent, rollup);
                total.pss_kib += rollup.pss_kib;
                total.anon_kib += rollup.anon_kib + rollup.shmem_kib;
                ++processes;
                break;
            }
        }
    }
    return {static_cast<double>(total.pss_kib) / 1024.0, static_cast<double>(total.anon_kib) / 1024.0,
            static_cast<double>(processes)};
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

// The page's package, as an earlier session would have saved it: a few memos of every kind
// within the first screen.
void store_memos(const QString& data, const QString& page)
{
    memo::MemoPackage pkg;
    pkg.url = memo::normalize_url(platform::from_qstring(QUrl::fromLocalFile(page).toString()));
    pkg.time = memo::now_time();
    add_mixed_memos(pkg, 20, 900, 700);
    const std::filesystem::path folder = std::filesystem::path(data.toStdString()) / "Marvo" / "memo";
    std::filesystem::create_directories(folder);
    memo::write_package_file(pkg, folder / memo::package_file_name(pkg.url));
}

TreeMemory measure_marvo(const Options& options)
{
    QTemporaryDir data, runtime;
    if (options.with_memos)
        store_memos(data.path(), options.page);
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
    TreeMemory memory;
    if (wait_for_instance_link(runtime.path(), browser)) {
        for (int i = 1; i < options.tabs; ++i) {
            QProcess second;
            second.setProcessEnvironment(environment);
            second.start(options.marvo, {options.page});
            second.waitForFinished(60000);
        }
        settle(settle_seconds(options));
        memory = tree_memory(browser.processId(), "marvo", options);
    }
    browser.terminate();
    if (!browser.waitForFinished(30000))
        browser.kill();
    browser.waitForFinished(5000);
    return memory;
}

bool wait_for_last_paint(QProcess& minimal)
{
    QElapsedTimer clock;
    clock.start();
    QByteArray said;
    while (!said.contains("first-paint")) {
        if (clock.elapsed() > 120000 || minimal.state() != QProcess::Running)
            return false;
        minimal.waitForReadyRead(100);
        said += minimal.readAllStandardError();
    }
    return true;
}

TreeMemory measure_minimal(const Options& options)
{
    QTemporaryDir data, runtime;
    QProcessEnvironment environment = bench::program_environment(data.path(), runtime.path(), !options.on_display);
    environment.insert(QStringLiteral("MINIMAL_KEEP_RUNNING"), QStringLiteral("1"));
    QProcess browser;
    browser.setProcessEnvironment(environment);
    QStringList arguments{QStringLiteral("--tabs"), QString::number(options.tabs)};
    if (options.minimal_one_by_one)
        arguments << QStringLiteral("--one-by-one");
    browser.setReadChannel(QProcess::StandardError);
    browser.start(options.minimal, arguments << options.page);
    browser.waitForStarted(60000);
    TreeMemory memory;
    if (!options.minimal_one_by_one || wait_for_last_paint(browser)) {
        settle(settle_seconds(options));
        memory = tree_memory(browser.processId(), "minimal", options);
    }
    browser.kill();
    browser.waitForFinished(5000);
    return memory;
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

void print_figure(const char* title, double TreeMemory::*figure, const std::vector<TreeMemory>& marvo,
                  const std::vector<TreeMemory>& minimal, const char* unit)
{
    std::vector<double> a, b;
    for (const TreeMemory& m : marvo)
        a.push_back(m.*figure);
    for (const TreeMemory& m : minimal)
        b.push_back(m.*figure);
    std::printf(" %s:\n", title);
    bench::print_summary("marvo", bench::summarize(a), unit);
    bench::print_summary("minimal window", bench::summarize(b), unit);
    bench::print_summary("ratio marvo / minimal", bench::paired_ratios(a, b), "x  ", 3);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    Options options;
    options.on_display = arguments.removeAll(QStringLiteral("--on-screen")) > 0;
    options.discarded = arguments.removeAll(QStringLiteral("--discarded")) > 0;
    options.per_process = arguments.removeAll(QStringLiteral("--per-process")) > 0;
    options.minimal_one_by_one = arguments.removeAll(QStringLiteral("--minimal-one-by-one")) > 0;
    options.with_memos = arguments.removeAll(QStringLiteral("--with-memos")) > 0;
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--tabs")); at >= 0 && at + 1 < arguments.size()) {
        options.tabs = std::max(1, arguments.at(at + 1).toInt());
        arguments.remove(at, 2);
    }
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: bench_tab_memory [--on-screen] [--discarded] [--tabs N] [--per-process] "
                             "[--minimal-one-by-one] [--with-memos] MARVO MINIMAL [runs]\n");
        return 2;
    }
    options.marvo = QDir().absoluteFilePath(arguments.at(0));
    options.minimal = QDir().absoluteFilePath(arguments.at(1));
    const int runs = arguments.size() > 2 ? arguments.at(2).toInt() : 10;
    QTemporaryDir folder;
    options.page = folder.filePath(QStringLiteral("page.html"));
    write_page(options.page);

    std::vector<TreeMemory> marvo, minimal;
    for (int i = 0; i < runs; ++i) {
        if (i % 2) {
            marvo.push_back(measure_marvo(options));
            minimal.push_back(measure_minimal(options));
        } else {
            minimal.push_back(measure_minimal(options));
            marvo.push_back(measure_marvo(options));
        }
        std::fprintf(stderr, "run %d: marvo %.1f MiB (anon %.1f, %.0f processes), minimal %.1f MiB (anon %.1f, %.0f)\n",
                     i + 1, marvo.back().pss, marvo.back().anon, marvo.back().processes, minimal.back().pss,
                     minimal.back().anon, minimal.back().processes);
    }
    std::printf("%d tabs%s%s%s, %d s after the last opened (%s):\n", options.tabs,
                options.with_memos ? " with memos in marvo" : "",
                options.discarded ? ", all but the front one discarded in marvo" : "",
                options.minimal_one_by_one ? ", the minimal window's opened one by one" : "", settle_seconds(options),
                options.on_display ? "X display" : "offscreen");
    print_figure("tree PSS", &TreeMemory::pss, marvo, minimal, "MiB");
    print_figure("tree Pss_Anon + Pss_Shmem", &TreeMemory::anon, marvo, minimal, "MiB");
    print_figure("processes", &TreeMemory::processes, marvo, minimal, "   ");
    return 0;
}
