// Render layers: what the frame draws, in ascending key order, each with an optional camera and an
// optional matrix. The renderer keeps them in an ordered map by key.
#pragma once

#include <cstdint>

#include "Render/PCamera.h"
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

class CPRenderLayer : public CPRenderRecord {
public:
    int32_t mKey = 0;                     // equal to the layer's map key
    CPSmartPtr<CPBaseCamera> mCamera;     // may be empty
    int32_t mHasMatrix = 0;               // 1 when mMatrix is to be used
    D3DXMATRIX mMatrix;
};
