#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "simulation/physics/PhysAllocator.h"
#include "simulation/physics/PhysPool.h"
#include "simulation/physics/PhysWorld.h"

namespace {

struct Record {
    int32_t value = 7;
    PhysPoolLinks<Record> links;
};

// Hands out blocks filled with a pattern, so that a test sees which bytes a pool wrote.
class PatternAllocator : public PhysAllocator {
public:
    static constexpr unsigned char kPattern = 0xA5;
    void* Alloc(size_t size, int32_t /*hint*/) override {
        void* memory = std::malloc(size);
        std::memset(memory, kPattern, size);
        return memory;
    }
    void Free(void* memory) override { std::free(memory); }
};

bool Untouched(const void* memory, size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(memory);
    for (size_t i = 0; i < size; ++i)
        if (bytes[i] != PatternAllocator::kPattern) return false;
    return true;
}

TEST(PhysPoolTest, RecordsComeInArrayOrderThenGivenBackOldestFirst) {
    PhysHeapAllocator allocator;
    PhysPool<Record> pool;
    ASSERT_TRUE(pool.Build(4, &allocator));
    Record* a = pool.Take();
    Record* b = pool.Take();
    Record* c = pool.Take();
    EXPECT_EQ(pool.IndexOf(a), 0);
    EXPECT_EQ(pool.IndexOf(b), 1);
    EXPECT_EQ(pool.IndexOf(c), 2);
    pool.GiveBack(b);
    pool.GiveBack(a);
    pool.GiveBack(a);  // twice: the second changes nothing
    EXPECT_EQ(pool.GetFreeCount(), 3);
    EXPECT_EQ(pool.GetTakenCount(), 1);
    EXPECT_TRUE(pool.IsSound());
    // As a free list chained in array order would: the record never taken, then b, then a.
    Record* d = pool.Take();
    EXPECT_EQ(pool.IndexOf(d), 3);
    EXPECT_EQ(pool.Take(), b);
    EXPECT_EQ(pool.Take(), a);
    EXPECT_EQ(pool.Take(), nullptr);
    EXPECT_EQ(pool.GetFreeCount(), 0);
    EXPECT_EQ(pool.GetTakenCount(), 4);
    EXPECT_TRUE(pool.IsSound());
    EXPECT_EQ(a->links.inUse, 1);
    EXPECT_EQ(a->links.next, nullptr);
    EXPECT_EQ(a->links.prev, nullptr);
}

TEST(PhysPoolTest, BuildingTouchesNoRecordAndTakingTouchesOnlyTheOneTaken) {
    PatternAllocator allocator;
    PhysPool<Record> pool;
    ASSERT_TRUE(pool.Build(100, &allocator));
    EXPECT_EQ(pool.GetFreeCount(), 100);
    EXPECT_EQ(pool.GetHighWater(), 0);
    Record* first = pool.Take();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->value, 7) << "a record is made when it is first taken";
    EXPECT_EQ(pool.GetHighWater(), 1);
    EXPECT_TRUE(Untouched(first + 1, 99 * sizeof(Record)));
    EXPECT_EQ(pool.At(1), nullptr) << "a record never handed out is not there to be named";
    EXPECT_EQ(pool.IndexOf(first + 1), -1);
    EXPECT_TRUE(pool.IsSound());
}

TEST(PhysPoolTest, AWorldTouchesOnlyTheRecordsItHandsOut) {
    PhysWorld world(PhysPoolSizes{500, 1000, 500, 50, 1500, 5000, 150, 150, 10, 1000, 200, -1}, nullptr, nullptr);
    PhysRigidBody* body = world.CreateRigidBody();
    ASSERT_NE(body, nullptr);
    body->AddGeometry();
    body->AddSensor();
    EXPECT_EQ(world.GetRigidPool().GetHighWater(), 1);
    EXPECT_EQ(world.GetRigidPool().GetFreeCount(), 499);
    EXPECT_EQ(world.GetGeometryPool().GetHighWater(), 1);
    EXPECT_EQ(world.GetSensorPool().GetHighWater(), 1);
    for (int32_t high : {world.GetKinematicPool().GetHighWater(), world.GetParticlePool().GetHighWater(),
                         world.GetControllerPool().GetHighWater(), world.GetGroupPool().GetHighWater()})
        EXPECT_EQ(high, 0);
    EXPECT_TRUE(world.SlotsAreSound());
}

}  // namespace
