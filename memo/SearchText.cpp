#include "memo/SearchText.h"

namespace memo {

namespace {

bool is_lead_byte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Bytes taken by the character at `at`: a lead byte with nothing after it counts alone.
std::size_t character_length(std::string_view text, std::size_t at)
{
    return is_lead_byte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
}

// The ASCII form of a full-width character, or 0 when it has none here.
char half_width(unsigned char lead, unsigned char trail)
{
    if (lead != 0x82)
        return lead == 0x81 && trail == 0x40 ? ' ' : 0;
    if (trail >= 0x4F && trail <= 0x58)
        return static_cast<char>('0' + (trail - 0x4F)); // "０" to "９"
    if (trail >= 0x60 && trail <= 0x79)
        return static_cast<char>('a' + (trail - 0x60)); // "Ａ" to "Ｚ"
    if (trail >= 0x81 && trail <= 0x9A)
        return static_cast<char>('a' + (trail - 0x81)); // "ａ" to "ｚ"
    return 0;
}

} // namespace

std::string fold_search_text(std::string_view sjis)
{
    std::string folded;
    folded.reserve(sjis.size());
    for (std::size_t at = 0; at < sjis.size();) {
        const auto c = static_cast<unsigned char>(sjis[at]);
        if (character_length(sjis, at) == 2) {
            const auto trail = static_cast<unsigned char>(sjis[at + 1]);
            if (const char ascii = half_width(c, trail)) {
                folded += ascii;
            } else {
                folded += static_cast<char>(c);
                folded += static_cast<char>(trail);
            }
            at += 2;
            continue;
        }
        folded += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c);
        ++at;
    }
    return folded;
}

std::vector<std::string> search_words(std::string_view sjis)
{
    std::vector<std::string> words;
    const std::string folded = fold_search_text(sjis);
    std::string word;
    for (std::size_t at = 0; at < folded.size();) {
        const std::size_t length = character_length(folded, at);
        if (length == 1 && (folded[at] == ' ' || folded[at] == '\t')) {
            if (!word.empty())
                words.push_back(std::move(word));
            word.clear();
        } else {
            word.append(folded, at, length);
        }
        at += length;
    }
    if (!word.empty())
        words.push_back(std::move(word));
    return words;
}

bool folded_contains(std::string_view text, std::string_view word)
{
    if (word.empty())
        return true;
    std::size_t boundary = 0; // always the start of a character
    for (std::size_t hit = text.find(word); hit != std::string_view::npos; hit = text.find(word, hit + 1)) {
        while (boundary < hit)
            boundary += character_length(text, boundary);
        if (boundary == hit)
            return true;
    }
    return false;
}

} // namespace memo
