#include "platform/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/Win32Error.h"

#include "SpawnSignals.h"

extern char** environ;

namespace platform {

namespace {

long long NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int ExitCode(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace

ChildProcess::~ChildProcess() {
    if (m_pid > 0) (void)Kill();
    CloseOutput();
}

void ChildProcess::CloseOutput() noexcept {
    if (m_output >= 0) ::close(m_output);
    m_output = -1;
}

bool ChildProcess::Start(const std::string& path, const std::vector<std::string>& args) {
    if (m_pid > 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    CloseOutput();
    m_pending.clear();
    m_outputEnded = false;
    m_exitCode.reset();

    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        SetLastErrorFromErrno();
        return false;
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
    const SpawnSignals spawnSignals;
    pid_t pid = -1;
    // posix_spawn reports a program that cannot be executed as its own result.
    const int rc =
        ::posix_spawn(&pid, path.c_str(), &actions, spawnSignals.Get(), argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (rc != 0) {
        ::close(out[0]);
        SetLastError(FromErrno(rc));
        return false;
    }
    m_pid = pid;
    m_output = out[0];
    // A descriptor that turns readable when the child ends; may be refused, and Wait then polls.
    m_pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    return true;
}

bool ChildProcess::Fill(long long deadlineMs) {
    if (m_output < 0) return false;
    for (;;) {
        const long long left = deadlineMs - NowMs();
        pollfd p{m_output, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left > 0 ? left : 0));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        char buffer[4096];
        const ssize_t n = ::read(m_output, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            m_outputEnded = true;
            CloseOutput();
            return false;
        }
        m_pending.append(buffer, static_cast<std::size_t>(n));
        return true;
    }
}

std::optional<std::string> ChildProcess::ReadLine(int timeoutMs) {
    const long long deadline = NowMs() + timeoutMs;
    for (;;) {
        const auto end = m_pending.find('\n');
        if (end != std::string::npos) {
            std::string line = m_pending.substr(0, end);
            m_pending.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return line;
        }
        if (!Fill(deadline)) break;
    }
    if (m_outputEnded && !m_pending.empty()) {
        std::string line;
        line.swap(m_pending);
        return line;
    }
    return std::nullopt;
}

std::vector<std::string> ChildProcess::ReadRemaining(int timeoutMs) {
    const long long deadline = NowMs() + timeoutMs;
    std::vector<std::string> lines;
    while (const auto line = ReadLine(static_cast<int>(std::max(0LL, deadline - NowMs()))))
        lines.push_back(*line);
    return lines;
}

bool ChildProcess::Reap(int flags) {
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(m_pid, &status, flags);
    } while (r < 0 && errno == EINTR);
    if (r == 0) return false;
    if (r < 0) SetLastErrorFromErrno();
    if (r == m_pid) m_exitCode = ExitCode(status);
    m_pid = -1;
    if (m_pidfd >= 0) ::close(m_pidfd);
    m_pidfd = -1;
    return true;
}

std::optional<int> ChildProcess::Wait(int timeoutMs) {
    if (m_pid <= 0) return m_exitCode;
    const long long deadline = NowMs() + timeoutMs;
    // Without a process descriptor to wait on, reaping is polled, at first often and then
    // every 20 ms.
    for (int step = 1; !Reap(WNOHANG); step = std::min(step * 2, 20)) {
        const long long left = deadline - NowMs();
        if (left <= 0) return std::nullopt;
        if (m_pidfd >= 0) {
            pollfd p{m_pidfd, POLLIN, 0};
            (void)::poll(&p, 1, static_cast<int>(left));
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min<long long>(step, left)));
        }
    }
    return m_exitCode;
}

std::optional<int> ChildProcess::Kill() {
    if (m_pid <= 0) return m_exitCode;
    ::kill(m_pid, SIGKILL);
    (void)Reap(0);
    return m_exitCode;
}

}  // namespace platform
