#include "core/CPCommand.h"

#include "core/files/CPTokenizer.h"

CPCommand BuildCommand(const std::string& name, const std::string& paramText) {
    CPCommand command;
    command.name = name;
    command.params = Tokenize(paramText, ",", true);
    return command;
}
