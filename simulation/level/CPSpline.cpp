#include "simulation/level/CPSpline.h"

#include <cmath>

#include "Render/PMaterialManager.h"
#include "Render/PRenderObject.h"
#include "core/ServiceGlobals.h"
#include "simulation/physics/CPPhysicWorld.h"

namespace {
bool InWindow(const D3DXVECTOR3& position, const D3DXVECTOR3& point, float radius) {
    return std::fabs(position.x - point.x) <= radius && std::fabs(position.y - point.y) <= radius;
}

// One direction of the nearest-point walk: 0 not yet inside the window, 1 inside, 2 left it again.
struct Walk {
    int state = 0;
};
}  // namespace

CPSpline::CPSpline() : CPGameObject("CPSpline") {}

CPSpline::~CPSpline() = default;

bool CPSpline::Load(CPFileReader& reader) {
    SplineRecord record;
    if (!ReadSplineRecord(reader, record)) return false;
    return Build(record);
}

bool CPSpline::Build(const SplineRecord& record) {
    if (!ValidateSplineRecord(record)) return false;

    CPRenderObject* drawing = GetRenderObject();
    if (!drawing) {
        drawing = new CPRenderObject(this);
        SetRenderPart(drawing, kRenderObject);
        Adopt(drawing);
    }
    drawing->GetLocalVertices().clear();
    drawing->GetIndices().clear();

    mSplineName = record.name;
    mClosed = record.closed;
    mSegments = record.segments;
    mTotalLength = 0.0f;
    for (SplineSegment& segment : mSegments) {
        segment.length = SplineSegmentLength(segment);
        mTotalLength += segment.length;
    }

    mScriptStartLine = nullptr;
    mLines.clear();
    mLines.push_back(std::make_unique<CPLine>());
    mFirstLine = mLines.back().get();
    CutLines(*drawing);
    mCurrentLine = mFirstLine;

    if (gMaterialManager)
        drawing->SetMaterial(gMaterialManager->CreateMaterial(kDrawingLayerKey, kDrawingEffect, {kDrawingTexture}));
    drawing->GetWorldVertices() = drawing->GetLocalVertices();
    return true;
}

void CPSpline::CutLines(CPRenderObject& drawing) {
    CPLine* cur = mFirstLine;
    if (mTotalLength > 0.0f) {
        float s = 0.0f;
        D3DXVECTOR3 pa;
        do {
            PointAtDistance(s, pa);
            cur->mP0 = pa;
            const float s2 = s + kLineSpacing;
            D3DXVECTOR3 pb = pa;
            PointAtDistance(s2, pb);
            cur->mP1 = pb;
            if (pa.x != pb.x || pa.y != pb.y) {
                const auto first = static_cast<uint16_t>(drawing.GetLocalVertices().size());
                for (const D3DXVECTOR3& position : {pa, pb, pb}) {
                    CPVertex vertex;
                    vertex.position = position;
                    vertex.diffuse = kDrawingColour;
                    drawing.GetLocalVertices().push_back(vertex);
                }
                for (uint16_t i = 0; i < 3; ++i) drawing.GetIndices().push_back(static_cast<uint16_t>(first + i));
                cur->ComputeGeometry();
                mLines.push_back(std::make_unique<CPLine>());
                CPLine* next = mLines.back().get();
                cur->mNext = next;
                next->mPrevious = cur;
                cur = next;
            }
            s = s2;
        } while (s < mTotalLength);
    }
    // The line made last is never completed and stays outside the ring. Without any complete line the
    // first line closes on itself, so a query always finds a ring to walk.
    CPLine* last = cur->mPrevious ? cur->mPrevious : mFirstLine;
    mRingSize = cur->mPrevious ? mLines.size() - 1 : 1;
    mFirstLine->mPrevious = last;
    last->mNext = mFirstLine;
}

bool CPSpline::PointAtDistance(float s, D3DXVECTOR3& point) const {
    if (!mClosed && s > mTotalLength) return false;
    if (mSegments.empty()) return false;
    // A spline of no length has only its start point.
    float d = mTotalLength > 0.0f ? s : 0.0f;
    // Far beyond a short closed spline, subtracting the length one turn at a time would take (almost)
    // forever; the remainder lands on the same turn.
    if (d > mTotalLength * 4.0f) d = std::fmod(d, mTotalLength);
    while (d > mTotalLength) d -= mTotalLength;
    for (const SplineSegment& segment : mSegments) {
        if (d <= segment.length) {
            point = SplinePointAtDistance(segment, d);
            return true;
        }
        d -= segment.length;
    }
    // Rounding of the walk can leave d a hair beyond the last segment: stay on that segment's curve
    // rather than report no point.
    point = SplinePointAtDistance(mSegments.back(), d + mSegments.back().length);
    return true;
}

void CPSpline::SnapToTerrain() {
    if (gPhysicsWorld) SnapToTerrain(*gPhysicsWorld);
}

void CPSpline::SnapToTerrain(const CPPhysicWorld& world) {
    for (const std::unique_ptr<CPLine>& line : mLines) {
        line->mCentre.z = world.GetGroundHeight(D3DXVECTOR3(line->mCentre.x, line->mCentre.y, 0.0f));
        line->mP0.z = world.GetGroundHeight(D3DXVECTOR3(line->mP0.x, line->mP0.y, 0.0f));
        line->mP1.z = world.GetGroundHeight(D3DXVECTOR3(line->mP1.x, line->mP1.y, 0.0f));
    }
}

float CPSpline::GetNearestPoint(const D3DXVECTOR3& position, float& radius, int32_t lookahead, CPLine*& hint) {
    if (!hint) hint = mFirstLine;
    if (!hint) return 0.0f;
    mCurrentLine = hint;

    const float r = radius;
    float best = r * 100.0f;  // against squared distances, as the search has always compared them
    CPLine* nearest = hint;
    auto takePart = [&](CPLine* line) {
        const float dx = position.x - line->mCentre.x;
        const float dy = position.y - line->mCentre.y;
        const float d2 = dx * dx + dy * dy;
        if (d2 < best) {
            best = d2;
            nearest = line;
        }
    };

    Walk backward, forward;
    const bool hintP0 = InWindow(position, hint->mP0, r);
    const bool hintP1 = InWindow(position, hint->mP1, r);
    if (hintP0 || hintP1) takePart(hint);
    if (hintP0) backward.state = 1;
    if (hintP1) forward.state = 1;

    // Each walk enters state 1 at the first line with an end in the window and state 2 at the next line
    // without one. The two walks meet on any ring, so the loop ends even when neither leaves state 0.
    auto step = [&](Walk& walk, CPLine* line) {
        const bool inside = InWindow(position, line->mP0, r) || InWindow(position, line->mP1, r);
        if (walk.state == 0) {
            if (inside) {
                walk.state = 1;
                takePart(line);
            }
        } else if (walk.state == 1) {
            if (inside)
                takePart(line);
            else
                walk.state = 2;
        }
    };
    CPLine* back = hint->mPrevious;
    CPLine* fwd = hint->mNext;
    while (!(backward.state == 2 && forward.state == 2) && back != fwd) {
        step(backward, back);
        step(forward, fwd);
        back = back->mPrevious;
        fwd = fwd->mNext;
    }

    mCurrentLine = nearest;
    hint = nearest;

    // Whole turns of the ring change nothing, so a huge lookahead costs no more than one turn.
    CPLine* target = nearest;
    const int64_t steps = lookahead > 0 ? lookahead % static_cast<int64_t>(mRingSize) : 0;
    for (int64_t i = 0; i < steps; ++i) target = target->mPrevious;

    const float dx = target->mP1.x - target->mP0.x;
    const float dy = target->mP1.y - target->mP0.y;
    const float len = std::sqrt(dx * dx + dy * dy);
    if (len > 0.0f) {
        radius = (dy * (position.x - target->mP0.x) - dx * (position.y - target->mP0.y)) / len;
    } else {
        // Only the lone first line of a spline too short for a line has no length: the plain distance.
        const float px = position.x - target->mP0.x;
        const float py = position.y - target->mP0.y;
        radius = std::sqrt(px * px + py * py);
    }
    return target->mHeading;
}
