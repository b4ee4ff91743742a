#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/CPCommandTask.h"
#include "core/CPGameObject.h"
#include "core/CPTaskKernel.h"
#include "core/ObjectAddress.h"
#include "core/ServiceGlobals.h"
#include "core/ShadowMatrix.h"
#include "support/CommandLog.h"
#include "support/MathExpect.h"
#include "support/RecordingTask.h"
#include "support/ScopedGlobal.h"
#include "support/ScopedTaskKernel.h"
#include "support/SimulationDoubles.h"

namespace {

using Strings = std::vector<std::string>;

D3DXQUATERNION QuarterTurnZ() {
    D3DXQUATERNION q;
    D3DXVECTOR3 z(0, 0, 1);
    return *D3DXQuaternionRotationAxis(&q, &z, D3DX_PI / 2);
}

D3DXVECTOR3 ToWorld(const CPGameObject& object, D3DXVECTOR3 local) {
    D3DXVECTOR3 out;
    return *D3DXVec3TransformCoord(&out, &local, &object.GetWorldMatrix());
}

D3DXVECTOR3 WorldPosition(const CPGameObject& object) {
    const D3DXMATRIX& m = object.GetWorldMatrix();
    return {m._41, m._42, m._43};
}

Strings Names(const CPGameObject::ObjectList& objects) {
    Strings names;
    for (const auto& o : objects) names.push_back(o->GetName());
    return names;
}

// A tree whose nodes the test owns; the tree's parent links are the objects' own.
class GameObjectTest : public ::testing::Test {
protected:
    CPGameObject* Make(const std::string& name, CPGameObject* parent = nullptr) {
        nodes.push_back(std::make_unique<CPGameObject>(name));
        if (parent) parent->AddChild(nodes.back().get());
        return nodes.back().get();
    }
    std::vector<std::unique_ptr<CPGameObject>> nodes;
};

}  // namespace

TEST_F(GameObjectTest, ANewObjectStartsWithDefinedValues) {
    CPGameObject* box = Make("box");
    EXPECT_EQ(box->GetClassName(), "CPGameObject - box");
    EXPECT_TRUE(D3DXMatrixIsIdentity(&box->GetWorldMatrix()));
    EXPECT_TRUE(D3DXMatrixIsIdentity(&box->GetLocalMatrix()));
    EXPECT_TRUE(D3DXMatrixIsIdentity(&box->GetParentWorldMatrix()));
    EXPECT_EQ(box->GetPosition(), D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(box->GetRotation(), D3DXQUATERNION(0, 0, 0, 1));
    EXPECT_EQ(box->GetRenderKind(), kRenderNone);
    EXPECT_EQ(box->GetRenderPart(), nullptr);
    for (const CPAxisBox* bounds : {&box->GetCollisionBounds(), &box->GetHierarchyBounds()}) {
        EXPECT_EQ(bounds->mMinimum, D3DXVECTOR3(1e6f, 1e6f, 1e6f));
        EXPECT_EQ(bounds->mMaximum, D3DXVECTOR3(-1e6f, -1e6f, -1e6f));
        EXPECT_EQ(bounds->mCentre, D3DXVECTOR3(0, 0, 0));
    }
    EXPECT_TRUE(box->IsVisible() && box->IsStatic() && box->IsCollidable() && box->HasShadow());
    EXPECT_TRUE(box->IsDirty() && box->IsWorldMatrixChanged());
    EXPECT_FALSE(box->IsActive());
    EXPECT_EQ(box->GetFlameType(), -1);
    EXPECT_EQ(box->GetLineColour(), 0xff4e4e4eu);
    EXPECT_FALSE(box->GetParent());
}

TEST_F(GameObjectTest, SameNamedChildrenAndTheIndex) {
    CPGameObject* car = Make("car");
    CPGameObject* older = Make("wheel", car);
    CPGameObject* newer = Make("wheel", car);
    ASSERT_EQ(car->GetChildren().size(), 2u);
    EXPECT_EQ(car->GetChild("wheel").Get(), newer);
    EXPECT_EQ(car->FindObject("wheel").Get(), newer);
    EXPECT_EQ(newer->GetParent().Get(), car);

    // Deleting the newer one hands the name back to the older one.
    nodes.erase(nodes.begin() + 2);
    ASSERT_EQ(car->GetChildren().size(), 1u);
    EXPECT_EQ(car->GetChild("wheel").Get(), older);
    EXPECT_EQ(car->FindObject("wheel").Get(), older);

    nodes.erase(nodes.begin() + 1);
    EXPECT_TRUE(car->GetChildren().empty());
    EXPECT_FALSE(car->FindObject("wheel"));
}

TEST_F(GameObjectTest, TreeAndLevelOfDetailLinksStaySoundThroughMovesRenamesAndDeaths) {
    CPGameObject* root = Make("root");
    CPGameObject* other = Make("other");
    CPGameObject* first = Make("wheel", root);
    CPGameObject* second = Make("wheel", root);
    CPGameObject* body = Make("body", first);
    const auto allSound = [this] {
        for (const auto& node : nodes)
            if (node && !node->LinksAreSound()) return false;
        return true;
    };
    EXPECT_TRUE(allSound());

    other->AddChild(second);  // from one parent to another
    second->Rename("body");
    root->AddChild(first);  // already a child: only indexed again
    first->Rename("wheel2");
    EXPECT_TRUE(root->RemoveChild(first));
    other->AddChild(body);
    root->AddLodLevel(root, 0);
    root->AddLodLevel(other, 50);
    other->AddLodLevel(second, 20);
    EXPECT_TRUE(allSound());

    for (CPGameObject* dying : {second, other}) {
        for (auto& node : nodes)
            if (node.get() == dying) node.reset();
        EXPECT_TRUE(allSound());
    }
}

TEST_F(GameObjectTest, LookUpsByName) {
    CPGameObject* root = Make("root");
    CPGameObject* a = Make("A", root);
    CPGameObject* b = Make("B", a);
    CPGameObject* deepX = Make("X", a);
    CPGameObject* directX = Make("X", root);

    EXPECT_EQ(root->FindObject("B").Get(), b);
    EXPECT_EQ(root->FindObject("X").Get(), directX);  // the index answers before any grandchild
    EXPECT_EQ(a->FindObject("X").Get(), deepX);
    EXPECT_FALSE(root->FindObject("root"));  // its own name is never compared
    EXPECT_FALSE(root->FindObject("nothing"));

    // GetChild looks at direct children only, and a miss must not leave an entry behind that would
    // hide deeper objects from FindObject.
    EXPECT_FALSE(root->GetChild("B"));
    EXPECT_EQ(root->FindObject("B").Get(), b);
    EXPECT_EQ(root->GetChild("A").Get(), a);

    CPGameObject::ObjectList collected;
    root->CollectObjects(collected);
    EXPECT_EQ(Names(collected), (Strings{"root", "A", "B", "X", "X"}));
}

TEST_F(GameObjectTest, AddChildKeepsTheTreeATree) {
    CPGameObject* root = Make("root");
    CPGameObject* a = Make("A", root);
    CPGameObject* b = Make("B", a);
    EXPECT_FALSE(b->AddChild(root));  // an ancestor would close a loop
    EXPECT_FALSE(a->AddChild(a));
    EXPECT_FALSE(a->AddChild(CPSmartPtr<CPGameObject>()));

    // Adopting a child takes it from its former parent.
    EXPECT_TRUE(root->AddChild(b));
    EXPECT_TRUE(a->GetChildren().empty());
    EXPECT_FALSE(a->GetChild("B"));
    EXPECT_EQ(root->GetChild("B").Get(), b);
    EXPECT_EQ(b->GetParent().Get(), root);

    // Adding a child again does not list it twice.
    EXPECT_TRUE(root->AddChild(b));
    EXPECT_EQ(root->GetChildren().size(), 2u);
    EXPECT_TRUE(root->RemoveChild(b));
    EXPECT_FALSE(root->RemoveChild(b));
    EXPECT_FALSE(b->GetParent());
}

TEST_F(GameObjectTest, DestroyingAParentOrphansItsChildren) {
    CPGameObject* root = Make("root");
    CPGameObject* child = Make("child", root);
    nodes.erase(nodes.begin());  // the root
    EXPECT_FALSE(child->GetParent());
    EXPECT_EQ(child->GetControllerOwner().Get(), child);
}

TEST_F(GameObjectTest, RotationComesBeforeTranslation) {
    CPGameObject* object = Make("object");
    object->SetPosition({0, 0, 5});
    object->SetRotation(QuarterTurnZ());
    object->UpdateTransform();
    ExpectVec3Near(ToWorld(*object, {1, 0, 0}), {0, 1, 5});
}

TEST_F(GameObjectTest, WorldMatricesThroughThreeLevels) {
    CPGameObject* root = Make("root");
    CPGameObject* child = Make("child", root);
    CPGameObject* grandchild = Make("grandchild", child);
    root->SetPosition({10, 0, 0});
    root->SetRotation(QuarterTurnZ());
    child->SetPosition({1, 0, 0});
    grandchild->SetPosition({0, 1, 0});
    root->UpdateTransform();
    ExpectVec3Near(WorldPosition(*root), {10, 0, 0});
    ExpectVec3Near(WorldPosition(*child), {10, 1, 0});
    ExpectVec3Near(WorldPosition(*grandchild), {9, 1, 0});
    ExpectMatrixNear(grandchild->GetWorldMatrix(), grandchild->GetLocalMatrix() * child->GetLocalMatrix() *
                                                       root->GetLocalMatrix());
    for (CPGameObject* node : {root, child, grandchild}) {
        EXPECT_FALSE(node->IsDirty());
        EXPECT_TRUE(node->IsWorldMatrixChanged());
    }
}

TEST_F(GameObjectTest, TheChangedFlagAndWhenUpdatesHappen) {
    CPGameObject* root = Make("root");
    CPGameObject* child = Make("child", root);
    root->UpdateTransform();
    child->SetWorldMatrixChanged(false);  // as a render object does once it placed its vertices

    child->SetPosition({0, 0, 3});
    EXPECT_TRUE(child->IsDirty());
    EXPECT_FALSE(child->IsWorldMatrixChanged());
    root->UpdateTransform();  // the root is clean: nothing happens, not even below it
    ExpectVec3Near(WorldPosition(*child), {0, 0, 0});
    EXPECT_TRUE(child->IsDirty());

    child->UpdateTransform();
    ExpectVec3Near(WorldPosition(*child), {0, 0, 3});
    EXPECT_TRUE(child->IsWorldMatrixChanged());

    // A parent's update recomputes its whole subtree.
    child->SetWorldMatrixChanged(false);
    root->SetPosition({1, 0, 0});
    root->UpdateTransform();
    ExpectVec3Near(WorldPosition(*child), {1, 0, 3});
    EXPECT_TRUE(child->IsWorldMatrixChanged());

    D3DXMATRIX lifted;
    D3DXMatrixTranslation(&lifted, 0, 0, 100);
    root->SetParentWorldMatrix(lifted);
    EXPECT_TRUE(root->IsDirty());
    root->UpdateTransform();
    ExpectVec3Near(WorldPosition(*child), {1, 0, 103});
}

namespace {

// Every number an update computes in the tree, node by node (level-of-detail copies included): world
// matrices, both bounds and the main box's corners.
void CollectTreeState(const CPGameObject& object, std::vector<float>& state) {
    const D3DXMATRIX& world = object.GetWorldMatrix();
    state.insert(state.end(), &world.m[0][0], &world.m[0][0] + 16);
    for (const CPAxisBox* bounds : {&object.GetCollisionBounds(), &object.GetHierarchyBounds()})
        for (const D3DXVECTOR3* v : {&bounds->mMinimum, &bounds->mMaximum, &bounds->mCentre, &bounds->mHalfExtents})
            state.insert(state.end(), {v->x, v->y, v->z});
    for (const D3DXVECTOR3& corner : object.GetBoundingBox().GetCorners())
        state.insert(state.end(), {corner.x, corner.y, corner.z});
    for (const auto& child : object.GetChildren()) CollectTreeState(*child, state);
    const auto& copies = object.GetLodList();
    for (size_t i = 1; i < copies.size(); ++i)
        if (copies[i].object) CollectTreeState(*copies[i].object.Get(), state);
}

// Every node stale, copies included, with no pose changed: the next update recomputes everything.
void MarkTreeDirty(CPGameObject& object) {
    object.MarkDirty();
    for (const auto& child : object.GetChildren()) MarkTreeDirty(*child);
    const auto& copies = object.GetLodList();
    for (size_t i = 1; i < copies.size(); ++i)
        if (copies[i].object) MarkTreeDirty(*copies[i].object.Get());
}

std::vector<float> TreeState(const CPGameObject& object) {
    std::vector<float> state;
    CollectTreeState(object, state);
    return state;
}

}  // namespace

// A body that stayed where its object stands leaves the object's up-to-date tree as it is: nothing is
// recomputed, so render objects keep the world vertices they placed. Any move recomputes; a rotation
// that differs only in the sign of a zero counts as a move, since matrix elements can take that sign.
TEST_F(GameObjectTest, FollowingABodyAtRestRecomputesNothing) {
    CPGameObject* car = Make("car");
    CPGameObject* wheel = Make("wheel", car);
    car->SetBoundingBox(CPBoundingBox({0, 0, 1}, {1, 2, 0.5f}));
    wheel->GetCollisionBoxes().emplace_back(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0.5f, 0.5f, 0.5f));
    wheel->SetPosition({1, -1.5f, 0});
    car->SetPosition({3, 4, 0});
    car->SetRotation(QuarterTurnZ());
    car->UpdateTransform();
    for (CPGameObject* node : {car, wheel}) node->SetWorldMatrixChanged(false);  // as their meshes do
    const std::vector<float> placed = TreeState(*car);

    car->FollowBody({3, 4, 0}, QuarterTurnZ());
    EXPECT_FALSE(car->IsDirty());
    car->UpdateTransform();
    EXPECT_FALSE(car->IsWorldMatrixChanged());
    EXPECT_FALSE(wheel->IsWorldMatrixChanged());
    EXPECT_EQ(TreeState(*car), placed);

    car->FollowBody({3, 4, 0}, D3DXQUATERNION(-0.0f, 0, 0, 1));
    car->FollowBody({3, 4, 0}, D3DXQUATERNION(0, 0, 0, 1));
    EXPECT_TRUE(car->IsDirty());
    car->UpdateTransform();
    EXPECT_TRUE(car->IsWorldMatrixChanged() && wheel->IsWorldMatrixChanged());

    car->FollowBody({3, 5, 0}, D3DXQUATERNION(0, 0, 0, 1));
    car->UpdateTransform();
    ExpectVec3Near(WorldPosition(*car), {3, 5, 0});
    ExpectVec3Near(WorldPosition(*wheel), {4, 3.5f, 0});
}

// A follow at rest still updates a tree in which something waits: a wheel turned (as the car step turns
// its meshes), a child taken away or added, a new main box, a level-of-detail copy moved away, the
// shadow turned off. Whatever the follow leaves, a full update afterwards finds nothing to change.
TEST_F(GameObjectTest, FollowingABodyAtRestStillUpdatesWhatWaits) {
    D3DXVECTOR4 sun(1, 0, -1, 0);
    D3DXPLANE ground(0, 0, -1, 0.5f);
    D3DXMATRIX shadow;
    D3DXMatrixShadow(&shadow, &sun, &ground);
    ScopedGlobal<D3DXMATRIX> slantedSun(gShadowMatrix, shadow);
    struct Parts {
        CPGameObject* car;
        CPGameObject* wheel;
        CPGameObject* copy;   // the car's level-of-detail copy
        CPGameObject* spare;  // placed on its own, in no tree
    };
    const struct {
        const char* name;
        void (*change)(const Parts&);
    } cases[] = {
        {"nothing", [](const Parts&) {}},
        {"wheel turned", [](const Parts& p) { p.wheel->SetRotation(QuarterTurnZ()); }},
        {"wheel taken away", [](const Parts& p) { p.car->RemoveChild(p.wheel); }},
        {"child added", [](const Parts& p) { p.car->AddChild(p.spare); }},
        {"main box replaced", [](const Parts& p) { p.car->SetBoundingBox(CPBoundingBox({0, 0, 0}, {3, 3, 3})); }},
        {"copy moved away", [](const Parts& p) { p.copy->SetPosition({-40, 0, 0}); }},
        {"copy's child turned", [](const Parts& p) { p.copy->GetChildren()[0]->SetRotation(QuarterTurnZ()); }},
        {"shadow turned off", [](const Parts& p) { p.car->SetShadow(false); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Parts p{Make("car"), nullptr, Make("car_far"), Make("spare")};
        p.wheel = Make("wheel", p.car);
        Make("body", p.copy)->SetPosition({0, 2, 0});
        p.car->AddLodLevel(CPSmartPtr<CPGameObject>(p.car), 0);
        p.car->AddLodLevel(CPSmartPtr<CPGameObject>(p.copy), 50);
        for (CPGameObject* node : {p.car, p.wheel, p.copy, p.spare, p.copy->GetChildren()[0].Get()}) {
            node->SetBoundingBox(CPBoundingBox({0, 0, 0.5f}, {1, 1, 0.5f}));
            node->GetCollisionBoxes().emplace_back(D3DXVECTOR3(0, 0, 0.5f), D3DXVECTOR3(1, 1, 0.5f));
        }
        p.wheel->SetPosition({0, 5, 0});
        p.spare->SetPosition({0, -7, 0});
        p.spare->UpdateTransform();
        p.car->SetPosition({30, 20, 0});
        p.car->UpdateTransform();

        c.change(p);
        p.car->FollowBody({30, 20, 0}, p.car->GetRotation());
        p.car->UpdateTransform();
        const std::vector<float> followed = TreeState(*p.car);
        MarkTreeDirty(*p.car);
        p.car->UpdateTransform();
        EXPECT_EQ(TreeState(*p.car), followed);
        nodes.clear();
    }
}

TEST_F(GameObjectTest, BoundsFollowBoxesAndChildren) {
    CPGameObject* root = Make("root");
    CPGameObject* child = Make("child", root);
    root->SetShadow(false);
    child->SetShadow(false);
    root->SetBoundingBox(CPBoundingBox({0, 0, 0}, {1, 1, 1}));
    EXPECT_EQ(root->GetHierarchyBounds().mMaximum, D3DXVECTOR3(1, 1, 1));  // set at once
    child->SetBoundingBox(CPBoundingBox({0, 0, 0}, {0.5f, 0.5f, 0.5f}));
    child->GetCollisionBoxes().emplace_back(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0.5f, 0.5f, 0.5f));
    child->SetPosition({5, 0, 0});
    root->UpdateTransform();

    ExpectVec3Near(child->GetCollisionBounds().mMinimum, {4.5f, -0.5f, -0.5f});
    ExpectVec3Near(root->GetCollisionBounds().mMinimum, {4.5f, -0.5f, -0.5f});  // the root has no boxes
    ExpectVec3Near(root->GetCollisionBounds().mMaximum, {5.5f, 0.5f, 0.5f});
    ExpectVec3Near(root->GetHierarchyBounds().mMinimum, {-1, -1, -1});
    ExpectVec3Near(root->GetHierarchyBounds().mMaximum, {5.5f, 1, 1});
    ExpectVec3Near(root->GetHierarchyBounds().mCentre, {2.25f, 0, 0});
    ExpectVec3Near(child->GetBoundingBox().GetCorners()[6], {5.5f, 0.5f, 0.5f});
}

// A wheel marker of a physics mesh has no vertices: its main box is the reader's start bounds. The car's
// hierarchy bounds stay around the car body, shadow included, wherever the car stands.
TEST_F(GameObjectTest, ANodeWithoutVerticesLeavesItsTreesBoundsAlone) {
    const D3DXVECTOR3 start(5000000, 5000000, 5000000), end(-500000, -5000000, -500000);
    D3DXVECTOR4 sun(1, 0, -1, 0);
    D3DXPLANE ground(0, 0, -1, 0.5f);
    D3DXMATRIX shadow;
    D3DXMatrixShadow(&shadow, &sun, &ground);
    ScopedGlobal<D3DXMATRIX> slantedSun(gShadowMatrix, shadow);
    for (const bool shadows : {false, true}) {
        SCOPED_TRACE(shadows ? "with shadows" : "without shadows");
        CPGameObject* car = Make("car");
        CPGameObject* wheel = Make("w0", car);
        car->SetShadow(shadows);
        wheel->SetShadow(shadows);
        car->SetBoundingBox(CPBoundingBox({0, 0, 1}, {1, 2, 0.5f}));
        wheel->SetBoundingBox(CPBoundingBox((end + start) * 0.5f, (end - start) * 0.5f));
        wheel->SetPosition({1, -1.5f, 0});
        car->SetPosition({100, 50, 0});
        car->UpdateTransform();
        EXPECT_TRUE(wheel->GetHierarchyBounds().IsEmpty());
        const CPAxisBox& bounds = car->GetHierarchyBounds();
        EXPECT_NEAR(bounds.mMinimum.x, 99.0f, 1e-4f);
        EXPECT_NEAR(bounds.mMaximum.y, 52.0f, 1e-4f);
        EXPECT_NEAR(bounds.mMaximum.z, 1.5f, 1e-4f);
        EXPECT_LT(bounds.mMaximum.x, 105.0f) << "the shadow reaches a little way, not millions of units";
        EXPECT_NEAR(bounds.mCentre.y, 50.0f, 1e-4f);
    }
}

TEST_F(GameObjectTest, ShadowsWidenTheHierarchyBoundsOnceALevelSetTheMatrix) {
    CPGameObject* object = Make("object");
    object->SetBoundingBox(CPBoundingBox({0, 0, 2}, {1, 1, 1}));
    object->UpdateTransform();  // all-zero shadow matrix: the bounds stay the box
    ExpectVec3Near(object->GetHierarchyBounds().mMinimum, {-1, -1, 1});
    EXPECT_TRUE(std::isfinite(object->GetHierarchyBounds().mCentre.x));

    D3DXVECTOR4 sun(1, 0, -1, 0);
    D3DXPLANE ground(0, 0, -1, 0);
    D3DXMATRIX shadow;
    D3DXMatrixShadow(&shadow, &sun, &ground);
    {
        ScopedGlobal<D3DXMATRIX> slantedSun(gShadowMatrix, shadow);
        object->MarkDirty();
        object->UpdateTransform();
    }
    ExpectVec3Near(object->GetHierarchyBounds().mMinimum, {-1, -1, 0});
    ExpectVec3Near(object->GetHierarchyBounds().mMaximum, {4, 1, 3});
    ExpectVec3Near(object->GetHierarchyBounds().mCentre, {1.5f, 0, 1.5f});
}

TEST_F(GameObjectTest, PhysicsAndLevelOfDetailCopiesFollowMoves) {
    FakePhysicData physics;
    CPGameObject* object = Make("object");
    CPGameObject* lowDetail = Make("object_lod1");
    object->SetPhysicData(&physics);
    object->AddLodLevel(object, 0);
    object->AddLodLevel(lowDetail, 100);
    object->AddLodLevel(CPSmartPtr<CPGameObject>(), 200);  // an empty level is skipped
    object->AddLodLevel(object, 300);  // only the first entry may be the object itself
    ASSERT_EQ(object->GetLodList().size(), 3u);

    object->SetPosition({1, 2, 3});
    object->SetRotation(QuarterTurnZ());
    ASSERT_EQ(physics.positions.size(), 1u);
    EXPECT_EQ(physics.positions[0], D3DXVECTOR3(1, 2, 3));
    ASSERT_EQ(physics.rotations.size(), 1u);
    EXPECT_EQ(lowDetail->GetPosition(), D3DXVECTOR3(1, 2, 3));
    EXPECT_EQ(lowDetail->GetRotation(), QuarterTurnZ());

    object->UpdateTransform();
    EXPECT_FALSE(lowDetail->IsDirty());
    ExpectVec3Near(WorldPosition(*lowDetail), {1, 2, 3});

    object->SetStaticRecursive(false);
    EXPECT_FALSE(lowDetail->IsStatic());

    // A destroyed copy leaves the list, so later moves do not reach it.
    nodes.pop_back();
    object->SetPosition({0, 0, 0});
    object->UpdateTransform();
    object->SetPhysicData(nullptr);
}

// Whichever entry names another object, the two stay linked so that either may be destroyed first.
TEST_F(GameObjectTest, LevelOfDetailLinksSurviveEitherSideDying) {
    CPGameObject* holder = Make("holder");
    CPGameObject* first = Make("first");
    holder->AddLodLevel(first, 0);  // a first entry that is not the object itself
    nodes.erase(nodes.begin() + 1);
    EXPECT_EQ(holder->GetLodList()[0].object.Get(), nullptr);

    CPGameObject* other = Make("other");
    other->AddLodLevel(holder, 0);
    nodes.erase(nodes.begin());  // the holder: "other" must not keep a link to it
    EXPECT_EQ(other->GetLodList()[0].object.Get(), nullptr);
    nodes.clear();
}

TEST_F(GameObjectTest, RecursiveFlagSetters) {
    CPGameObject* root = Make("root");
    CPGameObject* child = Make("child", root);
    CPGameObject* copy = Make("copy");
    CPGameObject* copyChild = Make("copy_child", copy);
    root->AddLodLevel(root, 0);
    root->AddLodLevel(copy, 50);

    root->SetShadowRecursive(false);
    for (CPGameObject* node : {root, child, copy, copyChild}) EXPECT_FALSE(node->HasShadow()) << node->GetName();

    root->SetStaticRecursive(false);  // the object and its copies, not the children
    EXPECT_FALSE(root->IsStatic());
    EXPECT_FALSE(copy->IsStatic());
    EXPECT_TRUE(child->IsStatic());
    EXPECT_TRUE(copyChild->IsStatic());
}

TEST_F(GameObjectTest, DescriptionDocumentBelongsToTheObject) {
    CPGameObject* object = Make("object");
    TiXmlDocument& document = object->GetDescription();
    document.Parse("<object><mass value=\"12.5\"/></object>");
    double mass = 0;
    TiXmlHandle handle(&object->GetDescription());
    ASSERT_NE(handle.FirstChildElement("object").FirstChildElement("mass").ToElement(), nullptr);
    handle.FirstChildElement("object").FirstChildElement("mass").ToElement()->QueryDoubleAttribute("value", &mass);
    EXPECT_EQ(mass, 12.5);
}

// ------------------------------------------------------------------ controllers and events

class GameObjectControllerTest : public GameObjectTest {
protected:
    void TearDown() override { nodes.clear(); }
    ScopedTaskKernel kernel;
};

TEST_F(GameObjectControllerTest, SetControllerAndTheControllingOwner) {
    CPGameObject* root = Make("root");
    CPGameObject* middle = Make("middle", root);
    CPGameObject* leaf = Make("leaf", middle);
    EXPECT_EQ(leaf->GetControllerOwner().Get(), root);

    middle->SetController(CPSmartPtr<CPCommandTask>());
    EXPECT_TRUE(middle->IsStatic());

    CPCommandTask controller;
    middle->SetController(&controller);
    EXPECT_EQ(middle->GetController().Get(), &controller);
    EXPECT_FALSE(middle->IsStatic());
    EXPECT_FALSE(leaf->IsStatic());
    EXPECT_TRUE(root->IsStatic());
    EXPECT_EQ(leaf->GetControllerOwner().Get(), middle);
    EXPECT_EQ(root->GetControllerOwner().Get(), root);

    middle->SetController(CPSmartPtr<CPCommandTask>());  // an empty pointer keeps the controller
    EXPECT_EQ(middle->GetController().Get(), &controller);
}

// Children are activated before the object's own controller hears "add_object", so a script reads the
// children's events first; deactivation follows the same order.
TEST_F(GameObjectControllerTest, ActivationPostsOncePerNodeChildrenFirst) {
    CPCommandTask controller;
    std::vector<std::string> log;
    RecordingTask rootAnimation("root animation", &log), childAnimation("child animation", &log);
    CPGameObject* root = Make("root");
    CPGameObject* child = Make("child", root);
    root->SetController(&controller);
    child->SetController(&controller);
    root->SetCurrentAnimation(&rootAnimation);
    child->SetCurrentAnimation(&childAnimation);

    root->Activate(200);
    root->Activate(200);
    EXPECT_TRUE(root->IsActive() && child->IsActive());
    EXPECT_EQ(rootAnimation.GetPriority(), 200);
    EXPECT_EQ(childAnimation.GetPriority(), 200);
    EXPECT_EQ(controller.GetPriority(), 200);
    EXPECT_TRUE(controller.IsRunning());
    EXPECT_EQ(kernel.GetTaskCount(), 3u);  // the controller is added once
    EXPECT_EQ(DrainCommandTexts(controller), (Strings{"add_object:" + AddressToText(child),
                                                      "add_object:" + AddressToText(root)}));

    root->Deactivate();
    root->Deactivate();
    EXPECT_FALSE(child->IsActive());
    EXPECT_TRUE(rootAnimation.IsStopped() && childAnimation.IsStopped());
    EXPECT_TRUE(controller.IsRunning());  // the controller itself keeps running
    EXPECT_EQ(DrainCommandTexts(controller), (Strings{"delete_object:" + AddressToText(child),
                                                      "delete_object:" + AddressToText(root)}));
}

TEST_F(GameObjectControllerTest, ParticleSystemsRunOnlyWhenVisible) {
    std::vector<std::string> log;
    RecordingTask shown("shown", &log), hidden("hidden", &log);
    CPGameObject* root = Make("root");
    CPGameObject* visible = Make("visible", root);
    CPGameObject* invisible = Make("invisible", root);
    CPGameObject* belowInvisible = Make("below", invisible);
    RecordingTask belowAnimation("below animation", &log);
    belowInvisible->SetCurrentAnimation(&belowAnimation);
    visible->SetRenderPart(&shown, kRenderParticles);
    invisible->SetRenderPart(&hidden, kRenderParticles);
    invisible->SetVisible(false);

    root->Activate(300);
    EXPECT_TRUE(shown.IsRunning());
    EXPECT_FALSE(hidden.IsRunning());
    EXPECT_TRUE(belowAnimation.IsRunning());  // children of an invisible system still activate

    root->Deactivate();
    EXPECT_TRUE(shown.IsStopped());
    EXPECT_TRUE(hidden.IsStopped());

    // Destroying the object stops its system again after a fresh start.
    root->Activate(300);
    nodes.erase(nodes.begin() + 1);
    EXPECT_TRUE(shown.IsStopped());
    nodes.clear();  // before the tasks the objects hold
}

TEST_F(GameObjectControllerTest, DamageAndEnemyEvents) {
    CPCommandTask controller;
    controller.Start();
    FakeEnemyBrain brain;
    CPGameObject* enemy = Make("enemy");
    enemy->SetController(&controller);
    enemy->SetEnemyBrain(&brain);

    enemy->Damage({1, 2, 3}, {0, 0, -1}, 2.5f, 1, false);
    enemy->Damage({1, 2, 3}, {0, 0, -1}, 7.0f, 0, true);  // quiet: the brain hears of it, the script not
    EXPECT_EQ(DrainCommandTexts(controller), (Strings{"damage:2.50"}));
    ASSERT_EQ(brain.hits.size(), 2u);
    EXPECT_EQ(brain.hits[0].point, D3DXVECTOR3(1, 2, 3));
    EXPECT_TRUE(brain.hits[0].noEffect);
    EXPECT_FALSE(brain.hits[0].restricted);
    EXPECT_FALSE(brain.hits[1].noEffect);
    EXPECT_TRUE(brain.hits[1].restricted);
    EXPECT_EQ(brain.hits[1].amount, 7.0f);

    enemy->NotifyEnemyAnimation();
    enemy->NotifyEnemyAttack();
    EXPECT_EQ(brain.calls, (Strings{"TakeDamage", "TakeDamage", "ChooseAnimation", "Update"}));

    enemy->OnAnimationEnd();
    EXPECT_EQ(DrainCommandTexts(controller), (Strings{"animation_end:" + AddressToText(enemy)}));

    CPGameObject* plain = Make("plain");  // no controller, no brain: nothing to do
    plain->Damage({0, 0, 0}, {0, 0, 0}, 1, 0, false);
    plain->NotifyEnemyAttack();
    plain->OnAnimationEnd();
}

TEST_F(GameObjectControllerTest, DestroyingAnActiveObjectTellsItsController) {
    CPCommandTask controller;
    CPGameObject* object = Make("object");
    object->SetController(&controller);
    object->Activate(100);
    DrainCommandTexts(controller);
    std::string address = AddressToText(object);
    nodes.clear();
    EXPECT_EQ(DrainCommandTexts(controller), (Strings{"delete_object:" + address}));
}

// ------------------------------------------------------------------ ray queries

class GameObjectRayQueryTest : public GameObjectTest {
protected:
    // root
    //   near (box at z = 5)            controlled
    //     nearChild (box at z = 2)
    //   far (box at z = 0)
    void SetUp() override {
        root = Make("root");
        nearObject = Make("near", root);
        nearChild = Make("nearChild", nearObject);
        farObject = Make("far", root);
        nearObject->SetPosition({0, 0, 5});
        nearChild->SetPosition({0, 0, -3});
        for (CPGameObject* node : {nearObject, nearChild, farObject})
            node->GetCollisionBoxes().emplace_back(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 1, 1));
        controller.Start();
        nearObject->SetController(&controller);
        root->UpdateTransform();
    }
    CPRayQuery Down(float length) {
        CPRayQuery query;
        query.origin = D3DXVECTOR3(0.5f, 0.25f, 20);
        query.direction = D3DXVECTOR3(0, 0, -1);
        query.length = length;
        return query;
    }
    CPGameObject *root, *nearObject, *nearChild, *farObject;
    CPCommandTask controller;
};

TEST_F(GameObjectRayQueryTest, ReportsTheNearestHitInTheTree) {
    CPRayQuery query = Down(100);
    EXPECT_TRUE(root->RayQuery(query));
    EXPECT_EQ(query.hitObject.Get(), nearObject);
    EXPECT_EQ(query.hitOwner.Get(), nearObject);
    EXPECT_FLOAT_EQ(query.length, 14);
    ExpectVec3Near(query.hitPoint, {0.5f, 0.25f, 6});
    EXPECT_EQ(query.hitPlane, D3DXPLANE(0, 0, 4, -24));
}

TEST_F(GameObjectRayQueryTest, SkipsIgnoredAndNonCollidableSubtrees) {
    struct Case {
        std::string name;
        CPGameObject* ignored;
        CPGameObject* notCollidable;
        CPGameObject* expectedHit;
        CPGameObject* expectedOwner;
        float expectedLength;
    };
    const std::vector<Case> cases = {
        {"ignoring near skips its child too", nearObject, nullptr, farObject, root, 19},
        {"near not collidable", nullptr, nearObject, farObject, root, 19},
        {"nothing skipped", nullptr, nullptr, nearObject, nearObject, 14},
        {"ignoring the root hits nothing", root, nullptr, nullptr, nullptr, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.notCollidable) c.notCollidable->SetCollidable(false);
        CPRayQuery query = Down(100);
        query.ignored = c.ignored;
        EXPECT_EQ(root->RayQuery(query), c.expectedHit != nullptr);
        EXPECT_EQ(query.hitObject.Get(), c.expectedHit);
        EXPECT_EQ(query.hitOwner.Get(), c.expectedOwner);
        EXPECT_FLOAT_EQ(query.length, c.expectedLength);
        if (c.notCollidable) c.notCollidable->SetCollidable(true);
    }
}

TEST_F(GameObjectRayQueryTest, TheChildOwnedByItsControlledParent) {
    CPRayQuery query = Down(100);
    query.origin = D3DXVECTOR3(0.5f, 0.25f, 3.5f);  // below the near box, above its child
    EXPECT_TRUE(root->RayQuery(query));
    EXPECT_EQ(query.hitObject.Get(), nearChild);
    EXPECT_EQ(query.hitOwner.Get(), nearObject);
    EXPECT_FLOAT_EQ(query.length, 0.5f);
}

TEST_F(GameObjectRayQueryTest, ShortRaysAndMissesLeaveTheQueryAlone) {
    CPRayQuery query = Down(10);  // ends at z = 10, above everything
    EXPECT_FALSE(root->RayQuery(query));
    EXPECT_FALSE(query.hitObject);
    EXPECT_FLOAT_EQ(query.length, 10);

    query = Down(100);
    query.origin = D3DXVECTOR3(5, 5, 20);
    EXPECT_FALSE(root->RayQuery(query));
    EXPECT_FALSE(query.hitObject);
}

// Several boxes of one object: the nearest face wins whatever the box order; on equal distances the box
// tested first keeps the hit (told apart by the plane, whose normal grows with the face's area).
TEST_F(GameObjectTest, TheNearestOfAnObjectsOwnBoxes) {
    struct Case {
        std::string name;
        std::vector<CPBoundingBox> boxes;
        float expectedLength;
        D3DXPLANE expectedPlane;
    };
    const CPBoundingBox small({0, 0, 0}, {1, 1, 1}), wideAbove({0, 0, 3}, {2, 2, 1}), wide({0, 0, 0}, {2, 2, 1});
    const std::vector<Case> cases = {
        {"farther box first", {small, wideAbove}, 16, {0, 0, 16, -64}},
        {"nearer box first", {wideAbove, small}, 16, {0, 0, 16, -64}},
        {"tie: the small box tested first", {small, wide}, 19, {0, 0, 4, -4}},
        {"tie: the wide box tested first", {wide, small}, 19, {0, 0, 16, -16}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CPGameObject object("boxes");
        object.GetCollisionBoxes() = c.boxes;
        object.UpdateTransform();
        CPRayQuery query;
        query.origin = D3DXVECTOR3(0.5f, 0.25f, 20);
        query.direction = D3DXVECTOR3(0, 0, -1);
        query.length = 100;
        EXPECT_TRUE(object.RayQuery(query));
        EXPECT_EQ(query.hitObject.Get(), &object);
        EXPECT_FLOAT_EQ(query.length, c.expectedLength);
        EXPECT_EQ(query.hitPlane, c.expectedPlane);
    }
}

// A look-up kept with the tree stamp stays good only while no edit below the object changed the stamp.
// Each edit is made on a fresh tree root > (a > (b, c), d); the stamps of the nodes above the edit change.
TEST_F(GameObjectTest, EveryEditOfTheTreeBelowChangesTheStampsAboveIt) {
    struct Case {
        const char* name;
        std::function<void(CPGameObject& root, CPGameObject& a, CPGameObject& b, CPGameObject& d)> edit;
        bool aChanges;  // the edit lies below a (root always changes)
        bool dChanges;  // the edit lies below d
    };
    const Case cases[] = {
        {"a child added deep down", [this](CPGameObject&, CPGameObject&, CPGameObject& b, CPGameObject&) { Make("e", &b); },
         true, false},
        {"a child taken away", [](CPGameObject&, CPGameObject& a, CPGameObject& b, CPGameObject&) { a.RemoveChild(&b); },
         true, false},
        {"a descendant renamed", [](CPGameObject&, CPGameObject&, CPGameObject& b, CPGameObject&) { b.Rename("c"); },
         true, false},
        {"a child indexed again", [](CPGameObject&, CPGameObject& a, CPGameObject& b, CPGameObject&) { a.AddChild(&b); },
         true, false},
        {"a grandchild moved to the other branch",
         [](CPGameObject&, CPGameObject&, CPGameObject& b, CPGameObject& d) { d.AddChild(&b); }, true, true},
        {"a descendant deleted",
         [this](CPGameObject&, CPGameObject&, CPGameObject& b, CPGameObject&) {
             for (auto& node : nodes)
                 if (node.get() == &b) node.reset();
         },
         true, false},
        {"a child renamed beside a", [](CPGameObject&, CPGameObject&, CPGameObject&, CPGameObject& d) { d.Rename("a"); },
         false, false},
        {"a child added to the root", [this](CPGameObject& root, CPGameObject&, CPGameObject&, CPGameObject&) {
             Make("f", &root);
         },
         false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPGameObject* root = Make("root");
        CPGameObject* a = Make("a", root);
        CPGameObject* b = Make("b", a);
        Make("c", a);
        CPGameObject* d = Make("d", root);
        const uint64_t rootBefore = root->GetTreeStamp(), aBefore = a->GetTreeStamp(), dBefore = d->GetTreeStamp();
        // Moving, updating and showing leave the tree as it is.
        b->SetPosition({1, 2, 3});
        root->SetRotation(QuarterTurnZ());
        root->UpdateTransform();
        b->SetVisible(false);
        EXPECT_EQ(root->GetTreeStamp(), rootBefore);
        c.edit(*root, *a, *b, *d);
        EXPECT_NE(root->GetTreeStamp(), rootBefore);
        EXPECT_EQ(a->GetTreeStamp() != aBefore, c.aChanges);
        EXPECT_EQ(d->GetTreeStamp() != dBefore, c.dChanges);
    }
    // A new object's stamp was never given out before, so it is not taken for a dead one at its address.
    std::set<uint64_t> given;
    for (const auto& node : nodes)
        if (node) given.insert(node->GetTreeStamp());
    for (int i = 0; i < 3; ++i) {
        const uint64_t stamp = Make("new")->GetTreeStamp();
        EXPECT_TRUE(given.insert(stamp).second);
    }
}

// The local matrix is made again whenever the pose changes, however it changes; a child that keeps its
// pose while its parent moves keeps its local matrix. Either way the world matrix is bit for bit the one
// a fresh object with the same pose and parent gets.
TEST_F(GameObjectTest, TheLocalMatrixFollowsEveryChangeOfThePose) {
    const D3DXVECTOR3 moved(1.0f, -2.0f, 0.5f);
    const D3DXQUATERNION turned = QuarterTurnZ();
    struct Case {
        const char* name;
        std::function<void(CPGameObject&)> change;
        D3DXVECTOR3 position;
        D3DXQUATERNION rotation;
    };
    const Case cases[] = {
        {"moved", [&](CPGameObject& o) { o.SetPosition(moved); }, moved, D3DXQUATERNION(0, 0, 0, 1)},
        {"turned", [&](CPGameObject& o) { o.SetRotation(turned); }, D3DXVECTOR3(0, 0, 0), turned},
        {"following a body", [&](CPGameObject& o) { o.FollowBody(moved, turned); }, moved, turned},
        {"copied from a placed object",
         [&](CPGameObject& o) {
             CPGameObject* source = Make("source");
             source->SetPosition(moved);
             source->SetRotation(turned);
             source->UpdateTransform();
             o.CopyFrom(source);
         },
         moved, turned},
        {"the parent moved, the pose kept", [](CPGameObject&) {}, D3DXVECTOR3(0, 0, 0), D3DXQUATERNION(0, 0, 0, 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPGameObject* parent = Make("parent");
        CPGameObject* child = Make("child", parent);
        parent->SetPosition({3, 4, 5});
        parent->UpdateTransform();
        c.change(*child);
        parent->SetRotation(turned);
        parent->UpdateTransform();

        CPGameObject* fresh = Make("fresh");
        fresh->SetPosition(c.position);
        fresh->SetRotation(c.rotation);
        fresh->SetParentWorldMatrix(parent->GetWorldMatrix());
        fresh->UpdateTransform();
        EXPECT_EQ(std::memcmp(&child->GetLocalMatrix(), &fresh->GetLocalMatrix(), sizeof(D3DXMATRIX)), 0);
        EXPECT_EQ(std::memcmp(&child->GetWorldMatrix(), &fresh->GetWorldMatrix(), sizeof(D3DXMATRIX)), 0);
    }
}
