// Render layers: what the frame draws, in ascending key order, each with an optional camera and an
// optional matrix. The renderer keeps them in an ordered map by key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>

#include "Render/PCamera.h"
#include "Render/PMaterial.h"
#include "core/CPRefObject.h"
#include "core/CPSmartPtr.h"
#include "platform/D3DX9Math.h"

// Base of the layer records: an id and a version that every change of the record raises.
class CPRenderRecord {
public:
    virtual ~CPRenderRecord() = default;
    virtual void Invalidate() {}

    int32_t mId = -1;
    int32_t mVersion = 0;  // +1 on every change
    int32_t mReserved = 0;
};

// One object of a group with the material it is drawn with.
class CPRenderLayerEntry : public CPRenderRecord {
public:
    // Clears the material's state flag, so that its states are set again before its next draw.
    void Invalidate() override {
        if (mMaterial) mMaterial->SetStateFlag(0);
    }

    CPSmartPtr<CPRefObject> mObject;
    CPSmartPtr<CPMaterial> mMaterial;
};

// One object of a layer and its entries by a 32-bit key; the frame fills these.
class CPRenderLayerGroup : public CPRenderRecord {
public:
    CPSmartPtr<CPRefObject> mObject;
    std::unordered_map<uint32_t, CPRenderLayerEntry> mEntries;
};

class CPRenderLayer : public CPRenderRecord {
public:
    static constexpr size_t kGroupBuckets = 100;  // size the group table is built with

    CPRenderLayer() : mGroups(kGroupBuckets) {}

    int32_t mKey = 0;                     // equal to the layer's map key
    CPSmartPtr<CPBaseCamera> mCamera;     // may be empty
    int32_t mHasMatrix = 0;               // 1 when mMatrix is to be used
    D3DXMATRIX mMatrix;
    std::unordered_map<uint32_t, CPRenderLayerGroup> mGroups;  // by a 32-bit key; filled by the frame
};
