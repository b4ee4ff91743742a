#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Render/PTextureManager.h"
#include "core/config/Settings.h"
#include "support/ScopedGlobal.h"
#include "support/ScopedRenderCaches.h"
#include "support/TestData.h"

namespace {

// Sets the "texlod" setting for one scope.
class ScopedTexLod : public ScopedGlobal<int32_t> {
public:
    explicit ScopedTexLod(int32_t value) : ScopedGlobal(gSettings::texlod, value) {}
};

size_t SetLodCalls(const ScopedRenderCaches& caches) { return CallsOf(caches.Device(), D3DCall::TextureSetLOD).size(); }

// "error.tga" is 2 x 2, so a texture that fell back is told apart by its size.
void WriteErrorTexture(const ScopedRenderCaches& caches) {
    caches.WriteTexture("error.tga", MakeImageFile(ImageKind::Tga, 2, 2));
}

}  // namespace

TEST(TextureCacheTest, ImagesReportTheSizeOfTheirTopLevel) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        uint32_t width;
        uint32_t height;
    };
    const Case cases[] = {
        {"tga.tga", MakeImageFile(ImageKind::Tga, 8, 4), 8, 4},
        {"jpeg.jpg", MakeImageFile(ImageKind::Jpeg, 16, 32, false), 16, 32},
        {"dds.dds", MakeDdsFile(D3DFMT_A8R8G8B8, 4, 8, 3), 4, 8},
        {"dxt.dds", MakeDdsFile(D3DFMT_DXT1, 16, 16), 16, 16},
        // Sizes are rounded up to powers of two: the texture's size, not the file's, is reported.
        {"odd.tga", MakeImageFile(ImageKind::Tga, 5, 3), 8, 4},
    };
    ScopedRenderCaches caches;
    WriteErrorTexture(caches);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        caches.WriteTexture(c.name, c.bytes);
        CPSmartPtr<CPTexture> texture = gTextureManager->GetTexture(c.name);
        ASSERT_NE(texture->GetTexture(), nullptr);
        EXPECT_EQ(texture->GetCubeTexture(), nullptr);
        EXPECT_FALSE(texture->IsCube());
        EXPECT_EQ(texture->GetWidth(), c.width);
        EXPECT_EQ(texture->GetHeight(), c.height);
        EXPECT_EQ(texture->GetName(), c.name);
        EXPECT_EQ(texture->GetTexture()->Pool(), D3DPOOL_MANAGED);
    }
    EXPECT_TRUE(caches.Reports().empty());
}

TEST(TextureCacheTest, SameNameIsLoadedOnce) {
    ScopedRenderCaches caches(DeviceRecording::On);
    caches.WriteTexture("color.dds", MakeDdsFile(D3DFMT_A8R8G8B8, 4, 4));

    CPSmartPtr<CPTexture> first = gTextureManager->GetTexture("color.dds");
    CPSmartPtr<CPTexture> second = gTextureManager->GetTexture("color.dds");
    EXPECT_EQ(first.Get(), second.Get());
    EXPECT_EQ(CallsOf(caches.Device(), D3DCall::D3DXCreateTextureFromFileInMemoryEx).size(), 1u);
    EXPECT_EQ(first->GetClassName(), "CPTexture - color.dds");
}

TEST(TextureCacheTest, CubeOptionLoadsACubeMapAsAnEntryOfItsOwn) {
    ScopedRenderCaches caches;
    caches.WriteTexture("color.dds", MakeDdsFile(D3DFMT_A8R8G8B8, 8, 8, 1, true));

    CPSmartPtr<CPTexture> cube = gTextureManager->GetTexture("color.dds,cube");
    ASSERT_NE(cube->GetCubeTexture(), nullptr);
    EXPECT_EQ(cube->GetTexture(), nullptr);
    EXPECT_EQ(cube->GetBaseTexture(), cube->GetCubeTexture());
    EXPECT_TRUE(cube->IsCube());
    EXPECT_EQ(cube->GetWidth(), 8u);
    EXPECT_EQ(cube->GetHeight(), 8u);
    EXPECT_EQ(cube->GetCubeTexture()->Pool(), D3DPOOL_MANAGED);

    CPSmartPtr<CPTexture> flat = gTextureManager->GetTexture("color.dds");
    EXPECT_NE(flat.Get(), cube.Get());
    EXPECT_FALSE(flat->IsCube());
    EXPECT_NE(flat->GetTexture(), nullptr);
    EXPECT_EQ(gTextureManager->GetTextureCount(), 2u);
}

TEST(TextureCacheTest, NomipGivesOneLevelAndNeverALevelOfDetail) {
    ScopedRenderCaches caches(DeviceRecording::On);
    ScopedTexLod lod(1);
    caches.WriteTexture("mapblur2.tga", MakeImageFile(ImageKind::Tga, 16, 16));

    CPSmartPtr<CPTexture> single = gTextureManager->GetTexture("mapblur2.tga,nomip");
    EXPECT_EQ(single->GetTexture()->GetLevelCount(), 1u);
    EXPECT_EQ(single->GetTexture()->GetLOD(), 0u);
    EXPECT_EQ(SetLodCalls(caches), 0u);

    CPSmartPtr<CPTexture> chain = gTextureManager->GetTexture("mapblur2.tga");
    EXPECT_EQ(chain->GetTexture()->GetLevelCount(), 5u);
    EXPECT_EQ(chain->GetTexture()->GetLOD(), 1u);  // the top level dropped
}

TEST(TextureCacheTest, DefaultTexLodLeavesTheLevelOfDetailAlone) {
    ScopedRenderCaches caches(DeviceRecording::On);
    ScopedTexLod lod(-1);
    caches.WriteTexture("a.tga", MakeImageFile(ImageKind::Tga, 16, 16));
    caches.WriteTexture("c.dds", MakeDdsFile(D3DFMT_A8R8G8B8, 8, 8, 4, true));

    EXPECT_EQ(gTextureManager->GetTexture("a.tga")->GetTexture()->GetLOD(), 0u);
    {
        ScopedTexLod cubeLod(1);  // cube maps never get a level of detail
        EXPECT_EQ(gTextureManager->GetTexture("c.dds,cube")->GetCubeTexture()->GetLOD(), 0u);
    }
    EXPECT_EQ(SetLodCalls(caches), 0u);
}

TEST(TextureCacheTest, MissingFileIsReadFromItsJpegNamesake) {
    struct Case {
        const char* requested;
        const char* onDisk;
    };
    const Case cases[] = {
        {"mapblur.tga", "mapblur.jpg"},
        {"mapblur.tga,nomip", "mapblur.jpg"},
        {"ab", "jpg"},  // shorter than the replaced extension: the whole name gives way
        {"ab.t", "ajpg"},  // the last three characters, whatever the extension
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.requested);
        ScopedRenderCaches caches;
        WriteErrorTexture(caches);
        caches.WriteTexture(c.onDisk, MakeImageFile(ImageKind::Jpeg, 4, 8, false));

        CPSmartPtr<CPTexture> texture = gTextureManager->GetTexture(c.requested);
        EXPECT_EQ(texture->GetWidth(), 4u);
        EXPECT_EQ(texture->GetHeight(), 8u);
        EXPECT_EQ(texture->GetName(), c.requested);
        EXPECT_EQ(gTextureManager->FindTexture(c.requested), texture.Get());
    }
}

TEST(TextureCacheTest, TheRequestedFileWinsOverItsJpegNamesake) {
    ScopedRenderCaches caches;
    caches.WriteTexture("mapblur.tga", MakeImageFile(ImageKind::Tga, 2, 4));
    caches.WriteTexture("mapblur.jpg", MakeImageFile(ImageKind::Jpeg, 4, 8, false));
    EXPECT_EQ(gTextureManager->GetTexture("mapblur.tga")->GetWidth(), 2u);
}

TEST(TextureCacheTest, WhatCannotBeLoadedIsReplacedByTheErrorTexture) {
    struct Case {
        const char* name;
        const char* file;               // written with `bytes`; null: nothing written
        std::string bytes;
        const char* reportSite;  // file and line of the one report; null: none
    };
    const Case cases[] = {
        {"missing.tga", nullptr, "", nullptr},
        {"", nullptr, "", nullptr},
        {"garbage.tga", "garbage.tga", "not an image at all", "PTexture.cpp:138"},
        {"empty.tga", "empty.tga", "", "PTexture.cpp:138"},
        {"garbage.dds,cube", "garbage.dds", "DDS but broken", "PTexture.cpp:107"},
        // Found by fuzzing: Huffman counts adding up to more than 256 symbols.
        {"huffman.jpg", "huffman.jpg", ReadTestData("regressions/jpeg-huffman-counts-over-256.jpg"),
         "PTexture.cpp:138"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedRenderCaches caches;
        WriteErrorTexture(caches);
        if (c.file) caches.Folder().Write(std::string("Data/Textures/") + c.file, c.bytes);
        const size_t objectsBefore = gObjectRegistry::Size();

        CPSmartPtr<CPTexture> texture = gTextureManager->GetTexture(c.name);
        ASSERT_TRUE(texture);
        EXPECT_EQ(texture->GetName(), "error.tga");
        EXPECT_EQ(texture->GetWidth(), 2u);
        EXPECT_NE(texture->GetTexture(), nullptr);
        EXPECT_EQ(gTextureManager->FindTexture(c.name), texture.Get());
        // The texture that failed was destroyed, not left behind.
        EXPECT_EQ(gObjectRegistry::Size(), objectsBefore + 1);
        EXPECT_EQ(caches.ReportSites(),
                  c.reportSite ? std::vector<std::string>{c.reportSite} : std::vector<std::string>{});
    }
}

TEST(TextureCacheTest, WithoutAUsableErrorTextureTheEntryHasNoDirect3DTexture) {
    struct Case {
        const char* name;
        const char* errorBytes;  // "error.tga" written with these; null: no "error.tga"
        std::vector<std::string> reportSites;
    };
    const Case cases[] = {
        {"error texture missing", nullptr, {}},
        {"error texture broken", "not an image", {"PTexture.cpp:138"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedRenderCaches caches;
        if (c.errorBytes) caches.Folder().Write("Data/Textures/error.tga", c.errorBytes);
        CPSmartPtr<CPTexture> texture = gTextureManager->GetTexture("missing.tga");
        ASSERT_TRUE(texture);
        EXPECT_EQ(texture->GetBaseTexture(), nullptr);
        EXPECT_EQ(gTextureManager->FindTexture("missing.tga"), texture.Get());
        EXPECT_EQ(gTextureManager->GetTexture("missing.tga").Get(), texture.Get());
        EXPECT_EQ(caches.ReportSites(), c.reportSites);
    }
}

TEST(TextureCacheTest, ADestroyedTextureLeavesTheCacheAndReleasesItsTexture) {
    ScopedRenderCaches caches;
    caches.WriteTexture("keep.tga", MakeImageFile(ImageKind::Tga, 4, 4));
    WriteErrorTexture(caches);
    CPTexture* keep = gTextureManager->GetTexture("keep.tga").Get();
    CPTexture* fallback = gTextureManager->GetTexture("missing.tga").Get();
    IDirect3DTexture9* direct3D = fallback->GetTexture();
    direct3D->AddRef();  // to watch it after the CPTexture is gone

    delete fallback;  // cached as "missing.tga" although it is named "error.tga"
    EXPECT_EQ(direct3D->RefCount(), 1u);
    direct3D->Release();
    EXPECT_EQ(gTextureManager->FindTexture("missing.tga"), nullptr);
    EXPECT_EQ(gTextureManager->FindTexture("keep.tga"), keep);
}

TEST(TextureCacheTest, AVideoTextureIsNotReleasedButStillLeavesTheCache) {
    ScopedRenderCaches caches;
    WriteErrorTexture(caches);
    CPTexture* entry = gTextureManager->GetTexture("video").Get();
    IDirect3DTexture9* loaded = entry->GetTexture();
    loaded->AddRef();
    IDirect3DTexture9* player = nullptr;
    ASSERT_EQ(caches.Device().CreateTexture(64, 64, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &player, nullptr), S_OK);

    entry->ShowVideoTexture(player, "VIDEO");
    EXPECT_EQ(loaded->RefCount(), 1u);  // the entry's own texture was released on the way
    loaded->Release();
    EXPECT_EQ(gTextureManager->FindTexture("video"), entry);
    EXPECT_EQ(entry->GetTexture(), player);

    delete entry;
    EXPECT_EQ(player->RefCount(), 1u);  // still the player's
    EXPECT_EQ(gTextureManager->FindTexture("video"), nullptr);
    player->Release();
}

TEST(TextureCacheTest, EqualTextureListsShareOneBlock) {
    ScopedRenderCaches caches;
    caches.WriteTexture("detail1.dds", MakeDdsFile(D3DFMT_A8R8G8B8, 4, 4));
    caches.WriteTexture("color.dds", MakeDdsFile(D3DFMT_A8R8G8B8, 8, 8));

    CPSmartPtr<CPTextureBlock> first = gTextureManager->CreateTextureBlock({"detail1.dds", "color.dds"});
    CPSmartPtr<CPTextureBlock> again = gTextureManager->CreateTextureBlock({"detail1.dds", "color.dds"});
    CPSmartPtr<CPTextureBlock> reversed = gTextureManager->CreateTextureBlock({"color.dds", "detail1.dds"});
    CPSmartPtr<CPTextureBlock> shorter = gTextureManager->CreateTextureBlock({"detail1.dds"});
    EXPECT_EQ(first.Get(), again.Get());
    EXPECT_NE(first.Get(), reversed.Get());
    EXPECT_NE(first.Get(), shorter.Get());

    ASSERT_EQ(first->GetCount(), 2);
    EXPECT_EQ(first->GetTextures()[0], gTextureManager->FindTexture("detail1.dds"));
    EXPECT_EQ(first->GetTextures()[1], gTextureManager->FindTexture("color.dds"));
    EXPECT_EQ(first->GetClassName(), "CPTextureBlock");
    EXPECT_EQ(gTextureManager->GetTextureBlocks(),
              (std::list<CPTextureBlock*>{first.Get(), reversed.Get(), shorter.Get()}));
}

TEST(TextureCacheTest, NamesThatFallBackAreStillDifferentTexturesInABlock) {
    ScopedRenderCaches caches;
    WriteErrorTexture(caches);
    // Each missing name has its own "error.tga" texture, so the two lists are two blocks.
    CPSmartPtr<CPTextureBlock> a = gTextureManager->CreateTextureBlock({"missing1.tga"});
    CPSmartPtr<CPTextureBlock> b = gTextureManager->CreateTextureBlock({"missing2.tga"});
    EXPECT_NE(a.Get(), b.Get());
}

TEST(TextureCacheTest, AnEmptyListIsABlockOfItsOwn) {
    ScopedRenderCaches caches;
    CPSmartPtr<CPTextureBlock> empty = gTextureManager->CreateTextureBlock({});
    EXPECT_EQ(empty->GetCount(), 0);
    EXPECT_EQ(gTextureManager->CreateTextureBlock({}).Get(), empty.Get());
}

TEST(TextureCacheTest, ADestroyedBlockLeavesTheListAndIsMadeAnew) {
    ScopedRenderCaches caches;
    caches.WriteTexture("a.tga", MakeImageFile(ImageKind::Tga, 4, 4));
    CPTextureBlock* kept = gTextureManager->CreateTextureBlock({}).Get();
    CPTextureBlock* block = gTextureManager->CreateTextureBlock({"a.tga"}).Get();

    delete block;
    EXPECT_EQ(gTextureManager->GetTextureBlocks(), (std::list<CPTextureBlock*>{kept}));
    CPSmartPtr<CPTextureBlock> again = gTextureManager->CreateTextureBlock({"a.tga"});
    ASSERT_EQ(again->GetCount(), 1);
    EXPECT_EQ(again->GetTextures()[0], gTextureManager->FindTexture("a.tga"));
    EXPECT_EQ(gTextureManager->GetTextureBlocks().size(), 2u);
}

TEST(TextureCacheTest, ABlockOutlivingOneOfItsTexturesLetsGoOfTheRest) {
    ScopedRenderCaches caches;
    caches.WriteTexture("a.tga", MakeImageFile(ImageKind::Tga, 4, 4));
    caches.WriteTexture("b.tga", MakeImageFile(ImageKind::Tga, 4, 4));
    CPTextureBlock* block = gTextureManager->CreateTextureBlock({"a.tga", "b.tga"}).Get();
    CPTexture* kept = block->GetTextures()[1];
    kept->AddRef();
    delete block->GetTextures()[0];

    delete block;  // must not call Release on the deleted texture
    EXPECT_EQ(kept->GetRefCount(), 0);  // the live one was released
    EXPECT_TRUE(gTextureManager->GetTextureBlocks().empty());
}
