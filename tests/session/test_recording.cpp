#include "link/instrument_facts.h"
#include "session/recording_info.h"
#include "session/recording_playback.h"
#include "session/recording_reader.h"
#include "session/recording_writer.h"
#include "view/export_csv.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <tuple>
#ifndef _WIN32
#include <csignal>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using namespace duruz;
using testing_support::ReadFile;
using testing_support::TempFolder;

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Hex(const std::string& bytes) {
    std::string hex;
    for (unsigned char c : bytes)
        hex += "0123456789abcdef"[c >> 4], hex += "0123456789abcdef"[c & 15];
    return hex;
}

// Every field away from its default, and texts a Config.Ini line could not hold.
ScopeSettings UnusualSettings() {
    ScopeSettings s;
    s.sweepRow = 1;
    s.channels = {{{0, 7, false, true}, {1, 0, true, false}}};
    s.trigger = {1, 0, -2000, 2048};
    s.generator = {{{3, std::string(40, '9'), "0.5"}, {-1, "x\r\n", ""}}};
    s.hold = true;
    s.port = {4, "/dev/ttyUSB1"};
    s.window = {-5, 6, 8192, 1};
    return s;
}

TEST(Recording, WritesTheHeaderAndARecordByteForByte) {
    TempFolder folder;
    const std::string path = folder.File("small.duruzrec");
    auto writer = RecordingWriter::Create(path, {1, "1.36", {0x0102030405, -2}, {}}, false);
    ASSERT_TRUE(writer.Ok()) << writer.Reason();
    ASSERT_TRUE(writer.Value()->AddGap({1000, 7}, GapKind::Reconnect).Ok());
    // Magic, format version 1, header length, program version, start time, the
    // factory setting, CRC; then the record's length, kind, time, what happened, CRC.
    EXPECT_EQ(Hex(ReadFile(path)),
              "447572757a526563010000007f00000004000000312e33360504030201000000feffffffffffffff"
              "ffffffffffffffffffffffff0100ffffffffffffffff0100ffffffffffffffff000000002a010000"
              "ffffffff0300000032303004000000312e3030ffffffff0300000032303104000000312e3030"
              "00ffffffff000000000000000015010000e705000083030000792a95e4"
              "1100000003e8030000000000000700000000000000026c29ae70");
}

// Three records, the file cut at every byte and each byte flipped in turn: what
// reads back is exactly the whole records before the cut or the flip.
TEST(Recording, ReadsBackEveryWholeRecordOfACutOrDamagedFile) {
    TempFolder folder;
    const std::string path = folder.File("three.duruzrec");
    const RecordingHeader header{kRecordingFormatVersion, "1.36", {1700000000123, 5}, {}};
    const std::vector<std::int16_t> samples = {-2047, 2047, 0, -1, 256, 1};
    {
        auto writer = RecordingWriter::Create(path, header, false);
        ASSERT_TRUE(writer.Ok()) << writer.Reason();
        ASSERT_TRUE(writer.Value()
                        ->AddFrame(1ull << 40, {11, 12}, UnusualSettings(),
                                   {9, 2, 300, 1, 4, 3, true}, samples.data(), samples.size())
                        .Ok());
        ASSERT_TRUE(writer.Value()->AddSettingsChange({13, 14}, UnusualSettings()).Ok());
        ASSERT_TRUE(writer.Value()->AddGap({15, 16}, GapKind::Timeout).Ok());
    }
    const std::string whole = ReadFile(path);
    auto reader = RecordingReader::Open(path);
    ASSERT_TRUE(reader.Ok()) << reader.Reason();
    EXPECT_EQ(reader.Value()->Header(), header);
    // Where the header and each record end.
    std::vector<std::size_t> ends{reader.Value()->Extent().bytesRead};
    std::vector<RecordingRecord> read(5);
    while (reader.Value()->Next(read[ends.size()]))
        ends.push_back(reader.Value()->Extent().bytesRead);
    ASSERT_EQ(ends.size(), 4u);
    EXPECT_EQ(ends.back(), whole.size());
    EXPECT_TRUE(reader.Value()->Extent().intact);
    EXPECT_TRUE(std::tuple(read[1].kind, read[1].sequence, read[1].time,
                           read[1].counters.resyncBytes, read[1].counters.stale, read[2].kind,
                           read[3].kind, read[3].time) ==
                std::tuple(RecordKind::Frame, 1ull << 40, RecordTime{11, 12}, 300u, 3u,
                           RecordKind::SettingsChange, RecordKind::Gap, RecordTime{15, 16}));
    EXPECT_TRUE(read[1].settings == UnusualSettings() && read[2].settings == UnusualSettings());
    EXPECT_EQ(read[1].counts, samples);
    const std::string broken = folder.File("broken.duruzrec");
    for (std::size_t at = 0; at < whole.size(); ++at) {
        std::string flipped = whole;
        flipped[at] ^= 0x20;
        for (const std::string& bytes : {whole.substr(0, at), flipped}) {
            WriteFile(broken, bytes);
            auto reader = RecordingReader::Open(broken);
            if (at < ends[0]) {
                EXPECT_FALSE(reader.Ok()) << at;
                continue;
            }
            ASSERT_TRUE(reader.Ok()) << at << " " << reader.Reason();
            RecordingRecord r;
            while (reader.Value()->Next(r)) {
            }
            // Records before the one that holds the cut or the flipped byte.
            const std::size_t expected =
                std::upper_bound(ends.begin(), ends.end(), at) - ends.begin() - 1;
            const RecordingExtent& extent = reader.Value()->Extent();
            ASSERT_EQ(extent.records, expected) << at;
            EXPECT_EQ(extent.bytesRead, ends[expected]);
            EXPECT_EQ(extent.intact, bytes.size() == at && at == ends[expected]) << at;
        }
    }
}

TEST(Recording, RefusesWhatItCannotWriteOrRead) {
    TempFolder folder;
    const std::string path = folder.File("old.duruzrec");
    WriteFile(path, "SwpSp 1                \r\n");
    EXPECT_EQ(RecordingWriter::Create(path, {}, false).Reason(), "the file exists already");
    EXPECT_EQ(RecordingReader::Open(path).Reason(), "not a Duruz recording");
    EXPECT_EQ(ReadFile(path), "SwpSp 1                \r\n");
    ASSERT_TRUE(RecordingWriter::Create(path, {}, true).Ok());
    WriteFile(path, ReadFile(path).replace(8, 1, 1, '\2')); // format version 2
    EXPECT_EQ(RecordingReader::Open(path).Reason(),
              "a recording of format version 2, which this program cannot read");
    const std::string missing = folder.File("none/a.duruzrec");
    EXPECT_EQ(RecordingWriter::Create(missing, {}, false).Reason(), "No such file or directory");
    EXPECT_EQ(RecordingReader::Open(missing).Reason(), "No such file or directory");
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_EQ(RecordingWriter::Create("/dev/full", {}, true).Reason(),
                  "No space left on device");
    }
}

// A frame export saved again by a Windows editor, its lines ended by "\r\n", opens as
// the export it is; a lone "\r" ends no line. An average's export opens as an average.
TEST(Recording, OpensAFrameExportWithWindowsLineEnds) {
    TempFolder folder;
    CaptureStore store;
    store.CaptureBuffer[2 * 2047 + 1] = -77;
    std::string text = FrameCsv(
        store,
        {"2026-12-07 14:03:21", "COM3", {1, 0}, {7, 0}, "2 mSec/div", "Ch1 Rise", -123, 1024});
    for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 2)
        text.insert(at, 1, '\r');
    WriteFile(folder.File("a.csv"), text);
    text[text.find("\n# sweep")] = 'x';
    WriteFile(folder.File("b.csv"), text);
    FloatFrame average;
    average.frames = 4;
    WriteFile(folder.File("average.csv"),
              FrameCsv(average, {"", "COM3", {1, 1}, {7, 7}, "2 mSec/div", "Ch1 Rise", 0, 0}));
    auto opened = RecordingPlayback::Open(folder.File("a.csv"));
    ASSERT_TRUE(opened.Ok()) << opened.Reason();
    FrameSamples samples;
    auto averaged = RecordingPlayback::Open(folder.File("average.csv"));
    ASSERT_TRUE(averaged.Ok()) << averaged.Reason();
    ASSERT_TRUE(averaged.Value()->Load(0, samples).Ok());
    EXPECT_EQ(std::tuple(samples.averaged, samples.average.frames), std::tuple(true, 4));
    ASSERT_TRUE(opened.Value()->Load(0, samples).Ok());
    EXPECT_EQ(std::tuple(opened.Value()->SettingsOf(0).port.path, samples.counts.Sample(2047, 1),
                         RecordingPlayback::Open(folder.File("b.csv")).Reason()),
              std::tuple("COM3", -77,
                         "not a frame export as this program writes it: line 5 is "
                         "not channel 2's range and probe"));
}

// The time-out and the long silence each count once; the silence a gap record
// explains is not counted again.
TEST(Recording, SummarizesFramesGapsAndSettings) {
    TempFolder folder;
    const std::string path = folder.File("summary.duruzrec");
    const std::int16_t samples[4] = {1, -1, 2047, -2047};
    {
        auto writer = RecordingWriter::Create(path, {1, "1.36", {5, 5}, {}}, false);
        ASSERT_TRUE(writer.Ok());
        RecordingWriter& w = *writer.Value();
        const auto frame = [&](std::int64_t micros) {
            ASSERT_TRUE(w.AddFrame(0, {micros / 1000, micros}, {}, {}, samples, 4).Ok());
        };
        frame(1'000'000);
        frame(4'000'000);
        frame(7'000'001);
        ScopeSettings changed;
        changed.sweepRow = 1, changed.port = {2, "/dev/ttyUSB0"};
        ASSERT_TRUE(w.AddSettingsChange({7100, 7'100'000}, changed).Ok());
        ASSERT_TRUE(w.AddGap({8000, 8'000'000}, GapKind::Timeout).Ok());
        frame(20'000'000);
        // An average of two frames may come two frames' allowance after the last.
        const float volts[4] = {0.5f, -0.25f, 1e-7f, 3.0f};
        for (const std::int64_t micros : {26'000'000, 32'000'001})
            ASSERT_TRUE(w.AddAveragedFrame(0, {micros / 1000, micros}, {}, {}, 2, volts, 4).Ok());
    }
    std::ofstream(path, std::ios::binary | std::ios::app) << "cut";
    auto summary = SummarizeRecording(path);
    ASSERT_TRUE(summary.Ok()) << summary.Reason();
    EXPECT_EQ(DescribeRecording(summary.Value()),
              "Recorded by Duruz 1.36, format version 1, started 1970-01-01T00:00:00.005Z\n"
              "Frames: 6 (2 of them averages), 1970-01-01T00:00:01.000Z to "
              "1970-01-01T00:00:32.000Z (31.000 s)\n"
              "Gaps: 3\n"
              "  1970-01-01T00:00:07.000Z no frame for 3.000 s\n"
              "  1970-01-01T00:00:08.000Z time-out\n"
              "  1970-01-01T00:00:32.000Z no frame for 6.000 s\n"
              "Setting at the start: SwpSp -1; SySrc -1; SyPol -1; ComPt -1; Prob1 -1; Scal1 -1; "
              "Prob2 -1; Scal2 -1; SyLev 0; SyPos 298; Wleft 0; Wtopp 277; Wwidt 1511; Whigh 899; "
              "Scop1 1; Scop2 1; Fft1C 0; Fft2C 0; Hold 0; Wave1 -1; Freq1 200; Ampl1 1.00; "
              "Wave2 -1; Freq2 201; Ampl2 1.00\n"
              "Setting changed at 1970-01-01T00:00:07.100Z: SwpSp 1; ComPt 2 /dev/ttyUSB0\n"
              "Damaged: record 9 at byte 1375 is cut short; read 1375 bytes, 8 records\n");
    EXPECT_EQ(IsoTime(1796673547123), "2026-12-07T19:59:07.123Z");
    EXPECT_EQ(IsoTime(-1), "1969-12-31T23:59:59.999Z");
}

#ifndef _WIN32
// A write that fails halfway leaves part of a record: the writer refuses every later
// record, even once writing could go on, so the file still reads up to the last whole.
TEST(Recording, AFailedWriteEndsTheRecording) {
    TempFolder folder;
    const std::string path = folder.File("limited.duruzrec");
    rlimit was{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &was), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    // The header, a frame and part of the next.
    const rlimit limited{143 + 173 + 100, was.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    auto writer = RecordingWriter::Create(path, {}, false);
    const std::int16_t samples[4] = {};
    const RecordTime time;
    const ScopeSettings settings;
    const LinkCounters counters;
    const bool first =
        writer.Ok() && writer.Value()->AddFrame(0, time, settings, counters, samples, 4).Ok();
    const Status second = writer.Value()->AddFrame(1, time, settings, counters, samples, 4);
    setrlimit(RLIMIT_FSIZE, &was);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(first);
    EXPECT_EQ(second.Reason(), "File too large");
    EXPECT_EQ(writer.Value()->AddGap(time, GapKind::Timeout).Reason(), "File too large");
    EXPECT_EQ(writer.Value()->BytesWritten(), 143u + 173u);
    EXPECT_EQ(SummarizeRecording(path).Value().extent.damage, "record 2 at byte 316 is cut short");
}

// A writer killed at random moments leaves a file whose frames read back whole and
// in order, short of at most the one being written.
TEST(Recording, AKilledWriterLeavesEveryWholeRecord) {
    TempFolder folder;
    std::mt19937 random(20);
    std::vector<std::int16_t> samples(kSamplePairs * 2);
    // Frames the child has seen written, shared with it.
    auto* written = static_cast<std::atomic<std::uint64_t>*>(
        mmap(nullptr, 8, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(written, MAP_FAILED);
    for (int run = 0; run < 20; ++run) {
        const std::string path = folder.File("killed" + std::to_string(run));
        // The header is written before the child starts: every kill lands among frames.
        auto writer = RecordingWriter::Create(path, {}, false);
        ASSERT_TRUE(writer.Ok()) << writer.Reason();
        written->store(0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        for (std::uint64_t n = 0; child == 0; ++n) {
            std::fill(samples.begin(), samples.end(), static_cast<std::int16_t>(n));
            if (!writer.Value()->AddFrame(n, {}, {}, {}, samples.data(), samples.size()).Ok())
                _exit(1);
            written->store(n + 1);
        }
        usleep(random() % 20000);
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));
        auto reader = RecordingReader::Open(path);
        ASSERT_TRUE(reader.Ok()) << reader.Reason();
        RecordingRecord r;
        std::uint64_t frames = 0;
        while (reader.Value()->Next(r)) {
            ASSERT_EQ(r.sequence, frames);
            ASSERT_EQ(r.counts, std::vector<std::int16_t>(samples.size(), std::int16_t(frames)));
            ++frames;
        }
        EXPECT_TRUE(frames == written->load() || frames == written->load() + 1) << frames;
        const RecordingExtent& extent = reader.Value()->Extent();
        EXPECT_TRUE(extent.intact || extent.damage.ends_with("cut short")) << extent.damage;
    }
    munmap(written, 8);
}
#endif

} // namespace
