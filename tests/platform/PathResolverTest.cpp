#include <gtest/gtest.h>

#include "platform/PathResolver.h"
#include "support/TempFolder.h"

TEST(PathResolverTest, NormalizesSeparators) {
    struct Case {
        const char* in;
        const char* out;
    };
    for (Case c : {Case{".\\data\\scripts\\game.exe", "data/scripts/game.exe"}, Case{"a\\\\b//c", "a/b/c"},
                   Case{"plain", "plain"}, Case{".\\.\\x", "x"}, Case{"\\simple.fx", "/simple.fx"}}) {
        EXPECT_EQ(NormalizePath(c.in), c.out) << c.in;
    }
}

TEST(PathResolverTest, MatchesEachComponentWithoutRegardToCase) {
    ScopedWorkingFolder work;
    work.Folder().Write("Data/Saves/Save0.sav", "x");
    EXPECT_EQ(ResolvePath("DATA\\saves\\save0.SAV"), "Data/Saves/Save0.sav");
    EXPECT_EQ(ResolvePath(".\\data\\Saves\\new.sav"), "Data/Saves/new.sav");
    EXPECT_EQ(ResolvePath("data\\missing\\Deep.txt"), "Data/missing/Deep.txt");
    FILE* f = OpenFileForRead("data\\SAVES\\save0.sav");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(std::fgetc(f), 'x');
    std::fclose(f);
}

TEST(PathResolverTest, ExactMatchWinsOverOtherCase) {
    ScopedWorkingFolder work;
    work.Folder().Write("abc", "lower");
    work.Folder().Write("ABC", "upper");
    EXPECT_EQ(ResolvePath("ABC"), "ABC");
    EXPECT_EQ(ResolvePath("abc"), "abc");
    EXPECT_EQ(ResolvePath("Abc"), "ABC");  // first in sorted order
}

TEST(PathResolverTest, OnlyRegularFilesOpenForReading) {
    ScopedWorkingFolder work;
    work.Folder().MakeFolder("Data/Levels");
    EXPECT_EQ(OpenFileForRead("data\\levels"), nullptr);
    EXPECT_FALSE(IsRegularFile("data\\levels"));
    EXPECT_TRUE(IsDirectory("DATA\\LEVELS"));
    EXPECT_EQ(OpenFileForRead("data\\levels\\none.lvl"), nullptr);
    EXPECT_EQ(RegularFileSize("data\\levels"), -1);
}

TEST(PathResolverTest, WritesIntoExistingFoldersOfAnyCase) {
    ScopedWorkingFolder work;
    work.Folder().MakeFolder("Data/Saves");
    FILE* f = OpenFileForWrite("DATA\\SAVES\\Save1.sav");
    ASSERT_NE(f, nullptr);
    std::fputs("hello", f);
    std::fclose(f);
    EXPECT_EQ(work.Folder().Read("Data/Saves/Save1.sav"), "hello");
    EXPECT_EQ(RegularFileSize("data\\saves\\save1.sav"), 5);
    EXPECT_EQ(OpenFileForWrite("data"), nullptr);  // a folder is not a file
}
