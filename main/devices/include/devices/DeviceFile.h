// The device of type "File": host output written to disk instead of a printer, either into
// one fixed file or into a new file per host message (see devices/FileOutput.h). Its send
// thread hands each buffer to the output's writer thread and waits for the result.
//
// Threads: OnHostReceive on the user-interface thread; the send thread; the writer thread.
// Lock order: the device's own locks (core/Device.h), then the output's; the trace log is
// innermost.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/Device.h"
#include "devices/DeviceReport.h"
#include "devices/FileOutput.h"

namespace devices {

class CDeviceFile final : public core::CDevice, private IDeviceReport {
public:
    // Reads the device's settings from its key (strDeviceKey, "Device NN"), makes its host
    // link and starts its threads. strInstanceId names the program's instance ("" for
    // none); it opens the device's temporary file name.
    explicit CDeviceFile(const std::string& strDeviceKey, const std::string& strInstanceId = "");
    ~CDeviceFile() override;

    [[nodiscard]] bool SendToDevice() override;
    void OnHostReceive() override;

    const CFileSettings& Settings() const { return m_pOutput->Settings(); }

private:
    void SendThread();
    void SendToDeviceOutputOver(core::eTimeOutResult eResult) override;

    std::string ReportKey() const override { return m_strDeviceKey; }
    void ReportLastError(const std::string& text) override { SetLastError(text); }
    void ReportLastErrorId(std::uint32_t nStringId) override { SetLastError(nStringId); }
    void ReportAvailable() override { SetDeviceState(core::DEVICE_ONLINE_AVAILABLE); }
    bool ReportIsBusy() const override { return GetDeviceState() == core::DEVICE_ONLINE_BUSY; }
    void ReportSent(std::size_t bytes) override { CountDeviceSent(bytes); }
    // The send thread stamps its time itself once the writer is done.
    void ReportTime() override {}

    std::unique_ptr<CFileOutput> m_pOutput;
};

}  // namespace devices
