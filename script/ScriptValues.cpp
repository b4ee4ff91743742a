#include "script/ScriptValues.h"

float gScriptTemp = 0.0f;
