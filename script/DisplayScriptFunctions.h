// Native script functions of the in-race display: they fill the display screen (equipment icons,
// weapon slots, super-weapon charges, life, mines, ammunition, aim cursor, clock, engine heat, kills,
// score) from the game data and the unit the camera follows, and answer the ranking panel, the
// minimap symbols and the screen place of a car's health bar. Without the screen, the level, the
// followed unit or the camera a function needs, it does nothing and answers nothing.
#pragma once

#include <lua.hpp>

namespace ScriptFunctions {
// the display screen
int InitGameInterface(lua_State* L);
int UpdateGameInterface(lua_State* L);
int UpdateTime(lua_State* L);
int UpdateScore(lua_State* L);
int EngineState(lua_State* L);
// ranking, minimap and health bars
int SetPlayersPanel(lua_State* L);
int GetPlayerMapPosition(lua_State* L);
int GetAIPositions(lua_State* L);
int GetHelthBarCoord(lua_State* L);
}  // namespace ScriptFunctions
