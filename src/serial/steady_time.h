#pragma once

#include <chrono>
#include <cstdint>

namespace serial {

// The machine's steady clock in microseconds: the time real ports' read time-outs
// run on, and the one time scale the program measures intervals in.
inline std::int64_t SteadyMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace serial
