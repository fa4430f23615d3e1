#include "platform/TerminationSignal.h"

#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "platform/Win32Error.h"

namespace platform {

namespace {

sigset_t TerminationSet() noexcept {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    return set;
}

}  // namespace

bool TerminationSignal::Block() noexcept {
    const sigset_t set = TerminationSet();
    const int rc = ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
    if (rc != 0) {
        SetLastError(FromErrno(rc));
        return false;
    }
    return true;
}

TerminationSignal::~TerminationSignal() {
    Stop();
}

bool TerminationSignal::Watch(EventLoop& loop, Callback onSignal) {
    if (m_fd >= 0) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return false;
    }
    if (!Block()) return false;
    const sigset_t set = TerminationSet();
    const int fd = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (fd < 0) {
        SetLastErrorFromErrno();
        return false;
    }
    m_fd = fd;
    m_loop = &loop;
    m_callback = std::move(onSignal);
    if (!loop.AddWatch(fd, EventLoop::Readable, [this](unsigned) { Drain(); })) {
        const DWORD error = GetLastError();
        ::close(fd);
        m_fd = -1;
        m_loop = nullptr;
        m_callback = nullptr;
        SetLastError(error);
        return false;
    }
    return true;
}

void TerminationSignal::Stop() noexcept {
    if (m_fd < 0) return;
    m_loop->RemoveWatch(m_fd);
    ::close(m_fd);
    m_fd = -1;
    m_loop = nullptr;
    m_callback = nullptr;
}

void TerminationSignal::Drain() {
    // Bounded: a signal can only be pending once, so a read finds at most two records.
    for (int i = 0; i < 8 && m_fd >= 0; ++i) {
        signalfd_siginfo info{};
        const ssize_t got = ::read(m_fd, &info, sizeof info);
        if (got != static_cast<ssize_t>(sizeof info)) return;
        // A copy: the callback may end the watch.
        const Callback callback = m_callback;
        if (callback) callback(static_cast<int>(info.ssi_signo));
    }
}

}  // namespace platform
