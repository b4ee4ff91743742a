// The race minimap: a 200 x 200 pixel square near the screen's bottom-left corner that shows a window
// of the level's map texture around the player, turned with the player's heading and mixed with two
// blur masks by "interface3.fx". A renderable of four screen-pixel vertices for the overlay camera;
// it also keeps the "arrow" and "checkpoint" objects of "minimap_obj.rdf", hidden, for the game code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Render/PMaterial.h"
#include "Render/PRenderable.h"
#include "core/CPGameObject.h"
#include "core/CPSmartPtr.h"

class CPMiniMap : public CPRenderable {
public:
    static constexpr float kSide = 200.0f;    // pixels
    static constexpr float kMargin = 40.0f;   // pixels from the left and from the bottom edge
    static constexpr int32_t kLayerKey = 198;

    // Every reference empty; nothing shown until Init.
    CPMiniMap();
    // Lets go of the references and deletes the scene it built (the arrow and checkpoint go with it).
    ~CPMiniMap() override;

    size_t GetSize() const override { return sizeof(CPMiniMap); }
    std::string GetClassName() const override { return "CPMiniMap"; }

    // Picks the map of gLevel's level group, makes the material, sizes the map to the larger extent,
    // places the square and loads the scene with its hidden "arrow" and "checkpoint". The two ints are
    // not used.
    void Init(int32_t unused, float extentX, float extentY, int32_t unused2);
    // The player's position (x, y; null leaves the centre as it was) and heading in radians.
    void SetPlayer(const float* position, float heading);
    // The object the map points at (counted): with one, "arrow" and "checkpoint" are shown and "arrow"
    // is the active symbol; with none, no symbol is active and "checkpoint" is hidden.
    void SetTarget(CPGameObject* target);

    // ---- Renderable ----
    bool IsSkipped() const override { return false; }
    void SetSkipped(bool) override {}
    int32_t GetVertexCount() const override { return 4; }
    int32_t GetIndexCount() const override { return 6; }
    // The square's four corners in pixels with the turned map window and the blur masks' coordinates;
    // false only when the four vertices would reach past what a batch can address from baseIndex.
    bool FillVertices(CPVertex* vertices, uint16_t* indices, uint16_t baseIndex, int32_t flag) override;
    void CopyIndices(uint16_t*, int32_t, uint16_t&, uint16_t&) override {}
    CPSmartPtr<CPMaterial> GetMaterial() const override { return mMaterial; }

    float mCentreU = 0.0f;  // the player's map position in level units, shifted by half the extent
    float mCentreV = 0.0f;
    float mExtentX = 0.0f;  // level units the whole map texture covers
    float mExtentY = 0.0f;
    float mHeading = 0.0f;  // radians
    float mScreenX = 0.0f;  // pixels: the square's corner with the smallest coordinates
    float mScreenY = 0.0f;
    CPSmartPtr<CPGameObject> mTarget;        // the object the map points at; null: none
    CPSmartPtr<CPGameObject> mScene;         // "minimap_obj.rdf", owned
    CPSmartPtr<CPGameObject> mArrow;         // the scene's "arrow", hidden
    CPSmartPtr<CPGameObject> mCheckpoint;    // the scene's "checkpoint", hidden
    CPSmartPtr<CPGameObject> mActiveSymbol;  // "arrow" while there is a target
    CPSmartPtr<CPMaterial> mMaterial;
    float mWindow = 0.0f;  // half the side of the shown window, in texture units

private:
    void DeleteScene();
};
