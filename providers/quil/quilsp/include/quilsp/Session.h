// One QUIL session with one host: its TCP connection, the identity the host assigned, keep-
// alive and its timers. Everything runs on the thread that made the session: socket
// notifications and timers come through that thread's event loop. Results are provider error
// codes kept as the last error; nothing is thrown.
//
// States: 0 not connected, 1 connecting, 2 idle, 4 a send waits for the socket, 5 a read
// failed, 6 disconnecting.
//
// The session's identifier survives a reconnection in the route value "Session Identifier":
// a number holding the 4 identifier bytes in wire order (the first byte most significant).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "quil/QUILBuffer.h"
#include "quil/RecordReader.h"
#include "quil/SessionHeader.h"
#include "quil/StreamHeader.h"
#include "quil/Translation.h"
#include "quilsp/Connection.h"
#include "quilsp/HiddenSessionWindow.h"
#include "quilsp/Log.h"
#include "quilsp/PoolKey.h"
#include "quilsp/SessionOwner.h"
#include "quilsp/SessionStates.h"

namespace quilsp {

inline constexpr const char* kSessionIdValue = "Session Identifier";

class CSession {
public:
    CSession(ISessionOwner* owner, const CPoolKey& key, bool pooled);
    ~CSession();
    CSession(const CSession&) = delete;
    CSession& operator=(const CSession&) = delete;

    // Taken up again by a new owner (the session pool does this for a non-default session).
    void Reinitialise(ISessionOwner* owner, bool pooled);
    ISessionOwner* Owner() const noexcept { return m_owner; }
    void SetOwner(ISessionOwner* owner) noexcept { m_owner = owner; }
    bool Pooled() const noexcept { return m_pooled; }
    const CPoolKey& Key() const noexcept { return m_key; }
    void SetKey(const CPoolKey& key) { m_key = key; }
    std::string Host() const { return m_key.Host(); }
    std::uint32_t Port() const noexcept { return m_port; }

    // Configuration from the provider object.
    void SetRoute(std::string route) { m_route = std::move(route); }
    void SetLog(Log log) { m_log = std::move(log); }
    void SetPort(std::uint32_t port) noexcept { m_port = port; }
    void SetTerminalAddress(const std::string& lniata, int poolingKind);
    const std::string& TerminalAddress() const noexcept { return m_lniata; }
    void SetPoolName(std::string name) { m_poolName = std::move(name); }

    [[nodiscard]] int Connect(const std::string& endSystem);
    // Ends the session. With `reportEnd` the owner hears of the end (OnDisconnect) also when
    // there was no connection left to end (lost, refused or still being made).
    [[nodiscard]] int Disconnect(bool reportEnd = false);

    // Options (see the provider object for who may set which).
    [[nodiscard]] int SetOption(int option, const char* value);
    [[nodiscard]] int SetServiceProviderOption(int option, const char* value);
    [[nodiscard]] int GetOption(int option, std::string& value) const;
    [[nodiscard]] int GetServiceProviderOption(int option, std::string& value) const;

    [[nodiscard]] int SendMsg(std::span<const std::uint8_t> data, bool keepAlive = false);
    // The message collected so far; 1011 when there is none. The next segment starts afresh.
    [[nodiscard]] int ReceiveMsg(std::vector<std::uint8_t>& message);
    // The message type of the last record received.
    std::uint8_t LastReceivedType() const noexcept { return m_lastType; }

    int LastError() const noexcept { return m_lastError; }
    int ProtocolError() const noexcept { return m_protocolError; }
    const std::string& ProtocolErrorText() const noexcept { return m_protocolErrorText; }
    int State() const noexcept { return m_state; }
    bool Initialised() const noexcept { return m_initialised; }
    int DeviceType() const noexcept { return m_deviceType; }
    bool Translating() const noexcept { return m_translate; }
    const std::string& EndSystem() const noexcept { return m_endSystem; }
    bool KeepAliveEnabled() const noexcept { return m_kaEnabled; }

    // Socket notifications (from the connection).
    void OnConnect(int socketError);
    void OnSend(int socketError);
    void OnReceive(int socketError);
    void OnSocketClose(const std::string& key, int socketError);
    void ReportStartupFailure();
    // Bytes read from the connection: cut into records and processed.
    void FeedReceived(std::span<const std::uint8_t> bytes);

    // Timers (from the hidden window).
    void StartTimer(unsigned id);
    void StopTimer(unsigned id);
    void OnKeepAliveIdle();
    void OnKeepAliveOverdue();
    void ReportConnectFailure();
    void ReportSessionLost();
    void OnDisconnectDone();

private:
    // Shared by both QUIL providers (SessionFraming.cpp).
    void Initialise();
    std::vector<std::uint8_t> OutgoingPayload(std::span<const std::uint8_t> data, bool translate);
    bool PrepareStreamHeader(std::size_t payloadLength);
    void SetSessionHeaderFlags(std::uint8_t messageType);
    // Engine.
    int DoConnect();
    bool CreateConnection(int& socketError);
    void ReleaseConnection();
    void SendInitString();
    bool TerminateSession();
    int ReconnectSocket();
    void EnableKeepAlive();
    // Starts the keep-alive's idle wait when keep-alive is on and the wait is not running.
    void KeepAliveGoesOn();
    void SetProtocolError(int socketError);
    // Traffic.
    int Send(std::span<const std::uint8_t> data, bool keepAlive, bool translate);
    void PrepareQUILBuffer(std::span<const std::uint8_t> data, bool keepAlive, bool translate);
    void AddOption(std::uint8_t type);
    void PrepareSessionHeader(std::uint8_t messageType);
    bool SendBufferToHost();
    void ProcessRecord(std::span<const std::uint8_t> record);
    bool ValidateSessionHeader(const quil::CSessionHeader& received);
    bool ProcessRecdMsg();
    void AddDataToReceiveBuffer(std::span<const std::uint8_t> payload, bool translate);
    int HandOutMessage(std::vector<std::uint8_t>& message);
    void HandleHostSessionError(bool beginPending);
    void BrokenStream(const char* what);
    void CacheSessionID();
    bool GetSessionIDCache();
    void ClearSessionIDCache();
    void FinishDisconnect(bool report);

    ISessionOwner* m_owner;
    CPoolKey m_key;
    bool m_pooled;
    std::string m_route;
    Log m_log;
    CConnectionPool m_connections;
    CConnection* m_connection = nullptr;
    std::string m_connectionKey;
    CHiddenSessionWindow m_window{this};
    bool m_hasWindow = false;

    quil::CQUILBuffer m_buffer;    // the packet going out
    quil::CQUILBuffer m_inBuffer;  // the packet just received
    quil::CSessionHeader m_header;
    quil::CStreamHeader m_stream;
    quil::RecordReader m_reader;
    quil::HostToClientTranslator m_toClient;

    std::string m_endSystem;
    std::uint32_t m_port = 0;
    std::string m_lniata;
    int m_poolingKind = kPoolingFixed;
    std::string m_poolName;
    std::string m_sessionIdText;
    std::array<std::uint8_t, quil::kMaxOptionBytes> m_options{};
    std::size_t m_optionBytes = 0;

    bool m_active = false;
    bool m_translate = true;
    bool m_noTranslation = false;
    bool m_option1 = true;
    int m_deviceType = kDeviceTerminal;
    bool m_initialised = false;
    bool m_closedByHost = false;
    bool m_disconnectedByHost = false;
    bool m_established = false;
    bool m_initialPending = false;
    bool m_answeringPrint = false;
    bool m_kaEnabled = false;
    bool m_kaIdleRunning = false;
    bool m_kaResponseRunning = false;
    bool m_reconnectPending = false;  // a packet waits for a reconnection to complete

    int m_lastError = 0;
    int m_protocolError = 0;
    std::string m_protocolErrorText;
    int m_state = kStateNotConnected;
    std::uint32_t m_kaIdleSeconds = 90;
    std::uint32_t m_kaResponseSeconds = 20;

    std::uint64_t m_streamGeneration = 0;  // counts the connections released
    std::size_t m_sendLeft = 0;
    std::size_t m_sent = 0;

    std::vector<std::uint8_t> m_message;
    bool m_freshMessage = true;
    bool m_complete = true;
    bool m_dropTwo = false;
    std::uint8_t m_lastType = 0;

    // Cleared by the destructor: a report whose callee deleted the session stops there.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

}  // namespace quilsp
