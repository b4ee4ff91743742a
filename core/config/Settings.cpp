#include "core/config/Settings.h"

// Every key once: variable, key text, type, initial value.
#define VRC_SETTINGS(X)                      \
    X(screenWidth, "screenWidth", int32_t, 640) \
    X(screenHeight, "screenHeight", int32_t, 480) \
    X(screenBPP, "screenBPP", int32_t, 16)   \
    X(fullScreen, "fullScreen", int32_t, 0)  \
    X(weight_div, "weight_div", int32_t, 0)  \
    X(static_, "static", int32_t, 0)         \
    X(rolling, "rolling", int32_t, 0)        \
    X(texlod, "texlod", int32_t, -1)         \
    X(quadlevels, "quadlevels", int32_t, 0)  \
    X(bboxes, "bboxes", int32_t, 0)          \
    X(channels, "channels", int32_t, 2)      \
    X(frequency, "frequency", int32_t, 22050) \
    X(bitrate, "bitrate", int32_t, 8)        \
    X(soundVolume, "soundVolume", float, 0.5f) \
    X(musicVolume, "musicVolume", float, 0.5f) \
    X(mouse, "mouse", float, 0.0f)           \
    X(plane, "plane", float, 0.5f)           \
    X(cam_speed, "cam_speed", int32_t, 0)    \
    X(distance, "distance", int32_t, 200)    \
    X(startmenu, "startmenu", int32_t, 1)    \
    X(friction, "friction", float, 0.2f)     \
    X(restitution, "restitution", float, 0.0f) \
    X(shadows, "shadows", int32_t, 1)        \
    X(bloom, "bloom", int32_t, 1)            \
    X(lensflare, "lensflare", int32_t, 1)    \
    X(dust, "dust", int32_t, 1)              \
    X(wheel, "wheel", int32_t, 1)            \
    X(psystems, "psystems", int32_t, 25)     \
    X(weather, "weather", int32_t, 1)        \
    X(blur, "blur", int32_t, 1)              \
    X(contrast, "contrast", int32_t, 1)      \
    X(aniso, "aniso", float, 0.0f)

namespace gSettings {
#define VRC_DEFINE_VARIABLE(variable, key, type, initial) type variable = initial;
VRC_SETTINGS(VRC_DEFINE_VARIABLE)
#undef VRC_DEFINE_VARIABLE

namespace {
// The global holders: null until the store registers its keys, released once at exit.
#define VRC_DEFINE_HOLDER(variable, key, type, initial) CPSmartPtr<CPDator> variable##Holder;
VRC_SETTINGS(VRC_DEFINE_HOLDER)
#undef VRC_DEFINE_HOLDER

int32_t* IntPointer(int32_t* variable) { return variable; }
int32_t* IntPointer(float*) { return nullptr; }
float* FloatPointer(float* variable) { return variable; }
float* FloatPointer(int32_t*) { return nullptr; }

const Key kKeys[] = {
#define VRC_KEY_ENTRY(variable, key, type, initial) \
    {key, IntPointer(&variable), FloatPointer(&variable), static_cast<double>(initial), &variable##Holder},
    VRC_SETTINGS(VRC_KEY_ENTRY)
#undef VRC_KEY_ENTRY
};
static_assert(sizeof(kKeys) / sizeof(kKeys[0]) == 32);
}  // namespace

std::span<const Key> Keys() { return kKeys; }

void RestoreInitialValues() {
    for (const Key& key : kKeys) {
        if (key.intVariable) *key.intVariable = static_cast<int32_t>(key.initialValue);
        if (key.floatVariable) *key.floatVariable = static_cast<float>(key.initialValue);
    }
}
}  // namespace gSettings
