// The race unit's visible side: crash debris against the debris budget, shell casings, the shadow laid
// on the ground under it, its drawing and the screen fade after a respawn.
#include <cmath>

#include "Render/CPCamera.h"
#include "Render/CPRenderQueue.h"
#include "Render/PCamera.h"
#include "Render/PEffectRecord.h"
#include "Render/PEffectSpawner.h"
#include "Render/PMaterialManager.h"
#include "Render/PRender.h"
#include "Render/PRenderObject.h"
#include "Render/PRenderObjectManager.h"
#include "core/FrameClock.h"
#include "core/ServiceGlobals.h"
#include "platform/RuntimeRandom.h"
#include "simulation/level/CPLevel.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/units/CPPlayer.h"
#include "simulation/units/DebrisBudget.h"
#include "simulation/vehicle/CPCar.h"

namespace {

// A direction on the unit sphere from two random whole-degree angles, drawn in that order.
D3DXVECTOR3 RandomDirection() {
    const float a = D3DXToRadian(static_cast<float>(RuntimeRand() % 360));
    const float b = D3DXToRadian(static_cast<float>(RuntimeRand() % 360));
    return D3DXVECTOR3(std::cos(a) * std::sin(b), std::sin(a) * std::sin(b), std::cos(b));
}

void Spawn(const CPEffectRecord& record) {
    if (gEmitterTable) gEmitterTable->SpawnEffect(record);
}
}  // namespace

void CPPlayer::SpawnDebris(const D3DXVECTOR3& position, const D3DXVECTOR3& /*up*/, const D3DXVECTOR3& velocity,
                           int32_t count) {
    count = LimitToDebrisRoom(count);
    for (int32_t i = 0; i < count; ++i) {
        ++gDebrisCount;
        const D3DXVECTOR3 direction = RandomDirection();

        CPEffectRecord piece;
        piece.Name = "derbis";
        piece.Position = position;
        const float s = 0.5f + 5.5f * RuntimeRandomFraction();
        piece.Velocity = direction * s + velocity;
        const float r = RuntimeRandomFraction();
        piece.Acceleration = velocity * r + D3DXVECTOR3(0.0f, 0.0f, -9.8f);
        piece.Size = 0.05f + 0.1f * RuntimeRandomFraction();
        piece.Life = 1.0f;
        Spawn(piece);

        if (i % 2 == 1) {
            CPEffectRecord dust;
            dust.Name = "pil_";
            dust.Position = position;
            const float s2 = 0.5f + 10.5f * RuntimeRandomFraction();
            dust.Velocity = direction * s2 + velocity;
            dust.Size = 1.0f + 0.4f * RuntimeRandomFraction();
            dust.Param = 0.5f;
            dust.Life = 1.0f;
            dust.Flag = 1;
            Spawn(dust);
        }
    }
}

void CPPlayer::EjectShell(const CPGameObject& weapon) {
    const D3DXMATRIX& world = weapon.GetWorldMatrix();
    // The casing flies out sideways and up from the gun: a direction, so the gun's position must not
    // be added to it.
    const D3DXVECTOR3 local(-1.0f, 0.0f, 2.0f);
    D3DXVECTOR3 direction;
    D3DXVec3TransformNormal(&direction, &local, &world);

    CPEffectRecord shell;
    shell.Name = "gilze";
    shell.Position = D3DXVECTOR3(world._41, world._42, world._43);
    shell.Velocity = direction * (4.0f + RuntimeRandomFraction());
    shell.Acceleration = D3DXVECTOR3(0.0f, 0.0f, -24.8f);
    shell.Size = 0.2f;
    shell.Life = 1.0f + RuntimeRandomFraction();
    Spawn(shell);
}

bool CPPlayer::CreateVehicleShadow() {
    mWrecked = false;
    mDeadSent = false;
    if (mShadow && gObjectRegistry::Contains(mShadow.Get())) delete mShadow.Get();
    mShadow.Forget();
    if (!gRenderObjectManager) return true;

    CPSmartPtr<CPGameObject> shadow;
    gRenderObjectManager->CreateObjectByDescription(shadow, kShadowDescription, kShadowLayerKey);
    mShadow = shadow;
    // A description that yields no object leaves the unit without a shadow; drawing skips it.
    if (!mShadow) return true;

    const CPCar* car = GetCar();
    if (CPRenderObject* mesh = mShadow->GetRenderObject()) {
        if (CPMaterialManager* context = GetGlobalRenderContext()) {
            const std::string texture = car ? car->mRenderName : std::string();
            mesh->SetMaterial(context->CreateMaterial(kShadowLayerKey, kShadowEffect, {texture}));
        }
        mesh->SetSkipped(false);
    }
    mShadow->SetPhysicData(nullptr);
    mShadow->SetVisible(true);
    mShadow->SetStatic(true);
    const std::vector<LodEntry>& lods = mShadow->GetLodList();
    for (size_t i = 1; i < lods.size(); ++i)
        if (lods[i].object) lods[i].object->SetStaticRecursive(true);
    return true;
}

void CPPlayer::Draw(CPRenderQueue& queue, const CPCamera& camera) {
    const CPSmartPtr<CPPerspectiveCamera> view = camera.GetViewCamera();
    const CPAxisBox& box = GetHierarchyBounds();
    if (view && view->IsBoxVisible(box.mMinimum, box.mMaximum)) {
        queue.AddObjectTree(CPSmartPtr<CPGameObject>(this));
        const D3DXVECTOR3 offset = GetPosition() - view->GetEye();
        if (mShadow && D3DXVec3LengthSq(&offset) < kShadowDistanceSquared) {
            if (gRenderer) gRenderer->AddFootprintDecal(mShadow, GetWorldMatrix(), GetPhysicData());
            queue.AddObjectTree(mShadow);
        }
    }
    if (gLevel && gLevel->mCameraTarget == this) RunRespawnFade();
}

void CPPlayer::RunRespawnFade() {
    PRender* renderer = gRenderer;
    auto fade = [renderer](float level) {
        if (renderer) renderer->SetFadeLevel(level);
    };
    // Dark in 0.1 s, then back over 0.4 s.
    if (mFadeIn) {
        mFadeTime += gDeltaTime;
        fade(2.5f * mFadeTime);
        if (mFadeTime >= 0.4f) {
            mFadeOut = false;
            mFadeIn = false;
            fade(1.0f);
        }
    }
    if (mFadeOut) {
        mFadeTime += gDeltaTime;
        fade((0.1f - mFadeTime) * 10.0f);
        if (mFadeTime >= 0.1f) {
            mFadeOut = false;
            mFadeIn = true;
            fade(0.0f);
            mFadeTime = 0.0f;
        }
    }
}
