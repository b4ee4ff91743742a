#include "Render/PTexAnimator.h"

#include <algorithm>
#include <cmath>

#include "core/FloatToInt.h"
#include "core/FrameClock.h"
#include "core/StringUtils.h"
#include "core/config/CPDator.h"
#include "platform/RuntimeRandom.h"

namespace {

constexpr float kInverse255 = 0.003921569f;  // the float nearest 1/255
constexpr uint32_t kWhite = 0x00FFFFFF;

// Calls edit(vertex) on a copy of every source vertex and stores it: source and destination may alias.
template <class Edit>
void CopyEach(CPVertex* destination, const CPVertex* source, int32_t count, Edit edit) {
    for (int32_t i = 0; i < count; ++i) {
        CPVertex vertex = source[i];
        edit(vertex);
        destination[i] = vertex;
    }
}

}  // namespace

float WrapTextureOffset(float offset) {
    if (!std::isfinite(offset)) return 0.0f;
    if (offset > 1.0f) {
        // The repeated subtraction stops at the fraction, or at 1 itself for a whole number.
        const float fraction = offset - std::floor(offset);
        offset = fraction == 0.0f ? 1.0f : fraction;
    }
    if (offset < 0.0f) offset = offset - std::floor(offset);
    return offset;
}

// ---------------------------------------------------------------- atlas

CPTexAnimAtlas::CPTexAnimAtlas(int32_t columns, int32_t rows, float rate)
    : mColumns(std::clamp(columns, 1, kMaxCells)),
      mRows(std::clamp(rows, 1, kMaxCells / std::clamp(columns, 1, kMaxCells))),
      mRate(rate),
      mClock(0.0f),
      mColumnScale(1.0f / static_cast<float>(mColumns)),
      mRowScale(1.0f / static_cast<float>(mRows)),
      mFrame(0),
      mFrameCount(mColumns * mRows) {
    mColumnOffsets.reserve(static_cast<size_t>(mFrameCount));
    mRowOffsets.reserve(static_cast<size_t>(mFrameCount));
    for (int32_t r = 0; r < mRows; ++r) {
        for (int32_t c = 0; c < mColumns; ++c) {
            mColumnOffsets.push_back(static_cast<float>(c) * mColumnScale);
            mRowOffsets.push_back(static_cast<float>(r) * mRowScale);
        }
    }
}

void CPTexAnimAtlas::Update(float seconds) {
    mClock += seconds;
    // A negative rate runs the cells backwards; the index always lands inside the atlas.
    const int32_t cell = TruncateToInt32(mClock * mRate) % mFrameCount;
    mFrame = cell < 0 ? cell + mFrameCount : cell;
}

void CPTexAnimAtlas::Apply(CPVertex* destination, const CPVertex* source, int32_t count) {
    Update(gDeltaTime);
    const float uOffset = mColumnOffsets[static_cast<size_t>(mFrame)];
    const float vOffset = mRowOffsets[static_cast<size_t>(mFrame)];
    CopyEach(destination, source, count, [&](CPVertex& v) {
        v.u0 = v.u0 * mColumnScale + uOffset;
        v.v0 = v.v0 * mRowScale + vOffset;
    });
}

// ---------------------------------------------------------------- flicker

CPTexAnimFlick::CPTexAnimFlick(float frequency, uint8_t low, uint8_t high)
    : mFrequency(frequency),
      mLevel(0xFFFFFF),
      mAmplitude((static_cast<float>(high) - static_cast<float>(low)) * 0.5f) {
    mCentre = static_cast<uint8_t>(low + TruncateToInt32(mAmplitude));
    mPhase = static_cast<float>(RuntimeRand());
}

void CPTexAnimFlick::Update(float seconds) {
    mPhase += seconds;
    mLevel = TruncateToInt32(std::sin(mPhase * mFrequency) * mAmplitude + static_cast<float>(mCentre));
}

void CPTexAnimFlick::Apply(CPVertex* destination, const CPVertex* source, int32_t count) {
    Update(gDeltaTime);
    const float level = static_cast<float>(mLevel);
    CopyEach(destination, source, count, [&](CPVertex& v) {
        const float alpha = static_cast<float>(v.diffuse >> 24);
        v.diffuse = ClampToByte(alpha * level * kInverse255) << 24 | kWhite;
    });
}

// ---------------------------------------------------------------- moving texture

CPTexAnimMove::CPTexAnimMove(float speedU, float speedV) : mSpeedU(speedU), mSpeedV(speedV) {
    const float draw = static_cast<float>(RuntimeRand());
    mOffsetU = draw * speedU;
    mOffsetV = draw * speedV;
}

void CPTexAnimMove::Update(float seconds) {
    mOffsetU = WrapTextureOffset(mOffsetU + seconds * mSpeedU);
    mOffsetV = WrapTextureOffset(mOffsetV + seconds * mSpeedV);
}

void CPTexAnimMove::Apply(CPVertex* destination, const CPVertex* source, int32_t count) {
    Update(gDeltaTime);
    CopyEach(destination, source, count, [&](CPVertex& v) {
        v.u0 += mOffsetU;
        v.v0 += mOffsetV;
    });
}

// ---------------------------------------------------------------- fade

CPTexAnimFade::CPTexAnimFade(float speed) : mSpeed(speed), mLevel(255.0f) {}

void CPTexAnimFade::Update(float seconds) {
    mLevel -= seconds * mSpeed;
    if (!(mLevel > 0.0f)) mLevel = 0.0f;  // NaN too
    if (mLevel > 255.0f) mLevel = 255.0f;  // a negative speed brightens up to opaque, never wraps
}

void CPTexAnimFade::Apply(CPVertex* destination, const CPVertex* source, int32_t count) {
    Update(gDeltaTime);
    const uint32_t diffuse = ClampToByte(mLevel) << 24 | kWhite;
    CopyEach(destination, source, count, [&](CPVertex& v) { v.diffuse = diffuse; });
}

// ---------------------------------------------------------------- environment

void CPTexAnimEnvironment::Apply(CPVertex* destination, const CPVertex* source, int32_t count) {
    CopyEach(destination, source, count, [&](CPVertex& v) {
        v.u1 = v.position.x / mScale + v.normal.x * 0.5f;
        v.v1 = v.position.y / mScale + v.normal.y * 0.5f;
    });
}

// ---------------------------------------------------------------- factory and lists

std::unique_ptr<CPTexAnimator> CreateTexAnimator(const std::string& keyword,
                                                 const std::vector<std::string>& parameters) {
    std::string name = keyword;
    ToLower(name);
    size_t expected = 0;
    if (name == "anim" || name == "flick") {
        expected = 3;
    } else if (name == "movingtex") {
        expected = 2;
    } else if (name == "fade" || name == "environment") {
        expected = 1;
    } else {
        return nullptr;
    }
    if (parameters.size() != expected) return nullptr;
    for (const std::string& parameter : parameters)
        if (!IsFloatText(parameter)) return nullptr;

    const std::vector<std::string>& p = parameters;
    if (name == "anim") {
        const int64_t columns = StringToInt(p[0]);
        const int64_t rows = StringToInt(p[1]);
        // An atlas without cells (or with absurdly many) has nothing sensible to show.
        if (columns < 1 || rows < 1 || columns * rows > CPTexAnimAtlas::kMaxCells) return nullptr;
        return std::make_unique<CPTexAnimAtlas>(static_cast<int32_t>(columns), static_cast<int32_t>(rows),
                                                StringToFloat(p[2]));
    }
    if (name == "flick") {
        return std::make_unique<CPTexAnimFlick>(StringToFloat(p[0]), static_cast<uint8_t>(StringToInt(p[1]) & 0xFF),
                                                static_cast<uint8_t>(StringToInt(p[2]) & 0xFF));
    }
    if (name == "movingtex") return std::make_unique<CPTexAnimMove>(StringToFloat(p[0]), StringToFloat(p[1]));
    if (name == "fade") return std::make_unique<CPTexAnimFade>(StringToFloat(p[0]));
    return std::make_unique<CPTexAnimEnvironment>(StringToFloat(p[0]));
}

CPTexAnimatorList CloneTexAnimators(const CPTexAnimatorList& source) {
    CPTexAnimatorList copies;
    copies.reserve(source.size());
    for (const auto& animator : source) copies.emplace_back(animator->Clone());
    return copies;
}

void ApplyTexAnimators(const CPTexAnimatorList& animators, CPVertex* destination, const CPVertex* source,
                       int32_t count) {
    for (size_t i = 0; i < animators.size(); ++i) animators[i]->Apply(destination, i == 0 ? source : destination, count);
}
