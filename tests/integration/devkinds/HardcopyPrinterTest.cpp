// The document printer on a port end to end: host messages from the test control through the
// device to a pseudo-terminal, the printer's initialisation on a reset, the bag-tag form of
// messages, a write the line does not take, and the print queues on the same port paused
// while the device holds it.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "DeviceHarness.h"
#include "devices/DevicePrinter.h"
#include "platform/PortMap.h"
#include "spooler/Spooler.h"
#include "support/FakeClockScope.h"
#include "support/FakeSpooler.h"
#include "support/PtyPair.h"
#include "support/TestCupsd.h"

namespace devkinds {
namespace {

using devices::CDevicePrinter;

const std::string kInit = Hex("02 73 1B 0B 20 20 0F 10 1B 5B 32 3B 32 2F 7B 1B 12 03 59");
const std::string kTractor(
    "\x1B\x40\x1B[0;1!u\x1B"
    "C?\x1B[115r\x1BO\x1B[0;0;0;0;0;0#u\x1BN\x05\x00\x1B[1;1!u\x1B[6$p",
    51);
const std::string kSheet(
    "\x1B\x40\x1B[0;1!u\x1B[2;2/{\x1B"
    "C?\x1B[115r\x1BO\x1B[0;0;0;0;0;0#u\x1BN\x05\x00\x1B[1;1!u\x1B[2$p",
    58);

// A fake clock that runs a hundred times faster than real time, so the device's pauses and
// idle time-outs pass quickly whichever thread waits in them.
class RunningClock {
public:
    RunningClock()
        : m_thread([this] {
              for (int i = 0; i < 200000 && !m_stop; ++i) {
                  m_clock.Advance(100);
                  std::this_thread::sleep_for(std::chrono::milliseconds(1));
              }
          }) {}
    ~RunningClock() {
        m_stop = true;
        m_thread.join();
    }

private:
    support::FakeClockScope m_clock;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

class HardcopyPrinterTest : public DeviceEndToEnd {
protected:
    void SetUp() override {
        DeviceEndToEnd::SetUp();
        platform::SetPortPath("COM5", line.path());
    }
    void TearDown() override {
        device.reset();
        platform::ClearPortPaths();
        DeviceEndToEnd::TearDown();
    }
    void Configure(const char* type, const char* bin) {
        const std::string key = DeviceKey();
        PutString(key, "Device Type", type);
        PutString(key, "Device Name", "Copies");
        PutString(key, "Port", "COM5");
        PutDword(key, "Baud Rate", 9600);
        PutDword(key, "Data Bits", 8);
        PutString(key, "Emulation", "");
        PutString(key, "Flow Control", "None");
        PutString(key, "Parity", "None");
        PutString(key, "Stop Bits", "1");
        PutDword(key, "Insert Line Feed", 0);
        PutString(key, "Terminator Data", "");
        PutString(key, "Bin Choice", bin);
        PutString(key, "Host", "HOST");
        PutString(key, "Device Session", "S1");
    }
    void Make(const char* bin, bool hardcopy = true, bool bagTag = false) {
        Configure(hardcopy ? "Printer Mitosa Hardcopy"
                  : bagTag ? "Printer (ATB2-BAGTAG/Airline-TQX)"
                           : "Printer",
                  bin);
        device = std::make_unique<CDevicePrinter>("Device 01", hardcopy);
        device->SetBagTagMode(bagTag);
        Attach(*device);
    }
    std::string Line(std::size_t n) {
        const auto bytes = line.ReadExactly(n, std::chrono::seconds(10));
        return {bytes.begin(), bytes.end()};
    }

    RunningClock clock;
    support::PtyPair line;
    std::unique_ptr<CDevicePrinter> device;
};

struct BinCase {
    const char* bin;
    std::string form;
};

class HardcopyBinTest : public HardcopyPrinterTest,
                        public ::testing::WithParamInterface<BinCase> {};

TEST_P(HardcopyBinTest, AResetInitialisesThePrinterForItsBin) {
    support::FakeSpooler spooler;
    Make(GetParam().bin);
    EXPECT_EQ(Line(kInit.size() + GetParam().form.size()), kInit + GetParam().form);
    EXPECT_EQ(host->Sent().at(0), Hex("C3 7C F2 F0 4E"));
    EXPECT_TRUE(line.ReadAvailable(std::chrono::milliseconds(50)).empty());
}

INSTANTIATE_TEST_SUITE_P(Bins, HardcopyBinTest,
                         ::testing::Values(BinCase{"Manual Sheet Feeder", ""},
                                           BinCase{"Auto Sheet Feeder", kSheet},
                                           BinCase{"Other", kSheet}));

TEST_F(HardcopyPrinterTest, ASecondResetWithoutAWriteIsAnsweredAtOnce) {
    support::FakeSpooler spooler;
    Make("Manual Sheet Feeder");
    EXPECT_EQ(Line(kInit.size()), kInit);
    EXPECT_EQ(Send(Hex("C3 D9 4E")), '0');
    EXPECT_EQ(Send(HostMessage("C2 C1", "PAGE")), '0');
    EXPECT_EQ(Line(4), "PAGE");
}

TEST_F(HardcopyPrinterTest, BagTagMessagesAreReformatted) {
    support::FakeSpooler spooler;
    Make("", false, true);
    // A message with C1 "B" ends the document: a form feed, and the next one starts with ";".
    EXPECT_EQ(Send(HostMessage("C2 C1", "TAG")), '0');
    EXPECT_EQ(Line(5), ";TAG\x0C");
    EXPECT_EQ(Send(HostMessage("C2 C2", "NEXT")), '0');
    EXPECT_EQ(Line(6), ";NEXT\x0C");

    // The rewrite itself: "C?" pairs go at the start of a document, a "CT" document is only
    // acknowledged.
    CDevicePrinter& d = *device;
    EXPECT_EQ(d.MessagePrinterCreate("AC?BC?", false), ";AB");
    EXPECT_EQ(d.MessagePrinterCreate("C?X", true), "C?X\x0C");
    EXPECT_EQ(d.MessagePrinterCreate("CTX", false), std::nullopt);
    EXPECT_EQ(d.MessagePrinterCreate("MORE", true), std::nullopt);
    EXPECT_EQ(d.MessagePrinterCreate("C", true), ";C\x0C");
}

TEST_F(HardcopyPrinterTest, AMessageThatFindsNoPortIsKeptForTheNextAttempt) {
    support::FakeSpooler spooler;
    platform::SetPortPath("COM5", (root / "no-such-line").string());
    Make("Manual Sheet Feeder");
    EXPECT_EQ(AckStatus(host->Sent().at(0)), '4');
    EXPECT_EQ(Send(HostMessage("C2 C1", "ONE")), '4');
    // The host sends the message again: the kept buffer prints, once.
    platform::SetPortPath("COM5", line.path());
    EXPECT_EQ(Send(HostMessage("C2 C1", "ONE")), '0');
    EXPECT_EQ(Line(kInit.size() + 3), kInit + "ONE");
    EXPECT_TRUE(line.ReadAvailable(std::chrono::milliseconds(50)).empty());
}

// A bag-tag document that starts with "CT" is acknowledged message by message and never
// printed, and it leaves nothing for a reset to wait for. "C?" pairs go only at the start
// of a document.
TEST_F(HardcopyPrinterTest, ACtBagTagDocumentIsAcknowledgedButNotPrinted) {
    support::FakeSpooler spooler;
    Make("", false, true);
    EXPECT_EQ(Send(HostMessage("C1 C1", "C?TAGC?1")), '0');
    EXPECT_EQ(Line(5), ";TAG1");
    EXPECT_EQ(Send(HostMessage("C2 C2", "C?END")), '0');
    EXPECT_EQ(Line(6), "C?END\x0C");

    EXPECT_EQ(Send(HostMessage("C1 C3", "CTSKIP")), '0');
    EXPECT_EQ(Send(HostMessage("C2 C4", "C?TAIL")), '0');
    EXPECT_EQ(Send(Hex("C3 D9 4E")), '0');
    // The next document prints, and nothing of the skipped one came before it.
    EXPECT_EQ(Send(HostMessage("C2 C1", "NEXT")), '0');
    EXPECT_EQ(Line(6), ";NEXT\x0C");
}

// The line takes no more bytes (nobody reads its far end): the write times out, the host
// hears '4' and the buffer stays. When the host sends the message again, the write goes on
// where it stopped: the far end gets every byte once.
TEST_F(HardcopyPrinterTest, AFailedWriteKeepsItsBufferAndTheRetryWritesIt) {
    support::FakeSpooler spooler;
    Make("", false);
    std::string text(std::size_t{1} << 18, ' ');  // more than the line holds
    for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('A' + i % 26);
    const std::string message = HostMessage("C2 C1", text);
    EXPECT_EQ(Send(message), '4');
    EXPECT_EQ(device->RetryCounter(), 1);
    EXPECT_NE(device->Comm().GetPortState(), core::PORT_CLOSED);
    auto drained = std::async(std::launch::async, [&] { return Line(text.size()); });
    EXPECT_EQ(Send(message), '0');
    EXPECT_EQ(drained.get(), text);
}

// Taking the port pauses the queues on it one by one; when one refuses, those already
// paused print again and the port is let go. Once the queue can be paused, the next message
// takes the port.
TEST_F(HardcopyPrinterTest, AFailedPauseResumesTheQueuesItAlreadyPaused) {
    support::FakeSpooler spooler;
    const std::string onPort = "serial:" + line.path() + "?baud=9600";
    for (const char* name : {"First", "Refuses", "Last"}) spooler.AddQueue(name, onPort);
    spooler.AddQueue("Elsewhere", "serial:/dev/ttyS9");
    spooler.FailStateChange("Refuses");
    Make("Manual Sheet Feeder");
    EXPECT_EQ(AckStatus(host->Sent().at(0)), '4');
    EXPECT_EQ(spooler.PauseResumeCalls(),
              (std::vector<std::string>{"pause First", "pause Refuses", "resume First"}));
    for (const char* name : {"First", "Refuses", "Last", "Elsewhere"})
        EXPECT_EQ(spooler.State(name), spooler::QueueState::Idle) << name;
    EXPECT_EQ(device->Comm().GetPortState(), core::PORT_CLOSED);
    EXPECT_NE(device->GetLastError().find("does not exist"), std::string::npos);
    EXPECT_TRUE(line.ReadAvailable(std::chrono::milliseconds(50)).empty());

    spooler.FailStateChange("");
    EXPECT_EQ(Send(HostMessage("C2 C1", "ONE")), '0');
    EXPECT_EQ(Line(kInit.size() + 3), kInit + "ONE");
    for (const char* name : {"First", "Refuses", "Last"})
        EXPECT_EQ(spooler.State(name), spooler::QueueState::Stopped) << name;
    EXPECT_EQ(spooler.State("Elsewhere"), spooler::QueueState::Idle);
}

// Letting the port go resumes every queue on it, also when one of them refuses.
TEST_F(HardcopyPrinterTest, AQueueThatWillNotResumeKeepsNoOtherPaused) {
    support::FakeSpooler spooler;
    const std::string onPort = "serial:" + line.path();
    for (const char* name : {"Refuses", "Second"}) spooler.AddQueue(name, onPort);
    Make("Manual Sheet Feeder");
    EXPECT_EQ(AckStatus(host->Sent().at(0)), '0');
    spooler.FailStateChange("Refuses");
    EXPECT_EQ(Send(HostMessage("C2 C1", "ONE")), '0');
    EXPECT_EQ(Line(kInit.size() + 3), kInit + "ONE");
    ASSERT_TRUE(PumpUntil([&] { return device->Comm().GetPortState() == core::PORT_CLOSED; }));
    EXPECT_EQ(spooler.State("Second"), spooler::QueueState::Idle);
    EXPECT_EQ(spooler.State("Refuses"), spooler::QueueState::Stopped);
}

class HardcopyPrinterCupsTest : public HardcopyPrinterTest {
protected:
    void SetUp() override {
        HardcopyPrinterTest::SetUp();
        if (!support::TestCupsd::Available()) GTEST_SKIP() << "needs root and cupsd";
        cupsd = std::make_unique<support::TestCupsd>(root.path());
        ASSERT_TRUE(cupsd->Start()) << cupsd->ErrorLog();
    }
    void TearDown() override {
        device.reset();
        cupsd.reset();
        HardcopyPrinterTest::TearDown();
    }
    static spooler::QueueState State(const std::string& name) {
        for (const auto& q : spooler::Spooler().ListQueues())
            if (q.strName == name) return q.eState;
        return spooler::QueueState::Processing;
    }

    std::unique_ptr<support::TestCupsd> cupsd;
};

TEST_F(HardcopyPrinterCupsTest, QueuesOnThePortArePausedWhileItIsHeld) {
    ASSERT_TRUE(cupsd->AddQueue("OnPort", "serial:" + line.path() + "?baud=9600"));
    ASSERT_TRUE(cupsd->AddQueue("Elsewhere", "serial:/dev/ttyS9"));
    Make("Tractor Feeder");
    EXPECT_EQ(Line(kInit.size() + kTractor.size()), kInit + kTractor);
    EXPECT_EQ(host->Sent().at(0), Hex("C3 7C F2 F0 4E"));
    EXPECT_EQ(State("OnPort"), spooler::QueueState::Stopped);
    EXPECT_EQ(State("Elsewhere"), spooler::QueueState::Idle);

    EXPECT_EQ(Send(HostMessage("C2 C1", "PRINTED")), '0');
    EXPECT_EQ(Line(7), "PRINTED");
    // Idle: the port goes back and the queue prints again.
    EXPECT_TRUE(PumpUntil([&] {
        return State("OnPort") == spooler::QueueState::Idle &&
               device->Comm().GetPortState() == core::PORT_CLOSED;
    }));
    EXPECT_EQ(State("Elsewhere"), spooler::QueueState::Idle);
}

}  // namespace
}  // namespace devkinds
