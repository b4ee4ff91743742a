// The 32 settings of "config.cfg" as plain globals, read and written directly by the modules that use
// them. They share one namespace because the key "static" is a C++ keyword and several keys would
// clash with standard names; each variable bears its key's name ("static" becomes static_).
#pragma once

#include <cstdint>
#include <span>

#include "core/CPSmartPtr.h"
#include "core/config/CPDator.h"

namespace gSettings {
extern int32_t screenWidth;   // pixels
extern int32_t screenHeight;  // pixels
extern int32_t screenBPP;     // colour depth in bits
extern int32_t fullScreen;    // 1 full screen, 0 window
extern int32_t weight_div;    // divisor of the masses of box-shaped physics data
extern int32_t static_;       // key "static": switch of the level code
extern int32_t rolling;       // switch of the level loader (on when not 0)
extern int32_t texlod;        // level of detail given to every loaded texture
extern int32_t quadlevels;    // depth of the level quadtree and partition
extern int32_t bboxes;
extern int32_t channels;
extern int32_t frequency;    // Hz
extern int32_t bitrate;      // 16 selects the full head-related 3D sound algorithm
extern float soundVolume;    // 0 .. 1
extern float musicVolume;    // 0 .. 1
extern float mouse;          // the scripts' mouse value
extern float plane;          // the scripts' brightness
extern int32_t cam_speed;    // the difficulty level (3 the hardest)
extern int32_t distance;     // view distance: far plane, fog and culling
extern int32_t startmenu;
extern float friction;       // of the physics world's materials
extern float restitution;    // of the physics world's materials
extern int32_t shadows;
extern int32_t bloom;        // options check box "Bloom"
extern int32_t lensflare;    // options check box "Lens Flare"
extern int32_t dust;         // options check box "Smoke": wheel dust
extern int32_t wheel;
extern int32_t psystems;     // particle setting of the race units; 0 or less switches it off
extern int32_t weather;      // 0 leaves out snow particle systems
extern int32_t blur;         // options check box "Motion Blur": radial blur
extern int32_t contrast;
extern float aniso;          // anisotropic filtering when above 0

// One key: its text, its variable (exactly one of the two pointers is set), its initial value and
// its global holder of the binder the store registers.
struct Key {
    const char* name;
    int32_t* intVariable;
    float* floatVariable;
    double initialValue;
    CPSmartPtr<CPDator>* holder;
};

// The 32 keys in registration order.
std::span<const Key> Keys();

// Gives every setting its initial value again (the value before any file is read).
void RestoreInitialValues();
}  // namespace gSettings
