// The sweep over a session on the unpaced simulator, its wire tapped.

#include "analysis/calibration.h"
#include "analysis/frequency_sweep.h"
#include "session/port_provider.h"

#include <gtest/gtest.h>

namespace {

using namespace duruz;

// The simulator's port, every byte written to it kept.
struct WireTap : PortProvider, serial::SerialPort {
    explicit WireTap(const sim::InstrumentOptions& options) : inner(options) {}
    serial::SerialPort& PortFor(const PortEntry& entry) override {
        port = &inner.PortFor(entry);
        return *this;
    }
    serial::OpenResult Open(const char* path) override { return port->Open(path); }
    bool IsOpen() const override { return port->IsOpen(); }
    bool GetSettings(serial::LineSettings& s) override { return port->GetSettings(s); }
    void ClearErrors() override { port->ClearErrors(); }
    bool SetSettings(const serial::LineSettings& s) override { return port->SetSettings(s); }
    bool SetTimeouts(const serial::Timeouts& t) override { return port->SetTimeouts(t); }
    std::size_t Read(void* b, std::size_t n) override { return port->Read(b, n); }
    std::size_t ReadWithin(void* b, std::size_t n, std::uint32_t ms) override {
        return port->ReadWithin(b, n, ms);
    }
    std::size_t Write(const void* data, std::size_t n) override {
        written.append(static_cast<const char*>(data), n);
        return port->Write(data, n);
    }
    void Close() override { port->Close(); }
    void Interrupt() override { port->Interrupt(); }
    std::int64_t NowMicros() override { return port->NowMicros(); }
    DefaultPortProvider inner;
    serial::SerialPort* port = nullptr;
    std::string written;
};

TEST(FrequencySweep, MovesAClippedRangeMarksNoiseRestoresTheUserSettingAndCalibratesRangePairs) {
    sim::InstrumentOptions options;
    options.paced = false;
    ASSERT_EQ(sim::ParseCircuit("lowpass:1000", options.circuit), std::nullopt);
    WireTap tap(options);
    SessionEnvironment environment;
    environment.ports = &tap;
    environment.portSources.sysfsRoot = "";
    environment.portSources.offerSimulator = true;
    environment.linkThread = false;
    InstrumentSession session(std::move(environment), [] {});
    session.BeginStartUp(50);
    // The user's setting: input 1 on its most sensitive range, which 1.5 V clips.
    session.SetTrigger(1, 0, 500);
    session.SetProbe(0, 1);
    session.SetProbe(1, 1);
    session.SetRange(0, 7);
    session.SetRange(1, 3);
    session.SetGenerator(0, {3, "200", "0.7"});
    session.OpenWithCompleteSetting(session.DefaultPortRow());
    const std::string userSetting = "%G03200.000000,0.700000%z\r\n%X7\r%Y3\r%S10 1024  500\r";
    for (const char* command : {"%G03200.000000,0.700000", "%X7\r", "%Y3\r", "%S10 1024  500\r"})
        EXPECT_NE(tap.written.find(command), std::string::npos) << command;

    FrequencySweep sweep(session);
    SweepRequest request;
    request.parameters = {100.0, 10000.0, FrequencySpacing::Logarithmic, 10, 0, 1.5};
    ASSERT_TRUE(sweep.Start(request, 0.0).Ok());
    for (int tick = 0; tick < 200 && sweep.Points().size() < 3; ++tick) {
        session.Tick();
        sweep.Collected(session.Collect(), 0.0);
    }
    ASSERT_EQ(sweep.Points().size(), 3u);
    EXPECT_EQ(sweep.Progress(1.0).total, 21);
    std::string& wire = tap.written;
    wire.clear();
    sweep.Stop();
    EXPECT_EQ(wire, userSetting);
    EXPECT_FALSE(sweep.Running());

    // 1.5 V clipped input 1 on 1 V and fits 2 V; input 2 came down from 12 V to 2 V.
    const SweepPoint& first = sweep.Points()[0];
    EXPECT_EQ(first.status, PointStatus::Measured);
    EXPECT_EQ(first.rangeRows, (std::array<int, 2>{6, 6}));
    EXPECT_NEAR(GainDb(first.ratio), -0.0432, 0.05);
    EXPECT_NEAR(PhaseDegrees(first.ratio), -5.71, 0.5);
    EXPECT_NEAR(std::abs(first.volts[0]), 1.5, 0.01);

    // 2 mV is a few counts even on the most sensitive range: no gain, no phase.
    request.parameters = {100.0, 120.0, FrequencySpacing::Linear, 10, 2, 0.002};
    ASSERT_TRUE(sweep.Start(request, 0.0).Ok());
    for (int tick = 0; tick < 100 && sweep.Running(); ++tick) {
        session.Tick();
        sweep.Collected(session.Collect(), 0.0);
    }
    ASSERT_EQ(sweep.Points().size(), 2u);
    EXPECT_EQ(PointStatusText(sweep.Points()[0]), "below the noise on channel 1");
    // Input 1 searched down to its most sensitive range; input 2 left as the user had it.
    EXPECT_EQ(sweep.Points()[0].rangeRows, (std::array<int, 2>{7, 3}));
    EXPECT_FALSE(ReadSweepPoints(sweep.Points()).points[1].measured);

    // Calibrating: input 2 settles on +-2 V (1 V clips +-1 V), then visits +-1 V at 0.6 V
    // and goes back to +-2 V for the next point.
    request.parameters.amplitudeVolts = 1.0;
    request.calibrating = true;
    wire.clear();
    ASSERT_TRUE(sweep.Start(request, 0.0).Ok());
    for (int tick = 0; tick < 100 && sweep.Running(); ++tick) {
        session.Tick();
        sweep.Collected(session.Collect(), 0.0);
    }
    const Calibration calibration = CalibrationFromPoints(sweep.Points());
    ASSERT_EQ(calibration.curves.size(), 2u);
    EXPECT_EQ(calibration.curves[1].rangeRows, (std::array<int, 2>{7, 7}));
    EXPECT_EQ(calibration.curves[0].points.size() + calibration.curves[1].points.size(), 4u);
    EXPECT_NE(wire.find("%Y7\r%G01100.000000,0.600000"), std::string::npos) << wire;
    EXPECT_NE(wire.find("%Y6\r%G01120.000000,1.000000"), std::string::npos);
    EXPECT_EQ(sweep.Progress(0.0).done, 2);
    // Not: +-2 V at 1.2 V clips input 1 on +-1 V; x10 needs 6 V; 0.6 V is 7.5 % of +-8 V.
    EXPECT_EQ(RangeVisits({1, 1}, {7, 7}).size() + RangeVisits({1, 0}, {6, 6}).size(), 0u);
    EXPECT_EQ(RangeVisits({1, 1}, {5, 5}).size(), 2u);
    EXPECT_EQ(RangeVisits({1, 1}, {4, 4}).size(), 1u);
}

} // namespace
