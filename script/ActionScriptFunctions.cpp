#include "script/ActionScriptFunctions.h"

#include <string>
#include <vector>

#include "interface/CPInputManager.h"
#include "script/ScriptCalls.h"

using namespace ScriptCalls;

namespace ScriptFunctions {
int SetActions(lua_State* L) {
    const bool enabled = ToBool(L, 1);
    if (gInputManager) gInputManager->SetBindingsEnabled(enabled);
    return 0;
}

int SetAssignKey(lua_State*) {
    if (gInputManager) gInputManager->SetAssignKey(true);
    return 0;
}

// A failed write leaves the previous file; the scripts get no report of it.
int SaveActions(lua_State*) {
    if (gInputManager) gInputManager->WriteActions();
    return 0;
}

int UpdateActions(lua_State*) {
    if (gInputManager) gInputManager->RewriteActions();
    return 0;
}

// A file that cannot be read leaves the bindings as they were.
int LoadActions(lua_State* L) {
    const std::string fileName = PlainString(L, 1);
    if (gInputManager) gInputManager->InitInputBindings(fileName);
    return 0;
}

// The third argument is read by the scripts' calls but means nothing to the assignment.
int SetAction(lua_State* L) {
    const std::string label = PlainString(L, 1);
    const std::string keyName = PlainString(L, 2);
    if (gInputManager) gInputManager->AssignActionKey(label, keyName);
    return 0;
}

int GetActionNames(lua_State* L) {
    std::vector<std::string> keyTexts;
    std::vector<std::string> secondNames;
    if (gInputManager) gInputManager->ListActions(keyTexts, secondNames);
    lua_pushnumber(L, static_cast<lua_Number>(keyTexts.size()));
    PushTextTable(L, keyTexts);
    PushTextTable(L, secondNames);
    return 3;
}

}  // namespace ScriptFunctions
