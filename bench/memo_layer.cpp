// The memo layer over a page widget: the cost of a frame while the page scrolls, with 1,000
// mixed memos (no effects) and with none, and over a page that paints itself apart; a
// whole-window frame of each package built to be slow, on the window's thread (the layer draws
// such packages in the background and shows the last picture); how long input waits while the
// layer draws such a package, with and without a stroke being drawn over it; closing a tab
// while such a drawing runs; and the time from a mouse move of the freehand tool to the stroke
// segment being on the window surface.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPainter>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "MixedMemos.h"
#include "memo/PackageCache.h"
#include "memo/ui/LayerWnd.h"
#include "memo/ui/Tools.h"

using namespace memo;

namespace {

constexpr int kWidth = 1024, kHeight = 768;
const std::string kUrl = "http://bench.example/";

// Notes the longest time the window's thread spends on one event: how long it answers nothing.
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;
    double longest_event_ms = 0;
    bool notify(QObject* receiver, QEvent* event) override
    {
        const auto start = std::chrono::steady_clock::now();
        const bool handled = QApplication::notify(receiver, event);
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        longest_event_ms = std::max(longest_event_ms, took.count());
        return handled;
    }
};

TimedApplication* ensure_app()
{
    static int argc = 1;
    static char name[] = "bench_memo_layer";
    static char* argv[] = {name, nullptr};
    static TimedApplication* app = nullptr;
    if (!app) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = new TimedApplication(argc, argv);
    }
    return app;
}

// A page that paints text-like stripes, scrolled by the benchmark.
class Page : public QWidget, public PageSurface {
public:
    Page() { resize(kWidth, kHeight); }
    QWidget* host() const override { return const_cast<Page*>(this); }
    QWidget* input_widget() const override { return const_cast<Page*>(this); }
    std::vector<DocumentView> documents() const override { return {{kUrl, rect(), scroll}}; }
    QImage grab_page(const QRect& area) override
    {
        QImage image(area.size(), QImage::Format_RGB32);
        render(&image, QPoint(), QRegion(area), QWidget::DrawWindowBackground);
        return image;
    }
    void navigate(const std::string&) override {}
    QPoint scroll;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter p(this);
        p.fillRect(event->rect(), Qt::white);
        for (int y = -(scroll.y() % 20); y < height(); y += 20)
            p.fillRect(10, y, width() - 20, 8, QColor(220, 220, 230));
    }
};

struct Setup {
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "marvo-bench-layer";
    PackageCache cache{folder};
    StampList stamps;
    CToolBox tools;
    Page page;
    CLayerWnd* layer;

    explicit Setup(bool memos, int document_height = 3000, int count = 1000)
    {
        std::filesystem::create_directories(folder);
        memo_layer_services() = {};
        memo_layer_services().cache = &cache;
        memo_layer_services().stamps = &stamps;
        memo_layer_services().tools = &tools;
        if (memos)
            add_mixed_memos(*cache.lookup(kUrl, true), count, kWidth, document_height);
        page.show();
        layer = new CLayerWnd(page);
        (void)QTest::qWaitForWindowExposed(&page);
    }
    ~Setup()
    {
        tools.set_current(0, nullptr);
        memo_layer_services() = {};
        std::filesystem::remove_all(folder);
    }
};

// One frame of a scrolling page: the page paints, the layer paints over it. The memos lie
// over a 3,000-pixel document, a quarter of them in view at a time.
void scroll_frames(benchmark::State& state, bool memos)
{
    ensure_app();
    Setup s(memos);
    int y = 0;
    for (auto _ : state) {
        y = (y + 13) % 2000;
        s.page.scroll = {0, y};
        s.page.repaint();
    }
    state.counters["objects"] = memos ? 1000 : 0;
}

// Scroll frames over a page that paints itself apart, as the engine does: the page is not
// repainted and the layer answers the scroll by repainting its whole area (first argument 0,
// as before) or only the tiles that hold memos and the rows that come into view (1). With
// 1,000 memos on the 3,000-pixel page the tiles cover most of the window, which is then
// repainted whole; with 40 they leave most of it to the page.
void BM_ScrollFrame_MemosOverALivePage(benchmark::State& state)
{
    ensure_app();
    const int count = int(state.range(1));
    Setup s(true, 3000, count);
    const bool tiles = state.range(0) != 0;
    int y = 0;
    for (auto _ : state) {
        y = (y + 13) % 2000;
        s.page.scroll = {0, y};
        if (tiles)
            s.layer->top_scrolled();
        else
            s.layer->update();
        QCoreApplication::processEvents();  // the update request paints and flushes
    }
    state.SetLabel(tiles ? "memo tiles" : "whole layer");
    state.counters["objects"] = count;
}

// Every memo in view: a repaint of the whole window with all 1,000 of them.
void BM_Frame_1000MemosAllInView(benchmark::State& state)
{
    ensure_app();
    Setup s(true, kHeight);
    for (auto _ : state)
        s.page.repaint();
}

// The packages of the fuzz corpus built to be slow, each a whole-window repaint.
const char* const kSlowPackages[] = {"slow-wide-soft-pen.ame", "slow-zigzag.ame", "slow-huge-values.ame"};

// The first package of a file of the corpus as the page's package; null when none is read.
PackageCache::PackagePtr load_slow_package(Setup& s, const char* name)
{
    std::ifstream file(std::filesystem::path(MARVO_SOURCE_DIR) / "fuzz/corpus/memo_draw" / name, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), {}};
    auto packages = parse_memo_file(bytes);
    if (packages.empty())
        return nullptr;
    packages.front()->url = kUrl;
    const PackageCache::PackagePtr package = s.cache.lookup(kUrl, true);
    package->assign(*packages.front());
    return package;
}

void BM_Frame_PackageBuiltToBeSlow(benchmark::State& state)
{
    ensure_app();
    const char* name = kSlowPackages[state.range(0)];
    Setup s(false);
    const PackageCache::PackagePtr package = load_slow_package(s, name);
    if (!package) {
        state.SkipWithError("no package read");
        return;
    }
    int outlined = 0;
    QObject::connect(s.layer, &CLayerWnd::drawing_cut_short, [&](int objects) { outlined = objects; });
    for (auto _ : state)
        s.page.repaint();
    state.SetLabel(name);
    state.counters["outlined"] = outlined;
    state.counters["objects"] = double(package->size());
}

// An event stamped with the time it was posted.
struct StampedEvent : QEvent {
    static inline const QEvent::Type kType = QEvent::Type(QEvent::registerEventType());
    StampedEvent() : QEvent(kType) {}
    std::chrono::steady_clock::time_point posted = std::chrono::steady_clock::now();
};

// Notes how long each stamped event waited for the window's thread.
class InputWatch : public QObject {
public:
    std::vector<double> waits_ms;
    bool event(QEvent* e) override
    {
        if (e->type() != StampedEvent::kType)
            return QObject::event(e);
        const auto waited = std::chrono::steady_clock::now() - static_cast<StampedEvent*>(e)->posted;
        waits_ms.push_back(std::chrono::duration<double, std::milli>(waited).count());
        return true;
    }
};

// Input while the layer draws a package built to be slow: for two seconds another thread posts
// an event every 5 ms (as the window system delivers input), and the page scrolls every 50 ms,
// each scroll asking for a new drawing of the whole layer; with the second argument 1 the
// freehand tool draws a stroke meanwhile, moved at every scroll. Counters: the longest and the
// median wait of an event from its post to its handling (on a busy machine the longest is
// mostly the wait for a core), and the longest time the window's thread spent on one event.
void BM_InputWhileDrawing_PackageBuiltToBeSlow(benchmark::State& state)
{
    TimedApplication* app = ensure_app();
    const char* name = kSlowPackages[state.range(0)];
    const bool drawing = state.range(1) != 0;
    Setup s(false);
    if (!load_slow_package(s, name)) {
        state.SkipWithError("no package read");
        return;
    }
    if (drawing) {
        s.tools.set_current(32785, s.layer);
        QTest::mousePress(&s.page, Qt::LeftButton, {}, QPoint(100, 100));
    }
    InputWatch watch;
    for (auto _ : state) {
        std::atomic<bool> stop = false;
        std::thread input([&] {
            while (!stop) {
                QCoreApplication::postEvent(&watch, new StampedEvent);
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
        QEventLoop loop;
        QTimer scroll;
        int step = 0;
        QObject::connect(&scroll, &QTimer::timeout, [&] {
            ++step;
            // Across as well as down: the layer cannot reuse the last picture.
            s.page.scroll = {step % 2, (step * 7) % 300};
            s.page.update();
            if (drawing)
                QTest::mouseMove(&s.page, QPoint(100 + step * 3 % 800, 100 + step * 5 % 500));
        });
        scroll.start(50);
        QTimer::singleShot(2000, &loop, &QEventLoop::quit);
        app->longest_event_ms = 0;
        loop.exec();
        state.counters["longest_event_ms"] = app->longest_event_ms;
        stop = true;
        input.join();
        QCoreApplication::processEvents();
    }
    if (drawing)
        QTest::mouseRelease(&s.page, Qt::LeftButton, {}, QPoint(100, 100));
    std::vector<double> waits = watch.waits_ms;
    std::sort(waits.begin(), waits.end());
    state.SetLabel(drawing ? std::string(name) + ", drawing a stroke" : name);
    state.counters["max_wait_ms"] = waits.empty() ? 0 : waits.back();
    state.counters["median_wait_ms"] = waits.empty() ? 0 : waits[waits.size() / 2];
    state.counters["events"] = double(waits.size());
}

// Closing a tab while its layer draws a slow package in the background (400 window-sized
// photos scaled on every drawing): the drawing ends at the next memo instead of being waited for.
void BM_CloseWhileDrawing(benchmark::State& state)
{
    ensure_app();
    Setup s(false);
    const PackageCache::PackagePtr package = s.cache.lookup(kUrl, true);
    for (int i = 0; i < 400; ++i) {
        auto photo = std::make_unique<PhotoObject>();
        photo->image.create(64, 48);
        photo->image.fill(rgb(0, 128, 255), 255);
        photo->rect = {0, 0, kWidth, MemoImage::kMaxSide + 100};  // too tall to keep scaled
        package->add(std::move(photo));
    }
    for (auto _ : state) {
        state.PauseTiming();
        if (!s.layer)
            s.layer = new CLayerWnd(s.page);
        s.page.repaint();  // starts the drawing
        QTest::qWait(20);
        state.ResumeTiming();
        delete std::exchange(s.layer, nullptr);
    }
}

// Packages that spend the whole drawing budget and more: window-sized shapes (range 0) or
// window-sized photos scaled from a small picture (range 1), 400 of them.
void BM_Frame_PackageOverBudget(benchmark::State& state)
{
    ensure_app();
    Setup s(false);
    const PackageCache::PackagePtr package = s.cache.lookup(kUrl, true);
    for (int i = 0; i < 400; ++i) {
        if (state.range(0) == 0) {
            auto shape = std::make_unique<PrimitiveObject>();
            shape->rect = {0, 0, kWidth, kHeight};
            package->add(std::move(shape));
        } else {
            auto photo = std::make_unique<PhotoObject>();
            photo->image.create(64, 48);
            photo->image.fill(rgb(0, 128, 255), 128);
            photo->rect = {0, 0, kWidth, kHeight};
            package->add(std::move(photo));
        }
    }
    int outlined = 0;
    QObject::connect(s.layer, &CLayerWnd::drawing_cut_short, [&](int objects) { outlined = objects; });
    for (auto _ : state)
        s.page.repaint();
    state.counters["outlined"] = outlined;
}

void BM_ScrollFrame_NoMemos(benchmark::State& state) { scroll_frames(state, false); }
void BM_ScrollFrame_1000Memos(benchmark::State& state) { scroll_frames(state, true); }

// A mouse move with the freehand tool down, through the event filter, to the painted segment.
void BM_FreehandMoveToPaint(benchmark::State& state)
{
    ensure_app();
    Setup s(state.range(0) != 0);
    s.tools.set_current(32785, s.layer);
    QPoint at(100, 100);
    QTest::mousePress(&s.page, Qt::LeftButton, {}, at);
    int step = 0;
    for (auto _ : state) {
        at = QPoint(100 + (step % 400), 100 + (step / 400 % 2) * 3);
        ++step;
        QTest::mouseMove(&s.page, at);
        QCoreApplication::processEvents();  // the update request paints the invalidated span
        if (step % 400 == 0) {  // keep strokes short, as people draw them
            state.PauseTiming();
            QTest::mouseRelease(&s.page, Qt::LeftButton, {}, at);
            QTest::mousePress(&s.page, Qt::LeftButton, {}, QPoint(100, 100));
            state.ResumeTiming();
        }
    }
    QTest::mouseRelease(&s.page, Qt::LeftButton, {}, at);
}

} // namespace

BENCHMARK(BM_ScrollFrame_NoMemos)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollFrame_1000Memos)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollFrame_MemosOverALivePage)->UseRealTime()->ArgsProduct({{0, 1}, {1000, 40}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Frame_1000MemosAllInView)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Frame_PackageBuiltToBeSlow)->MeasureProcessCPUTime()->UseRealTime()->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InputWhileDrawing_PackageBuiltToBeSlow)
    ->UseRealTime()
    ->Iterations(1)
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CloseWhileDrawing)->UseRealTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Frame_PackageOverBudget)->MeasureProcessCPUTime()->UseRealTime()->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FreehandMoveToPaint)->UseRealTime()->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
