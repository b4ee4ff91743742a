#include "platform/DirectDraw.h"

#include <gtest/gtest.h>

#include "platform/PlatformFaults.h"
#include "support/PlatformReset.h"

namespace {

class DirectDrawTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(DirectDrawCreate(nullptr, &mDraw, nullptr), DD_OK); }
    void TearDown() override {
        if (mDraw) mDraw->Release();
        EXPECT_EQ(DirectDrawStandIn::LiveObjectCount(), 0u);
        EXPECT_TRUE(DirectDrawStandIn::LiveSurfaces().empty());
    }

    static DDSURFACEDESC Description(DWORD width, DWORD height) {
        DDSURFACEDESC description{};
        description.dwSize = DirectDrawStandIn::kSurfaceDescSize;
        description.dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_CAPS;
        description.dwWidth = width;
        description.dwHeight = height;
        description.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
        return description;
    }

    PlatformReset reset;
    IDirectDraw* mDraw = nullptr;
};

TEST_F(DirectDrawTest, CooperativeLevelsThatGoTogether) {
    struct Case {
        DWORD flags;
        HRESULT result;
    } cases[] = {
        {DDSCL_NORMAL, DD_OK},
        {DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN, DD_OK},
        {DDSCL_EXCLUSIVE, DDERR_INVALIDPARAMS},
        {DDSCL_NORMAL | DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN, DDERR_INVALIDPARAMS},
    };
    for (const Case& c : cases) EXPECT_EQ(mDraw->SetCooperativeLevel(nullptr, c.flags), c.result) << c.flags;
    EXPECT_EQ(DirectDrawStandIn::Calls().front(), "DirectDrawCreate()");
    EXPECT_EQ(DirectDrawStandIn::Calls()[1], "IDirectDraw::SetCooperativeLevel(0x8)");
}

TEST_F(DirectDrawTest, SurfacesOfTheDescribedSizeAndFormatLockTheirTexels) {
    DDSURFACEDESC description = Description(5, 3);
    IDirectDrawSurface* surface = nullptr;
    ASSERT_EQ(mDraw->CreateSurface(&description, &surface, nullptr), DD_OK);

    DDSURFACEDESC locked{};
    locked.dwSize = DirectDrawStandIn::kSurfaceDescSize;
    ASSERT_EQ(surface->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DD_OK);
    EXPECT_EQ(locked.dwWidth, 5u);
    EXPECT_EQ(locked.dwHeight, 3u);
    EXPECT_EQ(locked.lPitch, 20);  // the display's 32 bits
    EXPECT_EQ(locked.ddpfPixelFormat.dwRGBBitCount, 32u);
    EXPECT_EQ(locked.ddpfPixelFormat.dwRBitMask, 0x00FF0000u);
    ASSERT_NE(locked.lpSurface, nullptr);
    static_cast<uint8_t*>(locked.lpSurface)[59] = 7;  // the last byte
    EXPECT_EQ(surface->Lock(nullptr, &locked, 0, nullptr), DDERR_SURFACEBUSY);
    EXPECT_EQ(surface->Unlock(nullptr), DD_OK);
    EXPECT_EQ(surface->Unlock(nullptr), DDERR_NOTLOCKED);
    EXPECT_EQ((*DirectDrawStandIn::SurfaceTexels(surface))[59], 7);

    // A 24-bit surface pads its rows to four bytes.
    IDirectDrawSurface* packed = nullptr;
    description.dwFlags |= DDSD_PIXELFORMAT;
    description.ddpfPixelFormat = {sizeof(DDPIXELFORMAT), DDPF_RGB, 0, 24, 0xFF0000, 0xFF00, 0xFF, 0};
    ASSERT_EQ(mDraw->CreateSurface(&description, &packed, nullptr), DD_OK);
    ASSERT_EQ(DirectDrawStandIn::LiveSurfaces().size(), 2u);
    EXPECT_EQ(DirectDrawStandIn::LiveSurfaces()[1].pitch, 16);
    packed->Release();
    surface->Release();
}

TEST_F(DirectDrawTest, BadDescriptionsAreRefused) {
    struct Case {
        const char* name;
        DDSURFACEDESC description;
        HRESULT result;
    };
    DDSURFACEDESC wrongSize = Description(4, 4);
    wrongSize.dwSize = sizeof(DDSURFACEDESC);
    DDSURFACEDESC noHeight = Description(4, 4);
    noHeight.dwFlags = DDSD_WIDTH;
    DDSURFACEDESC empty = Description(0, 4);
    DDSURFACEDESC huge = Description(100000, 4);
    DDSURFACEDESC eightBits = Description(4, 4);
    eightBits.dwFlags |= DDSD_PIXELFORMAT;
    eightBits.ddpfPixelFormat = {sizeof(DDPIXELFORMAT), DDPF_RGB, 0, 8, 0, 0, 0, 0};
    Case cases[] = {
        {"size field", wrongSize, DDERR_INVALIDPARAMS},   {"no height", noHeight, DDERR_INVALIDPARAMS},
        {"no texels", empty, DDERR_INVALIDPARAMS},        {"too large", huge, DDERR_INVALIDPARAMS},
        {"8 bits", eightBits, DDERR_INVALIDPIXELFORMAT},
    };
    for (Case& c : cases) {
        IDirectDrawSurface* surface = reinterpret_cast<IDirectDrawSurface*>(&c);
        EXPECT_EQ(mDraw->CreateSurface(&c.description, &surface, nullptr), c.result) << c.name;
        EXPECT_EQ(surface, nullptr) << c.name;
    }
}

TEST_F(DirectDrawTest, ArmedFailuresComeBackFromTheirCalls) {
    PlatformFaults::Arm("IDirectDraw::CreateSurface", DDERR_OUTOFMEMORY);
    DDSURFACEDESC description = Description(2, 2);
    IDirectDrawSurface* surface = nullptr;
    EXPECT_EQ(mDraw->CreateSurface(&description, &surface, nullptr), DDERR_OUTOFMEMORY);
    EXPECT_EQ(DirectDrawStandIn::Calls().back(), "IDirectDraw::CreateSurface(2 x 2, 32 bits) failed 0x8007000E");

    PlatformFaults::Arm("DirectDrawCreate", E_FAIL);
    IDirectDraw* second = reinterpret_cast<IDirectDraw*>(&description);
    EXPECT_EQ(DirectDrawCreate(nullptr, &second, nullptr), E_FAIL);
    EXPECT_EQ(second, nullptr);
}

}  // namespace
