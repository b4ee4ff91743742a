// Object linking and embedding: the container-side interfaces a site implements, the embedded
// object's interface, and the calls that start OLE and create an embedded object.
#pragma once

#include "platform/Com.h"
#include "platform/Window.h"

constexpr LONG OLEIVERB_SHOW = -1;
constexpr LONG OLEIVERB_INPLACEACTIVATE = -5;
constexpr DWORD OLECLOSE_SAVEIFDIRTY = 0;
constexpr DWORD OLECLOSE_NOSAVE = 1;
constexpr DWORD OLERENDER_DRAW = 1;

constexpr HRESULT OLE_E_NOT_INPLACEACTIVE = static_cast<HRESULT>(0x80040010u);

using HOLEMENU = struct HOLEMENU__*;
using BORDERWIDTHS = RECT;

struct OLEINPLACEFRAMEINFO {
    UINT cb;  // size of the record, set by the caller
    BOOL fMDIApp;
    HWND hwndFrame;
    HACCEL haccel;
    UINT cAccelEntries;
};

struct OLEMENUGROUPWIDTHS {
    LONG width[6];
};

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

// Interfaces only passed through here, never called.
class IMoniker;
class IOleContainer;
class IStream;
class IEnumSTATSTG;
class IOleInPlaceActiveObject;
struct FORMATETC;
struct STATSTG;
using SNB = OLECHAR**;

class IOleClientSite : public IUnknown {
public:
    virtual HRESULT SaveObject() = 0;
    virtual HRESULT GetMoniker(DWORD assign, DWORD whichMoniker, IMoniker** moniker) = 0;
    virtual HRESULT GetContainer(IOleContainer** container) = 0;
    virtual HRESULT ShowObject() = 0;
    virtual HRESULT OnShowWindow(BOOL show) = 0;
    virtual HRESULT RequestNewObjectLayout() = 0;

protected:
    ~IOleClientSite() = default;
};

class IOleWindow : public IUnknown {
public:
    virtual HRESULT GetWindow(HWND* window) = 0;
    virtual HRESULT ContextSensitiveHelp(BOOL enterMode) = 0;

protected:
    ~IOleWindow() = default;
};

class IOleInPlaceUIWindow : public IOleWindow {
public:
    virtual HRESULT GetBorder(RECT* border) = 0;
    virtual HRESULT RequestBorderSpace(const BORDERWIDTHS* widths) = 0;
    virtual HRESULT SetBorderSpace(const BORDERWIDTHS* widths) = 0;
    virtual HRESULT SetActiveObject(IOleInPlaceActiveObject* activeObject, LPCOLESTR name) = 0;

protected:
    ~IOleInPlaceUIWindow() = default;
};

class IOleInPlaceFrame : public IOleInPlaceUIWindow {
public:
    virtual HRESULT InsertMenus(HMENU shared, OLEMENUGROUPWIDTHS* widths) = 0;
    virtual HRESULT SetMenu(HMENU shared, HOLEMENU descriptor, HWND activeObject) = 0;
    virtual HRESULT RemoveMenus(HMENU shared) = 0;
    virtual HRESULT SetStatusText(LPCOLESTR text) = 0;
    virtual HRESULT EnableModeless(BOOL enable) = 0;
    virtual HRESULT TranslateAccelerator(MSG* message, WORD id) = 0;

protected:
    ~IOleInPlaceFrame() = default;
};

class IOleInPlaceSite : public IOleWindow {
public:
    virtual HRESULT CanInPlaceActivate() = 0;
    virtual HRESULT OnInPlaceActivate() = 0;
    virtual HRESULT OnUIActivate() = 0;
    // Fills the frame, the document window, the object's position and clip rectangles (client
    // pixels of the site's window) and the frame information.
    virtual HRESULT GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, RECT* position,
                                     RECT* clip, OLEINPLACEFRAMEINFO* frameInfo) = 0;
    virtual HRESULT Scroll(SIZE extent) = 0;
    virtual HRESULT OnUIDeactivate(BOOL undoable) = 0;
    virtual HRESULT OnInPlaceDeactivate() = 0;
    virtual HRESULT DiscardUndoState() = 0;
    virtual HRESULT DeactivateAndUndo() = 0;
    virtual HRESULT OnPosRectChange(const RECT* position) = 0;

protected:
    ~IOleInPlaceSite() = default;
};

class IStorage : public IUnknown {
public:
    virtual HRESULT CreateStream(LPCOLESTR name, DWORD mode, DWORD reserved1, DWORD reserved2, IStream** stream) = 0;
    virtual HRESULT OpenStream(LPCOLESTR name, void* reserved1, DWORD mode, DWORD reserved2, IStream** stream) = 0;
    virtual HRESULT CreateStorage(LPCOLESTR name, DWORD mode, DWORD reserved1, DWORD reserved2, IStorage** storage) = 0;
    virtual HRESULT OpenStorage(LPCOLESTR name, IStorage* priority, DWORD mode, SNB exclude, DWORD reserved,
                                IStorage** storage) = 0;
    virtual HRESULT CopyTo(DWORD excludeCount, const IID* exclude, SNB excludeNames, IStorage* destination) = 0;
    virtual HRESULT MoveElementTo(LPCOLESTR name, IStorage* destination, LPCOLESTR newName, DWORD flags) = 0;
    virtual HRESULT Commit(DWORD flags) = 0;
    virtual HRESULT Revert() = 0;
    virtual HRESULT EnumElements(DWORD reserved1, void* reserved2, DWORD reserved3, IEnumSTATSTG** elements) = 0;
    virtual HRESULT DestroyElement(LPCOLESTR name) = 0;
    virtual HRESULT RenameElement(LPCOLESTR oldName, LPCOLESTR newName) = 0;
    virtual HRESULT SetElementTimes(LPCOLESTR name, const FILETIME* created, const FILETIME* accessed,
                                    const FILETIME* modified) = 0;
    virtual HRESULT SetClass(REFCLSID clsid) = 0;
    virtual HRESULT SetStateBits(DWORD bits, DWORD mask) = 0;
    virtual HRESULT Stat(STATSTG* stat, DWORD flags) = 0;

protected:
    ~IStorage() = default;
};

// The embedded object, with the calls a container makes of it.
class IOleObject : public IUnknown {
public:
    virtual HRESULT SetClientSite(IOleClientSite* site) = 0;
    virtual HRESULT SetHostNames(LPCOLESTR containerApp, LPCOLESTR containerObject) = 0;
    virtual HRESULT Close(DWORD saveOption) = 0;
    virtual HRESULT DoVerb(LONG verb, MSG* message, IOleClientSite* activeSite, LONG index, HWND parent,
                           const RECT* position) = 0;

protected:
    ~IOleObject() = default;
};

extern const IID IID_IOleObject;
extern const IID IID_IOleClientSite;
extern const IID IID_IOleWindow;
extern const IID IID_IOleInPlaceSite;
extern const IID IID_IOleInPlaceUIWindow;
extern const IID IID_IOleInPlaceFrame;
extern const IID IID_IStorage;

// Starts OLE (and COM with it); S_FALSE when COM was already started. Each success needs one OleUninitialize.
HRESULT OleInitialize(LPVOID reserved);
void OleUninitialize();

// Creates an embedded object of the class, writes the class into the storage (IStorage::SetClass),
// gives it the client site and returns the interface `iid` in *object (null on failure).
// CO_E_NOTINITIALIZED before OleInitialize; REGDB_E_CLASSNOTREG for a class the platform lacks;
// the result armed on "OleCreate" in PlatformFaults.
HRESULT OleCreate(REFCLSID clsid, REFIID iid, DWORD renderOption, FORMATETC* format, IOleClientSite* site,
                  IStorage* storage, void** object);
// Records that the object is contained (the stand-in has no running-object rules).
HRESULT OleSetContainedObject(IUnknown* object, BOOL contained);

namespace PlatformOle {
// Successful OleInitialize calls not yet balanced by OleUninitialize.
int InitializeDepth();
// OleUninitialize calls that had nothing to balance.
int UnbalancedUninitializeCount();
// OleSetContainedObject calls since the last Reset.
int ContainedObjectCalls();
void Reset();
}  // namespace PlatformOle
