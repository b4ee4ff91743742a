#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/FrameClock.h"
#include "interface/CPInputManager.h"
#include "interface/KeyNames.h"
#include "platform/DirectInputKeys.h"
#include "support/FileSizeLimit.h"
#include "support/ScopedGlobal.h"
#include "support/TempFolder.h"

namespace {
class InputManagerTest : public ::testing::Test {
protected:
    // Writes the text as "Actions.cfg" and reads it into the manager.
    void Load(const std::string& text) {
        mWork.Folder().Write("Actions.cfg", text);
        ASSERT_EQ(mManager.InitInputBindings("Actions.cfg"), S_OK);
    }
    std::string Saved() const { return mWork.Folder().Read("Actions.cfg"); }
    struct Listing {
        std::vector<std::string> keys;
        std::vector<std::string> labels;
    };
    Listing List() const {
        Listing listing;
        mManager.ListActions(listing.keys, listing.labels);
        return listing;
    }

    ScopedWorkingFolder mWork;
    CPInputManager mManager;
};

void ExpectBinding(const CPKeyBinding* binding, int code, const char* key, const char* second, int numeric) {
    ASSERT_NE(binding, nullptr);
    EXPECT_EQ(binding->code, code);
    EXPECT_EQ(binding->keyName, key);
    EXPECT_EQ(binding->secondName, second);
    EXPECT_EQ(binding->bound, 1);
    EXPECT_EQ(binding->numeric, numeric);
}
}  // namespace

TEST_F(InputManagerTest, AKeyLineBindsItsKeySlotAndIsListed) {
    Load("Fire;fire_label;LCtrl;false\r\n");
    ExpectBinding(mManager.GetKeySlot(DIK_LCONTROL), DIK_LCONTROL, "LCtrl", "Fire", 0);
    ExpectBinding(mManager.FindAction("Fire"), DIK_LCONTROL, "LCtrl", "fire_label", 0);
    const Listing listing = List();
    EXPECT_EQ(listing.keys, std::vector<std::string>{"LCtrl"});
    EXPECT_EQ(listing.labels, std::vector<std::string>{"fire_label"});
}

TEST_F(InputManagerTest, ANumericLineFillsItsNumericSlotAndIsWrittenBackUnchanged) {
    const std::string text = "Gear;gear_label;5;true\r\n";
    Load(text);
    ExpectBinding(mManager.GetNumericSlot(5), 5, "", "Gear", 1);
    ExpectBinding(mManager.FindAction("Gear"), 5, "5", "gear_label", 1);
    EXPECT_EQ(mManager.GetKeySlot(DIK_5)->bound, 0) << "the number 5 is not the key 5";
    EXPECT_EQ(List().keys, std::vector<std::string>{"5"});
    ASSERT_EQ(mManager.WriteActions(), S_OK);
    EXPECT_EQ(Saved(), text);
}

TEST_F(InputManagerTest, ShortLinesAndUnknownKeysBindKeySlotZero) {
    Load("Jump;jump_label\r\nHorn;horn_label;Mouse1;false\r\n");
    ExpectBinding(mManager.FindAction("Jump"), 0, "", "jump_label", 0);
    ExpectBinding(mManager.FindAction("Horn"), 0, "Mouse1", "horn_label", 0);
    ExpectBinding(mManager.GetKeySlot(0), 0, "Mouse1", "Horn", 0);  // the later line holds slot 0
}

TEST_F(InputManagerTest, WritingAndReadingBackKeepsTheOrderOfTheActions) {
    const std::string text =
        "Zoom;z_label;Z;false\r\n"
        "Accelerate;up_label;Up;false\r\n"
        "Gear;gear_label;12;true\r\n"
        "Brake;down_label;Down;false\r\n";
    Load(text);
    EXPECT_EQ(mManager.GetActionNames(), (std::vector<std::string>{"Zoom", "Accelerate", "Gear", "Brake"}));
    ASSERT_EQ(mManager.RewriteActions(), S_OK);
    EXPECT_EQ(Saved(), text);
    EXPECT_EQ(mManager.GetActionNames(), (std::vector<std::string>{"Zoom", "Accelerate", "Gear", "Brake"}));
    ExpectBinding(mManager.GetKeySlot(DIK_DOWN), DIK_DOWN, "Down", "Brake", 0);
}

TEST_F(InputManagerTest, AnActionOnTwoLinesIsListedTwiceWithTheLaterBinding) {
    Load("Fire;first;Space;false\r\nFire;second;Enter;false\r\n");
    EXPECT_EQ(mManager.GetActionNames(), (std::vector<std::string>{"Fire", "Fire"}));
    ExpectBinding(mManager.FindAction("Fire"), DIK_RETURN, "Enter", "second", 0);
    EXPECT_EQ(List().labels, (std::vector<std::string>{"second", "second"}));
    // Both key slots were filled while reading.
    EXPECT_EQ(mManager.GetKeySlot(DIK_SPACE)->bound, 1);
    EXPECT_EQ(mManager.GetKeySlot(DIK_RETURN)->bound, 1);
}

TEST_F(InputManagerTest, ReloadingResetsTheKeySlotsButNotTheNumericSlots) {
    Load("Fire;f;Space;false\r\nGear;g;7;true\r\n");
    Load("Brake;b;S;false\r\n");
    EXPECT_EQ(mManager.GetKeySlot(DIK_SPACE)->bound, 0);
    EXPECT_EQ(mManager.GetKeySlot(DIK_SPACE)->keyName, "");
    ExpectBinding(mManager.GetKeySlot(DIK_S), DIK_S, "S", "Brake", 0);
    ExpectBinding(mManager.GetNumericSlot(7), 7, "", "Gear", 1);
    EXPECT_EQ(mManager.FindAction("Fire"), nullptr);
    EXPECT_EQ(mManager.GetActionNames(), std::vector<std::string>{"Brake"});
}

TEST_F(InputManagerTest, AFileThatCannotBeReadChangesNothing) {
    Load("Fire;f;Space;false\r\n");
    EXPECT_EQ(mManager.InitInputBindings("Missing.cfg"), E_FAIL);
    mWork.Folder().MakeFolder("Folder.cfg");
    EXPECT_EQ(mManager.InitInputBindings("Folder.cfg"), E_FAIL);
    ExpectBinding(mManager.FindAction("Fire"), DIK_SPACE, "Space", "f", 0);
    ExpectBinding(mManager.GetKeySlot(DIK_SPACE), DIK_SPACE, "Space", "Fire", 0);
}

TEST_F(InputManagerTest, NumbersOutsideTheNumericSlotsFillNoneAndAreSavedAsRead) {
    // Keeping the number to its low 8 bits on saving would rebind 300 to the code 44.
    const std::string text =
        "Gear;g;128;true\r\n"
        "Pad;p;300;true\r\n"
        "Neg;n;-1;true\r\n"
        "Huge;h;99999999999;true\r\n";
    Load(text);
    for (int code = 0; code < CPInputManager::kNumericSlotCount; ++code)
        EXPECT_EQ(mManager.GetNumericSlot(code)->bound, 0) << code;
    EXPECT_EQ(mManager.GetNumericSlot(128), nullptr);
    EXPECT_EQ(mManager.GetNumericSlot(-1), nullptr);
    EXPECT_EQ(mManager.GetActionNames(), (std::vector<std::string>{"Gear", "Pad", "Neg", "Huge"}));
    EXPECT_EQ(mManager.FindAction("Gear")->code, 128);
    EXPECT_EQ(mManager.FindAction("Pad")->code, 44);
    EXPECT_EQ(mManager.FindAction("Neg")->code, 255);
    EXPECT_EQ(mManager.FindAction("Huge")->code, 255);
    EXPECT_EQ(List().keys, (std::vector<std::string>{"128", "300", "-1", "99999999999"}));
    ASSERT_EQ(mManager.RewriteActions(), S_OK);
    EXPECT_EQ(Saved(), text);
}

TEST_F(InputManagerTest, KeySlotsOutsideTheTableAreRefused) {
    Load("Fire;f;Space;false\r\n");
    EXPECT_NE(mManager.GetKeySlot(255), nullptr);
    for (int code : {-1, 256, 100000}) EXPECT_EQ(mManager.GetKeySlot(code), nullptr) << code;
}

TEST_F(InputManagerTest, AssigningAHeldKeyMovesItToTheLabelledAction) {
    Load("Fire;fire_label;LCtrl;false\r\nJump;jump_label;Space;false\r\n");
    mManager.AssignActionKey("fire_label", "Space");
    ExpectBinding(mManager.FindAction("Fire"), DIK_SPACE, "Space", "fire_label", 0);
    ExpectBinding(mManager.FindAction("Jump"), 0, "undefined key", "jump_label", 0);
    // The key slots follow only after the rewrite.
    ExpectBinding(mManager.GetKeySlot(DIK_SPACE), DIK_SPACE, "Space", "Jump", 0);

    ASSERT_EQ(mManager.RewriteActions(), S_OK);
    EXPECT_EQ(Saved(), "Fire;fire_label;Space;false\r\nJump;jump_label;undefined key;false\r\n");
    ExpectBinding(mManager.GetKeySlot(DIK_SPACE), DIK_SPACE, "Space", "Fire", 0);
    ExpectBinding(mManager.GetKeySlot(0), 0, "undefined key", "Jump", 0);
    EXPECT_EQ(mManager.GetKeySlot(DIK_LCONTROL)->bound, 0);
}

TEST_F(InputManagerTest, AssignmentCases) {
    const std::string text =
        "Fire;fire_label;LCtrl;false\r\n"
        "Jump;jump_label;Space;false\r\n"
        "Gear;gear_label;5;true\r\n"
        "Horn;horn_label;Mouse1;false\r\n";
    struct Expected {
        const char* action;
        int code;
        const char* key;
        int numeric;
    };
    struct Case {
        const char* name;
        const char* label;
        const char* key;
        std::vector<Expected> changed;  // every other action keeps its binding
    };
    const std::vector<Case> cases = {
        {"free key", "fire_label", "F1", {{"Fire", DIK_F1, "F1", 0}}},
        {"own key", "jump_label", "Space", {}},
        {"clearing", "fire_label", "undefined key", {{"Fire", 0, "undefined key", 0}}},
        {"unknown label frees the key", "nobody", "Space", {{"Jump", 0, "undefined key", 0}}},
        {"unknown key name: only frees", "fire_label", "Mouse1", {{"Horn", 0, "undefined key", 0}}},
        {"case counts", "fire_label", "space", {}},
        // The number 5 is not the key "5": the numeric binding keeps its code.
        {"key 5 beside the number 5", "fire_label", "5", {{"Fire", DIK_5, "5", 0}}},
        // A key given to a numeric action makes it a key binding, not the number 57.
        {"numeric action gets a key", "gear_label", "Space",
         {{"Gear", DIK_SPACE, "Space", 0}, {"Jump", 0, "undefined key", 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Load(text);
        CPInputManager before = mManager;
        mManager.AssignActionKey(c.label, c.key);
        for (const std::string& action : mManager.GetActionNames()) {
            const CPKeyBinding* now = mManager.FindAction(action);
            const CPKeyBinding* was = before.FindAction(action);
            const Expected* expected = nullptr;
            for (const Expected& e : c.changed)
                if (action == e.action) expected = &e;
            if (expected) {
                ExpectBinding(now, expected->code, expected->key, was->secondName.c_str(), expected->numeric);
            } else {
                ExpectBinding(now, was->code, was->keyName.c_str(), was->secondName.c_str(), was->numeric);
            }
        }
    }
}

TEST_F(InputManagerTest, ANumericActionGivenAKeyIsSavedAsThatKey) {
    Load("Gear;gear_label;5;true\r\n");
    mManager.AssignActionKey("gear_label", "Space");
    ASSERT_EQ(mManager.RewriteActions(), S_OK);
    EXPECT_EQ(Saved(), "Gear;gear_label;Space;false\r\n");
    ExpectBinding(mManager.GetKeySlot(DIK_SPACE), DIK_SPACE, "Space", "Gear", 0);
}

TEST_F(InputManagerTest, AFailedWriteKeepsThePreviousFileAndTheUnsavedAssignment) {
    const std::string text = "Fire;fire_label;LCtrl;false\r\nJump;jump_label;Space;false\r\n";
    Load(text);
    mManager.AssignActionKey("fire_label", "Space");
    {
        FileSizeLimit full(8);  // the disk fills part-way through the file
        EXPECT_EQ(mManager.WriteActions(), E_FAIL);
        EXPECT_EQ(mManager.RewriteActions(), E_FAIL);
    }
    EXPECT_EQ(Saved(), text);
    EXPECT_FALSE(mWork.Folder().Exists("Actions.cfg.~tmp"));
    // Reading the old file back would have undone the assignment.
    ExpectBinding(mManager.FindAction("Fire"), DIK_SPACE, "Space", "fire_label", 0);
    ExpectBinding(mManager.FindAction("Jump"), 0, "undefined key", "jump_label", 0);

    ASSERT_EQ(mManager.RewriteActions(), S_OK) << "a retry once there is room";
    EXPECT_EQ(Saved(), "Fire;fire_label;Space;false\r\nJump;jump_label;undefined key;false\r\n");
}

TEST_F(InputManagerTest, LongAndQuotedFieldsSurviveARewrite) {
    const std::string longName(20000, 'a');
    const std::string text = longName + ";" + std::string(4096, 'b') + ";Space;false\r\n" +
                             "\"Look; back\";\"say \"\"hi\"\"\";Enter;false\r\n";
    Load(text);
    ASSERT_NE(mManager.FindAction(longName), nullptr);
    ASSERT_NE(mManager.FindAction("Look; back"), nullptr);
    EXPECT_EQ(mManager.FindAction("Look; back")->secondName, "say \"hi\"");
    ASSERT_EQ(mManager.RewriteActions(), S_OK);
    EXPECT_EQ(Saved(), text);
    EXPECT_EQ(mManager.GetKeySlot(DIK_SPACE)->secondName, longName);
}

TEST_F(InputManagerTest, NoActionsWriteAnEmptyFile) {
    mWork.Folder().Write("Actions.cfg", "Fire;f;Space;false\r\n");
    ASSERT_EQ(mManager.WriteActions(), S_OK);
    EXPECT_TRUE(mWork.Folder().Exists("Actions.cfg"));
    EXPECT_EQ(Saved(), "");
}

TEST(InputManagerStateTest, MousePositionIsTruncatedTowardZero) {
    struct Case {
        float x, y;
        int32_t ix, iy;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (Case c : {Case{0.0f, 0.0f, 0, 0}, Case{1.9f, -1.9f, 1, -1}, Case{639.99f, 479.5f, 639, 479},
                   Case{nan, -inf, 0, INT32_MIN}, Case{1e20f, -1e20f, INT32_MAX, INT32_MIN}}) {
        CPInputManager manager;
        manager.SetMousePosition(c.x, c.y);
        int32_t x = 12345, y = 12345;
        manager.GetMousePosition(x, y);
        EXPECT_EQ(x, c.ix) << c.x;
        EXPECT_EQ(y, c.iy) << c.y;
    }
}

TEST(InputManagerStateTest, SwitchingTheBindingsCountsNoTimeForTheFrame) {
    CPInputManager manager;
    EXPECT_FALSE(manager.AreBindingsEnabled());
    EXPECT_FALSE(manager.IsAssigningKey());
    ScopedGlobal<float> frameTime(gDeltaTime);
    for (bool enabled : {true, false}) {
        gDeltaTime = 0.25f;
        manager.SetBindingsEnabled(enabled);
        EXPECT_EQ(manager.AreBindingsEnabled(), enabled);
        EXPECT_EQ(gDeltaTime, 0.0f);
    }
    manager.SetAssignKey(true);
    EXPECT_TRUE(manager.IsAssigningKey());
}
