#pragma once

#include "serial/device_monitor.h"

#include <fcntl.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <utility>
#include <vector>

namespace testing_support {

// A device monitor a test drives: each pushed event makes its descriptor (a pipe)
// readable, as a real monitor's socket is when the system reports a change.
class FakeDeviceMonitor : public serial::DeviceMonitor {
public:
    FakeDeviceMonitor() {
#ifdef _WIN32
        if (_pipe(pipe_, 256, _O_BINARY) != 0)
#else
        if (::pipe2(pipe_, O_NONBLOCK | O_CLOEXEC) != 0)
#endif
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
        if (::write(pipe_[1], &byte, 1) == 1)
            ++unread_;
    }

    int Descriptor() const override {
        return pipe_[0];
    }
    std::vector<serial::DeviceEvent> TakeEvents() override {
        ++taken;
        // Only the bytes pushed are read: the pipe blocks on Windows.
        char bytes[64];
        for (int got = 0; unread_ > 0; unread_ -= got)
            if ((got = static_cast<int>(
                     ::read(pipe_[0], bytes, std::min<unsigned>(unread_, 64)))) <= 0)
                break;
        return std::exchange(pending_, {});
    }

    int taken = 0; // calls of TakeEvents

private:
    int pipe_[2] = {-1, -1};
    std::vector<serial::DeviceEvent> pending_;
    unsigned unread_ = 0; // bytes in the pipe
};

} // namespace testing_support
