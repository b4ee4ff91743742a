// One effect file of "Data\Effects" compiled for the device, with its chosen technique and the handles
// of the per-draw parameters: "time" and the texture slots "tex0", "tex1", ... Handed out by the
// effect cache (PEffectManager.h), one per requested name.
#pragma once

#include <string>
#include <vector>

#include "Render/PDeviceListener.h"
#include "core/CPRefObject.h"
#include "platform/D3DX9Effect.h"

class CPFileReader;

class CPEffect : public CPRefObject, public CPDeviceListener {
public:
    CPEffect() = default;
    // Leaves the effect cache, releases the D3DX effect, then leaves the device-listener list.
    ~CPEffect() override;

    size_t GetSize() const override { return sizeof(CPEffect); }
    std::string GetClassName() const override { return "CPEffect - " + mName; }

    // Compiles the file named by the text before the first "," (the option "shared" puts the effect in
    // the cache's pool). A missing file is replaced by "\simple.fx" (without the pool). False when the
    // file or "\simple.fx" is there but does not compile; true, with no D3DX effect, when neither file
    // can be read.
    // Runs once, on a new object: the cache is its caller.
    bool Load(const std::string& name);

    void OnLostDevice() override;
    void OnResetDevice() override;

    // Null when nothing compiled.
    ID3DXEffect* GetEffect() const { return mEffect; }
    // Null when the effect has no "time".
    D3DXHANDLE GetTimeHandle() const { return mTimeHandle; }
    // "tex0", "tex1", ... in order, up to the first index the effect lacks.
    const std::vector<D3DXHANDLE>& GetTextureHandles() const { return mTextureHandles; }
    // The name Load was given, options included.
    const std::string& GetName() const { return mName; }

private:
    // Creates the effect from a loaded file; false, after a report at `reportLine`, when it fails.
    bool Create(const CPFileReader& file, ID3DXEffectPool* pool, int reportLine);
    // Picks the technique and looks up the per-draw handles of the created effect.
    void BindHandles();

    std::vector<D3DXHANDLE> mTextureHandles;
    ID3DXEffect* mEffect = nullptr;    // owned; null until a successful load
    D3DXHANDLE mTimeHandle = nullptr;  // null when the effect has no "time"
    std::string mName;
};
