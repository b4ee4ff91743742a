// Native script functions that choose where and which enemies appear: the enemy-type table, the
// mission's enemy sources near the followed unit and its checkpoints' lists, and a free place for an
// enemy inside the level's margins.
#pragma once

#include <lua.hpp>

#include <string>
#include <unordered_map>

// One enemy type as the scripts read it; the meaning of the fields is the scripts'.
struct EnemyDataRecord {
    float a = 0.0f;
    float b = 0.0f;
    std::string c;
    std::string d;
    std::string e;
};

// The enemy-type table by type name: filled by the host, read by GetEnemyData only (which adds an empty
// record for a name it lacks).
extern std::unordered_map<std::string, EnemyDataRecord> gEnemyData;

namespace ScriptFunctions {
int AddEnemy(lua_State* L);
int GetEnemyData(lua_State* L);
int GetEnemyType(lua_State* L);
int IsEnemySourceNear(lua_State* L);
int GetPositionForEnemy(lua_State* L);
}  // namespace ScriptFunctions
