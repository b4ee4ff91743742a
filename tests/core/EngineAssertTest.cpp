#include "core/EngineAssert.h"

#include <gtest/gtest.h>

namespace {

TEST(EngineAssertTest, AFailedCheckNamesItsConditionAndStopsTheProgram) {
    if constexpr (!kEngineAssertsActive) GTEST_SKIP() << "the checks are compiled out of this build";
    const int listed = 2;
    EXPECT_DEATH(ENGINE_ASSERT(listed == 3), "ENGINE_ASSERT failed: listed == 3 at .*EngineAssertTest\\.cpp");
    ENGINE_ASSERT(listed == 2);  // a check that holds does nothing
}

}  // namespace
