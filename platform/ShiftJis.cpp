#include "platform/ShiftJis.h"

#include <array>
#include <cerrno>
#include <iconv.h>
#include <mutex>
#include <stdexcept>
#include <type_traits>
#include <vector>

namespace platform {

namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr char16_t kUnmapped = 0;

bool is_lead_byte(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

iconv_t open_converter(const char* to, const char* from)
{
    iconv_t converter = iconv_open(to, from);
    if (converter == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("iconv has no CP932 converter");
    return converter;
}

// Tables built once from glibc's CP932 converter: conversion of short strings through
// iconv costs far more than a lookup. Decoding and encoding are built apart, on first use:
// the encoding table takes most of the time (every character of the basic plane), and
// a program that only shows stored text never needs it.
struct DecodeTables {
    std::array<char16_t, 256> single{};          // kUnmapped: not a single-byte character
    std::vector<char16_t> pairs;                 // (lead << 8 | trail) -> character

    DecodeTables() : pairs(65536, kUnmapped)
    {
        iconv_t to_unicode = open_converter("UTF-16LE", "CP932");
        for (int b = 0; b < 256; ++b) {
            if (is_lead_byte(static_cast<unsigned char>(b)))
                continue;
            const char in[1] = {static_cast<char>(b)};
            single[b] = decode_one(to_unicode, in, 1);
        }
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (!is_lead_byte(static_cast<unsigned char>(lead)))
                continue;
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                pairs[lead << 8 | trail] = decode_one(to_unicode, in, 2);
            }
        }
        iconv_close(to_unicode);
    }

    static char16_t decode_one(iconv_t cd, const char* bytes, std::size_t n)
    {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(bytes);
        std::size_t in_left = n;
        unsigned char out[4];
        char* out_ptr = reinterpret_cast<char*>(out);
        std::size_t out_left = sizeof out;
        if (iconv(cd, &in, &in_left, &out_ptr, &out_left) == static_cast<std::size_t>(-1) || in_left != 0 ||
            out_left != 2)
            return kUnmapped;
        return static_cast<char16_t>(out[0] | out[1] << 8);
    }
};

struct EncodeTable {
    std::vector<std::uint16_t> encode;           // character -> CP932 code (0: none)

    EncodeTable() : encode(65536, 0)
    {
        iconv_t to_cp932 = open_converter("CP932", "UTF-16LE");
        for (std::uint32_t c = 1; c < 65536; ++c) {
            if (c >= 0xD800 && c <= 0xDFFF)
                continue;
            encode[c] = encode_one(to_cp932, static_cast<char16_t>(c));
        }
        iconv_close(to_cp932);
    }

    static std::uint16_t encode_one(iconv_t cd, char16_t c)
    {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        unsigned char in_bytes[2] = {static_cast<unsigned char>(c), static_cast<unsigned char>(c >> 8)};
        char* in = reinterpret_cast<char*>(in_bytes);
        std::size_t in_left = 2;
        unsigned char out[4];
        char* out_ptr = reinterpret_cast<char*>(out);
        std::size_t out_left = sizeof out;
        if (iconv(cd, &in, &in_left, &out_ptr, &out_left) == static_cast<std::size_t>(-1))
            return 0;
        const std::size_t produced = sizeof out - out_left;
        if (produced == 1)
            return out[0] == 0 ? 0 : out[0];
        if (produced == 2)
            return static_cast<std::uint16_t>(out[0] << 8 | out[1]);
        return 0;
    }
};

const DecodeTables& decode_tables()
{
    static const DecodeTables instance;
    return instance;
}

const EncodeTable& encode_table()
{
    static const EncodeTable instance;
    return instance;
}

// CP932 and Unicode agree on the 128 ASCII codes, both ways: ASCII text (paths, addresses,
// most names) converts without the tables.
template <typename Char>
bool is_ascii(std::basic_string_view<Char> text)
{
    for (Char c : text)
        if (static_cast<std::make_unsigned_t<Char>>(c) >= 0x80)
            return false;
    return true;
}

void append_utf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes UTF-8; malformed sequences give U+FFFD for each offending byte.
std::u16string utf8_to_utf16(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
        if (extra < 0 || i + static_cast<std::size_t>(extra) >= text.size()) {
            out += kReplacement;
            ++i;
            continue;
        }
        char32_t c = extra == 0 ? b : b & (0x3F >> extra);
        bool valid = true;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            c = c << 6 | (next & 0x3F);
        }
        if (!valid || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            out += kReplacement;
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

} // namespace

std::u16string sjis_to_utf16(std::string_view sjis)
{
    if (is_ascii(sjis))
        return std::u16string(sjis.begin(), sjis.end());
    const DecodeTables& t = decode_tables();
    std::u16string out;
    out.reserve(sjis.size());
    for (std::size_t i = 0; i < sjis.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(sjis[i]);
        if (b == 0) {
            out += u'\0';
            continue;
        }
        if (is_lead_byte(b) && i + 1 < sjis.size()) {
            const unsigned char trail = static_cast<unsigned char>(sjis[i + 1]);
            const char16_t c = t.pairs[b << 8 | trail];
            if (c != kUnmapped) {
                out += c;
                ++i;
                continue;
            }
        }
        const char16_t c = t.single[b];
        out += c != kUnmapped ? c : kReplacement;
    }
    return out;
}

std::string utf16_to_sjis(std::u16string_view text)
{
    if (is_ascii(text))
        return std::string(text.begin(), text.end());
    const EncodeTable& t = encode_table();
    std::string out;
    out.reserve(text.size() * 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == 0) {
            out += '\0';
            continue;
        }
        if (c >= 0xD800 && c <= 0xDFFF) {
            // Characters beyond the basic plane have no CP932 form.
            if (c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
                ++i;
            out += '?';
            continue;
        }
        const std::uint16_t code = t.encode[c];
        if (code == 0)
            out += '?';
        else if (code < 0x100)
            out += static_cast<char>(code);
        else {
            out += static_cast<char>(code >> 8);
            out += static_cast<char>(code & 0xFF);
        }
    }
    return out;
}

std::string sjis_to_utf8(std::string_view sjis)
{
    if (is_ascii(sjis))
        return std::string(sjis);
    const std::u16string wide = sjis_to_utf16(sjis);
    std::string out;
    out.reserve(wide.size() * 3);
    for (char16_t c : wide)
        append_utf8(out, c);  // CP932 decodes to the basic plane only
    return out;
}

std::string utf8_to_sjis(std::string_view utf8)
{
    if (is_ascii(utf8))
        return std::string(utf8);
    return utf16_to_sjis(utf8_to_utf16(utf8));
}

} // namespace platform
