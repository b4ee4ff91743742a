// The frame's full-screen passes over the drawn scene, from the renderer's screen-effect fields: the
// motion-blur overlay (the previous picture over this one), the radial-blur grid (this picture over itself,
// each grid point sampling toward the blur centre), the light coefficient (a flash added over the
// picture) and the screen fade (black over the picture). The pictures live in one render-target texture
// of the back buffer's size, which goes with a lost device and is made again when next needed.
#pragma once

#include <cstdint>

#include "Render/PDeviceListener.h"
#include "platform/Direct3DDevice9.h"

class PRender;

class CPScreenEffects : public CPDeviceListener {
public:
    // How far a radial-blur point samples toward the centre at amount 1, as a share of the screen.
    static constexpr float kRadialBlurReach = 0.05f;
    // The grid is drawn half over the picture it blurs.
    static constexpr D3DCOLOR kRadialBlurColour = 0x80FFFFFF;

    CPScreenEffects() = default;
    ~CPScreenEffects() override;
    CPScreenEffects(const CPScreenEffects&) = delete;
    CPScreenEffects& operator=(const CPScreenEffects&) = delete;

    // After the frame's scene has ended, before Present. In order, each only while it shows:
    // 1. motion blur (enabled, amount above 0): the previous frame's picture over this one, its alpha
    //    int(min(amount, 1) x motion-blur alpha); the first blurred frame has no previous picture;
    // 2. the copy of this picture, kept for the next frame's motion blur and the radial blur;
    // 3. radial blur (amount not 0): the grid's cells over the picture, each point sampling the copy at
    //    its own place moved by -direction x amount x kRadialBlurReach of the screen;
    // 4. light coefficient above 0: white added over the picture, int(min(coefficient, 1) x 255) per channel;
    // 5. fade below its maximum: black over the picture, alpha int((1 - fade / maximum) x 255).
    // The passes draw in scenes of their own with the pre-transformed screen vertices, and give back every
    // device state they change.
    void Draw(PRender& renderer);

    // The copy goes before a reset (it lives in the default pool) and is made again when next needed.
    void OnLostDevice() override;
    void OnResetDevice() override {}

private:
    // The copy texture, made at the back buffer's size and format when missing; false when it cannot be.
    bool EnsurePicture(IDirect3DDevice9& device);
    bool CopyPicture(IDirect3DDevice9& device);

    IDirect3DTexture9* mPicture = nullptr;  // counted; null until needed, and after a lost device
    bool mHasPrevious = false;              // mPicture holds the previous frame's picture for the motion blur
};
