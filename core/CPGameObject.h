// The node of the engine's scene: a named object in a tree, placed by a position and a rotation
// relative to its parent, with oriented and axis-aligned bounds, a render part, physics data and a
// controller that hears of its events. Matrices and bounds change only in UpdateTransform.
#pragma once

#include <tinyxml.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/CPAxisBox.h"
#include "core/CPBoundingBox.h"
#include "core/CPRefObject.h"
#include "core/CPRenderPart.h"
#include "core/CPSmartPtr.h"
#include "platform/D3DX9Math.h"

class CPCar;
class CPCommandTask;
class CPEnemyBrain;
class CPMaterial;
class CPPartAnimation;
class CPPhysicData;
class CPRenderable;
class CPRenderObject;
class CPTask;
struct CPAnimationRequest;
struct CPRayQuery;

class CPGameObject : public CPRefObject {
public:
    struct LodEntry {
        CPSmartPtr<CPGameObject> object;  // may be empty
        int32_t switchDistance = 0;
    };
    using ObjectList = std::vector<CPSmartPtr<CPGameObject>>;
    using AnimationMap = std::unordered_map<std::string, CPSmartPtr<CPPartAnimation>>;

    static constexpr uint32_t kDefaultLineColour = 0xff4e4e4e;
    // Buckets the animation map starts with.
    static constexpr size_t kAnimationBuckets = 100;
    // Priority of the particle system of an attached flame.
    static constexpr int32_t kFlamePriority = 200;
    // Folder of the XML descriptions (LoadDescription).
    static constexpr const char* kDescriptionFolder = "Data\\Descriptions";

    explicit CPGameObject(const std::string& name);
    // Deactivates the object, leaves its parent (whose index falls back to an older child of the same
    // name), orphans its children, stops a particle-system render part and lets go of what it holds.
    // Only what it owns (AddOwnedChild, Adopt) is deleted with it.
    ~CPGameObject() override;

    size_t GetSize() const override { return sizeof(CPGameObject); }
    // "CPGameObject - " and the name.
    std::string GetClassName() const override { return "CPGameObject - " + mName; }

    // Appends the object, then the collections of its children: a pre-order walk of the subtree.
    virtual void CollectObjects(ObjectList& objects);
    // Once until the next Deactivate: hands the current animation, a visible idle particle system and
    // the controller to the task kernel with the priority, activates the children, and tells the
    // controller "add_object".
    virtual void Activate(int32_t priority);
    // Once after an Activate: stops the particle system and the current animation, deactivates the
    // children and tells the controller "delete_object" (the controller keeps running).
    virtual void Deactivate();
    // Makes this freshly built object a deep copy of the source tree: boxes, bounds, transform, flags,
    // description document, a new render part of the same kind, new part animations, new children
    // copied the same way and new physics data, all owned by the copy; materials and the controller are
    // shared. A particle system is cloned and held by the copy. The copy starts inactive. Nothing
    // happens for an empty source or the object itself.
    virtual void CopyFrom(CPSmartPtr<CPGameObject> source);
    // Tells the controller "animation_end".
    virtual void OnAnimationEnd();

    // --- tree
    const std::string& GetName() const { return mName; }
    // Changes the name, keeping the parent's index right for both the old and the new name.
    void Rename(const std::string& name);
    CPSmartPtr<CPGameObject> GetParent() const { return CPSmartPtr<CPGameObject>(mParent); }
    // Makes this object the child's parent (taking it from a former parent) and indexes it under its
    // name, in front of an older child of that name. Refuses (false) an empty child, the object itself
    // and any of its ancestors, which would close a loop.
    bool AddChild(CPSmartPtr<CPGameObject> child);
    // AddChild, and the child is deleted with whichever parent holds it when that parent is destroyed
    // (a child deleted earlier simply leaves). For children the object's creator made for the tree.
    bool AddOwnedChild(CPSmartPtr<CPGameObject> child);
    // Takes a direct child out of the children and the index; false when it is not a child.
    bool RemoveChild(CPGameObject* child);
    const ObjectList& GetChildren() const { return mChildren; }
    // The direct child indexed under the name, else the first hit of a depth-first search through the
    // children; the object's own name is never compared. Empty when nothing bears the name.
    CPSmartPtr<CPGameObject> FindObject(const std::string& name) const;
    // The direct child indexed under the name, without a deeper search; empty when none.
    CPSmartPtr<CPGameObject> GetChild(const std::string& name) const;

    // --- level of detail: entry 0 is the object itself, later entries follow its moves
    void AddLodLevel(CPSmartPtr<CPGameObject> object, int32_t switchDistance);
    const std::vector<LodEntry>& GetLodList() const { return mLodList; }

    // Whether the links around this object agree with each other: its parent lists it; each child
    // names it as parent, is listed once and has its name indexed; each index entry is a child of that
    // name; each level-of-detail copy lists it as a holder and each holder lists it as a copy. Only a
    // programming error breaks one (checked by ENGINE_ASSERT at the end of a frame).
    bool LinksAreSound() const;

    // --- transform
    // Set on the object and its linked level-of-detail copies; the matrices follow at the next
    // UpdateTransform. Physics data moves its body at once.
    void SetPosition(const D3DXVECTOR3& position);
    void SetRotation(const D3DXQUATERNION& rotation);
    // The place the object's rigid body reached in a physics step: the object and its level-of-detail
    // copies take it, the body is not moved again. A body that stayed where the object and its copies
    // are (bit for bit) leaves them as they are when their trees are up to date (IsUpToDate): the next
    // UpdateTransform would only compute the same matrices and bounds again.
    void FollowBody(const D3DXVECTOR3& position, const D3DXQUATERNION& rotation);
    const D3DXVECTOR3& GetPosition() const { return mPosition; }
    const D3DXQUATERNION& GetRotation() const { return mRotation; }
    // Recomputes matrices and bounds of a dirty object and its whole subtree; nothing when not dirty.
    void UpdateTransform();
    // The matrix the world matrix is built on (world = local x parent world); marks the object dirty.
    void SetParentWorldMatrix(const D3DXMATRIX& matrix);
    const D3DXMATRIX& GetParentWorldMatrix() const { return mParentWorld; }
    const D3DXMATRIX& GetLocalMatrix() const { return mLocal; }
    const D3DXMATRIX& GetWorldMatrix() const { return mWorld; }
    bool IsDirty() const { return mDirty; }
    // Nothing dirty in the subtree nor in the level-of-detail copies' subtrees, and no child or box
    // changed anywhere in them since their last update.
    bool IsUpToDate() const;
    // Matrix stale until the next update: changed flag cleared, dirty set.
    void MarkDirty();
    // Set by UpdateTransform when it produced a new world matrix; the render object clears it.
    bool IsWorldMatrixChanged() const { return mWorldMatrixChanged; }
    void SetWorldMatrixChanged(bool changed) { mWorldMatrixChanged = changed; }

    // --- bounds
    // Copies every member of the box into the main box, then hierarchy bounds = its extremes.
    void SetBoundingBox(const CPBoundingBox& box);
    const CPBoundingBox& GetBoundingBox() const { return mMainBox; }
    std::vector<CPBoundingBox>& GetCollisionBoxes() { return mCollisionBoxes; }
    const std::vector<CPBoundingBox>& GetCollisionBoxes() const { return mCollisionBoxes; }
    const CPAxisBox& GetCollisionBounds() const { return mCollisionBounds; }
    const CPAxisBox& GetHierarchyBounds() const { return mHierarchyBounds; }
    // The nearest collision box hit along the query's ray in this subtree; see CPRayQuery.
    bool RayQuery(CPRayQuery& query);

    // --- flags
    bool IsActive() const { return mActive; }
    bool IsVisible() const { return mVisible; }
    void SetVisible(bool visible) { mVisible = visible; }
    bool IsStatic() const { return mStatic; }
    void SetStatic(bool isStatic) { mStatic = isStatic; }
    // The object and, recursively, its linked level-of-detail copies; the children are not visited.
    void SetStaticRecursive(bool isStatic);
    bool IsCollidable() const { return mCollidable; }
    void SetCollidable(bool collidable) { mCollidable = collidable; }
    bool HasShadow() const { return mShadow; }
    void SetShadow(bool shadow) {
        mShadow = shadow;
        mShapeChanged = true;
    }
    // The object, then recursively each child and each linked level-of-detail copy.
    void SetShadowRecursive(bool shadow);
    bool HasAnimations() const { return mHasAnimations; }
    int32_t GetFlameType() const { return mFlameType; }
    void SetFlameType(int32_t flameType) { mFlameType = flameType; }

    // --- controller: receives the object's event commands
    CPSmartPtr<CPCommandTask> GetController() const;
    // With a controller: clears the static flag of the whole subtree and stores it (no reference).
    // An empty pointer changes nothing.
    void SetController(CPSmartPtr<CPCommandTask> controller);
    // The nearest object up the parent chain, from this one, that has a controller; the root when none.
    CPSmartPtr<CPGameObject> GetControllerOwner();

    // --- animations
    // Enters the part animation under the name (replacing one of that name), marks the object animated
    // and not static; "idle" also becomes the current animation and loops. An empty animation is ignored.
    void SetAnimation(const std::string& name, CPSmartPtr<CPPartAnimation> animation);
    const AnimationMap& GetAnimations() const { return mAnimations; }
    // Starts the request on an animated render part (see CPAnimatedObject::StartAnimation), then on
    // every child in order.
    void PlayAnimation(const CPAnimationRequest& request, bool force);

    // --- events
    // Tells the controller "damage" with the amount ("%.2f") unless quiet; hands the hit to the enemy
    // behaviour when there is one.
    void Damage(const D3DXVECTOR3& point, const D3DXVECTOR3& direction, float amount, int32_t extra, bool quiet);
    void NotifyEnemyAnimation();
    void NotifyEnemyAttack();
    // Once, when the flame type names a flame prototype of gEmitterTable: a clone of it runs at
    // kFlamePriority under a new owned child "flame" (render kind 4), and the flame type becomes -1; a
    // type that names no prototype attaches nothing and stays. Then the same on every child. The
    // strength is only handed on.
    void AttachFlame(float strength);
    // Gives the object's material to a mesh or animated render part, then does the same in every child.
    void ApplyMaterial();
    // Loads kDescriptionFolder\<description name> into the description document; false when the file is
    // missing, empty or malformed (the document then holds the error).
    bool LoadDescription();

    // --- parts held
    RenderKind GetRenderKind() const { return mRenderKind; }
    CPRefObject* GetRenderPart() const { return mRenderPart.Get(); }
    // The render part as a renderable (kinds 0, 1 and 3); null for the other kinds.
    CPRenderable* GetRenderable() const { return mRenderable; }
    // The render part as a plain mesh (kind 0); null for the other kinds.
    CPRenderObject* GetRenderObject() const;
    // Installs the part under its kind. Refused (false, nothing changes) when the part's class does not
    // fit: kind 0 takes a CPRenderObject, 1 and 3 a renderable, 4 a task and never null, 5 no part.
    // A replaced renderable no longer follows this object (its owner link is dropped).
    bool SetRenderPart(CPRefObject* part, RenderKind kind);
    CPPhysicData* GetPhysicData() const { return mPhysicData.Get(); }
    void SetPhysicData(CPPhysicData* data);
    CPSmartPtr<CPCar> GetCar() const;
    void SetCar(CPCar* car);
    CPEnemyBrain* GetEnemyBrain() const { return mEnemyBrain; }
    void SetEnemyBrain(CPEnemyBrain* brain) { mEnemyBrain = brain; }
    CPTask* GetCurrentAnimation() const { return mCurrentAnimation.Get(); }
    void SetCurrentAnimation(CPTask* animation);
    CPMaterial* GetMaterial() const { return mMaterial.Get(); }
    void SetMaterial(CPMaterial* material);
    CPMaterial* GetShadowMaterial() const { return mShadowMaterial.Get(); }
    void SetShadowMaterial(CPMaterial* material);
    // Hands a part made for this object (render part, animation, physics data...) to it for good: the
    // part is deleted after this object's destructor has let go of it, unless it died before.
    void Adopt(CPRefObject* part);

    // --- description data
    TiXmlDocument& GetDescription() { return mDescription; }
    const std::string& GetParameterText() const { return mParameterText; }
    void SetParameterText(const std::string& text) { mParameterText = text; }
    const std::string& GetDescriptionName() const { return mDescriptionName; }
    void SetDescriptionName(const std::string& name) { mDescriptionName = name; }
    const std::string& GetSourceName() const { return mSourceName; }
    void SetSourceName(const std::string& name) { mSourceName = name; }
    std::vector<D3DXVECTOR3>& GetLinePoints() { return mLinePoints; }
    uint32_t GetLineColour() const { return mLineColour; }
    void SetLineColour(uint32_t colour) { mLineColour = colour; }

protected:
    // The held car without taking a reference, for the subclasses that drive it.
    CPCar* CarObject() const { return mCar.Get(); }

private:
    friend class CPCommandTask;

    // Stores the controller and links it back to this object, unlinking the previous one.
    void AttachController(CPCommandTask* controller);
    // Called by a controller that is being destroyed.
    void DetachController();
    // Takes the child out of the children and the index; a dying child is let go without a call on it.
    void Unlink(CPGameObject* child, bool childDying);
    // Index entry for `name` after a child of that name left: the latest remaining one, or none.
    void ReindexName(const std::string& name);
    // Whether `object`'s level-of-detail copies lead back to this object.
    bool LodChainReaches(const CPGameObject* object) const;
    void ClearStaticSubtree();
    // Calls f on every linked level-of-detail copy (the entries after the first that are not empty).
    template <class F>
    void ForEachLodCopy(F f) {
        for (size_t i = 1; i < mLodList.size(); ++i)
            if (CPGameObject* copy = mLodList[i].object.Get()) f(*copy);
    }
    bool IsAncestorOrSelf(const CPGameObject* object) const;
    // Whether the object and its copies stand at the pose (bit for bit) with up-to-date trees.
    bool RestsAt(const D3DXVECTOR3& position, const D3DXQUATERNION& rotation) const;
    // The new render part of a copy, made from the source's part of the same kind.
    void CopyRenderPart(const CPGameObject& source);
    // Deletes the owned children and the adopted parts (the destructor's last step).
    void DeleteOwned();

    std::vector<LodEntry> mLodList;
    // Objects whose LOD lists name this one (plain: the links are undone when either side dies).
    std::vector<CPGameObject*> mLodHolders;
    TiXmlDocument mDescription;
    int32_t mFlameType = -1;  // index of the flame prototype to attach; -1: none
    bool mActive = false;
    bool mHasAnimations = false;
    AnimationMap mAnimations;
    CPSmartPtr<CPTask> mCurrentAnimation;  // runs while the object is active
    CPAxisBox mCollisionBounds;  // world bounds of the collision boxes and the children's collision bounds
    CPAxisBox mHierarchyBounds;  // world bounds of the main box, the children's hierarchy bounds, the shadow
    CPBoundingBox mMainBox;
    std::vector<CPBoundingBox> mCollisionBoxes;  // tested by the ray query
    D3DXMATRIX mParentWorld;
    D3DXMATRIX mLocal;  // rotation, then translation
    D3DXMATRIX mWorld;  // local x parent world
    D3DXVECTOR3 mPosition;       // relative to the parent
    D3DXQUATERNION mRotation;    // relative to the parent
    bool mDirty = true;          // the matrices must be recomputed
    // A child came or went, or the main box or shadow flag was replaced, since the last update: the
    // bounds wait for an update even though no pose changed.
    bool mShapeChanged = true;
    ObjectList mChildren;        // insertion order
    // Direct children by name; the latest child of a name holds the entry. Never holds empty entries.
    std::unordered_map<std::string, CPSmartPtr<CPGameObject>> mChildIndex;
    CPGameObject* mParent = nullptr;  // not owned; null for a root
    std::string mName;                // not unique
    bool mVisible = true;
    bool mStatic = true;  // part of the level's static partition
    CPCommandTask* mController = nullptr;  // not owned; unhooks itself when destroyed
    bool mCollidable = true;
    std::string mParameterText;
    std::string mDescriptionName;
    CPEnemyBrain* mEnemyBrain = nullptr;  // not owned
    CPSmartPtr<CPMaterial> mShadowMaterial;  // extra material of "holey.fx" objects
    CPSmartPtr<CPMaterial> mMaterial;        // given to the render part by ApplyMaterial
    std::vector<D3DXVECTOR3> mLinePoints;
    uint32_t mLineColour = kDefaultLineColour;
    std::string mSourceName;  // render description the object was built from
    bool mWorldMatrixChanged = true;
    bool mShadow = true;  // hierarchy bounds include the shadow
    CPSmartPtr<CPRefObject> mRenderPart;
    RenderKind mRenderKind = kRenderNone;
    CPRenderable* mRenderable = nullptr;  // mRenderPart as a renderable for kinds 0, 1 and 3; else null
    CPSmartPtr<CPPhysicData> mPhysicData;
    CPSmartPtr<CPCar> mCar;
    bool mDeletedWithParent = false;  // added by AddOwnedChild
    std::vector<CPRefObject*> mOwnedParts;  // adopted; deleted last, in reverse order
};

// A ray test through a tree of game objects (CPGameObject::RayQuery): the caller fills origin,
// direction, length and the ignored object; the query leaves the nearest hit.
struct CPRayQuery {
    CPGameObject* ignored = nullptr;     // skipped with its subtree; not owned
    CPSmartPtr<CPGameObject> hitObject;  // the object whose collision box was hit last (the nearest)
    CPSmartPtr<CPGameObject> hitOwner;   // GetControllerOwner of the hit object
    D3DXVECTOR3 hitPoint;                // origin + direction x length at the nearest hit
    // In: the greatest distance to test; out: the distance of the nearest hit. In units of direction.
    float length = 0.0f;
    D3DXPLANE hitPlane;  // face plane of the nearest hit (unnormalised, pointing out)
    D3DXVECTOR3 origin;
    D3DXVECTOR3 direction;
};
