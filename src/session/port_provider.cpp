#include "session/port_provider.h"

namespace duruz {

DefaultPortProvider::DefaultPortProvider(const sim::InstrumentOptions& options)
    : simulator_(clock_, options) {}

serial::SerialPort& DefaultPortProvider::PortFor(const PortEntry& entry) {
    if (entry.kind == PortKind::Simulator)
        return simulator_;
    return device_;
}

} // namespace duruz
