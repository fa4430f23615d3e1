#include "devices/Pipe.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/NamedPipe.h"
#include "support/TempRoot.h"

using devices::CPipe;

namespace {

constexpr const char* kName = "\\\\.\\PIPE\\TrevoOut";

std::string ReadOne(platform::NamedPipeClient& client) {
    std::vector<std::uint8_t> got;
    EXPECT_TRUE(client.ReadMessage(got, 5000)) << platform::GetLastError();
    return {got.begin(), got.end()};
}

class PipeTest : public support::TempRootTest {
protected:
    void SetUp() override {
        pipe.InitializeNamedPipe();
        ASSERT_EQ(pipe.LastError(), 0u);
    }
    CPipe pipe{kName};
};

}  // namespace

TEST_F(PipeTest, BuffersOfOneMessageReachTheClientAsOneMessage) {
    platform::NamedPipeClient client;
    ASSERT_TRUE(client.Open(kName, 5000));
    ASSERT_TRUE(pipe.WriteToNamedPipe("one ", false));
    ASSERT_TRUE(pipe.WriteToNamedPipe("two ", false));
    std::vector<std::uint8_t> none;
    EXPECT_FALSE(client.ReadMessage(none, 20));  // nothing before the last buffer
    std::string whole;
    std::thread reader([&] { whole = ReadOne(client); });
    ASSERT_TRUE(pipe.WriteToNamedPipe("three", true));
    reader.join();
    EXPECT_EQ(whole, "one two three");
}

TEST_F(PipeTest, AMessageWithNoClientFailsAndIsNotSentWithTheNext) {
    EXPECT_FALSE(pipe.WriteToNamedPipe("lost", true));
    platform::NamedPipeClient client;
    ASSERT_TRUE(client.Open(kName, 5000));
    std::string got;
    std::thread reader([&] { got = ReadOne(client); });
    ASSERT_TRUE(pipe.WriteToNamedPipe("next", true));
    reader.join();
    EXPECT_EQ(got, "next");
}

TEST_F(PipeTest, OnlyCloseInAnyCaseEndsTheClientsTurn) {
    const struct {
        std::string message;
        bool close;
    } cases[] = {
        {"CLOSE", true}, {"close", true},  {std::string("Close\0", 6), true}, {"CLOSED", false},
        {"clos", false}, {"hello", false}, {"CLOSE-THE-PIPE", false},
    };
    platform::NamedPipeClient client;
    ASSERT_TRUE(client.Open(kName, 5000));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        ASSERT_TRUE(client.Write(
            {reinterpret_cast<const std::uint8_t*>(c.message.data()), c.message.size()}));
        // The message waits already: one look takes it.
        EXPECT_EQ(pipe.PipeReceiveAck1(), c.close);
        if (c.close) {
            ASSERT_TRUE(pipe.ResetNamedPipe());
            ASSERT_TRUE(client.Open(kName, 5000));  // the next client of the same name
        }
    }
}
