#include "e2e/scripted_peer.h"

#include <array>
#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace e2e {

namespace {

const std::string kCaptureRequest = "%z\r\n";
// How long the line must stay empty before a hang-up counts the bytes as taken:
// a write on the master reaches the slave's queue a moment later.
constexpr auto kTakenFor = std::chrono::milliseconds(300);

} // namespace

ScriptedPeer::ScriptedPeer() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
        return;
    std::array<char, 128> name{};
    if (::ptsname_r(master_, name.data(), name.size()) != 0)
        return;
    slave_ = ::open(name.data(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0)
        return;
    // Raw from the start: nothing the test preloads is echoed back or cooked.
    termios raw{};
    ::tcgetattr(slave_, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave_, TCSANOW, &raw);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    slavePath_ = name.data();
    thread_ = std::thread([this] { Run(); });
}

ScriptedPeer::~ScriptedPeer() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    Wake();
    if (thread_.joinable())
        thread_.join();
    for (int fd : {master_, slave_, wake_[0], wake_[1]})
        if (fd >= 0)
            ::close(fd);
}

void ScriptedPeer::Preload(const std::string& bytes) {
    {
        std::lock_guard lock(mutex_);
        pending_ += bytes;
    }
    Wake();
}

void ScriptedPeer::Wake() {
    if (wake_[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] ssize_t n = ::write(wake_[1], &byte, 1);
    }
}

void ScriptedPeer::AnswerWith(std::string frame) {
    std::lock_guard lock(mutex_);
    mode_ = Mode::Answer;
    frame_ = std::move(frame);
}

void ScriptedPeer::StaySilent() {
    std::lock_guard lock(mutex_);
    mode_ = Mode::Silent;
}

void ScriptedPeer::AnswerOnceThenHangUp(std::string frame, std::size_t bytes) {
    std::lock_guard lock(mutex_);
    mode_ = Mode::AnswerOnceThenHangUp;
    frame_ = std::move(frame);
    cutAfter_ = bytes;
}

std::string ScriptedPeer::Received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

std::vector<ScriptedPeer::Clock::time_point> ScriptedPeer::RequestTimes() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::size_t ScriptedPeer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_.size();
}

std::size_t ScriptedPeer::FramesSent() const {
    std::lock_guard lock(mutex_);
    return framesSent_;
}

bool ScriptedPeer::HungUp() const {
    std::lock_guard lock(mutex_);
    return hungUp_;
}

int ScriptedPeer::Unread() const {
    std::lock_guard lock(mutex_);
    int count = 0;
    if (slave_ < 0 || ::ioctl(slave_, FIONREAD, &count) != 0)
        return -1;
    return count;
}

bool ScriptedPeer::WaitFor(const std::function<bool()>& condition,
                           std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (condition())
            return true;
        if (Clock::now() >= deadline)
            return false;
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::milliseconds(20));
    }
}

void ScriptedPeer::Run() {
    for (;;) {
        pollfd entries[2] = {{wake_[0], POLLIN, 0}, {-1, 0, 0}};
        int timeoutMs = 200;
        {
            std::lock_guard lock(mutex_);
            if (stop_)
                return;
            if (!hungUp_) {
                entries[1].fd = master_;
                entries[1].events = short(POLLIN | (pending_.empty() ? 0 : POLLOUT));
            }
            if (hangUpWhenTaken_)
                timeoutMs = 10;
        }
        ::poll(entries, 2, timeoutMs);
        if (entries[0].revents & POLLIN) {
            char sink[16];
            while (::read(wake_[0], sink, sizeof sink) > 0) {
            }
        }
        {
            std::lock_guard lock(mutex_);
            if (stop_)
                return;
            if (!hungUp_) {
                if (entries[1].revents & POLLIN)
                    TakeInput();
                SendPending();
                if (hangUpWhenTaken_ && pending_.empty()) {
                    int unread = 0;
                    ::ioctl(slave_, FIONREAD, &unread);
                    const auto now = Clock::now();
                    if (unread != 0 || takenSince_ == Clock::time_point{})
                        takenSince_ = unread != 0 ? Clock::time_point{} : now;
                    else if (now - takenSince_ >= kTakenFor)
                        HangUp();
                }
            }
        }
        changed_.notify_all();
    }
}

// Called with the lock held.
void ScriptedPeer::TakeInput() {
    std::array<char, 4096> chunk;
    for (;;) {
        ssize_t n = ::read(master_, chunk.data(), chunk.size());
        if (n <= 0)
            break;
        received_.append(chunk.data(), std::size_t(n));
    }
    for (;;) {
        std::size_t at = received_.find(kCaptureRequest, scanned_);
        if (at == std::string::npos)
            break;
        scanned_ = at + kCaptureRequest.size();
        requests_.push_back(Clock::now());
        if (mode_ == Mode::Answer) {
            // One frame in flight at most; the program drains what it did not ask for.
            if (pending_.size() <= frame_.size()) {
                pending_ += frame_;
                ++framesSent_;
            }
        } else if (mode_ == Mode::AnswerOnceThenHangUp) {
            pending_ += frame_.substr(0, cutAfter_);
            mode_ = Mode::Silent;
            hangUpWhenTaken_ = true;
        }
    }
    if (received_.size() >= kCaptureRequest.size() &&
        scanned_ < received_.size() - (kCaptureRequest.size() - 1))
        scanned_ = received_.size() - (kCaptureRequest.size() - 1);
}

// Called with the lock held.
void ScriptedPeer::SendPending() {
    while (!pending_.empty()) {
        ssize_t n = ::write(master_, pending_.data(), pending_.size());
        if (n <= 0)
            break;
        pending_.erase(0, std::size_t(n));
    }
}

// Called with the lock held.
void ScriptedPeer::HangUp() {
    ::close(master_);
    ::close(slave_);
    master_ = -1;
    slave_ = -1;
    hungUp_ = true;
    hangUpWhenTaken_ = false;
}

} // namespace e2e
