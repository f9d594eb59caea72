#pragma once

#include "link/serial_link.h"
#include "serial/native_serial_port.h"
#include "sim/sim_clock.h"
#include "sim/simulator_port.h"

namespace sim {

// The ports behind the rows of the port list: the simulator row gets the paced
// in-process simulator, every other row the platform's one serial port.
class DefaultPortProvider : public duruz::PortProvider {
public:
    explicit DefaultPortProvider(const InstrumentOptions& options = {});
    serial::SerialPort& PortFor(const duruz::PortEntry& entry) override;

    SimulatorPort& Simulator() { return simulator_; }

private:
    SteadySimClock clock_;
    serial::NativeSerialPort device_;
    SimulatorPort simulator_;
};

} // namespace sim
