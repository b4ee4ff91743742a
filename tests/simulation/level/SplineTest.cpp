#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "Render/PRenderObject.h"
#include "core/ServiceGlobals.h"
#include "core/files/CPFileReader.h"
#include "simulation/level/CPSpline.h"
#include "simulation/physics/CPPhysicWorld.h"
#include "support/MathExpect.h"
#include "support/ScopedGlobal.h"
#include "support/SplineRecordBuilder.h"
#include "support/TempFolder.h"

namespace {

// A ground that rises with x and y, recording every point it is asked about.
class SlopedGround : public CPPhysicWorld {
public:
    float GetGroundHeight(const D3DXVECTOR3& point) const override {
        queries.push_back(point);
        return point.x * 0.5f + point.y * 0.25f;
    }
    mutable std::vector<D3DXVECTOR3> queries;
};

SplineRecord Record(const std::vector<SplineSegmentPoints>& points, bool closed = false, const char* name = "c_path") {
    return MakeSplineRecord(points, closed, name);
}

// The segment of the worked example: B(t) = (30t, 0, 0).
SplineSegmentPoints ThirtyAlongX() { return {{0, 0, 0}, {10, 0, 0}, {20, 0, 0}, {30, 0, 0}}; }

// The lines of the ring, walked from the first line along next until it comes back.
std::vector<CPLine*> Ring(const CPSpline& spline) {
    std::vector<CPLine*> ring;
    CPLine* line = spline.GetFirstLine();
    do {
        ring.push_back(line);
        line = line->mNext;
    } while (line != spline.GetFirstLine() && ring.size() <= spline.GetLines().size());
    return ring;
}

SplineRecord Square() { return SquareSplineRecord(); }
}  // namespace

TEST(SplineSegmentTest, LengthIsTheChordToTheCurvePointAtNinePointOneTenths) {
    SplineSegment segment{{0, 0, 0}, {10, 0, 0}, {20, 0, 0}, {30, 0, 0}};
    EXPECT_NEAR(SplineSegmentLength(segment), 27.0f, 1e-5f);
    // 0.1 plus eight steps of 0.1 in float is 0.9000001, not 0.9: the chord is a hair longer than 0.9.
    SplineSegment unit{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 1}};
    // B(t).z = t^3 here, so the length is 0.9000001^3 rather than 0.9^3.
    EXPECT_GT(SplineSegmentLength(unit), 0.9f * 0.9f * 0.9f);
    // A curved segment: the chord to B(0.9), shorter than the arc.
    SplineSegment bend{{0, 0, 0}, {0, 10, 0}, {10, 10, 0}, {10, 0, 0}};
    const D3DXVECTOR3 at = SplineEvaluate(bend, 0.9000001f);
    EXPECT_NEAR(SplineSegmentLength(bend), std::sqrt(at.x * at.x + at.y * at.y), 1e-5f);
}

TEST(SplineSegmentTest, PointAtDistanceFollowsTheCurveAndLooksPastItsEnd) {
    SplineSegment segment{{0, 0, 0}, {10, 0, 0}, {20, 0, 0}, {30, 0, 0}};
    segment.length = 27.0f;
    D3DXVECTOR3 direction;
    ExpectVec3Near(SplinePointAtDistance(segment, 4.5f, &direction), {5, 0, 0}, 1e-4f);
    ExpectVec3Near(direction, {3, 0, 0}, 1e-4f);
    // At the end the direction reaches beyond P3 along the cubic.
    ExpectVec3Near(SplinePointAtDistance(segment, 27.0f, &direction), {30, 0, 0}, 1e-4f);
    ExpectVec3Near(direction, {3, 0, 0}, 1e-4f);
    // A segment of no length gives its start point, not 0 / 0.
    SplineSegment point{{4, 5, 6}, {4, 5, 6}, {4, 5, 6}, {4, 5, 6}};
    ExpectVec3Near(SplinePointAtDistance(point, 0.0f), {4, 5, 6});
}

TEST(SplineTest, OpenSplineEndsWithTheLastLineThatFits) {
    CPSpline spline;
    ASSERT_TRUE(spline.Build(Record({ThirtyAlongX()})));
    EXPECT_NEAR(spline.GetTotalLength(), 27.0f, 1e-5f);
    const std::vector<CPLine*> ring = Ring(spline);
    ASSERT_EQ(ring.size(), 2u);
    ExpectVec3Near(ring[0]->mP0, {0, 0, 0}, 1e-4f);
    ExpectVec3Near(ring[0]->mP1, {35.0f / 3, 0, 0}, 1e-4f);
    ExpectVec3Near(ring[1]->mP0, {35.0f / 3, 0, 0}, 1e-4f);
    ExpectVec3Near(ring[1]->mP1, {70.0f / 3, 0, 0}, 1e-4f);
    EXPECT_EQ(ring[1]->mNext, ring[0]);
    EXPECT_EQ(ring[0]->mPrevious, ring[1]);
    EXPECT_EQ(spline.GetCurrentLine(), spline.GetFirstLine());
    // The line begun last is never finished and stays outside the ring.
    EXPECT_EQ(spline.GetLines().size(), 3u);
}

TEST(SplineTest, ClosedSplineCrossesTheSeam) {
    CPSpline spline;
    ASSERT_TRUE(spline.Build(Record({ThirtyAlongX()}, true)));
    const std::vector<CPLine*> ring = Ring(spline);
    ASSERT_EQ(ring.size(), 3u);
    ExpectVec3Near(ring[2]->mP0, {70.0f / 3, 0, 0}, 1e-4f);
    ExpectVec3Near(ring[2]->mP1, {5, 0, 0}, 1e-4f);
    EXPECT_EQ(ring[2]->mNext, ring[0]);
}

TEST(SplineTest, TheRingSizeCountsTheLinesOfTheRing) {
    struct Case {
        const char* name;
        SplineRecord record;
        size_t ring;
    };
    const Case cases[] = {
        {"open", Record({ThirtyAlongX()}), 2},
        {"closed", Record({ThirtyAlongX()}, true), 3},
        {"lone line", Record({}), 1},
    };
    for (const Case& c : cases) {
        CPSpline spline;
        ASSERT_TRUE(spline.Build(c.record));
        EXPECT_EQ(spline.GetRingSize(), c.ring) << c.name;
        EXPECT_EQ(Ring(spline).size(), c.ring) << c.name;
    }
}

TEST(SplineTest, ARebuiltSplineForgetsTheScriptsStartLine) {
    CPSpline spline;
    ASSERT_TRUE(spline.Build(Record({ThirtyAlongX()}, true)));
    EXPECT_EQ(spline.GetScriptStartLine(), nullptr);
    spline.SetScriptStartLine(spline.GetFirstLine()->mNext);
    ASSERT_TRUE(spline.Build(Record({ThirtyAlongX()})));
    EXPECT_EQ(spline.GetScriptStartLine(), nullptr) << "the line it named is gone";
}

TEST(SplineTest, LineGeometry) {
    struct Case {
        const char* name;
        D3DXVECTOR3 p0, p1;
        float heading, a, b, c;
        D3DXVECTOR3 centre;
    };
    const Case cases[] = {
        {"along +x", {0, 0, 0}, {10, 0, 0}, D3DX_PI, 0, -1, 0, {5, 0, 0}},
        {"along -x", {10, 0, 0}, {0, 0, 0}, 0, 0, 1, 0, {5, 0, 0}},
        {"along +y", {2, 0, 0}, {2, 10, 0}, 1.5f * D3DX_PI, 1, 0, -2, {2, 5, 0}},
        {"along -y", {2, 10, 0}, {2, 0, 0}, 0.5f * D3DX_PI, -1, 0, 2, {2, 5, 0}},
        {"diagonal", {0, 0, 0}, {-3, -4, 0}, D3DX_PI - std::acos(-0.6f), -0.8f, 0.6f, 0, {-1.5f, -2, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPLine line;
        line.mP0 = c.p0;
        line.mP1 = c.p1;
        line.ComputeGeometry();
        EXPECT_NEAR(line.mHeading, c.heading, 1e-5f);
        EXPECT_NEAR(line.mA, c.a, 1e-6f);
        EXPECT_NEAR(line.mB, c.b, 1e-6f);
        EXPECT_NEAR(line.mC, c.c, 1e-5f);
        EXPECT_NEAR(line.mCentre.x, c.centre.x, 1e-6f);
        EXPECT_NEAR(line.mCentre.y, c.centre.y, 1e-6f);
        EXPECT_EQ(line.GetClassName(), "CPLine");
    }
}

TEST(SplineTest, NearestPointReportsSignedDistanceAndMovesTheHint) {
    CPSpline spline;
    ASSERT_TRUE(spline.Build(Record({StraightSegment({0, 0, 0}, {300, 0, 0})})));
    const std::vector<CPLine*> ring = Ring(spline);
    ASSERT_EQ(ring.size(), 25u);

    CPLine* hint = ring[0];
    float radius = 40.0f;
    const D3DXVECTOR3 position(ring[3]->mCentre.x + 1.0f, 2.0f, 7.0f);
    const float heading = spline.GetNearestPoint(position, radius, 0, hint);
    EXPECT_EQ(hint, ring[3]);
    EXPECT_EQ(spline.GetCurrentLine(), ring[3]);
    EXPECT_NEAR(radius, -2.0f, 1e-4f);
    EXPECT_NEAR(radius, ring[3]->SignedDistance(position.x, position.y), 1e-4f);
    EXPECT_FLOAT_EQ(heading, D3DX_PI);

    // The other side of the line, searched from the previous answer.
    radius = 40.0f;
    spline.GetNearestPoint({ring[10]->mCentre.x, -3.0f, 0.0f}, radius, 0, hint);
    EXPECT_EQ(hint, ring[10]);
    EXPECT_NEAR(radius, 3.0f, 1e-4f);
}

TEST(SplineTest, NothingBeyondTheSearchBoundIsFound) {
    CPSpline spline;
    ASSERT_TRUE(spline.Build(Record({StraightSegment({0, 0, 0}, {300, 0, 0})})));
    const std::vector<CPLine*> ring = Ring(spline);
    // 63.3 units off the line no end is in the window of r = 40 (and no centre within the bound of
    // 4000 on squared distances): nothing is found and the hint comes back.
    CPLine* hint = ring[5];
    float radius = 40.0f;
    spline.GetNearestPoint({ring[12]->mCentre.x, 63.3f, 0.0f}, radius, 0, hint);
    EXPECT_EQ(hint, ring[5]);
    EXPECT_NEAR(radius, -63.3f, 1e-4f);
}

TEST(SplineTest, LookaheadMeasuresAgainstAnEarlierLine) {
    CPSpline spline;
    ASSERT_TRUE(spline.Build(Square()));
    const std::vector<CPLine*> ring = Ring(spline);
    ASSERT_GE(ring.size(), 30u);
    // Ring index of the first line on the second side (heading along +y).
    size_t corner = 0;
    while (ring[corner]->mP0.x < 99.0f) ++corner;
    const size_t target = corner + 1;
    const D3DXVECTOR3 position(ring[target]->mCentre.x - 4.0f, ring[target]->mCentre.y, 0.0f);

    struct Case {
        int32_t lookahead;
        size_t measured;  // ring index of the line measured against
    };
    const Case cases[] = {{0, target}, {-3, target}, {1, target - 1}, {2, target - 2},
                          {static_cast<int32_t>(ring.size()) + 2, target - 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lookahead);
        CPLine* hint = ring[target];
        float radius = 20.0f;
        const float heading = spline.GetNearestPoint(position, radius, c.lookahead, hint);
        EXPECT_EQ(hint, ring[target]);
        const CPLine* t = ring[c.measured];
        EXPECT_FLOAT_EQ(heading, t->mHeading);
        const float dx = t->mP1.x - t->mP0.x, dy = t->mP1.y - t->mP0.y;
        EXPECT_NEAR(radius, (dy * (position.x - t->mP0.x) - dx * (position.y - t->mP0.y)) / std::hypot(dx, dy), 1e-4f);
    }
}

TEST(SplineTest, QueryFarFromEveryLineWalksTheRingOnceAndStops) {
    // Rings of an even and an odd number of lines: both walks meet and the query ends.
    std::vector<size_t> parities;
    for (float side : {60.0f, 65.0f}) {
        CPSpline spline;
        ASSERT_TRUE(spline.Build(Record({StraightSegment({0, 0, 0}, {side, 0, 0}),
                                         StraightSegment({side, 0, 0}, {0, 0, 0})},
                                        true)));
        CPLine* hint = nullptr;  // starts at the first line
        float radius = 5.0f;
        spline.GetNearestPoint({1000, 1000, 0}, radius, 0, hint);
        EXPECT_EQ(hint, spline.GetFirstLine());
        parities.push_back(Ring(spline).size() % 2);
    }
    EXPECT_NE(parities[0], parities[1]);
}

TEST(SplineTest, SplineWithoutACompleteLineKeepsOneLineRing) {
    struct Case {
        const char* name;
        SplineRecord record;
    };
    const Case cases[] = {
        {"no segments", Record({})},
        {"shorter than a line", Record({StraightSegment({1, 2, 0}, {6, 2, 0})})},
        {"no length", Record({{{3, 3, 3}, {3, 3, 3}, {3, 3, 3}, {3, 3, 3}}}, true)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPSpline spline;
        ASSERT_TRUE(spline.Build(c.record));
        CPLine* first = spline.GetFirstLine();
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(first->mNext, first);
        EXPECT_EQ(first->mPrevious, first);
        CPLine* hint = first;
        float radius = 40.0f;
        spline.GetNearestPoint({first->mP0.x + 3.0f, first->mP0.y + 4.0f, 0}, radius, 1, hint);
        EXPECT_EQ(hint, first);
        EXPECT_NEAR(radius, 5.0f, 1e-5f);  // the plain distance: the lone line has no direction
    }
}

TEST(SplineTest, QueryOnASplineNeverBuiltChangesNothing) {
    CPSpline spline;
    CPLine* hint = nullptr;
    float radius = 40.0f;
    EXPECT_EQ(spline.GetNearestPoint({1, 2, 3}, radius, 0, hint), 0.0f);
    EXPECT_EQ(hint, nullptr);
    EXPECT_EQ(radius, 40.0f);
}

TEST(SplineTest, SnapToTerrainPutsEveryLineOnTheGround) {
    CPSpline spline;
    ASSERT_TRUE(spline.Build(Square()));
    SlopedGround ground;
    spline.SnapToTerrain(ground);
    for (const auto& line : spline.GetLines()) {
        EXPECT_FLOAT_EQ(line->mP0.z, line->mP0.x * 0.5f + line->mP0.y * 0.25f);
        EXPECT_FLOAT_EQ(line->mP1.z, line->mP1.x * 0.5f + line->mP1.y * 0.25f);
        EXPECT_FLOAT_EQ(line->mCentre.z, line->mCentre.x * 0.5f + line->mCentre.y * 0.25f);
    }
    ASSERT_EQ(ground.queries.size(), 3 * spline.GetLines().size());
    for (const D3DXVECTOR3& query : ground.queries) EXPECT_EQ(query.z, 0.0f);

    // Without an argument the snapping asks gPhysicsWorld, and does nothing without one.
    SlopedGround global;
    ScopedGlobal<CPPhysicWorld*> installWorld(gPhysicsWorld, &global);
    spline.SnapToTerrain();
    EXPECT_EQ(global.queries.size(), ground.queries.size());
    gPhysicsWorld = nullptr;
    spline.SnapToTerrain();
}

TEST(SplineTest, LineDrawingHasOneTriangleOfWhiteVerticesPerLine) {
    CPSpline spline;
    ASSERT_TRUE(spline.Build(Record({ThirtyAlongX()}, true)));
    ASSERT_EQ(spline.GetRenderKind(), kRenderObject);
    const CPRenderObject* drawing = spline.GetRenderObject();
    ASSERT_NE(drawing, nullptr);
    const std::vector<CPLine*> ring = Ring(spline);
    ASSERT_EQ(drawing->GetLocalVertices().size(), 3 * ring.size());
    ASSERT_EQ(drawing->GetIndices().size(), 3 * ring.size());
    for (size_t i = 0; i < ring.size(); ++i) {
        ExpectVec3Near(drawing->GetLocalVertices()[3 * i].position, ring[i]->mP0);
        ExpectVec3Near(drawing->GetLocalVertices()[3 * i + 1].position, ring[i]->mP1);
        ExpectVec3Near(drawing->GetLocalVertices()[3 * i + 2].position, ring[i]->mP1);
    }
    for (size_t i = 0; i < drawing->GetIndices().size(); ++i) EXPECT_EQ(drawing->GetIndices()[i], i);
    for (const CPVertex& v : drawing->GetLocalVertices()) EXPECT_EQ(v.diffuse, 0xFFFFFFFFu);
    EXPECT_EQ(drawing->GetWorldVertices().size(), drawing->GetLocalVertices().size());

    // Building again replaces lines and drawing instead of adding to them.
    ASSERT_TRUE(spline.Build(Record({ThirtyAlongX()})));
    EXPECT_EQ(spline.GetRenderObject(), drawing);
    EXPECT_EQ(drawing->GetLocalVertices().size(), 6u);
    EXPECT_EQ(spline.GetLines().size(), 3u);
}

class SplineLoadTest : public ::testing::Test {
protected:
    CPFileReader Loaded(const ByteBuilder& bytes) {
        folder.Folder().Write("spline.bin", bytes.Str());
        CPFileReader reader("spline.bin", false);
        EXPECT_EQ(reader.Load(), 0);
        return reader;
    }
    ScopedWorkingFolder folder;
};

TEST_F(SplineLoadTest, ReadsTheRecordInFileOrder) {
    ByteBuilder bytes;
    const SplineSegmentPoints bend{{0, 0, 1}, {0, 30, 2}, {30, 30, 3}, {30, 0, 4}};
    AppendSplineRecord(bytes, std::string("left\0junk", 9), 7, {bend, ThirtyAlongX()});
    bytes.Int32(12345);
    CPFileReader reader = Loaded(bytes);
    CPSpline spline;
    ASSERT_TRUE(spline.Load(reader));
    EXPECT_EQ(spline.GetName(), "left");
    EXPECT_EQ(spline.CPGameObject::GetName(), "CPSpline");
    EXPECT_TRUE(spline.IsClosed());
    ASSERT_EQ(spline.GetSegments().size(), 2u);
    const SplineSegment& first = spline.GetSegments()[0];
    ExpectVec3Near(first.p0, bend.p0);
    ExpectVec3Near(first.p1, bend.p1);
    ExpectVec3Near(first.p2, bend.p2);
    ExpectVec3Near(first.p3, bend.p3);
    EXPECT_FLOAT_EQ(spline.GetTotalLength(), first.length + spline.GetSegments()[1].length);
    EXPECT_EQ(reader.ReadInt(), 12345);  // the cursor stops right after the record
}

TEST_F(SplineLoadTest, DamagedRecordsAreRefusedAndLeaveTheSplineAsItWas) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        const char* name;
        ByteBuilder bytes;
    };
    std::vector<Case> cases;
    {
        ByteBuilder whole;
        AppendSplineRecord(whole, "c_path", 0, {ThirtyAlongX()});
        ByteBuilder cut;
        cut.Raw(whole.Truncated(1));
        cases.push_back({"cut inside a segment", cut});
    }
    cases.push_back({"negative count", ByteBuilder().String("c_path").Int32(0).Int32(-1)});
    cases.push_back({"count beyond the bytes", ByteBuilder().String("c_path").Int32(0).Int32(0x7fffffff)});
    cases.push_back({"no count", ByteBuilder().String("c_path").Int32(0)});
    for (float bad : {nan, inf}) {
        ByteBuilder b;
        AppendSplineRecord(b, "c_path", 1, {{{0, 0, 0}, {bad, 0, 0}, {20, 0, 0}, {30, 0, 0}}});
        cases.push_back({std::isnan(bad) ? "not a number" : "infinite", b});
    }
    {
        ByteBuilder b;
        AppendSplineRecord(b, "c_path", 1, {StraightSegment({0, 0, 0}, {1e6f, 0, 0})});
        cases.push_back({"too long to cut", b});
    }
    {
        ByteBuilder b;
        AppendSplineRecord(b, "c_path", 1, {StraightSegment({-3e38f, 0, 0}, {3e38f, 0, 0})});
        cases.push_back({"length overflows", b});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPFileReader reader = Loaded(c.bytes);
        CPSpline spline;
        EXPECT_FALSE(spline.Load(reader));
        EXPECT_EQ(spline.GetFirstLine(), nullptr);
        EXPECT_TRUE(spline.GetLines().empty());
        EXPECT_EQ(spline.GetName(), "");
    }
}

TEST(SplineTest, ClosedSplineFarShorterThanALineStillEnds) {
    // 10.5 units beyond a closed spline of a ten-thousandth of a unit wraps quickly to the same turn.
    CPSpline spline;
    ASSERT_TRUE(spline.Build(Record({StraightSegment({0, 0, 0}, {1e-4f, 0, 0})}, true)));
    D3DXVECTOR3 point;
    ASSERT_TRUE(spline.PointAtDistance(1e9f, point));
    EXPECT_GE(point.x, -1e-4f);
    EXPECT_LE(point.x, 2e-4f);
}

namespace {
// A ring of free-standing lines, linked in the order given, for queries that need exact centres.
struct LooseRing {
    explicit LooseRing(const std::vector<std::pair<D3DXVECTOR3, D3DXVECTOR3>>& ends) {
        for (const auto& [p0, p1] : ends) {
            lines.push_back(std::make_unique<CPLine>());
            lines.back()->mP0 = p0;
            lines.back()->mP1 = p1;
            lines.back()->ComputeGeometry();
        }
        for (size_t i = 0; i < lines.size(); ++i) {
            lines[i]->mNext = lines[(i + 1) % lines.size()].get();
            lines[(i + 1) % lines.size()]->mPrevious = lines[i].get();
        }
    }
    CPLine* operator[](size_t i) const { return lines[i].get(); }
    std::vector<std::unique_ptr<CPLine>> lines;
};
}  // namespace

TEST(SplineTest, EqualCentreDistancesKeepTheLineExaminedFirst) {
    CPSpline spline;
    // The hint is one of two equally near lines: it was examined first and stays the answer.
    {
        LooseRing ring({{{0, 0, 0}, {10, 0, 0}}, {{10, 0, 0}, {20, 0, 0}}, {{20, 0, 0}, {30, 0, 0}},
                        {{100, 0, 0}, {110, 0, 0}}});
        CPLine* hint = ring[2];
        float radius = 12.0f;
        spline.GetNearestPoint({20, 1, 0}, radius, 0, hint);
        EXPECT_EQ(hint, ring[2]);
    }
    // Met in the same round of the walk, the line behind the hint goes before the line ahead of it.
    {
        LooseRing ring({{{1000, 0, 0}, {1010, 0, 0}}, {{-10, 5, 0}, {10, 5, 0}}, {{2000, 0, 0}, {2010, 0, 0}},
                        {{-10, -5, 0}, {10, -5, 0}}});
        CPLine* hint = ring[0];
        float radius = 12.0f;
        spline.GetNearestPoint({0, 0, 0}, radius, 0, hint);
        EXPECT_EQ(hint, ring[3]);
    }
}

TEST(SplineTest, SearchBoundIsAHundredTimesTheRadiusOnSquaredDistances) {
    CPSpline spline;
    struct Case {
        const char* name;
        D3DXVECTOR3 p0, p1;
        bool found;
    };
    // With r = 40 an end at (39, 0) or (40, 0) is in the window; the centre decides against 4000.
    const Case cases[] = {
        {"centre 49.5 away", {39, 0, 0}, {60, 0, 0}, true},
        {"centre 65 away", {40, 0, 0}, {90, 0, 0}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LooseRing ring({{{1000, 0, 0}, {1010, 0, 0}}, {c.p0, c.p1}, {{2000, 0, 0}, {2010, 0, 0}}});
        CPLine* hint = ring[0];
        float radius = 40.0f;
        spline.GetNearestPoint({0, 0, 0}, radius, 0, hint);
        EXPECT_EQ(hint, c.found ? ring[1] : ring[0]);
    }
}
TEST(SplineTest, LinesOfAMinuteSplineKeepFiniteCoefficients) {
    // Ends 2e-23 apart: the squared length underflows, yet the line still has a direction.
    CPSpline spline;
    ASSERT_TRUE(spline.Build(Record({{{0, 0, 0}, {1e-23f, 0, 0}, {2e-23f, 0, 0}, {3e-23f, 0, 0}}}, true)));
    CPLine* first = spline.GetFirstLine();
    ASSERT_NE(first->mP0.x, first->mP1.x);
    EXPECT_FLOAT_EQ(first->mA, 0.0f);
    EXPECT_FLOAT_EQ(first->mB, -1.0f);
    EXPECT_FLOAT_EQ(first->mC, 0.0f);
    EXPECT_FLOAT_EQ(first->mHeading, D3DX_PI);
}
