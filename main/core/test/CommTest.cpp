// The device core's port access over pseudo-terminals mapped to port names: the settings
// texts, refused combinations, writes cut short by their deadline and resumed, and reads.
#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

#include "core/Comm.h"
#include "core/OperatorQuestion.h"
#include "platform/PortMap.h"
#include "support/FakeClockScope.h"
#include "support/PtyPair.h"
#include "support/TempRoot.h"

namespace core {
namespace {

TEST(CommSettingsTest, TextsOfTheDeviceKeyMapToTheLineSettings) {
    struct Case {
        std::uint32_t dataBits;
        const char* stop;
        const char* flow;
        const char* parity;
        CCommSettings expected;
    };
    const Case cases[] = {
        {8, "1", "None", "None", {8, 0, 0, 0, false}},
        {9, "2", "Hardware", "Space", {8, 2, 1, 0, false}},  // out of range: 8; no space parity
        {3, "x", "Xon/Xoff", "Odd", {8, 0, 2, 1, false}},
        {7, "1", "hardware", "Even", {7, 0, 0, 2, false}},  // texts compare exactly
        {4, "1.5", "", "Mark", {4, 1, 0, 3, false}},
        {5, "1.5", "None", "None", {5, 1, 0, 0, false}},
        {5, "2", "None", "None", {5, 2, 0, 0, true}},
        {6, "1.5", "None", "None", {6, 1, 0, 0, true}},
        {8, "1.5", "None", "None", {8, 1, 0, 0, true}},
    };
    for (const Case& c : cases) {
        const CCommSettings s = CComm::MapSettings(c.dataBits, c.stop, c.flow, c.parity);
        SCOPED_TRACE(std::to_string(c.dataBits) + "/" + c.stop + "/" + c.flow + "/" + c.parity);
        EXPECT_EQ(s.dwDataBits, c.expected.dwDataBits);
        EXPECT_EQ(s.iStopBits, c.expected.iStopBits);
        EXPECT_EQ(s.iFlowControl, c.expected.iFlowControl);
        EXPECT_EQ(s.iParity, c.expected.iParity);
        EXPECT_EQ(s.bRefused, c.expected.bRefused);
    }
}

class CommTest : public support::TempRootTest {
protected:
    void SetUp() override {
        platform::SetPortPath("COM7", far.path());
        platform::SetPortPath("LPT3", far.path());
    }
    void TearDown() override {
        platform::ClearPortPaths();
        SetOperatorSink({});
    }
    static CMessageBuffer Buffer(const std::vector<std::uint8_t>& bytes) {
        CMessageBuffer b;
        b.SetData(bytes);
        return b;
    }
    static std::vector<std::uint8_t> Pattern(std::size_t n, std::uint8_t seed) {
        std::vector<std::uint8_t> v(n);
        for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(i * 31 + seed);
        return v;
    }
    // Fills the line until the far end stops taking bytes, with one pass of the write loop.
    std::vector<std::uint8_t> WriteUntilStuck(CComm& comm, std::uint8_t seed) {
        std::vector<std::uint8_t> big = Pattern(1 << 20, seed);
        comm.m_bFlushWrite = true;
        EXPECT_EQ(comm.PortWrite(Buffer(big)), 0);
        comm.m_bFlushWrite = false;
        EXPECT_EQ(comm.GetLastError(), "Timeout when writing to device");
        EXPECT_TRUE(comm.m_bResumeWrite);
        return big;
    }
    std::vector<std::uint8_t> Drain(std::size_t n) {
        return far.ReadExactly(n, std::chrono::seconds(20));
    }

    support::PtyPair far;
};

TEST_F(CommTest, RefusedSettingsShowTheBoxAndLeaveNoPort) {
    std::vector<std::string> boxes;
    SetOperatorSink([&](const std::string& text, const std::string& caption, std::uint32_t style) {
        boxes.push_back(caption + "|" + text + "|" + std::to_string(style));
        return IDOK;
    });
    CComm comm("COM7", 9600, 7, "1.5", "", "None", "None");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0],
              "COM7 COM PORT SETTINGS ERROR|The use of 5 data bits with 2 stop bits is an invalid "
              "combination, as is 6, 7 or 8 data bits with 1.5 stop bits.|4144");
    EXPECT_FALSE(comm.HasPort());
    EXPECT_EQ(comm.PortOpen(), 0);
    EXPECT_EQ(comm.GetLastError(), "CComm::PortOpen(): lineservice NULL:");
    EXPECT_EQ(comm.GetPortState(), PORT_CLOSED);
    CMessageBuffer in;
    EXPECT_EQ(comm.PortRead(in), 0);
    EXPECT_EQ(comm.GetLastError(), "CComm::PortRead(): lineservice NULL");
}

TEST_F(CommTest, AnyOtherPortNameHasNoPort) {
    CComm comm("PRN", 9600, 8, "1", "", "None", "None");
    EXPECT_FALSE(comm.HasPort());
    EXPECT_EQ(comm.PortWrite(Buffer({1, 2})), 0);
    EXPECT_EQ(comm.GetLastError(), "Unknown port 'PRN'");
    EXPECT_EQ(comm.PortWrite(CMessageBuffer{}), 1);  // nothing to write
}

TEST_F(CommTest, BytesTravelBothWaysAndTheStateFollows) {
    CComm comm("COM7", 9600, 8, "1", "", "None", "None");
    ASSERT_EQ(comm.PortOpen(), 1) << comm.GetLastError();
    EXPECT_EQ(comm.GetPortState(), PORT_OPEN);
    ASSERT_EQ(comm.PortConfigure(), 1);
    EXPECT_EQ(comm.GetPortState(), PORT_AVAILABLE);
    ASSERT_EQ(comm.PortWrite(Buffer({2, 2, 2, 'A', 'B', 3, 0x40, 0x41})), 1);
    EXPECT_EQ(far.ReadExactly(8), (std::vector<std::uint8_t>{2, 2, 2, 'A', 'B', 3, 0x40, 0x41}));

    EXPECT_EQ(comm.PortReadWaitForReceive(0), 1);  // nothing yet
    far.Send("HELLO");
    ASSERT_EQ(comm.PortReadWaitForReceive(5000), 0);
    CMessageBuffer in;
    ASSERT_EQ(comm.PortRead(in), 1);
    EXPECT_EQ(std::string(in.Data().begin(), in.Data().end()), "HELLO");
    ASSERT_EQ(comm.PortClose(), 1);
    EXPECT_EQ(comm.GetPortState(), PORT_CLOSED);
}

// A write cut short by its deadline goes on with the rest when the same buffer comes again,
// and starts afresh with another buffer: the far end gets each byte once, in order.
TEST_F(CommTest, AnInterruptedWriteResumesOnlyWithTheSameBuffer) {
    CComm comm("COM7", 9600, 8, "1", "", "None", "None");
    ASSERT_EQ(comm.PortOpen(), 1) << comm.GetLastError();

    const auto big = WriteUntilStuck(comm, 1);
    auto reader = std::async(std::launch::async, [&] { return Drain(big.size()); });
    ASSERT_EQ(comm.PortWrite(Buffer(big)), 1) << comm.GetLastError();
    EXPECT_EQ(reader.get(), big);
    EXPECT_FALSE(comm.m_bResumeWrite);

    WriteUntilStuck(comm, 2);
    // The far end takes what got through of the cut write, then the other buffer whole.
    while (!far.ReadAvailable(std::chrono::milliseconds(300)).empty()) {
    }
    const auto other = Pattern(300000, 3);
    auto rest = std::async(std::launch::async, [&] { return Drain(other.size()); });
    ASSERT_EQ(comm.PortWrite(Buffer(other)), 1) << comm.GetLastError();
    EXPECT_EQ(rest.get(), other);
}

TEST_F(CommTest, AbortEndsTheWriteAndForgetsWhereItStopped) {
    CComm comm("COM7", 9600, 8, "1", "", "None", "None");
    ASSERT_EQ(comm.PortOpen(), 1) << comm.GetLastError();
    const auto big = WriteUntilStuck(comm, 4);
    comm.m_bAbortWrite = true;
    EXPECT_EQ(comm.PortWrite(Buffer(big)), 0);
    EXPECT_FALSE(comm.m_bResumeWrite);
}

TEST_F(CommTest, AQuietLineIsReadEmptyAfterTwoWaits) {
    support::FakeClockScope clock;
    CComm comm("COM7", 9600, 8, "1", "", "None", "None");
    ASSERT_EQ(comm.PortOpen(), 1) << comm.GetLastError();
    CMessageBuffer in;
    // Each pass is a wait of its own: the clock moves only once the reader has begun the
    // next one (a waiter still counted from the pass before would take the move early).
    std::uint64_t seen = platform::FakeClock::TimedWaitsBegun();
    auto read = std::async(std::launch::async, [&] { return comm.PortRead(in); });
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_TRUE(clock.WaitForNewTimedWait(seen));
        clock.Advance(CComm::kReadWaitMs);
    }
    EXPECT_EQ(read.get(), 1);
    EXPECT_EQ(in.Length(), 0u);
}

}  // namespace
}  // namespace core
