#include "simulation/vehicle/CPCar.h"

#include <tinyxml.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "Sound/NSound.h"
#include "core/CPCommandDispatcher.h"
#include "core/CPGameObject.h"
#include "core/ServiceGlobals.h"
#include "core/files/XmlAttributes.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/physics/PhysController.h"
#include "simulation/physics/PhysRigidBody.h"
#include "simulation/physics/PhysSensor.h"

namespace {
// A camera parameter: 0 when the attribute is missing or unusable.
float CameraValue(const TiXmlElement* element, const char* name) {
    float value = 0.0f;
    ReadFloatAttribute(element, name, value);
    return value;
}

std::string Lowered(const char* text) {
    std::string out = text ? text : "";
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}
}  // namespace

CPCar::CPCar(CPGameObject* owner) : mOwner(owner) {
    D3DXMatrixIdentity(&mBodyTransform);
    D3DXMatrixIdentity(&mInverseTransform);
}

CPCar::~CPCar() {
    // The controller stays in the world's pool, and the step would call its handler: this car.
    if (mController && mController->handler == this) mController->handler = nullptr;
    for (CPSmartPtr<CNSound>& sound : mSounds)
        if (sound && gObjectRegistry::Contains(sound.Get())) sound->Stop();
    // The sounds are the car's own instances, which no cache holds: releasing them would free nothing,
    // so the car deletes them (a car per unit per level load would otherwise leak its four buffers).
    for (int32_t slot = kSoundSlots - 1; slot >= 0; --slot) {
        CNSound* sound = mSounds[slot].Get();
        ReleaseIfAlive(mSounds[slot]);
        if (sound && gObjectRegistry::Contains(sound)) delete sound;
    }
    // Wheel objects that their owner deleted first are only forgotten.
    for (CPSmartPtr<CPGameObject>& wheel : mWheelObjects) ReleaseIfAlive(wheel);
}

void CPCar::LoadDescription(bool post) {
    mDescriptionValues = 0;
    if (!mOwner) return;
    TiXmlHandle document(&mOwner->GetDescription());
    TiXmlHandle physics = document.FirstChildElement("physics");
    if (const TiXmlElement* element = physics.ToElement()) {
        const char* debug = element->Attribute("debug");
        mDebug = debug && std::string(debug) == "true";
        if (debug) ++mDescriptionValues;
    }
    if (const TiXmlElement* wheels = physics.FirstChildElement("geometry").FirstChildElement("wheels").ToElement())
        ReadWheelGeometry(*wheels);

    TiXmlHandle params = physics.FirstChildElement("params");
    const TiXmlElement* springs = params.FirstChildElement("wheels").ToElement();
    TakeValue(springs, "spring1", mSpringFront);
    TakeValue(springs, "spring2", mSpringBack);
    TakeValue(springs, "damping", mDamping);
    const TiXmlElement* speed = params.FirstChildElement("speed").ToElement();
    TakeValue(speed, "max_front_speed", mMaxFrontSpeed);
    TakeValue(speed, "max_rear_speed", mMaxRearSpeed);
    const TiXmlElement* acceleration = params.FirstChildElement("acceleration").ToElement();
    if (speed && speed->Attribute("angle") && post && gCommandDispatcher)
        PostCameraParams(*speed, acceleration, document.FirstChildElement("camera").ToElement());
    const TiXmlElement* friction = params.FirstChildElement("friction").ToElement();
    TakeValue(friction, "front", mFrictionFront);
    TakeValue(friction, "back", mFrictionBack);
    TakeValue(friction, "slide", mSlide);
    TakeValue(acceleration, "front", mAccelerationFront);
    TakeValue(acceleration, "back", mAccelerationBack);
    TakeValue(acceleration, "brake", mBrake);
    const TiXmlElement* inertion = params.FirstChildElement("inertion").ToElement();
    TakeValue(inertion, "yaw", mInertionYaw);
    TakeValue(inertion, "pitch", mInertionPitch);

    const TiXmlElement* shadow = document.FirstChildElement("render").FirstChildElement("shadow").ToElement();
    if (const char* name = shadow ? shadow->Attribute("name") : nullptr) {
        mRenderName = name;
        ++mDescriptionValues;
    }
}

void CPCar::TakeValue(const TiXmlElement* element, const char* name, float& field) {
    // Every value the description gives is counted: a description that gives none leaves the car on
    // its defaults, which the level load reports.
    if (ReadFloatAttribute(element, name, field)) ++mDescriptionValues;
}

void CPCar::ReadWheelGeometry(const TiXmlElement& wheels) {
    double count = 0.0;
    // The wheel arrays hold kMaxWheels: a count outside 0..8 is clamped, one that is no number ignored.
    if (wheels.QueryDoubleAttribute("count", &count) == TIXML_SUCCESS && std::isfinite(count)) {
        mWheelCount = static_cast<int32_t>(std::clamp(count, 0.0, static_cast<double>(kMaxWheels)));
        ++mDescriptionValues;
    }
    TakeValue(&wheels, "x", mRayOffsetX);
    TakeValue(&wheels, "y", mRayStartZ);
    TakeValue(&wheels, "length", mRayLength);
    TakeValue(&wheels, "radius", mWheelRadius);
    TakeValue(&wheels, "front_min_radius", mFrontMinRadius);
    TakeValue(&wheels, "back_min_radius", mBackMinRadius);
    TakeValue(&wheels, "width", mWidth);
    if (const char* fixed = wheels.Attribute("fixed")) {
        const std::string pin = Lowered(fixed);
        mFixedMin = pin == "min";
        mFixedMax = pin == "max";
        ++mDescriptionValues;
    }
}

void CPCar::PostCameraParams(const TiXmlElement& speed, const TiXmlElement* acceleration, const TiXmlElement* camera) {
    // The chase camera's angle, field-of-view divisor and acceleration and speed factors go to "jeep".
    char text[256];
    std::snprintf(text, sizeof text, "%.2f,%.2f,%.2f,%.2f", static_cast<double>(CameraValue(&speed, "angle")),
                  static_cast<double>(CameraValue(camera, "fov_div")),
                  static_cast<double>(CameraValue(acceleration, "accel_front")),
                  static_cast<double>(CameraValue(acceleration, "accel_back")));
    gCommandDispatcher->SendByName("jeep", "set_car_params", text);
    std::snprintf(text, sizeof text, "%.2f,%.2f", static_cast<double>(CameraValue(acceleration, "speed_front")),
                  static_cast<double>(CameraValue(acceleration, "speed_back")));
    gCommandDispatcher->SendByName("jeep", "set_car_params2", text);
}

void CPCar::CreateBody(PhysWorld* /*world*/, bool post) {
    mMainPose = true;
    mCrashed = false;
    mCrashTime = 0.0f;
    mTumbleAngle = 0.0f;
    mSpinAngle = 0.0f;
    mCameraSteer = 0.0f;
    mStopPose = false;
    mNitroPose = false;
    mPushAmount = 0.0f;
    mPitchMagnitude = 0.0f;
    mVisualYaw = 0.0f;
    mVisualPitch = 0.0f;
    mSoundTimer = 0.0f;
    mHeld = false;

    LoadDescription(post);
    mLevel = gLevel;
    if (!mOwner) return;

    // A wheel without its "w%d" child has no place for its ray: it stays without a sensor and never
    // touches ground.
    for (int32_t i = 0; i < mWheelCount; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "w%d", static_cast<int>(i));
        mWheelObjects[i] = mOwner->GetChild(name);
        if (mWheelObjects[i]) mWheelObjects[i]->SetVisible(false);
    }

    CPPhysicData* data = mOwner->GetPhysicData();
    PhysRigidBody* body = data ? data->mRigidBody : nullptr;
    for (int32_t i = 0; i < mWheelCount; ++i) {
        mWheelOffsets[i] = mWheelRadius - mRayLength;
        CPGameObject* wheel = mWheelObjects[i].Get();
        if (!wheel) continue;
        const float side = i % 2 == 0 ? 1.0f : -1.0f;
        const D3DXVECTOR3& p = wheel->GetPosition();
        const D3DXVECTOR4 start(p.x - side * mRayOffsetX, p.y, mRayStartZ, 1.0f);
        const D3DXVECTOR4 direction(0.0f, 0.0f, -mRayLength, 0.0f);
        mMountPoints[i] = D3DXVECTOR4(p.x, p.y, mRayStartZ, 0.0f);
        mRayEnds[i] = D3DXVECTOR3(start.x + direction.x, start.y + direction.y, 0.0f);
        // A sensor pool that ran out (the world reports it) leaves this wheel without a ray.
        mSensors[i] = body ? body->AddSensor() : nullptr;
        if (mSensors[i]) mSensors[i]->SetRay(start, direction);
    }
    if (body && !mController) mController = body->AddController(this, 0);
    for (int32_t i = 0; i < kMaxWheels; ++i) mDustPositions[i] = mRayEnds[i];
    if (data) data->SetupBody();

    const char* const found[] = {"backlights", "backlights2", "backlights01", "backlights201"};
    for (int32_t k = 0; k < 4; ++k) mRearLights[k] = mOwner->FindObject(found[k]).Get();
    mRearLights[kOwnBacklights] = mOwner->GetChild("_backlights").Get();
    mRearLights[kOwnBacklights2] = mOwner->GetChild("_backlights2").Get();
    for (int32_t k : {kBacklights, kBacklights01, kOwnBacklights}) ShowLight(k, true);
    for (int32_t k : {kBacklights2, kBacklights201, kOwnBacklights2}) ShowLight(k, false);
    if (CPSmartPtr<CPGameObject> alternate = mOwner->FindObject("bike01")) alternate->SetVisible(false);
}

void CPCar::ForgetBody() {
    for (PhysSensor*& sensor : mSensors) sensor = nullptr;
    mController = nullptr;
}

void CPCar::ShowLight(int32_t index, bool visible) {
    if (CPGameObject* light = mRearLights[index]) light->SetVisible(visible);
}

float* CPCar::TuningParameter(int32_t index) {
    float* const parameters[kTuningParameters] = {
        &mRayOffsetX,    &mRayStartZ,     &mRayLength,     &mWheelRadius,       &mFrontMinRadius,
        &mBackMinRadius, &mSpringFront,   &mSpringBack,    &mDamping,           &mMaxFrontSpeed,
        &mMaxRearSpeed,  &mFrictionFront, &mFrictionBack,  &mSlide,             &mAccelerationFront,
        &mAccelerationBack, &mBrake,      &mInertionYaw,   &mInertionPitch};
    if (index < 0 || index >= kTuningParameters) return nullptr;
    return parameters[index];
}

CPSmartPtr<CPGameObject> CPCar::FindPart(Part part) {
    if (!mOwner || part < 0 || part >= kParts) return CPSmartPtr<CPGameObject>();
    if (mFoundParts.owner != mOwner || mFoundParts.stamp != mOwner->GetTreeStamp()) {
        mFoundParts = FoundParts();
        mFoundParts.owner = mOwner;
        mFoundParts.stamp = mOwner->GetTreeStamp();
    }
    if (!mFoundParts.searched[part]) {
        CPSmartPtr<CPGameObject> found = mOwner->FindObject(kPartNames[part]);
        mFoundParts.parts[part] = found.Get();
        mFoundParts.searched[part] = true;
        return found;
    }
    // A new hold, as the search hands out: the part's count goes as it would with a search.
    return CPSmartPtr<CPGameObject>(mFoundParts.parts[part]);
}

