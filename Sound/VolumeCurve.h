// The engine's one volume curve, shared by sound effects, music and the video players: a volume
// (1 full, 0 quiet) becomes an attenuation in hundredths of a decibel, (1 - v)^4 * -7000.
#pragma once

#include "platform/WinTypes.h"

// 1 gives 0, 0.5 gives -437, 0 gives -7000 (not silence). A volume above 1 counts as 1. Below 0 the
// curve goes on (under -0.093 it passes -10000, which DirectSound refuses); an attenuation beyond the
// range of LONG, or a NaN volume, gives the LONG minimum, which is refused the same way.
LONG VolumeCurve(float volume);
