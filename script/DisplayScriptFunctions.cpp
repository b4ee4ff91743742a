#include "script/DisplayScriptFunctions.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>

#include "Render/CPCamera.h"
#include "Render/CPMiniMap.h"
#include "Render/PCamera.h"
#include "core/FloatToInt.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "interface/CPInterface.h"
#include "script/ScriptCalls.h"
#include "simulation/level/CPGameData.h"
#include "simulation/level/CPLevel.h"
#include "simulation/units/CPPlayer.h"

namespace ScriptFunctions {
using namespace ScriptCalls;

namespace {
constexpr int32_t kBulletWindows = 17;
constexpr int32_t kHeatWindows = 12;
constexpr int32_t kUnitIds = 11;  // the other units' ids "0" .. "10"; the player is "11"
constexpr int32_t kPanelEntries = kUnitIds + 1;
// The minimap: symbols within this many pixels of the player's symbol are shown, the player's symbol
// sits at (kMapCentreX, screen height - kMapCentreFromBottom), and its own fixed place is reported apart.
constexpr float kMapRange = 100.0f;
constexpr float kMapCentreX = 140.0f;
constexpr float kMapCentreFromBottom = 140.0f;
constexpr float kPlayerMapX = 132.0f;
constexpr float kPlayerMapFromBottom = 148.0f;
// Health bar: where a car out of view is reported, and the pixels of the bar per point of health.
constexpr float kOutOfView = -100.0f;
constexpr float kBarPixelsPerPoint = 0.47001317f;

const char* const kEquipmentWindows[] = {
    "krest",    "steel",    "steelfibre", "titan",        "energy",     "engine1",   "engine2",      "engine3",
    "analyzer", "repair",   "laser",      "bullets",      "firerate",   "damage",    "regeneration", "analyzer2",
    "repair2",  "laser2",   "bullets2",   "firerate2",    "damage2",    "regeneration2", "noequipment1",
    "noequipment2"};
const char* const kWeaponIcons[] = {"lgun",   "lgun2x",    "gauss",       "shotgun", "mgun",
                                    "mgun2x", "hmgun",     "rlauncher",   "ssrlauncher", "plasma",
                                    "firethrower", "autoshotgun"};
const char* const kWeaponSlotWindows[] = {"contact",  "emcontact", "timer",    "nocontact", "emnocontact",
                                          "cassette", "no_mina",   "mines",    "slot1",     "slot2",
                                          "slot3",    "nosuper1",  "nosuper2", "nosuper3",  "super1",
                                          "super2",   "super3"};

std::string Numbered(const char* format, int32_t value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// The whole part, plus 1 when the fraction is at least one half (8.5 gives 9, 0.48 gives 0).
int32_t RoundHalfUp(float value) {
    const float whole = std::floor(value);
    return TruncateToInt32(whole) + (value - whole >= 0.5f ? 1 : 0);
}

// Shows the windows "<prefix>1" .. "<prefix><count>" up to `lit` and hides the rest.
void ShowGauge(CPInterface& screen, const char* format, int32_t count, int32_t lit) {
    for (int32_t i = 1; i <= count; ++i) screen.ShowWindow(Numbered(format, i), i <= lit);
}

void ShowWeaponSlots(CPInterface& screen, const CarConfigRecord& config, const CPPlayer& unit) {
    const std::string* names[3] = {&config.mWeapon1, &config.mWeapon2, &config.mWeapon3};
    for (int32_t k = 1; k <= 3; ++k) {
        const std::string slot = Numbered("slot%d", k);
        if (names[k - 1]->empty()) {
            screen.ShowWindow(slot, true);
            continue;
        }
        const std::string icon = *names[k - 1] + (unit.mWeaponSlot == k - 1 ? "" : "_off");
        float x = 0.0f;
        float y = 0.0f;
        screen.GetWindowPos(slot, x, y);
        screen.SetWindowPos(icon, x, y);
        screen.ShowWindow(icon, true);
    }
}

void ShowMines(CPInterface& screen, const CPPlayer& unit) {
    if (!unit.mMineReady) {
        screen.ShowWindow("no_mina", true);
        screen.SetText("mines", "00");
        return;
    }
    screen.ShowWindow("mines", true);
    screen.SetText("mines", Numbered("%02d", unit.mMineCount));
    // The icon of the unit's mine type takes the place of the "no mine" sign.
    float x = 0.0f;
    float y = 0.0f;
    screen.GetWindowPos("no_mina", x, y);
    screen.SetWindowPos(unit.mMine.mName, x, y);
    screen.ShowWindow(unit.mMine.mName, true);
    screen.ShowWindow("mines", true);
}

// The aim cursor of a weapon kind; null keeps the cursor as it is.
const char* CursorOf(int32_t kind) {
    switch (kind) {
        case CPPlayer::kLightGun:
        case CPPlayer::kTwinLightGun:
        case CPPlayer::kHeavyGun:
        case CPPlayer::kShotgun:
            return "bullet";
        case CPPlayer::kSmallRockets:
        case CPPlayer::kRockets:
            return "rocket";
        case CPPlayer::kPlasma:
        case CPPlayer::kGauss:
            return "plazma";
        case CPPlayer::kFlameThrower:
            return "shotgun";
        default:
            return nullptr;
    }
}

// The ranking keys (laps x path points) of the other units and the player, in id order. A unit without a
// record counts from a fresh one. 64 bits: the product of two counts must not overflow.
std::array<std::pair<int64_t, int32_t>, kPanelEntries> RankingKeys(const CPGameData& data) {
    std::array<std::pair<int64_t, int32_t>, kPanelEntries> keys;
    const RaceProgress fresh;
    for (int32_t id = 0; id < kUnitIds; ++id) {
        const auto found = data.mUnitRaces.find(std::to_string(id));
        const RaceProgress& race = found == data.mUnitRaces.end() ? fresh : found->second;
        keys[id] = {static_cast<int64_t>(race.mLap) * race.mProgress, id};
    }
    keys[kUnitIds] = {static_cast<int64_t>(data.mCurrentLap) * data.mLapProgress, kUnitIds};
    return keys;
}

// Where the minimap shows the symbol of a world point, seen from the followed unit.
class MinimapMapping {
public:
    MinimapMapping(const CPLevel& level, const CPCamera& camera, const D3DXVECTOR3& centre) : mCentre(centre) {
        D3DXMatrixRotationZ(&mTurn, -camera.mYaw - D3DX_PI / 2.0f);
        const float extent = std::max(level.mExtentX, level.mExtentY);
        const float mapScale = level.mMiniMap ? level.mMiniMap->mWindow : 1.0f;
        // A level without extent or a map never sized shows no symbol rather than divide by zero.
        mScale = extent > 0.0f && mapScale > 0.0f ? kMapRange / extent / mapScale : 0.0f;
    }
    // False when the symbol falls outside the map.
    bool Place(const D3DXVECTOR3& point, float& x, float& y) const {
        if (mScale == 0.0f) return false;
        const D3DXVECTOR3 offset(point.x - mCentre.x, point.y - mCentre.y, 0.0f);
        D3DXVECTOR3 m;
        D3DXVec3TransformNormal(&m, &offset, &mTurn);
        m *= mScale;
        const D3DXVECTOR2 flat(m.x, m.y);
        if (!(D3DXVec2Length(&flat) < kMapRange)) return false;
        x = m.x + kMapCentreX;
        y = static_cast<float>(gSettings::screenHeight) - kMapCentreFromBottom + m.y;
        return true;
    }

private:
    D3DXVECTOR3 mCentre;
    D3DXMATRIX mTurn;
    float mScale = 0.0f;
};

// Sets table[key], table[key + 1], table[key + 2] to x, y and false, the table on top of the stack.
void SetSymbol(lua_State* L, int32_t key, float x, float y) {
    lua_pushnumber(L, key);
    lua_pushnumber(L, x);
    lua_settable(L, -3);
    lua_pushnumber(L, key + 1);
    lua_pushnumber(L, y);
    lua_settable(L, -3);
    lua_pushnumber(L, key + 2);
    lua_pushboolean(L, 0);
    lua_settable(L, -3);
}

// The health bar's screen corner of the unit, false when the unit is outside the main view's cone or
// behind its eye.
bool HealthBarCorner(const CPPerspectiveCamera& view, const CPPlayer& unit, float& x, float& y) {
    const D3DXVECTOR3 eye = view.GetEye();
    const D3DXVECTOR3 ahead = view.GetTarget() - eye;
    const D3DXVECTOR3 toUnit = unit.GetPosition() - eye;
    D3DXVECTOR3 l;
    D3DXVECTOR3 t;
    D3DXVec3Normalize(&l, &ahead);
    D3DXVec3Normalize(&t, &toUnit);
    const float cosine = std::clamp(D3DXVec3Dot(&l, &t), -1.0f, 1.0f);
    if (std::acos(cosine) > view.GetFieldOfView()) return false;
    const D3DXMATRIX& viewProjection = view.GetViewProjectionMatrix();
    float xMin = 0.0f;
    float yMin = 0.0f;
    for (int i = 0; i < 8; ++i) {
        const D3DXVECTOR3 corner = unit.GetBoundingBox().GetCorners()[i] * 0.5f;
        D3DXVECTOR4 clip;
        D3DXVec3Transform(&clip, &corner, &viewProjection);
        // A corner in the eye's plane has no place on the screen.
        if (clip.w == 0.0f) return false;
        const float cx = clip.x / clip.w;
        const float cy = -(clip.y / clip.w);
        xMin = i == 0 ? cx : std::min(xMin, cx);
        yMin = i == 0 ? cy : std::min(yMin, cy);
    }
    x = (xMin + 1.0f) * static_cast<float>(gSettings::screenWidth) * 0.5f;
    y = (yMin + 1.0f) * static_cast<float>(gSettings::screenHeight) * 0.5f;
    return std::isfinite(x) && std::isfinite(y);
}
}  // namespace

int InitGameInterface(lua_State* L) {
    CPInterface* screen = ToObject<CPInterface>(L, 1);
    if (!screen || !gGameData) return 0;
    const CarConfigRecord& config = gGameData->mRealCarConfig;
    for (const char* name : kEquipmentWindows) screen->ShowWindow(name, false);
    screen->ShowWindow(config.mArmor.empty() ? "krest" : config.mArmor, true);
    if (!config.mEngine.empty()) screen->ShowWindow(config.mEngine, true);
    screen->ShowWindow(config.mEquipment1.empty() ? "noequipment1" : config.mEquipment1, true);
    screen->ShowWindow(config.mEquipment2.empty() ? "noequipment2" : config.mEquipment2 + "2", true);
    return 0;
}

int UpdateGameInterface(lua_State* L) {
    CPInterface* screen = ToObject<CPInterface>(L, 1);
    const CPPlayer* unit = FollowedUnit();
    if (!screen || !unit || !gGameData) return 0;
    const CarConfigRecord& config = gGameData->mRealCarConfig;
    for (const char* icon : kWeaponIcons) {
        screen->ShowWindow(icon, false);
        screen->ShowWindow(std::string(icon) + "_off", false);
    }
    for (const char* name : kWeaponSlotWindows) screen->ShowWindow(name, false);
    for (int32_t i = 1; i <= 3; ++i)
        screen->ShowWindow(Numbered(i <= config.mSuperWeaponCount ? "super%d" : "nosuper%d", i), true);
    screen->SetText("life", Numbered("%03d", TruncateToInt32(unit->mLife)));
    ShowWeaponSlots(*screen, config, *unit);
    ShowMines(*screen, *unit);
    const int32_t slot = unit->mWeaponSlot;
    const float load = slot >= 0 && slot < 3 ? unit->mLoad[slot] : 0.0f;
    ShowGauge(*screen, "bullet%d", kBulletWindows, RoundHalfUp(load * static_cast<float>(kBulletWindows)));
    if (const char* cursor = CursorOf(unit->mWeaponKind)) screen->SwitchCursor(cursor);
    screen->UpdateBuffers();
    return 0;
}

int UpdateTime(lua_State* L) {
    CPInterface* screen = ToObject<CPInterface>(L, 1);
    const CPPlayer* unit = FollowedUnit();
    if (!screen || !unit || !gGameData) return 0;
    const float t = gLevel->mLevelTime;
    const int32_t minutes = TruncateToInt32(t * 0.016666668f);
    const int32_t seconds = TruncateToInt32(t - static_cast<float>(minutes) * 60.0f);
    char clock[32];
    std::snprintf(clock, sizeof clock, "%02d:%02d", minutes, seconds);
    screen->SetText("time", clock);
    ShowGauge(*screen, "overheat%d", kHeatWindows, RoundHalfUp(unit->mEngineHeat * static_cast<float>(kHeatWindows)));
    screen->SetText("kills", Numbered("%05d", gGameData->mKills));
    screen->UpdateBuffers();
    return 0;
}

int UpdateScore(lua_State* L) {
    CPInterface* screen = ToObject<CPInterface>(L, 1);
    const int32_t score = ToInteger(L, 2);
    if (screen) screen->SetText("score", Numbered("%05d", score));
    return 0;
}

int EngineState(lua_State* L) {
    CPInterface* screen = ToObject<CPInterface>(L, 1);
    const bool running = ToBool(L, 2);
    if (screen && gGameData && !gGameData->mRealCarConfig.mEngine.empty())
        screen->ShowWindow(gGameData->mRealCarConfig.mEngine, running);
    return 0;
}

int SetPlayersPanel(lua_State* L) {
    if (!gLevel || !gGameData) return 0;
    ReserveResults(L, 3);
    std::array<std::pair<int64_t, int32_t>, kPanelEntries> keys = RankingKeys(*gGameData);
    // Ascending and stable, read from the end: the highest key first, and among equal keys the id
    // entered later first.
    std::stable_sort(keys.begin(), keys.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    lua_newtable(L);
    for (int32_t i = 0; i < kPanelEntries; ++i) {
        lua_pushnumber(L, i + 1);
        lua_pushfstring(L, "%d", keys[kPanelEntries - 1 - i].second);
        lua_settable(L, -3);
    }
    return 1;
}

int GetPlayerMapPosition(lua_State* L) {
    if (!gLevel) return 0;
    lua_pushnumber(L, kPlayerMapX);
    lua_pushnumber(L, static_cast<float>(gSettings::screenHeight) - kPlayerMapFromBottom);
    return 2;
}

int GetAIPositions(lua_State* L) {
    const CPPlayer* unit = FollowedUnit();
    if (!unit || !gLevel->mCamera || !gGameData) return 0;
    ReserveResults(L, 5);
    const MinimapMapping map(*gLevel, *gLevel->mCamera, unit->GetPosition());
    float x = 0.0f;
    float y = 0.0f;
    if (const CPGameObject* ghost = gLevel->mGhost.Get()) {
        // In a time attack only the ghost car is on the map.
        const bool shown = map.Place(ghost->GetPosition(), x, y);
        lua_pushnumber(L, shown ? 3 : 0);
        lua_newtable(L);
        if (shown) SetSymbol(L, 1, x, y);
        return 2;
    }
    int32_t count = 0;
    for (const auto& entry : gGameData->mAIPositions) {
        const D3DXVECTOR3 at(entry.second.first, entry.second.second, 0.0f);
        if (map.Place(at, x, y)) ++count;
    }
    lua_pushnumber(L, count * 3);
    lua_newtable(L);
    int32_t key = 1;
    for (const auto& entry : gGameData->mAIPositions) {
        const D3DXVECTOR3 at(entry.second.first, entry.second.second, 0.0f);
        if (!map.Place(at, x, y)) continue;
        SetSymbol(L, key, x, y);
        key += 3;
    }
    return 2;
}

int GetHelthBarCoord(lua_State* L) {
    const CPPlayer* unit = ToObject<CPPlayer>(L, 1);
    float x = kOutOfView;
    float y = kOutOfView;
    float length = 0.0f;
    if (unit) {
        const CPCamera* camera = gLevel ? gLevel->mCamera : nullptr;
        if (!camera) return 0;
        if (HealthBarCorner(*camera->GetViewCamera(), *unit, x, y)) {
            length = (100.0f - unit->mDamage) * kBarPixelsPerPoint;
        } else {
            x = kOutOfView;
            y = kOutOfView;
        }
    }
    lua_pushnumber(L, x);
    lua_pushnumber(L, y);
    lua_pushnumber(L, length);
    return 3;
}

}  // namespace ScriptFunctions
