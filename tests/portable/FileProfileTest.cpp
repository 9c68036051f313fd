// The profile file where there is no registry.

#include <gtest/gtest.h>

#include <fstream>

#include "settings/FileProfile.h"
#include "TempPath.h"

namespace {

TEST(FileProfile, KeepsValuesBySectionAndRewritesOnlyTheOneChanged)
{
    TempPath folder("profile");
    const std::string path = folder.String() + "/sub/mellifon.ini";
    FileProfile profile(path);
    EXPECT_EQ(profile.GetProfileString("Port", "Rio"), "");

    profile.WriteProfileString("Port", "Rio", "888");
    profile.WriteProfileString("Other", "Rio", "x");
    profile.WriteProfileString("Port", "Second", "two\nlines");
    profile.WriteProfileString("Port", "Rio", "632");
    EXPECT_TRUE(profile.WriteError().empty()) << profile.WriteError();

    FileProfile again(path);
    EXPECT_EQ(again.GetProfileString("Port", "Rio"), "632");
    EXPECT_EQ(again.GetProfileString("Port", "Second"), "two lines");
    EXPECT_EQ(again.GetProfileString("Other", "Rio"), "x");
    EXPECT_EQ(again.GetProfileString("Port", "Ri"), "");
}

TEST(FileProfile, AWriteThatCannotHappenSaysSo)
{
    TempPath folder("profile");
    std::filesystem::create_directories(folder.Path());
    std::ofstream(folder.String() + "/file") << "not a folder";
    FileProfile profile(folder.String() + "/file/mellifon.ini");
    profile.WriteProfileString("Port", "Rio", "888");
    EXPECT_FALSE(profile.WriteError().empty());
}

}
