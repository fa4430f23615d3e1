// One ZEL connection's life end to end: the secondary gateways, texts sent before and while
// the socket is busy, short error frames, the module's own slots, and what two routes keep
// apart.
#include <condition_variable>
#include <mutex>

#include "ZelFixture.h"
#include "brxconn/CMessage.h"
#include "platform/Profile.h"
#include "platform/Socket.h"
#include "platform/SocketAddress.h"
#include "zel/ZelFrame.h"
#include "zel/ZelTranslate.h"

namespace zel::test {
namespace {

using support::FromHex;

// A gateway that answers the registration and then reads nothing until it is let go, so
// that the workstation's socket fills and its sends come back short.
class HeldGateway {
public:
    HeldGateway() {
        EXPECT_TRUE(m_listener.Listen(platform::SocketAddress::Loopback(0)));
        m_thread = std::thread([this] { Run(); });
    }
    ~HeldGateway() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_done = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    std::uint16_t Port() const { return m_listener.Port(); }
    void LetGo() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_go = true;
        }
        m_changed.notify_all();
    }
    // The data of the data frames read so far.
    std::vector<Bytes> Data() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_data;
    }

private:
    void Run() {
        platform::Socket s;
        for (int tries = 0; tries < 200 && !s.IsOpen(); ++tries) {
            if (Done()) return;
            (void)m_listener.Accept(s, 50);
        }
        CFrameReader reader;
        std::vector<std::uint8_t> buffer(65536);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        bool registered = false;
        while (!Done() && std::chrono::steady_clock::now() < deadline) {
            if (registered) {
                std::unique_lock<std::mutex> lock(m_mutex);
                if (!m_changed.wait_until(lock, deadline, [this] { return m_go || m_done; }))
                    return;
            }
            const int n = s.Receive(buffer, 20);
            if (n == 0) return;
            if (n < 0) continue;  // nothing within the tick
            if (!reader.Feed(
                    std::span<const std::uint8_t>(buffer).first(static_cast<std::size_t>(n))))
                return;
            while (auto f = reader.Next()) {
                if (f->flags & FLAG_REGISTRATION) {
                    registered =
                        s.SendAll(zelgate::GateFrameBytes(FLAG_REGISTRATION, f->word, {}), 5000);
                } else if (f->flags == 0) {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    m_data.push_back(std::move(f->data));
                }
            }
        }
    }
    bool Done() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_done;
    }

    platform::Listener m_listener;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_go = false;
    bool m_done = false;
    std::vector<Bytes> m_data;
    std::thread m_thread;
};

class ZelConnectionTest : public ZelFixture {
protected:
    void Secondaries(const std::string& route) {
        // Nothing listens on the primary.
        SetOf(route, "Server IP Address", std::string("127.0.0.5"));
        SetOf(route, "Secondary Gateways", 1UL);
        SetOf(route, "Gateway1", std::string("127.0.0.6"));
        SetOf(route, "Gateway2", std::string("127.0.0.7"));
    }
};

// After a refusal the secondary gateways are tried in their order, and every connect starts
// the list again at the first: a route that once got through on the second, and each other
// route, goes to the first when it answers.
TEST_F(ZelConnectionTest, SecondaryGatewaysInOrder) {
    Secondaries("Z1");
    ASSERT_TRUE(gate.StartAt("127.0.0.7"));
    Creator c;
    ConnectUp(c);
    EXPECT_EQ(gate.AddressOf(1), "127.0.0.7");
    EXPECT_EQ(c.Disconnect(), 0);

    ASSERT_TRUE(gate.StartAt("127.0.0.6"));
    c.events.clear();
    ConnectUp(c);
    EXPECT_EQ(gate.AddressOf(2), "127.0.0.6");

    Route("Z2", "012346");
    Secondaries("Z2");
    Creator other;
    ConnectUp(other, "Z2");
    EXPECT_EQ(gate.AddressOf(3), "127.0.0.6");
}

// A text sent while the registration is under way waits for its answer, in order.
TEST_F(ZelConnectionTest, TextsWaitForTheRegistration) {
    zelgate::GatewaySettings late;
    late.answerRegistration = false;
    gate.SetSettings(late);
    Creator c;
    ASSERT_EQ(c.Connect("Z1", "END1"), BRX_WAITING);
    ASSERT_TRUE(Until([&] { return !gate.Frames(FLAG_REGISTRATION).empty(); }));
    std::string abc = "ABC", def = "DEF";
    EXPECT_EQ(c.Send(abc), 0);
    EXPECT_EQ(c.Send(def), 0);
    // A short error frame is no answer and no refusal.
    ASSERT_TRUE(gate.SendFrame(1, FLAG_ERROR, FromHex("06")));
    ASSERT_TRUE(gate.SendFrame(1, FLAG_REGISTRATION, {}));
    ASSERT_TRUE(Until([&] { return DataTo(1).size() == 2; }));
    EXPECT_EQ(c.events, (std::vector<std::string>{"connect 0", "resource 012345 1"}));
    EXPECT_EQ(DataTo(1), (std::vector<std::string>{"C1 C2 C3 4E", "C4 C5 C6 4E"}));
}

// Error frames without their two bytes of code are dropped; the connection goes on.
TEST_F(ZelConnectionTest, ShortErrorFramesAreDropped) {
    Creator c;
    ConnectUp(c);
    ASSERT_TRUE(gate.SendFrame(1, FLAG_ERROR, {}));
    ASSERT_TRUE(gate.SendFrame(1, FLAG_ERROR, FromHex("03")));
    ASSERT_TRUE(gate.SendError(1, 262));
    ASSERT_TRUE(Until([&] { return c.events.size() >= 3; }));
    EXPECT_EQ(c.events,
              (std::vector<std::string>{"connect 0", "resource 012345 1", "available 1"}));
    EXPECT_EQ(c.Status(), 2);
}

// A send the socket takes only in part keeps the rest and finishes it when the socket can
// take more; texts sent meanwhile follow in order.
TEST_F(ZelConnectionTest, ShortSendFinishedLater) {
    HeldGateway held;
    Set("ZEL Port", held.Port());
    Set("Use Heart Beat Timer", 0);
    Creator c;
    ConnectUp(c);
    std::vector<std::string> texts;
    for (char letter = 'A'; letter <= 'Z' && c.Status() != 4; ++letter) {
        texts.emplace_back(60000, letter);
        std::string t = texts.back();
        (void)c.Send(t);
    }
    ASSERT_EQ(c.Status(), 4) << "the socket took " << texts.size() << " texts";
    for (const char* more : {"MORE", "LAST"}) {
        texts.emplace_back(more);
        std::string t = more;
        EXPECT_EQ(c.Send(t), BRX_WAITING);
    }
    held.LetGo();
    ASSERT_TRUE(Until([&] { return held.Data().size() == texts.size() && c.Has("send 0"); }));
    const auto data = held.Data();
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::vector<std::uint8_t> text(texts[i].begin(), texts[i].end());
        EXPECT_TRUE(data[i] == TranslateToEbcdic(text, false)) << i;
    }
    EXPECT_EQ(c.Status(), 2);
}

// The module's own slots: its names, no locks, and a message sent by its bytes.
TEST_F(ZelConnectionTest, ModuleSlots) {
    Creator c;
    auto conn = ModuleConnection(c);
    ASSERT_TRUE(conn);
    std::string name, version, revision, protocol;
    conn->GetName(name);
    conn->GetVersion(version);
    conn->GetRevision(revision);
    conn->GetProtocol(protocol);
    EXPECT_EQ(name, "Zel Gateway Service Provider");
    EXPECT_EQ(version, "Version 1.2");
    EXPECT_EQ(revision, "Revision 1.2");
    EXPECT_EQ(protocol, "TCP/IP");
    ConnectUp(*conn, c);
    EXPECT_EQ(conn->Lock(), BRX_NOT_IMPLEMENTED);
    EXPECT_EQ(conn->Unlock(), BRX_NOT_IMPLEMENTED);
    EXPECT_EQ(conn->ReleaseWaitingMessages(), 0);
    char value[8] = {};
    EXPECT_EQ(conn->GetServiceProviderOption(1, value), BRX_NOT_IMPLEMENTED);
    EXPECT_EQ(conn->SetServiceProviderOption(1, value), 0);
    CMessage m;
    ASSERT_EQ(m.AddData(std::string("ABC")), CMessage::MSG_OK);
    EXPECT_EQ(conn->Send(m), 0);
    ASSERT_TRUE(Until([&] { return DataTo(1).size() == 1; }));
    EXPECT_EQ(DataTo(1)[0], "C1 C2 C3 4E");
}

// Two routes at once: the printer mode one switches on, and the line width its host sets,
// stay with that route.
TEST_F(ZelConnectionTest, RoutesKeepTheirOwnState) {
    ASSERT_TRUE(platform::WritePrivateProfileString("VORS", "HostTrans", "1", "TREVO.INI"));
    ASSERT_TRUE(platform::WritePrivateProfileString("NORDIA", "CHGCHG", "..NOR", "VORS.INI"));
    Route("Z2", "012346");
    Creator a, b;
    auto connA = ModuleConnection(a);
    auto connB = ModuleConnection(b);
    ASSERT_TRUE(connA && connB);
    ConnectUp(*connA, a, "Z1");
    ConnectUp(*connB, b, "Z2");

    // The region command in the host's code switches the first route to the printer code.
    char command[] = "\x4B\x4B\xD5\xD6\xD9";
    ASSERT_EQ(connA->Send(5, command), 0);
    ASSERT_TRUE(Until([&] { return DataTo(1).size() == 1; }));
    std::string lower = "a";
    ASSERT_EQ(connA->Send(lower), 0);
    ASSERT_EQ(connB->Send(lower), 0);
    ASSERT_TRUE(Until([&] { return DataTo(1).size() == 2 && DataTo(2).size() == 1; }));
    EXPECT_EQ(DataTo(1)[1], "C1 4E");
    EXPECT_EQ(DataTo(2)[0], "5D C1 4E");

    // "9G" to the first route only: the second still breaks kind-4 lines at 64 columns.
    ASSERT_TRUE(gate.SendData(1, FromHex("F9 C7 4E")));
    std::string body = "F9 F1";
    for (int i = 0; i < 70; ++i) body += " E7";
    ASSERT_TRUE(gate.SendData(2, FromHex(body + " 4E")));
    ASSERT_TRUE(Until([&] { return a.Has("receive 0") && b.Has("receive 0"); }));
    std::string text;
    ASSERT_EQ(connB->Receive(text), 0);
    EXPECT_EQ(text.substr(66, 2), "\r\n");
}

}  // namespace
}  // namespace zel::test
