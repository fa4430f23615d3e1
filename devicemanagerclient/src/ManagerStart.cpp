#include "ManagerStart.h"

#include <chrono>
#include <thread>

#include "platform/File.h"
#include "platform/MachineRoot.h"
#include "platform/Process.h"

namespace kdapi {

std::filesystem::path InstanceLockPath() {
    return platform::RunDir() / kInstanceLockName;
}

bool ManagerRunning() {
    if (!platform::CreateDirectories(platform::RunDir())) return false;
    platform::File lock;
    if (!lock.Open(InstanceLockPath(), platform::File::Disposition::OpenAlways)) return false;
    // Closing the file lets go of a lock taken here at once.
    return !lock.Lock(0) && platform::GetLastError() == platform::ERROR_LOCK_VIOLATION;
}

bool EnsureManager() {
    if (ManagerRunning()) return true;
    if (platform::StartProgramOnPath(kManagerProgram, {}) == 0) return false;
    // The manager takes its lock once it listens; polled, as nothing else announces it.
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(kManagerStartWaitMs);
    while (!ManagerRunning() && Clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return true;
}

}  // namespace kdapi
