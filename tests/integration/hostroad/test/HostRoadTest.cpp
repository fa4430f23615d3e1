#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "HostRoad.h"
#include "platform/Registry.h"
#include "platform/Time.h"
#include "support/FakeClockScope.h"

namespace hostroad {
namespace {

// Connect, lock, the terminal address; then a reset answered at once, a protected message
// delivered once and acknowledged with the exact bytes after the device wrote it, and its
// repeat answered without a second delivery: taken from the control as a string and as an
// array of bytes.
TEST_F(HostRoadTest, HostMessageToTheDeviceAndItsAcknowledgementBack) {
    for (const char* prevent : {"0", "1"}) {
        SCOPED_TRACE(std::string("Prevent Unicode Conversion=") + prevent);
        support::TempRoot caseRoot;
        SetUp();
        caseRoot.WriteFile("windows/TREVO.INI",
                           std::string("[Client]\nPrevent Unicode Conversion=") + prevent + "\n");
        Make();
        ASSERT_TRUE(device->HostConnectUnlessPending());
        ASSERT_EQ(host->Connects().size(), 1u);
        EXPECT_EQ(host->Connects()[0].application, "TREVO VEKA");
        EXPECT_EQ(host->Connects()[0].session, "PRN1");
        EXPECT_FALSE(host->Connects()[0].shared);
        core::CHostTrevo& link = *device->GetHost();
        EXPECT_EQ(link.GetConnectionState(), core::CONNECTION_CONNECTING);
        EXPECT_TRUE(link.IsConnectPending());
        EXPECT_TRUE(device->HostConnectUnlessPending());  // pending: the control is not asked
        EXPECT_EQ(host->Connects().size(), 1u);

        ASSERT_TRUE(host->CompleteConnect(true));
        EXPECT_EQ(link.GetConnectionState(), core::CONNECTION_CONNECTED);
        EXPECT_FALSE(link.IsConnectPending());
        ASSERT_TRUE(host->AssignResource("0a1b2c"));
        EXPECT_EQ(link.GetLNIATA(), "0A1B2C");
        EXPECT_FALSE(host->Translating());

        ASSERT_TRUE(host->Deliver(Msg("C3 D9 4E")));
        EXPECT_EQ(SentHex(), std::vector<std::string>{"C3 7C F2 F0 4E"});

        ASSERT_TRUE(host->Deliver(Msg("C1 C1 C8 00 C9 4E")));
        ASSERT_TRUE(device->WaitWritten(1));
        ASSERT_TRUE(PumpUntilSent(2));
        EXPECT_EQ(SentHex()[1], "C3 C1 F2 F0 4E");

        ASSERT_TRUE(host->Deliver(Msg("C1 C1 C8 00 C9 4E")));
        ASSERT_EQ(SentHex().size(), 3u);
        EXPECT_EQ(SentHex()[2], "C3 C1 F2 F1 4E");
        EXPECT_EQ(device->Written(), std::vector<std::string>{"HI"});
        EXPECT_TRUE(device->MessageBufferQueue().IsEmpty());
        EXPECT_EQ(host->Waiting(), 0u);

        const core::CDeviceStatistics s = device->GetStatistics();
        EXPECT_EQ(s.m_dwHostMsgsRcvd, 3u);
        EXPECT_EQ(s.m_dwHostMsgsSent, 3u);
        EXPECT_EQ(s.m_dwDeviceMsgsSent, 1u);

        Drop();
    }
}

// A send the control refuses is a failure: the device takes the control's error and nothing
// is counted as sent.
TEST_F(HostRoadTest, RefusedSendIsReportedAsFailed) {
    Make();
    Connect();
    host->RefuseSends(12, "Send refused");
    ASSERT_TRUE(host->Deliver(Msg("C3 D9 4E")));
    EXPECT_TRUE(host->Sent().empty());
    EXPECT_EQ(device->GetLastError(), "(12) Send refused");
    EXPECT_EQ(device->GetStatistics().m_dwHostMsgsSent, 0u);

    // The acknowledgement of a delivered message, refused by a control busy with a
    // transfer of its own, is not sent either.
    host->RefuseSends(0, "");
    ASSERT_TRUE(host->Deliver(Msg("C3 D9 4E")));
    ASSERT_EQ(host->Sent().size(), 1u);
    device->SetLastError("");
    ASSERT_TRUE(host->Deliver(Msg("C1 C1 C8 4E")));
    host->SetBusy(true);
    EXPECT_TRUE(loop.PumpUntil([&] { return !device->GetLastError().empty(); }, kDeadlineMs));
    host->SetBusy(false);
    EXPECT_EQ(device->Written(), std::vector<std::string>{"H"});
    EXPECT_EQ(host->Sent().size(), 1u);
    EXPECT_EQ(device->GetLastError(), "(22) The Device Object is busy.");
    EXPECT_EQ(device->GetStatistics().m_dwHostMsgsSent, 1u);
}

// A lost connection is retried after its random delay on the fake clock, a failed attempt
// after a longer one, until the host takes it; shutdown then disconnects, and a disconnect
// asked for is not retried.
TEST_F(HostRoadTest, DisconnectAndReconnect) {
    support::FakeClockScope clock;
    Make();
    Connect();
    core::CHostTrevo& link = *device->GetHost();

    ASSERT_TRUE(host->LoseConnection(5, "Line dropped"));
    EXPECT_EQ(link.GetConnectionState(), core::CONNECTION_RECONNECTING);
    EXPECT_EQ(link.GetLastError(), "(5) Line dropped");
    std::int64_t now = platform::CurrentTime();
    std::int64_t after = link.GetReconnectAfter();
    EXPECT_GE(after, now);
    EXPECT_LT(after, now + 20);

    // The view's timer retries once the reconnect time has passed.
    clock.Advance(static_cast<std::uint64_t>(after - now) * 1000);
    EXPECT_TRUE(device->HostConnectRetry());
    EXPECT_EQ(host->Connects().size(), 1u);
    clock.Advance(1000);
    EXPECT_TRUE(device->HostConnectRetry());
    ASSERT_EQ(host->Connects().size(), 2u);
    EXPECT_EQ(link.GetConnectionRetries(), 1);

    ASSERT_TRUE(host->CompleteConnect(false, 7));
    EXPECT_EQ(link.GetConnectionState(), core::CONNECTION_RECONNECTING);
    now = platform::CurrentTime();
    after = link.GetReconnectAfter();
    EXPECT_LT(after, now + 25);
    clock.Advance(static_cast<std::uint64_t>(after - now + 1) * 1000);
    EXPECT_TRUE(device->HostConnectRetry());
    ASSERT_EQ(host->Connects().size(), 3u);
    ASSERT_TRUE(host->CompleteConnect(true));
    ASSERT_TRUE(host->AssignResource("0a1b2c"));
    EXPECT_EQ(link.GetConnectionState(), core::CONNECTION_CONNECTED);
    EXPECT_EQ(link.GetConnectionRetries(), 0);

    device->ShutDown();
    EXPECT_EQ(host->State(), support::PrinterState::Disconnecting);
    ASSERT_TRUE(host->CompleteDisconnect());
    EXPECT_EQ(link.GetConnectionState(), core::CONNECTION_DISCONNECTED);
    EXPECT_EQ(link.GetLastError(), "");
}

// On a route with control frames, an address frame adds its host to the route's list and
// asks for a change; the link moves to that host, having first told the host it holds.
TEST_F(HostRoadTest, ChangeToAHostFromAnAddressFrame) {
    const std::string route = std::string(core::CHostTrevo::kRoutesKey) + "\\Device 01";
    platform::HKEY key = nullptr;
    ASSERT_EQ(platform::RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE, route.c_str(), 0, "", 0,
                                       platform::KEY_ALL_ACCESS, nullptr, &key, nullptr),
              platform::ERROR_SUCCESS);
    for (const auto& [name, value] :
         {std::pair<const char*, std::string>{"Service Provider", "QUIL"},
          {"Remote IP Address", "10.0.0.1"},
          {"URL Queue", "."}}) {
        ASSERT_EQ(platform::RegSetValueEx(key, name, 0, platform::REG_SZ,
                                          reinterpret_cast<const platform::BYTE*>(value.c_str()),
                                          static_cast<platform::DWORD>(value.size() + 1)),
                  platform::ERROR_SUCCESS);
    }
    platform::RegCloseKey(key);

    Make();
    Connect();
    core::CHostTrevo& link = *device->GetHost();
    EXPECT_EQ(link.GetCurrentHost(), "10.0.0.1");
    ASSERT_EQ(host->Sent().size(), 1u);  // the resource is answered with a status "?0"

    std::string frame = "HOSTB.SITE.NET";
    link.MsgTranslateAsciiToEbcdic(frame);
    ASSERT_TRUE(host->Deliver("\xFF\xFF\x04" + frame));
    EXPECT_EQ(link.GetCurrentHost(), "HOSTB");
    ASSERT_EQ(host->Sent().size(), 3u);
    std::string hold = "C?25\x15";
    link.MsgTranslateAsciiToEbcdic(hold);
    EXPECT_EQ(Hex(host->Sent()[1]), Hex(hold));
    EXPECT_EQ(Hex(host->Sent()[2]), "7C 7C C8 D6 E2 E3 C2");  // "HOSTB", no end of message
    std::string list = "x";
    link.AccessUrlQueue(list, false);
    EXPECT_EQ(list, "");
}

// Shutdown of a device whose send thread is stuck in its device ends with the thread joined:
// at once when the device's I/O watches the stop event, after the 65 s bound of the
// disconnect when it does not, and then without the disconnect.
TEST_F(HostRoadTest, ShutDownWithABlockedSendThread) {
    for (bool bDeaf : {false, true}) {
        SCOPED_TRACE(bDeaf ? "deaf" : "watching the stop event");
        support::TempRoot caseRoot;
        SetUp();
        support::FakeClockScope clock;
        Make();
        Connect();
        device->BlockWrites(bDeaf);
        ASSERT_TRUE(host->Deliver(Msg("C3 D9 4E")));
        ASSERT_TRUE(host->Deliver(Msg("C1 C1 C8 4E")));
        ASSERT_TRUE(device->WaitBlocked());

        std::thread advance;
        if (bDeaf) {
            advance = std::thread([&] {
                if (clock.WaitForTimedWaiters(1)) clock.Advance(core::CDevice::kShutDownWaitMs + 1);
            });
        }
        device->ShutDown();
        if (advance.joinable()) advance.join();
        EXPECT_EQ(host->State(),
                  bDeaf ? support::PrinterState::Idle : support::PrinterState::Disconnecting);
        EXPECT_EQ(host->Sent().size(), 1u);  // the stuck message is never acknowledged
        device->ReleaseWrites();
        Drop();
    }
}

// A message sent from a thread other than the user-interface thread is handed to it and sent
// there; one still waiting to be handed over when the device is shut down is dropped, so the
// shutdown is never stuck behind it.
TEST_F(HostRoadTest, SendsFromOtherThreadsGoThroughTheControlsThread) {
    Make();
    Connect();
    core::CHostTrevo& link = *device->GetHost();
    const std::string ack = std::string("C\x01") + "20\x15";
    const std::size_t before = host->Sent().size();
    std::atomic<int> result{-1};
    std::thread sender([&] { result = link.MsgSendToHost(ack, true) ? 1 : 0; });
    EXPECT_TRUE(PumpUntilSent(before + 1));
    sender.join();
    EXPECT_EQ(result, 1);

    result = -1;
    std::thread late([&] { result = link.MsgSendToHost(ack, true) ? 1 : 0; });
    device->ShutDown();  // the user-interface thread does not run the handed-over send
    late.join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(host->Sent().size(), before + 1);
    EXPECT_EQ(link.GetLastError(), "Unable to send to host.");
}

// A control that cannot be created leaves its code and text as the device's last error.
TEST_F(HostRoadTest, ControlThatCannotBeCreated) {
    support::TempRoot unregistered;  // a store without the control's class
    device = std::make_unique<support::CTestDevice>(
        "Device 01", "PRN1",
        std::make_unique<core::CHostTrevo>("Device 01", "HOST", false, false, "", false, false));
    slot = std::make_unique<core::CHostCtrl>();
    EXPECT_FALSE(device->CreateHostConnection(slot.get(), kControlId, 0));
    char code[32];
    std::snprintf(code, sizeof code, "(%d) ", static_cast<int>(platform::REGDB_E_CLASSNOTREG));
    EXPECT_EQ(device->GetLastError().rfind(code, 0), 0u) << device->GetLastError();
    const std::string error = device->GetLastError();
    EXPECT_FALSE(device->HostConnectUnlessPending());
    EXPECT_EQ(device->GetLastError(), error);
    EXPECT_EQ(slot->Control(), nullptr);
}

}  // namespace
}  // namespace hostroad
