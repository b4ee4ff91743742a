// Lap counting along the race path and the race clocks.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>

#include "core/Angles.h"
#include "core/BitExact.h"
#include "core/CPCommandDispatcher.h"
#include "core/FrameClock.h"
#include "core/ServiceGlobals.h"
#include "simulation/level/CPGameData.h"
#include "simulation/level/CPLevel.h"
#include "simulation/level/CPLine.h"
#include "simulation/level/CPSpline.h"
#include "simulation/units/CPPlayer.h"

namespace {

// The entry at `index`, the vector growing (with zeros) to hold it.
float& GrowingEntry(std::vector<float>& times, size_t index) {
    if (times.size() <= index) times.resize(index + 1, 0.0f);
    return times[index];
}

}  // namespace

std::vector<CPLine*> CPLevel::CollectPathPoints() const {
    std::vector<CPLine*> points;
    if (!mPath) return points;
    CPLine* first = mPath->GetFirstLine();
    // A ring never holds more points than the spline made lines; a broken one stops there.
    const size_t limit = mPath->GetLines().size();
    // Driving order is the way the lines head (p1 back to p0), the way a respawned unit faces and the
    // AI drives: against the order the spline made its lines, with it when the path is driven reversed.
    for (CPLine* line = first; line && points.size() < limit;) {
        points.push_back(line);
        line = mReverse ? line->mNext : line->mPrevious;
        if (line == first) break;
    }
    return points;
}

int32_t CPLevel::NearestPathPoint(const D3DXVECTOR3& position) const { return NearestPoint(mPathPoints, position); }

int32_t CPLevel::NearestPoint(const std::vector<CPLine*>& points, const D3DXVECTOR3& position) {
    int32_t nearest = -1;
    NearestPoints(points, std::span<const D3DXVECTOR3>(&position, 1), std::span<int32_t>(&nearest, 1));
    return nearest;
}

void CPLevel::NearestPoints(const std::vector<CPLine*>& points, std::span<const D3DXVECTOR3> positions,
                            std::span<int32_t> nearest) {
    // Four positions at a time, each point read once per four: every lane sees the same distances,
    // made by the same float operations in the same order, as a scan of its own would.
    constexpr size_t kLanes = 4;
    const size_t total = std::min(positions.size(), nearest.size());
    for (size_t first = 0; first < total; first += kLanes) {
        const size_t count = std::min(kLanes, total - first);
        Float4 px = {}, py = {};
        for (size_t u = 0; u < count; ++u) {
            px[u] = positions[first + u].x;
            py[u] = positions[first + u].y;
        }
        Float4 best = {kNearestPointBound, kNearestPointBound, kNearestPointBound, kNearestPointBound};
        Int4 found = {-1, -1, -1, -1};
        for (size_t i = 0; i < points.size(); ++i) {
            const Float4 dx = points[i]->mP0.x - px;
            const Float4 dy = points[i]->mP0.y - py;
            const Float4 d2 = dx * dx + dy * dy;
            const Int4 nearer = d2 <= best;  // all bits set in a lane where the point is as near or nearer
            const Int4 index = Int4{} + static_cast<int32_t>(i);
            best = SelectLanes(nearer, d2, best);
            found = SelectLanes(nearer, index, found);
        }
        for (size_t u = 0; u < count; ++u) nearest[first + u] = found[u];
    }
}

int32_t CPLevel::WrappedStep(int32_t from, int32_t to) const {
    const int32_t n = static_cast<int32_t>(mPathPoints.size());
    // On a path of fewer than 30 points a jump of half the path already crosses the start.
    const int32_t threshold = std::clamp((n + 1) / 2, 1, kWrapThreshold);
    int32_t d = to - from;
    if (d <= -threshold)
        d += n - 1;
    else if (d >= threshold)
        d -= n - 1;
    return d;
}

int32_t CPLevel::PlayerLapWindow() const {
    return std::max(static_cast<int32_t>(mPathPoints.size()) - kPlayerLapMargin, 1);
}

int32_t CPLevel::UnitLapWindow() const {
    return std::max(static_cast<int32_t>(mPathPoints.size()) - kUnitLapMargin, 1);
}

bool CPLevel::IsLapTracked(size_t index) const {
    return index < static_cast<size_t>(kTrackedUnits) && index < mEnemies.size() && mEnemies[index] &&
           !mEnemies[index]->HasSide(kSidePlayer);
}

bool CPLevel::TakeFinishSlot(int32_t who) {
    if (std::find(mFinishSlots.begin(), mFinishSlots.end(), who) != mFinishSlots.end()) return false;
    for (int32_t& slot : mFinishSlots) {
        if (slot == -1) {
            slot = who;
            return true;
        }
    }
    return false;
}

std::string CPLevel::DescribeRacePathFault() const {
    if (!mPath) return "the level has no race path \"c_path\": no lap is counted";
    const size_t n = CollectPathPoints().size();
    char text[160];
    if (n < static_cast<size_t>(kUnitLapMargin) + 1) {
        std::snprintf(text, sizeof text,
                      "the race path \"c_path\" has %d points, fewer than the %d a lap window needs; every "
                      "lap still needs the whole path",
                      static_cast<int>(n), kUnitLapMargin + 1);
        return text;
    }
    if (mStartLineDir.x == 0.0f && mStartLineDir.y == 0.0f)
        return "the level has no start line (no start posts): no lap is counted";
    return "";
}

std::string CPLevel::DescribeStartHeadingFault() const {
    if (!mPlayer) return "";
    const std::vector<CPLine*> points = CollectPathPoints();
    const int32_t nearest = NearestPoint(points, mPlayer->GetPosition());
    if (nearest < 0) return "";
    // A line heads the way it is driven (its p1 back to its p0).
    const float driving = points[static_cast<size_t>(nearest)]->mHeading;
    if (!PointsAgainstPath(HeadingOf(mPlayer->GetRotation()), driving, mReverse)) return "";
    return "the player starts facing against the driving order of the race path \"c_path\" (laps count "
           "the way its lines head): laps would count down and the race never end, unless the path is "
           "driven reversed (SetReversed)";
}

void CPLevel::InitLapTracking() {
    mPlayerProgress = 0;
    mPathPoints = CollectPathPoints();
    mPlayerNearest = mCameraTarget ? NearestPathPoint(mCameraTarget->GetPosition()) : -1;
    mStartPoint = NearestPathPoint(mStartLinePos);
    mStartLineDir.z = 0.0f;
    // The stop empties the per-unit counters; a start after it sizes them again.
    mUnitNearest.assign(20, 0);
    mUnitProgress.assign(20, 0);
    size_t k = 0;
    for (size_t i = 0; i < mEnemies.size(); ++i) {
        if (!IsLapTracked(i)) continue;
        mUnitNearest[k++] = NearestPathPoint(mEnemies[i]->GetPosition());
    }
}

void CPLevel::UpdateLap() {
    const int32_t n = static_cast<int32_t>(mPathPoints.size());
    CPGameData* data = gGameData;
    if (n == 0 || !data) return;

    if (mCameraTarget) {
        const D3DXVECTOR3 at = mCameraTarget->GetPosition();
        const int32_t p = NearestPathPoint(at);
        if (p != -1 && p != mPlayerNearest) {
            const int32_t d = WrappedStep(mPlayerNearest, p);
            mPlayerProgress += d;
            data->mLapProgress += d;
            mPlayerNearest = p;
        }
        // Without start posts the start line has no direction, and no distance from it means anything.
        const bool hasStartLine = mStartLineDir.x != 0.0f || mStartLineDir.y != 0.0f;
        if (hasStartLine && mPlayerProgress >= PlayerLapWindow() && p == mStartPoint) {
            const D3DXVECTOR3 D = mStartLinePos - at;
            D3DXVECTOR3 u;
            D3DXVec3Normalize(&u, &mStartLineDir);
            const D3DXVECTOR3 cross(-u.z * D.y, u.z * D.x, u.x * D.y - u.y * D.x);
            if (D3DXVec3Length(&cross) <= kStartLineReach) {
                data->mCurrentLap += 1;
                if (data->mCurrentLap >= 1) GrowingEntry(data->mLapTimes, static_cast<size_t>(data->mCurrentLap - 1)) = 0.0f;
                mPlayerProgress = 0;
                data->mLapProgress = n * (data->mCurrentLap - 1);
                if (data->mCurrentLap > data->mRoundCount)
                    TakeFinishSlot(kPlayerSlot);
                else if (data->mCurrentLap == data->mRoundCount)
                    ShowMessage("posledniy_krug!");
                else
                    ShowMessage("krug_proiden!");
            }
        }
        if (p == mStartPoint && mPlayerProgress < kFirstLapReset && data->mCurrentLap == 1) data->mLapProgress = 0;
    }

    // The tracked units' nearest points, all in one pass over the path: nothing below moves a unit.
    std::array<D3DXVECTOR3, kTrackedUnits> unitAt;
    std::array<int32_t, kTrackedUnits> unitNearest;
    size_t tracked = 0;
    for (size_t i = 0; i < mEnemies.size() && tracked < mUnitNearest.size() && tracked < unitAt.size(); ++i)
        if (IsLapTracked(i)) unitAt[tracked++] = mEnemies[i]->GetPosition();
    NearestPoints(mPathPoints, std::span<const D3DXVECTOR3>(unitAt.data(), tracked),
                  std::span<int32_t>(unitNearest.data(), tracked));

    size_t k = 0;
    for (size_t i = 0; i < mEnemies.size() && k < mUnitNearest.size(); ++i) {
        if (!IsLapTracked(i)) continue;
        const std::string key = UnitKey(i);
        const int32_t q = unitNearest[k];
        if (q != -1 && q != mUnitNearest[k]) {
            const int32_t d = WrappedStep(mUnitNearest[k], q);
            data->mUnitRaces[key].mProgress += d;
            mUnitProgress[k] += d;
            mUnitNearest[k] = q;
        }
        if (mUnitProgress[k] >= UnitLapWindow() && q == mStartPoint) {
            auto found = data->mUnitRaces.find(key);
            if (found != data->mUnitRaces.end()) {
                RaceProgress& race = found->second;
                race.mLap += 1;
                race.mProgress = (n - 1) * (race.mLap - 1);
                if (race.mLap > data->mRoundCount) TakeFinishSlot(static_cast<int32_t>(i));
            }
            mUnitProgress[k] = 0;
        }
        if (q == mStartPoint) {
            RaceProgress& race = data->mUnitRaces[key];
            if (race.mLap == 1 && race.mProgress < kFirstLapReset) race.mProgress = 0;
        }
        ++k;
    }
}

void CPLevel::TickLap() {
    UpdateLap();
    CPGameData* data = gGameData;
    if (!mRaceClockOn || !data) return;
    const float dt = gDeltaTime;
    if (data->mCurrentLap >= 1) GrowingEntry(data->mLapTimes, static_cast<size_t>(data->mCurrentLap - 1)) += dt;
    data->mTotalRaceTime += dt;
    // The units' clocks count down from the round time, kept under the lap's own number.
    for (auto& [key, race] : data->mUnitRaces)
        if (race.mLap >= 0) GrowingEntry(race.mLapTimes, static_cast<size_t>(race.mLap)) -= dt;
}
