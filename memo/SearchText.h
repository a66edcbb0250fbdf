#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace memo {

// Searching memo text, which is Shift_JIS. Both the text and the words are folded first, so
// that "Marvo", "marvo" and the full-width "Ｍａｒｖｏ" are one word; Japanese characters
// compare as they are.

// Latin letters lowered, full-width Latin letters and digits turned into their ASCII
// lowercase forms, the full-width space into a space; every other character kept.
std::string fold_search_text(std::string_view sjis);

// The folded words of a query, split at spaces (half or full width).
std::vector<std::string> search_words(std::string_view sjis);

// True when a folded word occurs in folded text as whole characters: the second byte of a
// double-byte character (which may be an ASCII letter or "\") never starts a match.
bool folded_contains(std::string_view text, std::string_view word);

} // namespace memo
