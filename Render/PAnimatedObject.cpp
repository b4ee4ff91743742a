#include "Render/PAnimatedObject.h"

#include <algorithm>
#include <cmath>

#include "Render/PMaterial.h"
#include "core/CPCommandTask.h"
#include "core/CPGameObject.h"
#include "core/FloatToInt.h"
#include "core/FrameClock.h"
#include "core/ObjectAddress.h"

CPAnimatedObject::CPAnimatedObject() : mAnimations(kAnimationBuckets) {}

CPAnimatedObject::~CPAnimatedObject() {
    mAnimators.clear();
    ReleaseIfAlive(mReportTarget);
    ReleaseIfAlive(mAnimation);
    for (auto& entry : mAnimations) ReleaseIfAlive(entry.second);
    ReleaseIfAlive(mMaterial);
}

CPSmartPtr<CPMaterial> CPAnimatedObject::GetMaterial() const { return mMaterial; }

void CPAnimatedObject::SetMaterial(CPSmartPtr<CPMaterial> material) {
    ReleaseIfAlive(mMaterial);
    mMaterial = material;
}

void CPAnimatedObject::DetachOwner(const CPGameObject* owner) {
    if (mOwner == owner) mOwner = nullptr;
}

void CPAnimatedObject::AddAnimator(std::unique_ptr<CPTexAnimator> animator) {
    if (!animator) return;
    mAnimators.push_back(std::move(animator));
    mAnimated = true;
}

void CPAnimatedObject::AddNamedAnimation(const std::string& name, CPSmartPtr<CPAnimation> animation) {
    CPSmartPtr<CPAnimation>& entry = mAnimations[name];
    ReleaseIfAlive(entry);
    entry = animation;
    if (!mAnimation) {
        mAnimation = animation;
        mStopped = false;
    }
}

bool CPAnimatedObject::StartAnimation(const CPAnimationRequest& request, bool force) {
    if (!force && request.name == mAnimationName) return false;
    auto found = mAnimations.find(request.name);
    if (found == mAnimations.end()) return false;
    mAnimationName = request.name;
    // What was held may be gone already (a report target is often a script object): no call on it then.
    ReleaseIfAlive(mAnimation);
    ReleaseIfAlive(mReportTarget);
    mAnimation = found->second;
    mStartTime = static_cast<float>(gRunningTime + static_cast<double>(request.startOffset));
    mLoopCount = 0;
    mLoopLimit = request.loopLimit;
    mReportFrame = request.reportFrame;
    mSpeed = request.speed;
    mReportTarget = request.reportTarget;
    mReportedFrame = -1;
    mCurrentFrame = -1;
    mStopped = false;
    for (auto& animator : mAnimators) animator->Reset();
    ++mStartSerial;
    return true;
}

int32_t CPAnimatedObject::ChooseFrame() const {
    if (!mAnimation) return -1;
    const auto count = static_cast<int32_t>(mAnimation->GetFrames().size());
    if (count == 0) return -1;
    const double length = mAnimation->GetDuration();
    const double frameTime = mAnimation->GetFrameTime();
    double t = (gRunningTime - static_cast<double>(mStartTime)) * static_cast<double>(mSpeed);
    // Without a positive length and frame time the clock cannot pick a frame: the first one shows.
    if (!(length > 0.0) || !(frameTime > 0.0) || !std::isfinite(t)) return 0;
    if (t > length) {
        // The remainder of the repeated subtraction in one exact step; a whole multiple stays at the length.
        t = std::fmod(t, length);
        if (t == 0.0) t = length;
    }
    return std::clamp(TruncateToInt32(t / frameTime), 0, count - 1);
}

CPAnimatedObject::Plan CPAnimatedObject::MakePlan() const {
    Plan plan;
    if (!mAnimation || mAnimation->GetFrames().empty()) return plan;
    const auto count = static_cast<int32_t>(mAnimation->GetFrames().size());
    if (mStopped) {
        // The frame the stop left on screen, within the frames a reload may have shortened.
        plan.shown = std::clamp(mCurrentFrame, 0, count - 1);
        return plan;
    }
    plan.chosen = ChooseFrame();
    plan.loopCompleted = mCurrentFrame >= 0 && mCurrentFrame > plan.chosen;
    plan.stops = plan.loopCompleted && mLoopLimit > 0 && static_cast<int64_t>(mLoopCount) + 1 >= mLoopLimit;
    // The stop shows the next-to-last frame; a one-frame animation has only frame 0.
    plan.shown = plan.stops ? std::max(count - 2, 0) : plan.chosen;
    return plan;
}

const CPAnimationFrame* CPAnimatedObject::ShownFrame(const Plan& plan) const {
    if (plan.shown < 0) return nullptr;
    return &mAnimation->GetFrames()[static_cast<size_t>(plan.shown)];
}

int32_t CPAnimatedObject::GetVertexCount() const {
    const CPAnimationFrame* frame = ShownFrame(MakePlan());
    return frame ? static_cast<int32_t>(frame->vertices.size()) : 0;
}

int32_t CPAnimatedObject::GetIndexCount() const {
    const CPAnimationFrame* frame = ShownFrame(MakePlan());
    return frame ? static_cast<int32_t>(frame->indices.size()) : 0;
}

void CPAnimatedObject::Report(const char* command) {
    CPTask* target = mReportTarget.Get();
    if (!target || !gObjectRegistry::Contains(target)) return;
    if (auto* receiver = dynamic_cast<CPCommandTask*>(target)) PostCommand(receiver, command, AddressToText(target));
}

bool CPAnimatedObject::FillVertices(CPVertex* vertices, uint16_t* indices, uint16_t baseIndex, int32_t /*flag*/) {
    const Plan plan = MakePlan();
    const CPAnimationFrame* frame = ShownFrame(plan);
    if (!frame) return false;
    const size_t vertexCount = frame->vertices.size();
    if (baseIndex + vertexCount > kMaxBatchVertices) return false;
    // The frame record stays put while the reports below run: only a reload replaces records, and a
    // report only posts commands or starts animations.

    if (!mStopped) {
        const uint32_t serial = mStartSerial;
        if (plan.loopCompleted) {
            mReportedFrame = -1;
            ++mLoopCount;
            if (plan.stops) {
                mStopped = true;
                mCurrentFrame = plan.shown;
                mAnimationName.clear();
                Report("animation_stopped");
                if (mOwner) mOwner->NotifyEnemyAnimation();
            }
        }
        // A report above may have started another animation: its state is then left as the start made it.
        if (serial == mStartSerial) {
            if (!mStopped) mCurrentFrame = plan.chosen;
            if (mReportFrame >= 0 && mReportedFrame < 0 && mReportFrame <= plan.chosen) {
                mReportedFrame = plan.chosen;
                Report("animation_report");
                if (mOwner) mOwner->NotifyEnemyAttack();
            }
        }
    }

    D3DXMATRIX world;
    if (mOwner) {
        world = mOwner->GetWorldMatrix();
    } else {
        D3DXMatrixIdentity(&world);
    }
    for (size_t i = 0; i < vertexCount; ++i) {
        CPVertex placed = frame->vertices[i];
        D3DXVec3TransformCoord(&placed.position, &frame->vertices[i].position, &world);
        D3DXVec3TransformNormal(&placed.normal, &frame->vertices[i].normal, &world);
        vertices[i] = placed;
    }
    if (mAnimated) ApplyTexAnimators(mAnimators, vertices, vertices, static_cast<int32_t>(vertexCount));

    // A mirroring matrix turns the triangles over: swap two corners so culling keeps the same faces.
    // Only whole triangles are swapped; a stray index at the end is copied as it is.
    const std::vector<uint16_t>& source = frame->indices;
    const bool mirrored = world._11 * (world._22 * world._33 - world._23 * world._32) -
                              world._12 * (world._21 * world._33 - world._23 * world._31) +
                              world._13 * (world._21 * world._32 - world._22 * world._31) <
                          0.0f;
    const size_t whole = mirrored ? source.size() / 3 * 3 : 0;
    for (size_t i = 0; i < whole; i += 3) {
        indices[i] = static_cast<uint16_t>(source[i] + baseIndex);
        indices[i + 1] = static_cast<uint16_t>(source[i + 2] + baseIndex);
        indices[i + 2] = static_cast<uint16_t>(source[i + 1] + baseIndex);
    }
    for (size_t i = whole; i < source.size(); ++i) indices[i] = static_cast<uint16_t>(source[i] + baseIndex);
    return true;
}

CPRefObject* CPAnimatedObject::CopyFor(CPGameObject* owner) {
    auto* copy = new CPAnimatedObject();
    copy->CopyFrom(this);
    copy->SetOwner(owner);
    return copy;
}

void CPAnimatedObject::CopyFrom(const CPSmartPtr<CPAnimatedObject>& source) {
    const CPAnimatedObject* from = source.Get();
    if (!from || from == this) return;
    for (const auto& [name, animation] : from->mAnimations) mAnimations[name] = animation;
    mAnimation = from->mAnimation;
    mStartTime = from->mStartTime;
    mLoopLimit = from->mLoopLimit;
    mLoopCount = from->mLoopCount;
    mReportedFrame = from->mReportedFrame;
    mReportFrame = from->mReportFrame;
    mSpeed = from->mSpeed;
    mReportTarget = from->mReportTarget;
    mCurrentFrame = from->mCurrentFrame;
    mStopped = from->mStopped;
    mAnimationName = from->mAnimationName;
    mMaterial = from->mMaterial;
    mAnimated = from->mAnimated;
    mAnimators = CloneTexAnimators(from->mAnimators);
}
