// Runs a fuzz target without libFuzzer: every file of the given folders (or files) as it is,
// then a fixed number of deterministic mutations of each (bit flips, truncations, inserted
// bytes, patched length fields), so that a plain build still exercises the reader hard.
//
// An input that takes longer than a bound fails the replay, so a slow input, once kept in the
// corpus, stays fixed. The bound is CPU time of the process, which other programs on a busy
// machine do not inflate; the sanitizers slow the readers down three to five times, hence
// their wider bound. MARVO_FUZZ_TIME_BOUND_MS overrides it.
#include <algorithm>
#include <ctime>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

using Bytes = std::vector<std::uint8_t>;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

double cpu_ms()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

int time_bound_ms()
{
    if (const char* env = std::getenv("MARVO_FUZZ_TIME_BOUND_MS"))
        return std::atoi(env);
    return kSanitized ? 1500 : 300;
}

// Runs one input; over the bound, keeps it beside the working folder and fails.
void run(const Bytes& input, const std::string& what)
{
    static const int bound = time_bound_ms();
    const double start = cpu_ms();
    LLVMFuzzerTestOneInput(input.data(), input.size());
    const double spent = cpu_ms() - start;
    if (bound > 0 && spent > bound) {
        const char* path = "slow-input";
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(input.data()),
                                                    static_cast<std::streamsize>(input.size()));
        std::fprintf(stderr, "%s took %.0f ms of CPU time, over the bound of %d ms; the input is in %s\n",
                     what.c_str(), spent, bound, path);
        std::exit(1);
    }
}

Bytes mutate(const Bytes& seed, std::mt19937& random)
{
    Bytes out = seed;
    const int edits = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < edits; ++i) {
        const auto pick = [&](std::size_t n) { return n == 0 ? 0 : random() % n; };
        switch (random() % 5) {
        case 0: // flip a bit
            if (!out.empty())
                out[pick(out.size())] ^= std::uint8_t(1u << (random() % 8));
            break;
        case 1: // truncate
            out.resize(pick(out.size() + 1));
            break;
        case 2: // insert a byte
            out.insert(out.begin() + static_cast<long>(pick(out.size() + 1)), std::uint8_t(random()));
            break;
        case 3: { // overwrite 4 bytes with an extreme little-endian length
            if (out.size() >= 4) {
                static const std::uint32_t extremes[] = {0, 1, 0x7fffffff, 0xffffffff, 0x10000, 4096};
                const std::uint32_t v = extremes[random() % 6];
                const std::size_t at = pick(out.size() - 3);
                for (int b = 0; b < 4; ++b)
                    out[at + b] = std::uint8_t(v >> (8 * b));
            }
            break;
        }
        default: // duplicate a slice
            if (!out.empty()) {
                const std::size_t from = pick(out.size());
                const std::size_t length = 1 + pick(std::min<std::size_t>(64, out.size() - from));
                Bytes slice(out.begin() + static_cast<long>(from), out.begin() + static_cast<long>(from + length));
                out.insert(out.begin() + static_cast<long>(pick(out.size() + 1)), slice.begin(), slice.end());
            }
            break;
        }
    }
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<Bytes> seeds;
    std::vector<std::string> names;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path root(argv[i]);
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(root)) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
                if (entry.is_regular_file())
                    files.push_back(entry.path());
        } else if (std::filesystem::exists(root)) {
            files.push_back(root);
        }
        std::sort(files.begin(), files.end());
        for (const auto& file : files) {
            std::ifstream in(file, std::ios::binary);
            seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            names.push_back(file.string());
        }
    }
    seeds.emplace_back();
    names.emplace_back("the empty input");
    const char* env = std::getenv("MARVO_FUZZ_MUTATIONS");
    const int mutations = env ? std::atoi(env) : 2000;
    std::mt19937 random(12345);
    for (std::size_t s = 0; s < seeds.size(); ++s) {
        run(seeds[s], names[s]);
        for (int i = 0; i < mutations; ++i)
            run(mutate(seeds[s], random), "mutation " + std::to_string(i) + " of " + names[s]);
    }
    std::printf("replayed %zu seeds with %d mutations each\n", seeds.size(), mutations);
    return 0;
}
