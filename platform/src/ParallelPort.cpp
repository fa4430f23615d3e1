#include "platform/ParallelPort.h"

#include <fcntl.h>
#include <linux/lp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <cerrno>

#include "PortIo.h"

namespace platform {

namespace {

using portio::CancelFd;
using portio::Deadline;

Deadline limitOf(DWORD timeoutMs) {
    return timeoutMs == MAXDWORD ? Deadline::Never() : Deadline::After(timeoutMs);
}

class DeviceParallelLine final : public ParallelLine {
public:
    DeviceParallelLine(int fd, bool readable) : m_fd(fd), m_readable(readable) {}
    ~DeviceParallelLine() override { ::close(m_fd); }

    bool valid() const { return m_cancel.valid(); }

    bool Read(void* buffer, DWORD size, DWORD& read, DWORD timeoutMs) override {
        read = 0;
        if (!m_readable || size == 0) return true;
        const Deadline limit = limitOf(timeoutMs);
        for (;;) {
            if (m_cancel.signalled()) {
                SetLastError(ERROR_OPERATION_ABORTED);
                return false;
            }
            const ssize_t n = ::read(m_fd, buffer, size);
            if (n > 0) {
                read = static_cast<DWORD>(n);
                return true;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EAGAIN) {
                SetLastErrorFromErrno();
                return false;
            }
            if (limit.Passed()) return true;
            // The printer driver has no readiness to wait for: look again in 1 ms.
            const int r = portio::waitFd(m_fd, 0, m_cancel, Deadline::After(1));
            if (r < 0) {
                portio::setWaitError(r);
                return false;
            }
        }
    }

    bool Write(const void* buffer, DWORD size, DWORD& written, DWORD timeoutMs) override {
        // The printer driver has no readiness to wait for: the loop looks again in 1 ms.
        return portio::writeAll(m_fd, buffer, size, written, limitOf(timeoutMs), m_cancel, 0);
    }

    bool ClearCommError(DWORD& errors, ComStat* status) override {
        errors = 0;
        if (status) *status = ComStat{};
        int lp = 0;
        // Only the printer driver reports a status; other devices have no line errors.
        if (::ioctl(m_fd, LPGETSTATUS, &lp) != 0) return true;
        if (lp & LP_POUTPA) errors |= CE_OOP;
        if (!(lp & LP_PSELECD)) errors |= CE_DNS;
        if (!(lp & LP_PERRORP)) errors |= CE_IOE;
        return true;
    }

    bool FlushFileBuffers() override {
        if (::fsync(m_fd) != 0 && errno != EINVAL && errno != EROFS) {
            SetLastErrorFromErrno();
            return false;
        }
        return true;
    }

    void Cancel() override { m_cancel.signal(); }

private:
    const int m_fd;
    const bool m_readable;
    CancelFd m_cancel;
};

}  // namespace

std::unique_ptr<ParallelLine> OpenParallelDevice(const std::string& path) {
    bool readable = true;
    int fd = portio::openExclusive(path, O_RDWR);
    if (fd < 0 && GetLastError() != ERROR_ACCESS_DENIED) {
        // Printers without a return channel may open for writing only.
        readable = false;
        fd = portio::openExclusive(path, O_WRONLY);
    }
    if (fd < 0) return nullptr;
    auto line = std::make_unique<DeviceParallelLine>(fd, readable);
    if (!line->valid()) {
        SetLastError(ERROR_TOO_MANY_OPEN_FILES);
        return nullptr;
    }
    return line;
}

}  // namespace platform
