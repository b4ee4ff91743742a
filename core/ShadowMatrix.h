// The level's shadow projection onto the ground, shared by the scene bounds and the renderer.
#pragma once

#include "platform/D3DX9Math.h"

// D3DXMatrixShadow of the sun direction onto the ground plane, set when a level loads; all zeros
// before the first level loads.
extern D3DXMATRIX gShadowMatrix;
