#pragma once

#include <functional>
#include <memory>

namespace tk {

// Runs a handler from the message loop whenever a file descriptor has something to
// read (a device monitor's, a signal pipe's); the handler reads it. Watching stops
// when the watcher goes.
class DescriptorWatcher {
public:
    DescriptorWatcher(int descriptor, std::function<void()> onReadable);
    ~DescriptorWatcher();
    DescriptorWatcher(const DescriptorWatcher&) = delete;
    DescriptorWatcher& operator=(const DescriptorWatcher&) = delete;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace tk
