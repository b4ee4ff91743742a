#include "Render/CPMiniMap.h"

#include <algorithm>

#include "Render/PMaterial.h"
#include "Render/PMaterialManager.h"
#include "Render/PRenderObjectManager.h"
#include "core/Angles.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "simulation/level/CPLevel.h"

namespace {
constexpr float kWindow = 0.175f;
constexpr float kSmallWindow = 0.07f;  // the fourth level group's map shows a smaller window
constexpr const char* kEffect = "interface3.fx";
constexpr const char* kScene = "minimap_obj.rdf";
constexpr int32_t kSceneLayerOffset = 200;

// A map position over an extent as a texture offset; an extent not set yet gives no offset instead of
// an infinite one.
float Fraction(float value, float extent) { return extent != 0.0f ? value / extent : 0.0f; }
}  // namespace

CPMiniMap::CPMiniMap() = default;

CPMiniMap::~CPMiniMap() {
    ReleaseIfAlive(mTarget);
    ReleaseIfAlive(mActiveSymbol);
    DeleteScene();
    ReleaseIfAlive(mMaterial);
}

void CPMiniMap::DeleteScene() {
    ReleaseIfAlive(mArrow);
    ReleaseIfAlive(mCheckpoint);
    CPGameObject* scene = mScene.Get();
    ReleaseIfAlive(mScene);
    if (scene && gObjectRegistry::Contains(scene)) delete scene;
}

void CPMiniMap::Init(int32_t /*unused*/, float extentX, float extentY, int32_t /*unused2*/) {
    mWindow = kWindow;
    std::vector<std::string> textures = {"mapblur.tga"};
    const int32_t level = gLevel ? gLevel->mLevelNumber : 0;
    if (level >= 1 && level <= 12) {
        const int32_t group = (level - 1) % 4 + 1;
        textures.push_back("level" + std::to_string(group) + "\\map.tga");
        if (group == 4) mWindow = kSmallWindow;
    }
    textures.push_back("mapblur2.tga");
    if (gMaterialManager) mMaterial = gMaterialManager->CreateMaterial(kLayerKey, kEffect, textures);

    mExtentX = mExtentY = std::max(extentX, extentY);
    mScreenX = kMargin;
    mScreenY = static_cast<float>(gSettings::screenHeight) - kSide - kMargin;

    // A second Init replaces the scene of the first.
    DeleteScene();
    if (gRenderObjectManager) gRenderObjectManager->CreateObjectByDescription(mScene, kScene, kSceneLayerOffset);
    if (mScene) {
        mArrow = mScene->FindObject("arrow");
        mCheckpoint = mScene->FindObject("checkpoint");
    }
    if (mArrow) mArrow->SetVisible(false);
    if (mCheckpoint) mCheckpoint->SetVisible(false);
}

void CPMiniMap::SetPlayer(const float* position, float heading) {
    if (position) {
        mCentreU = mExtentX * 0.5f + position[0];
        mCentreV = mExtentY * 0.5f + position[1];
    }
    mHeading = heading;
}

bool CPMiniMap::FillVertices(CPVertex* vertices, uint16_t* indices, uint16_t baseIndex, int32_t /*flag*/) {
    if (baseIndex + 4u > kMaxBatchVertices) return false;
    D3DXMATRIX turn, move, window;
    D3DXMatrixRotationYawPitchRoll(&turn, 0.0f, 0.0f, mHeading + kHalfPi);
    D3DXMatrixTranslation(&move, Fraction(mCentreU, mExtentX), Fraction(mCentreV, mExtentY), 0.0f);
    D3DXMatrixMultiply(&window, &turn, &move);

    const float w = mWindow;
    const struct {
        float x, y;     // pixels from the corner
        float u, v;     // map window corner before turning
        float u1, v1;   // blur mask coordinates
    } corners[4] = {
        {kSide, 0.0f, w, -w, 1.0f, 0.0f},
        {0.0f, 0.0f, -w, -w, 0.0f, 0.0f},
        {0.0f, kSide, -w, w, 0.0f, 1.0f},
        {kSide, kSide, w, w, 1.0f, 1.0f},
    };
    for (int i = 0; i < 4; ++i) {
        CPVertex& vertex = vertices[i];
        vertex = CPVertex{};
        vertex.position = D3DXVECTOR3(mScreenX + corners[i].x, mScreenY + corners[i].y, 0.0f);
        vertex.diffuse = 0xffffffff;
        const D3DXVECTOR2 corner(corners[i].u, corners[i].v);
        D3DXVECTOR2 turned;
        D3DXVec2TransformCoord(&turned, &corner, &window);
        vertex.u0 = turned.x;
        vertex.v0 = turned.y;
        vertex.u1 = corners[i].u1;
        vertex.v1 = corners[i].v1;
    }
    const uint16_t order[6] = {0, 1, 2, 0, 2, 3};
    for (int i = 0; i < 6; ++i) indices[i] = static_cast<uint16_t>(baseIndex + order[i]);
    return true;
}

void CPMiniMap::SetTarget(CPGameObject* target) {
    ReleaseIfAlive(mTarget);
    mTarget = target;
    if (target) {
        if (mArrow) mArrow->SetVisible(true);
        if (mCheckpoint) mCheckpoint->SetVisible(true);
        mActiveSymbol = mArrow;
    } else {
        ReleaseIfAlive(mActiveSymbol);
        if (mCheckpoint) mCheckpoint->SetVisible(false);
    }
}
