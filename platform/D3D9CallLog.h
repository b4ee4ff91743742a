// What the recording Direct3D stand-ins keep: every call in order, with its arguments. Failures are
// armed through PlatformFaults under the call's name (D3DCallName).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/D3D9Types.h"
#include "platform/D3DX9Math.h"

// Every call a stand-in records or can be made to fail.
enum class D3DCall : uint16_t {
    // IDirect3DDevice9
    TestCooperativeLevel,
    Reset,
    Present,
    BeginScene,
    EndScene,
    Clear,
    SetRenderState,
    SetTransform,
    SetTextureStageState,
    SetSamplerState,
    SetLight,
    LightEnable,
    SetMaterial,
    SetTexture,
    SetFVF,
    SetStreamSource,
    SetIndices,
    SetViewport,
    DrawPrimitive,
    DrawIndexedPrimitive,
    DrawPrimitiveUP,
    DrawIndexedPrimitiveUP,
    CreateVertexBuffer,
    CreateIndexBuffer,
    CreateTexture,
    CreateCubeTexture,
    GetBackBuffer,
    StretchRect,
    // Resources
    VertexBufferLock,
    VertexBufferUnlock,
    IndexBufferLock,
    IndexBufferUnlock,
    TextureLockRect,
    TextureUnlockRect,
    TextureGetLevelDesc,
    TextureSetLOD,
    TextureGetSurfaceLevel,
    // D3DX
    D3DXCreateTextureFromFileInMemoryEx,
    D3DXCreateCubeTextureFromFileInMemoryEx,
    D3DXCreateEffect,
    EffectSetTechnique,
    EffectBegin,
    EffectBeginPass,
    EffectEndPass,
    EffectEnd,
    EffectCommitChanges,
    EffectSetValue,  // every parameter setter: SetFloat, SetMatrix, SetTexture, ...
    EffectOnLostDevice,
    EffectOnResetDevice,
    Count,
};

// The call's name, also its key in PlatformFaults: "SetRenderState", "IDirect3DVertexBuffer9::Lock", ...
const char* D3DCallName(D3DCall call);

// One recorded call. Integer arguments in call order (floats as their bit patterns); the records that
// do not fit in integers have fields of their own.
struct D3DCallRecord {
    D3DCall call = D3DCall::Count;
    std::vector<uint32_t> args{};
    const void* object = nullptr;  // the resource or effect the call acts on or binds; null when none
    HRESULT result = S_OK;
    D3DMATRIX matrix{};            // SetTransform, effect SetMatrix
    D3DLIGHT9 light{};             // SetLight
    D3DMATERIAL9 material{};       // SetMaterial
    std::string name{};            // effect parameter or technique name
    std::vector<uint8_t> vertices{};  // vertex bytes given to a DrawPrimitiveUP / DrawIndexedPrimitiveUP
    std::vector<uint8_t> indices{};   // index bytes given to a DrawIndexedPrimitiveUP

    bool Is(D3DCall c, const std::vector<uint32_t>& a) const { return call == c && args == a; }
};

// One line per record, for test messages: "SetRenderState(137, 1)".
std::string Describe(const D3DCallRecord& record);
