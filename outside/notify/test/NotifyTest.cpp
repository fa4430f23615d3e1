#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <future>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "notify/Notify.h"
#include "support/TempRoot.h"

namespace {

std::vector<std::string> ReadLines(const std::filesystem::path& path) {
    std::istringstream in(Notify::ReadLog(path));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

const std::string kStamp = R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)";

}  // namespace

TEST(Notify, BothFormsWriteOneLineEachUnderTheMachineRoot) {
    support::TempRoot home;
    Notify notify;
    notify.printLog(2, 120, "src/Device.cpp", "\n%s\n",
                    "CDevice::Open():  Time = 7 'LPT1', failed");
    notify.printLog(0, "AB\0\r\nC", 6, CHAR_ASCII);
    notify.printLog(3, 9, "x.cpp", "inner\nbreak\x01");
    notify.printLog(0, nullptr, 0, CHAR_ASCII);

    EXPECT_EQ(Notify::LogFilePath(), home.path() / "log" / "veka.log");
    const auto lines = ReadLines(home.path() / "log" / "veka.log");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_TRUE(std::regex_match(
        lines[0],
        std::regex(kStamp +
                   R"( 2 src/Device\.cpp\(120\) CDevice::Open\(\):  Time = 7 'LPT1', failed)")))
        << lines[0];
    EXPECT_TRUE(std::regex_match(lines[1], std::regex(kStamp + R"( 0 AB\\x00\\x0D\\x0AC)")))
        << lines[1];
    EXPECT_TRUE(
        std::regex_match(lines[2], std::regex(kStamp + R"( 3 x\.cpp\(9\) inner\\x0Abreak\\x01)")))
        << lines[2];
    EXPECT_TRUE(std::regex_match(lines[3], std::regex(kStamp + " 0 "))) << lines[3];
}

// Every byte value that borders the control bytes, at every place in a text longer than the
// pieces the escaping looks at in one step, among bytes written as they are.
TEST(Notify, EscapesEachControlByteWhereverItStands) {
    support::TempRoot home;
    Notify notify;
    const unsigned char probes[] = {0x00, 0x09, 0x0A, 0x1F, 0x20, 0x7E, 0x7F, 0x80, 0xFF};
    std::vector<std::string> expected;
    for (const unsigned char probe : probes) {
        for (std::size_t at = 0; at < 21; ++at) {
            std::string text(20, 'a');
            text.insert(at, 1, static_cast<char>(probe));
            text[19 - at % 8] = '\t';
            notify.printLog(0, text, CHAR_ASCII);
            std::string escaped;
            for (const char c : text) {
                const auto byte = static_cast<unsigned char>(c);
                if ((byte < 0x20 && byte != '\t') || byte == 0x7F) {
                    char hex[5];
                    std::snprintf(hex, sizeof hex, "\\x%02X", byte);
                    escaped += hex;
                } else {
                    escaped += c;
                }
            }
            expected.push_back(escaped);
        }
    }
    const auto lines = ReadLines(Notify::LogFilePath());
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i].substr(lines[i].find(" 0 ") + 3), expected[i]) << i;
}

// A provider's logger: its lines carry the route's name in every form, a format without a
// source position stays one line, and a dump of text keeps its zero bytes.
TEST(Notify, NamedLoggerAndTheFormsWithoutASourcePosition) {
    support::TempRoot home;
    {
        Notify named(std::string("ROUTE 1"));
        named.printLog(0, 77, "sp.cpp", "Connect(%s)", "R1");
        named.printLog(2, "no position %d\n", 5);
        named.printLog(0, std::string("A\0B", 3), CHAR_EBCDIC);
    }
    Notify plain;
    plain.printLog(2, "%s", "plain");
    const auto lines = ReadLines(home.path() / "log" / "veka.log");
    const std::vector<std::string> expected{
        R"( 0 \[ROUTE 1\] sp\.cpp\(77\) Connect\(R1\))",
        R"( 2 \[ROUTE 1\] no position 5)",
        R"( 0 \[ROUTE 1\] A\\x00B)",
        R"( 2 plain)",
    };
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_TRUE(std::regex_match(lines[i], std::regex(kStamp + expected[i]))) << lines[i];
    }
}

TEST(Notify, EntriesFromManyThreadsNeverInterleave) {
    support::TempRoot home;
    Notify notify;
    constexpr int kThreads = 8;
    constexpr int kEach = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&notify, t] {
            const std::string filler(300, static_cast<char>('a' + t));
            for (int i = 0; i < kEach; ++i)
                notify.printLog(0, i, "t.cpp", "%d:%d:%s", t, i, filler.c_str());
        });
    }
    for (auto& thread : threads) thread.join();

    const auto lines = ReadLines(Notify::LogFilePath());
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kEach));
    std::set<std::string> seen;
    const std::regex shape(kStamp + R"( 0 t\.cpp\(\d+\) (\d+):(\d+):([a-h])\3{299})");
    for (const auto& line : lines) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, shape)) << line;
        seen.insert(m[1].str() + ":" + m[2].str());
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kThreads * kEach));
}

TEST(Notify, FollowsTheMachineRootWhenItChanges) {
    Notify notify;
    std::filesystem::path first;
    {
        support::TempRoot home;
        first = home.path();
        notify.printLog(0, 1, "a.cpp", "first");
        EXPECT_EQ(ReadLines(home.path() / "log" / "veka.log").size(), 1u);
    }
    support::TempRoot second;
    notify.printLog(0, 1, "a.cpp", "second");
    const auto lines = ReadLines(second.path() / "log" / "veka.log");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("second"), std::string::npos);
}

// Threads logging while the root moves back and forth lose no entry: each is in one of the
// two files, whole, each thread's in order within a file.
TEST(Notify, NoEntryIsLostWhileTheRootMoves) {
    support::TempRoot first;
    support::TempRoot second;
    constexpr int kThreads = 3;
    constexpr int kEach = 3000;
    std::atomic<int> done{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            Notify notify;
            for (int i = 0; i < kEach; ++i) notify.printLog(0, t, "move.cpp", "entry %d", i);
            done.fetch_add(1);
        });
    }
    for (int flip = 0; done.load() < kThreads && flip < 1000000; ++flip) {
        ::setenv("TREVO_HOME", (flip % 2 ? first : second).path().c_str(), 1);
        Notify().printLog(0, 9, "move.cpp", "flip");
    }
    for (auto& thread : threads) thread.join();
    std::vector<std::set<int>> seen(kThreads);
    for (const auto* root : {&first, &second}) {
        std::vector<int> last(kThreads, -1);
        for (const auto& line : ReadLines(root->path() / "log/veka.log")) {
            int t = 0;
            int i = 0;
            const auto at = line.find("move.cpp(");
            ASSERT_NE(at, std::string::npos) << line;
            if (std::sscanf(line.c_str() + at, "move.cpp(%d) entry %d", &t, &i) != 2) continue;
            ASSERT_GT(i, last[t]) << line;
            last[t] = i;
            EXPECT_TRUE(seen[t].insert(i).second) << line;
        }
    }
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(seen[t].size(), static_cast<std::size_t>(kEach));
}

// A root whose file cannot be opened gets nothing, and neither does the file of the root
// before it; entries reach the file once it can be made.
TEST(Notify, WritesNothingWhileTheRootsFileCannotBeOpened) {
    Notify notify;
    support::TempRoot first;
    notify.printLog(0, 1, "a.cpp", "first");
    support::TempRoot second;
    std::filesystem::create_directories(second / "log/veka.log");
    notify.printLog(0, 2, "a.cpp", "lost");
    std::filesystem::remove(second / "log/veka.log");
    bool found = false;
    for (int i = 0; i < 100000 && !found; ++i) {
        notify.printLog(0, 3, "a.cpp", "after");
        found = std::filesystem::exists(second / "log/veka.log");
    }
    ASSERT_TRUE(found);
    notify.printLog(0, 3, "a.cpp", "after");
    const auto old = ReadLines(first / "log/veka.log");
    ASSERT_EQ(old.size(), 1u);
    EXPECT_NE(old[0].find("first"), std::string::npos);
    const auto lines = ReadLines(second / "log/veka.log");
    ASSERT_FALSE(lines.empty());
    for (const auto& line : lines) EXPECT_NE(line.find("a.cpp(3) after"), std::string::npos);
}

// A thread that logged nothing while the root was elsewhere still writes to the root that is
// current when it logs again, though the variables read as they did at its last entry.
TEST(Notify, AThreadFollowsARootThatMovedAndCameBackWhileItWasQuiet) {
    support::TempRoot first;
    support::TempRoot second;
    const auto point = [](const support::TempRoot& root) {
        ::setenv("TREVO_HOME", root.path().c_str(), 1);
    };
    Notify notify;
    point(first);
    std::promise<void> moved;
    std::promise<void> logged;
    std::thread quiet([&] {
        notify.printLog(0, 1, "q.cpp", "quiet before");
        logged.set_value();
        moved.get_future().wait();
        notify.printLog(0, 2, "q.cpp", "quiet after");
    });
    logged.get_future().wait();
    point(second);
    notify.printLog(0, 3, "m.cpp", "main");
    point(first);
    moved.set_value();
    quiet.join();
    point(second);  // as the root of `second` left it

    const auto atFirst = ReadLines(first / "log/veka.log");
    ASSERT_EQ(atFirst.size(), 2u);
    EXPECT_NE(atFirst[0].find("quiet before"), std::string::npos);
    EXPECT_NE(atFirst[1].find("quiet after"), std::string::npos);
    const auto atSecond = ReadLines(second / "log/veka.log");
    ASSERT_EQ(atSecond.size(), 1u);
    EXPECT_NE(atSecond[0].find("main"), std::string::npos);
}

TEST(Notify, FollowsEveryChangeOfTheVariablesThatNameTheRoot) {
    Notify notify;
    support::TempRoot first;
    support::TempRoot second;  // TREVO_HOME names this one now
    const std::string user = std::getenv("HOME") ? std::getenv("HOME") : "";
    const auto set = [](const char* name, const std::filesystem::path& value) {
        if (value.empty()) {
            ::unsetenv(name);
        } else {
            ::setenv(name, value.c_str(), 1);
        }
    };
    struct Step {
        std::filesystem::path home;  // TREVO_HOME, empty for none
        std::filesystem::path user;  // HOME
        std::filesystem::path file;
    };
    const std::filesystem::path fallback = first.path() / ".local" / "state" / "trevo";
    const Step steps[] = {
        {second.path(), user, second.path() / "log" / "veka.log"},
        {first.path(), user, first.path() / "log" / "veka.log"},
        {second.path(), user, second.path() / "log" / "veka.log"},
        {{}, first.path(), fallback / "log" / "veka.log"},
        {first.path(), first.path(), first.path() / "log" / "veka.log"},
    };
    int n = 0;
    for (const auto& step : steps) {
        set("TREVO_HOME", step.home);
        set("HOME", step.user);
        ++n;
        notify.printLog(0, n, "a.cpp", "step %d", n);
    }
    set("HOME", user);
    set("TREVO_HOME", second.path());

    std::map<std::filesystem::path, std::vector<int>> written;
    for (const auto& file : {first.path() / "log" / "veka.log", second.path() / "log" / "veka.log",
                             fallback / "log" / "veka.log"}) {
        for (const auto& line : ReadLines(file)) {
            const auto at = line.rfind("step ");
            ASSERT_NE(at, std::string::npos) << line;
            written[file].push_back(std::stoi(line.substr(at + 5)));
        }
    }
    std::map<std::filesystem::path, std::vector<int>> expected;
    n = 0;
    for (const auto& step : steps) expected[step.file].push_back(++n);
    EXPECT_EQ(written, expected);
}

// An object destroyed at program end may still log, after the main thread's own objects are
// gone.
TEST(Notify, ObjectsDestroyedAtProgramEndStillLog) {
    support::TempRoot home;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        struct AtEnd {
            ~AtEnd() { Notify().printLog(0, 2, "end.cpp", "at the end"); }
        };
        static AtEnd atEnd;
        Notify().printLog(0, 1, "end.cpp", "running");
        std::exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const auto lines = ReadLines(Notify::LogFilePath());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[1].find("end.cpp(2) at the end"), std::string::npos) << lines[1];
}

// A child made by fork from a process that logs opens the log for itself; its entries and
// its exit leave every entry of the parent in place, before and after.
TEST(Notify, AForkedChildAppendsBesideItsParent) {
    support::TempRoot home;
    Notify notify;
    notify.printLog(0, 1, "fork.cpp", "parent before");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        for (int i = 0; i < 1000; ++i) Notify().printLog(0, 2, "fork.cpp", "child %d", i);
        std::exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    notify.printLog(0, 3, "fork.cpp", "parent after");
    const auto lines = ReadLines(Notify::LogFilePath());
    ASSERT_EQ(lines.size(), 1002u);
    EXPECT_NE(lines.front().find("fork.cpp(1) parent before"), std::string::npos);
    for (std::size_t i = 1; i <= 1000; ++i)
        EXPECT_NE(lines[i].find("fork.cpp(2) child " + std::to_string(i - 1)), std::string::npos);
    EXPECT_NE(lines.back().find("fork.cpp(3) parent after"), std::string::npos);
}

TEST(Notify, KeepsTheLevelsFromTheLowestOneNamed) {
    support::TempRoot home;
    const struct {
        const char* setting;  // TREVO_LOG_LEVEL, null for none
        std::vector<int> kept;
    } cases[] = {
        {nullptr, {0, 2, 3}}, {"2", {2, 3}}, {"3", {3}}, {"", {0, 2, 3}}, {"two", {0, 2, 3}},
    };
    for (const auto& c : cases) {
        const std::size_t before = ReadLines(Notify::LogFilePath()).size();
        if (c.setting) {
            ::setenv("TREVO_LOG_LEVEL", c.setting, 1);
        } else {
            ::unsetenv("TREVO_LOG_LEVEL");
        }
        Notify notify;
        ::unsetenv("TREVO_LOG_LEVEL");
        std::vector<int> kept;
        for (int level : {0, 2, 3}) {
            notify.printLog(level, 1, "a.cpp", "%d", level);
            notify.printLog(level, "b", 1, CHAR_ASCII);
            if (notify.Keeps(level)) kept.push_back(level);
        }
        EXPECT_EQ(kept, c.kept) << (c.setting ? c.setting : "none");
        std::vector<int> written;
        const auto lines = ReadLines(Notify::LogFilePath());
        for (std::size_t i = before; i < lines.size(); ++i)
            written.push_back(lines[i][lines[i].find(' ') + 1] - '0');
        std::vector<int> expected;
        for (int level : c.kept) expected.insert(expected.end(), {level, level});
        EXPECT_EQ(written, expected) << (c.setting ? c.setting : "none");
    }
}

TEST(Notify, WritesToANewFileOnceTheOldOneIsRemoved) {
    support::TempRoot home;
    Notify notify;
    notify.printLog(0, 1, "a.cpp", "before");
    // The whole root goes and comes back under the same name, as between two tests.
    std::filesystem::remove_all(home.path());
    std::filesystem::create_directories(home.path());
    // The file is looked at again within a millisecond: entries reach the new file.
    bool found = false;
    for (int i = 0; i < 100000 && !found; ++i) {
        notify.printLog(0, 2, "a.cpp", "after %d", i);
        found = std::filesystem::exists(Notify::LogFilePath());
    }
    ASSERT_TRUE(found);
    notify.printLog(0, 3, "a.cpp", "last");
    const auto lines = ReadLines(Notify::LogFilePath());
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("a.cpp(3) last"), std::string::npos) << lines.back();
}
