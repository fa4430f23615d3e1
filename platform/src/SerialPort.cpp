#include "platform/SerialPort.h"

#include <fcntl.h>
#include <linux/major.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <mutex>

#include "LineSpeed.h"
#include "PortIo.h"

namespace platform {

namespace {

using portio::CancelFd;
using portio::Deadline;

// How often the notification wait looks at the modem lines, the error counters and the
// input queue when the device cannot wake it for them (the output queue: as soon as its
// bytes should be out, within this bound).
constexpr int kSampleMs = 10;
// For this long after the last write, and after a reader last came for input, the
// notification wait keeps coming back every kSampleMs, so that the next writes and the
// bytes the readers take need no wake of their own.
constexpr std::uint64_t kLingerMs = 2 * kSampleMs;
// FlushFileBuffers gives up after this long (a line held by flow control forever).
constexpr std::uint64_t kFlushLimitMs = 30000;

struct Speed {
    DWORD baud;
    speed_t code;
};
constexpr Speed kSpeeds[] = {
    {50, B50},         {75, B75},         {110, B110},        {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},        {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},      {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400},  {460800, B460800}, {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000}};

bool speedCode(DWORD baud, speed_t& code) {
    for (const Speed& s : kSpeeds)
        if (s.baud == baud) {
            code = s.code;
            return true;
        }
    return false;
}

// Standard rates of the settings that have no speed code here: set as free rates.
constexpr DWORD kFreeSpeeds[] = {7200, 14400, 56000, 128000, 256000};

bool freeSpeed(DWORD baud) {
    return std::find(std::begin(kFreeSpeeds), std::end(kFreeSpeeds), baud) != std::end(kFreeSpeeds);
}

DWORD speedBaud(speed_t code) {
    for (const Speed& s : kSpeeds)
        if (s.code == code) return s.baud;
    return 0;
}

DWORD modemBits(int lines) {
    DWORD ms = 0;
    if (lines & TIOCM_CTS) ms |= MS_CTS_ON;
    if (lines & TIOCM_DSR) ms |= MS_DSR_ON;
    if (lines & TIOCM_RNG) ms |= MS_RING_ON;
    if (lines & TIOCM_CAR) ms |= MS_RLSD_ON;
    return ms;
}

// Raw mode: the line never echoes, edits or translates what passes, and a read takes
// what is there.
void makeRaw(termios& tio) {
    tio.c_iflag &=
        ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXANY);
    tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag |= CREAD | CLOCAL;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
}

// The line side of a pseudo-terminal keeps no output queue: what is written is in the far
// side's input at once.
bool pseudoTerminal(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return false;
    const unsigned int devMajor = major(st.st_rdev);
    return devMajor >= UNIX98_PTY_SLAVE_MAJOR &&
           devMajor < UNIX98_PTY_SLAVE_MAJOR + UNIX98_PTY_MAJOR_COUNT;
}

std::uint64_t product(DWORD a, DWORD b) {
    return static_cast<std::uint64_t>(a) * static_cast<std::uint64_t>(b);
}

// Coarse monotonic milliseconds: enough for kLingerMs, and no system call.
std::uint64_t coarseNowMs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000u +
           static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
}

class TermiosSerialLine final : public SerialLine {
public:
    explicit TermiosSerialLine(int fd) : m_fd(fd), m_queuesOutput(!pseudoTerminal(fd)) {
        termios tio{};
        if (::tcgetattr(m_fd, &tio) == 0) {
            // Raw from the start, whatever settings follow.
            makeRaw(tio);
            ::tcsetattr(m_fd, TCSANOW, &tio);
            m_dcb = fromTermios(tio);
            if (m_dcb.BaudRate == 0) m_dcb.BaudRate = static_cast<DWORD>(portio::FreeSpeed(m_fd));
        }
        m_modemKnown = readModem(m_lastModem);
        serial_icounter_struct count{};
        m_countsKnown = ::ioctl(m_fd, TIOCGICOUNT, &count) == 0;
        if (m_countsKnown) m_lastCount = count;
    }

    ~TermiosSerialLine() override {
        ::ioctl(m_fd, TIOCNXCL);
        ::close(m_fd);
    }

    bool valid() const { return m_cancel.valid() && m_maskWake.valid() && m_inputWake.valid(); }

    bool SetCommState(const Dcb& dcb) override {
        speed_t speed{};
        const bool shapeOk = dcb.ByteSize >= 5 && dcb.ByteSize <= 8 && dcb.Parity <= SPACEPARITY;
        // One and a half stop bits exist only with 5 data bits (and two stop bits only
        // with more); the line gives 1.5 for CSTOPB at 5 data bits.
        const bool stopOk = dcb.StopBits == ONESTOPBIT ||
                            (dcb.StopBits == ONE5STOPBITS && dcb.ByteSize == 5) ||
                            (dcb.StopBits == TWOSTOPBITS && dcb.ByteSize > 5);
        const bool freeRate = freeSpeed(dcb.BaudRate);
        if (freeRate) speed = B38400;  // stands in until the free rate replaces it below
        if (!shapeOk || !stopOk || (!freeRate && !speedCode(dcb.BaudRate, speed))) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        termios tio{};
        if (::tcgetattr(m_fd, &tio) != 0) {
            SetLastErrorFromErrno();
            return false;
        }
        makeRaw(tio);
        tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | INPCK | IGNPAR);
        tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
        static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
        tio.c_cflag |= kSizes[dcb.ByteSize - 5];
        if (dcb.StopBits != ONESTOPBIT) tio.c_cflag |= CSTOPB;
        switch (dcb.Parity) {
            case ODDPARITY:
                tio.c_cflag |= PARENB | PARODD;
                break;
            case EVENPARITY:
                tio.c_cflag |= PARENB;
                break;
            case MARKPARITY:
                tio.c_cflag |= PARENB | CMSPAR | PARODD;
                break;
            case SPACEPARITY:
                tio.c_cflag |= PARENB | CMSPAR;
                break;
            default:
                break;
        }
        if (dcb.fParity && dcb.Parity != NOPARITY) tio.c_iflag |= INPCK;
        if (dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE) tio.c_cflag |= CRTSCTS;
        if (dcb.fOutX) tio.c_iflag |= IXON;
        if (dcb.fInX) tio.c_iflag |= IXOFF;
        tio.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
        tio.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
        ::cfsetispeed(&tio, speed);
        ::cfsetospeed(&tio, speed);
        if (::tcsetattr(m_fd, TCSANOW, &tio) != 0 ||
            (freeRate && !portio::SetFreeSpeed(m_fd, dcb.BaudRate))) {
            SetLastErrorFromErrno();
            return false;
        }
        if (dcb.fDtrControl != DTR_CONTROL_HANDSHAKE)
            static_cast<void>(setLine(TIOCM_DTR, dcb.fDtrControl == DTR_CONTROL_ENABLE));
        if (dcb.fRtsControl == RTS_CONTROL_ENABLE || dcb.fRtsControl == RTS_CONTROL_DISABLE)
            static_cast<void>(setLine(TIOCM_RTS, dcb.fRtsControl == RTS_CONTROL_ENABLE));
        {
            std::lock_guard<std::mutex> hold(m_lock);
            m_dcb = dcb;
        }
        // No wire for these here: the rest is applied, the caller hears they are not.
        if (dcb.fOutxDsrFlow || dcb.fDtrControl == DTR_CONTROL_HANDSHAKE || dcb.fErrorChar ||
            dcb.fRtsControl == RTS_CONTROL_TOGGLE) {
            SetLastError(ERROR_NOT_SUPPORTED);
            return false;
        }
        return true;
    }

    bool GetCommState(Dcb& dcb) override {
        std::lock_guard<std::mutex> hold(m_lock);
        dcb = m_dcb;
        return true;
    }

    bool SetCommTimeouts(const CommTimeouts& timeouts) override {
        std::lock_guard<std::mutex> hold(m_lock);
        m_timeouts = timeouts;
        return true;
    }

    // The terminal driver keeps its own queues; their sizes are not ours to set.
    bool SetupComm(DWORD, DWORD) override { return true; }

    bool SetCommMask(DWORD mask) override {
        {
            std::lock_guard<std::mutex> hold(m_lock);
            m_mask = mask;
            ++m_maskGeneration;
        }
        m_maskWake.signal();
        return true;
    }

    bool WaitCommEvent(DWORD& events) override {
        events = 0;
        std::uint64_t generation;
        {
            std::lock_guard<std::mutex> hold(m_lock);
            generation = m_maskGeneration;
        }
        for (;;) {
            if (m_cancel.signalled()) {
                SetLastError(ERROR_OPERATION_ABORTED);
                return false;
            }
            DWORD mask;
            int sampleMs = -1;
            bool watchInput = false;
            {
                std::lock_guard<std::mutex> hold(m_lock);
                m_parkedLong = false;
                if (m_maskGeneration != generation) return true;
                mask = m_mask;
                if (mask == 0) return true;
                events = sampleLocked(mask, sampleMs, watchInput);
                m_parkedLong = events == 0 && (sampleMs < 0 || sampleMs > kSampleMs);
            }
            if (events) return true;
            pollfd fds[3] = {{m_cancel.fd(), POLLIN, 0},
                             {m_maskWake.fd(), POLLIN, 0},
                             {m_fd, static_cast<short>(watchInput ? POLLIN : 0), 0}};
            const int n = ::poll(fds, 3, sampleMs);
            if (n < 0 && errno != EINTR) {
                SetLastErrorFromErrno();
                return false;
            }
            if (n > 0 && (fds[1].revents & POLLIN)) drainMaskWake();
            if (n > 0 && (fds[2].revents & (POLLHUP | POLLERR)) && !(fds[2].revents & POLLIN)) {
                // The device went away (an adapter unplugged, the far side of a
                // pseudo-terminal closed): the wait fails, its caller retries later.
                SetLastError(ERROR_GEN_FAILURE);
                return false;
            }
        }
    }

    bool PurgeComm(DWORD flags) override {
        if (flags & (PURGE_RXABORT | PURGE_RXCLEAR)) {
            ::tcflush(m_fd, TCIFLUSH);
            std::lock_guard<std::mutex> hold(m_lock);
            m_seenInput = 0;
        }
        if (flags & (PURGE_TXABORT | PURGE_TXCLEAR)) ::tcflush(m_fd, TCOFLUSH);
        return true;
    }

    bool ClearCommError(DWORD& errors, ComStat* status) override {
        {
            std::lock_guard<std::mutex> hold(m_lock);
            collectErrorsLocked();
            errors = m_pendingErrors;
            m_pendingErrors = 0;
        }
        if (status) {
            *status = ComStat{};
            status->cbInQue = inputQueued();
            int out = 0;
            if (outputQueued(out) && out > 0) status->cbOutQue = static_cast<DWORD>(out);
            termios tio{};
            DWORD ms = 0;
            if (status->cbOutQue && ::tcgetattr(m_fd, &tio) == 0 && (tio.c_cflag & CRTSCTS) &&
                readModem(ms))
                status->fCtsHold = !(ms & MS_CTS_ON);
        }
        return true;
    }

    bool ClearCommErrorInput(DWORD& errors, DWORD& inQueue) override {
        {
            std::lock_guard<std::mutex> hold(m_lock);
            collectErrorsLocked();
            errors = m_pendingErrors;
            m_pendingErrors = 0;
        }
        inQueue = inputQueued();
        return true;
    }

    // One read of what is there, not first a look at how much is: the same answer for
    // one system call less.
    Arrived ReadArrived(void* buffer, DWORD size, DWORD& read) override {
        read = 0;
        {
            std::lock_guard<std::mutex> hold(m_lock);
            collectErrorsLocked();
            m_pendingErrors = 0;
        }
        if (size == 0) return Arrived::Read;
        if (m_cancel.signalled()) {
            SetLastError(ERROR_OPERATION_ABORTED);
            return Arrived::Failed;
        }
        for (;;) {
            const ssize_t n = ::read(m_fd, buffer, size);
            if (n > 0) {
                read = static_cast<DWORD>(n);
                noteInputTaken(read);
                return Arrived::Read;
            }
            if (n < 0 && errno == EINTR) continue;
            // Nothing there, or a line whose far side has gone (EIO), which a look at the
            // input queue would report as empty.
            if (n == 0 || errno == EAGAIN || errno == EIO) return Arrived::Read;
            SetLastErrorFromErrno();
            return Arrived::Failed;
        }
    }

    bool GetCommModemStatus(DWORD& status) override {
        if (!readModem(status)) {
            SetLastError(ERROR_NOT_SUPPORTED);
            return false;
        }
        return true;
    }

    bool EscapeCommFunction(DWORD function) override {
        bool ok = false;
        switch (function) {
            case SETDTR:
            case CLRDTR:
                ok = setLine(TIOCM_DTR, function == SETDTR);
                break;
            case SETRTS:
            case CLRRTS:
                ok = setLine(TIOCM_RTS, function == SETRTS);
                break;
            case SETBREAK:
                ok = ::ioctl(m_fd, TIOCSBRK) == 0;
                break;
            case CLRBREAK:
                ok = ::ioctl(m_fd, TIOCCBRK) == 0;
                break;
            default:
                SetLastError(ERROR_INVALID_PARAMETER);
                return false;
        }
        if (!ok) SetLastErrorFromErrno();
        return ok;
    }

    bool ReadFile(void* buffer, DWORD size, DWORD& read) override {
        read = 0;
        CommTimeouts t;
        bool abortOnError;
        {
            std::lock_guard<std::mutex> hold(m_lock);
            t = m_timeouts;
            abortOnError = m_dcb.fAbortOnError;
            if (abortOnError) collectErrorsLocked();
            if (abortOnError && m_pendingErrors) {
                SetLastError(ERROR_OPERATION_ABORTED);
                return false;
            }
        }
        if (size == 0) return true;
        // MAXDWORD as the interval with no totals: what is there, at once. With a
        // MAXDWORD multiplier too: at once when anything is there, else wait up to the
        // constant for the first byte.
        const bool atOnce = t.ReadIntervalTimeout == MAXDWORD &&
                            t.ReadTotalTimeoutMultiplier == 0 && t.ReadTotalTimeoutConstant == 0;
        const bool firstByte =
            t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == MAXDWORD &&
            t.ReadTotalTimeoutConstant != 0 && t.ReadTotalTimeoutConstant != MAXDWORD;
        Deadline total = Deadline::Never();
        if (firstByte)
            total = Deadline::After(t.ReadTotalTimeoutConstant);
        else if (!atOnce && (t.ReadTotalTimeoutMultiplier || t.ReadTotalTimeoutConstant))
            total = Deadline::After(product(t.ReadTotalTimeoutMultiplier, size) +
                                    t.ReadTotalTimeoutConstant);
        const bool useInterval = !atOnce && !firstByte && t.ReadIntervalTimeout != 0 &&
                                 t.ReadIntervalTimeout != MAXDWORD;
        auto* out = static_cast<unsigned char*>(buffer);
        for (;;) {
            if (m_cancel.signalled()) {
                SetLastError(ERROR_OPERATION_ABORTED);
                return false;
            }
            const ssize_t n = ::read(m_fd, out + read, size - read);
            if (n > 0) {
                read += static_cast<DWORD>(n);
                noteInputTaken(static_cast<DWORD>(n));
                if (read == size || atOnce || firstByte) return true;
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EAGAIN) {
                SetLastErrorFromErrno();
                return read != 0;
            }
            if (atOnce) return true;
            Deadline wait = total;
            if (useInterval && read > 0)
                wait = wait.EarlierOf(Deadline::After(t.ReadIntervalTimeout));
            if (wait.Passed()) return true;
            const int r = portio::waitFd(m_fd, POLLIN, m_cancel, wait);
            if (r < 0) {
                portio::setWaitError(r);
                return false;
            }
            if ((r & (POLLHUP | POLLERR)) && !(r & POLLIN)) return true;
        }
    }

    bool WriteFile(const void* buffer, DWORD size, DWORD& written) override {
        written = 0;
        CommTimeouts t;
        {
            std::lock_guard<std::mutex> hold(m_lock);
            t = m_timeouts;
            if (m_dcb.fAbortOnError) {
                collectErrorsLocked();
                if (m_pendingErrors) {
                    SetLastError(ERROR_OPERATION_ABORTED);
                    return false;
                }
            }
        }
        const Deadline total = (t.WriteTotalTimeoutMultiplier || t.WriteTotalTimeoutConstant)
                                   ? Deadline::After(product(t.WriteTotalTimeoutMultiplier, size) +
                                                     t.WriteTotalTimeoutConstant)
                                   : Deadline::Never();
        const bool ok = portio::writeAll(m_fd, buffer, size, written, total, m_cancel, POLLOUT);
        if (written) {
            bool wake;
            {
                std::lock_guard<std::mutex> hold(m_lock);
                m_outputPending = true;
                m_wroteAtMs = coarseNowMs();
                // A wait that comes back within kSampleMs on its own reports the output
                // then, unless someone asks for it sooner (OutputDrained).
                wake = (m_mask & EV_TXEMPTY) != 0 && m_parkedLong;
            }
            if (wake) m_maskWake.signal();
        }
        return ok;
    }

    bool FlushFileBuffers() override {
        const Deadline limit = Deadline::After(kFlushLimitMs);
        for (;;) {
            int out = 0;
            if (!outputQueued(out) || out <= 0) return true;
            if (limit.Passed()) {
                SetLastError(ERROR_TIMEOUT);
                return false;
            }
            int waitMs;
            {
                std::lock_guard<std::mutex> hold(m_lock);
                waitMs = drainMsLocked(out);
            }
            const int r = portio::waitFd(m_fd, 0, m_cancel,
                                         Deadline::After(static_cast<std::uint64_t>(waitMs)));
            if (r < 0) {
                portio::setWaitError(r);
                return false;
            }
        }
    }

    bool OutputDrained() override {
        int out = 0;
        if (outputQueued(out) && out <= 0) return true;
        // The caller waits for EV_TXEMPTY: the notification wait looks at the queue now
        // and then as often as its drain needs.
        bool watched;
        {
            std::lock_guard<std::mutex> hold(m_lock);
            watched = m_outputPending && (m_mask & EV_TXEMPTY) != 0;
        }
        if (watched) m_maskWake.signal();
        return false;
    }

    std::uint64_t InputTaken() override { return m_inputTaken.load(); }

    void ReaderComing() override { m_readerAtMs.store(coarseNowMs(), std::memory_order_relaxed); }

    int WaitInput(std::uint64_t taken, DWORD timeoutMs) override {
        if (m_cancel.signalled()) return kInputRefused;
        // Counted in before the count is looked at: a read that takes bytes from now on
        // either is seen here or sees this waiter and wakes it.
        m_inputWaiters.fetch_add(1);
        ReaderComing();
        int result = kInputWoken;
        if (m_inputTaken.load() == taken) {
            pollfd fds[3] = {
                {m_cancel.fd(), POLLIN, 0}, {m_inputWake.fd(), POLLIN, 0}, {m_fd, POLLIN, 0}};
            const int ms =
                timeoutMs == MAXDWORD ? -1 : static_cast<int>(std::min<DWORD>(timeoutMs, 1u << 30));
            const int n = ::poll(fds, 3, ms);
            if (n < 0 && errno != EINTR) {
                SetLastErrorFromErrno();
                result = kInputRefused;
            } else if (n == 0) {
                result = kInputTimeout;
            } else if (n > 0) {
                if (fds[1].revents & POLLIN) {
                    std::uint64_t value;
                    [[maybe_unused]] const ssize_t r =
                        ::read(m_inputWake.fd(), &value, sizeof value);
                }
                // A line that hung up stays readable without bytes to read.
                if ((fds[0].revents & POLLIN) || (fds[2].revents & (POLLHUP | POLLERR)))
                    result = kInputRefused;
            }
        }
        // Stamped again as it wakes: the reader is about to take the bytes, and a long wait
        // must not leave them to the notification thread meanwhile.
        ReaderComing();
        m_inputWaiters.fetch_sub(1);
        return result;
    }

    void Cancel() override {
        m_cancel.signal();
        m_maskWake.signal();
    }

private:
    static Dcb fromTermios(const termios& tio) {
        Dcb dcb;
        dcb.BaudRate = speedBaud(::cfgetospeed(&tio));
        dcb.fBinary = true;
        switch (tio.c_cflag & CSIZE) {
            case CS5:
                dcb.ByteSize = 5;
                break;
            case CS6:
                dcb.ByteSize = 6;
                break;
            case CS7:
                dcb.ByteSize = 7;
                break;
            default:
                dcb.ByteSize = 8;
                break;
        }
        if (tio.c_cflag & PARENB) {
            const bool odd = tio.c_cflag & PARODD;
            dcb.Parity = (tio.c_cflag & CMSPAR) ? (odd ? MARKPARITY : SPACEPARITY)
                                                : (odd ? ODDPARITY : EVENPARITY);
        }
        dcb.fParity = tio.c_iflag & INPCK;
        if (tio.c_cflag & CSTOPB) dcb.StopBits = dcb.ByteSize == 5 ? ONE5STOPBITS : TWOSTOPBITS;
        dcb.fOutxCtsFlow = tio.c_cflag & CRTSCTS;
        dcb.fRtsControl = dcb.fOutxCtsFlow ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fOutX = tio.c_iflag & IXON;
        dcb.fInX = tio.c_iflag & IXOFF;
        dcb.XonChar = static_cast<char>(tio.c_cc[VSTART]);
        dcb.XoffChar = static_cast<char>(tio.c_cc[VSTOP]);
        return dcb;
    }

    bool readModem(DWORD& status) const {
        int lines = 0;
        if (::ioctl(m_fd, TIOCMGET, &lines) != 0) return false;
        status = modemBits(lines);
        return true;
    }

    bool setLine(int line, bool on) { return ::ioctl(m_fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0; }

    // The bytes written but not yet sent; false when the driver cannot tell.
    bool outputQueued(int& out) const {
        out = 0;
        return !m_queuesOutput || ::ioctl(m_fd, TIOCOUTQ, &out) == 0;
    }

    DWORD inputQueued() const {
        int queued = 0;
        if (::ioctl(m_fd, FIONREAD, &queued) != 0 || queued < 0) return 0;
        return static_cast<DWORD>(queued);
    }

    // Turns growth of the driver's error counters into pending CE_ bits; returns the
    // communication events they stand for.
    DWORD collectErrorsLocked() {
        if (!m_countsKnown) return 0;
        serial_icounter_struct now{};
        if (::ioctl(m_fd, TIOCGICOUNT, &now) != 0) return 0;
        DWORD events = 0;
        DWORD errors = 0;
        if (now.frame != m_lastCount.frame) errors |= CE_FRAME;
        if (now.overrun != m_lastCount.overrun) errors |= CE_OVERRUN;
        if (now.parity != m_lastCount.parity) errors |= CE_RXPARITY;
        if (now.buf_overrun != m_lastCount.buf_overrun) errors |= CE_RXOVER;
        if (now.brk != m_lastCount.brk) {
            errors |= CE_BREAK;
            events |= EV_BREAK;
        }
        if (errors & (CE_FRAME | CE_OVERRUN | CE_RXPARITY)) events |= EV_ERR;
        m_lastCount = now;
        m_pendingErrors |= errors;
        return events;
    }

    // How long the bytes still queued for output take on the line at its speed: the wait
    // before the next look at the output queue, at least 1 ms and at most kSampleMs.
    int drainMsLocked(int queued) const {
        const DWORD bits = DWORD{m_dcb.ByteSize} + 2 + (m_dcb.Parity != NOPARITY ? 1 : 0) +
                           (m_dcb.StopBits != ONESTOPBIT ? 1 : 0);
        const DWORD baud = m_dcb.BaudRate ? m_dcb.BaudRate : 9600;
        const std::uint64_t ms =
            (product(static_cast<DWORD>(queued), bits) * 1000 + baud - 1) / baud;
        return static_cast<int>(std::clamp<std::uint64_t>(ms, 1, kSampleMs));
    }

    // What happened since the last look, within the mask. Says in how many milliseconds
    // the caller must come back on its own (-1: never; no descriptor tells of it) and
    // whether to watch for input.
    DWORD sampleLocked(DWORD mask, int& sampleMs, bool& watchInput) {
        auto comeBackWithin = [&sampleMs](int ms) {
            if (sampleMs < 0 || ms < sampleMs) sampleMs = ms;
        };
        DWORD events = 0;
        if (m_modemKnown && (mask & (EV_CTS | EV_DSR | EV_RLSD | EV_RING))) {
            comeBackWithin(kSampleMs);
            DWORD now = 0;
            if (readModem(now)) {
                const DWORD changed = now ^ m_lastModem;
                if (changed & MS_CTS_ON) events |= EV_CTS;
                if (changed & MS_DSR_ON) events |= EV_DSR;
                if (changed & MS_RLSD_ON) events |= EV_RLSD;
                if ((changed & MS_RING_ON) && (now & MS_RING_ON)) events |= EV_RING;
                m_lastModem = now;
            }
        }
        if (m_countsKnown && (mask & (EV_ERR | EV_BREAK))) {
            comeBackWithin(kSampleMs);
            events |= collectErrorsLocked();
        }
        const std::uint64_t nowMs = coarseNowMs();
        if ((mask & EV_RXCHAR) && readersAround(nowMs)) {
            // The readers take what arrives straight from the line; bytes that none of
            // them takes are news when the readers have gone.
            comeBackWithin(kSampleMs);
        } else if (mask & EV_RXCHAR) {
            const DWORD queued = inputQueued();
            if (queued > m_seenInput) events |= EV_RXCHAR;
            m_seenInput = queued;
            // Bytes left unread do not wake poll again; look for growth instead.
            if (queued == 0)
                watchInput = true;
            else
                comeBackWithin(kSampleMs);
        }
        if ((mask & EV_TXEMPTY) && nowMs - m_wroteAtMs < kLingerMs) comeBackWithin(kSampleMs);
        if (m_outputPending && (mask & EV_TXEMPTY)) {
            int out = 0;
            if (!outputQueued(out) || out <= 0) {
                m_outputPending = false;
                events |= EV_TXEMPTY;
            } else {
                // The line tells nobody when it has sent its queue: look again when it
                // should have.
                comeBackWithin(drainMsLocked(out));
            }
        }
        return events & mask;
    }

    // A reader waits for input now, or came within kLingerMs.
    bool readersAround(std::uint64_t nowMs) const {
        return m_inputWaiters.load() != 0 ||
               nowMs - m_readerAtMs.load(std::memory_order_relaxed) < kLingerMs;
    }

    void noteInputTaken(DWORD count) {
        {
            std::lock_guard<std::mutex> hold(m_lock);
            m_seenInput -= std::min(m_seenInput, count);
        }
        m_inputTaken.fetch_add(1);
        if (m_inputWaiters.load() != 0) m_inputWake.signal();
    }

    void drainMaskWake() {
        std::uint64_t value;
        [[maybe_unused]] const ssize_t n = ::read(m_maskWake.fd(), &value, sizeof value);
    }

    const int m_fd;
    const bool m_queuesOutput;  // false: a pseudo-terminal, whose output is never queued
    CancelFd m_cancel;
    CancelFd m_maskWake;   // drained by the notification wait; never by anyone else
    CancelFd m_inputWake;  // drained by WaitInput
    std::atomic<std::uint64_t> m_inputTaken{0};
    std::atomic<int> m_inputWaiters{0};
    std::atomic<std::uint64_t> m_readerAtMs{0};  // when a reader last came
    std::mutex m_lock;                           // guards everything below
    Dcb m_dcb;
    CommTimeouts m_timeouts;
    DWORD m_mask = 0;
    std::uint64_t m_maskGeneration = 0;
    DWORD m_pendingErrors = 0;
    bool m_modemKnown = false;
    DWORD m_lastModem = 0;
    bool m_countsKnown = false;
    serial_icounter_struct m_lastCount{};
    DWORD m_seenInput = 0;
    bool m_outputPending = false;
    std::uint64_t m_wroteAtMs = 0;
    // The notification wait is in its poll and comes back on its own later than
    // kSampleMs (or never): a write wakes it.
    bool m_parkedLong = false;
};

}  // namespace

std::unique_ptr<SerialLine> OpenSerialDevice(const std::string& path) {
    const int fd = portio::openExclusive(path, O_RDWR);
    if (fd < 0) return nullptr;
    if (!::isatty(fd)) {
        ::close(fd);
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    ::ioctl(fd, TIOCEXCL);
    auto line = std::make_unique<TermiosSerialLine>(fd);
    if (!line->valid()) {
        SetLastError(ERROR_TOO_MANY_OPEN_FILES);
        return nullptr;
    }
    return line;
}

}  // namespace platform
