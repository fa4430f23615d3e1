// The async-mini terminal on a serial or parallel port ("Async-Mini"). Built on the ticket
// printer on a port (same settings, port hold and release, receive path), with its own
// frame (SYN SYN, data, ETB, one block check) and one difference above all: the send thread
// waits for the terminal's answer after every buffer and writes the buffer again when none
// comes within 2 s; after the third unanswered write the buffer is given up and the host
// told "3". An answer after a repeat reaches the host with status "6" unless it reports "1"
// or "7"; only the first answer to a buffer is passed on.
//
// Threads and locks: as the ticket printer's. The retry count and the two answer flags are
// atomic: the send thread and the receive thread both write them.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "devices/DevicePrinterATB2.h"

namespace devices {

class CDeviceAsyncMini final : public CDevicePrinterATB2 {
public:
    enum : std::uint32_t {
        IDS_TRY_TO_CONNECT = 61204,
        IDS_WAIT_TO_CONNECT = 61205,
        IDS_WAITING_FOR_MESSAGE = 61206,
        IDS_GATEWAY_DOWN = 61207,
        IDS_PROCESS_BLOCK = 61209,
        IDS_WAITING_FOR_ACK = 61210,
    };
    static constexpr int kAnswerWaitSteps = 4;
    static constexpr platform::DWORD kAnswerWaitStepMs = 500;

    explicit CDeviceAsyncMini(const std::string& strDeviceKey);
    ~CDeviceAsyncMini() override;

    [[nodiscard]] bool SendToDevice() override;
    void OnHostReceive() override;
    void OnConnect(long lFlag) override;
    void OnDisconnect(long lFlag) override;
    void OnSystemAvailable(long lFlag) override;
    void OnSend(long lFlag) override;
    void OnResource(long lFlag) override;
    void OnLock(long lFlag) override;
    void OnUnLock(long lFlag) override;

    void UpdateConnectionStatusMessage();

    // Set once the first receive thread of this class has passed (process-wide).
    static std::atomic<bool> g_bAsyncMiniReceiveWaited;

private:
    void MsgToFrameCreate(const std::string& msg) override;
    CutFrame CutFromGathered() override;
    bool SendFramesToHost() override;
    void SendThread() override;
    bool ReceiveMayWait() override;
    char ReceiveFailureStatus() const override { return core::COMMUNICATION_LINK_FAILURE; }
    std::string AckToHost(char cStatus) override {
        return m_pHost->MsgAckToHostCreateAsyncMini(cStatus);
    }
    // An answer to the buffer in flight: forwarded, changed or dropped.
    void OnAnswer(std::string& data);
    // Drops the buffer in flight and tells the flush it is gone.
    void DropHead();
    bool ResetLeavesNoMessage() const;

    std::atomic<int> m_iDeviceRetryCount{0};
    std::atomic<bool> m_bAckReceived{false};
    std::atomic<bool> m_bAnswerTaken{false};
};

}  // namespace devices
