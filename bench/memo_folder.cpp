// Listing a memo folder for the memo pane: 10,000 packages, each with a 32 x 32 thumbnail and
// 200 strokes. The pane reads only URL, time and thumbnail of each file; the full read is
// measured beside it for comparison.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>

#include "memo/MemoIndex.h"
#include "memo/PackageFiles.h"

namespace {

constexpr memo::Time64 kNow = 1765000000;
constexpr int kPackages = 10000;
constexpr int kStrokes = 200;
constexpr int kPointsPerStroke = 16;

std::string u32(std::uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

// The folder is written once and removed at exit.
class MemoFolder {
public:
    MemoFolder()
        : path_(std::filesystem::temp_directory_path() / ("marvo-bench-memo-" + std::to_string(::getpid())))
    {
        std::filesystem::create_directories(path_);
        std::mt19937 random(7);
        memo::MemoPackage p;
        p.url = "http://placeholder/";
        p.time = kNow;
        p.width = 1024;
        // A page-like thumbnail: a gradient with noise, so it does not compress to nothing.
        p.thumbnail.create(32, 32);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                p.thumbnail.set_argb(x, y, 0xFF000000u | std::uint32_t(x * 8) << 16 | std::uint32_t(y * 8) << 8 |
                                               (random() & 0x3F));
        for (int s = 0; s < kStrokes; ++s) {
            auto stroke = std::make_unique<memo::StrokeObject>();
            for (int i = 0; i < kPointsPerStroke; ++i)
                stroke->points.push_back({int(random() % 1000), int(random() % 3000)});
            stroke->width = 3;
            stroke->owner = "yamada";
            stroke->time = kNow;
            p.add(std::move(stroke));
        }
        // Everything after the URL record is shared; each file gets its own URL and time.
        const std::string bytes = p.serialize();
        const std::size_t surl_length = 8 + 4 + p.url.size();
        const std::string rest = bytes.substr(8 + surl_length);
        const std::size_t time_at = rest.find("TIME") + 8;
        for (int i = 0; i < kPackages; ++i) {
            const std::string url = "http://www.example" + std::to_string(i % 300) + ".jp/articles/" + std::to_string(i) + "/";
            std::string body = "SURL" + u32(std::uint32_t(4 + url.size())) + u32(std::uint32_t(url.size())) + url + rest;
            const memo::Time64 time = kNow - (i % 30) * 86400;
            const std::size_t at = 8 + 4 + url.size() + time_at;
            for (int b = 0; b < 8; ++b)
                body[at + b] = char(std::uint64_t(time) >> (8 * b));
            std::ofstream(path_ / memo::package_file_name(url), std::ios::binary)
                << "PACK" << u32(std::uint32_t(body.size())) << body;
        }
        file_bytes_ = std::filesystem::file_size(path_ / memo::package_file_name("http://www.example0.jp/articles/0/"));
    }
    ~MemoFolder() { std::filesystem::remove_all(path_); }

    const std::filesystem::path& path() const { return path_; }
    std::uintmax_t file_bytes() const { return file_bytes_; }

private:
    std::filesystem::path path_;
    std::uintmax_t file_bytes_ = 0;
};

MemoFolder& folder()
{
    static MemoFolder instance;
    return instance;
}

void BM_ListMemoFolderForPane(benchmark::State& state)
{
    const auto& path = folder().path();
    for (auto _ : state) {
        auto groups = memo::group_memo_sites(memo::collect_memo_sites({}, path));
        std::size_t sites = 0;
        for (const auto& g : groups)
            sites += g.sites.size();
        if (sites != kPackages || groups.size() != 30)
            state.SkipWithError("wrong listing");
        benchmark::DoNotOptimize(groups.data());
    }
    state.counters["files"] = kPackages;
    state.counters["bytes_per_file"] = static_cast<double>(folder().file_bytes());
}
BENCHMARK(BM_ListMemoFolderForPane)->Unit(benchmark::kMillisecond);

// The same folder read with the full package reader: what the pane avoids.
void BM_ReadMemoFolderWhole(benchmark::State& state)
{
    const auto& path = folder().path();
    for (auto _ : state) {
        std::size_t objects = 0;
        std::string bytes;
        for (const auto& entry : std::filesystem::directory_iterator(path)) {
            memo::read_whole_file(entry.path(), bytes);
            if (auto p = memo::parse_package(bytes))
                objects += p->size();
        }
        if (objects != std::size_t(kPackages) * kStrokes)
            state.SkipWithError("wrong object count");
    }
}
BENCHMARK(BM_ReadMemoFolderWhole)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
