// The device of type "Interface Queue": host output handed to a back-office system through
// the queue file or native files in the queue folder (see devices/InterfaceQueueOutput.h).
// On the host's reset and end-of-job messages it queues marker records; its status text
// follows the host connection and its own work.
//
// Threads: OnHostReceive and the host-event slots on the user-interface thread; the send
// thread writes. Lock order: the device's own locks (core/Device.h); the trace log is
// innermost.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/Device.h"
#include "devices/DeviceReport.h"
#include "devices/InterfaceQueueOutput.h"

namespace devices {

class CDeviceInterfaceQueue final : public core::CDevice, private IDeviceReport {
public:
    // Status texts (string-table ids).
    enum : std::uint32_t {
        IDS_TRY_TO_CONNECT = 61204,
        IDS_WAIT_TO_CONNECT = 61205,
        IDS_WAITING_FOR_MESSAGE = 61206,
        IDS_GATEWAY_DOWN = 61207,
        IDS_CHECK_NEW_BLOCK = 61208,
        IDS_PROCESS_BLOCK = 61209,
    };
    // The markers queued on the host's reset and end-of-job messages.
    static const std::string kResetMarker;
    static const std::string kEndOfJobMarker;

    explicit CDeviceInterfaceQueue(const std::string& strDeviceKey);
    ~CDeviceInterfaceQueue() override;

    [[nodiscard]] bool SendToDevice() override;
    void OnHostReceive() override;
    void OnConnect(long lFlag) override;
    void OnDisconnect(long lFlag) override;
    void OnSystemAvailable(long lFlag) override;
    void OnSend(long lFlag) override;
    void OnResource(long lFlag) override;
    void OnLock(long lFlag) override;
    void OnUnLock(long lFlag) override;

    void SetStatusFromConnectionState();
    // As the device core's, and the status text follows the state.
    void SetDeviceState(int eState);

    const CInterfaceQueueSettings& Settings() const { return m_pOutput->Settings(); }
    const std::string& QueueName() const noexcept { return m_strQueueName; }

private:
    class CHostLink;

    void SendThread();
    void OnControlMessage();
    CHostLink* Link() const;

    std::string ReportKey() const override { return m_strDeviceKey; }
    void ReportLastError(const std::string& text) override { CDevice::SetLastError(text); }
    void ReportLastErrorId(std::uint32_t nStringId) override;
    void ReportAvailable() override { SetDeviceState(core::DEVICE_ONLINE_AVAILABLE); }
    bool ReportIsBusy() const override { return GetDeviceState() == core::DEVICE_ONLINE_BUSY; }
    void ReportSent(std::size_t bytes) override { CountDeviceSent(bytes); }
    void ReportTime() override;

    std::string m_strQueueName;
    std::unique_ptr<CInterfaceQueueOutput> m_pOutput;
};

}  // namespace devices
