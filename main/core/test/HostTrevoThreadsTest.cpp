#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "HostTrevoFixture.h"
#include "core/MessageBufferQueue.h"

namespace {

using hosttest::Msg;

class LockedControl : public core::IHostControl {
public:
    bool SendString(const std::string& data) override {
        std::lock_guard lock(m_lock);
        sent.push_back(data);
        return true;
    }
    std::vector<std::string> Sent() {
        std::lock_guard lock(m_lock);
        return sent;
    }

private:
    std::mutex m_lock;
    std::vector<std::string> sent;
};

// The user-interface thread judges host messages and queues them while the send thread
// writes them and acknowledges each, as a device runs them.
TEST(HostTrevoThreadsTest, JudgingAndAcknowledgingOnTwoThreads) {
    support::TempRoot root;
    hosttest::TestHostTrevo host({});
    LockedControl control;
    host.SetHostControl(&control);
    host.SetConnectionState(core::CONNECTION_CONNECTED);
    core::CMessageBufferQueue queue;
    std::atomic<bool> done{false};
    std::atomic<int> written{0};

    std::thread sendThread([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < deadline) {
            std::string text;
            int type = -1;
            queue.GetHead(text, type, true);
            if (type < 0) {
                if (done) break;
                std::this_thread::yield();
                continue;
            }
            host.SetDeviceStatus('0');
            (void)host.MsgSendToHost(host.MsgAckToHostCreate(), true);
            ++written;
        }
    });

    static const char* const kTsn[] = {"C1", "C2", "C3", "C4", "C5", "C6", "C7", "C8",
                                       "C9", "D1", "D2", "D3", "D4", "D5", "D6", "D7"};
    int delivered = 0;
    for (int i = 0; i < 400; ++i) {
        std::string msg =
            Msg(i == 0 ? "C3 D9 4E" : (std::string("C1 ") + kTsn[i % 16] + " C8 C9 4E").c_str());
        host.SetDeviceStatus('0');
        switch (host.MsgFromHost(msg)) {
            case core::SEND_BUFFER_TO_DEVICE_AND_ACK_HOST:
                queue.AddString(msg, host.IsCompleteMessage());
                ++delivered;
                break;
            case core::ACK_HOST_ONLY:
                (void)host.MsgSendToHost(host.MsgAckToHostCreate(), true);
                break;
            case core::REPEAT_ACK_TO_HOST:
                (void)host.MsgSendToHost(host.MsgOutOfSequenceToHostCreate(), true);
                break;
            default:
                break;
        }
        (void)host.GetHostState();
    }
    done = true;
    sendThread.join();

    EXPECT_EQ(written, delivered);
    EXPECT_GT(delivered, 0);
    // Each acknowledgement is "C", a TSN letter A to P (or none yet), "2", status "0" or
    // "1" (a message judged before the one ahead of it was acknowledged), end of message.
    const std::regex ack("C3 (C[1-9]|D[1-7]|7C) F2 F[01] 4E");
    for (const std::string& sent : control.Sent()) {
        EXPECT_TRUE(std::regex_match(hosttest::Hex(sent), ack)) << hosttest::Hex(sent);
    }
}

// A ticket printer's answers are judged on its receive thread while the user-interface thread
// judges host messages that read what the printer answered last.
TEST(HostTrevoThreadsTest, PrinterAnswersWhileHostMessagesAreJudged) {
    support::TempRoot root;
    hosttest::TestHostTrevo host({});
    std::atomic<bool> done{false};
    std::atomic<int> answers{0};
    std::atomic<int> refused{0};

    std::thread receiveThread([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!done && std::chrono::steady_clock::now() < deadline) {
            std::string answer = "CA20";
            if (host.MsgFromATB2(answer, false) != core::SEND_BUFFER_TO_DEVICE_AND_ACK_HOST) {
                ++refused;
            }
            ++answers;
        }
    });

    int delivered = 0;
    for (int i = 0; i < 200; ++i) {
        std::string reset = Msg("C3 D9 4E");
        std::string aa = Msg("C1 C1 C8 4E");
        EXPECT_EQ(host.MsgFromHost(reset), core::ACK_HOST_ONLY);
        if (host.MsgFromHost(aa) == core::SEND_BUFFER_TO_DEVICE_AND_ACK_HOST) ++delivered;
    }
    done = true;
    receiveThread.join();

    EXPECT_EQ(delivered, 200);
    EXPECT_GT(answers, 0);
    EXPECT_EQ(refused, 0);
}

}  // namespace
