// The simulator's circuit and mismatch, measured through the estimator.

#include "analysis/response_point.h"
#include "sim/sim_test_helpers.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace duruz;

// A 1 V sine from generator A at the frequency, both inputs on the 2 V range.
ResponseMeasurement Measure(const sim::InstrumentOptions& options, const char* generator,
                            double hertz) {
    sim::SimulatedInstrument instrument(options);
    const sim_test::Bytes bytes =
        sim_test::Capture(instrument, std::string("%X6\r%Y6\r%S01 1024 2100\r") + generator);
    CaptureStore frame; // the samples are all the estimator reads
    std::memcpy(frame.CaptureBuffer.data(), bytes.data() + kHeaderBytes,
                sizeof frame.CaptureBuffer);
    return MeasureResponse(frame, hertz, {{{1, 6}, {1, 6}}});
}

TEST(SimulatedCircuit, LowPassAtItsCornerAndTheMismatch) {
    sim::InstrumentOptions options;
    ASSERT_EQ(sim::ParseCircuit("lowpass:1000", options.circuit), std::nullopt);
    // Generator B reaches no input: input 1 is on A.
    ResponseMeasurement point =
        Measure(options, "%G011000.000000,1.000000%G13300.000000,1.500000", 1000);
    ASSERT_EQ(point.status, ToneStatus::Valid);
    EXPECT_NEAR(std::abs(point.volts[0]), 1.0, 0.002);
    EXPECT_NEAR(std::abs(point.ratio), std::sqrt(0.5), 0.001);
    EXPECT_NEAR(PhaseDegrees(point.ratio), -45.0, 0.2);

    // 2% more and 2 us later on input 2 alone: 0.17 dB, 7.2 degrees behind at 10 kHz.
    options.circuit = {};
    ASSERT_EQ(sim::ParseMismatch("1.02:2", options.mismatch), std::nullopt);
    point = Measure(options, "%G0110000.000000,1.000000", 10000);
    EXPECT_NEAR(std::abs(point.ratio), 1.02, 0.002);
    EXPECT_NEAR(PhaseDegrees(point.ratio), -7.2, 0.2);
}

TEST(SimulatedCircuit, MalformedOptionsRefusedAndLeftAsThey_were) {
    sim::Circuit circuit{sim::CircuitKind::HighPass, 500.0};
    for (const char* text : {"lowpass", "lowpass:0", "lowpass:1000:2", "bandpass:1000", "notch:100",
                             "lowpass2:1e3:0.05", "lowpass:1k", ""})
        EXPECT_NE(sim::ParseCircuit(text, circuit), std::nullopt) << text;
    EXPECT_EQ(sim::ParseCircuit("lowpass:1k", circuit),
              "takes lowpass:FC, highpass:FC, bandpass:F0:Q or lowpass2:FC:Q, FC and F0 in Hz "
              "from 1 to 1000000, Q from 0.1 to 100, not 'lowpass:1k'");
    EXPECT_TRUE(circuit.kind == sim::CircuitKind::HighPass && circuit.cornerHertz == 500.0);
    EXPECT_TRUE(!sim::ParseCircuit("bandpass:2e3:0.1", circuit) && circuit.q == 0.1);
    sim::InputMismatch mismatch;
    for (const char* text : {"1.02", "0:2", "1.02:2:3", "1.02:1001", "x:2"})
        EXPECT_NE(sim::ParseMismatch(text, mismatch), std::nullopt) << text;
    EXPECT_TRUE(mismatch.gain == 1.0 && mismatch.delayMicros == 0.0 && !mismatch.given);
}

} // namespace
