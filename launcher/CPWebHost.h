// The launcher's web view: a minimal OLE container that embeds the WebBrowser control in place
// into a window and shows gWebPageUrl in it.
#pragma once

#include <string>

#include "platform/Ole.h"

// Root of the host: a window and a real reference count (unlike CPRefObject, Release frees here:
// the control's site calls must never be what keeps or kills the host, only the launcher's own).
class CPComObject {
public:
    CPComObject() = default;
    virtual ~CPComObject() = default;
    CPComObject(const CPComObject&) = delete;
    CPComObject& operator=(const CPComObject&) = delete;

    // Returns the count before the increment.
    virtual LONG AddRef();
    // Deletes the object when the count reaches 0 and returns 0; otherwise the new count.
    // Invalidates the object's pointers when it returns 0.
    virtual LONG Release();
    virtual LRESULT OnCommand(INT command, WPARAM, LPARAM, LPARAM) = 0;

    HWND Window() const { return mWindow; }
    LONG ReferenceCount() const { return mReferences; }

protected:
    HWND mWindow = nullptr;  // the container window; set by EmbedBrowser
    LONG mReferences = 1;
};

class CPWebHost : public CPComObject {
public:
    CPWebHost();
    ~CPWebHost() override;

    // 2: closes and releases the browser, then posts a quit message (exit code 0); 1: embeds again
    // with a null window; both return 1. Any other command returns 0.
    LRESULT OnCommand(INT command, WPARAM, LPARAM, LPARAM) override;

    // Creates the WebBrowser control in `container`, shows it in place over the whole client area and
    // navigates it to gWebPageUrl. When the control cannot be created, the view stays empty.
    void EmbedBrowser(HWND container);
    // Closes the browser without saving and releases it; nothing when there is none.
    void CloseBrowser();

    IOleObject* Browser() const { return mBrowser; }
    IStorage* Storage();
    IOleClientSite* ClientSite();
    IOleInPlaceSite* InPlaceSite();
    IOleInPlaceFrame* InPlaceFrame();

private:
    // The site interfaces count nothing: their AddRef and Release answer 1 and change no lifetime.
    class StorageImpl final : public IStorage {
    public:
        HRESULT QueryInterface(REFIID, void** object) override;
        ULONG AddRef() override { return 1; }
        ULONG Release() override { return 1; }
        HRESULT CreateStream(LPCOLESTR, DWORD, DWORD, DWORD, IStream** stream) override;
        HRESULT OpenStream(LPCOLESTR, void*, DWORD, DWORD, IStream** stream) override;
        HRESULT CreateStorage(LPCOLESTR, DWORD, DWORD, DWORD, IStorage** storage) override;
        HRESULT OpenStorage(LPCOLESTR, IStorage*, DWORD, SNB, DWORD, IStorage** storage) override;
        HRESULT CopyTo(DWORD, const IID*, SNB, IStorage*) override { return E_NOTIMPL; }
        HRESULT MoveElementTo(LPCOLESTR, IStorage*, LPCOLESTR, DWORD) override { return E_NOTIMPL; }
        HRESULT Commit(DWORD) override { return E_NOTIMPL; }
        HRESULT Revert() override { return E_NOTIMPL; }
        HRESULT EnumElements(DWORD, void*, DWORD, IEnumSTATSTG** elements) override;
        HRESULT DestroyElement(LPCOLESTR) override { return E_NOTIMPL; }
        HRESULT RenameElement(LPCOLESTR, LPCOLESTR) override { return E_NOTIMPL; }
        HRESULT SetElementTimes(LPCOLESTR, const FILETIME*, const FILETIME*, const FILETIME*) override {
            return E_NOTIMPL;
        }
        HRESULT SetClass(REFCLSID) override { return S_OK; }
        HRESULT SetStateBits(DWORD, DWORD) override { return E_NOTIMPL; }
        HRESULT Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
    };

    class ClientSiteImpl final : public IOleClientSite {
    public:
        explicit ClientSiteImpl(CPWebHost* host) : mHost(host) {}
        HRESULT QueryInterface(REFIID iid, void** object) override;
        ULONG AddRef() override { return 1; }
        ULONG Release() override { return 1; }
        HRESULT SaveObject() override { return E_NOTIMPL; }
        HRESULT GetMoniker(DWORD, DWORD, IMoniker** moniker) override;
        HRESULT GetContainer(IOleContainer** container) override;
        HRESULT ShowObject() override { return S_OK; }
        HRESULT OnShowWindow(BOOL) override { return E_NOTIMPL; }
        HRESULT RequestNewObjectLayout() override { return E_NOTIMPL; }

    private:
        CPWebHost* mHost;  // not owned
    };

    class InPlaceSiteImpl final : public IOleInPlaceSite {
    public:
        explicit InPlaceSiteImpl(CPWebHost* host) : mHost(host) {}
        HRESULT QueryInterface(REFIID iid, void** object) override;
        ULONG AddRef() override;
        ULONG Release() override;
        HRESULT GetWindow(HWND* window) override;
        HRESULT ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
        HRESULT CanInPlaceActivate() override { return S_OK; }
        HRESULT OnInPlaceActivate() override { return S_OK; }
        HRESULT OnUIActivate() override { return S_OK; }
        HRESULT GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, RECT* position, RECT* clip,
                                 OLEINPLACEFRAMEINFO* frameInfo) override;
        HRESULT Scroll(SIZE) override { return E_NOTIMPL; }
        HRESULT OnUIDeactivate(BOOL) override { return S_OK; }
        HRESULT OnInPlaceDeactivate() override { return S_OK; }
        HRESULT DiscardUndoState() override { return E_NOTIMPL; }
        HRESULT DeactivateAndUndo() override { return E_NOTIMPL; }
        HRESULT OnPosRectChange(const RECT*) override { return S_OK; }

    private:
        CPWebHost* mHost;  // not owned
    };

    class InPlaceFrameImpl final : public IOleInPlaceFrame {
    public:
        explicit InPlaceFrameImpl(CPWebHost* host) : mHost(host) {}
        HRESULT QueryInterface(REFIID, void** object) override;
        ULONG AddRef() override { return 1; }
        ULONG Release() override { return 1; }
        HRESULT GetWindow(HWND* window) override;
        HRESULT ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
        HRESULT GetBorder(RECT*) override { return E_NOTIMPL; }
        HRESULT RequestBorderSpace(const BORDERWIDTHS*) override { return E_NOTIMPL; }
        HRESULT SetBorderSpace(const BORDERWIDTHS*) override { return E_NOTIMPL; }
        HRESULT SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
        HRESULT InsertMenus(HMENU, OLEMENUGROUPWIDTHS*) override { return E_NOTIMPL; }
        HRESULT SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
        HRESULT RemoveMenus(HMENU) override { return E_NOTIMPL; }
        HRESULT SetStatusText(LPCOLESTR) override { return S_OK; }
        HRESULT EnableModeless(BOOL) override { return S_OK; }
        HRESULT TranslateAccelerator(MSG*, WORD) override { return E_NOTIMPL; }

    private:
        CPWebHost* mHost;  // not owned
    };

    StorageImpl mStorage;
    ClientSiteImpl mClientSite;
    InPlaceSiteImpl mInPlaceSite;
    InPlaceFrameImpl mInPlaceFrame;
    IOleObject* mBrowser = nullptr;  // counted reference to the control; null until embedded
};

// A new host: reference count 1, no browser.
CPWebHost* CreateWebHost();

// The page the web view shows; the launcher sets it before its dialog opens.
extern std::string gWebPageUrl;

// The launcher's one web host: created by the launcher dialog, released by the launcher sequence.
extern CPWebHost* gWebHost;
