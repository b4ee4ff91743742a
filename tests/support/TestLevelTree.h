// Writes, into a test's folder, the data tree of a small but complete level: the ".lvl" file with the
// player, the enemy starts, the start posts straddling the first path line and closed "c_path", "left"
// and "right" splines of more than 50 lines each (circles driven clockwise seen from above); the render
// descriptions and mesh files it names (a flat road and its physics mesh, the cars with their physics
// nodes, "shadow.rdf", "wrong.rdf", "land.rdf", the minimap objects, the level's own description); the
// vehicle XML with its wheels and camera views; and the effect and texture fallbacks. Each part can be
// left out, so a test shows what the loader does without it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/D3DX9Math.h"
#include "support/LevelFileBuilder.h"

class TempFolder;

struct TestLevelTree {
    // The race path is a circle of this radius about the origin; the road edges lie kRoadHalfWidth to
    // either side of it. Driving runs clockwise: the first path line starts at (kPathRadius, 0) and the
    // cars there head along -y.
    static constexpr float kPathRadius = 130.0f;
    static constexpr float kRoadHalfWidth = 6.0f;
    // The flat road and its physics mesh: a square of this half side at z = 0.
    static constexpr float kGroundHalfSide = 200.0f;
    // Arc length (world units) behind the start at which the player starts; the enemies start further back.
    static constexpr float kPlayerArc = 15.0f;
    static constexpr float kPlayerHeight = 1.5f;
    static constexpr float kEnemyArc = 30.0f;
    static constexpr float kEnemySpacing = 10.0f;
    static constexpr float kEnemySideOffset = 3.0f;
    // The car: a 2 x 4 x 0.6 chassis of this mass on four wheels "w0".."w3".
    static constexpr float kCarMass = 20.0f;
    static constexpr const char* kCarMesh = "car.p3d";
    static constexpr const char* kCarDescription = "car.xml";

    std::string levelName = "level1";
    std::string playerCar = "uaz";     // the player's model: "<playerCar>.rdf" and "<playerCar>_enemy.rdf"
    std::string enemyModel = "subaru";  // enemy i (from 1) is "<enemyModel><i>_enemy.rdf"
    int32_t enemies = 2;
    // Further placed meshes ("tree<i>", a small box each), spread on a grid outside the road.
    int32_t extraObjects = 0;
    bool player = true;
    // Radians about z added to the player's start turn (0: facing along the path).
    float playerTurn = 0.0f;
    bool startPosts = true;
    std::vector<std::string> splines = {"c_path", "left", "right"};
    bool playerBody = true;      // "<playerCar>.rdf" and "<playerCar>_enemy.rdf" are written
    bool enemyBodies = true;     // "<enemyModel><i>_enemy.rdf" are written
    bool roadPhysics = true;     // "road_phys<n>.rdf"
    bool fallbackDescription = true;  // "wrong.rdf"
    bool sceneDescription = true;     // the level's own "<levelName>.rdf"

    // The level file this tree writes.
    LevelFileBuilder LevelFile() const;
    // Writes every file of the tree under `folder` ("Data/Levels", "Data/Meshes", ...).
    void Write(const TempFolder& folder) const;

    // Where the level file places the units (the enemies before the loader lifts them by 2.0), facing
    // along the path.
    static D3DXVECTOR3 PlayerStart();
    static D3DXQUATERNION PlayerRotation();
    static D3DXVECTOR3 EnemyStart(int32_t index);
    static D3DXVECTOR3 LeftPost();
    static D3DXVECTOR3 RightPost();
    // The point of the circle of `radius` at `arc` behind the start (against the driving direction),
    // and the turn that faces a car there along the path.
    static D3DXVECTOR3 OnCircle(float radius, float arc);
    static D3DXQUATERNION FacingAlongPath(float arc);
    // The vehicle XML: wheels and the three camera views.
    static std::string CarXml();
};
