// The serial line over a pseudo-terminal: the test plays the device on the master side.
#include "platform/SerialPort.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/ParallelPort.h"
#include "platform/PortBackend.h"
#include "platform/PortMap.h"
#include "support/PtyPair.h"
#include "support/TempRoot.h"

namespace {

using namespace platform;
using Clock = std::chrono::steady_clock;

// The far end of the line, played by the test, with a look at the line's termios.
class Pty {
public:
    Pty() : path(pair.path()) {
        // Opened before the line under test takes it exclusively.
        slave = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    }
    ~Pty() {
        if (slave >= 0) ::close(slave);
    }
    bool ok() const { return slave >= 0; }
    void send(const std::string& bytes) { pair.Send(bytes); }
    // What the line sent: want bytes, or fewer when the deadline passes first.
    std::string receive(std::size_t want, int limitMs = 5000) {
        const std::vector<std::uint8_t> got =
            pair.ReadExactly(want, std::chrono::milliseconds(limitMs));
        return std::string(got.begin(), got.end());
    }
    tcflag_t cflag() const {
        termios tio{};
        ::tcgetattr(slave, &tio);
        return tio.c_cflag;
    }

    support::PtyPair pair;
    std::string path;
    int slave = -1;
};

class SerialPortTest : public support::TempRootTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        line = OpenSerialDevice(pty.path);
        ASSERT_TRUE(line);
    }
    // Waits until the line holds at least n received bytes.
    void waitQueued(DWORD n) {
        DWORD errors = 0;
        ComStat stat;
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        do {
            ASSERT_TRUE(line->ClearCommError(errors, &stat));
        } while (stat.cbInQue < n && Clock::now() < deadline);
        ASSERT_GE(stat.cbInQue, n);
    }
    Pty pty;
    std::unique_ptr<SerialLine> line;
};

// Waits until the thread (set by itself, 0 before) sleeps in a wait of the kernel.
bool waitAsleep(const std::atomic<pid_t>& thread) {
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < deadline) {
        std::ifstream stat("/proc/self/task/" + std::to_string(thread.load()) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const std::size_t name = text.rfind(')');
        if (thread.load() != 0 && name != std::string::npos && name + 2 < text.size() &&
            text[name + 2] == 'S')
            return true;
        std::this_thread::yield();
    }
    return false;
}

Dcb settings(DWORD baud, std::uint8_t bits, std::uint8_t parity, std::uint8_t stop) {
    Dcb dcb;
    dcb.BaudRate = baud;
    dcb.fBinary = true;
    dcb.ByteSize = bits;
    dcb.Parity = parity;
    dcb.StopBits = stop;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    return dcb;
}

TEST_F(SerialPortTest, TheDeviceIsOpenedExclusivelyAndOnlyAsATerminal) {
    SetLastError(0);
    EXPECT_FALSE(OpenSerialDevice(pty.path));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    line.reset();
    EXPECT_TRUE(OpenSerialDevice(pty.path));  // free again once let go

    EXPECT_FALSE(OpenSerialDevice((root / "none").string()));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    root.WriteFile("plain", "x");
    EXPECT_FALSE(OpenSerialDevice((root / "plain").string()));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(SerialPortTest, SettingsBecomeTermiosOrAreRefused) {
    struct Case {
        const char* label;
        Dcb dcb;
        bool ok;
        DWORD error;
        tcflag_t set, clear;  // cflag bits that must be set and clear afterwards
    };
    Dcb dsr = settings(9600, 8, NOPARITY, ONESTOPBIT);
    dsr.fOutxDsrFlow = true;
    dsr.fDtrControl = DTR_CONTROL_HANDSHAKE;
    dsr.fOutxCtsFlow = true;
    dsr.fRtsControl = RTS_CONTROL_HANDSHAKE;
    const Case cases[] = {
        {"8N1", settings(9600, 8, NOPARITY, ONESTOPBIT), true, 0, CS8, PARENB | CSTOPB},
        {"7E2", settings(19200, 7, EVENPARITY, TWOSTOPBITS), true, 0, CS7 | PARENB | CSTOPB,
         PARODD | CMSPAR},
        {"7O1", settings(4800, 7, ODDPARITY, ONESTOPBIT), true, 0, CS7 | PARENB | PARODD, CMSPAR},
        {"mark", settings(9600, 8, MARKPARITY, ONESTOPBIT), true, 0, PARENB | CMSPAR | PARODD, 0},
        {"space", settings(9600, 8, SPACEPARITY, ONESTOPBIT), true, 0, PARENB | CMSPAR, PARODD},
        {"5 bits, 1.5 stop", settings(1200, 5, NOPARITY, ONE5STOPBITS), true, 0, CS5 | CSTOPB, 0},
        {"8 bits, 1.5 stop", settings(9600, 8, NOPARITY, ONE5STOPBITS), false,
         ERROR_INVALID_PARAMETER, 0, 0},
        {"5 bits, 2 stop", settings(9600, 5, NOPARITY, TWOSTOPBITS), false, ERROR_INVALID_PARAMETER,
         0, 0},
        {"4 bits", settings(9600, 4, NOPARITY, ONESTOPBIT), false, ERROR_INVALID_PARAMETER, 0, 0},
        {"odd speed", settings(12345, 8, NOPARITY, ONESTOPBIT), false, ERROR_INVALID_PARAMETER, 0,
         0},
        {"DSR handshake: the rest applies", dsr, false, ERROR_NOT_SUPPORTED, CS8 | CRTSCTS, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        // Start from a known state so refused settings show as unchanged.
        ASSERT_TRUE(line->SetCommState(settings(9600, 8, NOPARITY, ONESTOPBIT)));
        const tcflag_t before = pty.cflag();
        SetLastError(0);
        EXPECT_EQ(line->SetCommState(c.dcb), c.ok);
        if (!c.ok) {
            EXPECT_EQ(GetLastError(), c.error);
        }
        const tcflag_t after = pty.cflag();
        if (c.set == 0 && c.clear == 0) {
            EXPECT_EQ(after, before);
        } else {
            // A pseudo-terminal keeps 8 bits without parity whatever is asked, so only
            // the other bits show there.
            const tcflag_t seen = ~static_cast<tcflag_t>(CSIZE | PARENB);
            EXPECT_EQ(after & c.set & seen, c.set & seen);
            EXPECT_EQ(after & c.clear & seen, 0u);
        }
    }
}

TEST_F(SerialPortTest, RatesOfferedWithoutASpeedCodeOfTheirOwnReachTheLine) {
    // 9600 last: a standard rate after a free one is a standard rate again.
    for (const DWORD baud : {7200u, 14400u, 56000u, 128000u, 256000u, 9600u}) {
        SCOPED_TRACE(baud);
        SetLastError(0);
        EXPECT_TRUE(line->SetCommState(settings(baud, 8, NOPARITY, ONESTOPBIT)));
        EXPECT_EQ(GetLastError(), 0u);
        // The line itself keeps the rate: a new opening reads it back from the device.
        line.reset();
        line = OpenSerialDevice(pty.path);
        ASSERT_TRUE(line);
        Dcb dcb;
        ASSERT_TRUE(line->GetCommState(dcb));
        EXPECT_EQ(dcb.BaudRate, baud);
    }
}

TEST_F(SerialPortTest, ReadTimeoutsKeepTheirMeanings) {
    ASSERT_TRUE(line->SetCommState(settings(9600, 8, NOPARITY, ONESTOPBIT)));
    char buffer[16];
    DWORD read = 0;
    struct Case {
        const char* label;
        CommTimeouts timeouts;
        const char* waiting;  // already sent before the read
        const char* expect;
        int minMs, maxMs;
    };
    const Case cases[] = {
        {"interval MAXDWORD: at once, empty", {MAXDWORD, 0, 0, 0, 0}, "", "", 0, 1000},
        {"interval MAXDWORD: at once, what is there",
         {MAXDWORD, 0, 0, 0, 0},
         "abc",
         "abc",
         0,
         1000},
        {"first byte or the constant", {MAXDWORD, MAXDWORD, 80, 0, 0}, "", "", 70, 5000},
        {"first byte present", {MAXDWORD, MAXDWORD, 5000, 0, 0}, "xy", "xy", 0, 2000},
        {"total time-out with fewer bytes", {0, 0, 80, 0, 0}, "12", "12", 70, 5000},
        {"total with all bytes",
         {0, 0, 5000, 0, 0},
         "0123456789abcdef",
         "0123456789abcdef",
         0,
         2000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ASSERT_TRUE(line->SetCommTimeouts(c.timeouts));
        if (*c.waiting) {
            pty.send(c.waiting);
            waitQueued(static_cast<DWORD>(std::string(c.waiting).size()));
        }
        const auto start = Clock::now();
        ASSERT_TRUE(line->ReadFile(buffer, sizeof buffer, read));
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        EXPECT_EQ(std::string(buffer, read), c.expect);
        EXPECT_GE(ms, c.minMs);
        EXPECT_LE(ms, c.maxMs);
    }
}

TEST_F(SerialPortTest, AReadOfWhatHasArrivedNeverWaitsWhateverTheTimeOuts) {
    // A total time-out that a plain read would wait out.
    ASSERT_TRUE(line->SetCommTimeouts({0, 0, 5000, 0, 0}));
    char buffer[8];
    DWORD read = 99;
    const auto start = Clock::now();
    EXPECT_EQ(line->ReadArrived(buffer, sizeof buffer, read), SerialLine::Arrived::Read);
    EXPECT_EQ(read, 0u);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));

    pty.send("abc");
    waitQueued(3);
    ASSERT_EQ(line->ReadArrived(buffer, 2, read), SerialLine::Arrived::Read);
    EXPECT_EQ(std::string(buffer, read), "ab");
    ASSERT_EQ(line->ReadArrived(buffer, sizeof buffer, read), SerialLine::Arrived::Read);
    EXPECT_EQ(std::string(buffer, read), "c");

    line->Cancel();
    EXPECT_EQ(line->ReadArrived(buffer, sizeof buffer, read), SerialLine::Arrived::Failed);
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
    EXPECT_EQ(read, 0u);
}

// While readers come the notification wait leaves the input to them and comes back only
// now and then; neither bytes that no reader took nor output sent meanwhile go unreported.
TEST_F(SerialPortTest, EventsLeftToReadersAndWritersAreReportedLaterButNeverLost) {
    ASSERT_TRUE(line->SetCommMask(EV_RXCHAR | EV_TXEMPTY));
    ASSERT_TRUE(line->SetCommTimeouts({MAXDWORD, 0, 0, 0, 0}));
    struct Case {
        const char* label;
        bool readerComes;
        bool write;  // else the far end sends
        DWORD expect;
    };
    const Case cases[] = {
        {"output sent with the wait idle", false, true, EV_TXEMPTY},
        {"bytes no reader took", true, false, EV_RXCHAR},
        {"output sent with a reader about", true, true, EV_TXEMPTY},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        if (c.readerComes) line->ReaderComing();
        std::mutex lock;
        std::condition_variable ended;
        bool done = false;
        bool ok = false;
        DWORD events = 0;
        std::atomic<pid_t> waiterId{0};
        std::thread waiter([&] {
            waiterId = static_cast<pid_t>(::gettid());
            const bool waited = line->WaitCommEvent(events);
            std::lock_guard<std::mutex> hold(lock);
            ok = waited;
            done = true;
            ended.notify_all();
        });
        // The news comes while the wait sleeps (it would see it at once before).
        EXPECT_TRUE(waitAsleep(waiterId));
        DWORD written = 0;
        if (c.write)
            EXPECT_TRUE(line->WriteFile("w", 1, written));
        else
            pty.send("r");
        {
            // A report that never comes fails the case instead of hanging it: a new mask
            // ends the wait with no events.
            std::unique_lock<std::mutex> hold(lock);
            if (!ended.wait_for(hold, std::chrono::seconds(10), [&] { return done; }))
                static_cast<void>(line->SetCommMask(EV_RXCHAR | EV_TXEMPTY));
        }
        waiter.join();
        EXPECT_TRUE(ok);
        EXPECT_EQ(events, c.expect);
        char drain[4];
        DWORD read = 0;
        if (c.write)
            EXPECT_EQ(pty.receive(1), "w");
        else
            ASSERT_TRUE(line->ReadFile(drain, sizeof drain, read));
    }
}

TEST_F(SerialPortTest, AWriteOutOfTimeReportsExactlyWhatWentOut) {
    ASSERT_TRUE(line->SetCommState(settings(9600, 8, NOPARITY, ONESTOPBIT)));
    ASSERT_TRUE(line->SetCommTimeouts({0, 0, 0, 0, 100}));
    // Nobody reads the master side, so the pseudo-terminal's buffer fills up.
    std::vector<char> big(1 << 20);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('a' + i % 26);
    DWORD written = 0;
    ASSERT_TRUE(line->WriteFile(big.data(), static_cast<DWORD>(big.size()), written));
    ASSERT_GT(written, 0u);
    ASSERT_LT(written, big.size());
    EXPECT_EQ(GetLastError(), ERROR_TIMEOUT);
    const std::string got = pty.receive(written + 1, 500);
    EXPECT_EQ(got, std::string(big.data(), written));
}

TEST_F(SerialPortTest, TheWaitReportsInputAndDrainedOutputAndEndsOnMaskOrCancel) {
    ASSERT_TRUE(line->SetCommState(settings(9600, 8, NOPARITY, ONESTOPBIT)));
    ASSERT_TRUE(line->SetCommMask(EV_RXCHAR | EV_TXEMPTY));
    DWORD events = 0;
    pty.send("in");
    ASSERT_TRUE(line->WaitCommEvent(events));
    EXPECT_EQ(events, EV_RXCHAR);

    DWORD written = 0;
    ASSERT_TRUE(line->WriteFile("out", 3, written));
    ASSERT_TRUE(line->WaitCommEvent(events));
    EXPECT_EQ(events, EV_TXEMPTY);
    EXPECT_EQ(pty.receive(3), "out");

    // Unread bytes do not make the wait spin; more bytes are news again.
    std::thread later([&] { pty.send("more"); });
    ASSERT_TRUE(line->WaitCommEvent(events));
    EXPECT_EQ(events, EV_RXCHAR);
    later.join();

    // A new mask ends a pending wait with no events.
    char drain[16];
    DWORD read = 0;
    ASSERT_TRUE(line->SetCommTimeouts({MAXDWORD, 0, 0, 0, 0}));
    ASSERT_TRUE(line->ReadFile(drain, sizeof drain, read));
    std::atomic<bool> done{false};
    std::thread masker([&] {
        for (int i = 0; i < 10000 && !done; ++i) {
            static_cast<void>(line->SetCommMask(EV_RXCHAR));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    events = 99;
    EXPECT_TRUE(line->WaitCommEvent(events));
    done = true;
    masker.join();
    EXPECT_EQ(events, 0u);

    std::thread canceller([&] { line->Cancel(); });
    EXPECT_FALSE(line->WaitCommEvent(events));
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
    canceller.join();
    EXPECT_FALSE(line->ReadFile(drain, sizeof drain, read));
}

// The wait of a reader beside another reader of the line: it wakes for bytes that arrive,
// at once for bytes another reader took since it looked, and not at all on a quiet line.
TEST_F(SerialPortTest, TheInputWaitWakesForArrivingBytesAndForBytesTakenByAnother) {
    ASSERT_TRUE(line->SetCommTimeouts({MAXDWORD, 0, 0, 0, 0}));
    const auto start = Clock::now();
    EXPECT_EQ(line->WaitInput(line->InputTaken(), 50), SerialLine::kInputTimeout);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(50));

    std::uint64_t taken = line->InputTaken();
    std::thread sender([&] { pty.send("ab"); });
    EXPECT_EQ(line->WaitInput(taken, 60000), SerialLine::kInputWoken);
    sender.join();
    waitQueued(2);

    // Another reader takes the bytes after this one looked at the count: no wait at all.
    char buffer[8];
    DWORD read = 0;
    ASSERT_TRUE(line->ReadFile(buffer, sizeof buffer, read));
    EXPECT_EQ(std::string(buffer, read), "ab");
    EXPECT_EQ(line->WaitInput(taken, 60000), SerialLine::kInputWoken);

    // ... or while this one waits.
    taken = line->InputTaken();
    std::thread other([&] {
        pty.send("c");
        char byte = 0;
        DWORD got = 0;
        for (int i = 0; i < 5000 && got == 0; ++i) {
            ASSERT_TRUE(line->ReadFile(&byte, 1, got));
            if (got == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    // The arriving byte or its taking wakes the wait; in the end the count has moved.
    EXPECT_EQ(line->WaitInput(taken, 60000), SerialLine::kInputWoken);
    other.join();
    EXPECT_NE(line->InputTaken(), taken);

    // A wake meant for the wait before may end one more wait early (the reader looks
    // again); after that the wait lasts until the line is cancelled.
    std::thread canceller([&] { line->Cancel(); });
    int result = SerialLine::kInputWoken;
    for (int i = 0; i < 2 && result == SerialLine::kInputWoken; ++i)
        result = line->WaitInput(line->InputTaken(), 60000);
    EXPECT_EQ(result, SerialLine::kInputRefused);
    canceller.join();
}

TEST_F(SerialPortTest, ModemLinesAndErrorsOfAPseudoTerminalAreNotInvented) {
    DWORD status = 0;
    EXPECT_FALSE(line->GetCommModemStatus(status));
    pty.send("abc");
    waitQueued(3);
    DWORD errors = 1;
    ComStat stat;
    ASSERT_TRUE(line->ClearCommError(errors, &stat));
    EXPECT_EQ(errors, 0u);
    EXPECT_EQ(stat.cbInQue, 3u);
    EXPECT_TRUE(line->PurgeComm(PURGE_RXCLEAR | PURGE_RXABORT));
    ASSERT_TRUE(line->ClearCommError(errors, &stat));
    EXPECT_EQ(stat.cbInQue, 0u);
}

TEST(ParallelPortTest, WritesAndReadsThroughTheMappedDevice) {
    support::TempRoot root;
    Pty pty;
    ASSERT_TRUE(pty.ok());
    SetPortPath("LPT2", pty.path);
    auto line = SystemPortBackend().OpenParallel("LPT2");
    ClearPortPaths();
    ASSERT_TRUE(line);
    SetLastError(0);
    EXPECT_FALSE(OpenParallelDevice(pty.path));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    DWORD errors = 1;
    EXPECT_TRUE(line->ClearCommError(errors, nullptr));
    EXPECT_EQ(errors, 0u);
    DWORD count = 0;
    ASSERT_TRUE(line->Write("ticket", 6, count, MAXDWORD));
    EXPECT_EQ(count, 6u);
    EXPECT_EQ(pty.receive(6), "ticket");
    char buffer[8];
    const auto start = Clock::now();
    ASSERT_TRUE(line->Read(buffer, sizeof buffer, count, 30));
    EXPECT_EQ(count, 0u);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(25));
    pty.send("ok\n");  // the stand-in terminal passes whole lines
    ASSERT_TRUE(line->Read(buffer, sizeof buffer, count, 5000));
    EXPECT_EQ(std::string(buffer, count), "ok\n");
}

}  // namespace
