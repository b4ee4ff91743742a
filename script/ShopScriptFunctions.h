// Native script functions for the shop: the car configuration being edited and the one in the race, the
// automatic choice of a ready-made configuration, and the seven shop tables' item information and listings.
#pragma once

#include <lua.hpp>

namespace ScriptFunctions {
// car configuration
int GetCarInfo(lua_State* L);
int SetCarInfo(lua_State* L);
int GetRealCarInfo(lua_State* L);
int CommitCarSettings(lua_State* L);
int AutoSetting(lua_State* L);
// item information
int GetWeaponInfo(lua_State* L);
int GetMineInfo(lua_State* L);
int GetSuperWeaponInfo(lua_State* L);
int GetBumperInfo(lua_State* L);
int GetEquipmentInfo(lua_State* L);
int GetArmorInfo(lua_State* L);
int GetEngineInfo(lua_State* L);
// listings of the items on offer
int GetWeaponNames(lua_State* L);
int GetMineNames(lua_State* L);
int GetSuperWeaponNames(lua_State* L);
int GetBumperNames(lua_State* L);
int GetEquipmentNames(lua_State* L);
int GetArmorNames(lua_State* L);
int GetEngineNames(lua_State* L);
int IsValidGameDataName(lua_State* L);
}  // namespace ScriptFunctions
