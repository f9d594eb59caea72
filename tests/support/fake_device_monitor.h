#pragma once

#include "serial/device_monitor.h"

#include <fcntl.h>
#include <unistd.h>

#include <utility>
#include <vector>

namespace testing_support {

// A device monitor a test drives: each pushed event makes its descriptor (a pipe)
// readable, as a real monitor's socket is when the system reports a change.
class FakeDeviceMonitor : public serial::DeviceMonitor {
public:
    FakeDeviceMonitor() {
        if (::pipe2(pipe_, O_NONBLOCK | O_CLOEXEC) != 0)
            pipe_[0] = pipe_[1] = -1;
    }
    ~FakeDeviceMonitor() override {
        ::close(pipe_[0]);
        ::close(pipe_[1]);
    }
    FakeDeviceMonitor(const FakeDeviceMonitor&) = delete;
    FakeDeviceMonitor& operator=(const FakeDeviceMonitor&) = delete;

    void Push(serial::DeviceChange change, std::string name) {
        pending_.push_back({change, std::move(name)});
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(pipe_[1], &byte, 1);
    }

    int Descriptor() const override { return pipe_[0]; }
    std::vector<serial::DeviceEvent> TakeEvents() override {
        ++taken;
        char bytes[64];
        while (::read(pipe_[0], bytes, sizeof bytes) > 0) {
        }
        return std::exchange(pending_, {});
    }

    int taken = 0; // calls of TakeEvents

private:
    int pipe_[2] = {-1, -1};
    std::vector<serial::DeviceEvent> pending_;
};

} // namespace testing_support
