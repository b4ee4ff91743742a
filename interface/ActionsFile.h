// The text of "Actions.cfg": one action per line, four fields separated by ";" (double quotes
// honoured): action name; second name; key name, or the numeric code in decimal; "true" when the
// code is numeric, "false" otherwise.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One line of the file as it reads.
struct ActionLine {
    std::string action;
    std::string secondName;
    std::string keyText;   // a key name, or a decimal number when `numeric`
    bool numeric = false;  // the fourth field is exactly "true"
};

// The meaningful lines of the text in file order (comments, blank lines and "/*" ... "*/" blocks are
// skipped, fields trimmed). Missing fields are empty, fields past the fourth are ignored.
std::vector<ActionLine> ParseActionLines(const void* text, uint32_t size);

// The line "%s;%s;%s;%s\r\n" of the record. A field holding ";" or a double quote is written quoted
// (inner quotes doubled) so that it reads back whole; every other field is written as it is.
std::string FormatActionLine(const ActionLine& line);
