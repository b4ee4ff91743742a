#include <gtest/gtest.h>

#include "simulation/level/CPShopTable.h"
#include "simulation/level/ShopRecords.h"

TEST(ShopTableTest, ListsInOrderAddedAndFindsByName) {
    CPShopTable<PartRecord> table;
    table.Add("bumper2", PartRecord{"b2", 200, 1.5f, "d2", 2});
    table.Add("bumper1", PartRecord{"b1", 100, 0.5f, "d1", 1});
    table.Add("bumper2", PartRecord{"b2", 250, 2.5f, "d2", 3});  // replaced in place

    ASSERT_EQ(table.Entries().size(), 2u);
    EXPECT_EQ(table.Entries()[0].first, "bumper2");
    EXPECT_EQ(table.Entries()[0].second.mPrice, 250);
    EXPECT_EQ(table.Entries()[1].first, "bumper1");
    ASSERT_NE(table.Find("bumper2"), nullptr);
    EXPECT_EQ(table.Find("bumper2")->mAvailability, 3);
    EXPECT_EQ(table.Find("bumper3"), nullptr);
    EXPECT_FALSE(table.Contains(""));
}

TEST(ShopTableTest, NameHashIsFiveTimesPlusSignedCharacter) {
    const ShopNameHash hash;
    EXPECT_EQ(hash(""), 0u);
    EXPECT_EQ(hash("ab"), 5u * 97u + 98u);
    EXPECT_EQ(hash("a\xff"), 5u * 97u - 1u) << "characters count as signed";
}
