#pragma once

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace testing_support {

// The instrument's end of a pseudo-terminal that may talk without being asked:
// `chatter` bytes every `every`, or silence. It records what the program sends.
class TalkingPeer {
public:
    TalkingPeer(std::string chatter, std::chrono::microseconds every)
        : chatter_(std::move(chatter)), every_(every) {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        char name[128] = {};
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
            ::ptsname_r(master_, name, sizeof name) != 0)
            return;
        path = name;
        // Held open so the line stays up, and raw so no byte is changed on the way.
        slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios raw{};
        ::tcgetattr(slave_, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(slave_, TCSANOW, &raw);
        thread_ = std::thread([this] { Run(); });
    }
    ~TalkingPeer() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        ::close(slave_);
        ::close(master_);
    }
    std::string Received() {
        std::lock_guard lock(mutex_);
        return received_;
    }

    std::string path; // empty when no pseudo-terminal could be had

private:
    void Run() {
        auto next = std::chrono::steady_clock::now();
        while (!stop_) {
            char chunk[4096];
            for (ssize_t n; (n = ::read(master_, chunk, sizeof chunk)) > 0;) {
                std::lock_guard lock(mutex_);
                received_.append(chunk, std::size_t(n));
            }
            if (!chatter_.empty() && std::chrono::steady_clock::now() >= next) {
                [[maybe_unused]] const ssize_t n =
                    ::write(master_, chatter_.data(), chatter_.size());
                next += every_;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    }

    std::string chatter_;
    std::chrono::microseconds every_;
    int master_ = -1, slave_ = -1;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::string received_;
    std::thread thread_;
};

} // namespace testing_support
