#include "script/ActionScriptFunctions.h"

#include <gtest/gtest.h>

#include <string>

#include "core/FrameClock.h"
#include "interface/CPInputManager.h"
#include "support/LuaScriptRig.h"
#include "support/ScopedGlobal.h"
#include "support/TempFolder.h"

namespace {

class ActionScriptFunctionsTest : public ::testing::Test {
protected:
    ScopedWorkingFolder work;
    CPInputManager input;
    ScopedGlobal<CPInputManager*> installInput{gInputManager, &input};
    LuaScriptRig lua;
};

TEST_F(ActionScriptFunctionsTest, LoadedActionsAreListedInFileOrderWithKeyTextsAndLabels) {
    work.Folder().Write("keys.cfg", "Fire;fire_label;LCtrl;false\r\nGear;gear_label;5;true\r\nBrake;brake_label\r\n");
    ASSERT_EQ(lua.Run("LoadActions('keys.cfg')\n"
                      "count, keys, labels = GetActionNames()\n"
                      "k1, k2, k3 = keys[1], keys[2], keys[3]\n"
                      "l1, l2, l3 = labels[1], labels[2], labels[3]"),
              "");
    EXPECT_EQ(lua.Number("count"), 3);
    EXPECT_EQ(lua.Text("k1"), "LCtrl");
    EXPECT_EQ(lua.Text("k2"), "5");
    EXPECT_EQ(lua.Text("k3"), "");
    EXPECT_EQ(lua.Text("l1"), "fire_label");
    EXPECT_EQ(lua.Text("l2"), "gear_label");
    EXPECT_EQ(lua.Text("l3"), "brake_label");
    EXPECT_EQ(input.GetKeySlot(0x1D)->secondName, "Fire");
    EXPECT_EQ(input.GetNumericSlot(5)->secondName, "Gear");
}

TEST_F(ActionScriptFunctionsTest, AMissingFileLeavesTheBindingsAsTheyWere) {
    work.Folder().Write("keys.cfg", "Fire;fire_label;Space;false\r\n");
    ASSERT_EQ(lua.Run("LoadActions('keys.cfg')\nLoadActions('missing.cfg')\nLoadActions()\n"
                      "count, keys = GetActionNames()\nk1 = keys[1]"),
              "");
    EXPECT_EQ(lua.Number("count"), 1);
    EXPECT_EQ(lua.Text("k1"), "Space");
}

TEST_F(ActionScriptFunctionsTest, SetActionMovesAHeldKeyAndUpdateActionsWritesAndRebindsTheSlots) {
    work.Folder().Write("Actions.cfg", "Fire;fire_label;LCtrl;false\r\nJump;jump_label;Space;false\r\n");
    ASSERT_EQ(lua.Run("LoadActions('Actions.cfg')\n"
                      "SetAction('fire_label', 'Space', true)\n"
                      "count, keys = GetActionNames()\n"
                      "fire, jump = keys[1], keys[2]"),
              "");
    EXPECT_EQ(lua.Text("fire"), "Space");
    EXPECT_EQ(lua.Text("jump"), "undefined key");
    EXPECT_EQ(input.GetKeySlot(0x39)->secondName, "Jump") << "the slots follow only after UpdateActions";

    ASSERT_EQ(lua.Run("UpdateActions()"), "");
    EXPECT_EQ(work.Folder().Read("Actions.cfg"),
              "Fire;fire_label;Space;false\r\nJump;jump_label;undefined key;false\r\n");
    EXPECT_EQ(input.GetKeySlot(0x39)->secondName, "Fire");
    EXPECT_FALSE(input.GetKeySlot(0x1D)->bound) << "LCtrl is nobody's key any more";
}

TEST_F(ActionScriptFunctionsTest, SaveActionsWritesTheActionsWithoutReadingThemBack) {
    work.Folder().Write("start.cfg", "Fire;fire_label;LCtrl;false\r\nGear;gear_label;5;true\r\n");
    ASSERT_EQ(lua.Run("LoadActions('start.cfg')\nSetAction('fire_label', 'Q')\nSaveActions()"), "");
    EXPECT_EQ(work.Folder().Read("Actions.cfg"), "Fire;fire_label;Q;false\r\nGear;gear_label;5;true\r\n");
    EXPECT_EQ(input.GetKeySlot(0x1D)->secondName, "Fire") << "the key slots are not rebuilt";
    EXPECT_FALSE(input.GetKeySlot(0x10)->bound);
}

TEST_F(ActionScriptFunctionsTest, SwitchesSetTheFlagsAndTheSwitchingFrameCountsNoTime) {
    ScopedGlobal<float> frameTime(gDeltaTime, 0.5f);
    ASSERT_EQ(lua.Run("SetActions(0)"), "");
    EXPECT_TRUE(input.AreBindingsEnabled()) << "the number 0 is true to a script";
    EXPECT_EQ(gDeltaTime, 0.0f);
    ASSERT_EQ(lua.Run("SetActions(nil)"), "");
    EXPECT_FALSE(input.AreBindingsEnabled());
    EXPECT_FALSE(input.IsAssigningKey());
    ASSERT_EQ(lua.Run("SetAssignKey()"), "");
    EXPECT_TRUE(input.IsAssigningKey());
}

TEST(ActionScriptFunctionsWithoutInputManagerTest, ListNothingAndRaiseNothing) {
    ScopedGlobal<CPInputManager*> noInput(gInputManager, nullptr);
    ScopedWorkingFolder work;
    LuaScriptRig lua;
    EXPECT_EQ(lua.Run("SetActions(true)\nSetAssignKey()\nSaveActions()\nUpdateActions()\n"
                      "LoadActions('Actions.cfg')\nSetAction('a', 'Q', true)\n"
                      "count, keys, labels = GetActionNames()\nsize = table.getn(keys) + table.getn(labels)"),
              "");
    EXPECT_EQ(lua.Number("count"), 0);
    EXPECT_EQ(lua.Number("size"), 0);
    EXPECT_FALSE(work.Folder().Exists("Actions.cfg"));
}
}  // namespace
