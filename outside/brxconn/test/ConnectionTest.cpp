#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "brxconn/BRXConn.h"
#include "platform/EventLoop.h"
#include "support/LoopbackProvider.h"
#include "support/TempRoot.h"

namespace {

constexpr platform::DWORD kDeadlineMs = 10000;

struct Heard {
    std::string what;
    std::thread::id thread;
};

// A creator that writes down every callback; on a message it reads it twice, as the host
// control does, and on an error that stands for a message it reads the error's text.
class Recorder final : public BRXConn {
public:
    explicit Recorder(std::shared_ptr<std::vector<Heard>> heard) : m_heard(std::move(heard)) {}

protected:
    void OnReceive(BRXError e) override {
        std::string first;
        std::string second = "x";
        const BRXError rc1 = Receive(first);
        const BRXError rc2 = Receive(second);
        std::string text;
        if (e != BRX_SUCCESS && e != BRX_VUVE_MESSAGE) LastErrorMessage(text);
        Note("Receive " + std::to_string(e) + " [" + first + "] [" + second + "] " +
             std::to_string(rc1) + " " + std::to_string(rc2) + " " + text);
    }
    void OnSend(BRXError e) override { Note("Send " + std::to_string(e)); }
    void OnConnect(BRXError e) override { Note("Connect " + std::to_string(e)); }
    void OnDisconnect(BRXError e) override { Note("Disconnect " + std::to_string(e)); }
    void OnLock(BRXError e) override { Note("Lock " + std::to_string(e)); }
    void OnResource(std::string r, int n) override {
        Note("Resource " + r + " " + std::to_string(n));
    }
    void OnSystemAvailable(int n) override { Note("Available " + std::to_string(n)); }

private:
    void Note(std::string what) {
        m_heard->push_back({std::move(what), std::this_thread::get_id()});
    }
    std::shared_ptr<std::vector<Heard>> m_heard;
};

class ConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(support::Loopback(), nullptr);
        support::Loopback()->Reset();
        support::WriteLoopbackRoute("R1");
    }
    void TearDown() override { support::Loopback()->Reset(); }

    std::vector<std::string> Whats() const {
        std::vector<std::string> out;
        for (const Heard& h : *heard) out.push_back(h.what);
        return out;
    }

    support::TempRoot root;
    platform::EventLoop loop;
    std::shared_ptr<std::vector<Heard>> heard = std::make_shared<std::vector<Heard>>();
};

// Options set before Connect reach the provider before its Connect (option 3 as the number
// itself); each callback reaches the creator on the thread that connected, at once when the
// provider calls on it and in order through its loop when the provider calls from its own
// thread. A message is read twice inside its delivery and both reads give it, zero bytes
// included; the next delivery gives the next one.
TEST_F(ConnectionTest, CallbacksReachTheConnectingThreadInOrder) {
    for (bool ownThread : {false, true}) {
        SCOPED_TRACE(ownThread ? "provider's own thread" : "owner's loop");
        heard->clear();
        Recorder conn(heard);
        char accumulate[] = "FALSE";
        char translate[] = "TRUE";
        ASSERT_EQ(conn.SetOption(1, accumulate), BRX_SUCCESS);
        ASSERT_EQ(conn.SetOption(2, translate), BRX_SUCCESS);
        ASSERT_EQ(conn.SetOption(3, reinterpret_cast<char*>(std::intptr_t{2})), BRX_SUCCESS);
        accumulate[0] = 'X';  // the caller's buffer may change once the call returned
        ASSERT_EQ(conn.Connect("R1", "HOME"), BRX_WAITING);
        support::LoopbackConnection* host = support::Loopback()->Last();
        ASSERT_NE(host, nullptr);
        EXPECT_EQ(host->Route(), "R1");
        EXPECT_EQ(host->EndSystem(), "HOME");
        const auto options = host->Options();
        ASSERT_EQ(options.size(), 3u);
        EXPECT_EQ(options[0].option, 1);
        EXPECT_EQ(options[0].text, "FALSE");
        EXPECT_EQ(options[1].text, "TRUE");
        EXPECT_EQ(options[2].option, 3);
        EXPECT_EQ(options[2].number, 2);
        for (const auto& o : options) EXPECT_TRUE(o.beforeConnect);

        host->FromOwnThread(ownThread);
        host->CompleteConnect(0);
        host->AssignResource("0A1B2C", 1);
        host->Deliver(std::string("C\0R", 3));
        host->Deliver("AA");
        host->Deliver("VU", 1028);
        host->Fail(1029, "Protocol trouble");
        host->CompleteSend(0);
        host->SystemAvailable(0);
        host->Drop(1003);
        if (ownThread) {
            EXPECT_TRUE(heard->empty());  // nothing before the loop runs
            EXPECT_TRUE(loop.PumpUntil([&] { return heard->size() >= 9; }, kDeadlineMs));
        }
        const std::vector<std::string> want{
            "Connect 0",
            "Resource 0A1B2C 1",
            std::string("Receive 0 [C\0R] [C\0R] 0 0 ", 26),
            "Receive 0 [AA] [AA] 0 0 ",
            "Receive 1028 [VU] [VU] 0 0 ",
            "Receive 1029 [] [] 1011 1011 Protocol trouble",
            "Send 0",
            "Available 0",
            "Disconnect 1003",
        };
        EXPECT_EQ(Whats(), want);
        for (const Heard& h : *heard) EXPECT_EQ(h.thread, std::this_thread::get_id()) << h.what;

        // Outside a delivery a read goes to the provider, whose data is gone.
        std::string data;
        EXPECT_EQ(conn.Receive(data), BRX_NO_DATA);
        std::string ack = "ack";
        EXPECT_EQ(conn.Send(ack), BRX_SUCCESS);
        EXPECT_EQ(host->Sent(), std::vector<std::string>{"ack"});
    }
    EXPECT_EQ(support::Loopback()->Live(), 0u);
}

// Callbacks still on their way when the connection is destroyed never arrive.
TEST_F(ConnectionTest, DestroyedConnectionHearsNothingMore) {
    auto conn = std::make_unique<Recorder>(heard);
    ASSERT_EQ(conn->Connect("R1", "HOME"), BRX_WAITING);
    support::LoopbackConnection* host = support::Loopback()->Last();
    host->FromOwnThread(true);
    host->CompleteConnect(0);
    host->Deliver("AA");
    conn.reset();
    EXPECT_FALSE(loop.PumpUntil([&] { return !heard->empty(); }, 50));
    EXPECT_TRUE(heard->empty());
    EXPECT_EQ(support::Loopback()->Live(), 0u);
}

// A connect the provider refuses at once answers its code, with no callback; the module is
// loaded once for every connection.
TEST_F(ConnectionTest, RefusedConnectAndOneModuleForAll) {
    support::Loopback()->SetConnectResult(1013);
    Recorder refused(heard);
    EXPECT_EQ(refused.Connect("R1", "HOME"), 1013);
    EXPECT_EQ(refused.LastError(), 1013);
    std::string text;
    refused.LastErrorMessage(text);
    EXPECT_EQ(text, BRXErrorText(1013));

    support::Loopback()->SetConnectResult(0);
    Recorder other(heard);
    EXPECT_EQ(other.Connect("R1", "HOME"), BRX_SUCCESS);
    EXPECT_EQ(support::Loopback()->Live(), 2u);
    EXPECT_EQ(other.Status(), BRX_CONNECTING);
    EXPECT_FALSE(loop.PumpUntil([&] { return !heard->empty(); }, 20));
}

}  // namespace
