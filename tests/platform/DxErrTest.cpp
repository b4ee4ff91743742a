#include <gtest/gtest.h>

#include "platform/D3DX9Texture.h"
#include "platform/DxErr9.h"

TEST(DxErrTest, NamesTheCodesTheStandInsProduce) {
    struct Case {
        HRESULT code;
        const char* name;
    };
    for (Case c : {Case{D3DERR_INVALIDCALL, "D3DERR_INVALIDCALL"}, Case{D3DERR_DEVICELOST, "D3DERR_DEVICELOST"},
                   Case{D3DERR_DEVICENOTRESET, "D3DERR_DEVICENOTRESET"},
                   Case{D3DERR_OUTOFVIDEOMEMORY, "D3DERR_OUTOFVIDEOMEMORY"},
                   Case{D3DXERR_INVALIDDATA, "D3DXERR_INVALIDDATA"}, Case{E_FAIL, "E_FAIL"},
                   Case{E_OUTOFMEMORY, "E_OUTOFMEMORY"}, Case{static_cast<HRESULT>(0x88780096u), "DSERR_BUFFERLOST"},
                   Case{static_cast<HRESULT>(0x80040216u), "VFW_E_NOT_FOUND"}}) {
        EXPECT_STREQ(DXGetErrorString9A(c.code), c.name);
        EXPECT_STRNE(DXGetErrorDescription9A(c.code), "n/a") << c.name;
    }
    EXPECT_STREQ(DXGetErrorString9A(static_cast<HRESULT>(0x8BADF00Du)), "Unknown");
    EXPECT_STREQ(DXGetErrorDescription9A(static_cast<HRESULT>(0x8BADF00Du)), "n/a");
}
