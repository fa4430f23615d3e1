// Programs started as children: their output line by line, their end, and no child left over.
#include <gtest/gtest.h>

#include <signal.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/ChildProcess.h"
#include "platform/Win32Error.h"

namespace platform {
namespace {

constexpr int kDeadlineMs = 10000;

TEST(ChildProcessTest, OutputLinesAndExitCode) {
    struct Case {
        const char* script;
        std::vector<std::string> lines;
        int exitCode;
    };
    const Case cases[] = {
        // Standard error joins standard output; a last line without a line end still counts.
        {"echo one; echo two >&2; printf 'three'; exit 3", {"one", "two", "three"}, 3},
        // Standard input is empty.
        {"cat; echo done", {"done"}, 0},
        {"printf 'a\\r\\n\\nb\\n'", {"a", "", "b"}, 0},
        {"kill -TERM $$", {}, 128 + SIGTERM},
    };
    for (const auto& c : cases) {
        ChildProcess child;
        ASSERT_TRUE(child.Start("/bin/sh", {"-c", c.script})) << c.script;
        EXPECT_TRUE(child.Running());
        EXPECT_EQ(child.ReadRemaining(kDeadlineMs), c.lines) << c.script;
        EXPECT_EQ(child.Wait(kDeadlineMs), c.exitCode) << c.script;
        EXPECT_FALSE(child.Running());
        EXPECT_EQ(child.Wait(0), c.exitCode) << "the code is kept";
    }
}

TEST(ChildProcessTest, DeadlinesKillAndCleanUp) {
    ChildProcess missing;
    EXPECT_FALSE(missing.Start("/nonexistent/program", {}));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(missing.Running());

    int pid = 0;
    {
        ChildProcess child;
        ASSERT_TRUE(child.Start("/bin/sh", {"-c", "echo ready; exec sleep 60"}));
        EXPECT_FALSE(child.Start("/bin/sh", {"-c", "true"})) << "one child at a time";
        EXPECT_EQ(child.ReadLine(kDeadlineMs), "ready");
        EXPECT_EQ(child.ReadLine(50), std::nullopt) << "a silent child times out";
        EXPECT_EQ(child.Wait(50), std::nullopt) << "a running child times out";
        pid = child.Pid();
        EXPECT_EQ(::kill(pid, 0), 0);
    }
    // Gone with its owner, and reaped: no such process any more.
    EXPECT_EQ(::kill(pid, 0), -1);
    EXPECT_EQ(errno, ESRCH);

    ChildProcess killed;
    ASSERT_TRUE(killed.Start("/bin/sh", {"-c", "exec sleep 60"}));
    EXPECT_EQ(killed.Kill(), 128 + SIGKILL);
    EXPECT_FALSE(killed.Running());
    EXPECT_EQ(killed.ReadLine(kDeadlineMs), std::nullopt) << "the output has ended";
}

}  // namespace
}  // namespace platform
