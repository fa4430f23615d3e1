// The ticket and boarding-pass printer reached through a printer session of the device
// manager ("Printer (ATB2/KDM)"): the ticket printer frames of the printer on a port, but
// written and read through the forms printer library. When the session is (re)opened the
// host is asked to reset and the next buffer is dropped; the session is released after a
// quiet spell (12 s, or 180 s after a host message of class "B" until one of class "E").
//
// Threads: OnHostReceive on the user-interface thread; the send and receive threads.
// Lock order: the session lock, then the gathered-bytes lock; the device's own locks
// (core/Device.h) and the host link's come after them.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/CommKDM.h"
#include "core/Device.h"
#include "devices/PrinterFrames.h"

namespace devices {

class CDevicePrinterATB2KDM final : public core::CDevice {
public:
    static constexpr std::uint32_t kShortTimeoutMs = 12000;
    static constexpr std::uint32_t kLongTimeoutMs = 180000;

    explicit CDevicePrinterATB2KDM(const std::string& strDeviceKey);
    ~CDevicePrinterATB2KDM() override;

    [[nodiscard]] bool SendToDevice() override;
    // True when the printer had something for the host.
    [[nodiscard]] bool ReceiveFromDevice() override;
    void OnHostReceive() override;

    std::uint32_t ReceiveTimeout() const noexcept { return m_dwReceiveTimeout; }

private:
    core::eDeviceAction ReceiveFromHost();
    void MsgToATB2Create(const std::string& msg);
    bool SendFramesToHost();
    // 0 failure, 2 just opened (the next buffer is dropped), else the session state.
    int PrinterATB2Get();
    bool PrinterATB2Release();
    void RequestForHostReset();
    void SendThread();
    void ReceiveThread();
    void Pause(platform::DWORD dwMs);
    // Milliseconds since the last activity (negative when it was stamped after the tick read).
    std::int64_t QuietFor() const;

    std::mutex m_csPort;
    std::unique_ptr<core::CCommKDM> m_pComm;
    std::mutex m_csGathered;
    std::vector<std::uint8_t> m_BufferFromDeviceCumulative;  // under m_csGathered
    std::atomic<bool> m_bIgnoreNextBuffer{false};
    std::atomic<std::uint32_t> m_dwReceiveTimeout{kShortTimeoutMs};
    // The tick of the last host message or printer input (compared wrap-safe).
    std::atomic<std::uint32_t> m_dwLastActivity{0};
};

}  // namespace devices
