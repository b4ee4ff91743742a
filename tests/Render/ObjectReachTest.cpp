#include <gtest/gtest.h>

#include <cmath>

#include "Render/ObjectReach.h"
#include "Render/PMaterial.h"
#include "core/CPGameObject.h"
#include "support/MathExpect.h"
#include "support/TestScene.h"

namespace {

class ObjectReachTest : public ::testing::Test {
protected:
    TestScene mScene;
    CPMaterial mStone{20, {}, {}};
};

// An empty root at (10, 0, 0) with a mesh child turned a quarter about z and a child that is only a
// collision box: the reach covers the placed vertices and the box, not only the root's origin.
TEST_F(ObjectReachTest, CoversThePlacedVerticesAndCollisionBoxesOfTheWholeTree) {
    CPGameObject* root = mScene.Node("root");
    CPGameObject* mesh = mScene.BoxMesh("mesh", {2, 1, 3}, &mStone, root);
    mesh->SetPosition({0, 5, 0});
    const float s = std::sqrt(0.5f);
    mesh->SetRotation(D3DXQUATERNION(0, 0, s, s));
    CPGameObject* wall = mScene.Node("wall", root);
    wall->GetCollisionBoxes().emplace_back(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0.5f, 0.5f, 0.5f));
    wall->SetPosition({0, -8, 0});
    root->SetShadow(false);
    wall->SetShadow(false);
    root->SetPosition({10, 0, 0});
    root->UpdateTransform();
    ASSERT_LT(root->GetHierarchyBounds().mHalfExtents.x, 0.01f) << "no main box anywhere: only origins";

    const CPAxisBox reach = ObjectReach(*root);
    ExpectVec3Near(reach.mMinimum, {9, -8.5f, -3});
    ExpectVec3Near(reach.mMaximum, {11, 7, 3});
    ExpectVec3Near(reach.mCentre, {10, -0.75f, 0});
    ExpectVec3Near(reach.mHalfExtents, {1, 7.75f, 3});
}

// The partition draws a level-of-detail copy in the object's place: its reach counts too. An object
// with a main box and nothing else keeps that box.
TEST_F(ObjectReachTest, TakesInTheLevelOfDetailCopiesAndKeepsAMainBox) {
    CPGameObject* tower = mScene.BoxMesh("tower", {1, 1, 1}, &mStone);
    CPGameObject* wide = mScene.BoxMesh("wide", {4, 4, 1}, &mStone);
    tower->AddLodLevel(tower, 0);
    tower->AddLodLevel(wide, 50);
    tower->AddLodLevel(nullptr, 100);
    tower->SetPosition({0, 0, 5});
    tower->UpdateTransform();
    const CPAxisBox reach = ObjectReach(*tower);
    ExpectVec3Near(reach.mMinimum, {-4, -4, 4});
    ExpectVec3Near(reach.mMaximum, {4, 4, 6});

    CPGameObject* sign = mScene.Node("sign");
    sign->SetBoundingBox(CPBoundingBox(D3DXVECTOR3(0, 0, 1), D3DXVECTOR3(2, 0.5f, 1)));
    sign->SetShadow(false);
    sign->MarkDirty();
    sign->UpdateTransform();
    const CPAxisBox box = ObjectReach(*sign);
    ExpectVec3Near(box.mMinimum, {-2, -0.5f, 0});
    ExpectVec3Near(box.mMaximum, {2, 0.5f, 2});
}

}  // namespace
