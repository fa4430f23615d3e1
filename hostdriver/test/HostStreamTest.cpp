// The host socket's reading of the received byte stream against a raw peer: streams that
// cannot be right close the connection, a header-only record is passed over, an option area
// with a zero-length option is cut there; and the socket trace file, written only when a
// threshold is configured.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "HostDriverFixture.h"
#include "platform/ByteWriter.h"

namespace quildrv {
namespace {

using support::FromHex;
using support::ToHex;

class HostStreamTest : public HostDriverFixture {
protected:
    void SetUp() override {
        HostDriverFixture::SetUp();
        MapPortsTo(peer.Port());
    }

    // Sends a message and takes the record it makes on a new connection.
    std::vector<std::uint8_t> NextRecord(Driver& d, platform::Socket& connection) {
        const std::vector<std::uint8_t> message = {0xC1, 0x4E};
        EXPECT_EQ(d.driver->SendToHost(message.data(), 2), COMM_NO_ERROR);
        if (!connection.IsOpen()) connection = peer.Accept();
        std::vector<std::uint8_t> record(8);
        if (connection.ReceiveAll(record, 5000) != 8) return {};
        const std::size_t length = std::size_t{record[6]} << 8 | record[7];
        record.resize(length);
        if (connection.ReceiveAll(std::span(record).subspan(8), 5000) !=
            static_cast<int>(length - 8))
            return {};
        return record;
    }

    // A record to the session: the request's session header with another state, type and
    // option words, the given options and data.
    static std::vector<std::uint8_t> Reply(const std::vector<std::uint8_t>& request,
                                           std::uint8_t state, std::uint8_t optionWords,
                                           const std::vector<std::uint8_t>& options,
                                           const std::vector<std::uint8_t>& data) {
        std::vector<std::uint8_t> out = {0xFE, 0x01, 0x00, 0x00, 0, 0, 0, 0};
        out.insert(out.end(), request.begin() + 8, request.begin() + 20);
        out[8] = static_cast<std::uint8_t>(0x10 | state);
        out[9] = static_cast<std::uint8_t>(0x30 | optionWords);
        out[10] = 0;
        out.insert(out.end(), options.begin(), options.end());
        out.insert(out.end(), data.begin(), data.end());
        const auto n = static_cast<std::uint32_t>(out.size());
        for (int i = 0; i < 4; ++i)
            out[static_cast<std::size_t>(4 + i)] = static_cast<std::uint8_t>(n >> (24 - 8 * i));
        return out;
    }

    static bool ClosedByDriver(platform::Socket& connection) {
        std::uint8_t byte = 0;
        // Anything still sent is read away; the end of the stream must come.
        for (int i = 0; i < 64; ++i) {
            const int n = connection.Receive(std::span(&byte, 1), 5000);
            if (n == 0) return true;
            if (n < 0) return false;
        }
        return false;
    }

    support::LoopbackListener peer;
};

TEST_F(HostStreamTest, BrokenStreamsCloseTheConnectionAndHeaderOnlyRecordsAreIgnored) {
    auto& d = NewDriver();
    ASSERT_EQ(d.driver->ConnectToHost(), COMM_NO_ERROR);
    for (const char* bad :
         {"FD 01 00 00 00 00 00 14", "FE 02 00 00 00 00 00 14", "FE 01 00 00 00 00 00 07",
          "FE 01 00 00 00 00 00 13", "FE 01 00 00 7F FF FF FF"}) {
        platform::Socket connection;
        ASSERT_FALSE(NextRecord(d, connection).empty()) << bad;
        const auto bytes = FromHex(bad);
        ASSERT_TRUE(connection.SendAll(bytes, 5000));
        EXPECT_TRUE(ClosedByDriver(connection)) << bad;
    }

    // A header-only record is passed over; the answer after it opens the session, and a record
    // whose 60 option bytes hold a zero-length option keeps the options before it.
    platform::Socket connection;
    const auto begin = NextRecord(d, connection);
    ASSERT_EQ(begin.size(), 30u);
    const std::vector<std::uint8_t> routing(begin.begin() + 20, begin.begin() + 28);
    auto stream = FromHex("FE 01 00 00 00 00 00 08");
    const auto answer = Reply(begin, 0, 2, routing, {});
    stream.insert(stream.end(), answer.begin(), answer.end());
    ASSERT_TRUE(connection.SendAll(stream, 5000));
    ASSERT_TRUE(d.harness.WaitForCallNamed("OnConnect", COMM_NO_ERROR));

    std::vector<std::uint8_t> options = routing;
    options.resize(60, 0);
    options[8] = 0x07;  // type 7, length 0
    ASSERT_TRUE(connection.SendAll(Reply(begin, 1, 15, options, FromHex("F1 4E")), 5000));
    EXPECT_EQ(NextMessage(d), "1A 2B 01 F1 4E");
    QUILOptionsState state;
    ASSERT_EQ(d.driver->GetElementState(0, &state), &state);
    EXPECT_EQ(state.length, 8u);
    EXPECT_EQ(ToHex(std::span(state.data, 12)), ToHex(routing) + " 00 00 00 00");
}

TEST_F(HostStreamTest, TheSocketTraceIsWrittenOnlyWithAThreshold) {
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(root.path());
    const auto trace = root.path() / "127_0_0_1_30031.txt";
    {
        auto& d = NewDriver();
        ASSERT_EQ(d.driver->ConnectToHost(), COMM_NO_ERROR);
        platform::Socket connection;
        ASSERT_FALSE(NextRecord(d, connection).empty());
        EXPECT_FALSE(std::filesystem::exists(trace));
        d.harness.SetRoute("SOCKETLOGGINGTHRESHOLD", "debug");
        ASSERT_FALSE(NextRecord(d, connection).empty());
        EXPECT_TRUE(std::filesystem::exists(trace));
        drivers.clear();
        DriverShutdown();
    }
    std::filesystem::current_path(previous);
    ASSERT_TRUE(std::filesystem::exists(trace));
    EXPECT_GT(std::filesystem::file_size(trace), 0u);
}

}  // namespace
}  // namespace quildrv
