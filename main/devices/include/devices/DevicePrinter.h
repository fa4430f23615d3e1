// The document printer on a serial ("COM") or parallel ("LPT") port: device types "Printer",
// "Printer Mitosa Hardcopy" (which initialises the printer when it takes the port) and
// "Printer (ATB2-BAGTAG/Airline-TQX)" (whose messages are reformatted for bag tags). It
// prints host messages as they come and acknowledges each, holds the port only while it has
// work, and while it holds the port the print queues that print to the same port are
// paused; they are resumed when it lets the port go. A failed write keeps its buffer for the
// next attempt.
//
// Threads: OnHostReceive on the user-interface thread; SendToDevice, GetDevice,
// ReleaseDevice and the pause and resume of the queues on the send thread (and on the
// user-interface thread for a reset's initialisation while the port is closed). They meet in
// the queue, the atomic flags of the host link and the port, and the port lock.
// Lock order: m_csPort (recursive: taking the port releases it again on a failure), then the
// device's own locks (core/Device.h); the trace log is innermost.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/Comm.h"
#include "core/Device.h"

namespace devices {

class CDevicePrinter final : public core::CDevice {
public:
    // The spooler's commands for the queues on the port.
    static constexpr std::uint32_t PRINTER_CONTROL_PAUSE = 1;
    static constexpr std::uint32_t PRINTER_CONTROL_RESUME = 2;

    // bPortInitialisation: the printer is initialised when the port is taken (hard copies).
    CDevicePrinter(const std::string& strDeviceKey, bool bPortInitialisation);
    ~CDevicePrinter() override;

    [[nodiscard]] bool SendToDevice() override;
    void OnHostReceive() override;

    // Messages are reformatted for bag tags (set once, before the first host message).
    void SetBagTagMode(bool bOn) noexcept { m_bBagTag = bOn; }

    [[nodiscard]] bool GetDevice();
    void ReleaseDevice();
    // Pauses or resumes the queues on the port; false when one refused. A pause ends at the
    // first refusal, a resume goes on with the others.
    [[nodiscard]] bool SystemPrintersSetState(std::uint32_t dwState);

    // The bag-tag form of a message: the bytes to queue, or nothing when the message is only
    // acknowledged. bEndsDocument when the message's C1 is "B".
    std::optional<std::string> MessagePrinterCreate(const std::string& text, bool bEndsDocument);

    core::CComm& Comm() noexcept { return *m_pComm; }
    int RetryCounter() const noexcept { return m_iRetryCounter; }

private:
    void ReadSettings(const std::string& strDeviceKey);
    core::eDeviceAction ReceiveFromHost();
    void SendThread();
    // Waits for the wake-up while the thread is marked asleep; false when it is to end.
    bool SleepWhileAsleep();
    // Sends the initialisation and form strings; false when the initialisation did not go.
    bool InitialisePrinter();
    void Acknowledge(char cStatus);
    // The same for the message the send thread took last (the host may have sent others).
    void AcknowledgeWritten(char cStatus);
    void LoadLocalPrinters();

    std::recursive_mutex m_csPort;  // the port's hold, the local printers, the printer's set-up
    std::unique_ptr<core::CComm> m_pComm;
    std::string m_strPort, m_strEmulation, m_strFlowControl, m_strParity, m_strStopBits;
    std::uint32_t m_dwBaudRate = 0;
    std::uint32_t m_dwDataBits = 0;
    std::atomic<int> m_iRetryCounter{0};
    bool m_bStartOfDocument = true;  // user-interface thread
    bool m_bLastPage = false;
    bool m_bCT = false;
    const bool m_bPortInitialisation;
    bool m_bBagTag = false;
    std::string m_strBinChoice;
    std::atomic<bool> m_bWaitingAfterFailure{false};
    std::vector<std::string> m_LocalPrinters;  // under m_csPort
};

}  // namespace devices
