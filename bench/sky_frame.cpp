// One frame of the dynamic sky (Skyscape::Render) with the largest dome the buffers take (200 segments,
// 10251 vertices recoloured, turned and uploaded), eight colour points and three cloud layers, on the
// recording device with its call record switched off (its per-draw index check is part of the figure).
#include <benchmark/benchmark.h>

#include <memory>

#include "DynamicSky/Skyscape.h"
#include "support/CloudFileBuilder.h"
#include "support/SkyTestRig.h"

namespace {

void SkyFrame(benchmark::State& state) {
    SkyTestRig rig;
    SkyscapeFile file = MakeSkyscapeFile(2, 8, 3, static_cast<int>(state.range(0)));
    for (size_t i = 0; i < file.keyStates[1].colourPoints.size(); ++i)
        file.keyStates[1].colourPoints[i] = D3DXVECTOR3(30.0f * static_cast<float>(i), 100, 200);
    file.keyStates[1].domeAlpha = 255.0f;
    auto sky = std::make_unique<Skyscape>();
    sky->Apply(file);
    gSunPosition = D3DXVECTOR3(0, 50, 50);
    rig.Device().SetRecording(false);
    rig.Device().BeginScene();
    for (auto _ : state) sky->Render(0.016666668f);
    rig.Device().EndScene();
    state.counters["vertices"] = static_cast<double>(sky->GetLocalVertices().size());
    state.SetItemsProcessed(state.iterations());
    sky.reset();
    gSunPosition = D3DXVECTOR3(0, 0, 0);
}
BENCHMARK(SkyFrame)->Arg(32)->Arg(200)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
