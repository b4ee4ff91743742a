// Builds small scenes of game objects with render parts for tests of the queues and the frame, and owns
// them: the objects are deleted first (they let go of their parts), then the parts.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Render/PRenderObject.h"
#include "core/CPGameObject.h"
#include "support/TestRenderable.h"

class TestScene {
public:
    TestScene() = default;
    TestScene(const TestScene&) = delete;
    TestScene& operator=(const TestScene&) = delete;
    ~TestScene() {
        mObjects.clear();
        mParts.clear();
    }

    // An empty node (kind 5), a child of `parent` when one is given.
    CPGameObject* Node(const std::string& name, CPGameObject* parent = nullptr) {
        mObjects.push_back(std::make_unique<CPGameObject>(name));
        CPGameObject* object = mObjects.back().get();
        object->UpdateTransform();
        if (parent) parent->AddChild(object);
        return object;
    }

    // A plain mesh (kind 0) of `vertexCount` vertices at x = tag, tag + 1, ... in a fan of triangles.
    CPGameObject* Mesh(const std::string& name, int32_t vertexCount, CPMaterial* material, bool isStatic,
                       float tag = 0.0f, CPGameObject* parent = nullptr) {
        CPGameObject* object = Node(name, parent);
        auto* mesh = Own(new CPRenderObject(object));
        for (int32_t i = 0; i < vertexCount; ++i) {
            CPVertex vertex;
            vertex.position = D3DXVECTOR3(tag + static_cast<float>(i), 0.0f, 0.0f);
            mesh->GetLocalVertices().push_back(vertex);
        }
        mesh->GetWorldVertices() = mesh->GetLocalVertices();
        mesh->GetIndices() = TestRenderable::FanIndices(vertexCount);
        mesh->SetMaterial(material);
        object->SetRenderPart(mesh, kRenderObject);
        object->SetStatic(isStatic);
        return object;
    }

    // A plain mesh (kind 0) as the description builder makes it from a box node: the eight corners of
    // `half` about its origin, one collision box of that size, and no main box (its hierarchy bounds
    // are a point at the origin).
    CPGameObject* BoxMesh(const std::string& name, const D3DXVECTOR3& half, CPMaterial* material,
                          CPGameObject* parent = nullptr) {
        CPGameObject* object = Mesh(name, 0, material, true, 0.0f, parent);
        auto* mesh = static_cast<CPRenderObject*>(object->GetRenderPart());
        for (int32_t i = 0; i < 8; ++i) {
            CPVertex vertex;
            vertex.position = D3DXVECTOR3(i & 1 ? half.x : -half.x, i & 2 ? half.y : -half.y, i & 4 ? half.z : -half.z);
            mesh->GetLocalVertices().push_back(vertex);
        }
        mesh->GetWorldVertices() = mesh->GetLocalVertices();
        mesh->GetIndices() = TestRenderable::FanIndices(8);
        object->GetCollisionBoxes().emplace_back(D3DXVECTOR3(0, 0, 0), half);
        object->SetShadow(false);
        object->MarkDirty();
        object->UpdateTransform();
        return object;
    }

    // An object whose render part is a test renderable of `kind` (1 animated or 3 sprite).
    CPGameObject* WithRenderable(const std::string& name, TestRenderable* renderable, RenderKind kind,
                                 CPGameObject* parent = nullptr) {
        CPGameObject* object = Node(name, parent);
        object->SetRenderPart(renderable, kind);
        object->SetStatic(false);
        return object;
    }

    TestRenderable* Renderable(int32_t vertexCount, CPMaterial* material, float tag = 0.0f) {
        return Own(new TestRenderable(vertexCount, TestRenderable::FanIndices(vertexCount), material, tag));
    }

    // Keeps a render part (or any engine object) alive until the scene goes.
    template <class T>
    T* Own(T* part) {
        mParts.emplace_back(part);
        return part;
    }

private:
    std::vector<std::unique_ptr<CPRefObject>> mParts;
    std::vector<std::unique_ptr<CPGameObject>> mObjects;
};
