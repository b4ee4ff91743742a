// One frame of the task kernel with 2,000 tasks: 200 added and 200 stopped every frame. The floor,
// PlainArrayFrame, does the same work on a plain array in the order tasks were added: the kernel's
// figure is read as a ratio to it.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <memory>
#include <vector>

#include "core/CPTaskKernel.h"

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
}  // namespace

BENCHMARK_MAIN();
