#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <regex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "LogEntries.h"
#include "core/TraceLog.h"
#include "notify/Notify.h"
#include "platform/Win32Error.h"
#include "support/TempRoot.h"

namespace {

std::vector<LogEntry> ReadEntries() {
    return ReadLogEntries();
}

}  // namespace

TEST(TraceLog, EntriesCarryLabelTimeAndTextAndReturnTheTextAlone) {
    support::TempRoot home;
    CTraceLog log;
    platform::SetLastError(platform::ERROR_FILE_NOT_FOUND);
    struct Case {
        std::string returned;
        int level;
        std::string line;
    };
    const Case cases[] = {
        {log.TraceFormat(2, "dev.cpp", 41, "CDevice::SetState():", "'%s', Invalid eDeviceState=%i",
                         "LPT1", 7),
         2, "CDevice::SetState():  Time = T 'LPT1', Invalid eDeviceState=7"},
        {log.TraceFormat(0, "dev.cpp", 42, "CDevice::Open():", "%s", ""), 0, "CDevice::Open():"},
        {log.TraceString(0, "dev.cpp", 43, "CDevice::Close():", ""), 0, "CDevice::Close():"},
        {log.TraceString(0, "dev.cpp", 44, "A::B():", "ready"), 0, "A::B():  Time = T ready"},
        {log.TraceLastError("dev.cpp", 45, "CDevice::ShutDown(): ::WaitForSingleObject():"), 2,
         "CDevice::ShutDown(): ::WaitForSingleObject():  Time = T (2) The system cannot find "
         "the file specified."},
        {log.FormatErrorText("dev.cpp", 46, "X::Y():", platform::ERROR_ACCESS_DENIED), 2,
         "X::Y():  Time = T (5) Access is denied."},
        {log.FormatErrorText("dev.cpp", 47, "X::Y():", 987654), 2, "X::Y():  Time = T (987654) "},
    };
    EXPECT_EQ(cases[0].returned, "'LPT1', Invalid eDeviceState=7");
    EXPECT_EQ(cases[1].returned, "");
    EXPECT_EQ(cases[4].returned, "(2) The system cannot find the file specified.");
    EXPECT_EQ(cases[5].returned, "(5) Access is denied.");
    EXPECT_EQ(cases[6].returned, "(987654) ");

    const auto entries = ReadEntries();
    ASSERT_EQ(entries.size(), std::size(cases));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(entries[i].level, cases[i].level);
        EXPECT_EQ(entries[i].file, "dev.cpp");
        EXPECT_EQ(entries[i].line, 41 + static_cast<int>(i));
        EXPECT_EQ(WithoutTicks(entries[i].text), cases[i].line);
    }
}

TEST(TraceLog, LongTextsAreCutNotRefused) {
    support::TempRoot home;
    CTraceLog log;
    const std::string x600(600, 'x');
    EXPECT_EQ(log.TraceFormat(0, "f.cpp", 1, "L::M():", "%s", x600.c_str()), std::string(511, 'x'));
    EXPECT_EQ(log.TraceString(0, "f.cpp", 2, "L::M():", x600), x600);
    log.TraceMessage(0, x600);
    const std::uint8_t bytes[] = {'A', 0x00, 'B', 0xFF};
    log.TraceData(2, bytes, 4);

    const auto entries = ReadEntries();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].text.size(), 510u);
    EXPECT_EQ(entries[0].text.rfind("L::M():  Time = ", 0), 0u);
    EXPECT_EQ(entries[1].text.size(), 510u);
    EXPECT_EQ(entries[2].text, std::string(510, 'x'));
    EXPECT_EQ(entries[2].file, "");
    EXPECT_EQ(entries[3].level, 2);
    EXPECT_EQ(entries[3].text, "A\\x00B\xFF");
}

TEST(TraceLog, ExceptionIsAlwaysLoggedAndShownOnlyThroughTheNotice) {
    support::TempRoot home;
    CTraceLog log;
    const std::runtime_error error("disk gone " + std::string(300, 'e'));
    const std::string expected = "Exception: disk gone " + std::string(255 - 10, 'e');

    // No notice installed (a worker thread or a process without a display): nothing waits.
    EXPECT_EQ(log.TraceException("f.cpp", 7, error, "CFile::Write():", "Exception:"), expected);

    std::vector<std::string> shown;
    log.SetExceptionNotice([&](const std::string& text) {
        // The log's lock is released: the notice may log itself.
        log.TraceString(0, "ui.cpp", 1, "UI::Notice():", "shown");
        shown.push_back(text);
    });
    log.TraceException("f.cpp", 8, std::runtime_error("x"), "CFile::Write():", "Exception:");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "Exception: x");
    log.SetExceptionNotice({});
    log.SetExceptionNotice([](const std::string&) { throw std::runtime_error("no display"); });
    EXPECT_EQ(log.TraceException("f.cpp", 9, std::runtime_error("y"), "A::B():", "Exception:"),
              "Exception: y");

    const auto entries = ReadEntries();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].level, 3);
    EXPECT_EQ(WithoutTicks(entries[0].text), "CFile::Write():  Time = T " + expected);
    EXPECT_EQ(WithoutTicks(entries[1].text), "CFile::Write():  Time = T Exception: x");
    EXPECT_EQ(entries[2].file, "ui.cpp");
    EXPECT_EQ(entries[3].level, 3);
}

TEST(TraceLog, GlobalLogIsOneObjectAndMacrosPassTheCallersPlace) {
    support::TempRoot home;
    EXPECT_EQ(&TraceLog(), &TraceLog());
    const int line = __LINE__ + 1;
    EXPECT_EQ(TRACE_FORMAT(0, "T::M():", "%d-%s", 5, "five"), "5-five");
    const auto entries = ReadEntries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].line, line);
    EXPECT_NE(entries[0].file.find("TraceLogTest.cpp"), std::string::npos);
}

// Levels Notify does not keep are not even formatted: nothing is written and the text given
// back is empty (the exception text still reaches the user).
TEST(TraceLog, EntriesOfLevelsNotKeptAreNeitherFormattedNorWritten) {
    support::TempRoot home;
    ::setenv("TREVO_LOG_LEVEL", "2", 1);
    CTraceLog log;
    ::unsetenv("TREVO_LOG_LEVEL");
    EXPECT_EQ(log.TraceFormat(0, "f.cpp", 1, "A::B():", "%d", 1), "");
    EXPECT_EQ(log.TraceString(0, "f.cpp", 2, "A::B():", "dropped"), "");
    log.TraceMessage(0, "dropped");
    EXPECT_EQ(log.TraceFormat(2, "f.cpp", 3, "A::B():", "%d", 3), "3");
    EXPECT_EQ(log.FormatErrorText("f.cpp", 4, "A::B():", 5), "(5) Access is denied.");
    const auto entries = ReadEntries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].line, 3);
    EXPECT_EQ(entries[1].line, 4);
}

// A process killed in the middle of a burst from several threads: every entry that a thread
// had seen written is in the file afterwards, whole, each thread's in its order.
TEST(TraceLog, EveryEntryWrittenBeforeAKillIsInTheFileWhole) {
    support::TempRoot home;
    constexpr int kThreads = 4;
    constexpr int kReportsBeforeKill = 2000;
    int reports[2];
    ASSERT_EQ(::pipe(reports), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(reports[0]);
        CTraceLog log;
        const std::string filler(100, 'x');
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                for (int i = 0; i < 1000000; ++i) {
                    log.TraceFormat(0, "burst.cpp", t, "Burst::Run():", "%d:%d:%s", t, i,
                                    filler.c_str());
                    const int written[2] = {t, i};
                    if (::write(reports[1], written, sizeof written) != sizeof written) break;
                }
            });
        }
        for (auto& thread : threads) thread.join();
        ::_exit(0);
    }
    ::close(reports[1]);
    std::set<std::pair<int, int>> reported;
    std::string pending;
    auto readReports = [&](std::size_t atLeast) {
        char buffer[4096];
        while (reported.size() < atLeast) {
            const ssize_t n = ::read(reports[0], buffer, sizeof buffer);
            if (n <= 0) return;
            pending.append(buffer, static_cast<std::size_t>(n));
            std::size_t at = 0;
            for (; at + 2 * sizeof(int) <= pending.size(); at += 2 * sizeof(int)) {
                int record[2];
                std::memcpy(record, pending.data() + at, sizeof record);
                reported.emplace(record[0], record[1]);
            }
            pending.erase(0, at);
        }
    };
    readReports(kReportsBeforeKill);
    ASSERT_EQ(::kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status));
    readReports(SIZE_MAX);  // what the threads reported before they died
    ::close(reports[0]);
    const std::regex shape(R"(Burst::Run\(\):  Time = \d+ (\d):(\d+):x{100})");
    std::vector<int> last(kThreads, -1);
    std::set<std::pair<int, int>> logged;
    for (const auto& entry : ReadEntries()) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(entry.text, m, shape)) << entry.text;
        const int t = std::stoi(m[1]);
        const int i = std::stoi(m[2]);
        ASSERT_EQ(entry.line, t);
        EXPECT_EQ(i, last[t] + 1) << "thread " << t;
        last[t] = i;
        logged.emplace(t, i);
    }
    EXPECT_GE(reported.size(), static_cast<std::size_t>(kReportsBeforeKill));
    for (const auto& entry : reported)
        EXPECT_TRUE(logged.count(entry)) << entry.first << ":" << entry.second;

    // The next program to open the log alone mends what the kill left: the entries the
    // threads were copying when it came are dropped, every whole one stays in its place.
    CTraceLog().TraceFormat(0, "after.cpp", 1, "After::Kill():", "%s", "next");
    const std::string raw = home.ReadFile("log/veka.log").value_or("");
    const std::string whole = Notify::ReadLog();
    EXPECT_EQ(raw.substr(0, raw.find('\0')), whole);
    ASSERT_GE(whole.size(), 2u);
    EXPECT_NE(whole.find("After::Kill():", whole.rfind('\n', whole.size() - 2)), std::string::npos);
}
