#include "script/SaveGameScriptFunctions.h"

#include <vector>

#include "core/ServiceGlobals.h"
#include "script/SaveGames.h"
#include "script/ScriptCalls.h"
#include "simulation/level/CPGameData.h"

using namespace ScriptCalls;

namespace ScriptFunctions {

// A failed write leaves the slot as it was; the scripts get no report of it.
int SaveGame(lua_State*) {
    if (CPGameData* data = gGameData) SaveCurrentProfile(*data);
    return 0;
}

int LoadGame(lua_State* L) {
    const std::string fileName = PlainString(L, 1);
    if (CPGameData* data = gGameData) LoadSaveGame(*data, fileName);
    return 0;
}

int DeleteSave(lua_State* L) {
    DeleteSaveGame(PlainString(L, 1));
    return 0;
}

int GetSaves(lua_State* L) {
    const auto names = ListSaveGames();
    return PushNameList(L, std::vector<std::string>(names.begin(), names.end()));
}

int NewPlayer(lua_State* L) {
    const std::string name = PlainString(L, 1);
    if (CPGameData* data = gGameData) {
        data->mPlayerName = name;
        WriteSaveGame(*data, SaveSlotFileName(0));
    }
    return 0;
}

}  // namespace ScriptFunctions
