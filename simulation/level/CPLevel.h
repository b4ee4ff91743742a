// The current level (gLevel): what the renderer, the cameras and the sky read of it or write into it.
// The race itself (loading, rules, units) builds on these fields.
#pragma once

#include <cstdint>

#include "platform/D3D9Types.h"
#include "platform/D3DX9Math.h"

class CPCamera;
class CPPlayer;

// Not reference counted: the scripts create it as gLevel and delete it when the level ends.
class CPLevel {
public:
    // Every field zero, no player, no camera.
    CPLevel() = default;
    virtual ~CPLevel() = default;
    CPLevel(const CPLevel&) = delete;
    CPLevel& operator=(const CPLevel&) = delete;

    // Appends the light record to gRenderer's light table while it holds fewer than 30 lights; a full
    // table (or no renderer) keeps nothing.
    void AddSunLight();

    CPPlayer* mPlayer = nullptr;  // the human player's race unit; null until the race is built
    D3DXVECTOR3 mCarHeading;      // the player's car forward direction in world space, written every frame
    float mCameraYawOffset = 0.0f;   // radians
    bool mFixedHeadingSet = false;   // set when the player's race ends
    float mFixedHeading = 0.0f;      // radians, valid while mFixedHeadingSet
    CPCamera* mCamera = nullptr;     // the level's chase camera; null until the level creates it
    D3DXVECTOR2 mExtents;            // level size along x and y
    int32_t mLevelNumber = 0;
    // The sun: the sky writes Direction, Diffuse and Specular every frame; the rest is set on loading.
    D3DLIGHT9 mLight{};
};
