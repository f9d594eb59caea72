#include "sim/port_provider.h"

namespace sim {

DefaultPortProvider::DefaultPortProvider(const InstrumentOptions& options)
    : simulator_(clock_, options, true) {}

serial::SerialPort& DefaultPortProvider::PortFor(const duruz::PortEntry& entry) {
    if (entry.kind == duruz::PortKind::Simulator)
        return simulator_;
    return device_;
}

} // namespace sim
