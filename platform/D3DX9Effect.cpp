#include "platform/D3DX9Effect.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <strings.h>

#include "platform/EffectScanner.h"

// ---- ID3DXBuffer ----

ID3DXBuffer::ID3DXBuffer(std::string text) : mBytes(text.begin(), text.end()) { mBytes.push_back('\0'); }

ULONG ID3DXBuffer::Release() {
    ULONG count = --mRefCount;
    if (count == 0) delete this;
    return count;
}

// ---- Values and the pool ----

D3DXEffectValue::~D3DXEffectValue() { SetTexture(nullptr); }

void D3DXEffectValue::SetTexture(IDirect3DBaseTexture9* newTexture) {
    if (newTexture) newTexture->AddRef();
    if (texture) texture->Release();
    texture = newTexture;
}

ULONG ID3DXEffectPool::Release() {
    ULONG count = --mRefCount;
    if (count == 0) delete this;
    return count;
}

std::shared_ptr<D3DXEffectValue> ID3DXEffectPool::Share(const std::string& name, const std::string& signature,
                                                         size_t words) {
    for (Entry& entry : mValues)
        if (entry.name == name) return entry.signature == signature ? entry.value : nullptr;
    auto value = std::make_shared<D3DXEffectValue>();
    value->words.assign(words, 0);
    mValues.push_back({name, signature, value});
    return value;
}

HRESULT D3DXCreateEffectPool(ID3DXEffectPool** pool) {
    if (!pool) return D3DERR_INVALIDCALL;
    *pool = new ID3DXEffectPool();
    return D3D_OK;
}

// ---- Types of the effect language ----

namespace {

struct TypeInfo {
    D3DXPARAMETER_CLASS parameterClass = D3DXPC_STRUCT;
    D3DXPARAMETER_TYPE type = D3DXPT_VOID;
    UINT rows = 0;
    UINT columns = 0;
};

// "float", "float3", "float4x4", "int2", "bool", ... ; false when `word` is not such a numeric type.
bool NumericType(const std::string& word, TypeInfo* info) {
    static const struct {
        const char* prefix;
        D3DXPARAMETER_TYPE type;
    } kBases[] = {{"float", D3DXPT_FLOAT}, {"half", D3DXPT_FLOAT}, {"double", D3DXPT_FLOAT},
                  {"int", D3DXPT_INT},     {"uint", D3DXPT_INT},  {"dword", D3DXPT_INT},
                  {"bool", D3DXPT_BOOL}};
    for (const auto& base : kBases) {
        const size_t length = std::strlen(base.prefix);
        if (word.compare(0, length, base.prefix) != 0) continue;
        const std::string rest = word.substr(length);
        info->type = base.type;
        if (rest.empty()) {
            *info = {D3DXPC_SCALAR, base.type, 1, 1};
            return true;
        }
        if (rest.size() == 1 && rest[0] >= '1' && rest[0] <= '4') {
            *info = {D3DXPC_VECTOR, base.type, 1, static_cast<UINT>(rest[0] - '0')};
            return true;
        }
        if (rest.size() == 3 && rest[0] >= '1' && rest[0] <= '4' && rest[1] == 'x' && rest[2] >= '1' &&
            rest[2] <= '4') {
            *info = {D3DXPC_MATRIX_ROWS, base.type, static_cast<UINT>(rest[0] - '0'),
                     static_cast<UINT>(rest[2] - '0')};
            return true;
        }
    }
    if (word == "matrix") {
        *info = {D3DXPC_MATRIX_ROWS, D3DXPT_FLOAT, 4, 4};
        return true;
    }
    if (word == "vector") {
        *info = {D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 4};
        return true;
    }
    return false;
}

TypeInfo TypeOf(const std::string& word) {
    TypeInfo info;
    if (NumericType(word, &info)) return info;
    static const struct {
        const char* word;
        D3DXPARAMETER_TYPE type;
    } kObjects[] = {{"string", D3DXPT_STRING},         {"texture", D3DXPT_TEXTURE},
                    {"texture1D", D3DXPT_TEXTURE1D},   {"texture2D", D3DXPT_TEXTURE2D},
                    {"texture3D", D3DXPT_TEXTURE3D},   {"textureCUBE", D3DXPT_TEXTURECUBE},
                    {"sampler", D3DXPT_SAMPLER},       {"sampler1D", D3DXPT_SAMPLER1D},
                    {"sampler2D", D3DXPT_SAMPLER2D},   {"sampler3D", D3DXPT_SAMPLER3D},
                    {"samplerCUBE", D3DXPT_SAMPLERCUBE}, {"pixelshader", D3DXPT_PIXELSHADER},
                    {"vertexshader", D3DXPT_VERTEXSHADER}};
    for (const auto& object : kObjects)
        if (strcasecmp(word.c_str(), object.word) == 0) return {D3DXPC_OBJECT, object.type, 0, 0};
    return info;  // a structure or a type this scanner does not know: no value
}

bool IsTextureType(D3DXPARAMETER_TYPE type) { return type >= D3DXPT_TEXTURE && type <= D3DXPT_TEXTURECUBE; }

uint32_t ToWord(D3DXPARAMETER_TYPE type, float value) {
    switch (type) {
        case D3DXPT_INT: {
            // Out-of-range and NaN values are clamped instead of being converted undefinedly.
            if (!(value == value)) return 0;
            const float clamped = std::clamp(value, -2147483648.0f, 2147483520.0f);
            return static_cast<uint32_t>(static_cast<int32_t>(clamped));
        }
        case D3DXPT_BOOL: return value != 0.0f ? 1u : 0u;
        default: return D3DFloatBits(value);
    }
}

float FromWord(D3DXPARAMETER_TYPE type, uint32_t word) {
    switch (type) {
        case D3DXPT_INT: return static_cast<float>(static_cast<int32_t>(word));
        case D3DXPT_BOOL: return word ? 1.0f : 0.0f;
        default: return D3DBitsFloat(word);
    }
}

}  // namespace

// ---- ID3DXEffect ----

ID3DXEffect::ID3DXEffect(IDirect3DDevice9* device, ID3DXEffectPool* pool) : D3DDeviceChild(device), mPool(pool) {
    if (mPool) mPool->AddRef();
}

ID3DXEffect::~ID3DXEffect() {
    mParameters.clear();
    if (mPool) mPool->Release();
}

ULONG ID3DXEffect::Release() {
    ULONG count = --mRefCount;
    if (count == 0) delete this;
    return count;
}

HRESULT ID3DXEffect::Injected(D3DCall call) { return Device() ? Device()->InjectedFailure(call) : S_OK; }

HRESULT ID3DXEffect::Record(D3DCall call, HRESULT result, std::vector<uint32_t> args, std::string name) {
    if (Device())
        Device()->Record({.call = call, .args = std::move(args), .object = this, .result = result,
                          .name = std::move(name)});
    return result;
}

ID3DXEffect::Parameter* ID3DXEffect::Find(D3DXHANDLE handle) {
    if (!handle) return nullptr;
    for (Parameter& p : mParameters)
        if (p.name.c_str() == handle) return &p;
    for (Parameter& p : mParameters)
        if (p.name == handle) return &p;
    return nullptr;
}

ID3DXEffect::Technique* ID3DXEffect::FindTechnique(D3DXHANDLE handle) {
    if (!handle) return nullptr;
    for (Technique& t : mTechniques)
        if (t.name.c_str() == handle) return &t;
    for (Technique& t : mTechniques)
        if (t.name == handle) return &t;
    return nullptr;
}

HRESULT ID3DXEffect::GetDesc(D3DXEFFECT_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = {"effect scanner", static_cast<UINT>(mParameters.size()), static_cast<UINT>(mTechniques.size()), 0};
    return D3D_OK;
}

HRESULT ID3DXEffect::GetParameterDesc(D3DXHANDLE handle, D3DXPARAMETER_DESC* desc) {
    Parameter* p = Find(handle);
    if (!p || !desc) return D3DERR_INVALIDCALL;
    const UINT bytes = p->parameterClass == D3DXPC_OBJECT ? static_cast<UINT>(sizeof(void*)) * std::max(1u, p->elements)
                                                          : static_cast<UINT>(p->value ? p->value->words.size() * 4 : 0);
    *desc = {p->name.c_str(), p->semantic.empty() ? nullptr : p->semantic.c_str(), p->parameterClass, p->type,
             p->rows, p->columns, p->elements, 0, 0, p->shared ? D3DX_PARAMETER_SHARED : 0u, bytes};
    return D3D_OK;
}

HRESULT ID3DXEffect::GetTechniqueDesc(D3DXHANDLE handle, D3DXTECHNIQUE_DESC* desc) {
    Technique* t = FindTechnique(handle);
    if (!t || !desc) return D3DERR_INVALIDCALL;
    *desc = {t->name.c_str(), t->passes, 0};
    return D3D_OK;
}

D3DXHANDLE ID3DXEffect::GetParameter(D3DXHANDLE parent, UINT index) {
    if (parent || index >= mParameters.size()) return nullptr;
    return mParameters[index].name.c_str();
}

D3DXHANDLE ID3DXEffect::GetParameterByName(D3DXHANDLE parent, LPCSTR name) {
    if (parent || !name) return nullptr;
    for (Parameter& p : mParameters)
        if (p.name == name) return p.name.c_str();
    return nullptr;
}

D3DXHANDLE ID3DXEffect::GetParameterBySemantic(D3DXHANDLE parent, LPCSTR semantic) {
    if (parent || !semantic) return nullptr;
    for (Parameter& p : mParameters)
        if (strcasecmp(p.semantic.c_str(), semantic) == 0 && !p.semantic.empty()) return p.name.c_str();
    return nullptr;
}

D3DXHANDLE ID3DXEffect::GetTechnique(UINT index) {
    return index < mTechniques.size() ? mTechniques[index].name.c_str() : nullptr;
}

D3DXHANDLE ID3DXEffect::GetTechniqueByName(LPCSTR name) {
    if (!name) return nullptr;
    for (Technique& t : mTechniques)
        if (t.name == name) return t.name.c_str();
    return nullptr;
}

HRESULT ID3DXEffect::FindNextValidTechnique(D3DXHANDLE technique, D3DXHANDLE* next) {
    if (!next) return D3DERR_INVALIDCALL;
    *next = nullptr;
    size_t index = 0;
    if (technique) {
        Technique* t = FindTechnique(technique);
        if (!t) return D3DERR_INVALIDCALL;
        index = static_cast<size_t>(t - mTechniques.data()) + 1;
    }
    if (index >= mTechniques.size()) return S_FALSE;
    *next = mTechniques[index].name.c_str();
    return D3D_OK;
}

HRESULT ID3DXEffect::ValidateTechnique(D3DXHANDLE technique) {
    return FindTechnique(technique) ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT ID3DXEffect::SetTechnique(D3DXHANDLE technique) {
    HRESULT result = Injected(D3DCall::EffectSetTechnique);
    Technique* t = FindTechnique(technique);
    if (SUCCEEDED(result) && (!t || mInBegin)) result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) mCurrent = t;
    return Record(D3DCall::EffectSetTechnique, result, {}, t ? t->name : std::string(technique ? technique : ""));
}

D3DXHANDLE ID3DXEffect::GetCurrentTechnique() { return mCurrent ? mCurrent->name.c_str() : nullptr; }

HRESULT ID3DXEffect::RecordSet(Parameter* parameter, D3DXHANDLE handle, HRESULT result, std::vector<uint32_t> args,
                               const void* object, const D3DXMATRIX* matrix) {
    if (!Device()) return result;
    D3DCallRecord record{.call = D3DCall::EffectSetValue, .args = std::move(args), .object = object,
                         .result = result};
    record.name = parameter ? parameter->name : std::string(handle ? handle : "");
    if (matrix) record.matrix = *matrix;
    Device()->Record(std::move(record));
    return result;
}

HRESULT ID3DXEffect::WriteNumbers(Parameter* parameter, const float* values, size_t count) {
    if (!parameter || !parameter->value || parameter->parameterClass == D3DXPC_OBJECT ||
        parameter->value->words.empty())
        return D3DERR_INVALIDCALL;
    std::vector<uint32_t>& words = parameter->value->words;
    for (size_t i = 0; i < count && i < words.size(); ++i) words[i] = ToWord(parameter->type, values[i]);
    return D3D_OK;
}

HRESULT ID3DXEffect::SetValue(D3DXHANDLE handle, const void* data, UINT bytes) {
    Parameter* p = Find(handle);
    HRESULT result = Injected(D3DCall::EffectSetValue);
    if (SUCCEEDED(result) &&
        (!p || !data || !p->value || p->parameterClass == D3DXPC_OBJECT || bytes > p->value->words.size() * 4))
        result = D3DERR_INVALIDCALL;
    std::vector<uint32_t> args;
    if (SUCCEEDED(result)) {
        std::memcpy(p->value->words.data(), data, bytes);
        args.assign(p->value->words.begin(), p->value->words.begin() + (bytes + 3) / 4);
    }
    return RecordSet(p, handle, result, std::move(args));
}

HRESULT ID3DXEffect::GetValue(D3DXHANDLE handle, void* data, UINT bytes) {
    Parameter* p = Find(handle);
    if (!p || !data || !p->value || p->parameterClass == D3DXPC_OBJECT || bytes > p->value->words.size() * 4)
        return D3DERR_INVALIDCALL;
    std::memcpy(data, p->value->words.data(), bytes);
    return D3D_OK;
}

HRESULT ID3DXEffect::SetBool(D3DXHANDLE handle, BOOL value) { return SetFloat(handle, value ? 1.0f : 0.0f); }

HRESULT ID3DXEffect::SetInt(D3DXHANDLE handle, INT value) {
    Parameter* p = Find(handle);
    HRESULT result = Injected(D3DCall::EffectSetValue);
    if (SUCCEEDED(result) && (!p || !p->value || p->parameterClass == D3DXPC_OBJECT || p->value->words.empty()))
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) {
        // Integers go in exactly, without a detour through float.
        uint32_t& word = p->value->words[0];
        if (p->type == D3DXPT_INT) word = static_cast<uint32_t>(value);
        else if (p->type == D3DXPT_BOOL) word = value != 0;
        else word = D3DFloatBits(static_cast<float>(value));
    }
    return RecordSet(p, handle, result, {static_cast<uint32_t>(value)});
}

HRESULT ID3DXEffect::SetFloat(D3DXHANDLE handle, float value) { return SetFloatArray(handle, &value, 1); }

HRESULT ID3DXEffect::GetFloat(D3DXHANDLE handle, float* value) {
    Parameter* p = Find(handle);
    if (!p || !value || !p->value || p->value->words.empty() || p->parameterClass == D3DXPC_OBJECT)
        return D3DERR_INVALIDCALL;
    *value = FromWord(p->type, p->value->words[0]);
    return D3D_OK;
}

HRESULT ID3DXEffect::SetFloatArray(D3DXHANDLE handle, const float* values, UINT count) {
    Parameter* p = Find(handle);
    HRESULT result = Injected(D3DCall::EffectSetValue);
    if (SUCCEEDED(result) && !values) result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) result = WriteNumbers(p, values, count);
    std::vector<uint32_t> args;
    if (values)
        for (UINT i = 0; i < count; ++i) args.push_back(D3DFloatBits(values[i]));
    return RecordSet(p, handle, result, std::move(args));
}

HRESULT ID3DXEffect::SetVector(D3DXHANDLE handle, const D3DXVECTOR4* vector) {
    if (!vector) return SetFloatArray(handle, nullptr, 0);
    const float values[4] = {vector->x, vector->y, vector->z, vector->w};
    return SetFloatArray(handle, values, 4);
}

HRESULT ID3DXEffect::GetVector(D3DXHANDLE handle, D3DXVECTOR4* vector) {
    Parameter* p = Find(handle);
    if (!p || !vector || !p->value || p->parameterClass == D3DXPC_OBJECT) return D3DERR_INVALIDCALL;
    float values[4] = {0, 0, 0, 0};
    for (size_t i = 0; i < 4 && i < p->value->words.size(); ++i) values[i] = FromWord(p->type, p->value->words[i]);
    *vector = D3DXVECTOR4(values[0], values[1], values[2], values[3]);
    return D3D_OK;
}

HRESULT ID3DXEffect::SetMatrix(D3DXHANDLE handle, const D3DXMATRIX* matrix) {
    Parameter* p = Find(handle);
    HRESULT result = Injected(D3DCall::EffectSetValue);
    if (SUCCEEDED(result) && (!matrix || !p || !p->value || p->parameterClass == D3DXPC_OBJECT))
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) {
        // Row by row into the parameter's own rows and columns.
        const UINT rows = std::max(1u, p->rows), columns = std::max(1u, p->columns);
        std::vector<uint32_t>& words = p->value->words;
        for (UINT r = 0; r < rows && r < 4; ++r)
            for (UINT c = 0; c < columns && c < 4; ++c)
                if (r * columns + c < words.size()) words[r * columns + c] = ToWord(p->type, matrix->m[r][c]);
    }
    return RecordSet(p, handle, result, {}, nullptr, matrix);
}

HRESULT ID3DXEffect::GetMatrix(D3DXHANDLE handle, D3DXMATRIX* matrix) {
    Parameter* p = Find(handle);
    if (!p || !matrix || !p->value || p->parameterClass == D3DXPC_OBJECT) return D3DERR_INVALIDCALL;
    *matrix = D3DXMATRIX();
    const UINT rows = std::max(1u, p->rows), columns = std::max(1u, p->columns);
    for (UINT r = 0; r < rows && r < 4; ++r)
        for (UINT c = 0; c < columns && c < 4; ++c)
            if (r * columns + c < p->value->words.size())
                matrix->m[r][c] = FromWord(p->type, p->value->words[r * columns + c]);
    return D3D_OK;
}

HRESULT ID3DXEffect::SetTexture(D3DXHANDLE handle, IDirect3DBaseTexture9* texture) {
    Parameter* p = Find(handle);
    HRESULT result = Injected(D3DCall::EffectSetValue);
    if (SUCCEEDED(result) && (!p || !p->value || !IsTextureType(p->type))) result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) p->value->SetTexture(texture);
    return RecordSet(p, handle, result, {}, texture);
}

HRESULT ID3DXEffect::GetTexture(D3DXHANDLE handle, IDirect3DBaseTexture9** texture) {
    Parameter* p = Find(handle);
    if (!p || !texture || !p->value || !IsTextureType(p->type)) return D3DERR_INVALIDCALL;
    *texture = p->value->texture;
    if (*texture) (*texture)->AddRef();
    return D3D_OK;
}

HRESULT ID3DXEffect::Begin(UINT* passes, DWORD flags) {
    HRESULT result = Injected(D3DCall::EffectBegin);
    if (SUCCEEDED(result) && (!mCurrent || mInBegin)) result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) {
        mInBegin = true;
        mPassCount = mCurrent->passes;
    }
    if (passes) *passes = SUCCEEDED(result) ? mPassCount : 0;
    return Record(D3DCall::EffectBegin, result, {flags}, mCurrent ? mCurrent->name : std::string());
}

HRESULT ID3DXEffect::BeginPass(UINT pass) {
    HRESULT result = Injected(D3DCall::EffectBeginPass);
    if (SUCCEEDED(result) && (!mInBegin || mInPass || pass >= mPassCount)) result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) mInPass = true;
    return Record(D3DCall::EffectBeginPass, result, {pass});
}

HRESULT ID3DXEffect::CommitChanges() {
    HRESULT result = Injected(D3DCall::EffectCommitChanges);
    if (SUCCEEDED(result) && !mInPass) result = D3DERR_INVALIDCALL;
    return Record(D3DCall::EffectCommitChanges, result);
}

HRESULT ID3DXEffect::EndPass() {
    HRESULT result = Injected(D3DCall::EffectEndPass);
    if (SUCCEEDED(result) && !mInPass) result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) mInPass = false;
    return Record(D3DCall::EffectEndPass, result);
}

HRESULT ID3DXEffect::End() {
    HRESULT result = Injected(D3DCall::EffectEnd);
    if (SUCCEEDED(result) && !mInBegin) result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) mInBegin = mInPass = false;
    return Record(D3DCall::EffectEnd, result);
}

HRESULT ID3DXEffect::OnLostDevice() {
    HRESULT result = Injected(D3DCall::EffectOnLostDevice);
    if (SUCCEEDED(result)) mLost = true;
    return Record(D3DCall::EffectOnLostDevice, result);
}

HRESULT ID3DXEffect::OnResetDevice() {
    HRESULT result = Injected(D3DCall::EffectOnResetDevice);
    if (SUCCEEDED(result)) mLost = false;
    return Record(D3DCall::EffectOnResetDevice, result);
}

HRESULT ID3DXEffect::GetPool(ID3DXEffectPool** pool) {
    if (!pool) return D3DERR_INVALIDCALL;
    *pool = mPool;
    if (mPool) mPool->AddRef();
    return D3D_OK;
}

// ---- Creation ----

HRESULT D3DXCreateEffect(IDirect3DDevice9* device, const void* data, UINT dataLength, const D3DXMACRO* /*defines*/,
                         ID3DXInclude* /*include*/, DWORD flags, ID3DXEffectPool* pool, ID3DXEffect** effect,
                         ID3DXBuffer** errors) {
    if (effect) *effect = nullptr;
    if (errors) *errors = nullptr;
    if (!device || !data || !effect) return D3DERR_INVALIDCALL;
    D3DCallRecord record{.call = D3DCall::D3DXCreateEffect, .args = {dataLength, flags, pool ? 1u : 0u}};
    HRESULT result = device->InjectedFailure(record.call);
    std::string message;
    EffectScan scan;
    if (SUCCEEDED(result) && !ScanEffectText(static_cast<const char*>(data), dataLength, &scan, &message))
        result = E_FAIL;

    ID3DXEffect* made = nullptr;
    if (SUCCEEDED(result)) {
        made = new ID3DXEffect(device, pool);
        made->mParameters.reserve(scan.parameters.size());
        for (const EffectScanParameter& declared : scan.parameters) {
            const TypeInfo type = TypeOf(declared.type);
            ID3DXEffect::Parameter p;
            p.name = declared.name;
            p.semantic = declared.semantic;
            p.parameterClass = type.parameterClass;
            p.type = type.type;
            p.rows = type.rows;
            p.columns = type.columns;
            p.elements = declared.elements;
            p.shared = declared.shared && pool;
            const size_t words = static_cast<size_t>(type.rows) * type.columns * std::max(1u, declared.elements);
            if (p.shared) {
                const std::string signature = declared.type + "[" + std::to_string(declared.elements) + "]";
                p.value = pool->Share(declared.name, signature, words);
                if (!p.value) {
                    message = "effect: shared parameter '" + declared.name + "' differs from the pool's";
                    result = E_FAIL;
                    break;
                }
            } else {
                p.value = std::make_shared<D3DXEffectValue>();
                p.value->words.assign(words, 0);
            }
            made->mParameters.push_back(std::move(p));
        }
        made->mTechniques.reserve(scan.techniques.size());
        for (const EffectScanTechnique& t : scan.techniques) made->mTechniques.push_back({t.name, t.passes});
        if (!made->mTechniques.empty()) made->mCurrent = &made->mTechniques.front();
        if (FAILED(result)) {
            made->Release();
            made = nullptr;
        }
    }
    if (FAILED(result) && errors && !message.empty()) *errors = new ID3DXBuffer(message);
    *effect = made;
    record.object = made;
    record.result = result;
    device->Record(std::move(record));
    return result;
}
