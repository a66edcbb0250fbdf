// Loading and saving a large history file, and one visit on a large history.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>

#include "places/History.h"

namespace {

constexpr std::int64_t kNow = 1765000000;

std::vector<places::HistoryEntry> make_entries(std::size_t n)
{
    std::vector<places::HistoryEntry> entries;
    entries.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        // Typical page addresses, spread over the last 30 days, oldest first.
        const auto time = kNow - 30 * places::kSecondsPerDay + static_cast<std::int64_t>(i * 25);
        entries.push_back({"http://www.example" + std::to_string(i % 500) + ".jp/articles/2026/" +
                               std::to_string(i) + "/index.html",
                           time});
    }
    return entries;
}

std::filesystem::path write_history(std::size_t n)
{
    const auto path = std::filesystem::temp_directory_path() /
                      ("marvo-bench-history-" + std::to_string(::getpid()) + "-" + std::to_string(n) + ".bin");
    places::History history([] { return kNow; });
    history.add_visits(make_entries(n));
    if (!history.save(path))
        throw std::runtime_error("cannot write " + path.string());
    return path;
}

void BM_LoadHistory(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    const auto path = write_history(n);
    for (auto _ : state) {
        places::History history([] { return kNow; });
        if (!history.load(path) || history.size() != n)
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(history.entries().data());
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove(path);
}
BENCHMARK(BM_LoadHistory)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_SaveHistory(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    places::History history([] { return kNow; });
    history.add_visits(make_entries(n));
    const auto path = std::filesystem::temp_directory_path() /
                      ("marvo-bench-history-save-" + std::to_string(::getpid()) + ".bin");
    for (auto _ : state) {
        if (!history.save(path))
            state.SkipWithError("save failed");
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_SaveHistory)->Arg(100000)->Unit(benchmark::kMillisecond);

// A revisit of the oldest entry of a large history: the cost of one navigation.
void BM_RevisitOnLargeHistory(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    std::int64_t now = kNow;
    places::History history([&now] { return now; });
    history.add_visits(make_entries(n));
    for (auto _ : state) {
        ++now;
        history.add_visit(history.entries().front());
    }
}
BENCHMARK(BM_RevisitOnLargeHistory)->Arg(100000)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
