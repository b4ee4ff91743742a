#include "simulation/physics/CPPhysicWorld.h"

#include <algorithm>
#include <cmath>

#include "Render/PRenderObject.h"
#include "Sound/NSoundManager.h"
#include "core/Angles.h"
#include "core/CPGameObject.h"
#include "core/EngineAssert.h"
#include "core/FrameClock.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "platform/FiniteChecks.h"
#include "simulation/level/CPLevel.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/physics/PhysWorld.h"
#include "simulation/units/CPPlayer.h"
#include "simulation/vehicle/CPCar.h"

namespace {
constexpr int32_t kCarCollisionId = 0;
// A car that hits a wall faster than this crashes on the hardest difficulty.
constexpr float kCrashSpeed = 12.0f;

// The pool sizes of a level's world, fields 0 to 11.
PhysPoolSizes LevelPoolSizes() {
    PhysPoolSizes sizes;
    sizes.rigidBodiesCount = 500;
    sizes.kinematicBodiesCount = 1000;
    sizes.rigidParticleCount = 500;
    sizes.constraintSetsCount = 50;
    sizes.overlappedPairsCount = 1500;
    sizes.geometriesCount = 5000;
    sizes.stepRecordsCount = 150;
    sizes.stepLinksCount = 150;
    sizes.spareCount8 = 10;
    sizes.sensorsCount = 1000;
    sizes.spareCount10 = 200;
    sizes.spareCount11 = -1;
    return sizes;
}

// The rotation with its vector part negated, scaled to unit length; no turn for a zero quaternion.
D3DXQUATERNION NormalisedConjugate(const D3DXQUATERNION& q) {
    D3DXQUATERNION c(-q.x, -q.y, -q.z, q.w);
    const float length = std::sqrt(c.x * c.x + c.y * c.y + c.z * c.z + c.w * c.w);
    if (!IsPositiveFinite(length)) return D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
    return D3DXQUATERNION(c.x / length, c.y / length, c.z / length, c.w / length);
}

D3DXQUATERNION Normalised(const D3DXQUATERNION& q) {
    const float length = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    if (!IsPositiveFinite(length)) return D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
    return D3DXQUATERNION(q.x / length, q.y / length, q.z / length, q.w / length);
}

// The game object behind a body, when it is still a live object with physical data.
CPGameObject* OwnerOf(const PhysBody* body) {
    if (!body) return nullptr;
    auto* object = static_cast<CPGameObject*>(body->GetUserData());
    if (!object || !gObjectRegistry::Contains(object) || !object->GetPhysicData()) return nullptr;
    return object;
}

// The car of the game object behind a body; null when it has none.
CPCar* CarOf(const PhysBody* body) {
    CPGameObject* object = OwnerOf(body);
    return object ? object->GetCar().Get() : nullptr;
}

// Every live game world, for the callbacks to find theirs.
std::vector<CPPhysicWorld*>& LiveWorlds() {
    static std::vector<CPPhysicWorld*> worlds;
    return worlds;
}

D3DXVECTOR3 FlatUnit(D3DXVECTOR3 v) {
    v.z = 0.0f;
    return PhysMath::SafeNormalize(v);
}
}  // namespace

void ForgetPhysicsObject(CPGameObject* object) {
    for (CPPhysicWorld* world : LiveWorlds()) world->DropObject(object);
}

CPPhysicWorld::CPPhysicWorld() { LiveWorlds().push_back(this); }

CPPhysicWorld::~CPPhysicWorld() {
    ForgetBodies();
    std::vector<CPPhysicWorld*>& worlds = LiveWorlds();
    worlds.erase(std::remove(worlds.begin(), worlds.end(), this), worlds.end());
    if (gPhysicsWorld == this) gPhysicsWorld = nullptr;
}

CPPhysicWorld* CPPhysicWorld::OwnerOfWorld(const PhysWorld* world) {
    if (!world) return nullptr;
    for (CPPhysicWorld* game : LiveWorlds())
        if (game->mWorld.get() == world) return game;
    return nullptr;
}

void CPPhysicWorld::Execute() {
    if (!mWorld) return;
    for (auto it = mObjects.begin(); it != mObjects.end();) {
        CPGameObject* object = *it;
        // The set does not own its objects, but a dying one leaves it (ForgetPhysicsObject): every entry
        // lives, and no registry search is needed to know it.
        ENGINE_ASSERT(gObjectRegistry::Contains(object));
        if (!object->GetPhysicData()) {
            it = mObjects.erase(it);
            continue;
        }
        CPPhysicData* data = object->GetPhysicData();
        if (PhysRigidBody* body = data->mRigidBody)
            if (static_cast<bool>(body->IsActive()) != data->mActiveWanted) body->SetActive(data->mActiveWanted, 0);
        ++it;
    }
    mWorld->Step(gDeltaTime);
    // The registered objects follow their rigid bodies: the units are drawn, tested and driven where the
    // step put their cars.
    for (CPGameObject* object : mObjects) {
        ENGINE_ASSERT(gObjectRegistry::Contains(object));
        const CPPhysicData* data = object->GetPhysicData();
        const PhysRigidBody* body = data && !data->mKinematicBody ? data->mRigidBody : nullptr;
        if (!body || !body->IsActive()) continue;
        const D3DXVECTOR4& at = body->GetPosition();
        object->FollowBody(D3DXVECTOR3(at.x, at.y, at.z), body->state.rotation);
        object->UpdateTransform();
    }
}

void CPPhysicWorld::ForgetBodies() {
    for (CPGameObject* object : mObjects) {
        if (!gObjectRegistry::Contains(object)) continue;
        if (CPPhysicData* data = object->GetPhysicData()) {
            data->mRigidBody = nullptr;
            data->mKinematicBody = nullptr;
            data->mController = nullptr;
            data->mCandidateCount = 0;
        }
        if (CPCar* car = object->GetCar().Get()) car->ForgetBody();
    }
    mObjects.clear();
    mParkedBodies.clear();
    mCandidateKeys.clear();
}

void CPPhysicWorld::Create() {
    // Each level load makes a new world; the last one, with everything that pointed into it, goes first.
    ForgetBodies();
    mWorld.reset();
    mParkingHeight = kFirstParkingHeight;
    const D3DXVECTOR3 gravity(0.0f, 0.0f, -9.8f);
    mWorld.reset(CreatePhysWorld(LevelPoolSizes(), nullptr, &gravity));
    if (!mWorld) return;
    mWorld->SetMaterial(1, gSettings::friction, gSettings::restitution);
    mWorld->SetMaterial(0, gSettings::friction, gSettings::restitution);
    mWorld->SetCollisionCallback(&CPPhysicWorld::OnContact);
    PhysCollisionTable& table = mWorld->GetCollisionTable();
    table.Set(kCarCollisionId, PhysCollisionTable::kWorldId, 3);
    // Cars collide with each other only at difficulties 2 and 3.
    table.Set(kCarCollisionId, kCarCollisionId, gSettings::cam_speed < 2 ? 0 : 3);
    mWorld->SetTerrainCallback(&CPPhysicWorld::OnTerrainQuery);
}

void CPPhysicWorld::Create(const D3DXVECTOR3& /*boundsMinimum*/, const D3DXVECTOR3& /*boundsMaximum*/,
                           int32_t /*countA*/, int32_t /*countB*/, int32_t /*countC*/) {
    Create();
}

void CPPhysicWorld::AddObject(CPGameObject* object, bool activeWanted, int32_t material) {
    if (!object || !object->GetPhysicData() || !mWorld) return;
    CPPhysicData* data = object->GetPhysicData();
    CreateObjectBodies(data, object->GetPosition(), object->GetRotation(), activeWanted, material);
    if (data->mKinematicBody)
        data->mKinematicBody->SetUserData(object);
    else if (data->mRigidBody)
        data->mRigidBody->SetUserData(object);
}

void CPPhysicWorld::CreateObjectBodies(CPPhysicData* data, const D3DXVECTOR3& position,
                                       const D3DXQUATERNION& rotation, bool activeWanted, int32_t material) {
    if (!data || !mWorld) return;
    PhysBody* body = nullptr;
    if (data->GetBodyParameters().mass < 0.0f) {
        data->mKinematicBody = mWorld->CreateKinematicBody();
        body = data->mKinematicBody;
    } else {
        data->mRigidBody = data->mParticle ? mWorld->CreateParticleBody() : mWorld->CreateRigidBody();
        body = data->mRigidBody;
    }
    // An empty pool was reported by the world; the object stays without a body.
    if (!body) return;
    for (CPPhysicShape& shape : data->GetShapes()) {
        PhysGeometry* geometry = body->AddGeometry();
        shape.geometry = geometry;
        if (!geometry) continue;
        D3DXMATRIX local;
        const D3DXQUATERNION turn = NormalisedConjugate(shape.rotation);
        D3DXMatrixRotationQuaternion(&local, &turn);
        local.m[3][0] = shape.position.x;
        local.m[3][1] = shape.position.y;
        local.m[3][2] = shape.position.z;
        if (shape.kind == CPPhysicShape::kBox) {
            geometry->SetBoxSize(shape.size[0], shape.size[2], shape.size[1]);
        } else if (shape.kind == CPPhysicShape::kCylinder) {
            geometry->SetCylinder(shape.diameter, shape.size[1]);
        } else {
            continue;
        }
        geometry->SetTransform(local);
        geometry->SetMaterial(material);
    }
    body->UpdateBounds();
    if (data->mKinematicBody) {
        data->mKinematicBody->SetPosition(D3DXVECTOR4(position.x, position.y, position.z, 1.0f));
        data->mKinematicBody->SetRotation(Normalised(rotation));
    } else {
        data->mActiveWanted = activeWanted;
    }
}

void CPPhysicWorld::RegisterObject(CPGameObject* object) {
    if (!object || !object->GetPhysicData()) return;
    mObjects.insert(object);
    object->GetPhysicData()->mActiveWanted = true;
}

void CPPhysicWorld::UnregisterObject(CPGameObject* object) {
    if (!object || !object->GetPhysicData()) return;
    mObjects.erase(object);
    CPPhysicData* data = object->GetPhysicData();
    data->mActiveWanted = false;
    PhysBody* body = data->mRigidBody ? static_cast<PhysBody*>(data->mRigidBody) : data->mKinematicBody;
    if (body && body->IsActive()) body->SetActive(false, 0);
}

void CPPhysicWorld::CreateCar(CPGameObject* unit, bool playerCar) {
    if (!unit) return;
    // The unit owns its car: the one it had goes.
    CPCar* previous = unit->GetCar().Get();
    auto* car = new CPCar(unit);
    unit->SetCar(car);
    delete previous;
    car->CreateBody(mWorld.get(), playerCar);
    car->mPlayerCar = playerCar;
    LoadCarSounds(car, nullptr, playerCar);
}

void CPPhysicWorld::LoadCarSounds(CPCar* car, const char* /*name*/, bool /*playerCar*/) {
    if (!car || !gSoundManager) return;
    gSoundManager->LoadSound(car->mSounds[CPCar::kCrashSound], "slam.wav", 1, true);
    gSoundManager->LoadSound(car->mSounds[CPCar::kEngineSound], "main.wav", 1, true);
    gSoundManager->LoadSound(car->mSounds[CPCar::kSkidSound], "vizg.wav", 1, true);
    gSoundManager->LoadSound(car->mSounds[CPCar::kBrakeSound], "stop.wav", 1, true);
}

void CPPhysicWorld::SetCarControls(CPGameObject* unit, float throttle, float steering) {
    if (!unit) return;
    if (CPCar* car = unit->GetCar().Get()) car->SetControls(throttle, steering);
}

void CPPhysicWorld::RecycleBody(CPSmartPtr<CPPhysicData> data) {
    const D3DXVECTOR4 parking(0.0f, 0.0f, mParkingHeight, 1.0f);
    if (data && data->mRigidBody) {
        PhysRigidBody* body = data->mRigidBody;
        mParkedBodies.push_back({body, nullptr, 2});
        body->SetPosition(parking);
        body->SetActive(false, 0);
        // A parked body belongs to nobody: the callbacks skip it.
        body->SetUserData(nullptr);
        data->mRigidBody = nullptr;
    } else if (data && data->mKinematicBody) {
        PhysKinematicBody* body = data->mKinematicBody;
        mParkedBodies.push_back({nullptr, body, 2});
        body->SetPosition(parking);
        body->SetActive(false, 0);
        body->SetUserData(nullptr);
        data->mKinematicBody = nullptr;
    }
    mParkingHeight -= kParkingStep;
    if (mParkingHeight < kLowestParkingHeight) mParkingHeight = kFirstParkingHeight;
}

void CPPhysicWorld::AddGroundObject(CPRenderObject* object) {
    if (object) mGroundObjects.push_back(object);
}

void CPPhysicWorld::OnContact(PhysContact* contact) {
    if (!contact || contact->kindA != PhysContact::kMoving) return;
    const int32_t difficulty = gSettings::cam_speed;
    if (contact->kindB == PhysContact::kMoving) {
        CPGameObject* a = OwnerOf(contact->bodyA);
        CPGameObject* b = OwnerOf(contact->bodyB);
        CPCar* carA = CarOf(contact->bodyA);
        CPCar* carB = CarOf(contact->bodyB);
        if (!a || !b || !carA || !carB || difficulty <= 1 || carA->mCrashed || carB->mCrashed) return;
        // B crashes when its own front points less than 90 degrees away from the way to A.
        const D3DXVECTOR3 towardsA = FlatUnit(a->GetPosition() - b->GetPosition());
        D3DXMATRIX turn;
        D3DXMatrixRotationQuaternion(&turn, &b->GetRotation());
        D3DXVECTOR3 front;
        const D3DXVECTOR3 local(0.0f, -1.0f, 0.0f);
        D3DXVec3TransformNormal(&front, &local, &turn);
        front = FlatUnit(front);
        const float angle = ClampedAcos(PhysMath::Dot(towardsA, front));
        (std::fabs(angle) < kHalfPi ? carB : carA)->SetCrashed(true);
    } else if (contact->kindB == PhysContact::kStatic) {
        CPGameObject* a = OwnerOf(contact->bodyA);
        if (!a) return;
        const D3DXVECTOR3 direction = PhysMath::SafeNormalize(a->GetPosition() - contact->point);
        const float strength = PhysMath::SafeLength(contact->relativeVelocity) * 0.008f;
        if (CPRenderObject* mesh = a->GetRenderObject()) mesh->ApplyImpact(contact->point, direction, strength);
        CPCar* car = a->GetCar().Get();
        if (!car || difficulty != 3 || !gLevel || gLevel->mCameraTarget != a) return;
        if (std::fabs(contact->normal.z) < 0.5f && PhysMath::SafeLength(car->mVelocity) > kCrashSpeed)
            car->SetCrashed(true);
    }
}
