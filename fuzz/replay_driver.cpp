// Runs a fuzz target without libFuzzer: every file of the given folders (or files) as it is,
// then a fixed number of deterministic mutations of each (bit flips, truncations, inserted
// bytes, patched length fields), so that a plain build still exercises the reader hard.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

using Bytes = std::vector<std::uint8_t>;

void run(const Bytes& input)
{
    LLVMFuzzerTestOneInput(input.data(), input.size());
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
        }
    }
    seeds.emplace_back();
    const char* env = std::getenv("MARVO_FUZZ_MUTATIONS");
    const int mutations = env ? std::atoi(env) : 2000;
    std::mt19937 random(12345);
    for (const Bytes& seed : seeds) {
        run(seed);
        for (int i = 0; i < mutations; ++i)
            run(mutate(seed, random));
    }
    std::printf("replayed %zu seeds with %d mutations each\n", seeds.size(), mutations);
    return 0;
}
