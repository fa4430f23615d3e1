// The device of type "Queue": host messages passed unchanged, as raw bytes, to a print queue
// of the spooler, one job per host message however many buffers it arrives in, each line
// optionally indented (devices/ColumnOffset.h).
//
// Threads: OnHostReceive on the user-interface thread; SendToDevice and the release of the
// job on the send thread, which alone touches the job.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/Device.h"
#include "devices/ColumnOffset.h"

namespace spooler {
class IJob;
}

namespace devices {

class CDeviceQueuePrt final : public core::CDevice {
public:
    explicit CDeviceQueuePrt(const std::string& strDeviceKey);
    ~CDeviceQueuePrt() override;

    [[nodiscard]] bool SendToDevice() override;
    void OnHostReceive() override;

    // Ends an open job (what was written prints) and lets the printer go.
    void PrinterRelease();

    const std::string& PrinterName() const noexcept { return m_strPrinterName; }
    const std::string& Prefix() const noexcept { return m_offset.Prefix(); }

private:
    void SendToDeviceOutputOver(core::eTimeOutResult eResult) override;
    // Ends the open job; false with the error recorded when the spooler did not take it.
    bool EndJob();
    bool Fail(const std::string& text);

    std::string m_strPrinterName;
    std::string m_strQueueName;
    std::uint32_t m_dwColumnOffset = 0;
    CColumnOffset m_offset{0};
    std::unique_ptr<spooler::IJob> m_pJob;  // the open document, send thread only
};

}  // namespace devices
