#include <gtest/gtest.h>

#include "platform/Direct3D9.h"
#include "platform/PlatformFaults.h"
#include "support/PlatformReset.h"

TEST(Direct3D9Test, DefaultAdapterDisplaysX8R8G8B8ButNotA8R8G8B8) {
    PlatformReset platform;
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    EXPECT_EQ(PlatformDirect3D::LiveObjectCount(), 1);
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8, D3DFMT_A8R8G8B8, FALSE), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, FALSE), S_OK);
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_REF, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, FALSE), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CheckDeviceType(1, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, FALSE), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_A8R8G8B8), 0u);

    // The documented list: 15 sizes, 5 of them also at 75 Hz (one of those only at 75 Hz).
    UINT count = d3d->GetAdapterModeCount(0, D3DFMT_X8R8G8B8);
    EXPECT_EQ(count, 19u);
    D3DDISPLAYMODE mode{};
    ASSERT_EQ(d3d->EnumAdapterModes(0, D3DFMT_X8R8G8B8, 4, &mode), S_OK);
    EXPECT_EQ(mode.Width, 1024u);
    EXPECT_EQ(mode.Height, 768u);
    EXPECT_EQ(mode.RefreshRate, 60u);
    ASSERT_EQ(d3d->EnumAdapterModes(0, D3DFMT_X8R8G8B8, 5, &mode), S_OK);
    EXPECT_EQ(mode.RefreshRate, 75u);
    EXPECT_EQ(d3d->EnumAdapterModes(0, D3DFMT_X8R8G8B8, count, &mode), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->EnumAdapterModes(0, D3DFMT_X8R8G8B8, 0, nullptr), D3DERR_INVALIDCALL);

    EXPECT_EQ(d3d->AddRef(), 2u);
    EXPECT_EQ(d3d->Release(), 1u);
    EXPECT_EQ(d3d->Release(), 0u);
    EXPECT_EQ(PlatformDirect3D::LiveObjectCount(), 0);
}

TEST(Direct3D9Test, TestsGiveTheirOwnModesAndFailures) {
    PlatformReset platform;
    PlatformDirect3D::Adapter adapter;
    adapter.displayFormats = {D3DFMT_A8R8G8B8};
    adapter.modes = {
        {1024, 768, 60, D3DFMT_A8R8G8B8}, {800, 600, 60, D3DFMT_R5G6B5}, {1280, 1024, 60, D3DFMT_A8R8G8B8}};
    PlatformDirect3D::SetAdapter(adapter);

    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    PlatformDirect3D::Reset();  // the object keeps the adapter it was made with
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8, D3DFMT_A8R8G8B8, FALSE), S_OK);
    EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_A8R8G8B8), 2u);
    PlatformFaults::Arm("IDirect3D9::EnumAdapterModes", D3DERR_NOTAVAILABLE, 1, 1);
    D3DDISPLAYMODE mode{};
    EXPECT_EQ(d3d->EnumAdapterModes(0, D3DFMT_A8R8G8B8, 0, &mode), S_OK);
    EXPECT_EQ(mode.Height, 768u);
    mode = {};
    EXPECT_EQ(d3d->EnumAdapterModes(0, D3DFMT_A8R8G8B8, 1, &mode), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(mode.Width, 0u);  // a failed call fills nothing
    EXPECT_EQ(d3d->EnumAdapterModes(0, D3DFMT_A8R8G8B8, 1, &mode), S_OK);
    EXPECT_EQ(mode.Width, 1280u);
    PlatformFaults::Arm("IDirect3D9::CheckDeviceType", D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8, D3DFMT_A8R8G8B8, FALSE), D3DERR_NOTAVAILABLE);
    d3d->Release();

    PlatformFaults::Arm("Direct3DCreate9");
    EXPECT_EQ(Direct3DCreate9(D3D_SDK_VERSION), nullptr);
    EXPECT_EQ(Direct3DCreate9(31), nullptr);
    EXPECT_EQ(PlatformDirect3D::LiveObjectCount(), 0);
}

TEST(Direct3D9Test, CreatesARecordingDeviceWithTheGivenBackBuffer) {
    PlatformReset reset;
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DPRESENT_PARAMETERS parameters{};
    parameters.BackBufferWidth = 1024;
    parameters.BackBufferHeight = 768;
    parameters.EnableAutoDepthStencil = TRUE;
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                &parameters, &device),
              S_OK);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->PresentParameters().BackBufferWidth, 1024u);
    EXPECT_EQ(device->Release(), 0u);

    EXPECT_EQ(d3d->CreateDevice(1, D3DDEVTYPE_HAL, nullptr, 0, &parameters, &device), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_REF, nullptr, 0, &parameters, &device),
              D3DERR_NOTAVAILABLE);
    PlatformFaults::Arm("IDirect3D9::CreateDevice", D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr, 0, &parameters, &device),
              D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(device, nullptr);
    d3d->Release();
}
