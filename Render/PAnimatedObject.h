// The render part of a game object whose whole mesh is replaced frame by frame from a vertex animation:
// it keeps its object's animations by name, plays one against the running clock at a chosen speed,
// counts loops, stops after a number of them, and tells a report target when it stopped and when a
// chosen frame came. Each fill places the frame with the owner's world matrix.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "Render/PAnimation.h"
#include "Render/PRenderable.h"
#include "Render/PTexAnimator.h"
#include "core/CPRenderPart.h"
#include "core/CPSmartPtr.h"

class CPTask;

// What starting an animation takes (the game object hands it down its tree).
struct CPAnimationRequest {
    std::string name;
    float speed = 1.0f;       // time scale
    int32_t loopLimit = 0;    // loops until the stop; 0 or less: no limit
    CPSmartPtr<CPTask> reportTarget;  // receives "animation_stopped" and "animation_report"; may be empty
    int32_t reportFrame = -1;  // frame number whose arrival is reported; -1: none
    float startOffset = 0.0f;  // seconds added to the running clock for the start
};

class CPAnimatedObject : public CPRenderable, public CPRenderPart {
public:
    // Number of buckets the animation map starts with.
    static constexpr size_t kAnimationBuckets = 100;

    // No animation, speed 1, no report frame, nothing reported.
    CPAnimatedObject();
    // Deletes the animators, lets go of the report target, the animations and the material.
    ~CPAnimatedObject() override;

    size_t GetSize() const override { return sizeof(CPAnimatedObject); }
    std::string GetClassName() const override { return "CPAnimatedObject"; }

    // --- renderable
    bool IsSkipped() const override { return false; }
    void SetSkipped(bool) override {}
    // The counts of the frame the next fill writes, the stop included when this fill will see it.
    int32_t GetVertexCount() const override;
    int32_t GetIndexCount() const override;
    // Advances loops, stop and report by the clock, then writes the frame placed by the owner's world
    // matrix (triangle winding reversed when that matrix mirrors), animators applied in place. False
    // when nothing is written (no animation or frame, or past the last addressable batch vertex).
    bool FillVertices(CPVertex* vertices, uint16_t* indices, uint16_t baseIndex, int32_t flag) override;
    void CopyIndices(uint16_t*, int32_t, uint16_t&, uint16_t&) override {}
    CPSmartPtr<CPMaterial> GetMaterial() const override;
    void DetachOwner(const CPGameObject* owner) override;
    // Takes over the source's animations, playing state, report target, material and animated flag, and
    // clones its animators; the owner stays (the caller sets it).
    void CopyFrom(const CPSmartPtr<CPAnimatedObject>& source);

    // --- render part (kind 1): the copy takes this object (CopyFrom) and follows the new owner
    RenderKind GetPartKind() const override { return kRenderAnimated; }
    CPRefObject* CopyFor(CPGameObject* owner) override;


    void SetMaterial(CPSmartPtr<CPMaterial> material);
    CPGameObject* GetOwner() const { return mOwner; }
    void SetOwner(CPGameObject* owner) { mOwner = owner; }

    // Enters the animation under the name (replacing one of that name). The first one added while
    // nothing plays starts playing from clock time 0.
    void AddNamedAnimation(const std::string& name, CPSmartPtr<CPAnimation> animation);
    // Starts the named animation from the request; false, and nothing changes, when the map lacks the
    // name or, unless forced, when that name is already playing. Resets every animator.
    bool StartAnimation(const CPAnimationRequest& request, bool force);

    // The frame record index the clock picks now; -1 when there is no frame.
    int32_t ChooseFrame() const;

    // Takes ownership and sets the animated flag; a null animator is ignored.
    void AddAnimator(std::unique_ptr<CPTexAnimator> animator);
    const CPTexAnimatorList& GetAnimators() const { return mAnimators; }
    bool IsAnimated() const { return mAnimated; }

    const std::unordered_map<std::string, CPSmartPtr<CPAnimation>>& GetAnimations() const { return mAnimations; }
    CPAnimation* GetAnimation() const { return mAnimation.Get(); }
    const std::string& GetAnimationName() const { return mAnimationName; }
    float GetStartTime() const { return mStartTime; }
    int32_t GetLoopLimit() const { return mLoopLimit; }
    int32_t GetLoopCount() const { return mLoopCount; }
    int32_t GetReportFrame() const { return mReportFrame; }
    int32_t GetReportedFrame() const { return mReportedFrame; }
    float GetSpeed() const { return mSpeed; }
    CPTask* GetReportTarget() const { return mReportTarget.Get(); }
    // Index of the frame written last; -1 before the first fill after a start.
    int32_t GetCurrentFrame() const { return mCurrentFrame; }
    bool IsStopped() const { return mStopped; }

private:
    // What the next fill does, worked out without changing anything, so that the counts and the
    // fill always agree.
    struct Plan {
        int32_t chosen = -1;  // frame the clock picks (-1: none)
        int32_t shown = -1;   // frame that is written (-1: none)
        bool loopCompleted = false;
        bool stops = false;
    };
    Plan MakePlan() const;
    const CPAnimationFrame* ShownFrame(const Plan& plan) const;
    // Posts to the report target when it is a live, running command receiver.
    void Report(const char* command);

    CPGameObject* mOwner = nullptr;  // not counted; the owner unhooks itself when destroyed
    CPSmartPtr<CPMaterial> mMaterial;
    std::unordered_map<std::string, CPSmartPtr<CPAnimation>> mAnimations;
    CPSmartPtr<CPAnimation> mAnimation;  // being played
    // Seconds on gRunningTime where the animation's time 0 lies. Single precision on purpose: its
    // rounding decides which frame shows at a loop's edge.
    float mStartTime = 0.0f;
    int32_t mLoopLimit = 0;    // 0 or less: no limit
    int32_t mLoopCount = 0;    // loops completed since the start
    int32_t mReportedFrame = -1;  // frame number already reported in this loop; -1: none
    int32_t mReportFrame = -1;    // frame number whose arrival is reported; -1: none
    float mSpeed = 1.0f;
    CPSmartPtr<CPTask> mReportTarget;
    // An index, not a pointer: a reload of the animation replaces its frame records.
    int32_t mCurrentFrame = -1;
    bool mStopped = false;
    std::string mAnimationName;  // empty after a stop
    bool mAnimated = false;      // texture animators are attached
    CPTexAnimatorList mAnimators;
    // Counts the starts, so that a fill notices a start made from one of its own reports.
    uint32_t mStartSerial = 0;
};
