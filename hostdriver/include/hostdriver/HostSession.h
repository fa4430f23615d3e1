// CHostSession: one session of one terminal address on one host connection. It builds the
// session header and options of begin, data, keep-alive and terminate records, sends them
// through the shared host socket, takes the host's records (OnHostData, on the socket's receive
// thread), follows the session state (0 begin, 1 maintain, 2 terminate), keeps the options data
// (routing 3, debugging counter 7, end-to-end timing 8) and hands complete host messages to its
// front end through one of two end-of-message strategies.
//
// The 12-byte header, the state and the options data are read and written only under the
// header lock; the accumulation buffer belongs to the receive thread.
#pragma once

#include <array>
#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hostdriver/KeepAliveTimer.h"
#include "platform/Event.h"
#include "session/DriverAbi.h"
#include "toolkit/Mutex.h"

namespace quildrv {

class CMFECallback;
class CHostSocket;
class CEOMStrategy;

class CHostSession {
public:
    enum State : std::uint16_t { kBegin = 0, kMaintain = 1, kTerminate = 2 };
    static constexpr int kTerminateWaitMs = 10000;

    explicit CHostSession(CMFECallback* frontEnd);
    ~CHostSession();
    CHostSession(const CHostSession&) = delete;
    CHostSession& operator=(const CHostSession&) = delete;

    [[nodiscard]] bool Init();
    int BeginSession(const char* host, std::uint32_t port);
    int EndSession(bool wait);
    int SendKeepAlive();
    int SendToHost(const std::uint8_t* data, std::uint32_t length);
    // One received record, session header first.
    void OnHostData(const std::uint8_t* record, std::uint32_t length);
    bool SetSessionOptions(int option, int value);
    const char* GetSessionData();
    QUILOptionsState* GetElementState(int element, QUILOptionsState* state);
    bool SetElementState(int element, const void* data);

    std::int32_t RegistryIndex() const noexcept { return m_registryIndex.load(); }
    void SetRegistryIndex(std::int32_t index) noexcept { m_registryIndex = index; }
    std::uint16_t SequenceId() const noexcept { return m_sequenceId.load(); }
    CMFECallback* FrontEnd() const noexcept { return m_frontEnd; }
    std::uint32_t Port() const noexcept { return m_port.load(); }
    int DefaultFlag() const noexcept { return m_defaultFlag.load(); }
    std::uint16_t SessionState();
    // The protocol state (0 begin, 1 maintain, 2 terminate) as a front end sets it.
    void SetSessionState(std::uint16_t state);
    std::array<std::uint8_t, 3> RidBytes() { return Rid(); }
    std::array<std::uint8_t, 4> LidBytes();
    // Lists the keep-alive timer (once) and restarts its count.
    void StartKeepAlive() { EnsureKeepAliveTimer(); }
    // Closes the session's host connection; the next send opens it again.
    void ResetSocket();
    // 0xFF: host errors reach the client as they are, even with replacement on.
    std::uint8_t ReplacementMark() const noexcept { return m_replacementMark.load(); }
    void SetReplacementMark(std::uint8_t mark) noexcept { m_replacementMark = mark; }
    // Set when a terminate failed on a host that is known to be down.
    int RetryWord() const noexcept { return m_retryWord.load(); }
    void SetRetryWord(int word) noexcept { m_retryWord = word; }
    const char* LNIATA() const noexcept { return m_ridText; }
    CHostSocket* Socket() const;
    // The host system's name in traces: the host socket's host, or "NO HOST SYSTEM".
    std::string HostSystem() const;

    bool IsActive() const noexcept { return m_active.load(); }
    void SetActive(bool on) noexcept { m_active = on; }
    bool C20Outstanding() const noexcept { return m_c20Outstanding.load(); }
    void SetC20Outstanding(bool on) noexcept { m_c20Outstanding = on; }
    // The session's keep-alive timer while it is listed, else null.
    CKeepAliveTimer* KeepAliveTimer() { return m_keepAlive.Listed() ? &m_keepAlive : nullptr; }

    void Log(EPRIORITY priority, const char* context, const char* format, ...)
        __attribute__((format(printf, 4, 5)));

private:
    friend class CEOMStrategy;
    friend class CEOMStrategyORIGINAL;
    friend class CEOMStrategyEMBEDDED;

    // The whole wire record of a message (keep-alive: type 3, no data); empty on failure.
    int BuildAndSend(const std::uint8_t* data, std::uint32_t length, bool keepAlive,
                     const char* context);
    int AddPoolOption(const char* context);
    void AddOption(std::uint8_t type, std::uint8_t length);
    void RemoveOption(std::uint8_t type);
    void RereadOptionFlags();
    void UpdateOptionWords();
    void NewSequenceId();
    void HandleOptionsOnReceipt(const char* context);
    void StoreRidLid(const std::uint8_t* header);
    void TellLniata();
    void EnsureKeepAliveTimer();
    int CannedError(const std::uint8_t* data, std::size_t length);
    // Hands a delivered message (RID + bytes) to the front end.
    void Deliver(std::vector<std::uint8_t> message);
    void Context(char* buffer, const char* method);
    std::array<std::uint8_t, 3> Rid();
    void LogWire(const char* text, const std::uint8_t* data, std::size_t length, bool received);

    CMFECallback* m_frontEnd = nullptr;
    std::atomic<std::int32_t> m_registryIndex{-1};
    std::atomic<std::uint16_t> m_sequenceId{0};
    std::atomic<int> m_defaultFlag{0};
    platform::Event m_endOfSession{platform::EventReset::Auto};
    char m_ridText[7] = "000000";  // under m_headerLock
    std::atomic<std::uint32_t> m_port{0};
    std::atomic<std::uint32_t> m_socketIndex{0xFFFFFFFFu};
    // Made with the session and listed once keep-alive is wanted, so that the threads that
    // reset and send never see it appear or go.
    CKeepAliveTimer m_keepAlive{this};
    std::atomic<bool> m_active{false};
    std::atomic<bool> m_c20Outstanding{false};
    std::atomic<std::uint8_t> m_replacementMark{0};
    std::atomic<int> m_retryWord{0};
    std::string m_sessionInfo;
    std::vector<std::uint8_t> m_accumulation;  // receive thread only

    UTKTools::CRecursiveMutex m_headerLock;
    std::array<std::uint8_t, 12> m_header{};   // under m_headerLock
    std::uint16_t m_state = kBegin;            // under m_headerLock
    std::array<std::uint8_t, 64> m_options{};  // under m_headerLock
    std::size_t m_optionsLength = 0;           // under m_headerLock; a multiple of 4
    bool m_option8 = false;                    // under m_headerLock
    bool m_option7 = false;                    // under m_headerLock
    const CEOMStrategy* m_strategy = nullptr;
};

}  // namespace quildrv
