#include "DynamicSky/CloudShape.h"

#include <algorithm>
#include <cmath>

#include "DynamicSky/SkyTextLines.h"

bool ParseCloudShapeFile(const void* text, uint32_t size, CloudShapeFile& file) {
    SkyTextLines lines(text, size);
    file = CloudShapeFile();

    // Counts are not trusted for sizes: every element needs its own line, so the end of the text
    // bounds the loops, however large a count is.
    if (!lines.Next()) return false;
    const int32_t anchorCount = lines.Int(0);
    for (int32_t i = 0; i < anchorCount; ++i) {
        if (!lines.Next()) return false;
        file.anchors.push_back(lines.Vector(0));
    }

    if (!lines.Next()) return false;
    const int32_t puffCount = lines.Int(0);
    for (int32_t i = 0; i < puffCount; ++i) {
        CloudShapeFile::Puff puff;
        if (!lines.Next()) return false;
        puff.position = lines.Vector(0);
        if (!lines.Next()) return false;
        puff.valueA = lines.Int(0);
        puff.valueB = lines.Int(1);
        if (!lines.Next()) return false;
        puff.valueC = lines.Float(0);
        if (!lines.Next()) return false;
        puff.anchor = lines.Int(0);
        if (!lines.Next()) return false;
        puff.width = lines.Float(0);
        puff.height = lines.Float(1);
        file.puffs.push_back(puff);
    }

    float* const tail[8] = {&file.sizeValues[1],    &file.sizeValues[0],    &file.shadingValues[0],
                            &file.shadingValues[1], &file.shadingValues[2], &file.shadingValues[3],
                            &file.shadingValues[4], &file.shadingValues[5]};
    for (float* value : tail) {
        if (!lines.Next()) return false;
        *value = lines.Float(0);
    }
    return true;
}

bool IsValidCloudShapeFile(const CloudShapeFile& file) {
    return std::all_of(file.puffs.begin(), file.puffs.end(), [&](const CloudShapeFile::Puff& puff) {
        return puff.anchor >= 0 && static_cast<size_t>(puff.anchor) < file.anchors.size();
    });
}

void CloudShape::Load(const std::string& name, float scale, float rotation) {
    mScale = scale;
    mRotation = rotation;
    std::vector<uint8_t> bytes;
    if (!ReadSkyFile(name, bytes)) return;
    CloudShapeFile file;
    if (!ParseCloudShapeFile(bytes.data(), static_cast<uint32_t>(bytes.size()), file)) return;
    Apply(file);
}

bool CloudShape::Apply(const CloudShapeFile& file) {
    if (!IsValidCloudShapeFile(file)) return false;
    D3DXMATRIX turn;
    D3DXMatrixRotationZ(&turn, mRotation);
    auto place = [&](const D3DXVECTOR3& written) {
        const D3DXVECTOR3 scaled = written * mScale;
        D3DXVECTOR3 placed;
        D3DXVec3TransformCoord(&placed, &scaled, &turn);
        return placed;
    };

    std::vector<D3DXVECTOR3> anchors;
    anchors.reserve(file.anchors.size());
    for (const D3DXVECTOR3& anchor : file.anchors) anchors.push_back(place(anchor));

    mPuffs.clear();
    mPuffs.reserve(file.puffs.size());
    for (const CloudShapeFile::Puff& written : file.puffs) {
        CloudPuff puff;
        puff.position = place(written.position);
        puff.valueA = written.valueA;
        puff.valueB = written.valueB;
        puff.valueC = written.valueC;
        const D3DXVECTOR3 outward = puff.position - anchors[static_cast<size_t>(written.anchor)];
        D3DXVec3Normalize(&puff.normal, &outward);
        puff.width = written.width * mScale;
        puff.height = written.height * mScale;
        puff.owner = this;
        mPuffs.push_back(puff);
    }

    // The extents start at the origin, so they always include it.
    float minimum[3] = {0.0f, 0.0f, 0.0f};
    float maximum[3] = {0.0f, 0.0f, 0.0f};
    for (const CloudPuff& puff : mPuffs) {
        const float reach = std::sqrt(puff.width * puff.width + puff.height * puff.height);
        const float coordinates[3] = {puff.position.x, puff.position.y, puff.position.z};
        for (int axis = 0; axis < 3; ++axis) {
            maximum[axis] = std::max(maximum[axis], coordinates[axis] + reach);
            minimum[axis] = std::min(minimum[axis], coordinates[axis] - reach);
        }
    }
    float extent[3];
    for (int axis = 0; axis < 3; ++axis) extent[axis] = std::max(std::fabs(minimum[axis]), std::fabs(maximum[axis]));
    mHalfHeight = 0.5f * extent[2];
    mRadius = std::max({extent[0], extent[1], extent[2]});

    mSizeValues = file.sizeValues;
    mShadingValues = file.shadingValues;
    return true;
}

void CloudShape::Switch(bool on, bool resetAlpha) {
    mFadingOut = on ? 0 : 1;
    mFadingIn = on ? 1 : 0;
    if (resetAlpha) {
        mTargetAlpha = on ? 255.0f : 0.0f;
        mAlpha = on ? 0.0f : 255.0f;
    }
    mUpdateFlag = 1;
    mSecondUpdateFlag = 1;
}
