// UpdateTransform of 500 moving game objects with 3 collision boxes each, under a level's shadow matrix:
// every object is moved and turned, then updated on its own (as the level code does) or through its root.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "core/CPGameObject.h"
#include "core/ShadowMatrix.h"

namespace {

constexpr int kObjects = 500;

struct Scene {
    std::unique_ptr<CPGameObject> root = std::make_unique<CPGameObject>("level");
    std::vector<std::unique_ptr<CPGameObject>> objects;

    Scene() {
        D3DXVECTOR4 sun(0.3f, 0.2f, -1.0f, 0.0f);
        D3DXPLANE ground(0, 0, -1, 0.5f);
        D3DXMatrixShadow(&gShadowMatrix, &sun, &ground);
        for (int i = 0; i < kObjects; ++i) {
            objects.push_back(std::make_unique<CPGameObject>("car"));
            CPGameObject* object = objects.back().get();
            object->SetBoundingBox(CPBoundingBox({0, 0, 0.5f}, {1, 2, 0.5f}));
            for (int b = 0; b < 3; ++b)
                object->GetCollisionBoxes().emplace_back(D3DXVECTOR3(0, b - 1.0f, 0.5f), D3DXVECTOR3(1, 0.6f, 0.5f));
            root->AddChild(object);
        }
        root->UpdateTransform();
    }
    ~Scene() {
        objects.clear();
        gShadowMatrix = D3DXMATRIX();
    }

    void Move(int frame) {
        const D3DXVECTOR3 up(0, 0, 1);
        for (int i = 0; i < kObjects; ++i) {
            float angle = 0.01f * static_cast<float>(frame + i);
            D3DXQUATERNION turn;
            D3DXQuaternionRotationAxis(&turn, &up, angle);
            objects[i]->SetPosition({static_cast<float>(i % 25) * 10 + std::sin(angle),
                                     static_cast<float>(i / 25) * 10 + std::cos(angle), 0});
            objects[i]->SetRotation(turn);
        }
    }
};

void UpdateEachMovedObject(benchmark::State& state) {
    Scene scene;
    int frame = 0;
    for (auto _ : state) {
        scene.Move(frame++);
        for (auto& object : scene.objects) object->UpdateTransform();
        benchmark::DoNotOptimize(scene.objects.back()->GetWorldMatrix());
    }
    state.SetItemsProcessed(state.iterations() * kObjects);
}
BENCHMARK(UpdateEachMovedObject)->Unit(benchmark::kMicrosecond);

void UpdateThroughTheRoot(benchmark::State& state) {
    Scene scene;
    int frame = 0;
    for (auto _ : state) {
        scene.Move(frame++);
        scene.root->MarkDirty();
        scene.root->UpdateTransform();
        benchmark::DoNotOptimize(scene.root->GetHierarchyBounds());
    }
    state.SetItemsProcessed(state.iterations() * kObjects);
}
BENCHMARK(UpdateThroughTheRoot)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
