#include <gtest/gtest.h>

#include "RecordingStream.h"

namespace {

TEST(BufferedOutput, ExactlyFiveHundredElevenBytesGoAsOneBlock)
{
    RecordingStream out(true);
    const std::string data(511, 'a');
    out.write(data.data(), data.size());
    ASSERT_EQ(out.blocks.size(), 1u);
    EXPECT_EQ(out.blocks[0].size(), 511u);
    EXPECT_EQ(out.pending(), 0u);
}

TEST(BufferedOutput, FiveHundredTenBytesWaitForFlush)
{
    RecordingStream out(true);
    const std::string data(510, 'b');
    out.write(data.data(), data.size());
    EXPECT_TRUE(out.blocks.empty());
    out.flush();
    ASSERT_EQ(out.blocks.size(), 1u);
    EXPECT_EQ(out.blocks[0], data);
}

TEST(BufferedOutput, LargeWritesAreCutIntoBlocksOfAtMost511)
{
    RecordingStream out(true);
    out.write("xyz", 3);
    std::string data(2000, '\0');
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>('a' + i % 26);
    out.write(data.data(), data.size());
    out.flush();
    for (const auto& block : out.blocks)
        EXPECT_LE(block.size(), 511u);
    EXPECT_EQ(out.blocks.front().size(), 511u);
    EXPECT_EQ(out.written(), "xyz" + data);
}

TEST(BufferedOutput, LongTextLosesNoByte)
{
    RecordingStream out(true, true);
    out.textout("head ");
    const std::string text(1500, 'T');
    out.textout(text);
    out.textout(" tail");
    out.flush();
    EXPECT_EQ(out.written(), "head " + text + " tail");
}

TEST(BufferedOutput, TextFlushesWhenItWouldOverflow)
{
    RecordingStream out(true, true);
    out.textout(std::string(500, 'a'));
    EXPECT_TRUE(out.blocks.empty());
    out.textout(std::string(20, 'b'));
    ASSERT_EQ(out.blocks.size(), 1u);
    EXPECT_EQ(out.blocks[0], std::string(500, 'a'));
    EXPECT_EQ(out.pending(), 20u);
}

TEST(BufferedOutput, FailuresThrowTheirMessages)
{
    RecordingStream out(true);
    out.fail_writes = true;
    const std::string data(600, 'c');
    try {
        out.write(data.data(), data.size());
        FAIL();
    } catch (const rs2::IOException& e) {
        EXPECT_STREQ(e.what(), "write error(write)");
    }
    out.write("z", 1);
    try {
        out.flush();
        FAIL();
    } catch (const rs2::IOException& e) {
        EXPECT_STREQ(e.what(), "write error (flush)");
    }
}

TEST(UnbufferedOutput, EveryWriteReachesTheDevice)
{
    RecordingStream out(false);
    out << std::int32_t(1) << std::int32_t(2);
    EXPECT_EQ(out.blocks.size(), 2u);
}

} // namespace
