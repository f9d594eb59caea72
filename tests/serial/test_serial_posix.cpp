#include "serial/serial_posix.h"
#include "support/pty_pair.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <tuple>

#include <sys/stat.h>
#include <termios.h>

namespace {

using serial::OpenStatus;
using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// A closed port holds no descriptor, so none of its calls reaches standard input
// (here a pipe holding one byte). A mistyped --port must never write into what it
// names: a regular file, a folder, /dev/null and a FIFO fail to open, nothing goes
// out through the failed port, and the file keeps its bytes. A terminal opens for
// one port at a time.
TEST(PtyPort, OpenResultsAndExclusiveUse) {
    testing_support::PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    serial::PosixSerialPort port;
    char buffer[128] = {};
    int stdinPipe[2];
    ASSERT_EQ(pipe(stdinPipe), 0);
    const int savedStdin = dup(0);
    ASSERT_EQ(dup2(stdinPipe[0], 0), 0);
    ASSERT_EQ(write(stdinPipe[1], "x", 1), 1);
    serial::LineSettings settings;
    EXPECT_FALSE(port.Read(buffer, sizeof buffer) || port.Write("abc", 3) ||
                 port.GetSettings(settings) || port.SetSettings(settings) ||
                 port.SetTimeouts(serial::Timeouts{}));
    port.ClearErrors();
    port.Close();
    dup2(savedStdin, 0);
    for (const int end : {savedStdin, stdinPipe[1]})
        close(end);
    EXPECT_EQ(read(stdinPipe[0], buffer, sizeof buffer), 1) << "the byte was taken";
    close(stdinPipe[0]);

    const testing_support::TempFolder folder;
    const std::string file = folder.File("notes.txt"), fifo = folder.File("fifo");
    std::ofstream(file, std::ios::binary) << "my notes\n";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {std::string("/nonexistent-duruz/ttyUSB0"), file + "/tty"})
        EXPECT_EQ(port.Open(path.c_str()).status, OpenStatus::NotFound) << path;
    for (const std::string& path : {file, folder.Path(), std::string("/dev/null"), fifo}) {
        const serial::OpenResult result = port.Open(path.c_str());
        EXPECT_EQ(std::tuple(result.status, result.reason, port.Write("%z\r\n", 4)),
                  std::tuple(OpenStatus::OtherError, serial::OpenFailure::NotSerialDevice, 0u))
            << path;
    }
    EXPECT_EQ(testing_support::ReadFile(file), "my notes\n");

    ASSERT_EQ(port.Open(pty.SlavePath()).status, OpenStatus::Opened);
    serial::PosixSerialPort second;
    const serial::OpenResult refused = second.Open(pty.SlavePath());
    EXPECT_EQ(std::tuple(refused.status, refused.errorCode, refused.reason),
              std::tuple(OpenStatus::OtherError, EBUSY, serial::OpenFailure::InUse));
    port.Close();
    EXPECT_EQ(second.Open(pty.SlavePath()).status, OpenStatus::Opened);
}

// RTS handshaking must not turn on CRTSCTS, whose CTS output flow control would
// block every write on a cable that never raises CTS, nor software flow control (a
// pseudo-terminal has no modem lines, so RTS itself cannot be seen here).
// Then the total time-out ends a read on a silent line (128 * 1 + 1 = 129 ms), a gap
// between bytes ends it when the sender pauses (20 ms, not the 10 s total), and a
// full count ends it at once, the XON and XOFF characters passed through as data.
TEST(PtyPort, ReadEndsOnTheTotalTimeTheGapTheCountOrAnInterrupt) {
    // The port set up as the link does (RTS handshaking, XON 0x54, XOFF 0xD4). The
    // probe is a second descriptor on the same terminal, taken before the port's
    // exclusive open, that shows the terminal's settings.
    testing_support::PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    const int probe = open(pty.SlavePath(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    serial::PosixSerialPort port;
    ASSERT_EQ(port.Open(pty.SlavePath()).status, OpenStatus::Opened);
    serial::LineSettings settings;
    ASSERT_TRUE(port.GetSettings(settings));
    settings.baudRate = 123457; // no such rate
    EXPECT_FALSE(port.SetSettings(settings));
    settings.baudRate = 115200;
    settings.rtsHandshake = true;
    settings.xonChar = 0x54;
    settings.xoffChar = 0xD4;
    ASSERT_TRUE(port.SetSettings(settings));
    ASSERT_TRUE(port.SetTimeouts(serial::Timeouts{1, 1, 1, 0, 0}));
    termios tio{};
    ASSERT_EQ(tcgetattr(probe, &tio), 0);
    EXPECT_EQ(std::tuple(tio.c_cflag & (CRTSCTS | CLOCAL | CREAD), tio.c_iflag & (IXON | IXOFF)),
              std::tuple(tcflag_t(CLOCAL | CREAD), tcflag_t(0)));
    close(probe);

    char buffer[256] = {};
    auto start = Clock::now();
    EXPECT_EQ(port.Read(buffer, 128), 0u);
    EXPECT_GE(MsSince(start), 100);
    EXPECT_LT(MsSince(start), 1000);

    ASSERT_TRUE(port.SetTimeouts(serial::Timeouts{20, 0, 10000, 0, 0}));
    std::thread sender([&pty] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        pty.WriteAll("0123456789");
    });
    start = Clock::now();
    const std::size_t got = port.Read(buffer, 128);
    EXPECT_LT(MsSince(start), 1500);
    sender.join();
    EXPECT_EQ(std::string(buffer, got), "0123456789");

    ASSERT_TRUE(port.SetTimeouts(serial::Timeouts{0, 0, 5000, 0, 0}));
    std::string sent;
    for (int i = 0; i < 200; ++i)
        sent += static_cast<char>(i * 7);
    ASSERT_TRUE(pty.WriteAll(sent));
    start = Clock::now();
    ASSERT_EQ(port.Read(buffer, 128), 128u);
    ASSERT_EQ(port.Read(buffer + 128, 72), 72u);
    EXPECT_EQ(std::string(buffer, 200), sent);
    EXPECT_LT(MsSince(start), 1000);

    // Interrupt, from another thread, cuts short a write the far end never takes,
    // and the read after it that would wait a minute; both report what they had.
    // Before that, ReadWithin waits its own 2 ms on a quiet line, not the minute.
    ASSERT_TRUE(port.SetTimeouts(serial::Timeouts{0, 0, 60000, 0, 0}));
    EXPECT_EQ(port.ReadWithin(buffer, sizeof buffer, 2), 0u);
    ASSERT_TRUE(pty.WriteAll("ab"));
    EXPECT_EQ(port.ReadWithin(buffer, sizeof buffer, 2), 2u);

    std::size_t taken = 1, written = 0;
    const std::string flood(1 << 20, 'f'); // far more than the pseudo-terminal buffers
    start = Clock::now();
    std::thread user([&] {
        written = port.Write(flood.data(), flood.size());
        taken = port.Read(buffer, sizeof buffer);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    port.Interrupt();
    user.join();
    EXPECT_LT(MsSince(start), 5000);
    EXPECT_EQ(std::tuple(taken, written < flood.size()), std::tuple(0u, true));
}

} // namespace
