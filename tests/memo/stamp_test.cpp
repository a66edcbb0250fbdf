#include <gtest/gtest.h>

#include <fstream>

#include "TempDir.h"
#include "memo/ImageCodec.h"
#include "memo/MemoTypes.h"
#include "memo/StampList.h"
#include "rs2/DebugStream.h"
#include "rs2/FileStream.h"

using namespace memo;

TEST(StampList, ShippedPicturesLoadWithTransparency)
{
    StampList stamps;
    ASSERT_GE(stamps.load(std::string(MARVO_SOURCE_DIR) + "/res/stamp"), 8u);
    for (const char* name : {"OK", "NG", "Done", "Important", "Question", "Star", "Check", "Arrow"}) {
        const MemoImage* picture = stamps.find(name);
        ASSERT_NE(picture, nullptr) << name;
        EXPECT_EQ(picture->width(), 64);
        // Corners are see-through, something in the middle is not.
        EXPECT_EQ(picture->pixel(0, 0)[3], 0) << name;
        int opaque = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                opaque += picture->pixel(x, y)[3] == 255;
        EXPECT_GT(opaque, 100) << name;
    }
    EXPECT_EQ(stamps.find("ok"), nullptr); // names match exactly
}

TEST(StampList, UnreadableFilesAreLeftOut)
{
    TempDir dir;
    MemoImage picture(3, 3);
    picture.fill(rgb(1, 2, 3), 128);
    {
        rs2::FileStream out(dir.file("b.tga"), rs2::FileStream::open_write);
        TgaCodec codec(picture);
        write_picture(out, codec);
    }
    std::ofstream(dir.file("a.TGA"), std::ios::binary) << "not a targa";
    std::ofstream(dir.file("c.png"), std::ios::binary) << "ignored";
    rs2::trace().set_enabled(false);
    StampList stamps;
    EXPECT_EQ(stamps.load(dir.path()), 1u);
    ASSERT_NE(stamps.find("b"), nullptr);
    EXPECT_EQ(*stamps.find("b"), picture);
    EXPECT_EQ(stamps.load(dir.path() / "missing"), 0u);
}
