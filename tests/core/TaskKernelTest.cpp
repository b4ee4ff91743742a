#include <gtest/gtest.h>

#include <memory>

#include "core/CPObjUpdater.h"
#include "core/CPTaskKernel.h"
#include "support/RecordingTask.h"

namespace {
struct TaskKernelTest : ::testing::Test {
    CPTaskKernel kernel;
    std::vector<std::string> log;
    std::vector<std::unique_ptr<RecordingTask>> tasks;

    RecordingTask* Make(const std::string& name, int32_t priority = CPTask::kDefaultPriority) {
        tasks.push_back(std::make_unique<RecordingTask>(name, &log, priority));
        return tasks.back().get();
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> out;
        for (CPTask* t : kernel.GetTasks()) out.push_back(static_cast<RecordingTask*>(t)->Name());
        return out;
    }
};
}  // namespace

TEST_F(TaskKernelTest, OrdersByPriorityFirstComeFirstServed) {
    struct Case {
        const char* name;
        int32_t priority;
    };
    for (Case c : {Case{"a", 500}, Case{"b", 100}, Case{"c", 400}, Case{"d", 5000}, Case{"e", 400}, Case{"f", -1},
                   Case{"g", 0}, Case{"h", 5000}}) {
        EXPECT_TRUE(kernel.AddTask(Make(c.name, c.priority)));
    }
    EXPECT_EQ(Names(), (std::vector<std::string>{"f", "g", "b", "c", "e", "a", "d", "h"}));
    kernel.RunFrame();
    EXPECT_EQ(log, Names());
}

TEST_F(TaskKernelTest, RefusesEmptyAndRunningTasks) {
    CPSmartPtr<CPTask> empty;
    EXPECT_FALSE(kernel.AddTask(empty));
    RecordingTask* task = Make("a");
    EXPECT_TRUE(kernel.AddTask(task));
    EXPECT_TRUE(task->IsRunning());
    EXPECT_FALSE(kernel.AddTask(task));
    EXPECT_EQ(kernel.GetTaskCount(), 1u);
}

TEST_F(TaskKernelTest, StoppedTaskIsAcceptedAgainWithStoppedCleared) {
    RecordingTask* task = Make("a");
    task->Stop();
    EXPECT_TRUE(kernel.AddTask(task));
    EXPECT_FALSE(task->IsStopped());
    EXPECT_TRUE(task->IsRunning());
}

TEST_F(TaskKernelTest, KillAllTasksFlagsButKeepsListAndRunning) {
    RecordingTask* a = Make("a");
    RecordingTask* b = Make("b", 10);
    kernel.AddTask(a);
    kernel.AddTask(b);
    kernel.KillAllTasks();
    EXPECT_TRUE(a->IsStopped());
    EXPECT_TRUE(b->IsStopped());
    EXPECT_TRUE(a->IsRunning());
    EXPECT_EQ(kernel.GetTaskCount(), 2u);
    EXPECT_FALSE(kernel.AddTask(a));  // still running until the runner drops it

    kernel.RunFrame();
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(kernel.GetTaskCount(), 0u);
    EXPECT_FALSE(a->IsRunning());
    EXPECT_TRUE(kernel.AddTask(a));  // a killed task is accepted again after pruning
    kernel.RunFrame();
    EXPECT_EQ(log, (std::vector<std::string>{"a"}));
}

TEST_F(TaskKernelTest, TheListStaysSoundWhileTasksStopAddAndDestroyOthersDuringAWalk) {
    RecordingTask* first = Make("first", 1);
    RecordingTask* stopped = Make("stopped", 2);
    RecordingTask* last = Make("last", 3);
    RecordingTask* added = Make("added", 2);
    std::vector<bool> sound;
    first->mAction = [&](RecordingTask&) {
        stopped->Stop();
        kernel.AddTask(added);  // lands ahead of the walk
        sound.push_back(kernel.ListIsSound());
    };
    last->mAction = [&](RecordingTask&) {
        tasks.front().reset();  // destroys `first`, behind the walk
        sound.push_back(kernel.ListIsSound());
    };
    for (RecordingTask* task : {first, stopped, last}) kernel.AddTask(task);

    kernel.RunFrame();
    EXPECT_EQ(log, (std::vector<std::string>{"first", "added", "last"}));
    EXPECT_EQ(sound, (std::vector<bool>{true, true}));
    EXPECT_TRUE(kernel.ListIsSound());
    EXPECT_EQ(Names(), (std::vector<std::string>{"added", "last"}));
}

TEST_F(TaskKernelTest, TaskStoppingItselfRunsOnceAndLeaves) {
    RecordingTask* once = Make("once");
    once->mAction = [](RecordingTask& t) { t.Stop(); };
    RecordingTask* after = Make("after", 6000);
    kernel.AddTask(once);
    kernel.AddTask(after);
    kernel.RunFrame();
    kernel.RunFrame();
    EXPECT_EQ(log, (std::vector<std::string>{"once", "after", "after"}));
    EXPECT_EQ(kernel.GetTaskCount(), 1u);
}

TEST_F(TaskKernelTest, TaskAddedDuringWalkRunsWhenPlacedAhead) {
    RecordingTask* early = Make("early", 100);
    RecordingTask* late = Make("late", 900);
    RecordingTask* before = Make("before", 50);
    early->mAction = [&](RecordingTask&) {
        kernel.AddTask(late);
        kernel.AddTask(before);
    };
    kernel.AddTask(early);
    kernel.RunFrame();
    // "late" lies ahead of the walk and runs this frame; "before" lies behind it and waits.
    EXPECT_EQ(log, (std::vector<std::string>{"early", "late"}));
    log.clear();
    early->mAction = nullptr;
    kernel.RunFrame();
    EXPECT_EQ(log, (std::vector<std::string>{"before", "early", "late"}));
}

TEST_F(TaskKernelTest, StoppedAndReaddedInOneFrameRunsOnceWithOneEntry) {
    RecordingTask* level = Make("level", 100);
    RecordingTask* script = Make("script", 50);
    kernel.AddTask(level);
    kernel.AddTask(script);
    // The script stops and starts the level in the same frame, before the level's entry is pruned.
    script->mAction = [&](RecordingTask&) {
        level->Stop();
        kernel.AddTask(level);
    };
    kernel.RunFrame();
    EXPECT_EQ(log, (std::vector<std::string>{"script", "level"}));
    EXPECT_EQ(kernel.GetTaskCount(), 2u);

    // Re-added after it has run in this frame: it does not run a second time.
    log.clear();
    script->mAction = nullptr;
    RecordingTask* restarter = Make("restarter", 200);
    restarter->mAction = [&](RecordingTask&) {
        level->Stop();
        kernel.AddTask(level);
    };
    kernel.AddTask(restarter);
    level->SetPriority(300);
    kernel.RunFrame();
    EXPECT_EQ(log, (std::vector<std::string>{"script", "level", "restarter"}));
    EXPECT_EQ(kernel.GetTaskCount(), 3u);
}

TEST_F(TaskKernelTest, DestroyedTaskLeavesTheList) {
    auto* doomed = new RecordingTask("doomed", &log, 10);
    RecordingTask* killer = Make("killer", 5);
    killer->mAction = [&](RecordingTask&) { delete doomed; };
    kernel.AddTask(killer);
    kernel.AddTask(doomed);
    kernel.RunFrame();
    EXPECT_EQ(log, (std::vector<std::string>{"killer"}));
    EXPECT_EQ(kernel.GetTaskCount(), 1u);
}

namespace {
struct Counter {
    int calls = 0;
    int Step() { return ++calls; }
};
}  // namespace

TEST(ObjUpdaterTest, CallsMemberOnTargetAndNothingWithoutOne) {
    CPObjUpdater updater;
    EXPECT_EQ(updater.GetClassName(), "CPObjUpdater");
    EXPECT_FALSE(updater.Clone());
    updater.Execute();  // no target yet: nothing happens

    Counter counter;
    updater.SetTag(3);
    updater.SetTarget(&counter, &Counter::Step);
    updater.SetPriority(500);
    CPTaskKernel kernel;
    EXPECT_TRUE(kernel.AddTask(&updater));
    kernel.RunFrame();
    kernel.RunFrame();
    EXPECT_EQ(counter.calls, 2);
    EXPECT_EQ(updater.GetTag(), 3);
}

TEST_F(TaskKernelTest, TaskAddedAfterTheRunningTaskLeftStillRunsWhenPlacedAhead) {
    // The running task leaves its place (it restarts itself, or is destroyed) and then adds a task
    // that lies between its old place and the rest of the walk: that task runs in this frame.
    struct Case {
        const char* name;
        bool destroySelf;
    };
    for (Case c : {Case{"restarts itself", false}, Case{"destroys itself", true}}) {
        log.clear();
        CPTaskKernel walk;
        auto* leaving = new RecordingTask("leaving", &log, 100);
        RecordingTask* added = Make("added", 150);
        RecordingTask* behind = Make("behind", 50);
        RecordingTask* last = Make("last", 200);
        leaving->mAction = [&](RecordingTask& self) {
            if (c.destroySelf) {
                // Deleting the task destroys this closure too: keep what is needed on the stack.
                CPTaskKernel& kernelRef = walk;
                RecordingTask* toAdd = added;
                RecordingTask* toAddBehind = behind;
                delete &self;
                kernelRef.AddTask(toAdd);
                kernelRef.AddTask(toAddBehind);
                return;
            }
            self.Stop();
            walk.AddTask(&self);
            walk.AddTask(added);
            walk.AddTask(behind);
        };
        walk.AddTask(leaving);
        walk.AddTask(last);
        walk.RunFrame();
        EXPECT_EQ(log, (std::vector<std::string>{"leaving", "added", "last"})) << c.name;
        if (!c.destroySelf) {
            leaving->mAction = nullptr;
            log.clear();
            walk.RunFrame();
            EXPECT_EQ(log, (std::vector<std::string>{"behind", "leaving", "added", "last"})) << c.name;
            delete leaving;
        }
    }
}

TEST_F(TaskKernelTest, TaskMovedToAnotherKernelRunsInItsFirstFrame) {
    // A host that shuts down and starts again makes a new kernel; a task that ran in the old one's
    // first frame must run in the new one's first frame too.
    RecordingTask* task = Make("task");
    kernel.AddTask(task);
    kernel.RunFrame();
    task->Stop();
    CPTaskKernel next;
    ASSERT_TRUE(next.AddTask(task));
    next.RunFrame();
    EXPECT_EQ(log, (std::vector<std::string>{"task", "task"}));
}
