#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Render/PEffectRecord.h"
#include "Render/PEffectSpawner.h"
#include "Render/PParticleSystem.h"
#include "core/CPGameObject.h"
#include "platform/RuntimeRandom.h"
#include "support/RecordingEffect.h"
#include "support/ScopedEmitterTable.h"
#include "support/ScopedGlobal.h"

namespace {

void TestHook(CPGameObject*, CPEffectParticle& particle) { particle.age = 1000.0f; }

// A record named `name` with a chain of the given names; each record's position x is its place.
CPEffectRecord RecordWithChain(const std::string& name, const std::vector<std::string>& chainNames) {
    CPEffectRecord head;
    head.Name = name;
    CPEffectRecord* previous = &head;
    float place = 1.0f;
    for (const std::string& chainName : chainNames) {
        previous->Next = new CPEffectRecord;
        previous = previous->Next;
        previous->Name = chainName;
        previous->Position = D3DXVECTOR3(place, 0.0f, 0.0f);
        place += 1.0f;
    }
    return head;
}

// A record with every value set to a distinct number, the hook and the owner: what copies and launches carry.
void FillValues(CPEffectRecord& record, CPGameObject* owner) {
    record.Position = {1, 2, 3};
    record.Velocity = {4, 5, 6};
    record.Acceleration = {0, 0, -24.8f};
    record.Size = 0.5f;
    record.Param = 0.25f;
    record.Life = 2.0f;
    record.Flag = 1;
    record.Flag2 = 2;
    record.ContactHook = &TestHook;
    record.Owner = owner;
}

std::vector<std::string> ChainNames(const CPEffectRecord& record) {
    std::vector<std::string> names;
    for (const CPEffectRecord* r = record.Next; r; r = r->Next) names.push_back(r->Name);
    return names;
}

class EffectSpawnerTest : public ::testing::Test {
protected:
    void SetUp() override { RuntimeSrand(1); }
    void TearDown() override { RuntimeSrand(1); }

    ScopedEmitterTable table;
};

}  // namespace

// ------------------------------------------------------------------ records

TEST(EffectRecordTest, AssignmentCopiesValuesAndChainButNotHookOrOwner) {
    CPGameObject owner("owner");
    CPEffectRecord source = RecordWithChain("smoke", {"spark", "dust"});
    FillValues(source, &owner);
    source.Next->Flag2 = 7;

    CPEffectRecord copy;
    copy = source;
    EXPECT_EQ(copy.Name, "smoke");
    EXPECT_EQ(copy.Position, D3DXVECTOR3(1, 2, 3));
    EXPECT_EQ(copy.Velocity, D3DXVECTOR3(4, 5, 6));
    EXPECT_EQ(copy.Acceleration, D3DXVECTOR3(0, 0, -24.8f));
    EXPECT_EQ(copy.Size, 0.5f);
    EXPECT_EQ(copy.Param, 0.25f);
    EXPECT_EQ(copy.Life, 2.0f);
    EXPECT_EQ(copy.Flag, 1);
    EXPECT_EQ(copy.Flag2, 2);
    EXPECT_EQ(copy.ContactHook, nullptr);
    EXPECT_FALSE(copy.Owner);

    // The chain is copied record by record into records of its own.
    EXPECT_EQ(ChainNames(copy), (std::vector<std::string>{"spark", "dust"}));
    ASSERT_NE(copy.Next, nullptr);
    EXPECT_NE(copy.Next, source.Next);
    EXPECT_NE(copy.Next->Next, source.Next->Next);
    EXPECT_EQ(copy.Next->Flag2, 7);
    EXPECT_EQ(copy.Next->Next->Position, D3DXVECTOR3(2, 0, 0));
    EXPECT_EQ(copy.Next->Next->Next, nullptr);
    EXPECT_EQ(ChainNames(source), (std::vector<std::string>{"spark", "dust"}));
}

// Assigning onto a record that already carries a chain used to overwrite the link and lose the old
// chain; the leak checker of the test build reports such a loss.
TEST(EffectRecordTest, AssignmentReplacesAChainItAlreadyHeld) {
    CPEffectRecord target = RecordWithChain("old", {"a", "b", "c"});
    CPEffectRecord source = RecordWithChain("new", {"x"});
    target = source;
    EXPECT_EQ(target.Name, "new");
    EXPECT_EQ(ChainNames(target), (std::vector<std::string>{"x"}));

    // A record assigned the rest of its own chain reads it before letting go of it.
    CPEffectRecord self = RecordWithChain("head", {"one", "two", "three"});
    self = *self.Next;
    EXPECT_EQ(self.Name, "one");
    EXPECT_EQ(ChainNames(self), (std::vector<std::string>{"two", "three"}));

    const CPEffectRecord& same = self;  // a self-assignment, through a reference as it happens
    self = same;
    EXPECT_EQ(self.Name, "one");
    EXPECT_EQ(ChainNames(self), (std::vector<std::string>{"two", "three"}));
}

TEST(EffectRecordTest, MovingHandsOverChainAndOwnerWithoutCounting) {
    CPGameObject owner("owner");
    CPEffectRecord source = RecordWithChain("smoke", {"spark"});
    source.Owner = &owner;
    source.ContactHook = &TestHook;
    CPEffectRecord moved(std::move(source));
    EXPECT_EQ(moved.Name, "smoke");
    EXPECT_EQ(ChainNames(moved), (std::vector<std::string>{"spark"}));
    EXPECT_EQ(moved.Owner.Get(), &owner);
    EXPECT_EQ(moved.ContactHook, &TestHook);
    EXPECT_EQ(owner.GetRefCount(), 1);
    EXPECT_EQ(source.Next, nullptr);  // NOLINT: the moved-from record is left empty on purpose
    EXPECT_FALSE(source.Owner);
}

TEST(EffectRecordTest, DeleteFreesTheRecordOnlyWithBitZeroSet) {
    CPGameObject owner("owner");
    CPEffectRecord record = RecordWithChain("smoke", {"spark"});
    record.Owner = &owner;
    record.Delete(0);  // the destructor's work: the record stays usable
    EXPECT_EQ(record.Name, "");
    EXPECT_EQ(record.Next, nullptr);
    EXPECT_FALSE(record.Owner);
    EXPECT_EQ(owner.GetRefCount(), 0);

    auto* heap = new CPEffectRecord;
    heap->Next = new CPEffectRecord;
    heap->Owner = &owner;
    heap->Delete(1);  // frees the record and its chain
    EXPECT_EQ(owner.GetRefCount(), 0);
}

// An owner that counts how often a record lets go of it.
class CountingOwner : public CPGameObject {
public:
    explicit CountingOwner(const char* name) : CPGameObject(name) {}
    void Release() override {
        ++releases;
        CPGameObject::Release();
    }
    int releases = 0;
};

TEST(EffectRecordTest, DestroyingARecordDestroysItsWholeChainAndReleasesEachOwnerOnce) {
    CountingOwner first("first"), second("second"), third("third");
    auto* head = new CPEffectRecord;
    head->Owner = &first;
    head->Next = new CPEffectRecord;
    head->Next->Owner = &second;
    head->Next->Next = new CPEffectRecord;
    head->Next->Next->Owner = &third;
    head->Delete(1);  // the leak checker of the test build reports a record left behind
    EXPECT_EQ(first.releases, 1);
    EXPECT_EQ(second.releases, 1);
    EXPECT_EQ(third.releases, 1);
}

TEST(EffectRecordTest, LettingGoOfAnOwnerDeletedMeanwhile) {
    auto* owner = new CPGameObject("owner");
    CPEffectRecord record;
    record.Owner = owner;
    delete owner;
    record.Delete(0);  // no call reaches the freed owner
    EXPECT_FALSE(record.Owner);
}

// ------------------------------------------------------------------ launching

TEST_F(EffectSpawnerTest, LaunchBlockCarriesTheRecordsValuesAndOwner) {
    RecordingEffect* smoke = table.AddRecordingEffect("smoke");
    CPGameObject owner("owner");
    CPEffectRecord record = RecordWithChain("smoke", {});
    FillValues(record, &owner);
    ASSERT_EQ(owner.GetRefCount(), 1);

    table->SpawnEffect(record);
    ASSERT_EQ(smoke->launches.size(), 1u);
    const RecordingEffect::Seen& seen = smoke->launches[0];
    EXPECT_EQ(seen.position, D3DXVECTOR3(1, 2, 3));
    EXPECT_EQ(seen.velocity, D3DXVECTOR3(4, 5, 6));
    EXPECT_EQ(seen.zeroVector, D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(seen.acceleration, D3DXVECTOR3(0, 0, -24.8f));
    EXPECT_EQ(seen.size, 0.5f);
    EXPECT_EQ(seen.param, 0.25f);
    EXPECT_EQ(seen.life, 2.0f);
    EXPECT_EQ(seen.zero, 0);
    EXPECT_EQ(seen.flag, 1);
    EXPECT_EQ(seen.flag2, 2);
    EXPECT_EQ(seen.yaw, 0.0f);
    EXPECT_EQ(seen.hook, &TestHook);
    EXPECT_EQ(seen.owner, &owner);
    EXPECT_EQ(seen.ownerCount, 2);  // one more reference during the launch
    EXPECT_TRUE(seen.chain.empty());
    // The record is the caller's: it still holds its owner.
    EXPECT_EQ(record.Owner.Get(), &owner);
}

TEST_F(EffectSpawnerTest, ChainIsHandedOverAsACopy) {
    RecordingEffect* smoke = table.AddRecordingEffect("smoke");
    CPEffectRecord record = RecordWithChain("smoke", {"one", "two", "three"});
    table->SpawnEffect(record);
    ASSERT_EQ(smoke->launches.size(), 1u);
    const RecordingEffect::Seen& seen = smoke->launches[0];
    EXPECT_EQ(seen.chainNames, (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(seen.chainPositions, (std::vector<D3DXVECTOR3>{{1, 0, 0}, {2, 0, 0}, {3, 0, 0}}));
    std::vector<const CPEffectRecord*> callers;
    for (const CPEffectRecord* r = record.Next; r; r = r->Next) callers.push_back(r);
    ASSERT_EQ(seen.chain.size(), 3u);
    for (size_t i = 0; i < 3; ++i) EXPECT_NE(seen.chain[i], callers[i]) << "record " << i;
    EXPECT_EQ(ChainNames(record), (std::vector<std::string>{"one", "two", "three"}));
}

TEST_F(EffectSpawnerTest, OnlyDebrisNamedExactlyGetsARandomYaw) {
    struct Case {
        const char* name;
        bool draws;
    };
    const Case cases[] = {{"derbis", true}, {"derbis2", false}, {"Derbis", false}, {"derbi", false}, {"smoke", false}};
    for (const Case& c : cases) {
        RecordingEffect* effect = table.AddRecordingEffect(c.name);
        for (uint32_t seed : {5u, 77u, 1234u}) {
            RuntimeSrand(seed);
            const int draw = RuntimeRand();
            const int next = RuntimeRand();
            RuntimeSrand(seed);
            CPEffectRecord record;
            record.Name = c.name;
            table->SpawnEffect(record);
            const float expected = c.draws ? static_cast<float>(draw % 360) * 0.017453292f : 0.0f;
            EXPECT_EQ(effect->launches.back().yaw, expected) << c.name << " seed " << seed;
            // Only the debris takes a draw.
            EXPECT_EQ(RuntimeRand(), c.draws ? next : draw) << c.name;
        }
    }
}

TEST_F(EffectSpawnerTest, UnknownNameLaunchesNothing) {
    RecordingEffect* smoke = table.AddRecordingEffect("smoke");
    CPGameObject owner("owner");
    CPEffectRecord record = RecordWithChain("smok", {"smoke"});
    record.Owner = &owner;
    table->SpawnEffect(record);
    EXPECT_TRUE(smoke->launches.empty());
    EXPECT_TRUE(table->GetActiveEffects().empty());
    EXPECT_EQ(owner.GetRefCount(), 0);  // the block's reference went with it
}

TEST_F(EffectSpawnerTest, ActiveListTakesEffectsLaunchedWhileIdle) {
    RecordingEffect* idle = table.AddRecordingEffect("idle");            // never sets its flag
    RecordingEffect* running = table.AddRecordingEffect("running", true);  // sets it when launched
    CPEffectRecord idleRecord;
    idleRecord.Name = "idle";
    CPEffectRecord runningRecord;
    runningRecord.Name = "running";
    table->SpawnEffect(idleRecord);
    table->SpawnEffect(idleRecord);
    table->SpawnEffect(runningRecord);
    table->SpawnEffect(runningRecord);

    std::vector<CPSpawnedEffect*> listed;
    for (const auto& entry : table->GetActiveEffects()) listed.push_back(entry.Get());
    EXPECT_EQ(listed, (std::vector<CPSpawnedEffect*>{idle, idle, running}));
    EXPECT_EQ(running->launches.size(), 2u);  // launched again though listed once
    EXPECT_EQ(idle->GetRefCount(), 2);

    table->ResetAllEffects();
    EXPECT_EQ(idle->resets, 1);
    EXPECT_EQ(running->resets, 1);
    EXPECT_TRUE(table->GetActiveEffects().empty());
    EXPECT_EQ(idle->GetRefCount(), 0);

    // Reset brought the running effect back to idle: its next launch lists it again.
    table->SpawnEffect(runningRecord);
    EXPECT_EQ(table->GetActiveEffects().size(), 1u);

    // A second reset, as at a level stop, only resets again.
    table->ResetAllEffects();
    table->ResetAllEffects();
    EXPECT_EQ(running->resets, 3);
    EXPECT_TRUE(table->GetActiveEffects().empty());
}

TEST_F(EffectSpawnerTest, EffectDeletedByOthersLeavesTheSpawner) {
    RecordingEffect* doomed = table.AddRecordingEffect("doomed");
    RecordingEffect* other = table.AddRecordingEffect("other");
    CPEffectRecord record;
    record.Name = "doomed";
    table->SpawnEffect(record);
    ASSERT_EQ(table->GetActiveEffects().size(), 1u);

    delete doomed;
    EXPECT_EQ(table->FindEffect("doomed"), nullptr);
    EXPECT_TRUE(table->GetActiveEffects().empty());
    table->SpawnEffect(record);  // nothing left to launch
    table->ResetAllEffects();
    EXPECT_EQ(other->resets, 1);
}

TEST_F(EffectSpawnerTest, ResetThatDeletesAnotherEffectSkipsIt) {
    RecordingEffect* first = table.AddRecordingEffect("first");
    RecordingEffect* second = table.AddRecordingEffect("second");
    int resetCalls = 0;
    // Whichever is reset first deletes the other.
    first->onReset = [&] {
        ++resetCalls;
        if (table->FindEffect("second")) delete second;
    };
    second->onReset = [&] {
        ++resetCalls;
        if (table->FindEffect("first")) delete first;
    };
    table->ResetAllEffects();
    EXPECT_EQ(resetCalls, 1);
    EXPECT_EQ((table->FindEffect("first") != nullptr) + (table->FindEffect("second") != nullptr), 1);
}

TEST_F(EffectSpawnerTest, AddEffectRefusesTakenNamesAndNull) {
    RecordingEffect* smoke = table.AddRecordingEffect("smoke");
    RecordingEffect spare;
    EXPECT_FALSE(table->AddEffect("smoke", &spare));
    EXPECT_FALSE(table->AddEffect("nothing", nullptr));
    EXPECT_EQ(table->FindEffect("smoke"), smoke);
    // One effect may answer to several names; the spawner deletes it once.
    EXPECT_TRUE(table->AddEffect("smoke2", smoke));
    EXPECT_EQ(table->FindEffect("smoke2"), smoke);
    // An effect of another spawner is refused.
    CPEffectSpawner otherSpawner;
    EXPECT_FALSE(otherSpawner.AddEffect("smoke", smoke));
}

TEST_F(EffectSpawnerTest, EmittersWithAConeThatCannotBeDrawnAreRefused) {
    struct Case {
        int32_t coneAngle;
        bool accepted;
    };
    const Case cases[] = {{0, true}, {2, true}, {3, true}, {90, true}, {359, true},
                          {1, false}, {-1, false}, {-90, false}};
    for (const Case& c : cases) {
        CPEmitterRecord record = ScopedEmitterTable::Emitter("spark");
        record.ConeAngle = c.coneAngle;
        const std::string name = "cone" + std::to_string(c.coneAngle);
        EXPECT_EQ(table->SetEmitter(name, record), c.accepted) << c.coneAngle;
        EXPECT_EQ(table->FindEmitter(name) != nullptr, c.accepted) << c.coneAngle;
    }
    // A refused record leaves an entry of that name as it was.
    CPEmitterRecord kept = ScopedEmitterTable::Emitter("kept");
    ASSERT_TRUE(table->SetEmitter("e", kept));
    CPEmitterRecord bad = ScopedEmitterTable::Emitter("bad");
    bad.ConeAngle = 1;
    EXPECT_FALSE(table->SetEmitter("e", bad));
    EXPECT_EQ(table->FindEmitter("e")->EffectName, "kept");
}

TEST_F(EffectSpawnerTest, FlamePrototypesByTypeAndTheirLifetime) {
    auto* first = new CPParticleSystem(nullptr, {});
    auto* second = new CPParticleSystem(nullptr, {});
    EXPECT_EQ(table->AddFlamePrototype(first), 0);
    EXPECT_EQ(table->AddFlamePrototype(second), 1);
    EXPECT_EQ(table->AddFlamePrototype(nullptr), -1);
    EXPECT_EQ(table->GetFlamePrototype(0), first);
    EXPECT_EQ(table->GetFlamePrototype(1), second);
    for (int32_t type : {-1, 2, 1000}) EXPECT_EQ(table->GetFlamePrototype(type), nullptr) << type;

    // A prototype deleted by another owner leaves its slot empty; the other keeps its type.
    delete first;
    EXPECT_EQ(table->GetFlamePrototype(0), nullptr);
    EXPECT_EQ(table->GetFlamePrototype(1), second);
    EXPECT_EQ(table->GetFlamePrototypeCount(), 2u);
}  // the spawner deletes `second`

TEST(EffectSpawnerLifetimeTest, DestroyingTheGlobalSpawnerClearsIt) {
    ScopedGlobal<CPEffectSpawner*> installSpawner(gEmitterTable, new CPEffectSpawner);
    auto* effect = new RecordingEffect;
    gEmitterTable->AddEffect("smoke", effect);
    CPEffectRecord record;
    record.Name = "smoke";
    gEmitterTable->SpawnEffect(record);
    delete gEmitterTable;  // deletes the effect it holds, its active entry first
    EXPECT_EQ(gEmitterTable, nullptr);
    EXPECT_FALSE(gObjectRegistry::Contains(effect));
}
