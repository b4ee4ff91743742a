#include <gtest/gtest.h>

#include <string>

#include "platform/Com.h"
#include "platform/Ole.h"
#include "platform/OleAutomation.h"
#include "platform/PlatformFaults.h"
#include "platform/WebBrowser.h"
#include "platform/WideText.h"
#include "support/PlatformReset.h"

TEST(WideTextTest, ConvertsByCodePage) {
    struct Case {
        const char* name;
        UINT codePage;
        std::string bytes;
        std::u16string wide;
    };
    const Case cases[] = {
        {"ascii", CP_ACP, "http://x/a.php", u"http://x/a.php"},
        {"ansi byte is its own code point", CP_ACP, "caf\xE9", u"caf\u00E9"},
        {"utf-8 two bytes", CP_UTF8, "caf\xC3\xA9", u"caf\u00E9"},
        {"utf-8 four bytes become a surrogate pair", CP_UTF8, "\xF0\x9F\x98\x80", u"\U0001F600"},
        {"bad utf-8 lead", CP_UTF8, "a\xFFz", u"a\uFFFDz"},
        {"truncated utf-8", CP_UTF8, "a\xE2\x82", u"a\uFFFD\uFFFD"},
        {"overlong slash is no slash", CP_UTF8, "\xC0\xAF", u"\uFFFD\uFFFD"},
        {"overlong three-byte zero", CP_UTF8, "\xE0\x80\x80z", u"\uFFFD\uFFFD\uFFFDz"},
        {"overlong four-byte euro", CP_UTF8, "\xF0\x82\x82\xAC", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"smallest three-byte form", CP_UTF8, "\xE0\xA0\x80", u"\u0800"},
    };
    for (const Case& c : cases) {
        int length = static_cast<int>(c.bytes.size());
        int needed = MultiByteToWideChar(c.codePage, 0, c.bytes.data(), length, nullptr, 0);
        ASSERT_EQ(needed, static_cast<int>(c.wide.size())) << c.name;
        std::u16string out(static_cast<size_t>(needed), u'\0');
        EXPECT_EQ(MultiByteToWideChar(c.codePage, 0, c.bytes.data(), length, out.data(), needed), needed) << c.name;
        EXPECT_EQ(out, c.wide) << c.name;
    }
}

TEST(WideTextTest, TerminatorAndBadArguments) {
    WCHAR out[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0), 4);  // the zero counts
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, out, 8), 4);
    EXPECT_EQ(out[3], 0);
    EXPECT_EQ(out[4], 1);  // nothing written past the count
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, out, 3), 0);  // too small
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, nullptr, -1, out, 8), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 0, out, 8), 0);
    EXPECT_EQ(MultiByteToWideChar(1251, 0, "abc", -1, out, 8), 0);  // no such code page here
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 8), 0);
    EXPECT_EQ(WideToUtf8(u"caf\u00E9 \U0001F600"), "caf\xC3\xA9 \xF0\x9F\x98\x80");
}

TEST(OleAutomationTest, StringsKeepTheirLengthAndVariantsFreeThem) {
    int before = PlatformAutomation::LiveStringCount();
    BSTR text = SysAllocString(u"Web View");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(SysStringLen(text), 8u);
    EXPECT_EQ(std::u16string(text), u"Web View");
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);

    VARIANT variant;
    VariantInit(&variant);
    EXPECT_EQ(variant.vt, VT_EMPTY);
    variant.vt = VT_BSTR;
    variant.bstrVal = text;
    EXPECT_EQ(PlatformAutomation::LiveStringCount(), before + 1);
    EXPECT_EQ(VariantClear(&variant), S_OK);
    EXPECT_EQ(variant.vt, VT_EMPTY);
    EXPECT_EQ(PlatformAutomation::LiveStringCount(), before);
    EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
}

TEST(ComOleTest, InitializationBalances) {
    PlatformReset platform;
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(OleInitialize(nullptr), S_FALSE);  // COM was already started by this thread
    EXPECT_EQ(PlatformOle::InitializeDepth(), 1);
    EXPECT_EQ(PlatformCom::InitializeDepth(), 2);
    OleUninitialize();
    EXPECT_EQ(PlatformCom::InitializeDepth(), 1);
    OleUninitialize();  // nothing left to balance: counted, COM untouched
    EXPECT_EQ(PlatformOle::UnbalancedUninitializeCount(), 1);
    EXPECT_EQ(PlatformCom::InitializeDepth(), 1);
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(PlatformCom::InitializeDepth(), 0);
    EXPECT_EQ(PlatformCom::UnbalancedUninitializeCount(), 1);
}

TEST(ComOleTest, OleCreateFailuresLeaveNoObject) {
    PlatformReset platform;
    struct Case {
        const char* name;
        bool initialized;
        HRESULT injected;
        const CLSID* clsid;
        HRESULT expected;
    };
    const CLSID other = {0x12345678, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
    const Case cases[] = {
        {"before OleInitialize", false, S_OK, &CLSID_WebBrowser, CO_E_NOTINITIALIZED},
        {"injected failure", true, E_OUTOFMEMORY, &CLSID_WebBrowser, E_OUTOFMEMORY},
        {"unknown class", true, S_OK, &other, REGDB_E_CLASSNOTREG},
    };
    for (const Case& c : cases) {
        if (c.initialized) OleInitialize(nullptr);
        if (FAILED(c.injected)) PlatformFaults::Arm("OleCreate", c.injected);
        void* object = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(OleCreate(*c.clsid, IID_IOleObject, OLERENDER_DRAW, nullptr, nullptr, nullptr, &object), c.expected)
            << c.name;
        EXPECT_EQ(object, nullptr) << c.name;
        EXPECT_EQ(PlatformWebBrowser::LiveCount(), 0) << c.name;
        if (c.initialized) OleUninitialize();
    }
}

TEST(ComOleTest, BrowserAnswersItsInterfacesAndDiesOnLastRelease) {
    PlatformReset platform;
    ASSERT_EQ(OleInitialize(nullptr), S_OK);
    IOleObject* browser = nullptr;
    ASSERT_EQ(OleCreate(CLSID_WebBrowser, IID_IOleObject, OLERENDER_DRAW, nullptr, nullptr, nullptr,
                        reinterpret_cast<void**>(&browser)),
              S_OK);
    ASSERT_NE(browser, nullptr);
    auto record = PlatformWebBrowser::Last();
    EXPECT_EQ(record->referenceCount, 1u);

    IWebBrowser2* web = nullptr;
    ASSERT_EQ(browser->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&web)), S_OK);
    void* none = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(browser->QueryInterface(IID_IStorage, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    PlatformFaults::Arm("WebBrowser::QueryInterface(IWebBrowser2)", E_NOINTERFACE);
    IWebBrowser2* refused = reinterpret_cast<IWebBrowser2*>(0x1);
    EXPECT_EQ(browser->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&refused)), E_NOINTERFACE);
    EXPECT_EQ(refused, nullptr);

    VARIANT notAnAddress;
    VariantInit(&notAnAddress);
    EXPECT_EQ(web->Navigate2(&notAnAddress, nullptr, nullptr, nullptr, nullptr), E_INVALIDARG);
    EXPECT_EQ(web->Navigate2(nullptr, nullptr, nullptr, nullptr, nullptr), E_INVALIDARG);
    EXPECT_EQ(record->address, "");

    EXPECT_EQ(web->Release(), 1u);
    EXPECT_EQ(PlatformWebBrowser::LiveCount(), 1);
    EXPECT_EQ(browser->Release(), 0u);
    EXPECT_EQ(PlatformWebBrowser::LiveCount(), 0);
    EXPECT_TRUE(record->destroyed);
    OleUninitialize();
}
