#pragma once

#include <array>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace testing_support {

// A pseudo-terminal: the test holds the master end and hands the slave's path to
// the code under test, which sees an ordinary serial device. An instrument's end
// (`holdSlave`) reads its master without blocking and keeps the slave open in raw
// mode, so the line stays up between the program's opens and no byte is changed.
class PtyPair {
public:
    explicit PtyPair(bool holdSlave = false) {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | (holdSlave ? O_NONBLOCK : 0));
        std::array<char, 128> name{};
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0 ||
            ptsname_r(master_, name.data(), name.size()) != 0)
            return;
        slavePath_ = name.data();
        if (!holdSlave)
            return;
        slave_ = open(name.data(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios raw{};
        tcgetattr(slave_, &raw);
        cfmakeraw(&raw);
        tcsetattr(slave_, TCSANOW, &raw);
    }
    ~PtyPair() {
        close(master_);
        if (slave_ >= 0)
            close(slave_);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Ok() const { return !slavePath_.empty(); }
    const char* SlavePath() const { return slavePath_.c_str(); }
    int Master() const { return master_; }
    int Slave() const { return slave_; }

    bool WriteAll(const std::string& bytes) {
        for (std::size_t sent = 0; sent < bytes.size();) {
            const ssize_t n = write(master_, bytes.data() + sent, bytes.size() - sent);
            if (n <= 0)
                return false;
            sent += std::size_t(n);
        }
        return true;
    }

    // Up to count bytes from the master end, giving up after 2 s of silence.
    std::string Read(std::size_t count) {
        std::string bytes(count, '\0');
        std::size_t got = 0;
        for (pollfd entry{master_, POLLIN, 0}; got < count && poll(&entry, 1, 2000) > 0;) {
            const ssize_t n = read(master_, bytes.data() + got, count - got);
            if (n <= 0)
                break;
            got += std::size_t(n);
        }
        return bytes.substr(0, got);
    }

private:
    int master_ = -1, slave_ = -1;
    std::string slavePath_;
};

} // namespace testing_support
