#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Render/PMaterial.h"
#include "Render/PRender.h"
#include "Render/PRenderObject.h"
#include "core/CPGameObject.h"
#include "core/ServiceGlobals.h"
#include "support/FakeTexAnimator.h"
#include "support/MathExpect.h"
#include "support/RecordingTask.h"
#include "support/ScopedGlobal.h"

namespace {

constexpr uint32_t kSpecularSentinel = 0x5eed5eed;

// Vertex i of a test mesh: position (i, 2i, 3i), normal +x, a diffuse colour and texture coordinates that
// name it, and a specular colour the world copy must never take over.
CPVertex MeshVertex(int i) {
    CPVertex v;
    v.position = D3DXVECTOR3(static_cast<float>(i), 2.0f * i, 3.0f * i);
    v.normal = D3DXVECTOR3(1, 0, 0);
    v.diffuse = 0xff000000u | static_cast<uint32_t>(i);
    v.specular = 0x01010101u * static_cast<uint32_t>(i);
    v.u0 = 0.25f * i;
    v.v0 = 0.5f * i;
    v.u1 = 1.0f + i;
    v.v1 = 2.0f + i;
    return v;
}

class RenderObjectTest : public ::testing::Test {
protected:
    // A mesh of `count` vertices and the given indices, its world copy made as the loaders make it.
    CPRenderObject& MakeMesh(int count, std::vector<uint16_t> indices) {
        mesh = std::make_unique<CPRenderObject>(&owner);
        for (int i = 0; i < count; ++i) mesh->GetLocalVertices().push_back(MeshVertex(i));
        mesh->GetWorldVertices() = mesh->GetLocalVertices();
        mesh->GetIndices() = std::move(indices);
        return *mesh;
    }

    // Fills into buffers of exactly the reported sizes, so a write past either end is a sanitizer report.
    bool Fill(uint16_t baseIndex) {
        batch.assign(static_cast<size_t>(mesh->GetVertexCount()), CPVertex{});
        batchIndices.assign(static_cast<size_t>(mesh->GetIndexCount()), 0xbeef);
        return mesh->FillVertices(batch.data(), batchIndices.data(), baseIndex, 1);
    }

    void MoveOwner(const D3DXVECTOR3& position) {
        owner.SetPosition(position);
        owner.UpdateTransform();
    }

    CPGameObject owner{"owner"};
    std::unique_ptr<CPRenderObject> mesh;
    std::vector<CPVertex> batch;
    std::vector<uint16_t> batchIndices;
};

TEST_F(RenderObjectTest, WorldVerticesFollowTheOwnerOnlyWhenItsMatrixChanged) {
    MakeMesh(3, {0, 1, 2});
    MoveOwner({10, 0, 0});
    ASSERT_TRUE(owner.IsWorldMatrixChanged());

    ASSERT_TRUE(Fill(0));
    ExpectVec3Near(batch[2].position, {12, 4, 6});
    EXPECT_FALSE(owner.IsWorldMatrixChanged());

    // A second fill in the same frame does not transform again: a local change stays unseen.
    mesh->GetLocalVertices()[2].position = D3DXVECTOR3(100, 100, 100);
    ASSERT_TRUE(Fill(0));
    ExpectVec3Near(batch[2].position, {12, 4, 6});

    // Moving without a new transform clears the flag: the batch keeps the old placement.
    owner.SetPosition({50, 0, 0});
    ASSERT_TRUE(Fill(0));
    ExpectVec3Near(batch[2].position, {12, 4, 6});

    owner.UpdateTransform();
    ASSERT_TRUE(Fill(0));
    ExpectVec3Near(batch[2].position, {150, 100, 100});
    ExpectVec3Near(mesh->GetWorldVertices()[2].position, {150, 100, 100});
}

TEST_F(RenderObjectTest, WorldCopyTurnsNormalsCopiesDiffuseAndKeepsTheRest) {
    MakeMesh(2, {0, 1, 1});
    for (CPVertex& v : mesh->GetWorldVertices()) v.specular = kSpecularSentinel;
    mesh->GetLocalVertices()[1].diffuse = 0x80abcdef;
    mesh->GetLocalVertices()[1].u1 = 9.0f;  // texture coordinates are the world copy's own

    D3DXQUATERNION quarterTurn;
    D3DXVECTOR3 zAxis(0, 0, 1);
    D3DXQuaternionRotationAxis(&quarterTurn, &zAxis, D3DX_PI / 2);
    owner.SetRotation(quarterTurn);
    owner.SetPosition({0, 0, 5});
    owner.UpdateTransform();
    ASSERT_TRUE(Fill(0));

    ExpectVec3Near(batch[1].position, {-2, 1, 8});
    ExpectVec3Near(batch[1].normal, {0, 1, 0});
    EXPECT_EQ(batch[1].diffuse, 0x80abcdefu);
    EXPECT_EQ(batch[1].specular, kSpecularSentinel);
    EXPECT_EQ(batch[1].u1, 2.0f);
    EXPECT_EQ(batch[1].v0, 0.5f);
}

TEST_F(RenderObjectTest, IndicesAreOffsetByTheBaseVertexIn16Bits) {
    struct Case {
        const char* name;
        int vertices;
        std::vector<uint16_t> indices;
        uint16_t base;
        bool written;
        std::vector<uint16_t> expected;
    };
    const std::vector<Case> cases = {
        {"base 0", 4, {0, 1, 2, 2, 3, 0}, 0, true, {0, 1, 2, 2, 3, 0}},
        {"base 100", 4, {0, 1, 2, 2, 3, 0}, 100, true, {100, 101, 102, 102, 103, 100}},
        {"last vertex of the batch", 6, {0, 5, 10}, 65530, true, {65530, 65535, 4}},
        {"one vertex too many", 6, {0, 1, 2}, 65531, false, {0xbeef, 0xbeef, 0xbeef}},
        {"top base, one vertex", 1, {0, 0, 0}, 65535, true, {65535, 65535, 65535}},
    };
    for (const Case& c : cases) {
        MakeMesh(c.vertices, c.indices);
        EXPECT_EQ(Fill(c.base), c.written) << c.name;
        EXPECT_EQ(batchIndices, c.expected) << c.name;
        if (!c.written) {
            EXPECT_EQ(batch[0].diffuse, 0u) << c.name << ": no vertex written";
        }
    }
}

TEST_F(RenderObjectTest, StaticObjectReportsItsCountsButFillsNothing) {
    MakeMesh(4, {0, 1, 2, 2, 3, 0});
    mesh->SetSkipped(true);
    EXPECT_TRUE(mesh->IsSkipped());
    EXPECT_EQ(mesh->GetVertexCount(), 4);
    EXPECT_EQ(mesh->GetIndexCount(), 6);
    MoveOwner({1, 1, 1});

    EXPECT_FALSE(Fill(0));
    EXPECT_EQ(batch[3].diffuse, 0u);
    EXPECT_EQ(batchIndices[0], 0xbeef);
    EXPECT_TRUE(owner.IsWorldMatrixChanged());  // nothing was placed, so the flag stays
}

TEST_F(RenderObjectTest, WorldArrayOfTheWrongSizeIsRebuiltToTheLocalCount) {
    for (size_t worldCount : {size_t{0}, size_t{2}, size_t{7}}) {
        MakeMesh(5, {0, 1, 4});
        mesh->GetWorldVertices().resize(worldCount);
        MoveOwner({1, 0, 0});
        owner.SetWorldMatrixChanged(false);  // the size alone must trigger the rebuild

        ASSERT_TRUE(Fill(0)) << worldCount;
        EXPECT_EQ(mesh->GetWorldVertices().size(), 5u) << worldCount;
        ExpectVec3Near(batch[4].position, {5, 8, 12});
        EXPECT_EQ(batch[4].u0, 1.0f) << "texture coordinates of a new entry come from the local vertex";
    }
}

TEST_F(RenderObjectTest, EmptyMeshFillsNothing) {
    MakeMesh(0, {});
    EXPECT_FALSE(Fill(0));
}

TEST_F(RenderObjectTest, CopyIndicesCopiesTheListAndReportsItsEnds) {
    MakeMesh(4, {3, 1, 2, 2, 0, 1});
    std::vector<uint16_t> out(6, 0);
    uint16_t first = 77, last = 77;
    mesh->CopyIndices(out.data(), 0, first, last);
    EXPECT_EQ(out, (std::vector<uint16_t>{3, 1, 2, 2, 0, 1}));
    EXPECT_EQ(first, 3);
    EXPECT_EQ(last, 1);

    // No indices: nothing is read or written; without world vertices likewise.
    mesh->GetIndices().clear();
    first = last = 77;
    mesh->CopyIndices(nullptr, 0, first, last);
    EXPECT_EQ(first, 77);
    EXPECT_EQ(last, 77);
    MakeMesh(4, {0, 1, 2});
    mesh->GetWorldVertices().clear();
    mesh->CopyIndices(nullptr, 0, first, last);
    EXPECT_EQ(first, 77);
}

TEST_F(RenderObjectTest, SecondAnimatorSeesTheOutputOfTheFirst) {
    MakeMesh(3, {0, 1, 2});
    auto log = std::make_shared<FakeTexAnimatorLog>();
    mesh->AddAnimator(std::make_unique<FakeTexAnimator>("first", 1.0f, log));
    mesh->AddAnimator(std::make_unique<FakeTexAnimator>("second", 10.0f, log));
    mesh->AddAnimator(nullptr);
    EXPECT_TRUE(mesh->IsAnimated());
    EXPECT_EQ(mesh->GetAnimators().size(), 2u);

    ASSERT_TRUE(Fill(0));
    ASSERT_EQ(log->applications.size(), 2u);
    EXPECT_EQ(log->applications[0].source, mesh->GetWorldVertices().data());
    EXPECT_EQ(log->applications[0].destination, batch.data());
    EXPECT_EQ(log->applications[1].source, batch.data());
    EXPECT_EQ(log->applications[1].firstSourceU, 1.0f);
    EXPECT_EQ(log->applications[1].count, 3);
    EXPECT_EQ(batch[2].u0, 0.5f + 11.0f);
    EXPECT_EQ(mesh->GetWorldVertices()[2].u0, 0.5f) << "the world copy is not animated in place";

    mesh.reset();
    EXPECT_EQ(log->destroyed, 2);
}

TEST_F(RenderObjectTest, TransformVerticesBakesIntoLocalAndShowsOnlyAfterAMove) {
    MakeMesh(2, {0, 1, 0});
    D3DXMATRIX scale;
    D3DXMatrixScaling(&scale, 2, 2, 2);
    D3DXMATRIX moveUp;
    D3DXMatrixTranslation(&moveUp, 0, 0, 1);
    mesh->TransformVertices(scale * moveUp);
    ExpectVec3Near(mesh->GetLocalVertices()[1].position, {2, 4, 7});
    ExpectVec3Near(mesh->GetLocalVertices()[1].normal, {2, 0, 0});  // not renormalised

    owner.SetWorldMatrixChanged(false);
    ASSERT_TRUE(Fill(0));
    ExpectVec3Near(batch[1].position, {1, 2, 3});

    owner.MarkDirty();
    owner.UpdateTransform();
    ASSERT_TRUE(Fill(0));
    ExpectVec3Near(batch[1].position, {2, 4, 7});
}

TEST_F(RenderObjectTest, WithoutAnOwnerTheWorldCopyIsTheLocalMesh) {
    MakeMesh(2, {0, 1, 1});
    mesh->SetOwner(nullptr);
    mesh->GetLocalVertices()[1].position = D3DXVECTOR3(7, 8, 9);
    mesh->GetWorldVertices().pop_back();
    ASSERT_TRUE(Fill(0));
    ExpectVec3Near(batch[1].position, {7, 8, 9});
}

TEST_F(RenderObjectTest, CopyFromTakesGeometryClonesAnimatorsAndFindsTheMeshBuffer) {
    PRender render;
    ScopedGlobal<PRender*> installRenderer(gRenderer, &render);

    MakeMesh(3, {0, 1, 2});
    auto log = std::make_shared<FakeTexAnimatorLog>();
    auto animator = std::make_unique<FakeTexAnimator>("spin", 1.0f, log);
    animator->clock = 4.5f;
    mesh->AddAnimator(std::move(animator));
    mesh->SetMeshBufferName("car.mshbody");
    mesh->SetMeshBuffers(render.GetMeshBuffers("car.mshbody", mesh->GetLocalVertices().data(),
                                               mesh->GetIndices().data(), 3, 3));
    mesh->SetSkipped(true);

    CPRenderObject copy(nullptr);
    copy.CopyFrom(CPSmartPtr<CPRenderObject>(mesh.get()));
    EXPECT_EQ(copy.GetOwner(), &owner);
    EXPECT_EQ(copy.GetLocalVertices().size(), 3u);
    EXPECT_EQ(copy.GetWorldVertices().size(), 3u);
    EXPECT_EQ(copy.GetIndices(), mesh->GetIndices());
    EXPECT_TRUE(copy.IsSkipped());
    EXPECT_EQ(copy.GetMeshBufferName(), "car.mshbody");
    EXPECT_EQ(copy.GetMeshBuffers(), mesh->GetMeshBuffers());
    EXPECT_EQ(render.GetMeshBufferCount(), 1u);
    ASSERT_EQ(copy.GetAnimators().size(), 1u);
    EXPECT_TRUE(copy.IsAnimated());
    auto* clone = dynamic_cast<FakeTexAnimator*>(copy.GetAnimators()[0].get());
    ASSERT_NE(clone, nullptr);
    EXPECT_NE(clone, mesh->GetAnimators()[0].get());
    EXPECT_EQ(clone->clock, 4.5f);
}

TEST_F(RenderObjectTest, MaterialIsHeldReplacedCopiedAndOutlivedSafely) {
    CPMaterial first(17, {}, {});
    auto second = std::make_unique<CPMaterial>(120, CPSmartPtr<CPEffect>(), CPSmartPtr<CPTextureBlock>());
    MakeMesh(1, {0});
    EXPECT_FALSE(mesh->GetMaterial());
    mesh->SetMaterial(&first);
    EXPECT_EQ(mesh->GetMaterial().Get(), &first);
    mesh->SetMaterial(second.get());
    EXPECT_EQ(mesh->GetMaterial().Get(), second.get());

    CPRenderObject copy(nullptr);
    copy.CopyFrom(CPSmartPtr<CPRenderObject>(mesh.get()));
    EXPECT_EQ(copy.GetMaterial().Get(), second.get());

    // The material's owner may delete it first: the render objects then let go without touching it.
    second.reset();
    mesh.reset();
}

TEST_F(RenderObjectTest, ANewMaterialReplacesOneItsOwnerAlreadyDeleted) {
    auto old = std::make_unique<CPMaterial>(17, CPSmartPtr<CPEffect>(), CPSmartPtr<CPTextureBlock>());
    CPMaterial replacement(20, {}, {});
    MakeMesh(1, {0});
    mesh->SetMaterial(old.get());
    old.reset();

    mesh->SetMaterial(&replacement);
    EXPECT_EQ(mesh->GetMaterial().Get(), &replacement);
    mesh.reset();
}

// ---------------------------------------------------------------- the game object's render part

TEST(RenderPartTest, KindDecidesWhichPartsAreAccepted) {
    CPGameObject object("node");
    CPRenderObject mesh(&object);
    std::vector<std::string> log;
    RecordingTask task("particles", &log);
    struct Case {
        const char* name;
        CPRefObject* part;
        RenderKind kind;
        bool accepted;
    };
    const std::vector<Case> cases = {
        {"mesh as kind 0", &mesh, kRenderObject, true},
        {"task as kind 0", &task, kRenderObject, false},
        {"mesh as animated", &mesh, kRenderAnimated, true},
        {"task as sprite", &task, kRenderSprite, false},
        {"task as particles", &task, kRenderParticles, true},
        {"nothing as particles", nullptr, kRenderParticles, false},
        {"mesh as particles", &mesh, kRenderParticles, false},
        {"nothing as none", nullptr, kRenderNone, true},
        {"mesh as none", &mesh, kRenderNone, false},
        {"unknown kind", &mesh, static_cast<RenderKind>(9), false},
    };
    for (const Case& c : cases) {
        object.SetRenderPart(nullptr, kRenderNone);
        EXPECT_EQ(object.SetRenderPart(c.part, c.kind), c.accepted) << c.name;
        EXPECT_EQ(object.GetRenderPart(), c.accepted ? c.part : nullptr) << c.name;
        EXPECT_EQ(object.GetRenderKind(), c.accepted ? c.kind : kRenderNone) << c.name;
    }

    ASSERT_TRUE(object.SetRenderPart(&mesh, kRenderObject));
    EXPECT_EQ(object.GetRenderObject(), &mesh);
    EXPECT_EQ(object.GetRenderable(), &mesh);
    ASSERT_TRUE(object.SetRenderPart(&mesh, kRenderSprite));
    EXPECT_EQ(object.GetRenderObject(), nullptr);
    EXPECT_EQ(object.GetRenderable(), &mesh);
    ASSERT_TRUE(object.SetRenderPart(&task, kRenderParticles));
    EXPECT_EQ(object.GetRenderable(), nullptr);
    object.SetRenderPart(nullptr, kRenderNone);
}

TEST(RenderPartTest, OwnerLinkIsDroppedWhenTheOwnerDiesOrReplacesThePart) {
    CPRenderObject kept(nullptr), replaced(nullptr), foreign(nullptr);
    CPGameObject other("other");
    {
        CPGameObject object("node");
        replaced.SetOwner(&object);
        ASSERT_TRUE(object.SetRenderPart(&replaced, kRenderObject));
        kept.SetOwner(&object);
        ASSERT_TRUE(object.SetRenderPart(&kept, kRenderObject));
        EXPECT_EQ(replaced.GetOwner(), nullptr);
        EXPECT_EQ(kept.GetOwner(), &object);
        foreign.SetOwner(&other);
        CPGameObject holder("holder");
        ASSERT_TRUE(holder.SetRenderPart(&foreign, kRenderObject));
    }
    EXPECT_EQ(kept.GetOwner(), nullptr);
    EXPECT_EQ(foreign.GetOwner(), &other) << "a part owned by another object keeps its owner";
}

TEST(RenderPartTest, DestroyingTheOwnerBeforeItsMeshLeavesAFillableMesh) {
    auto object = std::make_unique<CPGameObject>("node");
    CPRenderObject mesh(object.get());
    mesh.GetLocalVertices().push_back(MeshVertex(1));
    ASSERT_TRUE(object->SetRenderPart(&mesh, kRenderObject));
    object.reset();

    CPVertex vertex;
    uint16_t index = 0;
    EXPECT_TRUE(mesh.FillVertices(&vertex, &index, 0, 1));
    ExpectVec3Near(vertex.position, {1, 2, 3});
}

}  // namespace
