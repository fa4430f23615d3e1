#include "platform/Process.h"

#include <gtest/gtest.h>

#include "support/TempRoot.h"

namespace platform {
namespace {

TEST(Process, ProgramsAreSoughtAlongPathAndEnded) {
    EXPECT_EQ(StartProgramOnPath("no-such-program-here", {}), 0u);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    const DWORD pid = StartProgramOnPath("sleep", {"30"});
    ASSERT_NE(pid, 0u);
    EXPECT_TRUE(EndChildProcess(pid, 5000));
    EXPECT_FALSE(EndChildProcess(pid, 100));  // collected already: no child of ours
}

using FifoTest = support::TempRootTest;

TEST_F(FifoTest, SignalsReachOnlyAnOpenReader) {
    const auto path = root / "signal";
    EXPECT_FALSE(SignalFifo(path));  // missing
    ASSERT_TRUE(CreateFifo(path));
    EXPECT_TRUE(CreateFifo(path));   // there already
    EXPECT_FALSE(SignalFifo(path));  // nobody reads

    FifoReader reader;
    ASSERT_TRUE(reader.Open(path));
    EXPECT_TRUE(SignalFifo(path));
    EXPECT_TRUE(SignalFifo(path));
    EXPECT_EQ(reader.Drain(), 2u);
    EXPECT_EQ(reader.Drain(), 0u);

    root.WriteFile("plain", "x");
    EXPECT_FALSE(CreateFifo(root / "plain"));
    EXPECT_FALSE(SignalFifo(root / "plain"));
}

}  // namespace
}  // namespace platform
