#include <gtest/gtest.h>

#include "DynamicSky/SkyRenderDevice.h"
#include "Render/PAVIPlayer.h"
#include "Render/PAVIPlayer1.h"
#include "Render/CPRenderQueue.h"
#include "Render/PAnimation.h"
#include "Render/PEffectManager.h"
#include "Render/PEffectSpawner.h"
#include "Render/PParticleSystem.h"
#include "Render/PEffect.h"
#include "Render/PMaterial.h"
#include "Render/PMaterialManager.h"
#include "Render/PRender.h"
#include "Render/PRenderObjectManager.h"
#include "Render/PTextureManager.h"
#include "Sound/PMusic.h"
#include "core/CPObjectFactory.h"
#include "core/CPRefObject.h"
#include "core/CPTaskKernel.h"
#include "core/EngineAssert.h"
#include "core/FrameClock.h"
#include "core/config/CPConfig.h"
#include "core/config/Settings.h"
#include "core/ServiceGlobals.h"
#include "host/EngineHost.h"
#include "interface/CPFontManager.h"
#include "interface/CPInputManager.h"
#include "simulation/level/CPGameData.h"
#include "simulation/physics/CPPhysicWorld.h"
#include "simulation/physics/PhysWorld.h"
#include "simulation/units/DebrisBudget.h"
#include "simulation/vehicle/CPShot.h"
#include "support/D3DTestSupport.h"
#include "support/EffectFileBuilder.h"
#include "support/LuaScriptRig.h"
#include "support/ManualClock.h"
#include "support/RecordingEffect.h"
#include "support/RecordingTask.h"
#include "support/ScopedGlobal.h"
#include "support/TempFolder.h"
#include "support/TestScene.h"

TEST(EngineHostTest, FrameSetsDeltaAndRunningTimeThenRunsTasks) {
    ManualClock clock(1'000'000);
    EngineHost host;
    host.Startup();
    ASSERT_NE(gTaskKernel, nullptr);

    std::vector<std::string> log;
    std::vector<float> seenDelta;
    RecordingTask task("t", &log);
    task.mAction = [&](RecordingTask&) { seenDelta.push_back(gDeltaTime); };
    gTaskKernel->AddTask(&task);

    clock.AdvanceMs(16);
    host.Frame();
    EXPECT_FLOAT_EQ(gDeltaTime, 0.016f);
    clock.AdvanceMs(34);
    host.Frame();
    EXPECT_FLOAT_EQ(gDeltaTime, 0.034f);
    EXPECT_NEAR(gRunningTime, 0.05, 1e-6);
    EXPECT_EQ(seenDelta, (std::vector<float>{0.016f, 0.034f}));

    host.Frame();  // no time passed
    EXPECT_EQ(gDeltaTime, 0.0f);

    host.Shutdown();
    EXPECT_TRUE(gAppExiting);
    EXPECT_EQ(gTaskKernel, nullptr);
}

TEST(EngineHostTest, TheScriptsStopTheFrameTimeAndStartItAgain) {
    ManualClock clock(0);
    EngineHost host;
    host.Startup();
    std::vector<std::string> log;
    std::vector<float> seenDelta;
    RecordingTask early("early", &log);
    early.SetPriority(-1'000'000);  // still after the timer
    early.mAction = [&](RecordingTask&) { seenDelta.push_back(gDeltaTime); };
    gTaskKernel->AddTask(&early);
    {
        LuaScriptRig lua;
        clock.AdvanceMs(10);
        host.Frame();
        EXPECT_EQ(lua.Run("StopGlobalTimer()"), "");
        clock.AdvanceMs(1000);
        host.Frame();
        host.Frame();
        EXPECT_NEAR(gRunningTime, 0.01, 1e-6) << "a stopped timer counts no time";
        EXPECT_EQ(lua.Run("StartGlobalTimer() StartGlobalTimer()"), "");
        clock.AdvanceMs(20);
        host.Frame();
    }
    // The paused second is not handed to the first frame after the start.
    EXPECT_EQ(seenDelta, (std::vector<float>{0.01f, 0.0f, 0.0f, 0.02f}));
    EXPECT_NEAR(gRunningTime, 0.03, 1e-6);
    host.Shutdown();
}

TEST(EngineHostTest, AFrameEndsByCheckingTheLinksOfThePhysicsWorld) {
    if constexpr (!kEngineAssertsActive) GTEST_SKIP() << "the checks are compiled out of this build";
    EXPECT_DEATH(
        {
            EngineHost host;
            host.Startup();
            CPPhysicWorld game;
            game.Create();
            ScopedGlobal<CPPhysicWorld*> installWorld(gPhysicsWorld, &game);
            PhysRigidBody* body = game.GetWorld()->CreateRigidBody();
            game.GetWorld()->ActiveRigidBodies(false).Unlink(body);
            host.Frame();
        },
        "ENGINE_ASSERT failed: EngineLinksAreSound\\(\\)");
}

TEST(EngineHostTest, FramesAreCountedAndTheSecondFrameTimeFollows) {
    ManualClock clock(0);
    EngineHost host;
    host.Startup();
    EXPECT_NE(gCommandDispatcher, nullptr);
    EXPECT_EQ(gFrameCounter, 0);
    clock.AdvanceMs(20);
    host.Frame();
    clock.AdvanceMs(10);
    host.Frame();
    EXPECT_EQ(gFrameCounter, 2);
    EXPECT_FLOAT_EQ(gFrameTime2, 0.010f);
    EXPECT_EQ(gFrameTime2, gDeltaTime);
    host.Shutdown();
    EXPECT_EQ(gCommandDispatcher, nullptr);
}

TEST(EngineHostTest, EveryFrameStartsWithTheWholeDebrisBudget) {
    ManualClock clock(0);
    EngineHost host;
    host.Startup();
    std::vector<std::string> log;
    std::vector<int32_t> seen;
    RecordingTask task("debris", &log);
    // Each frame the task spends the whole budget; the next frame finds it whole again.
    task.mAction = [&](RecordingTask&) {
        seen.push_back(gDebrisCount);
        gDebrisCount += kDebrisBudget;
    };
    gTaskKernel->AddTask(&task);
    host.Frame();
    host.Frame();
    EXPECT_EQ(seen, (std::vector<int32_t>{0, 0}));
    host.Shutdown();
    RestoreDebrisBudget();
}

TEST(EngineHostTest, ShutdownDestroysTheResourceCachesAndWhatTheyHold) {
    EngineHost host;
    host.Startup();
    ASSERT_NE(gEffectManager, nullptr);
    ASSERT_NE(gTextureManager, nullptr);
    ASSERT_EQ(GetGlobalRenderContext(), gMaterialManager);
    ASSERT_NE(gMaterialManager, nullptr);
    ASSERT_NE(gRenderObjectManager, nullptr);

    // Nothing can be read here, so the effect and the texture are empty stand-ins; still cached.
    CPMaterial* material = gMaterialManager->CreateMaterial(17, "holey.fx", {"color.dds"}).Get();
    const void* effect = material->GetEffect().Get();
    const void* block = material->GetTextureBlock().Get();
    const void* texture = material->GetTextureBlock()->GetTextures()[0];
    ASSERT_NE(gAnimationManager, nullptr);
    const void* animation = new CPAnimation("wing&bird.msh");
    ASSERT_EQ(gAnimationManager->Find("wing&bird.msh"), animation);

    host.Shutdown();
    EXPECT_EQ(gRenderObjectManager, nullptr);
    EXPECT_EQ(gAnimationManager, nullptr);
    EXPECT_FALSE(gObjectRegistry::Contains(animation));
    EXPECT_EQ(gEffectManager, nullptr);
    EXPECT_EQ(gTextureManager, nullptr);
    EXPECT_EQ(gMaterialManager, nullptr);
    for (const void* object : {static_cast<const void*>(material), effect, block, texture})
        EXPECT_FALSE(gObjectRegistry::Contains(object));
}

TEST(EngineHostTest, StartupLoadsTheSettingsBeforeTheServicesThatReadThem) {
    ScopedWorkingFolder work;
    work.Folder().Write("config.cfg", "screenWidth = 1024\r\nmusicVolume = 0.25\r\n");
    EngineHost host;
    host.Startup();
    ASSERT_NE(gConfig, nullptr);
    EXPECT_EQ(gSettings::screenWidth, 1024);
    ASSERT_NE(gMusicPlayer, nullptr);
    EXPECT_EQ(gMusicPlayer->GetVolume(), 0.25f) << "the music player starts with the loaded volume";
    host.Shutdown();
    EXPECT_EQ(gConfig, nullptr) << "the store the host made goes with it";

    // A store that already stands (the launcher's) is loaded and kept.
    gSettings::RestoreInitialValues();
    auto* existing = new CPConfig;
    host.Startup();
    EXPECT_EQ(gConfig, existing);
    EXPECT_EQ(gSettings::screenWidth, 1024);
    host.Shutdown();
    EXPECT_EQ(gConfig, existing);
    delete existing;
    gSettings::RestoreInitialValues();
}

TEST(EngineHostTest, StartupMakesTheRendererFromTheSettingsAndRestoresALostDevice) {
    ScopedWorkingFolder work;
    work.Folder().Write("config.cfg", "screenWidth = 800\r\nscreenHeight = 600\r\nfullScreen = 0\r\n");
    EngineHost host;
    host.Startup();
    ASSERT_NE(gRenderer, nullptr);
    IDirect3DDevice9* device = gRenderer->GetDevice();
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->PresentParameters().BackBufferWidth, 800u);
    EXPECT_EQ(device->PresentParameters().BackBufferHeight, 600u);
    EXPECT_TRUE(device->PresentParameters().Windowed);
    EXPECT_NE(gRenderer->GetDrawQueue().Get(), nullptr);
    EXPECT_NE(gRenderer->GetBranchQueue().Get(), nullptr);
    EXPECT_EQ(gSkyRenderDevice.GetDevice(), device);

    host.Frame();
    EXPECT_EQ(device->PresentCount(), 1u);
    device->LoseDevice();
    host.Frame();  // lost, but resettable: the host resets it
    EXPECT_FALSE(device->IsLost());
    host.Frame();
    EXPECT_EQ(device->PresentCount(), 2u);

    host.Shutdown();
    EXPECT_EQ(gRenderer, nullptr);
    EXPECT_EQ(gSkyRenderDevice.GetDevice(), nullptr);
    gSettings::RestoreInitialValues();
}

// The default shadow material is made once the renderer is gRenderer: its effect is compiled on the
// renderer's device, and the race units' shadows (made from the same cached effect) draw with it.
TEST(EngineHostTest, TheDefaultShadowMaterialIsCompiledOnTheRenderersDevice) {
    ScopedWorkingFolder work;
    work.Folder().Write("Data/Effects/shadow.fx", EffectFileBuilder().Technique("Shadow").Str());
    EngineHost host;
    host.Startup();
    ASSERT_NE(gRenderer, nullptr);
    CPMaterial* shadow = gRenderer->mDefaultShadowMaterial;
    ASSERT_NE(shadow, nullptr);
    EXPECT_EQ(shadow->GetRenderer(), gRenderer);
    ASSERT_TRUE(shadow->GetEffect());
    ID3DXEffect* effect = shadow->GetEffect()->GetEffect();
    ASSERT_NE(effect, nullptr) << "compiled, not an empty stand-in";
    EXPECT_EQ(effect->GetCurrentTechnique(), effect->GetTechniqueByName("Shadow"));
    EXPECT_NE(effect->GetCurrentTechnique(), nullptr);
    // A unit's shadow asks the cache for the same effect and gets the compiled one.
    CPSmartPtr<CPMaterial> unitShadow = gMaterialManager->CreateMaterial(120, "shadow.fx", {"car_shadow.dds"});
    EXPECT_EQ(unitShadow->GetEffect()->GetEffect(), effect);
    unitShadow.Reset();
    host.Shutdown();
    gSettings::RestoreInitialValues();
}

TEST(EngineHostTest, EffectSpawnerLivesFromStartupToShutdownWithWhatItWasGiven) {
    EngineHost host;
    host.Startup();
    ASSERT_NE(gEmitterTable, nullptr);
    CPEffectSpawner* spawner = gEmitterTable;
    auto* smoke = new RecordingEffect;
    ASSERT_TRUE(gEmitterTable->AddEffect("smoke", smoke));
    auto* flame = new CPParticleSystem(nullptr, {});
    EXPECT_EQ(gEmitterTable->AddFlamePrototype(flame), 0);
    CPEffectRecord record;
    record.Name = "smoke";
    gEmitterTable->SpawnEffect(record);
    EXPECT_EQ(smoke->launches.size(), 1u);

    host.Shutdown();
    EXPECT_EQ(gEmitterTable, nullptr);
    EXPECT_FALSE(gObjectRegistry::Contains(spawner));
    EXPECT_FALSE(gObjectRegistry::Contains(smoke));
    EXPECT_FALSE(gObjectRegistry::Contains(flame));
}

TEST(EngineHostTest, ObjectFactoryLivesFromStartupToShutdownWithItsShots) {
    class Shot : public CPShot {
    public:
        Shot() : CPShot("spark") {}
        CPSmartPtr<CPShot> Clone() override { return CPSmartPtr<CPShot>(new Shot); }
        bool Update() override { return true; }
        void Launch(const D3DXVECTOR3&, const D3DXVECTOR3&, float, CPSmartPtr<CPGameObject>, intptr_t) override {}
    };
    EngineHost host;
    host.Startup();
    ASSERT_NE(gObjectFactory, nullptr);
    auto* prototype = new Shot;
    gObjectFactory->SetPrototype("spark", prototype);
    gObjectFactory->CreateByName("spark", {}, {}, -1.0f, nullptr, 0);
    ASSERT_EQ(gObjectFactory->GetHandedOut().size(), 1u);
    CPShot* clone = gObjectFactory->GetHandedOut().front().object.Get();

    host.Shutdown();
    EXPECT_EQ(gObjectFactory, nullptr);
    EXPECT_FALSE(gObjectRegistry::Contains(prototype));
    EXPECT_FALSE(gObjectRegistry::Contains(clone));
}

TEST(EngineHostTest, VideoPlayersLiveFromStartupToShutdown) {
    EngineHost host;
    host.Startup();
    ASSERT_NE(gVideoPlayer, nullptr);
    ASSERT_NE(gVideoPlayer1, nullptr);
    PAVIPlayer* first = gVideoPlayer;
    PAVIPlayer1* second = gVideoPlayer1;
    EXPECT_FALSE(first->HasVideoStream());
    EXPECT_EQ(second->GetTexture(), nullptr);

    host.Shutdown();
    EXPECT_EQ(gVideoPlayer, nullptr);
    EXPECT_EQ(gVideoPlayer1, nullptr);
    EXPECT_FALSE(gObjectRegistry::Contains(first));
    EXPECT_FALSE(gObjectRegistry::Contains(second));
}

TEST(EngineHostTest, InputManagerLivesFromStartupToShutdownWithoutBindings) {
    ScopedWorkingFolder work;
    work.Folder().Write("Actions.cfg", "Fire;fire_label;Space;false\r\n");
    EngineHost host;
    host.Startup();
    ASSERT_NE(gInputManager, nullptr);
    EXPECT_TRUE(gInputManager->GetActionNames().empty()) << "a script loads the bindings";
    EXPECT_EQ(gInputManager->InitInputBindings("Actions.cfg"), S_OK);
    host.Shutdown();
    EXPECT_EQ(gInputManager, nullptr);
}

TEST(EngineHostTest, FontManagerLivesFromStartupToShutdownWithTheFontsItIsGiven) {
    EngineHost host;
    host.Startup();
    ASSERT_NE(gFontManager, nullptr);
    EXPECT_EQ(gFontManager->FindFont("arial"), nullptr) << "the host makes no fonts";
    EXPECT_TRUE(gFontManager->AddFont("arial", new CPFont));
    EXPECT_NE(gFontManager->FindFont("arial"), nullptr);
    host.Shutdown();
    EXPECT_EQ(gFontManager, nullptr);
}

TEST(EngineHostTest, GameDataLivesFromStartupToShutdownWithoutAProfile) {
    ScopedWorkingFolder work;
    EngineHost host;
    host.Startup();
    ASSERT_NE(gGameData, nullptr);
    EXPECT_EQ(gGameData->mCurrentSave, -1);
    EXPECT_EQ(gGameData->mRecordTables.size(), 12u);
    EXPECT_EQ(gGameData->mWeapons.Size(), 0u);
    host.Shutdown();
    EXPECT_EQ(gGameData, nullptr);
}

TEST(EngineHostTest, EveryFrameDrawsTheRenderersQueuesAndPresents) {
    EngineHost host;
    host.Startup();
    ASSERT_NE(gRenderer, nullptr);
    IDirect3DDevice9* device = gRenderer->GetDevice();
    device->SetRecording(true);
    TestScene scene;
    CPMaterial material(20, {}, {});
    gRenderer->GetDrawQueue()->AddRenderable(scene.Renderable(4, &material));
    host.Frame();
    host.Frame();
    EXPECT_EQ(device->PresentCount(), 2u);
    EXPECT_EQ(CallsOf(*device, D3DCall::DrawIndexedPrimitive).size(), 1u) << "the first frame emptied the queue";
    host.Shutdown();
}
