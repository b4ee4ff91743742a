#include "DynamicSky/SkyRenderDevice.h"

#include <bit>

#include "DynamicSky/VertexObject.h"
#include "Render/PRender.h"
#include "core/FloatToInt.h"
#include "core/ServiceGlobals.h"
#include "simulation/level/CPLevel.h"

// Built before any engine code runs, with no device; there is nothing to undo at exit.
SkyRenderDevice gSkyRenderDevice;

namespace {
// Channels 0..255, their fractions dropped, packed as opaque ARGB. Each channel keeps only its low byte.
D3DCOLOR PackSkyColor(float red, float green, float blue) {
    const auto channel = [](float value) { return static_cast<uint32_t>(TruncateToInt32(value)) & 0xFFu; };
    return 0xFF000000u | channel(red) << 16 | channel(green) << 8 | channel(blue);
}

// A light channel 0..1 as the byte a D3DCOLOR would hold: rounded, and saturated outside 0..1.
uint32_t LightChannelByte(float value) {
    if (value >= 1.0f) return 255;
    if (value <= 0.0f) return 0;
    return static_cast<uint32_t>(TruncateToInt32(value * 255.0f + 0.5f));
}
}  // namespace

HRESULT SkyRenderDevice::Draw(VertexObject& object) {
    if (!mDevice || !object.IsUploaded()) return E_FAIL;
    mDevice->SetFVF(kVertexFVF);
    mDevice->SetIndices(object.GetIndexBuffer());
    mDevice->SetStreamSource(0, object.GetVertexBuffer(), 0, sizeof(CPVertex));
    ID3DXEffect* effect = object.GetUseLightingEffect() ? object.GetLightingEffect() : object.GetEffect();
    if (!effect && object.GetUseLightingEffect()) return E_FAIL;
    const UINT vertexCount = static_cast<UINT>(object.GetWorldVertices().size());
    const UINT primitiveCount = static_cast<UINT>(object.GetIndices().size() / 3);
    const auto drawMesh = [&] {
        return mDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, vertexCount, 0, primitiveCount);
    };
    if (!effect) return drawMesh();

    effect->SetTexture("tex0", object.GetTexture());
    UINT passes = 0;
    if (FAILED(effect->Begin(&passes, 0))) return E_FAIL;
    HRESULT result = E_FAIL;
    for (UINT pass = 0; pass < passes; ++pass) {
        effect->BeginPass(pass);
        result = drawMesh();
        effect->EndPass();
    }
    effect->End();
    return result;
}

void SetSkyAmbient(float red, float green, float blue) {
    if (!gRenderer) return;
    gRenderer->SetAmbient(PackSkyColor(red, green, blue), red / 255.0f, green / 255.0f, blue / 255.0f);
}

void SetSkyFog(float red, float green, float blue, float fogStart, float fogEnd) {
    if (!gRenderer) return;
    const D3DCOLOR color = PackSkyColor(red, green, blue);
    gRenderer->mFogColor = color;
    if (IDirect3DDevice9* device = gRenderer->GetDevice()) {
        device->SetRenderState(D3DRS_FOGCOLOR, color);
        device->SetRenderState(D3DRS_FOGSTART, std::bit_cast<DWORD>(fogStart));
        device->SetRenderState(D3DRS_FOGEND, std::bit_cast<DWORD>(fogEnd));
    }
}

void SetSkySunLight(const D3DXVECTOR3& direction, const D3DXCOLOR& color) {
    // The level's update and this routine both need a level; a frame without one still applies the
    // table so that it empties every frame.
    if (gLevel) {
        D3DLIGHT9& light = gLevel->mSunLight;
        D3DXVECTOR3 unit;
        D3DXVec3Normalize(&unit, &direction);
        light.Direction = unit;
        // Read back from the packed bytes, by 256 rather than 255: full red gives 0.99609375.
        constexpr float kByteScale = 0.00390625f;
        const D3DCOLORVALUE value{static_cast<float>(LightChannelByte(color.r)) * kByteScale,
                                  static_cast<float>(LightChannelByte(color.g)) * kByteScale,
                                  static_cast<float>(LightChannelByte(color.b)) * kByteScale, 0.0f};
        light.Diffuse = value;
        light.Specular = value;
        gLevel->AddRendererRecord();
    }
    if (gRenderer) gRenderer->ApplyLights();
}

void ClearSkyDepth() {
    if (IDirect3DDevice9* device = gSkyRenderDevice.GetDevice())
        device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0xff000000, 1.0f, 0);
}
