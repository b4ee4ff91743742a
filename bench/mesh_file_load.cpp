// Loading a generated mesh file of level size: 64 nodes (8 top-level nodes of 7 children each) of 1500
// vertices and 1498 triangles, about 5 MB. Parsing alone (file load and checked record), and the whole
// description build into a game-object tree with materials and static mesh buffers, for plain and
// physics files; and an animated file of 12 nodes with 40 frames of 200 vertices each.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "Render/PMeshFile.h"
#include "core/files/CPFileReader.h"
#include "support/DescriptionBuildRig.h"
#include "support/MeshFileBuilder.h"
#include "support/RenderDescriptionBuilder.h"

namespace {

constexpr int32_t kTopNodes = 8;
constexpr int32_t kChildrenPerNode = 7;
constexpr int32_t kNodeVertices = 1500;
constexpr int32_t kAnimatedNodes = 12;
constexpr int32_t kAnimatedFrames = 40;
constexpr int32_t kFrameVertices = 200;

CPMeshNodeRecord LevelNode(const std::string& name, bool physics) {
    CPMeshNodeRecord node = MeshTestNode(name, kNodeVertices);
    for (size_t i = 0; i < node.vertices.size(); ++i) {
        node.vertices[i].position.y = static_cast<float>(i % 37);
        node.vertices[i].position.z = static_cast<float>(i % 11) * 0.5f;
    }
    node.boxes = {{D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(10, 10, 2)}, {D3DXVECTOR3(5, 0, 1), D3DXVECTOR3(1, 1, 1)}};
    if (physics) {
        node.body = MeshTestShape(CPMeshShapeRecord::kBox, 4, 2, 4, D3DXVECTOR3(0, 0, 0), 100.0f);
        node.shapes = {MeshTestShape(CPMeshShapeRecord::kBox, 2, 4, 6, D3DXVECTOR3(1, 1, 0)),
                       MeshTestShape(CPMeshShapeRecord::kCylinder, 0, 3, 0, D3DXVECTOR3(0, 0, 1))};
    }
    return node;
}

std::vector<CPMeshNodeRecord> LevelNodes(bool physics) {
    std::vector<CPMeshNodeRecord> nodes;
    for (int32_t t = 0; t < kTopNodes; ++t) {
        CPMeshNodeRecord top = LevelNode("block" + std::to_string(t), physics);
        for (int32_t c = 0; c < kChildrenPerNode; ++c)
            top.children.push_back(LevelNode("part" + std::to_string(t) + "_" + std::to_string(c), physics));
        nodes.push_back(std::move(top));
    }
    return nodes;
}

CPMeshNodeRecord AnimatedNodes() {
    auto node = [](const std::string& name) {
        CPMeshNodeRecord n = MeshTestNode(name);
        n.animation.frameTime = 240.0f * kAnimationTimeUnit;
        for (int32_t f = 0; f < kAnimatedFrames; ++f) {
            CPMeshNodeRecord frameMesh = MeshTestNode(name, kFrameVertices);
            CPAnimationFrame frame;
            frame.vertices = frameMesh.vertices;
            for (CPVertex& v : frame.vertices) v.position.z = static_cast<float>(f) * 0.1f;
            frame.indices = frameMesh.indices;
            n.animation.frames.push_back(std::move(frame));
        }
        n.body.mass = 1.0f;
        return n;
    };
    CPMeshNodeRecord root = node("body");
    for (int32_t i = 1; i < kAnimatedNodes; ++i) root.children.push_back(node("limb" + std::to_string(i)));
    return root;
}

// Every node gets a material; none has a vertex effect, so every mesh becomes a static buffer.
std::string Description(const std::string& header, const std::vector<std::string>& nodes) {
    RenderDescriptionBuilder text(header);
    for (const std::string& name : nodes) {
        text.Section(name).Key("effectfile", "simple.fx").Key("texturefile1", name + ".tga").Key("type", "1");
    }
    return text.Str();
}

struct Fixture {
    Fixture() {
        std::vector<std::string> names;
        for (int32_t t = 0; t < kTopNodes; ++t) {
            names.push_back("block" + std::to_string(t));
            for (int32_t c = 0; c < kChildrenPerNode; ++c)
                names.push_back("part" + std::to_string(t) + "_" + std::to_string(c));
        }
        plain = PlainMeshFile(LevelNodes(false));
        physics = PhysicsMeshFile(LevelNodes(true));
        animated = AnimatedMeshFile(AnimatedNodes());
        rig.WriteMesh("level.x", plain);
        rig.WriteMesh("level.p3d", physics);
        rig.WriteMesh("walker.msh", animated);
        rig.WriteDescription("level.rdf", Description("level.x", names));
        rig.WriteDescription("level_phys.rdf", Description("level.p3d", names));
        rig.WriteDescription("walker.rdf", Description("anim;walk,walker.msh", {"body"}));
    }
    DescriptionBuildRig rig;
    std::string plain, physics, animated;
};

Fixture& TheFixture() {
    static Fixture fixture;
    return fixture;
}

void ParseMeshFile(benchmark::State& state, const char* file, CPMeshFileKind kind, size_t bytes) {
    for (auto _ : state) {
        CPFileReader reader(std::string("Data/Meshes/") + file, false);
        if (reader.Load() != S_OK) state.SkipWithError("load failed");
        CPMeshFileRecord record;
        if (!ReadMeshFile(reader, kind, record)) state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(record.nodes.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void MeshFileParsePlain(benchmark::State& state) {
    ParseMeshFile(state, "level.x", CPMeshFileKind::kPlain, TheFixture().plain.size());
}
BENCHMARK(MeshFileParsePlain)->Unit(benchmark::kMillisecond);

void MeshFileParsePhysics(benchmark::State& state) {
    ParseMeshFile(state, "level.p3d", CPMeshFileKind::kPhysics, TheFixture().physics.size());
}
BENCHMARK(MeshFileParsePhysics)->Unit(benchmark::kMillisecond);

void AnimatedFileParse(benchmark::State& state) {
    Fixture& f = TheFixture();
    for (auto _ : state) {
        CPFileReader reader("Data/Meshes/walker.msh", false);
        if (reader.Load() != S_OK) state.SkipWithError("load failed");
        CPMeshNodeRecord root;
        if (!ReadAnimatedMeshFile(reader, root)) state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(root.children.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.animated.size()));
}
BENCHMARK(AnimatedFileParse)->Unit(benchmark::kMillisecond);

// The whole build: description, mesh file, 64 objects with materials and static buffers; the tree
// is deleted inside the timing, as a level's objects are made and dropped.
void Build(benchmark::State& state, const char* description, size_t bytes) {
    Fixture& f = TheFixture();
    for (auto _ : state) {
        CPGameObject* root = f.rig.Build(description);
        if (!root) state.SkipWithError("build failed");
        benchmark::DoNotOptimize(root);
        f.rig.Delete(root);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void DescriptionBuildPlain(benchmark::State& state) { Build(state, "level.rdf", TheFixture().plain.size()); }
BENCHMARK(DescriptionBuildPlain)->Unit(benchmark::kMillisecond);

void DescriptionBuildPhysics(benchmark::State& state) {
    Build(state, "level_phys.rdf", TheFixture().physics.size());
}
BENCHMARK(DescriptionBuildPhysics)->Unit(benchmark::kMillisecond);

void DescriptionBuildAnimated(benchmark::State& state) {
    Build(state, "walker.rdf", TheFixture().animated.size());
}
BENCHMARK(DescriptionBuildAnimated)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
