#pragma once

#include <cstdint>

namespace duruz {

// Line health as the capture loop sees it, counted where each event happens and
// cleared when a port opens.
struct LinkCounters {
    std::uint32_t framesReceived = 0;
    // A resync is one run of header checks that did not find the marker at the
    // start, however many shifts it took; resyncBytes adds up every byte they dropped.
    std::uint32_t resyncs = 0;
    std::uint32_t resyncBytes = 0;
    // Requests given up at their deadline: with nothing of the frame received, or
    // with part of it.
    std::uint32_t timeoutsEmpty = 0;
    std::uint32_t timeoutsPartial = 0;
    // Frames received that cannot be told to answer a request under the setting the
    // link last sent: not shown.
    std::uint32_t stale = 0;
    // True between a shift and the header that is finally accepted.
    bool inResync = false;
};

} // namespace duruz
