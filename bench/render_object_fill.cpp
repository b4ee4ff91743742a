// CPRenderObject::FillVertices of 2,000 render objects of 24 vertices and 36 indices each into one batch,
// as the vertex ring calls it once per frame: with every owner moved since the last fill (the world copy
// is placed again) and with no owner moved (the world copy is copied as it is).
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "Render/PRenderObject.h"
#include "core/CPGameObject.h"

namespace {

constexpr int kObjects = 2000;
constexpr int kVertices = 24;
constexpr int kIndices = 36;

struct Batch {
    std::vector<std::unique_ptr<CPGameObject>> owners;
    std::vector<std::unique_ptr<CPRenderObject>> meshes;
    std::vector<CPVertex> vertices = std::vector<CPVertex>(kObjects * kVertices);
    std::vector<uint16_t> indices = std::vector<uint16_t>(kObjects * kIndices);

    Batch() {
        for (int i = 0; i < kObjects; ++i) {
            owners.push_back(std::make_unique<CPGameObject>("box"));
            owners.back()->SetPosition({static_cast<float>(i % 50) * 4, static_cast<float>(i / 50) * 4, 0});
            owners.back()->UpdateTransform();
            meshes.push_back(std::make_unique<CPRenderObject>(owners.back().get()));
            CPRenderObject& mesh = *meshes.back();
            for (int v = 0; v < kVertices; ++v) {
                CPVertex vertex;
                vertex.position = D3DXVECTOR3(static_cast<float>(v & 1), static_cast<float>((v >> 1) & 1),
                                              static_cast<float>((v >> 2) & 1));
                vertex.normal = D3DXVECTOR3(0, 0, 1);
                vertex.diffuse = 0xffffffff;
                mesh.GetLocalVertices().push_back(vertex);
            }
            for (int k = 0; k < kIndices; ++k) mesh.GetIndices().push_back(static_cast<uint16_t>(k % kVertices));
            mesh.GetWorldVertices() = mesh.GetLocalVertices();
        }
    }

    void FillAll() {
        CPVertex* vertexCursor = vertices.data();
        uint16_t* indexCursor = indices.data();
        uint16_t base = 0;
        for (auto& mesh : meshes) {
            mesh->FillVertices(vertexCursor, indexCursor, base, 1);
            vertexCursor += kVertices;
            indexCursor += kIndices;
            base = static_cast<uint16_t>(base + kVertices);
        }
        benchmark::DoNotOptimize(vertices.data());
        benchmark::DoNotOptimize(indices.data());
    }
};

void FillOwnersMoved(benchmark::State& state) {
    Batch batch;
    for (auto _ : state) {
        // What UpdateTransform leaves behind for a moved owner; the matrix itself does not change the cost.
        for (auto& owner : batch.owners) owner->SetWorldMatrixChanged(true);
        batch.FillAll();
    }
    state.SetItemsProcessed(state.iterations() * kObjects * kVertices);
}
BENCHMARK(FillOwnersMoved)->Unit(benchmark::kMicrosecond);

void FillOwnersStill(benchmark::State& state) {
    Batch batch;
    batch.FillAll();
    for (auto _ : state) batch.FillAll();
    state.SetItemsProcessed(state.iterations() * kObjects * kVertices);
}
BENCHMARK(FillOwnersStill)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
