#include <gtest/gtest.h>

#include "platform/CharClass.h"

namespace {

TEST(CharClassTest, DigitsAndLettersOfTheAnsiCodePageAreAlphanumericSignsAndControlsAreNot) {
    const struct {
        int code;
        BOOL expected;
    } cases[] = {
        {'0', TRUE},  {'9', TRUE},  {'A', TRUE},  {'Z', TRUE},  {'a', TRUE},  {'z', TRUE},
        {0xC0, TRUE}, {0xE9, TRUE}, {0xFF, TRUE}, {0xB5, TRUE}, {0xAA, TRUE},  // À é ÿ µ ª
        {0, FALSE},   {8, FALSE},   {' ', FALSE}, {'_', FALSE}, {'/', FALSE}, {':', FALSE},
        {'@', FALSE}, {'[', FALSE}, {'`', FALSE}, {'{', FALSE}, {0x7F, FALSE},
        {0xA8, FALSE}, {0xB8, FALSE}, {0xD7, FALSE}, {0xF7, FALSE},  // ¨ ¸ × ÷
    };
    for (const auto& c : cases) EXPECT_EQ(IsCharAlphaNumericA(static_cast<CHAR>(c.code)), c.expected) << c.code;
}

}  // namespace
