#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "HostTrevoFixture.h"
#include "LogEntries.h"
#include "RecordingControl.h"
#include "core/Device.h"
#include "platform/Time.h"
#include "support/FakeClockScope.h"
#include "support/TempRoot.h"
#include "support/TestDevice.h"

namespace {

using core::CHostTrevo;
using hosttest::Hex;
using hosttest::Msg;
using support::CTestDevice;

std::unique_ptr<CHostTrevo> MakeHost(core::IHostControl* control, core::IHostRegistry* registry) {
    auto host = std::make_unique<CHostTrevo>("Device 01", "HOST", false, false, "", false, false);
    host->SetHostControl(control);
    host->SetRegistry(registry);
    return host;
}

class DeviceTest : public support::TempRootTest {
protected:
    void Make(const std::string& type = "File") {
        device =
            std::make_unique<CTestDevice>("Device 01", "S1", MakeHost(&control, &registry), type);
        if (device->GetHost()) device->GetHost()->SetConnectionState(core::CONNECTION_CONNECTED);
    }
    // The host hands the device one message (hex, EBCDIC).
    void Receive(const char* hex) {
        control.Queue(Msg(hex));
        device->OnHostReceive();
    }
    std::vector<std::string> SentHex() {
        std::vector<std::string> out;
        for (const auto& s : control.Sent()) out.push_back(Hex(s));
        return out;
    }

    hosttest::RecordingControl control;
    hosttest::MemoryRegistry registry;
    std::unique_ptr<CTestDevice> device;
};

// A reset is answered at once; a protected message goes through the send thread to the
// device and is acknowledged after it was written; its repeat is answered without reaching
// the device; the "B" message that completes the output ends it; every step is counted.
TEST_F(DeviceTest, HostMessagesThroughTheSendThread) {
    Make();
    ASSERT_TRUE(device->Start());

    Receive("C3 D9 4E");
    EXPECT_EQ(SentHex(), std::vector<std::string>{"C3 7C F2 F0 4E"});
    EXPECT_TRUE(device->MessageBufferQueue().IsEmpty());

    Receive("C1 C1 C8 4E");
    ASSERT_TRUE(device->WaitWritten(1));
    ASSERT_TRUE(support::Eventually([&] { return control.Sent().size() == 2; }));
    EXPECT_EQ(SentHex().back(), "C3 C1 F2 F0 4E");
    EXPECT_EQ(device->Written(), std::vector<std::string>{"H"});

    Receive("C1 C1 C8 4E");
    EXPECT_EQ(SentHex().size(), 3u);
    EXPECT_EQ(SentHex().back(), "C3 C1 F2 F1 4E");
    EXPECT_TRUE(device->MessageBufferQueue().IsEmpty());
    EXPECT_EQ(device->OutputsDone(), 0u);  // an "A" message leaves the output open

    Receive("C2 C2 C9 4E");
    ASSERT_TRUE(device->WaitWritten(2));
    ASSERT_TRUE(support::Eventually(
        [&] { return control.Sent().size() == 4 && device->SendToDeviceThreadIsAsleep(); }));
    EXPECT_GE(device->OutputsDone(), 1u);
    EXPECT_EQ(SentHex().back(), "C3 C2 F2 F0 4E");
    EXPECT_EQ(device->Written(), (std::vector<std::string>{"H", "I"}));

    const core::CDeviceStatistics s = device->GetStatistics();
    EXPECT_EQ(s.m_dwHostMsgsRcvd, 4u);
    EXPECT_EQ(s.m_dwHostMsgsSent, 4u);
    EXPECT_EQ(s.m_dwHostBytesSent, 20u);
    EXPECT_EQ(s.m_dwDeviceMsgsSent, 2u);
    EXPECT_EQ(s.m_dwDeviceBytesSent, 2u);
    EXPECT_EQ(device->GetDeviceState(), core::DEVICE_ONLINE_AVAILABLE);
}

// Messages queued while the device is still writing an earlier one are each acknowledged for
// themselves: the acknowledgement of a write answers the message written, not the message the
// host sent last. The first message of each case is held at the device while the others come.
TEST_F(DeviceTest, EachWriteIsAcknowledgedForItsOwnMessage) {
    struct Case {
        const char* name;
        std::vector<const char*> before;  // answered before the held message
        std::vector<const char*> held;    // the first is being written while the others come
        std::vector<const char*> then;    // each sent once the answers before it came
        std::vector<std::string> written;
        std::vector<std::string> acks;  // in the order the host receives them
    };
    const Case cases[] = {
        {"unprotected, then a reset and a protected message",
         {},
         {"C8 C5 D3 5F", "C3 D9 4E", "C1 C1 C8 4E"},
         {"C1 C2 C9 4E"},
         {"L", "H", "I"},
         {"C3 7C F2 F0 4E", "6D", "C3 C1 F2 F0 4E", "C3 C2 F2 F0 4E"}},
        {"protected, then a query answered at once",
         {"C3 D9 4E"},
         {"C1 C1 C8 4E", "C3 D8 4E"},
         {"C1 C2 C9 4E"},
         {"H", "I"},
         {"C3 7C F2 F0 4E", "C3 7C F2 F0 4E", "C3 C1 F2 F0 4E", "C3 C2 F2 F0 4E"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        control.Clear();
        Make();
        ASSERT_TRUE(device->Start());
        for (const char* hex : c.before) Receive(hex);
        device->BlockWrites(false);
        Receive(c.held.front());
        ASSERT_TRUE(device->WaitBlocked());
        for (std::size_t i = 1; i < c.held.size(); ++i) Receive(c.held[i]);
        device->ReleaseWrites();
        std::size_t nAnswered = c.acks.size() - c.then.size();
        for (const char* hex : c.then) {
            ASSERT_TRUE(support::Eventually([&] { return control.Sent().size() == nAnswered; }));
            Receive(hex);
            ++nAnswered;
        }
        ASSERT_TRUE(device->WaitWritten(c.written.size()));
        ASSERT_TRUE(support::Eventually([&] { return control.Sent().size() == c.acks.size(); }));
        EXPECT_EQ(device->Written(), c.written);
        EXPECT_EQ(SentHex(), c.acks);
        device.reset();
    }
}

// A message queued after the send thread found its queue empty, but before it was marked
// asleep, wakes nobody: the thread takes it before it waits, instead of sleeping on it.
TEST_F(DeviceTest, AMessageQueuedAsTheThreadGoesToSleepIsTaken) {
    Make();
    ASSERT_TRUE(device->Start());
    Receive("C3 D9 4E");
    device->OnNextOutputDone([&] { Receive("C2 C2 C9 4E"); });
    Receive("C2 C1 C8 4E");
    ASSERT_TRUE(device->WaitWritten(2));
    ASSERT_TRUE(support::Eventually([&] { return control.Sent().size() == 3; }));
    EXPECT_EQ(device->Written(), (std::vector<std::string>{"H", "I"}));
    EXPECT_EQ(SentHex(),
              (std::vector<std::string>{"C3 7C F2 F0 4E", "C3 C1 F2 F0 4E", "C3 C2 F2 F0 4E"}));
}

// A device that cannot write tells the host so, and a send the control refuses is a failure
// with the control's error; an empty text is nothing to send.
TEST_F(DeviceTest, FailuresOfWritingAndSending) {
    Make();
    ASSERT_TRUE(device->Start());
    Receive("C3 D9 4E");
    device->FailWrites(true);
    Receive("C1 C1 C8 4E");
    ASSERT_TRUE(support::Eventually([&] { return device->GetStatistics().m_dwHostMsgsSent == 2; }));
    EXPECT_EQ(SentHex().back(), "C3 7C F2 F4 4E");  // no TSN taken, status 4
    EXPECT_TRUE(device->Written().empty());

    const core::CDeviceStatistics before = device->GetStatistics();
    EXPECT_TRUE(device->SendToHost(""));
    EXPECT_EQ(device->GetStatistics().m_dwHostMsgsSent, before.m_dwHostMsgsSent);

    control.sendResult = false;
    control.code = 12;
    control.message = "Device busy";
    device->SetDeviceState(core::DEVICE_ONLINE_AVAILABLE);
    EXPECT_FALSE(device->SendToHost(std::string("C\x01") + "20\x15"));
    EXPECT_EQ(device->GetLastError(), "(12) Device busy");
    EXPECT_EQ(device->GetDeviceState(), core::DEVICE_OFFLINE);
    EXPECT_EQ(device->GetStatistics().m_dwHostMsgsSent, before.m_dwHostMsgsSent);
}

// A message the device could not write is written when the host sends it again once the
// device takes output again; a repeat after that is answered without a second write.
TEST_F(DeviceTest, MessageNotWrittenIsWrittenWhenSentAgain) {
    Make();
    ASSERT_TRUE(device->Start());
    Receive("C3 D9 4E");
    device->FailWrites(true);
    Receive("C1 C1 C8 4E");
    ASSERT_TRUE(support::Eventually([&] { return control.Sent().size() == 2; }));
    EXPECT_EQ(SentHex().back(), "C3 7C F2 F4 4E");
    device->FailWrites(false);
    for (const char* ack : {"C3 C1 F2 F0 4E", "C3 C1 F2 F1 4E"}) {
        Receive("C1 C1 C8 4E");
        ASSERT_TRUE(support::Eventually([&] { return SentHex().back() == ack; })) << ack;
    }
    EXPECT_EQ(device->Written(), std::vector<std::string>{"H"});
}

// A device kind without a host link takes every event and helper without reaching for one,
// and its threads still end with it.
TEST_F(DeviceTest, PassportReaderHasNoHostLink) {
    Make(CTestDevice::kPassportReaderType);
    ASSERT_EQ(device->GetHost(), nullptr);
    ASSERT_TRUE(device->Start());
    for (long flag : {0L, 1L}) {
        device->OnConnect(flag);
        device->OnDisconnect(flag);
        device->OnSystemAvailable(flag);
        device->OnSend(flag);
        device->OnResource(flag);
        device->OnLock(flag);
        device->OnUnLock(flag);
    }
    device->OnHostReceive();
    EXPECT_EQ(device->ReceiveFromHost(), core::IGNORE_BUFFER_FROM_HOST);
    EXPECT_FALSE(device->HostConnect());
    EXPECT_FALSE(device->HostConnectUnlessPending());
    EXPECT_TRUE(device->HostConnectRetry());
    EXPECT_TRUE(device->DoChangeChange());
    EXPECT_FALSE(device->SendToHost("text"));
    EXPECT_FALSE(device->FlushDeviceBuffer(0));
    device->ShutDown();
    EXPECT_TRUE(control.Calls().empty());
}

TEST_F(DeviceTest, InvalidStateIsKeptAndReported) {
    Make();
    device->SetDeviceState(7);
    EXPECT_EQ(static_cast<int>(device->GetDeviceState()), 7);
    EXPECT_NE(device->GetLastError().find("'Device 01', Invalid eDeviceState=7"),
              std::string::npos);
}

// The view retries a connection only once the reconnect time has passed, not at its second.
TEST_F(DeviceTest, RetryOnlyAfterTheReconnectTime) {
    support::FakeClockScope clock;
    Make();
    CHostTrevo& host = *device->GetHost();
    host.HostStartReconnect();
    const std::int64_t after = host.GetReconnectAfter();
    clock.Advance(static_cast<std::uint64_t>(after - platform::CurrentTime()) * 1000);
    EXPECT_TRUE(device->HostConnectRetry());
    EXPECT_TRUE(control.Calls().empty());
    EXPECT_EQ(host.GetConnectionRetries(), 0);
    clock.Advance(1000);
    EXPECT_TRUE(device->HostConnectRetry());
    EXPECT_EQ(control.Calls(), (std::vector<std::string>{"ConnectToHost TREVO VEKA,S1,0", "Lock"}));
    EXPECT_EQ(host.GetConnectionRetries(), 1);

    control.connectResult = false;
    control.code = 3;
    control.message = "Busy";
    host.OnConnect(0);
    clock.Advance(100 * 1000);
    EXPECT_FALSE(device->HostConnectRetry());
    EXPECT_EQ(device->GetLastError(), "(3) Busy");
}

}  // namespace
