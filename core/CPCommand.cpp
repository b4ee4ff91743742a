#include "core/CPCommand.h"

#include "core/files/CPTokenizer.h"

CPCommand BuildCommand(const std::string& name, const std::string& paramText) {
    CPCommand command;
    command.name = name;
    CPTokenizer tokenizer(paramText, ",", true);
    std::string token;
    while (tokenizer.NextToken(token)) command.params.push_back(token);
    return command;
}
