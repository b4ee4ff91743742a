#include "Render/PRenderObject.h"

#include <cstring>

#include "Render/PMaterial.h"
#include "Render/PRender.h"
#include "core/CPGameObject.h"
#include "core/ServiceGlobals.h"

namespace {

// Row vector times matrix with the translation added: the point placed by an affine matrix.
inline D3DXVECTOR3 PlacePoint(const D3DXVECTOR3& p, const D3DXMATRIX& m) {
    return D3DXVECTOR3(p.x * m._11 + p.y * m._21 + p.z * m._31 + m._41, p.x * m._12 + p.y * m._22 + p.z * m._32 + m._42,
                       p.x * m._13 + p.y * m._23 + p.z * m._33 + m._43);
}

// The upper 3 x 3 only; the result is not renormalised.
inline D3DXVECTOR3 TurnDirection(const D3DXVECTOR3& d, const D3DXMATRIX& m) {
    return D3DXVECTOR3(d.x * m._11 + d.y * m._21 + d.z * m._31, d.x * m._12 + d.y * m._22 + d.z * m._32,
                       d.x * m._13 + d.y * m._23 + d.z * m._33);
}

}  // namespace

CPRenderObject::CPRenderObject(CPGameObject* owner) : mOwner(owner) {}

CPRenderObject::~CPRenderObject() { ReleaseIfAlive(mMaterial); }

CPSmartPtr<CPMaterial> CPRenderObject::GetMaterial() const { return mMaterial; }

void CPRenderObject::SetMaterial(CPSmartPtr<CPMaterial> material) {
    // The old material may already be gone with the cache that made it: let go without touching it.
    ReleaseIfAlive(mMaterial);
    mMaterial = material;
}

void CPRenderObject::DetachOwner(const CPGameObject* owner) {
    if (mOwner == owner) mOwner = nullptr;
}

void CPRenderObject::AddAnimator(std::unique_ptr<CPTexAnimator> animator) {
    if (!animator) return;
    mAnimators.push_back(std::move(animator));
    mAnimated = true;
}

void CPRenderObject::UpdateWorldVertices() {
    if (mStatic) return;
    const size_t count = mLocalVertices.size();
    // The world array always matches the local one, so a fill never reads or writes past either end.
    if (mWorldVertices.size() > count) mWorldVertices.resize(count);
    mWorldVertices.insert(mWorldVertices.end(), mLocalVertices.begin() + static_cast<ptrdiff_t>(mWorldVertices.size()),
                          mLocalVertices.end());
    if (!mOwner) {
        for (size_t i = 0; i < count; ++i) {
            mWorldVertices[i].position = mLocalVertices[i].position;
            mWorldVertices[i].normal = mLocalVertices[i].normal;
            mWorldVertices[i].diffuse = mLocalVertices[i].diffuse;
        }
        return;
    }
    const D3DXMATRIX m = mOwner->GetWorldMatrix();  // a local copy: the vertex writes cannot alias it
    for (size_t i = 0; i < count; ++i) {
        const CPVertex& local = mLocalVertices[i];
        CPVertex& world = mWorldVertices[i];
        world.position = PlacePoint(local.position, m);
        world.normal = TurnDirection(local.normal, m);
        world.diffuse = local.diffuse;
    }
}

bool CPRenderObject::FillVertices(CPVertex* vertices, uint16_t* indices, uint16_t baseIndex, int32_t /*flag*/) {
    const size_t count = mLocalVertices.size();
    if (mStatic || count == 0) return false;
    // Indices are 16-bit: geometry that would reach past the last addressable vertex is refused whole
    // rather than wrapped onto the start of the batch.
    if (baseIndex + count > kMaxBatchVertices) return false;

    if (mOwner && mOwner->IsWorldMatrixChanged()) {
        UpdateWorldVertices();
        mOwner->SetWorldMatrixChanged(false);
    } else if (mWorldVertices.size() != count) {
        UpdateWorldVertices();
    }

    if (mAnimated && !mAnimators.empty()) {
        // The first animator reads the world vertices, every further one the batch it has written.
        const auto n = static_cast<int32_t>(count);
        mAnimators.front()->Apply(vertices, mWorldVertices.data(), n);
        for (size_t i = 1; i < mAnimators.size(); ++i) mAnimators[i]->Apply(vertices, vertices, n);
    } else {
        std::memcpy(vertices, mWorldVertices.data(), count * sizeof(CPVertex));
    }

    for (size_t i = 0; i < mIndices.size(); ++i) indices[i] = static_cast<uint16_t>(mIndices[i] + baseIndex);
    return true;
}

void CPRenderObject::CopyIndices(uint16_t* indices, int32_t /*unused*/, uint16_t& first, uint16_t& last) {
    if (mWorldVertices.empty() || mIndices.empty()) return;
    std::memcpy(indices, mIndices.data(), mIndices.size() * sizeof(uint16_t));
    first = mIndices.front();
    last = mIndices.back();
}

void CPRenderObject::TransformVertices(const D3DXMATRIX& matrix) {
    for (CPVertex& v : mLocalVertices) {
        v.position = PlacePoint(v.position, matrix);
        v.normal = TurnDirection(v.normal, matrix);
    }
}

CPRefObject* CPRenderObject::CopyFor(CPGameObject* owner) {
    auto* copy = new CPRenderObject(owner);
    copy->CopyFrom(this);
    copy->SetOwner(owner);
    return copy;
}

void CPRenderObject::CopyFrom(const CPSmartPtr<CPRenderObject>& source) {
    const CPRenderObject* from = source.Get();
    if (!from || from == this) return;
    mOwner = from->mOwner;
    mLocalVertices = from->mLocalVertices;
    mWorldVertices = from->mWorldVertices;
    mIndices = from->mIndices;
    mMaterial = from->mMaterial;

    mStatic = from->mStatic;
    if (mStatic) {
        mMeshBufferName = from->mMeshBufferName;
        // The renderer hands back the record it already keeps under that name.
        mMeshBuffers = gRenderer ? gRenderer->GetMeshBuffers(mMeshBufferName, mLocalVertices.data(), mIndices.data(),
                                                             GetVertexCount(), GetIndexCount())
                                 : from->mMeshBuffers;
    }

    mAnimated = from->mAnimated;
    mAnimators.clear();
    for (const auto& animator : from->mAnimators)
        if (CPTexAnimator* clone = animator->Clone()) mAnimators.emplace_back(clone);
}

void CPRenderObject::ApplyImpact(const D3DXVECTOR3& /*point*/, const D3DXVECTOR3& /*direction*/, float /*strength*/) {}
