// A command from the engine to a script-side receiver: a name and the parameter text split at commas.
#pragma once

#include <string>
#include <vector>

struct CPCommand {
    std::string name;                 // e.g. "add_object", "show_message"
    std::vector<std::string> params;  // in the order the parameter text lists them
};

// Splits the parameter text at "," with double quotes honoured (a comma inside quotes stays in its
// parameter); an empty or all-blank text gives no parameters.
CPCommand BuildCommand(const std::string& name, const std::string& paramText);
