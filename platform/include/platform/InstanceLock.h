// One running program per name on this machine: an exclusive lock on a file in run/ of the
// machine root, held for as long as the object lives (and dropped by the system when the
// process ends, however it ends). Letting go removes the file; one left by a process that
// died is taken over. A second process asking for the same name is refused at
// once, never kept waiting.
//
// Also: binding the process to the first processor, as programs written for one processor
// ask to be.
#pragma once

#include <filesystem>
#include <string>

#include "platform/Win32Error.h"

namespace platform {

class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // The lock file of a name: run/<name>.lock.
    [[nodiscard]] static std::filesystem::path PathOf(const std::string& name);

    // Takes the lock of `name` (making run/ and the file when missing). False with
    // ERROR_ALREADY_EXISTS when another holder has it, or with the system's error.
    [[nodiscard]] bool Acquire(const std::string& name);
    void Release() noexcept;
    [[nodiscard]] bool Held() const noexcept { return m_fd >= 0; }

private:
    // Takes of the lock when the file was removed under it, before giving up.
    static constexpr int kMaxAttempts = 16;

    int m_fd = -1;
    std::filesystem::path m_path;
};

// Binds the calling process (its threads made from now on) to processor 0. False with the
// last error when the system refuses.
[[nodiscard]] bool BindToFirstProcessor();

}  // namespace platform
