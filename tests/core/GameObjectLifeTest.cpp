#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Render/PAnimatedObject.h"
#include "Render/PAnimation.h"
#include "Render/PEffectSpawner.h"
#include "Render/PLight.h"
#include "Render/PMaterial.h"
#include "Render/PParticleSystem.h"
#include "Render/PPartAnimation.h"
#include "Render/PRenderObject.h"
#include "Render/PSprite.h"
#include "core/CPCommandTask.h"
#include "core/CPGameObject.h"
#include "core/CPTaskKernel.h"
#include "core/ServiceGlobals.h"
#include "simulation/physics/CPPhysicData.h"
#include "support/FrameTimeScope.h"
#include "support/MathExpect.h"
#include "support/RecordingTask.h"
#include "support/ScopedEmitterTable.h"
#include "support/ScopedGlobal.h"
#include "support/ScopedTaskKernel.h"
#include "support/SimulationDoubles.h"
#include "support/TempFolder.h"

namespace {

using Strings = std::vector<std::string>;

D3DXMATRIX Translation(float x, float y, float z) {
    D3DXMATRIX m;
    return *D3DXMatrixTranslation(&m, x, y, z);
}

// A track of two keys that the test can recognise by its first key's translation.
CPPartAnimation* MakeTrack(float tag) {
    auto* track = new CPPartAnimation();
    track->SetKeys({Translation(tag, 0, 0), Translation(tag, 1, 0)}, {0.5f, 0.5f});
    return track;
}

// Objects, parts and materials that the test owns and deletes: objects first (they let go of their
// parts), then the parts.
class GameObjectLifeTest : public ::testing::Test {
protected:
    void TearDown() override {
        objects.clear();
        parts.clear();
    }

    CPGameObject* Make(const std::string& name, CPGameObject* parent = nullptr) {
        objects.push_back(std::make_unique<CPGameObject>(name));
        if (parent) parent->AddChild(objects.back().get());
        return objects.back().get();
    }
    template <class T>
    T* Own(T* part) {
        parts.emplace_back(part);
        return part;
    }

    ScopedTaskKernel kernel;
    std::vector<std::unique_ptr<CPRefObject>> parts;
    std::vector<std::unique_ptr<CPGameObject>> objects;
};

}  // namespace

// ------------------------------------------------------------------ animations

TEST_F(GameObjectLifeTest, IdleIsTheCurrentAnimationAndLoops) {
    CPGameObject* door = Make("door");
    CPPartAnimation* walk = Own(MakeTrack(1));
    CPPartAnimation* idle = Own(MakeTrack(2));
    CPPartAnimation* idleAgain = Own(MakeTrack(3));

    door->SetAnimation("walk", walk);
    EXPECT_TRUE(door->HasAnimations());
    EXPECT_FALSE(door->IsStatic());
    EXPECT_EQ(door->GetCurrentAnimation(), nullptr) << "only \"idle\" becomes current";
    EXPECT_FALSE(walk->IsLooping());

    door->SetAnimation("idle", idle);
    EXPECT_EQ(door->GetCurrentAnimation(), idle);
    EXPECT_TRUE(idle->IsLooping());
    door->SetAnimation("idle", idleAgain);
    EXPECT_EQ(door->GetCurrentAnimation(), idleAgain);
    ASSERT_EQ(door->GetAnimations().size(), 2u);
    EXPECT_EQ(door->GetAnimations().at("idle").Get(), idleAgain);

    // An empty animation would make "idle" a null current animation that Activate hands to the kernel.
    CPGameObject* plain = Make("plain");
    plain->SetAnimation("idle", CPSmartPtr<CPPartAnimation>());
    EXPECT_TRUE(plain->GetAnimations().empty());
    EXPECT_FALSE(plain->HasAnimations());
    EXPECT_TRUE(plain->IsStatic());
    door->SetAnimation("idle", CPSmartPtr<CPPartAnimation>());
    EXPECT_EQ(door->GetCurrentAnimation(), idleAgain);
}

TEST_F(GameObjectLifeTest, PlayAnimationStartsEveryAnimatedPartOfTheTree) {
    FrameTimeScope clock;
    clock.SetRunning(10.0);
    CPAnimation walk("walk", nullptr);
    CPGameObject* root = Make("root");
    CPGameObject* body = Make("body", root);
    CPGameObject* arm = Make("arm", body);
    CPGameObject* mesh = Make("mesh", root);
    std::vector<CPAnimatedObject*> animated;
    for (CPGameObject* node : {body, arm}) {
        auto* part = Own(new CPAnimatedObject());
        part->AddNamedAnimation("walk", &walk);
        part->SetOwner(node);
        node->SetRenderPart(part, kRenderAnimated);
        animated.push_back(part);
    }
    mesh->SetRenderPart(Own(new CPRenderObject(mesh)), kRenderObject);

    CPAnimationRequest request;
    request.name = "walk";
    request.speed = 2.0f;
    request.loopLimit = 3;
    request.startOffset = 0.5f;
    root->PlayAnimation(request, true);
    for (CPAnimatedObject* part : animated) {
        EXPECT_EQ(part->GetAnimationName(), "walk");
        EXPECT_EQ(part->GetSpeed(), 2.0f);
        EXPECT_EQ(part->GetLoopLimit(), 3);
        EXPECT_EQ(part->GetStartTime(), 10.5f);
    }

    // Unforced, a part already playing the name keeps its start.
    clock.SetRunning(20.0);
    root->PlayAnimation(request, false);
    EXPECT_EQ(animated[1]->GetStartTime(), 10.5f);
}

// ------------------------------------------------------------------ materials

TEST_F(GameObjectLifeTest, ApplyMaterialReachesMeshAndAnimatedPartsDownTheTree) {
    CPMaterial stone(17, {}, {}), glass(18, {}, {}), old(19, {}, {});
    CPGameObject* root = Make("root");
    CPGameObject* wall = Make("wall", root);
    CPGameObject* window = Make("window", wall);
    CPGameObject* figure = Make("figure", root);
    CPGameObject* bare = Make("bare", root);
    CPGameObject* lamp = Make("lamp", root);

    auto* wallMesh = Own(new CPRenderObject(wall));
    auto* windowMesh = Own(new CPRenderObject(window));
    auto* figurePart = Own(new CPAnimatedObject());
    auto* bareMesh = Own(new CPRenderObject(bare));
    auto* lampSprite = Own(new CPSprite(1.0f));
    wall->SetRenderPart(wallMesh, kRenderObject);
    window->SetRenderPart(windowMesh, kRenderObject);
    figure->SetRenderPart(figurePart, kRenderAnimated);
    bare->SetRenderPart(bareMesh, kRenderObject);
    lamp->SetRenderPart(lampSprite, kRenderSprite);
    bareMesh->SetMaterial(&old);
    lampSprite->SetMaterial(&old);

    wall->SetMaterial(&stone);
    window->SetMaterial(&glass);
    figure->SetMaterial(&stone);
    lamp->SetMaterial(&glass);
    root->SetMaterial(&glass);  // an empty node: nothing to give it to

    root->ApplyMaterial();
    EXPECT_EQ(wallMesh->GetMaterial().Get(), &stone);
    EXPECT_EQ(windowMesh->GetMaterial().Get(), &glass);
    EXPECT_EQ(figurePart->GetMaterial().Get(), &stone);
    EXPECT_EQ(bareMesh->GetMaterial().Get(), &old) << "an object without a material keeps its part's";
    EXPECT_EQ(lampSprite->GetMaterial().Get(), &old) << "sprites are not given materials";
    objects.clear();
}

// ------------------------------------------------------------------ descriptions

TEST_F(GameObjectLifeTest, LoadDescriptionReadsTheNamedFileOfTheDescriptionFolder) {
    ScopedWorkingFolder work;
    work.Folder().Write("Data/Descriptions/jeep.xml", "<vehicle><wheel radius=\"0.4\"/></vehicle>");
    CPGameObject* jeep = Make("jeep");
    jeep->SetDescriptionName("Jeep.xml");
    ASSERT_TRUE(jeep->LoadDescription());
    TiXmlHandle handle(&jeep->GetDescription());
    EXPECT_NE(handle.FirstChildElement("vehicle").FirstChildElement("wheel").ToElement(), nullptr);

    jeep->SetDescriptionName("");
    EXPECT_FALSE(jeep->LoadDescription()) << "the folder alone is no file";
    EXPECT_EQ(jeep->GetDescription().ValueStr(), "Data\\Descriptions\\");
    EXPECT_EQ(jeep->GetDescription().RootElement(), nullptr);
    jeep->SetDescriptionName("nothing.xml");
    EXPECT_FALSE(jeep->LoadDescription());
    EXPECT_EQ(jeep->GetDescription().ErrorId(), TiXmlBase::TIXML_ERROR_OPENING_FILE);
}

// ------------------------------------------------------------------ flames

class GameObjectFlameTest : public GameObjectLifeTest {
protected:
    void SetUp() override {
        table->SetEmitter("fire", ScopedEmitterTable::Emitter("fire"));
        for (int i = 0; i < 3; ++i) {
            prototypes.push_back(new CPParticleSystem(nullptr, {"fire"}));
            table->AddFlamePrototype(prototypes.back());
        }
        prototypes[2]->SetLifetime(4.0f);
    }
    // The object's flame children.
    static std::vector<CPGameObject*> Flames(const CPGameObject* object) {
        std::vector<CPGameObject*> flames;
        for (const auto& child : object->GetChildren())
            if (child->GetName() == "flame") flames.push_back(child.Get());
        return flames;
    }

    ScopedEmitterTable table;
    std::vector<CPParticleSystem*> prototypes;  // the table's
};

TEST_F(GameObjectFlameTest, AFlameTypeAttachesOneRunningCloneOfItsPrototype) {
    auto* wreck = new CPGameObject("wreck");
    wreck->SetFlameType(2);
    wreck->SetPosition({5, 6, 7});
    CPGameObject* wheel = Make("wheel");
    wreck->AddChild(wheel);
    wheel->SetFlameType(0);

    wreck->AttachFlame(1.0f);
    EXPECT_EQ(wreck->GetFlameType(), -1);
    std::vector<CPGameObject*> flames = Flames(wreck);
    ASSERT_EQ(flames.size(), 1u);
    CPGameObject* flame = flames[0];
    ASSERT_EQ(flame->GetRenderKind(), kRenderParticles);
    auto* system = dynamic_cast<CPParticleSystem*>(flame->GetRenderPart());
    ASSERT_NE(system, nullptr);
    EXPECT_NE(system, prototypes[2]);
    EXPECT_EQ(system->GetLifetime(), 4.0f) << "a clone of the prototype of type 2";
    EXPECT_EQ(system->GetHolder(), flame);
    EXPECT_TRUE(system->IsRunning());
    EXPECT_EQ(system->GetPriority(), CPGameObject::kFlamePriority);
    EXPECT_EQ(kernel.GetTaskCount(), 2u) << "the wreck's flame and the wheel's";
    EXPECT_EQ(flame->GetParent().Get(), wreck);
    EXPECT_FALSE(wreck->IsDirty());
    ExpectVec3Near({flame->GetWorldMatrix()._41, flame->GetWorldMatrix()._42, flame->GetWorldMatrix()._43},
                   {5, 6, 7});
    EXPECT_EQ(wheel->GetFlameType(), -1) << "children get theirs too";
    EXPECT_EQ(Flames(wheel).size(), 1u);

    wreck->AttachFlame(1.0f);
    EXPECT_EQ(Flames(wreck).size(), 1u) << "attached once";
    EXPECT_EQ(Flames(wheel).size(), 1u);

    delete wreck;  // deletes its flame and the flame's system (a leak is a sanitizer report)
    EXPECT_FALSE(gObjectRegistry::Contains(system));
    EXPECT_EQ(kernel.GetTaskCount(), 1u) << "the wheel's flame stays with the wheel";
}

TEST_F(GameObjectFlameTest, ATypeThatNamesNoPrototypeAttachesNothing) {
    CPGameObject* object = Make("object");
    for (int32_t type : {-1, 3, 100}) {
        object->SetFlameType(type);
        object->AttachFlame(1.0f);
        EXPECT_EQ(object->GetFlameType(), type);
    }
    EXPECT_TRUE(object->GetChildren().empty());
    EXPECT_EQ(kernel.GetTaskCount(), 0u);

    {
        ScopedGlobal<CPEffectSpawner*> noTable(gEmitterTable, nullptr);
        object->SetFlameType(0);
        object->AttachFlame(1.0f);
    }
    EXPECT_TRUE(object->GetChildren().empty());
    EXPECT_EQ(object->GetFlameType(), 0);
}

TEST_F(GameObjectFlameTest, ACopyRunsItsOwnCloneOfAParticleSystem) {
    CPGameObject* torch = Make("torch");
    CPGameObject* fire = Make("fire", torch);
    auto* system = Own(new CPParticleSystem(fire, {"fire"}));
    system->SetStep(0.25f);
    fire->SetRenderPart(system, kRenderParticles);
    CPGameObject* odd = Make("odd", torch);
    RecordingTask plainTask("plain", nullptr);  // a task that gives no clone
    odd->SetRenderPart(&plainTask, kRenderParticles);

    auto* copy = new CPGameObject("copy");
    copy->CopyFrom(torch);
    CPGameObject* fireCopy = copy->GetChild("fire").Get();
    ASSERT_EQ(fireCopy->GetRenderKind(), kRenderParticles);
    auto* clone = dynamic_cast<CPParticleSystem*>(fireCopy->GetRenderPart());
    ASSERT_NE(clone, nullptr);
    EXPECT_NE(clone, system);
    EXPECT_EQ(clone->GetHolder(), fireCopy);
    EXPECT_EQ(clone->GetStep(), 0.25f);
    EXPECT_FALSE(clone->IsRunning()) << "the copy starts inactive";
    EXPECT_EQ(copy->GetChild("odd")->GetRenderKind(), kRenderNone);
    EXPECT_EQ(copy->GetChild("odd")->GetRenderPart(), nullptr);

    copy->Activate(300);
    EXPECT_TRUE(clone->IsRunning());
    EXPECT_FALSE(system->IsRunning());
    EXPECT_EQ(system->GetHolder(), fire);
    delete copy;
    EXPECT_FALSE(gObjectRegistry::Contains(clone));
    objects.clear();
}

// ------------------------------------------------------------------ ownership

TEST_F(GameObjectLifeTest, OwnedChildrenAndAdoptedPartsDieWithTheirObject) {
    auto* root = new CPGameObject("root");
    auto* owned = new CPGameObject("owned");
    auto* early = new CPGameObject("early");
    CPGameObject* kept = Make("kept");
    auto* grandchild = new CPGameObject("grandchild");
    ASSERT_TRUE(root->AddOwnedChild(owned));
    ASSERT_TRUE(root->AddOwnedChild(early));
    ASSERT_TRUE(root->AddChild(kept));
    ASSERT_TRUE(owned->AddOwnedChild(grandchild));
    auto* mesh = new CPRenderObject(root);
    root->SetRenderPart(mesh, kRenderObject);
    root->Adopt(mesh);
    root->Adopt(mesh);  // once is enough
    auto* physics = new CPPhysicData(root);
    root->SetPhysicData(physics);
    root->Adopt(physics);
    auto* goneBefore = new CPPhysicData(root);
    root->Adopt(goneBefore);

    delete early;  // leaves its parent; the parent must not delete it again
    delete goneBefore;
    EXPECT_EQ(root->GetChildren().size(), 2u);

    delete root;  // sanitizers report a leak or a second delete
    EXPECT_FALSE(gObjectRegistry::Contains(owned));
    EXPECT_FALSE(gObjectRegistry::Contains(grandchild));
    EXPECT_FALSE(gObjectRegistry::Contains(mesh));
    EXPECT_FALSE(gObjectRegistry::Contains(physics));
    EXPECT_TRUE(gObjectRegistry::Contains(kept)) << "a plain child stays its owner's";
    EXPECT_FALSE(kept->GetParent());
}

TEST_F(GameObjectLifeTest, AnAdoptedLevelOfDetailDiesWithItsObject) {
    auto* root = new CPGameObject("house");
    auto* level = new CPGameObject("house_lo");
    root->AddLodLevel(root, 0);
    root->AddLodLevel(level, 150);
    root->Adopt(level);
    delete root;  // sanitizers report a release through the freed level
    EXPECT_FALSE(gObjectRegistry::Contains(level));
}

// ------------------------------------------------------------------ copying

class GameObjectCopyTest : public GameObjectLifeTest {
protected:
    // root (mesh, boxes, animations, physics data, description, controller, materials)
    //   door (light)
    //   wheel (sprite)
    //     rim (animated, "idle" animation)
    //   empty (no render part)
    void SetUp() override {
        root = Make("car");
        door = Make("door", root);
        wheel = Make("wheel", root);
        rim = Make("rim", wheel);
        empty = Make("empty", root);

        auto* mesh = Own(new CPRenderObject(root));
        mesh->GetLocalVertices().resize(3);
        mesh->GetIndices() = {0, 1, 2};
        mesh->SetMaterial(&paint);
        root->SetRenderPart(mesh, kRenderObject);
        root->SetMaterial(&paint);
        root->SetShadowMaterial(&shadow);
        root->SetController(&controller);
        root->SetFlameType(2);
        root->SetShadow(false);
        root->SetVisible(false);
        root->SetParameterText("param");
        root->SetDescriptionName("car.xml");
        root->GetDescription().Parse("<car><mass value=\"1200\"/></car>");
        root->SetPosition({10, 0, 0});
        D3DXQUATERNION quarter;
        D3DXVECTOR3 z(0, 0, 1);
        root->SetRotation(*D3DXQuaternionRotationAxis(&quarter, &z, D3DX_PI / 2));

        CPBoundingBox main({0, 0, 1}, {2, 1, 1});
        root->SetBoundingBox(main);
        // A collision box two units up the object's x axis, placed by its own local placement.
        CPBoundingBox placed({0, 0, 0}, {0.5f, 0.5f, 0.5f});
        placed.mLocalPlacement = Translation(2, 0, 0);
        root->GetCollisionBoxes().push_back(placed);

        root->SetAnimation("idle", Own(MakeTrack(1)));
        root->SetAnimation("open", Own(MakeTrack(2)));

        auto* physics = Own(new CPPhysicData(root));
        CPPhysicBodyParameters body;
        body.inertiaKind = CPPhysicBodyParameters::kCylinderInertia;
        body.boxSize[0] = 3;
        body.diameter = 1.5f;
        body.mass = 900;
        physics->SetBodyParameters(body);
        CPPhysicShape shape;
        shape.kind = CPPhysicShape::kCylinder;
        shape.diameter = 1.5f;
        shape.mass = 900;
        physics->GetShapes().push_back(shape);
        root->SetPhysicData(physics);

        auto* light = Own(new CPLight());
        light->GetRecord().Range = 25;
        light->SetOwner(door);
        door->SetRenderPart(light, kRenderLight);

        auto* sprite = Own(new CPSprite(0.75f));
        sprite->SetCone({1, 0, 0}, 0.5f);
        sprite->SetMaterial(&glow);
        sprite->SetOwner(wheel);
        wheel->SetRenderPart(sprite, kRenderSprite);

        auto* spinning = Own(new CPAnimatedObject());
        spinning->AddNamedAnimation("spin", &spin);
        spinning->SetOwner(rim);
        rim->SetRenderPart(spinning, kRenderAnimated);
        rim->SetAnimation("idle", Own(MakeTrack(3)));

        root->UpdateTransform();
    }
    void TearDown() override {
        delete copy;
        GameObjectLifeTest::TearDown();
    }

    CPGameObject* Copy() {
        copy = new CPGameObject("copy");
        copy->CopyFrom(root);
        return copy;
    }

    CPMaterial paint{17, {}, {}};
    CPMaterial shadow{18, {}, {}};
    CPMaterial glow{19, {}, {}};
    CPAnimation spin{"spin", nullptr};
    CPCommandTask controller;
    CPGameObject* root = nullptr;
    CPGameObject* door = nullptr;
    CPGameObject* wheel = nullptr;
    CPGameObject* rim = nullptr;
    CPGameObject* empty = nullptr;
    CPGameObject* copy = nullptr;
};

TEST_F(GameObjectCopyTest, ACopyHasNewNodesOfTheSameNamesUnderItself) {
    Copy();
    EXPECT_EQ(copy->GetName(), "car");
    Strings names;
    for (const auto& child : copy->GetChildren()) {
        names.push_back(child->GetName());
        EXPECT_EQ(child->GetParent().Get(), copy);
        EXPECT_EQ(copy->GetChild(child->GetName()), child);
        EXPECT_NE(child.Get(), root->GetChild(child->GetName()).Get());
    }
    EXPECT_EQ(names, (Strings{"door", "wheel", "empty"}));
    CPSmartPtr<CPGameObject> rimCopy = copy->FindObject("rim");
    ASSERT_TRUE(rimCopy);
    EXPECT_NE(rimCopy.Get(), rim);
    EXPECT_EQ(rimCopy->GetParent(), copy->GetChild("wheel"));
    EXPECT_EQ(root->GetChildren().size(), 3u) << "the source keeps its children";
}

TEST_F(GameObjectCopyTest, RenderPartsAreNewPartsOfTheSameKindFollowingTheCopy) {
    Copy();
    ASSERT_EQ(copy->GetRenderKind(), kRenderObject);
    CPRenderObject* mesh = copy->GetRenderObject();
    ASSERT_NE(mesh, nullptr);
    EXPECT_NE(mesh, root->GetRenderObject());
    EXPECT_EQ(mesh->GetOwner(), copy);
    EXPECT_EQ(mesh->GetIndices(), (std::vector<uint16_t>{0, 1, 2}));
    EXPECT_EQ(mesh->GetMaterial().Get(), &paint);
    EXPECT_EQ(root->GetRenderObject()->GetOwner(), root);

    CPGameObject* doorCopy = copy->GetChild("door").Get();
    ASSERT_EQ(doorCopy->GetRenderKind(), kRenderLight);
    auto* light = dynamic_cast<CPLight*>(doorCopy->GetRenderPart());
    ASSERT_NE(light, nullptr);
    EXPECT_NE(light, door->GetRenderPart());
    EXPECT_EQ(light->GetOwner(), doorCopy);
    EXPECT_EQ(light->GetRecord().Range, 25.0f);

    CPGameObject* wheelCopy = copy->GetChild("wheel").Get();
    ASSERT_EQ(wheelCopy->GetRenderKind(), kRenderSprite);
    auto* sprite = dynamic_cast<CPSprite*>(wheelCopy->GetRenderPart());
    ASSERT_NE(sprite, nullptr);
    EXPECT_NE(sprite, wheel->GetRenderPart());
    EXPECT_EQ(sprite->GetOwner(), wheelCopy);
    EXPECT_EQ(sprite->GetHalfSize(), 0.75f);
    EXPECT_EQ(sprite->GetCone(), 0.5f);
    EXPECT_EQ(sprite->GetMaterial().Get(), &glow);
    EXPECT_EQ(wheelCopy->GetRenderable(), sprite);

    CPGameObject* rimCopy = copy->FindObject("rim").Get();
    ASSERT_EQ(rimCopy->GetRenderKind(), kRenderAnimated);
    auto* animated = dynamic_cast<CPAnimatedObject*>(rimCopy->GetRenderPart());
    ASSERT_NE(animated, nullptr);
    EXPECT_NE(animated, rim->GetRenderPart());
    EXPECT_EQ(animated->GetOwner(), rimCopy);
    EXPECT_EQ(animated->GetAnimations().count("spin"), 1u);

    CPGameObject* emptyCopy = copy->GetChild("empty").Get();
    EXPECT_EQ(emptyCopy->GetRenderKind(), kRenderNone);
    EXPECT_EQ(emptyCopy->GetRenderPart(), nullptr);
}

TEST_F(GameObjectCopyTest, SharedAndCopiedValues) {
    Copy();
    EXPECT_EQ(copy->GetMaterial(), &paint);
    EXPECT_EQ(copy->GetShadowMaterial(), &shadow);
    EXPECT_EQ(copy->GetController().Get(), &controller);
    EXPECT_EQ(copy->GetFlameType(), 2);
    EXPECT_FALSE(copy->IsVisible());
    EXPECT_FALSE(copy->HasShadow());
    EXPECT_FALSE(copy->IsStatic());
    EXPECT_FALSE(copy->IsActive());
    EXPECT_EQ(copy->GetPosition(), root->GetPosition());
    EXPECT_EQ(copy->GetRotation(), root->GetRotation());
    ExpectMatrixNear(copy->GetWorldMatrix(), root->GetWorldMatrix());
    EXPECT_FALSE(copy->IsDirty()) << "the copy ends with a transform update";
    EXPECT_TRUE(copy->GetParameterText().empty()) << "not copied";
    EXPECT_TRUE(copy->GetDescriptionName().empty()) << "not copied";

    TiXmlHandle handle(&copy->GetDescription());
    EXPECT_NE(handle.FirstChildElement("car").FirstChildElement("mass").ToElement(), nullptr);
    EXPECT_NE(copy->GetDescription().RootElement(), root->GetDescription().RootElement());

    ASSERT_NE(copy->GetPhysicData(), nullptr);
    EXPECT_NE(copy->GetPhysicData(), root->GetPhysicData());
    EXPECT_EQ(copy->GetPhysicData()->GetOwner(), copy);
    EXPECT_EQ(copy->GetPhysicData()->GetBodyParameters().inertiaKind, CPPhysicBodyParameters::kCylinderInertia);
    EXPECT_EQ(copy->GetPhysicData()->GetBodyParameters().mass, 900.0f);
    EXPECT_EQ(copy->GetPhysicData()->GetBodyParameters().boxSize[0], 3.0f);
    ASSERT_EQ(copy->GetPhysicData()->GetShapes().size(), 1u);
    EXPECT_EQ(copy->GetPhysicData()->GetShapes()[0].diameter, 1.5f);

    const CPAxisBox& bounds = copy->GetHierarchyBounds();
    ExpectVec3Near(bounds.mMinimum, root->GetHierarchyBounds().mMinimum);
    ExpectVec3Near(bounds.mMaximum, root->GetHierarchyBounds().mMaximum);
}

// What a copy leaves at its constructor values, even when the source has it set.
TEST_F(GameObjectCopyTest, ACopyStartsWithoutTheSourcesLevelsLinesBrainAndCar) {
    FakeEnemyBrain brain;
    FakeCar car;
    CPGameObject* low = Make("car_lo");
    root->AddLodLevel(root, 0);
    root->AddLodLevel(low, 100);
    root->GetLinePoints().push_back({1, 2, 3});
    root->SetLineColour(0xff112233);
    root->SetSourceName("car.rdf");
    root->SetEnemyBrain(&brain);
    root->SetCar(&car);
    root->Activate(200);

    Copy();
    EXPECT_TRUE(copy->GetLodList().empty());
    EXPECT_TRUE(copy->GetLinePoints().empty());
    EXPECT_EQ(copy->GetLineColour(), CPGameObject::kDefaultLineColour);
    EXPECT_TRUE(copy->GetSourceName().empty());
    EXPECT_EQ(copy->GetEnemyBrain(), nullptr);
    EXPECT_FALSE(copy->GetCar());
    EXPECT_FALSE(copy->IsActive());
    for (const auto& child : copy->GetChildren()) EXPECT_FALSE(child->IsActive()) << child->GetName();
    root->Deactivate();
    root->SetEnemyBrain(nullptr);
    root->SetCar(nullptr);
}

TEST_F(GameObjectCopyTest, AnimationsAreNewTracksOfTheCopyWithIdleCurrent) {
    Copy();
    ASSERT_EQ(copy->GetAnimations().size(), 2u);
    for (const char* name : {"idle", "open"}) {
        CPPartAnimation* track = copy->GetAnimations().at(name).Get();
        CPPartAnimation* original = root->GetAnimations().at(name).Get();
        EXPECT_NE(track, original) << name;
        EXPECT_EQ(track->GetOwner(), copy) << name;
        ASSERT_EQ(track->GetKeys().size(), 2u);
        ExpectMatrixNear(track->GetKeys()[0], original->GetKeys()[0]);
        EXPECT_EQ(track->GetDurations(), original->GetDurations());
    }
    EXPECT_EQ(copy->GetCurrentAnimation(), copy->GetAnimations().at("idle").Get());
    EXPECT_TRUE(copy->GetAnimations().at("idle")->IsLooping());
    EXPECT_TRUE(copy->HasAnimations());

    // Activation runs the copy's own tracks, not the source's.
    copy->Activate(200);
    EXPECT_TRUE(copy->GetAnimations().at("idle")->IsRunning());
    EXPECT_EQ(copy->GetAnimations().at("idle")->GetPriority(), 200);
    EXPECT_TRUE(copy->FindObject("rim")->GetCurrentAnimation()->IsRunning());
    EXPECT_FALSE(root->GetAnimations().at("idle")->IsRunning());
    EXPECT_FALSE(rim->GetCurrentAnimation()->IsRunning());
    copy->Deactivate();
}

// The copied collision box keeps its local placement: a ray query finds the copy where it finds the
// source (a box rebuilt from centre and size alone would sit at the object's origin).
TEST_F(GameObjectCopyTest, CollisionBoxesKeepTheirPlacement) {
    Copy();
    ASSERT_EQ(copy->GetCollisionBoxes().size(), 1u);
    ExpectMatrixNear(copy->GetCollisionBoxes()[0].mLocalPlacement, Translation(2, 0, 0));
    ExpectVec3Near(copy->GetCollisionBoxes()[0].mHalfExtents, {0.5f, 0.5f, 0.5f});
    for (CPGameObject* object : {root, copy}) {
        CPRayQuery query;
        query.origin = {10, 2, 10};  // above the box: x axis turned onto y, two units out
        query.direction = {0, 0, -1};
        query.length = 100;
        EXPECT_TRUE(object->RayQuery(query)) << object->GetName();
        EXPECT_EQ(query.hitObject.Get(), object);
        EXPECT_NEAR(query.length, 9.5f, 1e-4f);
    }
}

TEST_F(GameObjectCopyTest, DeletingTheCopyDeletesWhatItMadeAndNothingElse) {
    Copy();
    std::vector<CPRefObject*> made;
    {
        CPGameObject::ObjectList tree;
        copy->CollectObjects(tree);
        for (const auto& node : tree) {
            made.push_back(node.Get());
            if (node->GetRenderPart()) made.push_back(node->GetRenderPart());
            for (const auto& [name, track] : node->GetAnimations()) made.push_back(track.Get());
        }
    }
    made.push_back(copy->GetPhysicData());
    EXPECT_EQ(made.size(), 5u + 4u + 3u + 1u);

    delete copy;
    copy = nullptr;
    for (CPRefObject* object : made) EXPECT_FALSE(gObjectRegistry::Contains(object));
    EXPECT_EQ(root->GetChildren().size(), 3u);
    EXPECT_EQ(root->GetRenderObject()->GetMaterial().Get(), &paint);
    EXPECT_EQ(controller.GetControlledObjects().size(), 1u) << "the copy left its controller";
}

TEST_F(GameObjectCopyTest, NoSourceOrTheObjectItselfChangesNothing) {
    root->CopyFrom(CPSmartPtr<CPGameObject>());
    root->CopyFrom(root);
    EXPECT_EQ(root->GetChildren().size(), 3u);
    EXPECT_NE(root->GetDescription().RootElement(), nullptr) << "the description survives";
    EXPECT_EQ(root->GetAnimations().size(), 2u);
    EXPECT_EQ(root->GetCollisionBoxes().size(), 1u);

    // A node copying the tree it stands in copies what the tree held when each level began: it ends.
    auto* inner = new CPGameObject("inner");
    empty->AddOwnedChild(inner);
    inner->CopyFrom(root);
    EXPECT_EQ(inner->GetName(), "car");
    EXPECT_EQ(inner->GetChildren().size(), 3u);
    EXPECT_EQ(root->GetChildren().size(), 3u);
}

// A copy into a named child takes the source's name; the parent's index follows, so it never holds
// the child under a name it no longer bears (a stale entry outlives the child).
TEST_F(GameObjectCopyTest, ACopiedNameMovesTheParentsIndexEntry) {
    CPGameObject* holder = Make("holder");
    auto* slot = new CPGameObject("slot");
    holder->AddOwnedChild(slot);
    slot->CopyFrom(wheel);
    EXPECT_EQ(slot->GetName(), "wheel");
    EXPECT_EQ(holder->GetChild("wheel").Get(), slot);
    EXPECT_FALSE(holder->GetChild("slot"));

    delete slot;
    EXPECT_TRUE(holder->GetChildren().empty());
    EXPECT_FALSE(holder->GetChild("wheel"));
    EXPECT_FALSE(holder->FindObject("slot"));
}

// Kinds 1 and 3 take any renderable and kind 2 any object, so a part can be held under a kind that is
// not its class's: the copy keeps the kind and makes no part.
TEST_F(GameObjectLifeTest, APartHeldUnderAnotherClassesKindIsNotCopied) {
    struct Case {
        const char* name;
        CPRefObject* part;
        RenderKind kind;
    };
    const Case cases[] = {
        {"sprite as animated", Own(new CPSprite(1.0f)), kRenderAnimated},
        {"mesh as animated", Own(new CPRenderObject(nullptr)), kRenderAnimated},
        {"animated as sprite", Own(new CPAnimatedObject()), kRenderSprite},
        {"sprite as light", Own(new CPSprite(1.0f)), kRenderLight},
        {"particle system as light", Own(new CPParticleSystem(nullptr, {})), kRenderLight},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPGameObject* source = Make("source");
        ASSERT_TRUE(source->SetRenderPart(c.part, c.kind));
        CPGameObject* copy = Make("copy");
        const size_t live = gObjectRegistry::Size();
        copy->CopyFrom(source);
        EXPECT_EQ(copy->GetRenderKind(), c.kind);
        EXPECT_EQ(copy->GetRenderPart(), nullptr);
        EXPECT_EQ(copy->GetRenderable(), nullptr);
        EXPECT_EQ(gObjectRegistry::Size(), live) << "no part was made";
    }
}

namespace {

// A task of no render class that gives a clone of itself.
class CopyableTask : public RecordingTask {
public:
    CopyableTask() : RecordingTask("copyable", nullptr) {}
    CPSmartPtr<CPTask> Clone() override { return CPSmartPtr<CPTask>(new CopyableTask()); }
};

}  // namespace

TEST_F(GameObjectLifeTest, AnyTaskHeldAsTheParticleKindCopiesAsItsOwnClone) {
    CPGameObject* source = Make("source");
    auto* task = Own(new CopyableTask());
    ASSERT_TRUE(source->SetRenderPart(task, kRenderParticles));

    auto* copy = new CPGameObject("copy");
    copy->CopyFrom(source);
    ASSERT_EQ(copy->GetRenderKind(), kRenderParticles);
    CPRefObject* clone = copy->GetRenderPart();
    EXPECT_NE(clone, task);
    EXPECT_NE(dynamic_cast<CopyableTask*>(clone), nullptr);
    delete copy;
    EXPECT_FALSE(gObjectRegistry::Contains(clone)) << "the copy owns the clone";
}
