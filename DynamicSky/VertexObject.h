// Base of the sky and cloud classes: one mesh of CPVertex with 16-bit indices in Direct3D buffers of
// its own, one texture and two effects, drawn through gSkyRenderDevice instead of the render queues.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Render/PDeviceListener.h"
#include "Render/PVertex.h"
#include "platform/D3DX9Effect.h"
#include "platform/D3DX9Math.h"
#include "platform/Direct3DDevice9.h"

class VertexObject : public CPDeviceListener {
public:
    // The buffers are made once at a fixed size; a mesh must fit them.
    static constexpr uint32_t kMaxVertices = 20000;
    static constexpr uint32_t kMaxIndices = 60000;
    static constexpr UINT kVertexBufferBytes = kMaxVertices * sizeof(CPVertex);  // 960000
    static constexpr UINT kIndexBufferBytes = kMaxIndices * sizeof(uint16_t);    // 120000

    // Empty lists, no resources, the main effect in use; joins g_DeviceListeners.
    VertexObject() = default;
    // Releases the texture, both effects and both buffers, and leaves g_DeviceListeners.
    ~VertexObject() override;
    VertexObject(const VertexObject&) = delete;
    VertexObject& operator=(const VertexObject&) = delete;

    // Only the effects take part in a device reset: the buffers and the texture are managed.
    void OnLostDevice() override;
    void OnResetDevice() override;

    // The file at `path` as written (no folder added), created on gRenderer's device. An unreadable file
    // leaves no texture and gives 0; a failed creation is reported and gives its result.
    HRESULT LoadTexture(const std::string& path);
    // The effect slot from the file at `path`, its first valid technique selected. An unreadable file
    // gives the reader's failure; a failed creation is reported and gives its result. The slot is empty
    // after any failure.
    HRESULT LoadEffect(const std::string& path);
    HRESULT LoadLightingEffect(const std::string& path);

    // Every world position = local position x matrix; the other vertex fields stay as they are.
    HRESULT TransformVertices(const D3DXMATRIX& matrix);
    // Local vertices = `vertices`, world vertices too unless `keepWorld`, indices = `indices` (either may
    // be this object's own list), then uploads the world vertices and the indices, making the buffers on
    // the first call. A mesh above kMaxVertices or kMaxIndices is kept but not uploaded: the object draws
    // nothing until a mesh that fits arrives, and the result is E_INVALIDARG.
    HRESULT CreateBuffers(const std::vector<CPVertex>& vertices, const std::vector<uint16_t>& indices, bool keepWorld);
    // Draws through gSkyRenderDevice; the frame time is not used.
    HRESULT Draw(float frameTime);

    const std::vector<CPVertex>& GetWorldVertices() const { return mWorldVertices; }
    const std::vector<CPVertex>& GetLocalVertices() const { return mLocalVertices; }
    const std::vector<uint16_t>& GetIndices() const { return mIndices; }
    IDirect3DTexture9* GetTexture() const { return mTexture; }
    ID3DXEffect* GetEffect() const { return mEffect; }
    ID3DXEffect* GetLightingEffect() const { return mLightingEffect; }
    bool GetUseLightingEffect() const { return mUseLightingEffect; }
    void SetUseLightingEffect(bool use) { mUseLightingEffect = use; }
    IDirect3DVertexBuffer9* GetVertexBuffer() const { return mVertexBuffer; }
    IDirect3DIndexBuffer9* GetIndexBuffer() const { return mIndexBuffer; }
    // True while the buffers hold the current lists (the last CreateBuffers uploaded them).
    bool IsUploaded() const { return mUploaded; }

protected:
    // The world list always has as many entries as the local one: transforms and uploads walk the local
    // count over it. Missing entries are copied from the local list, surplus ones dropped.
    void MatchWorldToLocal();

    std::vector<CPVertex> mWorldVertices;  // as uploaded: a copy of the local vertices, possibly transformed
    std::vector<CPVertex> mLocalVertices;  // in the object's own space
    std::vector<uint16_t> mIndices;        // triangle list
    IDirect3DTexture9* mTexture = nullptr;      // counted; "tex0" when drawing; may be null
    ID3DXEffect* mEffect = nullptr;             // counted; may be null
    ID3DXEffect* mLightingEffect = nullptr;     // counted; may be null
    bool mUseLightingEffect = false;            // draw with the lighting effect instead of the effect
    IDirect3DVertexBuffer9* mVertexBuffer = nullptr;  // counted; made by the first CreateBuffers
    IDirect3DIndexBuffer9* mIndexBuffer = nullptr;    // counted; made with the vertex buffer

private:
    HRESULT LoadEffectInto(ID3DXEffect*& slot, const std::string& path, int reportLine);

    bool mUploaded = false;
};
