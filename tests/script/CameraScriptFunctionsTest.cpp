#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "Render/CPCamera.h"
#include "Render/PCamera.h"
#include "Render/PRender.h"
#include "core/Angles.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "platform/RuntimeRandom.h"
#include "simulation/units/CPPlayer.h"
#include "simulation/vehicle/CPCar.h"
#include "support/D3DTestSupport.h"
#include "support/LuaScriptRig.h"
#include "support/ScopedGlobal.h"
#include "support/ScopedLevel.h"
#include "support/SimulationDoubles.h"
#include "support/TempFolder.h"

namespace {

// A level with its race camera and a renderer on a recording device, both published for the scripts.
class CameraScriptFunctionsTest : public ::testing::Test {
protected:
    CameraScriptFunctionsTest() : device(MakeTestDevice(1024, 768)), render(device.get()) {
        gSettings::RestoreInitialValues();
        level.Level().mCamera = new CPCamera();
    }
    ~CameraScriptFunctionsTest() override { gSettings::RestoreInitialValues(); }

    CPCamera& Camera() { return *level.Level().mCamera; }
    // Takes the default camera off layer 19 and deletes it, as its owner would.
    void DeleteDefaultCamera() {
        CPBaseCamera* camera = LayerCamera(19);
        render.SetLayerCamera(19, CPSmartPtr<CPBaseCamera>());
        delete camera;
    }
    // The camera the renderer's layer of that key holds; null without one.
    CPBaseCamera* LayerCamera(int32_t key) {
        const auto layer = render.GetLayers().find(key);
        return layer == render.GetLayers().end() ? nullptr : layer->second.mCamera.Get();
    }

    D3DPtr<IDirect3DDevice9> device;
    PRender render;
    ScopedGlobal<PRender*> installRenderer{gRenderer, &render};
    ScopedLevel level;
    LuaScriptRig lua;
};

TEST_F(CameraScriptFunctionsTest, CameraPositionAndAngleReachTheRaceCamera) {
    Camera().mChanged = false;
    ASSERT_EQ(lua.Run("SetCameraPos(1.5, -2, 3)\nSetCameraZAngle(0.75)\nz = GetCameraZAngle()"), "");
    EXPECT_EQ(Camera().mFocus, D3DXVECTOR3(1.5f, -2.0f, 3.0f));
    EXPECT_FLOAT_EQ(Camera().mYaw, 0.75f);
    EXPECT_TRUE(Camera().mChanged);
    EXPECT_FLOAT_EQ(static_cast<float>(lua.Number("z")), 0.75f);
}

TEST_F(CameraScriptFunctionsTest, CameraPositionsGiveTheEyeThenTheFocusOrTheFixedTarget) {
    Camera().GetViewCamera()->SetEye(D3DXVECTOR3(4.0f, 5.0f, 6.0f));
    Camera().mFocus = D3DXVECTOR3(7.0f, 8.0f, 9.0f);
    Camera().mFixedTarget = D3DXVECTOR3(-1.0f, -2.0f, -3.0f);
    ASSERT_EQ(lua.Run("a = {GetCameraPositions()}"), "");
    ASSERT_EQ(lua.Run("b = table.concat(a, ' ')"), "");
    EXPECT_EQ(lua.Text("b"), "4 5 6 7 8 9");
    Camera().mFixedView = true;
    ASSERT_EQ(lua.Run("b = table.concat({GetCameraPositions()}, ' ')"), "");
    EXPECT_EQ(lua.Text("b"), "4 5 6 -1 -2 -3");
}

TEST_F(CameraScriptFunctionsTest, FieldOfViewIsTakenAtOnceOnlyByACameraThatHasNone) {
    struct Case {
        float current;
        float expectedCurrent;
        bool viewsChanged;
    };
    for (const Case& c : {Case{50.0f, 50.0f, false}, Case{0.0f, 60.0f, true}}) {
        CPCamera& camera = Camera();
        camera.mFov = c.current;
        camera.GetViewCamera()->SetFieldOfView(0.5f);
        camera.GetViewCamera()->Update();
        camera.GetSecondCamera()->SetFieldOfView(0.5f);
        camera.GetSecondCamera()->Update();
        camera.mChanged = false;
        ASSERT_EQ(lua.Run("SetFOV(60)"), "");
        EXPECT_FLOAT_EQ(camera.mTargetFov, 60.0f);
        EXPECT_FLOAT_EQ(camera.mFov, c.expectedCurrent);
        EXPECT_TRUE(camera.mChanged);
        for (const CPPerspectiveCamera* view : {camera.GetViewCamera().Get(), camera.GetSecondCamera().Get()}) {
            EXPECT_EQ(view->IsProjectionChanged(), c.viewsChanged) << c.current;
            EXPECT_NEAR(view->GetFieldOfView(), c.viewsChanged ? 1.0471976f : 0.5f, 1e-6f) << c.current;
        }
    }
}

TEST_F(CameraScriptFunctionsTest, LevelViewValuesAreReadBack) {
    level.Level().mRaceViews[0].fov = 55.0f;
    level.Level().mRaceViews[1].fov = 72.5f;
    level.Level().mCameraMode = 2;
    ASSERT_EQ(lua.Run("f1 = GetFov1()\nf2 = GetFov2()\nm = GetCameraPlayer()"), "");
    EXPECT_EQ(lua.Number("f1"), 55.0);
    EXPECT_EQ(lua.Number("f2"), 72.5);
    EXPECT_EQ(lua.Number("m"), 2);
}

// Distinct values for the "camera" and "camera2" views, a player turned half round (its forward,
// -y turned by pi about z, is +y: the yaw is +pi/2) and a one-cell blur grid on an 800 x 600 screen.
class RaceViewTest : public CameraScriptFunctionsTest {
protected:
    RaceViewTest() {
        CPLevel& lvl = level.Level();
        lvl.mRaceViews[0].distance = 8.0f;
        lvl.mRaceViews[0].height = 3.0f;
        lvl.mRaceViews[0].angle = -20.0f;
        lvl.mRaceViews[0].angleDiv = 2.0f;
        lvl.mRaceViews[0].distanceDiv = 4.0f;
        lvl.mRaceViews[0].blur = 0.0f;
        lvl.mRaceViews[1].distance = 12.0f;
        lvl.mRaceViews[1].height = 5.0f;
        lvl.mRaceViews[1].angle = -30.0f;
        lvl.mRaceViews[1].angleDiv = 3.0f;
        lvl.mRaceViews[1].distanceDiv = 6.0f;
        lvl.mRaceViews[1].blur = 1.0f;
        lvl.mRaceViews[2].blur = -1.0f;
        level.Player().SetRotation(D3DXQUATERNION(0.0f, 0.0f, 1.0f, 0.0f));
        gSettings::blur = 1;
        gSettings::screenWidth = 800;
        gSettings::screenHeight = 600;
        render.CreateRadialBlurGrid(1, 1);
    }

    // The direction stored for the grid's bottom-right point (800, 600).
    D3DXVECTOR2 CornerDirection() const { return render.GetRadialBlurDirections().back(); }

    struct View {
        float dist, height, angle, angleDiv, distanceDiv;
        bool fixed;
        D3DXVECTOR2 corner;  // from the centre (400, (blur + 1) * 300) to (800, 600), normalised
    };
    static constexpr float kUntouchedYaw = 5.0f;
    static constexpr float kPlayerYaw = kHalfPi;

    void ExpectView(const View& v, bool yawAligned) {
        CPLevel& lvl = level.Level();
        EXPECT_FLOAT_EQ(lvl.mActiveView.distance, v.dist);
        EXPECT_FLOAT_EQ(lvl.mActiveView.height, v.height);
        EXPECT_FLOAT_EQ(lvl.mActiveView.angle, v.angle);
        EXPECT_FLOAT_EQ(lvl.mActiveView.angleDiv, v.angleDiv);
        EXPECT_FLOAT_EQ(lvl.mActiveView.distanceDiv, v.distanceDiv);
        EXPECT_EQ(Camera().mFixedView, v.fixed);
        EXPECT_EQ(lvl.mCameraTarget, &level.Player()) << "every view follows the player";
        EXPECT_NEAR(CornerDirection().x, v.corner.x, 1e-5f);
        EXPECT_NEAR(CornerDirection().y, v.corner.y, 1e-5f);
        if (yawAligned) {
            EXPECT_NEAR(Camera().mYaw, kPlayerYaw, 1e-6f);
            EXPECT_TRUE(Camera().mChanged);
        } else {
            EXPECT_EQ(Camera().mYaw, kUntouchedYaw) << "the free view keeps its yaw";
        }
    }
    // Before each call: a yaw the call must replace or keep, a target it must replace.
    void Unsettle() {
        Camera().mYaw = kUntouchedYaw;
        Camera().mChanged = false;
        level.Level().mCameraTarget = nullptr;
    }

    const View kCamera{8.0f, 3.0f, -20.0f, 2.0f, 4.0f, false, D3DXVECTOR2(0.8f, 0.6f)};
    const View kCamera2{12.0f, 5.0f, -30.0f, 3.0f, 6.0f, false, D3DXVECTOR2(1.0f, 0.0f)};
    const View kFree{8.0f, 3.0f, -20.0f, 2.0f, 4.0f, true, D3DXVECTOR2(0.5547002f, 0.8320503f)};
};

TEST_F(RaceViewTest, ChangeGameCameraCyclesTheThreeViewsAndAppliesEach) {
    level.Level().mCameraMode = 0;
    const struct {
        int32_t view;
        const View& values;
        bool yawAligned;
    } steps[] = {{1, kCamera2, true}, {2, kFree, false}, {0, kCamera, true}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.view);
        Unsettle();
        ASSERT_EQ(lua.Run("v = ChangeGameCamera()"), "");
        EXPECT_EQ(lua.Number("v"), step.view);
        EXPECT_EQ(level.Level().mCameraMode, step.view);
        ExpectView(step.values, step.yawAligned);
    }
}

TEST_F(RaceViewTest, AViewNumberOutsideTheThreeViewsStartsOverAtTheFirst) {
    for (int32_t stray : {3, 7, -1, 2147483647}) {
        level.Level().mCameraMode = stray;
        Unsettle();
        ASSERT_EQ(lua.Run("v = ChangeGameCamera()"), "");
        EXPECT_EQ(lua.Number("v"), 0) << stray;
        ExpectView(kCamera, true);
    }
}

TEST_F(RaceViewTest, SetCameraPlayerChoosesTheSecondOrTheFirstViewAndAnswersNothing) {
    const struct {
        const char* argument;
        int32_t view;
        const View& values;
    } cases[] = {{"true", 1, kCamera2}, {"false", 0, kCamera}, {"0", 1, kCamera2}, {"nil", 0, kCamera}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.argument);
        Unsettle();
        ASSERT_EQ(lua.Run(std::string("n = select('#', SetCameraPlayer(") + c.argument + "))\nm = GetCameraPlayer()"),
                  "");
        EXPECT_EQ(lua.Number("n"), 0);
        EXPECT_EQ(lua.Number("m"), c.view);
        ExpectView(c.values, true);
    }
}

TEST_F(RaceViewTest, ALevelWithoutItsCameraOrPlayerStillChangesItsView) {
    delete level.Level().mCamera;
    level.Level().mCamera = nullptr;
    level.Level().mPlayer = nullptr;
    ASSERT_EQ(lua.Run("v = ChangeGameCamera()\nSetCameraPlayer(false)"), "");
    EXPECT_EQ(lua.Number("v"), 1);
    EXPECT_EQ(level.Level().mCameraMode, 0);
    EXPECT_FLOAT_EQ(level.Level().mActiveView.distance, 8.0f);
    EXPECT_EQ(level.Level().mCameraTarget, nullptr);
}

TEST_F(CameraScriptFunctionsTest, RollingCameraHopsOnlyWhenTheViewChanges) {
    // Seeds whose second draw picks each pitch; the draws are read from the generator itself.
    bool seenTopDown = false, seenLow = false;
    for (uint32_t seed = 1; seed < 40 && !(seenTopDown && seenLow); ++seed) {
        RuntimeSrand(seed);
        const int signDraw = RuntimeRand();
        const int pitchDraw = RuntimeRand();
        const bool topDown = (pitchDraw & 3) != 0;
        if (topDown ? seenTopDown : seenLow) continue;
        (topDown ? seenTopDown : seenLow) = true;

        CPLevel& lvl = level.Level();
        lvl.mRollingView = 0;
        lvl.mSpinTime = 3.0f;
        Camera().mYaw = 0.25f;
        Camera().mChanged = false;
        RuntimeSrand(seed);
        ASSERT_EQ(lua.Run("SetCamera(true)"), "");
        EXPECT_EQ(lvl.mRollingView, 1);
        EXPECT_EQ(lvl.mSpinTime, 0.0f);
        EXPECT_EQ(lvl.mSpinSign, signDraw % 2 == 0 ? -1.0f : 1.0f) << seed;
        EXPECT_FLOAT_EQ(Camera().mPitch, topDown ? -kHalfPi : -0.2617994f) << seed;
        EXPECT_FLOAT_EQ(Camera().mYaw, 0.25f) << "view 1 keeps the yaw";
        EXPECT_TRUE(Camera().mChanged);

        // The same view again changes nothing and draws nothing.
        lvl.mSpinTime = 3.0f;
        const int nextDraw = [] { RuntimeSrand(99); return RuntimeRand(); }();
        RuntimeSrand(99);
        ASSERT_EQ(lua.Run("SetCamera(true)"), "");
        EXPECT_EQ(lvl.mSpinTime, 3.0f);
        EXPECT_EQ(RuntimeRand(), nextDraw);

        lvl.mHeading = 1.75f;
        ASSERT_EQ(lua.Run("SetCamera(false)"), "");
        EXPECT_EQ(lvl.mRollingView, 0);
        EXPECT_FLOAT_EQ(Camera().mYaw, 1.75f) << "view 0 faces the heading";
    }
    EXPECT_TRUE(seenTopDown && seenLow);
}

TEST_F(CameraScriptFunctionsTest, LightValuesComeBackAsTheyWereSet) {
    ASSERT_EQ(lua.Run("SetLight(0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1, 1.5, 2, -0.25, 0.5, -1)"), "");
    const D3DLIGHT9& sun = level.Level().mSunLight;
    EXPECT_FLOAT_EQ(sun.Diffuse.r, 0.1f);
    EXPECT_FLOAT_EQ(sun.Specular.a, 0.8f);
    EXPECT_FLOAT_EQ(sun.Ambient.b, 1.5f);
    EXPECT_EQ(D3DXVECTOR3(sun.Direction), D3DXVECTOR3(-0.25f, 0.5f, -1.0f));
    ASSERT_EQ(lua.Run("n = select('#', GetLight())"), "");
    EXPECT_EQ(lua.Number("n"), 15);
    // Lua prints the floats widened to doubles; compare value by value at float precision.
    const float expected[] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f,
                              0.9f, 1.0f, 1.5f, 2.0f, -0.25f, 0.5f, -1.0f};
    for (int i = 0; i < 15; ++i) {
        ASSERT_EQ(lua.Run("v = select(" + std::to_string(i + 1) + ", GetLight())"), "");
        EXPECT_FLOAT_EQ(static_cast<float>(lua.Number("v")), expected[i]) << i;
    }
}

TEST_F(CameraScriptFunctionsTest, WithoutALevelTheCameraFunctionsDoNothingAndAnswerNothing) {
    ScopedGlobal<CPLevel*> noLevel(gLevel, nullptr);
    ASSERT_EQ(lua.Run("SetCameraPos(1, 2, 3)\nSetCameraZAngle(1)\nSetFOV(60)\nSetLight(1, 2, 3)\n"
                      "z = select('#', GetCameraZAngle())\np = select('#', GetCameraPositions())\n"
                      "l = select('#', GetLight())\nSetCamera(true)\n"
                      "f = select('#', GetFov1()) + select('#', GetFov2()) + select('#', GetCameraPlayer())"),
              "");
    EXPECT_EQ(lua.Number("z"), 0);
    EXPECT_EQ(lua.Number("p"), 0);
    EXPECT_EQ(lua.Number("l"), 0);
    EXPECT_EQ(lua.Number("f"), 0);
    ASSERT_EQ(lua.Run("g = ChangeGameCamera()\ns = select('#', SetCameraPlayer(true))"), "");
    EXPECT_EQ(lua.Number("g"), -1);
    EXPECT_EQ(lua.Number("s"), 0);
}

TEST_F(CameraScriptFunctionsTest, ALevelWithoutItsCameraIsLeftAlone) {
    delete level.Level().mCamera;
    level.Level().mCamera = nullptr;
    ASSERT_EQ(lua.Run("SetCameraPos(1, 2, 3)\nSetFOV(60)\nz = select('#', GetCameraZAngle())"), "");
    EXPECT_EQ(lua.Number("z"), 0);
}

TEST_F(CameraScriptFunctionsTest, ScreenEffectsReachTheRenderer) {
    render.SetFadeMaximum(200);
    ASSERT_EQ(lua.Run("SetMotionBlur(0.6)\nSetRadialBlur(0.3)\nSetLightCoeff(1.25)\nSetFade(0.5)"), "");
    EXPECT_EQ(render.mMotionBlurEnabled, 1);
    EXPECT_FLOAT_EQ(render.mMotionBlurAmount, 0.6f);
    EXPECT_FLOAT_EQ(render.mRadialBlurAmount, 0.3f);
    EXPECT_FLOAT_EQ(render.mLightCoeff, 1.25f);
    EXPECT_FLOAT_EQ(render.GetFadeValue(), 100.0f);
    ASSERT_EQ(lua.Run("SetMotionBlur(0)"), "");
    EXPECT_EQ(render.mMotionBlurEnabled, 0);
    EXPECT_EQ(render.mMotionBlurAmount, 0.0f);
}

TEST_F(CameraScriptFunctionsTest, ScreenEffectValuesThatAreNotFiniteCountAsZero) {
    render.SetFadeMaximum(200);
    ASSERT_EQ(lua.Run("SetMotionBlur(0.6)\nSetRadialBlur(0.3)\nSetLightCoeff(1.25)\nSetFade(0.5)"), "");
    ASSERT_EQ(lua.Run("SetMotionBlur(0/0)\nSetRadialBlur(1/0)\nSetLightCoeff(-1/0)\nSetFade(1e300)"), "");
    EXPECT_EQ(render.mMotionBlurEnabled, 0) << "NaN does not turn the blur on";
    EXPECT_EQ(render.mMotionBlurAmount, 0.0f);
    EXPECT_EQ(render.mRadialBlurAmount, 0.0f);
    EXPECT_EQ(render.mLightCoeff, 0.0f);
    EXPECT_EQ(render.GetFadeValue(), 0.0f);
}

TEST_F(CameraScriptFunctionsTest, ACameraPlaceOrAngleThatIsNotFiniteIsRefused) {
    ASSERT_EQ(lua.Run("SetCameraPos(1, 2, 3)\nSetCameraZAngle(0.5)"), "");
    Camera().mChanged = false;
    const float fov = Camera().mTargetFov;
    ASSERT_EQ(lua.Run("SetCameraPos(0/0, 2, 3)\nSetCameraPos(1, 1e300, 3)\nSetCameraZAngle(1/0)\nSetFOV(0/0)"), "");
    EXPECT_EQ(Camera().mFocus, D3DXVECTOR3(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(Camera().mYaw, 0.5f);
    EXPECT_EQ(Camera().mTargetFov, fov);
    EXPECT_FALSE(Camera().mChanged);
}

TEST_F(CameraScriptFunctionsTest, LightValuesThatAreNotFiniteCountAsZero) {
    ASSERT_EQ(lua.Run("SetLight(0/0, 1/0, -1/0, 1e300, 0.5)\nr, g, b, a, d = GetLight()"), "");
    for (const char* name : {"r", "g", "b", "a"}) EXPECT_EQ(lua.Number(name), 0.0) << name;
    EXPECT_EQ(lua.Number("d"), 0.5);
}

TEST_F(CameraScriptFunctionsTest, TuningIndexStaysWithinItsRange) {
    struct Case {
        int32_t start;
        const char* call;
        int32_t expected;
    };
    for (const Case& c : {Case{5, "Pup()", 4}, Case{0, "Pup()", 0}, Case{5, "Pdown()", 6}, Case{18, "Pdown()", 18}}) {
        render.mTuningIndex = c.start;
        ASSERT_EQ(lua.Run(c.call), "");
        EXPECT_EQ(render.mTuningIndex, c.expected) << c.call << " from " << c.start;
    }
}

// The tuning keys move one parameter of the followed unit's car by its step; the table gives each
// index's parameter and step.
class TuningTest : public CameraScriptFunctionsTest {
protected:
    TuningTest() {
        followed.SetCar(&car);
        level.Level().mCameraTarget = &followed;
    }
    ~TuningTest() override { followed.SetCar(nullptr); }

    static std::vector<float> Values(const CPCar& c) {
        return {c.mRayOffsetX,    c.mRayStartZ,    c.mRayLength,    c.mWheelRadius,       c.mFrontMinRadius,
                c.mBackMinRadius, c.mSpringFront,  c.mSpringBack,   c.mDamping,           c.mMaxFrontSpeed,
                c.mMaxRearSpeed,  c.mFrictionFront, c.mFrictionBack, c.mSlide,            c.mAccelerationFront,
                c.mAccelerationBack, c.mBrake,     c.mInertionYaw,  c.mInertionPitch};
    }
    static constexpr float kSteps[19] = {0.01f, 0.01f, 0.01f, 0.01f, 0.01f, 0.01f, 1.0f, 1.0f, 10.0f, 1.0f,
                                         1.0f,  1.0f,  1.0f,  0.05f, 1.0f,  1.0f,  0.1f, 0.05f, 0.05f};

    FakeCar car;
    CPPlayer followed;
};

TEST_F(TuningTest, EachIndexMovesItsOwnParameterByItsStep) {
    for (int32_t index = 0; index < 19; ++index) {
        for (const char* call : {"Pright()", "Pleft()"}) {
            SCOPED_TRACE(std::to_string(index) + " " + call);
            render.mTuningIndex = index;
            std::vector<float> expected = Values(car);
            expected[static_cast<size_t>(index)] += std::string(call) == "Pright()" ? kSteps[index] : -kSteps[index];
            ASSERT_EQ(lua.Run(call), "");
            EXPECT_EQ(Values(car), expected);
        }
    }
}

TEST_F(TuningTest, DampingGoesDownByTenAndValuesAreNotClamped) {
    render.mTuningIndex = 8;
    car.mDamping = 5.0f;
    ASSERT_EQ(lua.Run("Pleft()"), "");
    EXPECT_EQ(car.mDamping, -5.0f);
    EXPECT_EQ(level.Player().GetCar()->mDamping, 150.0f) << "only the followed unit's car is tuned";
}

TEST_F(TuningTest, WithoutAnIndexInRangeOrSomethingToTuneNothingChanges) {
    const std::vector<float> before = Values(car);
    for (int32_t index : {-1, 19}) {
        render.mTuningIndex = index;
        ASSERT_EQ(lua.Run("Pleft()\nPright()"), "");
    }
    render.mTuningIndex = 8;
    {
        ScopedGlobal<PRender*> noRenderer(gRenderer, nullptr);
        ASSERT_EQ(lua.Run("Pleft()\nPright()"), "");
    }
    {
        ScopedGlobal<CPLevel*> noLevel(gLevel, nullptr);
        ASSERT_EQ(lua.Run("Pleft()\nPright()"), "");
    }
    followed.SetCar(nullptr);
    ASSERT_EQ(lua.Run("Pleft()\nPright()"), "") << "a followed unit without a car";
    followed.SetCar(&car);
    level.Level().mCameraTarget = nullptr;
    ASSERT_EQ(lua.Run("Pleft()\nPright()\nn = select('#', Pleft())"), "") << "no followed unit";
    EXPECT_EQ(lua.Number("n"), 0);
    EXPECT_EQ(Values(car), before);
    EXPECT_EQ(Values(*level.Player().GetCar()), Values(FakeCar())) << "the player's car is not the followed one";
}

TEST_F(CameraScriptFunctionsTest, DefaultCameraLooksFromXAtTheOriginOnLayer19) {
    ASSERT_EQ(lua.Run("SetDefaultCamera()"), "");
    const auto layer = render.GetLayers().find(19);
    ASSERT_NE(layer, render.GetLayers().end());
    auto* camera = dynamic_cast<CPPerspectiveCamera*>(layer->second.mCamera.Get());
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(camera->GetEye(), D3DXVECTOR3(1.0f, 0.0f, 0.0f));
    EXPECT_EQ(camera->GetTarget(), D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(camera->GetUp(), D3DXVECTOR3(0.0f, 0.0f, 1.0f));
    EXPECT_FLOAT_EQ(camera->GetFieldOfView(), 1.2217305f);
    EXPECT_FLOAT_EQ(camera->GetNear(), 1.0f);
    EXPECT_FLOAT_EQ(camera->GetFar(), 1000.0f);
    EXPECT_FALSE(camera->IsViewChanged()) << "the camera is updated before it is bound";
    DeleteDefaultCamera();
}

TEST_F(CameraScriptFunctionsTest, RepeatedDefaultCamerasLeaveOnlyTheLastOneBehind) {
    ASSERT_EQ(lua.Run("SetDefaultCamera()"), "");
    const size_t live = gObjectRegistry::Size();
    const ObjectHandle replaced = gObjectRegistry::HandleOf(LayerCamera(19));
    lua.SetHandle("first", LayerCamera(19));
    ASSERT_EQ(lua.Run("for i = 1, 20 do SetDefaultCamera() end"), "");
    EXPECT_EQ(gObjectRegistry::Size(), live) << "each call left a camera behind";
    EXPECT_EQ(gObjectRegistry::Find(replaced), nullptr) << "the replaced default camera is deleted";
    EXPECT_EQ(lua.Handle("first"), nullptr) << "a script's handle holds nothing and reads as nil";
    EXPECT_NE(LayerCamera(19), nullptr);
    DeleteDefaultCamera();
}

TEST_F(CameraScriptFunctionsTest, AReplacedDefaultCameraStillHeldElsewhereLivesUntilLetGo) {
    struct Holder {
        const char* what;
        std::function<void(CPBaseCamera*)> hold;
        std::function<void()> letGo;
    };
    const Holder holders[] = {
        {"another render layer", [this](CPBaseCamera* c) { render.SetLayerCamera(7, CPSmartPtr<CPBaseCamera>(c)); },
         [this] { render.SetLayerCamera(7, CPSmartPtr<CPBaseCamera>()); }},
        {"the current camera", [](CPBaseCamera* c) { g_pCurrentCamera = dynamic_cast<CPPerspectiveCamera*>(c); },
         [] { g_pCurrentCamera = nullptr; }},
    };
    ScopedGlobal<CPPerspectiveCamera*> current(g_pCurrentCamera, nullptr);
    for (const Holder& holder : holders) {
        ASSERT_EQ(lua.Run("SetDefaultCamera()"), "") << holder.what;
        CPBaseCamera* camera = LayerCamera(19);
        const ObjectHandle handle = gObjectRegistry::HandleOf(camera);
        holder.hold(camera);
        ASSERT_EQ(lua.Run("SetDefaultCamera()"), "") << holder.what;
        EXPECT_EQ(gObjectRegistry::Find(handle), camera) << holder.what << " still holds the replaced camera";
        EXPECT_NE(LayerCamera(19), camera) << holder.what;
        holder.letGo();
        ASSERT_EQ(lua.Run("SetDefaultCamera()"), "") << holder.what;
        EXPECT_EQ(gObjectRegistry::Find(handle), nullptr) << holder.what << ": deleted once nothing held it";
    }
    DeleteDefaultCamera();
}

TEST_F(CameraScriptFunctionsTest, ACameraSetDefaultCameraDidNotMakeIsReplacedButKept) {
    ASSERT_EQ(lua.Run("SetDefaultCamera()"), "");
    const ObjectHandle made = gObjectRegistry::HandleOf(LayerCamera(19));
    // Someone else's camera takes layer 19, then the scripts ask for the default camera again.
    CPPerspectiveCamera own;
    render.SetLayerCamera(19, CPSmartPtr<CPBaseCamera>(&own));
    ASSERT_EQ(lua.Run("SetDefaultCamera()"), "");
    EXPECT_EQ(gObjectRegistry::Find(gObjectRegistry::HandleOf(&own)), &own);
    EXPECT_NE(LayerCamera(19), &own);
    EXPECT_EQ(gObjectRegistry::Find(made), nullptr) << "the earlier default camera, held by nothing, is deleted";
    DeleteDefaultCamera();
}

TEST_F(CameraScriptFunctionsTest, TextureSizeIsTheImagesOwnSizeOrZero) {
    ScopedWorkingFolder folder;
    folder.Folder().Write("img/Panel.png", MakeImageFile(ImageKind::Png, 37, 21));
    folder.Folder().Write("img/broken.png", std::string("not an image"));
    ASSERT_EQ(lua.Run("w, h = GetTextureSize('img\\\\Panel.png')\n"
                      "mw, mh = GetTextureSize('img\\\\missing.png')\nbw, bh = GetTextureSize('img/broken.png')"),
              "");
    EXPECT_EQ(lua.Number("w"), 37);
    EXPECT_EQ(lua.Number("h"), 21);
    for (const char* name : {"mw", "mh", "bw", "bh"}) EXPECT_EQ(lua.Number(name), 0) << name;
    EXPECT_NE(lua.Run("GetTextureSize({})"), "") << "the path is a checked string";
}

}  // namespace
