#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "Render/PAnimatedObject.h"
#include "core/CPCommandTask.h"
#include "core/CPGameObject.h"
#include "core/ObjectAddress.h"
#include "support/CommandLog.h"
#include "support/FrameTimeScope.h"
#include "support/MathExpect.h"
#include "support/SimulationDoubles.h"

namespace {

using Strings = std::vector<std::string>;

// Frame i holds i + 1 triangles whose vertices lie at x = i: the fill's output names its frame, and a
// count that belongs to another frame has another size.
CPAnimationBlock GrowingFrames(int32_t frameCount, float frameTime) {
    CPAnimationBlock block;
    block.frameTime = frameTime;
    for (int32_t i = 0; i < frameCount; ++i) {
        CPAnimationFrame frame;
        for (int32_t t = 0; t < i + 1; ++t) {
            for (int32_t corner = 0; corner < 3; ++corner) {
                CPVertex v;
                v.position = {static_cast<float>(i), static_cast<float>(corner), 0};
                v.normal = {1, 0, 0};
                frame.vertices.push_back(v);
                frame.indices.push_back(static_cast<uint16_t>(3 * t + corner));
            }
        }
        block.frames.push_back(frame);
    }
    return block;
}

class AnimatedObjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        walk.Apply(GrowingFrames(4, 0.25f), 0xFFFFFFFF);
        object.SetOwner(&owner);
        object.AddNamedAnimation("walk", &walk);
        owner.UpdateTransform();
        receiver.Start();
    }
    void TearDown() override { owner.SetEnemyBrain(nullptr); }

    CPAnimationRequest Request(float speed = 1.0f, int32_t loops = 0, int32_t reportFrame = -1) {
        CPAnimationRequest request;
        request.name = "walk";
        request.speed = speed;
        request.loopLimit = loops;
        request.reportTarget = &receiver;
        request.reportFrame = reportFrame;
        return request;
    }

    // One fill at the given clock time into buffers of exactly the announced sizes (a write past
    // either end is a sanitizer report). Returns the frame written (-1: nothing) after checking that the
    // counts were those of that frame.
    int32_t FillAt(double time, uint16_t baseIndex = 0) {
        clock.SetRunning(time);
        const int32_t vertexCount = object.GetVertexCount();
        const int32_t indexCount = object.GetIndexCount();
        batch.assign(static_cast<size_t>(vertexCount), CPVertex{});
        batchIndices.assign(static_cast<size_t>(indexCount), 0xBEEF);
        if (!object.FillVertices(batch.data(), batchIndices.data(), baseIndex, 1)) return -1;
        const auto frame = static_cast<int32_t>(std::lround(std::fabs(batch.at(0).position.x)));  // mirrored: -x
        EXPECT_EQ(vertexCount, 3 * (frame + 1)) << "counts of another frame than the one written";
        EXPECT_EQ(indexCount, 3 * (frame + 1));
        return frame;
    }

    Strings Commands() { return DrainCommandTexts(receiver); }
    std::string Posted(const std::string& name) { return name + ":" + AddressToText(&receiver); }

    FrameTimeScope clock;
    CPAnimation walk{"walk", nullptr};
    CPGameObject owner{"enemy"};
    CPAnimatedObject object;
    CPCommandTask receiver;
    std::vector<CPVertex> batch;
    std::vector<uint16_t> batchIndices;
};

}  // namespace

TEST_F(AnimatedObjectTest, FramesFollowTheClockAndWrapIntoLoops) {
    ASSERT_TRUE(object.StartAnimation(Request(), false));
    struct Step {
        double time;
        int32_t frame;
        int32_t loops;
    };
    const std::vector<Step> steps = {{0.0, 0, 0},  {0.3, 1, 0},  {0.55, 2, 0}, {0.8, 3, 0},
                                     {1.0, 3, 0},  // a whole length stays at the end of the loop
                                     {1.05, 0, 1}, {1.6, 2, 1},  {2.3, 1, 2}};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.time);
        EXPECT_EQ(FillAt(s.time), s.frame);
        EXPECT_EQ(object.GetLoopCount(), s.loops);
        EXPECT_EQ(object.GetCurrentFrame(), s.frame);
    }
    EXPECT_TRUE(Commands().empty());
}

TEST_F(AnimatedObjectTest, SpeedScalesTheClock) {
    clock.SetRunning(10.0);
    ASSERT_TRUE(object.StartAnimation(Request(2.0f), false));
    EXPECT_EQ(FillAt(10.45), 3);  // t = 0.9
    EXPECT_EQ(FillAt(10.625), 1);  // t = 1.25, wrapped to 0.25
    EXPECT_EQ(object.GetLoopCount(), 1);
}

// The start time is a float: a start at clock 0.7 lies at 0.69999999 on the clock, so with speed 2 the
// fill at 1.2 is just past a whole loop (frame 0, one loop counted) rather than exactly at its end.
TEST_F(AnimatedObjectTest, TheStartTimeIsKeptInSinglePrecision) {
    clock.SetRunning(0.7);
    ASSERT_TRUE(object.StartAnimation(Request(2.0f), false));
    EXPECT_EQ(object.GetStartTime(), 0.7f);
    EXPECT_EQ(FillAt(1.1), 3);  // t = 0.8
    EXPECT_EQ(FillAt(1.2), 0);
    EXPECT_EQ(object.GetLoopCount(), 1);
}

TEST_F(AnimatedObjectTest, ALoopLimitStopsOnTheNextToLastFrameAndSaysSoOnce) {
    FakeEnemyBrain brain;
    owner.SetEnemyBrain(&brain);
    ASSERT_TRUE(object.StartAnimation(Request(1.0f, 2), false));
    for (double t = 0.0; t < 1.95; t += 0.1) FillAt(t);
    EXPECT_EQ(object.GetLoopCount(), 1);
    EXPECT_FALSE(object.IsStopped());
    EXPECT_TRUE(Commands().empty());

    // The fill that sees the second wrap stops: its counts were already those of frame 2.
    EXPECT_EQ(FillAt(2.05), 2);
    EXPECT_TRUE(object.IsStopped());
    EXPECT_EQ(object.GetAnimationName(), "");
    EXPECT_EQ(Commands(), Strings{Posted("animation_stopped")});
    EXPECT_EQ(brain.calls, Strings{"ChooseAnimation"});

    for (double t = 2.1; t < 4.0; t += 0.3) EXPECT_EQ(FillAt(t), 2);
    EXPECT_TRUE(Commands().empty());
    EXPECT_EQ(brain.calls.size(), 1u);
}

// An enemy answers the stop at once by starting its next animation from inside the fill: that start
// stands as made, and the stopped animation's frame and name do not leak into it.
TEST_F(AnimatedObjectTest, AnAnimationStartedFromTheStopReportPlaysUntouched) {
    struct RestartingBrain : FakeEnemyBrain {
        void ChooseAnimation() override {
            FakeEnemyBrain::ChooseAnimation();
            CPAnimationRequest next;
            next.name = "run";
            next.reportFrame = 0;
            part->StartAnimation(next, false);
        }
        CPAnimatedObject* part = nullptr;
    } brain;
    brain.part = &object;
    owner.SetEnemyBrain(&brain);
    CPAnimation run("run", nullptr);
    run.Apply(GrowingFrames(2, 0.5f), 0);
    object.AddNamedAnimation("run", &run);

    ASSERT_TRUE(object.StartAnimation(Request(1.0f, 1), false));
    EXPECT_EQ(FillAt(0.8), 3);
    EXPECT_EQ(FillAt(1.1), 2);  // the stop: walk's next-to-last frame is written once more
    EXPECT_EQ(brain.calls, Strings{"ChooseAnimation"});
    EXPECT_FALSE(object.IsStopped());
    EXPECT_EQ(object.GetAnimation(), &run);
    EXPECT_EQ(object.GetAnimationName(), "run");
    EXPECT_EQ(object.GetCurrentFrame(), -1);
    EXPECT_EQ(object.GetReportedFrame(), -1);  // run's report frame is still to come

    EXPECT_EQ(FillAt(1.7), 1);  // run's clock started at 1.1
    EXPECT_EQ(object.GetLoopCount(), 0);
    EXPECT_EQ(brain.calls, (Strings{"ChooseAnimation", "Update"}));
    EXPECT_EQ(Commands(), Strings{Posted("animation_stopped")});
}

TEST_F(AnimatedObjectTest, NoLoopLimitLoopsForever) {
    ASSERT_TRUE(object.StartAnimation(Request(1.0f, 0), false));
    for (double t = 0.0; t < 20.0; t += 0.1) FillAt(t);
    EXPECT_FALSE(object.IsStopped());
    EXPECT_GE(object.GetLoopCount(), 19);
}

TEST_F(AnimatedObjectTest, TheReportFrameIsReportedOncePerLoopAtTheFirstFillPastIt) {
    FakeEnemyBrain brain;
    owner.SetEnemyBrain(&brain);
    ASSERT_TRUE(object.StartAnimation(Request(1.0f, 0, 2), false));
    struct Step {
        double time;
        size_t reports;
    };
    const std::vector<Step> steps = {
        {0.1, 0}, {0.3, 0},
        {0.8, 1},  // frame 3: frame 2 fell between two fills and is reported now
        {0.9, 0}, {1.1, 0},
        {1.6, 1},  // the next loop reports again
        {1.7, 0},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.time);
        FillAt(s.time);
        EXPECT_EQ(Commands().size(), s.reports);
    }
    EXPECT_EQ(brain.calls, (Strings{"Update", "Update"}));
}

TEST_F(AnimatedObjectTest, AMirroringOwnerReversesTheWindingInsideTheIndexList) {
    D3DXMATRIX mirror;
    D3DXMatrixScaling(&mirror, -1, 1, 1);
    owner.SetParentWorldMatrix(mirror);
    owner.UpdateTransform();
    ASSERT_TRUE(object.StartAnimation(Request(), false));
    EXPECT_EQ(FillAt(0.3, 100), 1);
    EXPECT_EQ(batchIndices, (std::vector<uint16_t>{100, 102, 101, 103, 105, 104}));
    ExpectVec3Near(batch[0].position, {-1, 0, 0});
    ExpectVec3Near(batch[0].normal, {-1, 0, 0});

    // A stray index after the last whole triangle is copied, never swapped with one past the list.
    CPAnimationBlock odd;
    odd.frameTime = 1.0f;
    odd.frames.resize(1);
    odd.frames[0].vertices.resize(4);
    odd.frames[0].indices = {0, 1, 2, 3};
    CPAnimation stray("stray", nullptr);
    stray.Apply(odd, 0);
    object.AddNamedAnimation("stray", &stray);
    CPAnimationRequest request = Request();
    request.name = "stray";
    ASSERT_TRUE(object.StartAnimation(request, false));
    clock.SetRunning(0.5);
    std::vector<CPVertex> vertices(static_cast<size_t>(object.GetVertexCount()));
    std::vector<uint16_t> indices(static_cast<size_t>(object.GetIndexCount()));
    ASSERT_EQ(indices.size(), 4u);
    ASSERT_TRUE(object.FillVertices(vertices.data(), indices.data(), 0, 1));
    EXPECT_EQ(indices, (std::vector<uint16_t>{0, 2, 1, 3}));
}

TEST_F(AnimatedObjectTest, FramesArePlacedByTheOwnersWorldMatrixEveryFill) {
    ASSERT_TRUE(object.StartAnimation(Request(), false));
    owner.SetPosition({0, 10, 0});
    owner.UpdateTransform();
    FillAt(0.0);
    ExpectVec3Near(batch[1].position, {0, 11, 0});
    owner.SetPosition({0, 20, 0});
    owner.UpdateTransform();
    FillAt(0.0);
    ExpectVec3Near(batch[1].position, {0, 21, 0});
    EXPECT_EQ(batchIndices, (std::vector<uint16_t>{0, 1, 2}));
}

TEST_F(AnimatedObjectTest, TheStartOffsetMovesTimeZeroOnTheRunningClock) {
    CPAnimationRequest request = Request();
    request.startOffset = 0.5f;  // time 0 lies half a second ahead: until then the clamp shows frame 0
    clock.SetRunning(3.0);
    ASSERT_TRUE(object.StartAnimation(request, false));
    EXPECT_EQ(FillAt(3.0), 0);
    EXPECT_EQ(FillAt(3.45), 0);
    EXPECT_EQ(FillAt(3.8), 1);  // t = 0.3

    request.startOffset = -0.5f;  // starts half way through
    clock.SetRunning(3.0);
    ASSERT_TRUE(object.StartAnimation(request, true));
    EXPECT_EQ(FillAt(3.3), 3);  // t = 0.5 + 0.3
}

TEST_F(AnimatedObjectTest, TheFirstAnimationAddedPlaysFromClockZero) {
    EXPECT_EQ(object.GetAnimation(), &walk);
    EXPECT_EQ(object.GetAnimationName(), "");
    EXPECT_EQ(FillAt(0.6), 2);
    CPAnimation run("run", nullptr);
    object.AddNamedAnimation("run", &run);  // something already plays: no change
    EXPECT_EQ(object.GetAnimation(), &walk);
}

TEST_F(AnimatedObjectTest, StartingNeedsAKnownNameAndADifferentOneUnlessForced) {
    CPAnimationRequest unknown = Request();
    unknown.name = "fly";
    EXPECT_FALSE(object.StartAnimation(unknown, true));
    EXPECT_EQ(object.GetReportTarget(), nullptr);

    object.AddAnimator(CreateTexAnimator("fade", {"1000"}));
    clock.SetDelta(1.0f);
    ASSERT_TRUE(object.StartAnimation(Request(), false));
    FillAt(0.0);
    EXPECT_EQ(batch[0].diffuse >> 24, 0u);  // faded out

    EXPECT_FALSE(object.StartAnimation(Request(3.0f), false));  // already playing "walk"
    EXPECT_EQ(object.GetSpeed(), 1.0f);
    clock.SetRunning(5.0);
    ASSERT_TRUE(object.StartAnimation(Request(3.0f), true));
    EXPECT_EQ(object.GetSpeed(), 3.0f);
    EXPECT_EQ(object.GetStartTime(), 5.0);
    EXPECT_EQ(object.GetCurrentFrame(), -1);
    clock.SetDelta(0.0f);
    FillAt(5.0);
    EXPECT_EQ(batch[0].diffuse >> 24, 255u);  // the start reset the fade
}

// Data the clock rule alone would loop on or index past: each gives a defined frame.
TEST_F(AnimatedObjectTest, DegenerateAnimationsGiveADefinedFrame) {
    struct Case {
        std::string name;
        int32_t frames;
        float frameTime;
        int32_t loops;
        int32_t expected;  // frame written at every fill; -1: nothing
    };
    const std::vector<Case> cases = {
        {"no frames", 0, 0.25f, 0, -1},
        {"frame time 0", 4, 0.0f, 0, 0},
        {"negative frame time", 4, -0.25f, 0, 0},
        {"frame time NaN", 4, NAN, 0, 0},
        {"one frame with a loop limit", 1, 0.25f, 1, 0},
    };
    std::vector<std::unique_ptr<CPAnimation>> animations;  // outlive the object's hold on them
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        animations.push_back(std::make_unique<CPAnimation>(c.name, nullptr));
        animations.back()->Apply(GrowingFrames(c.frames, c.frameTime), 0);
        object.AddNamedAnimation(c.name, animations.back().get());
        CPAnimationRequest request = Request(1.0f, c.loops);
        request.name = c.name;
        ASSERT_TRUE(object.StartAnimation(request, false));
        for (double t : {0.0, 0.1, 0.6, 1e9}) {
            EXPECT_EQ(FillAt(t), c.expected);
        }
    }
    Commands();
}

// Frames of 2^-100 s on a clock of a billion seconds: the frame comes from the remainder of the clock
// after whole cycles (in one step, not by subtracting cycle after cycle), and the binary frame time makes
// that remainder exact: 0.5 s is 2^99 frames, 2 after whole cycles of 3; 0.75 s is a whole number of
// cycles, which shows the end of a cycle (the last frame); 1e9 s is 1953125 x 2^109 frames, 1 after them.
TEST_F(AnimatedObjectTest, TinyFramesOnALongClockShowTheFrameOfTheRemainder) {
    const float frameTime = std::ldexp(1.0f, -100);
    CPAnimation tiny("tiny", nullptr);
    tiny.Apply(GrowingFrames(3, frameTime), 0);
    object.AddNamedAnimation("tiny", &tiny);
    CPAnimationRequest request = Request();
    request.name = "tiny";
    ASSERT_TRUE(object.StartAnimation(request, false));
    std::vector<int32_t> frames;
    for (double t : {0.0, 0.5, 0.75, 1e9}) frames.push_back(FillAt(t));
    EXPECT_EQ(frames, (std::vector<int32_t>{0, 2, 2, 1}));
}

TEST_F(AnimatedObjectTest, AReloadThatShortensTheAnimationKeepsFramesInRange) {
    ASSERT_TRUE(object.StartAnimation(Request(1.0f, 1), false));
    EXPECT_EQ(FillAt(0.8), 3);
    walk.Apply(GrowingFrames(2, 0.25f), 0);  // the cache reloads the key with fewer frames
    EXPECT_EQ(FillAt(0.9), 0);               // t = 0.9 wraps to 0.4: the loop ends, and the stop shows frame 0
    EXPECT_TRUE(object.IsStopped());
    walk.Apply(GrowingFrames(1, 0.25f), 0);
    EXPECT_EQ(FillAt(1.0), 0);
}

TEST_F(AnimatedObjectTest, NothingIsWrittenPastTheLastAddressableBatchVertex) {
    ASSERT_TRUE(object.StartAnimation(Request(1.0f, 0, 0), false));
    clock.SetRunning(0.6);  // frame 2: 9 vertices
    std::vector<CPVertex> vertices(9);
    std::vector<uint16_t> indices(9);
    EXPECT_FALSE(object.FillVertices(vertices.data(), indices.data(), 65530, 1));
    EXPECT_EQ(object.GetCurrentFrame(), -1);  // refused whole: nothing advanced, nothing reported
    EXPECT_TRUE(Commands().empty());
    EXPECT_TRUE(object.FillVertices(vertices.data(), indices.data(), 65527, 1));
    EXPECT_EQ(indices.back(), 65535);
}

TEST_F(AnimatedObjectTest, ReportsReachOnlyALiveRunningCommandReceiver) {
    CPAnimationRequest request = Request(1.0f, 0, 0);
    receiver.Stop();
    ASSERT_TRUE(object.StartAnimation(request, false));
    FillAt(0.1);
    EXPECT_TRUE(Commands().empty());

    auto doomed = std::make_unique<CPCommandTask>();
    doomed->Start();
    {
        CPAnimationRequest toDoomed = request;
        toDoomed.reportTarget = doomed.get();
        ASSERT_TRUE(object.StartAnimation(toDoomed, true));
    }
    doomed.reset();  // the target dies before its report
    FillAt(0.2);

    request.reportTarget = CPSmartPtr<CPTask>();
    ASSERT_TRUE(object.StartAnimation(request, true));
    FillAt(0.3);
    EXPECT_EQ(object.GetReportedFrame(), 0);  // reported to nobody, and noted as reported
}

TEST_F(AnimatedObjectTest, ACopyTakesThePlayingStateButNotTheOwner) {
    object.AddAnimator(CreateTexAnimator("anim", {"2", "2", "4"}));
    ASSERT_TRUE(object.StartAnimation(Request(2.0f, 3, 1), false));
    FillAt(0.3);
    Commands();

    CPAnimatedObject copy;
    copy.CopyFrom(&object);
    EXPECT_EQ(copy.GetOwner(), nullptr);
    EXPECT_EQ(copy.GetAnimations().size(), 1u);
    EXPECT_EQ(copy.GetAnimation(), &walk);
    EXPECT_EQ(copy.GetAnimationName(), "walk");
    EXPECT_EQ(copy.GetSpeed(), 2.0f);
    EXPECT_EQ(copy.GetLoopLimit(), 3);
    EXPECT_EQ(copy.GetReportFrame(), 1);
    EXPECT_EQ(copy.GetReportedFrame(), object.GetReportedFrame());
    EXPECT_EQ(copy.GetCurrentFrame(), object.GetCurrentFrame());
    EXPECT_EQ(copy.GetReportTarget(), &receiver);
    ASSERT_EQ(copy.GetAnimators().size(), 1u);
    EXPECT_NE(copy.GetAnimators()[0].get(), object.GetAnimators()[0].get());
    EXPECT_TRUE(copy.IsAnimated());
}

TEST_F(AnimatedObjectTest, AnOwnerThatDiesLetsGoOfItsRenderPart) {
    CPAnimatedObject part;
    part.AddNamedAnimation("walk", &walk);
    auto body = std::make_unique<CPGameObject>("body");
    part.SetOwner(body.get());
    ASSERT_TRUE(body->SetRenderPart(&part, kRenderAnimated));
    body.reset();
    EXPECT_EQ(part.GetOwner(), nullptr);
    std::vector<CPVertex> vertices(static_cast<size_t>(part.GetVertexCount()));
    std::vector<uint16_t> indices(static_cast<size_t>(part.GetIndexCount()));
    EXPECT_TRUE(part.FillVertices(vertices.data(), indices.data(), 0, 1));  // placed as it is stored
}
