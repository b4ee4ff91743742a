// A keyframe track of one node of a scene tree, run as a task: it walks its key matrices by the frame
// time, poses its node between the two keys around the current time and tells the node when a cycle ends.
#pragma once

#include <cstdint>
#include <vector>

#include "core/CPSmartPtr.h"
#include "core/CPTask.h"
#include "platform/D3DX9Math.h"

class CPGameObject;

class CPPartAnimation : public CPTask {
public:
    static constexpr int32_t kTag = 1;
    // A looping step that would end more cycles than this drops the rest of its time modulo the cycle
    // instead of reporting each end: a huge frame time on a tiny cycle stays a bounded step.
    static constexpr int32_t kMaxCycleEndsPerStep = 64;

    CPPartAnimation() = default;

    size_t GetSize() const override { return sizeof(CPPartAnimation); }
    std::string GetClassName() const override { return "CPPartAnimation"; }
    int32_t GetTag() const override { return kTag; }

    // One step of gDeltaTime: see the .cpp for the walk over the keys.
    void Execute() override;

    // Replaces both lists with copies. Key i is held for durations[i] seconds on its way to key i + 1.
    void SetKeys(const std::vector<D3DXMATRIX>& keys, const std::vector<float>& durations);
    // Keys, durations and the looping flag of the source; owner, time and key index stay.
    void CopyFrom(CPSmartPtr<CPPartAnimation> source);

    const std::vector<D3DXMATRIX>& GetKeys() const { return mKeys; }
    const std::vector<float>& GetDurations() const { return mDurations; }
    CPGameObject* GetOwner() const { return mOwner; }
    void SetOwner(CPGameObject* owner) { mOwner = owner; }
    float GetTime() const { return mTime; }
    int32_t GetKey() const { return mKey; }
    bool IsLooping() const { return mLooping; }
    void SetLooping(bool looping) { mLooping = looping; }

    // The blend of the two keys around the current time (the first key's matrix for a one-key track,
    // the identity for an empty one).
    D3DXMATRIX GetPose() const;

private:
    // Keys that have a duration: both lists may come with different lengths.
    int32_t UsableKeyCount() const;
    // Index at which a cycle ends: the next-to-last key, or key 1 on a track of one or two keys.
    int32_t CycleEndKey() const;
    // Seconds spent in key k; a negative duration counts as 0, so time is never given back.
    float Duration(int32_t k) const;
    // Seconds from key 0 to the cycle end.
    float CycleLength() const;
    // Walks the keys by the time gathered; returns after a non-looping track reports its end.
    void Advance();
    void ReportEnd();
    void PoseOwner();
    bool OwnerAlive() const;

    std::vector<D3DXMATRIX> mKeys;
    std::vector<float> mDurations;  // seconds, one per key
    CPGameObject* mOwner = nullptr;  // the node it moves; not owned
    float mTime = 0.0f;              // seconds spent in the current key
    int32_t mKey = 0;                // index of the current key; never past the last usable key
    bool mLooping = false;
};
