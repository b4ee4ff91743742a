// The kernel against a plain list under scripted churn: tasks added, stopped, paused, destroyed,
// restarted and killed between frames and while the walk runs. The plain list follows the documented
// rules literally (insert before the first greater priority; the runner visits, in list order, every
// entry it has not visited whose priority is at or above the one it last visited), so any difference
// in the transcript of the two is a fault of the kernel's bookkeeping.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "core/CPTaskKernel.h"
#include "platform/RuntimeRandom.h"
#include "support/RecordingTask.h"

namespace {
constexpr int kTaskCount = 10;

// The documented list, one entry per listed task.
class PlainListKernel {
public:
    std::function<void(int)> onExecute;

    PlainListKernel() { Reset(); }
    void Reset() {
        for (int id = 0; id < kTaskCount; ++id) mTasks[id] = Flags{};
    }
    void SetPriority(int id, int32_t priority) { mTasks[id].priority = priority; }
    bool Add(int id) {
        Flags& task = mTasks[id];
        if (task.running) return false;
        task.stopped = false;
        task.running = true;
        Remove(id);
        auto place = std::find_if(mList.begin(), mList.end(),
                                  [&](const Entry& entry) { return entry.priority > task.priority; });
        mList.insert(place, Entry{id, task.priority, false});
        return true;
    }
    void Stop(int id) {
        mTasks[id].stopped = true;
        mTasks[id].running = false;
    }
    void Pause(int id) { mTasks[id].running = false; }
    void Destroy(int id) {
        Remove(id);
        mTasks[id] = Flags{};
    }
    void KillAll() {
        for (const Entry& entry : mList) mTasks[entry.id].stopped = true;
    }
    void RunFrame() {
        ++mFrame;
        for (Entry& entry : mList) entry.visited = false;
        int32_t walkPriority = INT32_MIN;
        for (;;) {
            auto next = std::find_if(mList.begin(), mList.end(), [&](const Entry& entry) {
                return !entry.visited && entry.priority >= walkPriority;
            });
            if (next == mList.end()) return;
            next->visited = true;
            walkPriority = next->priority;
            const int id = next->id;
            Flags& task = mTasks[id];
            if (task.stopped) {
                task.running = false;
                mList.erase(next);
            } else if (task.running && task.executedFrame != mFrame) {
                task.executedFrame = mFrame;
                onExecute(id);
            }
        }
    }
    std::vector<int> Order() const {
        std::vector<int> ids;
        for (const Entry& entry : mList) ids.push_back(entry.id);
        return ids;
    }
    bool Running(int id) const { return mTasks[id].running; }
    bool Stopped(int id) const { return mTasks[id].stopped; }

private:
    struct Flags {
        int32_t priority = CPTask::kDefaultPriority;
        bool running = false;
        bool stopped = false;
        int executedFrame = 0;
    };
    struct Entry {
        int id;
        int32_t priority;  // at the time it was added
        bool visited;
    };
    void Remove(int id) {
        mList.erase(std::remove_if(mList.begin(), mList.end(), [id](const Entry& entry) { return entry.id == id; }),
                    mList.end());
    }
    Flags mTasks[kTaskCount];
    std::vector<Entry> mList;
    int mFrame = 0;
};

// The kernel with the same operations on recording tasks.
class RealKernel {
public:
    std::function<void(int)> onExecute;

    RealKernel() {
        for (int id = 0; id < kTaskCount; ++id) Make(id);
    }
    ~RealKernel() {
        for (auto& task : mTasks) task.reset();  // unhooks each from the kernel before it goes
    }
    void SetPriority(int id, int32_t priority) { mTasks[id]->SetPriority(priority); }
    bool Add(int id) { return mKernel.AddTask(mTasks[id].get()); }
    void Stop(int id) { mTasks[id]->Stop(); }
    void Pause(int id) { mTasks[id]->SetRunning(false); }
    void Destroy(int id) {
        mTasks[id].reset();
        Make(id);
    }
    void KillAll() { mKernel.KillAllTasks(); }
    void RunFrame() { mKernel.RunFrame(); }
    std::vector<int> Order() const {
        std::vector<int> ids;
        for (CPTask* task : mKernel.GetTasks()) ids.push_back(std::stoi(static_cast<RecordingTask*>(task)->Name()));
        return ids;
    }
    bool Running(int id) const { return mTasks[id]->IsRunning(); }
    bool Stopped(int id) const { return mTasks[id]->IsStopped(); }
    bool Sound() const { return mKernel.ListIsSound(); }

private:
    void Make(int id) {
        mTasks[id] = std::make_unique<RecordingTask>(std::to_string(id), nullptr);
        mTasks[id]->mAction = [this, id](RecordingTask&) { onExecute(id); };
    }
    CPTaskKernel mKernel;
    std::unique_ptr<RecordingTask> mTasks[kTaskCount];
};

std::string Join(const std::vector<int>& ids) {
    std::string text;
    for (int id : ids) text.append(" ").append(std::to_string(id));
    return text;
}

// Drives either kernel through the same script, drawn from the runtime generator in the order the
// operations happen, and writes down everything observable.
template <class Kernel>
std::string Transcript(uint32_t seed, int frames, bool churnDuringWalk) {
    RuntimeSrand(seed);
    Kernel kernel;
    std::string out;
    auto add = [&](int id) {
        kernel.SetPriority(id, RuntimeRand() % 5 - 1);  // few values, many ties, one below zero
        out.append(kernel.Add(id) ? " +" : " !").append(std::to_string(id));
    };
    kernel.onExecute = [&](int self) {
        out.append(" x").append(std::to_string(self));
        if (!churnDuringWalk) return;
        const int draw = RuntimeRand() % 12;
        const int other = RuntimeRand() % kTaskCount;
        switch (draw) {
            case 0: kernel.Stop(other); break;
            case 1: add(other); break;
            case 2:
                // A task destroying itself would destroy the closure running this.
                if (other != self) kernel.Destroy(other);
                break;
            case 3: kernel.Stop(self); break;
            case 4:
                kernel.Stop(self);
                add(self);
                break;
            case 5: out.append(" [").append(Join(kernel.Order())).append(" ]"); break;
            case 6: kernel.Pause(other); break;
            default: break;
        }
    };
    for (int frame = 0; frame < frames; ++frame) {
        out.append("\nframe ").append(std::to_string(frame)).append(":");
        for (int op = 0; op < 4; ++op) {
            const int draw = RuntimeRand() % 20;
            const int id = RuntimeRand() % kTaskCount;
            if (draw < 9)
                add(id);
            else if (draw < 13)
                kernel.Stop(id);
            else if (draw < 15)
                kernel.Destroy(id);
            else if (draw < 16)
                kernel.Pause(id);
            else if (draw < 17 && frame % 7 == 6)
                kernel.KillAll();
        }
        out.append(" |");
        kernel.RunFrame();
        out.append(" | order").append(Join(kernel.Order())).append(" | flags ");
        for (int id = 0; id < kTaskCount; ++id)
            out.append(kernel.Running(id) ? "r" : "-").append(kernel.Stopped(id) ? "s " : "- ");
        if constexpr (std::is_same_v<Kernel, RealKernel>) {
            if (!kernel.Sound()) out.append(" UNSOUND");
        }
    }
    return out;
}
}  // namespace

TEST(TaskKernelChurnTest, RunsAndOrdersTasksAsThePlainListDoes) {
    struct Case {
        const char* name;
        uint32_t seed;
        bool churnDuringWalk;
    };
    const Case cases[] = {
        {"between frames only", 7, false},
        {"between frames only, other draws", 1234, false},
        {"during the walk too", 1, true},
        {"during the walk too, other draws", 42, true},
        {"during the walk too, third draws", 90210, true},
    };
    for (const Case& c : cases) {
        const std::string plain = Transcript<PlainListKernel>(c.seed, 60, c.churnDuringWalk);
        const std::string real = Transcript<RealKernel>(c.seed, 60, c.churnDuringWalk);
        EXPECT_EQ(real, plain) << c.name;
        // The script must reach the interesting cases at all.
        EXPECT_NE(plain.find(" x"), std::string::npos) << c.name;
        if (c.churnDuringWalk) {
            EXPECT_NE(plain.find(" ["), std::string::npos) << c.name;
        }
    }
}
