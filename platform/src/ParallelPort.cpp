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
    return timeoutMs == MAXDWORD ? Deadline::never() : Deadline::after(timeoutMs);
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
            if (limit.passed()) return true;
            // The printer driver has no readiness to wait for: look again in 1 ms.
            if (portio::waitFd(m_fd, 0, m_cancel, 1) < 0) {
                SetLastError(ERROR_OPERATION_ABORTED);
                return false;
            }
        }
    }

    bool Write(const void* buffer, DWORD size, DWORD& written, DWORD timeoutMs) override {
        written = 0;
        const Deadline limit = limitOf(timeoutMs);
        const auto* in = static_cast<const unsigned char*>(buffer);
        while (written < size) {
            if (m_cancel.signalled()) {
                SetLastError(ERROR_OPERATION_ABORTED);
                return false;
            }
            const ssize_t n = ::write(m_fd, in + written, size - written);
            if (n > 0) {
                written += static_cast<DWORD>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EAGAIN) {
                SetLastErrorFromErrno();
                return false;
            }
            if (limit.passed()) {
                SetLastError(ERROR_TIMEOUT);
                return true;
            }
            if (portio::waitFd(m_fd, 0, m_cancel, 1) < 0) {
                SetLastError(ERROR_OPERATION_ABORTED);
                return false;
            }
        }
        return true;
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
