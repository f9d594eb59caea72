#include "link/serial_link.h"

#include <algorithm>

namespace duruz {

namespace {

// The longest read whose bound is worked out byte by byte: far more than any read
// of the link, and small enough that the milliseconds cannot overflow.
constexpr std::size_t kReadBoundBytes = 1 << 20;

} // namespace

std::size_t PortRead(SerialLink& link, void* buffer, std::size_t count) {
    if (link.PortHandle == nullptr)
        return 0;
    if (link.PortUnconfigured) {
        const std::size_t bytes = std::min<std::size_t>(count, kReadBoundBytes);
        const auto ms =
            static_cast<std::uint32_t>(kInstrumentTimeouts.readTotalMultiplierMs * bytes +
                                       kInstrumentTimeouts.readTotalConstantMs);
        return link.PortHandle->ReadWithin(buffer, count, ms);
    }
    return link.PortHandle->Read(buffer, count);
}

std::size_t PortReadWithin(SerialLink& link, void* buffer, std::size_t count, std::uint32_t ms) {
    if (link.PortHandle == nullptr)
        return 0;
    return link.PortHandle->ReadWithin(buffer, count, ms);
}

void PortWrite(SerialLink& link, const void* data, std::size_t count) {
    if (link.PortHandle != nullptr)
        link.PortHandle->Write(data, count);
}

std::int64_t PortNowMicros(SerialLink& link) {
    if (link.PortHandle == nullptr)
        return serial::SteadyMicros();
    return link.PortHandle->NowMicros();
}

void ClosePort(SerialLink& link) {
    if (link.PortHandle == nullptr)
        return;
    link.PortHandle->Close();
    link.PortHandle = nullptr;
    link.PortOpen = false;
    link.PortUnconfigured = false;
}

} // namespace duruz
