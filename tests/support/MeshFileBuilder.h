// Writes mesh files of "Data\Meshes" in their stored form (plain, physics and animated node trees, the
// trailing block of named matrices) from the same plain records the readers produce, so that a test
// describes a file as a record, writes it, and compares what comes back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Render/PMeshFile.h"
#include "support/ByteBuilder.h"

// A node of `vertexCount` vertices at x = 0, 1, 2... (diffuse 0xFF00FF00) in a fan of triangles.
CPMeshNodeRecord MeshTestNode(const std::string& name, int32_t vertexCount = 0);
// An animated node whose animation has `frameCount` one-triangle frames (the first vertex at x = the
// frame number) of 0.1 s each.
CPMeshNodeRecord AnimatedTestNode(const std::string& name, int32_t frameCount = 2);
// A shape record of the kind with sizes a, b, c, at `position`, unturned, with the mass value.
CPMeshShapeRecord MeshTestShape(int32_t kind, float a, float b, float c, const D3DXVECTOR3& position, float mass = 1.0f);

// The 260-byte name field: the name, then zero bytes.
void AppendMeshNodeName(ByteBuilder& bytes, const std::string& name);
void AppendMeshShape(ByteBuilder& bytes, const CPMeshShapeRecord& shape);
void AppendPlainMeshNode(ByteBuilder& bytes, const CPMeshNodeRecord& node);
void AppendPhysicsMeshNode(ByteBuilder& bytes, const CPMeshNodeRecord& node);
void AppendAnimatedMeshNode(ByteBuilder& bytes, const CPMeshNodeRecord& node);
void AppendNamedMatrices(ByteBuilder& bytes, const std::vector<CPMeshNamedMatrix>& matrices);

// Whole files. A plain or physics file carries the trailing block when `matrices` is given.
std::string PlainMeshFile(const std::vector<CPMeshNodeRecord>& nodes,
                          const std::vector<CPMeshNamedMatrix>* matrices = nullptr);
std::string PhysicsMeshFile(const std::vector<CPMeshNodeRecord>& nodes,
                            const std::vector<CPMeshNamedMatrix>* matrices = nullptr);
std::string AnimatedMeshFile(const CPMeshNodeRecord& root);
