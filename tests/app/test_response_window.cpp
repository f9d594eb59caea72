// The "Frequency response…" window driving the main window's session on the unpaced
// built-in simulator with a 1 kHz low-pass between generator A and input 2.

#include "analysis/calibration.h"
#include "analysis/response_csv.h"
#include "app/response_window.h"
#include "app/window_fixture.h"
#include "session/port_provider.h"
#include "sim/circuit.h"
#include "sim/simulator_port.h"
#include "toolkit/image_canvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

using namespace testing_support;

// What the instrument was last sent: ranges, trigger and generator A.
std::string OnTheWire(const sim::SimulatedInstrument& instrument) {
    const sim::InstrumentSettings& s = instrument.Settings();
    const sim::GeneratorSetting& a = s.generator[0];
    return std::to_string(s.rangeIndex[0]) + " " + std::to_string(s.rangeIndex[1]) + " " +
           std::to_string(s.sync.source) + std::to_string(s.sync.polarity) + " " +
           std::to_string(s.sync.level) + " " + a.code + " " + std::to_string(a.frequency) + " " +
           std::to_string(a.amplitude);
}

TEST(ResponseWindow, SweepsThroughTheWindowAndGivesTheUsersSettingBackAtItsEndOrStop) {
    sim::InstrumentOptions options;
    options.paced = false;
    ASSERT_EQ(sim::ParseCircuit("lowpass:1000", options.circuit), std::nullopt);
    duruz::DefaultPortProvider simulator(options);
    WindowFixture fixture;
    fixture.mapped["Simulator"] = &simulator.Simulator();
    std::int64_t now = 0;
    fixture.clockMs = [&now] { return now; };
    duruz::MainWindow& window = fixture.Start();
    const auto tick = [&] {
        now += 100;
        window.CaptureTick();
    };
    window.ChooseAveraging({8, duruz::AveragingMode::Running});
    for (int i = 0; i < 6; ++i)
        tick();
    const std::string user = OnTheWire(simulator.Simulator().Instrument());
    const int filled = window.Averaging().Filled();
    ASSERT_GT(filled, 0);

    const tk::PopupMenu& menu = window.TraceMenu();
    EXPECT_EQ(menu.Caption(menu.Count() - 1), "Frequency response\u2026");
    window.OpenResponseWindow();
    duruz::FrequencyResponseWindow& response = *window.ResponseWindow();
    response.Close();
    window.OpenResponseWindow(); // the same window again
    EXPECT_EQ(window.ResponseWindow(), &response);
    EXPECT_TRUE(response.Visible());

    // Refused with the plan's reason, nothing sent.
    response.startHertz.SetText("5000");
    response.stopHertz.SetText("200");
    response.StartClick();
    EXPECT_EQ(fixture.errors, Lines{"Sweep not started:\nthe start, 5000 Hz, must lie below the "
                                    "stop, 200 Hz"});
    EXPECT_FALSE(window.SweepRunning());

    response.startHertz.SetText("200");
    response.stopHertz.SetText("5000");
    response.points.SetText("2");
    response.StartClick();
    ASSERT_TRUE(window.SweepRunning()) << fixture.errors.back();
    for (int i = 0; i < 100 && response.Points().empty(); ++i)
        tick();
    fixture.Mark();
    const int userRange = window.vertical.range1.ItemIndex();
    window.vertical.range1.UserSelect(userRange == 2 ? 3 : 2); // refused while the sweep runs
    EXPECT_EQ(fixture.Shown(), "Not while the frequency response sweep runs: stop it first\n");
    EXPECT_EQ(window.vertical.range1.ItemIndex(), userRange);
    for (int i = 0; i < 400 && window.SweepRunning(); ++i)
        tick();
    ASSERT_FALSE(window.SweepRunning());
    EXPECT_EQ(OnTheWire(simulator.Simulator().Instrument()), user);
    EXPECT_EQ(window.Averaging().Filled(), filled); // no frame of the sweep's averaged
    EXPECT_EQ(response.progress.Text(), "Complete: 4 of 4 points");

    // The plotted points are the circuit's response, drawn where the layout puts them.
    const std::vector<duruz::ResponsePlotPoint> plotted = response.PlottedPoints();
    const duruz::ResponsePlotLayout layout = response.PlotLayout();
    ASSERT_EQ(plotted.size(), 4u);
    for (const duruz::ResponsePlotPoint& p : plotted) {
        SCOPED_TRACE(p.hertz);
        ASSERT_TRUE(p.measured);
        EXPECT_NEAR(p.gainDb, -10 * std::log10(1 + p.hertz * p.hertz / 1e6), 0.2);
        EXPECT_NEAR(p.phaseDegrees, -std::atan(p.hertz / 1000) * 180 / std::numbers::pi, 2.0);
        EXPECT_EQ(response.Image().Pixels().At(layout.X(p.hertz), layout.GainY(p.gainDb)),
                  tk::PixelOf(duruz::kGainColor));
    }
    fixture.savePath = fixture.working.File("response.csv");
    response.ExportCsvClick();
    EXPECT_EQ(ReadFile(fixture.savePath),
              duruz::ResponseCsv(response.Points(), true) + "# calibration: none\n");
    fixture.openPath = fixture.savePath; // read back as the reference curve
    response.LoadReferenceClick();
    EXPECT_EQ(response.Reference().size(), 4u);
    fixture.savePath = fixture.working.File("response.png");
    response.SavePlotClick();
    EXPECT_EQ(ReadFile(fixture.savePath).substr(1, 3), "PNG");

    // A calibration saved beside Config.Ini is read back when a sweep is calibrated.
    response.calibrationOn.SetChecked(true);
    response.StartClick();
    const std::string calibration = duruz::CalibrationPathBeside(fixture.configPath);
    EXPECT_EQ(fixture.errors.back(), "Sweep not started: calibration on, but it cannot be read:\n" +
                                         calibration + ": No such file or directory");
    response.CalibrateClick();
    EXPECT_FALSE(window.SweepRunning()); // the first click only asks for the wiring
    response.CalibrateClick();
    for (int i = 0; i < 400 && window.SweepRunning(); ++i)
        tick();
    EXPECT_TRUE(duruz::ReadCalibrationFile(calibration).Ok());

    // Stopped by closing the window after a point: the setting back again.
    response.StartClick();
    ASSERT_TRUE(window.SweepRunning());
    for (int i = 0; i < 100 && response.Points().empty(); ++i)
        tick();
    response.Close();
    EXPECT_FALSE(window.SweepRunning());
    EXPECT_EQ(OnTheWire(simulator.Simulator().Instrument()), user);
    EXPECT_EQ(response.progress.Text(), "Stopped after 1 of 4 points");
    EXPECT_EQ(response.Points()[0].calibrationRows, response.Points()[0].rangeRows);
    fixture.savePath = fixture.working.File("calibrated.csv");
    response.ExportCsvClick();
    EXPECT_NE(ReadFile(fixture.savePath)
                  .find("\n# calibration: " + calibration +
                        ", measured on ranges (\xC2\xB1"
                        "1 V, \xC2\xB1"
                        "1 V)"),
              std::string::npos)
        << ReadFile(fixture.savePath);

    // Generator A's own frequency not a number: what could not be given back is shown.
    const duruz::ScopeSettings before = window.Session().Settings();
    window.Session().SetGeneratorTexts(0, "fast", "1");
    response.ShowAndRaise();
    response.calibrationOn.SetChecked(false);
    response.StartClick();
    response.StopClick();
    EXPECT_EQ(fixture.errors.back().rfind("The sweep could not give the setting back:\ngenerator "
                                          "A's own frequency or amplitude is not a number",
                                          0),
              0u);

    // Closing the main window mid-sweep: the setting back on the wire and in Config.Ini.
    window.Session().SetGeneratorTexts(0, before.generator[0].frequency,
                                       before.generator[0].amplitude);
    response.StartClick();
    for (int i = 0; i < 100 && response.Points().empty(); ++i)
        tick();
    window.SaveSettingsAndStop();
    EXPECT_EQ(OnTheWire(simulator.Simulator().Instrument()), user);
    EXPECT_EQ(ReadFile(fixture.configPath), duruz::FormatConfig(before));
}

} // namespace
