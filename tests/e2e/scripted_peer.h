#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace e2e {

// The instrument's end of a pseudo-terminal, played by the test: it records every
// byte the program writes, notes when each capture request ("%z\r\n") arrives, and
// answers requests as told. It holds the slave end open as well, so the line
// stays up while the program has not opened it yet or has closed it.
class ScriptedPeer {
public:
    using Clock = std::chrono::steady_clock;

    ScriptedPeer();
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    bool Ok() const { return master_ >= 0 && !slavePath_.empty(); }
    const std::string& SlavePath() const { return slavePath_; }

    // Bytes waiting on the line before the program opens it.
    void Preload(const std::string& bytes);
    // From now on, every capture request is answered with this frame.
    void AnswerWith(std::string frame);
    void StaySilent();
    // The next capture request gets the first `bytes` of the frame; once the
    // program has taken them in, the line is closed for good.
    void AnswerOnceThenHangUp(std::string frame, std::size_t bytes);

    std::string Received() const;
    std::vector<Clock::time_point> RequestTimes() const;
    std::size_t Requests() const;
    std::size_t FramesSent() const;
    bool HungUp() const;
    // Bytes written to the line that the program has not read yet.
    int Unread() const;

    // Waits until the condition holds, checking it whenever the line moves; true
    // when it held before the time was up.
    bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

private:
    enum class Mode { Silent, Answer, AnswerOnceThenHangUp };

    void Wake();
    void Run();
    void TakeInput();
    void SendPending();
    void HangUp();

    int master_ = -1;
    int slave_ = -1;
    int wake_[2] = {-1, -1};
    std::string slavePath_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool stop_ = false;
    Mode mode_ = Mode::Silent;
    std::string frame_;
    std::size_t cutAfter_ = 0;
    std::string received_;
    std::size_t scanned_ = 0;
    std::vector<Clock::time_point> requests_;
    std::string pending_;
    std::size_t framesSent_ = 0;
    bool hangUpWhenTaken_ = false;
    Clock::time_point takenSince_{};
    bool hungUp_ = false;

    std::thread thread_;
};

} // namespace e2e
