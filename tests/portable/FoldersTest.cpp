// Folders made for downloads and the simulated player's image.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "files/FileSize.h"
#include "files/Folders.h"
#include "TempPath.h"

namespace {

TEST(Folders, MakesEveryMissingFolderAndNamesTheOneThatCannotBeMade)
{
    TempPath top("folders");
    const std::string deep = top.String() + "/a//b/c/";
    std::string error;
    ASSERT_TRUE(MakeFolders(deep, &error)) << error;
    EXPECT_TRUE(IsFolder((top.String() + "/a/b/c").c_str()));
    EXPECT_TRUE(MakeFolders(deep, &error)) << "a folder that is there already";

    const std::string file = top.String() + "/a/file";
    std::ofstream(file) << "not a folder";
    EXPECT_FALSE(MakeFolders(file + "/x", &error));
    EXPECT_EQ(error.rfind(file + ": ", 0), 0u) << error;
    EXPECT_GT(error.size(), file.size() + 2) << "a reason follows";
}

// Tab completion and %TMP% leave a separator at a folder's end, where
// Windows' own look at a path sees no folder.
TEST(Folders, AFolderIsOneAlsoWithASeparatorAtItsEndAndItsNamesAreListed)
{
    TempPath top("folders");
    std::string error;
    ASSERT_TRUE(MakeFolders(top.String() + "/sub", &error)) << error;
    std::ofstream(top.String() + "/file") << "x";
    for (const char* end : {"/", "//",
#ifdef _WIN32
                            "\\",
#endif
         }) {
        EXPECT_TRUE(IsFolder((top.String() + end).c_str())) << end;
        EXPECT_TRUE(PathExists((top.String() + end).c_str())) << end;
    }
    EXPECT_FALSE(IsFolder((top.String() + "/file").c_str()));
    std::vector<std::string> names;
    ASSERT_TRUE(FolderEntries(top.String() + "/", &names, &error)) << error;
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"file", "sub"}));
    EXPECT_FALSE(FolderEntries(top.String() + "/none", &names, &error));
    EXPECT_EQ(error.rfind(top.String() + "/none: ", 0), 0u) << error;
}

TEST(Folders, ParentFolderKeepsTheRoot)
{
    EXPECT_EQ(ParentFolder("player.img"), "");
    EXPECT_EQ(ParentFolder("/home/u/player.img"), "/home/u");
    EXPECT_EQ(ParentFolder("/player.img"), "/");
    EXPECT_EQ(ParentFolder("a//player.img"), "a");
#ifdef _WIN32
    EXPECT_EQ(ParentFolder("C:\\Users\\u\\player.img"), "C:\\Users\\u");
    EXPECT_EQ(ParentFolder("C:\\player.img"), "C:\\");
    EXPECT_EQ(ParentFolder("C:player.img"), "C:");
    EXPECT_EQ(ParentFolder("\\\\server\\share\\player.img"), "\\\\server\\share\\");
#endif
}

}
