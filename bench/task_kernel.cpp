// One frame of the task kernel with 2,000 tasks: 200 added and 200 stopped every frame.
#include <benchmark/benchmark.h>

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

void KernelFrame(benchmark::State& state) {
    constexpr int kTasks = 2000;
    constexpr int kChurn = 200;
    CPTaskKernel kernel;
    std::vector<std::unique_ptr<CountingTask>> tasks;
    for (int i = 0; i < kTasks + kChurn; ++i) {
        tasks.push_back(std::make_unique<CountingTask>());
        tasks.back()->SetPriority((i * 7919) % 1000);
    }
    for (int i = 0; i < kTasks; ++i) kernel.AddTask(tasks[i].get());
    // Tasks kTasks.. are waiting; each frame the next 200 waiting ones are added and 200 listed stopped.
    size_t nextToStop = 0;
    size_t nextToAdd = kTasks;
    CountingTask::gExecuted = 0;
    for (auto _ : state) {
        for (int i = 0; i < kChurn; ++i) {
            tasks[nextToStop]->Stop();
            nextToStop = (nextToStop + 1) % tasks.size();
        }
        for (int i = 0; i < kChurn; ++i) {
            kernel.AddTask(tasks[nextToAdd].get());
            nextToAdd = (nextToAdd + 1) % tasks.size();
        }
        kernel.RunFrame();
    }
    state.SetItemsProcessed(CountingTask::gExecuted);
    state.counters["ns_per_task"] = benchmark::Counter(static_cast<double>(CountingTask::gExecuted),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(KernelFrame)->Unit(benchmark::kMicrosecond);
}  // namespace

BENCHMARK_MAIN();
