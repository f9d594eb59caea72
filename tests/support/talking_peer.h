#pragma once

#include "support/pty_pair.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include <unistd.h>

namespace testing_support {

// The instrument's end of a pseudo-terminal that may talk without being asked:
// `chatter` bytes every `every`, or silence. It records what the program sends.
class TalkingPeer {
public:
    TalkingPeer(std::string chatter, std::chrono::microseconds every)
        : chatter_(std::move(chatter)), every_(every) {
        if (!pty_.Ok())
            return;
        path = pty_.SlavePath();
        thread_ = std::thread([this] { Run(); });
    }
    ~TalkingPeer() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
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
            for (ssize_t n; (n = ::read(pty_.Master(), chunk, sizeof chunk)) > 0;) {
                std::lock_guard lock(mutex_);
                received_.append(chunk, std::size_t(n));
            }
            if (!chatter_.empty() && std::chrono::steady_clock::now() >= next) {
                [[maybe_unused]] const ssize_t n =
                    ::write(pty_.Master(), chatter_.data(), chatter_.size());
                next += every_;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    }

    std::string chatter_;
    std::chrono::microseconds every_;
    PtyPair pty_{true};
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::string received_;
    std::thread thread_;
};

} // namespace testing_support
