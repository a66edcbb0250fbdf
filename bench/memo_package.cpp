// Package write and read speed, beside memcpy of the same bytes in the same run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>

#include "memo/MemoPackage.h"

using namespace memo;

namespace {

MemoPackage stroke_package()
{
    MemoPackage p;
    p.url = "http://www.example.jp/docs/";
    std::mt19937 random(1);
    for (int i = 0; i < 5000; ++i) {
        auto s = std::make_unique<StrokeObject>();
        const int n = 10 + int(random() % 40);
        for (int k = 0; k < n; ++k)
            s->points.push_back({int(random() % 1280), int(random() % 4000)});
        s->width = 1 + int(random() % 8);
        s->type = int(random() % 2);
        s->owner = "yamada";
        s->time = 1765000000 + i;
        p.add(std::move(s));
    }
    return p;
}

MemoPackage photo_package()
{
    MemoPackage p;
    std::mt19937 random(2);
    for (int i = 0; i < 10; ++i) {
        auto photo = std::make_unique<PhotoObject>();
        photo->image.create(1000, 1000);
        // A smooth picture with some noise, closer to a photo than flat colour.
        for (int y = 0; y < 1000; ++y)
            for (int x = 0; x < 1000; ++x)
                photo->image.set_argb(x, y, 0xFF000000u | std::uint32_t((x + i * 20) & 255) << 16 |
                                                std::uint32_t((y / 4) & 255) << 8 | std::uint32_t(random() % 32));
        photo->rect = {0, i * 100, 500, i * 100 + 500};
        p.add(std::move(photo));
    }
    return p;
}

const MemoPackage& strokes()
{
    static const MemoPackage p = stroke_package();
    return p;
}

const MemoPackage& photos()
{
    static const MemoPackage p = photo_package();
    return p;
}

void write_package(benchmark::State& state, const MemoPackage& p)
{
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string out = p.serialize();
        bytes = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * bytes));
}

void read_package(benchmark::State& state, const MemoPackage& p)
{
    const std::string bytes = p.serialize();
    for (auto _ : state) {
        auto back = parse_package(bytes);
        benchmark::DoNotOptimize(back.get());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * bytes.size()));
}

void copy_bytes(benchmark::State& state, const MemoPackage& p)
{
    const std::string bytes = p.serialize();
    std::string target(bytes.size(), '\0');
    for (auto _ : state) {
        std::memcpy(target.data(), bytes.data(), bytes.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * bytes.size()));
}

void BM_StrokePackageWrite(benchmark::State& s) { write_package(s, strokes()); }
void BM_StrokePackageRead(benchmark::State& s) { read_package(s, strokes()); }
void BM_StrokePackageMemcpy(benchmark::State& s) { copy_bytes(s, strokes()); }
void BM_PhotoPackageWrite(benchmark::State& s) { write_package(s, photos()); }
void BM_PhotoPackageRead(benchmark::State& s) { read_package(s, photos()); }
void BM_PhotoPackageMemcpy(benchmark::State& s) { copy_bytes(s, photos()); }

} // namespace

BENCHMARK(BM_StrokePackageWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StrokePackageRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StrokePackageMemcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PhotoPackageWrite)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_PhotoPackageRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PhotoPackageMemcpy)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
