#include "support/CloudFileBuilder.h"

#include <charconv>

std::string CloudNumber(float value) {
    char buffer[48];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

namespace {
std::string Line(const std::string& label, std::initializer_list<std::string> values) {
    std::string line = label;
    for (const std::string& value : values) line += " " + value;
    return line + "\r\n";
}

// A name with a blank is written in double quotes, as the tokenizer reads it back.
std::string Name(const std::string& name) {
    if (name.find(' ') == std::string::npos) return name;
    std::string quoted = "\"";
    for (char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string Line(const std::string& label, float value) { return Line(label, {CloudNumber(value)}); }
std::string Line(const std::string& label, int32_t value) { return Line(label, {std::to_string(value)}); }
std::string Line(const std::string& label, const D3DXVECTOR3& v) {
    return Line(label, {CloudNumber(v.x), CloudNumber(v.y), CloudNumber(v.z)});
}
}  // namespace

std::string CloudShapeFileText(const CloudShapeFile& file) {
    std::string text = "// cloud shape\r\n";
    text += Line("anchors", static_cast<int32_t>(file.anchors.size()));
    for (const D3DXVECTOR3& anchor : file.anchors) text += Line("anchor", anchor);
    text += Line("puffs", static_cast<int32_t>(file.puffs.size()));
    for (const CloudShapeFile::Puff& puff : file.puffs) {
        text += Line("pos", puff.position);
        text += Line("ab", {std::to_string(puff.valueA), std::to_string(puff.valueB)});
        text += Line("c", puff.valueC);
        text += Line("anchor", puff.anchor);
        text += Line("size", {CloudNumber(puff.width), CloudNumber(puff.height)});
    }
    text += Line("size2", file.sizeValues[1]);
    text += Line("size1", file.sizeValues[0]);
    for (float shading : file.shadingValues) text += Line("shade", shading);
    return text;
}

std::string CloudGroupFileText(const CloudGroupFile& file) {
    std::string text;
    text += Line("centre", file.centre);
    text += Line("h1", file.headerFloat1);
    text += Line("h2", file.headerInt);
    text += Line("h3", file.headerVector);
    text += Line("h4", file.headerFloat2);
    text += Line("shapes", static_cast<int32_t>(file.blocks.size()));
    for (const CloudGroupFile::Block& block : file.blocks) {
        text += Line("file", {Name(block.shapeFile)});
        text += Line("offset", block.offset);
        text += Line("scale", block.scale);
        text += Line("angle", block.rotation);
        text += Line("value", block.entryValue);
    }
    return text;
}

std::string CloudRecordFileText(const std::vector<CloudRecord>& records) {
    std::string text = Line("records", static_cast<int32_t>(records.size()));
    for (const CloudRecord& r : records) {
        text += Line("fade", r.fadeTime);
        text += Line("duration", r.baseDuration);
        text += Line("spread", r.durationSpread);
        text += Line("group", {Name(r.groupName)});
        text += Line("r1", r.reserved1);
        text += Line("r2", r.reserved2);
        text += Line("r3", r.reserved3);
        text += Line("r4", r.reserved4);
        text += Line("r5", r.reserved5);
        text += Line("r6", r.reserved6);
        text += Line("r7", r.reserved7);
        text += Line("r8", r.reserved8);
        text += Line("grey", r.greyFlag);
        text += Line("probability", r.probability);
        text += Line("r9", r.reserved9);
    }
    return text;
}

CloudGroupFile::Block CloudBlock(const std::string& shapeFile, D3DXVECTOR3 offset, float scale, float rotation,
                                 float entryValue) {
    CloudGroupFile::Block block;
    block.shapeFile = shapeFile;
    block.offset = offset;
    block.scale = scale;
    block.rotation = rotation;
    block.entryValue = entryValue;
    return block;
}

CloudRecord MakeCloudRecord(const std::string& groupName, float fadeTime, float baseDuration, float durationSpread,
                            int32_t greyFlag, float probability) {
    CloudRecord record;
    record.groupName = groupName;
    record.fadeTime = fadeTime;
    record.baseDuration = baseDuration;
    record.durationSpread = durationSpread;
    record.greyFlag = greyFlag;
    record.probability = probability;
    return record;
}
