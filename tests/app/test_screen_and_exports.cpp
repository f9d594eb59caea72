// The window on scripted ports: what a capture tick and a click on the screen put on
// the screen, the status strip and the dump.

#include "app/window_fixture.h"
#include "session/setting_steps.h"
#include "support/qt_test_main.h"
#include "toolkit/application.h"
#include "toolkit/image_canvas.h"
#include "toolkit/image_export.h"
#include "toolkit/recording_canvas.h"
#include "view/redraw_screen.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <tuple>

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

// A tick draws the frame it completes, with the cursor busy only while a request is
// pending. A click dumps the frame held, asks for a frame, and has the next tick draw
// the frame held over its three lines; after a range and level change the frame held
// is still drawn and exported with the setting it was captured with.
TEST(CaptureTick, DrawsEachFrameAndAClickRedrawsTheFrameHeldWithItsOwnSetting) {
    WindowFixture fixture;
    duruz::MainWindow& window = fixture.Start();
    auto& port = fixture.Port("Simulator");
    fixture.AnswerStartUp(port, Frame(2048, true), Frame(3));
    // Channel 2 at -1000 lies at ((-1000 + 2047) * 788) / 4094 = 201, drawn in blue;
    // channel 1 at +2047 on the area's bottom edge, y = 788, in red.
    EXPECT_EQ(window.Image().Pixels().At(700, 201), 0xFF0000FFu); // blue, as 0xFFRRGGBB
    EXPECT_EQ(window.Image().Pixels().At(700, 788), 0xFFFF0000u); // red
    EXPECT_EQ(window.CurrentCursor(), tk::Cursor::Default);
    const auto shown = [&] {
        window.ExportCsvClick();
        const std::string csv = ReadFile(fixture.savePath);
        return std::pair(window.Image().Pixels(), csv.substr(csv.find("# port")));
    };
    const auto before = shown();
    window.vertical.range1.UserSelect(2);
    window.trigger.levelBar.SetPosition(300);
    fixture.Mark();
    port.reads = {"stale bytes"};
    window.Click();
    EXPECT_TRUE(window.Screen().redrawDue);
    EXPECT_EQ(port.order, (Lines{"read 11", "read 0", "write " + kCaptureRequest}));
    const std::string dump = ReadFile(fixture.logPath);
    EXPECT_EQ(dump.rfind("Info2 48784878 3 ", 0), 0u) << dump.substr(0, 40);
    EXPECT_NE(dump.find("   2,  2047, -1000, 000007FF, FFFFFC18\r\n"), std::string::npos);
    window.CaptureTick(); // nothing new arrives
    EXPECT_TRUE(!window.Screen().redrawDue && window.CurrentCursor() == tk::Cursor::Busy);
    EXPECT_TRUE(shown() == before);
}

TEST(StatusStrip, TextsAfterAKnownFrameAndAFailedPort) {
    WindowFixture fixture(1);
    std::int64_t now = 1000;
    fixture.clockMs = [&now] { return now; };
    duruz::MainWindow& window = fixture.Start(); // opens ttyUSB0 at t = 1 s
    // The texts of the strip's sections: link, rate, faults, Ch1, Ch2, recording, averaging,
    // spectrum.
    const auto strip = [&window] {
        std::string texts;
        for (int section = 0; section < 8; ++section)
            texts += window.status.strip.Text(section) + "|";
        return texts;
    };
    EXPECT_EQ(window.ClientHeight(), 899); // the strip lies below the client area
    now = 1500;                            // three frames in 0.5 s, the first two stale
    fixture.AnswerStartUp(fixture.Port("/dev/ttyUSB0"), Frame(2048),
                          "\x01\x02\x03\x04\x05" + Frame(2048, true));
    EXPECT_EQ(strip(), "Link: ttyUSB0: open|6.0 fps, 3 frames|Resyncs 1 (5 B), timeouts 0 "
                       "empty, 0 part, 2 stale|Ch1 1.000 kHz  1.00 Vpp  500 mVrms|Ch2 \u2014  0.00 "
                       "Vpp  489 mVrms||||");
    EXPECT_EQ(window.status.strip.TextColor(3), 0x0000FFu);
    EXPECT_EQ(
        window.status.strip.ToolTip(3),
        "Ch1\nFrequency 1.000 kHz\nPeriod 999.9 \u00b5s\nPeak-to-peak 1.00 V\nMinimum -500 mV\n"
        "Maximum 500 mV\nMean 0.00 V\nRMS 500 mV\nDuty cycle 50.0 %");

    // A shown spectrum reports its peak; a hidden channel is not measured on the strip.
    window.vertical.spectrum1.SetChecked(true);
    window.vertical.shown2.SetChecked(false);
    window.RedrawScreen();
    EXPECT_EQ(window.status.strip.Text(4) + "|" + window.status.strip.Text(8).substr(0, 20),
              "|FFT1 peak 1.000 kHz ");
    // Nothing comes for 0.75 s: the request is lost at its deadline.
    now = 2250;
    for (int tick = 0; tick < 3; ++tick)
        window.CaptureTick();
    EXPECT_EQ(window.status.strip.Text(2), "Resyncs 1 (5 B), timeouts 1 empty, 0 part, 2 stale");

    // A failed open counts nothing of the port before it. A port that refuses its
    // settings is still used, but read only with a bound, and the strip says so.
    fixture.Port("Simulator").openResult = {serial::OpenStatus::NotFound, 2};
    window.ports.portList.UserSelect(1);
    EXPECT_EQ(strip().rfind("Link: Simulator: failed, does not exist|0.0 fps, 0 frames|Resyncs 0 "
                            "(0 B), timeouts 0 empty, 0 part, 0 stale|",
                            0),
              0u);
    OrderedPort& usb0 = fixture.Port("/dev/ttyUSB0");
    std::tie(usb0.setSettingsOk, usb0.readCalls, usb0.boundedReads) = std::tuple(false, 0, 0);
    window.ports.portList.UserSelect(0);
    window.CaptureTick();
    EXPECT_EQ(std::tuple(window.status.strip.Text(0), usb0.readCalls - usb0.boundedReads,
                         usb0.lastBoundMs),
              std::tuple("Link: ttyUSB0: open, not configured: Error setting state of", 0, 129u));

    // The link answers later: the strip names the row clicked, not the one selected by then.
    fixture.threaded = true;
    duruz::MainWindow& later = fixture.Start();
    later.ports.portList.UserSelect(1);
    later.ports.portList.SetItemIndex(0);
    later.Session().Worker().WaitIdle();
    tk::Application::ProcessPendingEvents();
    EXPECT_EQ(later.status.strip.Text(0), "Link: Simulator: failed, does not exist");
}

} // namespace

namespace {

// Averaging two frames: the strip shows the block filling, the average is drawn and
// exported in volts; an average of equal frames, and averaging off, draw the frame's
// own pixels, the spectrum included.
TEST(Averaging, BlockProgressTheAverageExportedAndTheFramesOwnPixels) {
    WindowFixture fixture;
    duruz::MainWindow& window = fixture.Start();
    auto& port = fixture.Port("Simulator");
    window.vertical.spectrum1.SetChecked(true);
    fixture.AnswerStartUp(port, Frame(2048), Frame(2048));
    const auto next = [&](const std::string& frame) {
        port.reads = {"", frame};
        window.CaptureTick();
        return window.status.strip.Text(6);
    };
    next(Frame(2048)); // counted stale: start-up left no request pending
    const auto own = window.Image().Pixels();
    tk::PopupMenu& menu = window.TraceMenu();
    EXPECT_EQ(menu.SubmenuOf(6) + ": " + menu.Caption(6) + ", " + menu.Caption(14) + " " +
                  menu.Shortcut(14) + ", " + menu.Caption(13) + " " + menu.Shortcut(13),
              "Averaging: Off, Next: 2 frames Ctrl+A, Running average Ctrl+Shift+A");
    menu.Choose(14);
    tk::Application::ProcessPendingEvents();
    EXPECT_EQ(window.status.strip.Text(6), "avg 0/2");
    EXPECT_TRUE(menu.Checked(7) && !menu.Checked(6) && !menu.Checked(13));
    EXPECT_EQ(menu.Caption(14), "Next: 4 frames");
    EXPECT_EQ(next(Frame(2048)), "avg 1/2");
    EXPECT_EQ(next(Frame(2048)), "avg 2/2");
    EXPECT_TRUE(window.Image().Pixels() == own);
    next(Frame(2048, true));
    EXPECT_TRUE(next(Frame(2048)) == "avg 2/2" && !(window.Image().Pixels() == own));
    window.ExportCsvClick();
    // Channel 1 at (-1024 + 2047) / 2 counts: -511.5 * 2 V / 4094.
    EXPECT_NE(ReadFile(fixture.savePath)
                  .find("# averaged 2 frames\nindex,time_s,ch1_V,ch2_V\n"
                        "0,0.000000000,-0.249878,0.488520\n"),
              std::string::npos);
    window.ChooseAveraging({});
    EXPECT_TRUE(window.Image().Pixels() == own && !window.status.strip.Shown(6));
}

} // namespace

namespace {

// Where the text drawn on the screen may have put pixels, in the saved picture's
// coordinates: each text call's rectangle, as the screen code draws it on a
// recording canvas, at most one font height (11 pixels) wide per character and one
// and a half high, with 2 pixels more on every side for glyphs that overhang.
std::vector<tk::ImageRect> TextRects(duruz::MainWindow& window, int pictureLeft) {
    const duruz::ScopeSettings& settings = window.Session().Settings();
    const duruz::ScreenInputs in = duruz::ScreenInputsOf(
        settings, settings,
        {window.ClientWidth(), window.ClientHeight(), window.trigger.levelBar.Width(),
         window.trigger.positionBar.Height(), window.controlStrip.Height()});
    static duruz::SpectrumWorkArea work;
    tk::RecordingCanvas recording;
    duruz::RedrawScreen(recording, in, duruz::CaptureStore{}, work);
    std::vector<tk::ImageRect> rects;
    for (const tk::RecordingCanvas::Call& text : recording.Of(tk::RecordingCanvas::Op::Text))
        rects.push_back(
            {text.x - pictureLeft - 2, text.y - 2, int(text.text.size()) * 11 + 4, 11 * 3 / 2 + 4});
    return rects;
}

// "Save screen" writes the trace area's pixels as drawn. With
// DURUZ_SCREEN_PNG_OUT the picture is kept there too; DURUZ_OTHER_SCREEN_PNG names
// another build's picture of the same window and frame (scripts/test-windows.sh
// gives the Linux build's to the Windows one), which must agree with this one
// pixel for pixel outside the rectangles of the text, where the two systems'
// fonts draw different glyphs.
TEST(SaveScreen, WritesTheTraceAreaAndAgreesWithTheOtherBuildsPictureOutsideTheText) {
    WindowFixture fixture;
    fixture.WriteConfig(Ini(FileValues{}));
    duruz::MainWindow& window = fixture.Start();
    fixture.AnswerStartUp(fixture.Port("Simulator"), Frame(2048), Frame(2048, true));
    fixture.savePath = fixture.working.File("screen.png");
    ASSERT_EQ(window.TraceMenu().Caption(0), "Save screen as PNG\u2026");
    window.TraceMenu().Choose(0);
    tk::Application::ProcessPendingEvents();
    ASSERT_TRUE(fixture.errors.empty()) << fixture.errors[0];
    const duruz::Result<tk::PixelBuffer> saved = tk::ReadImagePng(fixture.savePath);
    ASSERT_TRUE(saved.Ok()) << saved.Reason();
    // Right of the level bar, down to the line of the lowest sample.
    const duruz::PlotArea area = duruz::ComputePlotArea(
        window.ClientWidth(), window.ClientHeight(), window.trigger.levelBar.Width(),
        window.trigger.positionBar.Height(), window.controlStrip.Height());
    EXPECT_TRUE(saved.Value() ==
                window.Image().Pixels().Part(area.left, 0, area.width, area.height + 1));
    if (const char* out = std::getenv("DURUZ_SCREEN_PNG_OUT"))
        std::filesystem::copy_file(fixture.savePath, out,
                                   std::filesystem::copy_options::overwrite_existing);

    const char* otherPath = std::getenv("DURUZ_OTHER_SCREEN_PNG");
    if (otherPath == nullptr) {
#ifdef _WIN32
        GTEST_SKIP() << "DURUZ_OTHER_SCREEN_PNG names no Linux picture to compare with: "
                        "scripts/test-windows.sh gives it";
#endif
        return;
    }
    const duruz::Result<tk::PixelBuffer> other = tk::ReadImagePng(otherPath);
    ASSERT_TRUE(other.Ok()) << otherPath << ": " << other.Reason();
    const tk::PixelBuffer& mine = saved.Value();
    ASSERT_EQ(std::pair(other.Value().Width(), other.Value().Height()),
              std::pair(mine.Width(), mine.Height()));
    const std::vector<tk::ImageRect> texts = TextRects(window, area.left);
    // At each of the nine graticule lines: both channels' volt labels and the time.
    ASSERT_EQ(texts.size(), 27u);
    int differing = 0, masked = 0;
    std::string first;
    for (int y = 0; y < mine.Height(); ++y)
        for (int x = 0; x < mine.Width(); ++x) {
            const bool inText = std::any_of(texts.begin(), texts.end(), [&](const auto& r) {
                return x >= r.left && x < r.left + r.width && y >= r.top && y < r.top + r.height;
            });
            masked += inText;
            if (!inText && mine.At(x, y) != other.Value().At(x, y) && differing++ == 0)
                first = std::to_string(x) + "," + std::to_string(y);
        }
    EXPECT_EQ(differing, 0) << "pixels differ outside the text, the first at " << first;
    EXPECT_LT(masked * 20, mine.Width() * mine.Height()); // the text leaves most to compare
}

} // namespace
