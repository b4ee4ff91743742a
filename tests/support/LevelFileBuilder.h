// Writes ".lvl" level files field by field: header, light block, placed objects, splines. Every part
// has a sound default, so a test states only what it is about; the damaged variants (wrong counts,
// cut-off files) start from Bytes().
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/D3DX9Math.h"
#include "support/ByteBuilder.h"
#include "support/SplineRecordBuilder.h"

class TempFolder;

struct LevelFileObject {
    std::string name;
    D3DXVECTOR3 position;
    D3DXQUATERNION rotation = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
    D3DXVECTOR3 scale = D3DXVECTOR3(1.0f, 1.0f, 1.0f);
};

struct LevelFileSpline {
    std::string name;
    int32_t closed = 0;
    std::vector<SplineSegmentPoints> segments;
};

class LevelFileBuilder {
public:
    // The light count; its records are written zero-filled (52 bytes, then 28 for each further one).
    LevelFileBuilder& Lights(int32_t count);
    LevelFileBuilder& Object(const LevelFileObject& object);
    LevelFileBuilder& Object(const std::string& name, const D3DXVECTOR3& position = D3DXVECTOR3());
    LevelFileBuilder& Spline(const LevelFileSpline& spline);
    // A straight open spline from a to b (one segment).
    LevelFileBuilder& StraightSpline(const std::string& name, const D3DXVECTOR3& a, const D3DXVECTOR3& b);

    ByteBuilder Bytes() const;
    // Writes the file where the engine looks for the level: "Data/Levels/<name>.lvl" in the folder.
    void WriteLevel(const TempFolder& folder, const std::string& levelName) const;

private:
    int32_t mLightCount = 0;
    std::vector<LevelFileObject> mObjects;
    std::vector<LevelFileSpline> mSplines;
};
