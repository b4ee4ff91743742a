// The frame's time values, set by the host before the task kernel runs.
#pragma once

// Seconds of the last frame; valid while tasks execute. The level start sets it to 0.
extern float gDeltaTime;
// Seconds since the host started: the running clock vertex animations choose frames from.
extern double gRunningTime;
// Set by the host at shutdown.
extern bool gAppExiting;
