// The ground decal: a mesh laid on the level's collision triangles under an object, textured by a frame
// fitted around the object's bottom rectangle.
#include "Render/PGroundDecal.h"

#include <algorithm>
#include <array>
#include <tuple>
#include <vector>

#include "Render/PRender.h"
#include "Render/PRenderObject.h"
#include "core/CPGameObject.h"
#include "core/ServiceGlobals.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/physics/CPPhysicWorld.h"

namespace {
constexpr float kDecalMargin = 0.1f;   // world units added around the object's box
constexpr float kDecalLift = 0.03f;    // world units above the ground, against depth fighting
constexpr float kDegenerateAxis = 1e-30f;

// The matrix taking frame coordinates (u, v) to the point `translation` + u A + v B.
D3DXMATRIX FrameMatrix(const D3DXVECTOR2& translation, const D3DXVECTOR2& a, const D3DXVECTOR2& b) {
    return D3DXMATRIX(a.x, a.y, 0.0f, 0.0f,  //
                      b.x, b.y, 0.0f, 0.0f,  //
                      0.0f, 0.0f, 1.0f, 0.0f,  //
                      translation.x, translation.y, 0.0f, 1.0f);
}

D3DXVECTOR2 FramePoint(const D3DXVECTOR2& o, const D3DXVECTOR2& a, const D3DXVECTOR2& b, float u, float v) {
    return o + a * u + b * v;
}
}  // namespace

void FitDecalFrame(D3DXVECTOR2& origin, D3DXVECTOR2& axisA, D3DXVECTOR2& axisB, const D3DXVECTOR2& point) {
    const D3DXMATRIX frame = FrameMatrix(origin, axisA, axisB);
    D3DXMATRIX toFrame;
    if (D3DXMatrixInverse(&toFrame, nullptr, &frame)) {
        float uMin = 0.0f, uMax = 1.0f, vMin = 0.0f, vMax = 1.0f;
        for (const D3DXVECTOR2& corner : {point, point + axisA, point + axisB}) {
            D3DXVECTOR2 uv;
            D3DXVec2TransformCoord(&uv, &corner, &toFrame);
            uMin = std::min(uMin, uv.x);
            uMax = std::max(uMax, uv.x);
            vMin = std::min(vMin, uv.y);
            vMax = std::max(vMax, uv.y);
        }
        const D3DXVECTOR2 o = FramePoint(origin, axisA, axisB, uMin, vMin);
        const D3DXVECTOR2 a = FramePoint(origin, axisA, axisB, uMax, vMin) - o;
        const D3DXVECTOR2 b = FramePoint(origin, axisA, axisB, uMin, vMax) - o;
        origin = o;
        axisA = a;
        axisB = b;
        return;
    }
    if (D3DXVec2Dot(&axisA, &axisA) <= kDegenerateAxis) {
        axisA = point - origin;
        return;
    }
    if (D3DXVec2Dot(&axisB, &axisB) <= kDegenerateAxis) {
        axisB = point - origin;
        return;
    }
    // Parallel axes.
    const float t = D3DXVec2Dot(&axisA, &axisB) / D3DXVec2Dot(&axisA, &axisA);
    D3DXVECTOR2 q = point;
    if (t < 0.0f) {
        origin += axisA * t;
        q = point + axisA * t;
        axisA = axisA * (1.0f - t);
    } else if (t > 1.0f) {
        axisA = axisB;
    }
    axisB = q - origin;
}

void PRender::AddFootprintDecal(CPSmartPtr<CPGameObject> object, const D3DXMATRIX& matrix,
                                CPSmartPtr<CPPhysicData> triangles) {
    if (!object) return;
    const D3DXVECTOR3& half = object->GetBoundingBox().mHalfExtents;
    const float m = kDecalMargin;
    const D3DXVECTOR3 local[4] = {
        {-half.x - m, -half.y - m, -half.z},
        {half.x + m, -half.y - m, -half.z},
        {-half.x - m, m - half.y, -half.z},
        {-half.x - m, half.y - m, -half.z},
    };
    D3DXVECTOR3 placed[4];
    D3DXVec3TransformCoordArray(placed, sizeof(D3DXVECTOR3), local, sizeof(D3DXVECTOR3), &matrix, 4);
    const D3DXVECTOR2 c0(placed[0].x, placed[0].y), c1(placed[1].x, placed[1].y);
    const D3DXVECTOR2 c2(placed[2].x, placed[2].y), c3(placed[3].x, placed[3].y);
    BuildGroundDecal(object, c0, c3, c1 - c0, c2 - c0, triangles);
}

void PRender::BuildGroundDecal(CPSmartPtr<CPGameObject> object, D3DXVECTOR2 origin, D3DXVECTOR2 point,
                               D3DXVECTOR2 axisA, D3DXVECTOR2 axisB, CPSmartPtr<CPPhysicData> triangles) {
    CPRenderObject* mesh = object ? object->GetRenderObject() : nullptr;
    if (!mesh) return;

    FitDecalFrame(origin, axisA, axisB, point);
    // The frame matrix is built on O - A, so that its u comes out one too large: hence u - 1 below.
    const D3DXMATRIX frame = FrameMatrix(origin - axisA, axisA, axisB);
    D3DXMATRIX toFrame;
    if (!D3DXMatrixInverse(&toFrame, nullptr, &frame)) return;

    std::vector<CPVertex>& vertices = mesh->GetLocalVertices();
    std::vector<uint16_t>& indices = mesh->GetIndices();
    vertices.clear();
    mesh->GetWorldVertices().clear();
    indices.clear();

    // The physics side may hand over a count beyond the list's room or indices outside the mesh: only
    // the listed room is read, and a triangle that reaches outside the mesh is skipped.
    const CPPhysicWorld* world = gPhysicsWorld;
    const int32_t listed = triangles ? std::clamp(triangles->mCandidateCount, 0, CPPhysicData::kMaxCandidates) : 0;
    const auto vertexCount = static_cast<int64_t>(world ? world->mVertices.size() : 0);
    const auto triangleCount = static_cast<int64_t>(world ? world->mTriangles.size() : 0);
    struct Usable {
        std::array<int32_t, 3> key;  // the triangle's vertices in ascending order
        const CPCollisionTriangle* triangle;
    };
    std::vector<Usable> usable;
    usable.reserve(static_cast<size_t>(listed));
    for (int32_t i = 0; i < listed; ++i) {
        const int32_t index = triangles->mCandidates[static_cast<size_t>(i)];
        if (index < 0 || index >= triangleCount) continue;
        const CPCollisionTriangle& triangle = world->mTriangles[static_cast<size_t>(index)];
        bool inside = true;
        for (int32_t vertex : triangle.vertices) inside = inside && vertex >= 0 && vertex < vertexCount;
        if (!inside) continue;
        std::array<int32_t, 3> key = {triangle.vertices[0], triangle.vertices[1], triangle.vertices[2]};
        std::sort(key.begin(), key.end());
        usable.push_back({key, &triangle});
    }
    // The same triangle listed again, in any vertex order, is laid once, where it was first listed: a
    // sort by key, then by place in the list, puts each first listing at the head of its run.
    std::vector<uint32_t> byKey(usable.size());
    for (size_t j = 0; j < byKey.size(); ++j) byKey[j] = static_cast<uint32_t>(j);
    const auto keyOf = [&usable](uint32_t j) {
        const std::array<int32_t, 3>& key = usable[j].key;
        return std::tie(key[0], key[1], key[2]);
    };
    std::sort(byKey.begin(), byKey.end(), [&keyOf](uint32_t a, uint32_t b) {
        return std::tuple_cat(keyOf(a), std::tie(a)) < std::tuple_cat(keyOf(b), std::tie(b));
    });
    std::vector<bool> firstListed(usable.size(), false);
    for (size_t k = 0; k < byKey.size(); ++k)
        firstListed[byKey[k]] = k == 0 || keyOf(byKey[k]) != keyOf(byKey[k - 1]);

    for (size_t j = 0; j < usable.size(); ++j) {
        if (!firstListed[j]) continue;
        const CPCollisionTriangle& triangle = *usable[j].triangle;
        for (int32_t vertex : triangle.vertices) {
            const CPCollisionVertex& ground = world->mVertices[static_cast<size_t>(vertex)];
            CPVertex out;
            out.position = D3DXVECTOR3(ground.x, ground.y, ground.z + kDecalLift);
            out.normal = D3DXVECTOR3(0.0f, 0.0f, 1.0f);
            out.diffuse = 0xffffffff;
            out.specular = 0;
            const D3DXVECTOR2 ground2(ground.x, ground.y);
            D3DXVECTOR2 uv;
            D3DXVec2TransformCoord(&uv, &ground2, &toFrame);
            out.u0 = uv.x - 1.0f;
            out.v0 = uv.y;
            indices.push_back(static_cast<uint16_t>(vertices.size()));
            vertices.push_back(out);
        }
    }
    mesh->GetWorldVertices() = vertices;
}
