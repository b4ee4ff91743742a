// Values the scripts keep in the engine for their own use and that engine code reads back. They live
// beside their lowest reader, the chase camera; the script functions that set them sit above.
#pragma once

// The free script value of SetTemp and GetTemp; 0 until a script sets it. While it is exactly 0 the
// chase camera adds the level's camera yaw offset.
extern float gTempValue;
