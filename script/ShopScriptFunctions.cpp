#include "script/ShopScriptFunctions.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "core/ServiceGlobals.h"
#include "script/ProfileScriptFunctions.h"
#include "script/ScriptCalls.h"
#include "simulation/level/CPGameData.h"

using namespace ScriptCalls;

namespace ScriptFunctions {
namespace {
constexpr int kCarInfoValues = 11;
constexpr int32_t kSuperWeaponSlots = 3;  // with this many super weapons fitted none more is offered
constexpr int64_t kPresetsPerMission = 3;

void PushText(lua_State* L, const std::string& text) { lua_pushlstring(L, text.data(), text.size()); }
void PushNumber(lua_State* L, double value) { lua_pushnumber(L, value); }

int PushCarConfig(lua_State* L, const CarConfigRecord& config) {
    ReserveResults(L, kCarInfoValues);
    for (const std::string* name : {&config.mWeapon1, &config.mWeapon2, &config.mWeapon3, &config.mEquipment1,
                                    &config.mEquipment2, &config.mBumper, &config.mEngine, &config.mArmor,
                                    &config.mSuperWeapon})
        PushText(L, *name);
    PushNumber(L, config.mSuperWeaponCount);
    PushText(L, config.mMine);
    return kCarInfoValues;
}

// Looks the item named by the first argument up in a table of the game data and pushes its information
// with `push`; an item the table lacks (or no game data) answers no results.
template <class Record, class Push>
int PushItemInfo(lua_State* L, CPShopTable<Record> CPGameData::*table, int resultCount, Push push) {
    // Before the name is built: the reserve may raise.
    ReserveResults(L, resultCount);
    const std::string name = PlainString(L, 1);
    CPGameData* data = gGameData;
    if (data == nullptr) return 0;
    const Record* record = (data->*table).Find(name);
    if (record == nullptr) return 0;
    PushText(L, data->GetText(record->mName));
    push(*record);
    PushText(L, data->GetText(record->mDescription));
    PushNumber(L, record->mAvailability);
    return resultCount;
}

// The count and the table of a shop table's items on offer whose names are not among `fitted`.
template <class Record>
int PushOffered(lua_State* L, CPShopTable<Record> CPGameData::*table,
                std::vector<const std::string*> (*fitted)(const CarConfigRecord&)) {
    std::vector<std::string> names;
    if (CPGameData* data = gGameData) {
        const std::vector<const std::string*> mounted = fitted(data->mCarConfig);
        for (const auto& [name, record] : (data->*table).Entries()) {
            if (!data->IsOffered(record.mAvailability)) continue;
            const bool isMounted =
                std::any_of(mounted.begin(), mounted.end(), [&key = name](const std::string* m) { return *m == key; });
            if (!isMounted) names.push_back(name);
        }
    }
    return PushNameList(L, names);
}
}  // namespace

int GetCarInfo(lua_State* L) {
    CPGameData* data = gGameData;
    return data ? PushCarConfig(L, data->mCarConfig) : 0;
}

int GetRealCarInfo(lua_State* L) {
    CPGameData* data = gGameData;
    return data ? PushCarConfig(L, data->mRealCarConfig) : 0;
}

int SetCarInfo(lua_State* L) {
    CarConfigRecord config;
    std::string* names[] = {&config.mWeapon1,    &config.mWeapon2, &config.mWeapon3, &config.mEquipment1,
                            &config.mEquipment2, &config.mBumper,  &config.mEngine,  &config.mArmor,
                            &config.mSuperWeapon};
    int index = 1;
    for (std::string* name : names) *name = PlainString(L, index++);
    config.mSuperWeaponCount = ToInteger(L, index++);
    config.mMine = PlainString(L, index);
    if (CPGameData* data = gGameData) data->mCarConfig = config;
    return 0;
}

int CommitCarSettings(lua_State*) {
    if (CPGameData* data = gGameData) data->CommitCarConfig();
    return 0;
}

// Trades the current configuration in and buys the best ready-made one of the missions so far that the
// player can afford. Only the presets there are count: a mission beyond them starts from the last one.
int AutoSetting(lua_State*) {
    CPGameData* data = gGameData;
    if (data == nullptr) return 0;
    const float budget = data->GetEquipmentValue(data->mCarConfig) + data->mMoney;
    const int64_t wanted = kPresetsPerMission * data->mCurrentMission;
    const int64_t available = static_cast<int64_t>(data->mCarPresets.size());
    for (int64_t i = std::min(wanted, available) - 1; i >= 0; --i) {
        const CarConfigRecord& preset = data->mCarPresets[static_cast<size_t>(i)];
        const float value = data->GetEquipmentValue(preset);
        if (value <= budget) {
            data->mCarConfig = preset;
            ChangeMoney(*data, budget - value);
            break;
        }
    }
    return 0;
}

int GetWeaponInfo(lua_State* L) {
    return PushItemInfo(L, &CPGameData::mWeapons, 12, [L](const WeaponRecord& r) {
        for (double value : {double(r.mPrice), double(r.mShotsPerTrigger), double(r.mInfo1), double(r.mInfo2),
                             double(r.mShotValue), double(r.mInfo3), double(r.mFullLoad), double(r.mFireRate),
                             double(r.mInfo4)})
            PushNumber(L, value);
    });
}

int GetMineInfo(lua_State* L) {
    return PushItemInfo(L, &CPGameData::mMines, 11, [L](const MineRecord& r) {
        for (double value : {double(r.mPrice), double(r.mInfo1), double(r.mInfo2), double(r.mInfo3),
                             double(r.mInfo4), double(r.mInfo5), double(r.mInfo6), double(r.mInfo7)})
            PushNumber(L, value);
    });
}

int GetSuperWeaponInfo(lua_State* L) {
    return PushItemInfo(L, &CPGameData::mSuperWeapons, 4,
                        [L](const SuperWeaponRecord& r) { PushNumber(L, r.mPrice); });
}

namespace {
int PushPartInfo(lua_State* L, CPShopTable<PartRecord> CPGameData::*table) {
    return PushItemInfo(L, table, 5, [L](const PartRecord& r) {
        PushNumber(L, r.mPrice);
        PushNumber(L, r.mValue);
    });
}
}  // namespace

int GetBumperInfo(lua_State* L) { return PushPartInfo(L, &CPGameData::mBumpers); }
int GetEquipmentInfo(lua_State* L) { return PushPartInfo(L, &CPGameData::mEquipment); }
int GetArmorInfo(lua_State* L) { return PushPartInfo(L, &CPGameData::mArmors); }

int GetEngineInfo(lua_State* L) {
    return PushItemInfo(L, &CPGameData::mEngines, 9, [L](const EngineRecord& r) {
        PushNumber(L, r.mPrice);
        for (float value : r.mValues) PushNumber(L, value);
    });
}

int GetWeaponNames(lua_State* L) {
    return PushOffered(L, &CPGameData::mWeapons, [](const CarConfigRecord& c) {
        return std::vector<const std::string*>{&c.mWeapon1, &c.mWeapon2, &c.mWeapon3};
    });
}

int GetMineNames(lua_State* L) {
    return PushOffered(L, &CPGameData::mMines,
                       [](const CarConfigRecord& c) { return std::vector<const std::string*>{&c.mMine}; });
}

int GetSuperWeaponNames(lua_State* L) {
    CPGameData* data = gGameData;
    if (data != nullptr && data->mCarConfig.mSuperWeaponCount >= kSuperWeaponSlots)
        return PushNameList(L, {});
    return PushOffered(L, &CPGameData::mSuperWeapons,
                       [](const CarConfigRecord&) { return std::vector<const std::string*>{}; });
}

int GetBumperNames(lua_State* L) {
    return PushOffered(L, &CPGameData::mBumpers,
                       [](const CarConfigRecord& c) { return std::vector<const std::string*>{&c.mBumper}; });
}

int GetEquipmentNames(lua_State* L) {
    return PushOffered(L, &CPGameData::mEquipment, [](const CarConfigRecord& c) {
        return std::vector<const std::string*>{&c.mEquipment1, &c.mEquipment2};
    });
}

int GetArmorNames(lua_State* L) {
    return PushOffered(L, &CPGameData::mArmors,
                       [](const CarConfigRecord& c) { return std::vector<const std::string*>{&c.mArmor}; });
}

int GetEngineNames(lua_State* L) {
    return PushOffered(L, &CPGameData::mEngines,
                       [](const CarConfigRecord& c) { return std::vector<const std::string*>{&c.mEngine}; });
}

int IsValidGameDataName(lua_State* L) {
    const std::string name = PlainString(L, 1);
    const CPGameData* data = gGameData;
    const bool valid = data != nullptr &&
                       (data->mWeapons.Contains(name) || data->mMines.Contains(name) ||
                        data->mSuperWeapons.Contains(name) || data->mBumpers.Contains(name) ||
                        data->mEquipment.Contains(name) || data->mArmors.Contains(name) ||
                        data->mEngines.Contains(name));
    lua_pushboolean(L, valid);
    return 1;
}

}  // namespace ScriptFunctions
