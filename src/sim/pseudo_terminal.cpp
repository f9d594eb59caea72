#include "sim/pseudo_terminal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

bool OpenPseudoTerminal(PseudoTerminal& terminal) {
    terminal = PseudoTerminal{};
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0)
        return false;
    if (grantpt(master) != 0 || unlockpt(master) != 0 ||
        ptsname_r(master, terminal.slavePath.data(), terminal.slavePath.size()) != 0) {
        int error = errno;
        ::close(master);
        errno = error;
        return false;
    }
    int slave = ::open(terminal.slavePath.data(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (slave < 0 || tcgetattr(slave, &tio) != 0) {
        int error = errno;
        if (slave >= 0)
            ::close(slave);
        ::close(master);
        errno = error;
        return false;
    }
    // Until a client sets its own mode, an echoing slave would send our frames
    // straight back to us as input.
    cfmakeraw(&tio);
    cfsetispeed(&tio, B115200);
    cfsetospeed(&tio, B115200);
    tcsetattr(slave, TCSANOW, &tio);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    terminal.master = master;
    terminal.slave = slave;
    return true;
}

void ClosePseudoTerminal(PseudoTerminal& terminal) {
    if (terminal.slave >= 0)
        ::close(terminal.slave);
    if (terminal.master >= 0)
        ::close(terminal.master);
    terminal.slave = -1;
    terminal.master = -1;
}

} // namespace sim
