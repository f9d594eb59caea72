#pragma once

#include "toolkit/descriptor_watcher.h"

#include <functional>
#include <memory>

namespace duruz {

// Runs `close` from the message loop when the process gets SIGINT or SIGTERM, so
// that Ctrl+C in a terminal or a session's shutdown closes the window the normal
// way and the settings are saved. Acts while the watcher it gives lives; nothing
// when the signals cannot be watched.
std::unique_ptr<tk::DescriptorWatcher> CloseOnSignal(std::function<void()> close);

} // namespace duruz
