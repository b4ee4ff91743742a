// The level's collision mesh: sorting the triangles into 4 x 4 unit cells, the ground heights, and the
// terrain query that hands the step the triangles near a body.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "Render/PRenderObject.h"
#include "core/CPGameObject.h"
#include "core/LogStream.h"
#include "Render/PVertex.h"
#include "simulation/physics/CPCollisionGeometry.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/physics/CPPhysicWorld.h"
#include "simulation/physics/PhysWorld.h"

namespace {
constexpr float kNoVertexDistance = 1000.0f;
// A vertex counts towards the grid's extent only this near the origin along x and y. Every mesh whose
// grid fits kMaxGridSide cells a side lies within it (the origin is inside the bounds), so only a
// stray far vertex is kept from stretching the grid of the rest.
constexpr double kReach =
    static_cast<double>(CPPhysicWorld::kCellSize) * (CPPhysicWorld::kMaxGridSide - CPPhysicWorld::kGridMargin + 1);
// Cells farther than this from a triangle (along x or y) are never listed for it, so they are not
// tested. The plane tests are exact well within it, even where a sliver's edges all but coincide
// and cells just beyond its tips read as touched.
constexpr double kTestedReach = 3.0 * CPPhysicWorld::kCellSize;

// trunc((value - origin) / 4) within 0 .. count - 1; NaN lands in cell 0.
int32_t CellIndex(float value, float origin, int32_t count) {
    const float cell = (value - origin) * 0.25f;
    if (!(cell >= 1.0f)) return 0;
    if (cell >= static_cast<float>(count - 1)) return count - 1;
    return static_cast<int32_t>(cell);
}

// Whether a value falls in one of the count cells from the origin, unclamped.
bool InsideGrid(float value, float origin, int32_t count) {
    const float cell = (value - origin) * 0.25f;
    return cell >= 0.0f && cell < static_cast<float>(count);
}

bool IsFinite(const CPCollisionVertex& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

D3DXVECTOR3 At(const CPCollisionVertex& v) { return {v.x, v.y, v.z}; }

const CPCollisionCell& EmptyCell() {
    static const CPCollisionCell empty;
    return empty;
}

// The x extent of the part of the triangle whose y lies in [low, high]; false when it lies elsewhere.
bool BandExtent(const D3DXVECTOR3 (&v)[3], double low, double high, double& from, double& to) {
    from = std::numeric_limits<double>::infinity();
    to = -from;
    const auto take = [&](double x) {
        from = std::min(from, x);
        to = std::max(to, x);
    };
    for (int k = 0; k < 3; ++k) {
        const D3DXVECTOR3& p = v[k];
        const D3DXVECTOR3& q = v[(k + 1) % 3];
        if (p.y >= low && p.y <= high) take(p.x);
        const double py = p.y, qy = q.y;
        for (const double y : {low, high})
            if ((py < y && y < qy) || (qy < y && y < py)) take(p.x + (q.x - static_cast<double>(p.x)) * (y - py) / (qy - py));
    }
    return from <= to;
}
}  // namespace

void CPPhysicWorld::BuildCollisionMesh(CPRenderObject* object) {
    if (!object) return;
    const std::vector<CPVertex>& local = object->GetLocalVertices();
    const std::vector<uint16_t>& indices = object->GetIndices();
    D3DXMATRIX world;
    D3DXMatrixIdentity(&world);
    if (CPGameObject* owner = object->GetOwner()) world = owner->GetWorldMatrix();
    std::vector<CPCollisionVertex> vertices(local.size());
    for (size_t i = 0; i < local.size(); ++i) {
        D3DXVECTOR3 placed;
        D3DXVec3TransformCoord(&placed, &local[i].position, &world);
        vertices[i] = {placed.x, placed.y, placed.z, 0.0f};
    }
    std::vector<CPCollisionTriangle> triangles(indices.size() / 3);
    for (size_t t = 0; t < triangles.size(); ++t)
        for (int k = 0; k < 3; ++k) triangles[t].vertices[k] = indices[t * 3 + static_cast<size_t>(k)];
    BuildCollisionMesh(std::move(vertices), std::move(triangles));
}

void CPPhysicWorld::BuildCollisionMesh(std::vector<CPCollisionVertex> vertices,
                                       std::vector<CPCollisionTriangle> triangles) {
    mVertices = std::move(vertices);
    mTriangles = std::move(triangles);
    // A triangle naming a vertex the mesh does not have is no triangle: it keeps -1 and is never listed.
    const auto count = static_cast<int64_t>(mVertices.size());
    for (CPCollisionTriangle& triangle : mTriangles) {
        bool inside = true;
        for (int32_t index : triangle.vertices) inside = inside && index >= 0 && index < count;
        if (!inside) triangle = CPCollisionTriangle{};
        for (int32_t& reserved : triangle.reserved) reserved = 0;
    }
    SortIntoGrid();
}

void CPPhysicWorld::SortIntoGrid() {
    mCandidateKeys.clear();
    if (mWorld) mWorld->ForgetTerrain();
    PlaceGrid();
    const int32_t leftOut = LeaveOutUnreachableTriangles();
    if (leftOut > 0)
        LogReport(GetLogStream(), 0,
                  "collision mesh: %d of %d triangles left out: a vertex is not a number or lies beyond the grid\n",
                  leftOut, static_cast<int32_t>(mTriangles.size()));
    std::vector<CellListing> listings;
    // Most triangles of a road span a cell or two: their rectangles with the ring hold about sixteen.
    listings.reserve(mTriangles.size() * 16);
    for (size_t t = 0; t < mTriangles.size(); ++t)
        if (mTriangles[t].vertices[0] >= 0) ListTriangle(static_cast<int32_t>(t), listings);
    FileListings(listings);
}

void CPPhysicWorld::PlaceGrid() {
    // The bounds start at the origin, so the origin is always inside them; a vertex that is not a
    // number, or lies out of reach, does not widen them.
    D3DXVECTOR3 low(0.0f, 0.0f, 0.0f), high(0.0f, 0.0f, 0.0f);
    for (const CPCollisionVertex& v : mVertices) {
        if (!IsFinite(v) || !(std::fabs(v.x) < kReach) || !(std::fabs(v.y) < kReach)) continue;
        low = D3DXVECTOR3(std::min(low.x, v.x), std::min(low.y, v.y), std::min(low.z, v.z));
        high = D3DXVECTOR3(std::max(high.x, v.x), std::max(high.y, v.y), std::max(high.z, v.z));
    }
    mGridOrigin = D3DXVECTOR4(low.x, low.y, low.z, 0.0f);
    const auto side = [](float extent) {
        const double cells = std::floor(static_cast<double>(extent) * 0.25) + kGridMargin;
        return static_cast<int32_t>(std::min(cells, static_cast<double>(kMaxGridSide)));
    };
    mGridWidth = side(high.x - low.x);
    mGridHeight = side(high.y - low.y);
    mCellSlots.assign(static_cast<size_t>(mGridWidth) * static_cast<size_t>(mGridHeight), 0);
    mCells.clear();
    mCellTriangles.clear();
}

int32_t CPPhysicWorld::LeaveOutUnreachableTriangles() {
    int32_t leftOut = 0;
    for (CPCollisionTriangle& triangle : mTriangles) {
        if (triangle.vertices[0] < 0) continue;
        bool reachable = true;
        for (int32_t index : triangle.vertices) {
            const CPCollisionVertex& v = mVertices[static_cast<size_t>(index)];
            reachable = reachable && IsFinite(v) && InsideGrid(v.x, mGridOrigin.x, mGridWidth) &&
                        InsideGrid(v.y, mGridOrigin.y, mGridHeight);
        }
        if (reachable) continue;
        triangle = CPCollisionTriangle{};
        ++leftOut;
    }
    return leftOut;
}

void CPPhysicWorld::ListTriangle(int32_t triangle, std::vector<CellListing>& listings) const {
    const int32_t* index = mTriangles[static_cast<size_t>(triangle)].vertices;
    const D3DXVECTOR3 v[3] = {At(mVertices[static_cast<size_t>(index[0])]), At(mVertices[static_cast<size_t>(index[1])]),
                              At(mVertices[static_cast<size_t>(index[2])])};
    const float originX = mGridOrigin.x, originY = mGridOrigin.y;
    int32_t cx[3], cy[3];
    for (int k = 0; k < 3; ++k) {
        cx[k] = CellIndex(v[k].x, originX, mGridWidth);
        cy[k] = CellIndex(v[k].y, originY, mGridHeight);
    }
    // The rectangle of the vertices' cells and the ring around it.
    const int32_t fromX = std::max(*std::min_element(cx, cx + 3) - 1, 0);
    const int32_t toX = std::min(*std::max_element(cx, cx + 3) + 1, mGridWidth - 1);
    const int32_t fromY = std::max(*std::min_element(cy, cy + 3) - 1, 0);
    const int32_t toY = std::min(*std::max_element(cy, cy + 3) + 1, mGridHeight - 1);
    for (int32_t y = fromY; y <= toY; ++y) {
        // Only the cells of the row near the part of the triangle beside it are tested.
        const double rowLow = originY + static_cast<double>(kCellSize) * y;
        double near0 = 0.0, near1 = 0.0;
        if (!BandExtent(v, rowLow - kTestedReach, rowLow + kCellSize + kTestedReach, near0, near1)) continue;
        const auto cellOf = [&](double x) {
            return std::clamp(std::floor((x - originX) / kCellSize), fromX - 1.0, toX + 1.0);
        };
        const auto firstX = static_cast<int32_t>(std::max<double>(fromX, cellOf(near0 - kTestedReach)));
        const auto lastX = static_cast<int32_t>(std::min<double>(toX, cellOf(near1 + kTestedReach)));
        for (int32_t x = firstX; x <= lastX; ++x) {
            const float x0 = originX + kCellSize * static_cast<float>(x);
            const float y0 = originY + kCellSize * static_cast<float>(y);
            if (CPCollisionGeometry::TriangleBoxOverlap(x0, y0, x0 + kCellSize, y0 + kCellSize, v[0], v[1], v[2]))
                listings.push_back({x * mGridHeight + y, triangle});
        }
    }
}

void CPPhysicWorld::FileListings(const std::vector<CellListing>& listings) {
    // Counted per cell, then laid out cell after cell; the listings come in mesh order, so each cell's
    // triangles do too.
    for (const CellListing& listing : listings) {
        int32_t& slot = mCellSlots[static_cast<size_t>(listing.cell)];
        if (slot == 0) {
            mCells.emplace_back();
            slot = static_cast<int32_t>(mCells.size());
        }
        ++mCells[static_cast<size_t>(slot - 1)].count;
    }
    std::vector<size_t> next(mCells.size());
    size_t first = 0;
    for (size_t c = 0; c < mCells.size(); ++c) {
        next[c] = first;
        first += static_cast<size_t>(mCells[c].count);
    }
    mCellTriangles.resize(listings.size());
    for (const CellListing& listing : listings)
        mCellTriangles[next[static_cast<size_t>(mCellSlots[static_cast<size_t>(listing.cell)] - 1)]++] = listing.triangle;
    for (size_t c = 0; c < mCells.size(); ++c) {
        const auto count = static_cast<size_t>(mCells[c].count);
        mCells[c].triangles = std::span<const int32_t>(mCellTriangles.data() + (next[c] - count), count);
    }
}

D3DXVECTOR2 CPPhysicWorld::GetGridCell(const D3DXVECTOR3& point) const {
    if (mGridWidth <= 0 || mGridHeight <= 0) return D3DXVECTOR2(0.0f, 0.0f);
    return D3DXVECTOR2(static_cast<float>(CellIndex(point.x, mGridOrigin.x, mGridWidth)),
                       static_cast<float>(CellIndex(point.y, mGridOrigin.y, mGridHeight)));
}

const CPCollisionCell& CPPhysicWorld::GetCell(const D3DXVECTOR2& cell) const {
    if (mGridWidth <= 0 || mGridHeight <= 0) return EmptyCell();
    const auto clamp = [](float value, int32_t count) {
        if (!(value >= 0.0f)) return 0;
        if (value >= static_cast<float>(count - 1)) return count - 1;
        return static_cast<int32_t>(value);
    };
    const int32_t x = clamp(cell.x, mGridWidth), y = clamp(cell.y, mGridHeight);
    const int32_t slot = mCellSlots[static_cast<size_t>(x) * static_cast<size_t>(mGridHeight) + static_cast<size_t>(y)];
    return slot == 0 ? EmptyCell() : mCells[static_cast<size_t>(slot - 1)];
}

bool CPPhysicWorld::CellHasTriangle(int32_t triangle, const D3DXVECTOR2& cell) const {
    const std::span<const int32_t> list = GetCell(cell).triangles;
    return std::find(list.begin(), list.end(), triangle) != list.end();
}

float CPPhysicWorld::GetGroundHeight(const D3DXVECTOR3& point) const {
    float best = kNoVertexDistance;
    float height = 0.0f;
    for (int32_t triangle : GetCell(GetGridCell(point)).triangles) {
        for (int32_t index : mTriangles[static_cast<size_t>(triangle)].vertices) {
            const CPCollisionVertex& v = mVertices[static_cast<size_t>(index)];
            const D3DXVECTOR3 apart(point.x - v.x, point.y - v.y, point.z - v.z);
            const float square = apart.x * apart.x + apart.y * apart.y + apart.z * apart.z;
            const float distance = square < 1e-6f ? 0.0f : std::sqrt(square);
            if (distance < best) {
                best = distance;
                height = v.z;
            }
        }
    }
    return height;
}

bool CPPhysicWorld::CandidateKey::Serves(const CandidateKey& wanted) const {
    if (!valid || !wanted.valid || data != wanted.data) return false;
    for (int k = 0; k < 4; ++k)
        if (rectangle[k] != wanted.rectangle[k]) return false;
    if (!cut) return true;
    for (int k = 0; k < 5; ++k)
        if (cells[k][0] != wanted.cells[k][0] || cells[k][1] != wanted.cells[k][1]) return false;
    return true;
}

void CPPhysicWorld::OnTerrainQuery(const float* boxMinimum, const float* boxMaximum, const int32_t** list,
                                   const CPCollisionTriangle** triangles, const CPCollisionVertex** vertices,
                                   int32_t* count, int32_t* triangleCount, PhysBody* body) {
    *list = nullptr;
    *count = 0;
    *triangleCount = 0;
    CPPhysicWorld* world = body ? OwnerOfWorld(body->world) : nullptr;
    // A body without a live owner (a parked one, one the game made itself) gets no ground.
    auto* object = body ? static_cast<CPGameObject*>(body->GetUserData()) : nullptr;
    if (!world || !object || !gObjectRegistry::Contains(object) || !object->GetPhysicData()) return;
    CPPhysicData& data = *object->GetPhysicData();
    world->FillCandidates(boxMinimum, boxMaximum, data, *body);
    *list = data.mCandidates.data();
    *triangles = world->mTriangles.data();
    *vertices = world->mVertices.data();
    *count = data.mCandidateCount;
    *triangleCount = static_cast<int32_t>(world->mTriangles.size());
}

void CPPhysicWorld::FillCandidates(const float* m, const float* M, CPPhysicData& data, PhysBody& body) {
    if (mCellSlots.empty()) {
        data.mCandidateCount = 0;
        return;
    }
    // The five points: both corners, the two other corners of the bottom and top faces, the centre.
    const D3DXVECTOR3 points[5] = {{m[0], m[1], m[2]},
                                   {M[0], M[1], M[2]},
                                   {m[0], M[1], m[2]},
                                   {M[0], m[1], M[2]},
                                   {(m[0] + M[0]) / 2.0f, (m[1] + M[1]) / 2.0f, (m[2] + M[2]) / 2.0f}};
    CandidateKey key;
    key.valid = true;
    key.data = &data;
    key.rectangle[0] = key.rectangle[1] = INT32_MAX;
    key.rectangle[2] = key.rectangle[3] = INT32_MIN;
    for (int k = 0; k < 5; ++k) {
        const D3DXVECTOR2 cell = GetGridCell(points[k]);
        key.cells[k][0] = static_cast<int32_t>(cell.x);
        key.cells[k][1] = static_cast<int32_t>(cell.y);
        key.rectangle[0] = std::min(key.rectangle[0], key.cells[k][0]);
        key.rectangle[1] = std::min(key.rectangle[1], key.cells[k][1]);
        key.rectangle[2] = std::max(key.rectangle[2], key.cells[k][0]);
        key.rectangle[3] = std::max(key.rectangle[3], key.cells[k][1]);
    }
    // A body that has not left its cells keeps the list it has (see CandidateKey).
    const int32_t id = body.GetId();
    const bool keyed = id >= 0;
    if (keyed && static_cast<size_t>(id) >= mCandidateKeys.size()) mCandidateKeys.resize(static_cast<size_t>(id) + 1);
    if (keyed && mCandidateKeys[static_cast<size_t>(id)].Serves(key)) return;

    mCellList.clear();
    const int32_t lowX = key.rectangle[0], lowY = key.rectangle[1], highX = key.rectangle[2], highY = key.rectangle[3];
    const int32_t fromX = std::max(lowX - 1, 0), toX = std::min(highX + 1, mGridWidth - 1);
    const int32_t fromY = std::max(lowY - 1, 0), toY = std::min(highY + 1, mGridHeight - 1);
    // Each cell is entered once, at its first mention; a mark per cell of the rectangle that holds them
    // all says which are in, where searching the list grew with the square of its length.
    const int32_t markX = std::min(fromX, lowX), markY = std::min(fromY, lowY);
    const int32_t markWidth = std::max(toX, highX) - markX + 1, markHeight = std::max(toY, highY) - markY + 1;
    mCellEntered.assign(static_cast<size_t>(markWidth) * static_cast<size_t>(markHeight), 0);
    const auto enter = [&](int32_t x, int32_t y) {
        uint8_t& entered = mCellEntered[static_cast<size_t>(x - markX) * static_cast<size_t>(markHeight) +
                                        static_cast<size_t>(y - markY)];
        if (entered) return;
        entered = 1;
        mCellList.emplace_back(static_cast<float>(x), static_cast<float>(y));
    };
    for (const auto& cell : key.cells) enter(cell[0], cell[1]);
    // The ring around them; a large box needs more cells than a fixed list would hold.
    for (int32_t x = fromX; x <= toX; ++x)
        for (int32_t y = fromY; y <= toY; ++y) enter(x, y);

    int32_t listed = 0;
    bool partial = false;
    for (const D3DXVECTOR2& cell : mCellList) {
        const std::span<const int32_t> triangles = GetCell(cell).triangles;
        const auto size = static_cast<int32_t>(triangles.size());
        if (listed + size >= kCandidateLimit) {
            key.cut = true;
            // Cells that do not fit are left out whole; but a body whose list would stay empty (a cell of
            // 1000 triangles or more under it) takes the ones of that cell whose x-y box meets its box,
            // rather than none and a fall through the level.
            if (listed == 0) {
                partial = true;
                for (int32_t t : triangles) {
                    if (listed == kCandidateLimit - 1) break;
                    float lx = 3.0e38f, ly = 3.0e38f, hx = -3.0e38f, hy = -3.0e38f;
                    for (int32_t v : mTriangles[static_cast<size_t>(t)].vertices) {
                        const CPCollisionVertex& p = mVertices[static_cast<size_t>(v)];
                        lx = std::min(lx, p.x), hx = std::max(hx, p.x), ly = std::min(ly, p.y), hy = std::max(hy, p.y);
                    }
                    if (hx < m[0] || lx > M[0] || hy < m[1] || ly > M[1]) continue;
                    data.mCandidates[static_cast<size_t>(listed++)] = t;
                }
            }
            break;
        }
        std::copy(triangles.begin(), triangles.end(), data.mCandidates.begin() + listed);
        listed += size;
    }
    data.mCandidateCount = listed;
    // A list cut from a crowded cell depends on the box itself: it is made afresh next time.
    if (keyed) mCandidateKeys[static_cast<size_t>(id)] = partial ? CandidateKey{} : key;
}
