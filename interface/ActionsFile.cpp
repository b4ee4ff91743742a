#include "interface/ActionsFile.h"

#include "core/files/CPTextReader.h"
#include "core/files/CPTokenizer.h"

namespace {
constexpr char kSeparator[] = ";";
constexpr char kTrue[] = "true";
constexpr char kFalse[] = "false";

void AppendField(std::string& out, const std::string& field) {
    if (field.find_first_of(";\"") == std::string::npos) {
        out += field;
        return;
    }
    out += '"';
    for (const char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}
}  // namespace

std::vector<ActionLine> ParseActionLines(const void* text, uint32_t size) {
    std::vector<ActionLine> lines;
    CPTextReader reader(text, size);
    for (std::string raw; reader.NextLine(raw);) {
        CPTokenizer tokenizer(raw, kSeparator, true);
        ActionLine line;
        std::string flag;
        tokenizer.NextToken(line.action);
        tokenizer.NextToken(line.secondName);
        tokenizer.NextToken(line.keyText);
        tokenizer.NextToken(flag);
        line.numeric = flag == kTrue;
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string FormatActionLine(const ActionLine& line) {
    std::string out;
    AppendField(out, line.action);
    out += kSeparator;
    AppendField(out, line.secondName);
    out += kSeparator;
    AppendField(out, line.keyText);
    out += kSeparator;
    out += line.numeric ? kTrue : kFalse;
    out += "\r\n";
    return out;
}
