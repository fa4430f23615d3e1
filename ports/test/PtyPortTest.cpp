// Serial ports over real pseudo-terminal pairs: the port is mapped to the line side and
// the test plays the device on the far side.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "WaitFor.h"
#include "platform/PortMap.h"
#include "ports/LptLineservice.h"
#include "ports/PDM.h"
#include "support/PtyPair.h"
#include "support/TempRoot.h"

namespace lineserv_test {
namespace {

using Clock = std::chrono::steady_clock;

// Counts what the notification thread takes from the line into the ring.
class CountingPort : public PDM {
public:
    explicit CountingPort(const char* name)
        : PDM(name, 9600, DATABITS_8, STOPBITS_ONE, FLOWCONTROL_NONE, PARITY_NONE) {
        // As the device core sets up every serial port.
        setReadIntervalTimeout(0xFFFFFFFFu);
        setWriteTotalTimeoutConstant(1000);
    }
    ~CountingPort() override { static_cast<void>(endDocPort()); }
    int readPort(std::uint8_t* buffer, std::uint32_t size, std::uint32_t* read) override {
        const int result = PDM::readPort(buffer, size, read);
        if (result) taken += *read;
        return result;
    }
    std::atomic<std::size_t> taken{0};
};

std::vector<std::uint8_t> pattern(std::size_t n) {
    std::vector<std::uint8_t> bytes(n);
    for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return bytes;
}

class PtyPortTest : public support::TempRootTest {
protected:
    void SetUp() override {
        platform::SetPortPath("COM11", far.path());
        platform::SetPortPath("LPT2", far.path());
    }
    void TearDown() override { platform::ClearPortPaths(); }

    std::vector<std::uint8_t> readT(PDM& port, std::uint32_t size, std::uint32_t timeout) {
        std::vector<std::uint8_t> out(size);
        std::uint32_t read = 0;
        const int result = port.readPortT(out.data(), size, &read, timeout);
        EXPECT_EQ(result, read != 0 ? 1 : 0);
        out.resize(read);
        return out;
    }

    support::PtyPair far;
};

TEST_F(PtyPortTest, BytesTravelBothWaysAndTheNameWithAColonIsTheSamePort) {
    CountingPort port("COM11");
    ASSERT_EQ(port.openPort(), 1);
    EXPECT_EQ(port.getPortState(), 1);

    // The same device under its other spelling is in use.
    PDM again("COM11:");
    EXPECT_EQ(again.openPort(), 0);

    std::uint8_t hello[] = {'h', 'e', 'l', 'l', 'o', 0x00, 0xFF, '\n'};
    std::uint32_t written = 0;
    ASSERT_EQ(port.writePortT(hello, sizeof hello, &written, 2000), 1);
    EXPECT_EQ(written, sizeof hello);
    EXPECT_EQ(far.ReadExactly(sizeof hello), std::vector<std::uint8_t>(hello, hello + 8));

    far.Send(std::string("world\r\n\x11\x13", 9));
    ASSERT_TRUE(waitFor([&] { return port.taken == 9; }));
    EXPECT_EQ(readT(port, 64, 5000),
              std::vector<std::uint8_t>({'w', 'o', 'r', 'l', 'd', '\r', '\n', 0x11, 0x13}));

    EXPECT_EQ(port.closePort(), 1);
    EXPECT_EQ(port.getPortState(), 0);
    ASSERT_EQ(again.openPort(), 1);
    // A read of a quiet port returns at once with nothing.
    std::uint8_t buffer[16];
    std::uint32_t read = 99;
    const auto start = Clock::now();
    EXPECT_EQ(again.readPort(buffer, sizeof buffer, &read), 0);
    EXPECT_EQ(read, 0u);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    far.Send("z");
    ASSERT_TRUE(waitFor([&] { return again.readPort(buffer, sizeof buffer, &read) == 1; }));
    EXPECT_EQ(read, 1u);
    EXPECT_EQ(buffer[0], 'z');
}

TEST_F(PtyPortTest, TheRingKeepsTheOldestBytesAndHandsThemOutInOrder) {
    CountingPort port("COM11");
    ASSERT_EQ(port.openPort(), 1);
    // Nothing has come yet: the wait runs its full time (to the clock's millisecond tick).
    auto start = Clock::now();
    EXPECT_TRUE(readT(port, 16, 100).empty());
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(95));

    const std::vector<std::uint8_t> sent = pattern(5000);
    far.Send(sent);
    ASSERT_TRUE(waitFor([&] { return port.taken == sent.size(); }));

    // Exactly the size asked, then the rest in order: the oldest 4096 bytes in all.
    const std::vector<std::uint8_t> first = readT(port, 1000, 1000);
    const std::vector<std::uint8_t> rest = readT(port, 8192, 1000);
    ASSERT_EQ(first.size(), 1000u);
    ASSERT_EQ(rest.size(), 3096u);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), sent.begin()));
    EXPECT_TRUE(std::equal(rest.begin(), rest.end(), sent.begin() + 1000));

    // Drained: one call finds the ring empty and resets the event, the next waits again.
    EXPECT_TRUE(readT(port, 16, 1000).empty());
    start = Clock::now();
    EXPECT_TRUE(readT(port, 16, 100).empty());
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(95));

    // Room again: new bytes come in behind.
    far.Send("next");
    ASSERT_TRUE(waitFor([&] { return port.taken == sent.size() + 4; }));
    EXPECT_EQ(readT(port, 16, 1000), std::vector<std::uint8_t>({'n', 'e', 'x', 't'}));
}

// Rounds as a device talks with its port: a paced write, then the answer, which the reader
// waits for, finds there already, or is away for until the notification thread has taken
// it into the ring. Every byte comes, in order, whichever way it took.
TEST_F(PtyPortTest, RoundsLoseNoByteWhetherTheReaderWaitsComesAfterOrIsAway) {
    CountingPort port("COM11");
    ASSERT_EQ(port.openPort(), 1);
    enum Answer { WhileTheReaderWaits, BeforeTheReaderComes, IntoTheRing, kAnswers };
    for (const std::uint32_t size : {1u, 64u, 1024u, 4096u}) {
        for (int round = 0; round < 4 * kAnswers; ++round) {
            SCOPED_TRACE(std::to_string(size) + " bytes, round " + std::to_string(round));
            const std::vector<std::uint8_t> sent = pattern(size + static_cast<std::size_t>(round));
            std::vector<std::uint8_t> out(sent.begin() + round, sent.end());
            std::uint32_t written = 0;
            ASSERT_EQ(port.writePortT(out.data(), size, &written, 5000), 1);
            ASSERT_EQ(written, size);
            ASSERT_EQ(far.ReadExactly(size), out);

            const std::vector<std::uint8_t> answer(out.rbegin(), out.rend());
            const auto how = static_cast<Answer>(round % kAnswers);
            if (how != WhileTheReaderWaits) {
                const std::size_t before = port.taken;
                far.Send(answer);
                // Nobody reads: the notification thread takes the bytes, at the latest when
                // the reader of the round before has been gone a while.
                if (how == IntoTheRing) {
                    ASSERT_TRUE(waitFor([&] { return port.taken == before + size; }));
                }
            }
            std::thread sender;
            if (how == WhileTheReaderWaits) sender = std::thread([&] { far.Send(answer); });
            std::vector<std::uint8_t> in(size);
            std::uint32_t have = 0;
            for (int call = 0; call < 1000 && have < size; ++call) {
                std::uint32_t read = 0;
                static_cast<void>(port.readPortT(in.data() + have, size - have, &read, 5000));
                have += read;
            }
            if (sender.joinable()) sender.join();
            ASSERT_EQ(have, size);
            ASSERT_EQ(in, answer);
        }
    }
}

TEST_F(PtyPortTest, ClosingWakesAWaitingReader) {
    CountingPort port("COM11");
    ASSERT_EQ(port.openPort(), 1);
    std::atomic<int> result{-1};
    std::uint32_t read = 7;
    const auto start = Clock::now();
    std::thread reader([&] {
        std::uint8_t buffer[16];
        result = port.readPortT(buffer, sizeof buffer, &read, 60000);
    });
    EXPECT_EQ(port.closePort(), 1);
    reader.join();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(read, 0u);
}

TEST_F(PtyPortTest, AWriteThatRunsOutOfTimeReportsWhatWentOut) {
    CountingPort port("COM11");
    port.setWriteTotalTimeoutConstant(100);
    ASSERT_EQ(port.openPort(), 1);
    // The far end reads nothing, so the line's buffer fills and the write runs out of time.
    std::vector<std::uint8_t> big = pattern(1 << 20);
    std::uint32_t written = 0;
    ASSERT_EQ(port.writePort(big.data(), static_cast<std::uint32_t>(big.size()), &written), 1);
    ASSERT_GT(written, 0u);
    ASSERT_LT(written, big.size());
    const std::vector<std::uint8_t> got =
        far.ReadExactly(written + 1, std::chrono::milliseconds(500));
    ASSERT_EQ(got.size(), written);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), big.begin()));
    const std::string log = root.ReadFile("Lineserv.Log").value_or("");
    EXPECT_NE(log.find("CommLineserv: COM11 Probable Write Timeout: Total of " +
                       std::to_string(written) + " bytes sent\n"),
              std::string::npos);
}

TEST_F(PtyPortTest, AParallelPortWritesReadsAndReportsAPartialWrite) {
    LptLineservice port("LPT2:");
    // As the device core sets up every parallel port.
    port.setReadIntervalTimeout(0xFFFFFFFFu);
    port.setWriteTotalTimeoutConstant(100);
    ASSERT_EQ(port.openPort(), 1);
    EXPECT_EQ(port.getPortState(), 1);

    std::uint8_t ticket[] = {'T', 'K', 'T', 0x03};
    std::uint32_t written = 0;
    ASSERT_EQ(port.writePortT(ticket, sizeof ticket, &written, 0), 1);
    EXPECT_EQ(written, sizeof ticket);
    EXPECT_EQ(far.ReadExactly(sizeof ticket), std::vector<std::uint8_t>(ticket, ticket + 4));

    std::uint8_t buffer[16];
    std::uint32_t read = 9;
    EXPECT_EQ(port.readPort(buffer, sizeof buffer, &read), 0);  // one poll of a quiet line
    EXPECT_EQ(read, 0u);
    far.Send("ok");
    ASSERT_TRUE(waitFor([&] { return port.readPort(buffer, sizeof buffer, &read) == 1; }));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), read), "ok");

    // The printer takes nothing more: after the poll limit the count is what went out.
    std::vector<std::uint8_t> big = pattern(1 << 20);
    ASSERT_EQ(port.writePort(big.data(), static_cast<std::uint32_t>(big.size()), &written), 1);
    ASSERT_GT(written, 0u);
    ASSERT_LT(written, big.size());
    const std::vector<std::uint8_t> got =
        far.ReadExactly(written + 1, std::chrono::milliseconds(500));
    ASSERT_EQ(got.size(), written);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), big.begin()));
    EXPECT_NE(root.ReadFile("Lineserv.Log")
                  .value_or("")
                  .find("LptLineserv: LPT2: Probable Write Timeout: Total of " +
                        std::to_string(written) + " bytes sent\n"),
              std::string::npos);
    EXPECT_EQ(port.closePort(), 1);
    EXPECT_EQ(port.getPortState(), 0);
}

}  // namespace
}  // namespace lineserv_test
