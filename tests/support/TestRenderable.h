// A renderable for tests of the render queues, the vertex ring and the frame: a set number of vertices
// whose position x is the renderable's tag plus the vertex number, a given index list, a material and
// a skipped flag the test sets. It counts its fills and can be told to write nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Render/PMaterial.h"
#include "Render/PRenderable.h"
#include "core/CPSmartPtr.h"

class TestRenderable : public CPRenderable {
public:
    TestRenderable(int32_t vertexCount, std::vector<uint16_t> indices, CPMaterial* material = nullptr,
                   float tag = 0.0f)
        : mVertexCount(vertexCount), mIndices(std::move(indices)), mMaterial(material), mTag(tag) {}

    // A quad's two triangles over `vertexCount` vertices: 0 1 2, 0 2 3, then a fan over the rest.
    static std::vector<uint16_t> FanIndices(int32_t vertexCount) {
        std::vector<uint16_t> indices;
        for (int32_t i = 1; i + 1 < vertexCount; ++i) {
            indices.push_back(0);
            indices.push_back(static_cast<uint16_t>(i));
            indices.push_back(static_cast<uint16_t>(i + 1));
        }
        return indices;
    }

    size_t GetSize() const override { return sizeof(TestRenderable); }
    std::string GetClassName() const override { return "TestRenderable"; }

    bool IsSkipped() const override { return mSkipped; }
    void SetSkipped(bool skipped) override { mSkipped = skipped; }
    int32_t GetVertexCount() const override { return mVertexCount; }
    int32_t GetIndexCount() const override { return static_cast<int32_t>(mIndices.size()); }
    bool FillVertices(CPVertex* vertices, uint16_t* indices, uint16_t baseIndex, int32_t /*flag*/) override {
        if (mSkipped || mFailFills || mVertexCount <= 0) return false;
        for (int32_t i = 0; i < mVertexCount; ++i) {
            vertices[i] = CPVertex{};
            vertices[i].position = D3DXVECTOR3(mTag + static_cast<float>(i), 0.0f, 0.0f);
            vertices[i].diffuse = 0xffffffff;
        }
        for (size_t i = 0; i < mIndices.size(); ++i) indices[i] = static_cast<uint16_t>(mIndices[i] + baseIndex);
        ++mFills;
        return true;
    }
    void CopyIndices(uint16_t* indices, int32_t /*unused*/, uint16_t& first, uint16_t& last) override {
        if (mIndices.empty()) return;
        for (size_t i = 0; i < mIndices.size(); ++i) indices[i] = mIndices[i];
        first = mIndices.front();
        last = mIndices.back();
    }
    CPSmartPtr<CPMaterial> GetMaterial() const override { return mMaterial; }

    void SetMaterial(CPMaterial* material) { mMaterial = material; }
    // From now on FillVertices writes nothing and says so.
    void SetFailFills(bool fail) { mFailFills = fail; }
    int32_t Fills() const { return mFills; }
    float Tag() const { return mTag; }
    const std::vector<uint16_t>& Indices() const { return mIndices; }

private:
    int32_t mVertexCount;
    std::vector<uint16_t> mIndices;
    CPMaterial* mMaterial;  // not owned
    float mTag;             // position x of vertex 0
    bool mSkipped = false;
    bool mFailFills = false;
    int32_t mFills = 0;
};
