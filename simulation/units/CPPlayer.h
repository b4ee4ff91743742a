// A race unit: the game object named "PLAYER" that the level makes for the player and for every enemy.
// It carries the unit's car and owns what it hands to it (controls, locks, nitro), its damage, life and
// side, its weapon state, the timers of its pick-up effects, its shadow and its respawn fade.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "core/CPGameObject.h"
#include "platform/D3DX9Math.h"
#include "simulation/level/ShopRecords.h"

class CPCamera;
class CPCar;
class CPLevel;
struct CPEffectParticle;
class CPRenderQueue;
struct BonusEntry;

// Side bits of CPPlayer::mSideFlags.
enum UnitSide : int32_t {
    kSideSelvanta = 1,
    kSideOrvanta = 2,
    kSideThird = 4,
    kSidePlayer = 8,  // the player's own unit: it reports its messages to the player's interface
};

class CPPlayer : public CPGameObject {
public:
    // Squared distance from the camera within which a unit's shadow is laid on the ground (100 units).
    static constexpr float kShadowDistanceSquared = 10000.0f;
    // Layer key and effect of the shadow's material; its render description.
    static constexpr int32_t kShadowLayerKey = 120;
    static constexpr const char* kShadowDescription = "shadow.rdf";
    static constexpr const char* kShadowEffect = "shadow.fx";

    CPPlayer();
    // Deletes the shadow it built and lets go of the weapon object and the flares, which are children
    // and go with the unit's tree.
    ~CPPlayer() override;

    // The unit's car as a plain pointer, no reference taken; null when the unit has none.
    CPCar* GetCar() const { return CarObject(); }
    // The car's velocity in world units per second: three floats for the chase camera and the script
    // functions alike (the stored fourth is padding). Zero when the unit has no car.
    D3DXVECTOR3 GetCarVelocity() const;

    // --- controls and locks; every call that reaches the car does nothing for a unit without one
    // Ignored while locked; the throttle is 0 while held.
    void SetControls(float throttle, float steering);
    // Locking hands (0, steering) to the car and holds it; unlocking releases it.
    void SetLocked(bool lock);
    // Ignored while locked. While the rear flares are forced the flare children follow `on`; otherwise
    // the car's brake lights take (on, drift).
    void SetBrakeFlares(bool on, bool drift);
    void SetStopLights(bool on);
    void SetEngineVolume(float volume);
    // The car's nitro level: the amount, 0 while locked or while the car's reserve is empty.
    void SetNitro(float amount);
    // The AI's nitro holds the throttle at 0 instead; the car's nitro is not touched.
    void SetNitroAI(float amount, float unused);
    // An impulse on the car's body at a world point; nothing without a car or a rigid body, and nothing
    // that is not finite (an infinite mass would otherwise push NaN into the body).
    void ApplyImpulse(const D3DXVECTOR3& point, const D3DXVECTOR3& impulse);
    // The way the unit faces: its model's forward axis (0, -1, 0) turned by its rotation, normalised.
    D3DXVECTOR3 GetFacing() const;
    // The mass of the unit's physical data; 0 without one.
    float BodyMass() const;
    void SetSideFlags(int32_t flags) { mSideFlags = flags; }
    void SetModelName(const std::string& name) { mModelName = name; }
    bool HasSide(int32_t bit) const { return (mSideFlags & bit) != 0; }

    // --- objects the flame touched since the last damage tick
    void AddBurned(CPGameObject* object);
    // The burned objects that still live, then empties the set: an object deleted since it was
    // touched is dropped instead of being handed out.
    std::vector<CPGameObject*> TakeBurned();
    // Forgets every burned object; the level's stop calls it for every unit.
    void ClearBurned() { mBurned.clear(); }
    size_t GetBurnedCount() const { return mBurned.size(); }

    // --- weapons (CPPlayerWeapons.cpp)
    // Weapon kind codes (mWeaponKind), from the weapon's name.
    enum WeaponKind : int32_t {
        kLightGun = 0,       // "lgun", "mgun", "mgun2x"
        kTwinLightGun = 1,   // "lgun2x"
        kHeavyGun = 2,       // "hmgun": a spinning barrel "stvol", spread 0.1
        kSmallRockets = 3,   // "ssrlauncher"
        kRockets = 4,        // "rlauncher": lobbed
        kPlasma = 5,         // "plasma"
        kShotgun = 6,        // "shotgun", "autoshotgun": a pellet per shot of the record, spread 0.4
        kGauss = 7,          // "gauss"
        kFlameThrower = 8,   // "firethrower": an effect instead of shots
        kOtherWeapon = 9,    // fires nothing
    };
    // Speed at which the rocket launcher lobs its rockets, units per second.
    static constexpr float kRocketSpeed = 17.0f;
    // Seconds between two damage ticks of the flame; the most ticks one call runs.
    static constexpr float kFlameTickTime = 0.2f;
    static constexpr int32_t kMaxFlameTicks = 10;

    static WeaponKind WeaponKindOf(const std::string& weaponName);
    // The shot a kind launches; empty for the flame thrower and the other kinds.
    static const char* ShotNameOf(int32_t kind);

    // Makes the weapon of mWeaponSlot current: its gun child shown, its record and four flares taken,
    // its kind, and whether its load still pays for a shot; then aims it at mAimPoint. A slot whose
    // weapon lacks its record, its gun child, a flare or (heavy gun) its barrel counts as empty.
    // Nothing for a wrecked unit.
    void SelectWeapon();
    // The next (NextWeapon) or previous (PrevWeapon) filled slot, wrapping; -1 when none is filled.
    // Plays "change_weapon" when the slot changed, "undo_weapon" when it did not; then SelectWeapon.
    void NextWeapon();
    void PrevWeapon();
    // Once per frame with the aim point and the aimed-at object (may be empty): the shot cooldown runs
    // down by the frame time, the flame burns what it touched, the heavy gun's barrel spins, the gun
    // turns toward the aim point and, while the fire input is on and the weapon can pay for it, fires.
    // Nothing for a wrecked unit; without a gun only the aim point is kept.
    void UpdateWeapon(const D3DXVECTOR3& aimPoint, CPSmartPtr<CPGameObject> target);
    // The flame's contact hook: `owner` is the firing unit; what the particle touches joins its burned
    // set, and a particle that touched something ends (age 1000).
    static void OnContactHook(CPGameObject* owner, CPEffectParticle& particle);

    // --- debris, shell casings, shadow and drawing
    // Crash debris against the budget of gDebrisCount: "derbis" pieces, with "pil_" dust on every
    // second piece. `up` is not used.
    void SpawnDebris(const D3DXVECTOR3& position, const D3DXVECTOR3& up, const D3DXVECTOR3& velocity, int32_t count);
    // One shell casing thrown from the weapon object.
    void EjectShell(const CPGameObject& weapon);
    // Clears the wrecked and dead-sent flags and builds the shadow object, replacing an earlier one.
    // Always true; without the render-description builder the unit has no shadow.
    bool CreateVehicleShadow();
    // Queues the unit when the camera sees its box, and its shadow laid on the ground when it is within
    // 100 units; runs the respawn fade for the level's camera target.
    void Draw(CPRenderQueue& queue, const CPCamera& camera);

    // --- the per-frame rules (CPPlayerUpdate.cpp)
    // One step of the unit's rules: wreck and defeat, the player's turn arrows and drift bonus, the
    // respawn check, crash debris, gloom, forced flares, engine heat, the controls handed to the car,
    // pick-ups and the unlock. A wrecked unit stops after the wreck and defeat rules.
    void Update(float step);
    // Ends a long crash and puts the unit back on the race path when forced, off the collision mesh,
    // falling, stuck (not the player) or tilted beyond 85 degrees; nothing while locked or cooling down.
    void CheckRespawn(bool force);
    // The angle between the unit's down axis and straight down, radians in [0, pi].
    float TiltAngle() const;
    // Sparks a unit in the gloom spawns per step at the particle setting; 0 for a setting of 0 or less.
    static int32_t GloomSparkCount(int32_t density);

    // --- damage and removal (CPPlayerDamage.cpp)
    // Life at or below which the unit is critical: crossing it from above warns "main" once.
    static constexpr float kCriticalLife = 20.0f;
    // Takes amount x the game data's damage coefficient off mLife (1 without game data): "say_critical"
    // to "main" on the hit that crosses kCriticalLife from above, "update_game_interface" to "gamemenu"
    // on every hit. True while the unit survives (life 0 counts); a hit below 0 sets life 0, reports
    // "player_dead" to the category "main" once per life and answers false, as every later hit does.
    bool TakeDamage(float amount);
    // Takes the destroyed unit out of the race: hidden, out of ray queries, its body parked far below
    // the level and the unit out of the physics world's objects.
    void Remove();

    // --- pick-ups and world objects
    // Tests the unit against every bonus of gGameData's list and applies what it touches; nothing while
    // the level's race clock is stopped. May erase entries of the bonus list.
    void ApplyBonus();

    // Members in the order of the unit's record; every one not given another start is 0, false or empty.
    D3DXVECTOR3 mLastPos;                 // position at the last stuck check
    CPSmartPtr<CPGameObject> mShadow;     // owned: built by CreateVehicleShadow
    float mRespawnCooldown = 0.0f;        // seconds; no respawn while above 0
    bool mFadeIn = false;                 // respawn fade: the screen comes back
    bool mFadeOut = false;                // respawn fade: the screen goes dark
    float mFadeTime = 0.0f;               // seconds into the current fade phase
    float mFlameTick = 0.0f;              // seconds to the next flame damage tick
    float mBarrelAngle = 0.0f;            // radians, spin of the heavy machine gun's barrel
    float mSteering = 0.0f;
    float mThrottle = 0.0f;
    int32_t mWeaponSlot = 0;              // 0 .. 2; -1: none
    std::string mWeaponName;
    bool mWeaponBlocked = false;
    bool mMineBlocked = false;
    float mEngineHeat = 0.0f;             // 0 .. 1
    CPSmartPtr<CPGameObject> mWeaponObject;  // the shown weapon child
    CPSmartPtr<CPGameObject> mFlares[4];     // the weapon's muzzle flare children
    int32_t mFlareIndex = 0;              // 0 .. 3: flare shown by the last shot
    float mFlareTime = 0.0f;              // seconds a shown flare stays
    bool mFlareShown = false;
    float mDriftTime = 0.0f;              // seconds of the current drift
    D3DXVECTOR3 mAimPoint;
    float mLoad[3] = {1.0f, 1.0f, 1.0f};  // load left per weapon slot; 1.0 is full
    WeaponRecord mWeapon;                 // copy of the selected weapon's record
    MineRecord mMine;                     // its name is the window of the mine icon in the race display
    int32_t mMineCount = 0;               // mines the unit carries
    bool mMineInput = false;
    bool mMineReady = false;
    bool mFireInput = false;
    int32_t mWeaponKind = 0;              // 0 .. 9, kind code of the selected weapon
    float mShotCooldown = -1.0f;          // seconds; a shot is allowed only below 0
    EngineRecord mEngine;                 // values 3 and 4: heat-up and cool-down rates of the gauge
    float mLife = 100000.0f;
    // Objects the flame touched since the last tick. Plain addresses: read them through TakeBurned.
    std::unordered_set<CPGameObject*> mBurned = std::unordered_set<CPGameObject*>(100);
    float mLoadFactor = 1.0f;             // divisor in the load cost of a shot
    float mFireRateFactor = 1.0f;
    bool mDeadSent = false;               // "player_dead" sent
    bool mLocked = false;                 // controls locked
    bool mThrottleHold = false;           // throttle held at 0
    bool mUnlockPending = false;          // mUnlockTimer runs
    float mUnlockTimer = 0.0f;            // seconds since a pick-up or a light locked the unit
    int32_t mAbilities = 0;
    float mDefeatTimer = 0.0f;            // seconds since the player's unit was wrecked
    bool mDefeatSent = false;
    int32_t mBounceCount = 0;             // sphere bounces in the current series
    double mLastBounce = 0.0;             // gRunningTime of the last sphere bounce
    D3DXVECTOR3 mBounceDir;               // push direction of the current bounce series
    double mLastHaloHit = 0.0;            // gRunningTime of the last halo push
    std::string mModelName;               // the unit's car name ("uaz", "zil_130_", "subaru3")
    float mGloomViewTime = 0.0f;          // seconds of the gloom screen effect
    bool mGloomView = false;              // the gloom screen effect runs (camera target only)
    int32_t mSideFlags = 0;               // UnitSide bits
    float mDamage = 0.0f;                 // 0 intact; 100 or more destroyed
    float mSmokeTimer = 0.0f;             // seconds since the last wreck smoke
    bool mInGloom = false;
    float mGloomTime = 0.0f;              // seconds in the gloom
    bool mFlaresForced = false;           // rear flares forced on by a slow-down
    float mFlaresTime = 0.0f;             // seconds the flares are forced
    float mThrowTimer = 0.0f;             // seconds; set to 4 by bounces, kicks and pushes
    float mStuckTimer = 0.0f;             // seconds since the last stuck check
    bool mIsPlayer = false;               // the level's player unit
    int32_t mCameraMin = 0;               // "min" and "max" of the unit's "camera" description
    int32_t mCameraMax = 0;
    bool mWrecked = false;                // the update does nothing more

private:
    // The stages of Update (CPPlayerUpdate.cpp), in the order it runs them.
    // The wreck's dark rear flares and its smoke; marks the unit wrecked.
    void BurnAsWreck(CPCar* car, float step);
    void SpawnWreckSmoke();
    // The player's defeat messages, each sent once.
    void ReportDefeat(float step);
    // The player's turn arrow and drift bonus.
    void ShowTurnArrowsAndDrift(const CPCar* car, const CPLevel* level, float step);
    // -1, 0 or 1: the race path's turn four lines ahead of the player, when sharper than 30 degrees.
    static int32_t TurnArrow(const CPLevel& level);
    void ThrowCrashDebris(const CPCar& car);
    // Ends the gloom view after 15 seconds and brings the other units back.
    void RunGloomView(CPLevel* level, float step);
    // Visibility and sparks in the gloom; the gloom ends after 15 seconds.
    void RunGloom(const CPLevel* level, float step);
    void SpawnGloomSparks();
    // The rear flares forced dark for up to 4 seconds, or until the car is nearly stopped.
    void RunForcedFlares(CPCar* car, float step);
    // The engine heat and its gauge messages at 0.8.
    void UpdateEngineHeat(float step);
    void HandControlsToCar(CPCar* car);
    // Ends a pick-up's or a light's lock after 4 seconds.
    void RunUnlock(CPCar* car, float step);

    // Respawn: the first free one of the nearest path line's start, centre and end, 3 units up, facing
    // along the path; the level's camera follows when it targets this unit.
    void Respawn();
    // The slot's weapon name when its weapon is complete on this unit (record, gun, four flares, the
    // heavy gun's barrel); empty otherwise.
    std::string UsableWeaponName(int32_t slot) const;
    // Steps mWeaponSlot by +1 or -1 to the next usable slot, with the sound; then SelectWeapon.
    void StepWeapon(int32_t step);
    // UpdateWeapon with `elapsed` seconds passing (0 when a selection re-aims the gun).
    void RunWeapon(const D3DXVECTOR3& aimPoint, const CPSmartPtr<CPGameObject>& target, float elapsed);
    // Where the gun points after AimGun: the shots' unnormalised direction (level unless the target is
    // solid) and the rocket launcher's elevation (radians, 0 for the other kinds).
    struct WeaponAim {
        D3DXVECTOR3 direction;
        float elevation = 0.0f;
    };
    // What every shot of one trigger shares.
    struct ShotLaunch {
        D3DXVECTOR3 from;                // the muzzle: the flare just shown
        float value;                     // the weapon's shot value
        CPSmartPtr<CPGameObject> owner;  // the weapon object
        intptr_t carSpeed;               // address of the car's speed, which the shots read; 0 without a car
    };
    // The stages of RunWeapon (CPPlayerWeapons.cpp).
    // The gun and its four flares are still in the unit's tree.
    bool IsArmed() const;
    void BurnTouched(float elapsed);
    // The heavy gun's barrel turns while it fires.
    void SpinBarrel(CPGameObject& gun, float elapsed);
    WeaponAim AimGun(CPGameObject& gun, const D3DXVECTOR3& aimPoint, const CPGameObject* target);
    // Fires when the load holds the cost of a trigger, blocks the weapon when it no longer does.
    void PullTrigger(CPGameObject& gun, const WeaponAim& aim);
    // Hides the shown flare and shows the next one; its world position is the muzzle.
    D3DXVECTOR3 ShowNextFlare();
    // The shots of one trigger for the weapon kind, along the normalised direction `d`.
    void FireWeaponKind(const CPGameObject& gun, const ShotLaunch& launch, D3DXVECTOR3 d, float elevation);
    void FireShot(const ShotLaunch& launch, const D3DXVECTOR3& direction) const;
    void FireShotgun(const CPGameObject& gun, const ShotLaunch& launch, D3DXVECTOR3 d);
    void FireRocket(const ShotLaunch& launch, const D3DXVECTOR3& d, float elevation) const;
    void FirePlasma(const ShotLaunch& launch) const;
    void FireFlame(const D3DXVECTOR3& from, const D3DXVECTOR3& d);
    // The load one trigger costs: pellets / (full load x mLoadFactor); infinite for a weapon without a load.
    float ShotCost() const;
    void RunRespawnFade();
    // The effects of the bonus kinds (BonusTraits.h).
    void TakePickUp(int32_t kind);
    void EnterGloom();
    void Bounce(const CPGameObject& bumper);
    void Kick();
    void LockByBarrier();
    void PushByHalo(const CPGameObject& halo, const CPAxisBox& haloBox);
};
