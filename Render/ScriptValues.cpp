#include "Render/ScriptValues.h"

float gTempValue = 0.0f;
