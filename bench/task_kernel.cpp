// One frame of the task kernel with 2,000 tasks: 200 added and 200 stopped every frame. Two floors do
// the same work on plain arrays, and the kernel's figure is read as a ratio to each: RunOrderArrayFrame
// walks the tasks in the kernel's order (priority, then first come), so the gap to it is the cost of
// the kernel's bookkeeping; PlainArrayFrame walks them in the order they were added (consecutive
// addresses here), so the gap to it also holds the cache misses the run order itself causes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

#include "core/CPTaskKernel.h"

// The kernel, built in its own library, calls Execute through the vtable. The floors must make the
// same call, not compare the vtable with that of the one task class defined here and inline its body.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC optimize("no-devirtualize-speculatively")
#endif

namespace {
class CountingTask : public CPTask {
public:
    size_t GetSize() const override { return sizeof(CountingTask); }
    std::string GetClassName() const override { return "CountingTask"; }
    int32_t GetTag() const override { return 0; }
    void Execute() override { ++gExecuted; }
    static inline int64_t gExecuted = 0;
};

constexpr int kTasks = 2000;
constexpr int kChurn = 200;

// kTasks + kChurn tasks of scattered priorities; tasks kTasks.. wait to be added.
std::vector<std::unique_ptr<CountingTask>> MakeTasks() {
    std::vector<std::unique_ptr<CountingTask>> tasks;
    for (int i = 0; i < kTasks + kChurn; ++i) {
        tasks.push_back(std::make_unique<CountingTask>());
        tasks.back()->SetPriority((i * 7919) % 1000);
    }
    return tasks;
}

// Each frame stops the next 200 listed tasks and hands the next 200 waiting ones to `add`.
template <class Add, class Run>
void ChurnFrames(benchmark::State& state, std::vector<std::unique_ptr<CountingTask>>& tasks, Add add, Run run) {
    size_t nextToStop = 0;
    size_t nextToAdd = kTasks;
    CountingTask::gExecuted = 0;
    for (auto _ : state) {
        for (int i = 0; i < kChurn; ++i) {
            tasks[nextToStop]->Stop();
            nextToStop = (nextToStop + 1) % tasks.size();
        }
        for (int i = 0; i < kChurn; ++i) {
            add(tasks[nextToAdd].get());
            nextToAdd = (nextToAdd + 1) % tasks.size();
        }
        run();
    }
    state.SetItemsProcessed(CountingTask::gExecuted);
    state.counters["ns_per_task"] = benchmark::Counter(static_cast<double>(CountingTask::gExecuted),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void KernelFrame(benchmark::State& state) {
    std::vector<std::unique_ptr<CountingTask>> tasks = MakeTasks();
    CPTaskKernel kernel;
    for (int i = 0; i < kTasks; ++i) kernel.AddTask(tasks[i].get());
    ChurnFrames(
        state, tasks, [&](CountingTask* task) { kernel.AddTask(task); }, [&] { kernel.RunFrame(); });
}
BENCHMARK(KernelFrame)->Unit(benchmark::kMicrosecond);

// The floor: started tasks appended to an array, walked front to back, stopped ones dropped in the
// same pass. No order by priority, no walk-time additions.
void PlainArrayFrame(benchmark::State& state) {
    std::vector<std::unique_ptr<CountingTask>> tasks = MakeTasks();
    std::vector<CPTask*> list;
    auto add = [&](CPTask* task) {
        if (task->Start()) list.push_back(task);
    };
    for (int i = 0; i < kTasks; ++i) add(tasks[i].get());
    ChurnFrames(state, tasks, add, [&] {
        size_t kept = 0;
        for (CPTask* task : list) {
            if (task->IsStopped()) {
                task->SetRunning(false);
                continue;
            }
            if (task->IsRunning()) task->Execute();
            list[kept++] = task;
        }
        list.resize(kept);
    });
}
BENCHMARK(PlainArrayFrame)->Unit(benchmark::kMicrosecond);

// The floor in run order: a plain array of (priority, task) in run order. Started tasks wait in a
// second array; each frame sorts them (stably, by priority) and merges them in as the walk reaches
// their place, dropping stopped tasks in the same pass. No walk-time additions, no links back from
// the tasks.
void RunOrderArrayFrame(benchmark::State& state) {
    struct Entry {
        int32_t priority;
        CPTask* task;
    };
    std::vector<std::unique_ptr<CountingTask>> tasks = MakeTasks();
    std::vector<Entry> list;
    std::vector<Entry> next;
    std::vector<Entry> added;
    auto add = [&](CPTask* task) {
        if (task->Start()) added.push_back(Entry{task->GetPriority(), task});
    };
    auto visit = [&](const Entry& entry) {
        if (entry.task->IsStopped()) {
            entry.task->SetRunning(false);
            return;
        }
        if (entry.task->IsRunning()) entry.task->Execute();
        next.push_back(entry);
    };
    auto run = [&] {
        std::stable_sort(added.begin(), added.end(),
                         [](const Entry& a, const Entry& b) { return a.priority < b.priority; });
        next.clear();
        size_t fromAdded = 0;
        for (const Entry& entry : list) {
            while (fromAdded < added.size() && added[fromAdded].priority < entry.priority) visit(added[fromAdded++]);
            visit(entry);
        }
        while (fromAdded < added.size()) visit(added[fromAdded++]);
        added.clear();
        list.swap(next);
    };
    for (int i = 0; i < kTasks; ++i) add(tasks[i].get());
    run();
    ChurnFrames(state, tasks, add, run);
}
BENCHMARK(RunOrderArrayFrame)->Unit(benchmark::kMicrosecond);
}  // namespace

BENCHMARK_MAIN();
