#include "platform/WebBrowser.h"

#include <unordered_set>

#include "platform/PlatformFaults.h"
#include "platform/WideText.h"
#include "platform/WindowObject.h"

const CLSID CLSID_WebBrowser = {0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};
const IID IID_IWebBrowser2 = {0xD30C1661, 0xCDAF, 0x11D0, {0x8A, 0x3E, 0x00, 0xC0, 0x4F, 0xC9, 0xE2, 0x6E}};

namespace {
using PlatformWebBrowser::Record;

constexpr LONG OLEIVERB_UIACTIVATE = -4;
const char* const kBlankPage = "about:blank";

class WebBrowserControl;

struct BrowserState {
    std::vector<std::shared_ptr<Record>> records;
    std::unordered_set<WebBrowserControl*> live;
};

BrowserState& State() {
    static BrowserState state;
    return state;
}

void ShowInWindow(HWND window, const std::string& address) {
    if (WindowObject* object = WindowRegistry::Find(window)) object->embeddedAddress = address;
}

class WebBrowserControl final : public IOleObject, public IWebBrowser2 {
public:
    WebBrowserControl() : mRecord(std::make_shared<Record>()) {
        mRecord->referenceCount = 1;
        State().records.push_back(mRecord);
        State().live.insert(this);
    }

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid == IID_IUnknown || iid == IID_IOleObject) {
            *object = static_cast<IOleObject*>(this);
        } else if (iid == IID_IWebBrowser2) {
            if (auto failure = PlatformFaults::Take("WebBrowser::QueryInterface(IWebBrowser2)")) return *failure;
            *object = static_cast<IWebBrowser2*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }

    ULONG AddRef() override { return ++mRecord->referenceCount; }

    ULONG Release() override {
        ULONG count = --mRecord->referenceCount;
        if (count == 0) delete this;
        return count;
    }

    HRESULT SetClientSite(IOleClientSite* site) override {
        Note("SetClientSite");
        if (site) site->AddRef();
        if (mSite) mSite->Release();
        mSite = site;
        return S_OK;
    }

    HRESULT SetHostNames(LPCOLESTR containerApp, LPCOLESTR containerObject) override {
        Note("SetHostNames");
        mRecord->hostApplication = WideToUtf8(containerApp);
        mRecord->hostObject = WideToUtf8(containerObject);
        return S_OK;
    }

    HRESULT Close(DWORD saveOption) override {
        Note("Close");
        mRecord->closed = true;
        mRecord->closeOption = saveOption;
        Deactivate();
        ShowInWindow(mContainer, "");
        mContainer = nullptr;
        if (mSite) {
            IOleClientSite* site = mSite;
            mSite = nullptr;
            site->Release();
        }
        return S_OK;
    }

    HRESULT DoVerb(LONG verb, MSG*, IOleClientSite* activeSite, LONG index, HWND parent,
                   const RECT* position) override {
        Note("DoVerb");
        mRecord->verb = verb;
        mRecord->verbIndex = index;
        mRecord->verbParent = parent;
        if (position) mRecord->verbPosition = *position;
        if (verb != OLEIVERB_SHOW && verb != OLEIVERB_INPLACEACTIVATE && verb != OLEIVERB_UIACTIVATE) return S_OK;
        if (mInPlaceSite) return S_OK;  // already active

        IOleClientSite* site = activeSite ? activeSite : mSite;
        if (!site) return E_INVALIDARG;
        IOleInPlaceSite* inPlace = nullptr;
        HRESULT hr = site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlace));
        Note("site.QueryInterface(IOleInPlaceSite)");
        if (FAILED(hr) || !inPlace) return OLE_E_NOT_INPLACEACTIVE;
        Note("site.CanInPlaceActivate");
        if (inPlace->CanInPlaceActivate() != S_OK) {
            inPlace->Release();
            return OLE_E_NOT_INPLACEACTIVE;
        }
        mInPlaceSite = inPlace;
        Note("site.OnInPlaceActivate");
        inPlace->OnInPlaceActivate();
        Note("site.GetWindow");
        HWND siteWindow = nullptr;
        inPlace->GetWindow(&siteWindow);
        mRecord->siteWindow = siteWindow;

        IOleInPlaceFrame* frame = nullptr;
        IOleInPlaceUIWindow* document = nullptr;
        OLEINPLACEFRAMEINFO info{};
        info.cb = sizeof(info);
        RECT placed{};
        RECT clip{};
        Note("site.GetWindowContext");
        if (SUCCEEDED(inPlace->GetWindowContext(&frame, &document, &placed, &clip, &info))) {
            mRecord->position = placed;
            mRecord->clip = clip;
            mRecord->frameInfo = info;
        }
        mRecord->frameGiven = frame != nullptr;
        mRecord->documentGiven = document != nullptr;
        Note("site.OnUIActivate");
        inPlace->OnUIActivate();
        if (frame) {
            Note("frame.GetWindow");
            HWND frameWindow = nullptr;
            frame->GetWindow(&frameWindow);
            mRecord->frameWindow = frameWindow;
            Note("frame.SetActiveObject");
            frame->SetActiveObject(nullptr, nullptr);
            frame->Release();
        }
        if (document) document->Release();
        Note("site.ShowObject");
        site->ShowObject();

        mContainer = parent ? parent : siteWindow;
        ShowInWindow(mContainer, mRecord->address.empty() ? kBlankPage : mRecord->address);
        return S_OK;
    }

    HRESULT put_Left(LONG left) override { return Put("put_Left", mRecord->left, left); }
    HRESULT put_Top(LONG top) override { return Put("put_Top", mRecord->top, top); }
    HRESULT put_Width(LONG width) override { return Put("put_Width", mRecord->width, width); }
    HRESULT put_Height(LONG height) override { return Put("put_Height", mRecord->height, height); }

    HRESULT Navigate2(VARIANT* url, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override {
        Note("Navigate2");
        if (!url || url->vt != VT_BSTR || !url->bstrVal) return E_INVALIDARG;
        mRecord->address = WideToUtf8(url->bstrVal);
        ShowInWindow(mContainer, mRecord->address);
        return S_OK;
    }

    void SetContained(BOOL contained) {
        Note("OleSetContainedObject");
        mRecord->contained = contained != FALSE;
    }

private:
    ~WebBrowserControl() {
        Deactivate();
        ShowInWindow(mContainer, "");
        if (mSite) mSite->Release();
        mRecord->destroyed = true;
        State().live.erase(this);
    }

    void Note(const char* call) { mRecord->calls.emplace_back(call); }

    HRESULT Put(const char* call, LONG& field, LONG value) {
        Note(call);
        field = value;
        return S_OK;
    }

    void Deactivate() {
        if (!mInPlaceSite) return;
        IOleInPlaceSite* inPlace = mInPlaceSite;
        mInPlaceSite = nullptr;
        Note("site.OnUIDeactivate");
        inPlace->OnUIDeactivate(FALSE);
        Note("site.OnInPlaceDeactivate");
        inPlace->OnInPlaceDeactivate();
        inPlace->Release();
    }

    std::shared_ptr<Record> mRecord;
    IOleClientSite* mSite = nullptr;          // counted reference
    IOleInPlaceSite* mInPlaceSite = nullptr;  // counted reference while active in place
    HWND mContainer = nullptr;                // window showing the page; null while not shown
};

WebBrowserControl* FindControl(IUnknown* object) {
    for (WebBrowserControl* control : State().live) {
        bool same = object == static_cast<IOleObject*>(control) || object == static_cast<IWebBrowser2*>(control);
        if (same) return control;
    }
    return nullptr;
}
}  // namespace

namespace PlatformWebBrowser {
HRESULT Create(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    auto* control = new WebBrowserControl();
    HRESULT hr = control->QueryInterface(iid, object);
    control->Release();  // the interface asked for holds the one reference left, if any
    return hr;
}

std::shared_ptr<const Record> Last() { return State().records.empty() ? nullptr : State().records.back(); }

std::vector<std::shared_ptr<const Record>> All() { return {State().records.begin(), State().records.end()}; }

int LiveCount() { return static_cast<int>(State().live.size()); }


bool NoteContained(IUnknown* object, BOOL contained) {
    WebBrowserControl* control = FindControl(object);
    if (!control) return false;
    control->SetContained(contained);
    return true;
}

void Reset() {
    State().records.clear();
}
}  // namespace PlatformWebBrowser
