// The gateway simulator seen from a plain socket: its answers, the frames it sends on
// request, what it finds wrong in what it is sent, and gateways on several addresses.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/Socket.h"
#include "support/Hex.h"
#include "zelgate/ZelGate.h"

namespace zelgate {
namespace {

using support::FromHex;
using support::HexZeros;
using support::ToHex;

// A workstation's side of one connection.
class Station {
public:
    Station(const std::string& address, std::uint16_t port) {
        EXPECT_TRUE(m_socket.Create());
        EXPECT_TRUE(m_socket.Connect(address, port, 5000)) << address;
        (void)m_socket.SetNoDelay(true);
    }
    bool Write(const Bytes& bytes) { return m_socket.SendAll(bytes, 5000); }
    // A frame byte by byte: the gateway reads it in as many pieces as it is given.
    bool WriteBytewise(const Bytes& bytes) {
        for (const std::uint8_t b : bytes)
            if (!m_socket.SendAll(std::span<const std::uint8_t>(&b, 1), 5000)) return false;
        return true;
    }
    // The next frame the gateway sent, as hex; nothing when none came within 5 s.
    std::optional<std::string> Read() {
        Bytes head(8);
        if (m_socket.ReceiveAll(head, 5000) != 8) return std::nullopt;
        const std::size_t length = head[4] | (head[5] << 8) | (head[6] << 16);
        Bytes rest(length);
        if (length > 0x20000 || m_socket.ReceiveAll(rest, 5000) != static_cast<int>(length))
            return std::nullopt;
        head.insert(head.end(), rest.begin(), rest.end());
        return ToHex(head);
    }
    // True when the gateway has closed the connection.
    bool Closed() {
        std::uint8_t b = 0;
        return m_socket.Receive(std::span<std::uint8_t>(&b, 1), 5000) == 0;
    }

private:
    platform::Socket m_socket;
};

// The registration of terminal 012345 with the alias "AB".
Bytes Registration(std::uint32_t word = 0x45301201) {
    return GateFrameBytes(0x0001, word, FromHex("41 42"));
}

TEST(ZelGate, AnswersAndFramesOnRequest) {
    ZelGate gate;
    ASSERT_TRUE(gate.Start());
    Station s("127.0.0.1", gate.Port());
    ASSERT_TRUE(s.WriteBytewise(Registration()));
    EXPECT_EQ(s.Read(), "A5 5A A5 5A 1A 00 00 00 01 00 01 12 30 45" + HexZeros(20));
    ASSERT_TRUE(gate.WaitFor([&] { return gate.Frames().size() == 1; }));
    EXPECT_EQ(ToHex(gate.Frames(0x0001)[0].data), "41 42");

    // A data frame behind the terminal address the registration gave.
    ASSERT_TRUE(gate.SendData(1, FromHex("C1 4E")));
    EXPECT_EQ(s.Read(), "A5 5A A5 5A 1F 00 00 00 00 00" + HexZeros(24) + " 01 23 45 C1 4E");
    ASSERT_TRUE(gate.SendError(1, 262));
    EXPECT_EQ(s.Read(), "A5 5A A5 5A 1C 00 00 00 80 00" + HexZeros(24) + " 06 01");
    ASSERT_TRUE(gate.SendError(1, -1));
    EXPECT_EQ(s.Read(), "A5 5A A5 5A 1C 00 00 00 80 00" + HexZeros(24) + " FF FF");

    // Heartbeats are answered, or not.
    ASSERT_TRUE(s.Write(GateFrameBytes(0x0010, 0, {})));
    EXPECT_EQ(s.Read(), "A5 5A A5 5A 1A 00 00 00 10 00" + HexZeros(24));
    GatewaySettings silent;
    silent.answerHeartbeat = false;
    silent.echo = true;
    gate.SetSettings(silent);
    ASSERT_TRUE(s.Write(GateFrameBytes(0x0010, 0, {})));
    // An echoed text is the next frame: the heartbeat went unanswered.
    ASSERT_TRUE(s.Write(GateFrameBytes(0, 0, FromHex("C8 C9 4E"))));
    EXPECT_EQ(s.Read(), "A5 5A A5 5A 20 00 00 00 00 00" + HexZeros(24) + " 01 23 45 C8 C9 4E");
    EXPECT_TRUE(gate.Problems().empty()) << ::testing::PrintToString(gate.Problems());
    EXPECT_EQ(gate.Frames(0).size(), 1u);
}

TEST(ZelGate, RefusedRegistration) {
    ZelGate gate;
    ASSERT_TRUE(gate.Start());
    GatewaySettings refuse;
    refuse.registrationError = 257;
    gate.SetSettings(refuse);
    Station s("127.0.0.1", gate.Port());
    ASSERT_TRUE(s.Write(Registration()));
    EXPECT_EQ(s.Read(), "A5 5A A5 5A 1C 00 00 00 81 00" + HexZeros(24) + " 01 01");
}

// What a workstation must not send is noted; a frame that cannot be one ends the connection.
TEST(ZelGate, FaultsInWhatItIsSent) {
    struct Case {
        const char* name;
        Bytes bytes;
        const char* problem;
        bool closes;
    };
    Bytes nonZeroHeader = GateFrameBytes(0, 0, FromHex("C1 4E"));
    nonZeroHeader[20] = 1;
    for (const Case& k : std::vector<Case>{
             {"word without bit 0", Registration(0x45301200), "registration word without bit 0",
              false},
             {"heartbeat with data", GateFrameBytes(0x0010, 0, FromHex("00")),
              "heartbeat with data", false},
             {"bad sync", FromHex("A5 5A A5 5B 1A 00 00 00"), "malformed frame", true},
             {"length below a header", FromHex("A5 5A A5 5A 19 00 00 00"), "malformed frame", true},
             {"length above the cap", FromHex("A5 5A A5 5A 1B 00 01 00"), "malformed frame", true},
             {"header not zero", nonZeroHeader, "malformed frame", true},
         }) {
        SCOPED_TRACE(k.name);
        ZelGate gate;
        ASSERT_TRUE(gate.Start());
        Station s("127.0.0.1", gate.Port());
        ASSERT_TRUE(s.Write(k.bytes));
        ASSERT_TRUE(gate.WaitFor([&] { return !gate.Problems().empty(); }));
        EXPECT_EQ(gate.Problems(), std::vector<std::string>{k.problem});
        if (k.closes) {
            EXPECT_TRUE(s.Closed());
            EXPECT_TRUE(gate.WaitFor([&] { return gate.IsClosed(1); }));
        } else {
            EXPECT_TRUE(s.Read().has_value());  // answered all the same
        }
    }
}

// Gateways on several loopback addresses share one port; each connection knows where it came.
TEST(ZelGate, SeveralGateways) {
    ZelGate gate;
    ASSERT_TRUE(gate.Start());
    ASSERT_TRUE(gate.StartAt("127.0.0.2"));
    ASSERT_TRUE(gate.StartAt("127.0.0.3"));
    EXPECT_FALSE(gate.StartAt("10.0.0.1"));  // loopback only
    EXPECT_FALSE(gate.StartAt("not an address"));
    for (const char* address : {"127.0.0.3", "127.0.0.1", "127.0.0.2"}) {
        Station s(address, gate.Port());
        ASSERT_TRUE(s.Write(Registration()));
        EXPECT_TRUE(s.Read().has_value()) << address;
    }
    ASSERT_TRUE(gate.WaitFor([&] { return gate.Connections() == 3; }));
    EXPECT_EQ(gate.AddressOf(1), "127.0.0.3");
    EXPECT_EQ(gate.AddressOf(2), "127.0.0.1");
    EXPECT_EQ(gate.AddressOf(3), "127.0.0.2");
    EXPECT_EQ(gate.AddressOf(4), "");
}

}  // namespace
}  // namespace zelgate
