#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DynamicSky/SkyTextLines.h"
#include "support/TempFolder.h"

namespace {
std::vector<std::vector<std::string>> AllValues(const std::string& text) {
    SkyTextLines lines(text.data(), static_cast<uint32_t>(text.size()));
    std::vector<std::vector<std::string>> out;
    while (lines.Next()) {
        std::vector<std::string> values;
        for (size_t i = 0; i < lines.ValueCount(); ++i) values.push_back(lines.Text(i));
        out.push_back(values);
    }
    EXPECT_EQ(lines.ValueCount(), 0u);
    return out;
}
}  // namespace

TEST(SkyTextLinesTest, DropsTheLabelAndSkipsEmptyAndCommentLines) {
    using V = std::vector<std::string>;
    const std::string text =
        "radius 12.5\r\n"
        "\n"
        "// a note\n"
        "/* a block\n"
        "centre 1 2 3 */\n"
        "  centre 1 2 3  \n"
        "name \"my cloud.txt\" tail\n"
        "gap 1  2\n"
        "alone\n";
    EXPECT_EQ(AllValues(text), (std::vector<V>{{"12.5"}, {"1", "2", "3"}, {"my cloud.txt", "tail"}, {"1", "", "2"}, {}}));
}

TEST(SkyTextLinesTest, NumbersReadAsTheRuntimeConversionsRead) {
    const std::string text = "v 2.5 -3 7x abc 1e2 4.9\n";
    SkyTextLines lines(text.data(), static_cast<uint32_t>(text.size()));
    ASSERT_TRUE(lines.Next());
    EXPECT_FLOAT_EQ(lines.Float(0), 2.5f);
    EXPECT_EQ(lines.Int(1), -3);
    EXPECT_EQ(lines.Int(2), 7);
    EXPECT_FLOAT_EQ(lines.Float(3), 0.0f);
    EXPECT_FLOAT_EQ(lines.Float(4), 100.0f);
    EXPECT_EQ(lines.Int(5), 4);
    const D3DXVECTOR3 vector = lines.Vector(4);  // 1e2, 4.9 and a missing value
    EXPECT_EQ(vector, D3DXVECTOR3(100.0f, 4.9f, 0.0f));
    // Beyond the line's values: empty text, zero numbers.
    EXPECT_EQ(lines.Text(6), "");
    EXPECT_FLOAT_EQ(lines.Float(6), 0.0f);
    EXPECT_EQ(lines.Int(9), 0);
    EXPECT_FALSE(lines.Next());
    EXPECT_FALSE(lines.Next());
}

TEST(SkyTextLinesTest, FilesAreReadFromTheCloudFolderWhateverTheCase) {
    ScopedWorkingFolder work;
    work.Folder().Write("data/clouds/Sky1.txt", "a 1\n");
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadSkyFile("sky1.TXT", bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "a 1\n");
    EXPECT_FALSE(ReadSkyFile("missing.txt", bytes));
    work.Folder().MakeFolder("data/clouds/folder.txt");
    EXPECT_FALSE(ReadSkyFile("folder.txt", bytes));
    EXPECT_EQ(SkyFilePath("x.txt"), "Data\\Clouds\\x.txt");
}
