// One cloud of a cloud group: puffs with a position, an outward normal, a width and a height, read
// from a shape file of "Data\Clouds\", scaled and turned about the vertical axis, with the cloud's
// extent worked out from them. The sky switches shapes on and off through fade flags; nothing in this
// system draws them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/D3DX9Math.h"

// A shape file as written: lines of a label and values, in a fixed order (see ParseCloudShapeFile).
struct CloudShapeFile {
    struct Puff {
        D3DXVECTOR3 position;  // as written, unscaled
        int32_t valueA = 0;
        int32_t valueB = 0;
        float valueC = 0.0f;
        int32_t anchor = 0;  // index into anchors, counted from 0
        float width = 0.0f;  // unscaled
        float height = 0.0f;
    };
    std::vector<D3DXVECTOR3> anchors;  // as written, unscaled
    std::vector<Puff> puffs;
    // The file's last eight lines: second size value, first size value, then the six shading values.
    std::array<float, 2> sizeValues = {20.0f, 20.0f};  // [0] first size value, [1] second
    std::array<float, 6> shadingValues = {128.0f, 128.0f, 128.0f, 128.0f, 128.0f, 128.0f};
};

// Reads the text of a shape file:
//   label N; N lines "label x y z" (anchor points);
//   label M; M blocks of five lines "label x y z", "label a b", "label c", "label anchor", "label w h";
//   eight lines of a label and one value.
// A count of 0 or less means none. False when the text ends before a line its counts promise: a
// short file is not taken for a complete one.
bool ParseCloudShapeFile(const void* text, uint32_t size, CloudShapeFile& file);
// Every puff's anchor index names an anchor point of the file.
bool IsValidCloudShapeFile(const CloudShapeFile& file);

class CloudShape;

struct CloudPuff {
    D3DXVECTOR3 position;  // file position x scale, turned about z by the rotation
    int32_t valueA = 0;
    int32_t valueB = 0;
    float valueC = 0.0f;
    D3DXVECTOR3 normal;  // unit vector from the puff's anchor point to its position; zero when they meet
    float width = 0.0f;  // scaled
    float height = 0.0f;
    CloudShape* owner = nullptr;  // the shape holding the puff; not owned
};

class CloudShape {
public:
    CloudShape() = default;
    // Puffs point back at their shape, so a shape is never copied.
    CloudShape(const CloudShape&) = delete;
    CloudShape& operator=(const CloudShape&) = delete;
    virtual ~CloudShape() = default;

    // Stores scale and rotation (radians about z), then reads "Data\Clouds\" + name. A file that cannot
    // be read, is short or names a missing anchor point leaves every other member as it was.
    void Load(const std::string& name, float scale, float rotation);
    // Builds the puffs, the extents and the size and shading values from a parsed file with the stored
    // scale and rotation. An invalid file changes nothing and gives false.
    bool Apply(const CloudShapeFile& file);

    // Switching by the group or the sky: on starts the fade in, off the fade out; with resetAlpha the
    // alpha restarts from the far end (on: 0 towards 255, off: 255 towards 0). Both update flags rise.
    void Switch(bool on, bool resetAlpha);

    const std::vector<CloudPuff>& GetPuffs() const { return mPuffs; }
    float GetTargetAlpha() const { return mTargetAlpha; }
    void SetTargetAlpha(float alpha) { mTargetAlpha = alpha; }
    float GetAlpha() const { return mAlpha; }
    void SetAlpha(float alpha) { mAlpha = alpha; }
    bool IsFadingOut() const { return mFadingOut != 0; }
    bool IsFadingIn() const { return mFadingIn != 0; }
    const std::array<float, 2>& GetSizeValues() const { return mSizeValues; }
    const std::array<float, 6>& GetShadingValues() const { return mShadingValues; }
    float GetHalfHeight() const { return mHalfHeight; }
    float GetRadius() const { return mRadius; }
    const D3DXVECTOR3& GetPosition() const { return mPosition; }
    void SetPosition(const D3DXVECTOR3& position) { mPosition = position; }
    bool IsUpdatePending() const { return mUpdateFlag != 0; }
    bool IsSecondUpdatePending() const { return mSecondUpdateFlag != 0; }
    float GetScale() const { return mScale; }
    float GetRotation() const { return mRotation; }
    const D3DXVECTOR3& GetOffset() const { return mOffset; }
    void SetOffset(const D3DXVECTOR3& offset) { mOffset = offset; }

private:
    std::vector<CloudPuff> mPuffs;  // in file order
    float mTargetAlpha = 0.0f;      // 0 to 255
    float mAlpha = 255.0f;          // 0 to 255
    uint8_t mFadingOut = 0;
    uint8_t mFadingIn = 0;
    std::array<float, 2> mSizeValues = {20.0f, 20.0f};
    std::array<float, 6> mShadingValues = {128.0f, 128.0f, 128.0f, 128.0f, 128.0f, 128.0f};
    float mHalfHeight = 0.0f;  // half the largest vertical (z) extent of the puffs from the origin
    float mRadius = 0.0f;      // largest extent of the puffs from the origin along any axis
    D3DXVECTOR3 mPosition;     // group centre + offset
    uint8_t mUpdateFlag = 0;   // raised at every switch; nothing lowers it
    float mScale = 1.0f;
    float mRotation = 0.0f;  // radians about z
    D3DXVECTOR3 mOffset;     // from the group centre
    uint8_t mSecondUpdateFlag = 0;  // raised at every switch; nothing lowers it
};
