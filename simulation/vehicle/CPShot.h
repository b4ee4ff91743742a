// Base of every projectile and flying effect the object factory hands out: a game object that can be
// cloned from a prototype and launched again and again, turned along its flight direction and playing
// its launch sound.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/CPGameObject.h"
#include "core/CPSmartPtr.h"
#include "platform/D3DX9Math.h"

class CNSound;
class CPRenderObject;

class CPShot : public CPGameObject {
public:
    // The sound mode that makes a plain (not placed) sound; exact and case-sensitive.
    static constexpr const char* kPlainSoundMode = "2d";
    // The sound file name that means no sound.
    static constexpr const char* kNoSound = "none";

    // Every shot's object name is "CPShot"; the kind name says what it was made for. The shot starts
    // with value -1 and an empty mesh of its own as its render part.
    explicit CPShot(const std::string& kindName);
    // Leaves the object factories' lists; deletes its render object, and its sound when the sound is
    // its own (a sound the cache shares stays).
    ~CPShot() override;

    // A new shot of the same kind, owned by the caller; empty for a kind that cannot be cloned.
    virtual CPSmartPtr<CPShot> Clone() = 0;
    // Advances the shot by one frame; false once it has finished.
    virtual bool Update() = 0;
    // Reads the kind's parameter list; the base reads the last string as the sound spec "file,mode"
    // (quotes honoured): mode "2d" a plain sound, any other mode or none a 3D sound, the file "none" no
    // sound. False, nothing changed, for an empty list.
    virtual bool SetParams(const std::vector<std::string>& params);
    // Starts the shot at the position along the direction: stores value, position and direction, turns
    // the object's -y onto the direction (its position is not changed) and restarts the sound, placed at
    // the position unless plain. extra: a value only some callers give (the weapons pass the address of
    // the shooting car's speed, hence pointer-sized); owner and extra are not kept.
    virtual void Launch(const D3DXVECTOR3& position, const D3DXVECTOR3& direction, float value,
                        CPSmartPtr<CPGameObject> owner, intptr_t extra);

    const std::string& GetKindName() const { return mKindName; }
    const D3DXVECTOR3& GetStartPosition() const { return mStartPosition; }
    const D3DXVECTOR3& GetDirection() const { return mDirection; }
    float GetValue() const { return mValue; }
    CNSound* GetSound() const { return mSound.Get(); }
    const std::string& GetSoundSpec() const { return mSoundSpec; }
    bool IsPlainSound() const { return mPlainSound; }
    CPRenderObject* GetShotMesh() const { return mRenderObject.Get(); }

protected:
    // Makes `mesh` (new, owned by the shot from now on) the shot's render object and render part,
    // deleting the one it replaces.
    void ReplaceShotMesh(CPRenderObject* mesh);

    D3DXVECTOR3 mStartPosition;  // given to Launch; subclasses may move it (a bolt's head)
    D3DXVECTOR3 mDirection;      // given to Launch, not normalised

private:
    // Lets go of the sound, deleting it when it is the shot's own.
    void DropSound();

    std::string mKindName;
    CPSmartPtr<CNSound> mSound;    // the launch sound; empty: none
    bool mOwnsSound = false;       // mSound was made for this shot (no cache entry shares it)
    std::string mSoundSpec;        // the sound's file name
    float mValue = -1.0f;          // given to Launch
    bool mPlainSound = false;      // the sound plays without a 3D position
    CPSmartPtr<CPRenderObject> mRenderObject;  // owned; also the render part
};
