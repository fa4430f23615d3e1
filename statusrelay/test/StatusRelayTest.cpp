// The relay loaded by name, with real monitors on 127.0.0.1.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/DynamicLibrary.h"
#include "platform/EventLoop.h"
#include "relaymon/RelayMonitor.h"
#include "statusrelay/VekaUtil.h"
#include "support/FakeClockScope.h"
#include "support/Hex.h"
#include "support/Loopback.h"

namespace {

using relaymon::RelayMonitor;
using support::ToHex;

constexpr int kDeadlineMs = 5000;
constexpr platform::DWORD kSendTimeoutMs = 3000;

DEVICESTATUS Status(const char* name, const char* message = "") {
    DEVICESTATUS status{};
    std::strncpy(status.deviceName, name, sizeof status.deviceName - 1);
    std::strncpy(status.message, message, sizeof status.message - 1);
    return status;
}

std::size_t ThreadCount() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/task"))
        ++count;
    return count;
}

class UpdateCounter : public platform::IMessageTarget {
public:
    platform::LRESULT OnMessage(platform::UINT msg, platform::WPARAM wParam,
                                platform::LPARAM lParam) override {
        if (msg == platform::RegisterWindowMessage("ZUDUpdateDevices") && wParam == 0 &&
            lParam == 0)
            ++count;
        return 0;
    }
    int count = 0;
};

class StatusRelayTest : public ::testing::Test {
protected:
    void SetUp() override {
        threadsBefore = ThreadCount();
        {
            support::LoopbackListener free;  // a port nobody uses, for the relay to take
            port = free.Port();
        }
        ::setenv(kRelayAddressVariable, "127.0.0.1", 1);
        ::setenv(kRelayPortVariable, std::to_string(port).c_str(), 1);
        ASSERT_TRUE(module.Open(platform::MapLibraryName("VEKAUTIL.DLL"))) << module.error();
        const platform::SymbolBinding bindings[] = {
            platform::BindSymbol("SetCallbackInterface", setCallback),
            platform::BindSymbol("BeginListening", beginListening),
            platform::BindSymbol("SendDeviceStatus", sendStatus),
            platform::BindSymbol("SendDeviceIconStatus", sendIcon),
            platform::BindSymbol("SendEbcdicData", sendEbcdic),
            platform::BindSymbol("SendAsciiData", sendAscii),
        };
        ASSERT_TRUE(module.Bind(bindings)) << module.error();
        EXPECT_EQ(setCallback(loop.AddTarget(updates)), 1);
    }

    void TearDown() override {
        module.Close();
        ::unsetenv(kRelayAddressVariable);
        ::unsetenv(kRelayPortVariable);
    }

    void Begin() { ASSERT_EQ(beginListening(), 1); }

    // A monitor that the relay has taken in (its "ZUDUpdateDevices" has come).
    RelayMonitor& Connect(int receiveBufferBytes = 0) {
        monitors.push_back(std::make_unique<RelayMonitor>());
        RelayMonitor& monitor = *monitors.back();
        // The listener may not be up yet: a refused connect is tried again.
        EXPECT_TRUE(support::Eventually([&] {
            return monitor.Connect(platform::SocketAddress::Loopback(port), kDeadlineMs,
                                   receiveBufferBytes);
        }));
        const int expected = ++connects;
        EXPECT_TRUE(loop.PumpUntil([&] { return updates.count == expected; }, kDeadlineMs));
        return monitor;
    }

    static std::vector<std::string> Texts(RelayMonitor& monitor, std::size_t n) {
        std::vector<std::string> texts;
        while (texts.size() < n) {
            const auto packet = monitor.Next(kDeadlineMs);
            if (!packet) break;
            texts.push_back(packet->Text());
        }
        return texts;
    }

    std::size_t threadsBefore = 0;
    std::uint16_t port = 0;
    platform::EventLoop loop;
    UpdateCounter updates;
    int connects = 0;
    platform::DynamicLibrary module;
    SetCallbackInterfaceFn* setCallback = nullptr;
    BeginListeningFn* beginListening = nullptr;
    SendDeviceStatusFn* sendStatus = nullptr;
    SendDeviceIconStatusFn* sendIcon = nullptr;
    SendEbcdicDataFn* sendEbcdic = nullptr;
    SendAsciiDataFn* sendAscii = nullptr;
    std::vector<std::unique_ptr<RelayMonitor>> monitors;
};

TEST_F(StatusRelayTest, SendsStatusAndIconPacketsAsTheyStand) {
    Begin();
    RelayMonitor& monitor = Connect();

    DEVICESTATUS full = Status("PRINTER1", "READY");
    std::strcpy(full.deviceType, "ATB");
    std::strcpy(full.lniata, "ABCDEF");
    std::strcpy(full.deviceStatus, "Online");
    std::strcpy(full.connectionStatus, "Connected");
    std::strcpy(full.hostStatus, "Up");
    DEVICESTATUS unterminated{};
    std::memset(unterminated.deviceName, 'N', sizeof unterminated.deviceName);
    std::memset(unterminated.lniata, 'L', sizeof unterminated.lniata);

    EXPECT_EQ(sendStatus(DEVICESTATUS{}), 1);
    EXPECT_EQ(sendStatus(full), 1);
    EXPECT_EQ(sendStatus(unterminated), 1);
    ICONSTATUS icon{};
    icon.words[0] = 3;
    icon.words[64] = 0x11223344;
    EXPECT_EQ(sendIcon(icon), 1);
    sendEbcdic();
    sendAscii();

    auto empty = monitor.Next(kDeadlineMs);
    ASSERT_TRUE(empty.has_value()) << monitor.Error();
    EXPECT_EQ(ToHex(empty->bytes), "E9 03 55 12 00 00 00 00 00 00 00 7E 7E 7E 7E 7E 7E 00");

    const std::string fullText = "PRINTER1~ATB~ABCDEF~Online~Connected~Up~READY";
    const std::string cutText = std::string(64, 'N') + "~~" + std::string(7, 'L') + "~~~~";
    for (const std::string& text : {fullText, cutText}) {
        const auto packet = monitor.Next(kDeadlineMs);
        ASSERT_TRUE(packet.has_value()) << monitor.Error();
        EXPECT_EQ(packet->kind, 'U');
        EXPECT_EQ(packet->Text(), text);
        EXPECT_EQ(packet->totalLength, 11 + text.size() + 1);
        EXPECT_EQ(packet->bytes.size(), packet->totalLength);
    }

    const auto iconPacket = monitor.Next(kDeadlineMs);
    ASSERT_TRUE(iconPacket.has_value()) << monitor.Error();
    ASSERT_EQ(iconPacket->bytes.size(), 271u);
    EXPECT_EQ(ToHex(std::span(iconPacket->bytes).first(15)),
              "E9 03 49 0F 01 00 00 00 00 00 00 03 00 00 00");
    EXPECT_EQ(ToHex(std::span(iconPacket->bytes).last(4)), "44 33 22 11");
}

TEST_F(StatusRelayTest, RecordsReachOnlyTheMonitorsConnectedWhenTheyAreShipped) {
    // Queued before anyone listens: shipped to whoever is connected when the dispatcher
    // takes it off, perhaps nobody. The records go in order, so once the witness has "MARK",
    // "EARLY" is gone too, and monitors that connect later never see either.
    EXPECT_EQ(sendStatus(Status("EARLY")), 1);
    Begin();
    RelayMonitor& witness = Connect();
    EXPECT_EQ(sendStatus(Status("MARK")), 1);
    std::vector<std::string> seen = Texts(witness, 1);
    if (seen == std::vector<std::string>{"EARLY~~~~~~"}) seen = Texts(witness, 1);
    EXPECT_EQ(seen, std::vector<std::string>{"MARK~~~~~~"});

    RelayMonitor& first = Connect();
    EXPECT_EQ(sendStatus(Status("ONE")), 1);
    EXPECT_EQ(Texts(first, 1), std::vector<std::string>{"ONE~~~~~~"});

    RelayMonitor& later = Connect();
    EXPECT_EQ(sendStatus(Status("TWO")), 1);
    EXPECT_EQ(Texts(later, 1), std::vector<std::string>{"TWO~~~~~~"});
    EXPECT_EQ(Texts(first, 1), std::vector<std::string>{"TWO~~~~~~"});
    EXPECT_EQ(updates.count, 3);
}

TEST_F(StatusRelayTest, ResetOrChattyMonitorsDoNotCostTheOthersAPacket) {
    Begin();
    RelayMonitor& first = Connect();
    RelayMonitor& second = Connect();
    RelayMonitor& third = Connect();
    RelayMonitor& chatty = Connect();

    const std::uint8_t junk[] = {0xE9, 0x03, 'M', 0xFF, 0xFF, 0xFF, 0xFF, 'j', 'u', 'n', 'k'};
    ASSERT_TRUE(chatty.SendJunk(junk));
    second.Reset();
    const std::vector<std::string> expected = {"P1~~~~~~", "P2~~~~~~", "P3~~~~~~"};
    for (const char* name : {"P1", "P2", "P3"}) EXPECT_EQ(sendStatus(Status(name)), 1);

    EXPECT_EQ(Texts(first, 3), expected);
    EXPECT_EQ(Texts(third, 3), expected);
    EXPECT_EQ(Texts(chatty, 3), expected);
    EXPECT_FALSE(chatty.Closed());
}

TEST_F(StatusRelayTest, MonitorThatStopsReadingIsDroppedAfterTheSendTimeOut) {
    support::FakeClockScope clock;
    Begin();
    RelayMonitor& first = Connect();
    RelayMonitor& stalled = Connect(4096);
    RelayMonitor& third = Connect();

    // A few statuses at a time, read by the two monitors that read, until the one that reads
    // nothing is full: the dispatcher then waits for room on it, and only the time-out ends
    // that wait (the others never have more than a few statuses unread, so it cannot be
    // waiting on them).
    const std::string message(127, 'm');
    std::size_t sent = 0, atFirst = 0, atThird = 0;
    auto send = [&](std::size_t n) {
        for (std::size_t i = 0; i < n; ++i, ++sent)
            ASSERT_EQ(sendStatus(Status(std::to_string(sent).c_str(), message.c_str())), 1);
    };
    auto drain = [&](RelayMonitor& monitor, std::size_t& count) {
        while (const auto packet = monitor.Next(0))
            ASSERT_EQ(packet->Text(), std::to_string(count++) + "~~~~~~" + message);
    };
    auto caughtUp = [&] {
        drain(first, atFirst);
        drain(third, atThird);
        return atFirst == sent && atThird == sent;
    };
    bool waited = false;
    while (!waited && sent < 50000) {
        send(64);
        ASSERT_TRUE(support::Eventually([&] {
            waited = platform::FakeClock::TimedWaiters() > 0;
            return caughtUp() || waited;
        }));
    }
    ASSERT_TRUE(waited) << "the monitor that reads nothing never filled up";
    send(1);  // never waits for the network
    clock.Advance(kSendTimeoutMs);
    send(1);
    EXPECT_TRUE(support::Eventually(caughtUp));
    EXPECT_TRUE(stalled.WaitClosed(kDeadlineMs));
}

TEST_F(StatusRelayTest, UnloadingWithMonitorsConnectedLeavesNoThread) {
    Begin();
    RelayMonitor& first = Connect();
    RelayMonitor& second = Connect();
    for (int i = 0; i < 50; ++i) EXPECT_EQ(sendStatus(Status("BUSY")), 1);
    module.Close();
    EXPECT_EQ(ThreadCount(), threadsBefore);
    EXPECT_TRUE(first.WaitClosed(kDeadlineMs));
    EXPECT_TRUE(second.WaitClosed(kDeadlineMs));
}

}  // namespace
