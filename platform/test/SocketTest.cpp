#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <numeric>
#include <thread>
#include <vector>

#include "platform/Socket.h"
#include "platform/WinsockError.h"
#include "support/Loopback.h"

using namespace platform;
using support::ConnectedPair;
using support::kTestDeadline;
using support::LoopbackListener;

namespace {

constexpr int kDeadlineMs = static_cast<int>(kTestDeadline.count());

std::vector<std::uint8_t> Pattern(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return bytes;
}

}  // namespace

TEST(Socket, ListenerOnPortZeroReportsTheRealPortAndTheSecondOneIsRefused) {
    Listener first;
    ASSERT_TRUE(first.Listen(SocketAddress::Loopback(0)));
    EXPECT_NE(first.Port(), 0);
    EXPECT_EQ(first.Address().ip, 0x7F000001u);

    Listener second;
    EXPECT_FALSE(second.Listen(SocketAddress::Loopback(first.Port())));
    EXPECT_EQ(WSAGetLastError(), WSAEADDRINUSE);
    EXPECT_FALSE(second.IsOpen());
}

TEST(Socket, LargeTransferArrivesWholeAndInOrderThroughPartialReads) {
    auto pair = ConnectedPair();
    ASSERT_TRUE(pair.server.IsOpen());
    const auto sent = Pattern(4 * 1024 * 1024 + 17);
    bool sentAll = false;
    std::thread writer([&] {
        sentAll = pair.client.SendAll(sent, kDeadlineMs);
        EXPECT_TRUE(pair.client.Shutdown(ShutdownHow::Send));
    });
    std::vector<std::uint8_t> received(sent.size() + 1);
    const int got = pair.server.ReceiveAll(received, kDeadlineMs);
    writer.join();
    EXPECT_TRUE(sentAll);
    // The peer closed after the last byte, so the read ends short of the buffer.
    ASSERT_EQ(got, static_cast<int>(sent.size()));
    received.resize(sent.size());
    EXPECT_EQ(received, sent);
    std::uint8_t byte = 0;
    EXPECT_EQ(pair.server.Receive(std::span(&byte, 1), kDeadlineMs), 0);
}

TEST(Socket, FailuresCarryTheirSocketError) {
    // Refused: a port that was just given up.
    SocketAddress vacant;
    {
        Listener listener;
        ASSERT_TRUE(listener.Listen(SocketAddress::Loopback(0)));
        vacant = listener.Address();
    }
    Socket refused;
    ASSERT_TRUE(refused.Create());
    EXPECT_FALSE(refused.Connect(vacant, kDeadlineMs));
    EXPECT_EQ(WSAGetLastError(), WSAECONNREFUSED);

    // Unknown host names fail in resolution, before any connect.
    Socket unknown;
    ASSERT_TRUE(unknown.Create());
    EXPECT_FALSE(unknown.Connect("no-such-host.invalid", 1, kDeadlineMs));
    EXPECT_GE(WSAGetLastError(), WSAHOST_NOT_FOUND);

    // Time-outs of accept and receive.
    LoopbackListener listener;
    Socket client;
    EXPECT_FALSE(listener.Raw().Accept(client, 20));
    EXPECT_EQ(WSAGetLastError(), WSAETIMEDOUT);
    auto pair = ConnectedPair();
    std::uint8_t buffer[4];
    EXPECT_EQ(pair.client.Receive(buffer, 20), -1);
    EXPECT_EQ(WSAGetLastError(), WSAETIMEDOUT);

    // Sending after our own shutdown, and on a closed socket.
    ASSERT_TRUE(pair.client.Shutdown(ShutdownHow::Send));
    EXPECT_EQ(pair.client.Send(Pattern(3)), -1);
    EXPECT_EQ(WSAGetLastError(), WSAESHUTDOWN);
    pair.client.Close();
    EXPECT_EQ(pair.client.Send(Pattern(3)), -1);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    EXPECT_EQ(pair.client.Receive(buffer), -1);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
}

TEST(Socket, ResetByThePeerFailsReceiveAndSendWithoutKillingTheProcess) {
    auto pair = ConnectedPair();
    ASSERT_TRUE(pair.server.SetLinger(true, 0));
    pair.server.Close();  // a zero linger resets the connection
    std::uint8_t buffer[8];
    EXPECT_EQ(pair.client.Receive(buffer, kDeadlineMs), -1);
    EXPECT_EQ(WSAGetLastError(), WSAECONNRESET);
    // A second write on a reset connection raises SIGPIPE unless suppressed.
    const auto data = Pattern(16);
    int result = 0;
    for (int attempt = 0; attempt < 2 && result >= 0; ++attempt) result = pair.client.Send(data);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(WSAGetLastError(), WSAECONNRESET);
}

TEST(Socket, NonBlockingSocketRefusesWithWouldBlockInsteadOfWaiting) {
    auto pair = ConnectedPair();
    ASSERT_TRUE(pair.client.SetNonBlocking(true));
    std::uint8_t buffer[8];
    EXPECT_EQ(pair.client.Receive(buffer), -1);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);

    ASSERT_TRUE(pair.client.SetSendBufferSize(4096));
    const auto chunk = Pattern(64 * 1024);
    int result = 0;
    for (int i = 0; i < 1000 && result >= 0; ++i) result = pair.client.Send(chunk);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);

    // A non-blocking connect is under way, not failed.
    LoopbackListener listener;
    Socket connecting;
    ASSERT_TRUE(connecting.Create());
    ASSERT_TRUE(connecting.SetNonBlocking(true));
    if (!connecting.Connect(listener.Address())) {
        EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    }
    Socket accepted = listener.Accept();
    EXPECT_TRUE(accepted.IsOpen());
}

TEST(Socket, OptionsApplyToAnOpenSocketAndFailOnAClosedOne) {
    auto pair = ConnectedPair();
    Socket& s = pair.client;
    EXPECT_TRUE(s.SetNoDelay(true));
    EXPECT_TRUE(s.SetKeepAlive(true));
    EXPECT_TRUE(s.SetLinger(true, 5));
    EXPECT_TRUE(s.SetLinger(false, 0));
    EXPECT_FALSE(s.SetLinger(true, -1));
    EXPECT_EQ(WSAGetLastError(), WSAEINVAL);
    int before = 0;
    int after = 0;
    ASSERT_TRUE(s.GetReceiveBufferSize(before));
    ASSERT_TRUE(s.SetReceiveBufferSize(before * 2));
    ASSERT_TRUE(s.GetReceiveBufferSize(after));
    EXPECT_GT(after, before);
    SocketAddress local;
    SocketAddress peer;
    ASSERT_TRUE(s.LocalAddress(local));
    ASSERT_TRUE(pair.server.PeerAddress(peer));
    EXPECT_EQ(local, peer);

    ASSERT_TRUE(pair.server.SendAll(Pattern(5)));
    std::uint8_t byte;
    ASSERT_EQ(s.Receive(std::span(&byte, 1), kDeadlineMs), 1);
    int available = 0;
    ASSERT_TRUE(s.Available(available));
    EXPECT_EQ(available, 4);

    s.Close();
    EXPECT_FALSE(s.SetNoDelay(true));
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    EXPECT_FALSE(s.Available(available));
}

TEST(Socket, DescriptorReadsAndWritesEndAtTheDeadlineOrAtEndOfStream) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    std::uint8_t buffer[16];
    EXPECT_EQ(FdRead(fds[0], buffer, 20), -1);
    EXPECT_EQ(WSAGetLastError(), WSAETIMEDOUT);
    ASSERT_TRUE(FdWriteAll(fds[1], Pattern(3), kDeadlineMs));
    EXPECT_EQ(FdRead(fds[0], buffer, kDeadlineMs), 3);
    ::close(fds[1]);
    EXPECT_EQ(FdRead(fds[0], buffer, kDeadlineMs), 0);
    ::close(fds[0]);

    // Writing to a socket whose peer is gone fails instead of raising SIGPIPE.
    auto pair = ConnectedPair();
    ASSERT_TRUE(pair.server.SetLinger(true, 0));
    pair.server.Close();
    bool wrote = true;
    for (int attempt = 0; attempt < 3 && wrote; ++attempt) {
        wrote = FdWriteAll(pair.client.Fd(), Pattern(8), kDeadlineMs);
    }
    EXPECT_FALSE(wrote);
}

TEST(Socket, EchoPeerAnswersOverLoopback) {
    support::LoopbackPeer peer(support::LoopbackPeer::Echo());
    Socket client;
    ASSERT_TRUE(client.Create());
    ASSERT_TRUE(client.Connect("127.0.0.1", peer.Port(), kDeadlineMs));
    const auto data = Pattern(20000);
    ASSERT_TRUE(client.SendAll(data, kDeadlineMs));
    std::vector<std::uint8_t> back(data.size());
    ASSERT_EQ(client.ReceiveAll(back, kDeadlineMs), static_cast<int>(data.size()));
    EXPECT_EQ(back, data);
    client.Close();
    EXPECT_TRUE(peer.WaitDone());
}
