// The game's side of the physics (gPhysicsWorld): a task that owns the level's rigid-body world and steps
// it every frame, the level's collision mesh sorted into a grid of 4 x 4 unit cells with its ground
// heights, the bodies of objects and the cars of race units, the parking of removed bodies, and the
// terrain and contact callbacks of the step.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <unordered_set>
#include <vector>

#include "core/CPSmartPtr.h"
#include "core/CPTask.h"
#include "platform/D3DX9Math.h"

class CPGameObject;
class CPPhysicData;
class CPRenderObject;
class PhysBody;
class PhysKinematicBody;
class PhysRigidBody;
class PhysWorld;
struct PhysContact;

// One vertex of the collision mesh: x, y, z and a fourth float the mesh does not set.
struct CPCollisionVertex {
    float x = 0.0f, y = 0.0f, z = 0.0f, w = 0.0f;
};
static_assert(sizeof(CPCollisionVertex) == 16);

// One triangle of the collision mesh: three indices into the vertex table, then three that stay 0.
// A triangle whose indices stay -1 is no triangle (its indices reached past the vertices).
struct CPCollisionTriangle {
    int32_t vertices[3] = {-1, -1, -1};
    int32_t reserved[3] = {0, 0, 0};
};
static_assert(sizeof(CPCollisionTriangle) == 24);

// One 4 x 4 cell of the grid: the triangles that overlap its square (x and y only), in mesh order.
struct CPCollisionCell {
    int32_t count = 0;
    std::span<const int32_t> triangles;  // in the world's table of listed triangles
};

// A body taken out of play: it stays in its pool, far below the level.
struct CPParkedBody {
    PhysRigidBody* rigidBody = nullptr;
    PhysKinematicBody* kinematicBody = nullptr;
    int32_t state = 2;
};

class CPPhysicWorld : public CPTask {
public:
    static constexpr float kFirstParkingHeight = -1000.0f;
    static constexpr float kParkingStep = 500.0f;
    static constexpr float kLowestParkingHeight = -100000.0f;
    static constexpr float kCellSize = 4.0f;
    // Cells of margin beyond the mesh on each grid side.
    static constexpr int32_t kGridMargin = 10;
    // The most cells along either side: a mesh spread wider than 4096 units does not get a grid that
    // eats the memory. Its triangles beyond the grid are left out, as are those with a vertex that is
    // not a number; a stray far vertex does not stretch the grid (see PlaceGrid).
    static constexpr int32_t kMaxGridSide = 1024;
    // The candidate list of a body holds at most this many indices less one.
    static constexpr int32_t kCandidateLimit = 1000;

    CPPhysicWorld();
    // Destroys the rigid-body world; the bodies of objects still alive are taken from them first.
    ~CPPhysicWorld() override;
    CPPhysicWorld(const CPPhysicWorld&) = delete;
    CPPhysicWorld& operator=(const CPPhysicWorld&) = delete;

    size_t GetSize() const override { return sizeof(CPPhysicWorld); }
    std::string GetClassName() const override { return "CPPhysicWorld"; }
    // Brings the registered objects' bodies into their wished activity, then steps the world by the
    // frame time (gDeltaTime).
    void Execute() override;
    int32_t GetTag() const override { return 0; }

    // --- the world
    // Builds a new rigid-body world for a level: pools, materials from "friction" and "restitution",
    // the contact and terrain callbacks and the collision table by the difficulty. A world made before
    // is destroyed first, with its parking list and object set; objects still holding its bodies,
    // sensors or controllers are cleared of them. Invalidates every body pointer of the old world.
    void Create();
    // The level loader's form; the bounds and the three counts are accepted and not needed: the pools
    // have fixed sizes.
    void Create(const D3DXVECTOR3& boundsMinimum, const D3DXVECTOR3& boundsMaximum, int32_t countA, int32_t countB,
                int32_t countC);
    PhysWorld* GetWorld() const { return mWorld.get(); }

    // --- bodies and cars
    // With physical data: its bodies (CreateObjectBodies) at the object's place, and the object as the
    // user data of its kinematic body, else its rigid body. Nothing without data or without a world.
    void AddObject(CPGameObject* object, bool activeWanted, int32_t material);
    void CreateObjectBodies(CPPhysicData* data, const D3DXVECTOR3& position, const D3DXQUATERNION& rotation,
                            bool activeWanted, int32_t material);
    // With physical data: the object joins the object set and wants its body active.
    void RegisterObject(CPGameObject* object);
    // With physical data: the object leaves the set, no longer wants its body active, and an active
    // body is sent to sleep.
    void UnregisterObject(CPGameObject* object);
    // Any physical data or none: the object leaves the set and nothing else changes (a dying object).
    void DropObject(CPGameObject* object) { mObjects.erase(object); }
    bool IsRegistered(const CPGameObject* object) const { return mObjects.count(const_cast<CPGameObject*>(object)) > 0; }
    // A new car for the unit (the old one is released), built on the unit's body, with its four sounds.
    void CreateCar(CPGameObject* unit, bool playerCar);
    // The four 3D sounds of a car, each a new instance; `name` is not used.
    void LoadCarSounds(class CPCar* car, const char* name, bool playerCar);
    void SetCarControls(CPGameObject* unit, float throttle, float steering);
    // Parks the data's rigid body (else its kinematic body) at the parking height, sends it to sleep,
    // lists it and takes it from the data; then lowers the parking height, with or without a body.
    void RecycleBody(CPSmartPtr<CPPhysicData> data);

    // --- ground objects: render objects the level lays on the ground (not owned)
    void AddGroundObject(CPRenderObject* object);
    const std::vector<CPRenderObject*>& GetGroundObjects() const { return mGroundObjects; }
    void ClearGroundObjects() { mGroundObjects.clear(); }

    // --- the collision mesh (CPPhysicWorldMesh.cpp)
    // The triangles of the render object's local vertices placed by its owner's world matrix.
    void BuildCollisionMesh(CPRenderObject* object);
    // The same from a ready vertex table and triangle list: triangles reaching past the vertices, or
    // with a vertex that is not a number or lies beyond the grid, are kept as no triangle (the latter
    // reported in the log); the rest are sorted into the grid.
    void BuildCollisionMesh(std::vector<CPCollisionVertex> vertices, std::vector<CPCollisionTriangle> triangles);
    // The cell of a point, clamped to the grid, as floats.
    D3DXVECTOR2 GetGridCell(const D3DXVECTOR3& point) const;
    // The cell record of (x, y) truncated to integers and clamped to the grid; an empty cell without a grid.
    const CPCollisionCell& GetCell(const D3DXVECTOR2& cell) const;
    bool CellHasTriangle(int32_t triangle, const D3DXVECTOR2& cell) const;
    // The z of the collision-mesh vertex nearest to the point among the triangles of the point's grid
    // cell; 0 when no vertex lies within 1000 units. Virtual so that the path code can be tested on a
    // ground of its own.
    virtual float GetGroundHeight(const D3DXVECTOR3& point) const;
    int32_t GetGridWidth() const { return mGridWidth; }
    int32_t GetGridHeight() const { return mGridHeight; }
    const D3DXVECTOR4& GetGridOrigin() const { return mGridOrigin; }

    // --- the step's callbacks
    // The candidate triangles near a body's box, listed in the body's physical data.
    static void OnTerrainQuery(const float* boxMinimum, const float* boxMaximum, const int32_t** list,
                               const struct CPCollisionTriangle** triangles, const CPCollisionVertex** vertices,
                               int32_t* count, int32_t* triangleCount, PhysBody* body);
    // Crashes cars that ram each other or a wall (by the difficulty).
    static void OnContact(PhysContact* contact);
    // The terrain query for one body, on this world's mesh.
    void FillCandidates(const float* boxMinimum, const float* boxMaximum, CPPhysicData& data, PhysBody& body);

    // The level's collision mesh, rebuilt with every level load.
    std::vector<CPCollisionVertex> mVertices;
    std::vector<CPCollisionTriangle> mTriangles;

    float mParkingHeight = kFirstParkingHeight;  // world z of the next parked body
    std::vector<CPParkedBody> mParkedBodies;

    // The game world whose rigid-body world the body lives in; null for none. The callbacks find
    // their world this way, so that several game worlds (tests, tools) may live side by side.
    static CPPhysicWorld* OwnerOfWorld(const PhysWorld* world);

private:
    // Takes the world's bodies, sensors and controllers from every registered object still alive and
    // from its car, so that nothing points into a world about to go.
    void ForgetBodies();
    // One listing of a triangle in a cell (x * mGridHeight + y).
    struct CellListing {
        int32_t cell;
        int32_t triangle;
    };
    void SortIntoGrid();
    // The grid's origin and sides from the vertices that are numbers within reach of the origin; every
    // cell empty.
    void PlaceGrid();
    // Makes no triangle of each one with a vertex that is not a number or lies beyond the grid; returns
    // how many.
    int32_t LeaveOutUnreachableTriangles();
    // Appends the cells the triangle is listed in: those of the rectangle of its vertices' cells and
    // their ring whose square it overlaps.
    void ListTriangle(int32_t triangle, std::vector<CellListing>& listings) const;
    // Lays the listings out cell by cell into the grid.
    void FileListings(const std::vector<CellListing>& listings);

    std::unique_ptr<PhysWorld> mWorld;
    // The grid: per cell (column x, row y at x * mGridHeight + y), 0 while it is empty, else 1 + the
    // index of its record in mCells. Only cells that hold a triangle get a record.
    std::vector<int32_t> mCellSlots;
    std::vector<CPCollisionCell> mCells;
    std::vector<int32_t> mCellTriangles;  // every listed cell's triangles, cell after cell
    D3DXVECTOR4 mGridOrigin{0.0f, 0.0f, 0.0f, 0.0f};  // minimum corner of the mesh bounds (and the origin)
    int32_t mGridWidth = 0;   // nx: cells along x
    int32_t mGridHeight = 0;  // ny: cells along y
    // Objects whose bodies the world looks after (not counted; an object that died is dropped when met).
    std::unordered_set<CPGameObject*> mObjects;
    std::vector<CPRenderObject*> mGroundObjects;
    // Per body id, what its candidate list was made from. While every cell fits, the list holds the
    // cells of the rectangle of the box's points and its ring, whatever their order: a body that stays
    // in that rectangle keeps its list. A list cut at the limit depends on the order too, so then the
    // five points' cells must match as well.
    struct CandidateKey {
        int32_t cells[5][2] = {};  // the cells of the box's five points
        int32_t rectangle[4] = {};  // lowest x, lowest y, highest x, highest y of those cells
        const CPPhysicData* data = nullptr;  // whose list it is
        bool cut = false;    // cells were left out at the limit
        bool valid = false;
        // Whether a list made for this key serves `wanted` (a key of the same body now).
        bool Serves(const CandidateKey& wanted) const;
    };
    std::vector<CandidateKey> mCandidateKeys;
    std::vector<D3DXVECTOR2> mCellList;  // the terrain query's working list of cells (no fixed size)
    std::vector<uint8_t> mCellEntered;   // the terrain query's marks of the cells already in its list
};
