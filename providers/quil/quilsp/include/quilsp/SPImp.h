// The provider object of one QUIL connection: reads the route, draws its sessions from the
// process's session pool, keeps what the host sent until the creator has collected it,
// switches hosts on a change-change entry (two change characters and a host name; QUILSP
// only) and turns session events into the creator's callbacks. Both QUIL providers build it
// from the same source, each over its own session and session pool (QUIL2SP defined for
// QUIL2SP). In QUILSP everything runs on the thread that called Connect (its event loop
// carries the sockets and timers); in QUIL2SP the session's worker thread calls the session
// callbacks, under the module's provider lock that every call from the creator takes too.
//
// Lock order: the receive queue's lock, taken alone; the session pool's lock is never taken
// while it is held.
#pragma once

#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <vector>

#include "platform/CriticalSection.h"
#include "quilsp/DataFromHost.h"
#include "quilsp/Log.h"
#include "quilsp/PoolKey.h"
#include "quilsp/ProviderCallbacks.h"
#include "quilsp/SessionOwner.h"
#if defined(QUIL2SP)
#include "quil2sp/SessionPool.h"
#else
#include "quilsp/SessionPool.h"
#endif

namespace quilsp {

class CSession;

// Terminal-address modes.
inline constexpr std::uint32_t kTaDynamic = 0;
inline constexpr std::uint32_t kTaPooled = 1;
inline constexpr std::uint32_t kTaFixed = 2;

class spimp : public ISessionOwner {
public:
    explicit spimp(IProviderCallbacks& owner);
    ~spimp() override;
    spimp(const spimp&) = delete;
    spimp& operator=(const spimp&) = delete;

    [[nodiscard]] int Connect(const std::string& route, const std::string& endSystem);
    [[nodiscard]] int Disconnect();
    [[nodiscard]] int SendMsg(std::span<const std::uint8_t> data);
    // The first queued record (valid until the OnReceive that announced it returns).
    [[nodiscard]] int ReceiveMsg(const std::uint8_t** data, int* length);
    [[nodiscard]] int Receive(std::string& data);

    [[nodiscard]] int SetOption(int option, char* value);
    [[nodiscard]] int SetServiceProviderOption(int option, char* value);
    [[nodiscard]] int GetOption(int option, char* value);
    [[nodiscard]] int GetServiceProviderOption(int option, char* value);

    [[nodiscard]] int Status();
    // The text of the last error is the provider table's text of its code.
    [[nodiscard]] int LastError();
    [[nodiscard]] int ProtocolLastError();
    void ProtocolLastErrorMessage(std::string& text);

    // Reads the route; true when its configuration is usable.
    bool GetConfig(const std::string& route);

    // Route settings as read.
    const std::string& Host() const noexcept { return m_host; }
    std::uint32_t Port() const noexcept { return m_port; }
    const std::string& Lniata() const noexcept { return m_lniata; }
    std::uint32_t TaMode() const noexcept { return m_taMode; }
    bool Printer() const noexcept { return m_printer; }
    CSession* ActiveSession() const noexcept { return m_pActiveSession; }

    // From sessions.
    void OnConnect(int error) override;
    void OnReceive(int error, CSession* session) override;
    void OnSend(int error) override;
    void OnDisconnect(int error, CSession* session) override;
    void OnResource(const std::string& lniata, int number) override;
    bool SegmentOverride() const override { return m_segmentOverride; }

private:
    void ConfigureSession(CSession& session, const char* poolLog);
    // The session of the key from the pool, created when absent.
    CSessionPool::Result TakeSession(const CPoolKey& key, bool isDefault, CSession*& session);
#if !defined(QUIL2SP)
    int ChangeChange(std::span<const std::uint8_t> data);
    int AnswerActiveHost(std::span<const std::uint8_t> data);
    int SendToCurrentHost(std::span<const std::uint8_t> data);
#endif
    void KeepPending(std::span<const std::uint8_t> data);
    void CreateNewSession(const std::string& host, const std::string& lniata);
    void RemoveFromPool(CSession* session);
    // Queues bytes for the creator, announces them and frees them when the call returns.
    void Deliver(std::span<const std::uint8_t> bytes, int error);
    std::vector<std::uint8_t> ToCreatorCode(const std::string& text) const;

    IProviderCallbacks& m_owner;
    CSessionPool* m_pool;
    CSession* m_pActiveSession = nullptr;
    CSession* m_previous = nullptr;
    CSession* m_default = nullptr;
    // The session whose disconnect the creator asked for, until its end is reported.
    CSession* m_disconnectAsked = nullptr;

    bool m_translate = true;
    std::uint32_t m_port = 0;
    std::string m_host;
    std::string m_lniata;
    std::string m_pooledTACode;
    std::uint32_t m_taMode = kTaFixed;
    bool m_printer = false;
    bool m_segmentOverride = false;

    std::string m_endSystem;
    std::string m_route;
    std::string m_chchHost;
    std::vector<std::uint8_t> m_chchHostAsSent;

    bool m_outstandingChch = false;
    bool m_background = false;
    bool m_suppressResource = false;
    bool m_sendPending = false;
    std::vector<std::uint8_t> m_pending;

    platform::CriticalSection m_queueLock;
    std::deque<CDataFromHost> m_queue TREVO_GUARDED_BY(m_queueLock);

    int m_lastError = 0;
    int m_protocolError = 0;
    std::string m_protocolErrorText;
    Log m_log;
};

}  // namespace quilsp
