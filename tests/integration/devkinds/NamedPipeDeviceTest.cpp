#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "DeviceHarness.h"
#include "devices/DeviceNamedPipe.h"
#include "platform/NamedPipe.h"

namespace devkinds {
namespace {

using devices::CDeviceNamedPipe;

constexpr const char* kPipe = "\\\\.\\PIPE\\TrevoOut";

// A client program of the pipe: it reads every message on a thread of its own until the
// pipe goes.
class Client {
public:
    Client() {
        EXPECT_TRUE(m_pipe.Open(kPipe, 10000)) << platform::GetLastError();
        m_reader = std::thread([this] {
            while (!m_stop) {
                std::vector<std::uint8_t> message;
                if (m_pipe.ReadMessage(message, 50)) {
                    std::lock_guard lock(m_cs);
                    m_messages.emplace_back(message.begin(), message.end());
                } else if (platform::GetLastError() != platform::ERROR_TIMEOUT) {
                    break;  // the pipe went
                }
            }
        });
    }
    ~Client() {
        m_stop = true;
        m_reader.join();
    }
    void Say(const std::string& text) {
        EXPECT_TRUE(
            m_pipe.Write({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}));
    }
    std::vector<std::string> Messages() {
        std::lock_guard lock(m_cs);
        return m_messages;
    }

private:
    platform::NamedPipeClient m_pipe;
    std::atomic<bool> m_stop{false};
    std::mutex m_cs;
    std::vector<std::string> m_messages;
    std::thread m_reader;
};

class NamedPipeDeviceTest : public DeviceEndToEnd {
protected:
    void SetUp() override {
        DeviceEndToEnd::SetUp();
        const std::string key = DeviceKey();
        PutString(key, "Device Type", "Named Pipe");
        PutString(key, "Device Name", "Pipe");
        PutString(key, "Pipe Name", "TrevoOut");
        PutDword(key, "Insert Line Feed", 0);
        PutString(key, "Terminator Data", "<END>");
        PutString(key, "Host", "HOST");
        PutString(key, "Device Session", "S1");
    }
};

TEST_F(NamedPipeDeviceTest, ClientsGetWholeMessagesAndCloseTheirTurn) {
    auto device = std::make_unique<CDeviceNamedPipe>("Device 01");
    EXPECT_EQ(device->PipeName(), kPipe);
    Attach(*device);
    {
        Client first;
        EXPECT_EQ(Send(HostMessage("C1 C1", "ONE ")), '0');
        EXPECT_EQ(Send(HostMessage("C1 C2", "TWO ")), '0');
        EXPECT_EQ(Send(HostMessage("C2 C3", "END")), '0');
        ASSERT_TRUE(PumpUntil([&] { return first.Messages().size() == 1; }));
        EXPECT_EQ(first.Messages()[0], "ONE TWO END<END>");
        EXPECT_EQ(device->GetDeviceState(), core::DEVICE_ONLINE_AVAILABLE);
        first.Say("close");
        ASSERT_TRUE(PumpUntil([&] { return device->GetDeviceState() == core::DEVICE_OFFLINE; }));
    }
    {
        Client second;  // the next client opens the pipe of the same name
        EXPECT_EQ(Send(HostMessage("C2 C4", "NEXT")), '0');
        ASSERT_TRUE(PumpUntil([&] { return second.Messages().size() == 1; }));
        EXPECT_EQ(second.Messages()[0], "NEXT<END>");
        second.Say(std::string("ClOsE\0", 6));
        ASSERT_TRUE(PumpUntil([&] { return device->GetDeviceState() == core::DEVICE_OFFLINE; }));
    }
    // Nobody has the pipe open: the device cannot take the message.
    EXPECT_EQ(Send(HostMessage("C2 C5", "GONE")), '4');
    // The host starts over; the refused message is not sent with the next one.
    Client third;
    EXPECT_EQ(Send(Hex("C3 D9 4E")), '0');
    EXPECT_EQ(Send(HostMessage("C2 C1", "LAST")), '0');
    ASSERT_TRUE(PumpUntil([&] { return third.Messages().size() == 1; }));
    EXPECT_EQ(third.Messages(), std::vector<std::string>{"LAST<END>"});
    // ShutDown ends both threads of the device without waiting for a client.
    device->ShutDown();
}

// Clients that open the pipe and drop it at once leave nothing in the way of the one that
// waits: the host's message reaches it and is acknowledged.
TEST_F(NamedPipeDeviceTest, ClientsThatDropAtOnceDoNotKeepTheMessageFromALiveOne) {
    auto device = std::make_unique<CDeviceNamedPipe>("Device 01");
    Attach(*device);
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        for (int i = 0; i < 3; ++i) {
            platform::NamedPipeClient dropped;
            ASSERT_TRUE(dropped.Open(kPipe, 10000)) << platform::GetLastError();
        }
        Client live;
        const std::string text = "LIVE" + std::to_string(round);
        const std::string sequence = "C2 C" + std::to_string(round + 1);
        EXPECT_EQ(Send(HostMessage(sequence, text)), '0');
        ASSERT_TRUE(PumpUntil([&] { return live.Messages().size() == 1; }));
        EXPECT_EQ(live.Messages()[0], text + "<END>");
        live.Say("CLOSE");
        ASSERT_TRUE(PumpUntil([&] { return device->GetDeviceState() == core::DEVICE_OFFLINE; }));
    }
    device->ShutDown();
}

// A client that never reads holds the send thread in its bounded wait for the reading; a
// shutdown ends that wait and both threads at once instead of waiting it out.
TEST_F(NamedPipeDeviceTest, ShutDownDoesNotWaitForAClientThatNeverReads) {
    auto device = std::make_unique<CDeviceNamedPipe>("Device 01");
    Attach(*device);
    platform::NamedPipeClient idle;
    ASSERT_TRUE(idle.Open(kPipe, 10000));
    Deliver(HostMessage("C2 C1", "UNREAD"));
    ASSERT_TRUE(PumpUntil([&] { return host->Waiting() == 0; }));
    const auto start = std::chrono::steady_clock::now();
    device->ShutDown();
    EXPECT_LT(std::chrono::steady_clock::now() - start,
              std::chrono::milliseconds(devices::CPipe::kFlushWaitMs / 2));
    EXPECT_FALSE(device->SendToDeviceThreadIsRunning());
    EXPECT_FALSE(device->ReceiveFromDeviceThreadIsRunning());
}

}  // namespace
}  // namespace devkinds
