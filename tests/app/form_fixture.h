#pragma once

#include "app/tform2.h"
#include "serial/fake_sysfs.h"
#include "support/fake_serial_port.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

namespace testing_support {

// Hands out one scripted port per device path.
class FakePortProvider : public duruz::PortProvider {
public:
    serial::SerialPort& PortFor(const duruz::PortEntry& entry) override {
        auto& port = ports[entry.path.data()];
        if (!port)
            port = std::make_unique<FakeSerialPort>();
        return *port;
    }
    FakeSerialPort& Port(const std::string& path) {
        auto& port = ports[path];
        if (!port)
            port = std::make_unique<FakeSerialPort>();
        return *port;
    }
    std::map<std::string, std::unique_ptr<FakeSerialPort>> ports;
};

// A window on fake ports, a fake device tree and a private working folder.
class FormFixture {
public:
    FormFixture() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "duruz-form-XXXXXX").string();
        folder = mkdtemp(pattern.data());
        configPath = folder + "/Config.Ini";
        logPath = folder + "/Log.Txt";
    }
    ~FormFixture() {
        form.reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    duruz::TForm2& Start() {
        duruz::FormEnvironment environment;
        environment.ports = &ports;
        environment.sysfsRoot = sysfs.Root();
        environment.configPath = configPath;
        environment.diagnosticLogPath = logPath;
        environment.startTimer = false;
        form = std::make_unique<duruz::TForm2>(std::move(environment));
        return *form;
    }

    void WriteConfig(const std::string& bytes) const {
        std::ofstream(configPath, std::ios::binary) << bytes;
    }
    std::string ReadFile(const std::string& path) const {
        std::ifstream in(path, std::ios::binary);
        std::stringstream content;
        content << in.rdbuf();
        return content.str();
    }

    FakeSysfs sysfs;
    FakePortProvider ports;
    std::string folder;
    std::string configPath;
    std::string logPath;
    std::unique_ptr<duruz::TForm2> form;
};

} // namespace testing_support
