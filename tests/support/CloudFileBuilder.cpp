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

std::string SkyscapeFileText(const SkyscapeFile& file) {
    const auto degrees = [](float radians) { return radians / D3DXToRadian(1.0f); };
    std::string text = "// sky\r\n";
    text += Line("timescale", file.timeScale);
    text += Line("first", file.firstState);
    text += Line("radius", file.domeRadius);
    text += Line("height", file.domeHeightScale);
    text += Line("segments", file.domeSegments);
    text += Line("centre", file.domeCentre);
    text += Line("texture", {Name(file.domeTexture)});
    text += Line("effect", {Name(file.domeEffect)});
    text += Line("points", file.colourPointCount);
    text += Line("states", static_cast<int32_t>(file.keyStates.size()));
    text += Line("layers", static_cast<int32_t>(file.layers.size()));
    text += Line("layereffect", {Name(file.layerEffects[0])});
    text += Line("layereffect", {Name(file.layerEffects[1])});
    text += Line("groups", static_cast<int32_t>(file.groups.size()));
    text += Line("records", {Name(file.recordFile)});
    for (const SkyKeyState& state : file.keyStates) {
        const float written = state.lightDoubling != 0 ? 0.5f : 1.0f;
        text += Line("duration", state.duration);
        text += Line("alpha", state.domeAlpha);
        text += Line("angle", degrees(state.domeAngle));
        text += Line("grey", state.greyChannel + 1);
        for (const D3DXVECTOR3& point : state.colourPoints) text += Line("point", point);
        text += Line("sun", state.sun * written);
        text += Line("ambient", state.ambient * written);
        text += Line("extra1", state.extra1);
        text += Line("extra2", state.extra2);
        text += Line("fog", state.fog);
        text += Line("fogstart", state.fogStart);
        text += Line("fogend", state.fogEnd);
        text += Line("spare", state.spare);
        text += Line("doubling", state.lightDoubling);
        for (size_t i = 0; i < state.layerAngles.size(); ++i) {
            text += Line("layerangle", degrees(state.layerAngles[i]));
            text += Line("layereffect", state.layerEffects[i]);
            text += Line("layerscale", state.layerScales[i]);
            text += Line("layerstep", state.layerTextureSteps[i]);
        }
    }
    for (const SkyscapeFile::Layer& layer : file.layers) {
        text += Line("axis", layer.axis);
        text += Line("size", layer.quadSize);
        text += Line("distance", layer.distance);
        text += Line("angle", degrees(layer.baseAngle));
        text += Line("textures", static_cast<int32_t>(layer.textures.size()));
        for (const std::string& texture : layer.textures) text += Line("texture", {Name(texture)});
    }
    for (const std::string& group : file.groups) text += Line("group", {Name(group)});
    return text;
}

SkyKeyState MakeSkyKeyState(int points, int layers) {
    SkyKeyState state;
    state.duration = 10.0f;
    state.colourPoints.assign(static_cast<size_t>(points), D3DXVECTOR3(0, 0, 0));
    state.layerAngles.assign(static_cast<size_t>(layers), 0.0f);
    state.layerScales.assign(static_cast<size_t>(layers), 1.0f);
    state.layerEffects.assign(static_cast<size_t>(layers), 0);
    state.layerTextureSteps.assign(static_cast<size_t>(layers), 0);
    return state;
}

SkyscapeFile MakeSkyscapeFile(int states, int points, int layers, int segments) {
    SkyscapeFile file;
    file.timeScale = 4.0f;
    file.domeRadius = 100.0f;
    file.domeHeightScale = 1.0f;
    file.domeSegments = segments;
    file.domeTexture = "data/textures/dome.tga";
    file.domeEffect = "data/effects/dome.fx";
    file.colourPointCount = points;
    file.layerEffects[0] = "data/effects/layer0.fx";
    file.layerEffects[1] = "data/effects/layer1.fx";
    file.recordFile = "records.txt";
    file.keyStates.assign(static_cast<size_t>(states), MakeSkyKeyState(points, layers));
    for (int i = 0; i < layers; ++i) {
        SkyscapeFile::Layer layer;
        layer.axis = D3DXVECTOR3(0, 0, 1);
        layer.quadSize = 10.0f;
        layer.distance = 100.0f;
        layer.textures = {"layer.tga"};
        file.layers.push_back(layer);
    }
    return file;
}
