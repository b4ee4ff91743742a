// Queuing and batching one frame: 2,000 render objects of 24 vertices (36 indices) over 8 materials are
// queued into a draw queue and written into its vertex ring block by block, as the frame does. The
// baseline copies the same vertex and index bytes with memcpy. Items are vertices.
//
// The ring keeps its contents between locks (no-discard): a device asked for the discard fill refills
// the whole buffer on every discarding lock, a cost of the stand-in and not of the batching.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "Render/CPRenderQueue.h"
#include "Render/PIVertexBuffer.h"
#include "Render/PMaterial.h"
#include "Render/PRender.h"
#include "Render/PRenderObject.h"
#include "core/CPGameObject.h"
#include "Render/CPFrameRenderer.h"
#include "support/D3DTestSupport.h"

namespace {

constexpr int kObjects = 2000;
constexpr int kVertices = 24;
constexpr int kIndices = 36;
constexpr int kMaterials = 8;
constexpr int64_t kFrameVertices = int64_t{kObjects} * kVertices;
constexpr int64_t kFrameBytes = kFrameVertices * sizeof(CPVertex) + int64_t{kObjects} * kIndices * 2;

struct BatchScene {
    BatchScene() {
        ring->Create(device.get(), 2, 65536, 3 * 65536, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, D3DPOOL_DEFAULT);
        ring->SetNoDiscard(true);
        device->SetRecording(false);
        for (int m = 0; m < kMaterials; ++m) materials.push_back(std::make_unique<CPMaterial>(20 + m, nullptr, nullptr));
        for (int i = 0; i < kObjects; ++i) {
            auto object = std::make_unique<CPGameObject>("box");
            object->SetPosition(D3DXVECTOR3(static_cast<float>(i), 0.0f, 0.0f));
            object->UpdateTransform();
            auto mesh = std::make_unique<CPRenderObject>(object.get());
            for (int v = 0; v < kVertices; ++v) {
                CPVertex vertex;
                vertex.position = D3DXVECTOR3(static_cast<float>(v), 1.0f, 2.0f);
                vertex.normal = D3DXVECTOR3(0.0f, 0.0f, 1.0f);
                mesh->GetLocalVertices().push_back(vertex);
            }
            mesh->GetWorldVertices() = mesh->GetLocalVertices();
            for (int t = 0; t < kIndices; ++t) mesh->GetIndices().push_back(static_cast<uint16_t>(t % kVertices));
            mesh->SetMaterial(materials[static_cast<size_t>(i % kMaterials)].get());
            object->SetRenderPart(mesh.get(), kRenderObject);
            object->SetStatic(false);
            meshes.push_back(std::move(mesh));
            objects.push_back(std::move(object));
        }
    }
    ~BatchScene() {
        objects.clear();
        meshes.clear();
    }

    // Queues every object, then writes the frame's blocks into the ring.
    void QueueAndBatch() {
        for (const auto& object : objects) queue.AddObject(object.get());
        ring->Lock(0, 0, true, -1);
        for (CPIVBlock* block : queue.GetFrameBlocks())
            for (const CPSmartPtr<CPRenderable>& renderable : block->GetRenderables()) ring->Append(renderable.Get());
        ring->Unlock(true);
        queue.EmptyFrame();
    }

    D3DPtr<IDirect3DDevice9> device = MakeTestDevice();
    std::unique_ptr<PIVertexBuffer> ring = std::make_unique<PIVertexBuffer>();
    std::vector<std::unique_ptr<CPMaterial>> materials;
    std::vector<std::unique_ptr<CPRenderObject>> meshes;
    std::vector<std::unique_ptr<CPGameObject>> objects;
    CPRenderQueue queue{ring.get()};
};

void BM_QueueAndBatch(benchmark::State& state) {
    BatchScene scene;
    for (auto _ : state) {
        scene.QueueAndBatch();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kFrameVertices);
    state.SetBytesProcessed(state.iterations() * kFrameBytes);
}
BENCHMARK(BM_QueueAndBatch)->Unit(benchmark::kMicrosecond);

// The whole drawing of the queues on the recording device: queuing, batching, materials and draw calls.
void BM_QueueAndDraw(benchmark::State& state) {
    BatchScene scene;
    PRender renderer(scene.device.get());
    renderer.SetDrawQueue(&scene.queue);
    CPFrameRenderer frame;
    scene.device->BeginScene();
    for (auto _ : state) {
        for (const auto& object : scene.objects) scene.queue.AddObject(object.get());
        frame.DrawQueues(renderer);
        scene.queue.EmptyFrame();
        benchmark::ClobberMemory();
    }
    scene.device->EndScene();
    renderer.SetDrawQueue(nullptr);
    state.SetItemsProcessed(state.iterations() * kFrameVertices);
    state.SetBytesProcessed(state.iterations() * kFrameBytes);
}
BENCHMARK(BM_QueueAndDraw)->Unit(benchmark::kMicrosecond);

// The same bytes, copied object by object from plain arrays.
void BM_MemcpyBaseline(benchmark::State& state) {
    std::vector<CPVertex> sourceVertices(static_cast<size_t>(kFrameVertices));
    std::vector<uint16_t> sourceIndices(static_cast<size_t>(kObjects) * kIndices, 1);
    std::vector<CPVertex> vertices(sourceVertices.size());
    std::vector<uint16_t> indices(sourceIndices.size());
    for (auto _ : state) {
        for (size_t i = 0; i < kObjects; ++i) {
            std::memcpy(&vertices[i * kVertices], &sourceVertices[i * kVertices], kVertices * sizeof(CPVertex));
            std::memcpy(&indices[i * kIndices], &sourceIndices[i * kIndices], kIndices * sizeof(uint16_t));
        }
        benchmark::DoNotOptimize(vertices.data());
        benchmark::DoNotOptimize(indices.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kFrameVertices);
    state.SetBytesProcessed(state.iterations() * kFrameBytes);
}
BENCHMARK(BM_MemcpyBaseline)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
