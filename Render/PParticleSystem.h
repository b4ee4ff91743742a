// A particle system: the render part of one game object (render kind 4), run as a task. At a fixed step
// it builds one effect record per emitter, chains them and has the effect spawner launch the first
// emitter's effect with that chain; it draws nothing itself. It can also damage a target and the
// holder's controlling object at every step, and re-applies that object's material at half its lifetime.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Render/PEffectRecord.h"
#include "Render/PEmitterRecord.h"
#include "core/CPRenderPart.h"
#include "core/CPSmartPtr.h"
#include "core/CPTask.h"

class CPGameObject;

class CPParticleSystem : public CPTask, public CPRenderPart {
public:
    static constexpr int32_t kTag = 1;
    static constexpr float kDefaultStep = 0.5f;
    // A frame that would run more steps than this drops the rest of its whole steps: a huge frame time
    // on a tiny step stays a bounded amount of work (and the accumulator keeps its precision). Far above
    // what a real frame holds (a 10 s stall on a 0.01 s step), since every step damages.
    static constexpr int32_t kMaxStepsPerFrame = 1024;

    // Copies the emitter records of gEmitterTable named in `names`, in order, skipping names the table
    // does not hold; each copied entry's direction is normalised in the table first.
    CPParticleSystem(CPGameObject* holder, const std::vector<std::string>& names);
    // Leaves the flame prototypes of gEmitterTable when it is one; lets go of the target.
    ~CPParticleSystem() override;

    size_t GetSize() const override { return sizeof(CPParticleSystem); }
    std::string GetClassName() const override { return "CPParticleSystem"; }
    int32_t GetTag() const override { return kTag; }

    // Resets the accumulator and the elapsed time in every case, then starts like any task (false while
    // already running).
    bool Start() override;
    void Execute() override { Update(); }
    // A new system with the same holder, names, step, lifetime, damage, target and emitter copies; not
    // started, default priority. The caller owns it.
    CPSmartPtr<CPTask> Clone() override;

    // --- render part (kind 4): a Clone held by the new owner
    RenderKind GetPartKind() const override { return kRenderParticles; }
    CPRefObject* CopyFor(CPGameObject* owner) override;

    // One frame of gDeltaTime: as many whole steps as the time gathered allows (see the .cpp).
    void Update();
    // One step's launch: the records of all emitters chained behind the first, handed to gEmitterTable.
    void Emit();
    // The record of one emitter, drawing its start offset and its direction in the cone; the first record
    // of a step is placed at the holder's world position, the others keep plain offsets.
    CPEffectRecord BuildEffectRecord(const CPEmitterRecord& emitter, bool first);

    // Refused (false, the step stays) unless the step is greater than 0: a step of 0 would never end
    // the step loop. A description's empty or non-numeric step thus keeps the default.
    bool SetStep(float step);
    float GetStep() const { return mStep; }
    float GetLifetime() const { return mLifetime; }
    void SetLifetime(float seconds) { mLifetime = seconds; }
    float GetDamageAmount() const { return mDamageAmount; }
    void SetDamageAmount(float amount) { mDamageAmount = amount; }
    CPGameObject* GetTarget() const { return mTarget.Get(); }
    void SetTarget(CPGameObject* target);
    CPGameObject* GetHolder() const { return mHolder; }
    void SetHolder(CPGameObject* holder) { mHolder = holder; }
    float GetAccumulator() const { return mAccumulator; }
    float GetElapsed() const { return mElapsed; }
    const std::vector<CPEmitterRecord>& GetEmitters() const { return mEmitters; }
    const std::vector<std::string>& GetEmitterNames() const { return mEmitterNames; }

private:
    // The holder while it is a live engine object; null otherwise.
    CPGameObject* LiveHolder() const;
    // The target while it is a live engine object; null otherwise.
    CPGameObject* LiveTarget() const;

    std::vector<CPEmitterRecord> mEmitters;  // copies of the table's entries
    std::vector<std::string> mEmitterNames;  // as given, found or not: a clone looks them up again
    float mAccumulator = 0.0f;               // seconds of frame time not yet turned into steps
    float mStep = kDefaultStep;              // seconds per step; always greater than 0
    float mLifetime = -1.0f;                 // seconds; 0 or less: no end
    float mElapsed = 0.0f;                   // seconds of running since Start
    float mDamageAmount = 0.0f;              // handed to CPGameObject::Damage at every step
    CPSmartPtr<CPGameObject> mTarget;        // damaged at every step; null: none
    CPGameObject* mHolder = nullptr;         // whose render part this is; not owned, checked before use
};
