#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <map>
#include <memory>
#include <string>

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

TEST_F(TaskKernelTest, ListsATaskFromItsAddingUntilTheWalkDropsItOrItMovesElsewhere) {
    RecordingTask* task = Make("task");
    EXPECT_FALSE(kernel.Lists(task));
    EXPECT_FALSE(kernel.Lists(nullptr));
    kernel.AddTask(task);
    EXPECT_TRUE(kernel.Lists(task));
    task->Stop();
    EXPECT_TRUE(kernel.Lists(task)) << "a stopped task keeps its entry until the walk";
    kernel.RunFrame();
    EXPECT_FALSE(kernel.Lists(task));
    CPTaskKernel other;
    ASSERT_TRUE(other.AddTask(task));
    EXPECT_TRUE(other.Lists(task));
    task->Stop();
    ASSERT_TRUE(kernel.AddTask(task));
    EXPECT_TRUE(kernel.Lists(task));
    EXPECT_FALSE(other.Lists(task)) << "a task has one entry, in the kernel that added it last";
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

TEST_F(TaskKernelTest, TaskLeavingDuringTheWalkIsNotRunWhenAheadAndLeavesTheList) {
    // Listed a(1) b(2) c(3) d(4); in the first frame b takes one task out of the list while it runs.
    struct Case {
        const char* name;
        const char* victim;
        bool destroy;  // destroyed rather than stopped
        std::vector<std::string> ran;
    };
    const Case cases[] = {
        {"stops the next", "c", false, {"a", "b", "d"}},    {"destroys the next", "c", true, {"a", "b", "d"}},
        {"stops itself", "b", false, {"a", "b", "c", "d"}}, {"destroys itself", "b", true, {"a", "b", "c", "d"}},
        {"stops one behind", "a", false, {"a", "b", "c", "d"}},
        {"destroys one behind", "a", true, {"a", "b", "c", "d"}},
        {"destroys the last", "d", true, {"a", "b", "c"}},
    };
    for (const Case& c : cases) {
        log.clear();
        CPTaskKernel walk;
        std::map<std::string, RecordingTask*> byName;
        int32_t priority = 1;
        for (const char* name : {"a", "b", "c", "d"}) byName[name] = new RecordingTask(name, &log, priority++);
        RecordingTask* victim = byName[c.victim];
        byName["b"]->mAction = [victim, destroy = c.destroy](RecordingTask&) {
            if (destroy)
                delete victim;  // when b is the victim this closure dies too: nothing after it
            else
                victim->Stop();
        };
        for (const char* name : {"a", "b", "c", "d"}) walk.AddTask(byName[name]);
        walk.RunFrame();
        EXPECT_EQ(log, c.ran) << c.name;
        EXPECT_TRUE(walk.ListIsSound()) << c.name;
        if (c.destroy) byName.erase(c.victim);
        if (byName.count("b")) byName["b"]->mAction = nullptr;

        // By the end of the next frame the victim has left and everything else has run again.
        std::vector<std::string> rest;
        for (auto& [name, task] : byName)
            if (name != c.victim) rest.push_back(name);
        log.clear();
        walk.RunFrame();
        EXPECT_EQ(log, rest) << c.name;
        std::vector<std::string> left;
        for (CPTask* t : walk.GetTasks()) left.push_back(static_cast<RecordingTask*>(t)->Name());
        EXPECT_EQ(left, rest) << c.name;
        EXPECT_EQ(walk.GetTaskCount(), rest.size()) << c.name;
        for (auto& [name, task] : byName) delete task;
    }
}

TEST_F(TaskKernelTest, TasksAddedDuringTheWalkRunInTheirPlaceWhenAheadAndWaitWhenBehind) {
    RecordingTask* a = Make("a100", 100);
    RecordingTask* b = Make("b200", 200);
    RecordingTask* c = Make("c300", 300);
    RecordingTask* x = Make("x300", 300);
    RecordingTask* y = Make("y150", 150);
    RecordingTask* z = Make("z200", 200);
    RecordingTask* w = Make("w100", 100);
    RecordingTask* v = Make("v150", 150);
    RecordingTask* u = Make("u120", 120);
    RecordingTask* early = Make("early50", 50);
    a->mAction = [&](RecordingTask&) {
        // Out of order on purpose; an equal priority (w) lands right after the running task.
        for (RecordingTask* t : {x, y, z, w, early}) kernel.AddTask(t);
    };
    y->mAction = [&](RecordingTask&) {
        kernel.AddTask(v);  // ahead: its priority equals the running task's
        kernel.AddTask(u);  // behind: waits for the next frame
    };
    for (RecordingTask* t : {a, b, c}) kernel.AddTask(t);
    kernel.RunFrame();
    EXPECT_EQ(log, (std::vector<std::string>{"a100", "w100", "y150", "v150", "b200", "z200", "c300", "x300"}));
    EXPECT_TRUE(kernel.ListIsSound());

    const std::vector<std::string> all{"early50", "a100", "w100", "u120", "y150", "v150", "b200", "z200", "c300", "x300"};
    EXPECT_EQ(Names(), all);
    log.clear();
    a->mAction = nullptr;
    y->mAction = nullptr;
    kernel.RunFrame();
    EXPECT_EQ(log, all);
}

TEST_F(TaskKernelTest, TaskAddedAheadThenTakenOutBeforeItsTurnDoesNotRun) {
    struct Case {
        const char* name;
        bool destroy;
    };
    for (Case c : {Case{"stopped", false}, Case{"destroyed", true}}) {
        log.clear();
        CPTaskKernel walk;
        RecordingTask* first = Make("first", 1);
        RecordingTask* second = Make("second", 2);
        RecordingTask* last = Make("last", 9);
        auto* added = new RecordingTask("added", &log, 5);
        first->mAction = [&](RecordingTask&) { walk.AddTask(added); };
        second->mAction = [&](RecordingTask&) {
            if (c.destroy) {
                delete added;
                added = nullptr;
            } else {
                added->Stop();
            }
        };
        for (RecordingTask* t : {first, second, last}) walk.AddTask(t);
        walk.RunFrame();
        EXPECT_EQ(log, (std::vector<std::string>{"first", "second", "last"})) << c.name;
        EXPECT_EQ(walk.GetTaskCount(), 3u) << c.name;
        EXPECT_TRUE(walk.ListIsSound()) << c.name;
        if (added) {
            EXPECT_TRUE(walk.AddTask(added)) << c.name;
        }
        first->mAction = nullptr;
        second->mAction = nullptr;
        log.clear();
        walk.RunFrame();
        const std::vector<std::string> next = c.destroy ? std::vector<std::string>{"first", "second", "last"}
                                                        : std::vector<std::string>{"first", "second", "added", "last"};
        EXPECT_EQ(log, next) << c.name;
        delete added;
    }
}

TEST_F(TaskKernelTest, ListDuringTheWalkIsInRunOrderIncludingTasksAddedSinceItBegan) {
    RecordingTask* a = Make("a", 10);
    RecordingTask* b = Make("b", 30);
    RecordingTask* ahead = Make("ahead", 20);
    RecordingTask* behind = Make("behind", 5);
    std::vector<std::string> seen;
    a->mAction = [&](RecordingTask&) {
        kernel.AddTask(ahead);
        kernel.AddTask(behind);
        seen = Names();
    };
    kernel.AddTask(a);
    kernel.AddTask(b);
    kernel.RunFrame();
    EXPECT_EQ(seen, (std::vector<std::string>{"behind", "a", "ahead", "b"}));
    EXPECT_EQ(kernel.GetTaskCount(), 4u);
}

TEST_F(TaskKernelTest, TheListHoldsOneReferenceThroughGrowthAndDropsItOnLeaving) {
    // The list's reference is taken once when a task is listed and given back once when it leaves;
    // moving the list's storage around (growth, settling between frames) takes none and gives none.
    RecordingTask* watched = Make("watched", 500);
    CPSmartPtr<CPTask> held(watched);
    ASSERT_TRUE(kernel.AddTask(held));
    EXPECT_EQ(watched->GetRefCount(), 2);
    for (int i = 0; i < 100; ++i) kernel.AddTask(Make("filler", i * 10));
    kernel.RunFrame();
    kernel.RunFrame();
    EXPECT_EQ(watched->GetRefCount(), 2);

    watched->Stop();
    kernel.RunFrame();
    EXPECT_EQ(watched->GetRefCount(), 0) << "Release on leaving (which sets the count to 0)";
}

TEST_F(TaskKernelTest, ManyTasksAddedBetweenAndDuringFramesKeepFirstComeFirstServed) {
    // Tasks come in over several frames, some while a walk is under way; every frame's run order and
    // the list must match a plain stable sort of everything listed by (priority, order added).
    std::vector<std::pair<int32_t, std::string>> expected;  // priority, name in the order added
    int serial = 0;
    auto addNew = [&](int32_t priority) {
        std::string name = std::string("t").append(std::to_string(serial++));
        kernel.AddTask(Make(name, priority));
        expected.emplace_back(priority, name);
    };
    RecordingTask* spawner = Make("spawner", 3);
    spawner->mAction = [&](RecordingTask&) {
        for (int i = 0; i < 5; ++i) addNew((serial * 5) % 7);
    };
    kernel.AddTask(spawner);
    expected.emplace_back(3, "spawner");
    for (int frame = 0; frame < 4; ++frame) {
        for (int i = 0; i < 6; ++i) addNew((serial * 3) % 7);
        log.clear();
        kernel.RunFrame();
        auto sorted = expected;
        std::stable_sort(sorted.begin(), sorted.end(), [](auto& l, auto& r) { return l.first < r.first; });
        std::vector<std::string> names;
        for (auto& [priority, name] : sorted) names.push_back(name);
        EXPECT_EQ(Names(), names) << "frame " << frame;
        EXPECT_TRUE(kernel.ListIsSound()) << "frame " << frame;
    }
}

TEST_F(TaskKernelTest, LargeBatchesAddedBetweenFramesMergeInByPriorityThenOrderAdded) {
    // Batches large enough to be ordered by the radix sort as well as small ones; priorities that
    // differ in every byte and in sign, with ties, merged into a list that already runs.
    struct Case {
        const char* name;
        int count;
        std::function<int32_t(int)> priority;  // of the i-th task added
    };
    const Case cases[] = {
        {"one", 1, [](int) { return 7; }},
        {"small, ties", 32, [](int i) { return (i * 7) % 5; }},
        {"just large enough, ties", 33, [](int i) { return (i * 7) % 5; }},
        {"wide range and sign", 200,
         [](int i) {
             const int32_t spread[] = {INT32_MIN, -70000, -1, 0, 1, 255, 256, 65536, 1 << 24, INT32_MAX};
             return spread[(i * 7) % 10];
         }},
        {"one byte apart", 64, [](int i) { return 0x01020300 + (i * 13) % 3; }},
        // Spans that split into passes narrower than a byte: ten bits, and seventeen above three
        // bits every key shares.
        {"ten bits", 200, [](int i) { return (i * 7919) % 1000; }},
        {"seventeen bits, low ones shared", 150, [](int i) { return ((i * 7919) % 100000) * 8 + 3; }},
        {"ties at the largest priority, listed and added", 40, [](int i) { return INT32_MAX - i % 2; }},
    };
    for (const Case& c : cases) {
        CPTaskKernel walk;
        std::vector<std::pair<int32_t, std::string>> expected;  // priority, name, in the order added
        auto add = [&](const std::string& name, int32_t priority) {
            walk.AddTask(Make(name, priority));
            expected.emplace_back(priority, name);
        };
        for (int i = 0; i < 5; ++i) add(std::string("early").append(std::to_string(i)), c.priority(i * 3));
        walk.RunFrame();
        for (int i = 0; i < c.count; ++i) add(std::string("t").append(std::to_string(i)), c.priority(i));
        log.clear();
        walk.RunFrame();

        std::stable_sort(expected.begin(), expected.end(), [](auto& l, auto& r) { return l.first < r.first; });
        std::vector<std::string> names;
        for (auto& [priority, name] : expected) names.push_back(name);
        EXPECT_EQ(log, names) << c.name;
        std::vector<std::string> listed;
        for (CPTask* t : walk.GetTasks()) listed.push_back(static_cast<RecordingTask*>(t)->Name());
        EXPECT_EQ(listed, names) << c.name;
        EXPECT_TRUE(walk.ListIsSound()) << c.name;
        for (auto& task : tasks) task.reset();  // leave `walk` before it goes
        tasks.clear();
    }
}
