#include "simulation/level/CPLine.h"

#include <algorithm>
#include <cmath>

#include "core/GeometryUtils.h"

void CPLine::ComputeGeometry() {
    mMin.x = std::min(mP0.x, mP1.x);
    mMin.y = std::min(mP0.y, mP1.y);
    mMax.x = std::max(mP0.x, mP1.x);
    mMax.y = std::max(mP0.y, mP1.y);
    mCentre.x = (mMin.x + mMax.x) * 0.5f;
    mCentre.y = (mMin.y + mMax.y) * 0.5f;

    const float dx = mP1.x - mP0.x;
    const float dy = mP1.y - mP0.y;
    float len = std::sqrt(dx * dx + dy * dy);
    // Ends a hair apart square to 0: measure without the underflow rather than divide by zero.
    if (len == 0.0f) len = std::hypot(dx, dy);
    mA = dy / len;
    mB = -dx / len;
    mC = (dx * mP0.y - dy * mP0.x) / len;

    const float angle = static_cast<float>(SafeAcos(dx / len));
    mHeading = (dy / len > 0.0f ? angle : -angle) + D3DX_PI;
}
