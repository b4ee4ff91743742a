// The race's chase camera: two perspective cameras (the main view and a second view reaching 2000
// units) kept on one eye, target and up, placed every frame behind and above the player's car with
// eased yaw, distance, field of view and pitch, a crash shake and the car's roll. A fixed view mode
// copies an eye, a target and an up vector set from outside instead.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Render/PCamera.h"
#include "core/CPRefObject.h"
#include "core/CPSmartPtr.h"
#include "platform/D3DX9Math.h"

class CPCamera : public CPRefObject {
public:
    // Every value 0 except the yaw (-pi/2) and the changed flag (set). Makes both perspective cameras
    // (near 1, up +z, far "distance" and 2000) and publishes the main one as g_pCurrentCamera.
    CPCamera();
    // Deletes both perspective cameras (they leave the renderer's layers and g_pCurrentCamera) and lets
    // go of the references held for the game code.
    ~CPCamera() override;

    size_t GetSize() const override { return sizeof(CPCamera); }
    std::string GetClassName() const override { return "CPCamera"; }

    // One frame: places both cameras from the inputs below and gLevel's player car, then updates them.
    // Without a level, a player unit or its car the frame is skipped.
    void Update();
    // PRender::SetLayerCamera(key, main or second camera); the level start passes 16 and 120.
    void AttachMainView(int32_t key);
    void AttachSecondView(int32_t key);
    // The main perspective camera, counted.
    CPSmartPtr<CPPerspectiveCamera> GetViewCamera() const { return mMainCamera; }
    CPSmartPtr<CPPerspectiveCamera> GetSecondCamera() const { return mSecondCamera; }

    // ---- State of the last update ----
    D3DXVECTOR3 mSide;          // view direction x up of the last placing; the crash shake swings along it
    float mDriftFollow = 0.0f;  // eased copy of the car's drift, radians
    float mDistance = 0.0f;     // current distance, eased towards mTargetDistance
    // ---- Inputs, written by the level and the camera script functions ----
    float mTargetDistance = 0.0f;
    float mYaw;                  // radians: the raw yaw of the last update; -pi/2 after construction
    float mReferenceYaw = 0.0f;  // an update with mChanged clear and mYaw equal to this does nothing
    float mPitch = 0.0f;         // radians of elevation: pi/2 - pitch is the angle from the vertical
    bool mChanged = true;        // raised by whoever changes an input; the update never clears it
    float mFov = 0.0f;           // degrees, eased towards mTargetFov
    float mTargetFov = 0.0f;     // degrees
    D3DXVECTOR3 mFocus;          // the point the camera orbits
    CPSmartPtr<CPRefObject> mPartitionRoot;           // held for the level code only
    std::vector<CPSmartPtr<CPRefObject>> mHeldObjects;  // held for the game code only
    bool mFixedView = false;     // use the three fixed vectors as they are
    D3DXVECTOR3 mFixedTarget;
    D3DXVECTOR3 mFixedEye;
    D3DXVECTOR3 mFixedUp;
    // ---- Crash shake ----
    D3DXVECTOR3 mShakeTarget;    // where the shake offset is heading
    D3DXVECTOR3 mShakeOffset;    // added to the look-at point
    float mShakeAmplitude = 0.0f;
    // ---- Speed inputs and the values eased from them ----
    float mReferenceSpeed = 0.0f;      // divisor of the speed in the pitch terms; 0 drops those terms
    float mPreviousSpeed = 0.0f;
    float mSpeed = 0.0f;
    float mEasedAmplitude = 0.0f;      // eased shake amplitude
    float mDistanceSpeedScale = 0.0f;  // divisor of the speed in the distance; 0 drops those terms
    float mPitchOffsetBase = 0.0f;     // radians
    // Fed by the race every frame; the placing reads the car's own roll and height instead.
    float mTargetHeight = 0.0f;       // z of the followed unit
    float mVelocityMagnitude = 0.0f;  // |velocity| of the followed car, units per second
    float mTilt = 0.0f;               // radians: acos(up.z) of the followed unit, negative when upside down
    float mPitchOffset = 0.0f;         // radians, eased
    float mSmoothedYaw = 0.0f;         // radians, eased towards mYaw the short way round

private:
    // Gives both perspective cameras one eye, target and up.
    void PlaceCameras(const D3DXVECTOR3& eye, const D3DXVECTOR3& target, const D3DXVECTOR3& up);
    // The crash shake of step dt for a car crashed (or not) as given.
    void UpdateShake(bool crashed, float crashTime, float dt);

    CPSmartPtr<CPPerspectiveCamera> mMainCamera;    // owned
    CPSmartPtr<CPPerspectiveCamera> mSecondCamera;  // owned
};
