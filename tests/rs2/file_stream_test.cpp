#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

#include "TempDir.h"
#include "rs2/Chunk.h"
#include "rs2/FileStream.h"

namespace {

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(FileStream, MissingFileThrowsOpenError)
{
    TempDir dir;
    const std::string name = dir.file("missing.bin");
    try {
        rs2::FileStream in(name, rs2::FileStream::open_read | 1);
        FAIL();
    } catch (const rs2::IOException& e) {
        EXPECT_EQ(std::string(e.what()), name + ": file open error\n");
    }
}

TEST(FileStream, WritesThenReadsBinaryAndText)
{
    TempDir dir;
    const std::string name = dir.file("data.bin");
    {
        rs2::FileStream out(name, rs2::FileStream::open_write | 2);
        out << rs2::Chunk("SITE") << std::int32_t(7);
        out.set_text_mode(true);
        out << " word\n";
    }
    EXPECT_EQ(contents(name), std::string("SITE\0\0\0\0\x07\0\0\0 word\n", 18));
    rs2::FileStream in(name, rs2::FileStream::open_read);
    EXPECT_EQ(in.size(), 18u);
    rs2::Chunk chunk;
    std::int32_t number = 0;
    in >> chunk >> number;
    in.set_text_mode(true);
    char token[16];
    in.get_token(token, 15);
    EXPECT_STREQ(token, "word");
    in.get_token(token, 15);
    EXPECT_STREQ(token, "");
    EXPECT_TRUE(in.eof());
}

TEST(FileStream, TruncatedChunkIsAnError)
{
    TempDir dir;
    const std::string name = dir.file("short.bin");
    std::ofstream(name, std::ios::binary) << std::string("PACK\x10\0\0\0abc", 11);
    rs2::FileStream in(name, rs2::FileStream::open_read);
    rs2::Chunk chunk;
    EXPECT_THROW(in >> chunk, rs2::IOException);
}

TEST(AtomicFileStream, ReplacesTheTargetOnlyOnCommit)
{
    TempDir dir;
    const std::string name = dir.file("settings.xml");
    std::ofstream(name) << "old";
    {
        rs2::AtomicFileStream out(name);
        out << "new contents";
        EXPECT_EQ(contents(name), "old");  // not yet committed
        out.commit();
    }
    EXPECT_EQ(contents(name), "new contents");
    {
        rs2::AtomicFileStream out(name);
        out << "abandoned";
    }
    EXPECT_EQ(contents(name), "new contents");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(AtomicFileStream, WritesTargetsWhoseNamesUseTheWholeNameLimit)
{
    TempDir dir;
    for (std::size_t length : {235u, 255u}) {
        const std::string name = dir.file(std::string(length - 4, 'n') + ".ame");
        rs2::AtomicFileStream out(name);
        out << "memo";
        out.commit();
        EXPECT_EQ(contents(name), "memo");
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST(AtomicFileStream, CreatesFilesWithTheAskedPermissions)
{
    TempDir dir;
    const std::string name = dir.file("secret.xml");
    rs2::AtomicFileStream out(name, 0600);
    out << "password";
    out.commit();
    struct stat info {};
    ASSERT_EQ(::stat(name.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

} // namespace
