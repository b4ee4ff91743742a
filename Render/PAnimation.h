// Frame-by-frame vertex animations (every frame a whole mesh, frames at a fixed frame time) read from
// the animation blocks of animated mesh files, and their cache gAnimationManager: one animation per key.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "Render/PVertex.h"
#include "core/CPBoundingBox.h"
#include "core/CPRefObject.h"
#include "core/CPSmartPtr.h"

class CPFileReader;
class CPAnimationManager;

// Created by the host; null before.
extern CPAnimationManager* gAnimationManager;
CPAnimationManager* GetAnimationManager();

struct CPAnimationFrame {
    std::vector<CPVertex> vertices;
    std::vector<uint16_t> indices;  // triangle list into this frame's vertices
    int32_t frameNumber = 0;        // position in the animation, from 0
};

// One animation block as stored, checked and ready to apply.
struct CPAnimationBlock {
    float frameTime = 0.0f;  // seconds
    std::vector<CPAnimationFrame> frames;
};

// Stored frame times count 1/2400 s.
constexpr float kAnimationTimeUnit = 1.0f / 2400.0f;

// Reads the block at the reader's cursor: frame count, frame time, then per frame its vertices and
// indices. False when a count is negative or larger than the bytes left, a frame has more vertices than
// a batch can address, or an index lies outside its frame's vertices; the reader is then left wherever
// the block went bad, and the caller abandons the file. On success the reader is just behind the block.
bool ReadAnimationBlock(CPFileReader& reader, CPAnimationBlock& block);

class CPAnimation : public CPRefObject {
public:
    // Enters itself into gAnimationManager under the name (replacing another's entry of that name).
    explicit CPAnimation(const std::string& name) : CPAnimation(name, gAnimationManager) {}
    // The same with the cache given (null: none).
    CPAnimation(const std::string& name, CPAnimationManager* manager);
    // Leaves its cache; the entry under its name goes only when it is its own.
    ~CPAnimation() override;

    size_t GetSize() const override { return sizeof(CPAnimation); }
    std::string GetClassName() const override { return "CPAnimation"; }

    // Reads a block and applies it with `colour` as every vertex's diffuse colour (the object colour of
    // the description being built). A bad block leaves the animation as it was and answers false.
    // Invalidates references into the frames.
    bool Load(CPFileReader& reader, uint32_t colour);
    // Takes the block's frames (numbered afresh) and frame time, paints them and recomputes duration and box.
    void Apply(CPAnimationBlock block, uint32_t colour);

    const std::string& GetName() const { return mName; }
    float GetDuration() const { return mDuration; }
    int32_t GetFrameCount() const { return mFrameCount; }
    float GetFrameTime() const { return mFrameTime; }
    const std::vector<CPAnimationFrame>& GetFrames() const { return mFrames; }
    const CPBoundingBox& GetBox() const { return mBox; }

private:
    CPAnimationManager* mManager;  // the cache it entered; not owned, null: none
    std::string mName;         // the cache key
    float mDuration = 0.0f;    // seconds: frame count x frame time
    int32_t mFrameCount = 0;
    float mFrameTime = 0.0f;   // seconds per frame
    std::vector<CPAnimationFrame> mFrames;
    CPBoundingBox mBox;        // bounds of every vertex of every frame

    friend class CPAnimationManager;
};

class CPAnimationManager {
public:
    CPAnimationManager() = default;
    // Deletes every animation that entered it and is still alive.
    ~CPAnimationManager();
    CPAnimationManager(const CPAnimationManager&) = delete;
    CPAnimationManager& operator=(const CPAnimationManager&) = delete;

    // The animation under the key, made when missing, loaded from the block at the reader's cursor
    // either way: a cached animation takes the frames just read, so everything playing it sees them.
    // Empty when the block is bad; a cached animation then stays as it was, and no new one is made.
    CPSmartPtr<CPAnimation> GetAnimation(const std::string& key, CPFileReader& reader, uint32_t colour);
    // The same for a block already read and checked (a mesh file parsed whole before it is applied).
    // Never empty.
    CPSmartPtr<CPAnimation> GetAnimation(const std::string& key, CPAnimationBlock block, uint32_t colour);

    // Null when no animation has the key.
    CPAnimation* Find(const std::string& key) const;
    size_t GetCount() const { return mTable.size(); }
    // Deletes every animation that entered the cache and empties it. Invalidates every pointer to them.
    void DestroyAll();

private:
    friend class CPAnimation;
    void Enter(CPAnimation* animation);
    void Leave(const CPAnimation* animation);

    std::unordered_map<std::string, CPAnimation*> mTable;  // key -> animation (not owned but by DestroyAll)
    // Every live animation that entered, also those whose name a newer one took over in the table.
    std::unordered_set<CPAnimation*> mMembers;
};
