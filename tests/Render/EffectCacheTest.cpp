#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Render/PDeviceListener.h"
#include "Render/PEffectManager.h"
#include "support/EffectFileBuilder.h"
#include "support/ScopedRenderCaches.h"

namespace {

// Names of the parameters the texture handles stand for, in slot order.
std::vector<std::string> SlotNames(const CPEffect& effect) {
    std::vector<std::string> names;
    D3DXPARAMETER_DESC desc{};
    for (D3DXHANDLE handle : effect.GetTextureHandles()) {
        effect.GetEffect()->GetParameterDesc(handle, &desc);
        names.push_back(desc.Name);
    }
    return names;
}

bool Declares(const CPEffect& effect, const char* parameter) {
    return effect.GetEffect() && effect.GetEffect()->GetParameterByName(nullptr, parameter) != nullptr;
}

size_t EffectCreations(const ScopedRenderCaches& caches) {
    return CallsOf(caches.Device(), D3DCall::D3DXCreateEffect).size();
}

const std::string kSimple = EffectFileBuilder().Parameter("float", "simpleMarker").Str();
const std::string kError = EffectFileBuilder().Parameter("float", "errorMarker").Str();

}  // namespace

TEST(EffectCacheTest, SameNameIsCompiledOnceAndHandedOutAgain) {
    ScopedRenderCaches caches(DeviceRecording::On);
    caches.WriteEffect("holey.fx", EffectFileBuilder().Parameter("texture", "tex0").Str());

    CPSmartPtr<CPEffect> first = gEffectManager->GetEffect("holey.fx");
    CPSmartPtr<CPEffect> second = gEffectManager->GetEffect("holey.fx");
    ASSERT_TRUE(first);
    EXPECT_EQ(first.Get(), second.Get());
    EXPECT_NE(first->GetEffect(), nullptr);
    EXPECT_EQ(EffectCreations(caches), 1u);
    EXPECT_EQ(first->GetClassName(), "CPEffect - holey.fx");
}

TEST(EffectCacheTest, TextureSlotsStopAtTheFirstGapAndTimeIsOptional) {
    struct Case {
        const char* name;
        std::vector<std::string> declared;
        std::vector<std::string> slots;
        bool hasTime;
    };
    const Case cases[] = {
        {"gap at tex2", {"tex0", "tex1", "tex3", "time"}, {"tex0", "tex1"}, true},
        {"declared out of order", {"tex2", "tex0", "tex1"}, {"tex0", "tex1", "tex2"}, false},
        {"no tex0", {"tex1", "time"}, {}, true},
        {"nothing", {}, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedRenderCaches caches;
        EffectFileBuilder text;
        for (const std::string& parameter : c.declared)
            text.Parameter(parameter == "time" ? "float" : "texture", parameter);
        caches.WriteEffect("slots.fx", text.Str());

        CPSmartPtr<CPEffect> effect = gEffectManager->GetEffect("slots.fx");
        ASSERT_NE(effect->GetEffect(), nullptr);
        EXPECT_EQ(SlotNames(*effect), c.slots);
        EXPECT_EQ(effect->GetTimeHandle() != nullptr, c.hasTime);
    }
}

TEST(EffectCacheTest, TheFirstTechniqueIsMadeCurrent) {
    ScopedRenderCaches caches;
    caches.WriteEffect("two.fx", EffectFileBuilder().Technique("Best", 2).Technique("Plain").Str());

    CPSmartPtr<CPEffect> effect = gEffectManager->GetEffect("two.fx");
    D3DXTECHNIQUE_DESC desc{};
    ASSERT_EQ(effect->GetEffect()->GetTechniqueDesc(effect->GetEffect()->GetCurrentTechnique(), &desc), S_OK);
    EXPECT_STREQ(desc.Name, "Best");
}

TEST(EffectCacheTest, SharedOptionMakesASecondEntryInThePool) {
    ScopedRenderCaches caches(DeviceRecording::On);
    caches.WriteEffect("holey.fx", EffectFileBuilder().SharedParameter("float4x4", "g_mViewInv").Str());

    CPSmartPtr<CPEffect> plain = gEffectManager->GetEffect("holey.fx");
    CPSmartPtr<CPEffect> shared = gEffectManager->GetEffect("holey.fx,shared");
    ASSERT_NE(plain.Get(), shared.Get());
    EXPECT_EQ(EffectCreations(caches), 2u);
    EXPECT_EQ(shared->GetName(), "holey.fx,shared");

    ID3DXEffectPool* pool = nullptr;
    EXPECT_EQ(plain->GetEffect()->GetPool(&pool), S_OK);
    EXPECT_EQ(pool, nullptr);
    ASSERT_EQ(shared->GetEffect()->GetPool(&pool), S_OK);
    EXPECT_EQ(pool, gEffectManager->GetEffectPool());
    if (pool) pool->Release();
    EXPECT_EQ(gEffectManager->GetFirstSharedEffect(), shared->GetEffect());
}

TEST(EffectCacheTest, TheFirstSharedEffectFixesTheSharedHandles) {
    ScopedRenderCaches caches;
    EffectFileBuilder all;
    for (const char* name : {"g_mViewInv", "g_mWorldViewProjection", "g_mViewProjection", "g_mWorldView"})
        all.SharedParameter("float4x4", name);
    for (const char* name : {"g_vLight", "g_vLightColor", "g_vAmbient", "g_vCameraPos"})
        all.SharedParameter("float4", name);
    caches.WriteEffect("first.fx", all.Str());
    caches.WriteEffect("second.fx", EffectFileBuilder().SharedParameter("float4", "g_vLight").Str());

    CPSmartPtr<CPEffect> first = gEffectManager->GetEffect("first.fx,shared");
    const CPSharedEffectHandles fixed = gEffectManager->GetSharedHandles();
    const D3DXHANDLE handles[] = {fixed.viewInv, fixed.light, fixed.lightColor, fixed.worldViewProjection,
                                  fixed.viewProjection, fixed.worldView, fixed.ambient, fixed.cameraPos};
    const char* names[] = {"g_mViewInv", "g_vLight", "g_vLightColor", "g_mWorldViewProjection",
                           "g_mViewProjection", "g_mWorldView", "g_vAmbient", "g_vCameraPos"};
    for (size_t i = 0; i < 8; ++i)
        EXPECT_EQ(handles[i], first->GetEffect()->GetParameterByName(nullptr, names[i])) << names[i];

    gEffectManager->GetEffect("second.fx,shared");
    EXPECT_EQ(gEffectManager->GetFirstSharedEffect(), first->GetEffect());
    EXPECT_EQ(gEffectManager->GetSharedHandles().light, fixed.light);
}

TEST(EffectCacheTest, AStandInOutsideThePoolDoesNotFixTheSharedHandles) {
    ScopedRenderCaches caches;
    caches.WriteEffect("simple.fx", EffectFileBuilder().Parameter("float4", "g_vLight").Str());
    caches.WriteEffect("real.fx", EffectFileBuilder().SharedParameter("float4", "g_vLight").Str());

    CPSmartPtr<CPEffect> missing = gEffectManager->GetEffect("missing.fx,shared");
    ASSERT_TRUE(Declares(*missing, "g_vLight"));  // the "\simple.fx" stand-in, made without the pool
    EXPECT_EQ(gEffectManager->GetFirstSharedEffect(), nullptr);
    EXPECT_EQ(gEffectManager->GetSharedHandles().light, nullptr);

    CPSmartPtr<CPEffect> real = gEffectManager->GetEffect("real.fx,shared");
    EXPECT_EQ(gEffectManager->GetFirstSharedEffect(), real->GetEffect());
    EXPECT_EQ(gEffectManager->GetSharedHandles().light, real->GetEffect()->GetParameterByName(nullptr, "g_vLight"));
}

TEST(EffectCacheTest, FallbacksTakeTheRequestedName) {
    struct Case {
        const char* name;
        bool requestedPresent;
        bool requestedCompiles;
        bool simplePresent;
        bool simpleCompiles;
        const char* marker;      // parameter of the effect that answers; null: no D3DX effect
        const char* effectName;  // the answering CPEffect's own name
        const char* reportSite;  // file and line of the one report; null: none
    };
    const Case cases[] = {
        {"compiles", true, true, true, true, "ownMarker", "wanted.fx", nullptr},
        {"missing, simple compiles", false, false, true, true, "simpleMarker", "wanted.fx", nullptr},
        {"missing, simple broken", false, false, true, false, "errorMarker", "error.fx", "PEffect.cpp:89"},
        {"missing, simple missing", false, false, false, false, nullptr, "wanted.fx", nullptr},
        {"present but broken", true, false, true, true, "errorMarker", "error.fx", "PEffect.cpp:69"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedRenderCaches caches;
        if (c.requestedPresent)
            caches.WriteEffect("wanted.fx", c.requestedCompiles ? EffectFileBuilder().Parameter("float", "ownMarker").Str()
                                                                : EffectFileBuilder::Broken());
        if (c.simplePresent) caches.WriteEffect("simple.fx", c.simpleCompiles ? kSimple : EffectFileBuilder::Broken());
        caches.WriteEffect("error.fx", kError);
        const size_t listenersBefore = g_DeviceListeners.Size();

        CPSmartPtr<CPEffect> effect = gEffectManager->GetEffect("wanted.fx");
        ASSERT_TRUE(effect);
        EXPECT_EQ(effect->GetName(), c.effectName);
        if (c.marker) {
            EXPECT_TRUE(Declares(*effect, c.marker));
        } else {
            EXPECT_EQ(effect->GetEffect(), nullptr);
        }
        EXPECT_EQ(gEffectManager->FindEffect("wanted.fx"), effect.Get());
        EXPECT_EQ(gEffectManager->GetEffectCount(), 1u);
        // The effect that failed was destroyed: only the one that answers is still a listener.
        EXPECT_EQ(g_DeviceListeners.Size(), listenersBefore + 1);
        EXPECT_EQ(caches.ReportSites(),
                  c.reportSite ? std::vector<std::string>{c.reportSite} : std::vector<std::string>{});

        EXPECT_EQ(gEffectManager->GetEffect("wanted.fx").Get(), effect.Get());  // answered from the cache
    }
}

TEST(EffectCacheTest, EachFailedNameCompilesItsOwnErrorEffect) {
    ScopedRenderCaches caches;
    caches.WriteEffect("broken.fx", EffectFileBuilder::Broken());
    caches.WriteEffect("error.fx", kError);

    CPSmartPtr<CPEffect> a = gEffectManager->GetEffect("broken.fx");
    CPSmartPtr<CPEffect> b = gEffectManager->GetEffect("broken.fx,shared");
    EXPECT_NE(a.Get(), b.Get());
    EXPECT_TRUE(Declares(*a, "errorMarker"));
    EXPECT_TRUE(Declares(*b, "errorMarker"));
    EXPECT_EQ(gEffectManager->GetEffectCount(), 2u);
}

TEST(EffectCacheTest, NamesDifferingInCaseAreTwoEntriesOfOneFile) {
    ScopedRenderCaches caches(DeviceRecording::On);
    caches.WriteEffect("holey.fx", EffectFileBuilder().Parameter("float", "ownMarker").Str());

    CPSmartPtr<CPEffect> lower = gEffectManager->GetEffect("holey.fx");
    CPSmartPtr<CPEffect> upper = gEffectManager->GetEffect("HOLEY.FX");
    EXPECT_NE(lower.Get(), upper.Get());
    EXPECT_TRUE(Declares(*upper, "ownMarker"));
    EXPECT_EQ(EffectCreations(caches), 2u);
}

TEST(EffectCacheTest, ADestroyedEffectLeavesTheCacheUnderTheNameItAnswers) {
    ScopedRenderCaches caches;
    caches.WriteEffect("keep.fx", EffectFileBuilder().Str());
    caches.WriteEffect("broken.fx", EffectFileBuilder::Broken());
    caches.WriteEffect("error.fx", kError);
    CPEffect* keep = gEffectManager->GetEffect("keep.fx").Get();
    CPEffect* fallback = gEffectManager->GetEffect("broken.fx").Get();
    ASSERT_EQ(fallback->GetName(), "error.fx");

    delete fallback;  // cached as "broken.fx" although it is named "error.fx"
    EXPECT_EQ(gEffectManager->FindEffect("broken.fx"), nullptr);
    EXPECT_EQ(gEffectManager->FindEffect("keep.fx"), keep);

    CPSmartPtr<CPEffect> again = gEffectManager->GetEffect("broken.fx");  // loads anew
    EXPECT_TRUE(Declares(*again, "errorMarker"));
}

TEST(EffectCacheTest, DestroyingTheFirstSharedEffectLetsTheNextOneFixTheHandles) {
    ScopedRenderCaches caches;
    caches.WriteEffect("a.fx", EffectFileBuilder().SharedParameter("float4", "g_vLight").Str());
    caches.WriteEffect("b.fx", EffectFileBuilder().SharedParameter("float4", "g_vLight").Str());
    CPEffect* a = gEffectManager->GetEffect("a.fx,shared").Get();

    delete a;
    EXPECT_EQ(gEffectManager->GetFirstSharedEffect(), nullptr);
    EXPECT_EQ(gEffectManager->GetSharedHandles().light, nullptr);

    CPSmartPtr<CPEffect> b = gEffectManager->GetEffect("b.fx,shared");
    EXPECT_EQ(gEffectManager->GetFirstSharedEffect(), b->GetEffect());
    EXPECT_NE(gEffectManager->GetSharedHandles().light, nullptr);
}

TEST(EffectCacheTest, EffectsFollowTheDeviceResetAndEmptyOnesIgnoreIt) {
    ScopedRenderCaches caches(DeviceRecording::On);
    caches.WriteEffect("holey.fx", EffectFileBuilder().Str());
    CPSmartPtr<CPEffect> loaded = gEffectManager->GetEffect("holey.fx");
    CPSmartPtr<CPEffect> empty = gEffectManager->GetEffect("nothing.fx");  // no file, no "\simple.fx"
    ASSERT_EQ(empty->GetEffect(), nullptr);

    g_DeviceListeners.NotifyLostDevice();
    EXPECT_TRUE(loaded->GetEffect()->IsLost());
    g_DeviceListeners.NotifyResetDevice();
    EXPECT_FALSE(loaded->GetEffect()->IsLost());
    EXPECT_EQ(CallsOf(caches.Device(), D3DCall::EffectOnLostDevice).size(), 1u);
    EXPECT_EQ(CallsOf(caches.Device(), D3DCall::EffectOnResetDevice).size(), 1u);
}
