// The raycast-wheel vehicle of a race unit: the unit's rigid body is the chassis, each wheel a downward
// ray sensor on it. The car reads its parameters from the unit's XML description, turns the wheel rays
// into forces every physics step, and poses, lights and voices the unit's model.
#pragma once

#include <cstdint>
#include <string>

#include "core/CPRefObject.h"
#include "core/CPSmartPtr.h"
#include "platform/D3DX9Math.h"
#include "simulation/physics/PhysStepHandler.h"

class CNSound;
class CPGameObject;
class CPLevel;
class PhysRigidBody;
struct PhysSensor;
class PhysWorld;
class TiXmlElement;
struct PhysController;

// The abstract vehicle root: a reference-counted object with no fields of its own.
class CPCarBase : public CPRefObject {
public:
    size_t GetSize() const override = 0;
    std::string GetClassName() const override = 0;
};

class CPCar : public CPCarBase, public PhysStepHandler {
public:
    static constexpr int32_t kMaxWheels = 8;
    static constexpr int32_t kSoundSlots = 14;
    // The sound slots the game world fills.
    static constexpr int32_t kCrashSound = 0;   // "slam.wav"
    static constexpr int32_t kEngineSound = 2;  // "main.wav"
    static constexpr int32_t kSkidSound = 10;   // "vizg.wav"
    static constexpr int32_t kBrakeSound = 11;  // "stop.wav"
    // The rear light objects, by index into mRearLights.
    enum RearLight : int32_t {
        kBacklights,      // "backlights"
        kBacklights2,     // "backlights2"
        kBacklights01,    // "backlights01"
        kBacklights201,   // "backlights201"
        kOwnBacklights,   // "_backlights", a direct child
        kOwnBacklights2,  // "_backlights2", a direct child
        kRearLights
    };
    // The named objects of the model that the car poses every step, by index into kPartNames.
    enum Part : int32_t {
        kPartBike,          // "bike", the main pose
        kPartBike01,        // "bike01", the pitched pose
        kPartCar2,          // "car2", the crashed body
        kPartFrontWheel,    // "w0_"
        kPartFrontWheel01,  // "w0_01"
        kPartRearWheel,     // "w2_"
        kPartRearWheel01,   // "w2_01"
        kParts
    };
    static constexpr const char* kPartNames[kParts] = {"bike", "bike01", "car2", "w0_", "w0_01", "w2_", "w2_01"};
    static constexpr int32_t kTuningParameters = 19;
    static constexpr float kMaxSteer = 0.7f;  // radians

    // Sets the initial values and stores the owner; touches neither the body nor the description.
    explicit CPCar(CPGameObject* owner);
    // Stops and deletes its sounds (its own instances) and lets go of the wheel objects; a controller
    // still registered on the chassis is told to call nobody, so a car may die before its world.
    ~CPCar() override;
    CPCar(const CPCar&) = delete;
    CPCar& operator=(const CPCar&) = delete;

    size_t GetSize() const override { return sizeof(CPCar); }
    std::string GetClassName() const override { return "CPCar"; }

    // Reads the owner's description; with `post`, a "speed" element with an "angle" also sends the
    // camera parameters to "jeep". A value that is missing or unusable keeps the field's default;
    // mDescriptionValues counts those taken.
    void LoadDescription(bool post);
    // Builds the wheels on the owner's rigid body (see the .cpp for the steps); `world` is not used.
    // Needs the owner's description, physical data with a rigid body, and its "w%d" children.
    void CreateBody(PhysWorld* world, bool post);

    // --- the vehicle step (CPCarStep.cpp)
    void OnStep(PhysController* controller, float seconds) override { OnPhysicsStep(controller, seconds); }
    void OnPhysicsStep(PhysController* controller, float seconds);
    // Adds wheel i's spring, damping, side friction and drive (or holding) forces and torques for a step
    // of `seconds`; the side friction never pushes harder than stopping the wheel's slip in that step takes.
    void UpdateWheel(int32_t i, float seconds, D3DXVECTOR3& force, D3DXVECTOR3& torque);

    // --- controls, crash, wheel meshes and sounds (CPCarControls.cpp)
    void SetControls(float throttle, float steer);
    void SetBrakeLights(bool brake, bool drift);
    void SetStopLights(bool stop);
    void SetCrashed(bool on);
    void UpdateWheelMeshes(int32_t i, float seconds, const D3DXVECTOR3& velocity);
    static D3DXQUATERNION MakeWheelMatrix(float angle);
    // The owner's descendant named as the part (CPGameObject::FindObject); empty without an owner or
    // such a descendant. The search runs again only after the owner's tree changed (its tree stamp).
    CPSmartPtr<CPGameObject> FindPart(Part part);

    // The tuning parameter of an index 0..18 (ray offset x, ray start z, ray length, wheel radius, front
    // and back min radius, springs, damping, max speeds, frictions, slide, accelerations, brake, inertions);
    // null for another index.
    float* TuningParameter(int32_t index);

    // Forgets the sensors and the controller without touching them: their world is going away.
    void ForgetBody();

    CPGameObject* GetOwner() const { return mOwner; }
    PhysController* GetController() const { return mController; }

    float mYawDegrees = 0.0f;    // visual yaw of the pose objects, degrees (step)
    float mPitchDegrees = 0.0f;  // visual pitch of the pose objects, degrees (step)
    bool mMainPose = true;       // "bike" shown (else "bike01"); the ghost recorder samples it
    float mTumbleAngle = 0.0f;   // rotation of "car2" about its x axis after a crash, radians
    float mTumbleRate = 0.0f;    // set by the crash
    bool mCrashed = false;
    float mCrashTime = 0.0f;     // seconds since the crash began
    float mSpinTarget = 0.0f;    // yaw "car2" turns towards after a crash, +-pi/2
    float mSpinAngle = 0.0f;     // current yaw of "car2", radians
    // Steering offset of the chase camera, radians: the car's drift as the camera turns by it (step).
    float mCameraSteer = 0.0f;
    bool mStopPose = false;      // the stop input pitched the body forward this step
    bool mNitroPose = false;     // nitro pitched the body up this step
    float mPushAmount = 0.0f;    // low-passed forward speed of the braking push
    float mPitchMagnitude = 0.0f;  // -|visual pitch|
    // Lean of the pose objects about the car's forward axis, radians; the chase camera rolls by half of it.
    float mVisualYaw = 0.0f;
    float mVisualPitch = 0.0f;   // radians
    PhysSensor* mSensors[kMaxWheels] = {};  // one ray per wheel; owned by the world's pool
    std::string mRenderName;     // "render"/"shadow" name; the vehicle shadow reads it
    int32_t mDescriptionValues = 0;  // values the last LoadDescription took; 0: all are defaults
    bool mPlayerCar = false;     // the player's car: extra messages and effects
    float mFrontMinRadius = 0.0f;  // upper bound of a front wheel's offset
    float mBackMinRadius = 0.0f;   // upper bound of a rear wheel's offset
    float mAccelerationFront = 100.0f;  // drive factor of forward throttle
    float mAccelerationBack = 100.0f;   // drive factor of reverse throttle
    float mInertionYaw = 0.0f;     // read and tunable; no step uses it
    float mInertionPitch = 0.1f;   // scales the torque of the holding force
    bool mFixedMin = false;        // wheel offsets pinned to the min radius
    bool mFixedMax = false;        // wheel offsets pinned to full extension
    bool mStopInput = false;
    bool mBrakeInput = false;
    float mBrake = 100.0f;         // read and tunable; no step uses it
    float mRayLength = 1.5f;
    float mRayOffsetX = 0.0f;      // sideways offset of a ray's start from its wheel object
    float mRayStartZ = 0.0f;       // body z of the ray starts
    CPGameObject* mOwner;          // the race unit; not counted
    CPLevel* mLevel = nullptr;     // gLevel at CreateBody; kept, not read again
    float mDustCount[kMaxWheels] = {};  // puffs emitted per wheel
    D3DXVECTOR3 mRayEnds[kMaxWheels];   // x and y of each ray's far end, z 0
    D3DXVECTOR3 mDustPositions[kMaxWheels];  // where each wheel last emitted dust
    bool mAirborne[kMaxWheels] = {true, true, true, true, true, true, true, true};
    float mSpinAngles[kMaxWheels] = {};     // wheel turn about its axle, radians
    float mRollingSpeeds[kMaxWheels] = {};  // contact point speed along the body's y axis, negated
    D3DXVECTOR3 mContactPoints[kMaxWheels];  // world
    D3DXVECTOR4 mMountPoints[kMaxWheels];    // wheel object x, y and the ray start z
    float mWheelOffsets[kMaxWheels] = {};    // distance of the wheel from its rest height
    bool mTouching[kMaxWheels] = {};         // touched ground this step
    CPSmartPtr<CPGameObject> mWheelObjects[kMaxWheels];  // the owner's "w0", "w1", ...
    bool mDriftInput = false;
    bool mDebug = false;           // draw each wheel ray as a debug line
    float mSlideAmount = 0.0f;     // current sideways sliding, 0 .. slide
    int32_t mSoundStamp = 0;       // gFrameCounter at the last sound update
    CPSmartPtr<CNSound> mSounds[kSoundSlots];  // the car's own instances, deleted with it
    D3DXMATRIX mBodyTransform;     // rows: body x, y, z axes and position (step)
    D3DXMATRIX mInverseTransform;  // world to body (step)
    float mNitroReserve = 100.0f;  // the race unit consumes and refills it
    float mNitro = 0.0f;
    int32_t mWheelCount = 4;       // 0 .. kMaxWheels
    float mDrive = 0.0f;           // throttle x acceleration
    float mSteer = 0.0f;           // radians, within +-kMaxSteer
    float mSlide = 0.9f;           // slide amount while drifting
    D3DXVECTOR3 mWheelHeading;     // steered wheel direction, horizontal unit (step)
    float mSpeed = 0.0f;           // |body velocity| (step)
    float mWheelRadius = 0.5f;
    float mSpringFront = 140.0f;   // spring constant of wheels 0 and 1
    float mSpringBack = 150.0f;    // spring constant of wheels 2 and up
    float mDamping = 150.0f;
    float mMaxFrontSpeed = 30.0f;  // read and tunable; no step uses it
    float mMaxRearSpeed = 15.0f;   // read and tunable; no step uses it
    float mFrictionFront = 100.0f;
    float mFrictionBack = 240.0f;
    D3DXVECTOR3 mVelocity;         // body velocity, world units per second (step)
    D3DXVECTOR3 mNitroPush;        // nitro force of the current step
    float mWidth = 0.0f;           // read and tunable; no step uses it
    // "backlights", "backlights2", "backlights01", "backlights201", "_backlights", "_backlights2";
    // not counted, null when the model has none.
    CPGameObject* mRearLights[kRearLights] = {};
    bool mControlsSet = false;
    bool mHeld = false;            // the race unit is locked
    D3DXVECTOR3 mContactSum;       // a quarter of the sum of this step's contact points
    float mSoundTimer = 0.0f;      // seconds since the 3D sound positions were last moved
    float mEnginePitch = 0.0f;     // frequency factor of the engine sound

private:
    // Where one wheel's ray meets the ground in this step; arms are offsets from the body's position.
    struct WheelContact {
        D3DXVECTOR3 hit;       // the ground point
        D3DXVECTOR3 normal;    // the ground's normal, turned to point up
        D3DXVECTOR3 rayStart;  // the ray's start: where the spring and damper act
        D3DXVECTOR3 arm;       // the hit point: where the side grip and the drive act
        D3DXVECTOR3 velocity;  // the body's velocity at the hit point
    };

    // The stages of the vehicle step (CPCarStep.cpp), in the order it runs them.
    void FadeSlide(float dt);
    // Reads the body's transform and keeps its inverse.
    void ReadBodyFrame(PhysRigidBody& body);
    // The steered wheels' heading, flat in the ground plane.
    void SteerWheels(const PhysRigidBody& body);
    void WindDownCrashedDrive(int32_t difficulty, float dt);
    // Moves the visual pitch and chooses the main, stop or nitro pose from it.
    void PitchIntoPose(float dt);
    // The visual yaw, and the crashed body's spin and tumble.
    void LeanAndSpin(int32_t difficulty, float dt);
    // Shows the pose object of the pose and turns it and "car2"; sets the lights.
    void ShowPose();
    // The rotation of "car2" by the tumble and spin angles; made again only when they change (bit for
    // bit), which they do only after a crash.
    const D3DXQUATERNION& CrashedBodyPose();
    void PushWithNitro(float dt);
    // The stop pedal's or the brake's push against the speed along the body.
    D3DXVECTOR3 BrakingPush(const PhysRigidBody& body, float dt);

    // The stages of UpdateWheel for a wheel whose ray found ground.
    WheelContact TouchGround(int32_t i, const PhysSensor& sensor, float depth, const PhysRigidBody* body);
    void AddSuspension(int32_t i, const WheelContact& contact, float depth, const PhysRigidBody* body,
                       D3DXVECTOR3& force, D3DXVECTOR3& torque) const;
    void AddSideGrip(int32_t i, const WheelContact& contact, const PhysRigidBody* body, float seconds,
                     D3DXVECTOR3& force, D3DXVECTOR3& torque) const;
    void AddHolding(int32_t i, const WheelContact& contact, D3DXVECTOR3& force, D3DXVECTOR3& torque) const;
    void AddDrive(int32_t i, const WheelContact& contact, D3DXVECTOR3& force, D3DXVECTOR3& torque);

    // The stages of LoadDescription: a value read into its field and counted, the wheels' geometry, and
    // the camera parameters posted to "jeep".
    void TakeValue(const TiXmlElement* element, const char* name, float& field);
    void ReadWheelGeometry(const TiXmlElement& wheels);
    void PostCameraParams(const TiXmlElement& speed, const TiXmlElement* acceleration, const TiXmlElement* camera);

    void ShowLight(int32_t index, bool visible);
    // The wheels whose rays found ground in this step: they share the body's side grip.
    int32_t GroundedWheels() const;
    void UpdateSounds();

    PhysController* mController = nullptr;  // registered by CreateBody; owned by the world's pool
    // What FindPart found, for the owner and tree stamp it was found in.
    struct FoundParts {
        const CPGameObject* owner = nullptr;  // not owned; null: nothing kept
        uint64_t stamp = 0;
        CPGameObject* parts[kParts] = {};  // not owned; null: no such part
        bool searched[kParts] = {};
    };
    FoundParts mFoundParts;
    // A pose rotation and the angles (radians) it was made from.
    struct KeptPose {
        float aboutX = 0.0f;
        float aboutY = 0.0f;
        D3DXQUATERNION rotation;
        bool made = false;  // rotation holds the rotation by aboutX and aboutY
    };
    KeptPose mCrashedBodyPose;

    // A wheel's drive direction (unit) and the slope it climbs (radians), as made from what it depends
    // on: the front wheels' heading, or a rear wheel's body x axis and ground normal. Both front wheels
    // share one in a step, and so do rear wheels on one plane; each is made again when its inputs'
    // bits change (see AddDrive).
    struct DriveDirection {
        D3DXVECTOR3 from[2];
        D3DXVECTOR3 direction;
        float slope = 0.0f;
        bool valid = false;
    };
    const DriveDirection& FrontDriveDirection();
    const DriveDirection& RearDriveDirection(const D3DXVECTOR3& normal);
    // `towards` made unit, and the angle between it and its flat part.
    static void LayDriveDirection(const D3DXVECTOR3& towards, DriveDirection& out);
    DriveDirection mFrontDrive;
    DriveDirection mRearDrive;
    // The quarter turn about the body's x axis that lays a rear wheel's ground normal along the ground.
    D3DXVECTOR3 mRearTurnAxis;
    D3DXMATRIX mRearTurn;
    bool mRearTurnValid = false;
};
