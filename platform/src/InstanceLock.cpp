#include "platform/InstanceLock.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/MachineRoot.h"

namespace platform {

InstanceLock::~InstanceLock() {
    Release();
}

std::filesystem::path InstanceLock::PathOf(const std::string& name) {
    return RunDir() / (name + ".lock");
}

bool InstanceLock::Acquire(const std::string& name) {
    if (m_fd >= 0) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return false;
    }
    if (name.empty() || name.find('/') != std::string::npos) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    std::error_code ec;
    std::filesystem::create_directories(RunDir(), ec);
    const int fd = ::open(PathOf(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0660);
    if (fd < 0) {
        SetLastErrorFromErrno();
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK)
            SetLastError(ERROR_ALREADY_EXISTS);
        else
            SetLastErrorFromErrno();
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

void InstanceLock::Release() noexcept {
    if (m_fd < 0) return;
    ::close(m_fd);  // closing the descriptor drops the lock
    m_fd = -1;
}

bool BindToFirstProcessor() {
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(0, &set);
    if (::sched_setaffinity(0, sizeof set, &set) != 0) {
        SetLastErrorFromErrno();
        return false;
    }
    return true;
}

}  // namespace platform
