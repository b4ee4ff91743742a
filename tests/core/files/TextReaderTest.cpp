#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/files/CPTextReader.h"

namespace {
struct Line {
    std::string text;
    bool plain;
    bool operator==(const Line&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Line& line) {
    return out << (line.plain ? "" : "section ") << '[' << line.text << ']';
}

std::vector<Line> Lines(const std::string& text) {
    CPTextReader reader(text.data(), static_cast<uint32_t>(text.size()));
    std::vector<Line> out;
    std::string line = "stale";
    while (reader.NextLine(line)) out.push_back({line, reader.IsPlainLine()});
    EXPECT_EQ(line, "");
    return out;
}

struct Case {
    const char* name;
    std::string text;
    std::vector<Line> lines;
};
}  // namespace

TEST(TextReaderTest, HandsOutMeaningfulLines) {
    using namespace std::string_literals;
    const std::vector<Case> cases = {
        {"blank lines and CRLF", "a\r\n\r\n  b  \n", {{"a", true}, {"b", true}}},
        {"tabs trimmed", "\t x y \t\r\n", {{"x y", true}}},
        {"line comment drops the whole line", "x = 1 // note\ny\n", {{"y", true}}},
        {"line comment inside quotes too", "name \"a//b\"\nz", {{"z", true}}},
        {"block over three lines", "/* start\nhidden\nend */\nshown\n", {{"shown", true}}},
        {"text around a block dropped", "a /* x\nb\n*/ c\nd", {{"d", true}}},
        {"block on one line leaves nothing open", "/* a */ b\nc", {{"c", true}}},
        {"closing marker first on one line", "*/ x /*\nc", {{"c", true}}},
        {"stray closing marker", "*/ stray\nc", {{"c", true}}},
        {"line comment never opens a block", "// /*\nc", {{"c", true}}},
        {"line comment never closes a block", "/*\n// */\nhidden\n*/\nc", {{"c", true}}},
        {"unclosed block hides the rest", "a\n/*\nb\nc", {{"a", true}}},
        {"section", "[objects]\nplain\n", {{"objects", false}, {"plain", true}}},
        {"section keeps inner blanks", "[ a ]\n", {{" a ", false}}},
        {"section after trimming CR", "  [s]\r\n", {{"s", false}}},
        {"unbalanced bracket is plain", "[a\n[\n", {{"[a", true}, {"[", true}}},
        {"last line without LF", "a\nb", {{"a", true}, {"b", true}}},
        {"zero byte ends a line", "ab\0cd\nx"s, {{"ab", true}, {"cd", true}, {"x", true}}},
        {"only blank lines", "\n \r\n\t\n", {}},
        {"empty text", "", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(Lines(c.text), c.lines) << c.name;
}

TEST(TextReaderTest, EmptySectionReadsAsTheEnd) {
    const std::string text = "[]\nafter\n";
    CPTextReader reader(text.data(), static_cast<uint32_t>(text.size()));
    EXPECT_FALSE(reader.ReadLine());
    EXPECT_FALSE(reader.IsPlainLine());
}

TEST(TextReaderTest, CountsEveryLineFeedConsumed) {
    using namespace std::string_literals;
    const std::string text = "a\r\n\r\n  b  \n// c\n\nd\0e\nf"s;
    CPTextReader reader(text.data(), static_cast<uint32_t>(text.size()));
    struct Step {
        const char* line;
        int32_t count;
    };
    for (Step step : {Step{"a", 1}, Step{"b", 3}, Step{"d", 5}, Step{"e", 6}, Step{"f", 6}}) {
        ASSERT_TRUE(reader.ReadLine());
        EXPECT_EQ(reader.GetLine(), step.line);
        EXPECT_EQ(reader.GetLineCount(), step.count) << step.line;
    }
    EXPECT_FALSE(reader.ReadLine());
    EXPECT_EQ(reader.GetLineCount(), 6);
}

TEST(TextReaderTest, NullBufferReadsNothing) {
    CPTextReader reader(nullptr, 100);
    EXPECT_FALSE(reader.ReadLine());
}
