#include "simulation/physics/PhysBody.h"

#include <cmath>

#include "simulation/physics/PhysRigidBody.h"
#include "simulation/physics/PhysSensor.h"
#include "simulation/physics/PhysWorld.h"

using PhysMath::Xyz;

namespace {
// Extent of the merged box before anything is merged into it.
constexpr float kEmptyBoxExtent = 1e6f;

bool IsIdentityRotation(const D3DXMATRIX& m) {
    return m.m[0][0] == 1.0f && m.m[0][1] == 0.0f && m.m[0][2] == 0.0f && m.m[1][0] == 0.0f && m.m[1][1] == 1.0f &&
           m.m[1][2] == 0.0f && m.m[2][0] == 0.0f && m.m[2][1] == 0.0f && m.m[2][2] == 1.0f;
}

void Merge(D3DXVECTOR3& minimum, D3DXVECTOR3& maximum, const D3DXVECTOR3& point) {
    D3DXVec3Minimize(&minimum, &minimum, &point);
    D3DXVec3Maximize(&maximum, &maximum, &point);
}

// The sensor rays' two ends, in body space.
template <class Visit>
void ForEachSensorEnd(const PhysSensor* sensor, Visit visit) {
    for (; sensor; sensor = sensor->links.next) {
        const D3DXVECTOR3 start = Xyz(sensor->start);
        visit(start);
        visit(start + Xyz(sensor->direction));
    }
}
}  // namespace

void PhysBody::ResetCommon(int32_t bodyKind) {
    self = this;
    userData = nullptr;
    group = nullptr;
    kind = bodyKind;
    active = 1;
    sensors = nullptr;
    geometries = nullptr;
    broadPhaseRecord = nullptr;
    for (int axis = 0; axis < kAxes; ++axis) minEnd[axis] = maxEnd[axis] = nullptr;
    broadPhaseState = 0;
    collisionId = 0;
    refreshedAsleep = 0;
    for (D3DXVECTOR4& axis : orientedAxes) axis = D3DXVECTOR4();
    orientedCentre = D3DXVECTOR4(0.0f, 0.0f, 0.0f, 1.0f);
    worldMin = worldMax = D3DXVECTOR3();
}

void PhysBody::AttachToWorld(PhysWorld* owner, int32_t bodyId) {
    id = bodyId;
    geometryCount = 0;
    bounds.Reset();
    world = owner;
}

PhysGeometry* PhysBody::AddGeometry() {
    if (!world) return nullptr;
    PhysGeometry* geometry = world->TakeGeometry();
    if (!geometry) return nullptr;
    geometry->Reset();
    AppendToChain(geometries, geometry);
    ++geometryCount;
    refreshedAsleep = 0;
    if (active && !broadPhaseRecord) world->GetBroadPhase().AddBody(this, 0);
    return geometry;
}

PhysSensor* PhysBody::AddSensor() {
    if (!world) return nullptr;
    PhysSensor* sensor = world->TakeSensor();
    if (!sensor) return nullptr;
    AppendToChain(sensors, sensor);
    refreshedAsleep = 0;
    return sensor;
}

void PhysBody::ComputeGeometryBounds() {
    boundingRadius = 0.0f;
    if (geometryCount == 0 || !geometries) return;
    for (const PhysGeometry* g = geometries; g; g = g->links.next) {
        const float radius = g->GetRadius();
        if (radius > boundingRadius) boundingRadius = radius;
    }
    if (geometryCount == 1 && geometries->type == PhysGeometry::kBox) {
        const PhysGeometry& box = *geometries;
        for (int i = 0; i < 3; ++i) bounds.params[i] = box.params[i];
        bounds.transform = box.transform;
        bounds.boxRadius = box.boxRadius;
        bounds.margin = box.margin;
        bounds.type = box.type;
        bounds.material = box.material;
        return;
    }
    D3DXVECTOR3 minimum(kEmptyBoxExtent, kEmptyBoxExtent, kEmptyBoxExtent);
    D3DXVECTOR3 maximum(-kEmptyBoxExtent, -kEmptyBoxExtent, -kEmptyBoxExtent);
    for (const PhysGeometry* g = geometries; g; g = g->links.next) {
        D3DXVECTOR3 low, high;
        g->GetBox(low, high);
        D3DXVec3Minimize(&minimum, &minimum, &low);
        D3DXVec3Maximize(&maximum, &maximum, &high);
    }
    bounds.Reset();
    bounds.params[0] = (maximum.x - minimum.x) / 2.0f;
    bounds.params[1] = (maximum.y - minimum.y) / 2.0f;
    bounds.params[2] = (maximum.z - minimum.z) / 2.0f;
    bounds.transform.m[3][0] = (maximum.x + minimum.x) / 2.0f;
    bounds.transform.m[3][1] = (maximum.y + minimum.y) / 2.0f;
    bounds.transform.m[3][2] = (maximum.z + minimum.z) / 2.0f;
}

void PhysBody::UpdateBounds() {
    refreshedAsleep = 0;
    ComputeGeometryBounds();
    bounds.type = PhysGeometry::kBox;
    const bool turned = !IsIdentityRotation(bounds.transform);
    if (!turned || sensors) {
        // The body-space box of the record, widened by the sensor rays' ends.
        D3DXVECTOR3 minimum, maximum;
        bounds.GetBox(minimum, maximum);
        ForEachSensorEnd(sensors, [&](const D3DXVECTOR3& p) { Merge(minimum, maximum, p); });
        const D3DXVECTOR3 half((maximum.x - minimum.x) / 2.0f, (maximum.y - minimum.y) / 2.0f,
                               (maximum.z - minimum.z) / 2.0f);
        const D3DXVECTOR3 centre = minimum + half;
        bounds.params[0] = half.x;
        bounds.params[1] = half.y;
        bounds.params[2] = half.z;
        // That box is axis-aligned in body space: kept with the turned record's rotation, its extents
        // would no longer cover the turned shape (a quarter turn swaps them).
        if (turned) D3DXMatrixIdentity(&bounds.transform);
        bounds.transform.m[3][0] = centre.x;
        bounds.transform.m[3][1] = centre.y;
        bounds.transform.m[3][2] = centre.z;
    }
    // A turned record without sensors is the single box shape itself and stays as it is.
    const PhysRows rows = PhysMath::RowsOf(bounds.transform);
    for (int k = 0; k < 3; ++k) orientedAxes[k] = rows.row[k] * bounds.params[k];
    orientedCentre = PhysMath::Point(PhysMath::TranslationOf(bounds.transform));
}

void PhysBody::PlaceWorldBox(const PhysRows& rotation, const D3DXVECTOR3& position) {
    D3DXVECTOR3 axes[3];
    for (int k = 0; k < 3; ++k) axes[k] = PhysMath::Rotate(Xyz(orientedAxes[k]), rotation);
    const D3DXVECTOR3 centre = PhysMath::Rotate(Xyz(orientedCentre), rotation) + position;
    const float extentX = std::fabs(axes[0].x) + std::fabs(axes[1].x) + std::fabs(axes[2].x);
    const float extentY = std::fabs(axes[0].y) + std::fabs(axes[1].y) + std::fabs(axes[2].y);
    const float extentZ = std::fabs(axes[0].z) + std::fabs(axes[1].z) + std::fabs(axes[2].z);
    worldMin = D3DXVECTOR3(centre.x - extentX, centre.y - extentY, centre.z - extentZ);
    worldMax = D3DXVECTOR3(centre.x + extentX, centre.y + extentY, centre.z + extentZ);
    const float low[3] = {worldMin.x, worldMin.y, worldMin.z};
    const float high[3] = {worldMax.x, worldMax.y, worldMax.z};
    for (int axis = 0; axis < kAxes; ++axis) {
        if (minEnd[axis]) minEnd[axis]->value = low[axis];
        if (maxEnd[axis]) maxEnd[axis]->value = high[axis];
    }
}

void PhysBody::SetActive(bool makeActive, int32_t argument) {
    // The world body and a body no world handed out are in no list.
    if (!world || this == &world->GetWorldBody()) return;
    if (static_cast<bool>(active) == makeActive) return;
    if (kind == kRigid) {
        auto* body = static_cast<PhysRigidBody*>(this);
        const bool particle = body->particle != 0;
        PhysList<PhysRigidBody>& from = active ? world->ActiveRigidBodies(particle) : world->InactiveRigidBodies(particle);
        PhysList<PhysRigidBody>& to = active ? world->InactiveRigidBodies(particle) : world->ActiveRigidBodies(particle);
        from.Unlink(body);
        to.Append(body);
    } else {
        auto* body = static_cast<PhysKinematicBody*>(this);
        PhysList<PhysKinematicBody>& from =
            active ? world->ActiveKinematicBodies() : world->InactiveKinematicBodies();
        PhysList<PhysKinematicBody>& to = active ? world->InactiveKinematicBodies() : world->ActiveKinematicBodies();
        from.Unlink(body);
        to.Append(body);
    }
    if (makeActive) {
        if (geometryCount > 0) world->GetBroadPhase().AddBody(this, argument);
        active = 1;
    } else {
        if (broadPhaseRecord) world->GetBroadPhase().RemoveBody(this);
        active = 0;
    }
}

D3DXVECTOR3 PhysBody::GetVelocityAtPoint(const D3DXVECTOR3& offset) const {
    if (kind == kKinematic) return D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    return static_cast<const PhysRigidBody*>(this)->VelocityAtPoint(offset);
}
