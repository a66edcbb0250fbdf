#include "memo/MemoTypes.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <random>

namespace memo {

namespace {

std::int32_t saturate(std::int64_t v)
{
    return std::int32_t(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                 std::numeric_limits<std::int32_t>::max()));
}

} // namespace

namespace {

Time64 compute_never_time()
{
    std::tm local{};
    local.tm_year = 71;
    local.tm_mon = 0;
    local.tm_mday = 1;
    local.tm_hour = 1;
    local.tm_isdst = -1;
    return Time64(std::mktime(&local));
}

} // namespace

// mktime is slow and every new object asks; the answer changes only with the time zone.
struct NeverTimeCache {
    std::string zone;
    bool has_zone = false;
    Time64 value = 0;
    bool valid = false;
};
thread_local NeverTimeCache never_time_cache;
// NeverTimeHeld alive on this thread, and the answer they hold. Plain values apart from the
// cache, so that reading them needs no call to set up the thread's copy.
thread_local int never_time_held = 0;
thread_local Time64 never_time_held_value = 0;

NeverTimeHeld::NeverTimeHeld()
{
    if (never_time_held == 0)
        never_time_held_value = never_time();
    ++never_time_held;
}

NeverTimeHeld::~NeverTimeHeld()
{
    --never_time_held;
}

Time64 never_time()
{
    if (never_time_held > 0)
        return never_time_held_value;
    NeverTimeCache& cache = never_time_cache;
    const char* tz = std::getenv("TZ");
    if (!cache.valid || cache.has_zone != (tz != nullptr) || (tz && cache.zone != tz)) {
        cache.has_zone = tz != nullptr;
        cache.zone = tz ? tz : "";
        cache.value = compute_never_time();
        cache.valid = true;
    }
    return cache.value;
}

Time64 now_time()
{
    return Time64(std::time(nullptr));
}

Rect Rect::offset(std::int64_t dx, std::int64_t dy) const
{
    return {saturate(left + dx), saturate(top + dy), saturate(right + dx), saturate(bottom + dy)};
}

Rect Rect::inflated(std::int32_t d) const
{
    return {saturate(std::int64_t(left) - d), saturate(std::int64_t(top) - d), saturate(std::int64_t(right) + d),
            saturate(std::int64_t(bottom) + d)};
}

Rect Rect::intersected(const Rect& o) const
{
    Rect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom)};
    return r.is_empty() ? Rect{} : r;
}

Rect Rect::united(const Rect& o) const
{
    if (is_empty())
        return o;
    if (o.is_empty())
        return *this;
    return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right), std::max(bottom, o.bottom)};
}

bool Region::intersects(const Rect& r) const
{
    return std::any_of(rects.begin(), rects.end(), [&](const Rect& x) { return x.intersects(r); });
}

Region Region::intersected(const Rect& r) const
{
    Region out;
    for (const Rect& x : rects) {
        const Rect i = x.intersected(r);
        if (!i.is_empty())
            out.rects.push_back(i);
    }
    return out;
}

std::string LogFont::face() const
{
    return std::string(face_name, strnlen(face_name, sizeof face_name));
}

void LogFont::set_face(std::string_view sjis)
{
    std::memset(face_name, 0, sizeof face_name);
    std::memcpy(face_name, sjis.data(), std::min(sjis.size(), sizeof face_name - 1));
}

bool LogFont::operator==(const LogFont& o) const
{
    return height == o.height && width == o.width && escapement == o.escapement && orientation == o.orientation &&
           weight == o.weight && italic == o.italic && underline == o.underline && strike_out == o.strike_out &&
           char_set == o.char_set && out_precision == o.out_precision && clip_precision == o.clip_precision &&
           quality == o.quality && pitch_and_family == o.pitch_and_family &&
           std::memcmp(face_name, o.face_name, sizeof face_name) == 0;
}

bool Guid::is_unset() const
{
    return words[0] == 0xFFFFFFFFu && words[1] == 0xFFFFFFFFu && words[2] == 0xFFFFFFFFu && words[3] == 0xFFFFFFFFu;
}

Guid Guid::create()
{
    static thread_local std::mt19937_64 engine{[] {
        std::random_device device;
        std::seed_seq seed{device(), device(), device(), device(), device(), device(), device(), device()};
        return std::mt19937_64(seed);
    }()};
    Guid g;
    const std::uint64_t a = engine(), b = engine();
    g.words[0] = std::uint32_t(a);
    // Data3's top nibble holds the version (4); Data4[0]'s top bits the variant (10).
    g.words[1] = std::uint32_t(a >> 32);
    g.words[1] = (g.words[1] & 0x0FFFFFFFu) | 0x40000000u;
    g.words[2] = (std::uint32_t(b) & 0xFFFFFF3Fu) | 0x00000080u;
    g.words[3] = std::uint32_t(b >> 32);
    return g;
}

std::string Guid::to_string() const
{
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", words[0],
                  unsigned(words[1] & 0xFFFF), unsigned(words[1] >> 16), unsigned(words[2] & 0xFF),
                  unsigned((words[2] >> 8) & 0xFF), unsigned((words[2] >> 16) & 0xFF), unsigned(words[2] >> 24),
                  unsigned(words[3] & 0xFF), unsigned((words[3] >> 8) & 0xFF), unsigned((words[3] >> 16) & 0xFF),
                  unsigned(words[3] >> 24));
    return text;
}

std::optional<Guid> Guid::from_string(std::string_view text)
{
    if (text.size() == 38 && text.front() == '{' && text.back() == '}')
        text = text.substr(1, 36);
    if (text.size() != 36)
        return std::nullopt;
    // The 16 bytes in the order to_string shows them.
    std::uint8_t bytes[16];
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (text[i] != '-')
                return std::nullopt;
            continue;
        }
        const char c = text[i];
        int nibble;
        if (c >= '0' && c <= '9')
            nibble = c - '0';
        else if (c >= 'a' && c <= 'f')
            nibble = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            nibble = c - 'A' + 10;
        else
            return std::nullopt;
        bytes[count / 2] = std::uint8_t(count % 2 ? (bytes[count / 2] << 4) | nibble : nibble);
        ++count;
    }
    const auto be = [&](int from, int n) {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i)
            v = (v << 8) | bytes[from + i];
        return v;
    };
    const auto le = [&](int from) {
        return std::uint32_t(bytes[from]) | std::uint32_t(bytes[from + 1]) << 8 | std::uint32_t(bytes[from + 2]) << 16 |
               std::uint32_t(bytes[from + 3]) << 24;
    };
    Guid g;
    g.words[0] = be(0, 4);
    g.words[1] = be(4, 2) | be(6, 2) << 16;
    g.words[2] = le(8);
    g.words[3] = le(12);
    return g;
}

} // namespace memo
