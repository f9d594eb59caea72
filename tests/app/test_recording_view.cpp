// A recording or a frame export shown in the window off line: drawn with its own
// settings, stepped and played with the keys, the port left alone meanwhile.

#include "app/window_fixture.h"
#include "session/recording_writer.h"
#include "support/qt_test_main.h"
#include "toolkit/application.h"
#include "toolkit/image_canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

using namespace testing_support;
using tk::Key;

// A wire frame: channel 1 a 1 kHz square of +-1024 counts, channel 2 at -1000.
std::string WireFrame(std::vector<std::int16_t>& counts) {
    std::string frame = "xHxH" + std::string(124, '\0');
    for (int i = 0; i < 2048; ++i) {
        counts.insert(counts.end(), {std::int16_t(i % 102 < 51 ? 1024 : -1024), -1000});
        frame.append(reinterpret_cast<const char*>(&counts[counts.size() - 2]), 4);
    }
    return frame;
}

struct RecordingViewTest : ::testing::Test {
    RecordingViewTest() {
        fixture.clockMs = [this] { return now; };
        fixture.Start();
        frame = WireFrame(counts);
        fixture.AnswerStartUp(port, frame, frame);
        fixture.Mark();
    }
    std::string Strip(int first, int last) const {
        std::string texts;
        for (int section = first; section <= last; ++section)
            texts += fixture.window->status.strip.Text(section) + "|";
        return texts;
    }
    void Open(const std::string& path) {
        fixture.openPath = path;
        fixture.window->OpenRecordingClick();
    }

    WindowFixture fixture;
    OrderedPort& port = fixture.Port("Simulator");
    std::int64_t now = 0;
    std::vector<std::int16_t> counts;
    std::string frame;
    // The request start-up left pending is answered, and the next tick asks again.
    void ExpectCapturesResume() {
        port.reads = {frame};
        fixture.window->CaptureTick();
        fixture.window->CaptureTick();
        EXPECT_EQ(port.written, kCaptureRequest);
    }
};

// Three frames under the x10 probe, channel 2 hidden, 1 s and then 100 s apart, the
// last at half the amplitude.
TEST_F(RecordingViewTest, ShowsEachFrameWithItsOwnSettingAndLeavesThePortAlone) {
    duruz::ScopeSettings recorded = fixture.window->Session().Settings();
    recorded.channels[0].probeRow = 0;
    recorded.channels[1].shown = false;
    const std::string path = fixture.working.File("bench.rec");
    std::uint64_t twoFrames = 0; // the bytes of the header and the first two frames
    std::vector<std::int16_t> half(counts.size());
    std::transform(counts.begin(), counts.end(), half.begin(), [](int c) { return c / 2; });
    {
        auto writer = duruz::RecordingWriter::Create(path, {}, false).Take();
        for (std::int64_t seconds : {5, 6, 106}) {
            twoFrames = seconds == 106 ? writer->BytesWritten() : 0;
            ASSERT_TRUE(writer
                            ->AddFrame(0, {seconds * 1000, seconds * 1'000'000}, recorded, {},
                                       (seconds == 106 ? half : counts).data(), counts.size())
                            .Ok());
        }
    }
    const auto live = fixture.window->Image().Pixels();
    Open(path);
    duruz::MainWindow& window = *fixture.window;
    EXPECT_EQ(Strip(0, 4), "Recording: bench.rec|frame 1 of 3|1970-01-01T00:00:05.000Z  +0.000 "
                           "s|Ch1 1.004 kHz  10.0 Vpp  5.00 Vrms||");
    EXPECT_EQ(live.At(700, 201), 0xFF0000FFu);                    // channel 2 in blue,
    EXPECT_EQ(window.Image().Pixels().At(700, 201), 0xFFF0F0F0u); // hidden as recorded
    const auto steps = [&](std::initializer_list<Key> keys) {
        std::string frames;
        for (Key key : keys) {
            window.KeyPress(key);
            window.CaptureTick();
            frames += Strip(1, 1) + Strip(3, 3).substr(15, 8) + "|";
        }
        return frames;
    };
    EXPECT_EQ(steps({Key::Right, Key::End, Key::Right, Key::Home, Key::Left}),
              "frame 2 of 3|10.0 Vpp|frame 3 of 3|5.00 Vpp|frame 3 of 3|5.00 Vpp|frame 1 of "
              "3|10.0 Vpp|frame 1 of 3|10.0 Vpp|");
    // Playing waits the recorded 1 s, then 2 s for the gap of 100 s, and stops at the end.
    window.KeyPress(Key::Space);
    std::string played;
    for (std::int64_t at : {999, 1000, 2999, 3000, 9000}) {
        now = at;
        window.PlaybackTick();
        played += Strip(1, 1);
    }
    EXPECT_EQ(played, "frame 1 of 3, playing|frame 2 of 3, playing|frame 2 of 3, playing|frame 3 "
                      "of 3|frame 3 of 3|");
    EXPECT_EQ(Strip(2, 2), "1970-01-01T00:01:46.000Z  +101.000 s  after a gap of 100.000 s|");
    window.Click(); // still the screen click, still off line
    window.CaptureTick();
    EXPECT_EQ(port.order, Lines{});

    window.KeyPress(Key::Escape);
    EXPECT_TRUE(window.Image().Pixels() == live);
    EXPECT_EQ(Strip(0, 0) + window.status.strip.ToolTip(0), "Link: Simulator: open|");
    ExpectCapturesResume();
    EXPECT_EQ(fixture.errors, Lines{});

    // Cut inside its last frame, it opens up to the frame before and says so.
    std::filesystem::resize_file(path, std::filesystem::file_size(path) - 1);
    const std::string whole = std::to_string(twoFrames);
    fixture.Mark();
    Open(path);
    EXPECT_EQ(fixture.Shown(), "Recording " + path + ": 2 frames, " + whole +
                                   " bytes read; the rest is lost: record 3 at byte " + whole +
                                   " is cut short\n");
    EXPECT_EQ(Strip(0, 1), "Damaged recording: bench.rec|frame 1 of 2|");
}

// An export opens as the one frame it holds, drawn as it was; a file that is neither
// an export nor a recording, or an export with a line out of place, changes nothing.
TEST_F(RecordingViewTest, OpensAnExportAndRefusesOtherFiles) {
    duruz::MainWindow& window = *fixture.window;
    window.vertical.probe1.UserSelect(0);
    window.RedrawScreen();
    window.ExportCsvClick();
    const auto live = std::pair(window.Image().Pixels(), Strip(3, 5));
    Open(fixture.savePath);
    EXPECT_EQ(Strip(0, 1), "Frame export: saved|frame 1 of 1|");
    EXPECT_TRUE(std::pair(window.Image().Pixels(), Strip(3, 5)) == live);
    // A device that comes meanwhile is listed, and could be opened, only on return.
    fixture.sysfs.AddDevice("ttyUSB0");
    fixture.monitor.Push(serial::DeviceChange::Added, "ttyUSB0");
    for (int i = 0; i < 100 && fixture.monitor.taken == 0; ++i)
        RunEventsFor(10);
    tk::Application::ProcessPendingEvents();
    const int rowsShown = window.ports.portList.Count();
    window.KeyPress(Key::Escape);
    EXPECT_EQ(std::pair(rowsShown, window.ports.portList.Count()), std::pair(1, 2));
    fixture.Mark();

    const std::string csv = ReadFile(fixture.savePath);
    const std::size_t row3 = csv.find("\n3,") + 1;
    std::ofstream(fixture.savePath) << csv.substr(0, row3) + "4" + csv.substr(row3 + 1);
    std::ofstream(fixture.working.File("notes.txt")) << "# RORU-Duruz\n";
    std::string sweep = csv;
    sweep[csv.find("2 mSec")] = '5';
    std::ofstream(fixture.working.File("sweep.csv")) << sweep;
    Open(fixture.savePath);
    Open(fixture.working.File("notes.txt"));
    Open(fixture.working.File("sweep.csv"));
    EXPECT_EQ(
        fixture.errors,
        (Lines{"Could not open " + fixture.savePath +
                   ":\nnot a frame export as this program writes it: line 12 is not the row "
                   "of sample 3",
               "Could not open " + fixture.working.File("notes.txt") + ":\nnot a Duruz recording",
               "Could not open " + fixture.working.File("sweep.csv") +
                   ":\nnot a frame export as this program writes it: line 6 names no "
                   "sweep: 5 mSec/div"}));
    EXPECT_EQ(Strip(0, 0) + fixture.Shown(), "Link: Simulator: open|");
    EXPECT_FALSE(window.Playback().Active());
    ExpectCapturesResume();
}

} // namespace
