#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Render/PEffectManager.h"
#include "Render/PMaterialManager.h"
#include "Render/PTextureManager.h"
#include "core/ServiceGlobals.h"
#include "support/EffectFileBuilder.h"
#include "support/ScopedGlobal.h"
#include "support/ScopedRenderCaches.h"

namespace {

class MaterialCacheTest : public testing::Test {
protected:
    MaterialCacheTest() {
        mCaches.WriteEffect("holey.fx", EffectFileBuilder().Parameter("texture", "tex0").Parameter("texture", "tex1").Str());
        mCaches.WriteEffect("shadow.fx", EffectFileBuilder().Parameter("texture", "tex0").Str());
        mCaches.WriteTexture("detail1.dds", MakeDdsFile(D3DFMT_A8R8G8B8, 4, 4));
        mCaches.WriteTexture("color.dds", MakeDdsFile(D3DFMT_A8R8G8B8, 8, 8));
    }

    ScopedRenderCaches mCaches;
    const std::vector<std::string> mPair{"detail1.dds", "color.dds"};
};

}  // namespace

TEST_F(MaterialCacheTest, EqualDescriptionsGetOneMaterial) {
    CPSmartPtr<CPMaterial> first = gMaterialManager->CreateMaterial(17, "holey.fx", mPair);
    CPSmartPtr<CPMaterial> second = gMaterialManager->CreateMaterial(17, "holey.fx", mPair);
    ASSERT_TRUE(first);
    EXPECT_EQ(first.Get(), second.Get());
    EXPECT_EQ(gMaterialManager->GetMaterials().size(), 1u);

    EXPECT_EQ(first->GetLayerKey(), 17);
    EXPECT_EQ(first->GetEffect().Get(), gEffectManager->FindEffect("holey.fx"));
    ASSERT_TRUE(first->GetTextureBlock());
    EXPECT_EQ(first->GetTextureBlock()->GetTextures(),
              (std::vector<CPTexture*>{gTextureManager->FindTexture("detail1.dds"),
                                       gTextureManager->FindTexture("color.dds")}));
    EXPECT_EQ(first->GetRenderer(), gRenderer);
    EXPECT_TRUE(first->GetValues().empty());
    EXPECT_EQ(first->GetStateFlag(), 0);
    EXPECT_EQ(first->GetClassName(), "CPMaterial - holey.fx");
}

TEST_F(MaterialCacheTest, WhatDiffersMakesAnotherMaterialAndWhatIsEqualIsShared) {
    CPSmartPtr<CPMaterial> base = gMaterialManager->CreateMaterial(17, "holey.fx", mPair);
    CPSmartPtr<CPMaterial> otherKey = gMaterialManager->CreateMaterial(120, "holey.fx", mPair);
    CPSmartPtr<CPMaterial> otherOrder = gMaterialManager->CreateMaterial(17, "holey.fx", {"color.dds", "detail1.dds"});
    CPSmartPtr<CPMaterial> otherEffect = gMaterialManager->CreateMaterial(17, "shadow.fx", mPair);

    EXPECT_NE(otherKey.Get(), base.Get());
    EXPECT_EQ(otherKey->GetEffect().Get(), base->GetEffect().Get());
    EXPECT_EQ(otherKey->GetTextureBlock().Get(), base->GetTextureBlock().Get());

    EXPECT_NE(otherOrder.Get(), base.Get());
    EXPECT_NE(otherOrder->GetTextureBlock().Get(), base->GetTextureBlock().Get());

    EXPECT_NE(otherEffect.Get(), base.Get());
    EXPECT_EQ(otherEffect->GetTextureBlock().Get(), base->GetTextureBlock().Get());

    EXPECT_EQ(gMaterialManager->GetMaterials(),
              (std::list<CPMaterial*>{base.Get(), otherKey.Get(), otherOrder.Get(), otherEffect.Get()}));
}

TEST_F(MaterialCacheTest, AnEmptyTextureListIsValid) {
    CPSmartPtr<CPMaterial> material = gMaterialManager->CreateMaterial(198, "holey.fx", {});
    ASSERT_TRUE(material->GetTextureBlock());
    EXPECT_EQ(material->GetTextureBlock()->GetCount(), 0);
    EXPECT_EQ(gMaterialManager->CreateMaterial(198, "holey.fx", {}).Get(), material.Get());
    EXPECT_EQ(gMaterialManager->CreateMaterial(200, "holey.fx", {})->GetTextureBlock().Get(),
              material->GetTextureBlock().Get());
}

TEST_F(MaterialCacheTest, MissingResourcesStillGiveAMaterialWithTheirFallbacks) {
    mCaches.WriteEffect("error.fx", EffectFileBuilder().Parameter("float", "errorMarker").Str());
    mCaches.WriteEffect("broken.fx", EffectFileBuilder::Broken());
    mCaches.WriteTexture("error.tga", MakeImageFile(ImageKind::Tga, 2, 2));

    CPSmartPtr<CPMaterial> material = gMaterialManager->CreateMaterial(10, "broken.fx", {"missing.tga"});
    ASSERT_TRUE(material);
    EXPECT_EQ(material->GetEffect()->GetName(), "error.fx");
    EXPECT_EQ(material->GetTextureBlock()->GetTextures()[0]->GetName(), "error.tga");
    EXPECT_EQ(gMaterialManager->CreateMaterial(10, "broken.fx", {"missing.tga"}).Get(), material.Get());
}

TEST_F(MaterialCacheTest, TheGlobalRenderContextIsTheMaterialCache) {
    ASSERT_EQ(GetGlobalRenderContext(), gMaterialManager);
    CPSmartPtr<CPMaterial> viaContext = GetGlobalRenderContext()->CreateMaterial(120, "shadow.fx", {"color.dds"});
    EXPECT_EQ(gMaterialManager->CreateMaterial(120, "shadow.fx", {"color.dds"}).Get(), viaContext.Get());
}

TEST_F(MaterialCacheTest, ADestroyedMaterialLeavesTheCacheAndIsMadeAnew) {
    CPMaterial* kept = gMaterialManager->CreateMaterial(17, "shadow.fx", mPair).Get();
    CPMaterial* doomed = gMaterialManager->CreateMaterial(17, "holey.fx", mPair).Get();

    delete doomed;
    EXPECT_EQ(gMaterialManager->GetMaterials(), (std::list<CPMaterial*>{kept}));
    CPSmartPtr<CPMaterial> again = gMaterialManager->CreateMaterial(17, "holey.fx", mPair);
    EXPECT_EQ(again->GetEffect().Get(), gEffectManager->FindEffect("holey.fx"));
    EXPECT_EQ(gMaterialManager->GetMaterials().size(), 2u);
    EXPECT_EQ(gMaterialManager->CreateMaterial(17, "shadow.fx", mPair).Get(), kept);
}

TEST(MaterialCacheWithoutCachesTest, AMaterialComesOutEmptyInsteadOfCrashing) {
    CPMaterialManager materials;
    ScopedGlobal<CPMaterialManager*> installMaterials(gMaterialManager, &materials);
    CPSmartPtr<CPMaterial> material = materials.CreateMaterial(1, "holey.fx", {"a.tga"});
    ASSERT_TRUE(material);
    EXPECT_FALSE(material->GetEffect());
    EXPECT_FALSE(material->GetTextureBlock());
    EXPECT_EQ(material->GetClassName(), "CPMaterial - ");
    material.Reset();
    materials.DestroyAll();
}

TEST_F(MaterialCacheTest, AMaterialOutlivingItsEffectAndBlockLetsGoWithoutTouchingThem) {
    CPMaterial* material = gMaterialManager->CreateMaterial(17, "holey.fx", mPair).Get();
    delete material->GetEffect().Get();
    delete material->GetTextureBlock().Get();

    delete material;  // must not call Release on the deleted effect and block
    EXPECT_TRUE(gMaterialManager->GetMaterials().empty());
}
