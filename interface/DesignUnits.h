// Interface screens are laid out for a 1024 x 768 screen: these turn design units into pixels of the
// current screen ("screenWidth" x "screenHeight").
#pragma once

#include "core/config/Settings.h"

// 1/1024 and 1/768 as the single-precision constants the layout is computed with.
inline constexpr float kDesignUnitX = 0.0009765625f;
inline constexpr float kDesignUnitY = 0.0013020834f;

// value x W x 1/1024, multiplied in that order.
inline float DesignToPixelsX(float value) {
    return value * static_cast<float>(gSettings::screenWidth) * kDesignUnitX;
}
// value x H x 1/768, multiplied in that order.
inline float DesignToPixelsY(float value) {
    return value * static_cast<float>(gSettings::screenHeight) * kDesignUnitY;
}
