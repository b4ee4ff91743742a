#include <gtest/gtest.h>

#include <tinyxml.h>

#include <cstdint>
#include <string>

#include "core/files/XmlAttributes.h"

// One attribute text per case: what a float field and an int32 field (starting at 7 and 7) keep.
TEST(XmlAttributesTest, OnlyFiniteNumbersWithinTheFieldsRangeAreTaken) {
    struct Case {
        const char* text;
        bool floatTaken;
        float floatValue;
        bool intTaken;
        int32_t intValue;
    };
    const Case cases[] = {
        {"2.5", true, 2.5f, true, 2},
        {"-2.5", true, -2.5f, true, -2},
        {"0", true, 0.0f, true, 0},
        {"nan", false, 7.0f, false, 7},
        {"-nan", false, 7.0f, false, 7},
        {"inf", false, 7.0f, false, 7},
        {"-inf", false, 7.0f, false, 7},
        {"1e400", false, 7.0f, false, 7},      // beyond a double: infinite
        {"1e39", false, 7.0f, false, 7},       // beyond a float and an int32
        {"3e9", true, 3e9f, false, 7},         // a float, beyond an int32
        {"2147483647.9", true, 2147483647.9f, true, 2147483647},
        {"-2147483648.9", true, -2147483648.9f, true, INT32_MIN},
        {"2147483648", true, 2147483648.0f, false, 7},
        {"fast", false, 7.0f, false, 7},
        {"", false, 7.0f, false, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\"");
        TiXmlElement element("camera");
        element.SetAttribute("value", c.text);
        float asFloat = 7.0f;
        int32_t asInt = 7;
        EXPECT_EQ(ReadFloatAttribute(&element, "value", asFloat), c.floatTaken);
        EXPECT_EQ(asFloat, c.floatValue);
        EXPECT_EQ(ReadIntAttribute(&element, "value", asInt), c.intTaken);
        EXPECT_EQ(asInt, c.intValue);
    }
}

TEST(XmlAttributesTest, AMissingAttributeOrElementKeepsTheField) {
    TiXmlElement element("camera");
    float asFloat = 7.0f;
    int32_t asInt = 7;
    EXPECT_FALSE(ReadFloatAttribute(&element, "distance", asFloat));
    EXPECT_FALSE(ReadIntAttribute(&element, "min", asInt));
    EXPECT_FALSE(ReadFloatAttribute(nullptr, "distance", asFloat));
    EXPECT_FALSE(ReadIntAttribute(nullptr, "min", asInt));
    EXPECT_EQ(asFloat, 7.0f);
    EXPECT_EQ(asInt, 7);
}
