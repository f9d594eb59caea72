// Start-up and close of the real program: what reaches the instrument, and what
// Config.Ini holds afterwards.

#include "e2e/harness.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace e2e;

// A device that talks without being asked, its bytes waiting on the line before the
// open, holds neither start-up nor the close: the defaults go out, and SIGTERM still ends the
// program promptly with its settings saved.
TEST(StartUp, WithoutConfigIniAChatteringPeerGetsTheDefaultsAndClosingSavesThem) {
    Peer peer;
    peer.Chatter(std::string(70, 'c'));
    Program run;
    const auto launched = Clock::now();
    ASSERT_TRUE(run.Start({peer.path})) << run.Output();
    // Open (request), sweep and sync handlers (the first before the sync lists
    // are settled), both ranges, then each generator channel with its request.
    const std::string expected = kRequest + "%S// 1024    0\r" + "%S11 1024    0\r" + "%X7\r" +
                                 "%Y7\r" + "%G00200.000000,1.000000" + kRequest +
                                 "%G10201.000000,1.000000" + kRequest;
    // The first request goes out after the capped drain.
    ASSERT_TRUE(WaitFor([&] { return !peer.Requests().empty(); }, 10s)) << peer.Received();
    EXPECT_LT(Clock::now() - launched, 2s);
    ASSERT_TRUE(WaitFor([&] { return peer.Received().size() >= expected.size(); }, 10s))
        << peer.Received();
    EXPECT_EQ(peer.Received().substr(0, expected.size()), expected);
    // The first run creates an empty settings file at once.
    EXPECT_EQ(run.ReadConfig(), std::string());

    std::this_thread::sleep_for(1s);
    const auto asked = Clock::now();
    ASSERT_TRUE(run.child->Terminate()) << run.Output();
    EXPECT_LT(Clock::now() - asked, 2s);
    EXPECT_EQ(run.ReadConfig(), ConfigText(peer.path));
    // Between start-up and close the program asked for frames and nothing else.
    const std::string after = peer.Received().substr(expected.size());
    for (std::size_t at = 0; at < after.size(); at += kRequest.size())
        ASSERT_EQ(after.substr(at, kRequest.size()), kRequest) << after;
    EXPECT_FALSE(std::filesystem::exists(run.folder + "/home/Downloads/Log.Txt"));
}

// On X without a window manager the window has no frame, so a saved geometry must
// come back unchanged. With Hold on only start-up asks for frames, never the timer.
TEST(StartUp, WithSavedSettingsSendsThemAndClosingWritesThemBack) {
    Peer peer;
    Display display;
    ASSERT_NE(display.name, "");
    Program run;
    std::map<std::string, std::string> saved = {
        {"SySrc", "0"},    {"Prob1", "0"},     {"Scal1", "3"},      {"Scal2", "5"},
        {"SyLev", "-500"}, {"SyPos", "300"},   {"Wleft", "10"},     {"Wtopp", "20"},
        {"Wwidt", "1300"}, {"Whigh", "850"},   {"Scop2", "0"},      {"Fft1C", "1"},
        {"Hold ", "1"},    {"Wave1", "1"},     {"Freq1", "1000.5"}, {"Ampl1", "0.75"},
        {"Wave2", "6"},    {"Freq2", "50000"}, {"Ampl2", "2"}}; // beyond 40 kHz and 1.5 V
    // A stale path: the row decides, the path is rewritten.
    run.WriteConfig(ConfigText("/dev/ttyUSB9", saved));

    ASSERT_TRUE(run.Start({peer.path}, display.name)) << run.Output();
    const std::string expected = kRequest + "%S01  300 -500\r" + "%S01  300 -500\r" + "%X3\r" +
                                 "%Y5\r" + "%G011000.500000,0.750000" + kRequest +
                                 "%G1640000.000000,1.500000" + kRequest;
    ASSERT_TRUE(WaitFor([&] { return peer.Received().size() >= expected.size(); }, 10s))
        << peer.Received();
    EXPECT_EQ(peer.Received().substr(0, expected.size()), expected);

    const auto window = FindWindow();
    ASSERT_TRUE(window.has_value());
    EXPECT_EQ(std::vector({window->x, window->y, window->width, window->height}),
              std::vector({10, 20, 1300, 850}));
    EXPECT_FALSE(WaitFor([&] { return peer.Requests().size() > 3; }, 4500ms))
        << "a request came with Hold on";

    ASSERT_TRUE(run.child->Terminate()) << run.Output();
    // A one-character text reads back with the space that followed it.
    saved["Ampl2"] = "2 ";
    EXPECT_EQ(run.ReadConfig(), ConfigText(peer.path, saved));
}

// Paths on the command line that are no serial port: a regular file, chosen at
// start-up as the last row before the simulator, keeps its bytes; a path too long
// for the port table ends the program as a bad argument does.
TEST(StartUp, CommandLinePathsThatAreNoPortAreLeftAloneOrRefused) {
    Program run;
    const std::string notes = run.folder + "/notes.txt";
    std::ofstream(notes, std::ios::binary) << "my notes\n";
    ASSERT_TRUE(run.Start({notes})) << run.Output();
    ASSERT_TRUE(run.child->Terminate()) << run.Output();
    EXPECT_EQ(ReadFile(notes), "my notes\n");

    Program tooLong;
    const std::string path = "/dev/" + std::string(75, 'p'); // 80 bytes
    EXPECT_FALSE(tooLong.Start({path}));
    ASSERT_TRUE(WIFEXITED(tooLong.child->status)) << tooLong.Output();
    EXPECT_EQ(WEXITSTATUS(tooLong.child->status), 2);
    EXPECT_NE(tooLong.Output().find("--port path too long (80 bytes, at most 79): " + path),
              std::string::npos)
        << tooLong.Output();
    EXPECT_EQ(tooLong.ReadConfig(), std::nullopt) << "start-up ran";
}

} // namespace
