#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "interface/KeyNames.h"
#include "platform/DirectInputKeys.h"

TEST(KeyNamesTest, HundredEighteenCodesAreNamedAndTheRestAreUndefined) {
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

TEST(KeyNamesTest, NamesOfScanCodes) {
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

TEST(KeyNamesTest, EveryScanCodeHasItsNameByNumber) {
    // Written by number, not through the DIK_ constants, so a wrong constant shows here too.
    struct Named {
        int code;
        const char* name;
    };
    const Named named[] = {
        {0x01, "Esc"}, {0x02, "1"}, {0x03, "2"}, {0x04, "3"}, {0x05, "4"}, {0x06, "5"}, {0x07, "6"}, {0x08, "7"},
        {0x09, "8"}, {0x0A, "9"}, {0x0B, "0"}, {0x0C, "-"}, {0x0D, "="}, {0x0E, "Backspace"}, {0x0F, "Tab"},
        {0x10, "Q"}, {0x11, "W"}, {0x12, "E"}, {0x13, "R"}, {0x14, "T"}, {0x15, "Y"}, {0x16, "U"}, {0x17, "I"},
        {0x18, "O"}, {0x19, "P"}, {0x1A, "["}, {0x1B, "]"}, {0x1C, "Enter"}, {0x1D, "LCtrl"}, {0x1E, "A"}, {0x1F, "S"},
        {0x20, "D"}, {0x21, "F"}, {0x22, "G"}, {0x23, "H"}, {0x24, "J"}, {0x25, "K"}, {0x26, "L"}, {0x27, ";"},
        {0x28, "'"}, {0x29, "`"}, {0x2A, "LShift"}, {0x2B, "\\"}, {0x2C, "Z"}, {0x2D, "X"}, {0x2E, "C"}, {0x2F, "V"},
        {0x30, "B"}, {0x31, "N"}, {0x32, "M"}, {0x33, ","}, {0x34, "."}, {0x35, "/"}, {0x36, "RShift"}, {0x37, "*"},
        {0x38, "LAlt"}, {0x39, "Space"}, {0x3A, "CapsLock"}, {0x3B, "F1"}, {0x3C, "F2"}, {0x3D, "F3"}, {0x3E, "F4"},
        {0x3F, "F5"}, {0x40, "F6"}, {0x41, "F7"}, {0x42, "F8"}, {0x43, "F9"}, {0x44, "F10"}, {0x45, "NumLock"},
        {0x46, "ScrollLock"}, {0x47, "NumPad 7"}, {0x48, "NumPad 8"}, {0x49, "NumPad 9"}, {0x4A, "NumPad -"},
        {0x4B, "NumPad 4"}, {0x4C, "NumPad 5"}, {0x4D, "NumPad 6"}, {0x4E, "NumPad +"}, {0x4F, "NumPad 1"},
        {0x50, "NumPad 2"}, {0x51, "NumPad 3"}, {0x52, "NumPad 0"}, {0x53, "NumPad ."}, {0x57, "F11"}, {0x58, "F12"},
        {0x64, "F13"}, {0x65, "F14"}, {0x66, "F15"}, {0x70, "Kana"}, {0x79, "Convert"}, {0x7B, "NoConvert"},
        {0x7D, "Yen"}, {0x8D, "Numpad ="}, {0x90, "CircumFlex"}, {0x91, "@"}, {0x92, ":"}, {0x93, "_"}, {0x94, "Kanji"},
        {0x95, "Stop"}, {0x96, "Ax"}, {0x97, "Unlabeled"}, {0x9C, "NumPad Enter"}, {0x9D, "RCtrl"}, {0xB3, "Numpad ,"},
        {0xB5, "Numpad /"}, {0xB7, "SysRq"}, {0xB8, "RAlt"}, {0xC5, "Pause"}, {0xC7, "Home"}, {0xC8, "Up"},
        {0xC9, "PgUp"}, {0xCB, "Left"}, {0xCD, "Right"}, {0xCF, "End"}, {0xD0, "Down"}, {0xD1, "PgDn"}, {0xD2, "Ins"},
        {0xD3, "Del"},
    };
    std::map<int, std::string> expected;
    for (const Named& entry : named) expected[entry.code] = entry.name;
    ASSERT_EQ(expected.size(), 118u);
    for (int code = 0; code < kKeyNameCount; ++code) {
        const auto found = expected.find(code);
        const char* name = found == expected.end() ? "undefined key" : found->second.c_str();
        EXPECT_STREQ(gKeyNames[static_cast<size_t>(code)], name) << std::hex << code;
    }
}

TEST(KeyNamesTest, CodesPastTheTableAreUndefinedInsteadOfReadBeyondIt) {
    // A keyboard state has 256 codes; the names stop at 0xD3.
    for (int code : {-1, 0xD4, 0xDB, 0xFF, 0x100, 100000}) EXPECT_STREQ(GetKeyName(code), "undefined key") << code;
}

TEST(KeyNamesTest, FindKeyCodeMatchesExactly) {
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
