#include <gtest/gtest.h>

#include "simulation/units/DebrisBudget.h"

namespace {

class DebrisBudgetTest : public ::testing::Test {
protected:
    ~DebrisBudgetTest() override { RestoreDebrisBudget(); }
};

TEST_F(DebrisBudgetTest, PiecesAreCutToWhatIsLeftOfTheForty) {
    struct Case {
        int32_t counted, wanted, allowed;
    };
    const Case cases[] = {
        {0, 5, 5}, {0, 40, 40}, {0, 41, 40}, {38, 5, 2}, {40, 1, 0}, {45, 3, 0}, {10, -2, 0}, {-5, 50, 40},
    };
    for (const Case& c : cases) {
        gDebrisCount = c.counted;
        EXPECT_EQ(LimitToDebrisRoom(c.wanted), c.allowed) << c.counted << " counted, " << c.wanted << " wanted";
        EXPECT_EQ(gDebrisCount, c.counted);  // asking does not count
    }
}

TEST_F(DebrisBudgetTest, OnePieceFitsWhileFewerThanFortyAreCountedAndARestoreGivesTheBudgetBack) {
    gDebrisCount = 39;
    EXPECT_TRUE(HasDebrisRoom());
    ++gDebrisCount;
    EXPECT_FALSE(HasDebrisRoom());
    RestoreDebrisBudget();
    EXPECT_EQ(gDebrisCount, 0);
    EXPECT_TRUE(HasDebrisRoom());
}

}  // namespace
