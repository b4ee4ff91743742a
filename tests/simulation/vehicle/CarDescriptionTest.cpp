#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/ServiceGlobals.h"
#include "simulation/level/CPLevel.h"
#include "simulation/physics/PhysController.h"
#include "simulation/physics/PhysRigidBody.h"
#include "simulation/physics/PhysSensor.h"
#include "simulation/vehicle/CPCar.h"
#include "support/CarTestRig.h"
#include "support/MathExpect.h"

namespace {

// What a description leaves in the car's parameters.
struct Parameters {
    int32_t wheelCount = 4;
    float rayLength = 1.5f, radius = 0.5f, springFront = 140.0f, springBack = 150.0f, damping = 150.0f;
    float frictionFront = 100.0f, frictionBack = 240.0f, slide = 0.9f;
    bool fixedMin = false, fixedMax = false, debug = false;
};

TEST(CarDescriptionTest, ATableOfDescriptionsGivesTheirParametersAndKeepsTheDefaultsForWhatIsMissingOrUnusable) {
    struct Case {
        const char* name;
        const char* xml;
        Parameters expected;
    };
    const auto with = [](auto change) {
        Parameters p;
        change(p);
        return p;
    };
    const Case cases[] = {
        {"no physics element", "<render/>", Parameters{}},
        {"empty document", "", Parameters{}},
        {"every wheel and parameter value",
         "<physics debug=\"true\"><geometry><wheels count=\"6\" length=\"2\" radius=\"0.4\" fixed=\"min\"/></geometry>"
         "<params><wheels spring1=\"90\" spring2=\"95\" damping=\"12\"/>"
         "<friction front=\"50\" back=\"60\" slide=\"0.5\"/></params></physics>",
         with([](Parameters& p) {
             p.wheelCount = 6, p.rayLength = 2.0f, p.radius = 0.4f, p.springFront = 90.0f, p.springBack = 95.0f;
             p.damping = 12.0f, p.frictionFront = 50.0f, p.frictionBack = 60.0f, p.slide = 0.5f;
             p.fixedMin = true, p.debug = true;
         })},
        {"fixed is lower-cased", "<physics><geometry><wheels fixed=\"MAX\"/></geometry></physics>",
         with([](Parameters& p) { p.fixedMax = true; })},
        {"fixed none clears both pins", "<physics><geometry><wheels fixed=\"none\"/></geometry></physics>", Parameters{}},
        {"debug must be exactly true", "<physics debug=\"True\"/>", Parameters{}},
        {"count above 8 is clamped", "<physics><geometry><wheels count=\"12\"/></geometry></physics>",
         with([](Parameters& p) { p.wheelCount = 8; })},
        {"count below 0 is clamped", "<physics><geometry><wheels count=\"-2\"/></geometry></physics>",
         with([](Parameters& p) { p.wheelCount = 0; })},
        {"count is truncated", "<physics><geometry><wheels count=\"2.7\"/></geometry></physics>",
         with([](Parameters& p) { p.wheelCount = 2; })},
        {"count that is no number", "<physics><geometry><wheels count=\"many\"/></geometry></physics>",
         Parameters{}},
        {"non-finite values keep the defaults",
         "<physics><geometry><wheels count=\"nan\" length=\"inf\" radius=\"1e300\"/></geometry>"
         "<params><wheels spring1=\"-inf\" damping=\"nan\"/></params></physics>",
         Parameters{}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CarTestRig rig(c.xml);
        CPCar& car = rig.Build();
        const Parameters& e = c.expected;
        EXPECT_EQ(car.mWheelCount, e.wheelCount);
        EXPECT_FLOAT_EQ(car.mRayLength, e.rayLength);
        EXPECT_FLOAT_EQ(car.mWheelRadius, e.radius);
        EXPECT_FLOAT_EQ(car.mSpringFront, e.springFront);
        EXPECT_FLOAT_EQ(car.mSpringBack, e.springBack);
        EXPECT_FLOAT_EQ(car.mDamping, e.damping);
        EXPECT_FLOAT_EQ(car.mFrictionFront, e.frictionFront);
        EXPECT_FLOAT_EQ(car.mFrictionBack, e.frictionBack);
        EXPECT_FLOAT_EQ(car.mSlide, e.slide);
        EXPECT_EQ(car.mFixedMin, e.fixedMin);
        EXPECT_EQ(car.mFixedMax, e.fixedMax);
        EXPECT_EQ(car.mDebug, e.debug);
    }
}

// The car counts the values its description gave; the level load reports a car that got none.
TEST(CarDescriptionTest, TheCarCountsTheValuesItsDescriptionGave) {
    const std::pair<const char*, int32_t> cases[] = {
        {"", 0},
        {"<render/>", 0},
        {"<physics debug=\"true\"><geometry><wheels count=\"6\" length=\"2\" fixed=\"min\"/></geometry></physics>"
         "<render><shadow name=\"jeep_shadow\"/></render>",
         5},
        {"<physics><params><wheels spring1=\"-inf\" damping=\"nan\" spring2=\"90\"/></params></physics>", 1},
        {"<vehicle><physics><geometry><wheels count=\"6\" length=\"2\"/></geometry></physics></vehicle>", 0},
    };
    for (const auto& [xml, values] : cases) {
        SCOPED_TRACE(xml);
        CarTestRig rig(xml);
        EXPECT_EQ(rig.Build().mDescriptionValues, values);
    }
}

TEST(CarDescriptionTest, TheRemainingParametersAndTheShadowNameAreRead) {
    CarTestRig rig(
        "<physics><geometry><wheels x=\"0.2\" y=\"0.3\" front_min_radius=\"0.1\" back_min_radius=\"0.15\" "
        "width=\"1.8\"/></geometry><params><speed max_front_speed=\"40\" max_rear_speed=\"9\"/>"
        "<acceleration front=\"120\" back=\"70\" brake=\"33\"/><inertion yaw=\"0.4\" pitch=\"0.2\"/></params>"
        "</physics><render><shadow name=\"jeep_shadow\"/></render>");
    CPCar& car = rig.Build();
    const float expected[CPCar::kTuningParameters] = {0.2f, 0.3f, 1.5f,  0.5f, 0.1f, 0.15f, 140.0f,
                                                      150.0f, 150.0f, 40.0f, 9.0f, 100.0f, 240.0f, 0.9f,
                                                      120.0f, 70.0f, 33.0f, 0.4f, 0.2f};
    for (int32_t i = 0; i < CPCar::kTuningParameters; ++i) {
        ASSERT_NE(car.TuningParameter(i), nullptr) << i;
        EXPECT_FLOAT_EQ(*car.TuningParameter(i), expected[i]) << "tuning index " << i;
    }
    EXPECT_EQ(car.TuningParameter(-1), nullptr);
    EXPECT_EQ(car.TuningParameter(CPCar::kTuningParameters), nullptr);
    EXPECT_FLOAT_EQ(car.mWidth, 1.8f);
    EXPECT_EQ(car.mRenderName, "jeep_shadow");
}

TEST(CarDescriptionTest, TheCameraParametersGoToTheJeepOnlyForThePlayersCarWithASpeedAngle) {
    const std::string full =
        "<physics><params><speed angle=\"12.5\"/><acceleration accel_front=\"1.5\" accel_back=\"2\" "
        "speed_front=\"30\" speed_back=\"10.25\"/></params></physics><camera fov_div=\"3\"/>";
    {
        CarTestRig rig(full);
        rig.Build(true);
        EXPECT_EQ(rig.JeepCommands(), (std::vector<std::string>{"set_car_params:12.50,3.00,1.50,2.00",
                                                                "set_car_params2:30.00,10.25"}));
    }
    {
        CarTestRig rig(full);
        rig.Build(false);
        EXPECT_TRUE(rig.JeepCommands().empty()) << "an enemy car posts nothing";
    }
    {
        CarTestRig rig("<physics><params><speed max_front_speed=\"20\"/></params></physics><camera fov_div=\"3\"/>");
        rig.Build(true);
        EXPECT_TRUE(rig.JeepCommands().empty()) << "no angle, no camera parameters";
    }
    {
        // Without the camera and acceleration elements the absent values start at 0.
        CarTestRig rig("<physics><params><speed angle=\"7\"/></params></physics>");
        rig.Build(true);
        EXPECT_EQ(rig.JeepCommands(), (std::vector<std::string>{"set_car_params:7.00,0.00,0.00,0.00",
                                                                "set_car_params2:0.00,0.00"}));
    }
}

TEST(CarDescriptionTest, CreateBodyCastsOneRayPerWheelFromItsWheelObjectWithTheSideOffset) {
    CarTestRig rig("<physics><geometry><wheels x=\"0.2\" y=\"0.3\" length=\"1.2\" radius=\"0.4\"/></geometry></physics>");
    CPCar& car = rig.Build();
    for (int32_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        ASSERT_NE(car.mSensors[i], nullptr);
        ASSERT_TRUE(car.mWheelObjects[i]);
        EXPECT_FALSE(car.mWheelObjects[i]->IsVisible()) << "wheel objects are hidden";
        const float x = i % 2 == 0 ? -CarTestRig::kWheelX : CarTestRig::kWheelX;
        const float y = i < 2 ? -CarTestRig::kWheelY : CarTestRig::kWheelY;
        const float side = i % 2 == 0 ? 1.0f : -1.0f;
        ExpectVec4Near(car.mSensors[i]->GetStart(), D3DXVECTOR4(x - side * 0.2f, y, 0.3f, 1.0f));
        ExpectVec4Near(car.mSensors[i]->direction, D3DXVECTOR4(0.0f, 0.0f, -1.2f, 0.0f));
        ExpectVec4Near(car.mMountPoints[i], D3DXVECTOR4(x, y, 0.3f, 0.0f));
        ExpectVec3Near(car.mRayEnds[i], D3DXVECTOR3(x - side * 0.2f, y, 0.0f));
        ExpectVec3Near(car.mDustPositions[i], car.mRayEnds[i]);
        EXPECT_FLOAT_EQ(car.mWheelOffsets[i], 0.4f - 1.2f);
        EXPECT_TRUE(car.mAirborne[i]);
    }
    // Wheel 3 sits on the +x side and its ray starts 0.2 further out.
    EXPECT_FLOAT_EQ(car.mSensors[3]->GetStart().x, CarTestRig::kWheelX + 0.2f);
    ASSERT_NE(car.GetController(), nullptr);
    EXPECT_EQ(car.GetController()->handler, &car);
    EXPECT_EQ(car.GetController()->period, 0);
    // The data's setup gave the chassis its mass.
    EXPECT_FLOAT_EQ(rig.data->mRigidBody->mass, CarTestRig::kMass);
}

TEST(CarDescriptionTest, AMissingWheelChildOrAnEmptySensorPoolSkipsThatWheelOnly) {
    {
        CarTestRig rig(kPlainCarDescription, {0, 2, 3});
        CPCar& car = rig.Build();
        EXPECT_EQ(car.mSensors[1], nullptr);
        EXPECT_FALSE(car.mWheelObjects[1]);
        EXPECT_EQ(rig.unit.GetChild("w1").Get(), nullptr);
        for (int32_t i : {0, 2, 3}) EXPECT_NE(car.mSensors[i], nullptr) << i;
    }
    {
        CarTestRig rig;
        rig.MakeBody();
        // Take all sensors but two from the pool.
        while (rig.world.GetSensorPool().GetFreeCount() > 2) rig.world.TakeSensor();
        CPCar& car = rig.Build();
        EXPECT_NE(car.mSensors[0], nullptr);
        EXPECT_NE(car.mSensors[1], nullptr);
        EXPECT_EQ(car.mSensors[2], nullptr);
        EXPECT_EQ(car.mSensors[3], nullptr);
        EXPECT_NE(car.GetController(), nullptr);
    }
}

TEST(CarDescriptionTest, CreateBodyStartsTheLightsAndPosesAndClearsTheCrash) {
    CarTestRig rig;
    const char* lights[] = {"backlights", "backlights2", "backlights01", "backlights201", "_backlights",
                            "_backlights2", "bike01"};
    CPGameObject* body = new CPGameObject("body");
    rig.unit.AddOwnedChild(CPSmartPtr<CPGameObject>(body));
    for (const char* name : lights) {
        // The first four may sit deeper in the model; the two with a leading "_" are direct children.
        CPGameObject* light = new CPGameObject(name);
        light->SetVisible(std::string(name) == "backlights2");
        (name[0] == '_' ? &rig.unit : body)->AddOwnedChild(CPSmartPtr<CPGameObject>(light));
    }
    CPLevel level;
    ScopedGlobal<CPLevel*> levelGuard(gLevel, &level);
    rig.MakeBody();
    CPCar car(&rig.unit);
    car.mCrashed = true;
    car.mHeld = true;
    car.mVisualYaw = 0.3f;
    car.CreateBody(&rig.world, false);
    EXPECT_FALSE(car.mCrashed);
    EXPECT_FALSE(car.mHeld);
    EXPECT_EQ(car.mVisualYaw, 0.0f);
    EXPECT_TRUE(car.mMainPose);
    EXPECT_EQ(car.mLevel, &level);
    const bool shown[] = {true, false, true, false, true, false, false};
    for (size_t k = 0; k < std::size(lights); ++k)
        EXPECT_EQ(rig.unit.FindObject(lights[k])->IsVisible(), shown[k]) << lights[k];
    EXPECT_EQ(car.mRearLights[CPCar::kBacklights201], rig.unit.FindObject("backlights201").Get());
}

TEST(CarDescriptionTest, ACarDestroyedBeforeItsWorldIsNoLongerCalledByTheStep) {
    CarTestRig rig;
    CPCar& car = rig.Build();
    PhysController* controller = car.GetController();
    ASSERT_NE(controller, nullptr);
    rig.unit.SetCar(nullptr);
    delete rig.car;
    rig.car = nullptr;
    EXPECT_EQ(controller->handler, nullptr);
    rig.world.Step(1.0f / 60.0f);  // would call into the freed car
}

}  // namespace
