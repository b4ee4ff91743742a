// The level quadtree: the level's objects sorted over the ground (x and y) into leaves of nested
// quadrants, so that each frame only the leaves the camera sees, and whose centres are near enough,
// are queued for drawing. Every node keeps the root's whole vertical extent.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/CPAxisBox.h"
#include "core/CPGameObject.h"
#include "core/CPSmartPtr.h"
#include "platform/D3DX9Math.h"

class CPPerspectiveCamera;

class CPQuadTree {
public:
    // Deepest split whatever "quadlevels" says: 4^8 leaves already far exceed any level's objects.
    static constexpr int32_t kMaxDepth = 8;

    CPQuadTree() = default;
    // Deletes the four children and drops the references to the objects.
    virtual ~CPQuadTree();
    CPQuadTree(const CPQuadTree&) = delete;
    CPQuadTree& operator=(const CPQuadTree&) = delete;

    // A new box with minimum centre - half, maximum centre + half, and the two vectors as they are.
    void SetBounds(const D3DXVECTOR3& centre, const D3DXVECTOR3& half);
    // Sorts the objects into this node and below. At the depth of "quadlevels" (0 .. kMaxDepth; a
    // negative setting counts as 0) the node is a leaf whose box bounds its objects; above it the
    // objects go to the first of four quadrants whose box strictly holds their position, and objects
    // no quadrant holds are left out. A node without bounds cannot be split and becomes a leaf.
    void Build(const std::vector<CPSmartPtr<CPGameObject>>& objects, int32_t depth);
    // Walks the children the camera sees; a leaf whose centre lies closer to the eye than "distance"
    // queues its objects into gRenderer's draw queue. This node itself is not tested against the camera.
    void Collect(const CPPerspectiveCamera& camera);
    void AddObject(CPSmartPtr<CPGameObject> object);
    // Deletes the child at the index (0 .. 3) and stores the node, which the tree then owns. An index
    // outside 0 .. 3 is refused and the node deleted.
    void SetChild(int32_t index, CPQuadTree* node);

    // Null in a leaf.
    CPQuadTree* GetChild(int32_t index) const;
    const std::vector<CPSmartPtr<CPGameObject>>& GetObjects() const { return mObjects; }
    // Null until the first SetBounds.
    const CPAxisBox* GetBox() const { return mBox.get(); }

    // The depth at which nodes become leaves for the current "quadlevels".
    static int32_t LeafDepth();

private:
    void BuildLeaf(const std::vector<CPSmartPtr<CPGameObject>>& objects);

    std::array<CPQuadTree*, 4> mChildren{};  // owned; all null in a leaf
    std::vector<CPSmartPtr<CPGameObject>> mObjects;  // a leaf's objects; empty in an inner node
    std::unique_ptr<CPAxisBox> mBox;
};
