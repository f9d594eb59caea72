#include "serial/serial_win32.h"

#include "base/system_error_text.h"
#include "serial/dcb_settings.h"

#include <cstring>
#include <string>

namespace serial {

namespace {

// The size the block's first field announces; a driver rejects any other.
static_assert(sizeof(DCB) == 28, "DCBlength must be 28");

DWORD ClampToDword(std::size_t count) {
    return count > MAXDWORD ? MAXDWORD : static_cast<DWORD>(count);
}

OpenResult Failed(DWORD error) {
    OpenResult result{OpenStatus::OtherError, static_cast<int>(error), OpenFailure::Other};
    switch (error) {
    // A COM port held by another program reports access denied: serial ports carry
    // no per-user permissions here, so that is what it means.
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
        result.reason = OpenFailure::InUse;
        break;
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION:
    case ERROR_DIRECTORY:
        result.reason = OpenFailure::NotSerialDevice;
        break;
    default:
        break;
    }
    return result;
}

} // namespace

std::string ErrorText(int errorCode) {
    return duruz::SystemErrorText(errorCode);
}

Win32SerialPort::~Win32SerialPort() {
    Close();
}

OpenResult Win32SerialPort::Open(const char* path) {
    Close();
    HANDLE handle = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND)
            return {OpenStatus::NotFound, static_cast<int>(error), OpenFailure::Other};
        return Failed(error);
    }
    // Only a character device is ever configured or written: a file on disk or a
    // pipe would take every command the link sends.
    if (GetFileType(handle) != FILE_TYPE_CHAR) {
        CloseHandle(handle);
        return Failed(ERROR_NOT_SUPPORTED);
    }
    handle_ = handle;
    active_.store(handle);
    timeouts_ = Timeouts{};
    return {OpenStatus::Opened, 0, OpenFailure::None};
}

bool Win32SerialPort::ReadState() {
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    if (!GetCommState(handle_, &dcb))
        return false;
    state_ = dcb;
    haveState_ = true;
    return true;
}

bool Win32SerialPort::GetSettings(LineSettings& settings) {
    if (!IsOpen() || !ReadState())
        return false;
    settings = SettingsFromDcb(state_);
    return true;
}

void Win32SerialPort::ClearErrors() {
    if (IsOpen())
        ClearCommError(handle_, nullptr, nullptr);
}

bool Win32SerialPort::SetSettings(const LineSettings& settings) {
    // The block read by GetSettings is reused, so the opening sequence asks the
    // driver once; without one, it is read now.
    if (!IsOpen() || (!haveState_ && !ReadState()))
        return false;
    DCB dcb = state_;
    SettingsToDcb(settings, dcb);
    if (!SetCommState(handle_, &dcb))
        return false;
    state_ = dcb;
    return true;
}

bool Win32SerialPort::SetTimeouts(const Timeouts& timeouts) {
    if (!IsOpen())
        return false;
    COMMTIMEOUTS native{};
    native.ReadIntervalTimeout = timeouts.readIntervalMs;
    native.ReadTotalTimeoutMultiplier = timeouts.readTotalMultiplierMs;
    native.ReadTotalTimeoutConstant = timeouts.readTotalConstantMs;
    native.WriteTotalTimeoutMultiplier = timeouts.writeTotalMultiplierMs;
    native.WriteTotalTimeoutConstant = timeouts.writeTotalConstantMs;
    if (!SetCommTimeouts(handle_, &native))
        return false;
    timeouts_ = timeouts;
    return true;
}

std::size_t Win32SerialPort::Read(void* buffer, std::size_t count) {
    if (!IsOpen() || count == 0 || interrupted_.load())
        return 0;
    // ReadFile sets the count before it starts, so a failed read reports what
    // arrived before the failure, usually nothing.
    DWORD got = 0;
    if (!ReadFile(handle_, buffer, ClampToDword(count), &got, nullptr))
        NoteFailure(GetLastError());
    return got;
}

// The driver applies one set of time-outs, so the short window is set for this
// read alone and the port's own time-outs are put back after it.
std::size_t Win32SerialPort::ReadWithin(void* buffer, std::size_t count, std::uint32_t ms) {
    if (!IsOpen())
        return 0;
    const Timeouts kept = timeouts_;
    if (!SetTimeouts(Timeouts{ms, 0, ms, kept.writeTotalMultiplierMs, kept.writeTotalConstantMs}))
        return 0;
    const std::size_t got = Read(buffer, count);
    SetTimeouts(kept);
    return got;
}

std::size_t Win32SerialPort::Write(const void* data, std::size_t count) {
    if (!IsOpen() || count == 0 || interrupted_.load())
        return 0;
    DWORD sent = 0;
    if (!WriteFile(handle_, data, ClampToDword(count), &sent, nullptr))
        NoteFailure(GetLastError());
    return sent;
}

// What a USB serial driver answers once its device has been unplugged.
void Win32SerialPort::NoteFailure(DWORD error) {
    if (error == ERROR_BAD_COMMAND || error == ERROR_DEVICE_NOT_CONNECTED ||
        error == ERROR_GEN_FAILURE || error == ERROR_DEVICE_REMOVED)
        gone_ = true;
}

// A COM port has no file to look at; its DOS device name is there while the
// driver has the port.
bool DevicePresent(const char* path) {
    const char* name = std::strncmp(path, "\\\\.\\", 4) == 0 ? path + 4 : path;
    char target[512];
    return QueryDosDeviceA(name, target, sizeof target) != 0;
}

// COM ports are reached by their DOS device names, never through a link.
LinkIdentity LinkAt(const char*) {
    return {};
}

bool LeadsToCharacterDevice(const char* path) {
    return DevicePresent(path);
}

void Win32SerialPort::Close() {
    gone_ = false;
    if (!IsOpen())
        return;
    active_.store(INVALID_HANDLE_VALUE);
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    haveState_ = false;
}

// CancelIoEx ends a synchronous ReadFile or WriteFile that another thread is
// blocked in; the flag keeps later calls from starting a new wait.
void Win32SerialPort::Interrupt() {
    interrupted_.store(true);
    const HANDLE handle = active_.load();
    if (handle != INVALID_HANDLE_VALUE)
        CancelIoEx(handle, nullptr);
}

} // namespace serial
