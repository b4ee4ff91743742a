// One straight piece of a spline's path, cut every 10.5 length units along the curve. The lines of a
// spline form a ring (previous / next) that the nearest-point query walks.
#pragma once

#include <cstdint>
#include <string>

#include "platform/D3DX9Math.h"

class CPLine {
public:
    CPLine() = default;
    virtual ~CPLine() = default;
    CPLine(const CPLine&) = delete;
    CPLine& operator=(const CPLine&) = delete;

    virtual std::string GetClassName() const { return "CPLine"; }

    // From p0 and p1 (which must differ in x or y): the corners, the centre's x and y, the line
    // coefficients and the heading.
    void ComputeGeometry();
    // a x + b y + c: the signed distance of (x, y) from the line through p0 and p1.
    float SignedDistance(float x, float y) const { return mA * x + mB * y + mC; }

    uint8_t mFlag = 0;
    D3DXVECTOR3 mP0;
    D3DXVECTOR3 mP1;
    D3DXVECTOR3 mMin;     // smaller x and y of p0 and p1; z unset
    D3DXVECTOR3 mMax;     // larger x and y of p0 and p1; z unset
    D3DXVECTOR3 mCentre;  // x, y: middle of the corners; z: ground height once snapped
    float mHeading = 0.0f;  // radians in [0, 2 pi): direction p0 -> p1 in x and y, plus pi
    float mA = 0.0f;        // dy / len
    float mB = 0.0f;        // -dx / len
    float mC = 0.0f;        // (dx p0.y - dy p0.x) / len
    CPLine* mPrevious = nullptr;  // not owned (the spline owns every line)
    CPLine* mNext = nullptr;      // not owned
};
