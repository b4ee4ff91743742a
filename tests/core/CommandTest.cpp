#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/CPCommandDispatcher.h"
#include "core/CPCommandTask.h"
#include "core/CPGameObject.h"
#include "support/CommandLog.h"

using Strings = std::vector<std::string>;

TEST(CommandTest, ParameterTextIsSplitAtCommasOutsideQuotes) {
    struct Case {
        std::string text;
        Strings expected;
    };
    const std::vector<Case> cases = {
        {"1.00,2.00,3.00", {"1.00", "2.00", "3.00"}},
        {"a,\"b,c\",d", {"a", "b,c", "d"}},
        {" x , y ", {"x", "y"}},
        {"single", {"single"}},
        {"", {}},
        {"   ", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        CPCommand command = BuildCommand("show_message", c.text);
        EXPECT_EQ(command.name, "show_message");
        EXPECT_EQ(command.params, c.expected);
    }
}

TEST(CommandTaskTest, CommandsComeOutInArrivalOrder) {
    CPCommandTask receiver;
    receiver.Start();
    for (const char* name : {"a", "b", "c"}) PostCommand(&receiver, name, "");
    // Senders insert at the front; the consumer works at the back.
    ASSERT_EQ(receiver.GetCommands().size(), 3u);
    EXPECT_EQ(receiver.GetCommands().front().name, "c");

    // The first advance makes the oldest current without removing anything.
    ASSERT_TRUE(receiver.SetNextCommand());
    EXPECT_EQ(receiver.GetCurrentCommand()->name, "a");
    EXPECT_EQ(receiver.GetCommands().size(), 3u);

    // A command posted meanwhile leaves the current one in place.
    PostCommand(&receiver, "d", "");
    EXPECT_EQ(receiver.GetCurrentCommand()->name, "a");

    Strings seen;
    while (receiver.SetNextCommand()) seen.push_back(receiver.GetCurrentCommand()->name);
    EXPECT_EQ(seen, (Strings{"b", "c", "d"}));
    EXPECT_EQ(receiver.GetCurrentCommand(), nullptr);
    EXPECT_TRUE(receiver.GetCommands().empty());
}

TEST(CommandTaskTest, AdvancingAnEmptyQueueChangesNothing) {
    CPCommandTask receiver;
    receiver.Start();
    EXPECT_FALSE(receiver.SetNextCommand());
    EXPECT_EQ(receiver.GetCurrentCommand(), nullptr);
}

TEST(CommandTaskTest, ReceiversThatAreNotRunningOrMissingGetNothing) {
    CPCommandTask idle;
    PostCommand(&idle, "a", "1");
    EXPECT_TRUE(idle.GetCommands().empty());

    CPCommandTask stopped;
    stopped.Start();
    stopped.Stop();
    PostCommand(&stopped, "a", "1");
    EXPECT_TRUE(stopped.GetCommands().empty());
    // Nothing is replayed when it starts again.
    stopped.Start();
    EXPECT_TRUE(stopped.GetCommands().empty());

    PostCommand(CPSmartPtr<CPCommandTask>(), "a", "1");  // an empty target is ignored
}

class CommandDispatcherTest : public ::testing::Test {
protected:
    CPCommandDispatcher dispatcher;
    CPCommandTask level, menu, first, second, third;

    void SetUp() override {
        for (CPCommandTask* r : {&level, &menu, &first, &third}) r->Start();
        dispatcher.Register(&level, "level", "");
        dispatcher.Register(&menu, "gamemenu", "");
        dispatcher.Register(&first, "first", "interface");
        dispatcher.Register(&second, "second", "interface");
        dispatcher.Register(&third, "", "interface");
    }
};

TEST_F(CommandDispatcherTest, SendByNameQueuesOneCommandWithItsParameters) {
    dispatcher.SendByName("level", "enemy_death", "1.00,2.00,3.00");
    EXPECT_EQ(DrainCommandTexts(level), (Strings{"enemy_death:1.00,2.00,3.00"}));
    EXPECT_TRUE(menu.GetCommands().empty());
}

TEST_F(CommandDispatcherTest, UnknownNamesAndCategoriesReachNobody) {
    dispatcher.SendByName("Level", "x", "");  // names are case-sensitive
    dispatcher.SendByName("nobody", "x", "");
    dispatcher.SendByCategory("main", "x", "");
    dispatcher.SendByName("second", "x", "");  // registered but not running
    for (CPCommandTask* r : {&level, &menu, &first, &second, &third}) EXPECT_TRUE(r->GetCommands().empty());
}

TEST_F(CommandDispatcherTest, SendByCategorySkipsReceiversThatAreNotRunning) {
    dispatcher.SendByCategory("interface", "mouse_move", "10,20");
    EXPECT_EQ(DrainCommandTexts(first), (Strings{"mouse_move:10,20"}));
    EXPECT_TRUE(second.GetCommands().empty());
    EXPECT_EQ(DrainCommandTexts(third), (Strings{"mouse_move:10,20"}));
    EXPECT_EQ(dispatcher.GetCategory("interface"), (std::vector<CPCommandTask*>{&first, &second, &third}));
}

TEST_F(CommandDispatcherTest, FindByNameTakesAReference) {
    EXPECT_FALSE(dispatcher.FindByName("nobody"));
    CPSmartPtr<CPCommandTask> found = dispatcher.FindByName("gamemenu");
    EXPECT_EQ(found.Get(), &menu);
    EXPECT_EQ(menu.GetRefCount(), 1);
}

TEST_F(CommandDispatcherTest, RegistrationRefusesNullAndMovesANameToItsLatestReceiver) {
    EXPECT_FALSE(dispatcher.Register(nullptr, "ghost", "interface"));
    EXPECT_FALSE(dispatcher.FindByName("ghost"));
    EXPECT_EQ(dispatcher.GetCategory("interface").size(), 3u);

    CPCommandTask replacement;
    replacement.Start();
    dispatcher.Register(&replacement, "level");
    dispatcher.SendByName("level", "x", "");
    EXPECT_TRUE(level.GetCommands().empty());
    EXPECT_EQ(replacement.GetCommands().size(), 1u);

    dispatcher.Register(&first, "", "interface");  // once per category
    EXPECT_EQ(dispatcher.GetCategory("interface").size(), 3u);
}

TEST_F(CommandDispatcherTest, ADestroyedReceiverIsForgotten) {
    auto doomed = std::make_unique<CPCommandTask>();
    doomed->Start();
    dispatcher.Register(doomed.get(), "jeep", "interface");
    doomed.reset();

    EXPECT_FALSE(dispatcher.FindByName("jeep"));
    EXPECT_EQ(dispatcher.GetCategory("interface"), (std::vector<CPCommandTask*>{&first, &second, &third}));
    dispatcher.SendByName("jeep", "game_over", "");  // would write into freed memory
    dispatcher.SendByCategory("interface", "mouse_move", "");
    EXPECT_EQ(first.GetCommands().size(), 1u);
}

TEST(CommandDispatcherLifetimeTest, AReceiverOutlivingItsDispatcherIsSafe) {
    CPCommandTask receiver;
    {
        CPCommandDispatcher dispatcher;
        dispatcher.Register(&receiver, "main", "main");
    }
    // The receiver's destructor must not reach the destroyed dispatcher (checked by the sanitizer).
}

TEST(CommandDispatcherLifetimeTest, ADestroyedControllerLeavesItsObjects) {
    CPGameObject object("jeep");
    {
        CPCommandTask controller;
        controller.Start();
        object.SetController(&controller);
        EXPECT_EQ(object.GetController().Get(), &controller);
    }
    EXPECT_FALSE(object.GetController());
    object.Damage({0, 0, 0}, {0, 0, 1}, 1.0f, 0, false);  // would post to freed memory
    EXPECT_EQ(object.GetControllerOwner().Get(), &object);
}
