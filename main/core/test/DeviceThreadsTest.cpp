#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

#include "HostTrevoFixture.h"
#include "LogEntries.h"
#include "RecordingControl.h"
#include "core/Device.h"
#include "platform/Time.h"
#include "platform/Wait.h"
#include "support/FakeClockScope.h"
#include "support/TempRoot.h"
#include "support/TestDevice.h"

namespace {

using core::CHostTrevo;
using hosttest::Msg;
using support::CTestDevice;

class DeviceThreadsTest : public support::TempRootTest {
protected:
    void SetUp() override {
        auto host =
            std::make_unique<CHostTrevo>("Device 01", "HOST", false, false, "", false, false);
        host->SetHostControl(&control);
        host->SetRegistry(&registry);
        host->SetConnectionState(core::CONNECTION_CONNECTED);
        device = std::make_unique<CTestDevice>("Device 01", "S1", std::move(host));
    }
    // The host link's last message: a reset completes an output, a protected "A" message
    // leaves it open.
    void LastHostMessage(bool bComplete) {
        std::string msg = Msg(bComplete ? "C3 D9 4E" : "C1 C1 C8 4E");
        static_cast<void>(device->GetHost()->MsgFromHost(msg));
        ASSERT_EQ(device->GetHost()->IsCompleteMessage(), bComplete);
    }

    hosttest::RecordingControl control;
    hosttest::MemoryRegistry registry;
    std::unique_ptr<CTestDevice> device;
};

// The decisions by which a send or receive thread ends an output, on the fake clock: a
// period ends only when the time is strictly later than its end.
TEST_F(DeviceThreadsTest, TimeOutDecisions) {
    struct Case {
        const char* name;
        bool bSend;
        bool bOffline;
        bool bComplete;  // send: the host link's last message; receive: the argument
        bool bMoreOrWait;
        bool bQueued;
        int iSeconds;
        std::uint64_t elapsed;  // seconds since the thread's stamp
        core::eTimeOutResult expected;
        const char* lastError;
    };
    const Case cases[] = {
        {"send offline", true, true, true, false, false, 30, 0, core::TIMEOUT_OFFLINE, ""},
        {"send complete, nothing more", true, false, true, false, false, 1000, 0,
         core::TIMEOUT_COMPLETE_MSG_IMMEDIATE, ""},
        {"send complete, more to come, at the end", true, false, true, true, false, 30, 30,
         core::TIMEOUT_NONE, ""},
        {"send complete, more to come, past the end", true, false, true, true, false, 30, 31,
         core::TIMEOUT_COMPLETE_MSG, ""},
        {"send complete, queue not empty", true, false, true, false, true, 30, 31,
         core::TIMEOUT_COMPLETE_MSG, ""},
        {"send incomplete at 600 s", true, false, false, false, false, 30, 600, core::TIMEOUT_NONE,
         ""},
        {"send incomplete past 600 s", true, false, false, false, false, 30, 601,
         core::TIMEOUT_INCOMPLETE_MSG, "Incomplete message received from host."},
        {"receive offline", false, true, true, true, false, 0, 0, core::TIMEOUT_OFFLINE, ""},
        {"receive complete, no wait", false, false, true, false, false, 0, 0,
         core::TIMEOUT_COMPLETE_MSG_IMMEDIATE, ""},
        {"receive complete at 30 s", false, false, true, true, false, 0, 30, core::TIMEOUT_NONE,
         ""},
        {"receive complete past 30 s", false, false, true, true, false, 0, 31,
         core::TIMEOUT_COMPLETE_MSG, ""},
        {"receive incomplete at 600 s", false, false, false, true, false, 0, 600,
         core::TIMEOUT_NONE, ""},
        {"receive incomplete past 600 s", false, false, false, true, false, 0, 601,
         core::TIMEOUT_INCOMPLETE_MSG, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        support::FakeClockScope clock;
        SetUp();
        if (c.bSend) LastHostMessage(c.bComplete);
        if (c.bQueued) device->MessageBufferQueue().AddString("x", 1);
        device->SetDeviceState(c.bOffline ? core::DEVICE_OFFLINE : core::DEVICE_ONLINE_AVAILABLE);
        device->SetLastError("");
        device->m_timeSendToDevice = platform::CurrentTime();
        device->m_timeReceiveFromDevice = platform::CurrentTime();
        clock.Advance(c.elapsed * 1000);
        const core::eTimeOutResult result =
            c.bSend ? device->SendToDeviceThreadTimeOut(c.bMoreOrWait, c.iSeconds)
                    : device->ReceiveFromDeviceThreadTimeOut(c.bComplete, c.bMoreOrWait);
        EXPECT_EQ(result, c.expected);
        EXPECT_EQ(device->GetLastError(), c.lastError);
    }
}

// A wake-up signals a sleeping thread once; one that finds the thread awake neither signals
// nor logs.
TEST_F(DeviceThreadsTest, WakeUpOnlyASleepingThread) {
    ASSERT_TRUE(device->SendToDeviceThreadIsAsleep());
    ASSERT_TRUE(device->SendToDeviceThreadIsRunning());
    device->SendToDeviceThreadWakeUp(true);
    EXPECT_FALSE(device->SendToDeviceThreadIsAsleep());
    EXPECT_EQ(platform::WaitForSingleObject(device->m_eventSendToDevice, 0),
              platform::WAIT_OBJECT_0);
    const std::size_t before = ReadLogEntries().size();
    device->SendToDeviceThreadWakeUp(true);
    EXPECT_EQ(platform::WaitForSingleObject(device->m_eventSendToDevice, 0),
              platform::WAIT_TIMEOUT);
    EXPECT_EQ(ReadLogEntries().size(), before);
}

// ShutDown ends a send thread stuck in its device's I/O through the stop event and then
// disconnects; a thread deaf to it makes ShutDown give up the disconnect after 65 s, and
// the device still joins it before it goes.
TEST_F(DeviceThreadsTest, ShutDownWithABlockedSendThread) {
    for (bool bDeaf : {false, true}) {
        SCOPED_TRACE(bDeaf ? "deaf to the stop event" : "watching the stop event");
        support::FakeClockScope clock;
        SetUp();
        control.Clear();
        ASSERT_TRUE(device->Start());
        device->BlockWrites(bDeaf);
        control.Queue(Msg("C3 D9 4E"));
        device->OnHostReceive();
        control.Queue(Msg("C1 C1 C8 4E"));
        device->OnHostReceive();
        ASSERT_TRUE(device->WaitBlocked());

        std::thread shutdown([&] { device->ShutDown(); });
        if (bDeaf) {
            ASSERT_TRUE(clock.WaitForTimedWaiters(1));
            clock.Advance(core::CDevice::kShutDownWaitMs + 1);
        }
        shutdown.join();
        const auto calls = control.Calls();
        const bool bDisconnected = !calls.empty() && calls.back() == "DisconnectFromHost";
        EXPECT_EQ(bDisconnected, !bDeaf);
        if (bDeaf) {
            const auto entries = ReadLogEntries();
            ASSERT_FALSE(entries.empty());
            EXPECT_NE(entries.back().text.find("Failed to end SendToDevice thread"),
                      std::string::npos);
        }
        device->ReleaseWrites();
        device.reset();  // joins the send thread
    }
}

// A flush drops the next queued message, never the one the send thread is writing, and
// gives up when the send thread releases nothing.
TEST_F(DeviceThreadsTest, FlushLeavesTheBufferBeingWritten) {
    support::FakeClockScope clock;
    auto& queue = device->MessageBufferQueue();
    for (const char* text : {"one", "two", "three"}) queue.AddString(text, 1);
    CHostTrevo& host = *device->GetHost();

    // Moves the clock once for every wait the flush begins (far enough to end the longest,
    // the wait for the release), however late the flushing thread gets to run; it ends with
    // the test body, whichever way that ends.
    std::atomic<bool> flushing{true};
    std::thread ticker([&, seen = platform::FakeClock::TimedWaitsBegun()]() mutable {
        while (flushing) {
            if (clock.WaitForNewTimedWait(seen, std::chrono::milliseconds(5)))
                clock.Advance(core::CDevice::kFlushReleaseWaitMs);
        }
    });
    struct StopTicker {
        std::atomic<bool>& flushing;
        std::thread& ticker;
        ~StopTicker() {
            flushing = false;
            ticker.join();
        }
    } stopTicker{flushing, ticker};
    auto head = [&] {
        std::string text;
        int type = 0;
        queue.GetHead(text, type, false);
        return text;
    };

    ASSERT_NE(device->TakeHeadBuffer(), nullptr);
    host.m_bBufferReleased = true;
    EXPECT_TRUE(device->FlushDeviceBuffer(0));
    EXPECT_EQ(head(), "one");
    EXPECT_FALSE(host.m_bBufferReleased);

    device->ReleaseHeadBuffer();
    EXPECT_TRUE(device->FlushDeviceBuffer(0));
    EXPECT_EQ(head(), "three");

    EXPECT_FALSE(device->FlushDeviceBuffer(0));
    EXPECT_EQ(head(), "three");
}

}  // namespace
