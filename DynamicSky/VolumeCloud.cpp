#include "DynamicSky/VolumeCloud.h"

VolumeCloud::VolumeCloud() {
    LoadTexture(kTexturePath);
    LoadEffect(kEffectPath);
}
