#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/files/CPFileReader.h"
#include "core/files/CPFileWriter.h"
#include "core/files/FileReadOnceScope.h"
#include "core/files/ScrambleBuffer.h"
#include "platform/PathResolver.h"
#include "support/TempFolder.h"

namespace {

// The bytes a reader loads from the path, as text; "(failed)" when the load fails.
std::string Loaded(const std::string& path, bool unscramble = false) {
    CPFileReader reader(path, unscramble);
    if (reader.Load() != S_OK) return "(failed)";
    return std::string(reinterpret_cast<const char*>(reader.GetData()), reader.GetSize());
}

TEST(FileReadOnceTest, WithinAScopeEachPathIsReadFromTheDiskOnce) {
    ScopedWorkingFolder work;
    work.Folder().Write("Data/Meshes/Tree.rdf", "tree");
    work.Folder().Write("Data/Meshes/Rock.rdf", "rock");
    ScopedOpenLog log;
    {
        FileReadOnceScope load;
        // Names that differ only in case are one path to the readers.
        for (const char* path : {"data\\meshes\\tree.rdf", "Data\\Meshes\\Tree.rdf", "DATA\\MESHES\\TREE.RDF"})
            EXPECT_EQ(Loaded(path), "tree") << path;
        EXPECT_EQ(Loaded("data\\meshes\\rock.rdf"), "rock");
        EXPECT_EQ(Loaded("data\\meshes\\rock.rdf"), "rock");
        EXPECT_EQ(Loaded("data\\meshes\\none.rdf"), "(failed)");
    }
    EXPECT_EQ(log.Paths(), (std::vector<std::string>{"Data/Meshes/Tree.rdf", "Data/Meshes/Rock.rdf"}));

    // Outside a scope every load reads the disk, and sees what others changed in between.
    std::ofstream(work.Folder().File("Data/Meshes/Tree.rdf")) << "oak";
    EXPECT_EQ(Loaded("data\\meshes\\tree.rdf"), "oak");
    EXPECT_EQ(Loaded("data\\meshes\\tree.rdf"), "oak");
    EXPECT_EQ(log.Paths().size(), 4u);
}

TEST(FileReadOnceTest, ScrambledAndPlainReadsOfOnePathKeepTheirOwnBytes) {
    ScopedWorkingFolder work;
    std::vector<uint8_t> scrambled = {'s', 'e', 'c', 'r', 'e', 't'};
    ScrambleBuffer(scrambled);
    work.Folder().Write("Data/secret.bin", std::string(scrambled.begin(), scrambled.end()));
    FileReadOnceScope load;
    EXPECT_EQ(Loaded("data\\secret.bin", true), "secret");
    EXPECT_EQ(Loaded("data\\secret.bin", false), std::string(scrambled.begin(), scrambled.end()));
    EXPECT_EQ(Loaded("data\\secret.bin", true), "secret");
}

TEST(FileReadOnceTest, AFileTheEngineWritesWithinTheScopeIsReadAgain) {
    ScopedWorkingFolder work;
    work.Folder().MakeFolder("Data/Saves");
    FileReadOnceScope load;
    EXPECT_EQ(Loaded("data\\saves\\slot.sav"), "(failed)");
    CPFileWriter first("data\\saves\\Slot.sav", false);
    first.WriteString("one");
    ASSERT_EQ(first.Commit(), S_OK) << first.GetFailure();
    const std::string one = Loaded("data\\saves\\slot.sav");
    EXPECT_EQ(one, work.Folder().Read("Data/Saves/Slot.sav"));
    EXPECT_FALSE(IsRegularFile("data\\saves\\slot.sav.~tmp")) << "the writer's temporary file is gone";

    CPFileWriter second("data\\saves\\slot.sav", false);
    second.WriteString("two");
    ASSERT_EQ(second.Commit(), S_OK) << second.GetFailure();
    const std::string two = Loaded("data\\saves\\slot.sav");
    EXPECT_NE(two, one);
    EXPECT_EQ(two, work.Folder().Read("Data/Saves/Slot.sav"));
}

// An answer kept for some bytes serves the same bytes of the same kind only, and lasts until the scope
// ends: nothing is kept outside one, and nothing outlives it.
TEST(FileReadOnceTest, AnAnswerIsKeptByKindAndBytesUntilTheScopeEnds) {
    const uint8_t bytes[] = {1, 2, 3};
    const uint8_t other[] = {1, 2, 4};
    auto parsed = std::make_shared<const int>(7);
    const std::weak_ptr<const int> watch = parsed;
    KeepAnswer(KeptKind::kDescription, bytes, 3, parsed);
    EXPECT_EQ(FindKeptAnswer(KeptKind::kDescription, bytes, 3), nullptr) << "outside a scope";
    {
        FileReadOnceScope load;
        KeepAnswer(KeptKind::kDescription, bytes, 3, std::move(parsed));
        const std::shared_ptr<const void>* kept = FindKeptAnswer(KeptKind::kDescription, bytes, 3);
        ASSERT_NE(kept, nullptr);
        EXPECT_EQ(*std::static_pointer_cast<const int>(*kept), 7);
        EXPECT_EQ(FindKeptAnswer(KeptKind::kSearch, bytes, 3), nullptr);
        EXPECT_EQ(FindKeptAnswer(KeptKind::kDescription, other, 3), nullptr);
        EXPECT_EQ(FindKeptAnswer(KeptKind::kDescription, bytes, 2), nullptr);
        KeepAnswer(KeptKind::kSearch, other, 3, nullptr);
        kept = FindKeptAnswer(KeptKind::kSearch, other, 3);
        ASSERT_NE(kept, nullptr) << "a null answer (damaged bytes, nothing found) is kept";
        EXPECT_EQ(*kept, nullptr);
    }
    EXPECT_TRUE(watch.expired());
    FileReadOnceScope next;
    EXPECT_EQ(FindKeptAnswer(KeptKind::kDescription, bytes, 3), nullptr);
}

}  // namespace
