// Reads what reached a command receiver, the way a script does: SetNextCommand until it answers false.
#pragma once

#include <string>
#include <vector>

#include "core/CPCommandTask.h"

// Every queued command in arrival order; the receiver's queue is empty afterwards.
inline std::vector<CPCommand> DrainCommands(CPCommandTask& receiver) {
    std::vector<CPCommand> out;
    while (receiver.SetNextCommand()) out.push_back(*receiver.GetCurrentCommand());
    return out;
}

// "name" or "name:param1,param2" per command, in arrival order.
inline std::vector<std::string> DrainCommandTexts(CPCommandTask& receiver) {
    std::vector<std::string> out;
    for (const CPCommand& command : DrainCommands(receiver)) {
        std::string text = command.name;
        for (size_t i = 0; i < command.params.size(); ++i) text += (i == 0 ? ":" : ",") + command.params[i];
        out.push_back(text);
    }
    return out;
}
