// The ticket printer on a port, end to end: host messages from the test control through the
// device to a simulated printer on a pseudo-terminal, and the printer's answers back to the
// host.
#include <gtest/gtest.h>

#include <algorithm>

#include <memory>
#include <string>
#include <vector>

#include "DeviceHarness.h"
#include "devices/DeviceAsyncMini.h"
#include "devices/DevicePrinterATB2.h"
#include "platform/PortMap.h"
#include "printersim/LinePrinter.h"
#include "support/Hex.h"

namespace devkinds {
namespace {

using printersim::LineKind;
using printersim::LinePrinter;
using Bytes = std::vector<std::uint8_t>;

Bytes B(const char* hex) {
    return support::FromHex(hex);
}

class PortPrinterTest : public DeviceEndToEnd {
protected:
    void SetUp() override {
        DeviceEndToEnd::SetUp();
        sim = std::make_unique<LinePrinter>(kind);
        ASSERT_TRUE(sim->Start());
        platform::SetPortPath("COM5", sim->LinePath());
    }
    void TearDown() override {
        device.reset();
        platform::ClearPortPaths();
        DeviceEndToEnd::TearDown();
    }
    void Configure(const char* type, std::uint32_t answerBack = 0) {
        const std::string key = DeviceKey();
        PutString(key, "Device Type", type);
        PutString(key, "Device Name", "Tickets");
        PutString(key, "Port", "COM5");
        PutDword(key, "Baud Rate", 9600);
        PutDword(key, "Data Bits", 8);
        PutString(key, "Emulation", "");
        PutString(key, "Flow Control", "None");
        PutString(key, "Parity", "None");
        PutString(key, "Stop Bits", "1");
        PutDword(key, "Answer Back", answerBack);
        PutDword(key, "Insert Line Feed", 0);
        PutString(key, "Terminator Data", "");
        PutString(key, "Host", "HOST");
        PutString(key, "Device Session", "S1");
    }
    void Make(const char* type, std::uint32_t answerBack = 0) {
        Configure(type, answerBack);
        device = std::make_unique<devices::CDevicePrinterATB2>("Device 01");
        Attach(*device);
    }
    // The printer sends a frame of its own (or raw bytes) and the host gets n messages.
    std::vector<std::string> FromPrinter(const Bytes& bytes, std::size_t n) {
        const std::size_t before = host->Sent().size();
        EXPECT_TRUE(sim->Send(bytes));
        auto sent = WaitSent(before + n);
        return {sent.begin() + static_cast<std::ptrdiff_t>(before), sent.end()};
    }
    std::string Sent(std::size_t i) { return WaitSent(i + 1).at(i); }
    // After the reset the printer's own frames wait for the host's first message: "AA",
    // answered by the printer.
    void Prime() {
        const std::size_t before = host->Sent().size();
        Deliver(Hex("C1 C1 C1 C1 4E"));
        EXPECT_EQ(Sent(before), Hex("C3 C1 F2 F0 4E"));
    }
    void AirlineMessage(std::uint32_t answerBack);

    LineKind kind = LineKind::Atb2;
    std::unique_ptr<LinePrinter> sim;
    std::unique_ptr<devices::CDevicePrinterATB2> device;
};

TEST_F(PortPrinterTest, AMessageIsFramedAndThePrinterAnswerReachesTheHost) {
    Make("Printer (ATB2)");
    EXPECT_EQ(host->Sent().at(0), Hex("C3 5D 7C F2 F0 4E"));  // the reset's answer
    Deliver(Hex("C1 C1 C1 C1 4E"));
    ASSERT_TRUE(sim->WaitFrames(1, std::chrono::seconds(10)));
    EXPECT_EQ(sim->Received(), B("02 02 02 41 41 03 03 F3"));
    EXPECT_EQ(Sent(1), Hex("C3 C1 F2 F0 4E"));
}

// The printer's own message ("D", its sequence letter, six blanks and four digits).
const char* kDMessage = "44 41 20 20 20 20 20 20 31 32 33 34";
const char* kDToHost = "E6 5C C4 C1 40 40 40 40 40 40 F1 F2 F3 F4 4E";

TEST_F(PortPrinterTest, FramesAreCutFromPiecesTwoInOneReadAndAfterJunk) {
    Make("Printer (ATB2)");
    Prime();
    Bytes answer = B("02 02 02 43 41 32 30 03 03 8B");
    Bytes d = printersim::EncodeFrame(LineKind::Atb2, B(kDMessage));
    EXPECT_EQ(FromPrinter(d, 1), std::vector<std::string>{Hex(kDToHost)});

    Bytes both = B("55 02 02 41 03 77");  // junk first
    both.insert(both.end(), answer.begin(), answer.end());
    both.insert(both.end(), d.begin(), d.end());
    const std::size_t cut = 11;  // within the answer's frame
    EXPECT_TRUE(sim->Send(Bytes(both.begin(), both.begin() + cut)));
    EXPECT_EQ(FromPrinter(Bytes(both.begin() + cut, both.end()), 2),
              (std::vector<std::string>{Hex("C3 C1 F2 F0 4E"), Hex(kDToHost)}));
}

// The airline printer's own message is acknowledged to the printer with an "E" frame and
// reaches the host only with "Answer Back".
void PortPrinterTest::AirlineMessage(std::uint32_t answerBack) {
    Make(devices::CDevicePrinterATB2::kAirlineType, answerBack);
    Prime();
    const std::size_t before = host->Sent().size();
    ASSERT_TRUE(sim->SendFrame(B(kDMessage)));
    ASSERT_TRUE(sim->WaitFrames(2, std::chrono::seconds(10)));
    EXPECT_EQ(sim->Frames().back().data, B("45 41"));  // "E" and the printer's letter
    const Bytes tail = sim->Received();
    EXPECT_EQ(Bytes(tail.end() - 8, tail.end()), B("02 02 02 45 41 03 07 F2"));
    std::size_t next = before;
    if (answerBack) {
        EXPECT_NE(Sent(next++).find(Hex("F1 F2 F3 F4")), std::string::npos);
    }
    // The host's next message makes its own answer the next thing the host sees.
    Deliver(Hex("C3 D9 4E"));
    EXPECT_EQ(Sent(next), Hex("C3 5D 7C F2 F0 4E"));
}

TEST_F(PortPrinterTest, TheAirlinePrintersMessageIsNotPassedOnWithoutAnswerBack) {
    AirlineMessage(0);
}

TEST_F(PortPrinterTest, TheAirlinePrintersMessageIsPassedOnWithAnswerBack) {
    AirlineMessage(1);
}

TEST_F(PortPrinterTest, ABadBlockCheckIsAnsweredWithStatusTwo) {
    // The printer's own check on our frame fails: it says so, and the host hears it.
    sim->SetAnswerer([](const printersim::LineFrame& f) {
        printersim::LineFrame bad = f;
        bad.checkOk = false;
        return LinePrinter::DefaultAnswer(LineKind::Atb2, bad);
    });
    Make("Printer (ATB2)");
    Deliver(Hex("C1 C1 C1 C1 4E"));
    EXPECT_EQ(Sent(1), Hex("C3 C1 F2 F2 4E"));
}

class AsyncMiniTest : public PortPrinterTest {
protected:
    AsyncMiniTest() { kind = LineKind::AsyncMini; }
    void MakeAsync() {
        Configure("Async-Mini");
        mini = std::make_unique<devices::CDeviceAsyncMini>("Device 01");
        Attach(*mini);
    }
    void TearDown() override {
        mini.reset();
        PortPrinterTest::TearDown();
    }
    // Answers the n-th frame (1-based) with data, the others not at all (n 0: none).
    void AnswerOnly(int n, const char* data) {
        auto count = std::make_shared<int>(0);
        const Bytes answer = printersim::EncodeFrame(LineKind::AsyncMini, B(data));
        sim->SetAnswerer([count, n, answer](const printersim::LineFrame&) -> std::optional<Bytes> {
            if (++*count == n) return answer;
            return std::nullopt;
        });
    }
    std::unique_ptr<devices::CDeviceAsyncMini> mini;
};

TEST_F(AsyncMiniTest, AnAnsweredBufferReachesTheHostOnce) {
    MakeAsync();
    EXPECT_EQ(host->Sent().at(0), Hex("C3 5D 7C F0 F0 4E"));
    Deliver(Hex("C1 C1 C1 C1 4E"));
    EXPECT_EQ(Sent(1), Hex("C3 C1 F0 F0 4E"));
    EXPECT_EQ(sim->Received(), B("16 16 41 41 17 17"));
    // A second answer to the same buffer is not passed on: the answer to the host's next
    // message is the next thing it sees.
    ASSERT_TRUE(sim->SendFrame(B("43 41 30 30")));
    Deliver(Hex("C3 D9 4E"));
    EXPECT_EQ(Sent(2), Hex("C3 5D 7C F0 F0 4E"));
}

TEST_F(AsyncMiniTest, ABufferNeverAnsweredIsWrittenThreeTimesThenGivenUp) {
    AnswerOnly(0, "43 41 30 30");
    MakeAsync();
    Deliver(Hex("C1 C1 C1 C1 4E"));
    EXPECT_EQ(Sent(1), Hex("C3 7C F0 F3 4E"));
    EXPECT_EQ(sim->Frames().size(), 3u);
}

// An answer with another sequence letter is not the buffer's: the writes go on, and the
// answer after the repeat reaches the host as a transmission with retries.
TEST_F(AsyncMiniTest, OnlyTheBuffersOwnAnswerCountsAndAfterARepeatItSaysSix) {
    auto count = std::make_shared<int>(0);
    sim->SetAnswerer([count](const printersim::LineFrame&) -> std::optional<Bytes> {
        const char* data = ++*count == 1 ? "43 42 30 30" : "43 41 30 30";
        return printersim::EncodeFrame(LineKind::AsyncMini, B(data));
    });
    MakeAsync();
    Deliver(Hex("C1 C1 C1 C1 4E"));
    EXPECT_EQ(Sent(1), Hex("C3 C1 F0 F6 4E"));
    EXPECT_EQ(sim->Frames().size(), 2u);
}

// Once the host has sent another message, an answer to the one before is late: it is not
// passed on, and the buffer in flight is given up after its writes.
TEST_F(AsyncMiniTest, AnAnswerToAMessageTheHostMovedPastIsDropped) {
    AnswerOnly(0, "43 41 30 30");
    MakeAsync();
    Deliver(Hex("C1 C1 C1 C1 4E"));
    ASSERT_TRUE(PumpUntil([&] { return sim->Frames().size() == 1; }));
    Deliver(Hex("C1 C2 C1 C2 4E"));  // the host's current message is now B
    ASSERT_TRUE(sim->SendFrame(B("43 41 30 30")));
    const auto sent = WaitSent(3);
    EXPECT_EQ(sent.at(2), Hex("C3 C1 F0 F3 4E"));  // given up, not answered
    EXPECT_EQ(std::count(sent.begin(), sent.end(), Hex("C3 C1 F0 F0 4E")), 0);
    EXPECT_EQ(sim->Frames().size(), 3u);
}

}  // namespace
}  // namespace devkinds
