// The Win32 serial backend end to end: the simulated instrument (duruz-sim) serves
// a pseudo-terminal that Wine maps to a COM port, and this program, built for
// Windows, opens that port as the application does and captures frames through it.
// DURUZ_WIN32_TEST_COM names the port's number; scripts/test-windows.sh sets it up.
// Nothing here opens any other port of the machine.

#include "link/capture_stream.h"
#include "link/commands.h"
#include "link/open_port.h"
#include "link/port_list.h"
#include "serial/com_port_names.h"
#include "serial/serial_win32.h"
#include "sim/port_provider.h"
#include "sim/simulated_instrument.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

using duruz::CaptureStore;
using duruz::PortEntry;
using duruz::SerialLink;
using Lines = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

struct RecordingLog : tk::LineLog {
    Lines lines;
    void Add(std::string_view line) override { lines.emplace_back(line); }
};

// Every byte this program sends to the instrument, in order, so that a model of
// the instrument fed the same bytes can say what each frame must hold.
std::string& SentBytes() {
    static std::string bytes;
    return bytes;
}

// The Win32 port, with every write recorded.
class RecordedPort : public serial::Win32SerialPort {
public:
    std::size_t Write(const void* data, std::size_t count) override {
        const std::size_t sent = Win32SerialPort::Write(data, count);
        SentBytes().append(static_cast<const char*>(data), sent);
        return sent;
    }
};

struct RecordedProvider : duruz::PortProvider {
    RecordedPort port;
    serial::SerialPort& PortFor(const PortEntry&) override { return port; }
};

std::uint32_t TestPortNumber() {
    const char* text = std::getenv("DURUZ_WIN32_TEST_COM");
    std::uint32_t number = 0;
    if (text == nullptr || !serial::ParseComPortName(std::string("COM") + text, number))
        return 0;
    return number;
}

// The frames a fresh model answers the recorded bytes with, by frame number.
std::map<std::uint32_t, std::string> ModelFrames() {
    sim::SimulatedInstrument model;
    std::map<std::uint32_t, std::string> frames;
    std::string out;
    std::vector<std::uint8_t> piece(duruz::kFrameBytes);
    for (char byte : SentBytes()) {
        const auto b = static_cast<std::uint8_t>(byte);
        model.Receive(&b, 1);
        while (model.OutputAvailable() > 0) {
            const std::size_t n = model.TakeOutput(piece.data(), piece.size());
            out.append(reinterpret_cast<const char*>(piece.data()), n);
        }
    }
    for (std::size_t at = 0; at + duruz::kFrameBytes <= out.size(); at += duruz::kFrameBytes) {
        std::uint32_t number = 0;
        std::memcpy(&number, out.data() + at + 8, 4); // header word 2
        frames[number] = out.substr(at, duruz::kFrameBytes);
    }
    return frames;
}

class ComPortEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        number_ = TestPortNumber();
        ASSERT_NE(number_, 0u) << "DURUZ_WIN32_TEST_COM must name the COM port to test";
        path_ = serial::ComPortDevicePath(number_);
        link_.TimerInterval = 250;
        PortEntry& row = link_.PortTable[link_.PortCount++];
        std::snprintf(row.name.data(), row.name.size(), "%s", serial::ComPortName(number_).c_str());
        std::snprintf(row.path.data(), row.path.size(), "%s", path_.c_str());
        store_ = std::make_unique<CaptureStore>();
    }

    // Opens the row as ComPortClick does; true when configured.
    bool Open(RecordingLog& log) { return duruz::OpenPort(link_, provider_, 0, log); }

    // Timer ticks every 250 ms until a frame is complete or the ticks run out.
    bool RunTicksUntilFrame(int maxTicks) {
        for (int tick = 0; tick < maxTicks; ++tick) {
            Sleep(250);
            if (duruz::CaptureTick(link_, *store_, false).redraw)
                return true;
        }
        return false;
    }

    std::uint32_t number_ = 0;
    std::string path_;
    SerialLink link_;
    RecordedProvider provider_;
    std::unique_ptr<CaptureStore> store_;
};

TEST_F(ComPortEndToEnd, PortListShowsTheComPortBeforeTheSimulator) {
    SerialLink link;
    duruz::EnumeratePorts(link, duruz::PortSources{});
    ASSERT_GE(link.PortCount, 2u);
    const PortEntry& last = link.PortTable[link.PortCount - 1];
    EXPECT_STREQ(last.name.data(), "Simulator");
    EXPECT_EQ(last.kind, duruz::PortKind::Simulator);

    const PortEntry* found = nullptr;
    for (std::uint32_t i = 0; i + 1 < link.PortCount; ++i) {
        const PortEntry& row = link.PortTable[i];
        EXPECT_EQ(row.kind, duruz::PortKind::Device);
        std::uint32_t n = 0;
        ASSERT_TRUE(serial::ParseComPortName(row.name.data(), n)) << row.name.data();
        EXPECT_EQ(row.path.data(), serial::ComPortDevicePath(n));
        if (n == number_)
            found = &row;
    }
    ASSERT_NE(found, nullptr) << "COM" << number_ << " is not listed";
    EXPECT_STREQ(found->path.data(), path_.c_str());

    // The application's provider hands out the Win32 port for it (not opened here).
    sim::DefaultPortProvider provider;
    EXPECT_NE(dynamic_cast<serial::Win32SerialPort*>(&provider.PortFor(*found)), nullptr);
    EXPECT_EQ(&provider.PortFor(last), &provider.Simulator());
}

TEST_F(ComPortEndToEnd, OpensConfiguresAndCapturesWholeFrames) {
    RecordingLog log;
    ASSERT_TRUE(Open(log));
    EXPECT_EQ(log.lines, (Lines{path_, path_, "   opened", path_, "   configured"}));
    EXPECT_EQ(link_.PortHandle, &provider_.port);

    // What the driver reports back: the line as the instrument needs it, as far as
    // the terminal behind it can hold it. (A terminal has no RTS-only handshaking,
    // so there the driver reports none; that part is checked on Windows.)
    serial::LineSettings line;
    ASSERT_TRUE(provider_.port.GetSettings(line));
    EXPECT_EQ(line.baudRate, 115200u);
    EXPECT_EQ(line.dataBits, 8);
    EXPECT_EQ(line.parity, serial::Parity::None);
    EXPECT_EQ(line.stopBits, serial::StopBits::One);
    EXPECT_EQ(line.xonChar, 0x54);
    EXPECT_EQ(line.xoffChar, 0xD4);

    // A 1 kHz square wave of 1 V on generator A, which feeds input 1, on the 2 V
    // range of that input; then the first request.
    duruz::SendRange(link_, log, 0, 6);
    duruz::SendCommand(link_, log, duruz::SigGenCommand(0, 6, 1000.0, 1.0));
    duruz::RequestCapture(link_, *store_);
    EXPECT_TRUE(link_.RequestPending);
    EXPECT_EQ(SentBytes().substr(SentBytes().size() - 4), std::string("%z\r\n", 4));

    for (int frame = 0; frame < 2; ++frame) {
        ASSERT_TRUE(RunTicksUntilFrame(40)) << "no whole frame within 10 s";
        EXPECT_FALSE(link_.RequestPending);
        EXPECT_EQ(store_->HeaderWord(0), duruz::kFrameMarker);
        EXPECT_EQ(store_->HeaderWord(1), 2048u);
        EXPECT_EQ(store_->HeaderWord(16), 102400u); // the sample rate

        // Bit for bit what the model answers the same bytes with.
        const auto frames = ModelFrames();
        const auto expected = frames.find(store_->HeaderWord(2));
        ASSERT_NE(expected, frames.end()) << "frame number " << store_->HeaderWord(2);
        EXPECT_EQ(
            std::memcmp(store_->RxBuffer.data(), expected->second.data(), duruz::kHeaderBytes), 0);
        EXPECT_EQ(std::memcmp(store_->CaptureBuffer.data(),
                              expected->second.data() + duruz::kHeaderBytes,
                              duruz::kFrameBytes - duruz::kHeaderBytes),
                  0);

        // The square wave: input 1 sits near +-1,024 counts, half the time each.
        int high = 0;
        int low = 0;
        for (std::size_t i = 0; i < duruz::kSamplePairs; ++i) {
            const int sample = store_->Sample(i, 0);
            high += sample > 900 && sample < 1150;
            low += sample < -900 && sample > -1150;
        }
        EXPECT_GT(high, 900);
        EXPECT_GT(low, 900);
        EXPECT_EQ(high + low, static_cast<int>(duruz::kSamplePairs));
    }
}

TEST_F(ComPortEndToEnd, IntervalTimeOutEndsALongReadEarly) {
    RecordingLog log;
    ASSERT_TRUE(Open(log));
    // Nothing on the line: a read of 128 bytes ends empty after its total time-out.
    char drain[128];
    while (duruz::PortRead(link_, drain, sizeof drain) != 0) {
    }
    auto start = Clock::now();
    EXPECT_EQ(duruz::PortRead(link_, drain, sizeof drain), 0u);
    const auto silentMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_LT(silentMs, 5000);

    // One read asks for twice a frame: its total time-out is 16,385 ms, but the gap
    // after the frame ends it as soon as the bytes stop.
    const std::size_t asked = 2 * duruz::kFrameBytes;
    std::vector<char> buffer(asked);
    duruz::PortWrite(link_, "%z\r\n", 4);
    start = Clock::now();
    const std::size_t got = duruz::PortRead(link_, buffer.data(), asked);
    const auto readMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_GT(got, 0u);
    EXPECT_LE(got, duruz::kFrameBytes);
    EXPECT_LT(readMs, 8000) << got << " bytes";
    std::printf("silent read: %lld ms; long read: %zu of %zu bytes in %lld ms\n",
                static_cast<long long>(silentMs), got, asked, static_cast<long long>(readMs));

    // Let the rest of the frame go by before the port is closed.
    Sleep(1000);
    while (duruz::PortRead(link_, drain, sizeof drain) != 0) {
    }
}

TEST_F(ComPortEndToEnd, MissingComPortDoesNotExist) {
    SerialLink link;
    PortEntry& row = link.PortTable[link.PortCount++];
    const std::string missing = serial::ComPortDevicePath(250);
    std::snprintf(row.path.data(), row.path.size(), "%s", missing.c_str());
    RecordedProvider provider;
    RecordingLog log;
    EXPECT_FALSE(duruz::OpenPort(link, provider, 0, log));
    EXPECT_EQ(log.lines, (Lines{missing, missing, "   does not exist"}));
    EXPECT_EQ(link.PortHandle, nullptr);
}

} // namespace
