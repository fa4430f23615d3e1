#include "platform/AsyncSocket.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "platform/EventLoop.h"
#include "platform/WinsockError.h"
#include "support/Loopback.h"

using namespace platform;
using support::kTestDeadline;
using support::LoopbackListener;
using support::LoopbackPeer;

namespace {

constexpr DWORD kDeadlineMs = static_cast<DWORD>(kTestDeadline.count());
// Long enough for a notification that should not come to show up on loopback.
constexpr DWORD kQuietMs = 50;

// Records every notification ("connect 0", "receive 0", ...) and the thread it came on.
class Recorder : public AsyncSocket {
public:
    using AsyncSocket::AsyncSocket;

    std::vector<std::string> log;
    std::vector<std::thread::id> threads;
    std::vector<std::uint8_t> received;
    bool closed = false;
    // Bytes taken by each OnReceive (0: read until would-block).
    std::size_t readSize = 0;

    std::string Last() const { return log.empty() ? std::string() : log.back(); }

protected:
    void Note(const char* what, int error) {
        log.push_back(std::string(what) + " " + std::to_string(error));
        threads.push_back(std::this_thread::get_id());
    }
    void OnConnect(int error) override { Note("connect", error); }
    void OnSend(int error) override { Note("send", error); }
    void OnAccept(int error) override { Note("accept", error); }
    void OnClose(int error) override {
        Note("close", error);
        closed = true;
    }
    void OnReceive(int error) override {
        Note("receive", error);
        std::uint8_t buffer[4096];
        const std::size_t size = readSize == 0 ? sizeof buffer : readSize;
        for (int i = 0; i < 1000; ++i) {
            const int got = Receive(std::span(buffer, size));
            if (got <= 0) break;
            received.insert(received.end(), buffer, buffer + got);
            if (readSize != 0) break;
        }
    }
};

// Sends a payload through an echo peer: every chance to send is taken until would-block,
// and the send side is shut once all of it is out.
class EchoClient : public Recorder {
public:
    using Recorder::Recorder;
    std::vector<std::uint8_t> payload;
    std::size_t sent = 0;
    int wouldBlocks = 0;

protected:
    void OnSend(int error) override {
        Recorder::OnSend(error);
        while (sent < payload.size()) {
            const int n = Send(std::span(payload).subspan(sent));
            if (n < 0) {
                if (WSAGetLastError() == WSAEWOULDBLOCK) ++wouldBlocks;
                return;
            }
            sent += static_cast<std::size_t>(n);
        }
    }
    void OnReceive(int error) override {
        Recorder::OnReceive(error);
        if (received.size() == payload.size()) {
            EXPECT_TRUE(ShutDown(ShutdownHow::Send));
        }
    }
};

std::vector<std::uint8_t> Payload(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i % 253);
    return bytes;
}

}  // namespace

TEST(AsyncSocket, EchoOverLoopbackReportsEverythingOnTheOwnerThreadInOrder) {
    EventLoop loop;
    LoopbackPeer peer(LoopbackPeer::Echo());
    EchoClient client;
    client.payload = Payload(2 * 1024 * 1024);
    ASSERT_TRUE(client.Create());
    ASSERT_TRUE(client.Handle().SetSendBufferSize(8192));
    ASSERT_FALSE(client.Connect("localhost", peer.Port()));
    ASSERT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);

    ASSERT_TRUE(loop.PumpUntil([&] { return client.closed; }, kDeadlineMs));
    EXPECT_EQ(client.received, client.payload);
    // The first OnSend follows the connect; every later one follows a refused send.
    EXPECT_EQ(std::count(client.log.begin(), client.log.end(), "send 0"), client.wouldBlocks + 1);
    ASSERT_GE(client.log.size(), 4u);
    EXPECT_EQ(client.log[0], "connect 0");
    EXPECT_EQ(client.log[1], "send 0");
    EXPECT_EQ(client.Last(), "close 0");
    for (const auto& id : client.threads) EXPECT_EQ(id, std::this_thread::get_id());
    for (std::size_t i = 2; i + 1 < client.log.size(); ++i) {
        EXPECT_TRUE(client.log[i] == "receive 0" || client.log[i] == "send 0") << client.log[i];
    }

    // Nothing more after the close has been taken and the socket closed.
    client.Close();
    const std::size_t seen = client.log.size();
    EXPECT_FALSE(loop.PumpUntil([&] { return client.log.size() != seen; }, kQuietMs));
}

TEST(AsyncSocket, CloseComesOnlyAfterTheLastByteHasBeenRead) {
    EventLoop loop;
    LoopbackListener listener;
    Recorder client;
    client.readSize = 3;  // one small read per notification
    ASSERT_TRUE(client.Create());
    ASSERT_FALSE(client.Connect(listener.Address()));
    Socket server = listener.Accept();
    const auto data = Payload(40);
    ASSERT_TRUE(server.SendAll(data));
    server.Close();

    ASSERT_TRUE(loop.PumpUntil([&] { return client.closed; }, kDeadlineMs));
    EXPECT_EQ(client.received, data);
    // connect, send, then one receive per three bytes, then the close.
    ASSERT_EQ(client.log.size(), 2u + 14u + 1u);
    for (std::size_t i = 2; i < 16; ++i) EXPECT_EQ(client.log[i], "receive 0");
    EXPECT_EQ(client.Last(), "close 0");
}

TEST(AsyncSocket, ReceiveIsNotRepeatedUntilTheOwnerReads) {
    EventLoop loop;
    LoopbackListener listener;
    class Lazy : public Recorder {
    public:
        using Recorder::Recorder;

    protected:
        void OnReceive(int error) override { Note("receive", error); }
    } client;
    ASSERT_TRUE(client.Create());
    ASSERT_FALSE(client.Connect(listener.Address()));
    Socket server = listener.Accept();
    ASSERT_TRUE(server.SendAll(Payload(10)));
    ASSERT_TRUE(loop.PumpUntil([&] { return client.Last() == "receive 0"; }, kDeadlineMs));
    ASSERT_TRUE(server.SendAll(Payload(10)));
    server.Close();
    const std::size_t seen = client.log.size();
    EXPECT_FALSE(loop.PumpUntil([&] { return client.log.size() != seen; }, kQuietMs));

    std::uint8_t buffer[64];
    ASSERT_EQ(client.Receive(std::span(buffer, 5)), 5);
    ASSERT_TRUE(loop.PumpUntil([&] { return client.log.size() != seen; }, kDeadlineMs));
    EXPECT_EQ(client.Last(), "receive 0");
}

TEST(AsyncSocket, SendIsRepeatedOnlyWhenTheSocketCanTakeDataAgainAfterWouldBlock) {
    EventLoop loop;
    LoopbackListener listener;
    EchoClient client;  // here without an echo: the far side reads only later
    client.payload = Payload(1024 * 1024);
    ASSERT_TRUE(client.Create());
    ASSERT_TRUE(client.Handle().SetSendBufferSize(8192));
    ASSERT_FALSE(client.Connect(listener.Address()));
    Socket server = listener.Accept();
    ASSERT_TRUE(server.SetReceiveBufferSize(8192));
    ASSERT_TRUE(loop.PumpUntil([&] { return client.wouldBlocks == 1; }, kDeadlineMs));
    EXPECT_EQ(client.log, (std::vector<std::string>{"connect 0", "send 0"}));
    EXPECT_FALSE(loop.PumpUntil([&] { return client.log.size() > 2; }, kQuietMs));

    std::thread reader([&] {
        std::vector<std::uint8_t> sink(64 * 1024);
        while (server.Receive(sink, 200) > 0) {
        }
    });
    EXPECT_TRUE(loop.PumpUntil([&] { return client.log.size() > 2; }, kDeadlineMs));
    EXPECT_EQ(client.Last(), "send 0");
    client.Close();
    reader.join();
}

TEST(AsyncSocket, FailuresOfConnectComeAsOnConnectWithTheirError) {
    EventLoop loop;
    SocketAddress vacant;
    {
        LoopbackListener gone;
        vacant = gone.Address();
    }
    Recorder refused;
    ASSERT_TRUE(refused.Create());
    ASSERT_FALSE(refused.Connect(vacant));
    ASSERT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    ASSERT_TRUE(loop.PumpUntil([&] { return !refused.log.empty(); }, kDeadlineMs));
    EXPECT_FALSE(loop.PumpUntil([&] { return refused.log.size() > 1; }, kQuietMs));
    EXPECT_EQ(refused.log, std::vector<std::string>{"connect 10061"});

    Recorder unknown;
    ASSERT_TRUE(unknown.Create());
    EXPECT_FALSE(unknown.Connect("no-such-host.invalid", 1));
    EXPECT_GE(WSAGetLastError(), WSAHOST_NOT_FOUND);
    EXPECT_FALSE(loop.PumpUntil([&] { return !unknown.log.empty(); }, kQuietMs));
}

TEST(AsyncSocket, ListenerAcceptsIntoASocketThatCanSendAtOnce) {
    EventLoop loop;
    class Server : public Recorder {
    public:
        using Recorder::Recorder;
        Recorder connection;

    protected:
        void OnAccept(int error) override {
            Recorder::OnAccept(error);
            SocketAddress peer;
            EXPECT_TRUE(Accept(connection, &peer));
            EXPECT_EQ(peer.ip, 0x7F000001u);
        }
    } server;
    ASSERT_TRUE(server.Create(0, FD_ALL_EVENTS, "127.0.0.1"));
    ASSERT_TRUE(server.Listen());
    SocketAddress local;
    ASSERT_TRUE(server.GetSockName(local));

    Socket client;
    ASSERT_TRUE(client.Create());
    ASSERT_TRUE(client.Connect(local, static_cast<int>(kDeadlineMs)));
    ASSERT_TRUE(loop.PumpUntil([&] { return server.connection.Last() == "send 0"; }, kDeadlineMs));
    ASSERT_TRUE(client.SendAll(Payload(7)));
    ASSERT_TRUE(
        loop.PumpUntil([&] { return server.connection.received.size() == 7; }, kDeadlineMs));
    EXPECT_EQ(server.log, std::vector<std::string>{"accept 0"});
    EXPECT_EQ(server.connection.log, (std::vector<std::string>{"send 0", "receive 0"}));
    EXPECT_FALSE(server.Accept(server.connection));
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
}

TEST(AsyncSocket, NoNotificationAfterCloseEvenFromWithinAHandler) {
    EventLoop loop;
    LoopbackListener listener;
    class Closer : public Recorder {
    public:
        using Recorder::Recorder;

    protected:
        void OnConnect(int error) override {
            Recorder::OnConnect(error);
            Close();  // the write event of the same turn is not given
        }
    } client;
    ASSERT_TRUE(client.Create());
    ASSERT_FALSE(client.Connect(listener.Address()));
    ASSERT_TRUE(loop.PumpUntil([&] { return !client.log.empty(); }, kDeadlineMs));
    EXPECT_FALSE(loop.PumpUntil([&] { return client.log.size() > 1; }, kQuietMs));
    EXPECT_EQ(client.log, std::vector<std::string>{"connect 0"});
}

TEST(AsyncSocket, CloseNoticeFromAnotherThreadReachesOnlyTheSocketItNames) {
    EventLoop loop;
    LoopbackListener listener;
    Recorder client;
    ASSERT_TRUE(client.Create());
    ASSERT_FALSE(client.Connect(listener.Address()));
    Socket server = listener.Accept();
    ASSERT_TRUE(loop.PumpUntil([&] { return client.log.size() == 2; }, kDeadlineMs));

    const AsyncSocket::CloseNotice notice = client.Notice();
    std::thread([notice] { EXPECT_TRUE(AsyncSocket::PostClose(notice, 1030)); }).join();
    ASSERT_TRUE(loop.PumpUntil([&] { return client.closed; }, kDeadlineMs));
    EXPECT_EQ(client.Last(), "close 1030");
    EXPECT_EQ(client.threads.back(), std::this_thread::get_id());

    // A notice for a socket since made anew is dropped.
    ASSERT_TRUE(client.Create());
    const std::size_t seen = client.log.size();
    EXPECT_TRUE(AsyncSocket::PostClose(notice, 1030));
    EXPECT_FALSE(loop.PumpUntil([&] { return client.log.size() != seen; }, kQuietMs));
}
