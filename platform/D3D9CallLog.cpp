#include "platform/D3D9CallLog.h"

#include <cinttypes>
#include <cstdio>

const char* D3DCallName(D3DCall call) {
    switch (call) {
        case D3DCall::TestCooperativeLevel: return "TestCooperativeLevel";
        case D3DCall::Reset: return "Reset";
        case D3DCall::Present: return "Present";
        case D3DCall::BeginScene: return "BeginScene";
        case D3DCall::EndScene: return "EndScene";
        case D3DCall::Clear: return "Clear";
        case D3DCall::SetRenderState: return "SetRenderState";
        case D3DCall::SetTransform: return "SetTransform";
        case D3DCall::SetTextureStageState: return "SetTextureStageState";
        case D3DCall::SetSamplerState: return "SetSamplerState";
        case D3DCall::SetLight: return "SetLight";
        case D3DCall::LightEnable: return "LightEnable";
        case D3DCall::SetMaterial: return "SetMaterial";
        case D3DCall::SetTexture: return "SetTexture";
        case D3DCall::SetFVF: return "SetFVF";
        case D3DCall::SetStreamSource: return "SetStreamSource";
        case D3DCall::SetIndices: return "SetIndices";
        case D3DCall::SetViewport: return "SetViewport";
        case D3DCall::DrawPrimitive: return "DrawPrimitive";
        case D3DCall::DrawIndexedPrimitive: return "DrawIndexedPrimitive";
        case D3DCall::DrawPrimitiveUP: return "DrawPrimitiveUP";
        case D3DCall::DrawIndexedPrimitiveUP: return "DrawIndexedPrimitiveUP";
        case D3DCall::CreateVertexBuffer: return "CreateVertexBuffer";
        case D3DCall::CreateIndexBuffer: return "CreateIndexBuffer";
        case D3DCall::CreateTexture: return "CreateTexture";
        case D3DCall::CreateCubeTexture: return "CreateCubeTexture";
        case D3DCall::GetBackBuffer: return "GetBackBuffer";
        case D3DCall::StretchRect: return "StretchRect";
        case D3DCall::VertexBufferLock: return "IDirect3DVertexBuffer9::Lock";
        case D3DCall::VertexBufferUnlock: return "IDirect3DVertexBuffer9::Unlock";
        case D3DCall::IndexBufferLock: return "IDirect3DIndexBuffer9::Lock";
        case D3DCall::IndexBufferUnlock: return "IDirect3DIndexBuffer9::Unlock";
        case D3DCall::TextureLockRect: return "LockRect";
        case D3DCall::TextureUnlockRect: return "UnlockRect";
        case D3DCall::TextureGetLevelDesc: return "GetLevelDesc";
        case D3DCall::TextureSetLOD: return "SetLOD";
        case D3DCall::TextureGetSurfaceLevel: return "GetSurfaceLevel";
        case D3DCall::D3DXCreateTextureFromFileInMemoryEx: return "D3DXCreateTextureFromFileInMemoryEx";
        case D3DCall::D3DXCreateCubeTextureFromFileInMemoryEx: return "D3DXCreateCubeTextureFromFileInMemoryEx";
        case D3DCall::D3DXCreateEffect: return "D3DXCreateEffect";
        case D3DCall::EffectSetTechnique: return "ID3DXEffect::SetTechnique";
        case D3DCall::EffectBegin: return "ID3DXEffect::Begin";
        case D3DCall::EffectBeginPass: return "ID3DXEffect::BeginPass";
        case D3DCall::EffectEndPass: return "ID3DXEffect::EndPass";
        case D3DCall::EffectEnd: return "ID3DXEffect::End";
        case D3DCall::EffectCommitChanges: return "ID3DXEffect::CommitChanges";
        case D3DCall::EffectSetValue: return "ID3DXEffect::Set";
        case D3DCall::EffectOnLostDevice: return "ID3DXEffect::OnLostDevice";
        case D3DCall::EffectOnResetDevice: return "ID3DXEffect::OnResetDevice";
        case D3DCall::Count: break;
    }
    return "?";
}

std::string Describe(const D3DCallRecord& record) {
    std::string text = D3DCallName(record.call);
    text += '(';
    if (!record.name.empty()) {
        text += '"' + record.name + '"';
        if (!record.args.empty()) text += ", ";
    }
    char number[16];
    for (size_t i = 0; i < record.args.size(); ++i) {
        std::snprintf(number, sizeof number, "%" PRIu32, record.args[i]);
        if (i) text += ", ";
        text += number;
    }
    text += ')';
    if (record.result != S_OK) {
        std::snprintf(number, sizeof number, " -> 0x%08" PRIX32, static_cast<uint32_t>(record.result));
        text += number;
    }
    return text;
}
