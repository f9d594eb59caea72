#pragma once

#include <cstdint>

namespace sim {

// Where the simulator's time comes from, in microseconds on a steady scale. The
// application runs on the steady clock; tests drive a manual clock so that pacing
// at the wire rate costs no real time.
class SimClock {
public:
    virtual ~SimClock() = default;
    virtual std::int64_t NowMicros() = 0;
    // Returns at or after the given time (at once when it has passed).
    virtual void SleepUntil(std::int64_t micros) = 0;
};

// std::chrono::steady_clock, with real sleeps.
class SteadySimClock : public SimClock {
public:
    std::int64_t NowMicros() override;
    void SleepUntil(std::int64_t micros) override;
};

// Time that moves only when someone sleeps or advances it.
class ManualClock : public SimClock {
public:
    explicit ManualClock(std::int64_t startMicros = 0) : now_(startMicros) {}
    std::int64_t NowMicros() override { return now_; }
    void SleepUntil(std::int64_t micros) override {
        if (micros > now_)
            now_ = micros;
    }
    void Advance(std::int64_t micros) { now_ += micros; }

private:
    std::int64_t now_;
};

} // namespace sim
