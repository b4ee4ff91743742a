#include "Render/CPScreenEffects.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "Render/PRender.h"
#include "core/FloatToInt.h"
#include "core/config/Settings.h"
#include "platform/Direct3DResource9.h"

namespace {
// The device states the passes change, each read before its first change and given back at the end, so
// that the next frame's blocks find the states of the level as they left them.
class SavedStates {
public:
    explicit SavedStates(IDirect3DDevice9& device) : mDevice(device) {
        mDevice.GetFVF(&mFVF);
        mDevice.GetTexture(0, &mTexture);
    }
    ~SavedStates() {
        for (auto it = mStages.rbegin(); it != mStages.rend(); ++it) mDevice.SetTextureStageState(0, it->first, it->second);
        for (auto it = mStates.rbegin(); it != mStates.rend(); ++it) mDevice.SetRenderState(it->first, it->second);
        mDevice.SetTexture(0, mTexture);
        if (mTexture) mTexture->Release();
        mDevice.SetFVF(mFVF);
    }
    SavedStates(const SavedStates&) = delete;
    SavedStates& operator=(const SavedStates&) = delete;

    void State(D3DRENDERSTATETYPE state, DWORD value) {
        if (std::none_of(mStates.begin(), mStates.end(), [&](const auto& saved) { return saved.first == state; })) {
            DWORD old = 0;
            mDevice.GetRenderState(state, &old);
            mStates.emplace_back(state, old);
        }
        mDevice.SetRenderState(state, value);
    }
    void Stage(D3DTEXTURESTAGESTATETYPE type, DWORD value) {
        if (std::none_of(mStages.begin(), mStages.end(), [&](const auto& saved) { return saved.first == type; })) {
            DWORD old = 0;
            mDevice.GetTextureStageState(0, type, &old);
            mStages.emplace_back(type, old);
        }
        mDevice.SetTextureStageState(0, type, value);
    }

private:
    IDirect3DDevice9& mDevice;
    DWORD mFVF = 0;
    IDirect3DBaseTexture9* mTexture = nullptr;  // counted by GetTexture
    std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>> mStates;
    std::vector<std::pair<D3DTEXTURESTAGESTATETYPE, DWORD>> mStages;
};

// A byte from a share in 0..1, truncated; NaN and values outside give the nearest end.
uint32_t ShareToByte(float share) { return ClampToByte(static_cast<double>(std::clamp(share, 0.0f, 1.0f)) * 255.0); }

// The pass states shared by every overlay: no depth, light, fog or culling; blending on; the vertex
// colour, modulated by the texture when one is bound.
void SetOverlayStates(SavedStates& states, bool textured, D3DBLEND source, D3DBLEND destination) {
    states.State(D3DRS_ZENABLE, D3DZB_FALSE);
    states.State(D3DRS_ZWRITEENABLE, FALSE);
    states.State(D3DRS_LIGHTING, FALSE);
    states.State(D3DRS_FOGENABLE, FALSE);
    states.State(D3DRS_CULLMODE, D3DCULL_NONE);
    states.State(D3DRS_ALPHABLENDENABLE, TRUE);
    states.State(D3DRS_SRCBLEND, source);
    states.State(D3DRS_DESTBLEND, destination);
    states.Stage(D3DTSS_COLOROP, textured ? D3DTOP_MODULATE : D3DTOP_SELECTARG2);
    states.Stage(D3DTSS_COLORARG1, D3DTA_TEXTURE);
    states.Stage(D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    states.Stage(D3DTSS_ALPHAOP, textured ? D3DTOP_MODULATE : D3DTOP_SELECTARG2);
    states.Stage(D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    states.Stage(D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
}

// A quad over the whole screen, in pixels; the half-pixel shift puts texel centres on pixel centres.
void DrawScreenQuad(IDirect3DDevice9& device, float width, float height, D3DCOLOR colour) {
    const PScreenVertex quad[4] = {
        {-0.5f, -0.5f, 0.0f, 1.0f, colour, 0.0f, 0.0f},
        {width - 0.5f, -0.5f, 0.0f, 1.0f, colour, 1.0f, 0.0f},
        {-0.5f, height - 0.5f, 0.0f, 1.0f, colour, 0.0f, 1.0f},
        {width - 0.5f, height - 0.5f, 0.0f, 1.0f, colour, 1.0f, 1.0f},
    };
    device.DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(PScreenVertex));
}

void DrawRadialBlurGrid(IDirect3DDevice9& device, const PRender& renderer, float width, float height) {
    const std::vector<PScreenVertex>& points = renderer.GetRadialBlurPoints();
    const std::vector<D3DXVECTOR2>& directions = renderer.GetRadialBlurDirections();
    const int32_t rows = renderer.GetRadialBlurRows();
    const int32_t columns = renderer.GetRadialBlurColumns();
    const size_t count = static_cast<size_t>(rows + 1) * static_cast<size_t>(columns + 1);
    if (rows < 1 || columns < 1 || points.size() != count || directions.size() != count || count > 0xFFFF) return;

    const float reach = renderer.mRadialBlurAmount * CPScreenEffects::kRadialBlurReach;
    std::vector<PScreenVertex> vertices(points);
    for (size_t i = 0; i < count; ++i) {
        PScreenVertex& v = vertices[i];
        v.x = points[i].x - 0.5f;
        v.y = points[i].y - 0.5f;
        v.z = 0.0f;
        v.rhw = 1.0f;
        v.diffuse = CPScreenEffects::kRadialBlurColour;
        v.u = points[i].x / width - directions[i].x * reach;
        v.v = points[i].y / height - directions[i].y * reach;
    }
    // Two triangles per cell, row by row.
    std::vector<uint16_t> indices;
    indices.reserve(static_cast<size_t>(rows) * static_cast<size_t>(columns) * 6);
    const auto stride = static_cast<uint16_t>(columns + 1);
    for (int32_t r = 0; r < rows; ++r) {
        for (int32_t c = 0; c < columns; ++c) {
            const auto corner = static_cast<uint16_t>(r * (columns + 1) + c);
            const uint16_t cell[6] = {corner,
                                      static_cast<uint16_t>(corner + 1),
                                      static_cast<uint16_t>(corner + stride),
                                      static_cast<uint16_t>(corner + 1),
                                      static_cast<uint16_t>(corner + stride + 1),
                                      static_cast<uint16_t>(corner + stride)};
            indices.insert(indices.end(), cell, cell + 6);
        }
    }
    device.DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(count),
                                  static_cast<UINT>(indices.size() / 3), indices.data(), D3DFMT_INDEX16,
                                  vertices.data(), sizeof(PScreenVertex));
}
}  // namespace

CPScreenEffects::~CPScreenEffects() {
    if (mPicture) mPicture->Release();
}

void CPScreenEffects::OnLostDevice() {
    if (mPicture) mPicture->Release();
    mPicture = nullptr;
    mHasPrevious = false;
}

bool CPScreenEffects::EnsurePicture(IDirect3DDevice9& device) {
    if (mPicture) return true;
    IDirect3DSurface9* back = nullptr;
    if (FAILED(device.GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back)) || !back) return false;
    D3DSURFACE_DESC desc{};
    const HRESULT described = back->GetDesc(&desc);
    back->Release();
    if (FAILED(described)) return false;
    if (FAILED(device.CreateTexture(desc.Width, desc.Height, 1, D3DUSAGE_RENDERTARGET, desc.Format, D3DPOOL_DEFAULT,
                                    &mPicture, nullptr)))
        mPicture = nullptr;
    return mPicture != nullptr;
}

bool CPScreenEffects::CopyPicture(IDirect3DDevice9& device) {
    if (!EnsurePicture(device)) return false;
    IDirect3DSurface9* back = nullptr;
    IDirect3DSurface9* copy = nullptr;
    bool copied = false;
    if (SUCCEEDED(device.GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back)) &&
        SUCCEEDED(mPicture->GetSurfaceLevel(0, &copy)))
        copied = SUCCEEDED(device.StretchRect(back, nullptr, copy, nullptr, D3DTEXF_LINEAR));
    if (copy) copy->Release();
    if (back) back->Release();
    return copied;
}

void CPScreenEffects::Draw(PRender& renderer) {
    IDirect3DDevice9* device = renderer.GetDevice();
    const float width = static_cast<float>(gSettings::screenWidth);
    const float height = static_cast<float>(gSettings::screenHeight);
    if (!device || !(width > 0.0f) || !(height > 0.0f)) return;

    const bool motion = renderer.mMotionBlurEnabled != 0 && renderer.mMotionBlurAmount > 0.0f;
    const bool radial = renderer.mRadialBlurAmount != 0.0f && std::isfinite(renderer.mRadialBlurAmount);
    const bool light = renderer.mLightCoeff > 0.0f;
    const int32_t fadeMaximum = renderer.GetFadeMaximum();
    const bool fade = fadeMaximum > 0 && renderer.GetFadeValue() < static_cast<float>(fadeMaximum);
    // A blur switched on later starts from its own picture, not from one of long ago.
    if (!motion) mHasPrevious = false;
    if (!motion && !radial && !light && !fade) return;

    SavedStates states(*device);
    device->SetFVF(kScreenVertexFVF);
    if (motion && mHasPrevious && SUCCEEDED(device->BeginScene())) {
        SetOverlayStates(states, true, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
        device->SetTexture(0, mPicture);
        const uint32_t alpha = ClampToByte(static_cast<double>(std::min(renderer.mMotionBlurAmount, 1.0f)) *
                                           static_cast<double>(renderer.mMotionBlurAlpha));
        DrawScreenQuad(*device, width, height, (alpha << 24) | 0x00FFFFFFu);
        device->EndScene();
    }
    // Outside a scene: the copy reads the finished picture.
    const bool copied = (motion || radial) && CopyPicture(*device);
    mHasPrevious = motion && copied;
    if (!((radial && copied) || light || fade) || FAILED(device->BeginScene())) return;
    if (radial && copied) {
        SetOverlayStates(states, true, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
        device->SetTexture(0, mPicture);
        DrawRadialBlurGrid(*device, renderer, width, height);
    }
    device->SetTexture(0, nullptr);
    if (light) {
        SetOverlayStates(states, false, D3DBLEND_ONE, D3DBLEND_ONE);
        const uint32_t grey = ShareToByte(renderer.mLightCoeff);
        DrawScreenQuad(*device, width, height, 0xFF000000u | grey << 16 | grey << 8 | grey);
    }
    if (fade) {
        SetOverlayStates(states, false, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
        const uint32_t darkness = ShareToByte(1.0f - renderer.GetFadeValue() / static_cast<float>(fadeMaximum));
        DrawScreenQuad(*device, width, height, darkness << 24);
    }
    device->EndScene();
}
