#include <gtest/gtest.h>

#include <QString>

#include "platform/QtText.h"
#include "platform/ShiftJis.h"

namespace {

bool is_lead(int b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

TEST(ShiftJis, KnownCharacters)
{
    EXPECT_EQ(platform::sjis_to_utf8("\x83\x81\x83\x82"), "メモ");
    EXPECT_EQ(platform::utf8_to_sjis("メモです"), "\x83\x81\x83\x82\x82\xC5\x82\xB7");
    // The arrows of the gesture strings.
    EXPECT_EQ(platform::utf8_to_sjis("↓↑←→"), "\x81\xAB\x81\xAA\x81\xA9\x81\xA8");
    // Trail byte 0x5C ("\" in ASCII) stays part of its character.
    EXPECT_EQ(platform::sjis_to_utf8("\x95\x5C"), "表");
    EXPECT_EQ(platform::sjis_to_utf8("\xB1"), "ｱ");  // half-width katakana
    EXPECT_EQ(platform::sjis_to_utf8("a\\b~"), "a\\b~");
}

TEST(ShiftJis, EveryValidCodeRoundTrips)
{
    int duplicates = 0;
    int checked = 0;
    for (int lead = 0; lead < 256; ++lead) {
        for (int trail = is_lead(lead) ? 0x40 : -1; trail <= (is_lead(lead) ? 0xFC : -1); ++trail) {
            std::string bytes(1, static_cast<char>(lead));
            if (trail >= 0)
                bytes += static_cast<char>(trail);
            const std::u16string text = platform::sjis_to_utf16(bytes);
            if (text.size() != 1 || text[0] == 0xFFFD || (lead == 0 && trail < 0))
                continue;  // not a valid code
            ++checked;
            const std::string back = platform::utf16_to_sjis(text);
            if (back != bytes) {
                ++duplicates;
                ASSERT_EQ(platform::sjis_to_utf16(back), text) << std::hex << lead << " " << trail;
            }
        }
    }
    EXPECT_GT(checked, 7000);
    // Only the NEC/IBM duplicate codes come back in their canonical form.
    EXPECT_LT(duplicates, 400);
}

// ASCII-only text skips the tables; it must come out as the tables would convert it.
TEST(ShiftJis, AsciiAloneConvertsAsInsideJapaneseText)
{
    for (int b = 0; b < 0x80; ++b) {
        const std::string ascii(1, static_cast<char>(b));
        const std::u16string wide(1, static_cast<char16_t>(b));
        EXPECT_EQ(platform::sjis_to_utf16(ascii) + u"メ", platform::sjis_to_utf16(ascii + "\x83\x81")) << b;
        EXPECT_EQ(platform::utf16_to_sjis(wide) + "\x83\x81", platform::utf16_to_sjis(wide + u"メ")) << b;
        EXPECT_EQ(platform::sjis_to_utf8(ascii) + "メ", platform::sjis_to_utf8(ascii + "\x83\x81")) << b;
        EXPECT_EQ(platform::utf8_to_sjis(ascii) + "\x83\x81", platform::utf8_to_sjis(ascii + "メ")) << b;
    }
}

TEST(ShiftJis, InvalidBytesHaveADefinedResult)
{
    // A lone lead byte at the end, an invalid trail byte, and an undefined single byte.
    EXPECT_EQ(platform::sjis_to_utf16("\x82"), u"\xFFFD");
    EXPECT_EQ(platform::sjis_to_utf16("\x82\x20"), u"\xFFFD ");
    EXPECT_EQ(platform::sjis_to_utf16("\xA0"), u"\xFFFD");
}

TEST(ShiftJis, UnrepresentableCharactersBecomeQuestionMarks)
{
    EXPECT_EQ(platform::utf8_to_sjis("a😀b"), "a?b");
    EXPECT_EQ(platform::utf8_to_sjis("\xFF"), "?");  // malformed UTF-8
}

TEST(ShiftJis, QStringEdge)
{
    const std::string sjis = "\x8F\xAC\x82\xB3\x82\xC8\x95\xB6\x8E\x9A";  // 小さな文字
    const QString text = platform::to_qstring(sjis);
    EXPECT_EQ(text, QString::fromUtf8("小さな文字"));
    EXPECT_EQ(platform::from_qstring(text), sjis);
}

} // namespace
