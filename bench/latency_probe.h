#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

namespace bench {

// How late a 20 ms timer fires while the event loop runs: the window's answer
// time as a user feels it. Each sample is how much later than 20 ms after the
// previous one a timeout came.
struct Lateness {
    std::vector<double> ms; // sorted
    double Median() const { return At(0.5); }
    double P95() const { return At(0.95); }
    double Max() const { return ms.empty() ? 0 : ms.back(); }
    double At(double q) const {
        return ms.empty() ? 0 : ms[std::size_t(q * double(ms.size() - 1) + 0.5)];
    }
};

inline Lateness ProbeLateness(std::chrono::milliseconds duration) {
    constexpr double kPeriodMs = 20;
    Lateness result;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(int(kPeriodMs));
    QElapsedTimer clock;
    qint64 last = -1;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (last >= 0)
            result.ms.push_back(std::max(0.0, double(now - last) / 1e6 - kPeriodMs));
        last = now;
    });
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    clock.start();
    probe.start();
    loop.exec();
    probe.stop();
    std::sort(result.ms.begin(), result.ms.end());
    return result;
}

} // namespace bench
