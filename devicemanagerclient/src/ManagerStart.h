// Finding and starting the device-manager program. A running manager holds the lock on
// run/KDMAN_INSTANCE_CHECK_MUTEX of the machine root; "kdman" is sought along PATH.
#pragma once

#include <filesystem>

namespace kdapi {

inline constexpr const char* kInstanceLockName = "KDMAN_INSTANCE_CHECK_MUTEX";
inline constexpr const char* kManagerProgram = "kdman";
inline constexpr int kManagerStartWaitMs = 3000;

std::filesystem::path InstanceLockPath();
// True while some process holds the manager's lock.
bool ManagerRunning();
// Starts the manager when none runs and waits at most kManagerStartWaitMs for it to hold its
// lock. False when it could not be found or started.
[[nodiscard]] bool EnsureManager();

}  // namespace kdapi
