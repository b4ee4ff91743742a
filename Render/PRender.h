// The engine's one renderer (gRenderer): the device, the default device states of a level, the render
// layers, the frame's light table, the screen fade, motion and radial blur, the static mesh buffers,
// the debug lines and the warning and loading screen. The host creates it and runs the frame.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "Render/PCamera.h"
#include "Render/CPRenderLayer.h"
#include "Render/CPRenderQueue.h"
#include "Render/PVertex.h"
#include "core/CPSmartPtr.h"
#include "platform/D3DX9Math.h"
#include "platform/Direct3DDevice9.h"

class CPGameObject;
class CPMaterial;
class CPPhysicData;
class Skyscape;

// A screen-space vertex (FVF 0x144: D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1), in pixels.
struct PScreenVertex {
    float x, y, z, rhw;
    D3DCOLOR diffuse;
    float u, v;
};
static_assert(sizeof(PScreenVertex) == 28);
constexpr DWORD kScreenVertexFVF = 0x144;

// The device buffers and CPU copies of one cached static mesh. The renderer's table and the render
// objects that draw from it share the record: it goes when the table has let go of it (a level's stop)
// and the last of its render objects is gone.
struct CPMeshBuffers {
    IDirect3DVertexBuffer9* vertexBuffer = nullptr;  // counted; null when creation or upload failed
    IDirect3DIndexBuffer9* indexBuffer = nullptr;    // counted; null when creation or upload failed
    int32_t vertexCount = 0;
    int32_t primitiveCount = 0;  // index count / 3
    std::vector<CPVertex> vertices;
    std::vector<uint16_t> indices;
};

class PRender {
public:
    static constexpr int32_t kMaxLights = 30;
    // The layer of the chase camera's main view: the frame takes the view-projection that
    // ProjectToScreen uses from its camera.
    static constexpr int32_t kMainViewLayer = 16;

    // The device is taken counted (null: none yet); everything else starts empty.
    explicit PRender(IDirect3DDevice9* device = nullptr);
    ~PRender();
    PRender(const PRender&) = delete;
    PRender& operator=(const PRender&) = delete;

    // ---- What the host sets up ----
    void SetDevice(IDirect3DDevice9* device);
    IDirect3DDevice9* GetDevice() const { return mDevice; }
    void SetDrawQueue(CPRenderQueue* queue) { mDrawQueue = queue; }
    void SetBranchQueue(CPRenderQueue* queue) { mBranchQueue = queue; }
    void SetFadeMaximum(int32_t maximum) { mFadeMaximum = maximum; }
    void SetMaxAnisotropy(int32_t maximum) { mMaxAnisotropy = maximum; }
    void SetDefaultShadowMaterial(CPMaterial* material) { mDefaultShadowMaterial = material; }
    // A grid of (rows + 1) x (columns + 1) points spread evenly over the screen ("screenWidth" x
    // "screenHeight"), row by row, with zero directions until UpdateRadialBlurGrid. Counts below 1 give 1.
    void CreateRadialBlurGrid(int32_t rows, int32_t columns);

    // ---- Device defaults ----
    // The device states, transforms, material, fog and overlay layer of a level, in a fixed order.
    void SetDefaultStates();
    // Sampler filters of stages 0 and 1 from the setting "aniso".
    void SetTextureFilters();
    // The view and projection SetDefaultStates gives the device: from (0, 0, 14.5) down at the origin,
    // 63 degrees wide at 4:3, depth 0.1 to 1000. Layers before the first camera of a frame use them.
    static D3DXMATRIX DefaultView();
    static D3DXMATRIX DefaultProjection();
    // Stores the colour and (red, green, blue, 1) and sets D3DRS_AMBIENT at once.
    void SetAmbient(D3DCOLOR color, float red, float green, float blue);

    // ---- Sky ----
    // Destroys the current sky and builds the one of the level from "skyscape<levelIndex>.txt".
    void SetSkyscape(int32_t levelIndex);
    // The current sky, owned; null before the first level load.
    Skyscape* GetSkyscape() const { return mSky; }

    // ---- Render layers ----
    // Find or create the layer of the key; version + 1. The previous camera is released.
    void SetLayerCamera(int32_t key, CPSmartPtr<CPBaseCamera> camera);
    CPRenderLayer& SetLayerMatrix(const float* matrix, int32_t key);
    const std::map<int32_t, CPRenderLayer>& GetLayers() const { return mLayers; }
    // Empties every layer slot holding the camera, without calling it: for a camera being destroyed.
    void ForgetCamera(const CPBaseCamera* camera);

    // ---- Lights ----
    // Appends a copy while fewer than 30 lights are held; false (and nothing kept) when the table is full.
    bool AddLight(const D3DLIGHT9& light);
    // Hands the table to the device (SetLight and LightEnable for each entry, LightEnable FALSE up to
    // index 29), copies the last directional entry into the sun light, and empties the table.
    void ApplyLights();
    // Empties the table without applying it: for a frame that draws nothing.
    void ClearLights() { mLightCount = 0; }
    int32_t GetLightCount() const { return mLightCount; }
    const D3DLIGHT9& GetLight(int32_t index) const { return mLights[static_cast<size_t>(index)]; }
    const D3DLIGHT9& GetSunLight() const { return mSunLight; }

    // ---- Frame services ----
    // fade = clamp(clamp(level, 0, 1) x fade maximum, 0, fade maximum); NaN counts as 0.
    void SetFadeLevel(float level);
    float GetFadeValue() const { return mFadeValue; }
    int32_t GetFadeMaximum() const { return mFadeMaximum; }
    // Pixel position of a world point through the view-projection matrix; z is 0.
    void ProjectToScreen(D3DXVECTOR3* result, const D3DXVECTOR3& world) const;
    // With "blur" on: the unit direction of every grid point from (screenWidth / 2,
    // (centreY + 1) x screenHeight / 2).
    void UpdateRadialBlurGrid(float centreY);
    const std::vector<PScreenVertex>& GetRadialBlurPoints() const { return mRadialBlurPoints; }
    const std::vector<D3DXVECTOR2>& GetRadialBlurDirections() const { return mRadialBlurDirections; }
    int32_t GetRadialBlurRows() const { return mRadialBlurRows; }
    int32_t GetRadialBlurColumns() const { return mRadialBlurColumns; }
    // An amount of 0 switches the motion blur off (amount 0); any other switches it on with the amount.
    void SetMotionBlur(float amount);
    void SetMotionBlurAlpha(uint8_t alpha) { mMotionBlurAlpha = alpha; }
    // Two points, each with only its position and diffuse colour set.
    void AddDebugLine(D3DCOLOR color, const D3DXVECTOR3& from, const D3DXVECTOR3& to);
    const std::vector<CPVertex>& GetDebugLinePoints() const { return mDebugLinePoints; }
    // For the frame, which draws the lines and then empties the list.
    void ClearDebugLines();

    // ---- Static mesh buffers ----
    // The record cached under the lower-cased name; a new one is made and uploaded on the first request
    // (later data for the same name is ignored). A buffer whose creation or lock fails stays null.
    std::shared_ptr<CPMeshBuffers> GetMeshBuffers(const std::string& name, const CPVertex* vertices,
                                                  const uint16_t* indices, int32_t vertexCount, int32_t indexCount);
    // Releases every cached device buffer and empties the table; a record a render object still holds
    // stays valid, without buffers, until that object lets go of it.
    // The branch queue's ring forgets the geometry baked into it (a level's stop calls this).
    void ClearMeshBuffers();
    size_t GetMeshBufferCount() const { return mMeshBuffers.size(); }
    // Records made by this renderer that are still held, by the table or by render objects.
    size_t GetLiveMeshBufferRecords() const { return *mLiveMeshBufferRecords; }

    // ---- Ground decal (PGroundDecal.cpp) ----
    // Lays the object's render object on the collision triangles listed in `triangles` under the
    // object's box (widened by 0.1) as the matrix places it. Objects without a plain mesh are skipped.
    void AddFootprintDecal(CPSmartPtr<CPGameObject> object, const D3DXMATRIX& matrix,
                           CPSmartPtr<CPPhysicData> triangles);
    // Replaces the object's mesh by the listed collision triangles (each distinct one once, 0.03 above
    // the ground), textured by the frame (O, A, B) fitted around P. A frame that cannot be inverted
    // leaves the mesh as it was; no triangles (or no list) leave it empty.
    void BuildGroundDecal(CPSmartPtr<CPGameObject> object, D3DXVECTOR2 origin, D3DXVECTOR2 point,
                          D3DXVECTOR2 axisA, D3DXVECTOR2 axisB, CPSmartPtr<CPPhysicData> triangles);

    // ---- Queues ----
    CPSmartPtr<CPRenderQueue> GetDrawQueue() const { return mDrawQueue; }
    CPSmartPtr<CPRenderQueue> GetBranchQueue() const { return mBranchQueue; }

    // ---- Warning and loading screen ----
    // One complete frame of the loading picture with a progress bar of `percent` (clamped to 0..100),
    // presented at once.
    void DrawWarningScreen(int32_t percent);

    // ---- Fields other parts of the engine read and write directly ----
    int32_t mMotionBlurEnabled = 0;   // 0 off, 1 on
    float mMotionBlurAmount = 0.0f;   // strength while enabled
    float mLightCoeff = 0.0f;         // set by the scripts; above 0 the frame adds that much white (1: all)
    uint8_t mMotionBlurAlpha = 255;   // 150 while a pick-up bonus runs, 255 after it
    int32_t mQueuedObjectCount = 0;   // statistic: objects queued by the walks
    CPMaterial* mDefaultShadowMaterial = nullptr;  // not owned; set by the host
    D3DCOLOR mAmbientColor = 0;       // value of D3DRS_AMBIENT
    D3DXVECTOR4 mAmbient;             // red, green, blue, 1
    float mRadialBlurAmount = 0.0f;   // set by the scripts
    D3DXMATRIX mViewProjection;       // kept current by the frame; used by ProjectToScreen
    D3DCOLOR mFogColor = 0;           // value of D3DRS_FOGCOLOR, set by the sky
    int32_t mTuningIndex = 0;         // selected tuning parameter, 0..18

private:
    static constexpr int32_t kOverlayLayer = 195;

    CPRenderLayer& FindOrCreateLayer(int32_t key);
    // Reads a whole image file and makes a texture of it; a failed creation is reported with `line`.
    IDirect3DTexture9* LoadScreenTexture(const char* path, int line);

    std::unordered_map<std::string, std::shared_ptr<CPMeshBuffers>> mMeshBuffers;  // by lower-cased name
    // Shared with the records' deleters, which may run after the renderer is gone.
    std::shared_ptr<size_t> mLiveMeshBufferRecords = std::make_shared<size_t>(0);
    bool mDebugLinesPresent = false;
    std::vector<CPVertex> mDebugLinePoints;  // two per line
    std::array<D3DLIGHT9, kMaxLights> mLights{};
    int32_t mLightCount = 0;  // 0..30
    IDirect3DDevice9* mDevice = nullptr;  // counted
    std::map<int32_t, CPRenderLayer> mLayers;
    CPSmartPtr<CPRenderQueue> mDrawQueue;
    CPSmartPtr<CPRenderQueue> mBranchQueue;
    float mFadeValue = 0.0f;    // 0..mFadeMaximum: how much of the picture shows (0 black, the maximum all)
    int32_t mFadeMaximum = 0;
    std::vector<PScreenVertex> mRadialBlurPoints;      // (rows + 1) x (columns + 1), row by row
    std::vector<D3DXVECTOR2> mRadialBlurDirections;    // one per point
    int32_t mRadialBlurColumns = 0;
    int32_t mRadialBlurRows = 0;
    int32_t mMaxAnisotropy = 0;
    D3DLIGHT9 mSunLight{};  // last directional light applied
    IDirect3DTexture9* mWarningBackground = nullptr;  // counted; null until loaded
    IDirect3DTexture9* mWarningBar = nullptr;         // counted; null until loaded
    CPBaseCamera* mOverlayCamera = nullptr;           // owned: the camera of layer 195
    Skyscape* mSky = nullptr;                         // owned; null until a level sets one
};
