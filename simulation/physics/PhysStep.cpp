// The world's step. Per part of a frame: bodies refresh their world inertia and boxes, the broad phase
// re-sorts, each awake body asks the terrain callback for the level's triangles under its box, sensors
// are cast, controllers called, forces and gravity change the velocities, contacts are found, reported
// and resolved by sequential impulses, and the bodies move. A body that stays still long enough sleeps:
// it keeps its place, skips integration and the level's contacts, and wakes when pushed.
#include <algorithm>
#include <cmath>
#include <limits>

#include "core/EngineAssert.h"
#include "simulation/physics/CPPhysicWorld.h"
#include "simulation/physics/PhysStepScratch.h"
#include "simulation/physics/PhysWorld.h"

using PhysMath::Cross;
using PhysMath::Direction;
using PhysMath::Dot;
using PhysMath::Xyz;

namespace {
constexpr int kSolverIterations = 8;
// Penetration the step leaves alone, so that resting contacts do not jitter.
constexpr float kAllowedPenetration = 0.005f;
// The most one step moves a body out of a penetration.
constexpr float kMaxCorrection = 0.2f;
// Slower approaches do not bounce.
constexpr float kBounceSpeed = 1.0f;
// Squared speeds (linear and angular) below which a body counts as still.
constexpr float kStillSpeedSquare = 0.01f;
// Steps a body must stay still before it sleeps.
constexpr int32_t kStepsBeforeSleep = 60;
constexpr float kWakeForce = 1e-6f;
// How far beyond a body's (or a shape's) box a level triangle is still tested exactly.
constexpr float kTerrainMargin = 0.05f;

// Beyond the body's box, the room whose triangles a body keeps at hand while it stays inside it.
constexpr float kTerrainSlack = 1.0f;

bool BoxInside(const D3DXVECTOR3& low, const D3DXVECTOR3& high, const D3DXVECTOR3& roomLow,
               const D3DXVECTOR3& roomHigh) {
    return low.x >= roomLow.x && low.y >= roomLow.y && low.z >= roomLow.z && high.x <= roomHigh.x &&
           high.y <= roomHigh.y && high.z <= roomHigh.z;
}

Float4 Lanes(const D3DXVECTOR3& v) { return Float4{v.x, v.y, v.z, 0.0f}; }

// Boxes in four lanes (the fourth 0 in both, so that it always meets), with the comparisons of the
// three-float test.
bool BoxesMeet(const Float4& lowA, const Float4& highA, const Float4& lowB, const Float4& highB) {
    return AllLanes((lowA <= highB) & (lowB <= highA));
}
bool BoxInside(const Float4& low, const Float4& high, const Float4& roomLow, const Float4& roomHigh) {
    return AllLanes((roomLow <= low) & (high <= roomHigh));
}

// Calls visit(t) for each triangle t of the span's list, in order, whose box meets [low, high] (a
// room's list is walked through its boxes side by side). A box inside the body's reach meets only the
// span's triangles; the triangles met by another are held to the reach as well.
template <class Visit>
void ForEachSpanTriangle(const PhysTerrainTriangle* triangles, const PhysTerrainSpan& span, const PhysBoxList* boxes,
                         const Float4& low, const Float4& high, Visit&& visit) {
    const bool inside = BoxInside(low, high, span.reachLow, span.reachHigh);
    const auto take = [&](size_t k) {
        const PhysTerrainTriangle& t = triangles[k];
        if (inside || BoxesMeet(t.low, t.high, span.reachLow, span.reachHigh)) visit(t);
    };
    if (boxes) {
        boxes->ForEachMeeting(low, high, take);
        return;
    }
    for (int32_t c = 0; c < span.count; ++c)
        if (BoxesMeet(triangles[c].low, triangles[c].high, low, high)) take(static_cast<size_t>(c));
}

// A step counter that stops at the top of its range: a body may sleep for as long as the game runs.
int32_t CountUp(int32_t steps) { return steps < std::numeric_limits<int32_t>::max() ? steps + 1 : steps; }

bool IsSleeping(const PhysRigidBody& body) { return body.restSteps > 0; }
// A body with no usable inverse mass (a mass of 0 or an infinite one) is never moved by the step.
bool IsFrozen(const PhysRigidBody& body) { return !IsPositiveFinite(body.inverseMass); }
bool Moves(const PhysRigidBody& body) { return !IsFrozen(body) && !IsSleeping(body); }

bool Negligible(const D3DXVECTOR4& v) {
    return std::fabs(v.x) < kWakeForce && std::fabs(v.y) < kWakeForce && std::fabs(v.z) < kWakeForce;
}

void PoseOf(const PhysBody& body, PhysRows& rotation, D3DXVECTOR3& position) {
    if (body.kind == PhysBody::kRigid) {
        const auto& rigid = static_cast<const PhysRigidBody&>(body);
        rotation = rigid.state.rotationRows;
        position = Xyz(rigid.state.position);
    } else {
        const auto& kinematic = static_cast<const PhysKinematicBody&>(body);
        rotation = kinematic.rotationRows;
        position = Xyz(kinematic.position);
    }
}

D3DXVECTOR3 Vertex(const CPCollisionVertex* vertices, int32_t index) {
    const CPCollisionVertex& v = vertices[index];
    return {v.x, v.y, v.z};
}

// R^T I^-1 R. A body whose rotation has not turned since (one at rest, or the step's second look at it
// before it moves) keeps what it has.
void RefreshWorldInertia(PhysRigidBody& body) {
    const PhysRows& r = body.state.rotationRows;
    PhysWorldInertiaMemo& memo = body.worldInertiaMemo;
    if (memo.valid && SameBits(memo.rotation, r) &&
        SameBits(memo.inverseInertia, body.inverseInertia) &&
        SameBits(memo.result, body.worldInverseInertia))
        return;
    body.worldInverseInertia = PhysMath::Multiply(PhysMath::Multiply(PhysMath::Transpose(r), body.inverseInertia), r);
    memo.rotation = r;
    memo.inverseInertia = body.inverseInertia;
    memo.result = body.worldInverseInertia;
    memo.valid = true;
}

// The velocity change at `arm` per unit impulse along `direction`, projected back on it.
float AngularShare(const PhysRigidBody* body, const D3DXVECTOR3& arm, const D3DXVECTOR3& direction) {
    if (!body) return 0.0f;
    const D3DXVECTOR3 spin = PhysMath::MultiplyRow(Cross(arm, direction), body->worldInverseInertia);
    return Dot(Cross(spin, arm), direction);
}

float EffectiveMass(const PhysSolverContact& c, const D3DXVECTOR3& direction) {
    float k = c.bodyA->inverseMass + AngularShare(c.bodyA, c.armA, direction);
    if (c.movingB) k += c.movingB->inverseMass + AngularShare(c.movingB, c.armB, direction);
    return IsPositiveFinite(k) ? 1.0f / k : 0.0f;
}

D3DXVECTOR3 PointVelocity(const PhysRigidBody* body, const D3DXVECTOR3& arm) {
    if (!body) return {0.0f, 0.0f, 0.0f};
    return Xyz(body->velocity) + Cross(Xyz(body->angularVelocity), arm);
}

D3DXVECTOR3 RelativeVelocity(const PhysSolverContact& c) {
    return PointVelocity(c.bodyA, c.armA) - PointVelocity(c.movingB, c.armB);
}

// An impulse on a moving body inside the step: velocity and angular momentum change, the spin follows;
// the body is not woken (the step decides about sleep itself).
void Push(PhysRigidBody* body, const D3DXVECTOR3& arm, const D3DXVECTOR3& impulse) {
    if (!body) return;
    body->velocity += Direction(impulse * body->inverseMass);
    body->state.angularMomentum += Direction(Cross(arm, impulse));
    body->angularVelocity = Direction(PhysMath::MultiplyRow(Xyz(body->state.angularMomentum), body->worldInverseInertia));
}

void ApplyPair(PhysSolverContact& c, const D3DXVECTOR3& impulse) {
    Push(c.bodyA, c.armA, impulse);
    Push(c.movingB, c.armB, -impulse);
}

D3DXVECTOR3 AnyPerpendicular(const D3DXVECTOR3& n) {
    const D3DXVECTOR3 helper = std::fabs(n.x) < 0.57f ? D3DXVECTOR3(1, 0, 0) : D3DXVECTOR3(0, 1, 0);
    return PhysMath::SafeNormalize(Cross(n, helper));
}

// The body's entry in the step's list of bodies, -1 for a body the step does not move.
int32_t SlotOf(const std::vector<int32_t>& slotOfId, const PhysBody& body) {
    return body.id >= 0 && static_cast<size_t>(body.id) < slotOfId.size() ? slotOfId[static_cast<size_t>(body.id)] : -1;
}

int32_t FindRoot(std::vector<int32_t>& parent, int32_t i) {
    while (parent[i] != i) {
        parent[i] = parent[parent[i]];
        i = parent[i];
    }
    return i;
}
}  // namespace

void PhysWorld::Step(float seconds) {
    if (!IsPositiveFinite(seconds)) return;
    mTimer.Start();
    mBodiesRefreshed = 0;
    // Clamped as a float: a huge frame time gives a part count no int can hold.
    const float wanted = std::clamp(std::ceil(seconds / kMaxStepSeconds), 1.0f, static_cast<float>(kMaxSubsteps));
    const int32_t parts = static_cast<int32_t>(wanted);
    const float part = seconds / static_cast<float>(parts);
    for (int32_t i = 0; i < parts; ++i) SubStep(part);
    mLastStepDuration = mTimer.Stop();
    ENGINE_ASSERT(SlotsAreSound());
}

void PhysWorld::SubStep(float seconds) {
    StepScratch& scratch = *mScratch;
    PrepareBodies(scratch);
    QueryTerrain(scratch);
    CastSensors(scratch);
    CallControllers(scratch, seconds);
    IntegrateVelocities(scratch, seconds);
    FindContacts(scratch);
    FormGroups(scratch);
    ReportContacts(scratch);
    SolveContacts(scratch, seconds);
    IntegratePositions(scratch, seconds);
}

void PhysWorld::PrepareBodies(StepScratch& scratch) {
    // Handlers and callbacks may move bodies between lists during the step: it walks this copy.
    scratch.bodies.clear();
    for (bool particle : {false, true})
        for (PhysRigidBody* body = ActiveRigidBodies(particle).head; body; body = body->links.next)
            scratch.bodies.push_back(body);
    const int32_t ids = std::max(mSizes.rigidBodiesCount, 0) + std::max(mSizes.kinematicBodiesCount, 0) +
                        std::max(mSizes.rigidParticleCount, 0);
    scratch.slotOfId.assign(static_cast<size_t>(ids), -1);
    for (size_t i = 0; i < scratch.bodies.size(); ++i) {
        PhysRigidBody& body = *scratch.bodies[i];
        if (body.id >= 0 && body.id < ids) scratch.slotOfId[static_cast<size_t>(body.id)] = static_cast<int32_t>(i);
        // A sleeping body does not move: once brought up to date asleep, it stays so until it wakes or
        // its inertia, shapes or bounds change, each of which clears the mark.
        if (body.refreshedAsleep) continue;
        RefreshWorldInertia(body);
        body.UpdateSpin(body.state.angularMomentum);
        if (body.geometryCount > 0 || body.sensors) body.PlaceWorldBox(body.state.rotationRows, Xyz(body.state.position));
        body.refreshedAsleep = IsSleeping(body) ? 1 : 0;
        ++mBodiesRefreshed;
    }
    mBroadPhase.Update();

    // Each pair listed under those of its members that the step moves, in the order of the pairs. The
    // table runs over the step's bodies, not over every id the pools could hand out: it is cleared and
    // summed each step, and a race moves a dozen bodies among thousands of ids.
    scratch.neighbourStart.assign(scratch.bodies.size() + 1, 0);
    const PhysList<PhysOverlapPair>& pairs = mBroadPhase.GetPairs();
    for (const PhysOverlapPair* pair = pairs.head; pair; pair = pair->links.next)
        for (const PhysBody* member : {pair->bodyA, pair->bodyB})
            if (const int32_t slot = SlotOf(scratch.slotOfId, *member); slot >= 0)
                ++scratch.neighbourStart[static_cast<size_t>(slot) + 1];
    for (size_t i = 1; i < scratch.neighbourStart.size(); ++i) scratch.neighbourStart[i] += scratch.neighbourStart[i - 1];
    scratch.neighbours.assign(static_cast<size_t>(scratch.neighbourStart.back()), nullptr);
    std::vector<int32_t>& fill = scratch.groupParent;  // borrowed as the fill cursor
    fill.assign(scratch.neighbourStart.begin(), scratch.neighbourStart.end() - 1);
    for (const PhysOverlapPair* pair = pairs.head; pair; pair = pair->links.next) {
        if (const int32_t slot = SlotOf(scratch.slotOfId, *pair->bodyA); slot >= 0)
            scratch.neighbours[static_cast<size_t>(fill[static_cast<size_t>(slot)]++)] = pair->bodyB;
        if (const int32_t slot = SlotOf(scratch.slotOfId, *pair->bodyB); slot >= 0)
            scratch.neighbours[static_cast<size_t>(fill[static_cast<size_t>(slot)]++)] = pair->bodyA;
    }
}

void PhysWorld::QueryTerrain(StepScratch& scratch) {
    scratch.terrain.assign(scratch.bodies.size(), PhysTerrainSpan{});
    scratch.terrainTriangles.clear();
    if (!mTerrainCallback) return;
    for (size_t i = 0; i < scratch.bodies.size(); ++i) {
        PhysRigidBody& body = *scratch.bodies[i];
        if (IsSleeping(body) || (body.geometryCount == 0 && !body.sensors)) continue;
        if (mCollisionTable.Get(body.collisionId, PhysCollisionTable::kWorldId) == PhysCollisionTable::kNoResponse)
            continue;
        const float low[4] = {body.worldMin.x, body.worldMin.y, body.worldMin.z, 1.0f};
        const float high[4] = {body.worldMax.x, body.worldMax.y, body.worldMax.z, 1.0f};
        const int32_t* list = nullptr;
        const CPCollisionTriangle* triangles = nullptr;
        const CPCollisionVertex* vertices = nullptr;
        int32_t count = 0;
        int32_t triangleCount = 0;
        mTerrainCallback(low, high, &list, &triangles, &vertices, &count, &triangleCount, &body);
        if (!list || !triangles || !vertices || count <= 0 || triangleCount <= 0) continue;
        PhysTerrainMemo& memo = UsableCandidates(scratch, body, list, count, triangles, vertices, triangleCount);
        // Only the triangles whose box meets the body's box (its shapes and its rays) go on to the exact
        // tests; the margin keeps the ones that only just touch. The triangles near a roomier box are
        // kept while the body stays inside it, so a step walks only what lies about the body. The span
        // is that room with the reach: its users pick with their own boxes, which lie inside the reach,
        // and with the reach as well where they do not.
        const D3DXVECTOR3 margin(kTerrainMargin, kTerrainMargin, kTerrainMargin);
        const D3DXVECTOR3 reachLow = body.worldMin - margin, reachHigh = body.worldMax + margin;
        if (!memo.roomValid || !BoxInside(reachLow, reachHigh, memo.roomLow, memo.roomHigh)) {
            const D3DXVECTOR3 slack(kTerrainSlack, kTerrainSlack, kTerrainSlack);
            memo.roomLow = reachLow - slack;
            memo.roomHigh = reachHigh + slack;
            memo.roomValid = true;
            memo.inRoom.clear();
            memo.preparedBoxes.ForEachMeeting(Lanes(memo.roomLow), Lanes(memo.roomHigh), [&](size_t k) {
                const auto made = static_cast<size_t>(memo.prepared[k]);
                const PhysTerrainBox& box = scratch.preparedBoxes[made];
                const PhysTerrainCorners& corners = scratch.preparedCorners[made];
                memo.inRoom.push_back({box.low, box.high, corners.v0, corners.v1, corners.v2, corners.normal});
            });
            memo.roomBoxes.Assign(memo.inRoom.size(),
                                  [&](size_t k) -> const PhysTerrainTriangle& { return memo.inRoom[k]; });
        }
        PhysTerrainSpan& span = scratch.terrain[i];
        span.reachLow = Lanes(reachLow);
        span.reachHigh = Lanes(reachHigh);
        span.count = static_cast<int32_t>(memo.inRoom.size());
        if (body.id >= 0) {
            span.memo = body.id;
        } else {
            // The memo of a body without an id serves the next such body too.
            span.first = static_cast<int32_t>(scratch.terrainTriangles.size());
            scratch.terrainTriangles.insert(scratch.terrainTriangles.end(), memo.inRoom.begin(), memo.inRoom.end());
        }
    }
    scratch.spansInMemos = true;
}

const PhysTerrainTriangle* PhysWorld::SpanTriangles(const StepScratch& scratch, const PhysTerrainSpan& span) {
    const std::vector<PhysTerrainTriangle>& list =
        span.memo >= 0 ? scratch.terrainMemo[static_cast<size_t>(span.memo)].inRoom : scratch.terrainTriangles;
    return list.data() + span.first;
}

PhysTerrainMemo* PhysWorld::SpanMemo(StepScratch& scratch, const PhysTerrainSpan& span) {
    return span.memo >= 0 ? &scratch.terrainMemo[static_cast<size_t>(span.memo)] : nullptr;
}

void PhysWorld::SetSpansAside(StepScratch& scratch) {
    for (PhysTerrainSpan& span : scratch.terrain) {
        if (span.memo < 0) continue;
        const PhysTerrainTriangle* list = SpanTriangles(scratch, span);
        const auto first = static_cast<int32_t>(scratch.terrainTriangles.size());
        scratch.terrainTriangles.insert(scratch.terrainTriangles.end(), list, list + span.count);
        span.memo = -1;
        span.first = first;
    }
    scratch.spansInMemos = false;
}

PhysTerrainMemo& PhysWorld::UsableCandidates(StepScratch& scratch, const PhysRigidBody& body, const int32_t* list,
                                             int32_t count, const CPCollisionTriangle* triangles,
                                             const CPCollisionVertex* vertices, int32_t triangleCount) {
    PhysTerrainMemo* memo = &scratch.unkeyedMemo;
    if (body.id >= 0) {
        if (static_cast<size_t>(body.id) >= scratch.terrainMemo.size())
            scratch.terrainMemo.resize(static_cast<size_t>(body.id) + 1);
        memo = &scratch.terrainMemo[static_cast<size_t>(body.id)];
    }
    const auto size = static_cast<size_t>(count);
    if (body.id >= 0 && memo->triangles == triangles && memo->vertices == vertices &&
        memo->triangleCount == triangleCount && memo->answer.size() == size &&
        std::equal(list, list + size, memo->answer.begin()))
        return *memo;
    // Made triangles serve one mesh, and only so many are kept; then every memo starts afresh.
    if (scratch.preparedFrom != triangles || scratch.preparedVertices != vertices ||
        scratch.preparedCount != triangleCount ||
        scratch.preparedBoxes.size() + size > static_cast<size_t>(mKeptTriangleLimit)) {
        ForgetPreparedTriangles(scratch);
        scratch.preparedFrom = triangles;
        scratch.preparedVertices = vertices;
        scratch.preparedCount = triangleCount;
    }
    memo->triangles = triangles;
    memo->vertices = vertices;
    memo->triangleCount = triangleCount;
    memo->answer.assign(list, list + size);
    // Only indices that name a triangle with three vertices are kept, each once (in the order of their
    // first mention): a stamp per triangle marks the ones already taken, so no sorting is needed.
    if (scratch.triangleSlots.size() < static_cast<size_t>(triangleCount))
        scratch.triangleSlots.resize(static_cast<size_t>(triangleCount));
    if (++scratch.stamp == 0) {
        for (PhysTriangleSlot& slot : scratch.triangleSlots) slot.stamp = 0;
        scratch.stamp = 1;
    }
    memo->prepared.clear();
    memo->preparedBoxes.Clear();
    for (int32_t index : memo->answer) {
        if (index < 0 || index >= triangleCount) continue;
        PhysTriangleSlot& slot = scratch.triangleSlots[static_cast<size_t>(index)];
        if (slot.stamp == scratch.stamp) continue;
        slot.stamp = scratch.stamp;
        if (slot.prepared == -1) slot.prepared = PrepareTriangle(scratch, triangles[index], vertices);
        if (slot.prepared < 0) continue;
        memo->prepared.push_back(slot.prepared);
        const PhysTerrainBox& box = scratch.preparedBoxes[static_cast<size_t>(slot.prepared)];
        memo->preparedBoxes.Add(box.low, box.high);
    }
    memo->roomValid = false;
    return *memo;
}

int32_t PhysWorld::PrepareTriangle(StepScratch& scratch, const CPCollisionTriangle& triangle,
                                   const CPCollisionVertex* vertices) {
    const int32_t* v = triangle.vertices;
    if (v[0] < 0 || v[1] < 0 || v[2] < 0) return -2;
    PhysTerrainCorners t;
    t.v0 = Vertex(vertices, v[0]);
    t.v1 = Vertex(vertices, v[1]);
    t.v2 = Vertex(vertices, v[2]);
    t.normal = PhysNarrowPhase::TriangleNormal(t.v0, t.v1, t.v2);
    D3DXVECTOR3 low, high;
    D3DXVec3Minimize(&low, &t.v0, &t.v1);
    D3DXVec3Minimize(&low, &low, &t.v2);
    D3DXVec3Maximize(&high, &t.v0, &t.v1);
    D3DXVec3Maximize(&high, &high, &t.v2);
    scratch.preparedBoxes.push_back({Lanes(low), Lanes(high)});
    scratch.preparedCorners.push_back(t);
    return static_cast<int32_t>(scratch.preparedBoxes.size()) - 1;
}

void PhysWorld::ForgetPreparedTriangles(StepScratch& scratch) {
    // Memos name made triangles by place: each is made to differ from any answer, so it is walked again.
    for (PhysTerrainMemo& memo : scratch.terrainMemo) {
        memo.triangles = nullptr;
        memo.answer.clear();
        memo.prepared.clear();
        memo.preparedBoxes.Clear();
        memo.roomValid = false;
    }
    scratch.triangleSlots.clear();
    scratch.preparedBoxes.clear();
    scratch.preparedCorners.clear();
    scratch.preparedFrom = nullptr;
    scratch.preparedVertices = nullptr;
    scratch.preparedCount = 0;
}

void PhysWorld::ForgetTerrain() {
    // A handler may forget it in the middle of a step: the contacts still take this step's candidates.
    if (mScratch->spansInMemos) SetSpansAside(*mScratch);
    mScratch->terrainMemo.clear();
    ForgetPreparedTriangles(*mScratch);
}

void PhysWorld::CastSensors(StepScratch& scratch) {
    for (size_t i = 0; i < scratch.bodies.size(); ++i) {
        PhysRigidBody& body = *scratch.bodies[i];
        if (!body.sensors || IsSleeping(body)) continue;
        const PhysRows& rotation = body.state.rotationRows;
        const D3DXVECTOR3 position = Xyz(body.state.position);
        const PhysTerrainSpan& span = scratch.terrain[i];
        const PhysTerrainTriangle* triangles = SpanTriangles(scratch, span);
        const PhysTerrainMemo* memo = SpanMemo(scratch, span);
        const PhysBoxList* boxes = memo ? &memo->roomBoxes : nullptr;
        // The shapes of the neighbours that the body's rays may hit, placed once for all of its rays.
        scratch.rayTargets.clear();
        for (int32_t n = scratch.neighbourStart[i]; n < scratch.neighbourStart[i + 1]; ++n) {
            PhysBody* other = scratch.neighbours[static_cast<size_t>(n)];
            if (mCollisionTable.Get(body.collisionId, other->collisionId) == PhysCollisionTable::kNoResponse) continue;
            PhysRows otherRotation;
            D3DXVECTOR3 otherPosition;
            PoseOf(*other, otherRotation, otherPosition);
            for (const PhysGeometry* g = other->geometries; g; g = g->links.next)
                scratch.rayTargets.push_back({PhysNarrowPhase::Place(*g, otherRotation, otherPosition), other});
        }
        for (PhysSensor* sensor = body.sensors; sensor; sensor = sensor->links.next) {
            const D3DXVECTOR3 start = PhysMath::Rotate(Xyz(sensor->start), rotation) + position;
            const D3DXVECTOR3 direction = PhysMath::Rotate(Xyz(sensor->unitDirection), rotation);
            sensor->hitDepth = 0.0f;
            sensor->hitBody = nullptr;
            sensor->hitNormal = D3DXVECTOR4();
            sensor->hitPoint = PhysMath::Point(start + direction * sensor->length);
            if (sensor->length <= 0.0f) continue;
            PhysRayHit best;
            best.distance = sensor->length;
            PhysBody* hitBody = nullptr;
            PhysRayHit hit;
            const D3DXVECTOR3 end = start + direction * sensor->length;
            D3DXVECTOR3 rayLow3, rayHigh3;
            D3DXVec3Minimize(&rayLow3, &start, &end);
            D3DXVec3Maximize(&rayHigh3, &start, &end);
            const Float4 rayLow = Lanes(rayLow3), rayHigh = Lanes(rayHigh3);
            ForEachSpanTriangle(triangles, span, boxes, rayLow, rayHigh, [&](const PhysTerrainTriangle& t) {
                if (PhysNarrowPhase::RayTriangle(start, direction, best.distance, t.v0, t.v1, t.v2, t.normal, hit) &&
                    (!hitBody || hit.distance < best.distance)) {
                    best = hit;
                    hitBody = &mWorldBody;
                }
            });
            for (const PhysRayTarget& target : scratch.rayTargets) {
                if (PhysNarrowPhase::RayShape(start, direction, best.distance, target.shape, hit) &&
                    (!hitBody || hit.distance < best.distance)) {
                    best = hit;
                    hitBody = target.body;
                }
            }
            if (!hitBody) continue;
            sensor->hitBody = hitBody;
            sensor->hitDepth = sensor->length - best.distance;
            sensor->hitPoint = PhysMath::Point(start + direction * best.distance);
            sensor->hitNormal = Direction(best.normal);
        }
    }
}

void PhysWorld::CallControllers(StepScratch& scratch, float seconds) {
    for (PhysRigidBody* body : scratch.bodies) {
        bool pushes = false;
        for (PhysController* controller = body->controllers; controller; controller = controller->links.next) {
            // Compared before counting down, so that a period of INT32_MIN cannot step below the range.
            if (controller->countdown <= 1) {
                if (controller->handler) controller->handler->OnStep(controller, seconds);
                controller->countdown = controller->period;
            } else {
                --controller->countdown;
            }
            pushes = pushes || !Negligible(controller->force) || !Negligible(controller->torque);
        }
        if (pushes && IsSleeping(*body)) body->Wake();
    }
}

void PhysWorld::IntegrateVelocities(StepScratch& scratch, float seconds) {
    const D3DXVECTOR3 gravity = Xyz(mGravity);
    for (PhysRigidBody* body : scratch.bodies) {
        if (!Moves(*body)) continue;
        D3DXVECTOR3 force = Xyz(body->force);
        D3DXVECTOR3 torque = Xyz(body->torque);
        for (const PhysController* controller = body->controllers; controller; controller = controller->links.next) {
            force += Xyz(controller->force);
            torque += Xyz(controller->torque);
        }
        D3DXVECTOR3 acceleration = force * body->inverseMass;
        if (body->flag) acceleration += gravity;
        body->velocity += Direction(acceleration * seconds);
        body->UpdateSpin(body->state.angularMomentum + Direction(torque * seconds));
    }
}

void PhysWorld::FindContacts(StepScratch& scratch) {
    scratch.contacts.clear();
    auto add = [&](PhysRigidBody* a, PhysBody* b, PhysRigidBody* movingB, const PhysTouch& touch, int32_t materialA,
                   int32_t materialB) {
        PhysSolverContact c;
        c.bodyA = a;
        c.bodyB = b;
        c.movingB = movingB;
        c.point = touch.point;
        c.normal = touch.normal;
        c.depth = touch.depth;
        const PhysMaterial& ma = GetMaterial(materialA);
        const PhysMaterial& mb = GetMaterial(materialB);
        c.friction = (ma.friction + mb.friction) * 0.5f;
        c.restitution = std::max(ma.restitution, mb.restitution);
        scratch.contacts.push_back(c);
    };

    // Against the level.
    for (size_t i = 0; i < scratch.bodies.size(); ++i) {
        PhysRigidBody& body = *scratch.bodies[i];
        const PhysTerrainSpan& span = scratch.terrain[i];
        if (!Moves(body) || span.count == 0) continue;
        const PhysTerrainTriangle* triangles = SpanTriangles(scratch, span);
        const PhysTerrainMemo* memo = SpanMemo(scratch, span);
        const PhysBoxList* boxes = memo ? &memo->roomBoxes : nullptr;
        for (const PhysGeometry* g = body.geometries; g; g = g->links.next) {
            const PhysPlacedShape shape = PhysNarrowPhase::Place(*g, body.state.rotationRows, Xyz(body.state.position));
            // The shape's world box, a little grown: triangles apart from it cannot touch it.
            const D3DXVECTOR3 reach(PhysNarrowPhase::ProjectedRadius(shape, D3DXVECTOR3(1, 0, 0)) + kTerrainMargin,
                                    PhysNarrowPhase::ProjectedRadius(shape, D3DXVECTOR3(0, 1, 0)) + kTerrainMargin,
                                    PhysNarrowPhase::ProjectedRadius(shape, D3DXVECTOR3(0, 0, 1)) + kTerrainMargin);
            const Float4 shapeLow = Lanes(shape.centre - reach), shapeHigh = Lanes(shape.centre + reach);
            // The sample points are made for the first triangle near the shape: a shape riding above
            // the ground (a car's body on its wheels) needs none.
            bool sampled = false;
            ForEachSpanTriangle(triangles, span, boxes, shapeLow, shapeHigh, [&](const PhysTerrainTriangle& t) {
                if (!sampled) {
                    scratch.samples.clear();
                    PhysNarrowPhase::SamplePoints(shape, scratch.samples);
                    sampled = true;
                }
                scratch.touches.clear();
                PhysNarrowPhase::ShapeAgainstTriangle(shape, scratch.samples, t.v0, t.v1, t.v2, scratch.touches);
                for (const PhysTouch& touch : scratch.touches) add(&body, &mWorldBody, nullptr, touch, g->material, 0);
            });
        }
    }
    scratch.spansInMemos = false;

    // Between bodies.
    for (const PhysOverlapPair* pair = mBroadPhase.GetPairs().head; pair; pair = pair->links.next) {
        PhysBody* a = pair->bodyA;
        PhysBody* b = pair->bodyB;
        auto awake = [](const PhysBody* body) {
            return body->kind == PhysBody::kRigid && Moves(*static_cast<const PhysRigidBody*>(body));
        };
        if (!awake(a)) std::swap(a, b);
        if (!awake(a)) continue;
        if (mCollisionTable.Get(a->collisionId, b->collisionId) == PhysCollisionTable::kNoResponse) continue;
        auto* movingA = static_cast<PhysRigidBody*>(a);
        PhysRigidBody* movingB = nullptr;
        if (b->kind == PhysBody::kRigid && !IsFrozen(*static_cast<PhysRigidBody*>(b)))
            movingB = static_cast<PhysRigidBody*>(b);
        PhysRows rotationB;
        D3DXVECTOR3 positionB;
        PoseOf(*b, rotationB, positionB);
        bool touching = false;
        for (const PhysGeometry* ga = a->geometries; ga; ga = ga->links.next) {
            const PhysPlacedShape shapeA =
                PhysNarrowPhase::Place(*ga, movingA->state.rotationRows, Xyz(movingA->state.position));
            for (const PhysGeometry* gb = b->geometries; gb; gb = gb->links.next) {
                scratch.touches.clear();
                PhysNarrowPhase::ShapeAgainstShape(shapeA, PhysNarrowPhase::Place(*gb, rotationB, positionB),
                                                   scratch.pairSamples, scratch.touches);
                for (const PhysTouch& touch : scratch.touches) add(movingA, b, movingB, touch, ga->material, gb->material);
                touching = touching || !scratch.touches.empty();
            }
        }
        // A sleeping body that an awake one runs into wakes up.
        if (touching && movingB && IsSleeping(*movingB)) movingB->Wake();
    }
}

void PhysWorld::FormGroups(StepScratch& scratch) {
    // Last step's groups end: their records go back and their members forget them.
    for (PhysRigidBody* body : scratch.bodies) {
        if (PhysGroup* group = body->group) {
            for (PhysRigidBody* member = group->first; member;) {
                PhysRigidBody* next = member->groupNext;
                member->group = nullptr;
                member->groupNext = nullptr;
                member = next;
            }
            mGroupPool.GiveBack(group);
        }
    }
    std::vector<int32_t>& parent = scratch.groupParent;
    parent.resize(scratch.bodies.size());
    for (size_t i = 0; i < parent.size(); ++i) parent[i] = static_cast<int32_t>(i);
    for (const PhysSolverContact& c : scratch.contacts) {
        if (!c.movingB) continue;
        const int32_t a = SlotOf(scratch.slotOfId, *c.bodyA);
        const int32_t b = SlotOf(scratch.slotOfId, *c.movingB);
        if (a < 0 || b < 0) continue;
        parent[static_cast<size_t>(FindRoot(parent, a))] = FindRoot(parent, b);
    }
    for (size_t i = 0; i < scratch.bodies.size(); ++i) {
        const int32_t root = FindRoot(parent, static_cast<int32_t>(i));
        if (root == static_cast<int32_t>(i)) continue;
        PhysRigidBody* rootBody = scratch.bodies[static_cast<size_t>(root)];
        if (!rootBody->group) {
            // When the pool runs dry the remaining bodies simply stay on their own.
            PhysGroup* group = mGroupPool.Take();
            if (!group) continue;
            group->first = rootBody;
            group->count = 1;
            rootBody->group = group;
            rootBody->groupNext = nullptr;
        }
        PhysRigidBody* member = scratch.bodies[i];
        PhysGroup* group = rootBody->group;
        member->group = group;
        member->groupNext = group->first;
        group->first = member;
        ++group->count;
    }
}

void PhysWorld::ReportContacts(StepScratch& scratch) {
    if (!mContactCallback) return;
    for (PhysSolverContact& c : scratch.contacts) {
        PhysContact contact;
        contact.bodyA = c.bodyA;
        contact.bodyB = c.bodyB;
        contact.kindA = PhysContact::kMoving;
        contact.kindB = c.bodyB->kind == PhysBody::kRigid ? PhysContact::kMoving : PhysContact::kStatic;
        contact.point = c.point;
        const D3DXVECTOR3 velocityB =
            c.bodyB->kind == PhysBody::kRigid ? c.bodyB->GetVelocityAtPoint(c.point - Xyz(static_cast<PhysRigidBody*>(c.bodyB)->state.position))
                                               : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        contact.relativeVelocity = c.bodyA->GetVelocityAtPoint(c.point - Xyz(c.bodyA->state.position)) - velocityB;
        contact.normal = c.normal;
        contact.depth = c.depth;
        mContactCallback(&contact);
    }
}

void PhysWorld::SolveContacts(StepScratch& scratch, float /*seconds*/) {
    for (PhysSolverContact& c : scratch.contacts) {
        c.armA = c.point - Xyz(c.bodyA->state.position);
        c.armB = c.movingB ? c.point - Xyz(c.movingB->state.position) : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        c.normalMass = EffectiveMass(c, c.normal);
        const D3DXVECTOR3 relative = RelativeVelocity(c);
        const float approach = Dot(relative, c.normal);
        const D3DXVECTOR3 sliding = relative - c.normal * approach;
        c.tangent[0] = PhysMath::LengthSq(sliding) > PhysMath::kTinySquare ? PhysMath::SafeNormalize(sliding)
                                                                         : AnyPerpendicular(c.normal);
        c.tangent[1] = Cross(c.normal, c.tangent[0]);
        c.tangentMass[0] = EffectiveMass(c, c.tangent[0]);
        c.tangentMass[1] = EffectiveMass(c, c.tangent[1]);
        c.targetSpeed = approach < -kBounceSpeed ? -c.restitution * approach : 0.0f;
        c.normalImpulse = 0.0f;
        c.tangentImpulse[0] = c.tangentImpulse[1] = 0.0f;
    }
    for (int iteration = 0; iteration < kSolverIterations; ++iteration) {
        for (PhysSolverContact& c : scratch.contacts) {
            const float approach = Dot(RelativeVelocity(c), c.normal);
            const float previous = c.normalImpulse;
            c.normalImpulse = std::max(previous + c.normalMass * (c.targetSpeed - approach), 0.0f);
            ApplyPair(c, c.normal * (c.normalImpulse - previous));
            const float limit = c.friction * c.normalImpulse;
            for (int k = 0; k < 2; ++k) {
                const float slide = Dot(RelativeVelocity(c), c.tangent[k]);
                const float before = c.tangentImpulse[k];
                c.tangentImpulse[k] = std::clamp(before - c.tangentMass[k] * slide, -limit, limit);
                ApplyPair(c, c.tangent[k] * (c.tangentImpulse[k] - before));
            }
        }
    }
}

void PhysWorld::IntegratePositions(StepScratch& scratch, float seconds) {
    for (PhysRigidBody* body : scratch.bodies) {
        body->force = body->torque = D3DXVECTOR4();
        if (!Moves(*body)) {
            if (IsSleeping(*body)) body->restSteps = CountUp(body->restSteps);
            continue;
        }
        const PhysBodyState before = body->state;
        body->UpdateSpin(body->state.angularMomentum);
        body->state.position += Direction(Xyz(body->velocity) * seconds);
        D3DXQUATERNION& q = body->state.rotation;
        q += body->rotationRate * seconds;
        const float length = D3DXQuaternionLength(&q);
        if (IsPositiveFinite(length))
            q = q / length;
        else
            q = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
        if (!IsFinite(Xyz(body->state.position)) || !IsFinite(Xyz(body->velocity)) ||
            !IsFinite(Xyz(body->state.angularMomentum))) {
            // Something drove the body to infinity: it stays where it was, at rest.
            body->state = before;
            body->state.angularMomentum = D3DXVECTOR4();
            body->velocity = D3DXVECTOR4();
        }
        body->state.rotationRows = PhysMath::RowsFromQuaternion(body->state.rotation);
        RefreshWorldInertia(*body);
        body->UpdateSpin(body->state.angularMomentum);
        const bool still = PhysMath::LengthSq(Xyz(body->velocity)) < kStillSpeedSquare &&
                           PhysMath::LengthSq(Xyz(body->angularVelocity)) < kStillSpeedSquare;
        body->restCounter = still ? CountUp(body->restCounter) : 0;
    }
    // Penetrations are undone by moving the bodies, not by giving them speed, so that a deep contact
    // does not throw them apart: each step takes out the body's share (0.2) of what is left. The points
    // of one touch (the same bodies, the same normal) are one penetration, taken out once.
    const std::vector<PhysSolverContact>& contacts = scratch.contacts;
    for (size_t first = 0; first < contacts.size();) {
        const PhysSolverContact& c = contacts[first];
        float deepest = c.depth;
        size_t end = first + 1;
        while (end < contacts.size() && contacts[end].bodyA == c.bodyA && contacts[end].bodyB == c.bodyB &&
               Dot(contacts[end].normal, c.normal) > 0.99f)
            deepest = std::max(deepest, contacts[end++].depth);
        first = end;
        const float excess = deepest - kAllowedPenetration;
        if (excess <= 0.0f) continue;
        const float shareA = Moves(*c.bodyA) ? c.bodyA->inverseMass : 0.0f;
        const float shareB = c.movingB && Moves(*c.movingB) ? c.movingB->inverseMass : 0.0f;
        const float total = shareA + shareB;
        if (!IsPositiveFinite(total)) continue;
        const float distance = std::min(c.bodyA->correction * excess, kMaxCorrection) / total;
        c.bodyA->state.position += Direction(c.normal * (distance * shareA));
        if (shareB > 0.0f) c.movingB->state.position -= Direction(c.normal * (distance * shareB));
    }
    // A body sleeps once it and every body of its group have been still long enough.
    for (PhysRigidBody* body : scratch.bodies) {
        if (!Moves(*body) || body->restCounter < kStepsBeforeSleep) continue;
        bool groupStill = true;
        if (body->group)
            for (const PhysRigidBody* member = body->group->first; member; member = member->groupNext)
                groupStill = groupStill && member->restCounter >= kStepsBeforeSleep;
        if (!groupStill) continue;
        body->restSteps = 1;
        body->velocity = D3DXVECTOR4();
        body->state.angularMomentum = D3DXVECTOR4();
        body->UpdateSpin(body->state.angularMomentum);
    }
}
