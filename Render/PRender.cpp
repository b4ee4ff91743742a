#include "Render/PRender.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "DynamicSky/Skyscape.h"
#include "Render/PIVertexBuffer.h"
#include "core/LogStream.h"
#include "core/StringUtils.h"
#include "core/config/Settings.h"
#include "core/files/CPFileReader.h"
#include "platform/D3DX9Texture.h"

PRender::PRender(IDirect3DDevice9* device) {
    mAmbient = D3DXVECTOR4(0, 0, 0, 1);
    D3DXMatrixIdentity(&mViewProjection);
    SetDevice(device);
}

PRender::~PRender() {
    // The sky's buffers and effects live on the device released below.
    delete mSky;
    mSky = nullptr;
    ClearMeshBuffers();
    if (mWarningBackground) mWarningBackground->Release();
    if (mWarningBar) mWarningBar->Release();
    mLayers.clear();
    delete mOverlayCamera;
    if (mDevice) mDevice->Release();
}

void PRender::SetDevice(IDirect3DDevice9* device) {
    if (device) device->AddRef();
    if (mDevice) mDevice->Release();
    mDevice = device;
}

void PRender::CreateRadialBlurGrid(int32_t rows, int32_t columns) {
    mRadialBlurRows = std::max(rows, 1);
    mRadialBlurColumns = std::max(columns, 1);
    const float width = static_cast<float>(gSettings::screenWidth);
    const float height = static_cast<float>(gSettings::screenHeight);
    mRadialBlurPoints.clear();
    for (int32_t r = 0; r <= mRadialBlurRows; ++r) {
        for (int32_t c = 0; c <= mRadialBlurColumns; ++c) {
            const float u = static_cast<float>(c) / static_cast<float>(mRadialBlurColumns);
            const float v = static_cast<float>(r) / static_cast<float>(mRadialBlurRows);
            mRadialBlurPoints.push_back({u * width, v * height, 0.0f, 1.0f, 0xFFFFFFFF, u, v});
        }
    }
    mRadialBlurDirections.assign(mRadialBlurPoints.size(), D3DXVECTOR2(0, 0));
}

// ---- Device defaults ----

D3DXMATRIX PRender::DefaultView() {
    D3DXMATRIX view;
    const D3DXVECTOR3 eye(0, 0, 14.5f), at(0, 0, 0), up(0, 0, 1);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    return view;
}

D3DXMATRIX PRender::DefaultProjection() {
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, 1.0995574f, 1.3333334f, 0.1f, 1000.0f);
    return projection;
}

void PRender::SetDefaultStates() {
    if (!mDevice) return;
    IDirect3DDevice9& d = *mDevice;

    const D3DXMATRIX view = DefaultView();
    d.SetTransform(D3DTS_VIEW, &view);
    const D3DXMATRIX projection = DefaultProjection();
    d.SetTransform(D3DTS_PROJECTION, &projection);

    d.SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    d.SetRenderState(D3DRS_LIGHTING, TRUE);
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    d.SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    d.SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);

    SetTextureFilters();

    d.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d.SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d.SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    d.SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    d.SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
    d.SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    d.SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    d.SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);

    d.SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    d.SetRenderState(D3DRS_DITHERENABLE, TRUE);
    d.SetRenderState(D3DRS_CLIPPING, TRUE);
    d.SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    d.SetRenderState(D3DRS_AMBIENT, mAmbientColor);

    d.SetFVF(kVertexFVF);

    d.SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    d.SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    d.SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d.SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
    d.SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    d.SetTextureStageState(1, D3DTSS_ALPHAARG2, D3DTA_CURRENT);
    d.SetSamplerState(1, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    d.SetSamplerState(1, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    d.SetTextureStageState(2, D3DTSS_COLOROP, D3DTOP_DISABLE);
    d.SetTextureStageState(2, D3DTSS_ALPHAOP, D3DTOP_DISABLE);

    D3DMATERIAL9 material{};
    material.Diffuse = {1, 1, 1, 1};
    material.Ambient = {1, 1, 1, 1};
    material.Specular = {0.3f, 0.3f, 0.3f, 1};
    material.Emissive = {0, 0, 0, 0};
    material.Power = 10.0f;
    d.SetMaterial(&material);

    d.SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
    d.SetRenderState(D3DRS_SPECULARMATERIALSOURCE, D3DMCS_MATERIAL);
    d.SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL);

    const double distance = gSettings::distance;
    d.SetRenderState(D3DRS_FOGENABLE, TRUE);
    d.SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
    d.SetRenderState(D3DRS_FOGDENSITY, D3DFloatBits(0.0f));
    d.SetRenderState(D3DRS_FOGSTART, D3DFloatBits(10.0f));
    d.SetRenderState(D3DRS_FOGEND, D3DFloatBits(static_cast<float>(distance - distance * 0.1)));
    d.SetRenderState(D3DRS_FOGCOLOR, mFogColor);

    // A new overlay camera each level; the one it replaces is the renderer's own and is deleted.
    auto* overlay = new CPBaseCamera();
    D3DXMATRIX ortho;
    D3DXMatrixOrthoOffCenterLH(&ortho, 0.0f, static_cast<float>(gSettings::screenWidth),
                               static_cast<float>(gSettings::screenHeight), 0.0f, 0.0f, 1.0f);
    overlay->SetViewMatrix(ortho);
    SetLayerCamera(kOverlayLayer, overlay);
    delete mOverlayCamera;
    mOverlayCamera = overlay;
}

void PRender::SetTextureFilters() {
    if (!mDevice) return;
    IDirect3DDevice9& d = *mDevice;
    const float aniso = gSettings::aniso;
    if (aniso > 0.0f) {
        const float m = static_cast<float>(mMaxAnisotropy);
        const float wanted = std::ceil(m * aniso);
        const DWORD level = wanted >= m ? static_cast<DWORD>(std::max(mMaxAnisotropy, 0))
                                        : static_cast<DWORD>(std::max(wanted, 0.0f));
        d.SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_ANISOTROPIC);
        d.SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_ANISOTROPIC);
        d.SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
        d.SetSamplerState(0, D3DSAMP_MAXANISOTROPY, level);
        d.SetSamplerState(1, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        d.SetSamplerState(1, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        d.SetSamplerState(1, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
        return;
    }
    for (DWORD sampler = 0; sampler < 2; ++sampler) {
        d.SetSamplerState(sampler, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        d.SetSamplerState(sampler, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        d.SetSamplerState(sampler, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    }
}

void PRender::SetAmbient(D3DCOLOR color, float red, float green, float blue) {
    mAmbientColor = color;
    mAmbient = D3DXVECTOR4(red, green, blue, 1.0f);
    if (mDevice) mDevice->SetRenderState(D3DRS_AMBIENT, color);
}

// ---- Sky ----

void PRender::SetSkyscape(int32_t levelIndex) {
    delete mSky;
    mSky = nullptr;
    char name[32];
    std::snprintf(name, sizeof name, "skyscape%d.txt", levelIndex);
    mSky = new Skyscape();
    mSky->Load(name);
}

// ---- Render layers ----

CPRenderLayer& PRender::FindOrCreateLayer(int32_t key) {
    auto [it, added] = mLayers.try_emplace(key);
    if (added) it->second.mKey = key;
    return it->second;
}

void PRender::SetLayerCamera(int32_t key, CPSmartPtr<CPBaseCamera> camera) {
    CPRenderLayer& layer = FindOrCreateLayer(key);
    ++layer.mVersion;
    layer.mKey = key;
    layer.mCamera = camera;
}

CPRenderLayer& PRender::SetLayerMatrix(const float* matrix, int32_t key) {
    CPRenderLayer& layer = FindOrCreateLayer(key);
    ++layer.mVersion;
    layer.mHasMatrix = 1;
    if (matrix) std::memcpy(layer.mMatrix.m, matrix, sizeof layer.mMatrix.m);
    return layer;
}

void PRender::ForgetCamera(const CPBaseCamera* camera) {
    for (auto& [key, layer] : mLayers)
        if (layer.mCamera.Get() == camera) layer.mCamera.Forget();
    if (mOverlayCamera == camera) mOverlayCamera = nullptr;
}

// ---- Lights ----

bool PRender::AddLight(const D3DLIGHT9& light) {
    if (mLightCount >= kMaxLights) return false;
    mLights[static_cast<size_t>(mLightCount++)] = light;
    return true;
}

void PRender::ApplyLights() {
    if (mDevice) {
        for (int32_t i = 0; i < mLightCount; ++i) {
            const D3DLIGHT9& light = mLights[static_cast<size_t>(i)];
            mDevice->SetLight(static_cast<DWORD>(i), &light);
            if (light.Type == D3DLIGHT_DIRECTIONAL) mSunLight = light;
            mDevice->LightEnable(static_cast<DWORD>(i), TRUE);
        }
        for (int32_t i = mLightCount; i < kMaxLights; ++i) mDevice->LightEnable(static_cast<DWORD>(i), FALSE);
    }
    mLightCount = 0;
}

// ---- Frame services ----

void PRender::SetFadeLevel(float level) {
    // A script can hand over NaN; the frame turns the fade into a colour, so it must stay a number.
    if (std::isnan(level)) level = 0.0f;
    const float maximum = static_cast<float>(mFadeMaximum);
    const float fade = std::clamp(level, 0.0f, 1.0f) * maximum;
    mFadeValue = std::clamp(fade, 0.0f, std::max(maximum, 0.0f));
}

void PRender::ProjectToScreen(D3DXVECTOR3* result, const D3DXVECTOR3& world) const {
    if (!result) return;
    const D3DXVECTOR4 point(world.x, world.y, world.z, 1.0f);
    D3DXVECTOR4 clip;
    D3DXVec4Transform(&clip, &point, &mViewProjection);
    const float xn = clip.x / clip.w;
    const float yn = clip.y / clip.w;
    const float width = static_cast<float>(gSettings::screenWidth);
    const float height = static_cast<float>(gSettings::screenHeight);
    *result = D3DXVECTOR3((xn + 1.0f) * width * 0.5f, height * 0.5f - yn * height * 0.5f, 0.0f);
}

void PRender::UpdateRadialBlurGrid(float centreY) {
    if (gSettings::blur == 0) return;
    const float cx = static_cast<float>(gSettings::screenWidth) * 0.5f;
    const float cy = (centreY + 1.0f) * static_cast<float>(gSettings::screenHeight) * 0.5f;
    for (size_t p = 0; p < mRadialBlurPoints.size(); ++p) {
        const D3DXVECTOR2 offset(mRadialBlurPoints[p].x - cx, mRadialBlurPoints[p].y - cy);
        D3DXVec2Normalize(&mRadialBlurDirections[p], &offset);
    }
}

void PRender::SetMotionBlur(float amount) {
    mMotionBlurEnabled = amount != 0.0f ? 1 : 0;
    mMotionBlurAmount = amount != 0.0f ? amount : 0.0f;
}

void PRender::AddDebugLine(D3DCOLOR color, const D3DXVECTOR3& from, const D3DXVECTOR3& to) {
    for (const D3DXVECTOR3* p : {&from, &to}) {
        CPVertex point{};
        point.position = *p;
        point.diffuse = color;
        mDebugLinePoints.push_back(point);
    }
    mDebugLinesPresent = true;
}

void PRender::ClearDebugLines() {
    mDebugLinePoints.clear();
    mDebugLinesPresent = false;
}

// ---- Static mesh buffers ----

std::shared_ptr<CPMeshBuffers> PRender::GetMeshBuffers(const std::string& name, const CPVertex* vertices,
                                                       const uint16_t* indices, int32_t vertexCount,
                                                       int32_t indexCount) {
    std::string key = name;
    ToLower(key);
    if (auto it = mMeshBuffers.find(key); it != mMeshBuffers.end()) return it->second;

    // Missing data counts as none, so nothing is ever read through a null pointer.
    const UINT vertexTotal = vertices && vertexCount > 0 ? static_cast<UINT>(vertexCount) : 0;
    const UINT indexTotal = indices && indexCount > 0 ? static_cast<UINT>(indexCount) : 0;
    ++*mLiveMeshBufferRecords;
    std::shared_ptr<CPMeshBuffers> record(new CPMeshBuffers, [live = mLiveMeshBufferRecords](CPMeshBuffers* gone) {
        --*live;
        delete gone;
    });
    record->vertices.assign(vertices, vertices + vertexTotal);
    record->indices.assign(indices, indices + indexTotal);
    if (mDevice) {
        const UINT vertexBytes = vertexTotal * static_cast<UINT>(sizeof(CPVertex));
        const UINT indexBytes = indexTotal * static_cast<UINT>(sizeof(uint16_t));
        mDevice->CreateVertexBuffer(vertexBytes, D3DUSAGE_WRITEONLY, kVertexFVF, D3DPOOL_MANAGED,
                                    &record->vertexBuffer, nullptr);
        mDevice->CreateIndexBuffer(indexBytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                   &record->indexBuffer, nullptr);
        // Both buffers are locked whole, filled and unlocked. A buffer that cannot be locked is dropped
        // (kept null) rather than left holding nothing: the frame skips null buffers.
        void* vertexTarget = nullptr;
        void* indexTarget = nullptr;
        if (record->vertexBuffer && FAILED(record->vertexBuffer->Lock(0, vertexBytes, &vertexTarget, 0)))
            vertexTarget = nullptr;
        if (record->indexBuffer && FAILED(record->indexBuffer->Lock(0, indexBytes, &indexTarget, 0)))
            indexTarget = nullptr;
        if (indexTarget) std::memcpy(indexTarget, record->indices.data(), indexBytes);
        if (vertexTarget) std::memcpy(vertexTarget, record->vertices.data(), vertexBytes);
        auto finish = [](auto*& buffer, void* target) {
            if (!buffer) return;
            if (target) {
                buffer->Unlock();
            } else {
                buffer->Release();
                buffer = nullptr;
            }
        };
        finish(record->vertexBuffer, vertexTarget);
        finish(record->indexBuffer, indexTarget);
    }
    record->vertexCount = static_cast<int32_t>(vertexTotal);
    record->primitiveCount = static_cast<int32_t>(indexTotal / 3);
    mMeshBuffers.emplace(key, record);
    return record;
}

void PRender::ClearMeshBuffers() {
    for (auto& [key, record] : mMeshBuffers) {
        if (record->vertexBuffer) record->vertexBuffer->Release();
        if (record->indexBuffer) record->indexBuffer->Release();
        record->vertexBuffer = nullptr;
        record->indexBuffer = nullptr;
    }
    mMeshBuffers.clear();
    // A level stops here: its baked geometry goes too, or a renderable made later at an address a baked
    // one had would be drawn from the old bake.
    if (mBranchQueue && mBranchQueue->GetRing()) mBranchQueue->GetRing()->ForgetWritten();
}

// ---- Warning and loading screen ----

IDirect3DTexture9* PRender::LoadScreenTexture(const char* path, int line) {
    CPFileReader reader(path, false);
    // Unreadable: retried next time. An empty file was read and goes on to fail as an image.
    if (FAILED(reader.Load())) return nullptr;
    IDirect3DTexture9* texture = nullptr;
    const HRESULT result = D3DXCreateTextureFromFileInMemoryEx(
        mDevice, reader.GetData(), reader.GetSize(), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
        D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER, 0, nullptr, nullptr, &texture);
    if (FAILED(result)) {
        ReportDXError(__FILE__, line, result);
        return nullptr;
    }
    return texture;
}

void PRender::DrawWarningScreen(int32_t percent) {
    if (!mDevice) return;
    IDirect3DDevice9& d = *mDevice;
    if (!mWarningBackground) mWarningBackground = LoadScreenTexture("data\\textures\\back2.jpg", 112);
    if (!mWarningBar) mWarningBar = LoadScreenTexture("data\\textures\\load.tga", 137);

    d.Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    d.BeginScene();
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    d.SetTransform(D3DTS_WORLD, &identity);
    d.SetTransform(D3DTS_PROJECTION, &identity);
    d.SetTransform(D3DTS_VIEW, &identity);

    d.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    d.SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    d.SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d.SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    d.SetRenderState(D3DRS_ZENABLE, FALSE);
    d.SetRenderState(D3DRS_LIGHTING, FALSE);
    d.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d.SetRenderState(D3DRS_FOGENABLE, FALSE);
    d.SetFVF(kScreenVertexFVF);
    d.SetTexture(0, mWarningBackground);

    const float w = static_cast<float>(gSettings::screenWidth);
    const float h = static_cast<float>(gSettings::screenHeight);
    // The picture comes from the top three quarters of its texture.
    const PScreenVertex background[4] = {
        {w - 0.5f, -0.5f, 1.0f, 1.0f, 0, 1.0f, 0.0f},
        {w - 0.5f, h - 0.5f, 1.0f, 1.0f, 0, 1.0f, 0.75f},
        {-0.5f, -0.5f, 1.0f, 1.0f, 0, 0.0f, 0.0f},
        {-0.5f, h - 0.5f, 1.0f, 1.0f, 0, 0.0f, 0.75f},
    };
    d.DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, background, sizeof(PScreenVertex));

    // The bar texture wraps once per percent along the bottom 1/51.2 of the screen.
    const float p = static_cast<float>(std::clamp(percent, 0, 100));
    const float x = w * p * 0.01f;
    const float y = h * 0.98046875f;
    d.SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d.SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    d.SetTexture(0, mWarningBar);
    const PScreenVertex bar[4] = {
        {x, y, 1.0f, 1.0f, 0xFFFFFFFF, p, 0.0f},
        {x, h, 1.0f, 1.0f, 0xFFFFFFFF, p, 1.0f},
        {0.0f, y, 1.0f, 1.0f, 0xFFFFFFFF, 0.0f, 0.0f},
        {0.0f, h, 1.0f, 1.0f, 0xFFFFFFFF, 0.0f, 1.0f},
    };
    d.DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, bar, sizeof(PScreenVertex));

    d.EndScene();
    d.Present(nullptr, nullptr, nullptr, nullptr);
}
