#include "DynamicSky/CloudLayer.h"

#include <algorithm>

#include "core/Angles.h"
#include "core/GeometryUtils.h"

namespace {

// The rotation about from x to by the angle between them, which turns `from` onto `to` (unit vectors).
// Where they are opposite the cross product vanishes and the turn is half a turn about `fallbackAxis`,
// which must be perpendicular to `from`.
D3DXMATRIX RotationOnto(const D3DXVECTOR3& from, const D3DXVECTOR3& to, const D3DXVECTOR3& fallbackAxis) {
    D3DXVECTOR3 axis;
    D3DXVec3Cross(&axis, &from, &to);
    const float cosine = D3DXVec3Dot(&from, &to);
    D3DXMATRIX rotation;
    if (axis == D3DXVECTOR3(0, 0, 0) && cosine < 0.0f)
        D3DXMatrixRotationAxis(&rotation, &fallbackAxis, D3DX_PI);
    else
        D3DXMatrixRotationAxis(&rotation, &axis, static_cast<float>(SafeAcos(cosine)));
    return rotation;
}

D3DXVECTOR3 Transformed(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &v, &m);
    return out;
}

D3DXVECTOR3 Normalised(const D3DXVECTOR3& v) {
    D3DXVECTOR3 out;
    D3DXVec3Normalize(&out, &v);
    return out;
}
}  // namespace

void CloudLayer::SetEffectNames(const std::string& first, const std::string& second) {
    mEffectNames[0] = first;
    mEffectNames[1] = second;
}

void CloudLayer::AddTexture(const std::string& name) { mTextureNames.push_back(name); }

void CloudLayer::SetAxis(const D3DXVECTOR3& axis) {
    mAxis = Normalised(axis);
    mBaseOrientation = RotationOnto(D3DXVECTOR3(0, 0, 1), mAxis, D3DXVECTOR3(1, 0, 0));
}

void CloudLayer::BuildQuads(float halfSize) {
    const float s = halfSize;
    const D3DXVECTOR3 corners[4] = {{-s, 0, -s}, {s, 0, -s}, {s, 0, s}, {-s, 0, s}};
    const float texture[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    std::vector<CPVertex> vertices(4);
    for (size_t i = 0; i < 4; ++i) {
        vertices[i].position = corners[i];
        vertices[i].normal = D3DXVECTOR3(1, 1, 1);
        vertices[i].diffuse = kQuadColour;
        vertices[i].u0 = texture[i][0];
        vertices[i].v0 = texture[i][1];
    }
    CreateBuffers(vertices, {0, 1, 2, 0, 2, 3}, false);
    // A layer without texture names keeps no texture rather than reading past its list.
    if (!mTextureNames.empty()) LoadTexture(mTextureNames[static_cast<size_t>(mTextureIndex)]);
    LoadEffect(mEffectNames[1]);
}

void CloudLayer::NextTexture() {
    if (mTextureNames.empty()) return;
    ++mTextureIndex;
    if (static_cast<size_t>(mTextureIndex) >= mTextureNames.size()) mTextureIndex = 0;
    LoadTexture(mTextureNames[static_cast<size_t>(mTextureIndex)]);
}

void CloudLayer::SelectEffect(int k) {
    // The index comes from the sky file; anything but the two names would read past them.
    if (k != 0 && k != 1) return;
    mEffectIndex = k;
    LoadEffect(mEffectNames[k]);
}

void CloudLayer::SetAlpha(int alpha) {
    const uint32_t byte = static_cast<uint32_t>(std::clamp(alpha, 0, 255));
    for (CPVertex& vertex : mWorldVertices) vertex.diffuse = (byte << 24) | 0x14;
}

D3DXMATRIX CloudLayer::Place() {
    const D3DXVECTOR3 up(0, 1, 0);

    D3DXMATRIX turn, onCircle;
    D3DXMatrixRotationAxis(&turn, &mAxis, mBaseAngle - mKeyAngle + D3DX_PI);
    D3DXMatrixMultiply(&onCircle, &mBaseOrientation, &turn);
    mOrbitPoint = Transformed(D3DXVECTOR3(mDistance, 0, 0), onCircle);

    // Turn the quad's normal +y towards the centre.
    const D3DXVECTOR3 towardsCentre = Normalised(-mOrbitPoint);
    const D3DXMATRIX facing = RotationOnto(up, towardsCentre, D3DXVECTOR3(1, 0, 0));

    D3DXMATRIX scaling;
    D3DXMatrixScaling(&scaling, mKeyScale, mKeyScale, mKeyScale);

    // Upright reference: the direction to the centre tipped a quarter turn upwards in its vertical plane.
    // The quad's +z is spun about the normal onto it. Straight above or below the centre there is no
    // vertical plane, and the quad keeps the spin the facing turn gave it.
    const D3DXVECTOR3 quadZ = Transformed(D3DXVECTOR3(0, 0, 1), facing);
    D3DXVECTOR3 upright = quadZ;
    const D3DXVECTOR3 level = Normalised(D3DXVECTOR3(-mOrbitPoint.x, 0, -mOrbitPoint.z));
    if (level != D3DXVECTOR3(0, 0, 0)) {
        D3DXMATRIX quarterY, tip;
        D3DXMatrixRotationY(&quarterY, kHalfPi);
        const D3DXVECTOR3 across = Transformed(level, quarterY);
        D3DXMatrixRotationAxis(&tip, &across, kHalfPi);
        upright = Normalised(Transformed(-mOrbitPoint, tip));
    }
    const D3DXMATRIX spin = RotationOnto(quadZ, upright, towardsCentre);

    D3DXMATRIX translation, placement;
    D3DXMatrixTranslation(&translation, mOrbitPoint.x, mOrbitPoint.y, mOrbitPoint.z);
    D3DXMatrixMultiply(&placement, &scaling, &facing);
    D3DXMatrixMultiply(&placement, &placement, &spin);
    D3DXMatrixMultiply(&placement, &placement, &translation);
    return placement;
}

void CloudLayer::Render(float frameTime) {
    const D3DXMATRIX placement = Place();
    // Before BuildQuads there is no quad to upload or draw; the sky still reads the orbit point.
    if (mLocalVertices.empty()) return;
    TransformVertices(placement);
    CreateBuffers(mLocalVertices, mIndices, true);
    Draw(frameTime);
}
