// The ticket and boarding-pass printer on a serial or parallel port ("Printer (ATB2)" and
// "Printer (ATB2/Airline)"). Host messages go to the printer in ticket printer frames; the
// printer's frames are cut out of what the port delivers, judged by the host link and
// passed to the host. A send thread writes queued frames; a receive thread reads the port.
// Either side opens the port when it needs it; it is closed after a time-out once neither
// side holds it.
//
// The async-mini line (DeviceAsyncMini.h) is built on this class: it shares the members,
// the settings, the port hold and release and the receive path, and gives its own frame,
// cutter, answers to the host and send thread.
//
// Threads: OnHostReceive on the user-interface thread; the send and receive threads.
// Lock order: the port lock, then the gathered-bytes lock; the device's own locks
// (core/Device.h) and the host link's come after them.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/Comm.h"
#include "core/Device.h"
#include "devices/PrinterFrames.h"

namespace devices {

class CDevicePrinterATB2 : public core::CDevice {
public:
    static constexpr const char* kAirlineType = "Printer (ATB2/Airline)";
    static constexpr std::uint32_t kReceiveWaitMs = 1500;

    explicit CDevicePrinterATB2(const std::string& strDeviceKey);
    ~CDevicePrinterATB2() override;

    [[nodiscard]] bool SendToDevice() override;
    [[nodiscard]] bool ReceiveFromDevice() override;
    void OnHostReceive() override;

    core::CComm& Comm() noexcept { return *m_pComm; }

    // Receive threads of this class that ever waited for a wake-up (process-wide; once one
    // has, the others poll their ports).
    static std::atomic<std::uint32_t> g_nATB2ReceiveWaits;

protected:
    // For the async-mini line: reads the same settings under its own labels, starts nothing.
    struct NoThreads {};
    CDevicePrinterATB2(const std::string& strDeviceKey, const char* pszClassLabel, NoThreads);
    void StartThreads();

    core::eDeviceAction ReceiveFromHost();
    // Frames the message and queues it, with the host link's completion as its type.
    virtual void MsgToFrameCreate(const std::string& msg);
    // The first whole frame of the gathered bytes, counted and checked.
    virtual CutFrame CutFromGathered();
    // Passes every whole frame now gathered to the host (gathered-bytes lock held).
    virtual bool SendFramesToHost();
    virtual void SendThread();
    // Writes the queue's head; removes it afterwards when asked (a failed port hold always
    // removes it).
    bool WriteHeadBuffer(bool bRemoveWritten);
    // Whether the receive thread, marked asleep, waits for its wake-up (once per process).
    virtual bool ReceiveMayWait();
    void ReceiveThread();
    virtual char ReceiveFailureStatus() const { return core::DEVICE_UNABLE_TO_ACCEPT_DATA; }
    virtual std::string AckToHost(char cStatus) { return m_pHost->MsgAckToHostCreateATB2(cStatus); }

    // Opens and configures the port when it is closed; sets the hold flag when available.
    bool PortGet(bool& bHeld);
    bool PortRelease();
    void ClearSendHold();
    void ClearReceiveHold();
    // A pause of a worker thread, ended at once by a shutdown.
    void Pause(platform::DWORD dwMs);

    const char* m_pszLabel;  // "CDevicePrinterATB2", or the subclass's
    std::mutex m_csPort;
    std::string m_strPort, m_strEmulation, m_strFlowControl, m_strParity, m_strStopBits;
    std::uint32_t m_dwBaudRate = 0;
    std::uint32_t m_dwDataBits = 0;
    std::unique_ptr<core::CComm> m_pComm;
    bool m_bSendPortHeld = false;     // under m_csPort
    bool m_bReceivePortHeld = false;  // under m_csPort
    std::mutex m_csGathered;
    std::vector<std::uint8_t> m_BufferFromDeviceCumulative;  // under m_csGathered
    bool m_bAnswerBack = false;

private:
    void ReadSettings(const std::string& strDeviceKey);
};

}  // namespace devices
