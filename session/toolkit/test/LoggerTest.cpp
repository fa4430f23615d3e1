#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "platform/Time.h"
#include "support/TempRoot.h"
#include "toolkit/FileHandler.h"
#include "toolkit/Logger.h"

using UTKLogger::CLogger;
using UTKLogger::CPriority;

namespace {

class Capture : public UTKLogger::CLogMedia {
public:
    void Write(CPriority::EPRIORITY priority, const char* text) override {
        priorities.push_back(priority);
        texts.emplace_back(text);
    }
    std::vector<CPriority::EPRIORITY> priorities;
    std::vector<std::string> texts;
};

// Every test runs on a clock that stands still at 14:07:09.042 of some day.
class LoggerTest : public ::testing::Test {
protected:
    LoggerTest() : clock(0, platform::FakeClock::kDefaultWallMs + 6 * 3600000 + 7 * 60000 + 9042) {
        platform::SetClock(&clock);
    }
    ~LoggerTest() override { platform::ResetClock(); }

    // "Mon DD YYYY hh:mm:ss:mmm " of the fixed local time.
    static std::string Stamp() {
        static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
        const platform::SystemTime t = platform::GetLocalTime();
        char text[64];
        std::snprintf(text, sizeof text, "%s %02u %04u %02u:%02u:%02u:%03u ", months[t.wMonth - 1],
                      unsigned{t.wDay}, unsigned{t.wYear}, unsigned{t.wHour}, unsigned{t.wMinute},
                      unsigned{t.wSecond}, unsigned{t.wMilliseconds});
        return text;
    }

    platform::FakeClock clock;
    Capture media;
};

TEST_F(LoggerTest, LinesCarryTimeLetterContextAndMessage) {
    CLogger logger(CPriority::ERROR);
    logger.AddLogMedia(media);
    logger.Log(CPriority::ERROR, "CSessionBase::Send", "Returning %s", "COMM_ERR_TIMEOUT");
    logger.Log(CPriority::INFO, "dropped", "above the threshold");
    logger.Log(CPriority::FATAL, nullptr, "no context");
    logger.Log(CPriority::ERROR, "ctx", nullptr);
    logger.Write(CPriority::DEBUG, "written whatever its priority");
    logger.Write(CPriority::DEBUG, nullptr);
    ASSERT_EQ(media.texts.size(), 3u);
    EXPECT_EQ(media.texts[0], Stamp() + "E CSessionBase::Send>Returning COMM_ERR_TIMEOUT\n");
    EXPECT_EQ(media.texts[1], Stamp() + "F  >no context\n");
    EXPECT_EQ(media.texts[2], "written whatever its priority");
    EXPECT_EQ(media.priorities[2], CPriority::DEBUG);
    EXPECT_STREQ(CLogger::GetVersion(), "1.3.0.12");
}

TEST_F(LoggerTest, EveryPriorityHasItsLetter) {
    CLogger logger(static_cast<CPriority::EPRIORITY>(1000));
    logger.AddLogMedia(media);
    const std::pair<int, char> letters[] = {{0, 'O'},   {100, 'F'}, {200, 'A'}, {300, 'C'},
                                            {400, 'E'}, {500, 'W'}, {600, 'N'}, {650, 'U'},
                                            {700, 'I'}, {800, 'D'}, {999, 'U'}};
    for (const auto& [priority, letter] : letters) {
        logger.Log(static_cast<CPriority::EPRIORITY>(priority), "c", "m");
        ASSERT_FALSE(media.texts.empty());
        EXPECT_EQ(media.texts.back(), Stamp() + letter + " c>m\n") << priority;
    }
}

TEST_F(LoggerTest, LongMessagesAreWrittenWhole) {
    CLogger logger(CPriority::DEBUG);
    logger.AddLogMedia(media);
    const std::string message(5000, 'm');
    logger.Log(CPriority::DEBUG, "ctx", "%s|", message.c_str());
    ASSERT_EQ(media.texts.size(), 1u);
    EXPECT_EQ(media.texts[0], Stamp() + "D ctx>" + message + "|\n");
}

TEST_F(LoggerTest, HexDumpsLayOutOffsetsDigitsAndCharacters) {
    CLogger logger(CPriority::DEBUG);
    logger.AddLogMedia(media);
    std::vector<std::uint8_t> letters;
    for (std::uint8_t b = 0x41; b <= 0x54; ++b) {
        letters.push_back(b);
    }
    logger.LogHex(CPriority::DEBUG, "Recv", 20, letters.data(), CLogger::HEX_XLATE_ASCII, 16);
    ASSERT_EQ(media.texts.size(), 1u);  // one medium call for the whole dump
    const std::string p = Stamp() + "D Recv";
    EXPECT_EQ(media.texts[0],
              p + ">| 00 - 0F | 4142434445464748494A4B4C4D4E4F50 | ABCDEFGHIJKLMNOP |\n" + p +
                  ">| 10 - 13 | 51525354" + std::string(24, ' ') + " | QRST" +
                  std::string(12, ' ') + " |\n");

    media.texts.clear();
    const std::uint8_t mixed[] = {0x00, 0x1F, 0x25, 0x7F, 0xC1, 0x81, 0x6C, 0x40};
    logger.LogHex(CPriority::DEBUG, nullptr, 8, mixed, CLogger::HEX_XLATE_ASCII, 8);
    logger.LogHex(CPriority::DEBUG, nullptr, 8, mixed, CLogger::HEX_XLATE_EBCDIC, 8);
    logger.LogHex(CPriority::DEBUG, nullptr, 8, mixed, CLogger::HEX_XLATE_NONE, 8);
    const std::string q = Stamp() + "D  ";
    ASSERT_EQ(media.texts.size(), 3u);
    EXPECT_EQ(media.texts[0], q + ">| 0 - 7 | 001F257FC1816C40 | ....\xC1\x81l@ |\n");
    EXPECT_EQ(media.texts[1], q + ">| 0 - 7 | 001F257FC1816C40 | ...\"Aa%. |\n");
    EXPECT_EQ(media.texts[2], q + ">| 0 - 7 | 001F257FC1816C40 |\n");
}

TEST_F(LoggerTest, HexDumpLineSizesAndEmptyDumps) {
    CLogger logger(CPriority::DEBUG);
    logger.AddLogMedia(media);
    const std::vector<std::uint8_t> bytes(300, 0xAB);
    logger.LogHex(CPriority::DEBUG, "c", 300, bytes.data(), CLogger::HEX_XLATE_NONE, 0);
    ASSERT_EQ(media.texts.size(), 1u);
    const std::string& dump = media.texts[0];
    EXPECT_NE(dump.find(">| 000 - 00F | "), std::string::npos);
    EXPECT_NE(dump.find(">| 120 - 12B | "), std::string::npos);  // the last 12 bytes
    int lines = 0;
    for (const char c : dump) {
        lines += c == '\n' ? 1 : 0;
    }
    EXPECT_EQ(lines, 19);

    media.texts.clear();
    logger.LogHex(CPriority::DEBUG, "c", 600, std::vector<std::uint8_t>(600).data(),
                  CLogger::HEX_XLATE_NONE, 1000);  // at most 255 per line
    EXPECT_NE(media.texts[0].find(">| 000 - 0FE | "), std::string::npos);
    logger.LogHex(CPriority::DEBUG, "c", 0, bytes.data(), CLogger::HEX_XLATE_ASCII, 16);
    logger.LogHex(CPriority::DEBUG, "c", 5, nullptr, CLogger::HEX_XLATE_ASCII, 16);
    ASSERT_EQ(media.texts.size(), 3u);
    EXPECT_EQ(media.texts[1], Stamp() + "D c>Empty Hex Message\n");
    EXPECT_EQ(media.texts[2], media.texts[1]);
    logger.LogHex(static_cast<CPriority::EPRIORITY>(900), "c", 5, bytes.data(),
                  CLogger::HEX_XLATE_ASCII, 16);
    EXPECT_EQ(media.texts.size(), 3u);  // above the threshold
}

TEST_F(LoggerTest, MediaAreKeptInOrderAndRemovedWithAllTheirEntries) {
    CLogger logger(CPriority::DEBUG);
    Capture other;
    logger.Log(CPriority::FATAL, "c", "nobody listens");
    logger.AddLogMedia(media);
    logger.AddLogMedia(other);
    logger.AddLogMedia(media);
    std::vector<UTKLogger::CLogMedia*> list{&other};
    logger.GetLogMediaList(list);
    EXPECT_EQ(list, (std::vector<UTKLogger::CLogMedia*>{&media, &other, &media}));
    logger.Log(CPriority::INFO, "c", "twice");
    EXPECT_EQ(media.texts.size(), 2u);
    logger.RemoveLogMedia(media);
    logger.Log(CPriority::INFO, "c", "once");
    EXPECT_EQ(media.texts.size(), 2u);
    EXPECT_EQ(other.texts.size(), 2u);
    logger.RemoveAllLogMedia();
    logger.GetLogMediaList(list);
    EXPECT_TRUE(list.empty());
}

// A medium that notices when two calls overlap.
class Overlap : public UTKLogger::CLogMedia {
public:
    void Write(CPriority::EPRIORITY, const char* text) override {
        if (inside.fetch_add(1) != 0) {
            overlapped = true;
        }
        lines.emplace_back(text);  // unguarded: the logger lets one call in at a time
        std::this_thread::yield();
        inside.fetch_sub(1);
    }
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};
    std::vector<std::string> lines;
};

TEST_F(LoggerTest, ThreadsHandTheirLinesOverOneAtATime) {
    CLogger logger(CPriority::DEBUG);
    Overlap sink;
    logger.AddLogMedia(sink);
    constexpr int kThreads = 4;
    constexpr int kLines = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&logger, t] {
            const std::uint8_t bytes[3] = {0x41, 0x42, static_cast<std::uint8_t>(t)};
            for (int i = 0; i < kLines; ++i) {
                if (i % 2 == 0) {
                    logger.Log(CPriority::INFO, "worker", "thread %d line %d", t, i);
                } else {
                    logger.LogHex(CPriority::INFO, "worker", 3, bytes, CLogger::HEX_XLATE_ASCII,
                                  16);
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_FALSE(sink.overlapped.load());
    ASSERT_EQ(sink.lines.size(), static_cast<std::size_t>(kThreads * kLines));
    for (const std::string& line : sink.lines) {
        // Every call carries exactly one whole line.
        EXPECT_EQ(line.find('\n'), line.size() - 1) << line;
        EXPECT_EQ(line.rfind(Stamp() + "I worker>", 0), 0u) << line;
    }
}

class FileHandlerTest : public support::TempRootTest {};

TEST_F(FileHandlerTest, OpensCreatesEmptiesAndWrites) {
    const std::filesystem::path file = root / "drive_c/session.txt";
    root.WriteFile("drive_c/session.txt", "old text");
    {
        UTKLogger::CFileHandler keep("C:\\session.txt", false);
        ASSERT_TRUE(keep.IsOpen());
        EXPECT_TRUE(keep.FileWrite("new", 3));  // overwrites from the start
        EXPECT_TRUE(keep.FileWrite(nullptr, 0));
    }
    EXPECT_EQ(root.ReadFile("drive_c/session.txt"), "new text");
    {
        UTKLogger::CFileHandler fresh("C:\\session.txt", true);
        EXPECT_TRUE(fresh.FileWrite("x", 1));
        fresh.FileFlush();
        EXPECT_EQ(root.ReadFile("drive_c/session.txt"), "x");
        fresh.FileClose();
        EXPECT_FALSE(fresh.IsOpen());
        EXPECT_FALSE(fresh.FileWrite("y", 1));
    }
    {
        UTKLogger::CFileHandler created("C:\\made.txt", false);
        EXPECT_TRUE(created.IsOpen());
    }
    const auto perms = std::filesystem::status(root / "drive_c/made.txt").permissions();
    EXPECT_NE(perms & std::filesystem::perms::group_write, std::filesystem::perms::none);
    UTKLogger::CFileHandler none(nullptr, true);
    EXPECT_FALSE(none.IsOpen());
}

}  // namespace
