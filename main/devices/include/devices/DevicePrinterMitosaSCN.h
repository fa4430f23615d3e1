// The coupon printer that keeps stock control numbers ("Printer Mitosa SCN") on a serial
// line. It collects the host's output, cuts a coupon job into coupons (CouponJob.h), sends
// each in its own frame (CouponFrames.h), reads the printer's replies, and answers the host
// with replies of its own that a host time-out thread sends again until the host confirms
// them (PendingReply.h). Questions to the operator go through the operator seam.
//
// Threads: OnHostReceive on the user-interface thread; a send thread writes queued frames,
// a receive thread reads the line and handles the replies, a host time-out thread resends.
// Lock order: m_csCoupon, then m_csPort, then m_csReceiveBuffer; the pending reply's lock,
// the device's own locks (core/Device.h), the host link's and the trace log's come after
// any of them. m_csCoupon is given up while the operator is asked.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "core/Comm.h"
#include "core/Device.h"
#include "core/HostTrevoRegistry.h"
#include "devices/CouponJob.h"
#include "devices/CouponStore.h"
#include "devices/PendingReply.h"

namespace devices {

class CDevicePrinterMitosaSCN : public core::CDevice, private ICouponJobSide {
public:
    static constexpr const char* kType = "Printer Mitosa SCN";
    static constexpr std::uint32_t kReceiveWaitMs = 1500;
    static constexpr platform::DWORD kInitialisationPauseMs = 3000;
    static constexpr std::size_t kHostTextInitialSize = 20000;

    // What the printer is expected to answer.
    enum eMessageKind : int {
        KIND_STATUS = 0,
        KIND_HOST_COMMAND = 1,
        KIND_PECTAB = 2,
        KIND_COUPON = 3,
        KIND_NONE = 4
    };

    explicit CDevicePrinterMitosaSCN(const std::string& strDeviceKey);
    ~CDevicePrinterMitosaSCN() override;

    [[nodiscard]] bool SendToDevice() override;
    [[nodiscard]] bool ReceiveFromDevice() override;
    void OnHostReceive() override;
    // Stops and joins the send, receive and host time-out threads (a question the receive
    // thread waits on is given up).
    void ShutDown() override;

    // For tests and the status display.
    const CPendingReply& PendingReply() const noexcept { return m_pending; }
    core::CComm& Comm() noexcept { return *m_pComm; }
    int MessageKind() const noexcept { return m_eMessageKind; }

private:
    core::eDeviceAction ReceiveFromHost();
    void FlushAndAskStatus();
    void SendPrinterCommand(const std::string& command, int eKind);
    // Frames a text for the printer and queues it.
    void MsgToATB2Create(const std::string& text);
    void WakeBoth();
    bool PrinterATB2Get(bool& bBusy);
    void ClearBusy(bool& bBusy);
    void PortHealthCheck();
    void ResetPrinter();
    void ResetPrinterLocked();
    // Appends a host text to the host text buffer.
    void AppendHostText(const std::string& text);
    void StartJob();
    void StorePectabTransactionCode();
    void SendPending(const std::string& reply);
    void SendAckNow();
    // Under the coupon lock, what goes to the host waits in the outbox: a send to the host
    // waits for the user-interface thread, which may itself wait for the coupon lock.
    void QueueToHost(const std::string& text, bool bPending);
    void QueueAck();
    std::vector<std::pair<std::string, bool>> TakeOutbox();
    // Gives up the lock and sends.
    void SendOut(std::vector<std::pair<std::string, bool>> out, std::unique_lock<std::mutex>& lock);
    void SendEach(const std::vector<std::pair<std::string, bool>>& out);

    void SendThread();
    void ReceiveThread();
    void HostTimeoutThread();
    core::eTimeOutResult ReceiveTimeOut();
    void RetryAfterNoReply();
    // Cuts every whole reply out of the receive buffer and acts on it.
    bool SendRepliesToHost();
    void ProcessMessageFromDevice(const std::string& reply);
    void Pause(platform::DWORD dwMs);

    // The job's side.
    std::string ReadScn() override;
    void AdvanceScn() override;
    void StoreScnFromReply(const std::string& reply) override;
    std::string RetrievePectabCode(char chPectab) override;
    char NextSequenceLetter() override;
    std::optional<int> Ask(std::uint32_t nStringId, std::uint32_t style) override;
    void PrintCoupon(const std::string& coupon) override;
    void FinishJob(char cStatus, const std::string& strDMessage, bool bHoldAck) override;

    std::string m_strPort, m_strEmulation, m_strFlowControl, m_strParity, m_strStopBits;
    std::uint32_t m_dwBaudRate = 0;
    std::uint32_t m_dwDataBits = 0;
    std::unique_ptr<core::CComm> m_pComm;

    std::mutex m_csPort;
    bool m_bSendPortBusy = false;     // under m_csPort
    bool m_bReceivePortBusy = false;  // under m_csPort
    std::mutex m_csPortCheck;
    std::mutex m_csReceiveBuffer;
    std::vector<std::uint8_t> m_ReceiveBuffer;  // under m_csReceiveBuffer

    // The job: the coupon lock guards the host text, the job, the printer command and its
    // attempts, and the job's generation (counted up by every reset, so that a question
    // answered after a reset changes nothing).
    std::mutex m_csCoupon;
    std::unique_lock<std::mutex>* m_pCouponLock = nullptr;  // held by the reply handling
    std::string m_strHostText;
    CCouponJob m_job;
    std::string m_strPrinterMessage;
    int m_nRetryCount = 0;
    std::uint64_t m_nGeneration = 0;
    std::vector<std::pair<std::string, bool>> m_outbox;  // text, sent as the pending reply
    std::atomic<int> m_eMessageKind{KIND_NONE};
    std::atomic<bool> m_bAwaitingReply{false};
    std::atomic<char> m_chSequence{'A'};
    // When the send thread last wrote to the printer (seconds; read by the receive thread).
    std::atomic<std::int64_t> m_timeLastWrite{0};

    CPendingReply m_pending;
    std::atomic<bool> m_bHostTimeoutRunning{true};

    core::CHostTrevoRegistry m_registry;
    CCouponStore m_store;
    std::unique_ptr<platform::Thread> m_pHostTimeoutThread;
};

}  // namespace devices
