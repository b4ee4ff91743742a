// A node of the level partition: a binary tree over the level's placed objects, split at each node on
// the axis whose halves use the fewest materials, so that leaves draw with few material changes. Each
// frame it culls against the view and queues the visible objects with a level of detail by distance; it
// answers ray and sphere queries; with the "static" setting it bakes the static objects once into the
// renderer's branch queue.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/CPAxisBox.h"
#include "core/CPGameObject.h"
#include "core/CPRefObject.h"
#include "core/CPSmartPtr.h"
#include "platform/D3DX9Math.h"

class CPMaterial;
class CPPerspectiveCamera;
class CPRenderQueue;

class CPLevelBranch : public CPRefObject {
public:
    using ObjectList = std::vector<CPSmartPtr<CPGameObject>>;

    // What QueueVisible returns, whatever it queued.
    static constexpr int32_t kQueueResult = 100000;
    // The first "_"-separated token of the parameter text that marks a bonus object.
    static constexpr const char* kBonusToken = "bonus";

    CPLevelBranch();
    // Deletes both children; lets go of the objects (those their owners deleted already are forgotten).
    ~CPLevelBranch() override;

    size_t GetSize() const override { return sizeof(CPLevelBranch); }
    std::string GetClassName() const override { return "CPLevelBranch"; }

    // Gives the node its objects: the box around all they draw or can be hit by (ObjectReach), the
    // vertex and index counts and the material set of the static plain meshes of their trees, and the
    // split into static and dynamic objects. With the "static" setting on, each static object not yet
    // baked by this tree is baked into gRenderer's branch queue.
    void SetObjects(const ObjectList& objects);
    // Splits the node recursively. Each axis x, y, z whose mid-plane (between the extreme centres of
    // the objects' hierarchy bounds) leaves objects on both sides is a candidate; the one whose halves
    // together use strictly fewer materials than the earlier ones wins (x on ties). A node that cannot
    // be split is a leaf and lists its bonus objects. The depth only grows; it limits nothing.
    void Build(int32_t depth);

    // Queues into gRenderer's draw queue every object of the leaves whose boxes the camera sees: the
    // dynamic ones with their children, the static ones at the level of detail their distance from the
    // camera's eye selects. The distance is not used. Nothing happens without a draw queue.
    int32_t QueueVisible(const CPPerspectiveCamera& camera, float distance);
    // The drawing step of one leaf into the queue, for the given eye.
    void QueueLeaf(CPRenderQueue& queue, const D3DXVECTOR3& eye);
    // The object to draw for a static object seen from `squaredDistance` (squared world units) with the
    // squared "distance" setting as the reach: the object itself, one of its level-of-detail copies, or
    // null (too far, or a null level).
    static CPGameObject* ChooseLevelOfDetail(const CPGameObject& object, float squaredDistance, float squaredReach);

    // Runs the query through the objects of the leaves whose boxes the segment (origin, direction,
    // length) meets; true when some object was hit. A query of length 0 (or not a number) finds nothing.
    bool RayQuery(CPRayQuery& query);
    // Appends, leaf by leaf, every object whose collision bounds touch the sphere.
    void CollectInSphere(const D3DXVECTOR3& centre, float radius, ObjectList& result) const;
    // Deactivates every dynamic object of the node.
    void DeactivateDynamic();

    const CPAxisBox& GetBox() const { return mBox; }
    CPLevelBranch* GetFirst() const { return mFirst; }
    CPLevelBranch* GetSecond() const { return mSecond; }
    bool IsLeaf() const { return mFirst == nullptr; }
    const ObjectList& GetObjects() const { return mObjects; }
    const ObjectList& GetStaticObjects() const { return mStaticObjects; }
    const ObjectList& GetDynamicObjects() const { return mDynamicObjects; }
    const ObjectList& GetBonusObjects() const { return mBonusObjects; }
    const std::vector<D3DXVECTOR3>& GetBonusPositions() const { return mBonusPositions; }
    // Distinct materials of the static plain meshes (and their shadow passes) of the node's trees.
    size_t GetMaterialCount() const { return mMaterials.size(); }
    int32_t GetVertexCount() const { return mVertexCount; }
    int32_t GetIndexCount() const { return mIndexCount; }

private:
    // Objects of one tree already baked into the branch queue: the candidate nodes of a split list the
    // same objects again.
    using BakedSet = std::unordered_set<const CPGameObject*>;
    // What one given object adds to a node (its reach, and the counts and materials of the static plain
    // meshes of its tree): made once per object while the tree is built, since every candidate node of
    // every split asks for it again.
    struct ObjectShare {
        CPAxisBox reach;
        int32_t vertexCount = 0;
        int32_t indexCount = 0;
        std::vector<const CPMaterial*> materials;  // in the order the tree lists them; not owned
    };
    using ShareTable = std::unordered_map<const CPGameObject*, ObjectShare>;
    using ShareList = std::vector<const ObjectShare*>;
    // The centre of each object's hierarchy bounds, in the order of mObjects: read once per build, since
    // every node on the way down splits by them again.
    using CentreList = std::vector<D3DXVECTOR3>;

    const ObjectShare& ShareOf(CPGameObject& object);
    // SetObjects without forgetting the shares: the shares are looked up.
    void TakeObjects(const ObjectList& objects);
    // The rest of taking objects, once mObjects and mObjectShares are filled: box, counts, materials,
    // the static and dynamic lists and the baking.
    void WeighObjects();

    // A node of the tree whose baked set and shares these are.
    CPLevelBranch(std::shared_ptr<BakedSet> baked, std::shared_ptr<ShareTable> shares);
    // A new child node of this tree (sharing the baked set) given the places of its objects in this
    // node's mObjects, in order; their centres go to `childCentres`.
    CPLevelBranch* MakeChild(const uint32_t* picked, size_t count, const CentreList& centres,
                             CentreList& childCentres) const;
    void BuildNode(int32_t depth, const CentreList& centres);
    void QueueVisibleInto(const CPPerspectiveCamera& camera, CPRenderQueue& queue, const D3DXVECTOR3& eye);
    void ListBonusObjects();

    std::vector<const CPMaterial*> mMaterials;  // distinct, in address order; not owned
    CPAxisBox mBox;                     // union of the objects' reach: hierarchy and collision bounds, vertices
    CPLevelBranch* mFirst = nullptr;    // owned; both null in a leaf, both set in an inner node
    CPLevelBranch* mSecond = nullptr;   // owned
    ObjectList mObjects;                // given to this node
    ObjectList mBonusObjects;           // a leaf's objects whose parameter text's first "_" token is "bonus"
    std::vector<D3DXVECTOR3> mBonusPositions;  // world positions of the bonus objects, same order
    ObjectList mDynamicObjects;         // given objects whose static flag is clear
    ObjectList mStaticObjects;          // given objects whose static flag is set
    int32_t mVertexCount = 0;           // of the static plain meshes of the trees (shadow pass twice)
    int32_t mIndexCount = 0;
    std::shared_ptr<BakedSet> mBaked;   // shared by every node of the tree
    std::shared_ptr<ShareTable> mShares;  // shared by every node of the tree; emptied when the build ends
    ShareList mObjectShares;  // the share of each of mObjects, in mShares, until the node is built
};
