#include "platform/Com.h"

#include "platform/DirectShow.h"
#include "platform/MultiMediaStream.h"
#include "platform/PlatformFaults.h"

const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

namespace {
struct ComState {
    int depth = 0;
    int unbalanced = 0;
};

ComState& State() {
    static ComState state;
    return state;
}
}  // namespace

HRESULT CoInitialize(LPVOID) {
    ComState& s = State();
    ++s.depth;
    return s.depth == 1 ? S_OK : S_FALSE;
}

void CoUninitialize() {
    ComState& s = State();
    if (s.depth == 0) {
        ++s.unbalanced;
        return;
    }
    --s.depth;
}

namespace PlatformCom {
int InitializeDepth() { return State().depth; }
int UnbalancedUninitializeCount() { return State().unbalanced; }
void Reset() { State() = ComState{}; }
}  // namespace PlatformCom

HRESULT CoCreateInstance(REFCLSID classId, IUnknown* outer, DWORD, REFIID iid, LPVOID* object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (State().depth == 0) return CO_E_NOTINITIALIZED;
    if (outer) return CLASS_E_NOAGGREGATION;
    if (auto failure = PlatformFaults::Take("CoCreateInstance")) return *failure;
    if (classId == CLSID_FilterGraph) return DirectShowStandIn::CreateFilterGraph(iid, object);
    if (classId == CLSID_AMMultiMediaStream) return MultiMediaStreamStandIn::CreateMultiMediaStream(iid, object);
    return REGDB_E_CLASSNOTREG;
}
