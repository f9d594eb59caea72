#pragma once

#include "app/tform2.h"
#include "support/fake_device_monitor.h"
#include "support/fake_serial_port.h"
#include "support/fake_sysfs.h"
#include "support/temp_folder.h"

#include <cstdint>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace testing_support {

using Lines = std::vector<std::string>;

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
struct FormFixture : duruz::PortProvider {
    explicit FormFixture(int devices = 0) {
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

    duruz::TForm2& Start() {
        form.reset();
        duruz::FormEnvironment environment;
        environment.ports = this;
        environment.sysfsRoot = sysfs.Root();
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
        form = std::make_unique<duruz::TForm2>(std::move(environment));
        shownMark = 0;
        return *form;
    }

    // Start-up asks for three frames, the first two before the setting is complete:
    // answered on these ticks, they are skipped as stale and the third is drawn. No
    // request is pending after them.
    void AnswerStartUp(FakeSerialPort& port, const std::string& stale, const std::string& frame) {
        port.reads = {"", stale, "", stale, "", frame};
        for (int tick = 0; tick < 3; ++tick)
            form->Timer1Timer();
    }

    // Forgets what the window has shown and the ports have seen so far.
    void Mark() {
        shownMark = form->Display.LineCount();
        for (auto& [path, port] : ports) {
            port->written.clear();
            port->order.clear();
            port->events.clear();
        }
    }
    // The memo's lines since the mark, each ended by a line feed.
    std::string Shown() const {
        std::string text;
        for (int i = shownMark; i < form->Display.LineCount(); ++i)
            text += form->Display.Line(i) + "\n";
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
    TempFolder working{"duruz-form"};
    std::string configPath = working.File("Config.Ini");
    std::string logPath = working.File("Log.Txt");
    std::function<std::int64_t()> clockMs; // the window's clock, when set
    std::string savePath = working.File("saved");
    std::unique_ptr<duruz::TForm2> form;
    int shownMark = 0;
    bool threaded = false; // link jobs on the link thread instead of at once
};

} // namespace testing_support
