// A frame of three axes and an origin, converting vectors and points into and out of it.
// The default frame is mirrored: axis 1 (-1, 0, 0), axis 2 (0, 0, 1), axis 3 (0, 1, 0).
#pragma once

#include "platform/D3DX9Math.h"

class CPAxisFrame {
public:
    CPAxisFrame() { Reset(); }
    virtual ~CPAxisFrame() = default;

    virtual D3DXVECTOR3 GetAxis1() const { return mAxis1; }
    virtual D3DXVECTOR3 SetAxis1(float x, float y, float z) { return mAxis1 = D3DXVECTOR3(x, y, z); }
    virtual D3DXVECTOR3 GetAxis2() const { return mAxis2; }
    virtual D3DXVECTOR3 SetAxis2(float x, float y, float z) { return mAxis2 = D3DXVECTOR3(x, y, z); }
    virtual D3DXVECTOR3 GetAxis3() const { return mAxis3; }
    virtual D3DXVECTOR3 SetAxis3(float x, float y, float z) { return mAxis3 = D3DXVECTOR3(x, y, z); }
    virtual D3DXVECTOR3 GetOrigin() const { return mOrigin; }
    virtual D3DXVECTOR3 SetOrigin(float x, float y, float z) { return mOrigin = D3DXVECTOR3(x, y, z); }

    virtual bool IsMirrored() const { return true; }
    virtual void Reset();
    // (axis 1 . v, axis 3 . v, axis 2 . v)
    virtual D3DXVECTOR3 ToFrame(const D3DXVECTOR3& v) const;
    virtual D3DXVECTOR3 PointToFrame(const D3DXVECTOR3& p) const { return ToFrame(p - mOrigin); }
    virtual D3DXVECTOR3 PointFromFrame(const D3DXVECTOR3& v) const { return FromFrame(v) + mOrigin; }
    // axis 1 * v.x + axis 3 * v.y + axis 2 * v.z
    virtual D3DXVECTOR3 FromFrame(const D3DXVECTOR3& v) const;
    // Axis 1 from axes 2 and 3, normalised when not zero.
    virtual void Rebuild();
    virtual void SetAxis3AndRebuild(const D3DXVECTOR3& v);
    // Axis 2 is stored as given (not normalised).
    virtual void SetAxes23(const D3DXVECTOR3& u, const D3DXVECTOR3& v);
    // A zero vector is stored unnormalised.
    virtual void SetAxis3Normalized(const D3DXVECTOR3& v);
    virtual D3DXVECTOR3 MirrorVector(const D3DXVECTOR3& v) const;
    virtual D3DXVECTOR3 MirrorInFrame(const D3DXVECTOR3& v) const { return FromFrame(MirrorVector(ToFrame(v))); }

private:
    D3DXVECTOR3 mAxis1, mAxis2, mAxis3, mOrigin;
};

// Vector constants of the engine core.
inline const D3DXVECTOR3 kVectorZero(0, 0, 0);
inline const D3DXVECTOR3 kVectorUp(0, 0, 1);
inline const D3DXVECTOR3 kVectorBack(0, -1, 0);
inline const D3DXVECTOR3 kVectorRight(1, 0, 0);
