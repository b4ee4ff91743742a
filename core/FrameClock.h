// The frame's time values, set by the host before the task kernel runs.
#pragma once

#include <cstdint>

// Seconds of the last frame; valid while tasks execute. The level start sets it to 0.
extern float gDeltaTime;
// Seconds: a second frame-time value the host keeps beside gDeltaTime (the same frame's time).
extern float gFrameTime2;
// The frame number, advanced once per frame by the host.
extern int32_t gFrameCounter;
// Seconds since the host started: the running clock vertex animations choose frames from.
extern double gRunningTime;
// Set by the host at shutdown.
extern bool gAppExiting;
