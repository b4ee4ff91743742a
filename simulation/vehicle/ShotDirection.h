// The turns that point shots: a shot model's forward axis onto its flight direction, and a random
// direction within a cone around an aim direction (machine guns, shotguns, enemies' fire).
#pragma once

#include "platform/D3DX9Math.h"

// The rotation by `angle` about `axis`. Every axis these turns use is horizontal and vanishes for a
// direction along y: then a turn by more than a quarter is made a half turn about z (so a shot aimed
// straight back along y turns round instead of keeping its model's heading); a smaller one is none.
D3DXQUATERNION HorizontalAxisRotation(const D3DXVECTOR3& axis, float angle);

// The orientation of a shot flying along `direction` (any length; zero gives none): its model's
// forward axis -y turned onto the direction, about (n.z, 0, -n.x) by -acos(-n.y).
D3DXQUATERNION ShotOrientation(const D3DXVECTOR3& direction);

// The rotation that turns +y onto `direction` (read as given, the cosine clamped): about
// (d.z, 0, -d.x) by acos(d.y).
D3DXQUATERNION TurnUpYOnto(const D3DXVECTOR3& direction);

// A random direction within `cone` radians of `direction`: +y turned by the yaw-pitch-roll rotation
// (2 pi r1, 0, cone r2), then by TurnUpYOnto(direction). Draws r1, then r2.
D3DXVECTOR3 ConeDirection(const D3DXVECTOR3& direction, float cone);
