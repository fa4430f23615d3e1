// The printer front end through the driver object against the host simulator: the status
// request after the connect, print URLs and the move to another host with auto-bid on, the
// printer's answers reaching the application with auto-bid off, and host data for a session
// that no longer carries the printer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "HostDriverFixture.h"
#include "hostdriver/HostSession.h"
#include "hostdriver/PrinterMFE.h"

namespace quildrv {
namespace {

using support::FromHex;
using support::ToHex;

class PrinterTest : public HostDriverFixture {
protected:
    void SetUp() override {
        HostDriverFixture::SetUp();
        RegisterBuiltInFrontEnds();
    }

    Driver& NewPrinter(const std::map<std::string, std::string>& settings = {}) {
        Driver& d = NewDriver(settings);
        d.harness.SetRoute("DEVTYPE", "PRINTER");
        return d;
    }

    static CPrinterMFE* Printer(Driver& d) {
        return dynamic_cast<CPrinterMFE*>(d.driver->FrontEnd());
    }

    static bool GotPayload(const quilhost::QuilHost& h, const std::string& hex, int count = 1) {
        return h.WaitFor(
            [&](const std::vector<quilhost::HostEvent>& events) {
                int n = 0;
                for (const auto& e : events)
                    if (e.kind == quilhost::EventKind::Received && ToHex(e.record.payload) == hex)
                        ++n;
                return n >= count;
            },
            5000);
    }

    // Connects on the printer port and waits for the status request that follows the connect.
    void Connect(Driver& d) {
        ASSERT_EQ(d.driver->ConnectToHost(), COMM_WAITING);
        ASSERT_TRUE(d.harness.WaitForCallNamed("OnConnect", COMM_NO_ERROR));
        ASSERT_TRUE(GotPayload(host, "C3 6F F2 F0 4E"));
    }

    void SendUrl(int session, const std::string& url) {
        ASSERT_TRUE(
            host.SendPrintAddress(session, std::vector<std::uint8_t>(url.begin(), url.end())));
    }
};

TEST_F(PrinterTest, AskForStatusAfterTheConnectOnThePrinterPort) {
    auto& d = NewPrinter();
    Connect(d);
    EXPECT_EQ(Printer(d)->GetPort(), 30051);
    EXPECT_EQ(Printer(d)->CurrentSession()->Port(), 30051u);
    EXPECT_TRUE(Printer(d)->CurrentSession()->IsActive());
    EXPECT_EQ(d.harness.SessionValue("ACTIVEHOST"), "127.0.0.1");
    unsigned char* data = nullptr;
    unsigned int length = 0;
    EXPECT_EQ(d.driver->RecvFromHost(&data, &length), COMM_NO_RECV_DATA);
}

TEST_F(PrinterTest, WithAutoBidAReadyPrinterMovesToTheUrlHost) {
    quilhost::QuilHost second;
    ASSERT_TRUE(second.Start("127.0.0.2", 0));
    const std::string map = std::string(std::getenv("TREVO_ENDPOINT_MAP")) +
                            "127.0.0.2:30051=127.0.0.2:" + std::to_string(second.Port()) + ";";
    ::setenv("TREVO_ENDPOINT_MAP", map.c_str(), 1);

    auto& d = NewPrinter({{"AUTOBID", "1"}});
    Connect(d);
    SendUrl(1, "127.0.0.2/PRINTQ");
    SendUrl(1, "127.0.0.2/PRINTQ");
    ASSERT_TRUE(d.harness.WaitForCall([](const std::vector<support::DriverCall>& calls) {
        int n = 0;
        for (const auto& c : calls) n += c.name == "OnURLNotification";
        return n >= 2;
    }));
    EXPECT_EQ(d.harness.SessionValue("PTRURLLIST"), "127.0.0.2;");

    ASSERT_TRUE(host.SendData(1, FromHex("C3 E2 4E")));
    ASSERT_TRUE(GotPayload(host, "C3 6F F2 F5 4E"));
    ASSERT_TRUE(GotPayload(second, "C3 6F F2 F0 4E"));
    EXPECT_EQ(d.harness.SessionValue("PTRURLLIST").value_or(""), "");
    CHostSession* moved = Printer(d)->CurrentSession();
    EXPECT_EQ(moved->HostSystem(), "127.0.0.2");
    EXPECT_TRUE(moved->IsActive());
    EXPECT_FALSE(Printer(d)->PrinterReady());
    drivers.clear();
    second.Stop();
}

TEST_F(PrinterTest, WithoutAutoBidThePrintersAnswersReachTheApplication) {
    auto& d = NewPrinter({{"AUTOBID", "0"}});
    Connect(d);
    ASSERT_TRUE(host.SendData(1, FromHex("C3 E3 4E")));
    EXPECT_EQ(NextMessage(d), "1A 2B 01 C3 E3 4E");
    EXPECT_TRUE(Printer(d)->PrinterReady());

    // A URL while the printer is ready tells the application instead of moving.
    SendUrl(1, "127.0.0.2/Q");
    EXPECT_EQ(NextMessage(d), "1A 2B 01 C3 E2 4E");
    EXPECT_EQ(Printer(d)->CurrentSession()->HostSystem(), "127.0.0.1");

    ASSERT_TRUE(host.SendData(1, FromHex("D7 D9 4E")));
    EXPECT_EQ(NextMessage(d), "1A 2B 01 D7 D9 4E");
    EXPECT_FALSE(Printer(d)->PrinterReady());

    // Data for the home session once it no longer carries the printer puts the host on hold.
    Printer(d)->CurrentSession()->SetActive(false);
    ASSERT_TRUE(host.SendData(1, FromHex("D7 4E")));
    ASSERT_TRUE(GotPayload(host, "C3 6F F2 F5 4E"));
    EXPECT_EQ(NextMessage(d, 200), "");
}

TEST_F(PrinterTest, WithoutASessionChainedDataIsRefused) {
    CPrinterMFE printer;
    const auto data = FromHex("C1 4E");
    EXPECT_EQ(printer.AddBufferToChain(data.data(), 2), COMM_ERR_UNKNOWN);
    EXPECT_EQ(printer.BackGroundConnect(nullptr), COMM_ERR_BADAPIOPTION);
    EXPECT_EQ(CPrinterMFE::UrlHost(std::vector<std::uint8_t>{'/', 'h', '/', 'x'}), "/h");
    EXPECT_EQ(CPrinterMFE::UrlHost(std::vector<std::uint8_t>{'h', 'o'}), "ho");
    EXPECT_EQ(CPrinterMFE::UrlHost({}), "");
}

}  // namespace
}  // namespace quildrv
