#include <gtest/gtest.h>

#include <set>
#include <string>

#include "interface/KeyNames.h"
#include "platform/DirectInputKeys.h"

TEST(KeyNames, HundredEighteenCodesAreNamedAndTheRestAreUndefined) {
    int named = 0;
    std::set<std::string> distinct;
    for (const char* name : gKeyNames) {
        ASSERT_NE(name, nullptr);
        if (std::string(name) == kUndefinedKeyName) continue;
        ++named;
        distinct.insert(name);
    }
    EXPECT_EQ(named, 118);
    EXPECT_EQ(distinct.size(), 118u) << "every key has a name of its own, so a name finds its code";
    EXPECT_STREQ(gKeyNames[0x00], "undefined key");
}

TEST(KeyNames, NamesOfScanCodes) {
    struct Case {
        int code;
        const char* name;
    };
    for (Case c : {Case{0x39, "Space"}, Case{0x54, "undefined key"}, Case{DIK_ESCAPE, "Esc"}, Case{DIK_0, "0"},
                   Case{DIK_GRAVE, "`"}, Case{DIK_BACKSLASH, "\\"}, Case{DIK_LCONTROL, "LCtrl"},
                   Case{DIK_DECIMAL, "NumPad ."}, Case{0x55, "undefined key"}, Case{DIK_F12, "F12"},
                   Case{DIK_F13, "F13"}, Case{DIK_NUMPADEQUALS, "Numpad ="}, Case{DIK_CIRCUMFLEX, "CircumFlex"},
                   Case{DIK_NUMPADENTER, "NumPad Enter"}, Case{DIK_DIVIDE, "Numpad /"}, Case{DIK_RMENU, "RAlt"},
                   Case{DIK_PRIOR, "PgUp"}, Case{DIK_NEXT, "PgDn"}, Case{0xCA, "undefined key"},
                   Case{DIK_DELETE, "Del"}}) {
        EXPECT_STREQ(GetKeyName(c.code), c.name) << c.code;
        EXPECT_STREQ(gKeyNames[static_cast<size_t>(c.code)], c.name) << c.code;
    }
}

TEST(KeyNames, CodesPastTheTableAreUndefinedInsteadOfReadBeyondIt) {
    // A keyboard state has 256 codes; the names stop at 0xD3.
    for (int code : {-1, 0xD4, 0xDB, 0xFF, 0x100, 100000}) EXPECT_STREQ(GetKeyName(code), "undefined key") << code;
}

TEST(KeyNames, FindKeyCodeMatchesExactly) {
    struct Case {
        const char* name;
        int code;
    };
    for (Case c : {Case{"Space", DIK_SPACE}, Case{"LCtrl", DIK_LCONTROL}, Case{"Del", DIK_DELETE},
                   Case{"5", DIK_5}, Case{"`", DIK_GRAVE}, Case{"undefined key", 0}, Case{"space", -1},
                   Case{"SPACE", -1}, Case{" Space", -1}, Case{"", -1}, Case{"Mouse1", -1}}) {
        EXPECT_EQ(FindKeyCode(c.name), c.code) << c.name;
    }
    for (int code = 1; code < kKeyNameCount; ++code) {
        const char* name = gKeyNames[static_cast<size_t>(code)];
        if (std::string(name) != kUndefinedKeyName) {
            EXPECT_EQ(FindKeyCode(name), code) << name;
        }
    }
}
