// The WebBrowser control: its class and automation interface, and the stand-in that plays it.
//
// The stand-in activates in place the way the control does (it asks the client site for its in-place
// site, then for the window, the window context and the UI activation), shows the address it is sent
// to in its container window, and records everything it was told and answered. Arming
// "WebBrowser::QueryInterface(IWebBrowser2)" in PlatformFaults makes it refuse that interface.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Ole.h"
#include "platform/OleAutomation.h"

extern const CLSID CLSID_WebBrowser;
extern const IID IID_IWebBrowser2;

class IWebBrowser2 : public IUnknown {
public:
    virtual HRESULT put_Left(LONG left) = 0;
    virtual HRESULT put_Top(LONG top) = 0;
    virtual HRESULT put_Width(LONG width) = 0;
    virtual HRESULT put_Height(LONG height) = 0;
    // Only the address (a VT_BSTR) is used; the other variants may be empty or null.
    virtual HRESULT Navigate2(VARIANT* url, VARIANT* flags, VARIANT* targetFrame, VARIANT* postData,
                              VARIANT* headers) = 0;

protected:
    ~IWebBrowser2() = default;
};

namespace PlatformWebBrowser {
// What one control was told and what its sites answered.
struct Record {
    std::vector<std::string> calls;  // the control's methods and the site methods it called, in order
    std::string hostApplication;     // SetHostNames, as UTF-8
    std::string hostObject;
    LONG verb = 0;
    LONG verbIndex = 0;
    HWND verbParent = nullptr;
    RECT verbPosition{};
    HWND siteWindow = nullptr;  // GetWindow of the in-place site
    RECT position{};            // GetWindowContext's position and clip rectangles
    RECT clip{};
    OLEINPLACEFRAMEINFO frameInfo{};
    bool frameGiven = false;     // GetWindowContext returned a frame
    bool documentGiven = false;  // ... and a document window
    HWND frameWindow = nullptr;  // GetWindow of the frame
    LONG left = 0;
    LONG top = 0;
    LONG width = 0;
    LONG height = 0;
    std::string address;  // the last address navigated to; empty: none
    bool contained = false;
    bool closed = false;
    DWORD closeOption = 0;
    ULONG referenceCount = 0;
    bool destroyed = false;
};

// Creates a control for OleCreate: reference count 1, the interface `iid` in *object.
HRESULT Create(REFIID iid, void** object);

// The record of the most recently created control (kept after it dies); null before any.
std::shared_ptr<const Record> Last();
// Every record since the last Reset, oldest first.
std::vector<std::shared_ptr<const Record>> All();
int LiveCount();
// Records OleSetContainedObject on a control (Ole.cpp); false when the object is not a control.
bool NoteContained(IUnknown* object, BOOL contained);
// Forgets the records; live controls keep their own.
void Reset();
}  // namespace PlatformWebBrowser
