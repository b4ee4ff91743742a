// The binary mesh files of "Data\Meshes" as plain records: plain, physics and animated node trees,
// read whole and checked before anything is built from them (the builder applies them).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Render/PAnimation.h"
#include "Render/PVertex.h"
#include "platform/D3DX9Math.h"

class CPFileReader;

// The stored sizes of the fixed records.
constexpr int64_t kMeshNodeNameSize = 260;
constexpr int64_t kMeshPlacementSize = 28;
constexpr int64_t kMeshBoxRecordSize = 96;
constexpr int64_t kMeshShapeRecordSize = 52;
// Deeper node trees are refused: building, placing and walking a tree all recurse through it.
constexpr int32_t kMaxMeshNodeDepth = 256;

// An oriented collision box of a plain node (the rest of the 96-byte record is not read).
struct CPMeshBoxRecord {
    D3DXVECTOR3 centre;
    D3DXVECTOR3 halfExtents;
};

// The 52-byte shape record: a physics shape, or a node's body or box record.
struct CPMeshShapeRecord {
    static constexpr int32_t kBox = 0;
    static constexpr int32_t kCylinder = 1;

    int32_t kind = kBox;  // other kinds are skipped by the builder
    float a = 0.0f;
    float b = 0.0f;  // the box's extent along z; the cylinder's height
    float c = 0.0f;
    D3DXVECTOR3 position;  // of the shape's centre, relative to the node
    D3DXQUATERNION rotation;
    float diameter = 0.0f;  // cylinder only
    float mass = 0.0f;      // mass value before the "weight_div" division
};

// Position and rotation as a physics node stores them; the node turns by the conjugate.
struct CPMeshPlacement {
    D3DXVECTOR3 position;
    D3DXQUATERNION rotation;
};

// One node with its subtree. Which fields a kind fills:
//   plain:    name, vertices, indices, boxes, children
//   physics:  name, placement, body, vertices, indices, shapes, children
//   animated: name, placement, body, box, animation, shapes, children
struct CPMeshNodeRecord {
    std::string name;  // as stored (the builder lower-cases it where the tree takes it)
    CPMeshPlacement placement;
    CPMeshShapeRecord body;
    CPMeshShapeRecord box;
    std::vector<CPVertex> vertices;
    // Triangle list; every index below the vertex count (a stored triangle that names a missing vertex
    // is left out).
    std::vector<uint16_t> indices;
    std::vector<CPMeshBoxRecord> boxes;
    std::vector<CPMeshShapeRecord> shapes;
    CPAnimationBlock animation;
    std::vector<CPMeshNodeRecord> children;
};

// A named matrix of the trailing block: the first three columns as stored, the fourth (0, 0, 0, 1).
struct CPMeshNamedMatrix {
    std::string name;  // lower-cased
    D3DXMATRIX matrix;
};

// A plain or physics mesh file.
struct CPMeshFileRecord {
    std::vector<CPMeshNodeRecord> nodes;
    // The trailing block when one was present and whole; it changes nothing in the built tree.
    std::vector<CPMeshNamedMatrix> namedMatrices;
};

enum class CPMeshFileKind { kPlain, kPhysics };

// Reads a whole plain or physics mesh file from the start of the loaded data; a node count below 0 gives
// no nodes. False on a format error: any other count below 0, a count beyond the bytes left, a name
// field without its zero byte, a tree deeper than kMaxMeshNodeDepth, or bytes missing from a node. A
// triangle with an index outside its node's vertices is left out and the rest of the file kept. Bytes
// after the nodes that do not make a whole trailing block are ignored, as the block has no effect.
bool ReadMeshFile(CPFileReader& reader, CPMeshFileKind kind, CPMeshFileRecord& file);

// Reads an animated mesh file's root node and its subtree (after the two leading int32), with the same
// checks and the animation blocks' own (ReadAnimationBlock).
bool ReadAnimatedMeshFile(CPFileReader& reader, CPMeshNodeRecord& root);

// The 12 stored floats of a matrix (the first three columns, column by column) into an identity.
D3DXMATRIX ReadMatrixColumns(CPFileReader& reader);
