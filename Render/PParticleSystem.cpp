#include "Render/PParticleSystem.h"

#include <cmath>

#include "Render/PEffectSpawner.h"
#include "core/CPGameObject.h"
#include "core/FrameClock.h"
#include "core/GeometryUtils.h"
#include "platform/FiniteChecks.h"
#include "platform/RuntimeRandom.h"

namespace {

// One draw as a fraction in 0..1: multiplied by the float nearest 1/32767, not divided.
constexpr float kDrawScale = 3.0518509e-05f;

float RandomFraction() { return static_cast<float>(RuntimeRand()) * kDrawScale; }

// The turn that takes +Z onto the unit direction d: about Z x d = (-d.y, d.x, 0) by the angle between them.
D3DXMATRIX TurnFromZ(const D3DXVECTOR3& d) {
    D3DXMATRIX turn;
    const D3DXVECTOR3 axis(-d.y, d.x, 0.0f);
    if (D3DXVec3LengthSq(&axis) == 0.0f && d.z < 0.0f) {
        // Straight down the axis is zero (or too short to normalise) and would give no turn at all,
        // emitting upwards: a half turn about X takes +Z onto -Z.
        const D3DXVECTOR3 xAxis(1.0f, 0.0f, 0.0f);
        return *D3DXMatrixRotationAxis(&turn, &xAxis, D3DX_PI);
    }
    return *D3DXMatrixRotationAxis(&turn, &axis, static_cast<float>(SafeAcos(d.z)));
}

}  // namespace

CPParticleSystem::CPParticleSystem(CPGameObject* holder, const std::vector<std::string>& names)
    : mEmitterNames(names), mHolder(holder) {
    if (!gEmitterTable) return;
    for (const std::string& name : names) {
        CPEmitterRecord* entry = gEmitterTable->FindEmitter(name);
        if (!entry) continue;
        D3DXVec3Normalize(&entry->Direction, &entry->Direction);
        mEmitters.push_back(*entry);
    }
}

CPParticleSystem::~CPParticleSystem() {
    if (gEmitterTable) gEmitterTable->ForgetFlamePrototype(this);
    ReleaseIfAlive(mTarget);
}

CPGameObject* CPParticleSystem::LiveHolder() const {
    return mHolder && gObjectRegistry::Contains(mHolder) ? mHolder : nullptr;
}

CPGameObject* CPParticleSystem::LiveTarget() const {
    CPGameObject* target = mTarget.Get();
    return target && gObjectRegistry::Contains(target) ? target : nullptr;
}

void CPParticleSystem::SetTarget(CPGameObject* target) { mTarget = target; }

bool CPParticleSystem::SetStep(float step) {
    if (!(step > 0.0f)) return false;
    mStep = step;
    return true;
}

bool CPParticleSystem::Start() {
    mAccumulator = 0.0f;
    mElapsed = 0.0f;
    return CPTask::Start();
}

void CPParticleSystem::Update() {
    // A frame time that is no finite number would leave the accumulator infinite (a step loop that never
    // ends) or not a number (no step ever again).
    const float dt = FiniteOrZero(gDeltaTime);
    const float accumulatorAtEntry = mAccumulator;
    mAccumulator += dt;
    const bool halfLifeAhead = mLifetime * 0.5f > mElapsed;

    int32_t steps = 0;
    while (mAccumulator > mStep) {
        if (steps == kMaxStepsPerFrame) {
            // The whole steps beyond the bound are dropped but their time still counts as running time.
            const float kept = std::fmod(mAccumulator, mStep);
            mElapsed += mAccumulator - kept;
            mAccumulator = kept;
            if (mLifetime > 0.0f && mElapsed > mLifetime) Stop();
            break;
        }
        ++steps;
        if (CPGameObject* target = LiveTarget()) {
            D3DXVECTOR3 direction;
            direction.x = RandomFraction() - 0.5f;
            direction.y = RandomFraction() - 0.5f;
            direction.z = RandomFraction() - 0.5f;
            target->Damage(target->GetPosition(), direction, mDamageAmount, 0, false);
        }
        mAccumulator -= mStep;
        mElapsed += mStep;
        if (CPGameObject* holder = LiveHolder()) {
            const D3DXVECTOR3 zero(0.0f, 0.0f, 0.0f);
            holder->GetControllerOwner()->Damage(zero, zero, mDamageAmount, 0, false);
        }
        Emit();
        // The remaining steps of the frame still run (and stop again).
        if (mLifetime > 0.0f && mElapsed > mLifetime) Stop();
    }

    // The frame whose steps cross half the lifetime gives the holder's owner its material back: once a run.
    if (halfLifeAhead && mLifetime * 0.5f <= mElapsed) {
        if (CPGameObject* holder = LiveHolder()) holder->GetControllerOwner()->ApplyMaterial();
    }

    // Inside the steps the running time advanced in whole steps; over the frame it advances by dt.
    mElapsed = mElapsed + (mAccumulator - accumulatorAtEntry);
}

void CPParticleSystem::Emit() {
    CPEffectRecord head;
    CPEffectRecord* previous = nullptr;
    for (size_t i = 0; i < mEmitters.size(); ++i) {
        CPEffectRecord* record = &head;
        if (previous) {
            record = new CPEffectRecord;
            previous->Next = record;
        }
        *record = BuildEffectRecord(mEmitters[i], i == 0);
        previous = record;
    }
    // With no emitters the empty head still goes: it names no effect and launches nothing.
    if (gEmitterTable) gEmitterTable->SpawnEffect(head);
}

CPEffectRecord CPParticleSystem::BuildEffectRecord(const CPEmitterRecord& emitter, bool first) {
    CPEffectRecord record;
    record.Acceleration = emitter.Acceleration;
    record.Size = emitter.Size;
    record.Param = emitter.Param;
    record.Life = emitter.Life;
    record.Flag = emitter.Flag;

    D3DXVECTOR3 offset;
    const float rx = RandomFraction();
    offset.x = 2.0f * (rx * emitter.Spread.x) - emitter.Spread.x;
    const float ry = RandomFraction();
    offset.y = 2.0f * (ry * emitter.Spread.y) - emitter.Spread.y;
    const float rz = RandomFraction();
    offset.z = 2.0f * (rz * emitter.Spread.z) - emitter.Spread.z;

    D3DXMATRIX frame;
    if (CPGameObject* holder = LiveHolder()) {
        frame = holder->GetWorldMatrix();
    } else {
        D3DXMatrixIdentity(&frame);
    }
    // The first record is placed in the world; the chained ones keep offsets.
    if (first) offset += D3DXVECTOR3(frame._41, frame._42, frame._43);
    record.Position = offset;

    const int azimuthDraw = RuntimeRand();
    const float azimuth = D3DXToRadian(static_cast<float>(azimuthDraw % 360));
    float cone = 0.0f;
    // Half the full angle, truncated; 0 (a full angle of 1) would divide by zero and means no opening.
    const int32_t halfAngle = emitter.ConeAngle / 2;
    if (halfAngle != 0) {
        const int coneDraw = RuntimeRand();
        cone = D3DXToRadian(static_cast<float>(coneDraw % halfAngle));
    }

    const D3DXVECTOR3 local(std::sin(cone) * emitter.Speed * std::cos(azimuth),
                            std::sin(cone) * emitter.Speed * std::sin(azimuth), std::cos(cone) * emitter.Speed);
    const D3DXMATRIX turn = TurnFromZ(emitter.Direction);
    D3DXVECTOR4 turned;
    D3DXVec3Transform(&turned, &local, &turn);
    const D3DXVECTOR3 aligned(turned.x, turned.y, turned.z);
    D3DXVec3TransformNormal(&record.Velocity, &aligned, &frame);

    record.Name = emitter.EffectName;
    return record;
}

CPSmartPtr<CPTask> CPParticleSystem::Clone() {
    auto* clone = new CPParticleSystem(LiveHolder(), mEmitterNames);
    clone->mStep = mStep;
    clone->mLifetime = mLifetime;
    clone->mDamageAmount = mDamageAmount;
    clone->mTarget = LiveTarget();
    clone->mEmitterNames = mEmitterNames;
    // This system's copies, not the table's current entries.
    clone->mEmitters = mEmitters;
    return CPSmartPtr<CPTask>(clone);
}

CPRefObject* CPParticleSystem::CopyFor(CPGameObject* owner) {
    CPSmartPtr<CPTask> clone = Clone();
    if (auto* system = dynamic_cast<CPParticleSystem*>(clone.Get())) system->SetHolder(owner);
    return clone.Get();
}
