#include "app/form_fixture.h"
#include "toolkit/image_canvas.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace {

using namespace testing_support;

// Channel 1 a 1 kHz square of +-1024 counts (+-0.5 V at x1 +-1 V), high first;
// channel 2 steady at -1000 (+0.489 V).
std::string SquareFrame() {
    std::string frame = "xHxH";
    frame.append("\x00\x08\x00\x00", 4); // 2,048 pairs
    frame.resize(128);
    for (int i = 0; i < 2048; ++i) {
        const double phase = std::fmod(i / 102.4, 1.0);
        const auto s1 = std::uint16_t(phase < 0.5 ? -1024 : 1024);
        const auto s2 = std::uint16_t(-1000);
        frame += {char(s1), char(s1 >> 8), char(s2), char(s2 >> 8)};
    }
    return frame;
}

enum { kLink, kRate, kFaults, kCh1, kCh2, kSpectrum };

struct StripFixture : FormFixture {
    explicit StripFixture(int devices = 0) : FormFixture(devices) {
        adjust = [this](duruz::FormEnvironment& environment) {
            environment.clockMs = [this] { return now; };
            environment.askSavePath = [this](const std::string&, const std::string& suggested) {
                suggestions.push_back(suggested);
                return answer;
            };
            environment.showError = [this](const std::string& message) {
                errors.push_back(message);
            };
        };
    }
    std::int64_t now = 1000;
    std::string answer;
    Lines suggestions, errors;
};

TEST(StatusStrip, TextsAfterAKnownFrameAndAFailedPort) {
    StripFixture fixture(1);
    duruz::TForm2& form = fixture.Start(); // opens ttyUSB0 at t = 1 s
    EXPECT_EQ(form.ClientHeight(), 899);   // the strip lies below the client area
    EXPECT_EQ(form.Strip.Text(kLink), "Link: ttyUSB0: open");
    fixture.Port("/dev/ttyUSB0").reads = {"", "\x01\x02\x03\x04\x05" + SquareFrame()};
    fixture.now = 1500;
    form.Timer1Timer();
    EXPECT_EQ(form.Strip.Text(kRate), "2.0 fps, 1 frames"); // one frame in 0.5 s
    EXPECT_EQ(form.Strip.Text(kFaults), "Resyncs 1 (5 B), timeouts 0 empty, 0 part");
    EXPECT_EQ(form.Strip.Text(kCh1), "Ch1 1.000 kHz  1.00 Vpp  500 mVrms");
    EXPECT_EQ(form.Strip.TextColor(kCh1), 0x0000FFu);
    EXPECT_EQ(form.Strip.Text(kCh2), "Ch2 \u2014  0.00 Vpp  489 mVrms");
    EXPECT_EQ(
        form.Strip.ToolTip(kCh1),
        "Ch1\nFrequency 1.000 kHz\nPeriod 999.9 \u00b5s\nPeak-to-peak 1.00 V\nMinimum -500 mV\n"
        "Maximum 500 mV\nMean 0.00 V\nRMS 500 mV\nDuty cycle 50.0 %");
    EXPECT_EQ(form.Strip.Text(kSpectrum), "");

    // A shown spectrum reports its peak; a hidden channel is not measured on the strip.
    form.Fft1CheckBox.SetChecked(true);
    form.Scope2CheckBox.SetChecked(false);
    form.RedrawScreen();
    EXPECT_EQ(form.Strip.Text(kSpectrum).rfind("FFT1 peak 1.000 kHz ", 0), 0u)
        << form.Strip.Text(kSpectrum);
    EXPECT_EQ(form.Strip.Text(kCh2), "");

    // Nothing comes for 0.75 s: the request is lost at its deadline.
    fixture.now = 2250;
    for (int tick = 0; tick < 3; ++tick)
        form.Timer1Timer();
    EXPECT_EQ(form.Strip.Text(kFaults), "Resyncs 1 (5 B), timeouts 1 empty, 0 part");

    fixture.Port("/dev/ttyUSB0").openResult = {serial::OpenStatus::NotFound, 2};
    form.ComPort.UserSelect(1);
    form.ComPort.UserSelect(0);
    EXPECT_EQ(form.Strip.Text(kLink), "Link: ttyUSB0: failed, does not exist");
    form.ComPort.UserSelect(1); // the simulator again: the counters start afresh
    EXPECT_EQ(form.Strip.Text(kLink), "Link: Simulator: open");
    EXPECT_EQ(form.Strip.Text(kFaults), "Resyncs 0 (0 B), timeouts 0 empty, 0 part");
    EXPECT_EQ(form.Strip.Text(kRate), "0.0 fps, 0 frames");
}

TEST(TraceMenu, SavesThePictureAndTheFrameAndReportsAFailedWrite) {
    StripFixture fixture;
    duruz::TForm2& form = fixture.Start();
    fixture.Port("Simulator").reads = {"", SquareFrame()};
    form.Timer1Timer();
    ASSERT_EQ(form.TraceMenu.Count(), 3);
    EXPECT_EQ(form.TraceMenu.Shortcut(0) + form.TraceMenu.Shortcut(1) + form.TraceMenu.Shortcut(2),
              "Ctrl+SCtrl+ECtrl+C");

    fixture.answer = fixture.folder + "/screen.png";
    form.TraceMenu.Choose(0);
    ASSERT_EQ(fixture.suggestions.size(), 1u);
    EXPECT_EQ(fixture.suggestions[0].substr(fixture.suggestions[0].size() - 4), ".png");
    QImage saved(QString::fromStdString(fixture.answer));
    ASSERT_EQ(saved.size(), QSize(1501, 789)); // the plot area, its bottom line included
    const QImage& screen = form.Image().Image();
    // Channel 2's level at ((-1000 + 2047) * 788) / 4094 = 201, in blue, as drawn.
    EXPECT_EQ(saved.pixel(690, 201), qRgb(0, 0, 255));
    EXPECT_EQ(saved.copy(0, 0, 1501, 789),
              screen.copy(10, 0, 1501, 789).convertToFormat(saved.format()));

    fixture.answer = fixture.folder + "/frame.csv";
    form.TraceMenu.Choose(1);
    const std::string csv = FormFixture::ReadFile(fixture.answer);
    EXPECT_NE(csv.find("# port: Simulator\n# ch1: range +/-1.0 V, probe x1\n"), std::string::npos);
    EXPECT_NE(csv.find("\n0,0.000000000,0.500244,0.488520,-1024,-1000\n"), std::string::npos);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 8 + 2048);

    // A folder that does not exist: the reason in a message, nothing written.
    fixture.answer = fixture.folder + "/missing/frame.csv";
    form.TraceMenu.Choose(1);
    ASSERT_EQ(fixture.errors.size(), 1u);
    EXPECT_EQ(fixture.errors[0].rfind("Could not save " + fixture.answer + ":\n", 0), 0u);
    EXPECT_FALSE(std::filesystem::exists(fixture.folder + "/missing"));
    fixture.answer.clear(); // a cancelled dialog writes nothing
    form.TraceMenu.Choose(0);
    EXPECT_EQ(fixture.errors.size(), 1u);
}

void SendClick(QWidget* widget, Qt::MouseButton button, QPoint at) {
    const QPointF global = widget->mapToGlobal(QPointF(at));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, button, button, {});
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), global, button, {}, {});
    QApplication::sendEvent(widget, &release);
}

TEST(TraceMenu, RightClickOpensTheMenuAndLeavesTheDumpToTheLeftClick) {
    StripFixture fixture;
    duruz::TForm2& form = fixture.Start();
    fixture.Mark();
    SendClick(form.Widget(), Qt::RightButton, {400, 300});
    EXPECT_TRUE(form.TraceMenu.IsOpen());
    form.TraceMenu.CloseMenu();
    EXPECT_FALSE(std::filesystem::exists(fixture.logPath));
    EXPECT_EQ(fixture.Port("Simulator").written, "");
    // Below the trace area and on the level bar: no menu.
    SendClick(form.Widget(), Qt::RightButton, {400, 789});
    SendClick(form.Widget(), Qt::RightButton, {9, 300});
    EXPECT_FALSE(form.TraceMenu.IsOpen());

    SendClick(form.Widget(), Qt::LeftButton, {400, 300});
    EXPECT_TRUE(std::filesystem::exists(fixture.logPath));
    EXPECT_EQ(fixture.Port("Simulator").written, kCaptureRequest);
}

} // namespace
