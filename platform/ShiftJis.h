#pragma once

#include <string>
#include <string_view>

namespace platform {

// Conversion between the 8-bit Shift_JIS (code page 932) text that the model holds, stores
// and sends, and the Unicode text of the widgets. Only widget code and tools that print
// for people call it.
//
// Decoding maps every valid CP932 sequence to its Unicode character; a byte that does not
// start a valid sequence (or a lead byte without a valid trail byte) becomes U+FFFD.
// Encoding gives the CP932 bytes of each character; characters with no CP932 form become "?".
// Where CP932 has two codes for one character (the NEC and IBM extension duplicates),
// encoding gives the one Windows gives, so decode(encode(decode(b))) == decode(b) for all b,
// and encode(decode(b)) == b for every sequence without such duplicates.
std::u16string sjis_to_utf16(std::string_view sjis);
std::string utf16_to_sjis(std::u16string_view text);
std::string sjis_to_utf8(std::string_view sjis);
std::string utf8_to_sjis(std::string_view utf8);

} // namespace platform
