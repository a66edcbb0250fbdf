#include <gtest/gtest.h>

#include "rs2/Chunk.h"
#include "rs2/MemoryStream.h"

namespace {

std::string bytes_of(const rs2::MemoryStream& stream)
{
    return std::string(stream.data(), stream.size());
}

TEST(Chunk, EmptyBodyIsEightBytes)
{
    rs2::MemoryStream out;
    out << rs2::Chunk("QUSR");
    EXPECT_EQ(bytes_of(out), std::string("QUSR\0\0\0\0", 8));
}

TEST(Chunk, TagMemoryImageIsTheFourCharacters)
{
    rs2::Chunk chunk("QUSR");
    const std::uint32_t tag = chunk.tag();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&tag), 4), "QUSR");
    EXPECT_EQ(chunk.tag_text(), "QUSR");
    EXPECT_TRUE(chunk.has_tag("QUSR"));
}

TEST(Chunk, BodyIsFramedByItsLength)
{
    rs2::Chunk chunk("GMEM");
    chunk.body().write_string("http://a/");
    rs2::MemoryStream out;
    out << chunk;
    EXPECT_EQ(bytes_of(out), std::string("GMEM\x0D\0\0\0\x09\0\0\0http://a/", 21));
}

TEST(Chunk, NestedChunksRoundTrip)
{
    rs2::Chunk inner("NAME");
    inner.body().write_string("hello");
    rs2::Chunk outer("PACK");
    outer.body() << inner << std::int32_t(42);

    rs2::MemoryStream wire;
    wire << outer << rs2::Chunk("DONE");

    rs2::Chunk read_outer, read_done;
    wire >> read_outer >> read_done;
    EXPECT_TRUE(read_outer.has_tag("PACK"));
    EXPECT_TRUE(read_done.has_tag("DONE"));
    rs2::Chunk read_inner;
    std::int32_t number = 0;
    read_outer.body() >> read_inner >> number;
    EXPECT_TRUE(read_inner.has_tag("NAME"));
    EXPECT_EQ(read_inner.body().read_string(), "hello");
    EXPECT_EQ(number, 42);
}

TEST(Chunk, WritingSendsOnlyTheUnreadPart)
{
    rs2::Chunk chunk("DATA");
    chunk.body() << std::int32_t(1) << std::int32_t(2);
    std::int32_t skipped = 0;
    chunk.body() >> skipped;
    rs2::MemoryStream out;
    out << chunk;
    EXPECT_EQ(bytes_of(out), std::string("DATA\x04\0\0\0\x02\0\0\0", 12));
}

TEST(Chunk, DamagedLengthsFailCleanly)
{
    // Length far beyond the data, and length just one byte beyond it.
    for (const std::string& bytes : {std::string("PACK\xFF\xFF\xFF\x7F" "abc", 11),
                                     std::string("PACK\x04\0\0\0abc", 11),
                                     std::string("PA", 2)}) {
        rs2::MemoryStream in;
        in.write(bytes.data(), bytes.size());
        rs2::Chunk chunk;
        EXPECT_THROW(in >> chunk, rs2::IOException) << bytes.size();
    }
}

} // namespace
