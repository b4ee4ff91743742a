#include "simulation/level/CoeffFile.h"

#include <cmath>
#include <string>

#include "core/config/CPDator.h"
#include "core/files/CPTextReader.h"

bool ParseCoeffFile(const void* text, uint32_t size, std::array<float, 4>& coefficients) {
    // The second line is k3 and the third k2.
    constexpr int kSlotOfLine[4] = {0, 2, 1, 3};
    CPTextReader reader(text, size);
    std::array<float, 4> parsed{};
    for (int line = 0; line < 4; ++line) {
        std::string value;
        if (!reader.NextLine(value)) return false;
        parsed[kSlotOfLine[line]] = StringToFloat(value);
        if (!std::isfinite(parsed[kSlotOfLine[line]])) return false;
    }
    coefficients = parsed;
    return true;
}
