#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "interface/ActionsFile.h"

namespace {
std::vector<ActionLine> Parse(const std::string& text) {
    return ParseActionLines(text.data(), static_cast<uint32_t>(text.size()));
}

void ExpectLine(const ActionLine& line, const char* action, const char* second, const char* key, bool numeric) {
    EXPECT_EQ(line.action, action);
    EXPECT_EQ(line.secondName, second);
    EXPECT_EQ(line.keyText, key);
    EXPECT_EQ(line.numeric, numeric) << action;
}
}  // namespace

TEST(ActionsFileTest, ReadsFourFieldsPerMeaningfulLine) {
    const std::vector<ActionLine> lines = Parse(
        "// the player's controls\r\n"
        "Fire;fire_label;LCtrl;false\r\n"
        "\r\n"
        "/* old bindings\r\n"
        "Brake;b;S;false\r\n"
        "*/\r\n"
        "  Gear ; gear_label ; 5 ; true  \r\n"
        "Jump;jump_label\n"
        "Horn;h;H;TRUE;extra;fields\n"
        "\"Look; back\";\"say \"\"hi\"\"\";Space;false");
    ASSERT_EQ(lines.size(), 5u);
    ExpectLine(lines[0], "Fire", "fire_label", "LCtrl", false);
    ExpectLine(lines[1], "Gear", "gear_label", "5", true);
    ExpectLine(lines[2], "Jump", "jump_label", "", false);  // missing fields are empty, "" is not "true"
    ExpectLine(lines[3], "Horn", "h", "H", false);          // only the exact "true" is numeric
    ExpectLine(lines[4], "Look; back", "say \"hi\"", "Space", false);
}

TEST(ActionsFileTest, WritesTheLineAsFormatted) {
    EXPECT_EQ(FormatActionLine({"Fire", "fire_label", "LCtrl", false}), "Fire;fire_label;LCtrl;false\r\n");
    EXPECT_EQ(FormatActionLine({"Gear", "gear_label", "5", true}), "Gear;gear_label;5;true\r\n");
    EXPECT_EQ(FormatActionLine({"", "", "", false}), ";;;false\r\n");
    EXPECT_EQ(FormatActionLine({"Look; back", "say \"hi\"", ";", false}),
              "\"Look; back\";\"say \"\"hi\"\"\";\";\";false\r\n");
}

TEST(ActionsFileTest, EveryFieldReadsBackAsWritten) {
    // Plain "%s" lines would split a name holding ";" and lose the rest of the line.
    const std::vector<ActionLine> records = {
        {"Fire", "fire_label", "LCtrl", false},
        {"a;b", "c\"d", "\\", false},
        {"\"", "\"\"", ";", true},
        {"x", " ", "NumPad Enter", false},
        {std::string(10000, 'n'), std::string(5000, 's') + ";" + std::string(5000, 't'), "Space", false},
    };
    std::string text;
    for (const ActionLine& record : records) text += FormatActionLine(record);
    const std::vector<ActionLine> read = Parse(text);
    ASSERT_EQ(read.size(), records.size());
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(read[i].action, records[i].action) << i;
        EXPECT_EQ(read[i].secondName, records[i].secondName) << i;
        EXPECT_EQ(read[i].keyText, records[i].keyText) << i;
        EXPECT_EQ(read[i].numeric, records[i].numeric) << i;
    }
}

TEST(ActionsFileTest, ZeroBytesAndUnfinishedQuotesEndSafely) {
    const char raw[] = "A;a;Q;false\0B;b;W;false\n\"C;c;E;false";
    const std::string text(raw, sizeof raw - 1);
    const std::vector<ActionLine> lines = Parse(text);
    ASSERT_EQ(lines.size(), 3u);
    ExpectLine(lines[0], "A", "a", "Q", false);
    ExpectLine(lines[1], "B", "b", "W", false);
    ExpectLine(lines[2], "C;c;E;false", "", "", false);  // the quoted run reaches the end of the line
    EXPECT_TRUE(Parse("").empty());
    EXPECT_TRUE(ParseActionLines(nullptr, 10).empty());
}
