#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Render/CPFrameRenderer.h"
#include "Render/CPScreenEffects.h"
#include "Render/PDeviceListener.h"
#include "Render/PRender.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "support/D3DTestSupport.h"
#include "support/ScopedGlobal.h"
#include "support/ScopedRenderCaches.h"

namespace {

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", value);
    return text;
}

PScreenVertex VertexAt(const std::vector<uint8_t>& bytes, size_t index) {
    PScreenVertex vertex{};
    std::memcpy(&vertex, bytes.data() + index * sizeof(PScreenVertex), sizeof vertex);
    return vertex;
}

// Whole frames on an 800 x 600 screen, read back from the recording device as the passes they drew.
class CPScreenEffectsTest : public ::testing::Test {
protected:
    IDirect3DDevice9& Device() { return mCaches.Device(); }
    PRender& Renderer() { return *gRenderer; }

    // One frame; its calls from the end of the scene on, as lines: "end", "copy", "scene", "present",
    // and for every screen draw its kind, first colour, texture ("copy" or "none") and blend factors.
    std::vector<std::string> Frame() {
        Device().ClearCalls();
        EXPECT_EQ(mFrame.DrawFrame(Renderer()), S_OK);
        std::vector<std::string> log;
        bool afterScene = false;
        const void* texture = nullptr;
        const void* surfaceOf = nullptr;  // the texture whose level surface was taken last
        DWORD source = 0, destination = 0;
        for (const D3DCallRecord& record : Device().Calls()) {
            switch (record.call) {
            case D3DCall::EndScene:
                afterScene = true;
                log.push_back("end");
                break;
            case D3DCall::BeginScene:
                if (afterScene) log.push_back("scene");
                break;
            case D3DCall::CreateTexture:
                if (record.args[3] == D3DUSAGE_RENDERTARGET) mCopy = record.object;
                break;
            case D3DCall::TextureGetSurfaceLevel: surfaceOf = record.object; break;
            case D3DCall::StretchRect:
                EXPECT_EQ(record.result, S_OK);
                EXPECT_EQ(surfaceOf, mCopy) << "the copy goes into the copy texture";
                log.push_back("copy");
                break;
            case D3DCall::SetTexture:
                if (record.args[0] == 0) texture = record.object;
                break;
            case D3DCall::SetRenderState:
                if (record.args[0] == D3DRS_SRCBLEND) source = record.args[1];
                if (record.args[0] == D3DRS_DESTBLEND) destination = record.args[1];
                break;
            case D3DCall::DrawPrimitiveUP:
            case D3DCall::DrawIndexedPrimitiveUP: {
                EXPECT_EQ(record.result, S_OK);
                const bool grid = record.call == D3DCall::DrawIndexedPrimitiveUP;
                log.push_back(std::string(grid ? "grid " : "quad ") + Hex(VertexAt(record.vertices, 0).diffuse) +
                              (texture == nullptr ? " none" : texture == mCopy ? " copy" : " ?") + " " +
                              std::to_string(source) + "/" + std::to_string(destination));
                mLastDraw = record;
                break;
            }
            case D3DCall::Present: log.push_back("present"); break;
            default: break;
            }
        }
        return log;
    }

    ScopedRenderCaches mCaches{DeviceRecording::On};
    ScopedGlobal<int32_t> mWidth{gSettings::screenWidth, 800};
    ScopedGlobal<int32_t> mHeight{gSettings::screenHeight, 600};
    CPFrameRenderer mFrame;
    const void* mCopy = nullptr;  // the copy texture, once made
    D3DCallRecord mLastDraw;
};

}  // namespace

TEST_F(CPScreenEffectsTest, AFadeAtHalfWayDrawsBlackAtHalfOverThePictureAndGivesTheStatesBack) {
    Renderer().SetDefaultStates();
    Renderer().SetFadeMaximum(255);
    Renderer().SetFadeLevel(1.0f);
    EXPECT_EQ(Frame(), (std::vector<std::string>{"end", "present"})) << "fully shown: nothing over it";

    DWORD zBefore = 0, lightingBefore = 0, blendBefore = 0;
    Device().GetRenderState(D3DRS_ZENABLE, &zBefore);
    Device().GetRenderState(D3DRS_LIGHTING, &lightingBefore);
    Device().GetRenderState(D3DRS_ALPHABLENDENABLE, &blendBefore);
    Renderer().SetFadeLevel(0.5f);  // 127.5 of 255
    EXPECT_EQ(Frame(), (std::vector<std::string>{"end", "scene", "quad 7F000000 none 5/6", "end", "present"}))
        << DescribeCalls(Device());
    ASSERT_EQ(mLastDraw.args, (std::vector<uint32_t>{D3DPT_TRIANGLESTRIP, 2, sizeof(PScreenVertex)}));
    const PScreenVertex first = VertexAt(mLastDraw.vertices, 0), last = VertexAt(mLastDraw.vertices, 3);
    EXPECT_EQ(first.x, -0.5f);
    EXPECT_EQ(first.y, -0.5f);
    EXPECT_EQ(last.x, 799.5f);
    EXPECT_EQ(last.y, 599.5f);
    EXPECT_EQ(last.rhw, 1.0f);
    auto fvfs = CallsOf(Device(), D3DCall::SetFVF);
    ASSERT_FALSE(fvfs.empty());
    EXPECT_EQ(fvfs.back().args[0], kVertexFVF) << "the vertex layout of the level comes back";
    DWORD z = 0, lighting = 0, blend = 0;
    Device().GetRenderState(D3DRS_ZENABLE, &z);
    Device().GetRenderState(D3DRS_LIGHTING, &lighting);
    Device().GetRenderState(D3DRS_ALPHABLENDENABLE, &blend);
    EXPECT_EQ(z, zBefore);
    EXPECT_EQ(lighting, lightingBefore);
    EXPECT_EQ(blend, blendBefore);

    Renderer().SetFadeLevel(0.0f);
    EXPECT_EQ(Frame(), (std::vector<std::string>{"end", "scene", "quad FF000000 none 5/6", "end", "present"}));
}

// Motion blur 0.3 with the bonus alpha 150: the previous picture over this one at int(0.3 x 150) = 45.
TEST_F(CPScreenEffectsTest, MotionBlurDrawsThePreviousPictureWithItsAlpha) {
    Renderer().SetMotionBlur(0.3f);
    Renderer().SetMotionBlurAlpha(150);
    EXPECT_EQ(Frame(), (std::vector<std::string>{"end", "copy", "present"})) << "no previous picture yet";
    EXPECT_EQ(Frame(), (std::vector<std::string>{"end", "scene", "quad 2DFFFFFF copy 5/6", "end", "copy", "present"}));

    Renderer().SetMotionBlur(0.0f);
    EXPECT_EQ(Frame(), (std::vector<std::string>{"end", "present"}));
    Renderer().SetMotionBlur(0.6f);
    Renderer().SetMotionBlurAlpha(255);
    EXPECT_EQ(Frame(), (std::vector<std::string>{"end", "copy", "present"})) << "a blur switched on starts afresh";
    EXPECT_EQ(Frame(), (std::vector<std::string>{"end", "scene", "quad 99FFFFFF copy 5/6", "end", "copy", "present"}));
}

// A 1 x 1 grid with its centre in the middle of the screen: each corner samples the copy 0.5 x 0.05 of
// the screen toward the centre along its direction, (-0.8, -0.6) for the top left corner.
TEST_F(CPScreenEffectsTest, RadialBlurDrawsTheGridSamplingTowardTheCentre) {
    ScopedGlobal<int32_t> blur(gSettings::blur, 1);
    Renderer().CreateRadialBlurGrid(1, 1);
    Renderer().UpdateRadialBlurGrid(0.0f);
    Renderer().mRadialBlurAmount = 0.5f;
    EXPECT_EQ(Frame(), (std::vector<std::string>{"end", "copy", "scene", "grid 80FFFFFF copy 5/6", "end", "present"}));
    ASSERT_EQ(mLastDraw.args[2], 4u);  // vertices
    ASSERT_EQ(mLastDraw.args[3], 2u);  // triangles
    std::vector<uint16_t> indices(6);
    ASSERT_EQ(mLastDraw.indices.size(), 12u);
    std::memcpy(indices.data(), mLastDraw.indices.data(), 12);
    EXPECT_EQ(indices, (std::vector<uint16_t>{0, 1, 2, 1, 3, 2}));
    const PScreenVertex topLeft = VertexAt(mLastDraw.vertices, 0), bottomRight = VertexAt(mLastDraw.vertices, 3);
    EXPECT_FLOAT_EQ(topLeft.u, 0.02f);
    EXPECT_FLOAT_EQ(topLeft.v, 0.015f);
    EXPECT_FLOAT_EQ(bottomRight.u, 0.98f);
    EXPECT_FLOAT_EQ(bottomRight.v, 0.985f);
    EXPECT_EQ(bottomRight.x, 799.5f);

    Renderer().mRadialBlurAmount = 0.0f;
    EXPECT_EQ(Frame(), (std::vector<std::string>{"end", "present"}));
}

TEST_F(CPScreenEffectsTest, TheLightCoefficientAddsWhiteOverThePicture) {
    const struct {
        float coefficient;
        std::vector<std::string> passes;
    } cases[] = {
        {0.0f, {"end", "present"}},
        {-1.0f, {"end", "present"}},
        {0.5f, {"end", "scene", "quad FF7F7F7F none 2/2", "end", "present"}},
        {2.0f, {"end", "scene", "quad FFFFFFFF none 2/2", "end", "present"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.coefficient);
        Renderer().mLightCoeff = c.coefficient;
        EXPECT_EQ(Frame(), c.passes);
    }
}

// The copy lives in the default pool: a lost device lets it go, so that the reset can succeed, and the
// motion blur starts afresh after it.
TEST_F(CPScreenEffectsTest, ALostDeviceLetsTheCopyGoAndTheBlurStartsAfresh) {
    Renderer().SetMotionBlur(0.3f);
    Frame();
    ASSERT_NE(mCopy, nullptr);
    D3DPRESENT_PARAMETERS parameters = Device().PresentParameters();
    Device().LoseDevice();
    g_DeviceListeners.NotifyLostDevice();
    EXPECT_EQ(Device().ResetBlockerCount(), 0u);
    ASSERT_EQ(Device().Reset(&parameters), D3D_OK);
    g_DeviceListeners.NotifyResetDevice();
    EXPECT_EQ(Frame(), (std::vector<std::string>{"end", "copy", "present"}));
}
