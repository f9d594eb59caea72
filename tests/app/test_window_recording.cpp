// The window's "Record…": the frames it keeps, written through the shared recorder.

#include "app/window_fixture.h"
#include "session/recording_reader.h"
#include "support/qt_test_main.h"
#include "toolkit/application.h"

#include <gtest/gtest.h>

#include <csignal>
#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace {

using namespace testing_support;

// A whole frame: channel 1 at `ch1` counts, channel 2 at -1000.
std::string Frame(char ch1) {
    std::string frame = std::string("xHxH\0\x08\0\0", 8) + std::string(120, '\0');
    for (int i = 0; i < 2048; ++i)
        frame += {ch1, '\0', '\x18', '\xFC'};
    return frame;
}

TEST(WindowRecording, RecordsTheKeptFramesWithTheirSettingsUntilStoppedOrClosed) {
    WindowFixture fixture;
    std::int64_t now = 1000;
    fixture.clockMs = [&now] { return now; };
    duruz::MainWindow& window = fixture.Start();
    auto& port = fixture.Port("Simulator");
    fixture.AnswerStartUp(port, Frame(1), Frame(2));
    const auto tickWithFrame = [&](char ch1) {
        port.reads = {"", Frame(ch1)};
        window.CaptureTick();
    };
    EXPECT_EQ(window.TraceMenu().Caption(3) + " " + window.TraceMenu().Shortcut(3),
              "Record\u2026 Ctrl+R");

    // A folder that is not there: the reason shown, nothing running.
    fixture.savePath = fixture.working.File("none/run.rec");
    window.RecordClick();
    EXPECT_EQ(fixture.errors,
              Lines{"Could not record:\n" + fixture.savePath + ": No such file or directory"});
    EXPECT_FALSE(window.Recording().Running());

    fixture.savePath = fixture.working.File("run.rec");
    window.RecordClick();
    ASSERT_TRUE(window.Recording().Running());
    EXPECT_EQ(window.TraceMenu().Caption(3), "Stop recording");
    // The request start-up left is lost at its deadline, and the next one: time-out gaps.
    for (int tick = 0; tick < 3; ++tick)
        window.CaptureTick();
    tickWithFrame(3);
    // A frame asked for before the range changed is stale: neither drawn nor recorded.
    window.Click();
    window.vertical.range1.UserSelect(2);
    tickWithFrame(4);
    tickWithFrame(5);
    now += 3'661'000;
    window.UpdateStatusStrip();
    EXPECT_EQ(window.status.strip.Text(5), "Recording: 2 frames, 17.5 kB, 1:01:01");

    fixture.Mark();
    window.RecordClick();
    EXPECT_EQ(fixture.Shown(), "Recording ended: 2 frames in " + fixture.savePath + "\n");
    EXPECT_EQ(window.TraceMenu().Caption(3), "Record\u2026");
    EXPECT_FALSE(window.status.strip.Shown(5));
    tickWithFrame(6);

    auto opened = duruz::RecordingReader::Open(fixture.savePath);
    ASSERT_TRUE(opened.Ok()) << opened.Reason();
    duruz::RecordingReader& reader = *opened.Value();
    std::string records;
    for (duruz::RecordingRecord r; reader.Next(r);)
        records += (r.kind == duruz::RecordKind::Gap ? "gap " + std::to_string(int(r.gap))
                    : r.kind == duruz::RecordKind::Frame
                        ? "frame " + std::to_string(r.sequence) + " ch1 " +
                              std::to_string(r.counts.at(0)) +
                              (r.settings == window.Session().CapturedUnder() ? " as kept" : "")
                        : "range " + std::to_string(r.settings.channels[0].rangeRow)) +
                   "; ";
    EXPECT_EQ(records, "gap 1; gap 1; frame 1 ch1 3; range 2; frame 2 ch1 5 as kept; ");
    EXPECT_TRUE(reader.Extent().intact);
    const std::string log = ReadFile(fixture.savePath + ".measure.csv");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 5);
    EXPECT_NE(log.find("\n2,20"), std::string::npos);

#ifndef _WIN32
    // A failed write ends the recording, what was written kept, and says why.
    window.RecordClick();
    rlimit was{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &was), 0);
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limited{4096, was.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limited);
    tickWithFrame(7);
    setrlimit(RLIMIT_FSIZE, &was);
    std::signal(SIGXFSZ, handler);
    tk::Application::ProcessPendingEvents();
    EXPECT_FALSE(window.Recording().Running());
    EXPECT_EQ(fixture.errors.back(), "Recording stopped, what was written is kept:\n" +
                                         fixture.savePath + ": File too large");
    EXPECT_TRUE(duruz::SummarizeRecording(fixture.savePath).Ok()); // up to the cut record
#endif
    // Closing the window ends a recording cleanly.
    window.RecordClick();
    fixture.Mark();
    window.SaveSettingsAndStop();
    EXPECT_EQ(fixture.Shown().rfind("Recording ended: 0 frames in ", 0), 0u) << fixture.Shown();
}

// With averaging on, each completed average is recorded in volts, floating point,
// in place of its frames, and the recording view shows and exports it again.
TEST(WindowRecording, RecordsEachAverageInVoltsAndShowsItBack) {
    WindowFixture fixture;
    duruz::MainWindow& window = fixture.Start();
    auto& port = fixture.Port("Simulator");
    fixture.AnswerStartUp(port, Frame(1), Frame(2));
    const auto tickWithFrame = [&](char ch1) {
        port.reads = {"", Frame(ch1)};
        window.CaptureTick();
    };
    tickWithFrame(0); // counted stale: start-up left no request pending
    window.ChooseAveraging({2, duruz::AveragingMode::Block});
    fixture.savePath = fixture.working.File("average.rec");
    window.RecordClick();
    for (const char ch1 : {3, 6, 9})
        tickWithFrame(ch1);
    window.RecordClick();

    auto opened = duruz::RecordingReader::Open(fixture.savePath);
    ASSERT_TRUE(opened.Ok()) << opened.Reason();
    std::vector<duruz::RecordingRecord> frames;
    for (duruz::RecordingRecord r; opened.Value()->Next(r);)
        if (r.kind == duruz::RecordKind::Frame)
            frames.push_back(r);
    ASSERT_EQ(frames.size(), 1u); // the block of 3 and 6; 9 began the next one
    EXPECT_EQ(frames[0].sampleType, duruz::SampleType::Float32);
    EXPECT_EQ(frames[0].framesAveraged, 2u);
    ASSERT_EQ(frames[0].volts.size(), 4096u);
    // A count reads -2 V / 4094 on both channels' ranges.
    EXPECT_EQ(frames[0].volts[0], float(4.5 * -2 / 4094));
    EXPECT_EQ(frames[0].volts[4095], float(-1000.0 * -2 / 4094));
    const std::string log = ReadFile(fixture.savePath + ".measure.csv");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 3);

    fixture.openPath = fixture.savePath;
    window.OpenRecordingClick();
    fixture.savePath = fixture.working.File("average.csv");
    window.ExportCsvClick();
    EXPECT_NE(ReadFile(fixture.savePath)
                  .find("# averaged 2 frames\nindex,time_s,ch1_V,ch2_V\n"
                        "0,0.000000000,-0.002198,0.488520\n"),
              std::string::npos);
}

} // namespace
