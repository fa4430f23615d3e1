// The program's window as other programs reach it: it announces itself when it starts,
// takes a status window that hands itself over and tells it when it ends, and a second
// start of the same instance asks it to restore its window and ends.
#include <gtest/gtest.h>

#include <poll.h>

#include <csignal>
#include <filesystem>
#include <optional>

#include "platform/ChildProcess.h"
#include "platform/Process.h"
#include "platform/WindowEndpoint.h"
#include "support/FakeClockScope.h"  // Eventually
#include "support/TempRoot.h"

namespace {

namespace fs = std::filesystem;
using platform::WindowEndpoint;
using platform::WindowFrame;

std::optional<WindowFrame> Next(WindowEndpoint& e, int timeoutMs = 60000) {
    std::optional<WindowFrame> got;
    WindowFrame f;
    if (support::Eventually(
            [&] {
                if (e.Receive(f)) return true;
                pollfd p{e.Descriptor(), POLLIN, 0};
                ::poll(&p, 1, 50);
                return false;
            },
            std::chrono::milliseconds(timeoutMs)))
        got = f;
    return got;
}

class WindowRun : public support::TempRootTest {
protected:
    void SetUp() override {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        unsetenv("QT_QPA_PLATFORM");
    }
};

// The window's outside messages, the second start's restore and the stop on a termination
// signal; with a display the program runs its window module's view as well.
void ReachTheRunningWindow() {
    const fs::path veka = platform::ProgramFile().parent_path() / "veka";
    WindowEndpoint status;
    ASSERT_TRUE(status.Bind());
    platform::ChildProcess first;
    ASSERT_TRUE(first.Start(veka.string(), {}));
    const auto hello = Next(status);
    ASSERT_TRUE(hello);
    EXPECT_EQ(hello->name, "SvVekaRequest");
    const platform::WindowHandle frame = hello->wParam;
    EXPECT_EQ(WindowEndpoint::FindWindow("VEKA"), frame);

    ASSERT_TRUE(status.Send(frame, WindowFrame::Registered("SvhandleRequest", status.Handle(), 0)));
    platform::ChildProcess second;
    ASSERT_TRUE(second.Start(veka.string(), {}));
    EXPECT_EQ(second.Wait(60000), 0);

    ASSERT_EQ(::kill(first.Pid(), SIGTERM), 0);
    EXPECT_EQ(first.Wait(60000), 0);
    const auto bye = Next(status);
    ASSERT_TRUE(bye);
    EXPECT_EQ(bye->number, 10003u);
    EXPECT_EQ(WindowEndpoint::FindWindow("VEKA"), 0u);
}

}  // namespace

TEST_F(WindowRun, OtherProgramsReachTheRunningWindow) {
    ReachTheRunningWindow();
}

// On a display without a tray the window stays shown, and the tray's hooks go with the view.
TEST_F(WindowRun, WithADisplayTheWindowModuleRunsTheView) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ReachTheRunningWindow();
}
