#include "places/UrlText.h"

#include <algorithm>
#include <cctype>

namespace places {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void put_percent(std::string& out, unsigned char c)
{
    out += '%';
    out += kHex[c >> 4];
    out += kHex[c & 0x0F];
}

bool starts_with(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

} // namespace

std::size_t sjis_length(std::string_view text)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i, ++count) {
        if (is_sjis_lead(static_cast<unsigned char>(text[i])))
            ++i;
    }
    return count;
}

std::string normalize_address_text(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (is_sjis_lead(c) && i + 1 < text.size()) {
            if (c == 0x81 && text[i + 1] == 0x40)
                out += ' ';
            else
                out += text.substr(i, 2);
            ++i;
        } else {
            out += static_cast<char>(c);
        }
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

bool has_address_form(std::string_view text)
{
    const auto is_alpha = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; };
    const auto is_digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    const std::size_t colon = text.find(':');
    if (colon == 0 || colon == std::string_view::npos)
        return false;
    const std::string_view before = text.substr(0, colon);
    const std::string_view after = text.substr(colon + 1);
    if (starts_with(after, "//"))
        return is_alpha(before[0]) && std::all_of(before.begin(), before.end(), [&](char c) {
                   return is_alpha(c) || is_digit(c) || c == '+' || c == '-' || c == '.';
               });
    // A host and a port: the host's characters, one to five digits, then the end or the path.
    const std::size_t digits = std::find_if_not(after.begin(), after.end(), is_digit) - after.begin();
    return digits >= 1 && digits <= 5 && (digits == after.size() || std::string_view("/?#").find(after[digits]) != std::string_view::npos) &&
           std::all_of(before.begin(), before.end(), [&](char c) { return is_alpha(c) || is_digit(c) || c == '-' || c == '.'; });
}

bool is_search_text(std::string_view text)
{
    if (text.find("about:blank") != std::string_view::npos || text == "localhost" || has_address_form(text))
        return false;
    bool search = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (is_sjis_lead(c)) {
            ++i;
        } else if (c == '.' || c == '/') {
            search = false;
            break;
        }
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (is_sjis_lead(c) || (c == ' ' && i != 0))
            return true;
    }
    return search;
}

std::string encode_search_query(std::string_view text)
{
    std::string out;
    out.reserve(text.size() * 3);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (is_sjis_lead(c)) {
            put_percent(out, c);
            if (i + 1 < text.size())
                put_percent(out, static_cast<unsigned char>(text[++i]));
        } else if (c == '?') {
            continue;
        } else if (c == '+') {
            out += "%2B";
        } else if (c == ' ') {
            out += '+';
        } else if (c == '%' || c == '&' || c == '#' || c >= 0x80) {
            put_percent(out, c);
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

bool is_search_input(std::string_view text)
{
    const std::string normalized = normalize_address_text(text);
    return !normalized.empty() && (is_search_text(normalized) || normalized.front() == '?');
}

std::optional<std::string> address_for_input(std::string_view text, std::string_view search_prefix)
{
    std::string normalized = normalize_address_text(text);
    if (normalized.empty())
        return std::nullopt;
    if (is_search_input(normalized)) {
        if (search_prefix.empty())
            return std::nullopt;
        return std::string(search_prefix) + encode_search_query(normalized);
    }
    return normalized;
}

} // namespace places
