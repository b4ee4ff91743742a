#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "simulation/physics/CPPhysicData.h"
#include "simulation/physics/PhysRigidBody.h"
#include "simulation/units/CPPlayer.h"
#include "simulation/vehicle/CPCar.h"
#include "support/SimulationDoubles.h"

namespace {
// A unit that drives a fake car; the car is let go before either dies.
class CPPlayerCarTest : public ::testing::Test {
protected:
    CPPlayerCarTest() { unit.SetCar(&car); }
    ~CPPlayerCarTest() override { unit.SetCar(nullptr); }

    FakeCar car;
    CPPlayer unit;
};
}  // namespace

TEST(CPPlayerTest, ANewUnitStartsFromItsDefaults) {
    CPPlayer unit;
    EXPECT_EQ(unit.GetName(), "PLAYER");
    for (float load : unit.mLoad) EXPECT_EQ(load, 1.0f);
    EXPECT_EQ(unit.mLife, 100000.0f);
    EXPECT_EQ(unit.mWeaponSlot, 0);
    EXPECT_EQ(unit.mLoadFactor, 1.0f);
    EXPECT_EQ(unit.mFireRateFactor, 1.0f);
    EXPECT_EQ(unit.mSideFlags, 0);
    EXPECT_FALSE(unit.mLocked);
    EXPECT_EQ(unit.GetCar(), nullptr);
    EXPECT_FALSE(unit.mShadow);
}

TEST(CPPlayerTest, ControlsFollowTheLockAndTheThrottleHold) {
    struct Case {
        const char* name;
        bool locked, hold;
        float throttle, steering;  // stored afterwards
    };
    for (const Case& c : {Case{"free", false, false, 0.8f, 0.3f}, Case{"held", false, true, 0.0f, 0.3f},
                          Case{"locked", true, false, 0.1f, -0.2f}, Case{"locked and held", true, true, 0.1f, -0.2f}}) {
        SCOPED_TRACE(c.name);
        CPPlayer unit;
        unit.mThrottle = 0.1f;
        unit.mSteering = -0.2f;
        unit.mLocked = c.locked;
        unit.mThrottleHold = c.hold;
        unit.SetControls(0.8f, 0.3f);
        EXPECT_EQ(unit.mThrottle, c.throttle);
        EXPECT_EQ(unit.mSteering, c.steering);
    }
}

TEST_F(CPPlayerCarTest, LockingHoldsTheCarAndUnlockingReleasesIt) {
    car.SetControls(1.0f, 0.0f);
    ASSERT_NE(car.mDrive, 0.0f);
    unit.mSteering = 0.25f;
    unit.SetLocked(true);
    EXPECT_TRUE(unit.mLocked);
    EXPECT_TRUE(car.mHeld);
    EXPECT_EQ(car.mDrive, 0.0f);
    unit.SetLocked(false);
    EXPECT_FALSE(unit.mLocked);
    EXPECT_FALSE(car.mHeld);
}

TEST_F(CPPlayerCarTest, ALockedUnitIgnoresItsLightInputs) {
    unit.mLocked = true;
    unit.SetBrakeFlares(true, true);
    unit.SetStopLights(true);
    EXPECT_FALSE(car.mBrakeInput);
    EXPECT_FALSE(car.mStopInput);
    unit.mLocked = false;
    unit.SetBrakeFlares(true, true);
    unit.SetStopLights(true);
    EXPECT_TRUE(car.mBrakeInput);
    EXPECT_TRUE(car.mDriftInput);
    EXPECT_TRUE(car.mStopInput);
}

TEST_F(CPPlayerCarTest, ForcedFlaresFollowTheBrakeInsteadOfTheCarsLights) {
    auto left = std::make_unique<CPGameObject>("lflarerear");
    unit.AddChild(CPSmartPtr<CPGameObject>(left.get()));
    left->SetVisible(false);
    unit.mFlaresForced = true;
    unit.SetBrakeFlares(true, false);  // the missing right flare is skipped
    EXPECT_TRUE(left->IsVisible());
    EXPECT_FALSE(car.mBrakeInput);
    unit.SetBrakeFlares(false, false);
    EXPECT_FALSE(left->IsVisible());
}

TEST_F(CPPlayerCarTest, NitroLevelFollowsTheLockAndTheReserve) {
    struct Case {
        const char* name;
        bool locked;
        float reserve;
        float level;
    };
    for (const Case& c : {Case{"free", false, 100.0f, 50.0f}, Case{"locked", true, 100.0f, 0.0f},
                          Case{"empty reserve", false, 0.0f, 0.0f}}) {
        SCOPED_TRACE(c.name);
        car.mNitro = 7.0f;
        car.mNitroReserve = c.reserve;
        unit.mLocked = c.locked;
        unit.SetNitro(50.0f);
        EXPECT_EQ(car.mNitro, c.level);
    }
}

TEST_F(CPPlayerCarTest, TheAisNitroHoldsTheThrottleAndLeavesTheCarsNitro) {
    car.mNitro = 3.0f;
    unit.mThrottle = 0.9f;
    unit.SetNitroAI(80.0f, 1.0f);
    EXPECT_TRUE(unit.mThrottleHold);
    EXPECT_EQ(unit.mThrottle, 0.0f);
    EXPECT_EQ(car.mNitro, 3.0f);
}

TEST_F(CPPlayerCarTest, VelocityIsTheCarsOrZeroWithoutACar) {
    car.mVelocity = D3DXVECTOR3(1.0f, -2.0f, 3.0f);
    EXPECT_EQ(unit.GetCarVelocity(), D3DXVECTOR3(1.0f, -2.0f, 3.0f));
    CPPlayer bare;
    EXPECT_EQ(bare.GetCarVelocity(), D3DXVECTOR3(0.0f, 0.0f, 0.0f));
}

TEST(CPPlayerTest, EveryCarCallOfAUnitWithoutACarDoesNothing) {
    CPPlayer unit;
    unit.SetControls(1.0f, 0.5f);
    unit.SetLocked(true);
    unit.SetLocked(false);
    unit.SetBrakeFlares(true, true);
    unit.SetStopLights(true);
    unit.SetEngineVolume(0.5f);
    unit.SetNitro(10.0f);
    unit.ApplyImpulse(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 0, 0));
    EXPECT_EQ(unit.mThrottle, 1.0f);
    EXPECT_EQ(unit.mSteering, 0.5f);
}

TEST(CPPlayerTest, ImpulsesReachTheRigidBodyOfTheCarsOwnerAndNeverCarryNaN) {
    CPPlayer unit;
    CPCar car(&unit);
    unit.SetCar(&car);
    CPPhysicData data(&unit);
    PhysRigidBody body;
    data.mRigidBody = &body;
    unit.SetPhysicData(&data);

    unit.ApplyImpulse(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(2.0f, 0.0f, 0.0f));
    EXPECT_EQ(body.GetVelocity().x, 2.0f);
    const float inf = std::numeric_limits<float>::infinity();
    unit.ApplyImpulse(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0.0f, 0.0f, inf));
    unit.ApplyImpulse(D3DXVECTOR3(std::nanf(""), 0, 0), D3DXVECTOR3(1.0f, 0.0f, 0.0f));
    EXPECT_EQ(body.GetVelocity().x, 2.0f);
    EXPECT_EQ(body.GetVelocity().z, 0.0f);

    unit.SetPhysicData(nullptr);
    unit.SetCar(nullptr);
}

TEST(CPPlayerTest, FacingIsTheTurnedForwardAxisAtUnitLength) {
    const float half = std::sqrt(0.5f);
    struct Case {
        const char* name;
        D3DXQUATERNION rotation;
        D3DXVECTOR3 facing;
    };
    for (const Case& c : {Case{"unturned", D3DXQUATERNION(0, 0, 0, 1), D3DXVECTOR3(0, -1, 0)},
                          Case{"half round about z", D3DXQUATERNION(0, 0, 1, 0), D3DXVECTOR3(0, 1, 0)},
                          Case{"quarter round about z", D3DXQUATERNION(0, 0, half, half), D3DXVECTOR3(1, 0, 0)},
                          Case{"quarter round about x", D3DXQUATERNION(half, 0, 0, half), D3DXVECTOR3(0, 0, -1)},
                          // A quaternion of length 2 turns (0, -1, 0) into (4, 3, 0): brought back to length 1.
                          Case{"not normalised", D3DXQUATERNION(0, 0, 2 * half, 2 * half), D3DXVECTOR3(0.8f, 0.6f, 0)}}) {
        SCOPED_TRACE(c.name);
        CPPlayer unit;
        unit.SetRotation(c.rotation);
        const D3DXVECTOR3 facing = unit.GetFacing();
        EXPECT_NEAR(facing.x, c.facing.x, 1e-6f);
        EXPECT_NEAR(facing.y, c.facing.y, 1e-6f);
        EXPECT_NEAR(facing.z, c.facing.z, 1e-6f);
    }
}

TEST(CPPlayerTest, BodyMassIsThePhysicalDatasOrZeroWithoutIt) {
    CPPlayer unit;
    EXPECT_EQ(unit.BodyMass(), 0.0f);
    CPPhysicData data(&unit);
    CPPhysicBodyParameters body;
    body.mass = 20.0f;
    data.SetBodyParameters(body);
    unit.SetPhysicData(&data);
    EXPECT_EQ(unit.BodyMass(), 20.0f);
    unit.SetPhysicData(nullptr);
}

TEST(CPPlayerTest, BurnedObjectsDeletedSinceTheirTouchAreNeverHandedOut) {
    CPPlayer unit;
    CPGameObject kept("barrel");
    auto gone = std::make_unique<CPGameObject>("crate");
    unit.AddBurned(&kept);
    unit.AddBurned(gone.get());
    unit.AddBurned(nullptr);
    gone.reset();
    const std::vector<CPGameObject*> burned = unit.TakeBurned();
    ASSERT_EQ(burned.size(), 1u);
    EXPECT_EQ(burned[0], &kept);
    EXPECT_EQ(unit.GetBurnedCount(), 0u);

    unit.AddBurned(&kept);
    unit.ClearBurned();
    EXPECT_TRUE(unit.TakeBurned().empty());
}

TEST(CPPlayerTest, AWeaponChildDeletedBeforeTheUnitIsNotTouchedAgain) {
    auto unit = std::make_unique<CPPlayer>();
    auto* weapon = new CPGameObject("weapon");
    unit->AddChild(CPSmartPtr<CPGameObject>(weapon));
    unit->mWeaponObject = weapon;
    unit->mFlares[0] = weapon;
    delete weapon;  // its owner deleted it while the unit still names it
    ASSERT_FALSE(gObjectRegistry::Contains(weapon));
    // A Release on the dead child here would be a use after free, which the sanitizer build reports.
    unit.reset();
}
