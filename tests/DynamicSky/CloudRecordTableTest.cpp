#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DynamicSky/CloudRecordTable.h"
#include "support/CloudFileBuilder.h"
#include "support/TempFolder.h"

namespace {
class CloudRecordTableTest : public ::testing::Test {
protected:
    void Write(const std::string& name, const std::string& text) const {
        mWork.Folder().Write("Data/Clouds/" + name, text);
    }

    ScopedWorkingFolder mWork;
};
}  // namespace

TEST_F(CloudRecordTableTest, EachBlockOfFifteenLinesIsOneRecordWhateverTheLabels) {
    std::string text = "how_many 2\n";
    const char* first[] = {"1.5", "20", "0.25", "\"storm clouds.txt\"", "1", "2", "3.5", "4.5", "5", "6.5", "7", "8",
                           "1", "0.75", "9"};
    const char* second[] = {"3", "40", "0.5", "calm.txt", "-1", "-2", "-3", "-4", "-5", "-6", "-7", "-8", "0", "1",
                            "-9"};
    for (const char* value : first) text += std::string("anything ") + value + "\n";
    for (const char* value : second) text += std::string("x") + " " + value + "\r\n";
    Write("records.txt", text);

    CloudRecordTable table;
    table.Load("records.txt");
    ASSERT_EQ(table.GetRecords().size(), 2u);
    const CloudRecord& a = table.GetRecords()[0];
    EXPECT_EQ(a.fadeTime, 1.5f);
    EXPECT_EQ(a.baseDuration, 20.0f);
    EXPECT_EQ(a.durationSpread, 0.25f);
    EXPECT_EQ(a.groupName, "storm clouds.txt");
    EXPECT_EQ(a.reserved1, 1);
    EXPECT_EQ(a.reserved2, 2);
    EXPECT_EQ(a.reserved3, 3.5f);
    EXPECT_EQ(a.reserved4, 4.5f);
    EXPECT_EQ(a.reserved5, 5);
    EXPECT_EQ(a.reserved6, 6.5f);
    EXPECT_EQ(a.reserved7, 7);
    EXPECT_EQ(a.reserved8, 8);
    EXPECT_EQ(a.greyFlag, 1);
    EXPECT_EQ(a.probability, 0.75f);
    EXPECT_EQ(a.reserved9, 9);
    const CloudRecord& b = table.GetRecords()[1];
    EXPECT_EQ(b.groupName, "calm.txt");
    EXPECT_EQ(b.reserved8, -8);
    EXPECT_EQ(b.greyFlag, 0);
    EXPECT_EQ(b.probability, 1.0f);
    EXPECT_EQ(b.reserved9, -9);
}

TEST_F(CloudRecordTableTest, RecordsRoundTripThroughTheBuilderAndLoadsAppend) {
    std::vector<CloudRecord> records = {MakeCloudRecord("a.txt", 1, 2, 0.1f, 1, 0.5f), MakeCloudRecord("b.txt")};
    records[1].reserved6 = 2.25f;
    Write("records.txt", CloudRecordFileText(records));
    CloudRecordTable table;
    table.Load("records.txt");
    table.Load("records.txt");
    ASSERT_EQ(table.GetRecords().size(), 4u);
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(table.GetRecords()[i], records[i % 2]) << i;
}

TEST_F(CloudRecordTableTest, FilesThatCannotBeUsedLeaveTheTableAsItWas) {
    const std::string good = CloudRecordFileText({MakeCloudRecord("a.txt"), MakeCloudRecord("b.txt")});
    Write("good.txt", good);
    struct Case {
        const char* name;
        std::string text;  // empty: no file
        size_t records;    // left in a table that held the two good records
    };
    const std::vector<Case> cases = {
        {"missing file", "", 2},
        {"count of zero", "records 0\n", 2},
        {"negative count", "records -4\nfade 1\n", 2},
        {"second record cut short", good.substr(0, good.rfind("grey")), 2},
        {"count beyond the text", "records 2147483647\nfade 1\nduration 2\n", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.text.empty()) Write("bad.txt", c.text);
        CloudRecordTable table;
        table.Load("good.txt");
        table.Load(c.text.empty() ? "absent.txt" : "bad.txt");
        EXPECT_EQ(table.GetRecords().size(), c.records);
        CloudRecordTable fresh;
        fresh.Load(c.text.empty() ? "absent.txt" : "bad.txt");
        EXPECT_TRUE(fresh.GetRecords().empty());
    }
}
