// CPLevel::Load: a level name becomes a playable race (placed objects, ground, road physics, race units
// with their cars, splines, partition, camera views).
#include <tinyxml.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "Render/CPCamera.h"
#include "Render/CPMiniMap.h"
#include "Render/CPQuadTree.h"
#include "Render/CPRenderQueue.h"
#include "Render/PAnimatedObject.h"
#include "Render/PMaterialManager.h"
#include "Render/PRender.h"
#include "Render/PRenderObject.h"
#include "Render/PRenderObjectManager.h"
#include "core/Angles.h"
#include "core/LogStream.h"
#include "core/ServiceGlobals.h"
#include "core/files/FileReadOnceScope.h"
#include "core/files/XmlAttributes.h"
#include "core/ShadowMatrix.h"
#include "core/config/Settings.h"
#include "platform/Clock.h"
#include "platform/RuntimeRandom.h"
#include "simulation/enemies/AI_Vehicle.h"
#include "simulation/enemies/CPVehicleUpdater.h"
#include "simulation/level/CPGameData.h"
#include "simulation/level/CPLevel.h"
#include "simulation/level/CPLevelBranch.h"
#include "simulation/level/CPSpline.h"
#include "simulation/level/LevelFile.h"
#include "simulation/level/LevelObjectRules.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/physics/CPPhysicWorld.h"
#include "simulation/units/CPPlayer.h"
#include "simulation/vehicle/CPCar.h"

namespace {

constexpr float kStartAngle = -kHalfPi;  // the camera's angle before the descriptions are read
constexpr int32_t kPlacedLayer = 20;
constexpr int32_t kSceneLayer = 0;
constexpr int32_t kLandLayer = 17;
constexpr int32_t kRoadPhysicsLayer = 19;
constexpr float kEnemyLift = 2.0f;

CPSmartPtr<CPGameObject> Describe(const std::string& name, int32_t layer) {
    CPSmartPtr<CPGameObject> result;
    if (gRenderObjectManager) gRenderObjectManager->CreateObjectByDescription(result, name, layer);
    return result;
}

const TiXmlElement* DescriptionElement(CPGameObject& object, const char* name) {
    return TiXmlHandle(&object.GetDescription()).FirstChildElement(name).ToElement();
}

// The enemy model of a level by its name; the empty model for other names.
std::string EnemyModel(const std::string& levelName) {
    const int32_t n = LevelNumberFromName(levelName);
    if (n >= 1 && n <= 3) return "subaru";
    if (n >= 4 && n <= 6) return "celica";
    if (n >= 7 && n <= 9) return "lister";
    if (n >= 10 && n <= 12) return "viper";
    return "";
}

// A body a car can be built on: it exists and carries physical data (the fallback description does not).
bool IsCarBody(const CPSmartPtr<CPGameObject>& body) { return body && body->GetPhysicData(); }

// A body tree is copied into its unit and then deleted: the unit owns its own copy.
void DeleteTree(CPSmartPtr<CPGameObject>& tree) {
    CPGameObject* root = tree.Get();
    tree.Forget();
    if (root && gObjectRegistry::Contains(root)) delete root;
}

// Lights a model carries that the race does not show.
void HideCarLights(CPGameObject& body, const std::string& carPrefix) {
    if (carPrefix == "uaz") {
        if (CPSmartPtr<CPGameObject> light = body.FindObject("light")) light->SetVisible(false);
    } else if (carPrefix == "volswagen_toureg") {
        for (const char* name : {"halo", "halo_blend"})
            if (CPSmartPtr<CPGameObject> halo = body.FindObject(name)) halo->SetVisible(false);
    }
}

void SetCameraDistance(CPCamera& camera, float distance) {
    camera.mTargetDistance = distance;
    if (camera.mDistance == 0.0f) camera.mDistance = distance;
    camera.mChanged = true;
}

}  // namespace

void CPLevel::Fail(const std::string& reason) {
    mLoadError = reason;
    LogReport(GetLogStream(), 0, "level load: %s\n", reason.c_str());
}

void CPLevel::LoadReport(const std::string& levelName, const std::string& text) const {
    LogReport(GetLogStream(), 0, "level load: %s: %s\n", levelName.c_str(), text.c_str());
}

CPSmartPtr<CPGameObject> CPLevel::BuildChkObject(const LevelObjectPlan& plan, const D3DXVECTOR3& position,
                                                 const D3DXQUATERNION& rotation) {
    CPSmartPtr<CPGameObject> object = Describe(plan.description, kPlacedLayer);
    if (!object) return object;
    Adopt(object.Get());
    object->SetVisible(false);
    object->SetPosition(position);
    object->SetRotation(rotation);
    object->UpdateTransform();
    ChkObject chk;
    chk.mNumberText = plan.numberText;
    chk.mNumber = plan.number;
    chk.mObject = object;
    mChkObjects.push_back(chk);
    return object;
}

void CPLevel::PlaceMeshObject(CPSmartPtr<CPGameObject> object, const LevelObjectRecord& record,
                              const LevelObjectPlan& plan, ObjectList& statics) {
    object->SetShadowRecursive(false);
    const bool physical = object->GetPhysicData() != nullptr;
    if (!physical) {
        D3DXMATRIX scaling;
        D3DXMatrixScaling(&scaling, record.scale.x, record.scale.y, record.scale.z);
        BakeTransform(*object, scaling);
    }
    object->SetPosition(record.position);
    object->SetRotation(PlacedRotation(plan.kind, record.rotation));
    object->UpdateTransform();
    object->SetStaticRecursive(true);
    if (physical && object->GetRenderKind() == kRenderAnimated) {
        const float r0 = RuntimeRandomFraction();
        const float r1 = RuntimeRandomFraction();
        CPAnimationRequest request;
        request.name = "idle";
        request.speed = 1.0f + r1 * 0.4f - 0.2f;
        request.startOffset = r0;
        object->PlayAnimation(request, false);
    }
    statics.push_back(object);
    object->Activate(kUnitPriority);
    object->SetCollidable(true);
    mObjects.push_back(object);
    if (plan.checkpoint) mCheckpoints.push_back({object.Get(), plan.checkpointTime});
    mCheckpointTimer = 0.0f;
    mLastCheckpoint = -1;
    mCheckpointsPassed = 0;
}

bool CPLevel::Load(const std::string& levelName, bool singleRace, bool timeAttack) {
    // Placed objects share descriptions and meshes: each file is read, and each folder listed, once.
    const FileReadOnceScope readOnce;
    mLoadError.clear();
    ResetRaceCounters(singleRace, timeAttack);
    PrepareRaceRecords(levelName);
    // What a race cannot do without is checked before anything is built: a failed load leaves the level
    // with only the records above.
    LevelFileRecord file;
    if (!ReadRaceFile(levelName, file)) return false;
    std::string playerBodyName;
    CPSmartPtr<CPGameObject> playerBody = DescribePlayerCar(levelName, playerBodyName);
    if (!playerBody) return false;

    MakeCameraAndSun();
    SizeLevelArea();
    PlacedStarts starts;
    ObjectList statics;
    PlaceLevelObjects(file, starts, statics);
    BuildSplines(file);
    BuildScene(levelName);
    if (gSettings::plane != 0.0f) BuildGroundQuad(levelName);
    // The physics world is made anew with the road; the units' bodies and cars are made in it after.
    BuildRoadPhysics(levelName);
    PlaceEnemies(levelName, starts.enemies);
    PlacePlayer(levelName, playerBody, playerBodyName, starts);
    ResetLapRecords();
    SetUpRaceLines(starts);
    BuildPartition(statics);
    mPlayer->mIsPlayer = true;
    AssignAfterRacePaths();
    // A race that cannot count laps as it should, or cannot finish, is said now, not found out at the end.
    for (const std::string& fault : {DescribeRacePathFault(), DescribeStartHeadingFault()})
        if (!fault.empty()) LoadReport(levelName, fault);
    mLoaded = true;
    return true;
}

void CPLevel::ResetRaceCounters(bool singleRace, bool timeAttack) {
    mRespawnClock = 0.0f;
    mGhostIndex = 0;
    mClock = 0.0f;
    mLastGhostSample = 0.0f;
    mTimeMode = timeAttack;
    mSingleMode = singleRace;
}

void CPLevel::PrepareRaceRecords(const std::string& levelName) {
    if (gLevelUpdater) gLevelUpdater->PrepareVehicles(gGameData ? gGameData->mTransportCount : 0);
    RuntimeSrand(timeGetTime());
    if (const int32_t number = LevelNumberFromName(levelName)) mLevelNumber = number;
    LoadGhostCar();
    if (gRenderer) gRenderer->SetSkyscape(mLevelNumber);
    mRolling = gSettings::rolling != 0;
    // The placed objects' idle animations draw from the generator seeded here.
    RuntimeSrand(timeGetTime());
    mLevelFailedSent = false;
}

void CPLevel::LoadGhostCar() {
    // Only a level with a number has a result entry to look the ghost up in.
    const int32_t n = mLevelNumber;
    if (!mTimeMode || !gGameData || n < 1 || n > CPGameData::kLevelCount) return;
    const std::string& ghost = gGameData->mLevelResults[n - 1].mGhostName;
    if (ghost.empty()) return;
    mGhost = Describe(ghost + "_.rdf", kPlacedLayer);
    if (mGhost) Adopt(mGhost.Get());
}

bool CPLevel::ReadRaceFile(const std::string& levelName, LevelFileRecord& file) {
    if (!LoadLevelFile(levelName, file)) {
        // Built by appends: GCC 12's Release build misreads a literal + temporary here as an overlapping copy.
        std::string reason = "\"";
        reason += LevelFilePath(levelName);
        reason += "\" cannot be read or is damaged";
        Fail(reason);
        return false;
    }
    for (const char* name : {kPathSplineName, kLeftSplineName, kRightSplineName}) {
        if (!FindLevelSpline(file, name)) {
            Fail(levelName + ": the spline \"" + name + "\" is missing");
            return false;
        }
    }
    return true;
}

CPSmartPtr<CPGameObject> CPLevel::DescribePlayerCar(const std::string& levelName, std::string& bodyName) {
    mCarPrefix = gGameData ? gGameData->mPlayerName : std::string();
    bodyName = mCarPrefix + (mRolling ? "_enemy.rdf" : ".rdf");
    CPSmartPtr<CPGameObject> body = Describe(bodyName, kPlacedLayer);
    if (IsCarBody(body)) return body;
    DeleteTree(body);
    Fail(levelName + ": the player's car \"" + bodyName + "\" is missing or has no physics");
    return body;
}

void CPLevel::MakeCameraAndSun() {
    mSources.clear();
    delete mCamera;
    mCamera = new CPCamera;
    SetCameraDistance(*mCamera, 7.0f);
    mSunLight = D3DLIGHT9{};
    mSunLight.Type = D3DLIGHT_DIRECTIONAL;
    mSunLight.Diffuse = {0.99609375f, 0.99609375f, 0.99609375f, 0.0f};
    mSunLight.Specular = mSunLight.Diffuse;
    mSunLight.Direction = D3DVECTOR{0.0f, 0.0f, -1.0f};
    mSunLight.Range = 10000.0f;
}

void CPLevel::SizeLevelArea() {
    mExtentX = mExtentY = LevelExtent(mLevelNumber);
    delete mMiniMap;
    mMiniMap = new CPMiniMap;
    mMiniMap->Init(0, mExtentX, mExtentY, 0);
    if (gRenderer) {
        gRenderer->mAmbientColor = 0xFF7F7F7F;
        gRenderer->mAmbient = D3DXVECTOR4(0.5f, 0.5f, 0.5f, 1.0f);
        gRenderer->SetDefaultStates();
    }
    const D3DXVECTOR4 sun(0.0f, 0.0f, -1.0f, 0.0f);
    const D3DXPLANE ground(0.0f, 0.0f, -1.0f, 0.5f);
    D3DXMatrixShadow(&gShadowMatrix, &sun, &ground);
    AllocateObjectGrid();
}

void CPLevel::PlaceLevelObjects(const LevelFileRecord& file, PlacedStarts& starts, ObjectList& statics) {
    for (const LevelObjectRecord& record : file.objects) {
        const LevelObjectPlan plan = ClassifyLevelObject(record.name, mSingleMode, mTimeMode);
        switch (plan.kind) {
        case LevelObjectKind::PlayerStart:
            starts.playerPosition = record.position;
            starts.playerRotation = record.rotation;
            break;
        case LevelObjectKind::EnemyStart:
            starts.enemies.push_back({record.position, record.rotation});
            break;
        case LevelObjectKind::NumberedHidden:
            BuildChkObject(plan, record.position, PlacedRotation(plan.kind, record.rotation));
            break;
        case LevelObjectKind::Source:
            mSources[plan.sourceKey] = record.position;
            break;
        case LevelObjectKind::StartPostLeft:
            starts.leftPost = record.position;
            break;
        case LevelObjectKind::StartPostRight:
            starts.rightPost = record.position;
            break;
        case LevelObjectKind::Mesh:
            if (CPSmartPtr<CPGameObject> object = Describe(plan.description, kPlacedLayer)) {
                Adopt(object.Get());
                PlaceMeshObject(object, record, plan, statics);
            }
            break;
        case LevelObjectKind::Skipped:
            break;
        }
    }
}

void CPLevel::BuildSplines(const LevelFileRecord& file) {
    // The last spline of each kept name.
    auto buildSpline = [&](const char* name, CPSmartPtr<CPSpline>& target) {
        auto* spline = new CPSpline;
        Adopt(spline);
        if (spline->Build(*FindLevelSpline(file, name))) target = spline;
    };
    buildSpline(kPathSplineName, mPath);
    buildSpline(kLeftSplineName, mLeftLine);
    buildSpline(kRightSplineName, mRightLine);
}

void CPLevel::BuildScene(const std::string& levelName) {
    mScene = Describe(levelName + ".rdf", kSceneLayer);
    if (mScene) Adopt(mScene.Get());
    ReportSceneFallback(levelName);
    DeletePartition();
    if (gSettings::quadlevels != 0)
        mQuadTree = new CPQuadTree;
    else
        mBranchRoot = new CPLevelBranch;
}

void CPLevel::BuildRoadPhysics(const std::string& levelName) {
    char roadName[32];
    std::snprintf(roadName, sizeof roadName, "road_phys%d.rdf", mLevelNumber);
    mRoadPhysics = Describe(roadName, kRoadPhysicsLayer);
    if (mRoadPhysics) {
        Adopt(mRoadPhysics.Get());
        mRoadPhysics->SetShadowRecursive(false);
        if (!mRoadPhysics->GetPhysicData()) {
            D3DXMATRIX identity;
            D3DXMatrixIdentity(&identity);
            BakeTransform(*mRoadPhysics, identity);
            mRoadPhysics->SetPosition(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
            mRoadPhysics->SetRotation(D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f));
            mRoadPhysics->UpdateTransform();
            mRoadPhysics->SetPhysicData(nullptr);
            mRoadPhysics->SetVisible(true);
            mRoadPhysics->SetStaticRecursive(true);
        }
    } else {
        LoadReport(levelName, std::string("no road physics \"") + roadName + "\"");
    }
    if (gPhysicsWorld) {
        if (mRoadPhysics && mRoadPhysics->GetRenderObject())
            gPhysicsWorld->BuildCollisionMesh(mRoadPhysics->GetRenderObject());
        gPhysicsWorld->Create(D3DXVECTOR3(0.0f, 0.0f, 0.0f), D3DXVECTOR3(100.0f, 100.0f, 100.0f), 500, 500, 500);
    }
}

void CPLevel::PlaceEnemies(const std::string& levelName, const std::vector<UnitStart>& enemyStarts) {
    // In file order; an enemy whose car cannot be built is left out.
    const std::string enemyModel = mSingleMode ? mCarPrefix : EnemyModel(levelName);
    for (size_t i = 0; i < enemyStarts.size(); ++i) {
        char unitName[512];
        std::snprintf(unitName, sizeof unitName, "%s%d", enemyModel.c_str(), static_cast<int>(i + 1));
        const std::string bodyName = std::string(unitName) + "_enemy.rdf";
        CPSmartPtr<CPGameObject> body = Describe(bodyName, kPlacedLayer);
        if (!IsCarBody(body)) {
            DeleteTree(body);
            LoadReport(levelName, "enemy \"" + bodyName + "\" is missing or has no physics");
            continue;
        }
        mUnitModels.push_back(unitName);
        CPPlayer* unit = MakeUnit(body, unitName);
        DeleteTree(body);
        unit->SetPosition(enemyStarts[i].position + D3DXVECTOR3(0.0f, 0.0f, kEnemyLift));
        unit->SetRotation(enemyStarts[i].rotation);
        unit->UpdateTransform();
        unit->Activate(kUnitPriority);
        AddUnitCar(unit, false);
        ReportUnreadDescription(levelName, *unit, bodyName);
        mEnemies.push_back(unit);
        ReadEnemyCamera(*unit);
        AssignUnitPaths(static_cast<int32_t>(mEnemies.size()) - 1);
    }
}

void CPLevel::PlacePlayer(const std::string& levelName, CPSmartPtr<CPGameObject>& body, const std::string& bodyName,
                          const PlacedStarts& starts) {
    mGhostName = mCarPrefix;
    HideCarLights(*body, mCarPrefix);
    mPlayer = MakeUnit(body, mCarPrefix);
    DeleteTree(body);
    mPlayer->Activate(kUnitPriority);
    mPlayer->SetPosition(starts.playerPosition);
    mPlayer->SetRotation(starts.playerRotation);
    mPlayer->UpdateTransform();
    // In rolling mode the player's unit is driven like the enemies, on the same paths.
    if (mRolling) {
        mUnitModels.push_back(mCarPrefix);
        mEnemies.push_back(mPlayer);
        AssignUnitPaths(static_cast<int32_t>(mEnemies.size()) - 1);
    }
    ReadPlayerCameraViews();
    if (mCamera) {
        mCamera->mYaw = HeadingOf(mPlayer->GetRotation());
        mCamera->mChanged = true;
    }
    AddUnitCar(mPlayer, true);
    ReportUnreadDescription(levelName, *mPlayer, bodyName);
    SetCameraMode(0);
    if (mCamera) SetCameraDistance(*mCamera, mActiveView.distance);
    mCameraTarget = mPlayer;
    mPlayer->SetSideFlags(gGameData ? gGameData->mPlayerType : 0);
}

void CPLevel::ResetLapRecords() {
    if (!gGameData) return;
    if (gGameData->mCurrentLap < 1) gGameData->mCurrentLap = 1;
    const size_t lap = static_cast<size_t>(gGameData->mCurrentLap);
    if (gGameData->mLapTimes.size() >= lap)
        gGameData->mLapTimes[lap - 1] = 0.0f;
    else
        gGameData->mLapTimes.push_back(0.0f);
    gGameData->mCurrentLap = 1;
}

void CPLevel::SetUpRaceLines(const PlacedStarts& starts) {
    mPathHint = FirstLines();
    mStartLineDir = starts.leftPost - starts.rightPost;
    mStartLinePos = (starts.leftPost + starts.rightPost) * 0.5f;
    if (gRenderer) {
        gRenderer->SetMotionBlur(0.0f);
        gRenderer->SetMotionBlurAlpha(255);
    }
    for (CPSpline* spline : {mPath.Get(), mLeftLine.Get(), mRightLine.Get()})
        if (spline) spline->SnapToTerrain();
}

void CPLevel::BuildPartition(const ObjectList& statics) {
    CPSmartPtr<CPRenderQueue> branchQueue = gRenderer ? gRenderer->GetBranchQueue() : CPSmartPtr<CPRenderQueue>();
    const bool baking = gSettings::static_ != 0 && branchQueue && branchQueue->LockAll();
    if (mQuadTree) {
        const float h = 0.5f * std::max(mExtentX, mExtentY);
        mQuadTree->SetBounds(D3DXVECTOR3(0.0f, 0.0f, 0.0f), D3DXVECTOR3(h, h, 100.0f));
        mQuadTree->Build(statics, 0);
    } else if (mBranchRoot) {
        mBranchRoot->SetObjects(statics);
        mBranchRoot->Build(0);
        if (mCamera) mCamera->mPartitionRoot = mBranchRoot;
    }
    if (baking) branchQueue->UnlockAll();
}

void CPLevel::AssignAfterRacePaths() {
    if (!gLevelUpdater) return;
    const std::array<CPLine*, 3> starts = FirstLines();
    gLevelUpdater->AssignAfterRacePath(AI_Vehicle::kPathSlot, starts[0]);
    gLevelUpdater->AssignAfterRacePath(AI_Vehicle::kLeftSlot, starts[1]);
    gLevelUpdater->AssignAfterRacePath(AI_Vehicle::kRightSlot, starts[2]);
}

std::array<CPLine*, 3> CPLevel::FirstLines() const {
    return {mPath ? mPath->GetFirstLine() : nullptr, mLeftLine ? mLeftLine->GetFirstLine() : nullptr,
            mRightLine ? mRightLine->GetFirstLine() : nullptr};
}

void CPLevel::AssignUnitPaths(int32_t index) {
    if (!gLevelUpdater) return;
    const std::array<CPLine*, 3> starts = FirstLines();
    gLevelUpdater->EnsureEnemyVehicle(index);
    gLevelUpdater->AssignEnemyPath(index, AI_Vehicle::kPathSlot, starts[0]);
    gLevelUpdater->AssignEnemyPath(index, AI_Vehicle::kLeftSlot, starts[1]);
    gLevelUpdater->AssignEnemyPath(index, AI_Vehicle::kRightSlot, starts[2]);
}

void CPLevel::ReadEnemyCamera(CPPlayer& unit) {
    const TiXmlElement* camera = DescriptionElement(unit, "camera");
    ReadRaceView(camera, mRaceViews[1], RaceViewPlacement());
    ReadIntAttribute(camera, "min", unit.mCameraMin);
    ReadIntAttribute(camera, "max", unit.mCameraMax);
}

void CPLevel::ReadPlayerCameraViews() {
    if (mCamera) mCamera->mPitch = kStartAngle;
    // "camera2" is read after "camera": its angle, when it has one, is the one the camera starts with.
    // View 2 follows with view 0's angle, so its own never turns the camera.
    static constexpr const char* kElements[] = {"camera", "camera2", "camera3"};
    for (size_t view = 0; view < mRaceViews.size(); ++view) {
        const bool angleRead = ReadRaceView(DescriptionElement(*mPlayer, kElements[view]), mRaceViews[view]);
        if (angleRead && view != 2 && mCamera) mCamera->mPitch = D3DXToRadian(mRaceViews[view].angle);
    }
}

void CPLevel::ReportUnreadDescription(const std::string& levelName, const CPPlayer& unit, const std::string& bodyName) const {
    const CPCar* car = unit.GetCar();
    if (!car || car->mDescriptionValues != 0) return;
    LoadReport(levelName, "the vehicle description of \"" + bodyName +
                              "\" gives the car no value it reads: every value is its default");
}

void CPLevel::ReportSceneFallback(const std::string& levelName) const {
    if (!gRenderObjectManager || !gRenderObjectManager->LastBuildFellBack()) return;
    LoadReport(levelName, "the scene description \"" + levelName + ".rdf\" cannot be read: the scene is \"" +
                              CPRenderObjectManager::kFallbackDescription + "\"" + (mScene ? "" : ", which cannot be built either"));
}

CPPlayer* CPLevel::MakeUnit(const CPSmartPtr<CPGameObject>& body, const std::string& modelName) {
    auto* unit = new CPPlayer;
    Adopt(unit);
    unit->CopyFrom(body);
    unit->SetModelName(modelName);
    return unit;
}

void CPLevel::AddUnitCar(CPPlayer* unit, bool playerCar) {
    if (gPhysicsWorld) {
        gPhysicsWorld->RegisterObject(unit);
        gPhysicsWorld->AddObject(unit, true, 1);
        gPhysicsWorld->CreateCar(unit, playerCar);
        // The unit owns its car: deleted after the unit let go of it.
        if (CPCar* car = unit->GetCar()) unit->Adopt(car);
    }
    if (CPRenderObject* mesh = unit->GetRenderObject()) mesh->SetSkipped(false);
    unit->CreateVehicleShadow();
}

void CPLevel::BuildGroundQuad(const std::string& levelName) {
    mPlane = Describe("land.rdf", kLandLayer);
    if (!mPlane) return;
    Adopt(mPlane.Get());
    CPRenderObject* mesh = mPlane->GetRenderObject();
    if (mesh && gMaterialManager)
        mesh->SetMaterial(gMaterialManager->CreateMaterial(kLandLayer, "terrain2.fx",
                                                           {levelName + "\\color.dds", levelName + "\\detail1.dds"}));
    mPlane->SetPhysicData(nullptr);
    mPlane->SetVisible(true);
    mPlane->SetStaticRecursive(true);
    if (!mesh) return;
    const float x = mExtentX * 0.5f;
    const float y = mExtentY * 0.5f;
    auto vertex = [](float px, float py, float u0, float v0, float u1, float v1) {
        CPVertex v;
        v.position = D3DXVECTOR3(px, py, -0.6f);
        v.normal = D3DXVECTOR3(0.0f, 0.0f, 1.0f);
        v.diffuse = 0xFFFFFFFF;
        v.specular = 0;
        v.u0 = u0;
        v.v0 = v0;
        v.u1 = u1;
        v.v1 = v1;
        return v;
    };
    std::vector<CPVertex>& vertices = mesh->GetLocalVertices();
    vertices.clear();
    vertices.push_back(vertex(-x, -y, 0, 0, 0, 0));
    vertices.push_back(vertex(x, -y, 1, 0, 0.2f * mExtentX, 0));
    vertices.push_back(vertex(x, y, 1, 1, 0.2f * mExtentX, 0.2f * mExtentY));
    vertices.push_back(vertex(-x, y, 0, 1, 0, 0.2f * mExtentY));
    mesh->GetWorldVertices() = vertices;
    mesh->GetIndices() = {0, 1, 2, 0, 2, 3};
    if (gPhysicsWorld) gPhysicsWorld->AddGroundObject(mesh);
}

void CPLevel::SetCameraMode(int32_t mode) {
    mCameraMode = mode;
    if (mode < 0 || mode > 2) return;
    SelectViewParameters(mode);
    if (mCamera) mCamera->mFixedView = mode == 2;
    const float blur = mRaceViews[static_cast<size_t>(mode)].blur;
    mCameraTarget = mPlayer;
    if (gSettings::blur != 0 && gRenderer) gRenderer->UpdateRadialBlurGrid(blur);
    if (mode != 2 && mCameraTarget && mCamera) {
        mCamera->mYaw = HeadingOf(mCameraTarget->GetRotation());
        mCamera->mChanged = true;
    }
    const float factor = mode == 0 ? 0.3f : (mode == 1 ? 0.35f : 0.4f);
    if (mPlayer) mPlayer->SetEngineVolume(gSettings::soundVolume * factor);
}
