// The dynamic sky of a level: a textured dome whose colours, turn, fog, ambient and sun light blend
// from one key state to the next, cloud layers circling the centre (layer 0 carries the sun), cloud
// groups switched by randomly drawn timed cloud records, and a volume cloud. The renderer owns one and
// the host renders it once per frame, before the scene.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "DynamicSky/CloudGroup.h"
#include "DynamicSky/CloudLayer.h"
#include "DynamicSky/CloudRecordTable.h"
#include "DynamicSky/SkyKeyState.h"
#include "DynamicSky/SkyscapeFile.h"
#include "DynamicSky/VertexObject.h"
#include "DynamicSky/VolumeCloud.h"
#include "platform/D3DX9Math.h"

// The sun's position in the sky's space: written by the sky's sun layer every frame, read by the dome
// colouring of the next frame and by the level's update. (0, 0, 0) until a sky has drawn.
extern D3DXVECTOR3 gSunPosition;

class Skyscape : public VertexObject {
public:
    static constexpr float kDefaultTimeScale = 4.0f;
    static constexpr const char* kLightingEffectPath = "data/effects/skyscape_light.fx";

    // No dome, key states, layers, groups or records; time scale 4. The volume cloud loads its texture
    // and effect.
    Skyscape();
    // Deletes the layers, then the groups, then everything else.
    ~Skyscape() override;

    // Reads "Data\Clouds\" + fileName and builds the whole sky. A file that cannot be read, ends early
    // or holds no key state leaves the sky empty. The lighting effect is loaded in every case.
    void Load(const std::string& fileName);
    // Builds a sky just constructed from a parsed file (which must be valid, see IsValidSkyscapeFile):
    // dome, texture and effect, key states, layers, groups and records, then the first transition.
    void Apply(const SkyscapeFile& file);
    // Stores the dome's parameters and builds and uploads its mesh: n/4 + 1 rings of n + 1 vertices from
    // the centre's height up to the apex. No mesh for n <= 0 or for a dome that would not fit the
    // vertex object's buffers (n above 200).
    void BuildDome(float radius, int32_t segments, float centreX, float centreY, float centreZ, float heightScale);

    // The sky's whole frame: blends, fades, sets fog, ambient and sun light, recolours, turns and draws
    // the dome, draws the layers, clears the depth buffer, and moves on to the next key state or cloud
    // record when the current one has run out. An empty sky only clears the depth buffer.
    virtual void Render(float frameTime);
    // Starts the blend from the key state at the state index to the next one: the current and grey
    // records become copies of it, the rates lead to the next, and every layer takes the state's effect
    // and, when asked, its next texture.
    void BeginTransition();
    // Switches from the current cloud group to the one the record in force names: the previous one off,
    // the new one placed and on. Nothing changes when they are the same.
    void NextCloudGroup();

    // Whether a frame of this sky sets the sun light, which also applies and empties the renderer's
    // light table: only a sky with cloud layers does.
    bool HasSunLayer() const { return !mLayers.empty(); }

    // ---- State, for the host and tests ----
    float GetDomeRadius() const { return mDomeRadius; }
    int32_t GetDomeSegments() const { return mDomeSegments; }
    float GetDomeHeightScale() const { return mDomeHeightScale; }
    const D3DXVECTOR3& GetDomeCentre() const { return mDomeCentre; }
    const std::vector<SkyKeyState>& GetKeyStates() const { return mKeyStates; }
    int32_t GetColourPointCount() const { return mColourPointCount; }
    int32_t GetRowsPerColourStep() const { return mRowsPerColourStep; }
    const SkyKeyState& GetRates() const { return mRates; }
    const SkyKeyState& GetCurrent() const { return mCurrent; }
    const SkyKeyState& GetGrey() const { return mGrey; }
    int32_t GetStateIndex() const { return mStateIndex; }
    float GetStateTime() const { return mStateTime; }
    float GetTimeScale() const { return mTimeScale; }
    const std::vector<std::unique_ptr<CloudLayer>>& GetLayers() const { return mLayers; }
    // The group loaded under the name; null when none was.
    CloudGroup* FindGroup(const std::string& name) const;
    size_t GetGroupCount() const { return mGroups.size(); }
    const CloudRecordTable& GetRecordTable() const { return mRecords; }
    // Whether a cloud record is in force: false while the record table is empty.
    bool HasRecord() const { return mHasRecord; }
    const CloudRecord& GetRecord() const { return mRecord; }
    int32_t GetRecordIndex() const { return mRecordIndex; }
    float GetRecordTimer() const { return mRecordTimer; }
    float GetRecordEnd() const { return mRecordEnd; }
    float GetFade() const { return mFade; }
    bool IsFadingIn() const { return mFadingIn; }
    // The previous and the current group, in that order; an entry is null for a record whose group
    // the sky file does not name.
    const std::vector<CloudGroup*>& GetGroupQueue() const { return mGroupQueue; }
    const VolumeCloud& GetVolumeCloud() const { return mVolumeCloud; }

private:
    bool IsGrey() const { return mHasRecord && mRecord.greyFlag != 0; }
    // fade / fade time, 0 when the record has no positive fade time.
    float FadeFactor() const;
    // A colour as shown: with a grey record, the current one moved towards its grey by the fade factor.
    D3DXVECTOR3 Shown(const D3DXVECTOR3& current, const D3DXVECTOR3& grey) const;
    // The grey of a colour for the current key state's grey channel.
    D3DXVECTOR3 Grey(const D3DXVECTOR3& colour) const;
    void Blend(float step);
    void ColourDome();
    void TurnDome();
    void RenderLayers(float frameTime);
    // Draws the next record at random, puts it in force with its group and a new length.
    void DrawNextRecord();
    // A length of stay in force drawn for the record: d - d x s plus 0.1 x (r mod trunc(20 x d x s)).
    static float DrawRecordEnd(const CloudRecord& record);

    float mDomeRadius = 0.0f;       // R
    int32_t mDomeSegments = 0;      // n: columns around the dome
    float mDomeHeightScale = 0.0f;  // H: the dome is H x R high
    D3DXVECTOR3 mDomeCentre;
    std::vector<SkyKeyState> mKeyStates;  // in file order
    int32_t mColourPointCount = 0;   // P: colour points per key state
    int32_t mRowsPerColourStep = 0;  // dome rings between two colour points; 0: the dome is not recoloured
    SkyKeyState mRates;    // change per unit of sky time of every blended value
    SkyKeyState mCurrent;  // the blended values of this moment
    SkyKeyState mGrey;     // the grey version of the current colours
    int32_t mStateIndex = 0;   // the key state being left
    float mStateTime = 0.0f;   // sky time since that key state began
    float mTimeScale = kDefaultTimeScale;  // sky seconds per frame second
    std::vector<std::unique_ptr<CloudLayer>> mLayers;  // layer 0 carries the sun
    std::map<std::string, std::unique_ptr<CloudGroup>> mGroups;  // by group file name as written
    CloudRecordTable mRecords;
    bool mHasRecord = false;
    CloudRecord mRecord;         // copy of the record in force
    float mRecordTimer = 0.0f;   // sky time since the record began
    float mRecordEnd = 0.0f;     // the record's drawn length
    int32_t mRecordIndex = 0;
    float mFade = 0.0f;          // 0 .. the record's fade time: how far its grey has faded in
    bool mFadingIn = false;      // true while the fade rises
    std::vector<CloudGroup*> mGroupQueue;  // not owning; into mGroups
    VolumeCloud mVolumeCloud;
};
