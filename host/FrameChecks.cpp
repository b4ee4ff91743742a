#include "host/FrameChecks.h"

#include "core/CPGameObject.h"
#include "core/CPTaskKernel.h"
#include "core/ServiceGlobals.h"
#include "simulation/physics/CPPhysicWorld.h"
#include "simulation/physics/PhysWorld.h"

bool EngineLinksAreSound() {
    bool sound = true;
    gObjectRegistry::ForEach([&sound](const CPRefObject& object) {
        const auto* node = dynamic_cast<const CPGameObject*>(&object);
        if (node && !node->LinksAreSound()) sound = false;
    });
    if (gTaskKernel && !gTaskKernel->ListIsSound()) sound = false;
    if (gPhysicsWorld && gPhysicsWorld->GetWorld() && !gPhysicsWorld->GetWorld()->SlotsAreSound()) sound = false;
    return sound;
}
