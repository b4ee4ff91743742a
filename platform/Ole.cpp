#include "platform/Ole.h"

#include "platform/PlatformFaults.h"
#include "platform/WebBrowser.h"

const IID IID_IOleObject = {0x00000112, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IOleClientSite = {0x00000118, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IOleWindow = {0x00000114, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IOleInPlaceSite = {0x00000119, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IOleInPlaceUIWindow = {0x00000115, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IOleInPlaceFrame = {0x00000116, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IStorage = {0x0000000B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

namespace {
struct OleState {
    int depth = 0;
    int unbalanced = 0;
    int containedCalls = 0;
};

OleState& State() {
    static OleState state;
    return state;
}
}  // namespace

HRESULT OleInitialize(LPVOID reserved) {
    HRESULT hr = CoInitialize(reserved);
    if (FAILED(hr)) return hr;
    ++State().depth;
    return hr;  // S_FALSE, as CoInitialize's, when the thread had already started COM
}

void OleUninitialize() {
    OleState& s = State();
    if (s.depth == 0) {
        ++s.unbalanced;
        return;
    }
    --s.depth;
    CoUninitialize();
}

HRESULT OleCreate(REFCLSID clsid, REFIID iid, DWORD, FORMATETC*, IOleClientSite* site, IStorage* storage,
                  void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (State().depth == 0) return CO_E_NOTINITIALIZED;
    if (auto failure = PlatformFaults::Take("OleCreate")) return *failure;
    if (!(clsid == CLSID_WebBrowser)) return REGDB_E_CLASSNOTREG;
    if (storage) {
        HRESULT hr = storage->SetClass(clsid);
        if (FAILED(hr)) return hr;
    }

    IOleObject* created = nullptr;
    HRESULT hr = PlatformWebBrowser::Create(IID_IOleObject, reinterpret_cast<void**>(&created));
    if (FAILED(hr) || !created) return FAILED(hr) ? hr : E_FAIL;
    if (site) created->SetClientSite(site);
    hr = created->QueryInterface(iid, object);
    created->Release();
    if (FAILED(hr)) *object = nullptr;
    return hr;
}

HRESULT OleSetContainedObject(IUnknown* object, BOOL contained) {
    if (!object) return E_INVALIDARG;
    ++State().containedCalls;
    PlatformWebBrowser::NoteContained(object, contained);
    return S_OK;
}

namespace PlatformOle {
int InitializeDepth() { return State().depth; }
int UnbalancedUninitializeCount() { return State().unbalanced; }
int ContainedObjectCalls() { return State().containedCalls; }
void Reset() { State() = OleState{}; }
}  // namespace PlatformOle
