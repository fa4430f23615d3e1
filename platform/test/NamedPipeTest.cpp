#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "platform/NamedPipe.h"
#include "platform/Win32Error.h"
#include "support/TempRoot.h"

using namespace platform;

namespace {

constexpr const char* kPipe = "\\\\.\\PIPE\\Orders";

std::vector<std::uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

std::string Text(const std::vector<std::uint8_t>& v) {
    return {v.begin(), v.end()};
}

class NamedPipeTest : public support::TempRootTest {
protected:
    void SetUp() override { ASSERT_TRUE(server.Create(kPipe, 8192)); }

    // Opens a client and lets the server take it.
    void ConnectClient(NamedPipeClient& client) {
        ASSERT_TRUE(client.Open(kPipe, 5000)) << GetLastError();
        ASSERT_TRUE(server.Connect(5000)) << GetLastError();
    }

    NamedPipeServer server;
};

}  // namespace

// One server holds a name at a time; closed, it leaves nothing of the name behind and the
// name is free again.
TEST_F(NamedPipeTest, TheNameIsHeldByOneServerAndLeftClean) {
    NamedPipeServer second;
    EXPECT_FALSE(second.Create(kPipe, 8192));
    EXPECT_EQ(GetLastError(), ERROR_PIPE_BUSY);
    server.Close();
    EXPECT_TRUE(std::filesystem::is_empty(root / "run/pipe"));
    EXPECT_TRUE(second.Create(kPipe, 8192)) << GetLastError();
}

TEST_F(NamedPipeTest, EveryWriteReachesTheClientAsOneWholeMessage) {
    EXPECT_TRUE(std::filesystem::exists(root / "run/pipe/Orders"));
    NamedPipeClient client;
    ConnectClient(client);
    const std::vector<std::vector<std::uint8_t>> messages = {
        Bytes("first"),
        {},
        std::vector<std::uint8_t>(100000, 0xAB),
        Bytes(std::string("zero\0inside", 11))};
    for (const auto& m : messages) {
        DWORD written = 0;
        ASSERT_TRUE(server.Write(m, written, 5000)) << GetLastError();
        EXPECT_EQ(written, m.size());
    }
    for (const auto& m : messages) {
        std::vector<std::uint8_t> got;
        ASSERT_TRUE(client.ReadMessage(got, 5000)) << GetLastError();
        EXPECT_EQ(got, m);
    }
    EXPECT_TRUE(server.Flush(1000));  // all read: nothing to wait for
}

TEST_F(NamedPipeTest, ServerPeeksAndReadsWhatTheClientSends) {
    NamedPipeClient client;
    ConnectClient(client);
    DWORD read = 99;
    std::uint8_t buffer[9] = {};
    ASSERT_TRUE(server.Peek(buffer, read));
    EXPECT_EQ(read, 0u);  // nothing waits

    ASSERT_TRUE(client.Write(Bytes("CLOSED-NOW")));
    ASSERT_TRUE(server.WaitForInput(5000));
    ASSERT_TRUE(server.Peek(buffer, read));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), read), "CLOSED-NO");
    // A message longer than the buffer: its first bytes, and the rest is dropped.
    EXPECT_FALSE(server.Read(buffer, read, 1000));
    EXPECT_EQ(GetLastError(), ERROR_MORE_DATA);
    EXPECT_EQ(read, 9u);

    ASSERT_TRUE(client.Write(Bytes(std::string("close\0", 6))));
    ASSERT_TRUE(server.Read(buffer, read, 5000));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), read), std::string("close\0", 6));
    EXPECT_FALSE(server.Read(buffer, read, 20));
    EXPECT_EQ(GetLastError(), ERROR_TIMEOUT);
}

TEST_F(NamedPipeTest, OneClientAtATimeAndTheNextAfterADisconnect) {
    NamedPipeClient absent;
    EXPECT_FALSE(absent.Open("\\\\.\\PIPE\\Nobody"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    NamedPipeServer second;
    EXPECT_FALSE(second.Create(kPipe, 8192));
    EXPECT_EQ(GetLastError(), ERROR_PIPE_BUSY);

    DWORD written = 0;
    EXPECT_FALSE(server.Write(Bytes("early"), written, 100));
    EXPECT_EQ(GetLastError(), ERROR_PIPE_LISTENING);

    NamedPipeClient first;
    ConnectClient(first);
    NamedPipeClient next;
    EXPECT_FALSE(next.Open(kPipe));
    EXPECT_EQ(GetLastError(), ERROR_PIPE_BUSY);

    ASSERT_TRUE(server.Disconnect());
    std::vector<std::uint8_t> got;
    EXPECT_FALSE(first.ReadMessage(got, 5000));
    EXPECT_EQ(GetLastError(), ERROR_BROKEN_PIPE);
    ConnectClient(next);
    ASSERT_TRUE(server.Write(Bytes("to next"), written, 5000));
    ASSERT_TRUE(next.ReadMessage(got, 5000));
    EXPECT_EQ(Text(got), "to next");

    // A client that hangs up is dropped when the server next looks; the one after it
    // connects.
    next.Close();
    EXPECT_FALSE(server.Write(Bytes("gone"), written, 1000));
    EXPECT_EQ(GetLastError(), ERROR_NO_DATA);
    NamedPipeClient third;
    ConnectClient(third);
    third.Close();
    ASSERT_TRUE(server.WaitForInput(5000));
    std::uint8_t buffer[9];
    DWORD read = 0;
    EXPECT_FALSE(server.Peek(buffer, read));
    EXPECT_EQ(GetLastError(), ERROR_BROKEN_PIPE);
    NamedPipeClient fourth;
    ConnectClient(fourth);

    server.Close();
    EXPECT_FALSE(std::filesystem::exists(root / "run/pipe/Orders"));
    EXPECT_TRUE(second.Create(kPipe, 8192));  // the name is free again
}

// Clients that open and drop quickly leave hung-up connections queued before a live one:
// the server passes over them (and over a taken client that went before the write) and
// the message reaches the live client.
TEST_F(NamedPipeTest, AMessageReachesTheLiveClientPastOnesThatHungUp) {
    for (int i = 0; i < 3; ++i) {
        NamedPipeClient dropped;
        ASSERT_TRUE(dropped.Open(kPipe, 5000)) << GetLastError();
    }
    NamedPipeClient live;
    ASSERT_TRUE(live.Open(kPipe, 5000)) << GetLastError();
    DWORD written = 0;
    ASSERT_TRUE(server.Write(Bytes("to the live one"), written, 5000)) << GetLastError();
    std::vector<std::uint8_t> got;
    ASSERT_TRUE(live.ReadMessage(got, 5000)) << GetLastError();
    EXPECT_EQ(Text(got), "to the live one");

    // The taken client goes before the write; the one that waited behind it gets it.
    ASSERT_TRUE(server.Disconnect());
    NamedPipeClient taken;
    NamedPipeClient behind;
    ASSERT_TRUE(taken.Open(kPipe, 5000));
    ASSERT_TRUE(behind.Open(kPipe, 5000));
    ASSERT_TRUE(server.Connect(5000));
    taken.Close();
    ASSERT_TRUE(server.Write(Bytes("to the next"), written, 5000)) << GetLastError();
    ASSERT_TRUE(behind.ReadMessage(got, 5000)) << GetLastError();
    EXPECT_EQ(Text(got), "to the next");
    // Still one client at a time: a new one is busy until the current one is dropped.
    NamedPipeClient late;
    EXPECT_FALSE(late.Open(kPipe));
    EXPECT_EQ(GetLastError(), ERROR_PIPE_BUSY);
    ASSERT_TRUE(server.Disconnect());
    ConnectClient(late);

    // A client that waits behind the current one keeps its turn when the server drops the
    // current one and makes a new instance of the pipe.
    NamedPipeClient queued;
    ASSERT_TRUE(server.Disconnect());
    NamedPipeClient current;
    ASSERT_TRUE(current.Open(kPipe, 5000));
    ASSERT_TRUE(queued.Open(kPipe, 5000));
    ASSERT_TRUE(server.Connect(5000));
    ASSERT_TRUE(server.Disconnect());
    ASSERT_TRUE(server.Create(kPipe, 8192));
    ASSERT_TRUE(server.Write(Bytes("after the reset"), written, 5000)) << GetLastError();
    ASSERT_TRUE(queued.ReadMessage(got, 5000)) << GetLastError();
    EXPECT_EQ(Text(got), "after the reset");
}

TEST_F(NamedPipeTest, FlushWaitsForTheClientToReadAndIsBounded) {
    NamedPipeClient client;
    ConnectClient(client);
    DWORD written = 0;
    ASSERT_TRUE(server.Write(Bytes("unread"), written, 5000));
    EXPECT_FALSE(server.Flush(30));
    EXPECT_EQ(GetLastError(), ERROR_TIMEOUT);

    std::thread reader([&] {
        std::vector<std::uint8_t> got;
        EXPECT_TRUE(client.ReadMessage(got, 5000));
    });
    EXPECT_TRUE(server.Flush(5000)) << GetLastError();
    reader.join();
}

TEST_F(NamedPipeTest, CancelEndsEveryWaitOfOtherThreads) {
    std::thread connect([&] {
        EXPECT_FALSE(server.Connect(-1));
        EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
    });
    std::thread input([&] {
        EXPECT_FALSE(server.WaitForInput(-1));
        EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
    });
    server.Cancel();
    connect.join();
    input.join();
    NamedPipeClient client;
    ASSERT_TRUE(client.Open(kPipe, 5000));
    EXPECT_FALSE(server.WaitForInput(-1));  // stays cancelled
}
