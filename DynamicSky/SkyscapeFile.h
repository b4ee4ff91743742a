// The sky file "skyscape<n>.txt" of "Data\Clouds\" as written: fifteen header lines, then the key
// states, the cloud layers and the cloud group names, every line a label followed by its values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "DynamicSky/SkyKeyState.h"
#include "platform/D3DX9Math.h"

struct SkyscapeFile {
    struct Layer {
        D3DXVECTOR3 axis;         // as written; the layer normalises it
        float quadSize = 0.0f;    // half edge of the layer's quad
        float distance = 0.0f;    // radius of the layer's circle
        float baseAngle = 0.0f;   // radians (written in degrees)
        std::vector<std::string> textures;  // in file order
    };

    float timeScale = 0.0f;       // sky seconds per frame second
    int32_t firstState = 0;       // key state the sky starts in, as written
    float domeRadius = 0.0f;
    float domeHeightScale = 0.0f;
    int32_t domeSegments = 0;
    D3DXVECTOR3 domeCentre;
    std::string domeTexture;      // paths as written
    std::string domeEffect;
    int32_t colourPointCount = 0;  // colour points per key state; a written count below 0 reads as 0
    std::string layerEffects[2];   // effect 0 and effect 1 of every layer
    std::string recordFile;        // cloud record file name
    std::vector<SkyKeyState> keyStates;
    std::vector<Layer> layers;
    std::vector<std::string> groups;  // cloud group file names, in file order
};

// Degrees as written in the sky files to radians.

// Reads the text of a sky file. Counts below 0 (colour points, layers, textures, groups) read as none.
// A key state's grey channel is stored as written minus 1; with its light doubling value non-zero the
// sun and ambient colours are doubled. False when the text ends before a line its counts promise.
bool ParseSkyscapeFile(const void* text, uint32_t size, SkyscapeFile& file);
// A sky can run from the file: at least one key state, and every key state holds one colour point per
// colour point count and one entry per layer in each of its four layer lists.
bool IsValidSkyscapeFile(const SkyscapeFile& file);
