// The rigid-body world's stopwatch on the high-resolution counter: it times the world's steps.
// Init measures what reading the counter costs, so that the measured times can leave it out.
#pragma once

#include <cstdint>

// Ticks per second of the counter, read by the first PhysTimer::Init (0 until then or when it failed).
extern int64_t gPhysCounterFrequency;

class PhysTimer {
public:
    // Clears the record and reads the counter frequency; when that fails nothing else is set and the
    // timer measures nothing. Otherwise the least of 20 back-to-back counter readings (starting from
    // 200 ticks) becomes the overhead, and the significant bits of the frequency's low 32 bits are
    // counted.
    void Init();

    void Start();
    // Seconds since Start, less the overhead; 0 when the frequency could not be read or Start was
    // not called.
    double Stop();

    int32_t GetOverheadTicks() const { return mOverheadTicks; }
    int32_t GetFrequencyBits() const { return mFrequencyBits; }

private:
    int32_t mOverheadTicks = 0;  // ticks one counter reading costs
    int32_t mFrequencyBits = 0;  // significant bits of the frequency's low 32 bits
    int64_t mStartTicks = 0;     // counter value at Start
    int32_t mRunning = 0;        // 1 between Start and Stop
};
