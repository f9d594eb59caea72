#include "app/close_on_signal.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace duruz {

namespace {

int signalPipe[2] = {-1, -1};

// Runs on a thread of the system's own: one byte into the pipe, which the message
// loop's watcher reads.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    const char byte = 1;
    [[maybe_unused]] const int n = _write(signalPipe[1], &byte, 1);
    return TRUE;
}

} // namespace

// Ctrl+C, Ctrl+Break or closing the console the program was started from; a
// program started without a console gets none of them.
std::unique_ptr<tk::DescriptorWatcher> CloseOnSignal(std::function<void()> close) {
    if (_pipe(signalPipe, 64, _O_BINARY) != 0)
        return nullptr;
    auto watcher =
        std::make_unique<tk::DescriptorWatcher>(signalPipe[0], [close = std::move(close)] {
            char byte;
            [[maybe_unused]] const int n = _read(signalPipe[0], &byte, 1);
            close();
        });
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
    return watcher;
}

} // namespace duruz
