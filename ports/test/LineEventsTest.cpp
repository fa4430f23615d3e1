// Line events, line errors and writes of a serial port over the fake backend, which can
// raise what a pseudo-terminal cannot: modem changes, breaks, parity and framing errors.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "FakePortBackend.h"
#include "WaitFor.h"
#include "ports/CommLineservice.h"
#include "ports/PDM.h"
#include "support/TempRoot.h"

namespace lineserv_test {
namespace {

using namespace platform;

// Records the handlers in the order the notification thread calls them.
class RecordingPort : public PDM {
public:
    RecordingPort(const char* name)
        : PDM(name, 9600, DATABITS_8, STOPBITS_ONE, FLOWCONTROL_NONE, PARITY_NONE) {}
    ~RecordingPort() override { static_cast<void>(endDocPort()); }

    void onCTSevent(int s) override { record("CTS", s), PDM::onCTSevent(s); }
    void onDSRevent(int s) override { record("DSR", s), PDM::onDSRevent(s); }
    void onCDevent(int s) override { record("CD", s), PDM::onCDevent(s); }
    void onRIevent(int s) override { record("RI", s), PDM::onRIevent(s); }
    void onBIevent(int s) override { record("BI", s), PDM::onBIevent(s); }
    void onOEevent(int s) override { record("OE", s), PDM::onOEevent(s); }
    void onPEevent(int s) override { record("PE", s), PDM::onPEevent(s); }
    void onFEevent(int s) override { record("FE", s), PDM::onFEevent(s); }
    void onOutputEmptyEvent(int s) override { record("TX", s), PDM::onOutputEmptyEvent(s); }
    void onDataAvailEvent(int s) override { record("RX", s), PDM::onDataAvailEvent(s); }

    std::vector<std::string> calls() {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_calls;
    }

private:
    void record(const char* what, int state) {
        std::lock_guard<std::mutex> hold(m_lock);
        m_calls.push_back(std::string(what) + ":" + std::to_string(state));
    }
    std::mutex m_lock;
    std::vector<std::string> m_calls;
};

class LineEventsTest : public support::TempRootTest {
protected:
    std::string log() { return root.ReadFile("Lineserv.Log").value_or(""); }
    FakePortBackend backend;
};

TEST_F(LineEventsTest, HandlersRunInTheirFixedOrderAndErrorsLeaveStickyStates) {
    struct Case {
        const char* label;
        bool parityNotified;
        std::vector<std::string> calls;
        int parityState;
    };
    const Case cases[] = {
        {"all notified",
         true,
         {"CTS:1", "DSR:0", "CD:1", "RI:1", "BI:0", "OE:0", "PE:0", "FE:0", "TX:0", "RX:0"},
         1},
        {"parity not notified",
         false,
         {"CTS:1", "DSR:0", "CD:1", "RI:1", "BI:0", "OE:0", "FE:0", "TX:0", "RX:0"},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string name = c.parityNotified ? "COM1" : "COM2";
        auto line = backend.line(name);
        // Everything is pending before the port opens, so one wait sees it all at once.
        line->setModem(MS_CTS_ON | MS_RLSD_ON | MS_RING_ON);
        line->raise(EV_DSR);
        line->injectErrors(CE_OVERRUN | CE_RXPARITY | CE_FRAME | CE_BREAK);
        line->raise(EV_TXEMPTY);
        line->injectInput({'a', 'b', 'c'});

        RecordingPort port(name.c_str());
        port.notifyOnCTSevent(1);
        port.notifyOnDSRevent(1);
        port.notifyOnCDevent(1);
        port.notifyOnRIevent(1);
        port.notifyOnBIevent(1);
        if (!c.parityNotified) port.notifyOnPEevent(0);
        ASSERT_EQ(port.startDocPort(), 1);
        ASSERT_TRUE(waitFor([&] { return port.calls().size() >= c.calls.size(); }));
        EXPECT_EQ(port.calls(), c.calls);

        // Each sticky state is handed out once.
        EXPECT_EQ(port.isOEState(), 1);
        EXPECT_EQ(port.isOEState(), 0);
        EXPECT_EQ(port.isPEState(), c.parityState);
        EXPECT_EQ(port.isFEState(), 1);
        EXPECT_EQ(port.isFEState(), 0);

        std::uint8_t buffer[8] = {};
        std::uint32_t read = 0;
        EXPECT_EQ(port.readPortT(buffer, sizeof buffer, &read, 1000), 1);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), read), "abc");
        EXPECT_EQ(port.closePort(), 1);
    }
    const std::string text = log();
    EXPECT_NE(text.find("PDM: COM1 Fired onCTSevent retCode: 1\n"), std::string::npos);
    EXPECT_NE(text.find("PDM: COM1 Fired onDSRevent retCode: 0\n"), std::string::npos);
    EXPECT_NE(text.find("PDM: COM1 Fired onPEevent\n"), std::string::npos);
    EXPECT_EQ(text.find("PDM: COM2 Fired onPEevent\n"), std::string::npos);
}

TEST_F(LineEventsTest, LineErrorsBecomeStatusTextsHandedOutOnce) {
    struct Case {
        DWORD errors;
        const char* text;  // the last of them in the fixed order
    };
    const Case cases[] = {
        {CE_RXOVER, "An input buffer overflow has occurred."},
        {CE_OVERRUN, "A character-buffer overrun has occurred."},
        {CE_RXPARITY | CE_FRAME, "The hardware detected a framing error."},
        {CE_BREAK, "The hardware detected a break condition."},
        {CE_TXFULL | CE_RXOVER,
         "The application tried to transmit a character, but the output buffer was full."},
        {CE_PTO, "A time-out occurred on a parallel device."},
        {CE_IOE, "An I/O error occurred during communications with the device."},
        {CE_DNS, "A parallel device is not selected."},
        {CE_OOP | CE_IOE, "A parallel device signaled that it is out of paper."},
        {CE_MODE | CE_FRAME, "The requested mode is not supported."},
    };
    // Without notifications the port's thread leaves the errors to the caller.
    CommLineservice port("COM4:");
    EXPECT_EQ(port.clearPortStatusError(), 0);
    EXPECT_NE(log().find("Lineserv: COM4: The supplied file handle is invalid.\n"),
              std::string::npos);
    ASSERT_EQ(port.startDocPort(), 1);
    auto line = backend.line("COM4");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        line->injectErrors(c.errors);
        EXPECT_EQ(port.clearPortStatusError(), 0);
        char* status = port.getLastPortStatus();
        ASSERT_NE(status, nullptr);
        EXPECT_STREQ(status, c.text);
        ::operator delete(status);
        EXPECT_EQ(port.getLastPortStatus(), nullptr);
        EXPECT_EQ(port.clearPortStatusError(), 1);
        EXPECT_EQ(port.getLastPortStatus(), nullptr);
    }
    EXPECT_NE(log().find("Lineserv: COM4: The hardware detected a framing error.\n"),
              std::string::npos);
    line->breakLine();
    EXPECT_EQ(port.clearPortStatusError(), 0);
    EXPECT_NE(log().find("Lineserv: COM4: ClearCommError1 failed retCode: 31\n"),
              std::string::npos);
}

TEST_F(LineEventsTest, WritesReportTheBytesThatWentOut) {
    PDM port("COM5", 9600, DATABITS_8, STOPBITS_ONE, FLOWCONTROL_NONE, PARITY_NONE);
    std::uint8_t data[10];
    std::memcpy(data, "0123456789", 10);
    std::uint32_t written = 99;
    EXPECT_EQ(port.writePort(data, 10, &written), 0);  // not open
    ASSERT_EQ(port.startDocPort(), 1);
    auto line = backend.line("COM5");

    EXPECT_EQ(port.writePortT(data, 4, &written, 5000), 1);
    EXPECT_EQ(written, 4u);

    // Out of time after 3 bytes: success with exactly those 3.
    line->limitWrites(3);
    EXPECT_EQ(port.writePort(data + 4, 6, &written), 1);
    EXPECT_EQ(written, 3u);
    EXPECT_NE(log().find("CommLineserv: COM5 Probable Write Timeout: Total of 3 bytes sent\n"),
              std::string::npos);
    EXPECT_EQ(line->written(), std::vector<std::uint8_t>({'0', '1', '2', '3', '4', '5', '6'}));

    // A failing line is a failure, never "0 bytes written, all well".
    line->breakLine();
    EXPECT_EQ(port.writePort(data, 10, &written), 0);
    EXPECT_EQ(written, 0u);
}

TEST_F(LineEventsTest, ClosingWakesAWaitingReaderAndWriter) {
    PDM port("COM6", 9600, DATABITS_8, STOPBITS_ONE, FLOWCONTROL_NONE, PARITY_NONE);
    ASSERT_EQ(port.startDocPort(), 1);
    auto line = backend.line("COM6");
    line->limitWrites(0);  // nothing drains, so the writer waits for "output empty"
    std::uint8_t buffer[16];
    std::uint32_t read = 0, written = 0;
    int readResult = -1, writeResult = -1;
    const auto start = std::chrono::steady_clock::now();
    std::thread reader([&] { readResult = port.readPortT(buffer, sizeof buffer, &read, 60000); });
    std::thread writer([&] { writeResult = port.writePortT(buffer, 4, &written, 60000); });
    ASSERT_TRUE(waitFor([&] { return line->writeCalls() == 1; }));
    EXPECT_EQ(port.closePort(), 1);
    reader.join();
    writer.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    EXPECT_EQ(readResult, 0);
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(port.getPortState(), 0);
}

TEST_F(LineEventsTest, BytesLeftInTheRingKeepTheNextTimedReadFromWaiting) {
    PDM port("COM8", 9600, DATABITS_8, STOPBITS_ONE, FLOWCONTROL_NONE, PARITY_NONE);
    ASSERT_EQ(port.startDocPort(), 1);
    backend.line("COM8")->injectInput({'a', 'b', 'c'});
    std::uint8_t buffer[8] = {};
    std::uint32_t read = 0;
    ASSERT_EQ(port.readPortT(buffer, 1, &read, 10000), 1);
    ASSERT_EQ(buffer[0], 'a');
    // A read that asks for nothing moves nothing, but "bc" still wait in the ring.
    EXPECT_EQ(port.readPortT(buffer, 0, &read, 0), 0);
    EXPECT_EQ(read, 0u);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(port.readPortT(buffer, sizeof buffer, &read, 10000), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), read), "bc");
    EXPECT_EQ(port.closePort(), 1);
}

TEST_F(LineEventsTest, APortDestroyedWhileBytesArriveStopsItsThreadFirst) {
    auto line = backend.line("COM7");
    std::atomic<bool> stop{false};
    std::thread feeder([&] {
        for (int i = 0; i < 100000 && !stop; ++i) line->injectInput({static_cast<std::uint8_t>(i)});
    });
    for (int round = 0; round < 20; ++round) {
        auto* port = new PDM("COM7", 9600, DATABITS_8, STOPBITS_ONE, FLOWCONTROL_NONE, PARITY_NONE);
        ASSERT_EQ(port->startDocPort(), 1);
        std::uint8_t buffer[64];
        std::uint32_t read = 0;
        static_cast<void>(port->readPortT(buffer, sizeof buffer, &read, 5));
        delete port;
    }
    stop = true;
    feeder.join();
    EXPECT_FALSE(line->open());
}

}  // namespace
}  // namespace lineserv_test
