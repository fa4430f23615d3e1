#include "devices/LocalLinkSocket.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/OperatorQuestion.h"
#include "linkpacket/LinkPacketHeader.h"
#include "platform/Event.h"
#include "support/Hex.h"

namespace devices {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(LocalLinkRequestTest, TheQuestionFollowsTheHeaderCutTo512BytesAndEndedByANul) {
    EXPECT_EQ(MakeLocalLinkRequest("", 0x1001),
              support::FromHex("E9 03 4D 0C 00 00 00 01 10 00 00 00"));
    const Bytes long600 = MakeLocalLinkRequest(std::string(600, 'x'), 0x1000);
    ASSERT_EQ(long600.size(), 11u + 512 + 1);
    EXPECT_EQ(Bytes(long600.begin() + 3, long600.begin() + 7), support::FromHex("0C 02 00 00"));
    EXPECT_EQ(long600.back(), 0);
    EXPECT_EQ(long600[11 + 511], 'x');
}

// A local link program on a loopback port: takes one request and answers with the bytes
// given (none: closes at once; nothing at all: keeps silent until the test ends).
class LocalLinkPeerTest : public ::testing::Test {
protected:
    void TearDown() override {
        m_done.Set();
        if (m_thread.joinable()) m_thread.join();
        SetLocalLinkEndpoint({});
    }
    void Serve(std::optional<Bytes> answer) {
        ASSERT_TRUE(m_listener.Listen(platform::SocketAddress::Loopback(0)));
        const platform::SocketAddress address = m_listener.Address();
        SetLocalLinkEndpoint([address] { return address; });
        m_thread = std::thread([this, answer] {
            platform::Socket peer;
            if (!m_listener.Accept(peer, 10000)) return;
            std::array<std::uint8_t, 11> header{};
            if (peer.ReceiveAll(header, 10000) != 11) return;
            const auto h = linkpacket::Decode(header);
            Bytes rest(h ? h->totalLength - 11 : 0);
            if (!rest.empty() && peer.ReceiveAll(rest, 10000) != static_cast<int>(rest.size()))
                return;
            m_request.assign(header.begin(), header.end());
            m_request.insert(m_request.end(), rest.begin(), rest.end());
            m_bGot = true;
            if (!answer) {
                static_cast<void>(platform::WaitForSingleObject(m_done, 20000));
                return;
            }
            static_cast<void>(peer.SendAll(*answer, 10000));
        });
    }
    static Bytes Answer(std::uint16_t magic, char kind, std::uint32_t length, std::uint32_t code) {
        linkpacket::LinkPacketHeader h{magic, static_cast<std::uint8_t>(kind), length, code};
        const auto b = linkpacket::Encode(h);
        return {b.begin(), b.end()};
    }
    int Ask(platform::Waitable* cancel = nullptr) {
        CLocalLinkSocket socket;
        return socket.SendAndWait("Retry Printing ?", 0x1001, cancel);
    }

    platform::Listener m_listener;
    std::thread m_thread;
    platform::Event m_done{platform::EventReset::Manual};
    Bytes m_request;
    std::atomic<bool> m_bGot{false};
};

TEST_F(LocalLinkPeerTest, TheAnswersCodeIsTheButton) {
    Serve(Answer(1001, 'A', 11, 1));
    EXPECT_EQ(Ask(), 1);
    m_thread.join();
    EXPECT_EQ(m_request, MakeLocalLinkRequest("Retry Printing ?", 0x1001));
}

TEST_F(LocalLinkPeerTest, AnAnswerThatDoesNotCountGivesCancel) {
    struct Case {
        Bytes answer;
        int result;
    };
    const Case cases[] = {
        {Answer(1001, 'A', 1025, 1), 2},
        {Answer(1000, 'A', 11, 1), 2},
        {Answer(1001, 'M', 11, 1), 2},
        {Answer(1001, 'A', 1024, 7), 7},
        {Bytes{0xE9, 0x03, 'A'}, -1},  // closed before 11 bytes
        {Bytes{}, -1},                 // closed at once
    };
    for (const Case& c : cases) {
        m_listener.Close();
        Serve(c.answer);
        EXPECT_EQ(Ask(), c.result) << support::ToHex(c.answer);
        m_thread.join();
    }
}

TEST_F(LocalLinkPeerTest, NoProgramListeningGivesMinusOne) {
    ASSERT_TRUE(m_listener.Listen(platform::SocketAddress::Loopback(0)));
    const platform::SocketAddress address = m_listener.Address();
    m_listener.Close();
    SetLocalLinkEndpoint([address] { return address; });
    EXPECT_EQ(Ask(), -1);
    SetLocalLinkEndpoint([] { return std::nullopt; });
    EXPECT_EQ(Ask(), -1);
}

TEST_F(LocalLinkPeerTest, AWaitForTheAnswerEndsWhenCancelled) {
    Serve(std::nullopt);
    platform::Event cancel{platform::EventReset::Manual};
    std::thread stopper([&] {
        // The question is on its way once the peer has it.
        for (int i = 0; i < 10000 && !m_bGot; ++i)
            static_cast<void>(platform::WaitForSingleObject(m_done, 1));
        cancel.Set();
    });
    EXPECT_EQ(Ask(&cancel), -1);
    stopper.join();
}

TEST_F(LocalLinkPeerTest, InServiceModeDevicesQuestionsGoThroughTheLink) {
    Serve(Answer(1001, 'A', 11, 1));
    InstallLocalLinkRoute();
    core::SetServiceMode(1);
    EXPECT_EQ(core::AskOperator("Retry Printing ?", core::MB_SYSTEMMODAL_OKCANCEL), 1);
    core::SetServiceMode(0);
    core::SetLocalLinkAsker({});
    m_thread.join();
    EXPECT_EQ(m_request, MakeLocalLinkRequest("Retry Printing ?", 0x1001));
}

}  // namespace
}  // namespace devices
