// The current race level (gLevel): the level's scene objects and partition, the race path, the camera
// and its three views, the race units, checkpoints, nitro zones, the time-attack ghost and every per-race
// counter, with the ray and sphere queries the weapons, the cars and the scripts run over the level.
#pragma once

#include <array>
#include <cstdint>
#include <list>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/CPGameObject.h"
#include "core/CPSmartPtr.h"
#include "platform/D3D9Types.h"
#include "platform/D3DX9Math.h"
#include "simulation/level/RaceRecords.h"
#include "simulation/level/RaceView.h"

class CPCamera;
class CPLevelBranch;
class CPLine;
class CPMiniMap;
class CPPlayer;
class CPQuadTree;
class CPSpline;
class CPTask;
struct LevelFileRecord;
struct LevelObjectPlan;
struct LevelObjectRecord;

// A numbered hidden object of the level file ("chk<number>_<model>"), shown by the checkpoint scripts.
struct ChkObject {
    std::string mNumberText;  // the digits and '-' signs read from the name; may be empty
    int32_t mNumber = 0;      // the text converted with atof, truncated toward zero
    CPSmartPtr<CPGameObject> mObject;
};

// A timed checkpoint of the race: reaching its box refills the checkpoint timer.
struct CheckpointEntry {
    CPGameObject* mObject = nullptr;  // one of the level's placed objects; not owned
    float mTimeAllowance = 0.0f;      // seconds
};

// Not reference counted: made with a plain new, owned by whoever holds gLevel and deleted explicitly.
class CPLevel {
public:
    using ObjectList = std::vector<CPSmartPtr<CPGameObject>>;

    // Side of a cell of the object grid, in world units.
    static constexpr float kGridCellSize = 10.0f;
    // How far (in x and y) a segment or a sphere may pass the player's unit and still have the level's
    // own objects searched.
    static constexpr float kNearPlayerReach = 10.0f;
    // Index in mEnemies from which EnableUnits brings units back into play.
    static constexpr size_t kFirstReturningUnit = 5;
    // Height at which EnableUnits puts a returning unit.
    static constexpr float kReturnHeight = 3.0f;
    static constexpr const char* kDefaultCarPrefix = "zil_130_";

    // Every field at its initial value; mLastTick := timeGetTime(). gLevel is left to the caller.
    CPLevel();
    // Stops a started race, then deletes what the level owns (camera, minimap, partition, quadtree,
    // adopted objects) after letting go of every reference, and clears gLevel when it names this level.
    virtual ~CPLevel();
    CPLevel(const CPLevel&) = delete;
    CPLevel& operator=(const CPLevel&) = delete;

    virtual std::string GetClassName() const { return "CPLevel"; }
    // The value as "%.3f".
    virtual std::string FormatFloat(float value) const;

    // ---- accessors
    // The camera, counted; empty when the level has none.
    CPSmartPtr<CPCamera> GetCamera() const;
    // The race path "c_path", counted; empty when the level has none.
    CPSmartPtr<CPSpline> GetSpline() const;
    // The road edges "left" and "right", counted; empty when the level has none.
    CPSmartPtr<CPSpline> GetLeftLine() const;
    CPSmartPtr<CPSpline> GetRightLine() const;
    int32_t GetLevelNumber() const { return mLevelNumber; }

    // ---- units
    // The other units stop being driven and stepped (beyond the first eleven).
    void DisableUnits() { mUnitsActive = false; }
    // The other units run again; those from kFirstReturningUnit on come back into play: visible,
    // collidable, at kReturnHeight over their x and y, at rest, their bodies awake.
    void EnableUnits();

    // Appends mSunLight to gRenderer's light table while the table holds fewer than 30 lights; a full
    // table (or no renderer) keeps nothing. The sky writes the sun into mSunLight just before.
    void AddRendererRecord();

    // ---- the player's direction on the path
    // Window (x and y, world units) of the nearest-line searches on the three splines.
    static constexpr float kRoadSearchWindow = 40.0f;
    // The player's place on the road, a step of the race update: the nearest lines of "c_path", "left"
    // and "right" around the player (from the cursors of mPathHint, which follow), mPathAngle := the
    // heading of the path line just before the nearest one, and mOffRoad := how far the player is
    // beyond the nearer road edge (0 on the road). A missing spline counts as a distance of 0; without a
    // player nothing changes.
    void UpdateRoadPosition();
    // Whether the heading points more than a quarter turn away from the path's direction (taken the
    // other way round while mReverse is set): 1.57 < heading - path angle < 4.713, both in [0, 2 pi).
    bool IsPlayerMovingBackwards() const;
    // The same test for any heading and path direction (radians).
    static bool PointsAgainstPath(float heading, float pathAngle, bool reverse);

    // ---- weapons
    // Aims and fires the player's weapon (CPPlayer::UpdateWeapon); nothing without a player.
    void SetWeaponPos(const D3DXVECTOR3& aimPoint, CPSmartPtr<CPGameObject> target);

    // ---- ray and sphere queries
    // Tests the query's ray against every unit of mEnemies, then against the player; true at the first
    // hit (later units are not tested).
    bool RayHitsUnits(CPRayQuery& query) const;
    // The partition (unless the quadtree is in use), then, when the segment passes near the player's
    // unit, the level's own objects. The query keeps the nearest hit; its hitPoint becomes the end of the
    // remaining segment in every case, also for a query of length 0 (or not a number), which finds
    // nothing.
    bool CrossPlayerRay(CPRayQuery& query) const;
    // As CrossPlayerRay, with the player's own unit tested first in the near-player stage (aiming).
    bool CrossInterfaceRay(CPRayQuery& query) const;
    // Appends the objects whose collision bounds touch the sphere: the partition's (unless the quadtree
    // is in use), the player's unit, and near the player the level's own objects and the grid's. The
    // stages do not look at each other's results: an object two of them find is appended twice.
    void CollectInSphere(const D3DXVECTOR3& centre, float radius, ObjectList& result) const;

    // ---- loading (CPLevelLoader.cpp)
    // Builds the race of "Data\Levels\<name>.lvl" on a freshly made level (once; gLevel names it): the
    // placed objects, the ground and road physics, the physics world, the race units with their cars,
    // the splines, the partition and the camera views. A file without a "player" start starts the
    // player at (100, 100, 1) unturned. False, with the reason in GetLoadError, when the file cannot be
    // read, lacks one of "c_path", "left" and "right", or the player's car cannot be built; the level
    // then holds only what was set before the file was read (the AI vehicle records, the ghost, the sky,
    // the rolling flag). An enemy whose car cannot be built is left out. What loads but will not race as
    // its writer meant (no road physics, a scene or vehicle description that gives nothing, a path that
    // cannot count laps, a start facing against the driving order) is said in the log ("level load: ").
    bool Load(const std::string& levelName, bool singleRace, bool timeAttack);
    // Selects race view 0, 1 or 2: its parameters, the camera's free view, the blur grid, the camera's
    // heading from the camera target's turn (views 0 and 1) and the engine volume; another mode only
    // stores the number.
    void SetCameraMode(int32_t mode);
    const std::string& GetLoadError() const { return mLoadError; }

    // ---- building (the loader)
    // Multiplies the vertices of the tree's plain meshes (and of their level-of-detail copies) by the
    // matrix, positions as points and normals as directions, recursing into the children.
    static void BakeTransform(CPGameObject& object, const D3DXMATRIX& matrix);
    // The grid's column and row counts from the extents (one cell per kGridCellSize square). Nothing is
    // allocated: a cell exists only once an object is put into it.
    void AllocateObjectGrid();
    // Puts the object into the cell (column, row); false, nothing stored, outside the grid.
    bool AddToGridCell(int32_t column, int32_t row, CPSmartPtr<CPGameObject> object);
    // The objects of a cell; empty outside the grid and for a cell nothing was put into.
    const ObjectList& GetGridCell(int32_t column, int32_t row) const;
    // Hands an object made for this level to it for good: deleted with the level (after every reference
    // the level holds is let go), unless its owner deleted it before.
    void Adopt(CPRefObject* object);
    // Deletes the partition root and the quadtree root and clears the camera's reference to the
    // partition (the level's stop and destructor).
    void DeletePartition();
    // Makes race view 0 or 1 the active view (view 2 takes view 0's values); another view changes
    // nothing. A divisor of 0 counts as 1.
    void SelectViewParameters(int32_t view);
    // A camera divisor as the chase camera may divide by it: 0 (or not a number) counts as 1.
    static float CameraDivisor(float value);

    // ---- lifecycle
    // Task priorities of a started level: the AI driving, the units and the scene, the physics step, the
    // race update.
    static constexpr int32_t kUpdaterPriority = 100;
    static constexpr int32_t kUnitPriority = 200;
    static constexpr int32_t kPhysicsPriority = 400;
    static constexpr int32_t kRaceTaskPriority = 500;
    // Render layers of the race camera's second view and of the identity matrix (the main view's is
    // PRender::kMainViewLayer).
    static constexpr int32_t kSecondViewLayer = 120;
    static constexpr int32_t kIdentityLayer = 17;
    static constexpr float kLevelTimeAtStart = 600.0f;
    // Lap times of every unit's record that the start sets to the round time.
    static constexpr size_t kStartLapTimes = 5;

    // Hands the race to the task kernel: the race settings reset, the physics world, the race task and
    // the AI driving added at their priorities, the player and the scene activated, "set_money" and
    // "init_game_interface" posted to "gamemenu", the lap tracking begun. A level whose load did not
    // complete is refused (false, nothing changes). A second start stops the first race task.
    bool Start();
    // Ends the race: the tasks stopped, the units, objects and splines let go (their owners delete
    // them), the partition deleted, the effects reset and the sounds stopped. Safe to repeat.
    void Stop();
    // Shows the numbered object at mChkCursor (mShownCheckpoint, visible, the minimap's target) and
    // posts "say_show" to the category "main"; at the end of the list nothing is shown any more.
    void ShowCheckpoint();
    // Whether Start ran and no Stop since.
    bool IsStarted() const { return static_cast<bool>(mRaceTask); }
    // The race rules of one frame (the race task); RaceIsSound is checked after it.
    void Update();
    // Whether the race's own links agree: the units' lap counters (nearest points and progress) are as
    // many, the finish slots hold nobody twice and fill from the first, the path points form one ring
    // in the order the start collected them (or the reverse order, once a script turns the driving
    // order), and every unit's bodies are records of the physics world in use. Only a programming error
    // breaks it (checked by ENGINE_ASSERT after every race update).
    bool RaceIsSound() const;

    // ---- race rules of a frame (CPLevelUpdate.cpp)
    // The player's unit runs in steps of 1/60 s whatever the frame time.
    static constexpr float kPlayerStep = 0.016666668f;
    // Steps the player's unit may take in one frame: a longer frame (a pause, a debugger) drops the rest
    // instead of stepping on and on.
    static constexpr int32_t kMaxPlayerSteps = 10;
    static constexpr float kRollingHopPeriod = 1.5f;  // seconds between the rolling camera's hops
    static constexpr float kGhostSamplePeriod = 0.05f;  // seconds between ghost samples
    static constexpr float kFastSoundLockout = 2.0f;  // seconds before "fast" may sound again
    static constexpr float kNitroFull = 100.0f;
    static constexpr float kRespawnClockCap = 0.1f;  // seconds the respawn clock takes from one frame
    // Units driven and stepped (and whose positions the minimap gets) while mUnitsActive is clear.
    static constexpr size_t kAlwaysDrivenUnits = 11;
    // Distance of the partition walk that queues the static scene.
    static constexpr float kSceneWalkDistance = 1000000.0f;

    // Announces the race result once the finish slots decide it (place, "finish!" or "lost!", game over).
    void DecideResult();
    // "game_over" to "jeep": the race is over for the player, the AI drives the car on, and the chase
    // camera looks along the heading the race ended with (mFixedHeadingSet, mFixedHeading).
    void EndPlayersRace();
    // The chase camera's yaw offset in views 0 and 1 by the rolling camera's view: none in view 0, the
    // spin in view 1, half a turn in view 2.
    float RollingYawOffset() const;
    // The sun's lens flare (only with the "lensflare" setting on): placed where the sun is on screen,
    // shown while the camera looks towards it.
    void UpdateLensFlare();
    // The checkpoint timer runs down once a checkpoint was reached; at 0 the race is lost.
    void RunCheckpointTimer(float dt);
    // The rolling camera's random hop every kRollingHopPeriod.
    void RollingCameraHop(float dt);
    // Adds the frame to the player's step clock; the number of kPlayerStep steps to run now (at most
    // kMaxPlayerSteps; a time that is not a finite, positive number adds nothing).
    int32_t TakePlayerSteps(float dt);
    // The checkpoint the player's unit reached this frame, if any: timer refill and messages.
    void ReachCheckpoints();
    // Nitro zones: a refill for the player's unit (with the "fast" sound) and for the units inside.
    void RefillNitro(float dt);
    // Time attack: a sample of the player's run every kGhostSamplePeriod, and the best run played back
    // on the ghost car.
    void RecordGhost();
    void PlayGhost();

    // ---- the race update's stages, in the order Update runs them
    // The camera target's place and axes as the frame's stages take them.
    struct TargetPose {
        CPPlayer* unit = nullptr;  // mCameraTarget; null: nothing follows a target this frame
        D3DXVECTOR3 at = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        D3DXVECTOR3 forward = D3DXVECTOR3(0.0f, -1.0f, 0.0f);  // the model's (0, -1, 0) turned
        D3DXVECTOR3 up = D3DXVECTOR3(0.0f, 0.0f, 1.0f);        // the model's (0, 0, 1) turned
        float heading = 0.0f;                                  // radians, HeadingOf(forward)
    };
    // The level clock, the time limit ("level_failed" once it runs out), the laps and the spin clock.
    void AdvanceRaceClocks(float dt);
    // The player's unit in fixed steps (none while rolling).
    void StepPlayer(float dt);
    TargetPose PoseOfCameraTarget() const;
    // The camera target's speed, and the chase camera's inputs from the active view and the pose.
    void FeedChaseCamera(const TargetPose& pose);
    // The 3D sound listener at the camera eye, looking at the target.
    void PlaceListener(const TargetPose& pose);
    // The other units driven and stepped (their positions for the minimap), then the camera target
    // driven by the AI once the player's race is over.
    void DriveUnits(float dt, const TargetPose& pose);
    // The camera's tilt and yaw (the free view placed in view 2), mForward and mHeading, the camera update.
    void AimCamera(const TargetPose& pose);
    // The minimap, the eye follower, the ghost, the ground quad, the units and the visible scene queued.
    void QueueRaceDrawing(const TargetPose& pose);
    void QueueVisibleScene();

    // ---- lap tracking
    // Squared 2D distance within which a unit has a nearest path point.
    static constexpr float kNearestPointBound = 100000.0f;
    // A step of this many points or more is a wrap across the start of the path (fewer on short paths).
    static constexpr int32_t kWrapThreshold = 15;
    // Points short of the whole path after which the camera target, and the other units, may complete
    // a lap at the start point.
    static constexpr int32_t kPlayerLapMargin = 20;
    static constexpr int32_t kUnitLapMargin = 50;
    // Greatest distance from the start line at which the camera target completes a lap.
    static constexpr float kStartLineReach = 2.0f;
    // Progress below which standing at the start point before the first lap counts nothing.
    static constexpr int32_t kFirstLapReset = 70;
    // Units of mEnemies (by index) whose laps are counted.
    static constexpr int32_t kTrackedUnits = 11;

    // The path's points in driving order, the nearest points of the camera target, of the start line and
    // of every tracked unit; progress starts at 0. The end of Start.
    void InitLapTracking();
    // The lap counting of this frame, then the race clocks while mRaceClockOn is set.
    void TickLap();
    // The lap counting alone: progress along the path, completed laps and their messages, finish slots.
    void UpdateLap();
    // The index in mPathPoints of the point nearest to (x, y) within kNearestPointBound (the later index
    // on a tie); -1 when none is that near.
    int32_t NearestPathPoint(const D3DXVECTOR3& position) const;
    // The same among the given points.
    static int32_t NearestPoint(const std::vector<CPLine*>& points, const D3DXVECTOR3& position);
    // NearestPoint of each position into the same place of `nearest` (as many as both spans hold).
    static void NearestPoints(const std::vector<CPLine*>& points, std::span<const D3DXVECTOR3> positions,
                              std::span<int32_t> nearest);
    // The points advanced from index `from` to index `to`: a jump of the wrap threshold or more is
    // taken as a crossing of the path's start, so a whole lap adds (points - 1).
    int32_t WrappedStep(int32_t from, int32_t to) const;
    // The progress the camera target, and another unit, need before a lap counts: the points short of
    // the whole path, and never below 1, so a short path still needs a whole lap.
    int32_t PlayerLapWindow() const;
    int32_t UnitLapWindow() const;
    // Puts `who` (kPlayerSlot or a unit's index) into the first free finish slot, unless a slot holds it
    // already; false when it took none.
    bool TakeFinishSlot(int32_t who);
    // Whether unit i of mEnemies has its laps counted: one of the first kTrackedUnits, present, and not
    // the player's own unit.
    bool IsLapTracked(size_t index) const;
    // The race path's points in driving order: from the first line along the next links (the previous
    // links while mReverse is set) until the first comes round again. A broken ring stops where it
    // breaks; no path gives none.
    std::vector<CPLine*> CollectPathPoints() const;
    // What keeps the race path from counting laps as it should (no path, fewer points than the lap
    // windows need, no start line); empty when nothing does. Said once a level is loaded.
    std::string DescribeRacePathFault() const;
    // Whether the player's start heading points against the driving order (more than a right angle from
    // the direction of the nearest path point): laps would count down and the race would never end.
    // Empty when it does not (or nothing can be said). Said once a level is loaded.
    std::string DescribeStartHeadingFault() const;

    // ---- clocks and ghost
    float mClock = 0.0f;            // seconds, level clock; time base of the ghost samples
    float mLastGhostSample = 0.0f;  // mClock at the last ghost sample
    int32_t mGhostIndex = 0;        // ghost sample being played back

    // ---- the three race views
    int32_t mCameraMode = 0;                // the race view 0, 1 or 2
    // View 0 from the player's "camera", 1 from "camera2" (an enemy's "camera" places it too), 2 from
    // "camera3": the free view, placed by its own distance and height, following with view 0's values.
    std::array<RaceView, 3> mRaceViews;
    // The view in use: the selected one's values (view 0's for view 2), divisors of 0 made 1; the chase
    // camera follows with its distance, height, angle and divisors.
    RaceView mActiveView;
    CPSmartPtr<CPGameObject> mLensFlare;    // the sun's lens flare; nothing sets it yet
    float mSpinSign = 1.0f;   // +1 or -1, spin direction of the rolling camera
    // Rolling (attract) mode: random camera hops every 1.5 s, the player's unit is not stepped.
    bool mRolling = true;
    std::string mCarPrefix = kDefaultCarPrefix;  // model prefix of the player's car
    std::vector<std::string> mUnitModels;        // model names of the race units in creation order
    float mLastTick = 0.0f;  // milliseconds: timeGetTime() at construction, refreshed every update

    // ---- path and scene
    CPSmartPtr<CPSpline> mPath;       // "c_path"
    CPSmartPtr<CPSpline> mLeftLine;   // "left"
    CPSmartPtr<CPSpline> mRightLine;  // "right"
    bool mLevelFailedSent = false;    // "level_failed" was posted
    // Positions of the level file's "src" objects by name; the mission information places enemy
    // sources at them.
    std::unordered_map<std::string, D3DXVECTOR3> mSources = std::unordered_map<std::string, D3DXVECTOR3>(100);
    std::list<ChkObject> mChkObjects;               // numbered hidden objects in file order
    std::list<ChkObject>::iterator mChkCursor = mChkObjects.end();  // the one ShowCheckPoint shows next
    CPSmartPtr<CPGameObject> mShownCheckpoint;      // the numbered object shown last
    CPSmartPtr<CPTask> mRaceTask;                   // owned: the task running Update, made by Start
    CPSmartPtr<CPGameObject> mScene;                // the level's own description "<name>.rdf"
    CPSmartPtr<CPGameObject> mEyeFollower;          // drawn at the camera eye; nothing sets it yet
    CPSmartPtr<CPGameObject> mRoadPhysics;          // "road_phys<n>.rdf"
    CPSmartPtr<CPGameObject> mPlane;                // the ground quad, drawn while "plane" is not 0
    CPLevelBranch* mBranchRoot = nullptr;  // owned; the partition, used while "quadlevels" is 0
    CPQuadTree* mQuadTree = nullptr;       // owned; used instead while "quadlevels" is not 0
    ObjectList mObjects;                   // the placed mesh objects, in file order
    ObjectList mGridExtra;                 // the list searched after the grid's cells; nothing fills it
    CPCamera* mCamera = nullptr;           // the level's chase camera; owned, null until the level makes it
    CPMiniMap* mMiniMap = nullptr;         // owned; null until the loader makes it
    // The sun: the sky writes Direction, Diffuse and Specular every frame; the rest is set on loading.
    D3DLIGHT9 mSunLight{};
    float mExtentX = 10.0f;  // world units the level covers along x, centred on the origin
    float mExtentY = 10.0f;  // world units the level covers along y, centred on the origin
    int32_t mGridColumns = 0;  // object grid: cells along x (AllocateObjectGrid)
    int32_t mGridRows = 0;     // object grid: cells along y

    // ---- race clock and camera feed
    float mLevelTime = 0.0f;    // seconds left; Start sets 600
    float mPlayerSpeed = 0.0f;  // speed of the camera target's car, every frame
    int32_t mLevelNumber = 0;  // 1 .. 12 from the level name; 0 before loading and for other names

    // ---- race units
    CPPlayer* mPlayer = nullptr;        // the human player's race unit; null until the race is built
    CPPlayer* mCameraTarget = nullptr;  // followed by the camera, the lap counting and the listener
    // The other units in creation order; an index here is the unit's number in the finish slots and in
    // the game data's maps. Not owned through this list.
    std::vector<CPPlayer*> mEnemies;
    bool mShotRequest = false;  // set by the script function PlayerShot
    float mHeading = 0.0f;      // radians, heading of the camera target, written every frame
    // The camera target's forward direction in world space: the car's local (0, -1, 0) turned by its
    // orientation, written every frame.
    D3DXVECTOR3 mForward;
    float mCameraYawOffset = 0.0f;  // radians, added to the chase camera's yaw while gTempValue is 0
    bool mFixedHeadingSet = false;  // set when the player's race ends (EndPlayersRace)
    float mFixedHeading = 0.0f;     // radians, mHeading then; the chase camera looks along it (plus 3/4 pi)
    int32_t mRollingView = 0;       // the rolling (attract) camera's current view
    float mRollingTimer = 0.0f;     // seconds since the rolling camera's last hop
    // Start lines of the nearest-point queries on mPath, mLeftLine and mRightLine; not owned.
    std::array<CPLine*, 3> mPathHint{};
    bool mUnitsActive = true;  // the other units are driven and stepped

    // ---- lap tracking
    std::vector<CPLine*> mPathPoints;                   // "c_path" points in driving order; not owned
    std::vector<int32_t> mUnitNearest = std::vector<int32_t>(20, 0);   // per other unit: nearest point
    std::vector<int32_t> mUnitProgress = std::vector<int32_t>(20, 0);  // per other unit: points this lap
    bool mRaceClockOn = false;  // the lap and total times run
    int32_t mPlayerNearest = 0;
    int32_t mPlayerProgress = 0;
    int32_t mStartPoint = 0;
    D3DXVECTOR3 mStartLineDir;  // left start post - right start post
    D3DXVECTOR3 mStartLinePos;  // middle of the start posts

    // ---- race result
    // First, second and third place: -1 free, kPlayerSlot the player, else the unit's index in mEnemies.
    static constexpr int32_t kPlayerSlot = 10;
    std::array<int32_t, 3> mFinishSlots{-1, -1, -1};
    bool mResultDecided = false;
    float mFastCooldown = 0.0f;  // seconds until the "fast" sound may play again
    float mOffRoad = 0.0f;       // how far the player is beyond the nearer road edge; 0 on the road

    // ---- time attack
    CPSmartPtr<CPGameObject> mGhost;  // the ghost car; null outside time attack
    bool mTimeMode = false;           // time-attack mode
    std::string mGhostName;           // stored with a new best lap
    std::vector<GhostSample> mGhostSamples;  // recorded in this race
    bool mSingleMode = false;         // single race: no checkpoints
    float mSpinTime = 0.0f;           // seconds, time base of the rolling camera's spin view
    bool mGameOver = false;           // "game_over" was posted
    float mPathAngle = 0.0f;          // radians, direction of the race path nearest to the player
    bool mReverse = false;            // the path is driven backwards
    std::vector<CPGameObject*> mFastZones;  // nitro zones; not owned; nothing fills it yet
    int32_t mRequiredPlace = 0;       // worst finishing place (0-based) that still wins

    // ---- checkpoints
    std::vector<CheckpointEntry> mCheckpoints;
    float mCheckpointTimer = 0.0f;   // seconds left to reach the next checkpoint
    int32_t mLastCheckpoint = -1;    // index of the checkpoint reached last; -1 none
    int32_t mCheckpointsPassed = 0;

    bool mStopped = false;          // cleared by Start, set by Stop
    bool mLoaded = false;           // the level's load completed; Start refuses a level without
    float mRespawnClock = 0.0f;     // seconds, advanced by the frame time capped at 0.1
    float mPlayerStepAcc = 0.0f;    // seconds not yet stepped of the player's fixed steps
    int32_t mPlayerSteps = 0;       // fixed steps of the player's unit in this frame's update
    // Top vector of the 3D sound listener: kept while the eye stands straight above the target.
    D3DXVECTOR3 mListenerTop = D3DXVECTOR3(0.0f, 1.0f, 0.0f);

private:
    // Shows a race message ("finish!", "lost!", ...) through the in-race interface's command receiver.
    static void ShowMessage(const char* text);
    // The game data's key of unit `index` ("0", "1", ...).
    static std::string UnitKey(size_t index) { return std::to_string(static_cast<int>(index)); }
    void Fail(const std::string& reason);
    // A report of the load that does not stop it: "level load: <level>: <text>" in the log.
    void LoadReport(const std::string& levelName, const std::string& text) const;
    // The first lines of "c_path", "left" and "right" (null for a missing spline).
    std::array<CPLine*, 3> FirstLines() const;
    // Unit `index` of mEnemies gets its AI vehicle record and the three paths from their first lines.
    void AssignUnitPaths(int32_t index);
    // An enemy's "camera" element: view 1's distance, height and angle, the unit's camera range.
    void ReadEnemyCamera(CPPlayer& unit);
    // The player's three views; the angle of view 0 or 1, when read, also becomes the camera's angle.
    void ReadPlayerCameraViews();
    // Reports a unit whose car took no value from its vehicle description, and a scene description that
    // could not be read (its scene is the fallback's).
    void ReportUnreadDescription(const std::string& levelName, const CPPlayer& unit, const std::string& bodyName) const;
    void ReportSceneFallback(const std::string& levelName) const;
    // A numbered hidden object: built invisible, placed and listed in mChkObjects; empty when its
    // description yields no object.
    CPSmartPtr<CPGameObject> BuildChkObject(const LevelObjectPlan& plan, const D3DXVECTOR3& position,
                                            const D3DXQUATERNION& rotation);
    // A placed mesh: baked scale (without physics), placed, animated, listed for the partition, active.
    void PlaceMeshObject(CPSmartPtr<CPGameObject> object, const LevelObjectRecord& record,
                         const LevelObjectPlan& plan, ObjectList& statics);
    // A new race unit, adopted by the level, as a copy of the body.
    CPPlayer* MakeUnit(const CPSmartPtr<CPGameObject>& body, const std::string& modelName);
    // The unit's bodies and car in gPhysicsWorld, drawable, with its shadow.
    void AddUnitCar(CPPlayer* unit, bool playerCar);
    void BuildGroundQuad(const std::string& levelName);

    // ---- the loader's stages, in the order Load runs them
    // Where a race unit starts, as the level file places it.
    struct UnitStart {
        D3DXVECTOR3 position;
        D3DXQUATERNION rotation;
    };
    // What the level file's placed objects say about the race rather than the scene.
    struct PlacedStarts {
        D3DXVECTOR3 playerPosition = D3DXVECTOR3(100.0f, 100.0f, 1.0f);  // used when the file has no "player"
        D3DXQUATERNION playerRotation = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
        std::vector<UnitStart> enemies;  // in file order
        D3DXVECTOR3 leftPost = D3DXVECTOR3(0.0f, 0.0f, 0.0f);   // start posts; the origin when missing
        D3DXVECTOR3 rightPost = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    };
    // The ghost clock, the respawn clock and the race modes.
    void ResetRaceCounters(bool singleRace, bool timeAttack);
    // The AI vehicle records, the level number, the ghost car, the sky, the rolling flag and the seed.
    void PrepareRaceRecords(const std::string& levelName);
    // Time attack on a numbered level: the best run's ghost car, when one was stored.
    void LoadGhostCar();
    // The level file, parsed and checked, with the three splines a race needs; false (after Fail) else.
    bool ReadRaceFile(const std::string& levelName, LevelFileRecord& file);
    // The player's car body (mCarPrefix from the game data); empty (after Fail) when it is missing or has
    // no physics.
    CPSmartPtr<CPGameObject> DescribePlayerCar(const std::string& levelName, std::string& bodyName);
    // A new chase camera and the sun's light; the sources forgotten.
    void MakeCameraAndSun();
    // The extents by the level number, the minimap, the ambient light, the shadow matrix, the object grid.
    void SizeLevelArea();
    // Every placed object of the file: starts and posts noted, numbered objects and meshes built, sources
    // kept; the static meshes appended to `statics` for the partition.
    void PlaceLevelObjects(const LevelFileRecord& file, PlacedStarts& starts, ObjectList& statics);
    void BuildSplines(const LevelFileRecord& file);
    // The level's own description and an empty partition of the kind "quadlevels" selects.
    void BuildScene(const std::string& levelName);
    // "road_phys<n>.rdf" as the collision mesh of a new physics world.
    void BuildRoadPhysics(const std::string& levelName);
    void PlaceEnemies(const std::string& levelName, const std::vector<UnitStart>& enemyStarts);
    // The player's unit from its body (the body deleted), its views, its car, the camera on it.
    void PlacePlayer(const std::string& levelName, CPSmartPtr<CPGameObject>& body, const std::string& bodyName,
                     const PlacedStarts& starts);
    // The game data's lap counter back to the first lap, with no time.
    void ResetLapRecords();
    // The path hints, the start line between the posts, no motion blur, the splines laid on the terrain.
    void SetUpRaceLines(const PlacedStarts& starts);
    // The partition sorts the static objects (through a locked branch queue while "static" is set).
    void BuildPartition(const ObjectList& statics);
    void AssignAfterRacePaths();

    // The near-player stage of both ray queries.
    bool QueryNearPlayer(CPRayQuery& query, bool includePlayer) const;
    // Whether the segment of the query passes within kNearPlayerReach of the player in x and y.
    bool SegmentNearPlayer(const CPRayQuery& query) const;
    bool CrossRay(CPRayQuery& query, bool includePlayer) const;

    // The object grid: only cells something was put into exist, keyed by column x rows + row.
    std::unordered_map<int32_t, ObjectList> mGridCells;
    std::vector<CPRefObject*> mAdopted;  // deleted with the level, last first
    std::string mLoadError;              // why the last Load failed; empty after a success
};
