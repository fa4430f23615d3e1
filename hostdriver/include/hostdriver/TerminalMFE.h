// CTerminalMFE: the front end of a terminal connection. A terminal reaches a default host and
// any other host the client switches to by naming a PAID ("@@" messages), resolved through the
// host information table (from the directory or HOSTINFO.TXT). It registers the client with
// each new host session, keeps the other hosts' states in OTHERHOSTS, queues host messages for
// the client (host errors as client messages) and ends idle sessions.
//
// Locks: the session list (m_sessionLock, recursive), then the queue lock; the host table keeps
// its own locks. The active-session pointer changes under the session-list lock.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "hostdriver/FrontEnd.h"
#include "hostdriver/HostInfoTable.h"
#include "hostdriver/IdleTimer.h"
#include "toolkit/Mutex.h"

namespace quildrv {

class CHostSessionList;

class CTerminalMFE : public CMFEBase, public CIdleOwner {
public:
    static constexpr std::uint32_t kDefaultIdleMs = 7200000;

    CTerminalMFE();
    ~CTerminalMFE() override;

    // CMFEInt
    const char* GetSessionData() override;
    bool IsHostAvailable() override;
    bool IsConnected() override;
    int BeginSession() override;
    int EndSession() override;
    int SendToHost(const unsigned char* data, unsigned int length) override;
    int RecvFromHost(unsigned char** data, unsigned int* length) override;
    const char* GetLNIATA() override;
    bool SetDrvOptions(int option, int value) override;
    bool Init() override;
    int AddBufferToChain(const unsigned char* data, unsigned int length) override;
    int BackGroundConnect(unsigned char* host) override;
    QUILOptionsState* GetElementState(int element, QUILOptionsState* state) override;
    bool SetElementState(int element, void* data) override;

    // CMFECallback
    void OnHostData(unsigned char* data, unsigned int length, CHostSession* session) override;
    void OnConnect(int code, bool flag) override;
    void OnURLAddress(const unsigned char* data, unsigned int length) override;
    void OnStoreSessionChanges(const char* key, const char* data, unsigned int length,
                               CHostSession* session) override;
    bool OnGetCfgInfo(const char* section, const char* key, char* buffer,
                      unsigned int* length) override;
    bool OnStoreCfgInfo(const char* section, const char* key, const char* value,
                        unsigned int length) override;
    void SetHostState(int state, const char* host) override;
    int GetHostState(const char* host) override;
    int GetPort() override;
    int GetHostSessionState(const char* host, CHostSession* session) override;
    std::uint32_t GetLID(const char* host) override;
    const char* GetConfiguredLNIATA() override;
    bool GetKeepAlive() override;
    unsigned char* GetRID(const char* host) override;
    bool OnHandleError(CHostSession* session, const unsigned char* data,
                       unsigned int length) override;

    // CIdleOwner
    std::uint32_t IdleLimitMs() override { return m_idleLimitMs.load(); }
    void OnIdle() override { IdleTimeoutExpired(); }

    // The front end's own.
    void IdleTimeoutExpired();
    bool GetListOfPaidsFromLDAP(const std::string& path);
    std::optional<std::string> GetDomainName(const char* paid);
    CHostInfoTable& HostInfo() { return m_hostInfo; }
    // IDLETIMEOUT in milliseconds: minutes x 60,000; 0, absent or not a number: 2 hours.
    static std::uint32_t IdleLimitFromText(const std::string& text);
    bool HasIdleTimer();
    CHostSession* ActiveSession() const { return m_active.load(); }
    std::size_t SessionCount();

private:
    bool InitAllHosts();
    void BuildRegistrationPayload();
    void SendPayload(CHostSession* session);
    CHostSession* GetSessionObject(const char* host);
    // Empties the session list (and the active session) under its lock.
    std::vector<std::unique_ptr<CHostSession>> TakeSessions();
    CHostSession* FindSession(const std::string& host);
    // The host's state as the session data tell it, recorded (and given to the session).
    int RecordSessionState(CHostSession* session, const std::string& host, bool intoSession);
    const char* ConfiguredLniata();
    void NotifyRegistered(CHostSession* session);
    void StartIdleTimer();
    void StopIdleTimer();
    void TouchIdleTimer();
    void ForceKeepAlive();
    bool Enqueue(std::vector<std::uint8_t> message);
    void QueueMessage(std::span<const std::uint8_t> data);
    void QueueErrorMessage(std::span<const std::uint8_t> data);
    void QueueReplacementMessage(std::span<const std::uint8_t> text,
                                 std::span<const std::uint8_t> replaced);
    std::vector<std::uint8_t> AddressBytes();
    void RemoveOtherHost(const std::string& host);
    void AddHostToOtherHostList(CHostSession* session);
    std::string HostOf(CHostSession* session);
    bool IsDefaultHost(const std::string& host);

    CHostInfoTable m_hostInfo;
    CHostSessionList* m_registry = nullptr;

    std::mutex m_queueLock;
    std::deque<std::vector<std::uint8_t>> m_queue;  // under m_queueLock

    UTKTools::CRecursiveMutex m_sessionLock;
    std::vector<std::unique_ptr<CHostSession>> m_sessions;  // under m_sessionLock
    std::atomic<CHostSession*> m_active{nullptr};
    std::atomic<int> m_lastError{0};

    std::mutex m_idleLock;
    std::unique_ptr<CIdleTimer> m_idleTimer;  // under m_idleLock
    std::atomic<std::uint32_t> m_idleLimitMs{kDefaultIdleMs};

    std::atomic<bool> m_forcedKeepAlive{false};
    std::atomic<bool> m_connectPending{false};
    std::atomic<bool> m_devSet{false};
    std::atomic<bool> m_replaceErrors{false};
    std::atomic<bool> m_conxVerify{false};
    std::atomic<bool> m_clientHasSent{false};
    std::atomic<bool> m_registrationPending{false};
    std::mutex m_payloadLock;
    std::vector<std::uint8_t> m_payload;  // under m_payloadLock
    std::mutex m_lniataLock;
    std::string m_lniata;                         // under m_lniataLock; stays put once read
    std::optional<std::uint32_t> m_generatedLid;  // under m_lniataLock
    std::atomic<int> m_port{0};                   // PORT once read nonzero
};

}  // namespace quildrv
