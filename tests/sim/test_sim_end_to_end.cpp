// duruz-sim on a pseudo-terminal, the POSIX serial port on its slave side, and the
// link's own capture loop in between.

#include "link/capture_stream.h"
#include "link/commands.h"
#include "serial/serial_posix.h"
#include "sim/simulated_instrument.h"
#include "sim_test_helpers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// The simulator as a child process; stopped with SIGTERM at the end.
class SimProcess {
public:
    explicit SimProcess(std::vector<std::string> args) {
        int pipeFds[2];
        if (pipe(pipeFds) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
        args.insert(args.begin(), DURUZ_SIM_PATH);
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, DURUZ_SIM_PATH, &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(pipeFds[1]);
        output_ = pipeFds[0];
    }
    ~SimProcess() {
        Stop();
        if (output_ >= 0)
            close(output_);
    }

    // The first line of its output, within five seconds.
    std::string FirstLine() {
        std::string line;
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (Clock::now() < deadline) {
            pollfd entry{output_, POLLIN, 0};
            if (poll(&entry, 1, 100) <= 0)
                continue;
            char c;
            if (read(output_, &c, 1) != 1 || c == '\n')
                break;
            line.push_back(c);
        }
        return line;
    }

    // SIGTERM, then the exit status within five seconds (SIGKILL after that).
    int Stop() {
        if (pid_ <= 0)
            return -1;
        kill(pid_, SIGTERM);
        int status = 0;
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (Clock::now() > deadline) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        pid_ = -1;
        return status;
    }

private:
    pid_t pid_ = -1;
    int output_ = -1;
};

void Write(duruz::SerialLink& link, sim::SimulatedInstrument& reference,
           const duruz::CommandText& command) {
    duruz::PortWrite(link, command.bytes, command.length);
    reference.Receive(reinterpret_cast<const std::uint8_t*>(command.bytes), command.length);
}

TEST(SimEndToEnd, FrameOverAPseudoTerminalMatchesTheModel) {
    SimProcess sim({"--seed", "42", "--no-noise", "--stray", "5"});
    const std::string path = sim.FirstLine();
    ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;

    serial::PosixSerialPort port;
    ASSERT_EQ(port.Open(path.c_str()).status, serial::OpenStatus::Opened);
    serial::LineSettings settings;
    ASSERT_TRUE(port.GetSettings(settings));
    settings.baudRate = 115200;
    settings.dataBits = 8;
    settings.rtsHandshake = true;
    settings.dtrOn = true;
    ASSERT_TRUE(port.SetSettings(settings));
    ASSERT_TRUE(port.SetTimeouts({1, 1, 1, 0, 0}));

    duruz::SerialLink link;
    link.PortHandle = &port;
    link.TimerInterval = 250;
    duruz::CaptureStore store;

    sim::SimulatedInstrument reference({.seed = 42, .noise = false});
    Write(link, reference, duruz::RangeCommand(0, 7));
    Write(link, reference, duruz::RangeCommand(1, 5));
    Write(link, reference, duruz::SyncCommand(0, 1, 400, -300));
    Write(link, reference, duruz::SigGenCommand(0, 1, 1000.0, 1.0));
    Write(link, reference, duruz::SigGenCommand(1, 5, 3000.0, 1.5));

    // The stray bytes precede the first frame; the marker search must skip them.
    duruz::RequestCapture(link, store);
    bool drawn = false;
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    for (int tick = 0; tick < 40 && !drawn && Clock::now() < deadline; ++tick)
        drawn = duruz::CaptureTick(link, store, false).redraw;
    ASSERT_TRUE(drawn);

    // Late ticks may have asked again; compare with the reference's frame of the same
    // number.
    const std::uint32_t number = store.HeaderWord(2);
    ASSERT_GE(number, 1u);
    ASSERT_LE(number, 40u);
    std::vector<std::uint8_t> expected;
    for (std::uint32_t i = 0; i < number; ++i) {
        sim_test::Send(reference, "%z\r\n");
        expected = sim_test::TakeAll(reference);
    }
    ASSERT_EQ(expected.size(), duruz::kFrameBytes);
    EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + 128, store.RxBuffer.begin()));
    EXPECT_EQ(std::memcmp(expected.data() + 128, store.CaptureBuffer.data(), 8192), 0);
    EXPECT_EQ(store.HeaderWord(3), 7u);    // range of input 1 as sent
    EXPECT_EQ(store.HeaderWord(9), 400u);  // triggered at the sync position
    EXPECT_GT(store.Sample(399, 0), -300); // Rise: values fall through the level
    EXPECT_LE(store.Sample(400, 0), -300);

    port.Close();
    int status = sim.Stop();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

} // namespace
