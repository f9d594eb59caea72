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
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

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
    serial::SerialPort& PortFor(const duruz::PortEntry&) override { return port; }
};

// The frame numbered `number` (header word 2) that a fresh model answers the bytes
// with; empty when it sends none such.
std::string ModelFrame(const std::string& sent, std::uint32_t number) {
    sim::SimulatedInstrument model;
    std::string out;
    std::vector<std::uint8_t> piece(duruz::kFrameBytes);
    for (const char& byte : sent) {
        model.Receive(reinterpret_cast<const std::uint8_t*>(&byte), 1);
        while (const std::size_t n = model.TakeOutput(piece.data(), piece.size()))
            out.append(reinterpret_cast<const char*>(piece.data()), n);
    }
    for (std::size_t at = 0; at + duruz::kFrameBytes <= out.size(); at += duruz::kFrameBytes)
        if (std::memcmp(out.data() + at + 8, &number, 4) == 0)
            return out.substr(at, duruz::kFrameBytes);
    return {};
}

// A missing COM port (row 1) fails to open with its reason; the test's port (row 0)
// opens and is configured, captures whole frames that match the model's, and ends
// a long read on the gap after a frame rather than on its total time-out.
TEST(ComPortEndToEnd, MissingPortThenOpensCapturesWholeFramesAndEndsALongReadOnItsGap) {
    const char* number = std::getenv("DURUZ_WIN32_TEST_COM");
    std::uint32_t n = 0;
    ASSERT_TRUE(number != nullptr && serial::ParseComPortName(std::string("COM") + number, n))
        << "DURUZ_WIN32_TEST_COM must name the COM port to test";
    duruz::SerialLink link;
    link.TimerInterval = 250;
    const std::string path = serial::ComPortDevicePath(n), missing = serial::ComPortDevicePath(250);
    for (const std::string& row : {path, missing})
        row.copy(link.PortTable[link.PortCount++].path.data(), 79);
    RecordedProvider provider;
    testing_support::RecordingLog log;
    EXPECT_EQ(duruz::OpenPort(link, provider, 1, log).Reason(), "does not exist");
    ASSERT_TRUE(duruz::OpenPort(link, provider, 0, log).Value().Configured());
    EXPECT_EQ(log.lines, (Lines{missing, missing, "   does not exist", path, path, "   opened",
                                path, "   configured"}));

    // A 1 kHz square wave of 1 V on generator A, input 1 on its 2 V range.
    auto store = std::make_unique<duruz::CaptureStore>();
    duruz::SendRange(link, log, 0, 6);
    duruz::SendCommand(link, log, duruz::SigGenCommand(0, 6, 1000.0, 1.0));
    duruz::RequestCapture(link, *store, log);
    for (int count = 0; count < 2; ++count) {
        bool whole = false;
        for (int tick = 0; tick < 40 && !whole; ++tick) {
            Sleep(250);
            whole = duruz::CaptureTick(link, *store, false, log).redraw;
        }
        ASSERT_TRUE(whole) << "no whole frame within 10 s";
        std::string frame(reinterpret_cast<const char*>(store->RxBuffer.data()),
                          duruz::kHeaderBytes);
        frame.append(reinterpret_cast<const char*>(store->CaptureBuffer.data()),
                     duruz::kFrameBytes - duruz::kHeaderBytes);
        EXPECT_EQ(frame, ModelFrame(provider.port.sent, store->HeaderWord(2)));
    }

    // Twice a frame asked, after what is left on the line: the total time-out is
    // 16,385 ms, but the gap after the frame ends the read as soon as the bytes stop.
    std::vector<char> buffer(2 * duruz::kFrameBytes);
    while (duruz::PortRead(link, buffer.data(), 128) != 0) {
    }
    duruz::PortWrite(link, "%z\r\n", 4);
    const auto start = std::chrono::steady_clock::now();
    const std::size_t got = duruz::PortRead(link, buffer.data(), buffer.size());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8)) << got << " bytes";
    EXPECT_TRUE(got > 0 && got <= duruz::kFrameBytes) << got << " bytes";
}

} // namespace
