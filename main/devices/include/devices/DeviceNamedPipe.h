// The device of type "Named Pipe": each complete host message goes, as one pipe message, to
// the local client program that has the pipe of the configured name open (see
// devices/Pipe.h). A receive thread watches for the client's "CLOSE", on which the pipe is
// made ready for the next client and the device goes offline until a write succeeds.
//
// Threads: OnHostReceive on the user-interface thread; the send thread writes to the pipe
// while the receive thread reads from it. ShutDown ends both cooperatively and joins them.
// Lock order: the device's own locks (core/Device.h); the trace log is innermost.
#pragma once

#include <memory>
#include <string>

#include "core/Device.h"
#include "devices/Pipe.h"

namespace devices {

class CDeviceNamedPipe final : public core::CDevice {
public:
    explicit CDeviceNamedPipe(const std::string& strDeviceKey);
    ~CDeviceNamedPipe() override;

    [[nodiscard]] bool SendToDevice() override;
    void OnHostReceive() override;
    void ShutDown() override;

    const std::string& PipeName() const noexcept { return m_strPipeName; }

private:
    void SendThread();
    void SendToDeviceOutputOver(core::eTimeOutResult eResult) override;
    void ReceiveThread();

    std::string m_strPipeName;
    std::unique_ptr<CPipe> m_pPipe;
};

}  // namespace devices
