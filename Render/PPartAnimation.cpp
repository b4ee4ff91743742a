#include "Render/PPartAnimation.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/CPGameObject.h"
#include "core/FrameClock.h"
#include "platform/FiniteChecks.h"

void CPPartAnimation::SetKeys(const std::vector<D3DXMATRIX>& keys, const std::vector<float>& durations) {
    mKeys = keys;
    mDurations = durations;
}

void CPPartAnimation::CopyFrom(CPSmartPtr<CPPartAnimation> source) {
    if (!source) return;
    mKeys = source->mKeys;
    mDurations = source->mDurations;
    mLooping = source->mLooping;
}

int32_t CPPartAnimation::UsableKeyCount() const {
    const size_t count = std::min(mKeys.size(), mDurations.size());
    return static_cast<int32_t>(std::min<size_t>(count, std::numeric_limits<int32_t>::max()));
}

int32_t CPPartAnimation::CycleEndKey() const {
    // The segment from the next-to-last to the last key is never run through; a track of one or two
    // keys has no such segment to spare and ends after its first.
    const int32_t count = UsableKeyCount();
    return count >= 3 ? count - 2 : 1;
}

float CPPartAnimation::Duration(int32_t k) const {
    const float d = mDurations[static_cast<size_t>(k)];
    return d < 0.0f ? 0.0f : d;
}

float CPPartAnimation::CycleLength() const {
    const int32_t end = std::min(CycleEndKey(), UsableKeyCount());
    float length = 0.0f;
    for (int32_t k = 0; k < end; ++k) length += Duration(k);
    return length;
}

bool CPPartAnimation::OwnerAlive() const { return mOwner && gObjectRegistry::Contains(mOwner); }

void CPPartAnimation::ReportEnd() {
    if (OwnerAlive()) mOwner->OnAnimationEnd();
}

void CPPartAnimation::Execute() {
    mTime = FiniteOrZero(mTime + FiniteOrZero(gDeltaTime));
    Advance();
    PoseOwner();
}

void CPPartAnimation::Advance() {
    const int32_t count = UsableKeyCount();
    // A cycle of no length cannot loop: a looping track holds its first key, a one-shot track ends.
    const bool noLength = count == 0 || !(CycleLength() > 0.0f);
    if (noLength && mLooping) {
        mKey = 0;
        mTime = 0.0f;
        return;
    }
    if (count == 0) {
        ReportEnd();
        Stop();
        return;
    }
    // Keys replaced while the track stood at a later index.
    mKey = std::clamp(mKey, 0, count - 1);

    const int32_t endKey = CycleEndKey();
    int32_t ends = 0;
    while (mTime > Duration(mKey)) {
        mTime -= Duration(mKey);
        ++mKey;
        if (mKey < endKey) continue;
        if (!mLooping) {
            mKey = std::min(mKey, count - 1);
            ReportEnd();
            Stop();
            return;
        }
        mKey = 0;
        ReportEnd();
        if (++ends >= kMaxCycleEndsPerStep) mTime = std::fmod(mTime, CycleLength());
    }
}

D3DXMATRIX CPPartAnimation::GetPose() const {
    const int32_t count = UsableKeyCount();
    D3DXMATRIX pose;
    if (count == 0) return *D3DXMatrixIdentity(&pose);
    const int32_t k = std::clamp(mKey, 0, count - 1);
    const int32_t next = std::min(k + 1, count - 1);
    const float d = Duration(k);
    float f = d > 0.0f ? mTime / d : 0.0f;
    f = f >= 0.0f ? std::min(f, 1.0f) : 0.0f;  // NaN counts as 0
    const D3DXMATRIX& a = mKeys[static_cast<size_t>(k)];
    const D3DXMATRIX& b = mKeys[static_cast<size_t>(next)];
    return a + (b - a) * f;
}

void CPPartAnimation::PoseOwner() {
    if (!OwnerAlive()) return;
    if (UsableKeyCount() > 0) {
        // The blend drives the node's own position and rotation; its scale is not kept by a node.
        const D3DXMATRIX pose = GetPose();
        D3DXVECTOR3 scale, translation;
        D3DXQUATERNION rotation;
        const bool proper = D3DXMatrixDecompose(&scale, &rotation, &translation, &pose) == D3D_OK;
        mOwner->SetPosition(translation);
        if (proper) mOwner->SetRotation(rotation);
    }
    mOwner->UpdateTransform();
}
