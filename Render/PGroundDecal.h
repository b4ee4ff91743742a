// The two-dimensional frame of a ground decal (PRender::AddFootprintDecal, PRender::BuildGroundDecal):
// an origin O and two axes A and B in the x-y plane; a point X has frame coordinates (u, v) when
// X = O + u A + v B.
#pragma once

#include "platform/D3DX9Math.h"

// Widens the frame (O, A, B) to the smallest one, on the same axes, that holds its unit square and the
// points P, P + A and P + B. A frame whose axes are degenerate is repaired from P instead: an empty axis
// becomes P - O; parallel axes keep A (stretched back to cover B's start when B points behind O) and
// give B the direction towards P. P is only read.
void FitDecalFrame(D3DXVECTOR2& origin, D3DXVECTOR2& axisA, D3DXVECTOR2& axisB, const D3DXVECTOR2& point);
