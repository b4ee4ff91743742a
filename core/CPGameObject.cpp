#include "core/CPGameObject.h"

#include <algorithm>
#include <atomic>
#include <unordered_set>

#include "Render/PAnimatedObject.h"
#include "Render/PEffectSpawner.h"
#include "Render/PMaterial.h"
#include "Render/PParticleSystem.h"
#include "Render/PPartAnimation.h"
#include "Render/PRenderObject.h"
#include "core/CPCommandTask.h"
#include "core/CPTask.h"
#include "core/BitExact.h"
#include "core/CPTaskKernel.h"
#include "core/ObjectAddress.h"
#include "core/ServiceGlobals.h"
#include "core/StringUtils.h"
#include "core/files/XmlFile.h"
#include "simulation/enemies/CPEnemyBrain.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/vehicle/CPCar.h"

namespace {

// The last tree stamp given out (see GetTreeStamp).
std::atomic<uint64_t> gLastTreeStamp{0};

uint64_t NextTreeStamp() { return gLastTreeStamp.fetch_add(1, std::memory_order_relaxed) + 1; }

void AddToKernel(CPTask* task, int32_t priority) {
    task->SetPriority(priority);
    if (gTaskKernel) gTaskKernel->AddTask(task);
}

}  // namespace

CPGameObject::CPGameObject(const std::string& name)
    : mAnimations(kAnimationBuckets), mTreeStamp(NextTreeStamp()), mName(name) {
    D3DXMatrixIdentity(&mParentWorld);
    D3DXMatrixIdentity(&mLocal);
    D3DXMatrixIdentity(&mWorld);
    D3DXQuaternionIdentity(&mRotation);
}

CPGameObject::~CPGameObject() {
    if (mCurrentAnimation && !gObjectRegistry::Contains(mCurrentAnimation.Get())) mCurrentAnimation.Forget();
    if (mRenderPart && !gObjectRegistry::Contains(mRenderPart.Get())) {
        mRenderPart.Forget();
        mRenderable = nullptr;
    }
    if (mRenderable) mRenderable->DetachOwner(this);
    CPGameObject::Deactivate();
    ForgetPhysicsObject(this);

    if (mParent) mParent->Unlink(this, true);
    for (auto& child : mChildren) child->mParent = nullptr;
    if (mRenderKind == kRenderParticles && mRenderPart) {
        if (auto* system = dynamic_cast<CPTask*>(mRenderPart.Get())) system->Stop();
    }
    if (mController) {
        auto& objects = mController->mControlledObjects;
        objects.erase(std::remove(objects.begin(), objects.end(), this), objects.end());
        mController = nullptr;
    }

    // Level-of-detail links both ways: holders drop their entries for this object, copies forget us.
    for (CPGameObject* holder : mLodHolders) {
        for (size_t i = 0; i < holder->mLodList.size(); ++i) {
            if (holder->mLodList[i].object.Get() == this) holder->mLodList[i].object.Forget();
        }
    }
    for (size_t i = 0; i < mLodList.size(); ++i) {
        CPGameObject* copy = mLodList[i].object.Get();
        if (copy == this) {
            mLodList[i].object.Forget();
        } else if (copy) {
            auto& holders = copy->mLodHolders;
            auto it = std::find(holders.begin(), holders.end(), this);
            if (it != holders.end()) holders.erase(it);
        }
    }
    // Let go of the levels now: one this object adopted dies in DeleteOwned below, before the list would.
    for (LodEntry& entry : mLodList) ReleaseIfAlive(entry.object);

    ReleaseIfAlive(mShadowMaterial);
    ReleaseIfAlive(mCar);
    ReleaseIfAlive(mPhysicData);
    ReleaseIfAlive(mRenderPart);
    ReleaseIfAlive(mMaterial);
    ReleaseIfAlive(mCurrentAnimation);
    for (auto& entry : mAnimations) ReleaseIfAlive(entry.second);
    mAnimations.clear();
    DeleteOwned();
}

void CPGameObject::DeleteOwned() {
    // The links go first: a deleted child or part must not be released through its freed memory later.
    std::vector<CPGameObject*> children;
    for (const auto& child : mChildren)
        if (child->mDeletedWithParent) children.push_back(child.Get());
    mChildIndex.clear();
    mChildren.clear();
    for (CPGameObject* child : children) delete child;

    std::vector<CPRefObject*> parts;
    parts.swap(mOwnedParts);
    for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
        if (gObjectRegistry::Contains(*it)) delete *it;
    }
}

void CPGameObject::Adopt(CPRefObject* part) {
    if (!part || part == this) return;
    if (std::find(mOwnedParts.begin(), mOwnedParts.end(), part) == mOwnedParts.end()) mOwnedParts.push_back(part);
}

void CPGameObject::CollectObjects(ObjectList& objects) {
    objects.emplace_back(this);
    for (size_t i = 0; i < mChildren.size(); ++i) mChildren[i]->CollectObjects(objects);
}

void CPGameObject::Activate(int32_t priority) {
    if (mActive) return;
    mActive = true;
    if (mCurrentAnimation) AddToKernel(mCurrentAnimation.Get(), priority);
    if (mRenderKind == kRenderParticles && mVisible) {
        auto* system = dynamic_cast<CPTask*>(mRenderPart.Get());
        if (system && !system->IsRunning()) AddToKernel(system, priority);
    }
    // By index and raw pointer: an activation may add children, and a smart copy would reset counts.
    for (size_t i = 0; i < mChildren.size(); ++i) mChildren[i].Get()->Activate(priority);
    if (mController) {
        AddToKernel(mController, priority);
        AddRef();
        PostCommand(mController, "add_object", AddressToText(this));
    }
}

void CPGameObject::Deactivate() {
    if (!mActive) return;
    if (mRenderKind == kRenderParticles) {
        if (auto* system = dynamic_cast<CPTask*>(mRenderPart.Get())) system->Stop();
    }
    mActive = false;
    if (mCurrentAnimation) mCurrentAnimation->Stop();
    for (size_t i = 0; i < mChildren.size(); ++i) mChildren[i].Get()->Deactivate();
    if (mController) PostCommand(mController, "delete_object", AddressToText(this));
}

void CPGameObject::OnAnimationEnd() {
    if (mController) PostCommand(mController, "animation_end", AddressToText(this));
}

// ---------------------------------------------------------------- tree

bool CPGameObject::IsAncestorOrSelf(const CPGameObject* object) const {
    for (const CPGameObject* node = this; node; node = node->mParent)
        if (node == object) return true;
    return false;
}

bool CPGameObject::AddChild(CPSmartPtr<CPGameObject> child) {
    if (!child || IsAncestorOrSelf(child.Get())) return false;
    CPGameObject* raw = child.Get();
    if (raw->mParent == this) {
        // Already a child: it only becomes the indexed child of its name again.
        mChildIndex[raw->mName] = child;
        TouchTree();
        return true;
    }
    if (raw->mParent) raw->mParent->Unlink(raw, false);
    raw->mParent = this;
    mChildren.push_back(child);
    mChildIndex[raw->mName] = child;
    mShapeChanged = true;
    TouchTree();
    return true;
}

bool CPGameObject::AddOwnedChild(CPSmartPtr<CPGameObject> child) {
    if (!AddChild(child)) return false;
    child->mDeletedWithParent = true;
    return true;
}

bool CPGameObject::RemoveChild(CPGameObject* child) {
    if (!child || child->mParent != this) return false;
    Unlink(child, false);
    return true;
}

void CPGameObject::Unlink(CPGameObject* child, bool childDying) {
    auto it = std::find_if(mChildren.begin(), mChildren.end(), [child](const auto& c) { return c.Get() == child; });
    if (it != mChildren.end()) {
        if (childDying) it->Forget();
        mChildren.erase(it);
        mShapeChanged = true;
    }
    auto indexed = mChildIndex.find(child->mName);
    if (indexed != mChildIndex.end() && indexed->second.Get() == child) {
        if (childDying) indexed->second.Forget();
        ReindexName(child->mName);
    }
    child->mParent = nullptr;
    TouchTree();
}

void CPGameObject::TouchTree() {
    const uint64_t stamp = NextTreeStamp();
    for (CPGameObject* node = this; node; node = node->mParent) node->mTreeStamp = stamp;
}

void CPGameObject::ReindexName(const std::string& name) {
    for (auto it = mChildren.rbegin(); it != mChildren.rend(); ++it) {
        if ((*it)->mName == name) {
            mChildIndex[name] = *it;
            return;
        }
    }
    mChildIndex.erase(name);
}

CPSmartPtr<CPGameObject> CPGameObject::FindObject(const std::string& name) const {
    auto it = mChildIndex.find(name);
    if (it != mChildIndex.end()) return it->second;
    for (const auto& child : mChildren) {
        CPSmartPtr<CPGameObject> found = child->FindObject(name);
        if (found) return found;
    }
    return CPSmartPtr<CPGameObject>();
}

CPSmartPtr<CPGameObject> CPGameObject::GetChild(const std::string& name) const {
    auto it = mChildIndex.find(name);
    return it != mChildIndex.end() ? it->second : CPSmartPtr<CPGameObject>();
}

// ---------------------------------------------------------------- level of detail

bool CPGameObject::LinksAreSound() const {
    const auto isThis = [this](const CPSmartPtr<CPGameObject>& object) { return object.Get() == this; };
    if (mParent && std::none_of(mParent->mChildren.begin(), mParent->mChildren.end(), isThis)) return false;
    std::unordered_set<const CPGameObject*> children;
    for (const auto& child : mChildren) {
        if (!child || child->mParent != this || !children.insert(child.Get()).second) return false;
        if (mChildIndex.count(child->mName) == 0) return false;
    }
    for (const auto& [name, child] : mChildIndex)
        if (!child || child->mName != name || children.count(child.Get()) == 0) return false;
    for (const LodEntry& entry : mLodList) {
        const CPGameObject* copy = entry.object.Get();
        if (!copy || copy == this) continue;
        const auto& holders = copy->mLodHolders;
        if (std::find(holders.begin(), holders.end(), this) == holders.end()) return false;
    }
    for (const CPGameObject* holder : mLodHolders) {
        const auto namesThis = [this](const LodEntry& entry) { return entry.object.Get() == this; };
        if (!holder || std::none_of(holder->mLodList.begin(), holder->mLodList.end(), namesThis)) return false;
    }
    return true;
}

bool CPGameObject::LodChainReaches(const CPGameObject* object) const {
    if (object == this) return true;
    for (size_t i = 1; i < object->mLodList.size(); ++i) {
        const CPGameObject* next = object->mLodList[i].object.Get();
        if (next && LodChainReaches(next)) return true;
    }
    return false;
}

void CPGameObject::AddLodLevel(CPSmartPtr<CPGameObject> object, int32_t switchDistance) {
    CPGameObject* raw = object.Get();
    // Only the first entry may be the object itself; a copy leading back here would loop every move.
    if (raw && !mLodList.empty() && LodChainReaches(raw)) return;
    if (raw && raw != this) raw->mLodHolders.push_back(this);
    mLodList.push_back({object, switchDistance});
}

// ---------------------------------------------------------------- transform

void CPGameObject::SetPosition(const D3DXVECTOR3& position) {
    ForEachLodCopy([&](CPGameObject& copy) { copy.SetPosition(position); });
    mPosition = position;
    MarkDirty();
    if (mPhysicData) mPhysicData->SetPosition(position);
}

void CPGameObject::SetRotation(const D3DXQUATERNION& rotation) {
    ForEachLodCopy([&](CPGameObject& copy) { copy.SetRotation(rotation); });
    mRotation = rotation;
    MarkDirty();
    if (mPhysicData) mPhysicData->SetRotation(rotation);
}

void CPGameObject::FollowBody(const D3DXVECTOR3& position, const D3DXQUATERNION& rotation) {
    if (RestsAt(position, rotation)) return;
    ForEachLodCopy([&](CPGameObject& copy) { copy.FollowBody(position, rotation); });
    mPosition = position;
    mRotation = rotation;
    MarkDirty();
}

// Bit for bit: a zero of the other sign would change the signs of zeros in the matrices.
bool CPGameObject::RestsAt(const D3DXVECTOR3& position, const D3DXQUATERNION& rotation) const {
    if (!SameBits(mPosition, position) || !SameBits(mRotation, rotation) || !IsUpToDate()) return false;
    for (size_t i = 1; i < mLodList.size(); ++i)
        if (const CPGameObject* copy = mLodList[i].object.Get(); copy && !copy->RestsAt(position, rotation))
            return false;
    return true;
}

bool CPGameObject::IsUpToDate() const {
    if (mDirty || mShapeChanged) return false;
    for (const auto& child : mChildren)
        if (!child->IsUpToDate()) return false;
    for (size_t i = 1; i < mLodList.size(); ++i)
        if (const CPGameObject* copy = mLodList[i].object.Get(); copy && !copy->IsUpToDate()) return false;
    return true;
}

void CPGameObject::MarkDirty() {
    mWorldMatrixChanged = false;
    mDirty = true;
}

void CPGameObject::SetParentWorldMatrix(const D3DXMATRIX& matrix) {
    mParentWorld = matrix;
    MarkDirty();
}

void CPGameObject::UpdateTransform() {
    if (!mDirty) return;
    ForEachLodCopy([](CPGameObject& copy) { copy.UpdateTransform(); });

    if (!mLocalMade || !SameBits(mLocalPosition, mPosition) || !SameBits(mLocalRotation, mRotation)) {
        D3DXMATRIX rotation, translation;
        D3DXMatrixRotationQuaternion(&rotation, &mRotation);
        D3DXMatrixTranslation(&translation, mPosition.x, mPosition.y, mPosition.z);
        D3DXMatrixMultiply(&mLocal, &rotation, &translation);
        mLocalPosition = mPosition;
        mLocalRotation = mRotation;
        mLocalMade = true;
    }
    MultiplyMatricesInLanes(mWorld.m, mLocal.m, mParentWorld.m);

    for (CPBoundingBox& box : mCollisionBoxes) {
        MultiplyMatricesInLanes(box.mWorldPlacement.m, box.mLocalPlacement.m, mWorld.m);
        box.Transform();
    }
    MultiplyMatricesInLanes(mMainBox.mWorldPlacement.m, mMainBox.mLocalPlacement.m, mWorld.m);
    mMainBox.Transform();

    mHierarchyBounds.FromBoundingBox(mMainBox);
    mCollisionBounds.FromBoxes(mCollisionBoxes);
    for (size_t i = 0; i < mChildren.size(); ++i) {
        CPGameObject* child = mChildren[i].Get();
        child->mParentWorld = mWorld;
        child->MarkDirty();
        child->UpdateTransform();
        mCollisionBounds.Merge(child->mCollisionBounds);
        mHierarchyBounds.Include(child->mHierarchyBounds);
    }
    if (mShadow) mHierarchyBounds.Adjust();
    mHierarchyBounds.UpdateCentre();
    mWorldMatrixChanged = true;
    mDirty = false;
    mShapeChanged = false;
}

// ---------------------------------------------------------------- bounds and ray query

void CPGameObject::SetBoundingBox(const CPBoundingBox& box) {
    mMainBox = box;
    mShapeChanged = true;
    mHierarchyBounds.FromBoundingBox(mMainBox);
}

bool CPGameObject::RayQuery(CPRayQuery& query) {
    if (!mCollidable || this == query.ignored) return false;
    if (!mCollisionBounds.IntersectSegment(query.origin, query.direction, query.length)) return false;
    bool hit = false;
    for (const CPBoundingBox& box : mCollisionBoxes) {
        if (box.IntersectRay(query.origin, query.direction, query.length, query.hitPlane)) hit = true;
    }
    if (hit) {
        query.hitObject = this;
        query.hitOwner = GetControllerOwner();
        query.hitPoint = query.origin + query.direction * query.length;
    }
    for (size_t i = 0; i < mChildren.size(); ++i) {
        if (mChildren[i].Get()->RayQuery(query)) hit = true;
    }
    return hit;
}

// ---------------------------------------------------------------- flags

void CPGameObject::SetStaticRecursive(bool isStatic) {
    mStatic = isStatic;
    ForEachLodCopy([&](CPGameObject& copy) { copy.SetStaticRecursive(isStatic); });
}

void CPGameObject::SetShadowRecursive(bool shadow) {
    mShadow = shadow;
    mShapeChanged = true;
    for (size_t i = 0; i < mChildren.size(); ++i) mChildren[i].Get()->SetShadowRecursive(shadow);
    ForEachLodCopy([&](CPGameObject& copy) { copy.SetShadowRecursive(shadow); });
}

void CPGameObject::ClearStaticSubtree() {
    mStatic = false;
    for (size_t i = 0; i < mChildren.size(); ++i) mChildren[i].Get()->ClearStaticSubtree();
}

// ---------------------------------------------------------------- controller and events

CPSmartPtr<CPCommandTask> CPGameObject::GetController() const { return CPSmartPtr<CPCommandTask>(mController); }

void CPGameObject::SetController(CPSmartPtr<CPCommandTask> controller) {
    if (!controller) return;
    ClearStaticSubtree();
    AttachController(controller.Get());
}

void CPGameObject::AttachController(CPCommandTask* controller) {
    if (controller == mController) return;
    DetachController();
    mController = controller;
    if (controller) controller->mControlledObjects.push_back(this);
}

void CPGameObject::DetachController() {
    if (!mController) return;
    auto& objects = mController->mControlledObjects;
    auto it = std::find(objects.begin(), objects.end(), this);
    if (it != objects.end()) objects.erase(it);
    mController = nullptr;
}

CPSmartPtr<CPGameObject> CPGameObject::GetControllerOwner() {
    CPGameObject* node = this;
    while (!node->mController && node->mParent) node = node->mParent;
    return CPSmartPtr<CPGameObject>(node);
}

void CPGameObject::Damage(const D3DXVECTOR3& point, const D3DXVECTOR3& direction, float amount, int32_t extra,
                          bool quiet) {
    if (mController && !quiet) PostCommand(mController, "damage", FormatTwoDecimals(amount));
    if (mEnemyBrain) mEnemyBrain->TakeDamage(point, direction, amount, extra != 0, quiet);
}

void CPGameObject::NotifyEnemyAnimation() {
    if (mEnemyBrain) mEnemyBrain->ChooseAnimation();
}

void CPGameObject::NotifyEnemyAttack() {
    if (mEnemyBrain) mEnemyBrain->Update();
}

// ---------------------------------------------------------------- parts held

CPRenderObject* CPGameObject::GetRenderObject() const {
    return mRenderKind == kRenderObject ? static_cast<CPRenderObject*>(mRenderable) : nullptr;
}

bool CPGameObject::SetRenderPart(CPRefObject* part, RenderKind kind) {
    CPRenderable* renderable = nullptr;
    switch (kind) {
    case kRenderObject:
        renderable = dynamic_cast<CPRenderObject*>(part);
        if (part && !renderable) return false;
        break;
    case kRenderAnimated:
    case kRenderSprite:
        renderable = dynamic_cast<CPRenderable*>(part);
        if (part && !renderable) return false;
        break;
    case kRenderLight:
        break;
    case kRenderParticles:
        if (!dynamic_cast<CPTask*>(part)) return false;
        break;
    case kRenderNone:
        if (part) return false;
        break;
    default:
        return false;
    }
    if (mRenderable && mRenderable != renderable) mRenderable->DetachOwner(this);
    mRenderPart = part;
    mRenderKind = kind;
    mRenderable = renderable;
    return true;
}

void CPGameObject::SetPhysicData(CPPhysicData* data) { mPhysicData = data; }

CPSmartPtr<CPCar> CPGameObject::GetCar() const { return mCar; }

void CPGameObject::SetCar(CPCar* car) { mCar = car; }

void CPGameObject::SetCurrentAnimation(CPTask* animation) { mCurrentAnimation = animation; }

void CPGameObject::SetMaterial(CPMaterial* material) { mMaterial = material; }

void CPGameObject::AttachFlame(float strength) {
    CPParticleSystem* prototype =
        mFlameType >= 0 && gEmitterTable ? gEmitterTable->GetFlamePrototype(mFlameType) : nullptr;
    CPSmartPtr<CPTask> clone = prototype ? prototype->Clone() : CPSmartPtr<CPTask>();
    if (auto* system = dynamic_cast<CPParticleSystem*>(clone.Get())) {
        AddToKernel(system, kFlamePriority);
        auto* flame = new CPGameObject("flame");
        flame->SetRenderPart(system, kRenderParticles);
        flame->Adopt(system);
        system->SetHolder(flame);
        AddOwnedChild(flame);
        SetPosition(mPosition);
        UpdateTransform();
        mFlameType = -1;
    }
    for (size_t i = 0; i < mChildren.size(); ++i) mChildren[i].Get()->AttachFlame(strength);
}

void CPGameObject::SetShadowMaterial(CPMaterial* material) { mShadowMaterial = material; }

void CPGameObject::ApplyMaterial() {
    if (mMaterial) {
        if (CPRenderObject* mesh = GetRenderObject()) {
            mesh->SetMaterial(mMaterial);
        } else if (mRenderKind == kRenderAnimated) {
            if (auto* animated = dynamic_cast<CPAnimatedObject*>(mRenderPart.Get())) animated->SetMaterial(mMaterial);
        }
    }
    for (size_t i = 0; i < mChildren.size(); ++i) mChildren[i].Get()->ApplyMaterial();
}

// ---------------------------------------------------------------- animations

void CPGameObject::SetAnimation(const std::string& name, CPSmartPtr<CPPartAnimation> animation) {
    if (!animation) return;
    mHasAnimations = true;
    mStatic = false;
    mAnimations[name] = animation;
    if (name == "idle") {
        mCurrentAnimation = animation.Get();
        animation->SetLooping(true);
    }
}

void CPGameObject::PlayAnimation(const CPAnimationRequest& request, bool force) {
    if (mRenderKind == kRenderAnimated) {
        auto* animated = dynamic_cast<CPAnimatedObject*>(mRenderPart.Get());
        if (animated) animated->StartAnimation(request, force);
    }
    for (size_t i = 0; i < mChildren.size(); ++i) mChildren[i].Get()->PlayAnimation(request, force);
}

// ---------------------------------------------------------------- description

bool CPGameObject::LoadDescription() {
    return LoadXmlFile(mDescription, std::string(kDescriptionFolder) + "\\" + mDescriptionName);
}

// ---------------------------------------------------------------- copying

void CPGameObject::Rename(const std::string& name) {
    if (name == mName) return;
    const std::string old = mName;
    mName = name;
    if (mParent) {
        // The index keeps the latest child of each name: both names are looked up again.
        mParent->ReindexName(old);
        mParent->ReindexName(name);
        mParent->TouchTree();
    }
}

void CPGameObject::CopyRenderPart(const CPGameObject& source) {
    CPRefObject* from = source.mRenderPart.Get();
    if (from && !gObjectRegistry::Contains(from)) from = nullptr;
    RenderKind kind = source.mRenderKind;
    CPRefObject* part = nullptr;
    if (auto* renderPart = dynamic_cast<CPRenderPart*>(from)) {
        if (renderPart->GetPartKind() == kind) part = renderPart->CopyFor(this);
    } else if (auto* task = dynamic_cast<CPTask*>(from); task && kind == kRenderParticles) {
        // Any task may be held as the particle kind; one of no render class copies as its own clone.
        part = task->Clone().Get();
    }
    // Kind 4 always has its part: a system that gives no clone leaves the copy an empty node.
    if (kind == kRenderParticles && !part) kind = kRenderNone;
    SetRenderPart(part, kind);
    Adopt(part);
}

void CPGameObject::CopyFrom(CPSmartPtr<CPGameObject> sourcePointer) {
    CPGameObject* source = sourcePointer.Get();
    // Copying an object into itself would clear its description before reading it.
    if (!source || source == this) return;

    mMainBox = source->mMainBox;
    mHierarchyBounds = source->mHierarchyBounds;
    mDescription = source->mDescription;
    CopyRenderPart(*source);

    // The local placement goes with the box: a physics mesh places its collision boxes by it.
    for (const CPBoundingBox& box : source->mCollisionBoxes) {
        mCollisionBoxes.emplace_back(box.mCentre, box.mHalfExtents);
        mCollisionBoxes.back().mLocalPlacement = box.mLocalPlacement;
    }

    for (const auto& [name, animation] : source->mAnimations) {
        if (!gObjectRegistry::Contains(animation.Get())) continue;
        auto* copy = new CPPartAnimation();
        copy->CopyFrom(animation);
        copy->SetOwner(this);
        Adopt(copy);
        SetAnimation(name, copy);
    }

    // A snapshot: the source's children may change while copies are made (the source may hold us).
    const ObjectList sourceChildren = source->mChildren;
    for (const auto& sourceChild : sourceChildren) {
        auto* child = new CPGameObject(sourceChild->mName);
        child->mParent = this;
        child->CopyFrom(sourceChild);
        child->mDeletedWithParent = true;
        mChildren.emplace_back(child);
        mChildIndex[child->mName] = child;
    }
    TouchTree();

    mShadowMaterial = source->mShadowMaterial;
    mMaterial = source->mMaterial;
    AttachController(source->mController);

    mFlameType = source->mFlameType;
    mPosition = source->mPosition;
    mRotation = source->mRotation;
    mParentWorld = source->mParentWorld;
    mLocal = source->mLocal;
    mLocalMade = false;
    mWorld = source->mWorld;
    Rename(source->mName);
    mVisible = source->mVisible;
    mStatic = source->mStatic;
    mShadow = source->mShadow;
    mWorldMatrixChanged = false;
    mDirty = true;

    if (CPPhysicData* physics = source->mPhysicData.Get(); physics && gObjectRegistry::Contains(physics)) {
        auto* copy = new CPPhysicData(this);
        copy->CopyDescription(*physics);
        mPhysicData = copy;
        Adopt(copy);
    }

    UpdateTransform();
}
