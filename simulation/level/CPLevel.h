// The current race level (gLevel): the fields the renderer, the chase camera, the minimap and the sky
// read or write, and the sun light record it hands to the renderer. The race itself builds on these.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "platform/D3D9Types.h"
#include "platform/D3DX9Math.h"

class CPCamera;
class CPPlayer;

// Not reference counted: made with a plain new, owned by whoever holds gLevel and deleted explicitly.
class CPLevel {
public:
    CPLevel();
    // Deletes the chase camera it owns and clears gLevel when it names this level.
    virtual ~CPLevel();
    CPLevel(const CPLevel&) = delete;
    CPLevel& operator=(const CPLevel&) = delete;

    // Appends mSunLight to gRenderer's light table while the table holds fewer than 30 lights; a full
    // table (or no renderer) keeps nothing. The sky writes the sun into mSunLight just before.
    void AddRendererRecord();

    CPPlayer* mPlayer = nullptr;  // the human player's race unit; not owned, null until the race is built
    // The player's car forward direction in world space: the car's local (0, -1, 0) turned by its
    // orientation, written every frame.
    D3DXVECTOR3 mForward;
    float mCameraYawOffset = 0.0f;  // radians, added to the chase camera's yaw while gScriptTemp is 0
    bool mFixedHeadingSet = false;  // set when the player's race ends
    float mFixedHeading = 0.0f;     // radians; the chase camera looks along it (plus 3/4 pi) while set
    CPCamera* mCamera = nullptr;    // the level's chase camera; owned, null until the level makes it
    int32_t mCameraMode = 0;        // the race view 0, 1 or 2
    float mCam1Fov = 50.0f;         // degrees, the field of view of the "camera" view
    float mCam2Fov = 50.0f;         // degrees, the field of view of the "camera2" view
    int32_t mRollingView = 0;       // the rolling (attract) camera's current view, 0 or 1
    float mSpinTime = 0.0f;         // seconds, time base of the rolling camera's spin view
    float mSpinSign = 1.0f;         // +1 or -1, spin direction of the rolling camera
    float mHeading = 0.0f;          // radians, heading of the camera target, written every frame
    // The sun: the sky writes Direction, Diffuse and Specular every frame; the rest is set on loading.
    D3DLIGHT9 mSunLight{};
    float mExtentX = 10.0f;  // world units the level covers along x
    float mExtentY = 10.0f;  // world units the level covers along y
    int32_t mLevelNumber = 0;  // 1 .. 12 from the level name; 0 before loading
    // Positions of the level file's "src" objects by name; the mission information places enemy
    // sources at them.
    std::unordered_map<std::string, D3DXVECTOR3> mSources = std::unordered_map<std::string, D3DXVECTOR3>(100);
};
