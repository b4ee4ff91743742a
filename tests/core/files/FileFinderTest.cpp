#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/files/CPFileFinder.h"
#include "core/files/FileReadOnceScope.h"
#include "platform/FolderListing.h"
#include "platform/FileSearch.h"
#include "support/TempFolder.h"

namespace {
class FileFinderTest : public ::testing::Test {
protected:
    FileFinderTest() {
        for (const char* name : {"Data/Textures/b.TGA", "Data/Textures/A.tga", "Data/Textures/c.jpg",
                                 "Data/Textures/car_fire.tga", "Data/Textures/cab.tga", "Data/Textures/noext"})
            mWork.Folder().Write(name, "12345");
        mWork.Folder().MakeFolder("Data/Textures/sub");
    }
    ~FileFinderTest() override { EXPECT_EQ(OpenFindHandleCount(), 0u); }

    ScopedWorkingFolder mWork;
};
}  // namespace

TEST_F(FileFinderTest, FirstMatchInSortedOrderWithoutRegardToCase) {
    struct Case {
        const char* mask;
        const char* found;  // null: nothing matches
    };
    for (Case c : {Case{"data\\textures\\*.tga", "A.tga"}, Case{"DATA\\TEXTURES\\B.tga", "b.TGA"},
                   Case{"Data\\Textures\\?.JPG", "c.jpg"}, Case{"data\\textures\\c*", "c.jpg"},
                   Case{"data\\textures\\ca?.tga", "cab.tga"}, Case{"data\\textures\\*_fire.tga", "car_fire.tga"},
                   Case{"data\\textures\\*.*", "A.tga"}, Case{"data\\textures\\no*", "noext"},
                   Case{".\\data\\textures\\s*", "sub"}, Case{"data\\textures\\*.png", nullptr},
                   Case{"data\\textures\\??.tga", nullptr}, Case{"data\\missing\\*.tga", nullptr},
                   Case{"data\\textures\\", nullptr}, Case{"data\\textures\\a.tg", nullptr}}) {
        CPFileFinder finder(c.mask);
        const HRESULT result = finder.FindFirst();
        if (c.found) {
            EXPECT_EQ(result, S_OK) << c.mask;
            EXPECT_EQ(finder.GetFoundName(), c.found) << c.mask;
        } else {
            EXPECT_EQ(result, E_FAIL) << c.mask;
            EXPECT_EQ(finder.GetFoundName(), "") << c.mask;
        }
    }
}

TEST_F(FileFinderTest, NoMatchKeepsThePreviousName) {
    CPFileFinder finder("data\\textures\\c.jpg");
    ASSERT_EQ(finder.FindFirst(), S_OK);
    EXPECT_EQ(finder.GetFindData().nFileSizeLow, 5u);
    mWork.Folder().Write("Data/Textures/c.jpg", "");
    std::filesystem::remove("Data/Textures/c.jpg");
    EXPECT_EQ(finder.FindFirst(), E_FAIL);
    EXPECT_EQ(finder.GetFoundName(), "c.jpg");
}

TEST_F(FileFinderTest, PlatformSearchReportsKindAndClosesOnce) {
    WIN32_FIND_DATAA data{};
    HANDLE search = FindFirstFileA("data\\textures\\SUB", &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(OpenFindHandleCount(), 1u);
    EXPECT_STREQ(data.cFileName, "sub");
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(FindClose(search), TRUE);
    EXPECT_EQ(FindClose(search), FALSE);
    EXPECT_EQ(FindClose(INVALID_HANDLE_VALUE), FALSE);
    EXPECT_EQ(FindFirstFileA(nullptr, &data), INVALID_HANDLE_VALUE);
}

// Within a load's scope a mask's answer is kept: it is the answer a fresh search gave, it holds while
// only the outside world changes the folder, and it goes when an engine writer changes a folder or the
// scope ends.
TEST_F(FileFinderTest, KeptAnswerLastsUntilAnEngineWriteOrTheScopeEnds) {
    const auto found = [](const char* mask) {
        CPFileFinder finder(mask);
        return finder.FindFirst() == S_OK ? finder.GetFoundName() + ":" + std::to_string(finder.GetFindData().nFileSizeLow)
                                          : std::string("none");
    };
    const char* kMasks[] = {"data\\textures\\new*.tga", "data\\textures\\C.JPG", "data\\textures\\*.png"};
    {
        FileReadOnceScope scope;
        for (const char* mask : kMasks) EXPECT_EQ(found(mask), found(mask)) << mask;
        EXPECT_EQ(found(kMasks[0]), "none");
        EXPECT_EQ(found(kMasks[1]), "c.jpg:5");
        mWork.Folder().Write("Data/Textures/new.tga", "123");
        mWork.Folder().Write("Data/Textures/c.jpg", "1234567");
        EXPECT_EQ(found(kMasks[0]), "none") << "the scope takes the folder to change only through the engine";
        EXPECT_EQ(found(kMasks[1]), "c.jpg:5");
        ForgetFolderListings();
        EXPECT_EQ(found(kMasks[0]), "new.tga:3");
        EXPECT_EQ(found(kMasks[1]), "c.jpg:7");
        std::filesystem::remove("Data/Textures/new.tga");
    }
    FileReadOnceScope next;
    EXPECT_EQ(found(kMasks[0]), "none") << "a new scope searches again";
    EXPECT_EQ(found(kMasks[2]), "none");
}
