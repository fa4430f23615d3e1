#include <gtest/gtest.h>

#include <regex>
#include <stdexcept>
#include <string>
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
