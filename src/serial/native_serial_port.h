#pragma once

// The serial port class of the platform being built for: the one place that
// chooses between the backends.
#ifdef _WIN32
#include "serial/serial_win32.h"
namespace serial {
using NativeSerialPort = Win32SerialPort;
}
#else
#include "serial/serial_posix.h"
namespace serial {
using NativeSerialPort = PosixSerialPort;
}
#endif
