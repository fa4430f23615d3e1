// The binary transport over a scripted socket provider: segmenting, the verdicts on
// acknowledgements, and a send whose acknowledgement never comes.
#include <gtest/gtest.h>

#include <cstdarg>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "brxapicfg/BRXConfig.h"
#include "brxbt/BRXBT.h"
#include "brxconn/CMessage.h"
#include "platform/EventLoop.h"
#include "support/FakeClockScope.h"
#include "support/Hex.h"
#include "support/TempRoot.h"

#include "brxbt/TransportLog.h"

void brxbt::TransportTrace(int, const char*, ...) {}

namespace brxbt::test {
namespace {

using support::ToHex;

TEST(SegmentClusterTest, SplitsIntoSegmentsOf1010Bytes) {
    struct Case {
        std::uint32_t length;
        std::vector<std::uint32_t> segments;
    };
    for (const Case& c : std::vector<Case>{{1010, {1010}},
                                           {1011, {1010, 1}},
                                           {2020, {1010, 1010}},
                                           {0, {}},
                                           {2025, {1010, 1010, 5}}}) {
        std::vector<std::uint8_t> data(c.length);
        for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
        const CBTSegmentCluster cluster(data.data(), c.length);
        ASSERT_EQ(cluster.SegmentCount(), c.segments.size()) << c.length;
        EXPECT_EQ(cluster.TotalLength(), c.length);
        CBTSegmentCluster received;
        for (std::size_t i = 0; i < c.segments.size(); ++i) {
            const auto s = cluster.Segment(static_cast<int>(i + 1));
            EXPECT_EQ(s.size(), c.segments[i]);
            ASSERT_TRUE(received.AddSegment(s.data(), static_cast<std::uint32_t>(s.size())));
        }
        std::vector<std::uint8_t> whole(received.TotalLength());
        ASSERT_TRUE(received.AssembleMessage(whole.data()));
        EXPECT_EQ(whole, data);
        std::uint8_t out[kMaxSegmentData];
        EXPECT_FALSE(cluster.GetSegment(0, out));
        EXPECT_FALSE(cluster.GetSegment(static_cast<int>(c.segments.size()) + 1, out));
    }
    EXPECT_FALSE(CBTHeader().IsOutboundSegment());
}

// A socket provider that records what goes out and hands out packets the test queues.
class ScriptedProvider final : public ISocketProvider {
public:
    std::vector<std::string> sent;  // hex
    std::deque<std::vector<std::uint8_t>> inbound;
    std::vector<std::uint8_t> handed;
    std::vector<std::string> options;

    BRXError Connect(const char*, const char*) override { return BRX_WAITING; }
    BRXError Disconnect() override { return BRX_NO_CONNECT; }
    BRXError Send(int length, const char* data) override {
        sent.push_back(ToHex(std::vector<std::uint8_t>(data, data + length)));
        return 0;
    }
    BRXError Send(CMessage&) override { return 0; }
    BRXError Send(std::string&) override { return 0; }
    BRXError ReceiveMsg(char** data, int* length) override {
        if (inbound.empty()) return BRX_NO_DATA;
        handed = std::move(inbound.front());
        inbound.pop_front();
        *data = reinterpret_cast<char*>(handed.data());
        *length = static_cast<int>(handed.size());
        return 0;
    }
    BRXError Receive(CMessage&) override { return BRX_NO_DATA; }
    BRXError Receive(std::string&) override { return BRX_NO_DATA; }
    BRXError SetOption(int option, const char* value) override {
        options.push_back(std::to_string(option) + "=" + value);
        return 0;
    }
    BRXError GetOption(int, char*) override { return 0; }
    BRXError GetServiceProviderOption(int, char*) override { return 0; }
    int SetServiceProviderOption(int, const char*) override { return 0; }
    int Status() override { return 2; }
    BRXError LastError() override { return 0; }
    void LastErrorMessage(std::string& text) override { text = "provider text"; }
    int ProtocolLastError() override { return 0; }
    void ProtocolLastErrorMessage(std::string& text) override { text.clear(); }
    const char* GetName() const override { return "scripted"; }
    const char* GetVersion() const override { return "1"; }
    const char* GetRevision() const override { return "1"; }
    const char* GetProtocol() const override { return "none"; }
    BRXError Lock() override { return 1008; }
    BRXError Unlock() override { return 1008; }
    BRXError ReleaseWaitingMessages() override { return 0; }
};

class Container final : public ITransportContainer {
public:
    std::vector<std::string> events;
    void OnReceive(BRXError e) override { events.push_back("receive " + std::to_string(e)); }
    void OnSend(BRXError e) override { events.push_back("send " + std::to_string(e)); }
    void OnConnect(BRXError e) override { events.push_back("connect " + std::to_string(e)); }
    void OnDisconnect(BRXError e) override { events.push_back("disconnect " + std::to_string(e)); }
    void OnLock(BRXError) override {}
    void OnResource(std::string, int) override {}
    void OnSystemAvailable(int) override {}
};

// Runs a step on the test thread's loop while the transport waits in it.
class Later final : public platform::IMessageTarget {
public:
    explicit Later(platform::EventLoop& loop) : m_loop(loop), m_target(loop.AddTarget(*this)) {}
    ~Later() override { m_loop.RemoveTarget(m_target); }
    void Post(std::function<void()> step) {
        m_steps.push_back(std::move(step));
        (void)platform::PostMessage(m_target, platform::WM_USER, 0, 0);
    }
    platform::LRESULT OnMessage(platform::UINT, platform::WPARAM, platform::LPARAM) override {
        auto step = std::move(m_steps.front());
        m_steps.pop_front();
        step();
        return 0;
    }

private:
    platform::EventLoop& m_loop;
    platform::HWND m_target;
    std::deque<std::function<void()>> m_steps;
};

class TransportTest : public ::testing::Test {
protected:
    TransportTest() : later(loop) {
        transport = std::make_unique<BRXBT>(&container, [this](ISocketOwner&) {
            auto p = std::make_unique<ScriptedProvider>();
            provider = p.get();
            return p;
        });
    }
    void ConnectBinary(unsigned long window = 1) {
        BRXConfig cfg;
        (void)cfg.SetValue(BRXConfig::kRoutesKey, "R1", "VXTWindowSize", window);
        (void)cfg.SetValue(BRXConfig::kRoutesKey, "R1", "VXTTimeOut", 12UL);
        char on[] = "TRUE";
        ASSERT_EQ(transport->SetOption(4, on), BRX_NO_CONNECT);
        ASSERT_EQ(transport->Connect("R1", "E"), BRX_WAITING);
        transport->OnConnect(0);
        ASSERT_EQ(transport->SetOption(4, on), 0);
        ASSERT_EQ(transport->State(), BTS_IDLE);
        const std::uint8_t header[2] = {'P', 'Q'};
        ASSERT_TRUE(transport->SetAppHeader(header));
    }
    void Inbound(const std::string& hex) {
        provider->inbound.push_back(support::FromHex(hex));
        transport->OnReceive(0);
    }

    support::TempRoot root;
    support::FakeClockScope clock;
    platform::EventLoop loop;
    Later later;
    Container container;
    ScriptedProvider* provider = nullptr;
    std::unique_ptr<BRXBT> transport;
};

TEST_F(TransportTest, AcknowledgementVerdicts) {
    ConnectBinary(2);
    std::vector<std::uint8_t> message(2025, 0x41);
    struct Case {
        const char* ack;
        int verdict;
    };
    const std::vector<Case> cases = {
        {"FC 50 00 02 00 03 02 51 00 00", BT_NOT_AN_ACK},        // 10 bytes
        {"FC 50 00 02 00 03 02 51 00 00 00 00", BT_NOT_AN_ACK},  // 12 bytes
        {"FE 50 00 02 00 03 02 51 00 00 00", BT_NOT_AN_ACK},     // not an acknowledgement
        {"FC 50 00 02 00 04 02 51 00 00 00", BT_NOT_CURRENT_ACK},
        {"FC 50 00 02 00 03 00 51 00 00 00", BT_NOT_CURRENT_ACK},  // window 0
        {"FC 50 00 04 00 03 02 51 00 00 00", BT_INVALID_ACK},      // beyond the message
        {"FC 50 00 00 00 03 02 51 00 00 00", BT_INVALID_ACK},      // final too early
        {"FC 50 00 02 00 03 02 51 00 00 00", BT_VALID_ACK},
    };
    later.Post([&] {
        // Waiting for the first segment's acknowledgement.
        EXPECT_EQ(transport->State(), BTS_WAIT_FOR_ACK);
        for (const Case& c : cases) {
            const auto ack = support::FromHex(c.ack);
            int verdict = 0;
            (void)transport->ValidAck(ack.data(), static_cast<int>(ack.size()), verdict);
            EXPECT_EQ(verdict, c.verdict) << c.ack;
        }
        Inbound("FC 50 00 02 00 03 02 51 00 00 00");
    });
    later.Post([&] {
        // The window of segments 2 and 3 is out; an acknowledgement of the old window is stale.
        int verdict = 0;
        const auto stale = support::FromHex("FC 50 00 02 00 03 02 51 00 00 00");
        (void)transport->ValidAck(stale.data(), 11, verdict);
        EXPECT_EQ(verdict, BT_INVALID_ACK);
        Inbound("FC 50 00 00 00 03 02 51 00 00 00");
    });
    ASSERT_EQ(transport->SendData(static_cast<int>(message.size()),
                                  reinterpret_cast<const char*>(message.data())),
              0);
    ASSERT_EQ(provider->sent.size(), 3u);
    EXPECT_EQ(provider->sent[0].substr(0, 32), "FF 50 00 01 00 03 02 51 00 00 00");
    EXPECT_EQ(provider->sent[1].substr(0, 32), "FF 50 00 02 00 03 02 51 00 00 00");
    EXPECT_EQ(provider->sent[2].substr(0, 47), "FF 50 00 03 00 03 02 51 00 00 00 41 41 41 41 41");
    EXPECT_EQ(container.events, (std::vector<std::string>{"connect 0", "send 0"}));
    EXPECT_EQ(transport->State(), BTS_IDLE);
}

TEST_F(TransportTest, SilenceEndsTheWaitAfterThreeRepeats) {
    ConnectBinary();
    // No traffic at all: each wait ends at its deadline.
    std::function<void()> tick = [&] {
        clock.Advance(12000);
        if (container.events.size() < 2) later.Post(tick);
    };
    later.Post(tick);
    char hello[] = "HELLO";
    ASSERT_EQ(transport->SendData(5, hello), 0);
    EXPECT_EQ(container.events, (std::vector<std::string>{"connect 0", "send 1001"}));
    ASSERT_EQ(provider->sent.size(), 3u);  // the first segment goes out three times in all
    for (const auto& s : provider->sent)
        EXPECT_EQ(s, "FF 50 00 01 00 01 01 51 00 00 00 48 45 4C 4C 4F");
    EXPECT_EQ(transport->State(), BTS_IDLE);
}

TEST_F(TransportTest, ModeAndHeaderRules) {
    const std::uint8_t header[2] = {1, 2};
    EXPECT_FALSE(transport->SetAppHeader(header));
    EXPECT_EQ(transport->LastError(), BT_BINARY_MODE_NOT_SET);
    ASSERT_EQ(transport->Connect("R1", "E"), BRX_WAITING);
    transport->OnConnect(0);
    char on[] = "True";
    ASSERT_EQ(transport->SetOption(4, on), 0);
    char data[] = "X";
    EXPECT_EQ(transport->SendData(1, data), BT_APP_HEADER_NOT_SET);
    char value[8] = {};
    ASSERT_EQ(transport->GetOption(4, value), 0);
    EXPECT_STREQ(value, "true");
    ASSERT_TRUE(transport->SetAppHeader(header));
    // A duplicate inbound segment is answered with the acknowledgement still expected.
    Inbound("FE 01 00 01 00 02 01 02 00 00 00 41");
    Inbound("FE 01 00 01 00 02 01 02 00 00 00 41");
    Inbound("FE 01 00 02 00 02 01 02 00 00 00 42");
    EXPECT_EQ(provider->sent, (std::vector<std::string>{"FD 01 00 02 00 02 01 02 00 00 00",
                                                        "FD 01 00 02 00 02 01 02 00 00 00",
                                                        "FD 01 00 00 00 02 01 02 00 00 00"}));
    EXPECT_EQ(container.events, (std::vector<std::string>{"connect 0", "receive 0"}));
    char* got = nullptr;
    int length = 0;
    ASSERT_EQ(transport->Receive(&got, &length), 0);
    EXPECT_EQ(std::string(got, static_cast<std::size_t>(length)), "AB");
    // Binary mode off: the termination packet, and the provider told.
    char off[] = "false";
    ASSERT_EQ(transport->SetOption(4, off), 0);
    EXPECT_EQ(provider->sent.back(), "FD 01 00 00 00 00 00 02 00 00 00");
    EXPECT_FALSE(transport->BinaryMode());
}

}  // namespace
}  // namespace brxbt::test
