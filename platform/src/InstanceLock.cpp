#include "platform/InstanceLock.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/stat.h>
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
    const std::filesystem::path path = PathOf(name);
    // A holder that lets go removes the file while it still holds the lock: a lock taken on
    // the file it removed is worth nothing, so it is taken again on the file now there.
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0660);
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
        struct stat held {};
        struct stat named {};
        if (::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            m_fd = fd;
            m_path = path;
            return true;
        }
        ::close(fd);
    }
    SetLastError(ERROR_SHARING_VIOLATION);
    return false;
}

void InstanceLock::Release() noexcept {
    if (m_fd < 0) return;
    ::unlink(m_path.c_str());  // still held: nobody can have taken the lock on this file
    ::close(m_fd);             // closing the descriptor drops the lock
    m_fd = -1;
    m_path.clear();
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
