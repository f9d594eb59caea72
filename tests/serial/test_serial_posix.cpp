#include "serial/pty_pair.h"
#include "serial/serial_posix.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include <unistd.h>

namespace {

using serial::OpenStatus;
using serial::PosixSerialPort;
using testing_support::PtyPair;
using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::string AllByteValues() {
    std::string bytes;
    for (int value = 0; value < 256; ++value)
        bytes.push_back(static_cast<char>(value));
    return bytes;
}

// Opens the slave and sets it up as the link does: the instrument's line over the
// driver's settings, XON 0x54 and XOFF 0xD4 included.
void OpenConfigured(PosixSerialPort& port, const PtyPair& pty, const serial::Timeouts& timeouts) {
    ASSERT_TRUE(pty.Ok());
    ASSERT_EQ(port.Open(pty.SlavePath().c_str()).status, OpenStatus::Opened);
    serial::LineSettings settings;
    ASSERT_TRUE(port.GetSettings(settings));
    settings.baudRate = 115200;
    settings.dataBits = 8;
    settings.parity = serial::Parity::None;
    settings.stopBits = serial::StopBits::One;
    settings.dtrOn = true;
    settings.rtsHandshake = true;
    settings.xonChar = 0x54;
    settings.xoffChar = 0xD4;
    ASSERT_TRUE(port.SetSettings(settings));
    ASSERT_TRUE(port.SetTimeouts(timeouts));
}

TEST(PosixSerialPort, OpenTellsMissingPathsFromOtherFailures) {
    PosixSerialPort port;
    EXPECT_EQ(port.Open("/nonexistent-duruz/ttyUSB0").status, OpenStatus::NotFound);
    EXPECT_FALSE(port.IsOpen());

    // A path through a regular file is "not there" as well.
    const auto file = std::filesystem::temp_directory_path() / "duruz-serial-notdir";
    std::FILE* created = std::fopen(file.c_str(), "w");
    ASSERT_NE(created, nullptr);
    std::fclose(created);
    EXPECT_EQ(port.Open((file / "tty").c_str()).status, OpenStatus::NotFound);
    std::filesystem::remove(file);

    serial::OpenResult directory = port.Open(std::filesystem::temp_directory_path().c_str());
    EXPECT_EQ(directory.status, OpenStatus::OtherError);
    EXPECT_EQ(directory.errorCode, EISDIR);
    EXPECT_FALSE(port.IsOpen());
}

TEST(PosixSerialPort, IsExclusiveAndCanBeOpenedAgainAfterClose) {
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    PosixSerialPort first;
    PosixSerialPort second;
    ASSERT_EQ(first.Open(pty.SlavePath().c_str()).status, OpenStatus::Opened);

    serial::OpenResult refused = second.Open(pty.SlavePath().c_str());
    EXPECT_EQ(refused.status, OpenStatus::OtherError);
    EXPECT_EQ(refused.errorCode, EBUSY);
    EXPECT_FALSE(second.IsOpen());

    first.Close();
    first.Close(); // harmless twice
    EXPECT_FALSE(first.IsOpen());
    EXPECT_EQ(second.Open(pty.SlavePath().c_str()).status, OpenStatus::Opened);
    second.Close();
    ASSERT_EQ(first.Open(pty.SlavePath().c_str()).status, OpenStatus::Opened);
    EXPECT_EQ(first.Write("ok", 2), 2u);
    EXPECT_EQ(pty.Read(2), "ok");
}

TEST(PosixSerialPort, ClosedPortTouchesNoDescriptor) {
    // Put a pipe with one byte in it on standard input: a closed port that read or
    // wrote descriptor 0 would take the byte or add to the pipe.
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const int savedStdin = dup(0);
    ASSERT_GE(savedStdin, 0);
    ASSERT_EQ(dup2(pipeEnds[0], 0), 0);
    ASSERT_EQ(write(pipeEnds[1], "x", 1), 1);

    PosixSerialPort port;
    char buffer[8] = {};
    serial::LineSettings settings;
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u);
    EXPECT_EQ(port.Write("abc", 3), 0u);
    EXPECT_FALSE(port.GetSettings(settings));
    EXPECT_FALSE(port.SetSettings(settings));
    EXPECT_FALSE(port.SetTimeouts(serial::Timeouts{}));
    port.ClearErrors();
    port.Close();

    close(pipeEnds[1]);
    std::string left;
    char byte = 0;
    while (read(0, &byte, 1) == 1)
        left.push_back(byte);
    dup2(savedStdin, 0);
    close(savedStdin);
    close(pipeEnds[0]);
    EXPECT_EQ(left, "x");
}

TEST(PosixSerialPort, SettingsAreAppliedAndRefusedWhenImpossible) {
    PtyPair pty;
    PosixSerialPort port;
    OpenConfigured(port, pty, serial::Timeouts{1, 1, 1, 0, 0});

    serial::LineSettings read;
    ASSERT_TRUE(port.GetSettings(read));
    EXPECT_EQ(read.baudRate, 115200u);
    EXPECT_EQ(read.dataBits, 8);
    EXPECT_EQ(read.parity, serial::Parity::None);
    EXPECT_EQ(read.stopBits, serial::StopBits::One);
    EXPECT_TRUE(read.rtsHandshake);
    EXPECT_EQ(read.xonChar, 0x54);
    EXPECT_EQ(read.xoffChar, 0xD4);

    serial::LineSettings odd = read;
    odd.baudRate = 123457;
    EXPECT_FALSE(port.SetSettings(odd));
    odd = read;
    odd.stopBits = serial::StopBits::OneAndHalf;
    EXPECT_FALSE(port.SetSettings(odd));
}

TEST(PosixSerialPort, SilentLineTimesOutAfterTheTotalTime) {
    PtyPair pty;
    PosixSerialPort port;
    OpenConfigured(port, pty, serial::Timeouts{1, 1, 1, 0, 0});

    char buffer[128];
    const auto start = Clock::now();
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u);
    const long long elapsed = MsSince(start); // 128 * 1 + 1 = 129 ms
    EXPECT_GE(elapsed, 100);
    EXPECT_LT(elapsed, 1000);
}

TEST(PosixSerialPort, ReadReturnsWhenTheSenderPauses) {
    PtyPair pty;
    PosixSerialPort port;
    // A 20 ms gap ends the read long before the 10 s total would.
    OpenConfigured(port, pty, serial::Timeouts{20, 0, 10000, 0, 0});

    std::thread sender([&pty] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        pty.WriteAll("0123456789");
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        pty.WriteAll("abcdefghij");
    });
    char buffer[128];
    const auto start = Clock::now();
    const std::size_t got = port.Read(buffer, sizeof buffer);
    const long long elapsed = MsSince(start);
    sender.join();
    EXPECT_EQ(std::string(buffer, got), "0123456789");
    EXPECT_LT(elapsed, 1500);

    EXPECT_EQ(port.Read(buffer, sizeof buffer), 10u);
    EXPECT_EQ(std::string(buffer, 10), "abcdefghij");
}

TEST(PosixSerialPort, ReadTakesExactlyTheCountWhenMoreIsWaiting) {
    PtyPair pty;
    PosixSerialPort port;
    // No gap time-out and a long total: only a full count ends these reads early.
    OpenConfigured(port, pty, serial::Timeouts{0, 0, 5000, 0, 0});

    std::string sent(200, '\0');
    for (std::size_t i = 0; i < sent.size(); ++i)
        sent[i] = static_cast<char>(i * 7);
    ASSERT_TRUE(pty.WriteAll(sent));

    char buffer[128];
    const auto start = Clock::now();
    ASSERT_EQ(port.Read(buffer, 128), 128u);
    EXPECT_EQ(std::string(buffer, 128), sent.substr(0, 128));
    ASSERT_EQ(port.Read(buffer, 72), 72u);
    EXPECT_EQ(std::string(buffer, 72), sent.substr(128));
    EXPECT_LT(MsSince(start), 1000);
}

TEST(PosixSerialPort, BytesPassUnchangedBothWays) {
    PtyPair pty;
    PosixSerialPort port;
    OpenConfigured(port, pty, serial::Timeouts{0, 0, 3000, 0, 0});
    const std::string all = AllByteValues();

    // Incoming: CR, ^C, and the XON/XOFF characters 0x54 and 0xD4 arrive as data.
    ASSERT_TRUE(pty.WriteAll(all));
    std::string received(256, '\0');
    ASSERT_EQ(port.Read(received.data(), received.size()), 256u);
    EXPECT_EQ(received, all);

    // Outgoing: no newline translation; a write far beyond the terminal's buffer
    // blocks until the reader has taken every byte.
    ASSERT_EQ(port.Write(all.data(), all.size()), all.size());
    EXPECT_EQ(pty.Read(all.size()), all);

    std::string large;
    for (int i = 0; i < 1000; ++i)
        large += all;
    std::string echoed;
    std::thread reader([&] { echoed = pty.Read(large.size()); });
    EXPECT_EQ(port.Write(large.data(), large.size()), large.size());
    reader.join();
    EXPECT_TRUE(echoed == large) << "received " << echoed.size() << " of " << large.size();
}

} // namespace
