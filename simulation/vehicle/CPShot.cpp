#include "simulation/vehicle/CPShot.h"

#include "Render/PRenderObject.h"
#include "Sound/NSound.h"
#include "Sound/NSoundCache.h"
#include "Sound/NSoundManager.h"
#include "core/CPObjectFactory.h"
#include "core/FrameClock.h"
#include "core/ServiceGlobals.h"
#include "core/files/CPTokenizer.h"
#include "simulation/vehicle/ShotDirection.h"

CPShot::CPShot(const std::string& kindName) : CPGameObject("CPShot"), mKindName(kindName) {
    ReplaceShotMesh(new CPRenderObject(this));
}

CPShot::~CPShot() {
    CPObjectFactory::ForgetEverywhere(this);
    DropSound();
    // The render part must not outlive its holder's reference to it.
    CPRenderObject* mesh = mRenderObject.Get();
    SetRenderPart(nullptr, kRenderNone);
    ReleaseIfAlive(mRenderObject);
    if (mesh && gObjectRegistry::Contains(mesh)) delete mesh;
}

void CPShot::ReplaceShotMesh(CPRenderObject* mesh) {
    CPRenderObject* old = mRenderObject.Get();
    SetRenderPart(mesh, kRenderObject);
    mRenderObject = mesh;
    if (old && old != mesh && gObjectRegistry::Contains(old)) delete old;
}

void CPShot::DropSound() {
    CNSound* sound = mSound.Get();
    ReleaseIfAlive(mSound);
    if (mOwnsSound && sound && gObjectRegistry::Contains(sound)) delete sound;
    mOwnsSound = false;
}

bool CPShot::SetParams(const std::vector<std::string>& params) {
    // Every kind's list ends with its sound; a list without one is not a shot's.
    if (params.empty()) return false;
    CPTokenizer tokens(params.back(), ",", true);
    std::string file;
    std::string mode;
    tokens.NextToken(file);
    tokens.NextToken(mode);
    mSoundSpec = file;
    if (file == kNoSound) return true;

    mPlainSound = mode == kPlainSoundMode;
    const int32_t soundMode = mPlainSound ? CNSound::kModePlain : CNSound::kMode3D;
    DropSound();
    if (gSoundManager) {
        mSound = gSoundManager->LoadSound(file, soundMode, false);
        // A sound the cache did not hand out of its shared entries was made for this shot alone.
        CNSoundCache* cache = gSoundManager->GetCache();
        mOwnsSound = mSound && !(cache && cache->FindSound(file).Get() == mSound.Get());
    }
    return true;
}

void CPShot::Launch(const D3DXVECTOR3& position, const D3DXVECTOR3& direction, float value,
                    CPSmartPtr<CPGameObject> /*owner*/, intptr_t /*extra*/) {
    mValue = value;
    mStartPosition = position;
    mDirection = direction;
    SetRotation(ShotOrientation(direction));

    CNSound* sound = mSound.Get();
    if (!sound) return;
    if (!mPlainSound && gSoundManager)
        gSoundManager->SetSoundPosition(mSound, position, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    sound->SetFrameStamp(gFrameCounter);
    sound->Stop();
    sound->Rewind();
    sound->Play(0, 0);
}
