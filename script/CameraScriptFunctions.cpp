#include "script/CameraScriptFunctions.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "Render/CPCamera.h"
#include "Render/PCamera.h"
#include "Render/PRender.h"
#include "core/Angles.h"
#include "core/ServiceGlobals.h"
#include "core/files/CPFileReader.h"
#include "platform/D3DX9Texture.h"
#include "platform/RuntimeRandom.h"
#include "script/ScriptCalls.h"
#include "simulation/level/CPLevel.h"
#include "simulation/units/CPPlayer.h"
#include "simulation/vehicle/CPCar.h"

namespace ScriptFunctions {
using namespace ScriptCalls;

namespace {
constexpr int32_t kDefaultCameraLayer = 19;
constexpr float kDefaultCameraFov = 1.2217305f;  // 70 degrees
constexpr int32_t kLastTuningIndex = 18;
constexpr int kLightValues = 15;
constexpr float kTopDownPitch = -kHalfPi;
constexpr float kLowPitch = -D3DX_PI / 12.0f;

// The level's race camera; null without a level or before the level made its camera.
CPCamera* RaceCamera() { return gLevel ? gLevel->mCamera : nullptr; }

// The car parameters the tuning index selects, in index order, each with the step of one key press.
struct TuningParameter {
    float CPCar::*field;
    float step;
};
constexpr TuningParameter kTuningParameters[kLastTuningIndex + 1] = {
    {&CPCar::mRayOffsetX, 0.01f},     {&CPCar::mRayStartZ, 0.01f},       {&CPCar::mRayLength, 0.01f},
    {&CPCar::mWheelRadius, 0.01f},    {&CPCar::mFrontMinRadius, 0.01f},  {&CPCar::mBackMinRadius, 0.01f},
    {&CPCar::mSpringFront, 1.0f},     {&CPCar::mSpringBack, 1.0f},       {&CPCar::mDamping, 10.0f},
    {&CPCar::mMaxFrontSpeed, 1.0f},   {&CPCar::mMaxRearSpeed, 1.0f},     {&CPCar::mFrictionFront, 1.0f},
    {&CPCar::mFrictionBack, 1.0f},    {&CPCar::mSlide, 0.05f},           {&CPCar::mAccelerationFront, 1.0f},
    {&CPCar::mAccelerationBack, 1.0f}, {&CPCar::mBrake, 0.1f},           {&CPCar::mInertionYaw, 0.05f},
    {&CPCar::mInertionPitch, 0.05f},
};

// Moves the selected parameter of the followed unit's car by `steps` of its step; values are not
// clamped. Nothing without the renderer, a level, a followed unit or its car, or with an index out of range.
void TuneSelectedParameter(float steps) {
    const PRender* renderer = gRenderer;
    CPPlayer* unit = FollowedUnit();
    CPCar* car = unit ? unit->GetCar() : nullptr;
    if (!renderer || !car) return;
    const int32_t index = renderer->mTuningIndex;
    if (index < 0 || index > kLastTuningIndex) return;
    const TuningParameter& parameter = kTuningParameters[index];
    car->*parameter.field += steps * parameter.step;
}

// The fifteen sun-light values in the order the scripts exchange them.
float* LightValue(D3DLIGHT9& light, int index) {
    float* const values[kLightValues] = {
        &light.Diffuse.r,  &light.Diffuse.g,  &light.Diffuse.b,  &light.Diffuse.a,  &light.Specular.r,
        &light.Specular.g, &light.Specular.b, &light.Specular.a, &light.Ambient.r,  &light.Ambient.g,
        &light.Ambient.b,  &light.Ambient.a,  &light.Direction.x, &light.Direction.y, &light.Direction.z};
    return values[index];
}
// A camera SetDefaultCamera made and has not deleted yet. The pointer keeps it reachable to the end
// (for the leak checker too); the handle says whether it still lives, since whoever else held it may
// have deleted it, and another object may have been built at its address since.
struct DefaultCamera {
    CPPerspectiveCamera* camera;
    ObjectHandle handle;
};

// The default cameras not deleted yet: the one on layer 19 and any it replaced that something still
// held. Never destroyed, like the object registry, so they stay reachable at exit.
std::vector<DefaultCamera>& DefaultCameras() {
    static auto* cameras = new std::vector<DefaultCamera>;
    return *cameras;
}

CPPerspectiveCamera* MakeDefaultCamera() {
    auto* camera = new CPPerspectiveCamera();
    camera->SetEye(D3DXVECTOR3(1.0f, 0.0f, 0.0f));
    camera->SetTarget(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    camera->SetUp(D3DXVECTOR3(0.0f, 0.0f, 1.0f));
    camera->SetFieldOfView(kDefaultCameraFov);
    camera->SetNear(1.0f);
    camera->SetFar(1000.0f);
    camera->Update();
    return camera;
}

// What holds a camera is what draws with it or reads it: a layer of the renderer (its counted slot) and
// the published current camera. The count cannot tell (any Release zeroes it), a script's handle holds
// nothing (it reads as nil once the camera is deleted), and the level holds only its race camera's own
// two cameras, which that camera makes and deletes.
bool IsCameraHeld(const PRender& renderer, const CPBaseCamera* camera) {
    if (camera == g_pCurrentCamera) return true;
    for (const auto& [key, layer] : renderer.GetLayers())
        if (layer.mCamera.Get() == camera) return true;
    return false;
}

// Deletes the default cameras made before that nothing holds any more; one still held is kept and
// looked at again by the next call. Cameras SetDefaultCamera did not make belong to their makers.
void DeleteUnheldDefaultCameras(const PRender& renderer) {
    std::vector<DefaultCamera>& cameras = DefaultCameras();
    std::vector<DefaultCamera> kept;
    for (const DefaultCamera& made : cameras) {
        if (gObjectRegistry::Find(made.handle) == nullptr) continue;  // already deleted by someone else
        if (IsCameraHeld(renderer, made.camera)) {
            kept.push_back(made);
            continue;
        }
        delete made.camera;
    }
    cameras.swap(kept);
}
}  // namespace

int SetDefaultCamera(lua_State*) {
    PRender* renderer = gRenderer;
    if (!renderer) return 0;
    CPPerspectiveCamera* camera = MakeDefaultCamera();
    renderer->SetLayerCamera(kDefaultCameraLayer, CPSmartPtr<CPBaseCamera>(camera));
    DeleteUnheldDefaultCameras(*renderer);
    DefaultCameras().push_back({camera, gObjectRegistry::HandleOf(camera)});
    return 0;
}

// The camera functions below are called by the scripts only while a level with its camera exists;
// without one they do nothing and answer nothing rather than touch a missing camera.
int SetCameraPos(lua_State* L) {
    CPCamera* camera = RaceCamera();
    D3DXVECTOR3 focus;
    // A focus that is not finite is refused: the camera keeps looking where it did.
    if (!camera || !ReadFiniteVector(L, 1, focus)) return 0;
    camera->mFocus = focus;
    camera->mChanged = true;
    return 0;
}

int SetCameraZAngle(lua_State* L) {
    CPCamera* camera = RaceCamera();
    const float yaw = ToFloat(L, 1);
    if (!camera || !std::isfinite(yaw)) return 0;
    camera->mYaw = yaw;
    camera->mChanged = true;
    return 0;
}

int GetCameraZAngle(lua_State* L) {
    CPCamera* camera = RaceCamera();
    if (!camera) return 0;
    lua_pushnumber(L, camera->mYaw);
    return 1;
}

int GetCameraPositions(lua_State* L) {
    CPCamera* camera = RaceCamera();
    if (!camera) return 0;
    const D3DXVECTOR3 eye = camera->GetViewCamera()->GetEye();
    const D3DXVECTOR3& second = camera->mFixedView ? camera->mFixedTarget : camera->mFocus;
    for (float value : {eye.x, eye.y, eye.z, second.x, second.y, second.z}) lua_pushnumber(L, value);
    return 6;
}

int SetFOV(lua_State* L) {
    CPCamera* camera = RaceCamera();
    const float degrees = ToFloat(L, 1);
    // A field of view that is not finite would leave the projection NaN: the camera keeps its own.
    if (!camera || !std::isfinite(degrees)) return 0;
    camera->mTargetFov = degrees;
    camera->mChanged = true;
    // A camera that never had a field of view takes it at once instead of easing up from 0.
    if (camera->mFov == 0.0f) {
        camera->mFov = degrees;
        camera->GetViewCamera()->SetFieldOfView(D3DXToRadian(degrees));
        camera->GetSecondCamera()->SetFieldOfView(D3DXToRadian(degrees));
    }
    return 0;
}

int GetFov1(lua_State* L) {
    if (!gLevel) return 0;
    lua_pushnumber(L, gLevel->mRaceViews[0].fov);
    return 1;
}

int GetFov2(lua_State* L) {
    if (!gLevel) return 0;
    lua_pushnumber(L, gLevel->mRaceViews[1].fov);
    return 1;
}

int GetCameraPlayer(lua_State* L) {
    if (!gLevel) return 0;
    lua_pushnumber(L, gLevel->mCameraMode);
    return 1;
}

int ChangeGameCamera(lua_State* L) {
    CPLevel* level = gLevel;
    if (!level) {
        lua_pushnumber(L, -1);
        return 1;
    }
    // 0, 1, 2 and round again; a mode outside the three views starts over at 0.
    const int32_t mode = level->mCameraMode;
    const int32_t next = mode >= 0 && mode < 2 ? mode + 1 : 0;
    level->SetCameraMode(next);
    lua_pushnumber(L, next);
    return 1;
}

int SetCameraPlayer(lua_State* L) {
    const int32_t view = ToBool(L, 1) ? 1 : 0;
    if (CPLevel* level = gLevel) level->SetCameraMode(view);
    return 0;
}

int SetCamera(lua_State* L) {
    CPCamera* camera = RaceCamera();
    if (!camera) return 0;
    CPLevel& level = *gLevel;
    const int32_t view = ToBool(L, 1) ? 1 : 0;
    if (level.mRollingView == view) return 0;
    level.mRollingView = view;
    level.mSpinTime = 0.0f;
    level.mSpinSign = RuntimeRand() % 2 == 0 ? -1.0f : 1.0f;
    if (view == 0) camera->mYaw = level.mHeading;
    // Three times in four the new view looks straight down.
    camera->mPitch = (RuntimeRand() & 3) != 0 ? kTopDownPitch : kLowPitch;
    camera->mChanged = true;
    return 0;
}

int GetLight(lua_State* L) {
    if (!gLevel) return 0;
    for (int i = 0; i < kLightValues; ++i) lua_pushnumber(L, *LightValue(gLevel->mSunLight, i));
    return kLightValues;
}

int SetLight(lua_State* L) {
    if (!gLevel) return 0;
    // Like a screen effect, a light value that is not finite counts as 0.
    for (int i = 0; i < kLightValues; ++i) *LightValue(gLevel->mSunLight, i) = ToFiniteFloat(L, i + 1);
    return 0;
}

// A screen-effect value that is not finite counts as 0: the effect is off rather than drawn with NaN.
int SetMotionBlur(lua_State* L) {
    if (PRender* renderer = gRenderer) renderer->SetMotionBlur(ToFiniteFloat(L, 1));
    return 0;
}

int SetRadialBlur(lua_State* L) {
    if (PRender* renderer = gRenderer) renderer->mRadialBlurAmount = ToFiniteFloat(L, 1);
    return 0;
}

int SetLightCoeff(lua_State* L) {
    if (PRender* renderer = gRenderer) renderer->mLightCoeff = ToFiniteFloat(L, 1);
    return 0;
}

int SetFade(lua_State* L) {
    if (PRender* renderer = gRenderer) renderer->SetFadeLevel(ToFiniteFloat(L, 1));
    return 0;
}

int GetTextureSize(lua_State* L) {
    const std::string path = CheckedString(L, 1);
    UINT width = 0;
    UINT height = 0;
    PRender* renderer = gRenderer;
    CPFileReader file(path, false);
    if (renderer && renderer->GetDevice() && SUCCEEDED(file.Load())) {
        D3DXIMAGE_INFO info{};
        IDirect3DTexture9* texture = nullptr;
        if (SUCCEEDED(D3DXCreateTextureFromFileInMemoryEx(renderer->GetDevice(), file.GetData(), file.GetSize(),
                                                          D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                                          D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                                          D3DX_DEFAULT, 0, &info, nullptr, &texture))) {
            width = info.Width;
            height = info.Height;
        }
        if (texture) texture->Release();
    }
    lua_pushnumber(L, width);
    lua_pushnumber(L, height);
    return 2;
}

int Pup(lua_State*) {
    if (PRender* renderer = gRenderer) renderer->mTuningIndex = std::max(renderer->mTuningIndex - 1, 0);
    return 0;
}

int Pdown(lua_State*) {
    if (PRender* renderer = gRenderer)
        renderer->mTuningIndex = std::min(renderer->mTuningIndex + 1, kLastTuningIndex);
    return 0;
}

int Pleft(lua_State*) {
    TuneSelectedParameter(-1.0f);
    return 0;
}

int Pright(lua_State*) {
    TuneSelectedParameter(1.0f);
    return 0;
}

}  // namespace ScriptFunctions
