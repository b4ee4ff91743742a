#include "DynamicSky/SkyscapeFile.h"

#include <algorithm>
#include <limits>

#include "DynamicSky/SkyTextLines.h"

namespace {
// Fills one key-state block; false when the text ends inside it.
bool ReadKeyState(SkyTextLines& lines, int32_t colourPoints, int32_t layerCount, SkyKeyState& state) {
    if (!lines.Next()) return false;
    state.duration = lines.Float(0);
    if (!lines.Next()) return false;
    state.domeAlpha = lines.Float(0);
    if (!lines.Next()) return false;
    state.domeAngle = D3DXToRadian(lines.Float(0));
    if (!lines.Next()) return false;
    // Stored one-based; the lowest number stays as it is rather than overflow (it reads as no channel).
    const int32_t grey = lines.Int(0);
    state.greyChannel = grey == std::numeric_limits<int32_t>::min() ? grey : grey - 1;
    for (int32_t i = 0; i < colourPoints; ++i) {
        if (!lines.Next()) return false;
        state.colourPoints.push_back(lines.Vector(0));
    }
    for (D3DXVECTOR3* colour : {&state.sun, &state.ambient, &state.extra1, &state.extra2, &state.fog}) {
        if (!lines.Next()) return false;
        *colour = lines.Vector(0);
    }
    for (float* value : {&state.fogStart, &state.fogEnd, &state.spare}) {
        if (!lines.Next()) return false;
        *value = lines.Float(0);
    }
    if (!lines.Next()) return false;
    state.lightDoubling = lines.Int(0);
    if (state.lightDoubling != 0) {
        state.sun = state.sun * 2.0f;
        state.ambient = state.ambient * 2.0f;
    }
    for (int32_t i = 0; i < layerCount; ++i) {
        if (!lines.Next()) return false;
        state.layerAngles.push_back(D3DXToRadian(lines.Float(0)));
        if (!lines.Next()) return false;
        state.layerEffects.push_back(lines.Int(0));
        if (!lines.Next()) return false;
        state.layerScales.push_back(lines.Float(0));
        if (!lines.Next()) return false;
        state.layerTextureSteps.push_back(lines.Int(0));
    }
    return true;
}

bool ReadLayer(SkyTextLines& lines, SkyscapeFile::Layer& layer) {
    if (!lines.Next()) return false;
    layer.axis = lines.Vector(0);
    if (!lines.Next()) return false;
    layer.quadSize = lines.Float(0);
    if (!lines.Next()) return false;
    layer.distance = lines.Float(0);
    if (!lines.Next()) return false;
    layer.baseAngle = D3DXToRadian(lines.Float(0));
    if (!lines.Next()) return false;
    const int32_t textureCount = lines.Int(0);
    for (int32_t i = 0; i < textureCount; ++i) {
        if (!lines.Next()) return false;
        layer.textures.push_back(lines.Text(0));
    }
    return true;
}
}  // namespace

bool ParseSkyscapeFile(const void* text, uint32_t size, SkyscapeFile& file) {
    SkyTextLines lines(text, size);
    file = SkyscapeFile();

    if (!lines.Next()) return false;
    file.timeScale = lines.Float(0);
    if (!lines.Next()) return false;
    file.firstState = lines.Int(0);
    if (!lines.Next()) return false;
    file.domeRadius = lines.Float(0);
    if (!lines.Next()) return false;
    file.domeHeightScale = lines.Float(0);
    if (!lines.Next()) return false;
    file.domeSegments = lines.Int(0);
    if (!lines.Next()) return false;
    file.domeCentre = lines.Vector(0);
    if (!lines.Next()) return false;
    file.domeTexture = lines.Text(0);
    if (!lines.Next()) return false;
    file.domeEffect = lines.Text(0);
    if (!lines.Next()) return false;
    file.colourPointCount = std::max(lines.Int(0), 0);
    if (!lines.Next()) return false;
    const int32_t keyStateCount = lines.Int(0);
    if (!lines.Next()) return false;
    const int32_t layerCount = std::max(lines.Int(0), 0);
    if (!lines.Next()) return false;
    file.layerEffects[0] = lines.Text(0);
    if (!lines.Next()) return false;
    file.layerEffects[1] = lines.Text(0);
    if (!lines.Next()) return false;
    const int32_t groupCount = lines.Int(0);
    if (!lines.Next()) return false;
    file.recordFile = lines.Text(0);

    // The end of the text bounds every loop, however large the counts are.
    for (int32_t i = 0; i < keyStateCount; ++i) {
        SkyKeyState state;
        if (!ReadKeyState(lines, file.colourPointCount, layerCount, state)) return false;
        file.keyStates.push_back(std::move(state));
    }
    for (int32_t i = 0; i < layerCount; ++i) {
        SkyscapeFile::Layer layer;
        if (!ReadLayer(lines, layer)) return false;
        file.layers.push_back(std::move(layer));
    }
    for (int32_t i = 0; i < groupCount; ++i) {
        if (!lines.Next()) return false;
        file.groups.push_back(lines.Text(0));
    }
    return true;
}

bool IsValidSkyscapeFile(const SkyscapeFile& file) {
    if (file.keyStates.empty() || file.colourPointCount < 0) return false;
    const size_t points = static_cast<size_t>(file.colourPointCount);
    const size_t layers = file.layers.size();
    return std::all_of(file.keyStates.begin(), file.keyStates.end(), [&](const SkyKeyState& state) {
        return state.colourPoints.size() == points && state.layerAngles.size() == layers &&
               state.layerScales.size() == layers && state.layerEffects.size() == layers &&
               state.layerTextureSteps.size() == layers;
    });
}
