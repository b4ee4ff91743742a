#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileSearch.h"
#include "platform/FolderListing.h"
#include "platform/Mmio.h"
#include "platform/PathResolver.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

// The name the platform's search finds first for the mask; "" when nothing matches.
std::string FirstFound(const std::string& mask) {
    WIN32_FIND_DATAA data{};
    HANDLE search = FindFirstFileA(mask.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return "";
    FindClose(search);
    return data.cFileName;
}

// Writes a file as a user or a test would: not through the engine.
// Run once without and once within a listing scope: the answers must not differ.
class ResolverAnswersTest : public ::testing::TestWithParam<bool> {
protected:
    ScopedWorkingFolder work;
};

TEST_P(ResolverAnswersTest, ExactNameFirstThenTheFirstSortedOtherCase) {
    work.Folder().Write("Data/abc", "lower");
    work.Folder().Write("Data/ABC", "upper");
    work.Folder().Write("Data/Meshes/Tree.rdf", "tree");
    work.Folder().MakeFolder("Data/Folder");
    // A link that leads nowhere does not count as an exact match: the other-case search takes the first
    // sorted name.
    fs::create_symlink("nowhere", work.Folder().File("Data/zz"));
    work.Folder().Write("Data/ZZ", "upper zz");
    fs::create_symlink("ABC", work.Folder().File("Data/link"));

    std::optional<FolderListingScope> scope;
    if (GetParam()) scope.emplace();
    struct Case {
        const char* path;
        const char* resolved;
        bool regular;
        bool folder;
    };
    for (const Case& c : {Case{"data\\abc", "Data/abc", true, false}, Case{"DATA\\ABC", "Data/ABC", true, false},
                          Case{"data\\Abc", "Data/ABC", true, false},
                          Case{"data\\meshes\\tree.RDF", "Data/Meshes/Tree.rdf", true, false},
                          Case{"data\\folder", "Data/Folder", false, true},
                          Case{"data\\FOLDER\\", "Data/Folder/", false, true},
                          Case{"data\\meshes\\tree.rdf\\", "Data/Meshes/Tree.rdf/", false, false},
                          Case{"data\\zz", "Data/ZZ", true, false}, Case{"data\\zZ", "Data/ZZ", true, false},
                          Case{"data\\LINK", "Data/link", true, false},
                          Case{"data\\none\\deep.txt", "Data/none/deep.txt", false, false},
                          Case{"data\\.\\abc", "Data/./abc", true, false},
                          Case{"data\\meshes\\..\\ABC", "Data/Meshes/../ABC", true, false}}) {
        EXPECT_EQ(ResolvePath(c.path), c.resolved) << c.path;
        EXPECT_EQ(IsRegularFile(c.path), c.regular) << c.path;
        EXPECT_EQ(IsDirectory(c.path), c.folder) << c.path;
        FILE* file = OpenFileForRead(c.path);
        EXPECT_EQ(file != nullptr, c.regular) << c.path;
        if (file) std::fclose(file);
    }
    EXPECT_EQ(RegularFileSize("data\\abc"), 5);
    EXPECT_EQ(RegularFileSize("data\\folder"), -1);
    EXPECT_EQ(RegularFileSize("data\\gone"), -1);
    EXPECT_EQ(FirstFound("data\\meshes\\*.RDF"), "Tree.rdf");
    EXPECT_EQ(FirstFound("data\\*"), "ABC");
    EXPECT_EQ(FirstFound("data\\x*"), "");
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutKeptListings, ResolverAnswersTest, ::testing::Bool());

TEST(FolderListingTest, FilesOthersCreateRemoveOrRenameBetweenLoadsAreSeenAtOnce) {
    ScopedWorkingFolder work;
    work.Folder().MakeFolder("Data/Meshes");
    {
        FolderListingScope load;
        EXPECT_FALSE(IsRegularFile("data\\meshes\\box.rdf"));
        EXPECT_EQ(FirstFound("data\\meshes\\*.rdf"), "");
    }
    work.Folder().Write("Data/Meshes/Box.rdf", "made");
    EXPECT_TRUE(IsRegularFile("data\\meshes\\box.rdf"));
    EXPECT_EQ(ResolvePath("data\\meshes\\box.rdf"), "Data/Meshes/Box.rdf");
    EXPECT_EQ(FirstFound("data\\meshes\\*.rdf"), "Box.rdf");

    // An exact name made later wins over the other-case one seen before.
    work.Folder().Write("Data/Meshes/box.rdf", "exact");
    EXPECT_EQ(ResolvePath("data\\meshes\\box.rdf"), "Data/Meshes/box.rdf");

    fs::rename(work.Folder().File("Data/Meshes/Box.rdf"), work.Folder().File("Data/Meshes/Crate.rdf"));
    fs::remove(work.Folder().File("Data/Meshes/box.rdf"));
    EXPECT_FALSE(IsRegularFile("data\\meshes\\box.rdf"));
    EXPECT_EQ(OpenFileForRead("data\\meshes\\box.rdf"), nullptr);
    EXPECT_EQ(ResolvePath("data\\meshes\\crate.rdf"), "Data/Meshes/Crate.rdf");
    EXPECT_EQ(FirstFound("data\\meshes\\*.rdf"), "Crate.rdf");
}

TEST(FolderListingTest, WithinALoadTheFilesTheEngineWritesAreSeen) {
    ScopedWorkingFolder work;
    work.Folder().MakeFolder("Data/Saves");
    FolderListingScope load;
    EXPECT_FALSE(IsRegularFile("data\\saves\\slot1.sav"));
    EXPECT_EQ(FirstFound("data\\saves\\*"), "");

    // A plain open for writing makes the file.
    FILE* out = OpenFileForWrite("DATA\\SAVES\\Slot1.sav");
    ASSERT_NE(out, nullptr);
    std::fclose(out);
    EXPECT_TRUE(IsRegularFile("data\\saves\\slot1.sav"));
    EXPECT_EQ(ResolvePath("data\\saves\\slot1.sav"), "Data/Saves/Slot1.sav");

    // A multimedia file made on close.
    HMMIO file = mmioOpenA("data\\saves\\Sound.wav", nullptr, MMIO_CREATE | MMIO_WRITE);
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(mmioWrite(file, "RIFF", 4), 4);
    ASSERT_EQ(mmioClose(file, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(RegularFileSize("data\\saves\\sound.wav"), 4);
    EXPECT_EQ(FirstFound("data\\saves\\*tmp*"), "");
}

TEST(FolderListingTest, ListingsGoWhenTheOutermostScopeEnds) {
    ScopedWorkingFolder work;
    work.Folder().MakeFolder("Data");
    {
        FolderListingScope outer;
        {
            FolderListingScope inner;
            EXPECT_FALSE(IsRegularFile("data\\late.txt"));
        }
        EXPECT_TRUE(FolderListingsKept());
    }
    EXPECT_FALSE(FolderListingsKept());
    work.Folder().Write("Data/Late.txt", "late");
    FolderListingScope next;
    EXPECT_TRUE(IsRegularFile("data\\late.txt"));
}

TEST(FolderListingTest, OpensForReadingAreNotedInOrder) {
    ScopedWorkingFolder work;
    work.Folder().Write("Data/a.txt", "a");
    work.Folder().Write("Data/B.txt", "b");
    ScopedOpenLog log;
    for (const char* path : {"data\\a.txt", "DATA\\b.TXT", "data\\missing.txt", "data", "data\\a.txt"}) {
        if (FILE* file = OpenFileForRead(path)) std::fclose(file);
    }
    EXPECT_EQ(log.Paths(), (std::vector<std::string>{"Data/a.txt", "Data/B.txt", "Data/a.txt"}));
}

}  // namespace
