// The UI thread's cost per presented frame while the real browser scrolls a page under 1,000
// mixed memos, beside the same page with one memo far out of view (so the page has a package
// and the layer its usual work, but nothing to draw). Run on a real X display:
//   tests/display/run-on-xvfb.sh build/bench/bench_memo_layer_live [RUNS]
//
// What it counts: a 1 ms timer beats on the UI thread for the whole scroll. Every gap between
// beats over 2 ms is time the thread was held by other work (the layer's painting, the window
// flush, reading the scroll marks, following the page, the engine's own UI-side work); the gap
// less the 1 ms the beat would have waited anyway is added up as "blocked". Dividing by the
// frames the view's scene presented (its window's afterRendering) gives blocked ms per frame.
// Short stretches of work under 2 ms go uncounted, so the figures are a lower bound, alike for
// both pages. Each run measures the four cases in turn, so paired figures share the load.
//
// A second measurement (--gtest_filter='*Animating*') shows a page without memos that animates
// on its own, at rest otherwise, and reads the CPU time the UI thread, the whole browser process
// (the engine's UI side, its in-process GPU and network threads) and the engine's processes
// under it (the renderer runs the scripts the browser asks of the page) spend per second of it,
// with the frames presented: what a page that asks nothing of the memo layer costs.
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QEventLoop>
#include <QProcess>
#include <QQuickWidget>
#include <QQuickWindow>
#include <QTimer>
#include <QWebEngineView>
#include <atomic>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <unistd.h>

#include "BenchRuns.h"
#include "MixedMemos.h"
#include "app/AppFixture.h"
#include "app/BrowserPage.h"
#include "app/ChildFrame.h"
#include "app/MainFrame.h"
#include "app/TabBrowserWnd.h"
#include "display/Screen.h"
#include "memo/MemoObject.h"
#include "memo/PackageFiles.h"
#include "platform/QtText.h"

namespace {

int runs = 3;
constexpr int kMeasureMs = 8000;
constexpr int kMemoHeight = 3000;  // memos lie in the band the scrolls go up and down in

struct Frames {
    int presented = 0;
    double blocked_ms = 0;
    double per_frame() const { return presented > 0 ? blocked_ms / presented : -1; }
};

// A tall page of black blocks down its left edge; its scrolling is composited by the engine.
QString tall_page()
{
    QString page = QStringLiteral("<title>Tall</title><body style='margin:0;background:#fff'>");
    for (int top = 100; top < 20000; top += 300)
        page += QStringLiteral("<div style='position:absolute;left:10px;top:%1px;width:70px;height:100px;"
                               "background:#000'></div>").arg(top);
    return page + QStringLiteral("<div style='height:20000px'></div></body>");
}

class MemoLayerLive : public AppTest {
protected:
    // Writes the page's package before the program starts, as an earlier session would have.
    void store(const QString& path, int memos)
    {
        memo::MemoPackage pkg;
        pkg.url = memo::normalize_url(platform::from_qstring(pages_.url(path).toString()));
        pkg.time = memo::now_time();
        add_mixed_memos(pkg, memos, 1024, kMemoHeight);  // over the band the scrolls cover
        if (memos == 0) {
            auto far = std::make_unique<memo::PrimitiveObject>();
            far->rect = {100, 30000, 180, 30100};
            pkg.add(std::move(far));
        }
        const std::filesystem::path folder = data_.path() / "Marvo" / "memo";
        std::filesystem::create_directories(folder);
        memo::write_package_file(pkg, folder / memo::package_file_name(pkg.url));
    }

    bool open(CTabBrowserWnd* tab, const QString& path)
    {
        const QUrl url = pages_.url(path);
        tab->Navigate(url);
        if (!wait_until([&] { return tab->LocationURL() == url && !tab->busy() && tab->view()->focusProxy(); }, 60000))
            return false;
        pump(2000);  // the memos read and drawn once, the page's first frames past
        return true;
    }

    // Beats on the UI thread while `scroll` runs, counting frames and blocked time.
    static Frames measure(CTabBrowserWnd* tab, const std::function<void()>& scroll)
    {
        auto* quick = qobject_cast<QQuickWidget*>(tab->view()->focusProxy());
        if (!quick)
            return {};
        Frames frames;
        const QMetaObject::Connection counting =
            QObject::connect(quick->quickWindow(), &QQuickWindow::afterRendering, [&] { ++frames.presented; });
        QElapsedTimer beat;
        qint64 blocked_ns = 0;
        QTimer heart;
        heart.setTimerType(Qt::PreciseTimer);
        heart.setInterval(1);
        QObject::connect(&heart, &QTimer::timeout, [&] {
            const qint64 gap = beat.nsecsElapsed();
            beat.restart();
            if (gap > 2000000)
                blocked_ns += gap - 1000000;
        });
        scroll();
        beat.start();
        heart.start();
        QEventLoop loop;
        QTimer::singleShot(kMeasureMs, &loop, &QEventLoop::quit);
        loop.exec();
        heart.stop();
        QObject::disconnect(counting);
        frames.blocked_ms = blocked_ns / 1e6;
        return frames;
    }
};

double cpu_ms(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// User and system CPU time of every process under this one (the engine's zygotes and renderers).
double engine_cpu_ms()
{
    std::map<qint64, qint64> parent_of;
    std::map<qint64, double> cpu;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!number || !stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 13)
            continue;
        parent_of[pid] = fields[1].toLongLong();
        cpu[pid] = (fields[11].toDouble() + fields[12].toDouble()) * 1000.0 / double(sysconf(_SC_CLK_TCK));
    }
    double total = 0;
    for (const auto& [pid, ms] : cpu)
        for (qint64 up = parent_of[pid]; up > 1; up = parent_of.count(up) ? parent_of[up] : 0)
            if (up == getpid()) {
                total += ms;
                break;
            }
    return total;
}

TEST_F(MemoLayerLive, CpuWhileAPageWithoutMemosAnimates)
{
    pages_.set("/animating", QStringLiteral(
        "<title>Animating</title><body style='margin:0'><div id='b' style='width:200px;height:200px;"
        "background:#08f'></div><script>var t=0;function f(){t=(t+4)%400;"
        "document.getElementById('b').style.transform='translateX('+t+'px)';requestAnimationFrame(f);}"
        "requestAnimationFrame(f);</script></body>"));
    ASSERT_TRUE(start({pages_.url("/animating").toString()}));
    CMainFrame* frame = app().main_frame();
    frame->raise();
    frame->activateWindow();
    CTabBrowserWnd* tab = frame->tabs().front()->browser();
    ASSERT_TRUE(open(tab, QStringLiteral("/animating")));
    auto* quick = qobject_cast<QQuickWidget*>(tab->view()->focusProxy());
    ASSERT_TRUE(quick);
    // No heartbeat here: its own wake-ups would be most of what the UI thread spends.
    std::atomic<int> presented = 0;
    QObject counting;  // disconnects when the test ends
    QObject::connect(quick->quickWindow(), &QQuickWindow::afterRendering, &counting, [&] { ++presented; },
                     Qt::DirectConnection);
    std::vector<double> ui_thread, process, engine, frames;
    for (int run = 0; run < runs; ++run) {
        presented = 0;
        const double ui_before = cpu_ms(CLOCK_THREAD_CPUTIME_ID), process_before = cpu_ms(CLOCK_PROCESS_CPUTIME_ID);
        const double engine_before = engine_cpu_ms();
        QEventLoop loop;
        QTimer::singleShot(kMeasureMs, &loop, &QEventLoop::quit);
        loop.exec();
        const double seconds = kMeasureMs / 1000.0;
        ui_thread.push_back((cpu_ms(CLOCK_THREAD_CPUTIME_ID) - ui_before) / seconds);
        process.push_back((cpu_ms(CLOCK_PROCESS_CPUTIME_ID) - process_before) / seconds);
        engine.push_back((engine_cpu_ms() - engine_before) / seconds);
        frames.push_back(presented / seconds);
        std::printf("run %d: %5.1f frames/s, UI thread %6.1f ms/s, browser process %6.1f ms/s, engine processes "
                    "%6.1f ms/s\n", run + 1, frames.back(), ui_thread.back(), process.back(), engine.back());
        std::fflush(stdout);
    }
    std::printf("\nA page without memos animating (%d runs of %d s):\n", runs, kMeasureMs / 1000);
    bench::print_summary("frames presented", bench::summarize(frames), "/s", 1);
    bench::print_summary("UI thread CPU", bench::summarize(ui_thread), "ms/s", 1);
    bench::print_summary("browser process CPU", bench::summarize(process), "ms/s", 1);
    bench::print_summary("engine processes CPU", bench::summarize(engine), "ms/s", 1);
    // The frame rate swings with the machine's load: the same per frame presented.
    const auto per_frame = [&](const std::vector<double>& per_second) {
        std::vector<double> out;
        for (std::size_t i = 0; i < per_second.size(); ++i)
            out.push_back(frames[i] > 0 ? per_second[i] / frames[i] : -1);
        return bench::summarize(out);
    };
    bench::print_summary("UI thread CPU per frame", per_frame(ui_thread), "ms", 3);
    bench::print_summary("engine processes CPU per frame", per_frame(engine), "ms", 3);
    QFile load(QStringLiteral("/proc/loadavg"));
    if (load.open(QIODevice::ReadOnly))
        std::printf("load average: %s", load.readLine().constData());
}

// Down and up the memo band, 7 px per animation frame, as a page's own script scrolls.
void script_scroll(CTabBrowserWnd* tab)
{
    tab->page()->runJavaScript(QStringLiteral(
        "(function(){var y=0,d=7;function s(){y+=d;if(y>%1||y<0)d=-d;window.scrollTo(0,y);"
        "requestAnimationFrame(s);}requestAnimationFrame(s);})()").arg(kMemoHeight - 800));
}

// Wheel notches through the X server, down then up the memo band, until the time is up.
std::unique_ptr<QProcess> wheel_scroll(CTabBrowserWnd* tab)
{
    screen::move(tab->view(), tab->view()->rect().center());
    QStringList arguments;
    for (int turn = 0; turn < 20; ++turn)
        arguments << "click" << "--repeat" << "12" << "--delay" << "30" << (turn % 2 ? "4" : "5");
    auto tool = std::make_unique<QProcess>();
    tool->start(QStringLiteral("xdotool"), arguments);
    return tool;
}

TEST_F(MemoLayerLive, BlockedUiTimePerFrameWhileScrolling)
{
    const QString page = tall_page();
    pages_.set("/none", page);
    pages_.set("/many", page);
    store("/none", 0);
    store("/many", 1000);
    ASSERT_TRUE(start({pages_.url("/none").toString()}));
    CMainFrame* frame = app().main_frame();
    frame->raise();
    frame->activateWindow();
    CTabBrowserWnd* tab = frame->tabs().front()->browser();

    const char* const cases[] = {"script, no memos", "script, 1000 memos", "wheel, no memos", "wheel, 1000 memos"};
    std::vector<double> per_frame[4], frames[4];
    for (int run = 0; run < runs; ++run) {
        for (int c = 0; c < 4; ++c) {
            const bool wheel = c >= 2;
            ASSERT_TRUE(open(tab, c % 2 ? QStringLiteral("/many") : QStringLiteral("/none")));
            std::unique_ptr<QProcess> tool;
            const Frames f = measure(tab, [&] {
                if (wheel)
                    tool = wheel_scroll(tab);
                else
                    script_scroll(tab);
            });
            if (tool) {
                tool->kill();
                tool->waitForFinished(5000);
            }
            std::printf("run %d %-20s %5d frames, %7.1f ms blocked, %6.3f ms per frame\n", run + 1, cases[c],
                        f.presented, f.blocked_ms, f.per_frame());
            std::fflush(stdout);
            per_frame[c].push_back(f.per_frame());
            frames[c].push_back(f.presented);
        }
    }
    std::printf("\nUI thread blocked per presented frame (QT_SCALE_FACTOR=%s, %d runs of %d s):\n",
                qEnvironmentVariableIsSet("QT_SCALE_FACTOR") ? qgetenv("QT_SCALE_FACTOR").constData() : "1", runs,
                kMeasureMs / 1000);
    for (int c = 0; c < 4; ++c) {
        bench::print_summary((std::string(cases[c]) + " frames").c_str(), bench::summarize(frames[c]), "", 0);
        bench::print_summary(cases[c], bench::summarize(per_frame[c]), "ms/frame", 3);
    }
    for (int c = 0; c < 4; c += 2) {
        std::vector<double> extra;
        for (std::size_t i = 0; i < per_frame[c].size(); ++i)
            if (per_frame[c][i] >= 0 && per_frame[c + 1][i] >= 0)  // both ran
                extra.push_back(per_frame[c + 1][i] - per_frame[c][i]);
        bench::print_summary(c ? "wheel, memos cost" : "script, memos cost", bench::summarize_all(extra), "ms/frame", 3);
    }
    QFile load(QStringLiteral("/proc/loadavg"));
    if (load.open(QIODevice::ReadOnly))
        std::printf("load average: %s", load.readLine().constData());
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc > 1)
        runs = std::max(1, std::atoi(argv[1]));
    return RUN_ALL_TESTS();
}
