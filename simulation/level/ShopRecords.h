// Records of the shop tables and of a car configuration. Every shop record starts with its name key
// and price and carries its availability: the first mission in which the shop offers it.
#pragma once

#include <cstdint>
#include <string>

// The fields called mInfo* have no meaning in the engine: the scripts only read them back for display.
struct WeaponRecord {
    std::string mName;             // key of the display name in the game data's texts
    int32_t mPrice = 0;
    int32_t mShotsPerTrigger = 0;  // also the pellet count of the shotgun kinds
    float mInfo1 = 0.0f;
    int32_t mInfo2 = 0;
    float mShotValue = 0.0f;  // handed to every launched shot; the flame damage per tick
    float mInfo3 = 0.0f;
    int32_t mFullLoad = 0;   // shots in a full load
    float mFireRate = 0.0f;  // shots per second
    float mInfo4 = 0.0f;
    std::string mDescription;  // key of the description text
    int32_t mAvailability = 0;
};

struct MineRecord {
    std::string mName;
    int32_t mPrice = 0;
    int32_t mInfo1 = 0;
    float mInfo2 = 0.0f;
    float mInfo3 = 0.0f;
    int32_t mInfo4 = 0;
    float mInfo5 = 0.0f;
    float mInfo6 = 0.0f;
    float mInfo7 = 0.0f;
    std::string mDescription;
    int32_t mAvailability = 0;
};

struct SuperWeaponRecord {
    std::string mName;
    int32_t mPrice = 0;
    std::string mDescription;
    int32_t mAvailability = 0;
};

// Bumpers, equipment and armors.
struct PartRecord {
    std::string mName;
    int32_t mPrice = 0;
    float mValue = 0.0f;
    std::string mDescription;
    int32_t mAvailability = 0;
};

struct EngineRecord {
    std::string mName;
    int32_t mPrice = 0;
    float mValues[5] = {};
    std::string mDescription;
    int32_t mAvailability = 0;
};

// A car's fitted items by shop item name; an empty name is an empty place.
struct CarConfigRecord {
    std::string mWeapon1;
    std::string mWeapon2;
    std::string mWeapon3;
    std::string mEquipment1;
    std::string mEquipment2;
    std::string mBumper;
    std::string mEngine;
    std::string mArmor;
    std::string mSuperWeapon;
    int32_t mSuperWeaponCount = 0;
    std::string mMine;

    bool operator==(const CarConfigRecord&) const = default;
};
