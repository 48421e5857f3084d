#include <gtest/gtest.h>

#include "transfer/slot_table.h"

TEST(SlotTable, LowestFreeSlotFirstAndFullAtEight)
{
    int objects[10];
    SlotTable<int, 8> table;
    for (int i = 0; i < 8; ++i) {
        EXPECT_TRUE(table.add(&objects[i]));
        EXPECT_EQ(i, table.indexOf(&objects[i]));
    }
    EXPECT_FALSE(table.add(&objects[8]));
    EXPECT_EQ(-1, table.indexOf(&objects[8]));

    // A freed slot is taken again, the lowest one first.
    EXPECT_TRUE(table.remove(&objects[5]));
    EXPECT_TRUE(table.remove(&objects[2]));
    EXPECT_EQ(nullptr, table.slots[2]);
    EXPECT_TRUE(table.add(&objects[8]));
    EXPECT_EQ(2, table.indexOf(&objects[8]));
    EXPECT_TRUE(table.add(&objects[9]));
    EXPECT_EQ(5, table.indexOf(&objects[9]));
    EXPECT_FALSE(table.add(&objects[2]));
}

TEST(SlotTable, RemoveOfAnAbsentObjectChangesNothing)
{
    int a = 0;
    int b = 0;
    SlotTable<int, 8> table;
    EXPECT_FALSE(table.remove(&a));
    EXPECT_FALSE(table.remove(nullptr));
    EXPECT_EQ(-1, table.indexOf(nullptr));  // empty slots are never found
    ASSERT_TRUE(table.add(&a));
    EXPECT_FALSE(table.remove(&b));
    EXPECT_EQ(0, table.indexOf(&a));
    EXPECT_TRUE(table.remove(&a));
    EXPECT_FALSE(table.remove(&a));

    // The same object twice takes two slots; each remove frees the lowest.
    ASSERT_TRUE(table.add(&a));
    ASSERT_TRUE(table.add(&a));
    EXPECT_TRUE(table.remove(&a));
    EXPECT_EQ(1, table.indexOf(&a));
}
