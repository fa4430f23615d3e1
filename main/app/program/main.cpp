// veka: the device link of the work place. A termination or interrupt signal closes it as
// a window close would: the devices are shut down in order before it ends.
#include <atomic>
#include <csignal>
#include <string>
#include <vector>

#include "app/Program.h"

namespace {

std::atomic<bool> g_stop{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnStopSignal(int) {
    g_stop.store(true);
}

}  // namespace

int main(int argc, char** argv) {
    std::signal(SIGTERM, OnStopSignal);
    std::signal(SIGINT, OnStopSignal);
    std::vector<std::string> args(argv + 1, argv + argc);
    app::CProgram program;
    program.WatchStopFlag(&g_stop);
    return program.Run(args);
}
