// Serial and parallel lines as the port library sees them: the Win32 communication
// constants and records, an open serial line and an open parallel line, and the backend
// that opens them by port name. The system backend drives real devices (termios, the
// printer driver); tests install a backend of their own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Win32Error.h"

namespace platform {

// Communication events (event mask and WaitCommEvent).
inline constexpr DWORD EV_RXCHAR = 0x0001;
inline constexpr DWORD EV_TXEMPTY = 0x0004;
inline constexpr DWORD EV_CTS = 0x0008;
inline constexpr DWORD EV_DSR = 0x0010;
inline constexpr DWORD EV_RLSD = 0x0020;
inline constexpr DWORD EV_BREAK = 0x0040;
inline constexpr DWORD EV_ERR = 0x0080;
inline constexpr DWORD EV_RING = 0x0100;

// Line errors (ClearCommError).
inline constexpr DWORD CE_RXOVER = 0x0001;
inline constexpr DWORD CE_OVERRUN = 0x0002;
inline constexpr DWORD CE_RXPARITY = 0x0004;
inline constexpr DWORD CE_FRAME = 0x0008;
inline constexpr DWORD CE_BREAK = 0x0010;
inline constexpr DWORD CE_TXFULL = 0x0100;
inline constexpr DWORD CE_PTO = 0x0200;
inline constexpr DWORD CE_IOE = 0x0400;
inline constexpr DWORD CE_DNS = 0x0800;
inline constexpr DWORD CE_OOP = 0x1000;
inline constexpr DWORD CE_MODE = 0x8000;

// Modem status (GetCommModemStatus).
inline constexpr DWORD MS_CTS_ON = 0x0010;
inline constexpr DWORD MS_DSR_ON = 0x0020;
inline constexpr DWORD MS_RING_ON = 0x0040;
inline constexpr DWORD MS_RLSD_ON = 0x0080;

// PurgeComm flags.
inline constexpr DWORD PURGE_TXABORT = 0x0001;
inline constexpr DWORD PURGE_RXABORT = 0x0002;
inline constexpr DWORD PURGE_TXCLEAR = 0x0004;
inline constexpr DWORD PURGE_RXCLEAR = 0x0008;

// EscapeCommFunction codes.
inline constexpr DWORD SETRTS = 3;
inline constexpr DWORD CLRRTS = 4;
inline constexpr DWORD SETDTR = 5;
inline constexpr DWORD CLRDTR = 6;
inline constexpr DWORD SETBREAK = 8;
inline constexpr DWORD CLRBREAK = 9;

inline constexpr DWORD MAXDWORD = 0xFFFFFFFFu;

// Line settings in the shape of the Win32 device control block.
inline constexpr std::uint8_t NOPARITY = 0, ODDPARITY = 1, EVENPARITY = 2, MARKPARITY = 3,
                              SPACEPARITY = 4;
inline constexpr std::uint8_t ONESTOPBIT = 0, ONE5STOPBITS = 1, TWOSTOPBITS = 2;
inline constexpr std::uint8_t DTR_CONTROL_DISABLE = 0, DTR_CONTROL_ENABLE = 1,
                              DTR_CONTROL_HANDSHAKE = 2;
inline constexpr std::uint8_t RTS_CONTROL_DISABLE = 0, RTS_CONTROL_ENABLE = 1,
                              RTS_CONTROL_HANDSHAKE = 2, RTS_CONTROL_TOGGLE = 3;

struct Dcb {
    DWORD BaudRate = 0;
    bool fBinary = false;
    bool fParity = false;
    bool fOutxCtsFlow = false;
    bool fOutxDsrFlow = false;
    std::uint8_t fDtrControl = DTR_CONTROL_DISABLE;
    bool fOutX = false;
    bool fInX = false;
    bool fErrorChar = false;
    std::uint8_t fRtsControl = RTS_CONTROL_DISABLE;
    bool fAbortOnError = false;
    std::uint16_t XonLim = 0;
    std::uint16_t XoffLim = 0;
    std::uint8_t ByteSize = 0;
    std::uint8_t Parity = NOPARITY;
    std::uint8_t StopBits = ONESTOPBIT;
    char XonChar = 0;
    char XoffChar = 0;
    char ErrorChar = 0;

    bool operator==(const Dcb&) const = default;
};

struct CommTimeouts {
    DWORD ReadIntervalTimeout = 0;
    DWORD ReadTotalTimeoutMultiplier = 0;
    DWORD ReadTotalTimeoutConstant = 0;
    DWORD WriteTotalTimeoutMultiplier = 0;
    DWORD WriteTotalTimeoutConstant = 0;
};

struct ComStat {
    bool fCtsHold = false;
    bool fDsrHold = false;
    bool fRlsdHold = false;
    bool fXoffHold = false;
    bool fXoffSent = false;
    bool fEof = false;
    bool fTxim = false;
    DWORD cbInQue = 0;
    DWORD cbOutQue = 0;
};

// An open serial line. Calls may come from two threads at once (the caller's and the
// port's notification thread); every call is safe against the others. Failing calls
// return false and set the calling thread's last error.
class SerialLine {
public:
    virtual ~SerialLine() = default;

    // Applies the settings. What the line cannot do (a refused combination, a speed it
    // does not know, a handshake it has no wire for) fails with ERROR_INVALID_PARAMETER or
    // ERROR_NOT_SUPPORTED; everything it can do is applied all the same.
    [[nodiscard]] virtual bool SetCommState(const Dcb& dcb) = 0;
    [[nodiscard]] virtual bool GetCommState(Dcb& dcb) = 0;
    [[nodiscard]] virtual bool SetCommTimeouts(const CommTimeouts& timeouts) = 0;
    [[nodiscard]] virtual bool SetupComm(DWORD inQueue, DWORD outQueue) = 0;
    // Sets the events that WaitCommEvent waits for; a pending wait returns at once with
    // no events.
    [[nodiscard]] virtual bool SetCommMask(DWORD mask) = 0;
    // Waits until one of the masked events happens; events = the events seen (0 when the
    // mask was changed or the line was cancelled).
    [[nodiscard]] virtual bool WaitCommEvent(DWORD& events) = 0;
    [[nodiscard]] virtual bool PurgeComm(DWORD flags) = 0;
    // Takes and clears the line errors seen since the last call; fills the status.
    [[nodiscard]] virtual bool ClearCommError(DWORD& errors, ComStat* status) = 0;
    // The same for a caller that needs only the bytes waiting to be read (cbInQue): a line
    // may answer it without looking at its output side.
    [[nodiscard]] virtual bool ClearCommErrorInput(DWORD& errors, DWORD& inQueue) {
        ComStat status;
        const bool ok = ClearCommError(errors, &status);
        inQueue = status.cbInQue;
        return ok;
    }
    // What a port's plain read does in one step: takes and clears the line errors (as
    // ClearCommErrorInput) and reads what has arrived, up to size, at once whatever the
    // time-outs. Errors: the errors could not be taken and nothing was read; Failed: the
    // read failed (both with the last error set).
    enum class Arrived { Read, Errors, Failed };
    [[nodiscard]] virtual Arrived ReadArrived(void* buffer, DWORD size, DWORD& read) {
        read = 0;
        DWORD errors = 0;
        DWORD waiting = 0;
        if (!ClearCommErrorInput(errors, waiting)) return Arrived::Errors;
        if (size > waiting) size = waiting;
        if (size == 0 || ReadFile(buffer, size, read)) return Arrived::Read;
        read = 0;
        return Arrived::Failed;
    }
    [[nodiscard]] virtual bool GetCommModemStatus(DWORD& status) = 0;
    [[nodiscard]] virtual bool EscapeCommFunction(DWORD function) = 0;
    // Reads and writes under the time-outs of SetCommTimeouts. A write that runs out of
    // time succeeds with the count that went out; a read that runs out of time succeeds
    // with what it got.
    [[nodiscard]] virtual bool ReadFile(void* buffer, DWORD size, DWORD& read) = 0;
    [[nodiscard]] virtual bool WriteFile(const void* buffer, DWORD size, DWORD& written) = 0;
    // For a reader that waits beside another thread that reads the same line too: a count
    // that every read which takes bytes raises, and a wait until bytes are waiting to be
    // read or the count has moved on from `taken` (kInputWoken), timeoutMs has passed
    // (MAXDWORD: no limit; kInputTimeout), or the line cannot be waited on so: cancelled,
    // gone or unable to tell (kInputRefused, the caller waits some other way).
    static constexpr int kInputWoken = 1;
    static constexpr int kInputTimeout = 0;
    static constexpr int kInputRefused = -1;
    [[nodiscard]] virtual std::uint64_t InputTaken() { return 0; }
    // Such a reader says it is about to take input itself (ReadArrived, ReadFile,
    // WaitInput; a waiter says so by waiting). While readers keep coming, and for some
    // milliseconds after, the notification wait leaves arriving bytes to them instead of
    // waking for each, and reports EV_RXCHAR for bytes that none of them took when it
    // next looks, within those milliseconds.
    virtual void ReaderComing() {}
    [[nodiscard]] virtual int WaitInput(std::uint64_t /*taken*/, DWORD /*timeoutMs*/) {
        return kInputRefused;
    }
    // Waits until the output has gone out to the line.
    [[nodiscard]] virtual bool FlushFileBuffers() = 0;
    // True when everything written has gone out to the line right now (false when the line
    // cannot tell), so a caller need not wait for EV_TXEMPTY. Takes no line error. A line
    // may report EV_TXEMPTY for output that went out with some delay (a few milliseconds)
    // unless a caller has asked here and heard false: then it reports it as soon as it can.
    [[nodiscard]] virtual bool OutputDrained() { return false; }
    // Ends every pending read, write and wait (they fail with ERROR_OPERATION_ABORTED) and
    // every later one; used just before the line is let go.
    virtual void Cancel() = 0;
};

// An open parallel line: reads and writes bounded by a time-out in milliseconds
// (MAXDWORD: no limit), and the printer's status as line errors.
class ParallelLine {
public:
    virtual ~ParallelLine() = default;

    // Reads what is there, waiting up to timeoutMs for the first byte.
    [[nodiscard]] virtual bool Read(void* buffer, DWORD size, DWORD& read, DWORD timeoutMs) = 0;
    // Writes until all went out or timeoutMs has passed; success with the count written.
    [[nodiscard]] virtual bool Write(const void* buffer, DWORD size, DWORD& written,
                                     DWORD timeoutMs) = 0;
    [[nodiscard]] virtual bool ClearCommError(DWORD& errors, ComStat* status) = 0;
    [[nodiscard]] virtual bool FlushFileBuffers() = 0;
    virtual void Cancel() = 0;
};

// Opens lines by port name ("COM1", "LPT2": the name without a trailing colon).
class PortBackend {
public:
    virtual ~PortBackend() = default;
    // Null with the last error set when the port cannot be opened (ERROR_FILE_NOT_FOUND,
    // ERROR_ACCESS_DENIED when it is in use).
    virtual std::unique_ptr<SerialLine> OpenSerial(const std::string& name) = 0;
    virtual std::unique_ptr<ParallelLine> OpenParallel(const std::string& name) = 0;
    // The ports of the machine, serial ones first, as "COM1:" ... "LPT1:" ...
    virtual std::vector<std::string> EnumPorts() = 0;
    // The stored default settings of a port; false when the port is unknown.
    [[nodiscard]] virtual bool GetDefaultCommConfig(const std::string& name, Dcb& dcb) = 0;
    [[nodiscard]] virtual bool SetDefaultCommConfig(const std::string& name, const Dcb& dcb) = 0;
};

// The backend in use: the system one unless a test has installed its own.
PortBackend& CurrentPortBackend();
// Installs a backend (null: back to the system one). The caller keeps it alive while
// it is installed.
void SetPortBackend(PortBackend* backend);
// The backend over the machine's devices.
PortBackend& SystemPortBackend();

}  // namespace platform
