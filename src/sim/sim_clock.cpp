#include "sim/sim_clock.h"

#include "serial/steady_time.h"

#include <chrono>
#include <thread>

namespace sim {

std::int64_t SteadySimClock::NowMicros() {
    return serial::SteadyMicros();
}

void SteadySimClock::SleepUntil(std::int64_t micros) {
    using namespace std::chrono;
    std::this_thread::sleep_until(steady_clock::time_point(microseconds(micros)));
}

} // namespace sim
