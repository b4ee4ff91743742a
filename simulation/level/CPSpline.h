// A named level spline ("c_path", "left", "right"): a chain of Bezier segments cut, once, into a ring
// of straight path lines every 10.5 length units. The race works only on the lines: nearest-point
// queries, lap counting, respawns and the AI paths. A line drawing of the path is kept for display.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/CPGameObject.h"
#include "simulation/level/CPLine.h"
#include "simulation/level/SplineRecord.h"
#include "simulation/level/SplineSegment.h"

class CPFileReader;
class CPPhysicWorld;

class CPSpline : public CPGameObject {
public:
    // Length units between the ends of a path line along the curve.
    static constexpr float kLineSpacing = 10.5f;
    // Layer key, effect and texture of the line drawing's material.
    static constexpr int32_t kDrawingLayerKey = 10;
    static constexpr const char* kDrawingEffect = "test.fx";
    static constexpr const char* kDrawingTexture = "error.tga";
    static constexpr uint32_t kDrawingColour = 0xFFFFFFFF;

    CPSpline();
    ~CPSpline() override;

    size_t GetSize() const override { return sizeof(CPSpline); }
    std::string GetClassName() const override { return "CPSpline"; }
    // A spline never runs as a task.
    void Activate(int32_t /*priority*/) override {}
    void Deactivate() override {}

    // Reads one spline record at the reader's cursor, checks it, then builds segments, lines and the
    // drawing. False (the spline unchanged) when the record is cut short or fails ValidateSplineRecord.
    bool Load(CPFileReader& reader);
    // Builds the spline from a record, replacing whatever it held; false (unchanged) for an invalid one.
    // A record without a complete line leaves the first line alone as a ring of one.
    bool Build(const SplineRecord& record);

    // The spline's own name from the file; the game object's name stays "CPSpline" (CPGameObject::GetName).
    const std::string& GetName() const { return mSplineName; }

    // Puts p0, p1 and the centre of every line on the ground of gPhysicsWorld (nothing without one).
    void SnapToTerrain();
    void SnapToTerrain(const CPPhysicWorld& world);

    // The line nearest to the position (by centre, 2D), searched outward from the hint within the
    // window |dx|, |dy| <= radius. On return the hint holds that line and the radius the signed distance
    // of the position from the line `lookahead` steps back from it, whose heading is the result.
    // A null hint starts at the first line; a spline without lines returns 0 and changes nothing.
    float GetNearestPoint(const D3DXVECTOR3& position, float& radius, int32_t lookahead, CPLine*& hint);

    // The curve point at distance s from the start; false when s lies beyond an open spline's end.
    bool PointAtDistance(float s, D3DXVECTOR3& point) const;

    float GetTotalLength() const { return mTotalLength; }
    bool IsClosed() const { return mClosed; }
    const std::vector<SplineSegment>& GetSegments() const { return mSegments; }
    // Every line made, in order; the last one made stays outside the ring.
    const std::vector<std::unique_ptr<CPLine>>& GetLines() const { return mLines; }
    CPLine* GetFirstLine() const { return mFirstLine; }
    // The answer of the last nearest-point query; the first line after Build.
    CPLine* GetCurrentLine() const { return mCurrentLine; }
    // Lines in the ring: every line made but the last (1 for a lone line). A walk of this many steps
    // along either link comes back to where it began.
    size_t GetRingSize() const { return mRingSize; }
    // The start line that the scripts' path-angle query keeps from one call to the next; null until it
    // is first set and again after Build. Kept here so that it never outlives the lines it points into.
    CPLine* GetScriptStartLine() const { return mScriptStartLine; }
    void SetScriptStartLine(CPLine* line) { mScriptStartLine = line; }

private:
    // Cuts the curve into lines and fills the drawing's vertex and index lists.
    void CutLines(CPRenderObject& drawing);

    float mTotalLength = 0.0f;  // sum of the segment lengths
    bool mClosed = false;
    std::vector<SplineSegment> mSegments;
    std::string mSplineName;
    CPLine* mCurrentLine = nullptr;  // one of mLines; null before Build
    std::vector<std::unique_ptr<CPLine>> mLines;
    CPLine* mFirstLine = nullptr;  // one of mLines; null before Build
    size_t mRingSize = 1;          // lines in the ring (every line made but the last; 1 for a lone line)
    CPLine* mScriptStartLine = nullptr;  // one of mLines or null; see GetScriptStartLine
};
