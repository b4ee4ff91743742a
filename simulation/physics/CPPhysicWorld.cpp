#include "simulation/physics/CPPhysicWorld.h"

#include "simulation/physics/CPPhysicData.h"
#include "simulation/physics/PhysKinematicBody.h"
#include "simulation/physics/PhysRigidBody.h"

void CPPhysicWorld::RecycleBody(CPSmartPtr<CPPhysicData> data) {
    const D3DXVECTOR4 parking(0.0f, 0.0f, mParkingHeight, 1.0f);
    if (data && data->mRigidBody) {
        PhysRigidBody* body = data->mRigidBody;
        mParkedBodies.push_back({body, nullptr, 2});
        body->SetPosition(parking);
        body->SetActive(false, 0);
        data->mRigidBody = nullptr;
    } else if (data && data->mKinematicBody) {
        PhysKinematicBody* body = data->mKinematicBody;
        mParkedBodies.push_back({nullptr, body, 2});
        body->SetPosition(parking);
        body->SetActive(false, 0);
        data->mKinematicBody = nullptr;
    }
    mParkingHeight -= kParkingStep;
    if (mParkingHeight < kLowestParkingHeight) mParkingHeight = kFirstParkingHeight;
}
