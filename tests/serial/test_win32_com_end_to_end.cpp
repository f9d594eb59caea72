// The Win32 serial backend end to end: the simulated instrument (duruz-sim) serves
// a pseudo-terminal that Wine maps to a COM port, and this program, built for
// Windows, opens that port as the application does and captures frames through it.
// DURUZ_WIN32_TEST_COM names the port's number; scripts/test-windows.sh sets it up.
// Nothing here opens any other port of the machine.

#include "link/capture_stream.h"
#include "link/commands.h"
#include "link/open_port.h"
#include "link/serial_link.h"
#include "serial/com_port_names.h"
#include "serial/serial_win32.h"
#include "sim/simulated_instrument.h"
#include "support/recording_log.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using duruz::PortEntry;
using testing_support::RecordingLog;
using Lines = std::vector<std::string>;

// The Win32 port, keeping every byte sent so that a model of the instrument fed
// the same bytes can say what each frame must hold.
struct RecordedProvider : duruz::PortProvider {
    struct Port : serial::Win32SerialPort {
        std::string sent;
        std::size_t Write(const void* data, std::size_t count) override {
            const std::size_t n = Win32SerialPort::Write(data, count);
            sent.append(static_cast<const char*>(data), n);
            return n;
        }
    } port;
    serial::SerialPort& PortFor(const PortEntry&) override { return port; }
};

// The frames a fresh model answers the bytes with, by frame number (header word 2).
std::map<std::uint32_t, std::string> ModelFrames(const std::string& sent) {
    sim::SimulatedInstrument model;
    std::string out;
    std::vector<std::uint8_t> piece(duruz::kFrameBytes);
    for (const char& byte : sent) {
        model.Receive(reinterpret_cast<const std::uint8_t*>(&byte), 1);
        while (const std::size_t n = model.TakeOutput(piece.data(), piece.size()))
            out.append(reinterpret_cast<const char*>(piece.data()), n);
    }
    std::map<std::uint32_t, std::string> frames;
    for (std::size_t at = 0; at + duruz::kFrameBytes <= out.size(); at += duruz::kFrameBytes) {
        std::uint32_t number = 0;
        std::memcpy(&number, out.data() + at + 8, 4);
        frames[number] = out.substr(at, duruz::kFrameBytes);
    }
    return frames;
}

// One table row for the COM port a path names.
void AddRow(duruz::SerialLink& link, const std::string& path) {
    PortEntry& row = link.PortTable[link.PortCount++];
    std::snprintf(row.path.data(), row.path.size(), "%s", path.c_str());
}

class ComPortEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        const char* number = std::getenv("DURUZ_WIN32_TEST_COM");
        std::uint32_t n = 0;
        ASSERT_TRUE(number != nullptr && serial::ParseComPortName(std::string("COM") + number, n))
            << "DURUZ_WIN32_TEST_COM must name the COM port to test";
        path_ = serial::ComPortDevicePath(n);
        link_.TimerInterval = 250;
        AddRow(link_, path_);
        ASSERT_TRUE(duruz::OpenPort(link_, provider_, 0, log_));
        EXPECT_EQ(log_.lines, (Lines{path_, path_, "   opened", path_, "   configured"}));
    }

    std::string path_;
    duruz::SerialLink link_;
    RecordedProvider provider_;
    RecordingLog log_;
};

TEST_F(ComPortEndToEnd, OpensConfiguresAndCapturesWholeFrames) {
    EXPECT_EQ(link_.PortHandle, &provider_.port);
    // A 1 kHz square wave of 1 V on generator A, input 1 on its 2 V range.
    auto store = std::make_unique<duruz::CaptureStore>();
    duruz::SendRange(link_, log_, 0, 6);
    duruz::SendCommand(link_, log_, duruz::SigGenCommand(0, 6, 1000.0, 1.0));
    duruz::RequestCapture(link_, *store, log_);
    EXPECT_EQ(provider_.port.sent.substr(provider_.port.sent.size() - 4), "%z\r\n");

    for (int frame = 0; frame < 2; ++frame) {
        bool whole = false;
        for (int tick = 0; tick < 40 && !whole; ++tick) {
            Sleep(250);
            whole = duruz::CaptureTick(link_, *store, false, log_).redraw;
        }
        ASSERT_TRUE(whole) << "no whole frame within 10 s";
        const auto frames = ModelFrames(provider_.port.sent);
        const auto expected = frames.find(store->HeaderWord(2));
        ASSERT_NE(expected, frames.end()) << "frame number " << store->HeaderWord(2);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(store->RxBuffer.data()),
                              duruz::kHeaderBytes) +
                      std::string(reinterpret_cast<const char*>(store->CaptureBuffer.data()),
                                  duruz::kFrameBytes - duruz::kHeaderBytes),
                  expected->second);
    }
}

TEST_F(ComPortEndToEnd, IntervalTimeOutEndsALongReadEarly) {
    // Twice a frame asked: its total time-out is 16,385 ms, but the gap after the
    // frame ends it as soon as the bytes stop.
    std::vector<char> buffer(2 * duruz::kFrameBytes);
    while (duruz::PortRead(link_, buffer.data(), 128) != 0) { // what is left on the line
    }
    duruz::PortWrite(link_, "%z\r\n", 4);
    const auto start = std::chrono::steady_clock::now();
    const std::size_t got = duruz::PortRead(link_, buffer.data(), buffer.size());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8)) << got << " bytes";
    EXPECT_GT(got, 0u);
    EXPECT_LE(got, duruz::kFrameBytes);
    Sleep(1000); // let the rest of the frame go by before the port is closed
    while (duruz::PortRead(link_, buffer.data(), buffer.size()) != 0) {
    }
}

TEST(ComPortMissing, DoesNotExist) {
    duruz::SerialLink link;
    const std::string missing = serial::ComPortDevicePath(250);
    AddRow(link, missing);
    RecordedProvider provider;
    RecordingLog log;
    EXPECT_FALSE(duruz::OpenPort(link, provider, 0, log));
    EXPECT_EQ(log.lines, (Lines{missing, missing, "   does not exist"}));
    EXPECT_EQ(link.PortHandle, nullptr);
}

} // namespace
