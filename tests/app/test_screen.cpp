#include "app/form_fixture.h"
#include "toolkit/image_canvas.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

using namespace testing_support;

// A frame of `pairCount` pairs (header word 1), channel 2 at -1000 (+0.489 V) and channel 1
// at +2047, or as a 1 kHz square of +-1024 counts (+-0.5 V at x1 +-1 V), high first.
std::string Frame(std::uint32_t pairCount, bool square = false) {
    std::string frame = "xHxH" + std::string(reinterpret_cast<const char*>(&pairCount), 4);
    frame.resize(128);
    for (int i = 0; i < 2048; ++i) {
        const bool low = std::fmod(i / 102.4, 1.0) < 0.5;
        const auto s1 = std::uint16_t(!square ? 2047 : low ? -1024 : 1024);
        frame += {char(s1), char(s1 >> 8), '\x18', '\xFC'}; // -1000 is 0xFC18
    }
    return frame;
}

TEST(Timer1Timer, DrawsEachCompleteFrameWithTheCursorFromThePendingRequest) {
    FormFixture fixture;
    duruz::TForm2& form = fixture.Start();
    auto& port = fixture.Port("Simulator");
    // The request from the port opening is pending: the next tick takes the frame.
    port.reads = {"", Frame(2048)};
    form.Timer1Timer();
    EXPECT_EQ(form.CurrentCursor(), tk::Cursor::Busy);
    EXPECT_FALSE(form.Link.RequestPending);
    const QImage& image = form.Image().Image();
    // Channel 2 at -1000 lies at ((-1000 + 2047) * 788) / 4094 = 201, drawn in blue.
    EXPECT_EQ(image.pixel(700, 201), qRgb(0, 0, 255));
    // Channel 1 at +2047 lies on the area's bottom edge, y = 788, in red.
    EXPECT_EQ(image.pixel(700, 788), qRgb(255, 0, 0));

    // Next tick: idle on entry, so the default cursor and a new request.
    port.written.clear();
    form.Timer1Timer();
    EXPECT_EQ(form.CurrentCursor(), tk::Cursor::Default);
    EXPECT_EQ(port.written, kCaptureRequest);
    EXPECT_TRUE(form.Link.RequestPending);
}

TEST(ScreenClick, DumpsTheFrameForcesARedrawAndRequestsAFrameEvenWithoutAFolder) {
    FormFixture fixture;
    duruz::TForm2& form = fixture.Start();
    auto& port = fixture.Port("Simulator");
    port.reads = {"", Frame(3)};
    form.Timer1Timer();
    ASSERT_FALSE(form.Link.RequestPending);

    fixture.Mark();
    port.reads = {"stale bytes"};
    form.Click();
    EXPECT_TRUE(form.Capture.FrameReady);
    EXPECT_TRUE(form.Link.RequestPending);
    EXPECT_EQ(port.order, (Lines{"read 11", "read 0", "write " + kCaptureRequest}));
    const std::string dump = FormFixture::ReadFile(fixture.logPath);
    EXPECT_EQ(dump.rfind("Info2 48784878 3 ", 0), 0u) << dump.substr(0, 40);
    EXPECT_NE(dump.find("   2,  2047, -1000, 000007FF, FFFFFC18\r\n"), std::string::npos);
    // The next tick draws the frame held, covering the three lines.
    form.Timer1Timer();
    EXPECT_FALSE(form.Capture.FrameReady);

    // A dump folder that does not exist: no file, the rest still happens.
    FormFixture noFolder;
    noFolder.logPath = noFolder.working.File("missing/Log.Txt");
    duruz::TForm2& other = noFolder.Start();
    noFolder.Mark();
    other.Click();
    EXPECT_FALSE(std::filesystem::exists(noFolder.logPath));
    EXPECT_EQ(noFolder.Port("Simulator").written, kCaptureRequest);
}

// A click as the mouse gives it, at `at` in the widget's own coordinates. A press the
// widget ignores travels up to its parents, as it does on screen.
void Click(QWidget* widget, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    const QPointF global = widget->mapToGlobal(QPointF(at));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, button, button, {});
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), global, button, {}, {});
    QApplication::sendEvent(widget, &release);
}

TEST(ScreenClick, BelongsToTheTraceAreaAloneAndTheRightClickOpensTheMenu) {
    FormFixture fixture;
    duruz::TForm2& form = fixture.Start();
    form.Widget()->show();
    QApplication::processEvents();
    fixture.Mark();
    QWidget* strip = form.Controls.Widget();
    // The strip's background; the "Vertical" label at (8, 3), which lets the mouse
    // through to the strip; and the right margin of the first scope box, whose
    // 13-pixel indicator sits at its left.
    Click(strip, QPoint(1200, 50));
    Click(strip, QPoint(12, 8));
    Click(form.Scope1CheckBox.Widget(), QPoint(17, 8));
    // A right click opens the menu on the trace area only: not below it, not on the
    // level bar.
    Click(form.Widget(), {400, 300}, Qt::RightButton);
    EXPECT_TRUE(form.TraceMenu.IsOpen());
    form.TraceMenu.CloseMenu();
    Click(form.Widget(), {400, 789}, Qt::RightButton);
    Click(form.Widget(), {9, 300}, Qt::RightButton);
    EXPECT_FALSE(form.TraceMenu.IsOpen());
    QApplication::processEvents();
    EXPECT_FALSE(std::filesystem::exists(fixture.logPath))
        << "a click other than the screen's dumped";
    EXPECT_EQ(fixture.Port("Simulator").written, "");
    EXPECT_TRUE(form.Scope1CheckBox.Checked());

    // The trace area itself still takes the left click.
    Click(form.Widget(), QPoint(700, 300));
    EXPECT_TRUE(std::filesystem::exists(fixture.logPath));
    EXPECT_EQ(fixture.Port("Simulator").written, kCaptureRequest);
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
    fixture.Port("/dev/ttyUSB0").reads = {"", "\x01\x02\x03\x04\x05" + Frame(2048, true)};
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
    fixture.Port("Simulator").reads = {"", Frame(2048, true)};
    form.Timer1Timer();
    ASSERT_EQ(form.TraceMenu.Count(), 3);
    EXPECT_EQ(form.TraceMenu.Shortcut(0) + form.TraceMenu.Shortcut(1) + form.TraceMenu.Shortcut(2),
              "Ctrl+SCtrl+ECtrl+C");

    fixture.answer = fixture.working.File("screen.png");
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

    fixture.answer = fixture.working.File("frame.csv");
    form.TraceMenu.Choose(1);
    const std::string csv = FormFixture::ReadFile(fixture.answer);
    EXPECT_NE(csv.find("# port: Simulator\n# ch1: range +/-1.0 V, probe x1\n"), std::string::npos);
    EXPECT_NE(csv.find("\n0,0.000000000,0.500244,0.488520,-1024,-1000\n"), std::string::npos);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 8 + 2048);

    // A folder that does not exist: the reason in a message, nothing written.
    fixture.answer = fixture.working.File("missing/frame.csv");
    form.TraceMenu.Choose(1);
    ASSERT_EQ(fixture.errors.size(), 1u);
    EXPECT_EQ(fixture.errors[0].rfind("Could not save " + fixture.answer + ":\n", 0), 0u);
    EXPECT_FALSE(std::filesystem::exists(fixture.working.File("missing")));
    fixture.answer.clear(); // a cancelled dialog writes nothing
    form.TraceMenu.Choose(0);
    EXPECT_EQ(fixture.errors.size(), 1u);
}

} // namespace
