// The display modes the options dialog offers: every full-screen mode of at least 1024 x 768 pixels
// of the default adapter, refresh-rate repeats collapsed.
#pragma once

#include <cstdint>
#include <vector>

struct DisplayMode {
    int32_t height;  // pixels
    int32_t width;   // pixels
    int32_t bpp;     // bits per pixel; always 32 as listed by EnumDisplayModes
};

inline bool operator==(const DisplayMode& a, const DisplayMode& b) {
    return a.height == b.height && a.width == b.width && a.bpp == b.bpp;
}

// In Direct3D's enumeration order.
extern std::vector<DisplayMode> gDisplayModes;

// Refills gDisplayModes from Direct3D: the modes of the first display format of A8R8G8B8 and X8R8G8B8
// that a full-screen HAL device accepts (A8R8G8B8 when neither does), those of at least 1024 x 768
// pixels, without a mode equal to the one listed just before it. Leaves the list empty without
// Direct3D 9.
void EnumDisplayModes();
