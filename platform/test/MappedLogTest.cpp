#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/MappedLog.h"
#include "platform/WholeLines.h"
#include "support/TempRoot.h"

using platform::MappedLog;
using platform::WholeLines;

namespace {

using MappedLogTest = support::TempRootTest;

std::string Line(int writer, int n) {
    return "writer " + std::to_string(writer) + " line " + std::to_string(n) +
           std::string(static_cast<std::size_t>(n % 97), '.') + "\n";
}

bool Append(MappedLog& log, const std::string& line) {
    return log.Append(line.data(), line.size()) == MappedLog::Result::Written;
}

// Every writer's lines, in the order they stand in the text; fails on a line of no writer.
std::map<int, std::vector<int>> LinesByWriter(const std::string& text) {
    std::map<int, std::vector<int>> found;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        int writer = -1;
        int n = -1;
        if (std::sscanf(line.c_str(), "writer %d line %d", &writer, &n) != 2 ||
            line + "\n" != Line(writer, n)) {
            ADD_FAILURE() << "not a whole line: " << line;
            continue;
        }
        found[writer].push_back(n);
    }
    return found;
}

}  // namespace

TEST(WholeLines, KeepsOnlyLinesWrittenWholeWhateverThePieces) {
    const std::string zeros(3, '\0');
    const struct {
        std::string bytes;
        std::string kept;
    } cases[] = {
        {"a\nb\n", "a\nb\n"},
        {"a\nb", "a\n"},                            // b is still being written
        {"a\nb\n" + zeros + zeros, "a\nb\n"},       // grown ahead
        {"a\nhal" + zeros + "c\n", "a\nc\n"},       // a line cut short by a kill
        {zeros + "c\n" + zeros + "d\n", "c\nd\n"},  // lines never written between
        {"a\nh" + zeros + "x" + zeros + "e\n", "a\ne\n"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WholeLines::Of(c.bytes), c.kept);
        for (std::size_t piece = 1; piece <= c.bytes.size(); ++piece) {
            WholeLines lines;
            std::string out;
            for (std::size_t at = 0; at < c.bytes.size(); at += piece)
                lines.Feed(std::string_view(c.bytes).substr(at, piece), out);
            EXPECT_EQ(out, c.kept) << "pieces of " << piece;
        }
    }
}

// Two processes of several threads each append to one log at once, the second opening it
// while the first appends; both finish at their end. The file then holds every line once,
// each writer's in its order, and nothing else: no byte grown ahead is left.
TEST_F(MappedLogTest, ProcessesAndThreadsShareOneLogAndLeaveItAtItsLength) {
    const std::filesystem::path path = root.path() / "log" / "shared.log";
    constexpr int kThreads = 3;
    constexpr int kEach = 10000;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const auto writeFrom = [&](int process) {
        MappedLog log;
        if (!log.Open(path)) return 1;
        std::vector<std::thread> threads;
        int failed = 0;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                for (int i = 0; i < kEach; ++i)
                    if (!Append(log, Line(process * kThreads + t, i))) ++failed;
            });
        }
        for (auto& thread : threads) thread.join();
        log.Finish();
        return failed == 0 ? 0 : 2;
    };
    const pid_t first = ::fork();
    ASSERT_GE(first, 0);
    if (first == 0) {
        ::close(ready[0]);
        MappedLog early;
        const bool opened = early.Open(path) && Append(early, Line(9, 0));
        const char byte = 1;
        if (::write(ready[1], &byte, 1) != 1 || !opened) ::_exit(3);
        ::_exit(writeFrom(0));
    }
    ::close(ready[1]);
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);
    const pid_t second = ::fork();
    ASSERT_GE(second, 0);
    if (second == 0) ::_exit(writeFrom(1));
    for (const pid_t child : {first, second}) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    const std::string raw = root.ReadFile("log/shared.log").value_or("");
    EXPECT_EQ(raw.find('\0'), std::string::npos);
    const auto found = LinesByWriter(raw);
    ASSERT_EQ(found.size(), 2u * kThreads + 1);
    for (int writer = 0; writer < 2 * kThreads; ++writer) {
        const auto& lines = found.at(writer);
        ASSERT_EQ(lines.size(), static_cast<std::size_t>(kEach)) << writer;
        for (int i = 0; i < kEach; ++i) ASSERT_EQ(lines[i], i) << writer;
    }
}

// Lines appended after Finish (by objects destroyed at a program's end) reach the file, which
// stays at its length; a log opened while another holds it is not cut under the other.
TEST_F(MappedLogTest, LinesAfterFinishKeepTheFileAtItsLength) {
    const std::filesystem::path path = root.path() / "log" / "late.log";
    MappedLog log;
    ASSERT_TRUE(log.Open(path));
    ASSERT_TRUE(Append(log, Line(0, 0)));
    EXPECT_GT(std::filesystem::file_size(path), Line(0, 0).size());  // grown ahead
    MappedLog other;
    ASSERT_TRUE(other.Open(path));
    ASSERT_TRUE(Append(other, Line(1, 0)));
    log.Finish();
    for (int i = 1; i < 50; ++i) ASSERT_TRUE(Append(log, Line(0, i)));
    other.Finish();
    const std::string raw = root.ReadFile("log/late.log").value_or("");
    EXPECT_EQ(raw.find('\0'), std::string::npos);
    const auto found = LinesByWriter(raw);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found.at(0).size(), 50u);
    EXPECT_EQ(found.at(1), std::vector<int>{0});
}

// A log removed and made again under its name: the holder of the old one learns it at its
// next line, and the new file gets only the lines of the new generation.
TEST_F(MappedLogTest, ALogReplacedUnderItsNameIsSeenAsStale) {
    const std::filesystem::path path = root.path() / "log" / "replaced.log";
    MappedLog old;
    ASSERT_TRUE(old.Open(path));
    ASSERT_TRUE(Append(old, Line(0, 0)));
    std::filesystem::remove(path);
    EXPECT_TRUE(old.Removed());
    MappedLog fresh;
    ASSERT_TRUE(fresh.Open(path));
    EXPECT_FALSE(fresh.Removed());
    ASSERT_TRUE(Append(fresh, Line(1, 0)));
    const std::string line = Line(0, 1);
    EXPECT_EQ(old.Append(line.data(), line.size()), MappedLog::Result::Stale);
    ASSERT_TRUE(Append(fresh, Line(1, 1)));
    fresh.Finish();
    const auto found =
        LinesByWriter(WholeLines::Of(root.ReadFile("log/replaced.log").value_or("")));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found.at(1), (std::vector<int>{0, 1}));
}

// The record beside the log is read from disk: whatever it holds (another log's counters,
// a length the file no longer has, bytes of no record), opening takes the log as it is.
TEST_F(MappedLogTest, ARecordThatDoesNotFitTheLogIsMadeAgain) {
    const std::filesystem::path path = root.path() / "log" / "record.log";
    std::filesystem::create_directories(path.parent_path());
    const std::string before = Line(0, 0) + Line(0, 1);
    const std::string records[] = {std::string(4096, '\xff'), std::string(7, 'x'), ""};
    for (const auto& record : records) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << before;
        std::ofstream(path.string() + ".end", std::ios::binary | std::ios::trunc) << record;
        {
            MappedLog log;
            ASSERT_TRUE(log.Open(path));
            ASSERT_TRUE(Append(log, Line(0, 2)));
            log.Finish();
        }
        EXPECT_EQ(root.ReadFile("log/record.log").value_or(""), before + Line(0, 2));
    }
    // A record left by a longer log: the file was cut by another since.
    std::ofstream(path, std::ios::binary | std::ios::trunc) << Line(1, 0);
    MappedLog log;
    ASSERT_TRUE(log.Open(path));
    ASSERT_TRUE(Append(log, Line(1, 1)));
    log.Finish();
    EXPECT_EQ(root.ReadFile("log/record.log").value_or(""), Line(1, 0) + Line(1, 1));
}
