#include "core/FrameClock.h"

float gDeltaTime = 0.0f;
double gRunningTime = 0.0;
bool gAppExiting = false;
