#include "link/link_thread.h"

#include "link/capture_stream.h"
#include "link/commands.h"
#include "support/fake_serial_port.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace duruz;
using Lines = std::vector<std::string>;

// A scripted port whose reads can be made to wait until it is interrupted (20 s at
// most), and which notes the thread that uses it.
struct GatedPort : testing_support::FakeSerialPort {
    std::size_t Read(void* buffer, std::size_t count) override {
        user = std::this_thread::get_id();
        reading = true;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (blockReads && !interrupted && std::chrono::steady_clock::now() < end)
            std::this_thread::yield();
        interruptedWhileBlocked = blockReads && interrupted;
        return FakeSerialPort::Read(buffer, count);
    }
    void Interrupt() override { interrupted = true; }

    std::atomic<bool> reading{false}, blockReads{false}, interrupted{false};
    bool interruptedWhileBlocked = false;
    std::thread::id user;
};

// Every row opens the one port; deliveries are collected on the waking thread, as
// the window does on its own.
struct Window : PortProvider {
    serial::SerialPort& PortFor(const PortEntry&) override { return port; }
    // Opens the one row, as a click on it does.
    Window() {
        link.Post([](LinkContext& c) {
            c.link.PortCount = 1;
            std::strcpy(c.link.PortTable[0].path.data(), "/dev/ttyFake");
            c.link.TimerInterval = 250;
            c.link.PortHandle = &c.ports.PortFor(c.link.PortTable[0]);
        });
    }

    GatedPort port;
    std::mutex mutex;
    LinkDelivery delivery;
    CaptureStore frame;
    std::atomic<int> ticks{0}, frames{0};
    LinkThread link{*this, [this] {
                        std::lock_guard lock(mutex);
                        link.Collect(delivery, frame);
                        ticks += delivery.tickDone; // each collection sets both anew
                        frames += delivery.frameNew;
                    }};
};

// Jobs and the window's own lines keep the order they were posted in, whichever
// thread runs them; a frame reaches the window whole and once.
TEST(LinkThread, RunsJobsInOrderOnItsThreadAndDeliversEachFrameOnce) {
    for (const bool threaded : {false, true}) {
        SCOPED_TRACE(threaded);
        Window window;
        if (threaded)
            window.link.Start();
        window.port.reads = {"", "xHxH" + std::string(128 - 4, 'h') + std::string(8192, 'a')};
        window.link.AddLine("first");
        window.link.Post([](LinkContext& c) { SendCommand(c.link, c.log, RangeCommand(0, 3)); });
        window.link.AddLine("second");
        window.link.Post([](LinkContext& c) { RequestCapture(c.link, c.capture, c.log); });
        window.link.PostTick();
        window.link.WaitIdle();

        EXPECT_EQ(window.port.written, "%X3\r%z\r\n");
        EXPECT_EQ(window.port.user == std::this_thread::get_id(), !threaded);
        std::lock_guard lock(window.mutex);
        EXPECT_EQ(window.delivery.lines, (Lines{"first", "%X3\r", "second"}));
        EXPECT_EQ(
            std::tuple(window.frames.load(), window.ticks.load(), window.delivery.requestPending),
            std::tuple(1, 1, false));
        EXPECT_TRUE(std::ranges::all_of(window.frame.CaptureBuffer,
                                        [](std::int16_t pair) { return pair == 0x6161; })); // "aa"
    }
}

// Ticks posted while the link is busy merge into one when nothing stands between
// them; a job between two ticks keeps both; Hold counts as it is when a tick runs.
// Stop then cuts a read that would block for good short and closes the port on the
// link thread; nothing posted afterwards runs.
TEST(LinkThread, MergesTicksThatQueueBackToBackAndStopInterruptsABlockedRead) {
    Window window;
    window.link.Start();
    std::mutex gate;
    std::unique_lock hold(gate);
    window.link.Post([&](LinkContext&) { std::lock_guard wait(gate); });
    window.link.PostTick();
    window.link.PostTick(); // merged
    window.link.AddLine("between");
    window.link.PostTick();
    window.link.SetHold(true); // checked after the ticks were posted: no request goes out
    hold.unlock();
    window.link.WaitIdle();
    EXPECT_TRUE(window.port.written.empty() && window.ticks.load() == 2); // both ticks held

    window.link.Post([](LinkContext& c) { RequestCapture(c.link, c.capture, c.log); });
    window.link.WaitIdle();
    window.port.reading = false;
    window.port.blockReads = true;
    window.link.SetHold(false);
    window.link.PostTick();
    while (!window.port.reading)
        std::this_thread::yield();
    window.link.Stop();
    EXPECT_TRUE(window.port.interruptedWhileBlocked);
    EXPECT_EQ(window.port.events.back(), "close");
    window.link.Post([](LinkContext& c) { c.log.Add("too late"); });
    EXPECT_EQ(window.delivery.lines, Lines{"between"}); // the link thread has ended
}

// A reply goes out with the port's state of its moment: a window that collects it
// before its job has ended does not take it with the state from before the job.
TEST(LinkThread, AReplyGoesOutWithThePortStateOfItsMoment) {
    struct : PortProvider {
        serial::SerialPort& PortFor(const PortEntry&) override { return port; }
        testing_support::FakeSerialPort port;
    } ports;
    std::vector<std::pair<std::size_t, bool>> seen; // replies and port state per collection
    LinkThread* link = nullptr;
    auto frame = std::make_unique<CaptureStore>();
    LinkThread thread(ports, [&] {
        LinkDelivery delivery;
        link->Collect(delivery, *frame);
        seen.emplace_back(delivery.replies.size(), delivery.portOpen);
    });
    link = &thread;
    thread.Post([&](LinkContext& c) {
        c.link.PortOpen = true;
        thread.Reply([] {});
        c.log.Add("opened"); // the window collects before the job ends
    });
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), std::pair(std::size_t{1}, true));
}

} // namespace
