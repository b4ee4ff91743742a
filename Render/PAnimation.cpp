#include "Render/PAnimation.h"

#include <algorithm>

#include "Render/PVertexReader.h"
#include "core/files/CPFileReader.h"

CPAnimationManager* gAnimationManager = nullptr;

CPAnimationManager* GetAnimationManager() { return gAnimationManager; }

// ---------------------------------------------------------------- block

bool ReadAnimationBlock(CPFileReader& reader, CPAnimationBlock& block) {
    const int32_t frameCount = reader.ReadInt();
    const float storedTime = reader.ReadFloat();
    // Each frame holds at least its two counts: a count beyond that is no block, and is never allocated.
    constexpr int64_t kSmallestFrame = 8;
    if (reader.HasOverrun() || frameCount < 0 || frameCount > reader.GetRemaining() / kSmallestFrame) return false;

    CPAnimationBlock read;
    read.frameTime = storedTime * kAnimationTimeUnit;
    read.frames.resize(static_cast<size_t>(frameCount));
    for (int32_t i = 0; i < frameCount; ++i) {
        CPAnimationFrame& frame = read.frames[static_cast<size_t>(i)];
        frame.frameNumber = i;
        const int32_t vertexCount = reader.ReadInt();
        if (vertexCount > static_cast<int32_t>(kMaxBatchVertices)) return false;
        if (!ReadVertices(reader, vertexCount, frame.vertices)) return false;
        const int32_t indexCount = reader.ReadInt();
        if (!ReadIndices(reader, indexCount, frame.indices)) return false;
        if (reader.HasOverrun()) return false;
        for (uint16_t index : frame.indices)
            if (index >= vertexCount) return false;
    }
    block = std::move(read);
    return true;
}

// ---------------------------------------------------------------- animation

CPAnimation::CPAnimation(const std::string& name, CPAnimationManager* manager) : mManager(manager), mName(name) {
    if (mManager) mManager->Enter(this);
}

CPAnimation::~CPAnimation() {
    if (mManager) mManager->Leave(this);
}

bool CPAnimation::Load(CPFileReader& reader, uint32_t colour) {
    CPAnimationBlock block;
    if (!ReadAnimationBlock(reader, block)) return false;
    Apply(std::move(block), colour);
    return true;
}

void CPAnimation::Apply(CPAnimationBlock block, uint32_t colour) {
    mFrames = std::move(block.frames);
    mFrameTime = block.frameTime;
    mFrameCount = static_cast<int32_t>(mFrames.size());
    mDuration = static_cast<float>(mFrameCount) * mFrameTime;

    // The start values are those of the stored format's tools; an empty animation keeps them.
    D3DXVECTOR3 minimum(5000000.0f, 5000000.0f, 5000000.0f);
    D3DXVECTOR3 maximum(-500000.0f, -5000000.0f, -500000.0f);
    for (size_t i = 0; i < mFrames.size(); ++i) {
        mFrames[i].frameNumber = static_cast<int32_t>(i);
        for (CPVertex& vertex : mFrames[i].vertices) {
            vertex.diffuse = colour;
            D3DXVec3Minimize(&minimum, &minimum, &vertex.position);
            D3DXVec3Maximize(&maximum, &maximum, &vertex.position);
        }
    }
    mBox = CPBoundingBox((maximum + minimum) * 0.5f, (maximum - minimum) * 0.5f);
}

// ---------------------------------------------------------------- cache

CPAnimationManager::~CPAnimationManager() { DestroyAll(); }

CPSmartPtr<CPAnimation> CPAnimationManager::GetAnimation(const std::string& key, CPFileReader& reader,
                                                         uint32_t colour) {
    CPAnimationBlock block;
    if (!ReadAnimationBlock(reader, block)) return CPSmartPtr<CPAnimation>();
    return GetAnimation(key, std::move(block), colour);
}

CPSmartPtr<CPAnimation> CPAnimationManager::GetAnimation(const std::string& key, CPAnimationBlock block,
                                                         uint32_t colour) {
    CPAnimation* animation = Find(key);
    if (!animation) animation = new CPAnimation(key, this);
    animation->Apply(std::move(block), colour);
    return CPSmartPtr<CPAnimation>(animation);
}

CPAnimation* CPAnimationManager::Find(const std::string& key) const {
    auto found = mTable.find(key);
    return found == mTable.end() ? nullptr : found->second;
}

void CPAnimationManager::Enter(CPAnimation* animation) {
    mTable[animation->GetName()] = animation;
    mMembers.insert(animation);
}

void CPAnimationManager::Leave(const CPAnimation* animation) {
    mMembers.erase(const_cast<CPAnimation*>(animation));
    auto found = mTable.find(animation->GetName());
    if (found != mTable.end() && found->second == animation) mTable.erase(found);
}

void CPAnimationManager::DestroyAll() {
    std::unordered_set<CPAnimation*> doomed;
    doomed.swap(mMembers);
    mTable.clear();
    for (CPAnimation* animation : doomed) {
        animation->mManager = nullptr;  // already out of the cache
        delete animation;
    }
}
