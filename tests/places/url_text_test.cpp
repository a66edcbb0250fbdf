#include <gtest/gtest.h>

#include "places/UrlText.h"

namespace {

using places::address_for_input;

constexpr std::string_view kPrefix = "http://search.example/?q=";

std::optional<std::string> go(std::string_view text) { return address_for_input(text, kPrefix); }
std::optional<std::string> search(std::string_view query) { return std::string(kPrefix) + std::string(query); }

TEST(AddressInput, AddressesNavigateAsTyped)
{
    EXPECT_EQ(go("example.jp"), "example.jp");
    EXPECT_EQ(go("example.jp/a b"), search("example.jp/a+b")); // a blank makes it a search
    EXPECT_EQ(go("www.example.jp/path  "), "www.example.jp/path"); // trailing spaces go
    EXPECT_EQ(go(" example.jp"), " example.jp");                   // a first-character space is no word break
    EXPECT_EQ(go("localhost"), "localhost");
    EXPECT_EQ(go("about:blank"), "about:blank");
    EXPECT_EQ(go("view about:blank"), "view about:blank");
    // Written as an address, with a scheme or a port, it is one whatever it holds.
    EXPECT_EQ(go("localhost:8080"), "localhost:8080");
    EXPECT_EQ(go("localhost:8080/x?q=a b"), "localhost:8080/x?q=a b");
    EXPECT_EQ(go("http://example.jp/a b"), "http://example.jp/a b");
    EXPECT_EQ(go("http://example.jp/\x93\xFA\x96\x7B"), "http://example.jp/\x93\xFA\x96\x7B");
    EXPECT_EQ(go("view-source:http://example.jp/"), "view-source:http://example.jp/");
    EXPECT_EQ(go("note: two words"), search("note:+two+words"));
    EXPECT_EQ(go("at 10:30 today"), search("at+10:30+today"));
}

TEST(AddressInput, WordsAndJapaneseSearch)
{
    EXPECT_EQ(go("hello"), search("hello"));
    EXPECT_EQ(go("two words"), search("two+words"));
    EXPECT_EQ(go("example.jp review"), search("example.jp+review")); // a blank wins over the dot
    EXPECT_EQ(go("c++"), search("c%2B%2B"));
    // Each double-byte character as its two Shift_JIS bytes: 日本 = 93 FA 96 7B.
    EXPECT_EQ(go("\x93\xFA\x96\x7B"), search("%93%FA%96%7B"));
    EXPECT_EQ(go("\x93\xFA\x96\x7B.jp"), search("%93%FA%96%7B.jp"));
    // 表 = 95 5C: its trail byte is not a backslash, the character is double-byte.
    EXPECT_EQ(go("\x95\x5C"), search("%95%5C"));
    // A leading question mark forces a search and is dropped with every other one.
    EXPECT_EQ(go("?example.jp"), search("example.jp"));
    EXPECT_EQ(go("what? why?"), search("what+why"));
    // Bytes that would end or break the query are escaped too.
    EXPECT_EQ(go("a&b #1 100%"), search("a%26b+%231+100%25"));
    // Half-width katakana are single-byte characters: escaped, not taken for lead bytes.
    EXPECT_EQ(go("\xB1\xB2"), search("%B1%B2"));
}

TEST(AddressInput, BlankTextDoesNothing)
{
    EXPECT_FALSE(go(""));
    EXPECT_FALSE(go("   "));
    EXPECT_FALSE(go("\x81\x40\x81\x40"));      // full-width spaces only
    EXPECT_EQ(go("a\x81\x40" "b"), search("a+b")); // a full-width space is a blank
    EXPECT_FALSE(address_for_input("two words", ""));
    EXPECT_EQ(address_for_input("example.jp", ""), "example.jp");
}

TEST(AddressInput, FullWidthSpacesAreFoundOnCharacterBoundaries)
{
    // ａ = 82 81; followed by "@" (0x40) it holds the bytes 81 40 without a full-width space.
    EXPECT_EQ(places::normalize_address_text("\x82\x81@x"), "\x82\x81@x");
    EXPECT_EQ(places::normalize_address_text("\x81\x40x\x81\x40\x81\x40"), " x");
    EXPECT_EQ(places::sjis_length("a\x93\xFA\xB1"), 3u);
    EXPECT_EQ(places::sjis_length("\x93"), 1u);
    EXPECT_EQ(places::encode_search_query("\x93"), "%93"); // a lone lead byte at the end
}

} // namespace
