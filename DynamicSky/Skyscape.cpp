#include "DynamicSky/Skyscape.h"

#include <algorithm>
#include <cmath>

#include "DynamicSky/SkyRenderDevice.h"
#include "DynamicSky/SkyTextLines.h"
#include "core/Angles.h"
#include "core/FloatToInt.h"
#include "platform/RuntimeRandom.h"

D3DXVECTOR3 gSunPosition;

namespace {
constexpr uint32_t kDomeColour = 0x80ffffff;
// Glow added to a dome vertex facing away from the sun, per unit of the cosine.
constexpr float kSunGlow = 56.0f;

// The five blended colours, in the order a frame advances them.
constexpr D3DXVECTOR3 SkyKeyState::* kColours[] = {&SkyKeyState::sun, &SkyKeyState::ambient, &SkyKeyState::extra1,
                                                   &SkyKeyState::extra2, &SkyKeyState::fog};

D3DXVECTOR3 Clamped(const D3DXVECTOR3& c) {
    return {std::clamp(c.x, 0.0f, 255.0f), std::clamp(c.y, 0.0f, 255.0f), std::clamp(c.z, 0.0f, 255.0f)};
}

D3DXVECTOR3 Divided(const D3DXVECTOR3& c, float divisor) { return {c.x / divisor, c.y / divisor, c.z / divisor}; }

template <class T>
size_t CommonSize(const std::vector<T>& a, const std::vector<T>& b) {
    return std::min(a.size(), b.size());
}
}  // namespace

Skyscape::Skyscape() = default;

Skyscape::~Skyscape() {
    mLayers.clear();
    mGroupQueue.clear();
    mGroups.clear();
}

// ---- Loading ----

void Skyscape::Load(const std::string& fileName) {
    std::vector<uint8_t> bytes;
    SkyscapeFile file;
    if (ReadSkyFile(fileName, bytes) && ParseSkyscapeFile(bytes.data(), static_cast<uint32_t>(bytes.size()), file) &&
        IsValidSkyscapeFile(file))
        Apply(file);
    LoadLightingEffect(kLightingEffectPath);
}

void Skyscape::Apply(const SkyscapeFile& file) {
    mTimeScale = file.timeScale;
    BuildDome(file.domeRadius, file.domeSegments, file.domeCentre.x, file.domeCentre.y, file.domeCentre.z,
              file.domeHeightScale);
    LoadTexture(file.domeTexture);
    LoadEffect(file.domeEffect);
    mColourPointCount = file.colourPointCount;
    // Fewer than two colour points leave no pair to blend between (and one would divide by zero).
    const int64_t ringsDivisor = 4 * static_cast<int64_t>(mColourPointCount) - 4;
    mRowsPerColourStep = ringsDivisor > 0 ? static_cast<int32_t>(mDomeSegments / ringsDivisor) : 0;

    mKeyStates = file.keyStates;
    const int32_t stateCount = static_cast<int32_t>(mKeyStates.size());
    mStateIndex = file.firstState >= 0 && file.firstState < stateCount ? file.firstState : 0;

    for (const SkyscapeFile::Layer& entry : file.layers) {
        auto layer = std::make_unique<CloudLayer>();
        layer->SetEffectNames(file.layerEffects[0], file.layerEffects[1]);
        layer->SetAxis(entry.axis);
        layer->SetDistance(entry.distance);
        layer->SetBaseAngle(entry.baseAngle);
        for (const std::string& texture : entry.textures) layer->AddTexture(texture);
        layer->BuildQuads(entry.quadSize);
        mLayers.push_back(std::move(layer));
    }
    for (const std::string& name : file.groups) {
        // A name written twice keeps the group read last.
        auto group = std::make_unique<CloudGroup>();
        group->Load(name);
        mGroups[name] = std::move(group);
    }
    mRecords.Load(file.recordFile);

    mRecordIndex = 0;
    mRecordTimer = 0.0f;
    mFade = 0.0f;
    mFadingIn = true;
    mHasRecord = !mRecords.GetRecords().empty();
    if (mHasRecord) {
        mRecord = mRecords.GetRecords()[0];
        mGroupQueue.push_back(FindGroup(mRecord.groupName));
        mRecordEnd = DrawRecordEnd(mRecord);
    }
    mRates = mKeyStates.empty() ? SkyKeyState() : mKeyStates[0];
    BeginTransition();
}

void Skyscape::BuildDome(float radius, int32_t segments, float centreX, float centreY, float centreZ,
                         float heightScale) {
    mDomeRadius = radius;
    mDomeSegments = segments;
    mDomeCentre = D3DXVECTOR3(centreX, centreY, centreZ);
    mDomeHeightScale = heightScale;
    if (segments <= 0) return;

    // Checked before anything is allocated: a segment count from the file must not size a huge mesh.
    const int64_t wide = segments;
    if ((wide / 4 + 1) * (wide + 1) > VertexObject::kMaxVertices || (wide / 4) * wide * 6 > VertexObject::kMaxIndices)
        return;
    const int32_t n = segments;
    const int32_t rings = n / 4 + 1;
    const int32_t columns = n + 1;  // the first and the last column meet

    const float step = D3DXToRadian(360.0f / static_cast<float>(n));
    std::vector<CPVertex> vertices;
    vertices.reserve(static_cast<size_t>(rings * columns));
    for (int32_t ring = 0; ring < rings; ++ring) {
        const float elevation = kHalfPi - static_cast<float>(ring) * step;
        for (int32_t j = 0; j < columns; ++j) {
            const float azimuth = static_cast<float>(j) * step;
            CPVertex vertex;
            vertex.position =
                D3DXVECTOR3(std::cos(azimuth) * radius * std::sin(elevation) + centreX,
                            std::sin(azimuth) * radius * std::sin(elevation) + centreY,
                            std::cos(elevation) * heightScale * radius + centreZ);
            const D3DXVECTOR3 inwards = -vertex.position;
            D3DXVec3Normalize(&vertex.normal, &inwards);
            vertex.diffuse = kDomeColour;
            vertex.u0 = 2.0f * static_cast<float>(j) / static_cast<float>(n);
            vertex.v0 = 1.5f * static_cast<float>(ring) / static_cast<float>(rings);
            vertices.push_back(vertex);
        }
    }
    std::vector<uint16_t> indices;
    indices.reserve(static_cast<size_t>((n / 4) * n * 6));
    for (int32_t ring = 0; ring < n / 4; ++ring) {
        for (int32_t j = 0; j < n; ++j) {
            const int32_t a = ring * columns + j;
            for (int32_t index : {a, a + n + 1, a + n + 2, a, a + n + 2, a + 1})
                indices.push_back(static_cast<uint16_t>(index));
        }
    }
    CreateBuffers(vertices, indices, false);
}

CloudGroup* Skyscape::FindGroup(const std::string& name) const {
    auto found = mGroups.find(name);
    return found == mGroups.end() ? nullptr : found->second.get();
}

// ---- Transitions ----

void Skyscape::BeginTransition() {
    if (mKeyStates.empty()) return;
    const int32_t last = static_cast<int32_t>(mKeyStates.size()) - 1;
    const int32_t next = mStateIndex + 1 > last ? 0 : mStateIndex + 1;
    const SkyKeyState& from = mKeyStates[static_cast<size_t>(mStateIndex)];
    const SkyKeyState& to = mKeyStates[static_cast<size_t>(next)];
    mCurrent = from;
    mGrey = from;

    // A key state without a positive duration would divide by zero: it holds its values until it ends.
    const float duration = from.duration;
    const bool timed = duration > 0.0f;
    const auto rate = [&](float a, float b) { return timed ? (b - a) / duration : 0.0f; };
    const auto colourRate = [&](const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
        return D3DXVECTOR3(rate(a.x, b.x), rate(a.y, b.y), rate(a.z, b.z));
    };

    for (size_t i = 0; i < std::min(CommonSize(from.colourPoints, to.colourPoints), mRates.colourPoints.size()); ++i)
        mRates.colourPoints[i] = colourRate(from.colourPoints[i], to.colourPoints[i]);
    mRates.domeAlpha = rate(from.domeAlpha, to.domeAlpha);
    mRates.domeAngle = rate(from.domeAngle, to.domeAngle);
    mRates.fogStart = rate(from.fogStart, to.fogStart);
    mRates.fogEnd = rate(from.fogEnd, to.fogEnd);
    mRates.spare = rate(from.spare, to.spare);
    for (D3DXVECTOR3 SkyKeyState::* colour : kColours) mRates.*colour = colourRate(from.*colour, to.*colour);

    const size_t layers = std::min({mLayers.size(), from.layerAngles.size(), to.layerAngles.size(),
                                    mRates.layerAngles.size(), mRates.layerScales.size()});
    for (size_t i = 0; i < layers; ++i) {
        mRates.layerScales[i] = rate(from.layerScales[i], to.layerScales[i]);
        // From the last state back to the first the layers go on turning forward, a full turn on.
        const float start = mStateIndex == last ? from.layerAngles[i] - kTwoPi : from.layerAngles[i];
        mRates.layerAngles[i] = rate(start, to.layerAngles[i]);
        mLayers[i]->SelectEffect(from.layerEffects[i]);
        if (from.layerTextureSteps[i] == 1) mLayers[i]->NextTexture();
    }
}

void Skyscape::NextCloudGroup() {
    mFade = 0.0f;
    mFadingIn = true;
    CloudGroup* previous = nullptr;
    if (!mGroupQueue.empty()) previous = mGroupQueue.size() >= 2 ? mGroupQueue[1] : mGroupQueue[0];
    CloudGroup* next = FindGroup(mRecord.groupName);
    if (next == previous) return;

    if (previous) previous->SetActive(false, false);
    mGroupQueue.assign(1, previous);
    if (next) {
        next->PlaceShapes();
        next->SetActive(true, true);
    }
    mGroupQueue.push_back(next);
}

// ---- The frame ----

float Skyscape::FadeFactor() const {
    return mHasRecord && mRecord.fadeTime > 0.0f ? mFade / mRecord.fadeTime : 0.0f;
}

D3DXVECTOR3 Skyscape::Shown(const D3DXVECTOR3& current, const D3DXVECTOR3& grey) const {
    if (!IsGrey()) return current;
    return current + (grey - current) * FadeFactor();
}

D3DXVECTOR3 Skyscape::Grey(const D3DXVECTOR3& colour) const {
    // A channel number outside red, green and blue in the file would read past the colour.
    const float channels[3] = {colour.x, colour.y, colour.z};
    const float value = channels[std::clamp(mCurrent.greyChannel, 0, 2)];
    const float dimmed = std::max(value - 20.0f, 0.0f);
    return {dimmed, dimmed, value};
}

void Skyscape::Render(float frameTime) {
    if (mKeyStates.empty()) {
        ClearSkyDepth();
        return;
    }
    const float step = frameTime * mTimeScale;
    if (mHasRecord) mFade = mFadingIn ? std::min(mFade + step, mRecord.fadeTime) : std::max(mFade - step, 0.0f);

    Blend(step);
    const D3DXVECTOR3 fog = Shown(mCurrent.fog, mGrey.fog);
    SetSkyFog(fog.x, fog.y, fog.z, mCurrent.fogStart, mCurrent.fogEnd);
    ColourDome();
    TurnDome();
    mStateTime += step;
    mRecordTimer += step;
    const D3DXVECTOR3 ambient = Shown(mCurrent.ambient, mGrey.ambient);
    SetSkyAmbient(ambient.x, ambient.y, ambient.z);

    SetUseLightingEffect(false);
    if (!mIndices.empty()) {
        CreateBuffers(mLocalVertices, mIndices, true);
        Draw(frameTime);
    }
    RenderLayers(frameTime);
    ClearSkyDepth();

    if (mStateTime > mKeyStates[static_cast<size_t>(mStateIndex)].duration) {
        mStateTime = 0.0f;
        ++mStateIndex;
        if (mStateIndex > static_cast<int32_t>(mKeyStates.size()) - 1) mStateIndex = 0;
        BeginTransition();
    }
    if (mHasRecord) {
        if (mRecordTimer > mRecordEnd)
            DrawNextRecord();
        else if (mRecordEnd - mRecordTimer <= mRecord.fadeTime)
            mFadingIn = false;
    }
}

void Skyscape::Blend(float step) {
    const bool grey = IsGrey();
    const size_t points =
        std::min({mCurrent.colourPoints.size(), mRates.colourPoints.size(), mGrey.colourPoints.size()});
    for (size_t i = 0; i < points; ++i) {
        mCurrent.colourPoints[i] += mRates.colourPoints[i] * step;
        if (grey) mGrey.colourPoints[i] = Grey(mCurrent.colourPoints[i]);
    }
    for (D3DXVECTOR3 SkyKeyState::* colour : kColours) {
        mCurrent.*colour = Clamped(mCurrent.*colour + mRates.*colour * step);
        if (grey) mGrey.*colour = Grey(mCurrent.*colour);
    }
    mCurrent.domeAlpha = std::clamp(mCurrent.domeAlpha + mRates.domeAlpha * step, 0.0f, 255.0f);
    mCurrent.domeAngle += mRates.domeAngle * step;
    mCurrent.fogStart += mRates.fogStart * step;
    mCurrent.fogEnd += mRates.fogEnd * step;
    mCurrent.spare += mRates.spare * step;
    for (size_t i = 0; i < CommonSize(mCurrent.layerAngles, mRates.layerAngles); ++i)
        mCurrent.layerAngles[i] += mRates.layerAngles[i] * step;
    for (size_t i = 0; i < CommonSize(mCurrent.layerScales, mRates.layerScales); ++i)
        mCurrent.layerScales[i] += mRates.layerScales[i] * step;
}

void Skyscape::ColourDome() {
    const int32_t rows = mRowsPerColourStep;
    if (rows < 1 || mDomeSegments <= 0) return;
    const size_t pointCount = std::min(mCurrent.colourPoints.size(), mGrey.colourPoints.size());
    if (pointCount < 2) return;
    // The working colours: with a grey record, each point as shown at this fade.
    std::vector<D3DXVECTOR3> points(pointCount);
    for (size_t i = 0; i < pointCount; ++i) points[i] = Shown(mCurrent.colourPoints[i], mGrey.colourPoints[i]);

    D3DXVECTOR3 sun;
    D3DXVec3Normalize(&sun, &gSunPosition);
    const uint32_t alpha = ClampToByte(mCurrent.domeAlpha) << 24;
    const size_t columns = static_cast<size_t>(mDomeSegments) + 1;
    // Only rings the mesh has: a dome too large for the buffers was never built, and its segment count
    // must not drive a loop over rings that do not exist.
    const int32_t meshRings = static_cast<int32_t>(mLocalVertices.size() / columns);
    const auto colourRing = [&](int32_t ring, const D3DXVECTOR3& colour) {
        const size_t first = static_cast<size_t>(ring) * columns;
        for (size_t k = first; k < first + columns; ++k) {
            CPVertex& vertex = mLocalVertices[k];
            const float glow = std::min(kSunGlow * std::max(-D3DXVec3Dot(&sun, &vertex.normal), 0.0f), 255.0f);
            vertex.diffuse = alpha | ClampToByte(std::min(colour.x + glow, 255.0f)) << 16 |
                             ClampToByte(std::min(colour.y + glow, 255.0f)) << 8 |
                             ClampToByte(std::min(colour.z + glow, 255.0f));
        }
    };

    const float rowCount = static_cast<float>(rows);
    for (size_t i = 0; i + 1 < pointCount; ++i) {
        const D3DXVECTOR3 stepColour = Divided(points[i + 1] - points[i], rowCount);
        const int32_t first = static_cast<int32_t>(i) * rows;
        // The last pair colours one ring more: the ring of the last point's colour plus one step.
        const int32_t end = std::min(first + rows + (i + 2 == pointCount ? 1 : 0), meshRings);
        for (int32_t ring = first; ring < end; ++ring) {
            points[i] = Clamped(points[i] + stepColour);
            colourRing(ring, points[i]);
        }
    }
}

void Skyscape::TurnDome() {
    mWorldVertices = mLocalVertices;
    D3DXMATRIX toCentre, turn, back;
    D3DXMatrixTranslation(&toCentre, -mDomeCentre.x, -mDomeCentre.y, -mDomeCentre.z);
    D3DXMatrixRotationY(&turn, -mCurrent.domeAngle);
    D3DXMatrixTranslation(&back, mDomeCentre.x, mDomeCentre.y, mDomeCentre.z);
    TransformVertices(toCentre * turn * back);
}

void Skyscape::RenderLayers(float frameTime) {
    const bool grey = IsGrey();
    // Over a grey record's fade the sun fades down to 55, the other layers to 0.
    float otherAlpha = 255.0f;
    float sunAlpha = 255.0f;
    if (mHasRecord && mRecord.fadeTime > 0.0f) {
        otherAlpha = 255.0f - mFade * 255.0f / mRecord.fadeTime;
        sunAlpha = 255.0f - mFade * 200.0f / mRecord.fadeTime;
    }
    const size_t layers = std::min({mLayers.size(), mCurrent.layerAngles.size(), mCurrent.layerScales.size()});
    for (size_t i = 0; i < layers; ++i) {
        CloudLayer& layer = *mLayers[i];
        layer.SetKeyAngle(mCurrent.layerAngles[i]);
        layer.SetKeyScale(mCurrent.layerScales[i]);
        if (i == 0) {
            if (grey) layer.SetAlpha(TruncateToInt32(sunAlpha));
            // The orbit point of the layer's last placement: the sun follows it a frame behind.
            const D3DXVECTOR3 orbit = layer.GetOrbitPoint();
            gSunPosition = orbit * 100.0f;
            const D3DXVECTOR3 sun = Shown(mCurrent.sun, mGrey.sun);
            SetSkySunLight(-orbit, D3DXCOLOR(sun.x / 255.0f, sun.y / 255.0f, sun.z / 255.0f, 1.0f));
        } else if (grey) {
            layer.SetAlpha(TruncateToInt32(otherAlpha));
        }
        layer.Render(frameTime);
    }
}

// ---- Cloud records ----

float Skyscape::DrawRecordEnd(const CloudRecord& record) {
    const float d = record.baseDuration;
    const float s = record.durationSpread;
    const int32_t r = RuntimeRand();
    // No spread to draw from (20 x d x s below 1) leaves the shortest length rather than dividing by 0.
    const int32_t spread = TruncateToInt32(20.0f * d * s);
    const int32_t drawn = spread != 0 ? r % spread : 0;
    return static_cast<float>(drawn) * 0.1f + d - d * s;
}

void Skyscape::DrawNextRecord() {
    const std::vector<CloudRecord>& records = mRecords.GetRecords();
    const int32_t count = static_cast<int32_t>(records.size());
    // The draw only ends on a record other than the one in force that a draw can reach and whose
    // chance is at least 0; without one it would never end, and the record in force starts over.
    bool reachable = false;
    for (int32_t j = 0; j < count && j <= RUNTIME_RAND_MAX; ++j)
        if (j != mRecordIndex && !(records[static_cast<size_t>(j)].probability < 0.0f)) reachable = true;

    int32_t index = mRecordIndex;
    while (reachable) {
        const int32_t candidate = RuntimeRand() % count;
        if (candidate == mRecordIndex) continue;
        const float x = static_cast<float>(RuntimeRand() % 100) * 0.01f;
        if (x > records[static_cast<size_t>(candidate)].probability) continue;
        index = candidate;
        break;
    }
    mRecordIndex = index;
    mRecord = mRecords.GetRecords()[static_cast<size_t>(index)];
    NextCloudGroup();
    mRecordTimer = 0.0f;
    mRecordEnd = DrawRecordEnd(mRecord);
}
