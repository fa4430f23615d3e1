// CTcpAsyncSocket: an event-driven TCP client socket with one network thread, which turns the
// socket's network events into the event operations OnConnect, OnReceive, OnSend, OnClose (and
// OnAccept). Every socket keeps its own trace file, named after its host and port, switched on
// by the threshold its subclass reads.
//
// Threads: the network thread makes every event call, holding the callback lock; the owner's
// thread (the host socket's send thread) connects, sends and closes. Only the owner's thread
// closes the descriptor, and only after the network thread has ended, so no thread ever works
// on a closed descriptor number (the next connect may get the same number). The network thread
// itself never closes: a receive failure or the peer's close is reported through OnClose and the
// owner closes.
//
// Lock order: the callback lock, then whatever the event operations take.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hostdriver/FileLogMedia.h"
#include "hostdriver/WorkerThread.h"
#include "platform/NetworkEvents.h"
#include "platform/Socket.h"
#include "toolkit/Logger.h"
#include "toolkit/Mutex.h"

namespace quildrv {

// The socket layer's start-up and clean-up: nothing to do here, they cannot fail.
bool InitWinsock();
int WSACleanup();

class CTcpAsyncSocket {
public:
    // The socket's own failure codes.
    enum : std::int32_t {
        kErrConnect = 1001,
        kErrSend = 1002,
        kErrReceive = 1005,
        kErrSocket = 1006,
    };
    static constexpr int kNetworkWaitMs = 2000;
    static constexpr std::uint32_t kTraceFileLimit = 10485760;

    CTcpAsyncSocket();
    virtual ~CTcpAsyncSocket();
    CTcpAsyncSocket(const CTcpAsyncSocket&) = delete;
    CTcpAsyncSocket& operator=(const CTcpAsyncSocket&) = delete;

    virtual void OnReceive(int /*error*/) {}
    virtual void OnConnect(int /*error*/) {}
    virtual void OnClose(int /*error*/) {}
    virtual void OnSend(int /*error*/) {}
    virtual void OnAccept(int /*error*/) {}
    virtual const char* GetHostAddress() = 0;
    virtual std::uint32_t GetPort() = 0;
    virtual int GetTraceThreshold(int current) = 0;
    virtual int GetRCVBUFSize() = 0;

    [[nodiscard]] bool InitSocket();
    [[nodiscard]] bool Bind(int ignored);
    // Dials the host and port (through the endpoint map); the outcome of a connect that does
    // not complete at once comes later through OnConnect.
    [[nodiscard]] bool Connect(const char* host, std::uint32_t port);
    // One send: bytes sent, 0 on would-block or a closed socket, -1 on failure.
    int Send(const std::uint8_t* buffer, std::size_t length);
    // Sends the rest of a record once the socket is writable, within timeoutMs; false on failure
    // or time-out.
    [[nodiscard]] bool SendRest(const std::uint8_t* buffer, std::size_t length, int timeoutMs);
    // One receive: bytes read; 0 on would-block, or when the peer has closed (then reported
    // through OnClose); -1 on failure (reported through OnClose as well).
    int Receive(std::uint8_t* buffer, std::size_t capacity);
    // Ends the network thread and closes the descriptor. Called by the owner's thread.
    void Close();
    void RestartNetworkThread();
    int TakeLastError() noexcept { return m_lastTcpError.exchange(0); }
    int ErrorCode() const noexcept { return m_errorCode.load(); }
    bool IsOpen() const noexcept { return m_socketOpen.load(); }
    bool Alive() const noexcept { return m_alive.load() != 0; }

    void ResetTracePrefix();
    void SetTracePrefix();
    void MakeTraceLabel(char* buffer, std::size_t capacity, const char* method);
    void UpdateTraceThreshold();
    void OpenTraceFile();
    void CloseTraceFile();
    void WriteSocketTrace(int priority, const char* method, const char* format, ...)
        __attribute__((format(printf, 4, 5)));
    int TraceThreshold() const noexcept { return m_traceThreshold.load(); }

protected:
    // The callback lock and object: the network thread calls the event operations only while
    // the object is set, holding the lock.
    UTKTools::CRecursiveMutex m_callbackLock;
    CTcpAsyncSocket* m_callback = nullptr;  // under m_callbackLock

private:
    static unsigned NetWorkThreadProc(void* argument);
    unsigned RunNetworkThread();
    void SetRecvBuffer(int size);
    bool DispatchEvent(const platform::NetworkEventRecord& record, long bit, const char* name);
    void StopNetworkThread();

    std::atomic<int> m_alive{0};
    std::atomic<int> m_errorCode{0};
    std::atomic<int> m_lastTcpError{0};
    platform::Socket m_socket;
    std::atomic<bool> m_socketOpen{false};
    CWorkerThread m_networkThread;
    std::atomic<bool> m_continue{false};
    bool m_connectIssued = false;
    UTKTools::CRecursiveMutex m_traceLock;  // the prefix and the file medium
    std::string m_tracePrefix;
    std::atomic<int> m_traceThreshold{0};
    UTKLogger::CLogger m_traceLogger{UTKLogger::CPriority::DEBUG};  // filtered by m_traceThreshold
    std::unique_ptr<CFileLogMedia> m_traceFile;
    platform::NetworkEvents m_events;
};

}  // namespace quildrv
