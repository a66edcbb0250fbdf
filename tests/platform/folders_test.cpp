#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "TempDir.h"
#include "platform/Folders.h"

namespace {

// Sets an environment variable for the scope of a test.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (old_.empty())
            ::unsetenv(name_);
        else
            ::setenv(name_, old_.c_str(), 1);
    }

private:
    const char* name_;
    std::string old_;
};

TEST(Folders, DataFolderFollowsXdgDataHome)
{
    TempDir dir;
    ScopedEnv xdg("XDG_DATA_HOME", dir.path().c_str());
    const platform::Folders folders = platform::Folders::from_environment();
    EXPECT_EQ(folders.data, dir.path() / "Marvo");
    EXPECT_EQ(folders.temp, dir.path() / "Marvo" / "TEMP");
    EXPECT_EQ(folders.favorites, dir.path() / "Marvo" / "Favorites");
    EXPECT_TRUE(std::filesystem::is_directory(folders.temp));
}

TEST(Folders, DefaultsToLocalShareAndIgnoresRelativeXdg)
{
    TempDir home;
    ScopedEnv home_env("HOME", home.path().c_str());
    ScopedEnv xdg("XDG_DATA_HOME", "relative/path");
    EXPECT_EQ(platform::data_folder_from_environment(), home.path() / ".local" / "share" / "Marvo");
}

TEST(Folders, EmptyFolderKeepsTheFolder)
{
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "sub" / "deeper");
    std::ofstream(dir.file("a.png")) << "x";
    platform::empty_folder(dir.path());
    EXPECT_TRUE(std::filesystem::is_directory(dir.path()));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(Folders, SupportFilesAreFoundBesideTheProgramOrInTheSourceTree)
{
    EXPECT_FALSE(platform::find_support_file("no-such-support-file.txt").has_value());
    EXPECT_TRUE(platform::find_support_file("CMakeLists.txt").has_value());  // res/ of the tree
}

} // namespace
