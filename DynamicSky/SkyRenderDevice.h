// The device the sky and cloud objects draw with (gSkyRenderDevice), and the four device states the sky
// controls: ambient colour, fog, the sun light and the depth clear that lets the scene draw over the sky.
#pragma once

#include "platform/D3DX9Math.h"
#include "platform/Direct3DDevice9.h"

class VertexObject;

class SkyRenderDevice {
public:
    // The host sets the device before the first frame and clears it before the device goes away; it is
    // not counted here.
    void SetDevice(IDirect3DDevice9* device) { mDevice = device; }
    IDirect3DDevice9* GetDevice() const { return mDevice; }

    // Binds the object's buffers and draws its uploaded mesh as one indexed triangle list through each
    // pass of its effect (the lighting effect when the object asks for it) or, without an effect, once
    // with the device's states. E_FAIL, and nothing touched, without a device or an uploaded mesh; E_FAIL,
    // and nothing drawn, when the lighting effect is asked for but missing; otherwise the result of the
    // last draw (E_FAIL when no pass ran).
    HRESULT Draw(VertexObject& object);

private:
    IDirect3DDevice9* mDevice = nullptr;  // not owned; null until the host sets it
};

extern SkyRenderDevice gSkyRenderDevice;

// Channels 0..255 (the fractional part dropped). The packed colour and channel / 255 go to gRenderer.
void SetSkyAmbient(float red, float green, float blue);
// The packed colour becomes gRenderer's fog colour; FOGCOLOR, FOGSTART and FOGEND go to its device.
void SetSkyFog(float red, float green, float blue, float fogStart, float fogEnd);
// Writes gLevel's light record (normalised direction; colour 0..1 per channel turned into bytes and read
// back as byte / 256, alpha 0) and appends it to gRenderer's light table, then applies the table.
// Without a level only the table is applied.
void SetSkySunLight(const D3DXVECTOR3& direction, const D3DXCOLOR& color);
// Clears the depth buffer of gSkyRenderDevice's device (nothing without one).
void ClearSkyDepth();
