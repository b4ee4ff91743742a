#include "core/ShadowMatrix.h"

D3DXMATRIX gShadowMatrix;  // zeros
