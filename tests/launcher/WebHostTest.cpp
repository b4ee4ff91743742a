#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "launcher/CPWebHost.h"
#include "platform/DialogInput.h"
#include "platform/Dialogs.h"
#include "platform/OleAutomation.h"
#include "platform/PlatformFaults.h"
#include "platform/WebBrowser.h"
#include "support/DialogScript.h"
#include "support/PlatformReset.h"
#include "support/ScopedGlobal.h"

namespace {
INT_PTR QuietProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG ? TRUE : FALSE; }

// Runs `body` with the launcher dialog's web-view placeholder while that dialog is open, OLE started.
void WithPlaceholder(const std::function<void(HWND dialog, HWND placeholder)>& body) {
    DialogScript script;
    script.Inspect([&body](HWND dialog) { body(dialog, GetDlgItem(dialog, IDC_WEB_VIEW)); });
    ASSERT_EQ(OleInitialize(nullptr), S_OK);
    DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_LAUNCHER), nullptr, QuietProc, 0);
    OleUninitialize();
}

class CountingHost : public CPWebHost {
public:
    explicit CountingHost(int& deaths) : mDeaths(deaths) {}
    ~CountingHost() override { ++mDeaths; }

private:
    int& mDeaths;
};

class WebHostTest : public ::testing::Test {
protected:
    ScopedGlobal<std::string> pageUrl{gWebPageUrl, "https://news.example.org/splash/varnoquelroadchaser2/pads.php"};
    PlatformReset platform;
};
}  // namespace

TEST_F(WebHostTest, EmbedsTheBrowserOverThePlaceholderAndNavigates) {
    int strings = PlatformAutomation::LiveStringCount();
    WithPlaceholder([&](HWND dialog, HWND placeholder) {
        CPWebHost* host = CreateWebHost();
        EXPECT_EQ(host->ReferenceCount(), 1);
        EXPECT_EQ(host->Browser(), nullptr);
        host->EmbedBrowser(placeholder);
        ASSERT_NE(host->Browser(), nullptr);
        EXPECT_EQ(host->ReferenceCount(), 1);  // the control's site calls counted nothing

        auto record = PlatformWebBrowser::Last();
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->hostApplication, "Web Host");
        EXPECT_EQ(record->hostObject, "Web View");
        EXPECT_TRUE(record->contained);
        EXPECT_EQ(record->verb, OLEIVERB_SHOW);
        EXPECT_EQ(record->verbIndex, -1);
        EXPECT_EQ(record->verbParent, placeholder);
        // Edges at 7..436 x 7..305 dialog units map to 11..654 x 11..496 pixels: 643 x 485, origin 0, 0.
        const RECT client{0, 0, 643, 485};
        for (const RECT& r : {record->verbPosition, record->position, record->clip}) {
            EXPECT_EQ(r.left, client.left);
            EXPECT_EQ(r.top, client.top);
            EXPECT_EQ(r.right, client.right);
            EXPECT_EQ(r.bottom, client.bottom);
        }
        EXPECT_EQ(record->siteWindow, placeholder);
        EXPECT_TRUE(record->frameGiven);
        EXPECT_FALSE(record->documentGiven);
        EXPECT_EQ(record->frameWindow, placeholder);
        EXPECT_EQ(record->frameInfo.fMDIApp, FALSE);
        EXPECT_EQ(record->frameInfo.hwndFrame, placeholder);
        EXPECT_EQ(record->frameInfo.haccel, nullptr);
        EXPECT_EQ(record->frameInfo.cAccelEntries, 0u);
        EXPECT_EQ(record->left, 0);
        EXPECT_EQ(record->top, 0);
        EXPECT_EQ(record->width, 643);
        EXPECT_EQ(record->height, 485);
        EXPECT_EQ(record->address, gWebPageUrl);
        EXPECT_NE(DescribeDialog(dialog).find("  web view: " + gWebPageUrl + "\n"), std::string::npos);
        EXPECT_EQ(record->referenceCount, 1u);  // only the host's reference is left

        host->CloseBrowser();
        EXPECT_TRUE(record->closed);
        EXPECT_EQ(record->closeOption, OLECLOSE_NOSAVE);
        EXPECT_TRUE(record->destroyed);
        EXPECT_EQ(DescribeDialog(dialog).find("web view"), std::string::npos);
        EXPECT_EQ(host->Release(), 0);
    });
    EXPECT_EQ(PlatformWebBrowser::LiveCount(), 0);
    EXPECT_EQ(PlatformAutomation::LiveStringCount(), strings);  // the address variant was cleared
}

TEST_F(WebHostTest, SiteInterfacesAnswerQueriesAndNullTheirOutPointers) {
    CPWebHost* host = CreateWebHost();
    IOleClientSite* client = host->ClientSite();
    IOleInPlaceSite* inPlace = host->InPlaceSite();
    const IID other = {0xCAFE, 0, 0, {0, 0, 0, 0, 0, 0, 0, 9}};
    struct Case {
        const char* name;
        IUnknown* asked;
        const IID* iid;
        HRESULT result;
        void* expected;
    };
    const Case cases[] = {
        {"client for IUnknown", client, &IID_IUnknown, S_OK, static_cast<IOleClientSite*>(client)},
        {"client for itself", client, &IID_IOleClientSite, S_OK, static_cast<IOleClientSite*>(client)},
        {"client for in-place site", client, &IID_IOleInPlaceSite, S_OK, static_cast<IOleInPlaceSite*>(inPlace)},
        {"client for anything else", client, &other, E_NOINTERFACE, nullptr},
        {"in-place for itself", inPlace, &IID_IOleInPlaceSite, S_OK, static_cast<IOleInPlaceSite*>(inPlace)},
        {"in-place for client site", inPlace, &IID_IOleClientSite, S_OK, static_cast<IOleClientSite*>(client)},
        {"in-place for storage", inPlace, &IID_IStorage, E_NOINTERFACE, nullptr},
        {"frame", host->InPlaceFrame(), &IID_IOleInPlaceFrame, E_NOTIMPL, nullptr},
        {"storage", host->Storage(), &IID_IStorage, E_NOTIMPL, nullptr},
    };
    for (const Case& c : cases) {
        void* out = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(c.asked->QueryInterface(*c.iid, &out), c.result) << c.name;
        EXPECT_EQ(out, c.expected) << c.name;
    }
    IOleContainer* container = reinterpret_cast<IOleContainer*>(0x1);
    EXPECT_EQ(client->GetContainer(&container), E_NOINTERFACE);
    EXPECT_EQ(container, nullptr);
    IMoniker* moniker = reinterpret_cast<IMoniker*>(0x1);
    EXPECT_EQ(client->GetMoniker(0, 0, &moniker), E_NOTIMPL);
    EXPECT_EQ(moniker, nullptr);
    IStream* stream = reinterpret_cast<IStream*>(0x1);
    EXPECT_EQ(host->Storage()->OpenStream(u"x", nullptr, 0, 0, &stream), E_NOTIMPL);
    EXPECT_EQ(stream, nullptr);
    EXPECT_EQ(host->Release(), 0);
}

TEST_F(WebHostTest, FixedAnswersOfTheSites) {
    int deaths = 0;
    CPWebHost* host = new CountingHost(deaths);
    IOleClientSite* client = host->ClientSite();
    IOleInPlaceSite* inPlace = host->InPlaceSite();
    IOleInPlaceFrame* frame = host->InPlaceFrame();
    IStorage* storage = host->Storage();
    struct Case {
        const char* name;
        HRESULT result;
        HRESULT expected;
    };
    const CLSID anyClass = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    const Case cases[] = {
        {"SaveObject", client->SaveObject(), E_NOTIMPL},
        {"ShowObject", client->ShowObject(), S_OK},
        {"OnShowWindow", client->OnShowWindow(TRUE), E_NOTIMPL},
        {"RequestNewObjectLayout", client->RequestNewObjectLayout(), E_NOTIMPL},
        {"site ContextSensitiveHelp", inPlace->ContextSensitiveHelp(TRUE), E_NOTIMPL},
        {"CanInPlaceActivate", inPlace->CanInPlaceActivate(), S_OK},
        {"OnInPlaceActivate", inPlace->OnInPlaceActivate(), S_OK},
        {"OnUIActivate", inPlace->OnUIActivate(), S_OK},
        {"Scroll", inPlace->Scroll({1, 1}), E_NOTIMPL},
        {"OnUIDeactivate", inPlace->OnUIDeactivate(FALSE), S_OK},
        {"OnInPlaceDeactivate", inPlace->OnInPlaceDeactivate(), S_OK},
        {"DiscardUndoState", inPlace->DiscardUndoState(), E_NOTIMPL},
        {"DeactivateAndUndo", inPlace->DeactivateAndUndo(), E_NOTIMPL},
        {"OnPosRectChange", inPlace->OnPosRectChange(nullptr), S_OK},
        {"frame ContextSensitiveHelp", frame->ContextSensitiveHelp(TRUE), E_NOTIMPL},
        {"GetBorder", frame->GetBorder(nullptr), E_NOTIMPL},
        {"RequestBorderSpace", frame->RequestBorderSpace(nullptr), E_NOTIMPL},
        {"SetBorderSpace", frame->SetBorderSpace(nullptr), E_NOTIMPL},
        {"SetActiveObject", frame->SetActiveObject(nullptr, nullptr), S_OK},
        {"InsertMenus", frame->InsertMenus(nullptr, nullptr), E_NOTIMPL},
        {"SetMenu", frame->SetMenu(nullptr, nullptr, nullptr), S_OK},
        {"RemoveMenus", frame->RemoveMenus(nullptr), E_NOTIMPL},
        {"SetStatusText", frame->SetStatusText(u"x"), S_OK},
        {"EnableModeless", frame->EnableModeless(TRUE), S_OK},
        {"TranslateAccelerator", frame->TranslateAccelerator(nullptr, 0), E_NOTIMPL},
        {"SetClass", storage->SetClass(anyClass), S_OK},
        {"Commit", storage->Commit(0), E_NOTIMPL},
        {"Revert", storage->Revert(), E_NOTIMPL},
        {"DestroyElement", storage->DestroyElement(u"x"), E_NOTIMPL},
        {"Stat", storage->Stat(nullptr, 0), E_NOTIMPL},
    };
    for (const Case& c : cases) EXPECT_EQ(c.result, c.expected) << c.name;

    // The sites count nothing: their AddRef and Release answer 1 and leave the host alone.
    for (IUnknown* site : std::initializer_list<IUnknown*>{client, inPlace, frame, storage}) {
        EXPECT_EQ(site->AddRef(), 1u);
        EXPECT_EQ(site->Release(), 1u);
        EXPECT_EQ(site->Release(), 1u);
    }
    EXPECT_EQ(host->ReferenceCount(), 1);
    EXPECT_EQ(host->AddRef(), 1);  // the count before the increment
    EXPECT_EQ(host->Release(), 1);
    EXPECT_EQ(deaths, 0);
    EXPECT_EQ(host->Release(), 0);
    EXPECT_EQ(deaths, 1);
}

TEST_F(WebHostTest, FailedCreationLeavesAnEmptyViewThatShutsDownSafely) {
    PlatformFaults::Arm("OleCreate", E_OUTOFMEMORY);
    int deaths = 0;
    WithPlaceholder([&](HWND dialog, HWND placeholder) {
        CPWebHost* host = new CountingHost(deaths);
        host->EmbedBrowser(placeholder);
        EXPECT_EQ(host->Browser(), nullptr);
        EXPECT_EQ(host->Window(), placeholder);
        EXPECT_EQ(DescribeDialog(dialog).find("web view"), std::string::npos);
        host->CloseBrowser();  // nothing to close
        EXPECT_EQ(host->Release(), 0);
    });
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(PlatformWebBrowser::LiveCount(), 0);
    EXPECT_EQ(PlatformWebBrowser::Last(), nullptr);
}

TEST_F(WebHostTest, RefusedAutomationInterfaceSkipsSizingAndNavigation) {
    PlatformFaults::Arm("WebBrowser::QueryInterface(IWebBrowser2)", E_NOINTERFACE);
    WithPlaceholder([&](HWND, HWND placeholder) {
        CPWebHost* host = CreateWebHost();
        host->EmbedBrowser(placeholder);
        ASSERT_NE(host->Browser(), nullptr);
        auto record = PlatformWebBrowser::Last();
        for (const std::string& call : record->calls) {
            EXPECT_TRUE(call.rfind("put_", 0) != 0 && call != "Navigate2") << call;
        }
        EXPECT_EQ(record->address, "");
        host->CloseBrowser();
        host->Release();
    });
    EXPECT_EQ(PlatformWebBrowser::LiveCount(), 0);
}

TEST_F(WebHostTest, CommandsCloseOrEmbedAgain) {
    WithPlaceholder([&](HWND, HWND placeholder) {
        CPWebHost* host = CreateWebHost();
        host->EmbedBrowser(placeholder);
        auto first = PlatformWebBrowser::Last();
        EXPECT_EQ(host->OnCommand(1, 0, 0, 0), 1);  // embeds again, with no window
        EXPECT_TRUE(first->destroyed);              // the first control was closed, not leaked
        EXPECT_EQ(PlatformWebBrowser::LiveCount(), 1);
        EXPECT_EQ(host->Window(), nullptr);
        EXPECT_EQ(host->OnCommand(7, 0, 0, 0), 0);
        EXPECT_EQ(PlatformWindows::LastQuitCode(), -1);
        EXPECT_EQ(host->OnCommand(2, 0, 0, 0), 1);
        EXPECT_EQ(host->Browser(), nullptr);
        EXPECT_EQ(PlatformWebBrowser::LiveCount(), 0);
        EXPECT_EQ(PlatformWindows::LastQuitCode(), 0);
        EXPECT_EQ(host->OnCommand(2, 0, 0, 0), 1);  // again: nothing left to close
        EXPECT_EQ(host->Release(), 0);
    });
}
