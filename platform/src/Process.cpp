#include "platform/Process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <system_error>
#include <thread>

#include "SpawnSignals.h"

extern char** environ;

namespace platform {

DWORD GetCurrentProcessId() noexcept {
    return static_cast<DWORD>(::getpid());
}

std::filesystem::path ProgramFile() {
    std::error_code ec;
    std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return {};
    }
    return path;
}

DWORD StartProgramOnPath(const std::string& program, const std::vector<std::string>& args) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    if (::posix_spawn_file_actions_init(&actions) != 0) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    ::posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    const SpawnSignals spawnSignals;
    pid_t pid = 0;
    const int rc =
        ::posix_spawnp(&pid, program.c_str(), &actions, spawnSignals.Get(), argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        SetLastError(FromErrno(rc));
        return 0;
    }
    return static_cast<DWORD>(pid);
}

bool EndChildProcess(DWORD pid, int timeoutMs) {
    const auto child = static_cast<pid_t>(pid);
    if (child <= 0 || ::kill(child, SIGTERM) != 0) return false;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const pid_t done = ::waitpid(child, nullptr, WNOHANG);
        if (done == child) return true;
        if (done < 0 && errno != EINTR) return false;
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

bool CreateFifo(const std::filesystem::path& path) {
    if (::mkfifo(path.c_str(), 0660) == 0) return true;
    struct stat st {};
    if (errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode)) return true;
    SetLastErrorFromErrno();
    return false;
}

bool SignalFifo(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    const char byte = 1;
    const bool done = ::fstat(fd, &st) == 0 && S_ISFIFO(st.st_mode) && ::write(fd, &byte, 1) == 1;
    ::close(fd);
    return done;
}

FifoReader::~FifoReader() {
    Close();
}

bool FifoReader::Open(const std::filesystem::path& path) {
    Close();
    if (!CreateFifo(path)) return false;
    m_fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) SetLastErrorFromErrno();
    return m_fd >= 0;
}

std::size_t FifoReader::Drain() {
    std::size_t count = 0;
    char buffer[256];
    for (int round = 0; m_fd >= 0 && round < 1024; ++round) {
        const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
        if (got <= 0) break;
        count += static_cast<std::size_t>(got);
    }
    return count;
}

void FifoReader::Close() noexcept {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

}  // namespace platform
