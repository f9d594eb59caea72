#pragma once

#include "link/capture_store.h"
#include "link/link_counters.h"
#include "link/serial_link.h"
#include "toolkit/line_log.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace duruz {

// What a job on the link works with: the port and its receive state, the frame
// being filled, the objects behind the port rows, and the log whose lines reach
// the window in the order they were added.
struct LinkContext {
    SerialLink& link;
    CaptureStore& capture;
    PortProvider& ports;
    tk::LineLog& log;
};

using LinkJob = std::function<void(LinkContext&)>;

// What the window collects from the link.
// When a frame's last byte was taken from the port: by the wall clock, for the
// record, and by the steady clock, for intervals.
struct FrameArrival {
    std::chrono::system_clock::time_point wall{};
    std::chrono::steady_clock::time_point steady{};
};

struct LinkDelivery {
    std::vector<std::string> lines; // status lines, oldest first
    bool tickDone = false;          // a capture tick ran since the last collection
    bool waitCursor = false;        // a request was pending when that tick began
    bool frameNew = false;          // a complete frame was copied out
    FrameOrigin frameOrigin;        // which request that frame answers
    FrameArrival frameArrival;      // when that frame was complete
    bool requestPending = false;    // the link's state after its last job
    bool portOpen = false;          // the same
    std::string lostPath;           // the open port whose device went away and was closed
    std::uint32_t portDecision = 0; // the last open or close decision the link acted on
    LinkCounters counters;          // the capture loop's counts after its last job
    // What jobs left for the window's thread to do, in the order they were left.
    std::vector<std::function<void()>> replies;
};

// The instrument link on a thread of its own. Every port call happens in a job,
// and jobs run one at a time in the order they were posted, so the wire carries
// the bytes the front end asked for in the order it asked. Status lines and
// finished frames go to an outbox that the front end empties when woken.
//
// Until Start, a posted job runs at once on the caller's thread, which then also
// receives the wake: the same jobs, synchronous, for tests that drive the window
// step by step.
class LinkThread {
public:
    // `wake` is called, from whichever thread filled the outbox, when the outbox
    // turns non-empty; the window answers it by calling Collect on its own thread.
    LinkThread(PortProvider& ports, std::function<void()> wake);
    ~LinkThread();
    LinkThread(const LinkThread&) = delete;
    LinkThread& operator=(const LinkThread&) = delete;

    void Start();
    // Runs no further job, cuts a port call under way short, closes the port and
    // joins the thread. Jobs still queued, and any posted later, are dropped.
    void Stop();
    bool Started() const { return worker_.joinable(); }

    void Post(LinkJob job);
    // Queues one capture tick. A tick posted right behind another that has not
    // started yet is merged into it, as a timer that fires while its handler is
    // still running fires once.
    void PostTick();
    // Hold as a tick reads it when it runs, not when it was posted.
    void SetHold(bool hold) { hold_.store(hold); }
    // A line of the window's own, kept in order with the lines of the jobs before it.
    void AddLine(std::string_view line);
    // The same, for code that writes to a log.
    tk::LineLog& Log() { return windowLog_; }
    // From a job: a task for the window's thread, run when it collects what the
    // job left, after the link's state as it stood at this call has been taken over.
    void Reply(std::function<void()> task);

    // Moves the outbox into `delivery` and, when a frame is new, the frame's
    // header and samples into `frame`: frames completed by any job, the newest when
    // several completed since the last collection. Called on the window's thread.
    void Collect(LinkDelivery& delivery, CaptureStore& frame);
    // Returns once every job posted so far has run.
    void WaitIdle();

private:
    struct Entry {
        LinkJob job; // empty for a tick
    };

    class OutboxLog : public tk::LineLog {
    public:
        explicit OutboxLog(LinkThread& owner) : owner_(owner) {}
        void Add(std::string_view line) override;

    private:
        LinkThread& owner_;
    };
    // Copies each frame out as it completes, so a job that receives more than one
    // never stores over a frame not yet delivered.
    class FrameCollector : public FrameSink {
    public:
        explicit FrameCollector(LinkThread& owner) : owner_(owner) {}
        void TakeFrame(const CaptureStore& frame, const FrameOrigin& origin) override;

    private:
        LinkThread& owner_;
    };
    class WindowLog : public tk::LineLog {
    public:
        explicit WindowLog(LinkThread& owner) : owner_(owner) {}
        void Add(std::string_view line) override { owner_.AddLine(line); }

    private:
        LinkThread& owner_;
    };

    // Runs the entry at once before Start, else queues it, merging a tick into a
    // tick that waits right at the back.
    void Enqueue(Entry entry);
    void Run(Entry& entry);
    void Loop();
    void ClosePort();
    // Marks the outbox as holding news and wakes the window unless it is already awake.
    void Publish(std::unique_lock<std::mutex>& outbox);

    PortProvider& ports_;
    std::function<void()> wake_;

    // Owned by the job that runs; never touched by the window's thread once started.
    SerialLink link_;
    CaptureStore filling_;
    OutboxLog outboxLog_{*this};
    WindowLog windowLog_{*this};
    FrameCollector frameCollector_{*this};
    LinkContext context_{link_, filling_, ports_, outboxLog_};
    // The port in use, for Stop to interrupt from the window's thread.
    std::atomic<serial::SerialPort*> activePort_{nullptr};
    std::atomic<bool> hold_{false};

    std::mutex queueMutex_;
    std::condition_variable queueChanged_;
    std::deque<Entry> queue_;
    bool running_ = false; // a job taken from the queue has not finished
    bool stopping_ = false;
    bool stopped_ = false; // Stop has been called: the window's side of stopping_
    std::thread worker_;

    std::mutex outboxMutex_;
    std::vector<std::string> lines_;
    CaptureStore finished_; // the last complete frame, waiting for the window
    bool frameNew_ = false;
    FrameOrigin finishedOrigin_;
    FrameArrival finishedArrival_;
    bool tickDone_ = false;
    bool waitCursor_ = false;
    bool requestPending_ = false;
    bool portOpen_ = false;
    std::string lostPath_;
    std::uint32_t portDecision_ = 0;
    LinkCounters counters_;
    std::vector<std::function<void()>> replies_;
    bool woken_ = false; // a wake is on its way and Collect has not run since
};

} // namespace duruz
