#pragma once

#include "app/main_window.h"
#include "session/config_table.h"
#include "support/fake_device_monitor.h"
#include "support/fake_serial_port.h"
#include "support/fake_sysfs.h"
#include "support/temp_folder.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace testing_support {

using Lines = std::vector<std::string>;

// The values of Config.Ini's 25 lines in file order, as a file may hold them (rows
// outside their lists included); unset ones are start-up's.
struct FileValues {
    int sweep = 1, source = -1, polarity = -1, port = -1, probe1 = 1, range1 = 7, probe2 = 1,
        range2 = 7, level = 0, position = 1024, left = 0, top = 277, width = 1511, height = 899;
    bool shown1 = true, shown2 = true, spectrum1 = false, spectrum2 = false, hold = false;
    int waveform1 = -1;
    std::string frequency1 = "200", amplitude1 = "1.00";
    int waveform2 = -1;
    std::string frequency2 = "201", amplitude2 = "1.00";
};

// The file as a save writes it; the port path is always /dev/ttyUSB0.
inline std::string Ini(duruz::ScopeSettings s) {
    s.port.path = "/dev/ttyUSB0";
    return duruz::FormatConfig(s);
}
inline std::string Ini(const FileValues& v) {
    duruz::ScopeSettings s;
    s.sweepRow = v.sweep;
    s.trigger = {v.source, v.polarity, v.level, v.position};
    s.port.row = v.port;
    s.channels = {
        {{v.probe1, v.range1, v.shown1, v.spectrum1}, {v.probe2, v.range2, v.shown2, v.spectrum2}}};
    s.window = {v.left, v.top, v.width, v.height};
    s.hold = v.hold;
    s.generator = {
        {{v.waveform1, v.frequency1, v.amplitude1}, {v.waveform2, v.frequency2, v.amplitude2}}};
    return Ini(s);
}

inline const std::string kCaptureRequest = "%z\r\n";

// A scripted port that also logs its reads and writes in the order they happen.
struct OrderedPort : FakeSerialPort {
    std::size_t Read(void* buffer, std::size_t count) override {
        const std::size_t n = FakeSerialPort::Read(buffer, count);
        order.push_back("read " + std::to_string(n));
        return n;
    }
    std::size_t Write(const void* data, std::size_t count) override {
        order.push_back("write " + std::string(static_cast<const char*>(data), count));
        return FakeSerialPort::Write(data, count);
    }
    Lines order;
};

// A window on scripted ports, one per device path, a fake device tree of ttyUSB0.. and a
// private working folder.
struct WindowFixture : duruz::PortProvider {
    explicit WindowFixture(int devices = 0) {
        for (int i = 0; i < devices; ++i)
            sysfs.AddDevice("ttyUSB" + std::to_string(i));
    }

    serial::SerialPort& PortFor(const duruz::PortEntry& entry) override {
        const auto found = mapped.find(entry.path.data());
        return found != mapped.end() ? *found->second : Port(entry.path.data());
    }
    OrderedPort& Port(const std::string& path) {
        return *ports.try_emplace(path, std::make_unique<OrderedPort>()).first->second;
    }

    duruz::MainWindow& Start() {
        window.reset();
        duruz::WindowEnvironment environment;
        environment.ports = this;
        environment.sysfsRoot = sysfs.Root();
#ifdef _WIN32
        // The device tree is Linux's: on Windows its devices are listed here, and no
        // port of the machine is (Wine's COM1 is the machine's first serial line).
        environment.listDevices = [this] { return TreeDevices(); };
#endif
        environment.extraPorts = extraPorts;
        environment.configPath = configPath;
        environment.diagnosticLogPath = logPath;
        environment.startTimer = false;
        environment.linkThread = threaded;
        environment.deviceMonitor = &monitor;
        environment.clockMs = clockMs;
        environment.askSavePath = [this](const std::string&, const std::string&) {
            return savePath;
        };
        environment.askOpenPath = [this](const std::string&) { return openPath; };
        environment.showError = [this](const std::string& message) { errors.push_back(message); };
        window = std::make_unique<duruz::MainWindow>(std::move(environment));
        shownMark = 0;
        return *window;
    }

    // Start-up asks for three frames, the first two before the setting is complete:
    // answered on these ticks, they are skipped as stale and the third is drawn. No
    // request is pending after them.
    void AnswerStartUp(FakeSerialPort& port, const std::string& stale, const std::string& frame) {
        port.reads = {"", stale, "", stale, "", frame};
        for (int tick = 0; tick < 3; ++tick)
            window->CaptureTick();
    }

    // The fake tree's devices by name, each opened at /dev/<name>.
    std::vector<duruz::DeviceRow> TreeDevices() const {
        std::vector<duruz::DeviceRow> rows;
        for (const auto& entry : std::filesystem::directory_iterator(
                 std::filesystem::path(sysfs.Root()) / "class" / "tty")) {
            rows.emplace_back().name = entry.path().filename().string();
            rows.back().path = "/dev/" + rows.back().name;
        }
        std::sort(rows.begin(), rows.end(),
                  [](const auto& a, const auto& b) { return a.name < b.name; });
        return rows;
    }

    // Forgets what the window has shown and the ports have seen so far.
    void Mark() {
        shownMark = window->status.memo.LineCount();
        for (auto& [path, port] : ports) {
            port->written.clear();
            port->order.clear();
            port->events.clear();
        }
    }
    // The memo's lines since the mark, each ended by a line feed.
    std::string Shown() const {
        std::string text;
        for (int i = shownMark; i < window->status.memo.LineCount(); ++i)
            text += window->status.memo.Line(i) + "\n";
        return text;
    }

    void WriteConfig(const std::string& bytes) const {
        std::ofstream(configPath, std::ios::binary) << bytes;
    }

    FakeSysfs sysfs;
    FakeDeviceMonitor monitor;
    std::vector<std::string> extraPorts; // --port paths
    std::map<std::string, std::unique_ptr<OrderedPort>> ports;
    std::map<std::string, serial::SerialPort*> mapped; // paths served by other ports
    TempFolder working{"duruz-app"};
    std::string configPath = working.File("Config.Ini");
    std::string logPath = working.File("Log.Txt");
    std::function<std::int64_t()> clockMs; // the window's clock, when set
    std::string savePath = working.File("saved");
    std::string openPath; // what the open dialog answers
    Lines errors;         // the error boxes shown
    std::unique_ptr<duruz::MainWindow> window;
    int shownMark = 0;
    bool threaded = false; // link jobs on the link thread instead of at once
};

} // namespace testing_support
