#include "link/link_thread.h"

#include "link/capture_stream.h"

#include <cstring>
#include <exception>
#include <utility>

namespace duruz {

namespace {

void CopyFrame(const CaptureStore& from, CaptureStore& to) {
    std::memcpy(to.RxBuffer.data(), from.RxBuffer.data(), sizeof from.RxBuffer);
    std::memcpy(to.CaptureBuffer.data(), from.CaptureBuffer.data(), sizeof from.CaptureBuffer);
}

} // namespace

LinkThread::LinkThread(PortProvider& ports, std::function<void()> wake)
    : ports_(ports), wake_(std::move(wake)) {
    link_.FrameOut = &frameCollector_;
}

LinkThread::~LinkThread() {
    Stop();
}

void LinkThread::Start() {
    if (worker_.joinable() || stopped_)
        return;
    worker_ = std::thread([this] { Loop(); });
}

void LinkThread::Stop() {
    if (stopped_)
        return;
    stopped_ = true;
    if (!worker_.joinable()) {
        ClosePort();
        return;
    }
    {
        std::lock_guard lock(queueMutex_);
        stopping_ = true;
        queue_.clear();
    }
    queueChanged_.notify_all();
    if (serial::SerialPort* port = activePort_.load())
        port->Interrupt();
    worker_.join();
}

void LinkThread::Post(LinkJob job) {
    Enqueue(Entry{std::move(job)});
}

void LinkThread::PostTick() {
    Enqueue(Entry{nullptr});
}

void LinkThread::Enqueue(Entry entry) {
    if (stopped_)
        return;
    if (!worker_.joinable()) {
        Run(entry);
        return;
    }
    {
        std::lock_guard lock(queueMutex_);
        if (stopping_)
            return;
        const bool tick = !entry.job;
        if (tick && !queue_.empty() && !queue_.back().job)
            return;
        queue_.push_back(std::move(entry));
    }
    queueChanged_.notify_all();
}

void LinkThread::AddLine(std::string_view line) {
    Post([text = std::string(line)](LinkContext& link) { link.log.Add(text); });
}

void LinkThread::Collect(LinkDelivery& delivery, CaptureStore& frame) {
    std::lock_guard lock(outboxMutex_);
    for (std::string& line : lines_)
        delivery.lines.push_back(std::move(line));
    lines_.clear();
    delivery.tickDone = tickDone_;
    delivery.waitCursor = waitCursor_;
    delivery.frameNew = frameNew_;
    delivery.frameOrigin = finishedOrigin_;
    delivery.frameArrival = finishedArrival_;
    delivery.requestPending = requestPending_;
    delivery.portOpen = portOpen_;
    delivery.lostPath = std::move(lostPath_);
    delivery.portDecision = portDecision_;
    delivery.counters = counters_;
    for (std::function<void()>& task : replies_)
        delivery.replies.push_back(std::move(task));
    replies_.clear();
    if (frameNew_)
        CopyFrame(finished_, frame);
    tickDone_ = false;
    frameNew_ = false;
    lostPath_.clear();
    woken_ = false;
}

void LinkThread::WaitIdle() {
    std::unique_lock lock(queueMutex_);
    queueChanged_.wait(lock, [this] { return (queue_.empty() && !running_) || stopping_; });
}

// The job's end publishes the reply together with the link's state after the job.
void LinkThread::Reply(std::function<void()> task) {
    std::lock_guard lock(outboxMutex_);
    replies_.push_back(std::move(task));
    // The reply speaks of the port as it stands now, so the port's state goes out
    // with it: collected before the job ends, it is not a state from before the job.
    portOpen_ = link_.PortOpen;
    portDecision_ = link_.PortDecision;
}

void LinkThread::FrameCollector::TakeFrame(const CaptureStore& frame, const FrameOrigin& origin) {
    std::lock_guard lock(owner_.outboxMutex_);
    CopyFrame(frame, owner_.finished_);
    owner_.finishedOrigin_ = origin;
    owner_.finishedArrival_ = {std::chrono::system_clock::now(), std::chrono::steady_clock::now()};
    owner_.frameNew_ = true;
}

void LinkThread::OutboxLog::Add(std::string_view line) {
    std::unique_lock lock(owner_.outboxMutex_);
    owner_.lines_.emplace_back(line);
    owner_.Publish(lock);
}

void LinkThread::Publish(std::unique_lock<std::mutex>& outbox) {
    const bool wake = !woken_;
    woken_ = true;
    outbox.unlock();
    if (wake && wake_)
        wake_();
}

void LinkThread::Run(Entry& entry) {
    activePort_.store(link_.PortHandle);
    TickOutcome tick;
    try {
        if (entry.job)
            entry.job(context_);
        else
            tick = CaptureTick(link_, filling_, hold_.load(), outboxLog_);
    } catch (const std::exception& error) {
        outboxLog_.Add(error.what());
    }
    // A vanished device is let go of at once: its calls would only fail, and the
    // window decides when to open it again.
    const bool lost = link_.PortHandle != nullptr && link_.PortHandle->DeviceGone();
    const std::string lostPath = lost ? link_.PortPath.data() : "";
    if (lost)
        ClosePort();
    activePort_.store(link_.PortHandle);

    std::unique_lock lock(outboxMutex_);
    if (!entry.job) {
        tickDone_ = true;
        waitCursor_ = tick.waitCursor;
    }
    requestPending_ = link_.RequestPending;
    portOpen_ = link_.PortOpen;
    portDecision_ = link_.PortDecision;
    counters_ = link_.Counters;
    if (lost)
        lostPath_ = lostPath;
    Publish(lock);
}

void LinkThread::Loop() {
    for (;;) {
        Entry entry;
        {
            std::unique_lock lock(queueMutex_);
            queueChanged_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_)
                break;
            entry = std::move(queue_.front());
            queue_.pop_front();
            running_ = true;
        }
        Run(entry);
        {
            std::lock_guard lock(queueMutex_);
            running_ = false;
        }
        queueChanged_.notify_all();
    }
    ClosePort();
}

void LinkThread::ClosePort() {
    duruz::ClosePort(link_);
}

} // namespace duruz
