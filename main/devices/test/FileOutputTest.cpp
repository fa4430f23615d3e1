#include "devices/FileOutput.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "FakeReport.h"
#include "platform/Time.h"
#include "support/FakeClockScope.h"
#include "support/TempRoot.h"

using devices::CFileOutput;
using devices::CFileSettings;
namespace fs = std::filesystem;

namespace {

CFileSettings Multiple(std::int32_t limit = 999, std::uint32_t extnType = 0) {
    CFileSettings s;
    s.strFileLocation = "C:\\OUT";
    s.strFileName = "T";
    s.bMultipleFiles = true;
    s.iMultipleFileLimit = limit;
    s.dwMaximumFileSize = 1 << 20;
    s.dwExtnType = extnType;
    s.strTempFileName = CFileOutput::TakeTemporaryFileName("");
    return s;
}

CFileSettings Single(bool append, std::uint32_t maxSize = 1 << 20) {
    CFileSettings s;
    s.strFileLocation = "C:\\OUT\\";
    s.strFileName = "LOG";
    s.strSingleFileType = "TXT";
    s.bSingleFileAppend = append;
    s.dwMaximumFileSize = maxSize;
    return s;
}

class FileOutputTest : public support::TempRootTest {
protected:
    void SetUp() override {
        CFileOutput::SetFileNumber(1);
        fs::create_directories(root / "drive_c/OUT");
    }

    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(root / "drive_c/OUT"))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::optional<std::string> Read(const std::string& name) const {
        return root.ReadFile("drive_c/OUT/" + name);
    }

    FakeReport report;
};

}  // namespace

TEST_F(FileOutputTest, EachMessageBecomesOneNumberedFileOnceWhole) {
    CFileOutput out(report, Multiple());
    ASSERT_TRUE(out.SendToMultipleFiles("one ", false));
    ASSERT_TRUE(out.SendToMultipleFiles("two ", false));
    EXPECT_TRUE(Files().empty());  // nothing under a name until the message is whole
    ASSERT_TRUE(out.SendToMultipleFiles("three", true));
    ASSERT_TRUE(out.SendToMultipleFiles("next", true));
    EXPECT_EQ(Files(), (std::vector<std::string>{"T.001", "T.002"}));
    EXPECT_EQ(Read("T.001"), "one two three");
    EXPECT_EQ(Read("T.002"), "next");
    EXPECT_EQ(report.m_nMessagesSent, 2);
    EXPECT_EQ(report.m_nBytesSent, 17u);
}

TEST_F(FileOutputTest, NumbersWrapOnceAtTheLimitThenGiveUp) {
    char name[16];
    for (int i = 1; i <= 3; ++i) {
        std::snprintf(name, sizeof name, "T.%03d", i);
        root.WriteFile(std::string("drive_c/OUT/") + name, "old");
    }
    CFileOutput out(report, Multiple(4));
    ASSERT_TRUE(out.SendToMultipleFiles("wrapped", true));
    EXPECT_EQ(Read("T.000"), "wrapped");

    CFileOutput::SetFileNumber(1);
    EXPECT_FALSE(out.SendToMultipleFiles("no room", true));
    EXPECT_NE(report.LastError().find("m_dwMultipleFileLimit 4 exceeded"), std::string::npos);
    EXPECT_EQ(Files().size(), 4u);
}

TEST_F(FileOutputTest, TimeStampedNamesAndABoundedSearchWhenTheClockStands) {
    support::FakeClockScope clock;
    CFileOutput out(report, Multiple(999, 1));
    const platform::SystemTime t = platform::GetLocalTime();
    char expected[64];
    std::snprintf(expected, sizeof expected, "T%04d%02d%02d%02d%02d%02d%03d.TXT", t.wYear, t.wMonth,
                  t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    ASSERT_TRUE(out.SendToMultipleFiles("stamped", true));
    EXPECT_EQ(Files(), std::vector<std::string>{expected});
    // The clock stands still: the same name comes up every time, and the search ends.
    EXPECT_FALSE(out.SendToMultipleFiles("same instant", true));
    clock.Advance(1);
    ASSERT_TRUE(out.SendToMultipleFiles("a moment later", true));
    EXPECT_EQ(Files().size(), 2u);
}

TEST_F(FileOutputTest, AFailedMessageNeitherLeavesAFileNorJoinsTheNext) {
    CFileSettings s = Multiple();
    s.dwMaximumFileSize = 10;
    CFileOutput out(report, s);
    // Too big: the first buffers fail, and so do the rest of that message.
    ASSERT_TRUE(out.SendToMultipleFiles("0123456", false));
    EXPECT_FALSE(out.SendToMultipleFiles("789ABCDEF", true));
    EXPECT_NE(report.LastError().find("Reached maximum file size 10"), std::string::npos);
    ASSERT_TRUE(out.SendToMultipleFiles("small", true));
    EXPECT_EQ(Files(), std::vector<std::string>{"T.001"});
    EXPECT_EQ(Read("T.001"), "small");

    // A name taken by someone else while the message was gathered: the message fails
    // and the other file stays as it was.
    ASSERT_TRUE(out.SendToMultipleFiles("mine ", false));
    root.WriteFile("drive_c/OUT/T.002", "theirs");
    EXPECT_FALSE(out.SendToMultipleFiles("end", true));
    EXPECT_EQ(Read("T.002"), "theirs");

    // A released message is dropped whole.
    ASSERT_TRUE(out.SendToMultipleFiles("never ends", false));
    out.FileRelease();
    ASSERT_TRUE(out.SendToMultipleFiles("fresh", true));
    EXPECT_EQ(Read("T.003"), "fresh");
    EXPECT_EQ(Files().size(), 3u);
}

TEST_F(FileOutputTest, SingleFileIsAppendedToOrOverwrittenPerMessage) {
    const struct {
        bool append;
        const char* after;
    } cases[] = {{true, "oldfirst-a first-b second"}, {false, "second"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.append);
        root.WriteFile("drive_c/OUT/LOG.TXT", "old");
        CFileOutput out(report, Single(c.append));
        ASSERT_TRUE(out.SendToSingleFile("first-a ", false));
        ASSERT_TRUE(out.SendToSingleFile("first-b ", true));
        ASSERT_TRUE(out.SendToSingleFile("second", true));
        EXPECT_EQ(Read("LOG.TXT"), c.after);
    }
}

TEST_F(FileOutputTest, SingleFileOverItsMaximumKeepsTheDataButFails) {
    CFileOutput out(report, Single(true, 8));
    ASSERT_TRUE(out.SendToSingleFile("12345", true));
    ASSERT_TRUE(out.SendToSingleFile("678", true)) << "exactly the maximum";
    EXPECT_FALSE(out.SendToSingleFile("9", true));
    EXPECT_EQ(Read("LOG.TXT"), "123456789");
    EXPECT_NE(report.LastError().find("Reached maximum file size 8"), std::string::npos);
}

TEST_F(FileOutputTest, TheWriterReportsEachResultAndATimeOut) {
    CFileSettings s = Multiple();
    s.dwMaximumFileSize = 4;
    CFileOutput out(report, s);
    ASSERT_TRUE(out.StartWriter());
    EXPECT_EQ(out.HandOver("ok", true), CFileOutput::eHandOver::WRITTEN);
    EXPECT_EQ(out.HandOver("far too long", true), CFileOutput::eHandOver::FAILED);
    EXPECT_EQ(Read("T.001"), "ok");
    out.StopWriter();

    support::FakeClockScope clock;
    CFileOutput idle(report, Multiple());  // its writer never runs
    std::thread sender(
        [&] { EXPECT_EQ(idle.HandOver("late", true), CFileOutput::eHandOver::TIMED_OUT); });
    ASSERT_TRUE(clock.WaitForTimedWaiters(1));
    clock.Advance(CFileOutput::kHandOverWaitMs);
    sender.join();
}

TEST_F(FileOutputTest, DevicesSharingAFolderNeverShareAName) {
    constexpr int kDevices = 4;
    constexpr int kMessages = 25;
    std::vector<std::thread> threads;
    for (int d = 0; d < kDevices; ++d) {
        threads.emplace_back([d] {
            FakeReport own;
            CFileOutput out(own, Multiple(100000));
            for (int m = 0; m < kMessages; ++m) {
                const std::string text = std::to_string(d) + "/" + std::to_string(m);
                EXPECT_TRUE(out.SendToMultipleFiles(text.substr(0, 1), false));
                EXPECT_TRUE(out.SendToMultipleFiles(text.substr(1), true));
            }
        });
    }
    for (auto& t : threads) t.join();
    const auto names = Files();
    ASSERT_EQ(names.size(), static_cast<std::size_t>(kDevices * kMessages));
    std::vector<std::string> contents;
    for (const auto& n : names) contents.push_back(*Read(n));
    std::sort(contents.begin(), contents.end());
    EXPECT_EQ(std::unique(contents.begin(), contents.end()), contents.end());
}
