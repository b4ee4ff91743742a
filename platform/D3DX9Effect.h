// D3DX effects over the recording device: D3DXCreateEffect reads the effect text with a small scanner
// (techniques, passes, parameters), keeps the parameter values, and records what the engine does with
// the effect in the device's call list. Shaders are neither compiled nor run.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/D3D9Types.h"
#include "platform/D3DX9Math.h"
#include "platform/Direct3DDevice9.h"

// A parameter or technique handle. The effect hands out pointers of its own; a name given as a
// handle is looked up by name, as on the platform.
using D3DXHANDLE = const char*;

struct D3DXMACRO {
    LPCSTR Name;
    LPCSTR Definition;
};
class ID3DXInclude;  // include handlers are never given

enum D3DXPARAMETER_CLASS : uint32_t {
    D3DXPC_SCALAR = 0,
    D3DXPC_VECTOR = 1,
    D3DXPC_MATRIX_ROWS = 2,
    D3DXPC_MATRIX_COLUMNS = 3,
    D3DXPC_OBJECT = 4,
    D3DXPC_STRUCT = 5,
};

enum D3DXPARAMETER_TYPE : uint32_t {
    D3DXPT_VOID = 0,
    D3DXPT_BOOL = 1,
    D3DXPT_INT = 2,
    D3DXPT_FLOAT = 3,
    D3DXPT_STRING = 4,
    D3DXPT_TEXTURE = 5,
    D3DXPT_TEXTURE1D = 6,
    D3DXPT_TEXTURE2D = 7,
    D3DXPT_TEXTURE3D = 8,
    D3DXPT_TEXTURECUBE = 9,
    D3DXPT_SAMPLER = 10,
    D3DXPT_SAMPLER1D = 11,
    D3DXPT_SAMPLER2D = 12,
    D3DXPT_SAMPLER3D = 13,
    D3DXPT_SAMPLERCUBE = 14,
    D3DXPT_PIXELSHADER = 15,
    D3DXPT_VERTEXSHADER = 16,
};

constexpr DWORD D3DX_PARAMETER_SHARED = 1;

struct D3DXEFFECT_DESC {
    LPCSTR Creator;
    UINT Parameters;
    UINT Techniques;
    UINT Functions;
};

struct D3DXTECHNIQUE_DESC {
    LPCSTR Name;
    UINT Passes;
    UINT Annotations;
};

struct D3DXPARAMETER_DESC {
    LPCSTR Name;
    LPCSTR Semantic;
    D3DXPARAMETER_CLASS Class;
    D3DXPARAMETER_TYPE Type;
    UINT Rows;
    UINT Columns;
    UINT Elements;
    UINT Annotations;
    UINT StructMembers;
    DWORD Flags;
    UINT Bytes;
};

// Begin flags.
constexpr DWORD D3DXFX_DONOTSAVESTATE = 0x1;
constexpr DWORD D3DXFX_DONOTSAVESHADERSTATE = 0x2;
constexpr DWORD D3DXFX_DONOTSAVESAMPLERSTATE = 0x4;

// A counted block of bytes: the compilation messages of a failed D3DXCreateEffect.
class ID3DXBuffer {
public:
    explicit ID3DXBuffer(std::string text);
    ULONG AddRef() { return ++mRefCount; }
    ULONG Release();
    void* GetBufferPointer() { return mBytes.data(); }
    DWORD GetBufferSize() const { return static_cast<DWORD>(mBytes.size()); }

private:
    ULONG mRefCount = 1;
    std::vector<char> mBytes;  // the text and its terminating zero
};

// The value of one parameter: numbers as 32-bit words, or a texture (counted).
struct D3DXEffectValue {
    D3DXEffectValue() = default;
    D3DXEffectValue(const D3DXEffectValue&) = delete;
    D3DXEffectValue& operator=(const D3DXEffectValue&) = delete;
    ~D3DXEffectValue();
    void SetTexture(IDirect3DBaseTexture9* texture);

    std::vector<uint32_t> words;
    IDirect3DBaseTexture9* texture = nullptr;
};

// Holds the values of the parameters that effects declare `shared`, so that every effect made with
// the pool sees one value per name.
class ID3DXEffectPool {
public:
    ULONG AddRef() { return ++mRefCount; }
    ULONG Release();

    // ---- Stand-in side ----
    // The shared value of a name, made on first use with `words` zeroed words; null when the name is
    // already shared with another type (`signature` names the type, size and array length).
    std::shared_ptr<D3DXEffectValue> Share(const std::string& name, const std::string& signature, size_t words);
    size_t SharedCount() const { return mValues.size(); }

private:
    friend HRESULT D3DXCreateEffectPool(ID3DXEffectPool** pool);
    ID3DXEffectPool() = default;
    ~ID3DXEffectPool() = default;

    struct Entry {
        std::string name;
        std::string signature;
        std::shared_ptr<D3DXEffectValue> value;
    };
    ULONG mRefCount = 1;
    std::vector<Entry> mValues;
};

class ID3DXEffect : public D3DDeviceChild {
public:
    ULONG AddRef() { return ++mRefCount; }
    ULONG Release();

    HRESULT GetDesc(D3DXEFFECT_DESC* desc);
    HRESULT GetParameterDesc(D3DXHANDLE parameter, D3DXPARAMETER_DESC* desc);
    HRESULT GetTechniqueDesc(D3DXHANDLE technique, D3DXTECHNIQUE_DESC* desc);
    // Null for a parent (no structures are kept) or for a name the effect does not declare.
    D3DXHANDLE GetParameter(D3DXHANDLE parent, UINT index);
    D3DXHANDLE GetParameterByName(D3DXHANDLE parent, LPCSTR name);
    D3DXHANDLE GetParameterBySemantic(D3DXHANDLE parent, LPCSTR semantic);
    D3DXHANDLE GetTechnique(UINT index);
    D3DXHANDLE GetTechniqueByName(LPCSTR name);

    // Every technique is valid. With `technique` null the search starts at the first one; S_FALSE and a
    // null result when there is no further technique.
    HRESULT FindNextValidTechnique(D3DXHANDLE technique, D3DXHANDLE* next);
    HRESULT ValidateTechnique(D3DXHANDLE technique);
    HRESULT SetTechnique(D3DXHANDLE technique);
    D3DXHANDLE GetCurrentTechnique();

    // Setters fail with D3DERR_INVALIDCALL for an unknown handle or a value of the wrong kind (a number
    // for a texture or the other way round); numbers are converted to the parameter's type.
    HRESULT SetValue(D3DXHANDLE parameter, const void* data, UINT bytes);
    HRESULT GetValue(D3DXHANDLE parameter, void* data, UINT bytes);
    HRESULT SetBool(D3DXHANDLE parameter, BOOL value);
    HRESULT SetInt(D3DXHANDLE parameter, INT value);
    HRESULT SetFloat(D3DXHANDLE parameter, float value);
    HRESULT GetFloat(D3DXHANDLE parameter, float* value);
    HRESULT SetFloatArray(D3DXHANDLE parameter, const float* values, UINT count);
    HRESULT SetVector(D3DXHANDLE parameter, const D3DXVECTOR4* vector);
    HRESULT GetVector(D3DXHANDLE parameter, D3DXVECTOR4* vector);
    HRESULT SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* matrix);
    HRESULT GetMatrix(D3DXHANDLE parameter, D3DXMATRIX* matrix);
    HRESULT SetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9* texture);
    HRESULT GetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9** texture);

    HRESULT Begin(UINT* passes, DWORD flags);
    HRESULT BeginPass(UINT pass);
    HRESULT CommitChanges();
    HRESULT EndPass();
    HRESULT End();

    // Before a device reset and after it. Until OnLostDevice the effect keeps the device from resetting.
    HRESULT OnLostDevice();
    HRESULT OnResetDevice();

    HRESULT GetPool(ID3DXEffectPool** pool);

    // ---- Stand-in side ----
    bool IsLost() const { return mLost; }
    ULONG RefCount() const { return mRefCount; }
    size_t ParameterCount() const { return mParameters.size(); }
    size_t TechniqueCount() const { return mTechniques.size(); }

private:
    friend HRESULT D3DXCreateEffect(IDirect3DDevice9*, const void*, UINT, const D3DXMACRO*, ID3DXInclude*, DWORD,
                                    ID3DXEffectPool*, ID3DXEffect**, ID3DXBuffer**);

    struct Parameter {
        std::string name;
        std::string semantic;
        D3DXPARAMETER_CLASS parameterClass = D3DXPC_SCALAR;
        D3DXPARAMETER_TYPE type = D3DXPT_VOID;
        UINT rows = 0;
        UINT columns = 0;
        UINT elements = 0;  // 0: not an array
        bool shared = false;
        std::shared_ptr<D3DXEffectValue> value;  // the pool's for a shared parameter
    };
    struct Technique {
        std::string name;
        UINT passes = 0;
    };

    ID3DXEffect(IDirect3DDevice9* device, ID3DXEffectPool* pool);
    ~ID3DXEffect() override;
    bool BlocksReset() const override { return !mLost; }

    Parameter* Find(D3DXHANDLE handle);
    Technique* FindTechnique(D3DXHANDLE handle);
    // Records a parameter setter and returns its result.
    HRESULT RecordSet(Parameter* parameter, D3DXHANDLE handle, HRESULT result, std::vector<uint32_t> args,
                      const void* object = nullptr, const D3DXMATRIX* matrix = nullptr);
    HRESULT Record(D3DCall call, HRESULT result, std::vector<uint32_t> args = {}, std::string name = {});
    HRESULT Injected(D3DCall call);
    HRESULT WriteNumbers(Parameter* parameter, const float* values, size_t count);

    ULONG mRefCount = 1;
    ID3DXEffectPool* mPool;  // counted; null without a pool
    // Both lists are filled once at creation and never grow, so handles (pointers to the names) stay
    // valid for the effect's life.
    std::vector<Parameter> mParameters;
    std::vector<Technique> mTechniques;
    Technique* mCurrent = nullptr;
    bool mInBegin = false;
    bool mInPass = false;
    UINT mPassCount = 0;  // passes of the technique Begin was called for
    bool mLost = false;
};

using LPD3DXEFFECT = ID3DXEffect*;
using LPD3DXEFFECTPOOL = ID3DXEffectPool*;
using LPD3DXBUFFER = ID3DXBuffer*;

// Fails with D3DERR_INVALIDCALL for a missing device, text or result pointer, and with E_FAIL for text
// the scanner rejects or a shared parameter whose type differs from the pool's; `errors` (when given)
// then receives the message. The first technique is current after creation.
HRESULT D3DXCreateEffect(IDirect3DDevice9* device, const void* data, UINT dataLength, const D3DXMACRO* defines,
                         ID3DXInclude* include, DWORD flags, ID3DXEffectPool* pool, ID3DXEffect** effect,
                         ID3DXBuffer** errors);
HRESULT D3DXCreateEffectPool(ID3DXEffectPool** pool);
