#include "places/UrlText.h"

#include <algorithm>
#include <cctype>
#include <vector>

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

// Removes every single-byte character listed in `drop`, leaving double-byte characters whole
// (their trail byte may equal "\" or "|").
std::string remove_single_bytes(std::string_view text, std::string_view drop)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (is_sjis_lead(c)) {
            out += text.substr(i, 2);
            ++i;
        } else if (drop.find(static_cast<char>(c)) == std::string_view::npos) {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// Collapses empty segments and resolves "." and ".." in a path ("/a//b/./c/../d" -> "/a/b/d").
std::string clean_path(std::string_view path)
{
    const bool leading = !path.empty() && path.front() == '/';
    std::vector<std::string_view> segments;
    bool trailing = !path.empty() && path.back() == '/';
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view segment = path.substr(start, end - start);
        if (segment == "." || segment == "..") {
            if (segment == ".." && !segments.empty())
                segments.pop_back();
            trailing = end == path.size() ? true : trailing;
        } else if (!segment.empty()) {
            segments.push_back(segment);
            if (end == path.size())
                trailing = false;
        }
        start = end + 1;
    }
    std::string out = leading ? "/" : "";
    for (std::size_t i = 0; i < segments.size(); ++i) {
        if (i > 0)
            out += '/';
        out += segments[i];
    }
    if (trailing && !segments.empty())
        out += '/';
    return out;
}

struct UrlParts {
    std::size_t path_start;  // first byte of the path (after scheme and host)
    std::size_t query_start; // first "?" or "#" of the path, or the size
    bool has_scheme;
};

UrlParts split_url(std::string_view url)
{
    const std::size_t scheme_end = url.find("://");
    UrlParts parts{0, 0, scheme_end != std::string_view::npos};
    if (parts.has_scheme) {
        parts.path_start = url.find_first_of("/?#", scheme_end + 3);
        if (parts.path_start == std::string_view::npos)
            parts.path_start = url.size();
    }
    parts.query_start = url.find_first_of("?#", parts.path_start);
    if (parts.query_start == std::string_view::npos)
        parts.query_start = url.size();
    return parts;
}

// True when the reference starts with a scheme ("http:", "data:"): it is already absolute. A
// "://" later on, as in "go.cgi?to=http://x/", does not make it so.
bool has_scheme(std::string_view reference)
{
    const std::size_t colon = reference.find(':');
    if (colon == 0 || colon == std::string_view::npos || !std::isalpha(static_cast<unsigned char>(reference[0])))
        return false;
    return std::all_of(reference.begin(), reference.begin() + static_cast<std::ptrdiff_t>(colon), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
    });
}

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

std::string site_root(std::string_view url)
{
    const UrlParts parts = split_url(url);
    return parts.has_scheme ? std::string(url.substr(0, parts.path_start)) : std::string();
}

std::string absolute_url(std::string_view page, std::string_view reference)
{
    if (has_scheme(reference))
        return std::string(reference);

    const UrlParts parts = split_url(page);
    std::string joined;
    if (reference.empty()) {
        joined = page;
    } else if (starts_with(reference, "//") && parts.has_scheme) {
        joined = std::string(page.substr(0, page.find("://") + 1)) + std::string(reference);
    } else if (reference.front() == '/') {
        joined = std::string(page.substr(0, parts.path_start)) + std::string(reference);
    } else if (reference.front() == '?') {
        joined = std::string(page.substr(0, parts.query_start)) + std::string(reference);
    } else if (reference.front() == '#') {
        joined = std::string(page.substr(0, page.find('#'))) + std::string(reference);
    } else {
        const std::string_view path = page.substr(parts.path_start, parts.query_start - parts.path_start);
        const std::size_t last = path.rfind('/');
        if (last != std::string_view::npos)
            joined = page.substr(0, parts.path_start + last + 1);
        else if (parts.has_scheme)
            joined = std::string(page.substr(0, parts.path_start)) + "/";
        joined += reference;
    }

    joined = remove_single_bytes(joined, "\\");
    const UrlParts out = split_url(joined);
    return joined.substr(0, out.path_start) +
           clean_path(std::string_view(joined).substr(out.path_start, out.query_start - out.path_start)) +
           joined.substr(out.query_start);
}

std::string remove_name_forbidden(std::string_view text) { return remove_single_bytes(text, "\\/:?*<>|"); }

} // namespace places
