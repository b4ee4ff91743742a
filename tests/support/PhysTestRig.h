// Helpers for tests of the rigid-body world: an allocator that records and can refuse, a catcher of
// the world's reports, and builders of bodies with box shapes.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "simulation/physics/PhysWorld.h"

// Hands out heap memory and records every request; refuses the request numbered `failAt` (from 0).
class RecordingPhysAllocator : public PhysAllocator {
public:
    explicit RecordingPhysAllocator(int failAt = -1) : mFailAt(failAt) {}
    void* Alloc(size_t size, int32_t /*hint*/) override {
        const int index = static_cast<int>(requests.size());
        requests.push_back(size);
        if (index == mFailAt) return nullptr;
        ++live;
        return std::malloc(size == 0 ? 1 : size);
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
