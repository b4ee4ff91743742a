// The level partition of 5,000 placed objects (a 100 x 50 grid 20 units apart, eight materials, every
// third object with two level-of-detail copies at 50 and 100 units): one frame's QueueVisible with the
// level-of-detail choice from a camera inside the level, and CPLevel::CollectInSphere around the
// flame particles of a weapon near the player.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "Render/CPRenderQueue.h"
#include "Render/PCamera.h"
#include "Render/PEffect.h"
#include "Render/PIVertexBuffer.h"
#include "Render/PTextureBlock.h"
#include "Render/PMaterial.h"
#include "Render/PRender.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "simulation/level/CPLevel.h"
#include "simulation/level/CPLevelBranch.h"
#include "simulation/units/CPPlayer.h"
#include "support/TestScene.h"

namespace {

constexpr int kColumns = 100;
constexpr int kRows = 50;
constexpr float kSpacing = 20.0f;
constexpr int kMaterials = 8;
constexpr int kParticles = 100;

struct Level {
    TestScene scene;
    std::vector<std::unique_ptr<CPMaterial>> materials;
    CPRenderQueue queue;
    PRender renderer;
    PRender* previousRenderer = gRenderer;
    CPPlayer player;
    CPLevel level;
    CPPerspectiveCamera camera;

    Level() {
        gSettings::RestoreInitialValues();
        gSettings::screenWidth = 1024;
        gSettings::screenHeight = 768;
        gSettings::distance = 200;
        for (int m = 0; m < kMaterials; ++m) materials.push_back(std::make_unique<CPMaterial>(20, CPSmartPtr<CPEffect>(), CPSmartPtr<CPTextureBlock>()));
        renderer.SetDrawQueue(&queue);
        gRenderer = &renderer;

        CPLevel::ObjectList objects;
        for (int i = 0; i < kColumns * kRows; ++i) {
            const D3DXVECTOR3 at(static_cast<float>(i % kColumns) * kSpacing - 1000.0f,
                                 static_cast<float>(i / kColumns) * kSpacing - 500.0f, 0.0f);
            CPGameObject* object = Placed("house", at, materials[i % kMaterials].get());
            if (i % 3 == 0) {
                object->AddLodLevel(object, 0);
                object->AddLodLevel(Placed("lod1", at, materials[(i + 1) % kMaterials].get()), 50);
                object->AddLodLevel(Placed("lod2", at, materials[(i + 2) % kMaterials].get()), 100);
            }
            objects.push_back(object);
        }
        level.mBranchRoot = new CPLevelBranch();
        level.mBranchRoot->SetObjects(objects);
        level.mBranchRoot->Build(0);

        player.SetBoundingBox(CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 2, 1)));
        player.GetCollisionBoxes().emplace_back(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 2, 1));
        player.SetPosition({5, 5, 1});
        player.UpdateTransform();
        level.mPlayer = &player;
        for (int i = 0; i < 40; ++i) level.mObjects.push_back(objects[static_cast<size_t>(i * 97)]);

        camera.SetEye({0, 0, 6});
        camera.SetTarget({60, 40, 0});
        camera.SetFar(200.0f);
        camera.Update();
    }
    ~Level() {
        level.mPlayer = nullptr;
        gRenderer = previousRenderer;
        gSettings::RestoreInitialValues();
    }

    CPGameObject* Placed(const char* name, const D3DXVECTOR3& at, CPMaterial* material) {
        CPGameObject* object = scene.Mesh(name, 24, material, true);
        object->SetShadow(false);
        object->SetBoundingBox(CPBoundingBox(D3DXVECTOR3(0, 0, 3), D3DXVECTOR3(4, 4, 3)));
        object->GetCollisionBoxes().emplace_back(D3DXVECTOR3(0, 0, 3), D3DXVECTOR3(4, 4, 3));
        object->SetPosition(at);
        object->UpdateTransform();
        return object;
    }
};

void QueueVisible5000(benchmark::State& state) {
    Level world;
    size_t queued = 0;
    for (auto _ : state) {
        world.level.mBranchRoot->QueueVisible(world.camera, 1000000.0f);
        queued = 0;
        for (const CPIVBlock* block : world.queue.GetFrameBlocks()) queued += block->GetRenderables().size();
        world.queue.EmptyFrame();
    }
    state.counters["queued"] = static_cast<double>(queued);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(QueueVisible5000)->Unit(benchmark::kMicrosecond);

// One call per flame particle: radius 0.5, spread over 30 units along x beside the player.
void CollectInSphere5000(benchmark::State& state) {
    Level world;
    CPLevel::ObjectList found;
    size_t total = 0;
    for (auto _ : state) {
        total = 0;
        for (int p = 0; p < kParticles; ++p) {
            found.clear();
            const D3DXVECTOR3 centre(5.0f + static_cast<float>(p) * 0.3f, 2.0f + static_cast<float>(p % 5), 1.0f);
            world.level.CollectInSphere(centre, 0.5f, found);
            total += found.size();
        }
        benchmark::DoNotOptimize(total);
    }
    state.counters["found"] = static_cast<double>(total);
    state.SetItemsProcessed(state.iterations() * kParticles);
}
BENCHMARK(CollectInSphere5000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
