// A cloud group: the cloud shapes of one group file of "Data\Clouds\", placed about the group's
// centre. The sky keeps its groups by file name and switches one on after another.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "DynamicSky/CloudShape.h"
#include "platform/D3DX9Math.h"

// A group file as written (see ParseCloudGroupFile).
struct CloudGroupFile {
    struct Block {
        std::string shapeFile;  // shape file name as written
        D3DXVECTOR3 offset;     // from the centre
        float scale = 0.0f;
        float rotation = 0.0f;  // radians about z
        float entryValue = 0.0f;
    };
    D3DXVECTOR3 centre;
    // Lines 2 to 5: kept with the group, read by nothing.
    float headerFloat1 = 0.0f;
    int32_t headerInt = 0;
    D3DXVECTOR3 headerVector;
    float headerFloat2 = 0.0f;
    std::vector<Block> blocks;
};

// Reads the text of a group file: "label x y z" (centre), "label f", "label n", "label x y z",
// "label f", "label N", then N blocks of five lines: "label file", "label x y z" (offset),
// "label scale", "label rotation", "label entry value". N of 0 or less means no shapes. False when the
// text ends before a line its count promises.
bool ParseCloudGroupFile(const void* text, uint32_t size, CloudGroupFile& file);

class CloudGroup {
public:
    CloudGroup() = default;
    CloudGroup(const CloudGroup&) = delete;
    CloudGroup& operator=(const CloudGroup&) = delete;
    // Deletes the shapes.
    virtual ~CloudGroup() = default;

    // Reads "Data\Clouds\" + name and appends one loaded shape per block, placed at centre + offset.
    // A file that cannot be read or is short leaves the group as it was (empty, centre unset).
    void Load(const std::string& name);
    // Sets centre and header values and appends the blocks' shapes, each loaded from its own file.
    void Apply(const CloudGroupFile& file);

    // Switches the group and every shape (CloudShape::Switch). The sky switches the group it leaves
    // off with (false, false) and the one it goes to on with (true, true).
    void SetActive(bool on, bool resetAlpha);
    // Puts every shape back at the centre plus its own offset.
    void PlaceShapes();

    // The shapes in file order; owned by the group.
    const std::vector<CloudShape*>& GetShapes() const { return mShapes; }
    // The entry value of shape i (its block's fifth line).
    float GetEntryValue(size_t i) const { return mEntries.at(i).second; }
    const D3DXVECTOR3& GetCentre() const { return mCentre; }
    float GetHeaderFloat1() const { return mHeaderFloat1; }
    int32_t GetHeaderInt() const { return mHeaderInt; }
    const D3DXVECTOR3& GetHeaderVector() const { return mHeaderVector; }
    float GetHeaderFloat2() const { return mHeaderFloat2; }
    bool IsOn() const { return mOn != 0; }
    bool IsOff() const { return mOff != 0; }

private:
    std::vector<std::pair<std::unique_ptr<CloudShape>, float>> mEntries;  // shape and its entry value
    std::vector<CloudShape*> mShapes;  // the entries' shapes in the same order; not owning
    D3DXVECTOR3 mCentre;
    float mHeaderFloat1 = 0.0f;
    int32_t mHeaderInt = 0;
    D3DXVECTOR3 mHeaderVector;
    float mHeaderFloat2 = 0.0f;
    uint8_t mOn = 0;   // 1 while switched on
    uint8_t mOff = 0;  // 1 while switched off (fading out)
};
