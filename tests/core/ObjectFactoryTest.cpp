#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/CPObjectFactory.h"
#include "simulation/vehicle/CPShot.h"

namespace {

// A shot that records its launches; its clones share the log.
class FakeShot : public CPShot {
public:
    struct Record {
        const FakeShot* shot;
        D3DXVECTOR3 position, direction;
        float value;
        CPGameObject* owner;
        intptr_t extra;
    };

    FakeShot(const std::string& kind, std::vector<Record>* log, bool cloneable = true)
        : CPShot(kind), mLog(log), mCloneable(cloneable) {}

    CPSmartPtr<CPShot> Clone() override {
        if (!mCloneable) return CPSmartPtr<CPShot>();
        return CPSmartPtr<CPShot>(new FakeShot(GetKindName(), mLog));
    }
    bool Update() override { return true; }
    void Launch(const D3DXVECTOR3& position, const D3DXVECTOR3& direction, float value,
                CPSmartPtr<CPGameObject> owner, intptr_t extra) override {
        mLog->push_back({this, position, direction, value, owner.Get(), extra});
    }

private:
    std::vector<Record>* mLog;
    bool mCloneable;
};

class ObjectFactoryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(factory.SetPrototype("rocket1", rocket)); }
    void Fire(const std::string& name) { factory.CreateByName(name, {1, 2, 3}, {0, 0, 1}, -1.0f, nullptr, 0); }
    std::vector<CPShot*> HandedOut() const {
        std::vector<CPShot*> out;
        for (const auto& entry : factory.GetHandedOut()) out.push_back(entry.object.Get());
        return out;
    }
    size_t CacheSize(const std::string& name) const {
        const CPObjectFactory::CacheList* list = factory.GetCacheList(name);
        return list ? list->size() : 0;
    }

    std::vector<FakeShot::Record> launches;
    FakeShot* rocket = new FakeShot("rocket1", &launches);  // the factory's prototype of "rocket1"
    CPObjectFactory factory;
};

}  // namespace

TEST_F(ObjectFactoryTest, ANameWithoutPrototypeLeavesAnEmptyListAndLaunchesNothing) {
    EXPECT_EQ(factory.GetCacheList("plazma"), nullptr);
    Fire("plazma");
    ASSERT_NE(factory.GetCacheList("plazma"), nullptr);
    EXPECT_TRUE(factory.GetCacheList("plazma")->empty());
    EXPECT_TRUE(launches.empty());
    EXPECT_TRUE(factory.GetHandedOut().empty());
}

TEST_F(ObjectFactoryTest, APrototypeAloneIsClonedAtEveryCall) {
    CPGameObject owner("weapon");
    int speed = 0;
    factory.CreateByName("rocket1", {1, 2, 3}, {0, 1, 0}, 2.5f, &owner, reinterpret_cast<intptr_t>(&speed));
    Fire("rocket1");

    ASSERT_EQ(launches.size(), 2u);
    EXPECT_NE(launches[0].shot, rocket) << "the prototype is never handed out";
    EXPECT_NE(launches[0].shot, launches[1].shot);
    EXPECT_EQ(launches[0].position, D3DXVECTOR3(1, 2, 3));
    EXPECT_EQ(launches[0].direction, D3DXVECTOR3(0, 1, 0));
    EXPECT_EQ(launches[0].value, 2.5f);
    EXPECT_EQ(launches[0].owner, &owner) << "the owner reaches the launch unchanged";
    EXPECT_EQ(launches[0].extra, reinterpret_cast<intptr_t>(&speed)) << "a whole address fits";
    EXPECT_EQ(HandedOut(), (std::vector<CPShot*>{const_cast<FakeShot*>(launches[0].shot),
                                                 const_cast<FakeShot*>(launches[1].shot)}));
    EXPECT_EQ(CacheSize("rocket1"), 1u);
    EXPECT_EQ(factory.GetCacheList("rocket1")->front().Get(), rocket);
}

TEST_F(ObjectFactoryTest, WaitingObjectsAreReusedLastInFirstOut) {
    Fire("rocket1");
    Fire("rocket1");
    std::vector<CPShot*> made = HandedOut();
    ASSERT_EQ(made.size(), 2u);
    CPShot* a = made[0];
    CPShot* b = made[1];
    ASSERT_TRUE(factory.Recycle(a));
    ASSERT_TRUE(factory.Recycle(b));
    EXPECT_FALSE(factory.Recycle(b)) << "returned already";
    EXPECT_FALSE(factory.Recycle(rocket)) << "never handed out";
    EXPECT_TRUE(factory.GetHandedOut().empty());
    EXPECT_EQ(CacheSize("rocket1"), 3u);

    launches.clear();
    Fire("rocket1");
    Fire("rocket1");
    Fire("rocket1");
    ASSERT_EQ(launches.size(), 3u);
    EXPECT_EQ(launches[0].shot, b);
    EXPECT_EQ(launches[1].shot, a);
    EXPECT_NE(launches[2].shot, a);
    EXPECT_NE(launches[2].shot, b);
    EXPECT_NE(launches[2].shot, rocket);
    EXPECT_EQ(CacheSize("rocket1"), 1u);
}

// A kind that cannot be cloned gives an empty clone: nothing is launched or listed instead of a launch
// through an empty pointer.
TEST_F(ObjectFactoryTest, APrototypeThatCannotBeClonedLaunchesNothing) {
    factory.SetPrototype("lightning", new FakeShot("lightning", &launches, false));
    Fire("lightning");
    EXPECT_TRUE(launches.empty());
    EXPECT_TRUE(factory.GetHandedOut().empty());
    EXPECT_EQ(CacheSize("lightning"), 1u);
}

TEST_F(ObjectFactoryTest, RecycledObjectsGoBackUnderTheNameTheyWereAskedFor) {
    factory.SetPrototype("plazma", new FakeShot("plazma", &launches));
    EXPECT_FALSE(factory.SetPrototype("nothing", nullptr));
    Fire("plazma");
    CPShot* shot = HandedOut().at(0);
    EXPECT_EQ(shot->GetName(), "CPShot") << "every shot has the same object name";
    factory.Recycle(shot);
    EXPECT_EQ(CacheSize("plazma"), 2u);
    EXPECT_EQ(CacheSize("rocket1"), 1u);
}

// What the factory was given or made, handed out or waiting, dies with it (the sanitizer reports leaks
// and double deletes); a clone someone deleted before is skipped.
TEST_F(ObjectFactoryTest, TheFactoryDeletesItsPrototypesAndClones) {
    auto* factory = new CPObjectFactory();
    auto* first = new FakeShot("mine", &launches);
    auto* second = new FakeShot("mine", &launches);
    factory->SetPrototype("mine", first);
    factory->SetPrototype("mine", second);  // replaces the first in the list
    factory->SetPrototype("mine2", second);  // one object under two names
    EXPECT_EQ(factory->GetCacheList("mine")->front().Get(), second);
    for (int i = 0; i < 3; ++i) factory->CreateByName("mine", {}, {}, 0, nullptr, 0);
    std::vector<CPShot*> gone{first, second};
    for (const auto& entry : factory->GetHandedOut()) gone.push_back(entry.object.Get());
    factory->Recycle(gone[2]);
    delete gone[4];
    delete factory;
    for (CPShot* shot : gone) EXPECT_FALSE(gObjectRegistry::Contains(shot));
}

// A shot deleted by someone else (a host that drops a finished shot) leaves the factory's lists: the
// factory never launches, lists or deletes it again. A prototype that dies leaves its slot empty, so a
// waiting object is still handed out and nothing is cloned.
TEST_F(ObjectFactoryTest, AShotDeletedElsewhereLeavesTheFactory) {
    Fire("rocket1");
    Fire("rocket1");
    Fire("rocket1");
    std::vector<CPShot*> made = HandedOut();
    ASSERT_EQ(made.size(), 3u);
    ASSERT_TRUE(factory.Recycle(made[1]));
    ASSERT_TRUE(factory.Recycle(made[2]));
    delete made[0];  // handed out
    delete made[2];  // waiting
    EXPECT_TRUE(factory.GetHandedOut().empty());
    EXPECT_FALSE(factory.Recycle(made[0]));
    ASSERT_EQ(CacheSize("rocket1"), 2u);

    launches.clear();
    Fire("rocket1");
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].shot, made[1]) << "the one still waiting";

    ASSERT_TRUE(factory.Recycle(made[1]));
    delete rocket;
    ASSERT_EQ(CacheSize("rocket1"), 2u);
    EXPECT_EQ(factory.GetCacheList("rocket1")->front().Get(), nullptr);
    launches.clear();
    Fire("rocket1");
    Fire("rocket1");
    ASSERT_EQ(launches.size(), 1u) << "no prototype left to clone";
    EXPECT_EQ(launches[0].shot, made[1]);
}
