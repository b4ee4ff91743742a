#include "DynamicSky/VertexObject.h"

#include <cstring>

#include "DynamicSky/SkyRenderDevice.h"
#include "Render/PRender.h"
#include "core/LogStream.h"
#include "core/ServiceGlobals.h"
#include "core/files/CPFileReader.h"
#include "platform/D3DX9Texture.h"

namespace {
// Report lines of the three creation sites.
constexpr int kReportLineTexture = 50;
constexpr int kReportLineEffect = 114;
constexpr int kReportLineLightingEffect = 149;

// Triangle filtering with dithering for the mip levels.
constexpr DWORD kMipFilter = D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER;

IDirect3DDevice9* RendererDevice() { return gRenderer ? gRenderer->GetDevice() : nullptr; }

template <class T>
void ReleaseSlot(T*& slot) {
    if (slot) slot->Release();
    slot = nullptr;
}
}  // namespace

VertexObject::~VertexObject() {
    ReleaseSlot(mTexture);
    ReleaseSlot(mEffect);
    ReleaseSlot(mLightingEffect);
    ReleaseSlot(mIndexBuffer);
    ReleaseSlot(mVertexBuffer);
}

void VertexObject::OnLostDevice() {
    if (mEffect) mEffect->OnLostDevice();
    if (mLightingEffect) mLightingEffect->OnLostDevice();
}

void VertexObject::OnResetDevice() {
    if (mEffect) mEffect->OnResetDevice();
    if (mLightingEffect) mLightingEffect->OnResetDevice();
}

HRESULT VertexObject::LoadTexture(const std::string& path) {
    ReleaseSlot(mTexture);
    CPFileReader file(path, false);
    if (file.Load() != S_OK) return S_OK;
    const HRESULT result = D3DXCreateTextureFromFileInMemoryEx(
        RendererDevice(), file.GetData(), file.GetSize(), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
        D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, kMipFilter, 0, nullptr, nullptr, &mTexture);
    if (FAILED(result)) {
        mTexture = nullptr;
        ReportDXError(__FILE__, kReportLineTexture, result);
    }
    return result;
}

HRESULT VertexObject::LoadEffect(const std::string& path) { return LoadEffectInto(mEffect, path, kReportLineEffect); }

HRESULT VertexObject::LoadLightingEffect(const std::string& path) {
    return LoadEffectInto(mLightingEffect, path, kReportLineLightingEffect);
}

HRESULT VertexObject::LoadEffectInto(ID3DXEffect*& slot, const std::string& path, int reportLine) {
    ReleaseSlot(slot);
    CPFileReader file(path, false);
    if (const HRESULT read = file.Load(); read != S_OK) return read;
    const HRESULT result = D3DXCreateEffect(RendererDevice(), file.GetData(), file.GetSize(), nullptr, nullptr, 0,
                                            nullptr, &slot, nullptr);
    if (FAILED(result)) {
        slot = nullptr;
        ReportDXError(__FILE__, reportLine, result);
        return result;
    }
    D3DXHANDLE technique = nullptr;
    slot->FindNextValidTechnique(nullptr, &technique);
    slot->SetTechnique(technique);
    return result;
}

void VertexObject::MatchWorldToLocal() {
    const size_t count = mLocalVertices.size();
    if (mWorldVertices.size() > count) mWorldVertices.resize(count);
    for (size_t i = mWorldVertices.size(); i < count; ++i) mWorldVertices.push_back(mLocalVertices[i]);
}

HRESULT VertexObject::TransformVertices(const D3DXMATRIX& matrix) {
    MatchWorldToLocal();
    if (mLocalVertices.empty()) return S_OK;
    D3DXVec3TransformCoordArray(&mWorldVertices[0].position, sizeof(CPVertex), &mLocalVertices[0].position,
                                sizeof(CPVertex), &matrix, static_cast<UINT>(mLocalVertices.size()));
    return S_OK;
}

HRESULT VertexObject::CreateBuffers(const std::vector<CPVertex>& vertices, const std::vector<uint16_t>& indices,
                                    bool keepWorld) {
    IDirect3DDevice9* device = RendererDevice();
    if (device && (!mVertexBuffer || !mIndexBuffer)) {
        ReleaseSlot(mVertexBuffer);
        ReleaseSlot(mIndexBuffer);
        if (FAILED(device->CreateVertexBuffer(kVertexBufferBytes, D3DUSAGE_WRITEONLY, kVertexFVF, D3DPOOL_MANAGED,
                                              &mVertexBuffer, nullptr)))
            mVertexBuffer = nullptr;
        if (FAILED(device->CreateIndexBuffer(kIndexBufferBytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                             &mIndexBuffer, nullptr)))
            mIndexBuffer = nullptr;
    }

    mLocalVertices = vertices;
    if (!keepWorld) mWorldVertices = mLocalVertices;
    mIndices = indices;
    MatchWorldToLocal();

    mUploaded = false;
    if (mLocalVertices.size() > kMaxVertices || mIndices.size() > kMaxIndices) return E_INVALIDARG;
    if (!mVertexBuffer || !mIndexBuffer) return S_OK;

    const UINT vertexBytes = static_cast<UINT>(mLocalVertices.size() * sizeof(CPVertex));
    const UINT indexBytes = static_cast<UINT>(mIndices.size() * sizeof(uint16_t));
    void* vertexData = nullptr;
    void* indexData = nullptr;
    const bool vertexLocked = SUCCEEDED(mVertexBuffer->Lock(0, vertexBytes, &vertexData, 0));
    const bool indexLocked = SUCCEEDED(mIndexBuffer->Lock(0, indexBytes, &indexData, 0));
    if (vertexLocked && indexLocked) {
        if (vertexBytes) std::memcpy(vertexData, mWorldVertices.data(), vertexBytes);
        if (indexBytes) std::memcpy(indexData, mIndices.data(), indexBytes);
        mUploaded = true;
    }
    if (vertexLocked) mVertexBuffer->Unlock();
    if (indexLocked) mIndexBuffer->Unlock();
    return S_OK;
}

HRESULT VertexObject::Draw(float /*frameTime*/) { return gSkyRenderDevice.Draw(*this); }
