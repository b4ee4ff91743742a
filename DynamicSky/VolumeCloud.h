// The sky's volume cloud: a vertex object that holds the cloud texture and the cloud effect, loaded
// when the sky is built. Nothing draws it yet; it takes part in device resets through VertexObject.
#pragma once

#include "DynamicSky/VertexObject.h"

class VolumeCloud : public VertexObject {
public:
    static constexpr const char* kTexturePath = "data\\textures\\cloud.tga";
    static constexpr const char* kEffectPath = "data\\effects\\volume_cloud.fx";

    // Loads kTexturePath and kEffectPath; failures leave the slots empty (reported by VertexObject).
    VolumeCloud();
    ~VolumeCloud() override = default;
};
