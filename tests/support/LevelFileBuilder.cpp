#include "support/LevelFileBuilder.h"

#include "support/TempFolder.h"

LevelFileBuilder& LevelFileBuilder::Lights(int32_t count) {
    mLightCount = count;
    return *this;
}

LevelFileBuilder& LevelFileBuilder::Object(const LevelFileObject& object) {
    mObjects.push_back(object);
    return *this;
}

LevelFileBuilder& LevelFileBuilder::Object(const std::string& name, const D3DXVECTOR3& position) {
    LevelFileObject object;
    object.name = name;
    object.position = position;
    return Object(object);
}

LevelFileBuilder& LevelFileBuilder::Spline(const LevelFileSpline& spline) {
    mSplines.push_back(spline);
    return *this;
}

LevelFileBuilder& LevelFileBuilder::StraightSpline(const std::string& name, const D3DXVECTOR3& a,
                                                   const D3DXVECTOR3& b) {
    return Spline({name, 0, {StraightSegment(a, b)}});
}

ByteBuilder LevelFileBuilder::Bytes() const {
    ByteBuilder bytes;
    bytes.Float32(0.0f).Float32(0.0f).Float32(0.0f).Float32(0.0f);
    bytes.Int32(mLightCount);
    if (mLightCount >= 1) bytes.Zeros(52 + 28 * static_cast<size_t>(mLightCount - 1));
    bytes.Int32(static_cast<int32_t>(mObjects.size()));
    for (const LevelFileObject& o : mObjects) {
        bytes.String(o.name);
        bytes.Float32(o.position.x).Float32(o.position.y).Float32(o.position.z);
        bytes.Float32(o.rotation.x).Float32(o.rotation.y).Float32(o.rotation.z).Float32(o.rotation.w);
        bytes.Float32(o.scale.x).Float32(o.scale.y).Float32(o.scale.z);
    }
    bytes.Int32(static_cast<int32_t>(mSplines.size()));
    for (const LevelFileSpline& s : mSplines) AppendSplineRecord(bytes, s.name, s.closed, s.segments);
    return bytes;
}

void LevelFileBuilder::WriteLevel(const TempFolder& folder, const std::string& levelName) const {
    folder.Write("Data/Levels/" + levelName + ".lvl", Bytes().Bytes());
}
