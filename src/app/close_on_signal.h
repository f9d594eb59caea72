#pragma once

#include <functional>

namespace duruz {

// Runs `close` from the message loop when the process gets SIGINT or SIGTERM, so
// that Ctrl+C in a terminal or a session's shutdown closes the window the normal
// way and the settings are saved.
void CloseOnSignal(std::function<void()> close);

} // namespace duruz
