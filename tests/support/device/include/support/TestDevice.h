// A device that writes every message its send thread takes into memory, so that the common
// send-thread loop runs end to end. A test can make its writes fail, or block until released
// (optionally deaf to the device's stop event, as a device stuck in its I/O would be).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/Device.h"

namespace support {

class CTestDevice final : public core::CDevice {
public:
    CTestDevice(const std::string& strDeviceKey, const std::string& strSession,
                std::unique_ptr<core::CHostTrevo> pHost, const std::string& strType = "File");
    ~CTestDevice() override;

    // Starts the send thread on the common loop.
    [[nodiscard]] bool Start();

    [[nodiscard]] bool SendToDevice() override;
    void OnHostReceive() override { OnHostReceiveCommon(); }

    // What was written, one entry per message.
    std::vector<std::string> Written() const;
    // Waits (real time) until n messages were written.
    bool WaitWritten(std::size_t n,
                     std::chrono::milliseconds limit = std::chrono::seconds(10)) const;
    // False: messages written are counted but not kept (for long runs).
    void KeepWritten(bool bKeep);
    // How often the loop ended an output.
    std::size_t OutputsDone() const;
    // Runs `step` on the send thread when the loop next ends an output, after it found its
    // queue empty and before the thread is marked asleep.
    void OnNextOutputDone(std::function<void()> step);

    void FailWrites(bool bFail);
    // Each write waits for ReleaseWrites; with bDeaf it does not end on the stop event.
    void BlockWrites(bool bDeaf);
    void ReleaseWrites();
    // True once a write is waiting in BlockWrites.
    bool WaitBlocked(std::chrono::milliseconds limit = std::chrono::seconds(10)) const;

    // The device core's own operations, for tests.
    using CDevice::FlushDeviceBuffer;
    using CDevice::m_eventSendToDevice;
    using CDevice::m_timeReceiveFromDevice;
    using CDevice::m_timeSendToDevice;
    using CDevice::ReleaseHeadBuffer;
    using CDevice::StopThreads;
    using CDevice::TakeHeadBuffer;

protected:
    void SendToDeviceOutputDone() override;

private:
    mutable std::mutex m_cs;
    mutable std::condition_variable m_cv;
    std::vector<std::string> m_written;
    std::size_t m_nWritten = 0;
    bool m_bKeepWritten = true;
    std::size_t m_nOutputsDone = 0;
    std::function<void()> m_onOutputDone;
    bool m_bFail = false;
    bool m_bBlock = false;
    bool m_bDeaf = false;
    bool m_bBlocked = false;
    platform::Event m_eventRelease{platform::EventReset::Manual};
};

}  // namespace support
