#include <gtest/gtest.h>

#include "rs2/Chunk.h"
#include "rs2/MemoryStream.h"

namespace {

std::string bytes_of(const rs2::MemoryStream& stream)
{
    return std::string(stream.data(), stream.size());
}

TEST(BinaryEncoding, IntegersAreLittleEndianAndFourBytes)
{
    rs2::MemoryStream out;
    out << std::uint32_t(0x01020304) << std::int32_t(-2) << true << static_cast<unsigned char>(0xAB) << 'z';
    EXPECT_EQ(bytes_of(out), std::string("\x04\x03\x02\x01\xFE\xFF\xFF\xFF\x01\xAB" "z", 11));
}

TEST(BinaryEncoding, FloatsAreIeeeAndRoundTrip)
{
    rs2::MemoryStream stream;
    stream << 1.5f << -0.25;
    EXPECT_EQ(bytes_of(stream).substr(0, 4), std::string("\x00\x00\xC0\x3F", 4));
    float f = 0;
    double d = 0;
    stream >> f >> d;
    EXPECT_EQ(f, 1.5f);
    EXPECT_EQ(d, -0.25);
}

TEST(BinaryEncoding, StringsCarryTheirByteCount)
{
    rs2::MemoryStream stream;
    stream.write_string("");
    EXPECT_EQ(bytes_of(stream), std::string(4, '\0'));
    stream.write_string("\x83\x81\x83\x82");  // Shift_JIS bytes are counted as bytes
    EXPECT_EQ(stream.read_string(), "");
    EXPECT_EQ(stream.read_string(), "\x83\x81\x83\x82");
}

TEST(BinaryEncoding, ConstCharWritesCharactersOnly)
{
    rs2::MemoryStream out;
    out << "abc";
    EXPECT_EQ(bytes_of(out), "abc");
}

TEST(BinaryEncoding, ShortInputIsAnErrorNotGarbage)
{
    rs2::MemoryStream stream;
    stream << static_cast<unsigned char>(1) << static_cast<unsigned char>(2);
    std::uint32_t value = 7;
    EXPECT_THROW(stream >> value, rs2::IOException);
}

TEST(BinaryEncoding, StringLengthBeyondTheDataFailsBeforeAllocating)
{
    rs2::MemoryStream stream;
    stream << std::uint32_t(0xFFFFFFF0) << "abc";
    EXPECT_THROW(stream.read_string(), rs2::IOException);
}

TEST(BinaryEncoding, Int64RoundTrips)
{
    rs2::MemoryStream stream;
    stream.write_int64(-1765000000123LL);
    EXPECT_EQ(stream.size(), 8u);
    EXPECT_EQ(stream.read_int64(), -1765000000123LL);
}

TEST(MemoryStream, ReadOfZeroBytesReturnsZero)
{
    rs2::MemoryStream stream;
    char c = 'x';
    EXPECT_EQ(stream.read(&c, 0), 0u);
    EXPECT_EQ(c, 'x');
}

TEST(MemoryStream, UnreadSpansBufferedAndUnbufferedBytes)
{
    rs2::MemoryStream stream;
    stream << std::uint32_t(1) << std::uint32_t(2) << std::uint32_t(3);
    std::uint32_t first = 0;
    stream >> first;
    ASSERT_EQ(stream.unread_size(), 8u);
    EXPECT_EQ(std::string(stream.unread().data(), 8), std::string("\x02\0\0\0\x03\0\0\0", 8));
}

TEST(MemoryStream, ReadsAcrossManyBufferRefills)
{
    rs2::MemoryStream stream;
    std::string big(3 * 4096 + 17, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(1 + i % 250);  // no 0: strings end at one
    stream.write_string(big);
    EXPECT_TRUE(stream.read_string() == big);
    char extra;
    EXPECT_EQ(stream.read(&extra, 1), 0u);
    EXPECT_TRUE(stream.eof());
}

} // namespace
