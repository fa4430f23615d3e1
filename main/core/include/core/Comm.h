// The device core's access to a local serial ("COMn") or parallel ("LPTn") line through the
// port library. A device owns one: it opens and closes the line, writes a message buffer
// in a loop bounded by 30 s (a write cut short by its deadline goes on where it stopped
// when the same buffer comes again), waits for and reads what the line sends, and checks
// the line's status. It keeps a port state and a last error text for the device's display.
//
// Threads: a device's send and receive threads. The port state and the last error each
// have their own lock; reads and writes are the callers' to order (the port library keeps
// its receive ring under its own lock). The three write words are atomic: the
// user-interface thread sets them while the send thread writes.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/MessageBuffer.h"

class Lineservice;

namespace core {

enum ePortState : int { PORT_OPEN = 0, PORT_AVAILABLE = 1, PORT_CLOSED = 2 };

// What the port library is given for a serial port's settings texts.
struct CCommSettings {
    std::uint32_t dwDataBits = 8;
    int iStopBits = 0;      // 0 one, 1 one and a half, 2 two
    int iFlowControl = 0;   // 0 none, 1 hardware, 2 Xon/Xoff
    int iParity = 0;        // 0 none, 1 odd, 2 even, 3 mark
    bool bRefused = false;  // a combination the line cannot carry
};

class CComm {
public:
    // How long a write or a read may take, and the line library's own time-outs.
    static constexpr std::uint32_t kWriteSeconds = 30;
    static constexpr std::uint32_t kReadWaitMs = 30000;
    static constexpr std::size_t kReadBlock = 1024;

    CComm(const std::string& strPortName, std::uint32_t dwBaudRate, std::uint32_t dwDataBits,
          const std::string& strStopBits, const std::string& strEmulation,
          const std::string& strFlowControl, const std::string& strParity);
    virtual ~CComm();
    CComm(const CComm&) = delete;
    CComm& operator=(const CComm&) = delete;

    // The serial settings the texts of a device's key stand for.
    static CCommSettings MapSettings(std::uint32_t dwDataBits, const std::string& strStopBits,
                                     const std::string& strFlowControl,
                                     const std::string& strParity);

    [[nodiscard]] int PortOpen();
    [[nodiscard]] int PortConfigure();
    [[nodiscard]] int PortWrite(const CMessageBuffer& buffer);
    [[nodiscard]] int PortRead(CMessageBuffer& buffer);
    // Waits at most dwMs for input: 0 when some came (PortRead then returns it first),
    // 2 on a line error, 1 otherwise.
    [[nodiscard]] int PortReadWaitForReceive(std::uint32_t dwMs);
    [[nodiscard]] int PortClose();
    [[nodiscard]] int PortStatus();

    void SetPortState(int eState);
    ePortState GetPortState() const;
    void SetLastError(const std::string& text);
    std::string GetLastError() const;

    const std::string& GetPortName() const noexcept { return m_strPortName; }
    bool HasPort() const noexcept { return m_pLineservice != nullptr; }

    // Set while a write may resume where the last one stopped; clearing it starts the next
    // write at the beginning of its buffer.
    std::atomic<bool> m_bResumeWrite{false};
    // Ends the write loop at once with 0 and forgets where it stopped.
    std::atomic<bool> m_bAbortWrite{false};
    // Makes the write loop's deadline its start: one pass, then the time-out.
    std::atomic<bool> m_bFlushWrite{false};

private:
    bool IsCom() const { return m_strPortName.rfind("COM", 0) == 0; }
    bool IsLpt() const { return m_strPortName.rfind("LPT", 0) == 0; }
    int WriteLoop(const CMessageBuffer& buffer);
    int WriteStep(const std::uint8_t* data, std::uint32_t& nWritten, std::uint32_t& nRemaining);
    int FlushStep();
    // One read of the line into out: true when bytes came.
    bool ReadOnce(std::vector<std::uint8_t>& out, std::uint32_t dwTimeoutMs);

    std::string m_strPortName;
    std::uint32_t m_dwBaudRate;
    std::uint32_t m_dwDataBits;
    std::string m_strStopBits;
    std::string m_strEmulation;  // kept, not used here
    std::string m_strFlowControl;
    std::string m_strParity;

    mutable std::mutex m_csPortState;
    ePortState m_ePortState = PORT_CLOSED;
    mutable std::mutex m_csLastError;
    std::string m_strLastError;

    // Where an interrupted write stopped, and the bytes it was writing (send thread only).
    std::uint32_t m_nWritten = 0;
    std::uint32_t m_nRemaining = 0;
    std::vector<std::uint8_t> m_resumeData;
    // Input taken by PortReadWaitForReceive, handed out by the next PortRead.
    std::vector<std::uint8_t> m_readAhead;

    std::unique_ptr<Lineservice> m_pLineservice;
};

}  // namespace core
