#include "simulation/level/PlayerFile.h"

#include <string>

#include "core/config/CPDator.h"
#include "core/files/CPTextReader.h"

namespace {
std::string ReadName(CPTextReader& reader) {
    std::string line;
    reader.NextLine(line);
    return line == "none" ? std::string() : line;
}
}  // namespace

CarConfigRecord ParsePlayerFile(const void* text, uint32_t size) {
    CPTextReader reader(text, size);
    CarConfigRecord config;
    config.mWeapon1 = ReadName(reader);
    config.mWeapon2 = ReadName(reader);
    config.mWeapon3 = ReadName(reader);
    config.mMine = ReadName(reader);
    config.mArmor = ReadName(reader);
    config.mBumper = ReadName(reader);
    config.mEngine = ReadName(reader);
    config.mSuperWeapon = ReadName(reader);
    std::string count;
    reader.NextLine(count);
    config.mSuperWeaponCount = StringToInt(count);  // "none" counts 0
    config.mEquipment1 = ReadName(reader);
    config.mEquipment2 = ReadName(reader);
    return config;
}
