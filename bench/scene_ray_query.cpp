// 100 ray queries into a tree of 5,000 game objects: a level root, 50 districts of 99 objects each on a
// grid, one collision box per object; rays fall from above and run along the ground.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "core/CPGameObject.h"

namespace {

constexpr int kDistricts = 50;
constexpr int kPerDistrict = 99;  // 1 root + 50 districts + 50 x 99 = 5,001 objects
constexpr int kRays = 100;

struct Scene {
    std::vector<std::unique_ptr<CPGameObject>> objects;
    CPGameObject* root = nullptr;

    Scene() {
        objects.push_back(std::make_unique<CPGameObject>("level"));
        root = objects.back().get();
        for (int d = 0; d < kDistricts; ++d) {
            objects.push_back(std::make_unique<CPGameObject>("district" + std::to_string(d)));
            CPGameObject* district = objects.back().get();
            district->SetPosition({static_cast<float>(d % 10) * 100, static_cast<float>(d / 10) * 100, 0});
            root->AddChild(district);
            for (int i = 0; i < kPerDistrict; ++i) {
                objects.push_back(std::make_unique<CPGameObject>("house"));
                CPGameObject* house = objects.back().get();
                house->SetPosition({static_cast<float>(i % 10) * 10, static_cast<float>(i / 10) * 10, 0});
                house->GetCollisionBoxes().emplace_back(D3DXVECTOR3(0, 0, 2), D3DXVECTOR3(3, 3, 2 + (i % 3)));
                district->AddChild(house);
            }
        }
        root->UpdateTransform();
    }

    // Rays spread over the level: half fall from above, half run along the ground at 1 m height.
    CPRayQuery Ray(int index) const {
        CPRayQuery query;
        float x = static_cast<float>((index * 37) % 1000) + 1.5f;
        float y = static_cast<float>((index * 53) % 500) + 0.5f;
        if (index % 2 == 0) {
            query.origin = D3DXVECTOR3(x, y, 50);
            query.direction = D3DXVECTOR3(0, 0, -1);
            query.length = 100;
        } else {
            query.origin = D3DXVECTOR3(-20, y, 1);
            query.direction = D3DXVECTOR3(1, 0, 0);
            query.length = 200;
        }
        return query;
    }
};

void HundredRayQueries(benchmark::State& state) {
    Scene scene;
    int hits = 0;
    for (auto _ : state) {
        hits = 0;
        for (int r = 0; r < kRays; ++r) {
            CPRayQuery query = scene.Ray(r);
            if (scene.root->RayQuery(query)) ++hits;
            benchmark::DoNotOptimize(query.length);
        }
    }
    state.counters["hits"] = hits;
    state.counters["objects"] = static_cast<double>(scene.objects.size());
    state.SetItemsProcessed(state.iterations() * kRays);
}
BENCHMARK(HundredRayQueries)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
