#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "Render/PPartAnimation.h"
#include "core/CPCommandTask.h"
#include "core/CPGameObject.h"
#include "core/CPTaskKernel.h"
#include "core/ObjectAddress.h"
#include "support/CommandLog.h"
#include "support/FrameTimeScope.h"
#include "support/MathExpect.h"

namespace {

D3DXMATRIX Translation(float x, float y, float z) {
    D3DXMATRIX m;
    return *D3DXMatrixTranslation(&m, x, y, z);
}

// Keys 0, 10, 20, 30 ... along x, `count` of them, each held for the given durations.
std::vector<D3DXMATRIX> KeysAlongX(size_t count) {
    std::vector<D3DXMATRIX> keys;
    for (size_t i = 0; i < count; ++i) keys.push_back(Translation(10.0f * static_cast<float>(i), 0, 0));
    return keys;
}

// A node under a running controller, so that every cycle end arrives as "animation_end".
class PartAnimationTest : public ::testing::Test {
protected:
    void SetUp() override {
        controller.Start();
        node->SetController(&controller);
        track.SetOwner(node.get());
        track.Start();
    }

    void SetTrack(size_t keyCount, std::vector<float> durations, bool looping) {
        track.SetKeys(KeysAlongX(keyCount), durations);
        track.SetLooping(looping);
    }

    // Steps the track `steps` times by `dt` while it runs; returns the ends reported meanwhile, whose
    // texts stay in `reported`.
    size_t Step(float dt, int steps = 1) {
        clock.SetDelta(dt);
        for (int i = 0; i < steps && track.IsRunning(); ++i) track.Execute();
        reported = DrainCommandTexts(controller);
        return reported.size();
    }

    float NodeX() const { return node->GetWorldMatrix()._41; }

    FrameTimeScope clock;
    CPCommandTask controller;
    std::unique_ptr<CPGameObject> node = std::make_unique<CPGameObject>("door");
    CPPartAnimation track;
    std::vector<std::string> reported;  // command texts of the last Step
};

}  // namespace

TEST_F(PartAnimationTest, AOneShotTrackStepsThroughItsKeysAndEndsAtTheNextToLastKey) {
    SetTrack(4, {1, 1, 1, 1}, false);
    struct Checkpoint {
        int steps;  // further steps of 0.25 s
        int32_t key;
        float time;
        float x;  // the node's position, blended between the keys around the time
        size_t ends;
        bool running;
    };
    const std::vector<Checkpoint> checkpoints = {
        {2, 0, 0.5f, 5.0f, 0, true},    // 0.5 s: half way from key 0 to key 1
        {2, 0, 1.0f, 10.0f, 0, true},   // 1.0 s is not more than the 1 s of key 0
        {1, 1, 0.25f, 12.5f, 0, true},  // the first step past 1.0 s
        {3, 1, 1.0f, 20.0f, 0, true},   // 2.0 s
        {1, 2, 0.25f, 22.5f, 1, false}, // key 2 = 4 - 2 ends the cycle and stops the task
        {4, 2, 0.25f, 22.5f, 0, false}, // stopped: further steps do nothing
    };
    for (size_t i = 0; i < checkpoints.size(); ++i) {
        SCOPED_TRACE("checkpoint " + std::to_string(i));
        const Checkpoint& c = checkpoints[i];
        EXPECT_EQ(Step(0.25f, c.steps), c.ends);
        EXPECT_EQ(track.GetKey(), c.key);
        EXPECT_FLOAT_EQ(track.GetTime(), c.time);
        EXPECT_NEAR(NodeX(), c.x, 1e-4f);
        EXPECT_EQ(track.IsRunning(), c.running);
    }
    EXPECT_TRUE(track.IsStopped());
}

TEST_F(PartAnimationTest, ALoopingTrackWrapsToItsFirstKeyAndReportsEachCycle) {
    SetTrack(4, {1, 1, 1, 1}, true);
    EXPECT_EQ(Step(0.25f, 10), 1u);
    EXPECT_EQ(track.GetKey(), 0);
    EXPECT_FLOAT_EQ(track.GetTime(), 0.5f);
    EXPECT_TRUE(track.IsRunning());
    EXPECT_EQ(reported, (std::vector<std::string>{"animation_end:" + AddressToText(node.get())}))
        << "the cycle's end reaches the node's controller as the node's end";
    EXPECT_EQ(Step(0.25f, 8), 1u);  // 4.5 s: the second cycle ended at 4.25 s
}

TEST_F(PartAnimationTest, OneLongStepWalksOverSeveralKeysAndWrapsWithinTheStep) {
    SetTrack(4, {1, 1, 1, 1}, true);
    EXPECT_EQ(Step(3.5f), 1u);
    EXPECT_EQ(track.GetKey(), 1);
    EXPECT_FLOAT_EQ(track.GetTime(), 0.5f);

    EXPECT_EQ(Step(4.0f), 2u);  // two whole cycles of 2 s in one step: two ends
    EXPECT_EQ(track.GetKey(), 1);
}

TEST_F(PartAnimationTest, TheEndArrivesAsACommandWithTheNodesAddress) {
    SetTrack(3, {0.5f, 0.5f, 0.5f}, false);
    clock.SetDelta(0.6f);
    track.Execute();
    const std::vector<CPCommand> commands = DrainCommands(controller);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].name, "animation_end");
}

// Tracks the plain walk would never finish, or would read past: each step must end in bounded time,
// keep its key inside the track, and report a defined number of ends.
TEST_F(PartAnimationTest, DegenerateTracksStepInBoundedTimeAndStayInsideTheirKeys) {
    struct Case {
        std::string name;
        size_t keys;
        std::vector<float> durations;
        bool looping;
        float dt;
        size_t ends;  // reported by the one step
        int32_t key;
        bool running;
    };
    const std::vector<Case> cases = {
        {"no keys, one shot", 0, {}, false, 0.1f, 1, 0, false},
        {"no keys, looping", 0, {}, true, 0.1f, 0, 0, true},
        {"one key, one shot", 1, {1}, false, 1.5f, 1, 0, false},
        {"one key, looping", 1, {1}, true, 2.5f, 2, 0, true},
        {"two keys, one shot", 2, {1, 1}, false, 1.5f, 1, 1, false},
        {"two keys, looping", 2, {1, 1}, true, 1.5f, 1, 0, true},
        {"zero durations, one shot", 4, {0, 0, 0, 0}, false, 0.1f, 1, 2, false},
        {"zero durations, looping", 4, {0, 0, 0, 0}, true, 0.1f, 0, 0, true},
        {"negative durations, looping", 4, {-1, -1, -1, -1}, true, 0.1f, 0, 0, true},
        {"negative durations, one shot", 4, {-1, -1, -1, -1}, false, 0.1f, 1, 2, false},
        {"huge step on a tiny cycle", 4, {1e-6f, 1e-6f, 1, 1}, true, 1e6f, CPPartAnimation::kMaxCycleEndsPerStep,
         -1, true},
        {"more keys than durations", 5, {1, 1}, false, 1.5f, 1, 1, false},
        {"infinite frame time", 4, {1, 1, 1, 1}, true, INFINITY, 0, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPPartAnimation subject;
        subject.SetOwner(node.get());
        subject.SetKeys(KeysAlongX(c.keys), c.durations);
        subject.SetLooping(c.looping);
        subject.Start();
        clock.SetDelta(c.dt);
        subject.Execute();
        EXPECT_EQ(DrainCommands(controller).size(), c.ends);
        if (c.key >= 0) {
            EXPECT_EQ(subject.GetKey(), c.key);
        }
        EXPECT_GE(subject.GetKey(), 0);
        EXPECT_LE(subject.GetKey(), std::max<int32_t>(0, static_cast<int32_t>(c.keys) - 1));
        EXPECT_EQ(subject.IsRunning(), c.running);
    }
}

TEST_F(PartAnimationTest, AFinishedTrackStartedAgainEndsAgainWithoutLeavingItsKeys) {
    SetTrack(4, {1, 1, 1, 1}, false);
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        EXPECT_EQ(Step(5.0f), 1u);
        EXPECT_FALSE(track.IsRunning());
        EXPECT_LE(track.GetKey(), 3);
        EXPECT_TRUE(track.Start());  // time and key are kept: it goes on where it stood
    }
}

TEST_F(PartAnimationTest, ThePoseTurnsTheNodeUnderItsParent) {
    CPGameObject parent("car");
    parent.AddChild(node.get());
    parent.SetPosition({100, 0, 0});
    parent.UpdateTransform();
    D3DXMATRIX quarter;
    D3DXMatrixRotationZ(&quarter, D3DX_PI / 2);
    const D3DXMATRIX turned = quarter * Translation(0, 4, 0);
    track.SetKeys({turned, turned, Translation(0, 0, 0)}, {1, 1, 1});
    track.SetLooping(true);

    Step(0.5f);
    ExpectQuatNear(node->GetRotation(), {0, 0, std::sqrt(0.5f), std::sqrt(0.5f)}, 1e-3f);
    D3DXVECTOR3 tip(1, 0, 0), world;
    D3DXVec3TransformCoord(&world, &tip, &node->GetWorldMatrix());
    ExpectVec3Near(world, {100, 5, 0}, 1e-3f);  // turned to +y, 4 along y, under the parent at x = 100
    parent.RemoveChild(node.get());
}

TEST_F(PartAnimationTest, CopyFromTakesTheTrackButNotItsPlace) {
    SetTrack(4, {1, 2, 3, 4}, true);
    Step(1.5f);
    CPPartAnimation copy;
    copy.CopyFrom(&track);
    EXPECT_EQ(copy.GetDurations(), track.GetDurations());
    EXPECT_EQ(copy.GetKeys().size(), 4u);
    EXPECT_TRUE(copy.IsLooping());
    EXPECT_EQ(copy.GetOwner(), nullptr);
    EXPECT_EQ(copy.GetKey(), 0);
    EXPECT_EQ(copy.GetTime(), 0.0f);
    EXPECT_EQ(copy.GetTag(), 1);
    EXPECT_EQ(copy.GetClassName(), "CPPartAnimation");
    EXPECT_FALSE(copy.Clone());
}

TEST_F(PartAnimationTest, ATrackWhoseNodeIsGoneStillStepsWithoutTouchingIt) {
    SetTrack(3, {1, 1, 1}, false);
    node.reset();
    EXPECT_EQ(Step(2.5f), 0u);
    EXPECT_FALSE(track.IsRunning());
}

TEST_F(PartAnimationTest, TheKernelRunsTheTrackUntilItsCycleEnds) {
    CPTaskKernel kernel;
    track.Stop();
    track.SetRunning(false);
    SetTrack(4, {0.5f, 0.5f, 0.5f, 0.5f}, false);
    ASSERT_TRUE(kernel.AddTask(&track));
    clock.SetDelta(0.25f);
    for (int frame = 0; frame < 6; ++frame) kernel.RunFrame();
    EXPECT_EQ(DrainCommands(controller).size(), 1u);
    EXPECT_EQ(kernel.GetTaskCount(), 0u);
}
