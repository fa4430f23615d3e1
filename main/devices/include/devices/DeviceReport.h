// What the output side of a device (the part that writes files, queues or pipes) tells the
// device it belongs to: its key for log lines, its last error, its state, and what it wrote.
// The device kinds implement it over their CDevice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace devices {

class IDeviceReport {
public:
    virtual ~IDeviceReport() = default;
    // The device's registry key name, which opens its log lines.
    virtual std::string ReportKey() const = 0;
    virtual void ReportLastError(const std::string& text) = 0;
    // The last error is the program's text of a string-table id.
    virtual void ReportLastErrorId(std::uint32_t nStringId) = 0;
    // The device is available again (DEVICE_ONLINE_AVAILABLE).
    virtual void ReportAvailable() = 0;
    // The device is busy with a host message (DEVICE_ONLINE_BUSY).
    virtual bool ReportIsBusy() const = 0;
    // One message of `bytes` went to the device (the device sent counters).
    virtual void ReportSent(std::size_t bytes) = 0;
    // The device has just written or waited for its device (its send time stamp).
    virtual void ReportTime() = 0;
};

}  // namespace devices
