// A whole frequency response sweep over a session on the built-in simulator, the
// engine in-process: for the benchmarks and the plot of a measured curve.
#pragma once

#include "analysis/frequency_sweep.h"
#include "session/port_provider.h"

#include <chrono>
#include <vector>

namespace bench_support {

inline double NowSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The points of the request's sweep with the factory setting; none when refused.
inline std::vector<duruz::SweepPoint> SimulatedSweep(const sim::InstrumentOptions& options,
                                                     const duruz::SweepRequest& request) {
    using namespace duruz;
    DefaultPortProvider ports(options);
    SessionEnvironment environment;
    environment.ports = &ports;
    environment.portSources.sysfsRoot = "";
    environment.portSources.offerSimulator = true;
    environment.linkThread = false;
    InstrumentSession session(std::move(environment), [] {});
    session.BeginStartUp(50);
    session.OpenWithCompleteSetting(session.DefaultPortRow());
    FrequencySweep sweep(session);
    if (!sweep.Start(request, NowSeconds()).Ok())
        return {};
    while (sweep.Running()) {
        session.Tick();
        sweep.Collected(session.Collect(), NowSeconds());
    }
    return sweep.Points();
}

} // namespace bench_support
