#include "interface/InterfaceFile.h"

#include <cstdio>

#include "core/StringUtils.h"
#include "core/config/CPDator.h"
#include "core/files/CPFileReader.h"
#include "core/files/CPTextReader.h"
#include "core/files/CPTokenizer.h"

namespace {

// The fields of a data line: the name, then the comma list after the first blank.
struct SplitLine {
    std::string name;
    std::vector<std::string> fields;  // after name: filled by SplitElementLine, which sets the name

    explicit SplitLine(const std::string& line) : fields(SplitElementLine(line, name)) {}
    // Field n counted from 1; empty when absent.
    std::string Text(size_t n) const { return n <= fields.size() ? fields[n - 1] : std::string(); }
    float Number(size_t n) const { return StringToFloat(Text(n)); }
    bool Has(size_t n) const { return n <= fields.size(); }
};

// The next line of the reader; empty at the end of the text.
std::string NextData(CPTextReader& reader) {
    std::string line;
    reader.NextLine(line);
    return line;
}

EditBoxLine ParseEditBoxLine(const std::string& text) {
    const SplitLine line(text);
    EditBoxLine box;
    box.name = line.name;
    box.x = line.Number(1);
    box.y = line.Number(2);
    box.font = line.Text(3);
    box.maxLength = StringToInt(line.Text(4));
    box.anchor = line.Text(5);
    box.hasInitialText = line.Has(6);
    box.initialText = line.Text(6);
    return box;
}

TextLine ParseTextLine(const std::string& text) {
    const SplitLine line(text);
    TextLine element;
    element.name = line.name;
    element.font = line.Text(1);
    element.x = line.Number(2);
    element.y = line.Number(3);
    element.key = line.Text(4);
    element.anchor = line.Text(5);
    return element;
}

}  // namespace

std::string InterfaceFilePath(const std::string& screenName) {
    return std::string(kInterfaceFolder) + "\\" + screenName + std::to_string(kInterfaceFileNumber) + ".int";
}

InterfaceFileRecord ParseInterfaceFile(const char* text, uint32_t size) {
    InterfaceFileRecord record;
    CPTextReader reader(text, size);
    record.controllerName = NextData(reader);

    const std::vector<std::string> texture = Tokenize(NextData(reader), ",", true);
    record.textureName = texture.size() >= 1 ? texture[0] : std::string();
    record.textureWidth = texture.size() >= 2 ? StringToFloat(texture[1]) : 0.0f;
    record.textureHeight = texture.size() >= 3 ? StringToFloat(texture[2]) : 0.0f;

    const std::vector<std::string> light = Tokenize(NextData(reader), ",", true);
    auto field = [&light](size_t n) { return n <= light.size() ? light[n - 1] : std::string(); };
    record.lightOn = field(2) == "on";
    if (record.lightOn) {
        for (size_t i = 0; i < 3; ++i) {
            record.lightDirection[i] = StringToFloat(field(3 + i));
            record.lightColour[i] = StringToFloat(field(6 + i));
        }
    }
    record.smooth = field(9) == "smooth";

    std::string keyword;
    while (reader.NextLine(keyword)) {
        ToLower(keyword);
        InterfaceElement element;
        if (keyword == "window") {
            element.kind = InterfaceElement::kWindow;
            element.windows[0] = ParseWindowLine(NextData(reader));
        } else if (keyword == "button") {
            element.kind = InterfaceElement::kButton;
            for (WindowLine& window : element.windows) window = ParseWindowLine(NextData(reader));
        } else if (keyword == "textedit") {
            element.kind = InterfaceElement::kEditBox;
            element.editBox = ParseEditBoxLine(NextData(reader));
        } else if (keyword == "text") {
            element.kind = InterfaceElement::kText;
            element.text = ParseTextLine(NextData(reader));
        } else {
            continue;
        }
        record.elements.push_back(std::move(element));
    }
    return record;
}

std::string ValidateInterfaceFile(const InterfaceFileRecord& record) {
    size_t windows = 0;
    for (const InterfaceElement& element : record.elements) {
        const bool cursor = element.kind == InterfaceElement::kWindow && element.windows[0].name == "cursor";
        if ((element.kind == InterfaceElement::kWindow && !cursor) || element.kind == InterfaceElement::kButton)
            ++windows;
    }
    if (windows > kMaxInterfaceWindows) {
        char reason[96];
        std::snprintf(reason, sizeof(reason), "%zu windows and buttons, more than the %zu one screen can draw", windows,
                      kMaxInterfaceWindows);
        return reason;
    }
    return {};
}

bool ReadInterfaceFile(const std::string& path, InterfaceFileRecord& record) {
    CPFileReader file(path, false);
    if (file.Load() != 0) return false;
    record = ParseInterfaceFile(reinterpret_cast<const char*>(file.GetData()), file.GetSize());
    return true;
}
