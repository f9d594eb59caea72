// The window's answer time while the link works: the lateness of a 20 ms timer on
// the window's thread, over 10 s each, with the built-in simulator streaming, with
// a silent pseudo-terminal peer, and with a peer that sends 70 unasked bytes every
// 5 ms. Runs on whatever Qt platform is set (Xvfb through DISPLAY and
// QT_QPA_PLATFORM=xcb, or offscreen).

#include "app/main_window.h"
#include "latency_probe.h"
#include "session/port_provider.h"
#include "support/talking_peer.h"
#include "support/temp_folder.h"

#include <QApplication>

#include <cstdio>
#include <optional>

namespace {

using namespace std::chrono_literals;

struct Case {
    const char* name;
    std::optional<std::chrono::microseconds> peer; // none: the simulator row
    std::string chatter;
};

void Measure(const Case& c, std::chrono::milliseconds duration) {
    const testing_support::TempFolder temp("duruz-bench");
    const std::string& folder = temp.Path();
    std::optional<testing_support::TalkingPeer> peer;
    duruz::DefaultPortProvider ports;
    duruz::WindowEnvironment environment;
    environment.ports = &ports;
    environment.sysfsRoot = folder + "/sys"; // never a device of this machine
    environment.configPath = folder + "/Config.Ini";
    if (c.peer) {
        peer.emplace(c.chatter, *c.peer);
        environment.extraPorts = {peer->path};
    }
    {
        duruz::MainWindow window(std::move(environment));
        window.ShowMaximized();
        bench::ProbeLateness(1s); // start-up settles
        const auto lateness = bench::ProbeLateness(duration);
        std::printf("%-28s %8.2f %8.2f %8.2f %8zu\n", c.name, lateness.Median(), lateness.P95(),
                    lateness.Max(), lateness.ms.size());
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const auto duration = std::chrono::milliseconds(argc > 1 ? std::atoi(argv[1]) : 10000);
    std::printf("%-28s %8s %8s %8s %8s\n", "case (lateness in ms)", "median", "p95", "max",
                "samples");
    Measure({"built-in simulator", std::nullopt, ""}, duration);
    Measure({"silent pty peer", 5ms, ""}, duration);
    Measure({"peer: 70 bytes every 5 ms", 5ms, std::string(70, 'c')}, duration);
    return 0;
}
