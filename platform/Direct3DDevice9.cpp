#include "platform/Direct3DDevice9.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/PlatformFaults.h"

namespace {

D3DMATRIX Identity() {
    D3DMATRIX m{};
    for (int i = 0; i < 4; ++i) m.m[i][i] = 1.0f;
    return m;
}

// Vertices a draw of `count` primitives of a type reads.
UINT VerticesOf(D3DPRIMITIVETYPE type, UINT count) {
    switch (type) {
        case D3DPT_POINTLIST: return count;
        case D3DPT_LINELIST: return count * 2;
        case D3DPT_LINESTRIP: return count + 1;
        case D3DPT_TRIANGLELIST: return count * 3;
        case D3DPT_TRIANGLESTRIP:
        case D3DPT_TRIANGLEFAN: return count + 2;
    }
    return 0;
}

bool KnownPrimitive(D3DPRIMITIVETYPE type) { return type >= D3DPT_POINTLIST && type <= D3DPT_TRIANGLEFAN; }

// A light switched on without SetLight: white, directional, pointing along +z.
D3DLIGHT9 DefaultLight() {
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1, 1, 1, 0};
    light.Direction = {0, 0, 1};
    return light;
}

}  // namespace

// ---- D3DDeviceChild ----

D3DDeviceChild::D3DDeviceChild(IDirect3DDevice9* device) : mDevice(device) {
    if (mDevice) mDevice->mChildren.push_back(this);
}

D3DDeviceChild::~D3DDeviceChild() {
    if (mDevice) std::erase(mDevice->mChildren, this);
}

// ---- Life ----

IDirect3DDevice9::IDirect3DDevice9(const D3DPRESENT_PARAMETERS& parameters) : mParameters(parameters) {
    mCaps.MaxTextureWidth = 4096;
    mCaps.MaxTextureHeight = 4096;
    mCaps.MaxAnisotropy = 16;
    mCaps.MaxActiveLights = 8;
    mCaps.MaxSimultaneousTextures = D3D_TEXTURE_STAGES;
    mCaps.MaxPrimitiveCount = 0xFFFFF;
    mCaps.MaxVertexIndex = 0xFFFFFF;
    SetDefaultState();
}

IDirect3DDevice9::~IDirect3DDevice9() {
    ReleaseBindings();
    for (D3DDeviceChild* child : mChildren) child->mDevice = nullptr;
}

ULONG IDirect3DDevice9::AddRef() { return ++mRefCount; }

ULONG IDirect3DDevice9::Release() {
    ULONG count = --mRefCount;
    if (count == 0) delete this;
    return count;
}

void IDirect3DDevice9::ReleaseBindings() {
    for (auto& texture : mTextures) {
        if (texture) texture->Release();
        texture = nullptr;
    }
    for (auto& stream : mStreams) {
        if (stream.buffer) stream.buffer->Release();
        stream = {};
    }
    if (mIndices) mIndices->Release();
    mIndices = nullptr;
}

// The state a new or freshly reset device starts in.
void IDirect3DDevice9::SetDefaultState() {
    ReleaseBindings();
    mRenderStates.fill(0);
    auto rs = [this](D3DRENDERSTATETYPE state, DWORD value) { mRenderStates[state] = value; };
    rs(D3DRS_ZENABLE, mParameters.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE);
    rs(D3DRS_FILLMODE, D3DFILL_SOLID);
    rs(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    rs(D3DRS_ZWRITEENABLE, TRUE);
    rs(D3DRS_LASTPIXEL, TRUE);
    rs(D3DRS_SRCBLEND, D3DBLEND_ONE);
    rs(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    rs(D3DRS_CULLMODE, D3DCULL_CCW);
    rs(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    rs(D3DRS_ALPHAFUNC, D3DCMP_ALWAYS);
    rs(D3DRS_FOGSTART, D3DFloatBits(0.0f));
    rs(D3DRS_FOGEND, D3DFloatBits(1.0f));
    rs(D3DRS_FOGDENSITY, D3DFloatBits(1.0f));
    rs(D3DRS_CLIPPING, TRUE);
    rs(D3DRS_LIGHTING, TRUE);
    rs(D3DRS_COLORVERTEX, TRUE);
    rs(D3DRS_LOCALVIEWER, TRUE);
    rs(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1);
    rs(D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2);
    rs(D3DRS_POINTSIZE, D3DFloatBits(1.0f));
    rs(D3DRS_COLORWRITEENABLE, 0xF);
    rs(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    rs(D3DRS_TEXTUREFACTOR, 0xFFFFFFFF);

    mTransforms.clear();
    for (DWORD stage = 0; stage < D3D_TEXTURE_STAGES; ++stage) {
        auto& s = mStageStates[stage];
        s.fill(0);
        s[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        s[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        s[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        s[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        s[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        s[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        s[D3DTSS_TEXCOORDINDEX] = stage;
        s[D3DTSS_COLORARG0] = D3DTA_CURRENT;
        s[D3DTSS_ALPHAARG0] = D3DTA_CURRENT;
        s[D3DTSS_RESULTARG] = D3DTA_CURRENT;
        auto& sampler = mSamplerStates[stage];
        sampler.fill(0);
        sampler[D3DSAMP_ADDRESSU] = D3DTADDRESS_WRAP;
        sampler[D3DSAMP_ADDRESSV] = D3DTADDRESS_WRAP;
        sampler[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
        sampler[D3DSAMP_MAGFILTER] = D3DTEXF_POINT;
        sampler[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
        sampler[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
        sampler[D3DSAMP_MAXANISOTROPY] = 1;
    }
    mLights.clear();
    mMaterial = {};
    mFVF = 0;
    mViewport = {0, 0, mParameters.BackBufferWidth, mParameters.BackBufferHeight, 0.0f, 1.0f};
    mInScene = false;
}

// ---- Recording ----

void IDirect3DDevice9::SetRecording(bool on) {
    mRecording = on;
    if (on) mRecordingAsked = true;
}

const std::vector<D3DCallRecord>& IDirect3DDevice9::Calls() const {
    // Checked in every build: a test reading the record of a device it never asked to record would
    // otherwise pass on an empty list.
    if (!mRecordingAsked) {
        std::fputs("IDirect3DDevice9::Calls: the device was never asked to record (SetRecording(true))\n", stderr);
        std::abort();
    }
    return mCalls;
}

void IDirect3DDevice9::Record(D3DCallRecord record) {
    if (!mRecording) return;
    if (mCalls.size() >= kMaxRecords) mCalls.erase(mCalls.begin(), mCalls.begin() + kMaxRecords / 2);
    mCalls.push_back(std::move(record));
}

HRESULT IDirect3DDevice9::InjectedFailure(D3DCall call) {
    return PlatformFaults::Take(D3DCallName(call)).value_or(S_OK);
}

HRESULT IDirect3DDevice9::Begin(D3DCall call) { return InjectedFailure(call); }

HRESULT IDirect3DDevice9::Finish(D3DCallRecord record) {
    HRESULT result = record.result;
    Record(std::move(record));
    return result;
}

size_t IDirect3DDevice9::ResetBlockerCount() const {
    return static_cast<size_t>(
        std::count_if(mChildren.begin(), mChildren.end(), [](const D3DDeviceChild* c) { return c->BlocksReset(); }));
}

void IDirect3DDevice9::LoseDevice(bool resettable) {
    mLost = true;
    mResettable = resettable;
}

IDirect3DVertexBuffer9* IDirect3DDevice9::StreamSource(UINT stream) const {
    return stream < kStreams ? mStreams[stream].buffer : nullptr;
}

UINT IDirect3DDevice9::StreamStride(UINT stream) const { return stream < kStreams ? mStreams[stream].stride : 0; }

// ---- Device state ----

HRESULT IDirect3DDevice9::TestCooperativeLevel() {
    HRESULT result = Begin(D3DCall::TestCooperativeLevel);
    if (SUCCEEDED(result) && mLost) result = mResettable ? D3DERR_DEVICENOTRESET : D3DERR_DEVICELOST;
    return Finish({.call = D3DCall::TestCooperativeLevel, .result = result});
}

HRESULT IDirect3DDevice9::GetDeviceCaps(D3DCAPS9* caps) {
    if (!caps) return D3DERR_INVALIDCALL;
    *caps = mCaps;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::Reset(D3DPRESENT_PARAMETERS* parameters) {
    HRESULT result = Begin(D3DCall::Reset);
    if (SUCCEEDED(result) && (!parameters || (mLost && !mResettable))) result = D3DERR_INVALIDCALL;
    // Memory outside the managed pool must be given up before a reset, as on the platform.
    if (SUCCEEDED(result) && ResetBlockerCount() > 0) result = D3DERR_INVALIDCALL;
    D3DCallRecord record{.call = D3DCall::Reset};
    if (parameters) record.args = {parameters->BackBufferWidth, parameters->BackBufferHeight};
    if (SUCCEEDED(result)) {
        mParameters = *parameters;
        mLost = false;
        SetDefaultState();
    } else {
        // A failed reset leaves the device lost, waiting for another try.
        mLost = true;
    }
    record.result = result;
    return Finish(std::move(record));
}

HRESULT IDirect3DDevice9::Present(const RECT*, const RECT*, HWND, const RGNDATA*) {
    HRESULT result = Begin(D3DCall::Present);
    if (SUCCEEDED(result) && mInScene) result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result) && mLost) result = D3DERR_DEVICELOST;
    if (SUCCEEDED(result)) ++mPresentCount;
    return Finish({.call = D3DCall::Present, .result = result});
}

HRESULT IDirect3DDevice9::BeginScene() {
    HRESULT result = Begin(D3DCall::BeginScene);
    if (SUCCEEDED(result) && mInScene) result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) mInScene = true;
    return Finish({.call = D3DCall::BeginScene, .result = result});
}

HRESULT IDirect3DDevice9::EndScene() {
    HRESULT result = Begin(D3DCall::EndScene);
    if (SUCCEEDED(result) && !mInScene) result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) mInScene = false;
    return Finish({.call = D3DCall::EndScene, .result = result});
}

HRESULT IDirect3DDevice9::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                                DWORD stencil) {
    HRESULT result = Begin(D3DCall::Clear);
    if (SUCCEEDED(result) && ((count > 0 && !rects) || (flags & ~(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER |
                                                                   D3DCLEAR_STENCIL)) != 0))
        result = D3DERR_INVALIDCALL;
    return Finish(
        {.call = D3DCall::Clear, .args = {count, flags, color, D3DFloatBits(z), stencil}, .result = result});
}

HRESULT IDirect3DDevice9::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    HRESULT result = Begin(D3DCall::SetRenderState);
    if (SUCCEEDED(result) && state >= D3DRS_STATE_COUNT) result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) mRenderStates[state] = value;
    return Finish({.call = D3DCall::SetRenderState, .args = {state, value}, .result = result});
}

HRESULT IDirect3DDevice9::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    if (!value || state >= D3DRS_STATE_COUNT) return D3DERR_INVALIDCALL;
    *value = mRenderStates[state];
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    HRESULT result = Begin(D3DCall::SetTransform);
    if (SUCCEEDED(result) && (!matrix || state > 511)) result = D3DERR_INVALIDCALL;
    D3DCallRecord record{.call = D3DCall::SetTransform, .args = {state}};
    if (matrix) record.matrix = *matrix;
    if (SUCCEEDED(result)) mTransforms[state] = *matrix;
    record.result = result;
    return Finish(std::move(record));
}

HRESULT IDirect3DDevice9::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
    if (!matrix || state > 511) return D3DERR_INVALIDCALL;
    auto it = mTransforms.find(state);
    *matrix = it == mTransforms.end() ? Identity() : it->second;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    HRESULT result = Begin(D3DCall::SetTextureStageState);
    if (SUCCEEDED(result) && (stage >= D3D_TEXTURE_STAGES || type >= D3DTSS_STATE_COUNT))
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) mStageStates[stage][type] = value;
    return Finish({.call = D3DCall::SetTextureStageState, .args = {stage, type, value}, .result = result});
}

HRESULT IDirect3DDevice9::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
    if (!value || stage >= D3D_TEXTURE_STAGES || type >= D3DTSS_STATE_COUNT) return D3DERR_INVALIDCALL;
    *value = mStageStates[stage][type];
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    HRESULT result = Begin(D3DCall::SetSamplerState);
    if (SUCCEEDED(result) && (sampler >= D3D_TEXTURE_STAGES || type >= D3DSAMP_STATE_COUNT))
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) mSamplerStates[sampler][type] = value;
    return Finish({.call = D3DCall::SetSamplerState, .args = {sampler, type, value}, .result = result});
}

HRESULT IDirect3DDevice9::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
    if (!value || sampler >= D3D_TEXTURE_STAGES || type >= D3DSAMP_STATE_COUNT) return D3DERR_INVALIDCALL;
    *value = mSamplerStates[sampler][type];
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetLight(DWORD index, const D3DLIGHT9* light) {
    HRESULT result = Begin(D3DCall::SetLight);
    if (SUCCEEDED(result) && (!light || light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL))
        result = D3DERR_INVALIDCALL;
    D3DCallRecord record{.call = D3DCall::SetLight, .args = {index}};
    if (light) record.light = *light;
    if (SUCCEEDED(result)) mLights[index].light = *light;
    record.result = result;
    return Finish(std::move(record));
}

HRESULT IDirect3DDevice9::GetLight(DWORD index, D3DLIGHT9* light) {
    auto it = mLights.find(index);
    if (!light || it == mLights.end()) return D3DERR_INVALIDCALL;
    *light = it->second.light;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::LightEnable(DWORD index, BOOL enable) {
    HRESULT result = Begin(D3DCall::LightEnable);
    if (SUCCEEDED(result)) {
        auto [it, added] = mLights.try_emplace(index);
        if (added) it->second.light = DefaultLight();
        it->second.enabled = enable != FALSE;
    }
    return Finish({.call = D3DCall::LightEnable, .args = {index, static_cast<uint32_t>(enable)}, .result = result});
}

HRESULT IDirect3DDevice9::GetLightEnable(DWORD index, BOOL* enable) {
    auto it = mLights.find(index);
    if (!enable || it == mLights.end()) return D3DERR_INVALIDCALL;
    *enable = it->second.enabled ? TRUE : FALSE;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetMaterial(const D3DMATERIAL9* material) {
    HRESULT result = Begin(D3DCall::SetMaterial);
    if (SUCCEEDED(result) && !material) result = D3DERR_INVALIDCALL;
    D3DCallRecord record{.call = D3DCall::SetMaterial};
    if (material) record.material = *material;
    if (SUCCEEDED(result)) mMaterial = *material;
    record.result = result;
    return Finish(std::move(record));
}

HRESULT IDirect3DDevice9::GetMaterial(D3DMATERIAL9* material) {
    if (!material) return D3DERR_INVALIDCALL;
    *material = mMaterial;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
    HRESULT result = Begin(D3DCall::SetTexture);
    if (SUCCEEDED(result) && stage >= D3D_TEXTURE_STAGES) result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result) && texture) {
        IDirect3DDevice9* owner = texture->Device();
        if (owner != this) result = D3DERR_INVALIDCALL;
    }
    if (SUCCEEDED(result)) {
        if (texture) texture->AddRef();
        if (mTextures[stage]) mTextures[stage]->Release();
        mTextures[stage] = texture;
    }
    return Finish({.call = D3DCall::SetTexture, .args = {stage}, .object = texture, .result = result});
}

HRESULT IDirect3DDevice9::GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) {
    if (!texture || stage >= D3D_TEXTURE_STAGES) return D3DERR_INVALIDCALL;
    *texture = mTextures[stage];
    if (*texture) (*texture)->AddRef();
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetFVF(DWORD fvf) {
    HRESULT result = Begin(D3DCall::SetFVF);
    if (SUCCEEDED(result)) mFVF = fvf;
    return Finish({.call = D3DCall::SetFVF, .args = {fvf}, .result = result});
}

HRESULT IDirect3DDevice9::GetFVF(DWORD* fvf) {
    if (!fvf) return D3DERR_INVALIDCALL;
    *fvf = mFVF;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride) {
    HRESULT result = Begin(D3DCall::SetStreamSource);
    if (SUCCEEDED(result) && (stream >= kStreams || (buffer && buffer->Device() != this))) result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) {
        if (buffer) buffer->AddRef();
        if (mStreams[stream].buffer) mStreams[stream].buffer->Release();
        mStreams[stream] = {buffer, offset, stride};
    }
    return Finish(
        {.call = D3DCall::SetStreamSource, .args = {stream, offset, stride}, .object = buffer, .result = result});
}

HRESULT IDirect3DDevice9::SetIndices(IDirect3DIndexBuffer9* buffer) {
    HRESULT result = Begin(D3DCall::SetIndices);
    if (SUCCEEDED(result) && buffer && buffer->Device() != this) result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) {
        if (buffer) buffer->AddRef();
        if (mIndices) mIndices->Release();
        mIndices = buffer;
    }
    return Finish({.call = D3DCall::SetIndices, .object = buffer, .result = result});
}

HRESULT IDirect3DDevice9::SetViewport(const D3DVIEWPORT9* viewport) {
    HRESULT result = Begin(D3DCall::SetViewport);
    if (SUCCEEDED(result) && !viewport) result = D3DERR_INVALIDCALL;
    D3DCallRecord record{.call = D3DCall::SetViewport};
    if (viewport) {
        record.args = {viewport->X, viewport->Y, viewport->Width, viewport->Height, D3DFloatBits(viewport->MinZ),
                       D3DFloatBits(viewport->MaxZ)};
    }
    if (SUCCEEDED(result)) mViewport = *viewport;
    record.result = result;
    return Finish(std::move(record));
}

HRESULT IDirect3DDevice9::GetViewport(D3DVIEWPORT9* viewport) {
    if (!viewport) return D3DERR_INVALIDCALL;
    *viewport = mViewport;
    return D3D_OK;
}

// ---- Drawing ----

HRESULT IDirect3DDevice9::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
    HRESULT result = Begin(D3DCall::DrawPrimitive);
    const Stream& stream = mStreams[0];
    if (SUCCEEDED(result)) {
        const uint64_t end = static_cast<uint64_t>(stream.offset) +
                             (static_cast<uint64_t>(startVertex) + VerticesOf(type, primitiveCount)) * stream.stride;
        if (!mInScene || !KnownPrimitive(type) || !CountAllowed(primitiveCount) || !stream.buffer ||
            stream.stride == 0 || end > stream.buffer->Bytes().size())
            result = D3DERR_INVALIDCALL;
    }
    return Finish({.call = D3DCall::DrawPrimitive,
                   .args = {type, startVertex, primitiveCount},
                   .object = stream.buffer,
                   .result = result});
}

// Above the caps' limit a count is refused before any vertex total is formed from it, so no total wraps.
bool IDirect3DDevice9::CountAllowed(UINT primitiveCount) const {
    return primitiveCount > 0 && primitiveCount <= mCaps.MaxPrimitiveCount;
}

HRESULT IDirect3DDevice9::CheckIndexedRange(INT baseVertex, UINT startIndex, UINT indexCount) const {
    const Stream& stream = mStreams[0];
    if (!stream.buffer || stream.stride == 0 || !mIndices) return D3DERR_INVALIDCALL;
    const std::vector<uint8_t>& indexBytes = mIndices->Bytes();
    const UINT indexSize = mIndices->IndexSize();
    if ((static_cast<uint64_t>(startIndex) + indexCount) * indexSize > indexBytes.size()) return D3DERR_INVALIDCALL;
    const uint64_t vertexCount = stream.buffer->Bytes().size() > stream.offset
                                     ? (stream.buffer->Bytes().size() - stream.offset) / stream.stride
                                     : 0;
    for (UINT i = 0; i < indexCount; ++i) {
        const uint8_t* at = indexBytes.data() + static_cast<size_t>(startIndex + i) * indexSize;
        uint32_t index = 0;
        std::memcpy(&index, at, indexSize);  // little-endian host: the low bytes come first
        const int64_t vertex = static_cast<int64_t>(index) + baseVertex;
        if (vertex < 0 || static_cast<uint64_t>(vertex) >= vertexCount) return D3DERR_INVALIDCALL;
    }
    return D3D_OK;
}

HRESULT IDirect3DDevice9::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex,
                                               UINT vertexCount, UINT startIndex, UINT primitiveCount) {
    HRESULT result = Begin(D3DCall::DrawIndexedPrimitive);
    if (SUCCEEDED(result) && (!mInScene || !KnownPrimitive(type) || !CountAllowed(primitiveCount) || vertexCount == 0))
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) result = CheckIndexedRange(baseVertex, startIndex, VerticesOf(type, primitiveCount));
    return Finish({.call = D3DCall::DrawIndexedPrimitive,
                   .args = {type, static_cast<uint32_t>(baseVertex), minIndex, vertexCount, startIndex,
                            primitiveCount},
                   .object = mStreams[0].buffer,
                   .result = result});
}

HRESULT IDirect3DDevice9::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertices,
                                          UINT stride) {
    HRESULT result = Begin(D3DCall::DrawPrimitiveUP);
    if (SUCCEEDED(result) && (!mInScene || !KnownPrimitive(type) || !CountAllowed(primitiveCount) || !vertices ||
                              stride == 0))
        result = D3DERR_INVALIDCALL;
    D3DCallRecord record{.call = D3DCall::DrawPrimitiveUP, .args = {type, primitiveCount, stride}};
    if (SUCCEEDED(result)) {
        const auto* bytes = static_cast<const uint8_t*>(vertices);
        record.vertices.assign(bytes, bytes + static_cast<size_t>(VerticesOf(type, primitiveCount)) * stride);
        // Drawing from memory leaves no stream bound, as on the platform.
        if (mStreams[0].buffer) mStreams[0].buffer->Release();
        mStreams[0] = {};
    }
    record.result = result;
    return Finish(std::move(record));
}

HRESULT IDirect3DDevice9::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertexCount,
                                                 UINT primitiveCount, const void* indices, D3DFORMAT indexFormat,
                                                 const void* vertices, UINT stride) {
    HRESULT result = Begin(D3DCall::DrawIndexedPrimitiveUP);
    const UINT indexSize = indexFormat == D3DFMT_INDEX32 ? 4 : 2;
    if (SUCCEEDED(result) &&
        (!mInScene || !KnownPrimitive(type) || !CountAllowed(primitiveCount) || !indices || !vertices || stride == 0 ||
         (indexFormat != D3DFMT_INDEX16 && indexFormat != D3DFMT_INDEX32)))
        result = D3DERR_INVALIDCALL;
    D3DCallRecord record{.call = D3DCall::DrawIndexedPrimitiveUP,
                         .args = {type, minIndex, vertexCount, primitiveCount, indexFormat, stride}};
    if (SUCCEEDED(result)) {
        const UINT indexCount = VerticesOf(type, primitiveCount);
        const auto* indexBytes = static_cast<const uint8_t*>(indices);
        record.indices.assign(indexBytes, indexBytes + static_cast<size_t>(indexCount) * indexSize);
        const uint64_t limit = static_cast<uint64_t>(minIndex) + vertexCount;
        for (UINT i = 0; i < indexCount && SUCCEEDED(result); ++i) {
            uint32_t index = 0;
            std::memcpy(&index, indexBytes + static_cast<size_t>(i) * indexSize, indexSize);
            if (index < minIndex || index >= limit) result = D3DERR_INVALIDCALL;
        }
        if (SUCCEEDED(result)) {
            const auto* bytes = static_cast<const uint8_t*>(vertices);
            record.vertices.assign(bytes, bytes + static_cast<size_t>(limit) * stride);
            if (mStreams[0].buffer) mStreams[0].buffer->Release();
            mStreams[0] = {};
            if (mIndices) mIndices->Release();
            mIndices = nullptr;
        }
    }
    record.result = result;
    return Finish(std::move(record));
}

// ---- Resources ----

HRESULT IDirect3DDevice9::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                             IDirect3DVertexBuffer9** buffer, HANDLE*) {
    HRESULT result = Begin(D3DCall::CreateVertexBuffer);
    if (SUCCEEDED(result) && (!buffer || length == 0 || pool > D3DPOOL_SCRATCH)) result = D3DERR_INVALIDCALL;
    if (buffer) *buffer = nullptr;
    if (SUCCEEDED(result)) *buffer = new IDirect3DVertexBuffer9(this, length, usage, fvf, pool);
    return Finish({.call = D3DCall::CreateVertexBuffer,
                   .args = {length, usage, fvf, pool},
                   .object = buffer ? *buffer : nullptr,
                   .result = result});
}

HRESULT IDirect3DDevice9::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                            IDirect3DIndexBuffer9** buffer, HANDLE*) {
    HRESULT result = Begin(D3DCall::CreateIndexBuffer);
    if (SUCCEEDED(result) && (!buffer || length == 0 || pool > D3DPOOL_SCRATCH ||
                              (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32)))
        result = D3DERR_INVALIDCALL;
    if (buffer) *buffer = nullptr;
    if (SUCCEEDED(result)) *buffer = new IDirect3DIndexBuffer9(this, length, usage, format, pool);
    return Finish({.call = D3DCall::CreateIndexBuffer,
                   .args = {length, usage, format, pool},
                   .object = buffer ? *buffer : nullptr,
                   .result = result});
}

HRESULT IDirect3DDevice9::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                        D3DPOOL pool, IDirect3DTexture9** texture, HANDLE*) {
    HRESULT result = Begin(D3DCall::CreateTexture);
    D3DFormatLayout layout{};
    if (SUCCEEDED(result) &&
        (!texture || width == 0 || height == 0 || width > mCaps.MaxTextureWidth || height > mCaps.MaxTextureHeight ||
         levels > D3DFullMipChain(width, height) || pool > D3DPOOL_SCRATCH || !D3DGetFormatLayout(format, &layout)))
        result = D3DERR_INVALIDCALL;
    if (texture) *texture = nullptr;
    if (SUCCEEDED(result)) *texture = new IDirect3DTexture9(this, width, height, levels, usage, format, pool);
    return Finish({.call = D3DCall::CreateTexture,
                   .args = {width, height, levels, usage, format, pool},
                   .object = texture ? *texture : nullptr,
                   .result = result});
}

HRESULT IDirect3DDevice9::CreateCubeTexture(UINT edge, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                            IDirect3DCubeTexture9** texture, HANDLE*) {
    HRESULT result = Begin(D3DCall::CreateCubeTexture);
    D3DFormatLayout layout{};
    if (SUCCEEDED(result) &&
        (!texture || edge == 0 || edge > mCaps.MaxTextureWidth || levels > D3DFullMipChain(edge, edge) ||
         pool > D3DPOOL_SCRATCH || !D3DGetFormatLayout(format, &layout)))
        result = D3DERR_INVALIDCALL;
    if (texture) *texture = nullptr;
    if (SUCCEEDED(result)) *texture = new IDirect3DCubeTexture9(this, edge, levels, usage, format, pool);
    return Finish({.call = D3DCall::CreateCubeTexture,
                   .args = {edge, levels, usage, format, pool},
                   .object = texture ? *texture : nullptr,
                   .result = result});
}

HRESULT IDirect3DDevice9::GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type,
                                        IDirect3DSurface9** surface) {
    HRESULT result = Begin(D3DCall::GetBackBuffer);
    const UINT count = std::max<UINT>(mParameters.BackBufferCount, 1);
    if (SUCCEEDED(result) && (!surface || swapChain != 0 || index >= count || type != D3DBACKBUFFER_TYPE_MONO))
        result = D3DERR_INVALIDCALL;
    if (surface) *surface = nullptr;
    if (SUCCEEDED(result)) {
        const D3DFORMAT format =
            mParameters.BackBufferFormat == D3DFMT_UNKNOWN ? D3DFMT_X8R8G8B8 : mParameters.BackBufferFormat;
        *surface = new IDirect3DSurface9(this, std::max<UINT>(mParameters.BackBufferWidth, 1),
                                         std::max<UINT>(mParameters.BackBufferHeight, 1), format,
                                         D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, nullptr, 0);
    }
    return Finish({.call = D3DCall::GetBackBuffer,
                   .args = {swapChain, index, type},
                   .object = surface ? *surface : nullptr,
                   .result = result});
}

HRESULT IDirect3DDevice9::StretchRect(IDirect3DSurface9* source, const RECT* sourceRect,
                                      IDirect3DSurface9* destination, const RECT* destinationRect,
                                      D3DTEXTUREFILTERTYPE filter) {
    HRESULT result = Begin(D3DCall::StretchRect);
    // Both surfaces must be this device's, and the copy cannot read what it writes.
    if (SUCCEEDED(result) && (!source || !destination || source == destination || source->Device() != this ||
                              destination->Device() != this))
        result = D3DERR_INVALIDCALL;
    return Finish({.call = D3DCall::StretchRect,
                   .args = {filter, sourceRect ? 1u : 0u, destinationRect ? 1u : 0u},
                   .object = destination,
                   .result = result});
}
