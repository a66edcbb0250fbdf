#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Address-bar and URL operations on Shift_JIS text. Pure functions: the address bar, the
// favorites, the site services and the shortcut writers share them.
namespace places {

// Shift_JIS (code page 932) lead bytes: the first byte of a double-byte character.
constexpr bool is_sjis_lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Number of characters (a double-byte character counts once).
std::size_t sjis_length(std::string_view text);

// Full-width spaces become ASCII spaces, trailing spaces go. Works on whole characters, so a
// trail byte 0x81 followed by "@" is not mistaken for a full-width space.
std::string normalize_address_text(std::string_view text);

// True when the text is written as an address whatever else it holds: it begins with a scheme
// and "://" ("http://", "file://"), or with a host and a port ("localhost:8080", "a.jp:81/x").
bool has_address_form(std::string_view text);

// True when normalised address-bar text is a search rather than an address: no single-byte
// "." or "/", or any double-byte character, or a space after the first character. Texts
// containing "about:blank", the text "localhost" and texts in address form are addresses.
bool is_search_text(std::string_view text);

// True when the entered text is a search: normalised, it is a search text or begins with "?".
bool is_search_input(std::string_view text);

// The query part of a search URL: double-byte characters as "%XX%XX" (upper-case hex), "?"
// dropped, "+" as "%2B", space as "+". Bytes that would change the meaning of the URL ("%",
// "&", "#") and single-byte characters above 0x7F are percent-encoded as well.
std::string encode_search_query(std::string_view text);

// What the address bar opens for the entered text: the normalised text itself for an
// address, or search_prefix + query for a search (also for any text beginning with "?").
// Nothing for empty or blank text, or for a search when the prefix is empty.
std::optional<std::string> address_for_input(std::string_view text, std::string_view search_prefix);

} // namespace places
