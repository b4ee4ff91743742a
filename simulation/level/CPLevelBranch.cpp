#include "simulation/level/CPLevelBranch.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <utility>

#include "Render/CPRenderQueue.h"
#include "Render/ObjectReach.h"
#include "Render/PCamera.h"
#include "Render/PRender.h"
#include "Render/PRenderable.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "core/files/CPTokenizer.h"

namespace {

// Adds the materials to a set kept in address order without repeats: a node's objects share few
// materials, so this is cheaper than sorting the whole run of them.
void AddDistinct(std::vector<const CPMaterial*>& set, const std::vector<const CPMaterial*>& materials) {
    for (const CPMaterial* material : materials) {
        const auto at = std::lower_bound(set.begin(), set.end(), material);
        if (at == set.end() || *at != material) set.insert(at, material);
    }
}

// std::fmin and std::fmax (a NaN yields to the other value) but for the sign of a zero result, which
// the mid-plane's comparisons cannot tell apart; inline, where the library's are calls.
float Least(float a, float b) { return std::isnan(a) ? b : (std::isnan(b) || !(b < a) ? a : b); }
float Greatest(float a, float b) { return std::isnan(a) ? b : (std::isnan(b) || !(b > a) ? a : b); }

float Axis(const D3DXVECTOR3& v, int axis) { return axis == 0 ? v.x : (axis == 1 ? v.y : v.z); }

void ReleaseAll(CPLevelBranch::ObjectList& objects) {
    for (CPSmartPtr<CPGameObject>& object : objects) ReleaseIfAlive(object);
    objects.clear();
}

}  // namespace

CPLevelBranch::CPLevelBranch() : CPLevelBranch(std::make_shared<BakedSet>(), std::make_shared<ShareTable>()) {}

CPLevelBranch::CPLevelBranch(std::shared_ptr<BakedSet> baked, std::shared_ptr<ShareTable> shares)
    : mBaked(std::move(baked)), mShares(std::move(shares)) {}

CPLevelBranch::~CPLevelBranch() {
    delete mFirst;
    delete mSecond;
    mFirst = mSecond = nullptr;
    ReleaseAll(mObjects);
    ReleaseAll(mBonusObjects);
    ReleaseAll(mDynamicObjects);
    ReleaseAll(mStaticObjects);
}

CPLevelBranch* CPLevelBranch::MakeChild(const uint32_t* picked, size_t count, const CentreList& centres,
                                        CentreList& childCentres) const {
    auto* child = new CPLevelBranch(mBaked, mShares);
    child->mObjects.reserve(count);
    child->mObjectShares.reserve(count);
    childCentres.reserve(count);
    for (size_t k = 0; k < count; ++k) {
        const uint32_t i = picked[k];
        child->mObjects.push_back(mObjects[i]);
        child->mObjectShares.push_back(mObjectShares[i]);
        childCentres.push_back(centres[i]);
    }
    child->WeighObjects();
    return child;
}

void CPLevelBranch::SetObjects(const ObjectList& objects) {
    // Objects may have moved or changed since an earlier call.
    mObjectShares.clear();
    mShares->clear();
    TakeObjects(objects);
}

void CPLevelBranch::TakeObjects(const ObjectList& objects) {
    mObjects.clear();
    mObjectShares.clear();
    mStaticObjects.clear();
    mDynamicObjects.clear();
    mMaterials.clear();
    mVertexCount = mIndexCount = 0;
    mBox = CPAxisBox();
    for (const CPSmartPtr<CPGameObject>& object : objects) {
        if (!object) continue;
        mObjects.push_back(object);
        mObjectShares.push_back(&ShareOf(*object));
    }
    if (!mObjects.empty()) WeighObjects();
}

void CPLevelBranch::WeighObjects() {
    for (size_t i = 0; i < mObjects.size(); ++i) {
        const ObjectShare& share = *mObjectShares[i];
        if (i == 0)
            mBox = share.reach;
        else
            mBox.Merge(share.reach);
        mVertexCount += share.vertexCount;
        mIndexCount += share.indexCount;
        AddDistinct(mMaterials, share.materials);
    }

    CPSmartPtr<CPRenderQueue> branchQueue;
    if (gSettings::static_ != 0 && gRenderer) branchQueue = gRenderer->GetBranchQueue();
    for (const CPSmartPtr<CPGameObject>& object : mObjects) {
        if (!object->IsStatic()) {
            mDynamicObjects.push_back(object);
            continue;
        }
        mStaticObjects.push_back(object);
        if (branchQueue && mBaked->insert(object.Get()).second) branchQueue->AddStaticTree(object);
    }
}

const CPLevelBranch::ObjectShare& CPLevelBranch::ShareOf(CPGameObject& object) {
    const auto [entry, made] = mShares->try_emplace(&object);
    ObjectShare& share = entry->second;
    if (!made) return share;
    // Not the hierarchy bounds alone: those of a placed plain mesh end at its origin, and the culling
    // and the ray and sphere queries would skip a leaf whose objects reach into the view or the ray.
    share.reach = ObjectReach(object);
    CPGameObject::ObjectList tree;
    object.CollectObjects(tree);
    for (const CPSmartPtr<CPGameObject>& o : tree) {
        if (o->GetRenderKind() != kRenderObject || !o->IsStatic()) continue;
        CPRenderable* renderable = o->GetRenderable();
        if (!renderable) continue;
        // A shadow pass draws the mesh a second time with the shadow material.
        const int32_t passes = o->HasShadow() ? 2 : 1;
        share.vertexCount += renderable->GetVertexCount() * passes;
        share.indexCount += renderable->GetIndexCount() * passes;
        if (CPSmartPtr<CPMaterial> material = renderable->GetMaterial()) share.materials.push_back(material.Get());
        if (o->HasShadow() && o->GetShadowMaterial()) share.materials.push_back(o->GetShadowMaterial());
    }
    return share;
}

void CPLevelBranch::Build(int32_t depth) {
    // A node built before has let go of its shares.
    if (mObjectShares.size() != mObjects.size()) {
        mObjectShares.clear();
        for (const CPSmartPtr<CPGameObject>& object : mObjects) mObjectShares.push_back(&ShareOf(*object));
    }
    CentreList centres;
    centres.reserve(mObjects.size());
    for (const CPSmartPtr<CPGameObject>& object : mObjects) centres.push_back(object->GetHierarchyBounds().mCentre);
    BuildNode(depth, centres);
    // The shares serve one build: the objects may change once it is done.
    if (depth == 0) mShares->clear();
}

void CPLevelBranch::BuildNode(int32_t depth, const CentreList& centres) {
    bool split = false;
    CentreList firstCentres, secondCentres;
    if (!mObjects.empty()) {
        D3DXVECTOR3 lo = centres.front();
        D3DXVECTOR3 hi = lo;
        for (const D3DXVECTOR3& c : centres) {
            lo = D3DXVECTOR3(Least(lo.x, c.x), Least(lo.y, c.y), Least(lo.z, c.z));
            hi = D3DXVECTOR3(Greatest(hi.x, c.x), Greatest(hi.y, c.y), Greatest(hi.z, c.z));
        }
        const D3DXVECTOR3 mid = (lo + hi) / 2.0f;

        // A candidate's halves are runs of places in mObjects, weighed by their material counts alone;
        // only the chosen pair is made into nodes (made ones would bake nothing new: the tree's root
        // baked every object).
        std::vector<const CPMaterial*> seen;
        const auto materialCount = [&](const uint32_t* places, size_t count) {
            seen.clear();
            for (size_t k = 0; k < count; ++k) AddDistinct(seen, mObjectShares[places[k]]->materials);
            return seen.size();
        };
        // The axes whose mid-plane leaves objects on both sides; a lone one is chosen without weighing.
        // Each axis has room for n places above and n below; every place is written to both and counted
        // in one, so the split takes no branch per object.
        const size_t n = mObjects.size();
        const auto places = std::make_unique_for_overwrite<uint32_t[]>(6 * n);
        struct Halves {
            const uint32_t* above;
            size_t aboveCount;
            const uint32_t* rest;
            size_t restCount;
        };
        std::array<Halves, 3> candidates{};
        size_t candidateCount = 0;
        for (int axis = 0; axis < 3; ++axis) {
            uint32_t* above = places.get() + 2 * static_cast<size_t>(axis) * n;
            uint32_t* rest = above + n;
            const float plane = Axis(mid, axis);
            size_t aboveCount = 0, restCount = 0;
            for (size_t i = 0; i < n; ++i) {
                const bool isAbove = Axis(centres[i], axis) > plane;
                above[aboveCount] = static_cast<uint32_t>(i);
                rest[restCount] = static_cast<uint32_t>(i);
                aboveCount += isAbove ? 1 : 0;
                restCount += isAbove ? 0 : 1;
            }
            if (aboveCount != 0 && restCount != 0) candidates[candidateCount++] = {above, aboveCount, rest, restCount};
        }
        const Halves* chosen = nullptr;
        size_t chosenMaterials = 0;
        for (size_t k = 0; k < candidateCount; ++k) {
            const Halves& halves = candidates[k];
            const size_t materials = candidateCount == 1 ? 0
                                                         : materialCount(halves.above, halves.aboveCount) +
                                                               materialCount(halves.rest, halves.restCount);
            if (chosen && materials >= chosenMaterials) continue;
            chosen = &halves;
            chosenMaterials = materials;
        }
        if (chosen) {
            // A node built before lets go of its earlier children.
            delete mFirst;
            delete mSecond;
            mFirst = MakeChild(chosen->above, chosen->aboveCount, centres, firstCentres);
            mSecond = MakeChild(chosen->rest, chosen->restCount, centres, secondCentres);
            split = true;
        } else {
            // The objects' counts end where the holds of weighed lists would leave them: at 0 (a chosen
            // pair passes them on to its nodes, whose own builds do the same).
            for (const CPSmartPtr<CPGameObject>& object : mObjects) object->Release();
        }
        mObjectShares.clear();
    }
    if (split) {
        mFirst->BuildNode(depth + 1, firstCentres);
        mSecond->BuildNode(depth + 1, secondCentres);
        return;
    }
    if (mFirst && !mObjects.empty()) {
        // Children of an earlier build that no split replaced.
        mFirst->Build(depth + 1);
        mSecond->Build(depth + 1);
        return;
    }
    ListBonusObjects();
}

void CPLevelBranch::ListBonusObjects() {
    for (const CPSmartPtr<CPGameObject>& object : mObjects) {
        CPTokenizer tokens(object->GetParameterText(), "_", true);
        std::string first;
        if (!tokens.NextToken(first) || first != kBonusToken) continue;
        mBonusObjects.push_back(object);
        const D3DXMATRIX& world = object->GetWorldMatrix();
        mBonusPositions.emplace_back(world._41, world._42, world._43);
    }
}

int32_t CPLevelBranch::QueueVisible(const CPPerspectiveCamera& camera, float /*distance*/) {
    CPSmartPtr<CPRenderQueue> queue = gRenderer ? gRenderer->GetDrawQueue() : CPSmartPtr<CPRenderQueue>();
    if (queue) QueueVisibleInto(camera, *queue, camera.GetEye());
    return kQueueResult;
}

void CPLevelBranch::QueueVisibleInto(const CPPerspectiveCamera& camera, CPRenderQueue& queue, const D3DXVECTOR3& eye) {
    if (mObjects.empty() || !camera.IsBoxVisible(mBox.mMinimum, mBox.mMaximum)) return;
    if (IsLeaf()) {
        QueueLeaf(queue, eye);
        return;
    }
    mFirst->QueueVisibleInto(camera, queue, eye);
    mSecond->QueueVisibleInto(camera, queue, eye);
}

CPGameObject* CPLevelBranch::ChooseLevelOfDetail(const CPGameObject& object, float squaredDistance,
                                                 float squaredReach) {
    const std::vector<CPGameObject::LodEntry>& lods = object.GetLodList();
    if (lods.size() <= 1) return const_cast<CPGameObject*>(&object);
    if (squaredDistance > squaredReach) return nullptr;
    float previous = squaredReach;
    for (size_t k = lods.size() - 1; k >= 1; --k) {
        const float switchDistance = static_cast<float>(lods[k].switchDistance);
        const float squaredSwitch = switchDistance * switchDistance;
        if (squaredDistance <= previous && squaredDistance > squaredSwitch) return lods[k].object.Get();
        previous = squaredSwitch;
    }
    return const_cast<CPGameObject*>(&object);
}

void CPLevelBranch::QueueLeaf(CPRenderQueue& queue, const D3DXVECTOR3& eye) {
    if (gRenderer) gRenderer->mQueuedObjectCount += static_cast<int32_t>(mObjects.size());
    for (const CPSmartPtr<CPGameObject>& object : mDynamicObjects) queue.AddObjectTree(object);

    // The square of the setting in 64 bits: a large "distance" must not overflow.
    const float squaredReach = static_cast<float>(static_cast<int64_t>(gSettings::distance) * gSettings::distance);
    for (const CPSmartPtr<CPGameObject>& object : mStaticObjects) {
        const D3DXVECTOR3 d = object->GetPosition() - eye;
        const float squaredDistance = d.x * d.x + d.y * d.y + d.z * d.z;
        if (CPGameObject* chosen = ChooseLevelOfDetail(*object, squaredDistance, squaredReach))
            queue.AddObjectTree(chosen);
    }
}

bool CPLevelBranch::RayQuery(CPRayQuery& query) {
    // The box is tested with the ray's own reach: nothing else of the query is current yet.
    if (!(query.length > 0.0f) || mObjects.empty()) return false;
    if (!mBox.IntersectSegment(query.origin, query.direction, query.length)) return false;
    if (!IsLeaf()) {
        const bool first = mFirst->RayQuery(query);
        const bool second = mSecond->RayQuery(query);
        return first || second;
    }
    bool hit = false;
    for (const CPSmartPtr<CPGameObject>& object : mObjects)
        if (object->RayQuery(query)) hit = true;
    return hit;
}

void CPLevelBranch::CollectInSphere(const D3DXVECTOR3& centre, float radius, ObjectList& result) const {
    if (mObjects.empty() || !mBox.IntersectSphere(centre, radius)) return;
    if (!IsLeaf()) {
        mFirst->CollectInSphere(centre, radius, result);
        mSecond->CollectInSphere(centre, radius, result);
        return;
    }
    for (const CPSmartPtr<CPGameObject>& object : mObjects)
        if (object->GetCollisionBounds().IntersectSphere(centre, radius)) result.push_back(object);
}

void CPLevelBranch::DeactivateDynamic() {
    for (const CPSmartPtr<CPGameObject>& object : mDynamicObjects) object->Deactivate();
}
