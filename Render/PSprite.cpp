#include "Render/PSprite.h"

#include <cmath>

#include "Render/PCamera.h"
#include "Render/PMaterial.h"
#include "core/CPGameObject.h"
#include "core/FloatToInt.h"
#include "core/GeometryUtils.h"

namespace {

// The same 8-bit value in alpha, red, green and blue.
uint32_t Grey(uint32_t c) { return c * 0x01010101u; }

D3DXVECTOR3 WorldPosition(const CPGameObject& object) {
    const D3DXMATRIX& world = object.GetWorldMatrix();
    return {world._41, world._42, world._43};
}

}  // namespace

CPSprite::CPSprite(float size) : mSize(size) {}

CPSprite::~CPSprite() {
    ReleaseIfAlive(mMaterial);
}

CPSmartPtr<CPMaterial> CPSprite::GetMaterial() const { return mMaterial; }

void CPSprite::SetMaterial(CPSmartPtr<CPMaterial> material) {
    ReleaseIfAlive(mMaterial);
    mMaterial = material;
}

void CPSprite::DetachOwner(const CPGameObject* owner) {
    if (mOwner == owner) mOwner = nullptr;
}

void CPSprite::SetCone(const D3DXVECTOR3& direction, float cone) {
    mDirection = direction;
    mCone = cone;
}

void CPSprite::SetTextureRect(float u0, float v0, float u1, float v1) {
    mU0 = u0;
    mV0 = v0;
    mU1 = u1;
    mV1 = v1;
}

void CPSprite::AddAnimator(std::unique_ptr<CPTexAnimator> animator) {
    if (!animator) return;
    mAnimators.push_back(std::move(animator));
    mAnimated = true;
}

CPSprite* CPSprite::CreateCopy() const {
    auto* copy = new CPSprite(mSize);
    copy->mMaterial = mMaterial;
    copy->mAngle = mAngle;
    copy->mDirection = mDirection;
    copy->mCone = mCone;
    copy->mAnimated = mAnimated;
    copy->mAnimators = CloneTexAnimators(mAnimators);
    return copy;
}

CPRefObject* CPSprite::CopyFor(CPGameObject* owner) {
    CPSprite* copy = CreateCopy();
    copy->SetOwner(owner);
    return copy;
}

bool CPSprite::TestVisibility() const {
    // The quad is built from the camera and placed at the owner: without either there is nothing to show.
    mVisible = false;
    if (!g_pCurrentCamera || !mOwner) return false;
    const float w = mCone;
    if (w < 0.0f) {
        if (w > -0.1f) return false;
        // The low 8 bits of the product, wrapped rather than clamped: cones below -1 give darker greys
        // again (-1.5 gives 0x7E), and the loaded data is made for that.
        mColour = Grey(static_cast<uint32_t>(TruncateToInt32(-w * 255.0f)) & 0xFFu);
        mVisible = true;
        return true;
    }
    if (w == 0.0f) {
        mVisible = true;
        return true;
    }
    if (!(w > 0.0f)) return false;  // NaN

    // The cone turns with the root of the owner's tree, not with the nodes in between.
    const CPGameObject* root = mOwner;
    while (CPGameObject* parent = root->GetParent().Get()) root = parent;
    D3DXMATRIX rootTurn;
    D3DXMatrixRotationQuaternion(&rootTurn, &root->GetRotation());
    D3DXVECTOR3 d;
    D3DXVec3TransformNormal(&d, &mDirection, &rootTurn);
    D3DXVECTOR3 e = g_pCurrentCamera->GetEye() - WorldPosition(*mOwner);
    e.z = 0.0f;
    D3DXVec3Normalize(&d, &d);
    D3DXVec3Normalize(&e, &e);
    const float angle = static_cast<float>(std::fabs(SafeAcos(D3DXVec3Dot(&d, &e))));
    if (!(angle <= w)) return false;
    mColour = Grey(ClampToByte((1.0f - angle / w * 0.7f) * 255.0f));
    mVisible = true;
    return true;
}

bool CPSprite::FillVertices(CPVertex* vertices, uint16_t* indices, uint16_t baseIndex, int32_t /*flag*/) {
    if (!TestVisibility()) return false;
    if (baseIndex + 4u > kMaxBatchVertices) return false;

    D3DXMATRIX facing = g_pCurrentCamera->GetInverseViewMatrix();
    const D3DXVECTOR3 place = WorldPosition(*mOwner);
    facing._41 = place.x;
    facing._42 = place.y;
    facing._43 = place.z;
    D3DXMATRIX turn;
    D3DXMatrixRotationZ(&turn, mAngle);
    const D3DXMATRIX m = turn * facing;

    const float s = mSize;
    const D3DXVECTOR3 corners[4] = {{-s, -s, 0}, {s, -s, 0}, {s, s, 0}, {-s, s, 0}};
    const float us[4] = {mU0, mU1, mU1, mU0};
    const float vs[4] = {mV0, mV0, mV1, mV1};
    CPVertex quad[4];
    for (int i = 0; i < 4; ++i) {
        D3DXVec3TransformCoord(&quad[i].position, &corners[i], &m);
        quad[i].u0 = us[i];
        quad[i].v0 = vs[i];
        quad[i].diffuse = mColour;
    }
    if (mAnimated) ApplyTexAnimators(mAnimators, quad, quad, 4);

    for (int i = 0; i < 4; ++i) vertices[i] = quad[i];
    const uint16_t order[6] = {0, 2, 1, 0, 3, 2};
    for (int i = 0; i < 6; ++i) indices[i] = static_cast<uint16_t>(baseIndex + order[i]);
    return true;
}
