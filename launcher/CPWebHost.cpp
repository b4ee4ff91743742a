#include "launcher/CPWebHost.h"

#include <vector>

#include "platform/OleAutomation.h"
#include "platform/WebBrowser.h"
#include "platform/WideText.h"

CPWebHost* gWebHost = nullptr;
std::string gWebPageUrl;

namespace {
// Every out pointer a failing method leaves behind is null, so no caller reads garbage.
template <class T>
HRESULT NoInterface(T** object, HRESULT result) {
    if (object) *object = nullptr;
    return result;
}

// The address as a VT_BSTR variant; VT_EMPTY when it cannot be converted.
VARIANT AddressVariant(const std::string& address) {
    VARIANT variant;
    VariantInit(&variant);
    int length = MultiByteToWideChar(CP_ACP, 0, address.c_str(), -1, nullptr, 0);
    if (length <= 0) return variant;
    std::vector<WCHAR> wide(static_cast<size_t>(length));
    if (MultiByteToWideChar(CP_ACP, 0, address.c_str(), -1, wide.data(), length) != length) return variant;
    BSTR text = SysAllocString(wide.data());
    if (!text) return variant;
    variant.vt = VT_BSTR;
    variant.bstrVal = text;
    return variant;
}
}  // namespace

LONG CPComObject::AddRef() { return mReferences++; }

LONG CPComObject::Release() {
    if (--mReferences == 0) {
        delete this;
        return 0;
    }
    return mReferences;
}

CPWebHost::CPWebHost() : mClientSite(this), mInPlaceSite(this), mInPlaceFrame(this) {}

CPWebHost::~CPWebHost() { CloseBrowser(); }

CPWebHost* CreateWebHost() { return new CPWebHost(); }

IStorage* CPWebHost::Storage() { return &mStorage; }
IOleClientSite* CPWebHost::ClientSite() { return &mClientSite; }
IOleInPlaceSite* CPWebHost::InPlaceSite() { return &mInPlaceSite; }
IOleInPlaceFrame* CPWebHost::InPlaceFrame() { return &mInPlaceFrame; }

LRESULT CPWebHost::OnCommand(INT command, WPARAM, LPARAM, LPARAM) {
    if (command == 2) {
        CloseBrowser();
        PostQuitMessage(0);
        return 1;
    }
    if (command == 1) {
        EmbedBrowser(nullptr);
        return 1;
    }
    return 0;
}

void CPWebHost::CloseBrowser() {
    if (!mBrowser) return;
    IOleObject* browser = mBrowser;
    mBrowser = nullptr;
    browser->Close(OLECLOSE_NOSAVE);
    browser->Release();
}

void CPWebHost::EmbedBrowser(HWND container) {
    // Embedding again replaces the control instead of leaking the one shown so far.
    CloseBrowser();
    mWindow = container;

    IOleObject* browser = nullptr;
    HRESULT hr = OleCreate(CLSID_WebBrowser, IID_IOleObject, OLERENDER_DRAW, nullptr, &mClientSite, &mStorage,
                           reinterpret_cast<void**>(&browser));
    if (FAILED(hr) || !browser) return;
    mBrowser = browser;

    browser->SetHostNames(u"Web Host", u"Web View");
    OleSetContainedObject(browser, TRUE);
    RECT client{};
    GetClientRect(mWindow, &client);
    browser->DoVerb(OLEIVERB_SHOW, nullptr, &mClientSite, -1, mWindow, &client);

    IWebBrowser2* web = nullptr;
    hr = browser->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&web));
    if (FAILED(hr) || !web) return;

    VARIANT address = AddressVariant(gWebPageUrl);
    VARIANT flags;
    VARIANT frame;
    VARIANT postData;
    VARIANT headers;
    for (VARIANT* empty : {&flags, &frame, &postData, &headers}) VariantInit(empty);
    web->put_Left(0);
    web->put_Top(0);
    web->put_Width(client.right);
    web->put_Height(client.bottom);
    web->Navigate2(&address, &flags, &frame, &postData, &headers);
    VariantClear(&address);
    web->Release();
}

// --- storage: nothing is stored; SetClass succeeds so that OLE can record the control's class.

HRESULT CPWebHost::StorageImpl::QueryInterface(REFIID, void** object) { return NoInterface(object, E_NOTIMPL); }
HRESULT CPWebHost::StorageImpl::CreateStream(LPCOLESTR, DWORD, DWORD, DWORD, IStream** stream) {
    return NoInterface(stream, E_NOTIMPL);
}
HRESULT CPWebHost::StorageImpl::OpenStream(LPCOLESTR, void*, DWORD, DWORD, IStream** stream) {
    return NoInterface(stream, E_NOTIMPL);
}
HRESULT CPWebHost::StorageImpl::CreateStorage(LPCOLESTR, DWORD, DWORD, DWORD, IStorage** storage) {
    return NoInterface(storage, E_NOTIMPL);
}
HRESULT CPWebHost::StorageImpl::OpenStorage(LPCOLESTR, IStorage*, DWORD, SNB, DWORD, IStorage** storage) {
    return NoInterface(storage, E_NOTIMPL);
}
HRESULT CPWebHost::StorageImpl::EnumElements(DWORD, void*, DWORD, IEnumSTATSTG** elements) {
    return NoInterface(elements, E_NOTIMPL);
}

// --- client site

HRESULT CPWebHost::ClientSiteImpl::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
        *object = static_cast<IOleClientSite*>(&mHost->mClientSite);
        return S_OK;
    }
    if (iid == IID_IOleInPlaceSite) {
        *object = static_cast<IOleInPlaceSite*>(&mHost->mInPlaceSite);
        return S_OK;
    }
    return NoInterface(object, E_NOINTERFACE);
}

HRESULT CPWebHost::ClientSiteImpl::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    return NoInterface(moniker, E_NOTIMPL);
}

HRESULT CPWebHost::ClientSiteImpl::GetContainer(IOleContainer** container) {
    return NoInterface(container, E_NOINTERFACE);
}

// --- in-place site: its IUnknown is the client site's.

HRESULT CPWebHost::InPlaceSiteImpl::QueryInterface(REFIID iid, void** object) {
    return mHost->mClientSite.QueryInterface(iid, object);
}
ULONG CPWebHost::InPlaceSiteImpl::AddRef() { return mHost->mClientSite.AddRef(); }
ULONG CPWebHost::InPlaceSiteImpl::Release() { return mHost->mClientSite.Release(); }

HRESULT CPWebHost::InPlaceSiteImpl::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = mHost->mWindow;
    return S_OK;
}

HRESULT CPWebHost::InPlaceSiteImpl::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                                     RECT* position, RECT* clip, OLEINPLACEFRAMEINFO* frameInfo) {
    if (!frame || !document || !position || !clip || !frameInfo) {
        NoInterface(frame, E_POINTER);
        return NoInterface(document, E_POINTER);
    }
    *frame = &mHost->mInPlaceFrame;
    *document = nullptr;
    RECT client{};
    GetClientRect(mHost->mWindow, &client);
    *position = client;
    *clip = client;
    frameInfo->fMDIApp = FALSE;
    frameInfo->hwndFrame = mHost->mWindow;
    frameInfo->haccel = nullptr;
    frameInfo->cAccelEntries = 0;
    return S_OK;
}

// --- in-place frame

HRESULT CPWebHost::InPlaceFrameImpl::QueryInterface(REFIID, void** object) { return NoInterface(object, E_NOTIMPL); }

HRESULT CPWebHost::InPlaceFrameImpl::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = mHost->mWindow;
    return S_OK;
}
