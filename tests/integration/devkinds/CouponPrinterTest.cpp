// The coupon printer end to end: host messages from the test control through the device to
// the coupon printer simulator on a pseudo-terminal, the printer's replies back, the
// device's replies to the host and their resends, and the operator's answers, scripted.
// The clock is a fake one that a driver thread moves on twenty times faster than real time,
// so that the printer's 30 s and the host's 5 s to 320 s pass quickly.
#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "DeviceHarness.h"
#include "core/HostTrevoRegistry.h"
#include "core/OperatorQuestion.h"
#include "devices/DevicePrinterMitosaSCN.h"
#include "devices/LocalLinkSocket.h"
#include "locallinkpeer/LocalLinkPeer.h"
#include "platform/PortMap.h"
#include "printersim/CouponPrinter.h"
#include "res/VekaStringTable.h"
#include "support/FakeClockScope.h"
#include "support/Hex.h"

namespace devkinds {
namespace {

using printersim::CouponEvent;
using printersim::CouponPrinter;

// ASCII to EBCDIC for the characters these messages use, and back.
std::uint8_t ToEbcdic(char c) {
    if (c >= 'A' && c <= 'I') return static_cast<std::uint8_t>(0xC1 + (c - 'A'));
    if (c >= 'J' && c <= 'R') return static_cast<std::uint8_t>(0xD1 + (c - 'J'));
    if (c >= 'S' && c <= 'Z') return static_cast<std::uint8_t>(0xE2 + (c - 'S'));
    if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(0xF0 + (c - '0'));
    switch (c) {
        case ':':
            return 0x7A;
        case '*':
            return 0x5C;
        case '@':
            return 0x7C;
        default:
            return 0x40;
    }
}

// The host's end of message shows as '|', a byte not in the table as '?'.
std::string ToAscii(const std::string& ebcdic) {
    std::string out;
    for (char e : ebcdic) {
        char found = static_cast<std::uint8_t>(e) == 0x4E ? '|' : '?';
        for (int c = 0x20; c < 0x7F; ++c) {
            if (ToEbcdic(static_cast<char>(c)) == static_cast<std::uint8_t>(e) &&
                (c != ' ' || static_cast<std::uint8_t>(e) == 0x40)) {
                found = static_cast<char>(c);
                break;
            }
        }
        out += found;
    }
    return out;
}

// A protected message with C1 'B' and the TSN letter, text in EBCDIC, EOM.
std::string BMessage(char tsn, const std::string& text) {
    std::string m{static_cast<char>(ToEbcdic('B')), static_cast<char>(ToEbcdic(tsn))};
    for (char c : text) m += static_cast<char>(ToEbcdic(c));
    return m + "\x4E";
}

// Moves the fake clock on while it lives.
class ClockDriver {
public:
    explicit ClockDriver(support::FakeClockScope& clock)
        : m_thread([this, &clock] {
              while (!m_stop) {
                  clock.Advance(20);
                  std::this_thread::sleep_for(std::chrono::milliseconds(1));
              }
          }) {}
    ~ClockDriver() {
        m_stop = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

class CouponPrinterTest : public DeviceEndToEnd {
protected:
    void SetUp() override {
        DeviceEndToEnd::SetUp();
        res::RegisterVekaStrings();
        ASSERT_TRUE(sim.Start());
        platform::SetPortPath("COM6", sim.LinePath());
        core::SetOperatorSink(
            [this](const std::string& text, const std::string&, std::uint32_t style) {
                std::lock_guard lock(m_cs);
                questions.push_back(text);
                styles.push_back(style);
                if (answers.empty()) return core::IDCANCEL;
                const int a = answers.front();
                answers.pop_front();
                return a;
            });
        const std::string key = DeviceKey();
        PutString(key, "Device Type", devices::CDevicePrinterMitosaSCN::kType);
        PutString(key, "Device Name", "Coupons");
        PutString(key, "Port", "COM6");
        PutDword(key, "Baud Rate", 9600);
        PutDword(key, "Data Bits", 8);
        PutString(key, "Emulation", "");
        PutString(key, "Flow Control", "None");
        PutString(key, "Parity", "None");
        PutString(key, "Stop Bits", "1");
        PutDword(key, "Answer Back", 0);
        PutDword(key, "Insert Line Feed", 0);
        PutString(key, "Terminator Data", "");
        PutString(key, "Host", "HOST");
        PutString(key, "Device Session", "S1");
    }
    void TearDown() override {
        if (device) device->ShutDown();
        device.reset();
        driver.reset();
        core::SetOperatorSink({});
        sim.Stop();
        platform::ClearPortPaths();
        DeviceEndToEnd::TearDown();
    }
    // Makes the device and resets it: the port opens and the printer is asked its status.
    void Make() {
        device = std::make_unique<devices::CDevicePrinterMitosaSCN>("Device 01");
        Attach(*device);
    }
    // Each coupon frame takes the next scripted reply: "G" the default good one, "G:n" a
    // good one with the number n, "" silence, anything else as it stands.
    void Script(std::vector<std::string> replies) {
        auto left = std::make_shared<std::deque<std::string>>(replies.begin(), replies.end());
        sim.SetAnswerer([this, left](const CouponEvent& e) -> std::vector<std::uint8_t> {
            if (e.text.compare(0, 2, "TK") != 0 || left->empty()) return sim.DefaultAnswer(e);
            const std::string r = left->front();
            left->pop_front();
            if (r.empty()) return {};
            if (r == "G") return sim.DefaultAnswer(e);
            if (r.compare(0, 2, "G:") == 0)
                return printersim::EncodeCouponReply("0OK0000SR1TKT1SC" + r.substr(2));
            return printersim::EncodeCouponReply(r);
        });
    }
    // The host messages in ASCII, from index `from` on.
    std::vector<std::string> SentAscii(std::size_t from = 0) {
        std::vector<std::string> out;
        const auto sent = host->Sent();
        for (std::size_t i = from; i < sent.size(); ++i) out.push_back(ToAscii(sent[i]));
        return out;
    }
    // Waits until the host got a message that starts with prefix; its index.
    std::size_t WaitFor(const std::string& prefix, std::size_t from = 0) {
        std::size_t found = SIZE_MAX;
        EXPECT_TRUE(PumpUntil([&] {
            const auto sent = SentAscii();
            for (std::size_t i = from; i < sent.size(); ++i) {
                if (sent[i].compare(0, prefix.size(), prefix) == 0) {
                    found = i;
                    return true;
                }
            }
            return false;
        })) << "no "
            << prefix;
        return found;
    }
    std::vector<std::string> Questions() {
        std::lock_guard lock(m_cs);
        return questions;
    }

    support::FakeClockScope clock;
    std::unique_ptr<ClockDriver> driver = std::make_unique<ClockDriver>(clock);
    CouponPrinter sim;
    std::unique_ptr<devices::CDevicePrinterMitosaSCN> device;
    std::mutex m_cs;
    std::deque<int> answers;
    std::vector<std::string> questions;
    std::vector<std::uint32_t> styles;
};

TEST_F(CouponPrinterTest, AResetOpensThePortAndAsksTheStatus) {
    Make();
    EXPECT_EQ(host->Sent().at(0), Hex("C3 7C F2 F0 4E"));
    // The reply was answered with one ACK (written before the host heard of it, but the
    // printer may not have read it yet); a read that starts with SI is not.
    ASSERT_TRUE(sim.WaitAcks(1, std::chrono::seconds(10)));
    const auto events = sim.Events();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[0].kind, CouponEvent::Initialisation);
    EXPECT_EQ(events[1].text, "PS");
    EXPECT_TRUE(events[1].checkOk);
    ASSERT_TRUE(sim.Send(std::vector<std::uint8_t>{0x0F}));
    // Two replies in one write: one ACK for the read, both handled.
    sim.SetAnswerer([](const CouponEvent& e) {
        auto both = printersim::EncodeCouponReply("0OK" + e.text + "READY");
        const auto second = printersim::EncodeCouponReply("0OK" + e.text + "AGAIN");
        both.insert(both.end(), second.begin(), second.end());
        return both;
    });
    Deliver(BMessage('A', "PC"));
    const std::size_t first = WaitFor("W*DBAW*PEMPCREADY");
    EXPECT_EQ(SentAscii().at(first - 1), "C@20|");  // no acknowledgement before the reply
    ASSERT_TRUE(sim.WaitAcks(2, std::chrono::seconds(10)));
    EXPECT_EQ(sim.Acks(), 2u);
}

TEST_F(CouponPrinterTest, TheStockReplyIsSentAgainUntilTheHostConfirmsIt) {
    Make();
    const std::size_t before = host->Sent().size();
    Deliver(BMessage('A', "R1"));
    const auto sent = WaitSent(before + 2);
    EXPECT_EQ(sent[before], Hex("C3 C1 F2 F0 4E"));
    EXPECT_EQ(sent[before + 1], Hex("E6 5C C4 C2 C1 E6 5C D7 C5 D4 D9 E2 D6 D2 F7 D8 E2 C3 F9 F5 "
                                    "F4 F5 F0 F0 F0 F3 F1 F4 F7 F1 F2 4E"));
    WaitFor("W*DBBW*PEMRSOK7QSC9545000314712", before + 2);
    ASSERT_TRUE(PumpUntil([&] { return device->PendingReply().Resends() >= 3; }));
    EXPECT_EQ(device->PendingReply().Period(), 10);
    ASSERT_TRUE(PumpUntil([&] { return device->PendingReply().Resends() >= 6; }));
    EXPECT_EQ(device->PendingReply().Period(), 20);
    // The host confirms: nothing more is resent, and the period starts again.
    Deliver(std::string("\xC5\xC1\x4E", 3));
    ASSERT_TRUE(PumpUntil([&] { return device->PendingReply().Reply().empty(); }));
    EXPECT_EQ(device->PendingReply().Period(), 5);
}

struct JobCase {
    const char* name;
    std::vector<std::string> records;  // after the header
    std::vector<std::string> replies;
    std::vector<int> answers;
    std::vector<std::uint32_t> questions;  // string ids
    const char* dmessage;
    char status;  // of the acknowledgement
    bool held;    // sent only when the host confirms
};

class CouponJobTest : public CouponPrinterTest, public ::testing::WithParamInterface<JobCase> {};

TEST_P(CouponJobTest, EndsWithItsSummaryReply) {
    const JobCase& c = GetParam();
    answers.assign(c.answers.begin(), c.answers.end());
    Script(c.replies);
    Make();
    std::string text = "TK:A123B:";
    for (const std::string& r : c.records) text += r;
    const std::size_t before = host->Sent().size();
    Deliver(BMessage('A', text));
    // The job's message is acknowledged at once, holding the host's output.
    EXPECT_EQ(ToAscii(WaitSent(before + 1).at(before)), "CA25|");
    const std::size_t at = WaitFor(c.dmessage, before + 1);
    const auto sent = SentAscii();
    ASSERT_LT(at, sent.size());
    EXPECT_EQ(sent[at], std::string(c.dmessage) + "|");
    std::vector<std::string> expected;
    for (std::uint32_t id : c.questions) expected.push_back(core::LoadVekaString(id));
    EXPECT_EQ(Questions(), expected);
    const std::string ack = std::string("CA2") + c.status + "|";
    if (c.held) {
        EXPECT_EQ(device->PendingReply().HeldAck(), std::string("CA2") + c.status + "\x15");
        Deliver(std::string("\xC5\xC1\x4E", 3));
        WaitFor(ack, at + 1);
    } else {
        EXPECT_EQ(sent[at - 1], ack);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Jobs, CouponJobTest,
    ::testing::Values(
        JobCase{"AllGood",
                {"TK:1C:AA1:", "TK:1U:AA2:"},
                {"G", "G"},
                {},
                {},
                "W*DCAW*TTSPROK:102:200:300:VSR:TKT1SC9545000314712CU",
                '0',
                true},
        JobCase{"Gap",
                {"TK:1C:AA1:", "TK:1U:AA2:"},
                {"G", "G:9545000314715"},
                {},
                {},
                "W*DCAW*TTSPROK:102:200:300:VSR:TKT1SC9545000314712C:9545000314715U",
                '0',
                true},
        JobCase{
            "ThreeVoided",
            {"TK:1C:AA1:", "TK:1U:AA2:", "TK:1U:AA3:"},
            {"0ERR5000000", "G", "0ERR5000000", "G", "0ERR5000000", "G"},
            {1, 1, 1},
            {devices::IDS_RETRY_PRINTING, devices::IDS_RETRY_PRINTING, devices::IDS_RETRY_PRINTING},
            "W*DBAW*TTSPROK:106:200:300:3SR:TKT1SCV9545000314712CVUVU",
            '0',
            true},
        JobCase{"RetryThenCancel",
                {"TK:1C:AA1:", "TK:1U:AA2:"},
                {"0ERR5000000", "G", "0ERR5000000"},
                {1, 2},
                {devices::IDS_RETRY_PRINTING, devices::IDS_RETRY_PRINTING},
                "W*DBAW*TTSERR5:103:200:300:2SR:TKT1SCV9545000314712CV",
                '4',
                true},
        JobCase{"OutOfStock",
                {"TK:1C:AA1:"},
                {"0ERR500000O", "G"},
                {1},
                {devices::IDS_OUT_OF_STOCK},
                "W*DCAW*TTSPROK:101:200:300:VSR:TKT1SC9545000314712C",
                '0',
                true},
        JobCase{"NoPectab",
                {"TK:1C:AA1:"},
                {"0ERR6NOPECT"},
                {1},
                {devices::IDS_NO_PECTAB},
                "W*DBAW*TTSERR6NOPECT",
                '4',
                true},
        JobCase{"UnlistedCode", {"TK:1C:AA1:"}, {"0ERRZ000000"}, {}, {}, "0ERRZ000000", '4', true},
        JobCase{"NoReply",
                {"TK:1C:AA1:"},
                {""},
                {2},
                {devices::IDS_DEVICE_NOT_RESPONDING},
                "W*DBAW*TTSERR5",
                '4',
                false}),
    [](const ::testing::TestParamInfo<JobCase>& param) { return std::string(param.param.name); });

TEST_F(CouponPrinterTest, APectabRecordStoresItsCodeForLaterJobs) {
    Make();
    core::CHostTrevoRegistry registry;
    std::string code;
    Deliver(BMessage('A', "PT123B000000ABCD"));  // 16 bytes: nothing stored
    WaitFor("W*DBAW*PEM0PECTAB");
    EXPECT_FALSE(registry.QueryString(DeviceKey(), "Pectab Transaction B", code));
    Deliver(BMessage('B', "PT123B000000ABCDE"));
    WaitFor("W*DCAW*PEM0PECTAB");
    ASSERT_TRUE(registry.QueryString(DeviceKey(), "Pectab Transaction B", code));
    EXPECT_EQ(code, "ABCDE");
    Deliver(BMessage('C', "TK:A123B:TK:1C:AA1:"));
    WaitFor("W*DEAABCDEPROK:101:200:300:VSR:TKT1SC9545000314712C");
}

// The program in service mode: the devices' questions go to the local link program.
struct ServiceModeRoute {
    explicit ServiceModeRoute(std::vector<std::uint32_t> buttons) : peer(std::move(buttons)) {
        EXPECT_TRUE(peer.Start());
        const platform::SocketAddress address = peer.Address();
        devices::SetLocalLinkEndpoint([address] { return address; });
        devices::InstallLocalLinkRoute();
        core::SetServiceMode(1);
    }
    ~ServiceModeRoute() {
        core::SetServiceMode(0);
        core::SetLocalLinkAsker({});
        devices::SetLocalLinkEndpoint({});
    }
    locallinkpeer::LocalLinkPeer peer;
};

TEST_F(CouponPrinterTest, InServiceModeTheLocalLinkProgramsAnswerDecides) {
    ServiceModeRoute route({core::IDOK});  // the message box would have said Cancel
    Script({"", "G"});
    Make();
    Deliver(BMessage('A', "TK:A123B:TK:1C:AA1:"));
    const std::size_t at = WaitFor("W*DCAW*TTSPROK");
    EXPECT_EQ(SentAscii().at(at), "W*DCAW*TTSPROK:102:200:300:1SR:TKT1SCV9545000314712C|");
    EXPECT_TRUE(Questions().empty());
    const auto asked = route.peer.Questions();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, core::LoadVekaString(devices::IDS_DEVICE_NOT_RESPONDING));
    EXPECT_EQ(asked[0].code, core::MB_SYSTEMMODAL_OKCANCEL);
}

TEST_F(CouponPrinterTest, ShutDownEndsAQuestionThatWaitsAndJoinsEveryThread) {
    ServiceModeRoute route({});  // the operator never answers
    Script({""});
    Make();
    Deliver(BMessage('A', "TK:A123B:TK:1C:AA1:"));
    ASSERT_TRUE(PumpUntil([&] { return !route.peer.Questions().empty(); }));
    const auto start = std::chrono::steady_clock::now();
    device->ShutDown();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_FALSE(device->ReceiveFromDeviceThreadIsRunning());
    EXPECT_FALSE(device->SendToDeviceThreadIsRunning());
    device.reset();
}

}  // namespace
}  // namespace devkinds
