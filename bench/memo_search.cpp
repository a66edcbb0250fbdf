// Finding memos as the user types, over a memo folder of 10,000 packages: each has three text
// boxes of twelve words (English and Japanese), 20 strokes of two authors and a 32 x 32
// thumbnail. Measured: reading the folder into the index, a search per keystroke, reading one
// saved package again, and the memory the index keeps.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <malloc.h>
#include <random>
#include <ctime>
#include <string>
#include <unistd.h>

#include "memo/MemoSearchIndex.h"
#include "memo/PackageFiles.h"

namespace {

constexpr memo::Time64 kNow = 1765000000;
constexpr int kPackages = 10000;
constexpr std::size_t kShown = 200; // the most results the memo pane lists

const char* const kWords[] = {
    "meeting", "minutes", "budget", "recipe", "travel", "photo", "review", "deadline", "draft", "release",
    "invoice", "summary", "Tokyo", "Osaka", "weather", "movie", "music", "important", "check", "todo",
    // Shift_JIS: 会議 議事録 予定 東京 大阪 料理 レシピ 旅行 写真 メモ 確認 重要 資料 締め切り 新聞 記事
    // アイス 天気 映画 音楽
    "\x89\xef\x8b\x63", "\x8b\x63\x8e\x96\x98\x5e", "\x97\x5c\x92\xe8", "\x93\x8c\x8b\x9e", "\x91\xe5\x8d\xe3",
    "\x97\xbf\x97\x9d", "\x83\x8c\x83\x56\x83\x73", "\x97\xb7\x8d\x73", "\x8e\xca\x90\x5e", "\x83\x81\x83\x82",
    "\x8a\x6d\x94\x46", "\x8f\x64\x97\x76", "\x8e\x91\x97\xbf", "\x92\xf7\x82\xdf\x90\xd8\x82\xe8",
    "\x90\x56\x95\xb7", "\x8b\x4c\x8e\x96", "\x83\x41\x83\x43\x83\x58", "\x93\x56\x8b\x43", "\x89\x66\x89\xe6",
    "\x89\xb9\x8a\x79"};

std::string url_of(int i) { return "http://www.example" + std::to_string(i % 300) + ".jp/articles/" + std::to_string(i) + "/"; }

memo::MemoPackage package_of(int i, std::mt19937& random, const std::string& extra_word)
{
    memo::MemoPackage p;
    p.url = url_of(i);
    p.time = kNow - (i % 30) * 86400;
    p.width = 1024;
    p.thumbnail.create(32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            p.thumbnail.set_argb(x, y, 0xFF000000u | std::uint32_t(x * 8) << 16 | (random() & 0x3F));
    for (int b = 0; b < 3; ++b) {
        auto box = std::make_unique<memo::TextBoxObject>();
        for (int w = 0; w < 12; ++w)
            box->text += std::string(kWords[random() % std::size(kWords)]) + (w % 4 == 3 ? "\n" : " ");
        box->text += extra_word;
        box->owner = b == 0 ? "suzuki" : "yamada";
        box->rect = {10, 100 * b, 300, 100 * b + 60};
        p.add(std::move(box));
    }
    for (int s = 0; s < 20; ++s) {
        auto stroke = std::make_unique<memo::StrokeObject>();
        for (int k = 0; k < 16; ++k)
            stroke->points.push_back({int(random() % 1000), int(random() % 3000)});
        stroke->owner = s % 2 ? "tanaka" : "yamada";
        stroke->time = kNow;
        p.add(std::move(stroke));
    }
    return p;
}

// The folder is written once and removed at exit. Package i also holds the word "pkg<i>",
// found in exactly one package.
class MemoFolder {
public:
    MemoFolder()
        : path_(std::filesystem::temp_directory_path() / ("marvo-bench-search-" + std::to_string(::getpid())))
    {
        std::filesystem::create_directories(path_);
        std::mt19937 random(11);
        for (int i = 0; i < kPackages; ++i)
            memo::write_package_file(package_of(i, random, "pkg" + std::to_string(i)),
                                     path_ / memo::package_file_name(url_of(i)));
    }
    ~MemoFolder() { std::filesystem::remove_all(path_); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

MemoFolder& folder()
{
    static MemoFolder instance;
    return instance;
}

// Bytes the process holds from the allocator.
double allocated_bytes() { return double(::mallinfo2().uordblks); }

// CPU time of the whole process (the index's thread included), in milliseconds: on a busy
// machine a truer figure than the wall clock.
double process_cpu_ms()
{
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

void BM_BuildIndex(benchmark::State& state)
{
    const auto& path = folder().path();
    double cpu = 0;
    for (auto _ : state) {
        const double before = allocated_bytes();
        const double started = process_cpu_ms();
        memo::MemoSearchIndex index(path);
        index.wait_idle();
        cpu += process_cpu_ms() - started;
        state.counters["index_MiB"] = (allocated_bytes() - before) / (1024 * 1024);
        if (index.sites() != std::size_t(kPackages))
            state.SkipWithError("wrong site count");
    }
    state.counters["cpu_ms"] = cpu / double(state.iterations());
}
BENCHMARK(BM_BuildIndex)->Unit(benchmark::kMillisecond)->Iterations(3);

memo::MemoSearchIndex& built_index()
{
    static memo::MemoSearchIndex index(folder().path());
    index.wait_idle();
    return index;
}

// One keystroke: the query as typed so far, searched whole.
void search_keystrokes(benchmark::State& state, const std::string& typed)
{
    memo::MemoSearchIndex& index = built_index();
    std::size_t found = 0;
    for (auto _ : state) {
        const std::size_t length = 1 + std::size_t(state.iterations() % typed.size());
        found = index.search(typed.substr(0, length), kShown).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["sites_found_last"] = double(found);
}
// Each iteration searches one prefix of the query, cycling through them as typing would.
BENCHMARK_CAPTURE(search_keystrokes, english_word, std::string("deadline"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(search_keystrokes, one_package, std::string("pkg9876"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(search_keystrokes, japanese_two_words, std::string("\x8b\x63\x8e\x96\x98\x5e \x93\x8c\x8b\x9e"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(search_keystrokes, author_and_word, std::string("tanaka Osaka"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(search_keystrokes, nothing_found, std::string("qqqqqq"))->Unit(benchmark::kMillisecond);

// A saved package: its file is written (not timed) and the index told, then waited for.
void BM_UpdateOneSavedPackage(benchmark::State& state)
{
    memo::MemoSearchIndex& index = built_index();
    std::mt19937 random(3);
    int i = 0;
    double cpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const int n = i++ % kPackages;
        memo::write_package_file(package_of(n, random, "pkg" + std::to_string(n)),
                                 folder().path() / memo::package_file_name(url_of(n)));
        state.ResumeTiming();
        const double started = process_cpu_ms();
        index.stored({url_of(n)});
        index.wait_idle();
        cpu += process_cpu_ms() - started;
    }
    state.counters["cpu_us"] = cpu * 1e3 / double(state.iterations());
}
BENCHMARK(BM_UpdateOneSavedPackage)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
