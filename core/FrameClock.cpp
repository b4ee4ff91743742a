#include "core/FrameClock.h"

float gDeltaTime = 0.0f;
float gFrameTime2 = 0.0f;
int32_t gFrameCounter = 0;
double gRunningTime = 0.0;
bool gAppExiting = false;
