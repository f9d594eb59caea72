#pragma once

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace testing_support {

// A pseudo-terminal: the test holds the master end and hands the slave's path to
// the code under test, which sees an ordinary serial device.
class PtyPair {
public:
    PtyPair() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
            return;
        std::array<char, 128> name{};
        if (ptsname_r(master_, name.data(), name.size()) == 0)
            slavePath_ = name.data();
    }
    ~PtyPair() {
        if (master_ >= 0)
            close(master_);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Ok() const { return master_ >= 0 && !slavePath_.empty(); }
    int Master() const { return master_; }
    const std::string& SlavePath() const { return slavePath_; }

    bool WriteAll(const std::string& bytes) {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            ssize_t n = write(master_, bytes.data() + sent, bytes.size() - sent);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            sent += std::size_t(n);
        }
        return true;
    }

    // Collects up to count bytes from the master end, giving up after timeoutMs of
    // silence.
    std::string Read(std::size_t count, int timeoutMs = 2000) {
        std::string bytes;
        std::array<char, 4096> chunk{};
        while (bytes.size() < count) {
            pollfd entry{master_, POLLIN, 0};
            if (poll(&entry, 1, timeoutMs) <= 0 || (entry.revents & POLLIN) == 0)
                break;
            std::size_t want = std::min(chunk.size(), count - bytes.size());
            ssize_t n = read(master_, chunk.data(), want);
            if (n <= 0)
                break;
            bytes.append(chunk.data(), std::size_t(n));
        }
        return bytes;
    }

private:
    int master_ = -1;
    std::string slavePath_;
};

} // namespace testing_support
