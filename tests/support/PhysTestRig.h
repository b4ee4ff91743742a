// Helpers for tests of the rigid-body world: an allocator that records and can refuse, a catcher of
// the world's reports, and builders of bodies with box shapes.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "simulation/physics/CPPhysicWorld.h"
#include "simulation/physics/PhysWorld.h"

// Hands out heap memory and records every request; refuses the request numbered `failAt` (from 0).
// Requests come filled with 0xA5, so that nothing can pass for zeroed memory by chance.
class RecordingPhysAllocator : public PhysAllocator {
public:
    explicit RecordingPhysAllocator(int failAt = -1) : mFailAt(failAt) {}
    void* Alloc(size_t size, int32_t /*hint*/) override {
        const int index = static_cast<int>(requests.size());
        requests.push_back(size);
        if (index == mFailAt) return nullptr;
        ++live;
        void* memory = std::malloc(size == 0 ? 1 : size);
        std::memset(memory, 0xA5, size == 0 ? 1 : size);
        return memory;
    }
    void Free(void* memory) override {
        --live;
        std::free(memory);
    }

    std::vector<size_t> requests;
    int live = 0;  // blocks handed out and not yet given back

private:
    int mFailAt;
};

// Collects the world's reports while alive; the world's message callback is a plain function, so
// one catcher at a time.
class PhysReportCatcher {
public:
    explicit PhysReportCatcher(PhysWorld& world) : mWorld(world) {
        sMessages.clear();
        world.SetMessageCallback(&PhysReportCatcher::Catch);
        world.SetMessageLevel(1);
    }
    ~PhysReportCatcher() { mWorld.SetMessageCallback(nullptr); }
    const std::vector<std::string>& Messages() const { return sMessages; }

private:
    static void Catch(const char* message) { sMessages.push_back(message); }
    static inline std::vector<std::string> sMessages;
    PhysWorld& mWorld;
};

// A box shape of the sizes centred at `centre` (body space), then the body's bounds.
inline PhysGeometry* AddTestBox(PhysBody& body, float a, float b, float c,
                                const D3DXVECTOR3& centre = D3DXVECTOR3(0, 0, 0)) {
    PhysGeometry* geometry = body.AddGeometry();
    if (!geometry) return nullptr;
    geometry->SetBoxSize(a, b, c);
    D3DXMATRIX local;
    D3DXMatrixTranslation(&local, centre.x, centre.y, centre.z);
    geometry->SetTransform(local);
    body.UpdateBounds();
    return geometry;
}

// Puts a rigid body at a place, with its world box, as the step would leave it.
inline void PlaceTestBody(PhysRigidBody& body, const D3DXVECTOR3& position) {
    body.SetPosition(D3DXVECTOR4(position.x, position.y, position.z, 1.0f));
    body.PlaceWorldBox(body.state.rotationRows, position);
}

// A level collision mesh for the step: triangles the tests lay down, answered to the world's terrain
// callback with every triangle whose x-y box meets the queried box. One terrain is installed at a time.
class PhysTestTerrain {
public:
    explicit PhysTestTerrain(PhysWorld& world) : mWorld(world) {
        sCurrent = this;
        world.SetTerrainCallback(&PhysTestTerrain::Answer);
    }
    ~PhysTestTerrain() {
        mWorld.SetTerrainCallback(nullptr);
        for (PhysWorld* other : mOthers) other->SetTerrainCallback(nullptr);
        sCurrent = nullptr;
    }
    // Answers a second world's queries too (for tests that run two worlds side by side).
    void Serve(PhysWorld& other) {
        other.SetTerrainCallback(&PhysTestTerrain::Answer);
        mOthers.push_back(&other);
    }

    void AddTriangle(const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DXVECTOR3& c) {
        CPCollisionTriangle triangle;
        for (int k = 0; k < 3; ++k) triangle.vertices[k] = static_cast<int32_t>(vertices.size()) + k;
        for (const D3DXVECTOR3* p : {&a, &b, &c}) vertices.push_back({p->x, p->y, p->z, 0.0f});
        triangles.push_back(triangle);
    }
    // A square of two triangles at height z, from (x0, y0) to (x1, y1).
    void AddFlat(float x0, float y0, float x1, float y1, float z) {
        AddTriangle({x0, y0, z}, {x1, y0, z}, {x1, y1, z});
        AddTriangle({x0, y0, z}, {x1, y1, z}, {x0, y1, z});
    }
    // A plane through the origin tilted about the x axis so that it rises along +y by `degrees`.
    void AddSlope(float half, float degrees) {
        const float rise = std::tan(D3DXToRadian(degrees));
        auto at = [&](float x, float y) { return D3DXVECTOR3(x, y, y * rise); };
        AddTriangle(at(-half, -half), at(half, -half), at(half, half));
        AddTriangle(at(-half, -half), at(half, half), at(-half, half));
    }

    std::vector<CPCollisionVertex> vertices;
    std::vector<CPCollisionTriangle> triangles;
    std::vector<int32_t> candidates;
    // What the callback hands out instead of its own list when set (for tests of bad answers).
    std::vector<int32_t> forcedCandidates;
    bool forceList = false;
    int queries = 0;

private:
    static void Answer(const float* low, const float* high, const int32_t** list, const CPCollisionTriangle** tris,
                       const CPCollisionVertex** verts, int32_t* count, int32_t* triangleCount, PhysBody* /*body*/) {
        PhysTestTerrain& t = *sCurrent;
        ++t.queries;
        t.candidates.clear();
        for (size_t i = 0; i < t.triangles.size(); ++i) {
            float minX = 1e30f, minY = 1e30f, maxX = -1e30f, maxY = -1e30f;
            for (int32_t v : t.triangles[i].vertices) {
                if (v < 0 || static_cast<size_t>(v) >= t.vertices.size()) continue;
                minX = std::min(minX, t.vertices[v].x), maxX = std::max(maxX, t.vertices[v].x);
                minY = std::min(minY, t.vertices[v].y), maxY = std::max(maxY, t.vertices[v].y);
            }
            if (minX <= high[0] && low[0] <= maxX && minY <= high[1] && low[1] <= maxY)
                t.candidates.push_back(static_cast<int32_t>(i));
        }
        const std::vector<int32_t>& out = t.forceList ? t.forcedCandidates : t.candidates;
        *list = out.data();
        *tris = t.triangles.data();
        *verts = t.vertices.data();
        *count = static_cast<int32_t>(out.size());
        *triangleCount = static_cast<int32_t>(t.triangles.size());
    }
    static inline PhysTestTerrain* sCurrent = nullptr;
    PhysWorld& mWorld;
    std::vector<PhysWorld*> mOthers;  // served too; not owned
};

// Records every contact the world reports while alive.
class PhysContactRecorder {
public:
    explicit PhysContactRecorder(PhysWorld& world) : mWorld(world) {
        sContacts.clear();
        world.SetCollisionCallback(&PhysContactRecorder::Record);
    }
    ~PhysContactRecorder() { mWorld.SetCollisionCallback(nullptr); }
    std::vector<PhysContact>& Contacts() { return sContacts; }

private:
    static void Record(PhysContact* contact) { sContacts.push_back(*contact); }
    static inline std::vector<PhysContact> sContacts;
    PhysWorld& mWorld;
};
