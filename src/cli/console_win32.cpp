#include "cli/cli_options.h"
#include "cli/cli_run.h"
#include "cli/console.h"
#include "serial/com_port_names.h"

#include <cstdio>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace duruz::cli {

namespace {

// How long the handler holds off the end of the process after the console window
// closed: the system ends it when the handler returns, and gives it five seconds.
constexpr DWORD kCloseGraceMs = 4000;

// Runs on a thread of the system's own.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
        RequestStop(kExitInterrupted);
        return TRUE;
    case CTRL_BREAK_EVENT:
        RequestStop(kExitTerminated);
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        // The run ends and main returns meanwhile, which ends the process and this
        // thread with it: the files are closed whole.
        RequestStop(kExitTerminated);
        Sleep(kCloseGraceMs);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

void StopRunOnInterrupt() {
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

void WriteStandardOutputAsIs() {
    _setmode(_fileno(stdout), _O_BINARY);
}

bool StandardErrorIsConsole() {
    // _isatty is true for the NUL device too; only a console has a console mode.
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

bool PathExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string PortPathFromName(const std::string& name) {
    std::uint32_t number = 0;
    return serial::ParseComPortName(name, number) ? serial::ComPortDevicePath(number) : name;
}

} // namespace duruz::cli
