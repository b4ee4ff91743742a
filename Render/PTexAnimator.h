// Modifiers of a renderable's vertices on their way into the frame's batch: texture-atlas flipping,
// alpha flicker, scrolling texture coordinates, fading and environment coordinates. Each keeps its own
// clock, advanced by gDeltaTime at every application. Not counted: the renderable that holds one deletes it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Render/PVertex.h"

class CPTexAnimator {
public:
    // Advances the animator's own clock by the seconds given.
    virtual void Update(float seconds) = 0;
    virtual ~CPTexAnimator() = default;
    // Writes count vertices made from source into destination; the two may be the same array.
    virtual void Apply(CPVertex* destination, const CPVertex* source, int32_t count) = 0;
    // A new animator of the same kind and state, owned by the caller.
    virtual CPTexAnimator* Clone() const = 0;
    // Restarts the effect; most kinds have nothing to restart.
    virtual void Reset() {}
};

using CPTexAnimatorList = std::vector<std::unique_ptr<CPTexAnimator>>;

// "anim": the mesh's texture coordinates address one cell of a columns x rows atlas; the cell changes
// `rate` times a second, left to right, then top to bottom.
class CPTexAnimAtlas : public CPTexAnimator {
public:
    // Atlases with more cells than this are refused by the factory (and clamped here).
    static constexpr int32_t kMaxCells = 65536;

    // Counts below 1 count as 1, so there is always a cell to show.
    CPTexAnimAtlas(int32_t columns, int32_t rows, float rate);
    void Update(float seconds) override;
    void Apply(CPVertex* destination, const CPVertex* source, int32_t count) override;
    CPTexAnimator* Clone() const override { return new CPTexAnimAtlas(*this); }

    int32_t GetFrame() const { return mFrame; }
    int32_t GetFrameCount() const { return mFrameCount; }
    float GetColumnOffset(int32_t cell) const { return mColumnOffsets[static_cast<size_t>(cell)]; }
    float GetRowOffset(int32_t cell) const { return mRowOffsets[static_cast<size_t>(cell)]; }

private:
    int32_t mColumns;
    int32_t mRows;
    float mRate;   // cells per second
    float mClock;  // seconds
    std::vector<float> mColumnOffsets;  // u offset of each cell
    std::vector<float> mRowOffsets;     // v offset of each cell
    float mColumnScale;  // 1 / columns
    float mRowScale;     // 1 / rows
    int32_t mFrame;      // cell shown, 0 .. frame count - 1
    int32_t mFrameCount; // columns x rows
};

// "flick": the vertex alpha swings around a centre level with a sine of the clock; colours become white.
class CPTexAnimFlick : public CPTexAnimator {
public:
    // low and high are alpha levels (0..255); the start phase is one random draw.
    CPTexAnimFlick(float frequency, uint8_t low, uint8_t high);
    void Update(float seconds) override;
    void Apply(CPVertex* destination, const CPVertex* source, int32_t count) override;
    CPTexAnimator* Clone() const override { return new CPTexAnimFlick(*this); }

    int32_t GetLevel() const { return mLevel; }

private:
    float mFrequency;   // radians per second of phase
    uint8_t mCentre;    // low + int(amplitude), in 8 bits
    int32_t mLevel;     // alpha scale 0..255; 0xFFFFFF until the first update
    float mAmplitude;   // (high - low) / 2; negative when low > high
    float mPhase;       // seconds
};

// "movingtex": scrolls the first texture coordinates by a speed per second, offsets kept in [0, 1].
class CPTexAnimMove : public CPTexAnimator {
public:
    // Both offsets start at one random draw times their speed, so objects start at different phases.
    CPTexAnimMove(float speedU, float speedV);
    void Update(float seconds) override;
    void Apply(CPVertex* destination, const CPVertex* source, int32_t count) override;
    CPTexAnimator* Clone() const override { return new CPTexAnimMove(*this); }

    float GetOffsetU() const { return mOffsetU; }
    float GetOffsetV() const { return mOffsetV; }

private:
    float mSpeedU;  // texture widths per second
    float mSpeedV;
    float mOffsetU;
    float mOffsetV;
};

// "fade": the vertex alpha falls from 255 by `speed` per second and stays at 0; colours become white.
class CPTexAnimFade : public CPTexAnimator {
public:
    explicit CPTexAnimFade(float speed);
    void Update(float seconds) override;
    void Apply(CPVertex* destination, const CPVertex* source, int32_t count) override;
    CPTexAnimator* Clone() const override { return new CPTexAnimFade(*this); }
    void Reset() override { mLevel = 255.0f; }

    float GetLevel() const { return mLevel; }

private:
    float mSpeed;  // alpha levels per second
    float mLevel;  // 0..255
};

// "environment": second texture coordinates from the position and normal, for an environment look.
class CPTexAnimEnvironment : public CPTexAnimator {
public:
    explicit CPTexAnimEnvironment(float scale) : mScale(scale) {}
    void Update(float) override {}
    void Apply(CPVertex* destination, const CPVertex* source, int32_t count) override;
    CPTexAnimator* Clone() const override { return new CPTexAnimEnvironment(*this); }

private:
    float mScale;  // world units per texture repeat
};

// The animator named by the keyword (any case) built from its numeric parameters; empty for an unknown
// keyword, a wrong parameter count, a parameter that is not numeric text, or an atlas without cells.
std::unique_ptr<CPTexAnimator> CreateTexAnimator(const std::string& keyword, const std::vector<std::string>& parameters);

// Every animator of `source`, cloned in order.
CPTexAnimatorList CloneTexAnimators(const CPTexAnimatorList& source);

// Applies the list in order: the first from `source` into `destination`, every further one on
// `destination` in place. Nothing happens for an empty list.
void ApplyTexAnimators(const CPTexAnimatorList& animators, CPVertex* destination, const CPVertex* source,
                       int32_t count);

// The offset rule of "movingtex": subtract 1 while above 1, then add 1 while below 0. Computed in one
// step with the same result as the repeated steps (exact below 2^24, where the steps would never end).
float WrapTextureOffset(float offset);
