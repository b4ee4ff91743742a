#include "simulation/level/ShadowMatrix.h"

D3DXMATRIX gShadowMatrix;  // zeros
