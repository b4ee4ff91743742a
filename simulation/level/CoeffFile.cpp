#include "simulation/level/CoeffFile.h"

#include <cmath>
#include <string>

#include "core/config/CPDator.h"
#include "core/files/CPTextReader.h"

bool ParseCoeffFile(const void* text, uint32_t size, CoeffFileRecord& record) {
    // The second line is k3 and the third k2.
    constexpr int kSlotOfLine[4] = {0, 2, 1, 3};
    CPTextReader reader(text, size);
    CoeffFileRecord parsed;
    int lines = 0;
    std::string value;
    while (lines < 4 && reader.NextLine(value)) {
        const int slot = kSlotOfLine[lines++];
        parsed.values[slot] = StringToFloat(value);
        parsed.present[slot] = true;
        if (!std::isfinite(parsed.values[slot])) return false;
    }
    if (lines == 0) return false;
    record = parsed;
    return true;
}
