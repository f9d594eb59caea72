#pragma once

#include "link/serial_link.h"
#include "serial/native_serial_port.h"
#include "sim/sim_clock.h"
#include "sim/simulator_port.h"

namespace duruz {

// The ports behind the rows of the port list: the simulator row gets the
// in-process simulator (paced unless the options say otherwise), every other row
// the platform's one serial port.
class DefaultPortProvider : public PortProvider {
public:
    explicit DefaultPortProvider(const sim::InstrumentOptions& options = {});
    serial::SerialPort& PortFor(const PortEntry& entry) override;

    sim::SimulatorPort& Simulator() { return simulator_; }

private:
    sim::SteadySimClock clock_;
    serial::NativeSerialPort device_;
    sim::SimulatorPort simulator_;
};

} // namespace duruz
