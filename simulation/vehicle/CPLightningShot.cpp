#include "simulation/vehicle/CPLightningShot.h"

#include "Render/CPCamera.h"
#include "Render/PCamera.h"
#include "Render/PMaterialManager.h"
#include "Render/PRenderObject.h"
#include "core/CPObjectFactory.h"
#include "core/FrameClock.h"
#include "core/ServiceGlobals.h"
#include "core/config/CPDator.h"
#include "simulation/level/CPLevel.h"

namespace {
constexpr uint32_t kWhite = 0xffffffff;

// The point the level's view camera looks at; above the tail when there is no camera to face.
D3DXVECTOR3 CameraTarget(const D3DXVECTOR3& tail) {
    if (gLevel) {
        if (CPSmartPtr<CPCamera> camera = gLevel->GetCamera()) {
            if (CPSmartPtr<CPPerspectiveCamera> view = camera->GetViewCamera()) return view->GetTarget();
        }
    }
    return tail + D3DXVECTOR3(0.0f, 0.0f, 1.0f);
}
}  // namespace

bool CPLightningShot::Update() {
    CPSmartPtr<CPGameObject> hit;
    return Advance(hit) > 0;
}

bool CPLightningShot::SetParams(const std::vector<std::string>& params) {
    if (params.size() < kParamCount) return false;
    mTargetFlag = params[0] != "enemy";
    mSpeed = StringToFloat(params[1]);
    mSecondValue = StringToFloat(params[2]);
    mHalfWidth = StringToFloat(params[3]);
    mTextureName = params[4];
    mEffectName = params[5];
    mMaterialFlags = StringToInt(params[6]);
    mHitEffectName = params[7];
    mNinthValue = StringToFloat(params[8]);

    auto* strip = new CPRenderObject(this);
    ReplaceShotMesh(strip);
    if (CPMaterialManager* context = GetGlobalRenderContext())
        strip->SetMaterial(context->CreateMaterial(mMaterialFlags, mEffectName, {mTextureName}));
    for (uint16_t index : {0, 1, 2, 0, 2, 3}) strip->GetIndices().push_back(index);
    const float corners[4][2] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}};
    for (const auto& uv : corners) {
        CPVertex vertex;
        vertex.diffuse = kWhite;
        vertex.u0 = uv[0];
        vertex.v0 = uv[1];
        strip->GetLocalVertices().push_back(vertex);
        strip->GetWorldVertices().push_back(vertex);
    }
    return CPShot::SetParams(params);
}

void CPLightningShot::Launch(const D3DXVECTOR3& position, const D3DXVECTOR3& direction, float value,
                             CPSmartPtr<CPGameObject> owner, intptr_t /*extra*/) {
    mTravelled = 0.0f;
    CPShot::Launch(position, direction, value, owner, 0);
    mTail = position;
    if (value >= 0.0f) mSecondValue = value;
    if (CPRenderObject* strip = GetShotMesh()) {
        std::vector<CPVertex>& world = strip->GetWorldVertices();
        for (size_t i : {size_t{1}, size_t{2}})
            if (i < world.size()) world[i].u0 = 1.0f;
    }
}

int32_t CPLightningShot::Advance(CPSmartPtr<CPGameObject>& hit) {
    const float step = gDeltaTime * mSpeed;
    mTravelled += step;
    if (mTravelled > kReach) return kSpent;

    D3DXVECTOR3& head = mStartPosition;
    CPRayQuery query;
    query.origin = head;
    query.direction = mDirection;
    query.length = step;
    if (gLevel && gLevel->RayHitsUnits(query)) {
        if (gObjectFactory) {
            const D3DXVECTOR3 normal(query.hitPlane.a, query.hitPlane.b, query.hitPlane.c);
            gObjectFactory->CreateByName(mHitEffectName, head, normal, -1.0f, CPSmartPtr<CPGameObject>(), 0);
        }
        hit = query.hitOwner;
        return kHit;
    }

    head += mDirection * step;
    const D3DXVECTOR3 along = head - mTail;
    const D3DXVECTOR3 toTarget = CameraTarget(mTail) - mTail;
    D3DXVECTOR3 side;
    D3DXVec3Cross(&side, &along, &toTarget);
    D3DXVec3Normalize(&side, &side);
    side *= mHalfWidth;
    if (CPRenderObject* strip = GetShotMesh()) {
        std::vector<CPVertex>& world = strip->GetWorldVertices();
        if (world.size() >= 4) {
            world[0].position = mTail + side;
            world[1].position = head + side;
            world[2].position = head - side;
            world[3].position = mTail - side;
        }
    }
    // The strip is laid in world space: the mesh must keep these positions.
    SetWorldMatrixChanged(false);
    return kFlying;
}
