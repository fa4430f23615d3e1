// The printers reached through a printer session, end to end: host messages from the test
// control through the device and the forms library to a simulated forms printer on a
// pseudo-terminal, and the printer's answers back to the host.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "DeviceHarness.h"
#include "core/OperatorQuestion.h"
#include "devices/DevicePrinterATB2KDM.h"
#include "devices/DevicePrinterKDM.h"
#include "devices/DevicePrinterTNVKDM.h"
#include "devices/LocalLinkSocket.h"
#include "devices/PrinterSessionToken.h"
#include "locallinkpeer/LocalLinkPeer.h"
#include "platform/PortMap.h"
#include "platform/Wait.h"
#include "printersim/FormPrinter.h"
#include "support/FakeClockScope.h"

namespace devkinds {
namespace {

const char* kPrintersKey = "Software\\The TREVO Group\\TREVODeviceManager\\Printers\\";

class SessionPrinterTest : public DeviceEndToEnd {
protected:
    void TearDown() override {
        atb2.reset();
        platform::ClearPortPaths();
        DeviceEndToEnd::TearDown();
    }
    // The printer comes to the device manager: its key and its line.
    void PlugIn(const char* name) {
        ASSERT_TRUE(printer.Start());
        platform::SetPortPath("COM9", printer.LinePath());
        PutString(std::string(kPrintersKey) + name, "Port", "COM9");
    }
    void Configure(const char* type) {
        const std::string key = DeviceKey();
        PutString(key, "Device Type", type);
        PutString(key, "Device Name", "Session printer");
        PutDword(key, "Insert Line Feed", 0);
        PutString(key, "Terminator Data", "");
        PutString(key, "Device Alias", "TKT");
        PutString(key, "Host", "HOST");
        PutString(key, "Device Session", "S1");
    }
    std::size_t Count(const std::string& message) {
        const auto sent = host->Sent();
        return static_cast<std::size_t>(std::count(sent.begin(), sent.end(), message));
    }
    std::string Sent(std::size_t i) { return WaitSent(i + 1).at(i); }
    // The host resets the link; the ticket printer's answer to it.
    void Reset() {
        const std::size_t before = host->Sent().size();
        Deliver(Hex("C3 D9 4E"));
        EXPECT_EQ(Sent(before), Hex("C3 5D 7C F2 F0 4E"));
    }

    explicit SessionPrinterTest(bool bTicketFrames = true) : printer(bTicketFrames) {}

    printersim::FormPrinter printer;
    std::unique_ptr<devices::CDevicePrinterATB2KDM> atb2;
};

// The session opens when the printer is there: the host is asked for a reset once per open,
// the first buffer after it is dropped, later ones are printed and answered; a quiet session
// is let go after 12 s.
TEST_F(SessionPrinterTest, TicketPrinterSessionAsksForAResetAndDropsItsFirstBuffer) {
    Configure("Printer (ATB2/KDM)");
    PlugIn("TKT");
    atb2 = std::make_unique<devices::CDevicePrinterATB2KDM>("Device 01");
    Attach(*atb2);
    const std::string resetRequest = Hex("C3 5D 7C F2 F7 4E");
    EXPECT_EQ(Count(resetRequest), 0u);  // no session before the first message

    // The first message opens the session: the host is asked for a reset, and the message
    // is dropped.
    Deliver(Hex("C1 C1 C1 C1 4E"));
    ASSERT_TRUE(PumpUntil([&] { return Count(resetRequest) == 1; }));
    EXPECT_EQ(printer.Host(), "Trevo Air");
    EXPECT_EQ(printer.CurrentDocument(), "");
    Reset();
    const std::size_t before = host->Sent().size();
    Deliver(Hex("C1 C1 C1 C1 4E"));
    EXPECT_EQ(Sent(before), Hex("C3 C1 F2 F0 4E"));
    EXPECT_EQ(printer.CurrentDocument(), Hex("02 02 02 41 41 03 03 F3"));
    EXPECT_EQ(Count(resetRequest), 1u);

    // 12 s without traffic (real time) let the session go.
    ASSERT_TRUE(PumpUntil([&] { return !printer.InSession(); }));

    // A "B" message keeps the next session 180 s, an "E" message brings it back to 12 s.
    Reset();
    Deliver(Hex("C2 C1 C1 4E"));
    ASSERT_TRUE(PumpUntil([&] { return Count(resetRequest) == 2; }));
    EXPECT_EQ(atb2->ReceiveTimeout(), devices::CDevicePrinterATB2KDM::kLongTimeoutMs);
    Deliver(Hex("C5 C1 C1 4E"));
    ASSERT_TRUE(PumpUntil(
        [&] { return atb2->ReceiveTimeout() == devices::CDevicePrinterATB2KDM::kShortTimeoutMs; }));
}

class DocumentPrinterTest : public SessionPrinterTest {
protected:
    DocumentPrinterTest() : SessionPrinterTest(false) {}
    void MakeDocument(const char* form) {
        Configure("Printer (KDM)");
        PutString(DeviceKey(), "Form", form);
        PutDword(DeviceKey(), "FFPresent", 0);
        PutDword(DeviceKey(), "FormType", 5);
        PutDword(DeviceKey(), "Insert Line Feed", 1);
        PlugIn("TKT");
        kdm = std::make_unique<devices::CDevicePrinterKDM>("Device 01");
        Attach(*kdm);
    }
    void TearDown() override {
        kdm.reset();
        SessionPrinterTest::TearDown();
    }
    // A host message: C1 C2 (hex) and ASCII text of letters, digits, blanks and carriage
    // returns (each of which reaches the printer as CR LF).
    static std::string Text(const char* c1c2, const std::string& text) {
        std::string m = Hex(c1c2);
        for (char c : text) {
            m += c == '\r' ? std::string("\x15") : HostMessage("", std::string(1, c)).substr(0, 1);
        }
        return m + "\x4E";
    }
    std::unique_ptr<devices::CDevicePrinterKDM> kdm;
};

// One message in three segments is one session: the token taken once and given back after
// the eject; the first segment is answered with a hold at once and with "0" once printed;
// white space moves from the end of a segment to the front of the next, and the last
// segment ends on its last character before the blank-continuous feeds and the eject.
TEST_F(DocumentPrinterTest, AMessageIsOneSessionAndItsWhiteSpaceMoves) {
    MakeDocument("A4 Blank Continuous");
    Deliver(Text("C1 C1", "\rLINE\r"));
    EXPECT_EQ(Sent(1), Hex("C3 7C F2 F5 4E"));
    EXPECT_EQ(Sent(2), Hex("C3 C1 F2 F0 4E"));
    EXPECT_TRUE(devices::CPrinterSessionToken::Shared().HeldBy(kdm.get()));
    Deliver(Text("C1 C2", "X"));
    EXPECT_EQ(Sent(3), Hex("C3 C2 F2 F0 4E"));
    Deliver(Text("C2 C3", "END \r"));
    EXPECT_EQ(Sent(4), Hex("C3 C3 F2 F0 4E"));
    ASSERT_TRUE(printer.WaitUntil([&] { return !printer.InSession(); }, std::chrono::seconds(10)));
    EXPECT_EQ(printer.Letters(), "SFWWWWJE");
    EXPECT_EQ(printer.Documents(),
              std::vector<std::string>{"LINE\n\rXEND\n\n\n" + std::string(1, '\0')});
    EXPECT_FALSE(devices::CPrinterSessionToken::Shared().HeldBy(kdm.get()));
}

TEST_F(DocumentPrinterTest, APrinterRefusingEveryWriteIsTriedTwelveTimes) {
    support::FakeClockScope clock;
    UseFakeClock(&clock);
    MakeDocument("A4 FF Bar");
    auto writes = [&] {
        std::size_t n = 0;
        for (const auto& r : printer.Requests()) n += r.letter == 'W';
        return n;
    };
    auto refused = std::make_shared<std::atomic<int>>(0);
    printer.SetScript([refused](const printersim::FormRequest& r) {
        if (r.letter != 'W') return std::optional<printersim::FormAnswer>();
        ++*refused;
        return std::optional<printersim::FormAnswer>(
            {printersim::FormAnswer::Kind::Refused, "", 7});
    });
    Deliver(Text("C2 C1", "PAGE"));
    EXPECT_EQ(Sent(1), Hex("C3 7C F2 F5 4E"));
    ASSERT_TRUE(PumpUntil([&] {
        if (platform::FakeClock::TimedWaiters() > 0) clock.Advance(1000);
        return host->Sent().size() >= 3;
    }));
    EXPECT_EQ(AckStatus(host->Sent().at(2)), '4');
    EXPECT_EQ(writes(), 0u);
    EXPECT_EQ(refused->load(), 12);
    EXPECT_FALSE(printer.InSession());
    EXPECT_FALSE(devices::CPrinterSessionToken::Shared().HeldBy(kdm.get()));
}

class TicketRunTest : public DocumentPrinterTest {
protected:
    void MakeTickets() {
        Configure("Printer (TNV/KDM)");
        PutString(DeviceKey(), "Form", "A4 FF Bar");
        PutDword(DeviceKey(), "FormType", 5);
        PlugIn("TKT");
        tnv = std::make_unique<devices::CDevicePrinterTNVKDM>("Device 01");
        Attach(*tnv);
        core::SetOperatorSink([this](const std::string& text, const std::string&, std::uint32_t) {
            std::lock_guard lock(m_cs);
            questions.push_back(text);
            return core::IDCANCEL;
        });
    }
    void TearDown() override {
        tnv.reset();
        core::SetOperatorSink({});
        DocumentPrinterTest::TearDown();
    }
    std::vector<std::string> Questions() {
        std::lock_guard lock(m_cs);
        return questions;
    }
    // Delivers a message and waits for the acknowledgement after its print; its status.
    char Printed(const std::string& message) {
        const std::size_t before = host->Sent().size();
        Deliver(message);
        EXPECT_TRUE(PumpUntil([&] {
            const auto sent = host->Sent();
            for (std::size_t i = before; i < sent.size(); ++i)
                if (AckStatus(sent[i]) != '5') return true;
            return false;
        }));
        const auto sent = host->Sent();
        for (std::size_t i = before; i < sent.size(); ++i)
            if (AckStatus(sent[i]) != '5') return AckStatus(sent[i]);
        return '?';
    }
    std::unique_ptr<devices::CDevicePrinterTNVKDM> tnv;
    std::mutex m_cs;
    std::vector<std::string> questions;
};

TEST(TicketNumberTest, TheNumberAdvancesWithCarry) {
    const std::pair<const char*, const char*> cases[] = {{"0000000009", "0000000010"},
                                                         {"0000000099", "0000000100"},
                                                         {"1234567890", "1234567891"},
                                                         {"9999999999", "0000000000"}};
    for (const auto& [from, to] : cases) {
        std::string n = from;
        devices::CDevicePrinterTNVKDM::NextTicketNumber(n);
        EXPECT_EQ(n, to);
    }
}

// A run of two tickets: each first segment checks the ticket in the printer, the header is
// not printed, and the run is complete after the second.
TEST_F(TicketRunTest, ARunOfTwoTicketsIsCheckedTicketByTicket) {
    printer.SetBarCodes({"TKT0000000009X", "TKT0000000010X"});
    MakeTickets();
    EXPECT_EQ(Printed(Text("C1 C1", "0000000009 02 ABCDEFONE")), '0');
    EXPECT_EQ(Printed(Text("C2 C2", "END")), '0');
    EXPECT_EQ(Printed(Text("C1 C3", "TWO")), '0');
    EXPECT_EQ(Printed(Text("C2 C4", "END")), '0');
    EXPECT_TRUE(tnv->RunComplete());
    EXPECT_EQ(tnv->TicketNumber(), "0000000011");
    EXPECT_EQ(printer.Documents(), (std::vector<std::string>{"ONEEND", "TWOEND"}));
    EXPECT_TRUE(Questions().empty());
}

TEST_F(TicketRunTest, TheFifteenthFailedStockReadEjectsAndAsks) {
    printer.SetBarCodes({"TKT0000000009X"});
    auto reads = std::make_shared<std::atomic<int>>(0);
    printer.SetScript([reads](const printersim::FormRequest& r) {
        if (r.letter != 'K') return std::optional<printersim::FormAnswer>();
        ++*reads;
        return std::optional<printersim::FormAnswer>(
            {printersim::FormAnswer::Kind::Refused, "", 5});
    });
    MakeTickets();
    EXPECT_EQ(Printed(Text("C1 C1", "0000000009 02 ABCDEFONE")), '4');
    EXPECT_EQ(reads->load(), 15);
    EXPECT_EQ(Questions(),
              std::vector<std::string>{
                  "Unable to read stock code, insert tickets and Enter 'OK' to continue"});
    EXPECT_FALSE(devices::CPrinterSessionToken::Shared().HeldBy(tnv.get()));
}

TEST_F(TicketRunTest, WrongStockAsksAndABadHeaderFailsUnasked) {
    printer.SetBarCodes({"TKT0000000009X"});
    printer.SetStockCode("07");
    MakeTickets();
    EXPECT_EQ(Printed(Text("C1 C1", "0000000009 02 ABCDEFONE")), '4');
    EXPECT_EQ(Questions(), std::vector<std::string>{"Invalid Stockcode 07 it should be 05 "});
    EXPECT_EQ(Send(Hex("C3 D9 4E")), '0');
    EXPECT_EQ(Printed(Text("C1 C1", "000000000X 02 ABCDEFONE")), '4');
    EXPECT_EQ(Questions().size(), 1u);
    for (const std::string& d : printer.Documents()) EXPECT_EQ(d, "");  // only ejects
}

// A question that waits for the operator ends as Cancel when the device shuts down: the
// shutdown does not wait for an answer that never comes, and the session is given back.
TEST_F(TicketRunTest, AWaitingQuestionEndsOnShutDown) {
    printer.SetBarCodes({"TKT0000000009X"});
    printer.SetStockCode("07");
    MakeTickets();
    std::atomic<bool> cancelled{false};
    core::SetOperatorSink([&](const std::string& text, const std::string&, std::uint32_t) {
        {
            std::lock_guard lock(m_cs);
            questions.push_back(text);
        }
        platform::Waitable* stop = core::CQuestionCancel::Current();
        if (stop == nullptr) return core::IDOK;
        cancelled = platform::WaitForSingleObject(*stop, 20000) == platform::WAIT_OBJECT_0;
        return cancelled ? core::IDCANCEL : core::IDOK;
    });
    Deliver(Text("C1 C1", "0000000009 02 ABCDEFONE"));
    ASSERT_TRUE(PumpUntil([&] { return Questions().size() == 1; }));
    const auto start = std::chrono::steady_clock::now();
    tnv->ShutDown();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(Questions(), std::vector<std::string>{"Invalid Stockcode 07 it should be 05 "});
    EXPECT_FALSE(tnv->SendToDeviceThreadIsRunning());
    EXPECT_FALSE(devices::CPrinterSessionToken::Shared().HeldBy(tnv.get()));
}

// In service mode the question goes to the local link program instead of a message box.
TEST_F(TicketRunTest, InServiceModeTheQuestionGoesToTheLocalLinkProgram) {
    locallinkpeer::LocalLinkPeer peer({core::IDCANCEL});
    ASSERT_TRUE(peer.Start());
    const platform::SocketAddress address = peer.Address();
    devices::SetLocalLinkEndpoint([address] { return address; });
    devices::InstallLocalLinkRoute();
    core::SetServiceMode(1);
    printer.SetBarCodes({"TKT0000000009X"});
    printer.SetStockCode("07");
    MakeTickets();
    const char status = Printed(Text("C1 C1", "0000000009 02 ABCDEFONE"));
    core::SetServiceMode(0);
    core::SetLocalLinkAsker({});
    devices::SetLocalLinkEndpoint({});
    EXPECT_EQ(status, '4');
    EXPECT_TRUE(Questions().empty());
    const auto asked = peer.Questions();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, "Invalid Stockcode 07 it should be 05 ");
}

}  // namespace
}  // namespace devkinds
