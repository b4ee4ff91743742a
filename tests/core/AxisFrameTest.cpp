#include <gtest/gtest.h>

#include "core/CPAxisFrame.h"

namespace {
void ExpectVec(const D3DXVECTOR3& v, float x, float y, float z) {
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
}
}  // namespace

TEST(AxisFrameTest, DefaultFrameConvertsBothWays) {
    CPAxisFrame frame;
    ExpectVec(frame.GetAxis1(), -1, 0, 0);
    D3DXVECTOR3 in = frame.ToFrame(D3DXVECTOR3(1, 2, 3));
    ExpectVec(in, -1, 2, 3);
    ExpectVec(frame.FromFrame(in), 1, 2, 3);
    ExpectVec(frame.MirrorVector(D3DXVECTOR3(0, 1, 0)), -1, 0, 0);
}

TEST(AxisFrameTest, PointsUseTheOrigin) {
    CPAxisFrame frame;
    frame.SetOrigin(10, 0, 0);
    D3DXVECTOR3 local = frame.PointToFrame(D3DXVECTOR3(11, 2, 3));
    ExpectVec(local, -1, 2, 3);
    ExpectVec(frame.PointFromFrame(local), 11, 2, 3);
}

TEST(AxisFrameTest, SettingAxisThreeRebuildsTheOthers) {
    CPAxisFrame frame;
    frame.SetAxis3Normalized(D3DXVECTOR3(0, 2, 0));
    ExpectVec(frame.GetAxis3(), 0, 1, 0);
    ExpectVec(frame.GetAxis1(), 1, 0, 0);  // axis 3 x axis 2
    ExpectVec(frame.GetAxis2(), 0, 0, 1);   // axis 1 x axis 3

    frame.SetAxis3Normalized(D3DXVECTOR3(0, 0, 0));
    ExpectVec(frame.GetAxis3(), 0, 0, 0);  // a zero vector stays as it is
}
