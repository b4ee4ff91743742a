// One key state of the dynamic sky: the dome, fog, light and cloud-layer values the sky blends from
// one key state to the next. A plain record copied by value: the sky file's states, and the sky's
// current, grey and rate records.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/D3DX9Math.h"

struct SkyKeyState {
    std::vector<D3DXVECTOR3> colourPoints;  // red, green, blue 0..255, from the horizon upwards
    float duration = 0.0f;   // sky time until the next key state; divisor of every rate
    float domeAngle = 0.0f;  // radians: turn of the dome about the y axis through its centre
    float domeAlpha = 0.0f;  // 0..255: alpha of every dome vertex
    std::vector<float> layerAngles;          // per cloud layer, radians: its place on its circle
    std::vector<float> layerScales;          // per cloud layer: its size factor
    std::vector<int32_t> layerEffects;       // per cloud layer: which of its two effects it uses (0 or 1)
    std::vector<int32_t> layerTextureSteps;  // per cloud layer: 1 steps to its next texture as the state begins
    D3DXVECTOR3 ambient;  // red, green, blue 0..255
    D3DXVECTOR3 sun;      // red, green, blue 0..255
    D3DXVECTOR3 extra2;   // blended, used by nothing
    D3DXVECTOR3 extra1;   // blended, used by nothing
    D3DXVECTOR3 fog;      // red, green, blue 0..255
    float fogStart = 0.0f;
    float fogEnd = 0.0f;
    float spare = 0.0f;          // blended, used by nothing
    int32_t lightDoubling = 0;   // non-zero: sun and ambient were doubled when read
    int32_t greyChannel = 0;     // 0, 1 or 2: the channel grey colours are made from
};
