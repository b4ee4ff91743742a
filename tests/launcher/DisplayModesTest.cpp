#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/DisplayModes.h"
#include "platform/Direct3D9.h"
#include "platform/PlatformFaults.h"
#include "support/PlatformReset.h"

namespace {
std::string Text(const std::vector<DisplayMode>& modes) {
    std::string out;
    for (const DisplayMode& m : modes) {
        out += (out.empty() ? "" : ", ") + std::to_string(m.width) + "x" + std::to_string(m.height) + "x" +
               std::to_string(m.bpp);
    }
    return out;
}

D3DDISPLAYMODE Mode(UINT width, UINT height, UINT hertz, D3DFORMAT format = D3DFMT_X8R8G8B8) {
    return {width, height, hertz, format};
}

class DisplayModesTest : public ::testing::Test {
protected:
    DisplayModesTest() { gDisplayModes.clear(); }
    ~DisplayModesTest() override { gDisplayModes.clear(); }
    PlatformReset platform;
};
}  // namespace

TEST_F(DisplayModesTest, ListKeepsLargeModesAndCollapsesAdjacentRepeats) {
    struct Case {
        const char* name;
        std::vector<D3DDISPLAYMODE> modes;
        int failingCall;  // the EnumAdapterModes call that fails; -1: none
        const char* expected;
    };
    const Case cases[] = {
        {"60 and 75 Hz collapse", {Mode(1024, 768, 60), Mode(1024, 768, 75)}, -1, "1024x768x32"},
        {"800 x 600 dropped", {Mode(800, 600, 60), Mode(1024, 768, 60)}, -1, "1024x768x32"},
        {"1280 x 720 dropped for its height", {Mode(1280, 720, 60), Mode(1280, 1024, 60)}, -1, "1280x1024x32"},
        {"narrow but tall dropped", {Mode(768, 1024, 60)}, -1, ""},
        {"exactly 1024 x 768 kept", {Mode(1360, 768, 60), Mode(1024, 768, 60)}, -1, "1360x768x32, 1024x768x32"},
        {"non-adjacent repeats kept",
         {Mode(1024, 768, 60), Mode(1280, 1024, 60), Mode(1024, 768, 75)},
         -1,
         "1024x768x32, 1280x1024x32, 1024x768x32"},
        {"a dropped mode between repeats still collapses them",
         {Mode(1024, 768, 60), Mode(800, 600, 60), Mode(1024, 768, 75)},
         -1,
         "1024x768x32"},
        {"failed enumeration skipped", {Mode(1024, 768, 60), Mode(1280, 1024, 60)}, 0, "1280x1024x32"},
        {"modes of other formats ignored",
         {Mode(1024, 768, 60, D3DFMT_R5G6B5), Mode(1280, 960, 60)},
         -1,
         "1280x960x32"},
        {"order of enumeration kept", {Mode(1920, 1080, 60), Mode(1024, 768, 60)}, -1, "1920x1080x32, 1024x768x32"},
    };
    for (const Case& c : cases) {
        PlatformDirect3D::Adapter adapter;
        adapter.displayFormats = {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5};
        adapter.modes = c.modes;
        if (c.failingCall >= 0) {
            PlatformFaults::Arm("IDirect3D9::EnumAdapterModes", D3DERR_NOTAVAILABLE, 1, c.failingCall);
        }
        PlatformDirect3D::SetAdapter(adapter);
        gDisplayModes = {{1, 1, 1}};  // an earlier list is replaced
        EnumDisplayModes();
        EXPECT_EQ(Text(gDisplayModes), c.expected) << c.name;
        EXPECT_EQ(PlatformDirect3D::LiveObjectCount(), 0) << c.name;
    }
}

TEST_F(DisplayModesTest, FormatIsTheFirstAcceptedOfA8R8G8B8AndX8R8G8B8) {
    struct Case {
        const char* name;
        std::vector<D3DFORMAT> accepted;
        const char* expected;
    };
    const Case cases[] = {
        {"A8R8G8B8 accepted", {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8}, "1024x768x32"},
        {"only X8R8G8B8", {D3DFMT_X8R8G8B8}, "1280x1024x32"},
        {"neither: A8R8G8B8 anyway", {D3DFMT_R5G6B5}, "1024x768x32"},
    };
    for (const Case& c : cases) {
        PlatformDirect3D::Adapter adapter;
        adapter.displayFormats = c.accepted;
        adapter.modes = {Mode(1024, 768, 60, D3DFMT_A8R8G8B8), Mode(1280, 1024, 60, D3DFMT_X8R8G8B8)};
        PlatformDirect3D::SetAdapter(adapter);
        EnumDisplayModes();
        EXPECT_EQ(Text(gDisplayModes), c.expected) << c.name;
    }
}

TEST_F(DisplayModesTest, DefaultAdapterGivesTheCommonLargeModes) {
    EnumDisplayModes();
    EXPECT_EQ(Text(gDisplayModes),
              "1024x768x32, 1152x864x32, 1280x800x32, 1280x960x32, 1280x1024x32, 1360x768x32, 1440x900x32, "
              "1600x900x32, 1600x1200x32, 1680x1050x32, 1920x1080x32, 1920x1200x32");
    EXPECT_EQ(PlatformDirect3D::LiveObjectCount(), 0);
}

TEST_F(DisplayModesTest, NoDirect3DLeavesTheListEmpty) {
    PlatformFaults::Arm("Direct3DCreate9");
    EnumDisplayModes();
    EXPECT_TRUE(gDisplayModes.empty());
}
