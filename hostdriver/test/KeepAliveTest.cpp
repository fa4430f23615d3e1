// Keep-alives on a fake clock: the session's keep-alive after 50 s without host data, the
// restart after 20 s without an answer, the printer's status request instead of a keep-alive,
// the socket insurance probe and close, and the wait for a terminate's confirmation. The
// keep-alive thread is stopped; the test runs its passes itself at the times it chooses.
#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

#include "HostDriverFixture.h"
#include "hostdriver/HostSocket.h"
#include "hostdriver/KeepAliveTimer.h"
#include "hostdriver/PrinterMFE.h"
#include "support/FakeClockScope.h"

namespace quildrv {
namespace {

using support::ToHex;

class KeepAliveTest : public HostDriverFixture {
protected:
    void SetUp() override {
        HostDriverFixture::SetUp();
        StopKeepAliveThread();
    }

    // Moves the clock and runs the first half of a keep-alive pass.
    void PassAt(std::uint64_t advanceMs) {
        clock.Advance(advanceMs);
        RunKeepAliveHalf(true);
    }

    std::vector<quilhost::HostRecord> ReceivedOfType(std::uint8_t type) const {
        std::vector<quilhost::HostRecord> out;
        for (const auto& r : Received())
            if (r.type == type) out.push_back(r);
        return out;
    }

    support::FakeClockScope clock;
};

TEST_F(KeepAliveTest, QuietSessionsAreKeptAliveAndUnansweredKeepAlivesRestartTheTimer) {
    auto& d = NewDriver();
    ASSERT_EQ(d.driver->ConnectToHost(), COMM_NO_ERROR);
    Begin(d);
    host.SetSilent(true);
    const std::size_t before = Received().size();

    PassAt(49999);
    PassAt(1);
    ASSERT_TRUE(host.WaitForReceived(before + 1, 5000));
    const auto keepAlives = ReceivedOfType(3);
    ASSERT_EQ(keepAlives.size(), 1u);
    const auto wire = quilhost::EncodeRecord(keepAlives[0]);
    EXPECT_EQ(wire[8], 0x11);
    EXPECT_EQ(wire[10], 0x03);
    EXPECT_TRUE(quilhost::DecodeRouting(keepAlives[0]).has_value());
    EXPECT_TRUE(keepAlives[0].payload.empty());

    PassAt(19999);
    EXPECT_FALSE(d.harness.HasLogLine("No response received, resetting timer!"));
    PassAt(1);
    EXPECT_TRUE(d.harness.HasLogLine("KeepAliveThrdProc>No response received, resetting timer!"));
    PassAt(49999);  // 49,999 ms after the restart: nothing yet
    PassAt(1);
    ASSERT_TRUE(host.WaitForReceived(before + 2, 5000));
    EXPECT_EQ(ReceivedOfType(3).size(), 2u);
}

TEST_F(KeepAliveTest, AnActivePrinterSessionAsksForStatusInstead) {
    auto& d = NewDriver({{"PORT", "30051"}});
    ASSERT_EQ(d.driver->ConnectToHost(), COMM_NO_ERROR);
    Begin(d);
    CHostSession* session = d.FrontEnd()->Session();
    session->SetActive(true);
    session->SetC20Outstanding(true);
    const std::size_t before = Received().size();
    PassAt(50000);
    ASSERT_TRUE(host.WaitForReceived(before + 1, 5000));
    const auto last = Received().back();
    EXPECT_EQ(last.type, 0);
    EXPECT_EQ(ToHex(last.payload), "C3 6F F2 F0 4E");
}

TEST_F(KeepAliveTest, AnUnansweredPrinterSessionStopsOnlyWhenItsFrontEndAgrees) {
    // The printer front end lets a session go quiet only when it is a URL session (not on the
    // default host) that no longer carries the printer.
    RegisterBuiltInFrontEnds();
    struct Case {
        const char* defaultHost;
        bool staysActive;
    };
    for (const Case c : {Case{"127.0.0.1", true}, Case{"localhost", false}}) {
        host.SetSilent(false);
        auto& d = NewDriver({{"DEVTYPE", "PRINTER"}, {"DEFAULTHOST", c.defaultHost}});
        d.harness.SetSessionValue("ACTIVEHOST", "127.0.0.1");
        ASSERT_EQ(d.driver->ConnectToHost(), COMM_WAITING);
        auto* printer = dynamic_cast<CPrinterMFE*>(d.driver->FrontEnd());
        CHostSession* session = printer->CurrentSession();
        // Only the home session reports its connect; both tell their address once the begin's
        // answer has set their keep-alive timer going.
        ASSERT_TRUE(d.harness.WaitForCall([](const std::vector<support::DriverCall>& calls) {
            for (const auto& call : calls)
                if (call.name == "OnHostAddress") return true;
            return false;
        }));
        EXPECT_EQ(session->DefaultFlag(), c.staysActive ? 1 : 0);
        session->SetActive(false);
        host.SetSilent(true);
        PassAt(CKeepAliveTimer::kIntervalMs);
        ASSERT_NE(session->KeepAliveTimer(), nullptr);
        EXPECT_TRUE(session->KeepAliveTimer()->Awaiting());
        RunKeepAliveHalf(false);
        EXPECT_EQ(session->KeepAliveTimer()->Active(), c.staysActive) << c.defaultHost;
        drivers.clear();
    }
}

TEST_F(KeepAliveTest, SocketInsuranceProbesAQuietConnectionAndThenClosesIt) {
    auto& d = NewDriver();
    d.harness.SetGlobal("SVRSOCKETINSURANCE", "true");
    d.harness.SetGlobal("INSURANCEINTERVAL", "6");
    ASSERT_EQ(d.driver->ConnectToHost(), COMM_NO_ERROR);
    Begin(d);
    CHostSocket* socket = d.FrontEnd()->Session()->Socket();
    ASSERT_NE(socket, nullptr);
    EXPECT_EQ(socket->InsuranceMode(), 1);
    EXPECT_EQ(socket->InsuranceInterval(), 5);  // 6 s give 5 receive waits of 2 s, not 3
    host.SetSilent(true);
    const std::size_t before = Received().size();

    // Each check stands for one receive wait of 2 s that timed out; the clock is not moved, so
    // the socket's own receive thread never times out meanwhile.
    socket->InsuranceCheck();  // the begin's answer came since the last look
    for (int i = 0; i < 4; ++i) socket->InsuranceCheck();
    EXPECT_EQ(Received().size(), before);
    socket->InsuranceCheck();  // 10 s of silence
    ASSERT_TRUE(host.WaitForReceived(before + 1, 5000));
    EXPECT_EQ(ToHex(quilhost::EncodeRecord(Received().back())),
              "FE 01 00 00 00 00 00 14 13 30 07 00 00 00 00 00 00 00 00 00");
    socket->InsuranceCheck();
    socket->InsuranceCheck();  // 4 s more
    EXPECT_TRUE(host.WaitForClosed(1, 5000));
}

TEST_F(KeepAliveTest, AnUnconfirmedTerminateIsAnsweredAfterTenSeconds) {
    auto& d = NewDriver();
    ASSERT_EQ(d.driver->ConnectToHost(), COMM_NO_ERROR);
    Begin(d);
    host.SetSilent(true);
    auto result = std::async(std::launch::async, [&] { return d.driver->DisconnectFromHost(); });
    // The idle thread, the socket's receive thread and the terminate's wait.
    ASSERT_TRUE(clock.WaitForTimedWaiters(3));
    clock.Advance(9999);
    EXPECT_EQ(result.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    clock.Advance(1);
    EXPECT_EQ(result.get(), COMM_ERR_UNKNOWN);
    EXPECT_TRUE(d.harness.HasLogLine("Did not receive response to TERMINATE"));
}

}  // namespace
}  // namespace quildrv
