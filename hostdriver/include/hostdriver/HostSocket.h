// CHostSocket: the one TCP connection to one host address and port, shared by every host
// session to it. Sessions queue whole wire records with SendMsg; the send thread connects on
// demand and writes them in order; the network thread cuts the received byte stream into
// records; the receive thread hands each record to the session its routing option names. A
// record that cannot reach the host comes back to its session as a "host unreachable" session
// error. With socket insurance on, a quiet connection is probed with the socket keep-alive
// record and closed when even that gets no answer.
//
// Threads: the network thread (OnReceive, OnConnect, OnClose), the send thread (connect, write,
// close), the receive thread (delivery, insurance), and the sessions' threads in SendMsg. Only
// the send thread opens and closes the connection; the others ask it to (RequestClose).
//
// Lock order: the base's callback lock, then the state lock, then a queue lock; the session
// registry's entry lock is taken by the receive thread with no lock of this object held.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "hostdriver/TcpAsyncSocket.h"
#include "platform/Event.h"
#include "quil/RecordReader.h"
#include "toolkit/Mutex.h"
#include "toolkit/Semaphore.h"

namespace quildrv {

class CHostSessionList;

// The host-unreachable text (host code), the body of the replies to records that could not be
// sent.
inline constexpr std::uint8_t kHostUnreachable[21] = {0xF7, 0xD8, 0x5B, 0xC8, 0xD6, 0xE2, 0xE3,
                                                      0x40, 0xE4, 0xD5, 0xD9, 0xC5, 0xC1, 0xC3,
                                                      0xC8, 0xC1, 0xC2, 0xD3, 0xC5, 0x5B, 0x4E};

// The routing option of a record that starts at its session header: sequence id and session
// index; false when the record carries none (or the walk leaves the record).
[[nodiscard]] bool GetIndexFromOpt3Data(std::uint16_t& sequenceId, std::uint32_t& index,
                                        const std::uint8_t* record, std::size_t length);
// Sets the timing field of the first end-to-end option (type 8) of a record that starts at its
// session header: option offset 6 (queue-out delta) before sending, 20 (receive-in delta) after
// receiving, as the clock minus the option's out time, both taken as 16-bit values. Returns the
// option's out time and whether one was found.
bool StampEndToEnd(std::uint8_t* record, std::size_t length, std::size_t fieldOffset,
                   std::uint32_t now, std::uint32_t* outTime = nullptr);

// How the host socket cuts the received stream: a header-only record is passed over, and the
// option words of a record are left to its session to judge.
inline constexpr quil::RecordReader::Rules kHostStreamRules{.skipHeaderOnly = true,
                                                            .checkOptionWords = false};
// A whole received record (stream header first) as it is queued for its session: without the
// stream header, with its end-to-end receive time stamped.
std::vector<std::uint8_t> ReceivedRecordBody(std::span<const std::uint8_t> record,
                                             std::uint32_t now);

class CHostSocket : public CTcpAsyncSocket {
public:
    static constexpr int kConnectWaitMs = 15000;
    static constexpr int kReceiveWaitMs = 2000;
    static constexpr int kSendRestWaitMs = 10000;
    static constexpr std::uint16_t kInsuranceUnread = 0xFFFF;

    CHostSocket();
    ~CHostSocket() override;

    [[nodiscard]] bool Init(const char* host, std::uint32_t port);
    void Terminate();
    // Queues a whole wire record (stream header first).
    int SendMsg(std::vector<std::uint8_t> record);
    int OpenSocket();
    int CloseSocket();
    bool IsConnected();
    void SetConnected(bool connected);
    bool IsHostAvailable() const { return true; }
    static bool IsDottedAddress(const char* text);

    const char* GetHostAddress() override { return m_host.c_str(); }
    std::uint32_t GetPort() override { return m_port; }
    int GetTraceThreshold(int current) override;
    int GetRCVBUFSize() override;

    void OnReceive(int error) override;
    void OnConnect(int error) override;
    void OnClose(int error) override;

    // Hands one received record (session header first) to the session its routing option names.
    void PassMFEObjectHisData(const std::uint8_t* record, std::size_t length);
    // Turns a record that could not be sent into a session error for its session.
    void HandleNoHostSituation(const std::vector<std::uint8_t>& wireRecord);
    void SendSocketKeepAlive();
    void ReadSocketInsurance();
    // One insurance look at a receive wait that timed out (the receive thread's own step).
    void InsuranceCheck();
    void RequestClose();

    std::uint16_t InsuranceMode() const noexcept { return m_insuranceMode.load(); }
    std::uint16_t InsuranceInterval() const noexcept { return m_insuranceInterval.load(); }

private:
    static unsigned SendThreadProc(void* argument);
    static unsigned RecvThreadProc(void* argument);
    unsigned RunSendThread();
    unsigned RunRecvThread();
    // A setting read through the session at registry index 0; false when a link is missing.
    bool ReadSetting(const char* section, const char* key, char* buffer, unsigned int size,
                     const char** missing = nullptr);
    void QueueReceived(std::vector<std::uint8_t> record);
    bool TakeRegistryCloseRequest();
    void Trace(int priority, const char* method, const char* format, ...)
        __attribute__((format(printf, 4, 5)));

    UTKTools::CRecursiveMutex m_connectionLock;
    bool m_connected = false;  // under m_connectionLock
    UTKTools::CRecursiveMutex m_stateLock;
    bool m_quit = false;  // under m_stateLock
    std::atomic<std::uint16_t> m_insuranceMode{kInsuranceUnread};
    std::atomic<std::uint32_t> m_recordsReceived{0};
    std::atomic<std::uint16_t> m_insuranceInterval{30};
    std::uint16_t m_quietPeriods = 0;  // receive thread only
    bool m_keepAliveSent = false;      // receive thread only
    std::uint32_t m_port = 0;
    std::string m_host;
    UTKTools::CSemaphore m_recvQueueSem;
    UTKTools::CSemaphore m_sendQueueSem;
    platform::Event m_connectCondition{platform::EventReset::Auto};
    UTKTools::CCriticalSection m_sendQueueLock{5000};
    UTKTools::CCriticalSection m_recvQueueLock{5000};
    std::deque<std::vector<std::uint8_t>> m_sendQueue;  // under m_sendQueueLock
    std::deque<std::vector<std::uint8_t>> m_recvQueue;  // under m_recvQueueLock
    CHostSessionList* m_sessions = nullptr;
    CWorkerThread m_sendThread;
    CWorkerThread m_recvThread;
    std::atomic<int> m_sendAlive{0};
    std::atomic<int> m_recvAlive{0};
    // The reader of the received stream and its read buffer: network thread only, reset by the
    // send thread before it connects (the network thread is not running then).
    quil::RecordReader m_reader;
    std::vector<std::uint8_t> m_readBuffer;
    UTKTools::CRecursiveMutex m_closeLock;
    bool m_closeRequested = false;  // under m_closeLock
    bool m_terminated = false;      // under m_stateLock
};

}  // namespace quildrv
