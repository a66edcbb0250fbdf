#include <gtest/gtest.h>

#include "RecordingStream.h"

namespace {

// Reads every token of the given input pieces.
std::vector<std::string> tokens_of(std::vector<std::string> pieces, const char* delimiters = nullptr,
                                   std::size_t max = 1024)
{
    RecordingStream in(false, true);
    in.pieces = std::move(pieces);
    if (delimiters)
        in.set_delimiters(delimiters);
    std::vector<std::string> tokens;
    std::vector<char> token(max + 1);
    for (int guard = 0; guard < 100; ++guard) {
        in.get_token(token.data(), max);
        if (token[0] == 0 && in.eof())
            break;
        tokens.emplace_back(token.data());
    }
    return tokens;
}

TEST(GetToken, SplitsAtSpaceTabAndLineFeed)
{
    EXPECT_EQ(tokens_of({"  one\ttwo\n\nthree "}), (std::vector<std::string>{"one", "two", "three"}));
}

TEST(GetToken, TokensSpanDeviceReads)
{
    EXPECT_EQ(tokens_of({"hel", "lo wo", "rld"}), (std::vector<std::string>{"hello", "world"}));
}

TEST(GetToken, AtEndOfInputReturnsAnEmptyToken)
{
    RecordingStream in(false, true);
    in.pieces = {"last"};
    char token[16];
    ASSERT_TRUE(in.get_token(token, 15));
    EXPECT_STREQ(token, "last");
    ASSERT_TRUE(in.get_token(token, 15));
    EXPECT_STREQ(token, "");
    EXPECT_TRUE(in.eof());
}

TEST(GetToken, LineFeedOnlyKeepsSpacesInTokens)
{
    // Order files use line feed alone as the delimiter: spaces stay in the token.
    EXPECT_EQ(tokens_of({"My Site.url\nOther one\n"}, "\n"),
              (std::vector<std::string>{"My Site.url", "Other one"}));
}

TEST(GetToken, CarriageReturnIsCutWhenLineFeedIsNotADelimiter)
{
    RecordingStream in(false, true);
    in.pieces = {"ab\rc;next"};
    in.set_delimiters(";");
    char token[32];
    in.get_token(token, 31);
    EXPECT_STREQ(token, "ab");  // the carriage return became the terminator
}

TEST(GetToken, StopsAtMaximumLength)
{
    RecordingStream in(false, true);
    in.pieces = {"abcdefgh"};
    char token[8];
    in.get_token(token, 3);
    EXPECT_STREQ(token, "abc");
}

TEST(GetToken, DelimiterSetIsCappedAt511Characters)
{
    RecordingStream in(false, true);
    in.set_delimiters(std::string(600, ','));
    EXPECT_EQ(in.delimiters().size(), 511u);
}

TEST(TextMode, ValuesUsePrintfFormats)
{
    RecordingStream out(false, true);
    out << true << std::int32_t(-5) << std::uint32_t(7) << static_cast<unsigned char>(0xAB) << 'c' << 1.5 << " x";
    EXPECT_EQ(out.written(), "1-57abc1.500000 x");
}

TEST(TextMode, ExtractionScansTokens)
{
    RecordingStream in(false, true);
    in.pieces = {"1 -42 4000000000 ff 2.5 q"};
    bool b = false;
    std::int32_t i = 0;
    std::uint32_t u = 0;
    unsigned char hex = 0;
    double d = 0;
    char c = 0;
    in >> b >> i >> u >> hex >> d >> c;
    EXPECT_TRUE(b);
    EXPECT_EQ(i, -42);
    EXPECT_EQ(u, 4000000000u);
    EXPECT_EQ(hex, 0xFF);
    EXPECT_EQ(d, 2.5);
    EXPECT_EQ(c, 'q');
}

TEST(TextMode, UnreadableTokenLeavesTheTargetUnchanged)
{
    RecordingStream in(false, true);
    in.pieces = {"word"};
    std::int32_t value = 99;
    in >> value;
    EXPECT_EQ(value, 99);
    in >> value;  // end of input
    EXPECT_EQ(value, 99);
}

TEST(DeviceFailure, FailedRefillThrowsTheOperationMessage)
{
    class FailingDevice : public rs2::BaseIOStream {
    public:
        FailingDevice() : rs2::BaseIOStream(true, false) {}
    protected:
        char* raw_read(char*, std::size_t) override { return nullptr; }
        bool raw_write(const char*, std::size_t) override { return false; }
        std::uint64_t device_bound() const override { return 0; }
    };
    FailingDevice device;
    char token[8];
    try {
        device.get_token(token, 7);
        FAIL();
    } catch (const rs2::IOException& e) {
        EXPECT_STREQ(e.what(), "read error(BaseIStream::get_token)");
    }
    char byte;
    try {
        device.read(&byte, 1);
        FAIL();
    } catch (const rs2::IOException& e) {
        EXPECT_STREQ(e.what(), "read error(BaseIStream::read)");
    }
    try {
        device.textout("x");
        FAIL();
    } catch (const rs2::IOException& e) {
        EXPECT_STREQ(e.what(), "write error(textout)");
    }
    EXPECT_TRUE(device.fail());
    device.reset();
    EXPECT_FALSE(device.fail());
}

} // namespace
