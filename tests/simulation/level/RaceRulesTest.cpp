#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "Render/CPCamera.h"
#include "Render/PCamera.h"
#include "Render/PRender.h"
#include "core/CPGameObject.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "Sound/NSoundManager.h"
#include "core/FrameClock.h"
#include "simulation/level/CPLevel.h"
#include "simulation/units/CPPlayer.h"
#include "support/RaceRig.h"
#include "support/ScopedGlobal.h"
#include "support/SoundRig.h"

namespace {

using Messages = std::vector<std::string>;
using Slots = std::array<int32_t, 3>;
constexpr int32_t P = CPLevel::kPlayerSlot;

class RaceRulesTest : public ::testing::Test {
protected:
    RaceRulesTest() {
        level.mPlayer = &player;
        level.mCameraTarget = &player;
        level.mRolling = false;
        level.mLevelTime = CPLevel::kLevelTimeAtStart;
        rig.data->mTexts["bonus_time"] = "Time bonus";
    }
    // One race frame of `dt` seconds; what it posted.
    Messages Frame(float dt) {
        gDeltaTime = dt;
        level.Update();
        return rig.Drain();
    }

    RaceRig rig;
    CPPlayer player;
    CPLevel level;
};

TEST_F(RaceRulesTest, TheFinishSlotsDecideThePlaceAndTheResultOnce) {
    struct Case {
        const char* name;
        Slots slots;
        int32_t required;
        Messages posted;
        bool gameOver;
    };
    const Case cases[] = {
        {"first", {P, -1, -1}, 0,
         {"game_interface>place:1st", "game_interface>show_message:finish!", "jeep>game_over"}, true},
        {"first without a required place", {P, -1, -1}, -1, {"game_interface>place:1st"}, false},
        {"second, first required", {4, P, -1}, 0,
         {"game_interface>place:2nd", "game_interface>show_message:lost!", "jeep>game_over"}, true},
        {"second, second allowed", {4, P, -1}, 1,
         {"game_interface>place:2nd", "game_interface>show_message:finish!", "jeep>game_over"}, true},
        {"third, third allowed", {4, 2, P}, 2,
         {"game_interface>place:3rd", "game_interface>show_message:finish!", "jeep>game_over"}, true},
        {"all places taken by others", {4, 2, 0}, 2, {"game_interface>show_message:lost!", "jeep>game_over"}, true},
        {"still racing", {4, 2, -1}, 2, {}, false},
    };
    for (const Case& c : cases) {
        level.mResultDecided = false;
        level.mGameOver = false;
        level.mFinishSlots = c.slots;
        level.mRequiredPlace = c.required;
        EXPECT_EQ(Frame(0.0f), c.posted) << c.name;
        EXPECT_EQ(level.mGameOver, c.gameOver) << c.name;
        EXPECT_EQ(level.mResultDecided, !c.posted.empty()) << c.name;
        EXPECT_EQ(Frame(0.0f), Messages{}) << c.name << ": nothing more in later frames";
    }
}

TEST_F(RaceRulesTest, ATimeAttackLapIsARecordOnlyAgainstAStoredEntry) {
    level.mTimeMode = true;
    level.mGhostName = "zil_130_";
    level.mGhostSamples.resize(3);
    rig.data->mCurrentLap = 2;
    rig.data->mLapTimes = {40.0f, 0.0f};
    struct Case {
        const char* name;
        int32_t levelNumber;
        float best;
        int32_t currentLap;
        const char* message;
    };
    for (const Case& c : {Case{"no best lap yet", 1, 0.0f, 2, "finish!"}, Case{"better", 1, 41.0f, 2, "finish!"},
                          Case{"worse", 1, 39.0f, 2, "lost!"}, Case{"level number 0", 0, 0.0f, 2, "lost!"},
                          Case{"level number 13", 13, 0.0f, 2, "lost!"}, Case{"no finished lap", 1, 0.0f, 1, "lost!"},
                          Case{"lap beyond the times", 1, 0.0f, 9, "lost!"}}) {
        level.mResultDecided = false;
        level.mFinishSlots = {P, -1, -1};
        level.mLevelNumber = c.levelNumber;
        rig.data->mCurrentLap = c.currentLap;
        rig.data->mLevelResults[0] = TimeAttackResult{};
        rig.data->mLevelResults[0].mBestTime = c.best;
        EXPECT_EQ(Frame(0.0f),
                  (Messages{std::string("game_interface>show_message:") + c.message, "jeep>game_over"}))
            << c.name;
        const bool record = std::string(c.message) == "finish!";
        EXPECT_EQ(rig.data->mLevelResults[0].mBestTime, record ? 40.0f : c.best) << c.name;
        EXPECT_EQ(rig.data->mLevelResults[0].mSamples.size(), record ? 3u : 0u) << c.name;
    }
    EXPECT_EQ(rig.data->mLevelResults[0].mGhostName, "");
}

TEST_F(RaceRulesTest, TheCheckpointTimerRunsOnlyAfterTheFirstCheckpointOutsideSingleRaces) {
    rig.data->mLevelStarted = true;
    level.mCheckpointTimer = 1.0f;
    EXPECT_EQ(Frame(0.75f), Messages{});
    EXPECT_EQ(level.mCheckpointTimer, 1.0f);  // no checkpoint reached yet

    level.mLastCheckpoint = 0;
    level.mSingleMode = true;
    Frame(0.75f);
    EXPECT_EQ(level.mCheckpointTimer, 1.0f);

    level.mSingleMode = false;
    EXPECT_EQ(Frame(0.75f), Messages{});
    EXPECT_EQ(level.mCheckpointTimer, 0.25f);
    EXPECT_EQ(Frame(0.75f), (Messages{"game_interface>checkpoint:timeout!,1", "game_interface>show_message:lost!",
                                      "jeep>game_over"}));
    EXPECT_EQ(level.mCheckpointTimer, 0.0f);
    EXPECT_TRUE(level.mGameOver);
    EXPECT_EQ(Frame(0.75f), Messages{});
}

TEST_F(RaceRulesTest, ReachingACheckpointRefillsTheTimerAndAnnouncesIt) {
    CPGameObject first("chk1"), second("chk2");
    for (CPGameObject* chk : {&first, &second}) {
        chk->SetBoundingBox(CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(5, 5, 5)));
        chk->GetCollisionBoxes().emplace_back(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(5, 5, 5));
    }
    first.SetPosition(D3DXVECTOR3(100, 0, 0));
    second.SetPosition(D3DXVECTOR3(200, 0, 0));
    first.UpdateTransform();
    second.UpdateTransform();
    level.mCheckpoints = {{&first, 30.0f}, {&second, 20.0f}};

    player.SetPosition(D3DXVECTOR3(101, 1, 0));
    EXPECT_EQ(Frame(0.0f), Messages{"game_interface>checkpoint:checkpoint!,0"});
    EXPECT_EQ(level.mCheckpointTimer, 30.0f);
    EXPECT_EQ(level.mLastCheckpoint, 0);
    EXPECT_EQ(Frame(0.0f), Messages{}) << "the checkpoint reached last again does nothing";

    level.mCheckpointTimer = 12.37f;
    player.SetPosition(D3DXVECTOR3(199, 0, 0));
    EXPECT_EQ(Frame(0.0f), (Messages{"game_interface>bonus_points:time,Time bonus,12.300000",
                                     "game_interface>checkpoint:checkpoint!,1"}));
    EXPECT_EQ(level.mCheckpointTimer, 20.0f);
    EXPECT_EQ(level.mCheckpointsPassed, 2);

    level.mSingleMode = true;
    player.SetPosition(D3DXVECTOR3(100, 0, 0));
    EXPECT_EQ(Frame(0.0f), Messages{});
}

TEST_F(RaceRulesTest, TheLevelTimeRunningOutIsPostedOnceAndTheRaceGoesOn) {
    level.mLevelTime = 1.0f;
    EXPECT_EQ(Frame(0.5f), Messages{});
    EXPECT_EQ(Frame(0.75f), Messages{"main>level_failed"});
    EXPECT_EQ(level.mLevelTime, 0.0f);
    EXPECT_EQ(Frame(0.75f), Messages{});
    EXPECT_LE(level.mLevelTime, 0.0f);
    EXPECT_FALSE(level.mGameOver);
}

TEST_F(RaceRulesTest, ThePlayerStepsAtOneSixtiethWhateverTheFrameTime) {
    struct Case {
        float dt;
        int32_t steps;
    };
    // 0.05 s is two steps (three would be 0.05000001) and leaves just under one step for the next frame.
    for (const Case& c : {Case{0.05f, 2}, Case{0.0f, 0}, Case{0.01f, 1}, Case{0.01f, 1}, Case{0.005f, 0}}) {
        Frame(c.dt);
        EXPECT_EQ(level.mPlayerSteps, c.steps) << c.dt;
    }
    level.mRolling = true;
    Frame(0.1f);
    EXPECT_EQ(level.mPlayerSteps, 0) << "rolling mode does not step the player";
}

TEST_F(RaceRulesTest, AnAbsurdFrameTimeTakesABoundedNumberOfSteps) {
    for (float dt : {1.0e9f, std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN(), -5.0f}) {
        level.mPlayerStepAcc = 0.0f;
        const int32_t steps = level.TakePlayerSteps(dt);
        EXPECT_LE(steps, CPLevel::kMaxPlayerSteps) << dt;
        EXPECT_TRUE(level.mPlayerStepAcc >= 0.0f && level.mPlayerStepAcc < CPLevel::kPlayerStep) << dt;
        EXPECT_EQ(level.TakePlayerSteps(0.02f), 1) << "stepping goes on after " << dt;
    }
}

TEST_F(RaceRulesTest, TheRespawnClockTakesAtMostATenthOfASecondAFrame) {
    Frame(0.05f);
    Frame(0.5f);
    EXPECT_FLOAT_EQ(level.mRespawnClock, 0.15f);
    EXPECT_FLOAT_EQ(level.mClock, 0.55f);
}

TEST_F(RaceRulesTest, AGhostPlaysBackOnlyWithTwoSamples) {
    CPGameObject ghost("ghost");
    level.mGhost = &ghost;
    level.mTimeMode = true;
    level.mLevelNumber = 1;
    level.mLastGhostSample = 1000.0f;  // no recording in this test
    std::vector<GhostSample>& samples = rig.data->mLevelResults[0].mSamples;
    samples.resize(1);
    samples[0].mTime = 0.0f;
    samples[0].mPosition = D3DXVECTOR3(5, 5, 5);
    Frame(0.5f);
    EXPECT_EQ(ghost.GetPosition(), D3DXVECTOR3(0, 0, 0));

    samples.resize(2);
    samples[1].mTime = 1.0f;
    samples[1].mPosition = D3DXVECTOR3(15, 5, 5);
    level.mGhostIndex = 7;  // an index beyond the samples starts from the last one
    level.mClock = 0.0f;
    Frame(0.25f);
    EXPECT_EQ(ghost.GetPosition(), D3DXVECTOR3(7.5f, 5, 5));
    Frame(2.0f);  // past the last sample the ghost stays
    EXPECT_EQ(ghost.GetPosition(), D3DXVECTOR3(7.5f, 5, 5));
    level.mGhost.Reset();
}

TEST_F(RaceRulesTest, TheRaceRecordsAGhostSampleEveryTwentiethOfASecond) {
    level.mTimeMode = true;
    player.SetPosition(D3DXVECTOR3(1, 2, 3));
    Frame(0.03f);
    Frame(0.03f);
    Frame(0.03f);
    ASSERT_EQ(level.mGhostSamples.size(), 1u);
    EXPECT_FLOAT_EQ(level.mGhostSamples[0].mTime, 0.06f);
    EXPECT_EQ(level.mGhostSamples[0].mPosition, D3DXVECTOR3(1, 2, 3));
}

TEST_F(RaceRulesTest, TheListenerKeepsItsTopWhenTheEyeIsStraightAboveTheTarget) {
    SoundRig sound;
    level.mCamera = new CPCamera();
    player.SetPosition(D3DXVECTOR3(10, 0, 0));
    level.mCamera->GetViewCamera()->SetEye(D3DXVECTOR3(0, 0, 5));
    Frame(0.0f);
    const DS3DLISTENER& listener = sound.Manager().GetListenerParameters();
    EXPECT_EQ(D3DXVECTOR3(listener.vOrientTop), D3DXVECTOR3(1, 0, 0));
    EXPECT_EQ(D3DXVECTOR3(listener.vOrientFront), D3DXVECTOR3(0, 0, 1));

    level.mCamera->GetViewCamera()->SetEye(D3DXVECTOR3(10, 0, 20));
    Frame(0.0f);
    const D3DXVECTOR3 top(sound.Manager().GetListenerParameters().vOrientTop);
    EXPECT_EQ(top, D3DXVECTOR3(1, 0, 0));
    EXPECT_TRUE(std::isfinite(top.x));
}

TEST_F(RaceRulesTest, TheRollingViewWithNoCameraDistanceStaysFinite) {
    level.mCamera = new CPCamera();
    level.mRollingView = 1;
    level.mActiveView.distance = 0.0f;
    Frame(0.1f);
    EXPECT_TRUE(std::isfinite(level.mCamera->mTargetDistance));
    EXPECT_EQ(level.mCamera->mTargetDistance, 0.0f);
}

TEST_F(RaceRulesTest, TheCameraIsFedTheTargetsHeightAndTilt) {
    level.mCamera = new CPCamera();
    struct Case {
        float roll;  // about the unit's forward axis
        float tilt;
    } cases[] = {{0.0f, 0.0f}, {D3DX_PI / 3.0f, D3DX_PI / 3.0f}, {-D3DX_PI / 3.0f, D3DX_PI / 3.0f}, {2.0f * D3DX_PI / 3.0f, -2.0f * D3DX_PI / 3.0f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.roll);
        D3DXQUATERNION rotation;
        const D3DXVECTOR3 forward(0.0f, -1.0f, 0.0f);
        D3DXQuaternionRotationAxis(&rotation, &forward, c.roll);
        player.SetRotation(rotation);
        player.SetPosition(D3DXVECTOR3(3.0f, 4.0f, 7.5f));
        Frame(0.0f);
        EXPECT_NEAR(level.mCamera->mTilt, c.tilt, 1e-5f);
        EXPECT_EQ(level.mCamera->mTargetHeight, 7.5f);
        EXPECT_EQ(level.mCamera->mVelocityMagnitude, 0.0f);  // no car, no speed
    }
}

// The renderer's main view stands at identity here, so the sun at s projects to ((s.x + 1) w/2, h/2 - s.y h/2).
TEST_F(RaceRulesTest, TheLensFlareShowsWhereTheSunIsInView) {
    PRender renderer;
    ScopedGlobal<PRender*> installRenderer(gRenderer, &renderer);
    ScopedGlobal<int32_t> flareSetting(gSettings::lensflare, 1);
    ScopedGlobal<int32_t> width(gSettings::screenWidth, 800);
    ScopedGlobal<int32_t> height(gSettings::screenHeight, 600);
    level.mCamera = new CPCamera();
    level.mLensFlare = new CPGameObject("flare");
    struct Case {
        const char* name;
        int32_t setting;
        D3DXVECTOR3 light;  // the sun light's direction: the sun stands against it
        D3DXVECTOR3 look;
        bool shown;
        D3DXVECTOR3 at;  // where the flare is put when the sun is on the screen
    } cases[] = {
        {"in view", 1, {0.5f, 0.0f, -0.866f}, {-1.0f, 0.0f, 1.0f}, true, {200.0f, 300.0f, 0.0f}},
        {"behind the eye", 1, {0.0f, -0.6f, -0.8f}, {0.0f, -1.0f, -1.0f}, false, {400.0f, 120.0f, 0.0f}},
        {"below the ground", 1, {0.6f, 0.0f, 0.8f}, {-1.0f, 0.0f, -1.0f}, false, {400.0f, 120.0f, 0.0f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gSettings::lensflare = c.setting;
        level.mSunLight.Direction = c.light;
        level.mCamera->GetViewCamera()->SetEye(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
        level.mCamera->GetViewCamera()->SetTarget(c.look);
        level.mLensFlare->SetVisible(!c.shown);
        Frame(0.0f);
        EXPECT_EQ(level.mLensFlare->IsVisible(), c.shown);
        EXPECT_EQ(level.mLensFlare->GetPosition(), c.at);
    }

    // With the setting off the step is skipped: a sun in view moves and shows nothing, and the flare
    // stays as it was, shown or hidden.
    gSettings::lensflare = 0;
    level.mSunLight.Direction = D3DXVECTOR3(0.5f, 0.0f, -0.866f);
    level.mCamera->GetViewCamera()->SetTarget(D3DXVECTOR3(-1.0f, 0.0f, 1.0f));
    for (const bool visible : {true, false}) {
        SCOPED_TRACE(visible ? "setting off, flare shown" : "setting off, flare hidden");
        level.mLensFlare->SetVisible(visible);
        level.mLensFlare->SetPosition(D3DXVECTOR3(1.0f, 2.0f, 0.0f));
        Frame(0.0f);
        EXPECT_EQ(level.mLensFlare->IsVisible(), visible);
        EXPECT_EQ(level.mLensFlare->GetPosition(), D3DXVECTOR3(1.0f, 2.0f, 0.0f));
    }
}

// In views 0 and 1 the rolling camera's view sets the chase camera's yaw offset: the spin in view 1,
// half a turn in view 2, and none in view 0, whichever view came before.
TEST_F(RaceRulesTest, TheRollingViewSetsTheYawOffsetAndViewZeroLeavesNone) {
    ScopedGlobal<float> spinFrame(gFrameTime2, 0.0f);
    level.mCamera = new CPCamera();
    level.mSpinSign = -1.0f;
    struct Step {
        int32_t view;
        float offset;
    };
    const Step steps[] = {{2, -D3DX_PI}, {0, 0.0f}, {1, -0.3f}, {0, 0.0f}, {2, -D3DX_PI}, {1, -0.3f}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.view);
        level.mRollingView = step.view;
        level.mSpinTime = 1.0f;
        Frame(0.0f);
        EXPECT_NEAR(level.mCameraYawOffset, step.offset, 1e-6f);
    }
}

// When the race ends for the player, the chase camera keeps the heading the race ended with; a race
// that goes on (a first place without a required place) leaves it free.
TEST_F(RaceRulesTest, TheEndOfThePlayersRaceFixesTheCamerasHeading) {
    D3DXQUATERNION facingY;
    const D3DXVECTOR3 up(0.0f, 0.0f, 1.0f);
    D3DXQuaternionRotationAxis(&facingY, &up, D3DX_PI);  // forward (0, 1, 0): heading pi / 2
    player.SetRotation(facingY);
    struct Case {
        const char* name;
        Slots slots;
        int32_t required;
        bool fixed;
    };
    const Case cases[] = {
        {"first", {P, -1, -1}, 0, true},
        {"second, lost", {4, P, -1}, 0, true},
        {"all places taken by others", {4, 2, 0}, 2, true},
        {"first without a required place", {P, -1, -1}, -1, false},
        {"still racing", {4, 2, -1}, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPLevel race;
        race.mPlayer = &player;
        race.mCameraTarget = &player;
        race.mRolling = false;
        gDeltaTime = 0.0f;
        race.Update();  // the heading of this frame
        const float heading = race.mHeading;
        ASSERT_NEAR(heading, D3DX_PI / 2.0f, 1e-3f);
        race.mFinishSlots = c.slots;
        race.mRequiredPlace = c.required;
        race.Update();
        EXPECT_EQ(race.mFixedHeadingSet, c.fixed);
        EXPECT_EQ(race.mFixedHeading, c.fixed ? heading : 0.0f);
        rig.Drain();
    }
    // A checkpoint that runs out ends the race too.
    rig.data->mLevelStarted = true;
    level.mLastCheckpoint = 0;
    level.mCheckpointTimer = 0.1f;
    Frame(0.0f);
    const float heading = level.mHeading;
    Frame(0.5f);
    EXPECT_TRUE(level.mGameOver);
    EXPECT_TRUE(level.mFixedHeadingSet);
    EXPECT_EQ(level.mFixedHeading, heading);
}

}  // namespace
