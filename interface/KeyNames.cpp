#include "interface/KeyNames.h"

#include <cstdint>

#include "platform/DirectInputKeys.h"

namespace {
constexpr std::array<const char*, kKeyNameCount> BuildKeyNames() {
    std::array<const char*, kKeyNameCount> names{};
    names.fill(kUndefinedKeyName);
    struct Entry {
        uint8_t code;
        const char* name;
    };
    constexpr Entry kNamed[] = {
        {DIK_ESCAPE, "Esc"},
        {DIK_1, "1"},
        {DIK_2, "2"},
        {DIK_3, "3"},
        {DIK_4, "4"},
        {DIK_5, "5"},
        {DIK_6, "6"},
        {DIK_7, "7"},
        {DIK_8, "8"},
        {DIK_9, "9"},
        {DIK_0, "0"},
        {DIK_MINUS, "-"},
        {DIK_EQUALS, "="},
        {DIK_BACK, "Backspace"},
        {DIK_TAB, "Tab"},
        {DIK_Q, "Q"},
        {DIK_W, "W"},
        {DIK_E, "E"},
        {DIK_R, "R"},
        {DIK_T, "T"},
        {DIK_Y, "Y"},
        {DIK_U, "U"},
        {DIK_I, "I"},
        {DIK_O, "O"},
        {DIK_P, "P"},
        {DIK_LBRACKET, "["},
        {DIK_RBRACKET, "]"},
        {DIK_RETURN, "Enter"},
        {DIK_LCONTROL, "LCtrl"},
        {DIK_A, "A"},
        {DIK_S, "S"},
        {DIK_D, "D"},
        {DIK_F, "F"},
        {DIK_G, "G"},
        {DIK_H, "H"},
        {DIK_J, "J"},
        {DIK_K, "K"},
        {DIK_L, "L"},
        {DIK_SEMICOLON, ";"},
        {DIK_APOSTROPHE, "'"},
        {DIK_GRAVE, "`"},
        {DIK_LSHIFT, "LShift"},
        {DIK_BACKSLASH, "\\"},
        {DIK_Z, "Z"},
        {DIK_X, "X"},
        {DIK_C, "C"},
        {DIK_V, "V"},
        {DIK_B, "B"},
        {DIK_N, "N"},
        {DIK_M, "M"},
        {DIK_COMMA, ","},
        {DIK_PERIOD, "."},
        {DIK_SLASH, "/"},
        {DIK_RSHIFT, "RShift"},
        {DIK_MULTIPLY, "*"},
        {DIK_LMENU, "LAlt"},
        {DIK_SPACE, "Space"},
        {DIK_CAPITAL, "CapsLock"},
        {DIK_F1, "F1"},
        {DIK_F2, "F2"},
        {DIK_F3, "F3"},
        {DIK_F4, "F4"},
        {DIK_F5, "F5"},
        {DIK_F6, "F6"},
        {DIK_F7, "F7"},
        {DIK_F8, "F8"},
        {DIK_F9, "F9"},
        {DIK_F10, "F10"},
        {DIK_NUMLOCK, "NumLock"},
        {DIK_SCROLL, "ScrollLock"},
        {DIK_NUMPAD7, "NumPad 7"},
        {DIK_NUMPAD8, "NumPad 8"},
        {DIK_NUMPAD9, "NumPad 9"},
        {DIK_SUBTRACT, "NumPad -"},
        {DIK_NUMPAD4, "NumPad 4"},
        {DIK_NUMPAD5, "NumPad 5"},
        {DIK_NUMPAD6, "NumPad 6"},
        {DIK_ADD, "NumPad +"},
        {DIK_NUMPAD1, "NumPad 1"},
        {DIK_NUMPAD2, "NumPad 2"},
        {DIK_NUMPAD3, "NumPad 3"},
        {DIK_NUMPAD0, "NumPad 0"},
        {DIK_DECIMAL, "NumPad ."},
        {DIK_F11, "F11"},
        {DIK_F12, "F12"},
        {DIK_F13, "F13"},
        {DIK_F14, "F14"},
        {DIK_F15, "F15"},
        {DIK_KANA, "Kana"},
        {DIK_CONVERT, "Convert"},
        {DIK_NOCONVERT, "NoConvert"},
        {DIK_YEN, "Yen"},
        {DIK_NUMPADEQUALS, "Numpad ="},
        {DIK_CIRCUMFLEX, "CircumFlex"},
        {DIK_AT, "@"},
        {DIK_COLON, ":"},
        {DIK_UNDERLINE, "_"},
        {DIK_KANJI, "Kanji"},
        {DIK_STOP, "Stop"},
        {DIK_AX, "Ax"},
        {DIK_UNLABELED, "Unlabeled"},
        {DIK_NUMPADENTER, "NumPad Enter"},
        {DIK_RCONTROL, "RCtrl"},
        {DIK_NUMPADCOMMA, "Numpad ,"},
        {DIK_DIVIDE, "Numpad /"},
        {DIK_SYSRQ, "SysRq"},
        {DIK_RMENU, "RAlt"},
        {DIK_PAUSE, "Pause"},
        {DIK_HOME, "Home"},
        {DIK_UP, "Up"},
        {DIK_PRIOR, "PgUp"},
        {DIK_LEFT, "Left"},
        {DIK_RIGHT, "Right"},
        {DIK_END, "End"},
        {DIK_DOWN, "Down"},
        {DIK_NEXT, "PgDn"},
        {DIK_INSERT, "Ins"},
        {DIK_DELETE, "Del"},
    };
    for (const Entry& entry : kNamed) names[entry.code] = entry.name;
    return names;
}
}  // namespace

constinit const std::array<const char*, kKeyNameCount> gKeyNames = BuildKeyNames();

const char* GetKeyName(int code) {
    if (code < 0 || code >= kKeyNameCount) return kUndefinedKeyName;
    return gKeyNames[static_cast<size_t>(code)];
}

int FindKeyCode(std::string_view name) {
    for (int code = 0; code < kKeyNameCount; ++code)
        if (name == gKeyNames[static_cast<size_t>(code)]) return code;
    return -1;
}
