// The behaviour of an enemy on foot: an animated scene object that attacks the player's race unit in
// melee or fires shots at it, takes damage, pays its reward when it dies and tells the level. Its game
// object hands it three events: the end of an animation, the attack moment of one, and damage. The
// creator fills the parameters; the state values and the behaviour object give them their meaning.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "Render/PAnimatedObject.h"
#include "core/CPRefObject.h"
#include "platform/D3DX9Math.h"

class CPGameObject;

// What the creator makes of an enemy's completed attacks.
class CPEnemyBehaviour {
public:
    virtual ~CPEnemyBehaviour() = default;
    // After every completed melee or fire animation that is followed by another.
    virtual void OnAttackRepeated() = 0;
};

// One melee animation's attack ("melee<n>", n from 1).
struct CPEnemyMelee {
    int32_t hitFrame = -1;     // the animation frame of the blow; -1: none
    D3DXVECTOR3 reachOffset;   // where the blow lands, in the enemy's frame; its length is the reach
    D3DXVECTOR3 pushDirection; // in the enemy's frame
    float pushStrength = 0.0f;
    float damage = 0.0f;
};

class CPEnemyBrain : public CPRefObject {
public:
    // State keys the brain itself switches to: after firing, and at death or self-destruction.
    static constexpr int32_t kStateIdle = 1;
    static constexpr int32_t kStateDead = 4;
    // Height added to the player's position when an enemy aims at it.
    static constexpr float kAimRaise = 0.3f;

    CPEnemyBrain() = default;
    size_t GetSize() const override { return sizeof(CPEnemyBrain); }
    std::string GetClassName() const override { return "CPEnemyBrain"; }

    // Called when the current animation ends: chains the melee and fire animations, ends firing and
    // dying; the attack flag is cleared in every case.
    virtual void ChooseAnimation();
    // The attack moment of the current animation: a melee blow (or the self-destruction) or a volley
    // at the level's player unit. Nothing without a player.
    virtual void Update();
    // Called by the game object's Damage with its arguments: health, hit effect, reward and death.
    virtual void TakeDamage(const D3DXVECTOR3& point, const D3DXVECTOR3& direction, float amount, bool noEffect,
                            bool restricted);

    // Plays the animation on the enemy's object unless it is the current one and `force` is clear. A
    // bounded animation plays once and reports `reportFrame` (the attack moment); another loops.
    void PlayAnimation(const std::string& name, bool bounded, bool force, int32_t reportFrame);
    // counter = 0, current state value = the table's value for `key` (entered as 0 when missing).
    void SwitchState(int32_t key);

    // --- parameters and state, set by the creator
    CPEnemyBehaviour* mBehaviour = nullptr;  // not owned; may be null
    int32_t mState = 0;                      // the current state value
    int32_t mStateCounter = 0;
    std::map<int32_t, int32_t> mStateTable;  // state key -> state value
    CPGameObject* mObject = nullptr;         // the enemy's game object; not owned
    float mHealth = 0.0f;
    // "explosion" for an enemy that blows itself up in melee, else the gun it fires: "hmgun", "rocket",
    // "plasma", "mgun", "lgun", "shotgun".
    std::string mWeaponName;
    int32_t mMeleeCount = 1;                 // melee animations; below 1 counts as 1
    float mGibHeight = 0.0f;                 // above the enemy's position
    CPAnimationRequest mAnimation;           // the current animation
    std::string mHitEffect;                  // thrown where the enemy is hit ("blood1", "oil1")
    bool mHit = false;                       // set by every damage
    std::vector<CPEnemyMelee> mMelee;        // record n of "melee<n>" at index n - 1
    int32_t mFireFrame = -1;                 // the "fire" animation's shot frame
    D3DXVECTOR3 mMuzzleOffset;               // in the enemy's frame
    int32_t mDeathValue = 0;                 // cleared when a death animation ends
    bool mFiring = false;
    bool mDead = false;                      // damage is ignored
    bool mGibs = false;                      // a "blood1" enemy bursts into gibs at death
    std::string mName;
    bool mAttacking = false;                 // cleared at the end of every animation
    int32_t mReward = 0;                     // money paid at death
    int32_t mRocketCounter = 0;
    bool mRewarded = false;
    bool mNoDeathNotice = false;             // blocks "enemy_death"
    bool mDeathNoticeSent = false;

private:
    const CPEnemyMelee* Melee(int32_t number) const;
    void MeleeBlow(int32_t number);
    void Fire();
    // "enemy_death" to the category "level", once and unless blocked.
    void PostDeathNotice();
    void Burst();
};
