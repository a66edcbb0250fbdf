#include "memo/PixelRows.h"

#include <algorithm>
#include <cstring>

namespace memo::pixel_rows {

namespace {

// Four pixels: their 16 bytes, and the same widened to 16-bit lanes, where every
// intermediate of the blend stays below 65536 (one AVX2 register).
using Bytes = std::uint8_t __attribute__((vector_size(16)));
using Lanes = std::uint16_t __attribute__((vector_size(32)));
constexpr int kStep = 4;

// The helpers must melt into each instruction-set copy of the loops that use them. Vectors
// wider than 16 bytes go by reference: their by-value calling convention differs between
// instruction sets.
#define Inline [[gnu::always_inline]] inline

Inline Bytes load(const std::uint8_t* p)
{
    Bytes v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

Inline void store(std::uint8_t* p, Bytes v)
{
    std::memcpy(p, &v, sizeof v);
}

Inline void widen(Bytes v, Lanes& out)
{
    out = __builtin_convertvector(v, Lanes);
}

Inline Bytes narrow(const Lanes& v)
{
    return __builtin_convertvector(v, Bytes);
}

// Lanes of the alpha channel set to all ones.
constexpr Lanes kAlphaLanes = {0, 0, 0, 0xFFFF, 0, 0, 0, 0xFFFF, 0, 0, 0, 0xFFFF, 0, 0, 0, 0xFFFF};

// Each pixel's alpha copied into its four lanes, with shifts on whole pixels (shuffles of
// such wide vectors turn into scalar code).
Inline void alpha_of(const Lanes& s, Lanes& out)
{
    using Pixels = std::uint64_t __attribute__((vector_size(32)));
    Pixels a = Pixels(s) >> 48;
    a |= a << 16;
    a |= a << 32;
    out = Lanes(a);
}

// The scalar forms, for the pixels after the last whole group.
Inline std::uint32_t mix(std::uint32_t d, std::uint32_t s, std::uint32_t a)
{
    const std::uint32_t na = 256 - a;
    const std::uint32_t rb = (((d & 0x00FF00FFu) * na + (s & 0x00FF00FFu) * a) >> 8) & 0x00FF00FFu;
    const std::uint32_t g = ((((d >> 8) & 0xFFu) * na + ((s >> 8) & 0xFFu) * a) >> 8) & 0xFFu;
    return rb | g << 8;
}

Inline std::uint32_t load_word(const std::uint8_t* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

Inline void store_word(std::uint8_t* p, std::uint32_t v)
{
    std::memcpy(p, &v, 4);
}

} // namespace

[[gnu::target_clones("avx2", "default")]] void blend(std::uint8_t* d, const std::uint8_t* s, int count)
{
    int i = 0;
    for (; i + kStep <= count; i += kStep, d += 4 * kStep, s += 4 * kStep) {
        std::uint64_t words[2];
        std::memcpy(words, s, sizeof words);
        // Fully transparent source pixels leave the destination as it is.
        if (((words[0] | words[1]) & 0xFF000000FF000000u) == 0)
            continue;
        Lanes dv, sv, a;
        widen(load(d), dv);
        widen(load(s), sv);
        alpha_of(sv, a);
        const Lanes colour = (dv * ((Lanes{} + 256) - a) + sv * a) >> 8;
        // min(255, d + a): a sum past 255 gets all bits set, and narrowing keeps its low byte.
        const Lanes sum = dv + sv;
        const Lanes alpha = sum | (Lanes{} - (sum >> 8));
        store(d, narrow((colour & ~kAlphaLanes) | (alpha & kAlphaLanes)));
    }
    for (; i < count; ++i, d += 4, s += 4) {
        const std::uint32_t sp = load_word(s), a = sp >> 24;
        if (a == 0)
            continue;
        const std::uint32_t dp = load_word(d);
        store_word(d, mix(dp, sp, a) | std::min<std::uint32_t>(255, (dp >> 24) + a) << 24);
    }
}

[[gnu::target_clones("avx2", "default")]] void blend_constant(std::uint8_t* d, const std::uint8_t* s,
                                                                      int count, std::uint8_t a)
{
    // Alpha lanes keep the destination: d * 256 >> 8.
    const Lanes keep = ((Lanes{} + std::uint16_t(256 - a)) & ~kAlphaLanes) | ((Lanes{} + 256) & kAlphaLanes);
    const Lanes take = (Lanes{} + a) & ~kAlphaLanes;
    int i = 0;
    for (; i + kStep <= count; i += kStep, d += 4 * kStep, s += 4 * kStep) {
        Lanes dv, sv;
        widen(load(d), dv);
        widen(load(s), sv);
        store(d, narrow((dv * keep + sv * take) >> 8));
    }
    for (; i < count; ++i, d += 4, s += 4) {
        const std::uint32_t dp = load_word(d);
        store_word(d, mix(dp, load_word(s), a) | (dp & 0xFF000000u));
    }
}

[[gnu::target_clones("avx2", "default")]] void blend_colour(std::uint8_t* d, std::uint32_t pixel, int count,
                                                                    std::uint8_t a)
{
    Lanes source{};
    for (int lane = 0; lane < 16; ++lane)
        source[lane] = std::uint16_t(pixel >> (8 * (lane % 4)) & 0xFF);
    const Lanes keep = ((Lanes{} + std::uint16_t(256 - a)) & ~kAlphaLanes) | ((Lanes{} + 256) & kAlphaLanes);
    const Lanes taken = (source * (Lanes{} + a)) & ~kAlphaLanes;
    int i = 0;
    for (; i + kStep <= count; i += kStep, d += 4 * kStep) {
        Lanes dv;
        widen(load(d), dv);
        store(d, narrow((dv * keep + taken) >> 8));
    }
    for (; i < count; ++i, d += 4) {
        const std::uint32_t dp = load_word(d);
        store_word(d, mix(dp, pixel, a) | (dp & 0xFF000000u));
    }
}

[[gnu::target_clones("avx2", "default")]] void blend_remaining(std::uint8_t* d, const std::uint16_t* remaining0,
                                                             const std::uint16_t* remaining1,
                                                             const std::uint8_t* sums, int count,
                                                             std::uint32_t pixel0, std::uint32_t pixel1)
{
    // Two pixels per step, one 32-bit lane per channel. The alpha lanes keep all of
    // themselves (65536) and gain the sum afterwards.
    using Wide = std::uint32_t __attribute__((vector_size(32)));
    using Eight = std::uint8_t __attribute__((vector_size(8)));
    const Wide colour0{pixel0 & 0xFF, pixel0 >> 8 & 0xFF, pixel0 >> 16 & 0xFF, 0,
                       pixel0 & 0xFF, pixel0 >> 8 & 0xFF, pixel0 >> 16 & 0xFF, 0};
    const Wide colour1{pixel1 & 0xFF, pixel1 >> 8 & 0xFF, pixel1 >> 16 & 0xFF, 0,
                       pixel1 & 0xFF, pixel1 >> 8 & 0xFF, pixel1 >> 16 & 0xFF, 0};
    int i = 0;
    for (; i + 2 <= count; i += 2, d += 8) {
        if ((sums[i] | sums[i + 1]) == 0)
            continue;
        Eight bytes;
        std::memcpy(&bytes, d, 8);
        Wide v = __builtin_convertvector(bytes, Wide);
        const std::uint32_t a0 = remaining0[i] + 1u, b0 = remaining0[i + 1] + 1u;
        const std::uint32_t a1 = remaining1[i] + 1u, b1 = remaining1[i + 1] + 1u;
        const Wide keep0{a0, a0, a0, 65536, b0, b0, b0, 65536}, keep1{a1, a1, a1, 65536, b1, b1, b1, 65536};
        v = (v * keep0 + colour0 * (65536 - keep0)) >> 16;
        v = (v * keep1 + colour1 * (65536 - keep1)) >> 16;
        v += Wide{0, 0, 0, sums[i], 0, 0, 0, sums[i + 1]};
        // Alpha sums past 255 get all bits set, and narrowing keeps the low byte.
        v |= Wide{} - (v >> 8);
        bytes = __builtin_convertvector(v, Eight);
        std::memcpy(d, &bytes, 8);
    }
    for (; i < count; ++i, d += 4) {
        if (sums[i] == 0)
            continue;
        const std::uint32_t keep0 = remaining0[i] + 1u, keep1 = remaining1[i] + 1u;
        for (int ch = 0; ch < 3; ++ch) {
            const std::uint32_t c0 = pixel0 >> (8 * ch) & 0xFF, c1 = pixel1 >> (8 * ch) & 0xFF;
            const std::uint32_t v = (d[ch] * keep0 + c0 * (65536 - keep0)) >> 16;
            d[ch] = std::uint8_t((v * keep1 + c1 * (65536 - keep1)) >> 16);
        }
        d[3] = std::uint8_t(std::min(255, d[3] + sums[i]));
    }
}

#undef Inline

[[gnu::target_clones("avx2", "default")]] void premultiply_from_backdrops(std::uint8_t* b, const std::uint8_t* w,
                                                                          int count)
{
    const Bytes alpha_lanes = {0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF};
    int i = 0;
    for (; i + kStep <= count; i += kStep, b += 16, w += 16) {
        const Bytes black = load(b);
        const Bytes white = load(w);
        // Per channel, how much more the white drawing is: the page's share there.
        const Bytes through = white > black ? Bytes(white - black) : Bytes{};
        using Words = std::uint32_t __attribute__((vector_size(16)));
        Words t = Words(through & ~alpha_lanes);
        // The largest of the three colour channels, in every byte of the pixel.
        const Words c0 = t & 0xFF, c1 = (t >> 8) & 0xFF, c2 = (t >> 16) & 0xFF;
        Words m = c0 > c1 ? c0 : c1;
        m = m > c2 ? m : c2;
        const Words alpha = 255 - m;
        const Bytes alpha_bytes = Bytes(alpha | alpha << 8 | alpha << 16 | alpha << 24);
        Bytes out = black < alpha_bytes ? black : alpha_bytes;
        out = (out & ~alpha_lanes) | (alpha_bytes & alpha_lanes);
        store(b, out);
    }
    for (; i < count; ++i, b += 4, w += 4) {
        int through = 0;
        for (int c = 0; c < 3; ++c)
            through = std::max(through, int(w[c]) - int(b[c]));
        const std::uint8_t alpha = std::uint8_t(255 - through);
        for (int c = 0; c < 3; ++c)
            b[c] = std::min(b[c], alpha);
        b[3] = alpha;
    }
}

void backdrops_from_premultiplied(std::uint8_t* b, std::uint8_t* w, int count)
{
    for (int i = 0; i < count; ++i, b += 4, w += 4) {
        const int through = 255 - b[3];
        for (int c = 0; c < 3; ++c)
            w[c] = std::uint8_t(std::min(255, b[c] + through));
        b[3] = w[3] = 255;
    }
}

} // namespace memo::pixel_rows
