#include "Sound/VolumeCurve.h"

#include <cmath>
#include <limits>

LONG VolumeCurve(float volume) {
    constexpr LONG kRefused = std::numeric_limits<LONG>::min();
    if (std::isnan(volume)) return kRefused;
    double v = volume > 1.0f ? 1.0 : static_cast<double>(volume);
    double attenuation = std::pow(1.0 - v, 4.0) * -7000.0;
    if (!(attenuation > static_cast<double>(kRefused))) return kRefused;
    return static_cast<LONG>(attenuation);  // toward zero
}
