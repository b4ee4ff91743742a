#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "core/StringUtils.h"

TEST(StringUtilsTest, IsSpaceOnlyForBlankTabCrLf) {
    for (int c = 0; c < 256; ++c) {
        const bool expected = c == ' ' || c == '\t' || c == '\r' || c == '\n';
        EXPECT_EQ(IsSpace(static_cast<unsigned char>(c)), expected) << c;
    }
}

TEST(StringUtilsTest, TrimsBothEnds) {
    struct Case {
        std::string in, out;
    };
    for (const Case& c : {Case{" \t\r\n", ""}, Case{"", ""}, Case{"  a b  ", "a b"}, Case{"\r\nx\r\n", "x"},
                          Case{"\va\f", "\va\f"}, Case{"x", "x"}}) {
        std::string text = c.in;
        EXPECT_EQ(&Trim(text), &text);
        EXPECT_EQ(text, c.out) << '[' << c.in << ']';
    }
}

TEST(StringUtilsTest, NumberCharacterTests) {
    struct Case {
        const char* text;
        bool isFloat, isInt;
    };
    for (Case c : {Case{"12.5", true, false}, Case{"-3", true, true}, Case{"1e5", false, false}, Case{"", true, true},
                   Case{"1-.2", true, false}, Case{" 1", false, false}, Case{"+1", false, false},
                   Case{"\xb9", false, false}}) {
        EXPECT_EQ(IsFloatText(c.text), c.isFloat) << c.text;
        EXPECT_EQ(IsIntText(c.text), c.isInt) << c.text;
    }
}

TEST(StringUtilsTest, CaseConversionChangesOnlyAsciiLetters) {
    // Bytes above 0x7F pass unchanged, also under a process locale that would map them.
    std::setlocale(LC_ALL, "C.UTF-8");
    std::string text = "Data\\Saves\\Sav\xc9\xe9-0_Z@[`{.SAV";
    EXPECT_EQ(ToLower(text), "data\\saves\\sav\xc9\xe9-0_z@[`{.sav");
    EXPECT_EQ(ToUpper(text), "DATA\\SAVES\\SAV\xc9\xe9-0_Z@[`{.SAV");
    std::setlocale(LC_ALL, "C");
}
