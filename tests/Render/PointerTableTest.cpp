#include <gtest/gtest.h>

#include <vector>

#include "Render/PPointerTable.h"

namespace {

TEST(PointerTableTest, FindsWhatWasInsertedThroughGrowthAndForgetsOnClear) {
    std::vector<int> objects(1000);
    CPPointerTable<int> table;
    EXPECT_EQ(table.Find(&objects[0]), nullptr);
    for (size_t i = 0; i < objects.size(); i += 2) table.Insert(&objects[i], static_cast<int>(i));
    EXPECT_EQ(table.Size(), 500u);
    for (size_t i = 0; i < objects.size(); ++i) {
        const int* value = table.Find(&objects[i]);
        if (i % 2 == 0) {
            ASSERT_NE(value, nullptr) << i;
            EXPECT_EQ(*value, static_cast<int>(i));
        } else {
            EXPECT_EQ(value, nullptr) << i;
        }
    }

    table.Clear();
    EXPECT_EQ(table.Size(), 0u);
    for (const int& object : objects) EXPECT_EQ(table.Find(&object), nullptr);
    table.Insert(&objects[1], 7);
    ASSERT_NE(table.Find(&objects[1]), nullptr);
    EXPECT_EQ(*table.Find(&objects[1]), 7);
    EXPECT_EQ(table.Find(&objects[0]), nullptr);
}

}  // namespace
