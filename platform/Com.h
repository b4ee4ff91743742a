// Component Object Model basics: interface identities, the IUnknown root and the apartment calls.
// Interfaces are abstract classes whose virtual functions sit in the platform's slot order.
#pragma once

#include <cstring>

#include "platform/WinTypes.h"

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
static_assert(sizeof(GUID) == 16);
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline bool operator==(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
inline bool IsEqualGUID(const GUID& a, const GUID& b) { return a == b; }

// Wide characters are UTF-16 code units, as on the platform.
using WCHAR = char16_t;
using OLECHAR = WCHAR;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;

extern const IID IID_IUnknown;
extern const GUID GUID_NULL;

class IUnknown {
public:
    // Sets *object to the interface asked for, or to null with E_NOINTERFACE.
    virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

constexpr HRESULT RPC_E_CHANGED_MODE = static_cast<HRESULT>(0x80010106u);
constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0u);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;

// S_OK on the first call of the thread, S_FALSE on a nested one; each success needs one CoUninitialize.
HRESULT CoInitialize(LPVOID reserved);
void CoUninitialize();

// Makes an object of a class the platform layer provides (CLSID_FilterGraph, CLSID_AMMultiMediaStream) and returns the interface
// asked for. CO_E_NOTINITIALIZED before CoInitialize, REGDB_E_CLASSNOTREG for any other class.
// Can be failed through PlatformFaults as "CoCreateInstance".
HRESULT CoCreateInstance(REFCLSID classId, IUnknown* outer, DWORD context, REFIID iid, LPVOID* object);

namespace PlatformCom {
// Successful CoInitialize calls not yet balanced by CoUninitialize.
int InitializeDepth();
// CoUninitialize calls that had nothing to balance.
int UnbalancedUninitializeCount();
// Clears the counters (tests).
void Reset();
}  // namespace PlatformCom
