// Drawing speed: a full repaint of 1,000 mixed memos (no effects) into a 1280 x 1024 window
// surface, each region effect per megapixel, and the per-pixel work the drawing budget weighs
// against a blended fill (the weights in MemoDraw.cpp are these times over BM_PixelWork/0).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <random>
#include <string>

#include "memo/MemoPackage.h"
#include "memo/Repainter.h"
#include "memo/StampList.h"
#include "memo/ui/QtCanvas.h"

using namespace memo;

namespace {

constexpr int kWidth = 1280, kHeight = 1024;

void ensure_app()
{
    static int argc = 1;
    static char name[] = "bench_memo_draw";
    static char* argv[] = {name, nullptr};
    if (!QGuiApplication::instance()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        new QGuiApplication(argc, argv);
    }
}

MemoPackage mixed_package(StampList& stamps)
{
    MemoImage picture(64, 64);
    picture.fill(rgb(200, 0, 0), 200);
    stamps.add("OK", picture);
    MemoPackage p;
    std::mt19937 random(3);
    auto point = [&] { return Point{int(random() % kWidth), int(random() % kHeight)}; };
    auto rect = [&](int w, int h) {
        const Point a = point();
        return Rect{a.x, a.y, a.x + w, a.y + h};
    };
    for (int i = 0; i < 1000; ++i) {
        switch (i % 6) {
        case 0:
        case 1: {
            auto s = std::make_unique<StrokeObject>();
            Point a = point();
            for (int k = 0; k < 20; ++k) {
                s->points.push_back(a);
                a.x += int(random() % 21) - 10;
                a.y += int(random() % 21) - 10;
            }
            s->width = 3;
            s->type = i % 2;
            s->arrow_end = true;
            s->colour = rgb(255, 0, 0);
            s->border_colour = rgb(0, 0, 255);
            p.add(std::move(s));
            break;
        }
        case 2: {
            auto t = std::make_unique<TextBoxObject>();
            t->rect = rect(120, 60);
            t->shape = int(random() % 2);
            t->text = "memo\nhttp://www.example.jp/";
            p.add(std::move(t));
            break;
        }
        case 3: {
            auto s = std::make_unique<StampObject>();
            s->name = "OK";
            s->rect = rect(64, 64);
            p.add(std::move(s));
            break;
        }
        case 4: {
            auto ph = std::make_unique<PhotoObject>();
            ph->image.create(80, 60);
            ph->image.fill(rgb(0, 128, 255), 255);
            ph->rect = rect(100, 75);
            p.add(std::move(ph));
            break;
        }
        default: {
            auto pr = std::make_unique<PrimitiveObject>();
            pr->shape = int(random() % 5);
            pr->rect = rect(80, 60);
            pr->border_width = 2;
            p.add(std::move(pr));
            break;
        }
        }
    }
    return p;
}

// The repaint as the memo layer does it, on two threads; state.range(0) = 0 draws on one.
void BM_RepaintMixed1000(benchmark::State& state)
{
    ensure_app();
    StampList stamps;
    MemoPackage p = mixed_package(stamps);
    MemoImage target(kWidth, kHeight), s1, s2;
    QtCanvasFactory canvases;
    Repainter repainter(std::make_unique<QtCanvasFactory>());
    for (auto _ : state) {
        target.fill(rgb(255, 255, 255), 255);
        DrawContext ctx{target, s1, s2, Region({0, 0, kWidth, kHeight}), {}, canvases, &stamps};
        if (state.range(0)) {
            repainter.draw(p, ctx);
        } else {
            for (std::size_t i = 0; i < p.size(); ++i)
                p.at(i).draw(ctx);
        }
    }
    state.SetLabel(state.range(0) ? "two threads" : "one thread");
}

// One kind at a time (the same objects as the mixed repaint): where the time goes.
void BM_RepaintKind(benchmark::State& state)
{
    ensure_app();
    StampList stamps;
    MemoPackage p = mixed_package(stamps);
    MemoImage target(kWidth, kHeight), s1, s2;
    QtCanvasFactory canvases;
    const auto kind = MemoKind(state.range(0));
    const bool soft = state.range(1) != 0;
    for (auto _ : state) {
        target.fill(rgb(255, 255, 255), 255);
        DrawContext ctx{target, s1, s2, Region({0, 0, kWidth, kHeight}), {}, canvases, &stamps};
        for (std::size_t i = 0; i < p.size(); ++i)
            if (p.at(i).kind() == kind &&
                (kind != MemoKind::Stroke || (static_cast<StrokeObject&>(p.at(i)).type == 1) == soft))
                p.at(i).draw(ctx);
    }
    state.SetLabel(std::string(kind_name(std::uint32_t(kind))) + (soft ? " soft" : ""));
}

void BM_Effect(benchmark::State& state)
{
    ensure_app();
    MemoImage target(kWidth, kHeight), s1, s2;
    target.fill(rgb(30, 60, 90), 255);
    QtCanvasFactory canvases;
    EffectObject e;
    e.operation = int(state.range(0));
    e.shape = 1;
    e.rect = {100, 10, 1100, 1010}; // one megapixel
    for (auto _ : state) {
        DrawContext ctx{target, s1, s2, Region({0, 0, kWidth, kHeight}), {}, canvases, nullptr};
        e.draw(ctx);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(std::array{"mosaic", "lens", "blur", "negative"}[state.range(0)]);
}

} // namespace

// A window of pixels: 0 a blended fill, 1 a photo enlarged from 64 x 48 (once per size),
// 2 a stamp blended while scaled from 64 x 48.
void BM_PixelWork(benchmark::State& state)
{
    MemoImage picture(64, 48), target(kWidth, kHeight);
    picture.fill(rgb(0, 128, 255), 200);
    for (auto _ : state) {
        switch (state.range(0)) {
        case 0: target.fill_rect(0, 0, kWidth, kHeight, rgb(10, 20, 30), 128); break;
        case 1: benchmark::DoNotOptimize(picture.scaled(kWidth, kHeight)); break;
        default:
            target.scaled_blend(0, 0, kWidth, kHeight, picture, 0, 0, 64, 48, Rect{0, 0, kWidth, kHeight});
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

BENCHMARK(BM_PixelWork)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepaintMixed1000)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepaintKind)
    ->Args({6, 0})->Args({1, 0})->Args({1, 1})->Args({2, 0})->Args({3, 0})->Args({4, 0})->Args({5, 0})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Effect)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
