#include "serial/serial_posix.h"

#include "base/system_error_text.h"
#include "serial/read_deadline.h"
#include "serial/steady_time.h"

#include <cerrno>
#include <cstdint>
#include <ctime>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace serial {

namespace {

constexpr std::int64_t kMicrosPerSecond = 1'000'000;

struct BaudSpeed {
    std::uint32_t baud;
    speed_t speed;
};

constexpr BaudSpeed kBaudSpeeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

bool SpeedFromBaud(std::uint32_t baud, speed_t& speed) {
    for (const BaudSpeed& entry : kBaudSpeeds) {
        if (entry.baud == baud) {
            speed = entry.speed;
            return true;
        }
    }
    return false;
}

std::uint32_t BaudFromSpeed(speed_t speed) {
    for (const BaudSpeed& entry : kBaudSpeeds) {
        if (entry.speed == speed)
            return entry.baud;
    }
    return 0;
}

// Waits until the descriptor reports one of the events or the deadline (in
// SteadyMicros, ReadDeadline::kNever for none) passes. Returns the events seen, or 0
// when the deadline passed, the wait failed or the wake descriptor fired.
short WaitFor(int fd, short events, std::int64_t deadline, int wakeFd) {
    for (;;) {
        timespec left{};
        timespec* timeout = nullptr;
        if (deadline != ReadDeadline::kNever) {
            const std::int64_t remaining = deadline - SteadyMicros();
            if (remaining <= 0)
                return 0;
            left.tv_sec = remaining / kMicrosPerSecond;
            left.tv_nsec = (remaining % kMicrosPerSecond) * 1000;
            timeout = &left;
        }
        pollfd entries[2] = {{fd, events, 0}, {wakeFd, POLLIN, 0}};
        int ready = ppoll(entries, wakeFd >= 0 ? 2 : 1, timeout, nullptr);
        if (ready > 0)
            return entries[1].revents != 0 ? 0 : entries[0].revents;
        if (ready == 0 || errno != EINTR)
            return 0;
    }
}

tcflag_t DataBitsFlag(std::uint8_t dataBits, bool& ok) {
    ok = true;
    switch (dataBits) {
    case 5:
        return CS5;
    case 6:
        return CS6;
    case 7:
        return CS7;
    case 8:
        return CS8;
    default:
        ok = false;
        return CS8;
    }
}

OpenResult Failed(int error) {
    OpenResult result{OpenStatus::OtherError, error, OpenFailure::Other};
    switch (error) {
    case EACCES:
    case EPERM:
        result.reason = OpenFailure::PermissionDenied;
        break;
    case EBUSY:
    case EWOULDBLOCK:
        result.reason = OpenFailure::InUse;
        break;
    case EISDIR:
    case ENOTTY:
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

PosixSerialPort::PosixSerialPort() : wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

PosixSerialPort::~PosixSerialPort() {
    Close();
    if (wakeFd_ >= 0)
        ::close(wakeFd_);
}

void PosixSerialPort::Interrupt() {
    interrupted_.store(true);
    // The counter stays readable, so every later ppoll returns at once too.
    const std::uint64_t one = 1;
    if (wakeFd_ >= 0) {
        [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
    }
}

OpenResult PosixSerialPort::Open(const char* path) {
    Close();
    // Non-blocking, so that a modem device waiting for carrier, or a FIFO, cannot
    // hang the open; reads and writes wait in ppoll instead. Never O_CREAT or
    // O_TRUNC: a mistyped path must not create or empty a file.
    int fd = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return {OpenStatus::NotFound, error, OpenFailure::Other};
        return Failed(error);
    }
    // Only a terminal is ever configured or written: a regular file, a FIFO, a block
    // device or /dev/null would take every command the link sends.
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode) || !isatty(fd)) {
        ::close(fd);
        return Failed(ENOTTY);
    }
    // TIOCEXCL turns away later opens of the terminal, except by the superuser; the
    // advisory lock turns away every opener that asks for it, the superuser too.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        ::close(fd);
        return Failed(EBUSY);
    }
    ioctl(fd, TIOCEXCL);
    fd_ = fd;
    rtsHandshake_ = false;
    timeouts_ = Timeouts{};
    return {OpenStatus::Opened, 0, OpenFailure::None};
}

bool PosixSerialPort::GetSettings(LineSettings& settings) {
    if (fd_ < 0)
        return false;
    termios tio{};
    if (tcgetattr(fd_, &tio) != 0)
        return false;

    settings = LineSettings{};
    settings.baudRate = BaudFromSpeed(cfgetospeed(&tio));
    switch (tio.c_cflag & CSIZE) {
    case CS5:
        settings.dataBits = 5;
        break;
    case CS6:
        settings.dataBits = 6;
        break;
    case CS7:
        settings.dataBits = 7;
        break;
    default:
        settings.dataBits = 8;
        break;
    }
    if (tio.c_cflag & PARENB)
        settings.parity = (tio.c_cflag & PARODD) ? Parity::Odd : Parity::Even;
    settings.stopBits = (tio.c_cflag & CSTOPB) ? StopBits::Two : StopBits::One;
    settings.rtsHandshake = rtsHandshake_ || (tio.c_cflag & CRTSCTS) != 0;
    settings.xonChar = tio.c_cc[VSTART];
    settings.xoffChar = tio.c_cc[VSTOP];
    int lines = 0;
    settings.dtrOn = ioctl(fd_, TIOCMGET, &lines) == 0 && (lines & TIOCM_DTR) != 0;
    return true;
}

void PosixSerialPort::ClearErrors() {
    // termios keeps no sticky line-error state that stops reads and writes, so there
    // is nothing to clear.
}

bool PosixSerialPort::SetSettings(const LineSettings& settings) {
    if (fd_ < 0)
        return false;
    termios tio{};
    if (tcgetattr(fd_, &tio) != 0)
        return false;
    speed_t speed = B0;
    bool dataBitsOk = false;
    tcflag_t dataBits = DataBitsFlag(settings.dataBits, dataBitsOk);
    if (!SpeedFromBaud(settings.baudRate, speed) || !dataBitsOk ||
        settings.stopBits == StopBits::OneAndHalf)
        return false;

    // Turn off all fancy termios tricks, give us a raw channel. That includes
    // software flow control: the frames are binary, and a terminal's default IXON
    // would swallow every sample byte that equals the XON or XOFF character.
    tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                     IXANY | IMAXBEL | INPCK | IGNPAR);
    tio.c_oflag &= ~OPOST;
    tio.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    tio.c_cflag |= dataBits | CLOCAL | CREAD;
    if (settings.parity != Parity::None) {
        tio.c_cflag |= PARENB;
        tio.c_iflag |= INPCK;
        if (settings.parity == Parity::Odd)
            tio.c_cflag |= PARODD;
    }
    if (settings.stopBits == StopBits::Two)
        tio.c_cflag |= CSTOPB;
    // CRTSCTS is never set. On Linux it couples RTS input handshaking with CTS output
    // flow control, and a cable or adapter that never raises CTS would then block
    // every write for good. RTS handshaking is kept as RTS held raised: the state it
    // rests in while the receive buffer has room.
    tio.c_cc[VSTART] = settings.xonChar;
    tio.c_cc[VSTOP] = settings.xoffChar;
    // The descriptor is non-blocking: a read takes what is there, ppoll does the waiting.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    if (tcsetattr(fd_, TCSANOW, &tio) != 0)
        return false;

    // Best effort: a pseudo-terminal refuses modem-line calls.
    int dtr = TIOCM_DTR;
    ioctl(fd_, settings.dtrOn ? TIOCMBIS : TIOCMBIC, &dtr);
    if (settings.rtsHandshake) {
        int rts = TIOCM_RTS;
        ioctl(fd_, TIOCMBIS, &rts);
    }
    rtsHandshake_ = settings.rtsHandshake;
    return true;
}

bool PosixSerialPort::SetTimeouts(const Timeouts& timeouts) {
    if (fd_ < 0)
        return false;
    timeouts_ = timeouts;
    return true;
}

std::size_t PosixSerialPort::Read(void* buffer, std::size_t count) {
    return ReadWith(timeouts_, buffer, count);
}

std::size_t PosixSerialPort::ReadWithin(void* buffer, std::size_t count, std::uint32_t ms) {
    return ReadWith(Timeouts{ms, 0, ms, 0, 0}, buffer, count);
}

std::size_t PosixSerialPort::ReadWith(const Timeouts& t, void* buffer, std::size_t count) {
    // Once interrupted, nothing more is taken even from a line that keeps talking,
    // so a caller that loops until a read comes back empty stops too.
    if (fd_ < 0 || count == 0 || interrupted_.load())
        return 0;
    auto* bytes = static_cast<unsigned char*>(buffer);
    const std::int64_t start = SteadyMicros();
    const ReadDeadline deadline = ReadDeadline::For(t, count, start);

    std::size_t got = 0;
    std::int64_t lastByte = start;
    bool wokeReadable = false;
    while (got < count) {
        ssize_t n = ::read(fd_, bytes + got, count - got);
        if (n > 0) {
            got += std::size_t(n);
            lastByte = SteadyMicros();
            wokeReadable = false;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            NoteFailure(errno);
            break;
        }
        // Nothing after ppoll said there was: end of file or a hung-up line.
        if (n == 0 && wokeReadable) {
            gone_ = true;
            break;
        }
        if (deadline.immediate || interrupted_.load())
            break;

        short events = WaitFor(fd_, POLLIN, deadline.WaitEnd(got, lastByte), wakeFd_);
        if ((events & POLLIN) == 0) {
            if ((events & (POLLHUP | POLLERR | POLLNVAL)) != 0)
                gone_ = true;
            break;
        }
        wokeReadable = true;
    }
    return got;
}

std::size_t PosixSerialPort::Write(const void* data, std::size_t count) {
    if (fd_ < 0 || interrupted_.load())
        return 0;
    const auto* bytes = static_cast<const unsigned char*>(data);
    const std::int64_t deadline =
        TotalBoundEnd(SteadyMicros(), std::uint64_t(timeouts_.writeTotalMultiplierMs) * count +
                                          timeouts_.writeTotalConstantMs);
    std::size_t sent = 0;
    while (sent < count) {
        ssize_t n = ::write(fd_, bytes + sent, count - sent);
        if (n > 0) {
            sent += std::size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            NoteFailure(errno);
            break;
        }
        if (interrupted_.load() || (WaitFor(fd_, POLLOUT, deadline, wakeFd_) & POLLOUT) == 0)
            break;
    }
    return sent;
}

// The errors of a device that has been unplugged or hung up, as opposed to a
// passing failure.
void PosixSerialPort::NoteFailure(int error) {
    if (error == EIO || error == ENXIO || error == ENODEV)
        gone_ = true;
}

bool DevicePresent(const char* path) {
    struct stat info {};
    return ::stat(path, &info) == 0;
}

LinkIdentity LinkAt(const char* path) {
    struct stat info {};
    if (::lstat(path, &info) != 0 || !S_ISLNK(info.st_mode))
        return {};
    return {true, std::uint64_t(info.st_dev), std::uint64_t(info.st_ino),
            std::int64_t(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec};
}

bool LeadsToCharacterDevice(const char* path) {
    struct stat info {};
    return ::stat(path, &info) == 0 && S_ISCHR(info.st_mode);
}

void PosixSerialPort::Close() {
    gone_ = false;
    if (fd_ < 0)
        return;
    // A pseudo-terminal keeps its exclusive flag while the master lives; clear it so
    // the next open, ours included, is let in.
    ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    fd_ = -1;
}

} // namespace serial
