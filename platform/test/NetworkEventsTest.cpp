#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/NetworkEvents.h"
#include "platform/WinsockError.h"
#include "support/Loopback.h"

using namespace platform;
using support::ConnectedPair;
using support::kTestDeadline;
using support::LoopbackListener;
using support::LoopbackPeer;

namespace {

constexpr int kDeadlineMs = static_cast<int>(kTestDeadline.count());
// Long enough for a wrongly re-armed event to show up on loopback.
constexpr int kQuietMs = 50;

// Waits for the next events and enumerates them.
NetworkEventRecord Next(NetworkEvents& events) {
    NetworkEventRecord record;
    EXPECT_EQ(events.Wait(kDeadlineMs), NetworkEvents::WaitResult::Signaled);
    EXPECT_TRUE(events.Enumerate(record));
    return record;
}

void ExpectQuiet(NetworkEvents& events) {
    EXPECT_EQ(events.Wait(kQuietMs), NetworkEvents::WaitResult::Timeout);
}

std::vector<std::uint8_t> Bytes(std::size_t size) {
    return std::vector<std::uint8_t>(size, 0x5A);
}

}  // namespace

TEST(NetworkEvents, ConnectCompletionComesWithTheFirstWriteEventOrWithItsError) {
    LoopbackListener listener;
    SocketAddress vacant;
    {
        LoopbackListener gone;
        vacant = gone.Address();
    }
    struct Case {
        SocketAddress target;
        long events;
        int connectError;
    };
    const Case cases[] = {
        {listener.Address(), FD_CONNECT | FD_WRITE, 0},
        {vacant, FD_CONNECT, WSAECONNREFUSED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target.ToString());
        Socket socket;
        NetworkEvents events;
        ASSERT_TRUE(socket.Create());
        ASSERT_TRUE(events.Select(socket, FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE));
        ASSERT_FALSE(socket.Connect(c.target));
        ASSERT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
        const NetworkEventRecord record = Next(events);
        EXPECT_EQ(record.events, c.events);
        EXPECT_EQ(record.ErrorOf(FD_CONNECT), c.connectError);
        // Connect is reported once, and the write event is not re-armed by itself.
        ExpectQuiet(events);
        if (c.connectError == 0) {
            EXPECT_TRUE(listener.Accept().IsOpen());
        }
    }
}

TEST(NetworkEvents, ReadIsReArmedByReceiveAndCloseWaitsForTheLastByte) {
    auto pair = ConnectedPair();
    NetworkEvents events;
    ASSERT_TRUE(events.Select(pair.client, FD_READ | FD_CLOSE));
    ExpectQuiet(events);

    ASSERT_TRUE(pair.server.SendAll(Bytes(10)));
    EXPECT_EQ(Next(events).events, FD_READ);
    // More data without a receive in between arms nothing.
    ASSERT_TRUE(pair.server.SendAll(Bytes(10)));
    pair.server.Close();
    ExpectQuiet(events);

    // A partial read re-arms the read event; the close waits until the data is gone.
    std::uint8_t buffer[64];
    ASSERT_EQ(pair.client.Receive(std::span(buffer, 4)), 4);
    EXPECT_EQ(Next(events).events, FD_READ);
    ASSERT_EQ(pair.client.Receive(buffer), 16);
    const NetworkEventRecord closed = Next(events);
    EXPECT_EQ(closed.events, FD_CLOSE);
    EXPECT_EQ(closed.ErrorOf(FD_CLOSE), 0);
    ExpectQuiet(events);
}

TEST(NetworkEvents, ResetIsReportedAsCloseWithItsOwnError) {
    auto pair = ConnectedPair();
    NetworkEvents events;
    ASSERT_TRUE(events.Select(pair.client, FD_READ | FD_WRITE | FD_CLOSE));
    // Selected while connected: the socket can send at once.
    EXPECT_EQ(Next(events).events, FD_WRITE);
    ASSERT_TRUE(pair.server.SetLinger(true, 0));
    pair.server.Close();
    const NetworkEventRecord record = Next(events);
    EXPECT_TRUE(record.Has(FD_CLOSE));
    EXPECT_EQ(record.ErrorOf(FD_CLOSE), WSAECONNRESET);
    EXPECT_EQ(record.ErrorOf(FD_READ), 0);
}

TEST(NetworkEvents, WriteIsReArmedOnlyByASendRefusedAsWouldBlock) {
    auto pair = ConnectedPair();
    ASSERT_TRUE(pair.client.SetSendBufferSize(4096));
    NetworkEvents events;
    ASSERT_TRUE(events.Select(pair.client, FD_WRITE));
    EXPECT_EQ(Next(events).events, FD_WRITE);
    ASSERT_GT(pair.client.Send(Bytes(100)), 0);
    ExpectQuiet(events);  // a send that went through re-arms nothing

    const auto chunk = Bytes(64 * 1024);
    int result = 0;
    for (int i = 0; i < 1000 && result >= 0; ++i) result = pair.client.Send(chunk);
    ASSERT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);

    std::thread reader([&] {
        std::vector<std::uint8_t> sink(256 * 1024);
        while (pair.server.Receive(sink, 200) > 0) {
        }
    });
    EXPECT_EQ(Next(events).events, FD_WRITE);
    pair.client.Close();
    reader.join();
}

TEST(NetworkEvents, AcceptIsReArmedByTheNextAccept) {
    LoopbackListener listener;
    NetworkEvents events;
    ASSERT_TRUE(events.Select(listener.Raw().Raw(), FD_ACCEPT));
    Socket first;
    Socket second;
    ASSERT_TRUE(first.Create());
    ASSERT_TRUE(first.Connect(listener.Address(), kDeadlineMs));
    EXPECT_EQ(Next(events).events, FD_ACCEPT);
    ASSERT_TRUE(second.Create());
    ASSERT_TRUE(second.Connect(listener.Address(), kDeadlineMs));
    ExpectQuiet(events);

    Socket accepted;
    ASSERT_TRUE(listener.Raw().Accept(accepted));
    EXPECT_EQ(Next(events).events, FD_ACCEPT);  // the second one still waits
    ASSERT_TRUE(listener.Raw().Accept(accepted));
    ExpectQuiet(events);
}

TEST(NetworkEvents, SignalWakesTheWaiterAndEnumerateResetsIt) {
    auto pair = ConnectedPair();
    NetworkEvents events;
    ASSERT_TRUE(events.Select(pair.client, FD_READ | FD_CLOSE));
    std::thread waker([&] { events.Signal(); });
    EXPECT_EQ(events.Wait(kDeadlineMs), NetworkEvents::WaitResult::Signaled);
    waker.join();
    // Still signaled until reset.
    EXPECT_EQ(events.Wait(0), NetworkEvents::WaitResult::Signaled);
    NetworkEventRecord record;
    ASSERT_TRUE(events.Enumerate(record));
    EXPECT_EQ(record.events, 0);
    ExpectQuiet(events);

    // Closing the socket ends the selection.
    pair.client.Close();
    ExpectQuiet(events);
    EXPECT_FALSE(events.Enumerate(record));
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
}

TEST(NetworkEvents, ASocketReportsToItsLatestSelectionOnly) {
    auto pair = ConnectedPair();
    NetworkEvents latest;
    {
        NetworkEvents earlier;
        ASSERT_TRUE(earlier.Select(pair.client, FD_READ));
        ASSERT_TRUE(latest.Select(pair.client, FD_READ));
        NetworkEventRecord record;
        EXPECT_FALSE(earlier.Enumerate(record));
    }  // the earlier one going must not end the latest selection
    ASSERT_TRUE(pair.server.SendAll(Bytes(4)));
    EXPECT_EQ(Next(latest).events, FD_READ);
    std::uint8_t buffer[8];
    ASSERT_EQ(pair.client.Receive(buffer), 4);
    ASSERT_TRUE(pair.server.SendAll(Bytes(4)));
    EXPECT_EQ(Next(latest).events, FD_READ);  // re-armed through the socket's hook
}

TEST(NetworkEvents, NetworkThreadReadsWhileTheOwnerSendsAndThenCloses) {
    // The shape of a driver socket: a network thread waits, enumerates and reads; the owner's
    // thread connects, sends and finally closes and wakes it.
    LoopbackPeer peer(LoopbackPeer::Echo());
    Socket socket;
    NetworkEvents events;
    ASSERT_TRUE(socket.Create());
    ASSERT_TRUE(events.Select(socket, FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE));
    std::atomic<bool> keepGoing{true};
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::uint8_t> received;
    std::vector<long> seen;
    std::thread network([&] {
        for (int pass = 0; pass < 10000 && keepGoing.load(); ++pass) {
            if (events.Wait(2000) != NetworkEvents::WaitResult::Signaled) continue;
            if (!keepGoing.load()) break;
            NetworkEventRecord record;
            if (!events.Enumerate(record)) break;
            std::lock_guard lock(mutex);
            seen.push_back(record.events);
            if (record.Has(FD_READ)) {
                std::uint8_t buffer[512];
                const int got = socket.Receive(buffer);
                if (got > 0) received.insert(received.end(), buffer, buffer + got);
            }
            changed.notify_all();
        }
    });

    if (!socket.Connect(peer.Address())) {
        EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    }
    {
        std::unique_lock lock(mutex);
        EXPECT_TRUE(changed.wait_for(lock, kTestDeadline, [&] { return !seen.empty(); }));
    }
    const std::vector<std::uint8_t> message(3000, 0x42);
    EXPECT_TRUE(socket.SendAll(message, kDeadlineMs));
    {
        std::unique_lock lock(mutex);
        EXPECT_TRUE(changed.wait_for(lock, kTestDeadline,
                                     [&] { return received.size() == message.size(); }));
        EXPECT_EQ(seen.front(), FD_CONNECT | FD_WRITE);
    }
    keepGoing.store(false);
    ASSERT_TRUE(events.Select(socket, 0));
    events.Signal();
    network.join();
    socket.Close();
    EXPECT_EQ(received, message);
}
