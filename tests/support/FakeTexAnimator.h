// A texture animator for tests of renderables: each Apply adds `step` to u0 of every vertex it copies
// and logs which array it read from; clones share the log, and destruction is counted.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Render/PTexAnimator.h"

struct FakeTexAnimatorLog {
    struct Application {
        std::string name;
        const CPVertex* source;
        CPVertex* destination;
        int32_t count;
        float firstSourceU;  // u0 of the first source vertex as the animator found it
    };
    std::vector<Application> applications;
    int destroyed = 0;
    int resets = 0;
};

class FakeTexAnimator : public CPTexAnimator {
public:
    FakeTexAnimator(std::string name, float step, std::shared_ptr<FakeTexAnimatorLog> log)
        : name(std::move(name)), step(step), log(std::move(log)) {}
    ~FakeTexAnimator() override { ++log->destroyed; }

    void Update(float seconds) override { clock += seconds; }
    void Apply(CPVertex* destination, const CPVertex* source, int32_t count) override {
        log->applications.push_back({name, source, destination, count, count > 0 ? source[0].u0 : 0.0f});
        for (int32_t i = 0; i < count; ++i) {
            CPVertex v = source[i];
            v.u0 += step;
            destination[i] = v;
        }
    }
    CPTexAnimator* Clone() const override {
        auto* copy = new FakeTexAnimator(name + " clone", step, log);
        copy->clock = clock;
        return copy;
    }
    void Reset() override { ++log->resets; }

    std::string name;
    float step;
    float clock = 0.0f;
    std::shared_ptr<FakeTexAnimatorLog> log;
};
