#include "sim/sim_clock.h"

#include <chrono>
#include <thread>

namespace sim {

std::int64_t SteadySimClock::NowMicros() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void SteadySimClock::SleepUntil(std::int64_t micros) {
    using namespace std::chrono;
    std::this_thread::sleep_until(steady_clock::time_point(microseconds(micros)));
}

} // namespace sim
