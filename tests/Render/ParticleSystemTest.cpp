#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "Render/PEffectSpawner.h"
#include "Render/PParticleSystem.h"
#include "core/Angles.h"
#include "core/CPCommandTask.h"
#include "core/CPGameObject.h"
#include "Render/PMaterial.h"
#include "Render/PRenderObject.h"
#include "platform/RuntimeRandom.h"
#include "support/CommandLog.h"
#include "support/FrameTimeScope.h"
#include "support/MathExpect.h"
#include "support/RecordingEffect.h"
#include "support/ScopedEmitterTable.h"
#include "support/ScopedGlobal.h"
#include "support/ScopedTaskKernel.h"
#include "support/SimulationDoubles.h"

namespace {

using Strings = std::vector<std::string>;

constexpr float kDrawScale = 3.0518509e-05f;

// The draws one emitter record takes, replayed from a seed: three for the offset, the azimuth, and the
// cone draw when the emitter has an opening.
struct RecordDraws {
    float rx, ry, rz;
    int azimuth;
    int cone;
};

RecordDraws ReplayDraws(uint32_t seed, bool coneDraw) {
    RuntimeSrand(seed);
    RecordDraws d{};
    d.rx = static_cast<float>(RuntimeRand()) * kDrawScale;
    d.ry = static_cast<float>(RuntimeRand()) * kDrawScale;
    d.rz = static_cast<float>(RuntimeRand()) * kDrawScale;
    d.azimuth = RuntimeRand();
    d.cone = coneDraw ? RuntimeRand() : 0;
    RuntimeSrand(seed);
    return d;
}

D3DXQUATERNION QuarterTurnZ() {
    D3DXQUATERNION q;
    const D3DXVECTOR3 z(0, 0, 1);
    return *D3DXQuaternionRotationAxis(&q, &z, D3DX_PI / 2);
}

class ParticleSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        RuntimeSrand(1);
        spark = table.AddRecordingEffect("spark");
        smoke = table.AddRecordingEffect("smoke");
        table->SetEmitter("sparks", ScopedEmitterTable::Emitter("spark", 2.0f));
        table->SetEmitter("smokes", ScopedEmitterTable::Emitter("smoke", 1.0f));
    }
    void TearDown() override { RuntimeSrand(1); }

    CPGameObject* Holder(const std::string& name, CPGameObject* parent = nullptr) {
        objects.push_back(std::make_unique<CPGameObject>(name));
        if (parent) parent->AddChild(objects.back().get());
        return objects.back().get();
    }
    // A system owned by the test; `holder` gets it as its render part (kind 4) when given.
    CPParticleSystem* System(CPGameObject* holder, const Strings& names) {
        systems.push_back(std::make_unique<CPParticleSystem>(holder, names));
        CPParticleSystem* system = systems.back().get();
        if (holder) holder->SetRenderPart(system, kRenderParticles);
        return system;
    }
    // Runs one frame of `dt` seconds on the system.
    void Frame(CPParticleSystem* system, float dt) {
        clock.SetDelta(dt);
        system->Update();
    }

    FrameTimeScope clock;
    ScopedTaskKernel kernel;
    ScopedEmitterTable table;
    RecordingEffect* spark = nullptr;
    RecordingEffect* smoke = nullptr;
    // Objects go before the systems they hold (declared after them).
    std::vector<std::unique_ptr<CPParticleSystem>> systems;
    std::vector<std::unique_ptr<CPGameObject>> objects;
};

}  // namespace

// ------------------------------------------------------------------ construction

TEST_F(ParticleSystemTest, CopiesTheNamedEmittersInOrderAndNormalisesTheTableEntry) {
    CPEmitterRecord tilted = ScopedEmitterTable::Emitter("smoke");
    tilted.Direction = {0, 0, 2};
    table->SetEmitter("tilted", tilted);

    CPParticleSystem* system = System(nullptr, {"tilted", "missing", "sparks"});
    EXPECT_EQ(system->GetEmitterNames(), (Strings{"tilted", "missing", "sparks"}));
    ASSERT_EQ(system->GetEmitters().size(), 2u);
    EXPECT_EQ(system->GetEmitters()[0].EffectName, "smoke");
    EXPECT_EQ(system->GetEmitters()[1].EffectName, "spark");
    EXPECT_EQ(system->GetEmitters()[0].Direction, D3DXVECTOR3(0, 0, 1));
    EXPECT_EQ(table->FindEmitter("tilted")->Direction, D3DXVECTOR3(0, 0, 1));

    // Later changes of the table do not reach the system.
    table->FindEmitter("sparks")->Speed = 9.0f;
    EXPECT_EQ(system->GetEmitters()[1].Speed, 2.0f);

    EXPECT_EQ(system->GetStep(), 0.5f);
    EXPECT_EQ(system->GetLifetime(), -1.0f);
    EXPECT_EQ(system->GetPriority(), CPTask::kDefaultPriority);
    EXPECT_EQ(system->GetTag(), 1);
    EXPECT_EQ(system->GetClassName(), "CPParticleSystem");
}

TEST_F(ParticleSystemTest, WithoutASpawnerNothingIsFoundOrLaunched) {
    CPParticleSystem* system;
    {
        ScopedGlobal<CPEffectSpawner*> noSpawner(gEmitterTable, nullptr);
        system = System(nullptr, {"sparks"});
        EXPECT_TRUE(system->GetEmitters().empty());
        system->Start();
        Frame(system, 0.6f);
    }
    EXPECT_TRUE(spark->launches.empty());
}

// ------------------------------------------------------------------ stepping

TEST_F(ParticleSystemTest, StepsAreWholeStepsOfGatheredFrameTime) {
    struct Case {
        const char* name;
        std::vector<float> frames;  // in steps of 0.5 s
        size_t launches;
        float accumulator;  // in steps
    };
    const Case cases[] = {
        {"a frame of exactly one step gives none", {1.0f}, 0, 1.0f},
        {"the step comes with the next frame", {1.0f, 0.2f}, 1, 0.2f},
        {"3.2 steps give three", {3.2f}, 3, 0.2f},
        {"small frames add up", {0.4f, 0.4f, 0.4f}, 1, 0.2f},
        {"no time, no step", {0.0f}, 0, 0.0f},
        // A long frame (a load or a stall) still runs every whole step it holds: each one damages.
        {"a frame of 100.5 steps gives a hundred", {100.5f}, 100, 0.5f},
    };
    for (const Case& c : cases) {
        spark->launches.clear();
        CPParticleSystem* system = System(nullptr, {"sparks"});
        system->Start();
        for (float frame : c.frames) Frame(system, frame * 0.5f);
        EXPECT_EQ(spark->launches.size(), c.launches) << c.name;
        EXPECT_NEAR(system->GetAccumulator(), c.accumulator * 0.5f, 1e-6f) << c.name;
    }
}

TEST_F(ParticleSystemTest, LifetimeStopsTheSystemAfterTheStepThatPassesIt) {
    struct Case {
        float frame;
        std::vector<float> elapsedAtLaunch;
        float accumulator;
    };
    const Case cases[] = {
        {2.6f, {0.5f, 1.0f, 1.5f, 2.0f, 2.5f}, 0.1f},
        // The step after the one that stopped the system still emits.
        {3.1f, {0.5f, 1.0f, 1.5f, 2.0f, 2.5f, 3.0f}, 0.1f},
    };
    for (const Case& c : cases) {
        CPParticleSystem* system = System(nullptr, {"sparks"});
        system->SetLifetime(2.0f);
        std::vector<float> elapsed;
        spark->onLaunch = [&] { elapsed.push_back(system->GetElapsed()); };
        ASSERT_TRUE(system->Start());
        Frame(system, c.frame);
        EXPECT_EQ(elapsed, c.elapsedAtLaunch) << c.frame;
        EXPECT_TRUE(system->IsStopped());
        EXPECT_FALSE(system->IsRunning());
        EXPECT_NEAR(system->GetAccumulator(), c.accumulator, 1e-6f);
        EXPECT_NEAR(system->GetElapsed(), c.frame, 1e-6f);
    }
    spark->onLaunch = nullptr;
}

TEST_F(ParticleSystemTest, WithoutALifetimeTheSystemRunsOn) {
    CPParticleSystem* system = System(nullptr, {"sparks"});
    system->Start();
    // Frames of exactly one step: the first leaves a full step waiting, each later one runs one.
    for (int i = 0; i < 100; ++i) Frame(system, 0.5f);
    EXPECT_TRUE(system->IsRunning());
    EXPECT_FALSE(system->IsStopped());
    EXPECT_EQ(spark->launches.size(), 99u);
    EXPECT_EQ(system->GetElapsed(), 50.0f);
}

TEST_F(ParticleSystemTest, StartResetsTheClockEvenWhenRefused) {
    CPParticleSystem* system = System(nullptr, {"sparks"});
    ASSERT_TRUE(system->Start());
    Frame(system, 1.3f);
    ASSERT_GT(system->GetElapsed(), 1.0f);
    EXPECT_FALSE(system->Start());
    EXPECT_EQ(system->GetAccumulator(), 0.0f);
    EXPECT_EQ(system->GetElapsed(), 0.0f);

    system->Stop();
    EXPECT_TRUE(system->Start());
    EXPECT_TRUE(system->IsRunning());
    EXPECT_FALSE(system->IsStopped());
}

// A step of 0 or less never left the step loop; a description's empty step token reads as 0.
TEST_F(ParticleSystemTest, StepsThatWouldNeverEndTheLoopAreRefused) {
    struct Case {
        float step;
        bool accepted;
    };
    const Case cases[] = {{0.25f, true},
                          {0.0f, false},
                          {-0.5f, false},
                          {std::numeric_limits<float>::quiet_NaN(), false},
                          {std::numeric_limits<float>::infinity(), true}};
    for (const Case& c : cases) {
        CPParticleSystem* system = System(nullptr, {"sparks"});
        EXPECT_EQ(system->SetStep(c.step), c.accepted) << c.step;
        EXPECT_EQ(system->GetStep(), c.accepted ? c.step : 0.5f) << c.step;
    }
}

// A frame time that is not finite made the loop endless (infinity) or stopped all later steps (NaN); a
// huge one on a small step ran a step per half second of it, and past float precision never ended.
TEST_F(ParticleSystemTest, HugeOrBrokenFrameTimesStayBounded) {
    CPParticleSystem* system = System(nullptr, {"sparks"});
    system->Start();
    Frame(system, std::numeric_limits<float>::infinity());
    Frame(system, std::numeric_limits<float>::quiet_NaN());
    EXPECT_TRUE(spark->launches.empty());
    EXPECT_EQ(system->GetAccumulator(), 0.0f);
    Frame(system, 0.6f);  // the system still steps afterwards
    EXPECT_EQ(spark->launches.size(), 1u);

    spark->launches.clear();
    Frame(system, 1.0e9f);
    EXPECT_EQ(spark->launches.size(), static_cast<size_t>(CPParticleSystem::kMaxStepsPerFrame));
    EXPECT_GE(system->GetAccumulator(), 0.0f);
    EXPECT_LE(system->GetAccumulator(), 0.5f);
    EXPECT_NEAR(system->GetElapsed(), 1.0e9f, 1.0e3f);

    // Dropped time still counts towards the lifetime.
    CPParticleSystem* timed = System(nullptr, {"sparks"});
    timed->SetLifetime(10.0f);
    timed->Start();
    Frame(timed, 1000.0f);
    EXPECT_TRUE(timed->IsStopped());
}

// ------------------------------------------------------------------ records

TEST_F(ParticleSystemTest, VelocityFollowsTheEmitterDirection) {
    struct Case {
        const char* name;
        D3DXVECTOR3 direction;
        D3DXVECTOR3 velocity;
    };
    const float r = 2.0f * std::sqrt(0.5f);
    const Case cases[] = {
        {"up", {0, 0, 1}, {0, 0, 2}},
        {"along x", {1, 0, 0}, {2, 0, 0}},
        {"along y, not normalised", {0, 3, 0}, {0, 2, 0}},
        {"diagonal", {1, 0, 1}, {r, 0, r}},
        // Straight down used to turn about a zero axis, that is not at all, and emitted upwards.
        {"straight down", {0, 0, -1}, {0, 0, -2}},
        {"straight down, not normalised", {0, 0, -5}, {0, 0, -2}},
        {"nearly down", {0.001f, 0, -1}, {0.002f, 0, -2}},
        // A tilt whose square vanishes in float leaves a zero axis just as straight down does.
        {"down with a vanishing tilt", {1e-25f, 0, -1}, {0, 0, -2}},
    };
    for (const Case& c : cases) {
        CPEmitterRecord emitter = ScopedEmitterTable::Emitter("spark", 2.0f);
        emitter.Direction = c.direction;
        table->SetEmitter(c.name, emitter);
        CPParticleSystem* system = System(nullptr, {c.name});
        ASSERT_EQ(system->GetEmitters().size(), 1u);
        const CPEffectRecord record = system->BuildEffectRecord(system->GetEmitters()[0], true);
        ExpectVec3Near(record.Velocity, c.velocity, 1e-3f);
        EXPECT_NEAR(D3DXVec3Length(&record.Velocity), 2.0f, 1e-5f) << c.name;
        EXPECT_EQ(record.Name, "spark");
    }
}

TEST_F(ParticleSystemTest, ConeDrawsAWholeDegreeBelowHalfTheAngle) {
    struct Case {
        int32_t coneAngle;
        int32_t half;  // 0: no cone draw
    };
    const Case cases[] = {{0, 0}, {3, 1}, {90, 45}, {61, 30}};
    for (const Case& c : cases) {
        CPEmitterRecord emitter = ScopedEmitterTable::Emitter("spark", 2.0f);
        emitter.ConeAngle = c.coneAngle;
        const std::string name = "cone" + std::to_string(c.coneAngle);
        ASSERT_TRUE(table->SetEmitter(name, emitter));
        CPParticleSystem* system = System(nullptr, {name});
        for (uint32_t seed : {3u, 99u, 4096u, 65537u}) {
            const RecordDraws draws = ReplayDraws(seed, c.half != 0);
            const CPEffectRecord record = system->BuildEffectRecord(system->GetEmitters()[0], true);
            const float a = D3DXToRadian(static_cast<float>(draws.azimuth % 360));
            const float b = c.half != 0 ? D3DXToRadian(static_cast<float>(draws.cone % c.half)) : 0.0f;
            ExpectVec3Near(record.Velocity,
                           {std::sin(b) * 2.0f * std::cos(a), std::sin(b) * 2.0f * std::sin(a), std::cos(b) * 2.0f});
            const float degrees = ClampedAcos(record.Velocity.z / 2.0f) / D3DXToRadian(1.0f);
            EXPECT_LE(degrees, c.half == 0 ? 0.01f : static_cast<float>(c.half - 1) + 0.01f) << c.coneAngle;
            // Four draws, and a fifth when the emitter has an opening: the next draw is the one after.
            RuntimeSrand(seed);
            for (int i = 0; i < (c.half != 0 ? 5 : 4); ++i) RuntimeRand();
            const int expectedNext = RuntimeRand();
            RuntimeSrand(seed);
            system->BuildEffectRecord(system->GetEmitters()[0], true);
            EXPECT_EQ(RuntimeRand(), expectedNext) << c.coneAngle;
        }
    }
}

TEST_F(ParticleSystemTest, StartOffsetIsDrawnInTheSpreadBoxAndPlacedByTheFirstRecordOnly) {
    CPGameObject* holder = Holder("holder");
    holder->SetPosition({10, 20, 30});
    holder->SetRotation(QuarterTurnZ());
    holder->UpdateTransform();
    CPEmitterRecord emitter = ScopedEmitterTable::Emitter("spark", 2.0f);
    emitter.Direction = {1, 0, 0};
    emitter.Spread = {1, 2, 3};
    emitter.Acceleration = {0, 0, -9};
    emitter.Size = 0.3f;
    emitter.Param = 0.7f;
    emitter.Life = 1.5f;
    emitter.Flag = 1;
    table->SetEmitter("boxed", emitter);
    CPParticleSystem* system = System(holder, {"boxed"});

    for (bool first : {true, false}) {
        const RecordDraws draws = ReplayDraws(21, false);
        const CPEffectRecord record = system->BuildEffectRecord(system->GetEmitters()[0], first);
        D3DXVECTOR3 offset(2.0f * (draws.rx * 1.0f) - 1.0f, 2.0f * (draws.ry * 2.0f) - 2.0f,
                           2.0f * (draws.rz * 3.0f) - 3.0f);
        if (first) offset += D3DXVECTOR3(10, 20, 30);
        EXPECT_EQ(record.Position, offset) << first;
        // The holder's turn applies to the velocity, its translation does not; acceleration stays unturned.
        ExpectVec3Near(record.Velocity, {0, 2, 0});
        EXPECT_EQ(record.Acceleration, D3DXVECTOR3(0, 0, -9));
        EXPECT_EQ(record.Size, 0.3f);
        EXPECT_EQ(record.Param, 0.7f);
        EXPECT_EQ(record.Life, 1.5f);
        EXPECT_EQ(record.Flag, 1);
        EXPECT_EQ(record.Flag2, 0);
        EXPECT_EQ(record.Next, nullptr);
    }

    // No spread: a zero offset, the three draws still taken.
    RuntimeSrand(8);
    const CPEffectRecord plain = system->BuildEffectRecord(ScopedEmitterTable::Emitter("spark"), false);
    EXPECT_EQ(plain.Position, D3DXVECTOR3(0, 0, 0));
    RuntimeSrand(8);
    for (int i = 0; i < 4; ++i) RuntimeRand();
    const int expectedNext = RuntimeRand();
    RuntimeSrand(8);
    system->BuildEffectRecord(ScopedEmitterTable::Emitter("spark"), false);
    EXPECT_EQ(RuntimeRand(), expectedNext);
}

TEST_F(ParticleSystemTest, OneStepLaunchesTheFirstEmittersEffectWithTheOthersChained) {
    CPGameObject* holder = Holder("holder");
    holder->SetPosition({5, 6, 7});
    holder->UpdateTransform();
    CPParticleSystem* system = System(holder, {"sparks", "smokes", "sparks"});
    system->Start();
    Frame(system, 0.6f);
    ASSERT_EQ(spark->launches.size(), 1u);
    EXPECT_TRUE(smoke->launches.empty());
    const RecordingEffect::Seen& seen = spark->launches[0];
    EXPECT_EQ(seen.position, D3DXVECTOR3(5, 6, 7));
    EXPECT_EQ(seen.velocity, D3DXVECTOR3(0, 0, 2));
    EXPECT_EQ(seen.chainNames, (Strings{"smoke", "spark"}));
    // The chained records keep their plain offsets.
    EXPECT_EQ(seen.chainPositions, (std::vector<D3DXVECTOR3>{{0, 0, 0}, {0, 0, 0}}));
    EXPECT_EQ(seen.chainVelocities, (std::vector<D3DXVECTOR3>{{0, 0, 1}, {0, 0, 2}}));
    EXPECT_EQ(seen.owner, nullptr);
    EXPECT_EQ(seen.hook, nullptr);
}

TEST_F(ParticleSystemTest, ASystemWithoutKnownEmittersLaunchesNothing) {
    CPParticleSystem* system = System(nullptr, {"missing"});
    system->Start();
    RuntimeSrand(40);
    Frame(system, 2.2f);
    EXPECT_TRUE(spark->launches.empty());
    EXPECT_TRUE(smoke->launches.empty());
    RuntimeSrand(40);
    const int first = RuntimeRand();
    RuntimeSrand(40);
    Frame(system, 0.6f);
    EXPECT_EQ(RuntimeRand(), first);  // no emitter, no draw
}

TEST_F(ParticleSystemTest, MaterialIsReappliedOnceWhenHalfTheLifetimeHasPassed) {
    CPMaterial stone(17, {}, {}), old(18, {}, {});
    CPGameObject* unit = Holder("unit");
    CPRenderObject mesh(unit);
    unit->SetRenderPart(&mesh, kRenderObject);
    unit->SetMaterial(&stone);
    mesh.SetMaterial(&old);
    CPGameObject* flame = Holder("flame", unit);
    CPParticleSystem* system = System(flame, {"sparks"});
    system->SetLifetime(2.0f);
    system->Start();

    Frame(system, 0.6f);  // one step: 0.5 s in, half the lifetime still ahead
    EXPECT_EQ(mesh.GetMaterial().Get(), &old);
    Frame(system, 0.6f);  // the second step reaches 1.0 s
    EXPECT_EQ(mesh.GetMaterial().Get(), &stone);

    mesh.SetMaterial(&old);
    Frame(system, 0.6f);
    Frame(system, 0.6f);
    EXPECT_EQ(mesh.GetMaterial().Get(), &old);

    // A new run crosses the half again; without a lifetime there is no half to cross.
    system->Stop();
    system->Start();
    Frame(system, 1.1f);
    EXPECT_EQ(mesh.GetMaterial().Get(), &stone);
    mesh.SetMaterial(&old);
    system->SetLifetime(-1.0f);
    system->Stop();
    system->Start();
    Frame(system, 10.0f);
    EXPECT_EQ(mesh.GetMaterial().Get(), &old);
    unit->SetRenderPart(nullptr, kRenderNone);
}

// ------------------------------------------------------------------ damage

TEST_F(ParticleSystemTest, EveryStepDamagesTheTargetAndTheHoldersControllingObject) {
    CPCommandTask unitController;
    unitController.Start();
    CPCommandTask targetController;
    targetController.Start();
    FakeEnemyBrain brain;

    CPGameObject* unit = Holder("unit");
    unit->SetController(&unitController);
    CPGameObject* holder = Holder("flame", unit);
    CPGameObject* target = Holder("target");
    target->SetPosition({1, 2, 3});
    target->SetController(&targetController);
    target->SetEnemyBrain(&brain);

    CPParticleSystem* system = System(holder, {"sparks"});
    system->SetTarget(target);
    system->SetDamageAmount(1.5f);
    system->Start();
    // The target's three draws come first in a step, before the emitter's.
    RuntimeSrand(11);
    std::vector<float> expectedDirection;
    for (int i = 0; i < 3; ++i) expectedDirection.push_back(static_cast<float>(RuntimeRand()) * kDrawScale - 0.5f);
    RuntimeSrand(11);
    Frame(system, 1.1f);

    EXPECT_EQ(DrainCommandTexts(targetController), (Strings{"damage:1.50", "damage:1.50"}));
    EXPECT_EQ(DrainCommandTexts(unitController), (Strings{"damage:1.50", "damage:1.50"}));
    ASSERT_EQ(brain.hits.size(), 2u);
    EXPECT_EQ(brain.hits[0].point, D3DXVECTOR3(1, 2, 3));
    EXPECT_EQ(brain.hits[0].direction,
              D3DXVECTOR3(expectedDirection[0], expectedDirection[1], expectedDirection[2]));
    EXPECT_EQ(brain.hits[0].amount, 1.5f);
    for (const FakeEnemyBrain::Hit& hit : brain.hits) {
        EXPECT_LE(std::fabs(hit.direction.x), 0.5f);
        EXPECT_LE(std::fabs(hit.direction.y), 0.5f);
        EXPECT_LE(std::fabs(hit.direction.z), 0.5f);
    }
    EXPECT_EQ(spark->launches.size(), 2u);
}

// The holder and the target are plain and counted links: deleted by their owners, they were still used.
TEST_F(ParticleSystemTest, DeletedHolderOrTargetIsNoLongerUsed) {
    CPCommandTask controller;
    controller.Start();
    auto* holder = new CPGameObject("holder");
    holder->SetPosition({5, 6, 7});
    holder->UpdateTransform();
    holder->SetController(&controller);
    auto* target = new CPGameObject("target");
    target->SetController(&controller);

    CPParticleSystem* system = System(holder, {"sparks"});
    system->SetTarget(target);
    system->Start();
    delete holder;
    delete target;
    Frame(system, 0.6f);
    EXPECT_TRUE(DrainCommandTexts(controller).empty());
    ASSERT_EQ(spark->launches.size(), 1u);
    EXPECT_EQ(spark->launches[0].position, D3DXVECTOR3(0, 0, 0));  // the identity frame

    auto* copy = static_cast<CPParticleSystem*>(system->Clone().Get());
    EXPECT_EQ(copy->GetHolder(), nullptr);
    EXPECT_EQ(copy->GetTarget(), nullptr);
    delete copy;
}

// ------------------------------------------------------------------ cloning and the kernel

TEST_F(ParticleSystemTest, CloneTakesSettingsAndThisSystemsEmitterCopies) {
    CPGameObject* holder = Holder("holder");
    CPGameObject* target = Holder("target");
    CPParticleSystem* system = System(holder, {"sparks", "missing"});
    system->SetStep(0.25f);
    system->SetLifetime(4.0f);
    system->SetDamageAmount(2.0f);
    system->SetTarget(target);
    system->SetPriority(200);
    system->Start();
    Frame(system, 0.3f);

    // The table changes after the system copied its entry; a new emitter appears under a known name.
    table->FindEmitter("sparks")->Speed = 9.0f;
    table->SetEmitter("missing", ScopedEmitterTable::Emitter("smoke"));

    std::unique_ptr<CPParticleSystem> clone(static_cast<CPParticleSystem*>(system->Clone().Get()));
    EXPECT_EQ(clone->GetHolder(), holder);
    EXPECT_EQ(clone->GetTarget(), target);
    EXPECT_EQ(clone->GetStep(), 0.25f);
    EXPECT_EQ(clone->GetLifetime(), 4.0f);
    EXPECT_EQ(clone->GetDamageAmount(), 2.0f);
    EXPECT_EQ(clone->GetEmitterNames(), (Strings{"sparks", "missing"}));
    ASSERT_EQ(clone->GetEmitters().size(), 1u);
    EXPECT_EQ(clone->GetEmitters()[0].Speed, 2.0f);
    EXPECT_EQ(clone->GetPriority(), CPTask::kDefaultPriority);
    EXPECT_FALSE(clone->IsRunning());
    EXPECT_EQ(clone->GetAccumulator(), 0.0f);
}

TEST_F(ParticleSystemTest, ActivatedHolderRunsItsSystemInTheKernel) {
    CPGameObject* holder = Holder("holder");
    CPParticleSystem* system = System(holder, {"sparks"});
    system->SetLifetime(1.0f);
    holder->Activate(200);
    EXPECT_EQ(system->GetPriority(), 200);
    EXPECT_TRUE(system->IsRunning());

    clock.SetDelta(0.6f);
    kernel.RunFrame();
    EXPECT_EQ(spark->launches.size(), 1u);
    clock.SetDelta(0.6f);
    kernel.RunFrame();  // elapsed passes 1.0 in its second step
    EXPECT_EQ(spark->launches.size(), 2u);
    EXPECT_TRUE(system->IsStopped());
    kernel.RunFrame();
    EXPECT_EQ(kernel.GetTaskCount(), 0u);
    EXPECT_EQ(spark->launches.size(), 2u);
}
