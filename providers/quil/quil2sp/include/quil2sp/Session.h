// One QUIL2SP session: the QUILSP session's operations, states, options, error codes and
// message collection, over the Session library instead of sockets of its own. Its adapter
// (QUIL2Session) connects, sends and receives through the library, whose host protocol
// driver does the QUIL records, keep-alive and segmenting; the adapter's worker thread
// reports the library's events back through OnConnect, OnReceive, OnResource and
// OnDisconnect. Results are provider error codes kept as the last error; nothing is thrown.
//
// States as in QUILSP: 0 not connected, 1 connecting, 2 idle, 6 disconnecting.
//
// Threads: the provider's caller thread and the adapter's worker both work on the session
// holding the module's provider lock (quil2sp/ProviderLock.h). The library's threads read
// the configuration, the state and the RID through the adapter under the session's own
// lock, a leaf: provider lock, then session lock; nothing is called out under it.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/CriticalSection.h"
#include "quil/QUILBuffer.h"
#include "quil/SessionHeader.h"
#include "quil/SessionOption.h"
#include "quil/StreamHeader.h"
#include "quil/Translation.h"
#include "quil2sp/AdapterOwner.h"
#include "quil2sp/QUIL2Session.h"
#include "quilsp/HiddenSessionWindow.h"
#include "quilsp/Log.h"
#include "quilsp/PoolKey.h"
#include "quilsp/SessionOwner.h"
#include "quilsp/SessionStates.h"
#include "session/QUILSessionConfig.h"
#include "session/QUILSessionState.h"

namespace quilsp {

class CSession final : public QUIL2SessionNS::IAdapterOwner {
public:
    CSession(ISessionOwner* owner, const CPoolKey& key, bool pooled);
    ~CSession() override;
    CSession(const CSession&) = delete;
    CSession& operator=(const CSession&) = delete;

    // Taken up again by a provider object (the session pool does this).
    void Initialize(ISessionOwner* owner, bool pooled);
    // Some provider object connected it and has not let it go.
    bool InUse() const noexcept { return m_active; }
    ISessionOwner* Owner() const noexcept { return m_owner; }
    void SetOwner(ISessionOwner* owner) noexcept { m_owner = owner; }
    bool Pooled() const noexcept { return m_pooled; }
    const CPoolKey& Key() const noexcept { return m_key; }
    std::string Host() const { return m_key.Host(); }
    std::uint32_t Port() const noexcept { return m_port; }

    // Configuration from the provider object. SetRouteName also hands the log to the
    // adapter and starts its worker.
    void SetRouteName(const std::string& route, Log log);
    void SetPort(std::uint32_t port) noexcept { m_port = port; }
    void SetTerminalAddress(const std::string& lniata, int poolingKind);
    std::string TerminalAddress() const;
    void SetPoolName(std::string name) { m_poolName = std::move(name); }

    [[nodiscard]] int Connect(const std::string& endSystem);
    [[nodiscard]] int Disconnect();

    [[nodiscard]] int SetOption(int option, const char* value);
    [[nodiscard]] int SetServiceProviderOption(int option, const char* value);
    [[nodiscard]] int GetOption(int option, std::string& value) const;
    [[nodiscard]] int GetServiceProviderOption(int option, std::string& value) const;

    [[nodiscard]] int SendMsg(std::span<const std::uint8_t> data);
    // The next message from the library, collected as in QUILSP; 1011 when there is none.
    [[nodiscard]] int ReceiveMsg(std::vector<std::uint8_t>& message);
    // ReceiveMsg's reading of one library response (any bytes): its first three bytes are
    // not host text, the rest is collected into the message handed out.
    [[nodiscard]] int TakeResponse(std::span<const std::uint8_t> response,
                                   std::vector<std::uint8_t>& message);
    // The library hands over payloads only: every message is of the data kind.
    std::uint8_t LastReceivedType() const noexcept { return 0; }

    int LastError() const noexcept { return m_lastError; }
    int ProtocolError() const noexcept { return m_protocolError; }
    const std::string& ProtocolErrorText() const noexcept { return m_protocolErrorText; }
    int State() const noexcept { return m_state; }
    bool Initialised() const noexcept { return m_initialised; }
    int DeviceType() const noexcept { return m_deviceType; }
    bool Translating() const noexcept { return m_translate; }
    const std::string& EndSystem() const noexcept { return m_endSystem; }
    QUIL2SessionNS::QUIL2Session& Adapter() noexcept { return m_adapter; }
    // The timer window (0 when the thread that made the session has no loop).
    platform::HWND WindowHandle() const noexcept { return m_window.Handle(); }

    // Reports of the library (the adapter's worker, holding the provider lock).
    void OnConnect(int result);
    void OnReceive(int result);
    void OnResource();
    void OnDisconnect(int result);

    // Timers (from the hidden window; nothing here starts one).
    void StartTimer(unsigned id);
    void StopTimer(unsigned id);
    void OnKeepAliveIdle();
    void OnKeepAliveOverdue();
    void ReportConnectFailure();
    void ReportSessionLost();
    void OnDisconnectDone();

    // ---- the adapter's owner ----
    void ProcessReceive(int value, const std::atomic<bool>& stop) override;
    void CompleteConnect(int brxError, const std::atomic<bool>& stop) override;
    void FireResource(const std::atomic<bool>& stop) override;
    void FireDisconnect(int error, const std::atomic<bool>& stop) override;
    std::string Rid() const override { return TerminalAddress(); }
    void SetRid(const std::string& rid) override;
    std::string RouteName() const override;
    std::string ConfigLniata() const override;
    std::string ConfigValue(const char* key) const override;
    void SetConfigValue(const char* key, const char* value) override;
    std::string StateValue(const char* key) const override;

private:
    // Shared by both QUIL providers (SessionFraming.cpp).
    void Initialise();
    std::vector<std::uint8_t> OutgoingPayload(std::span<const std::uint8_t> data, bool translate);
    bool PrepareStreamHeader(std::size_t payloadLength);
    void SetSessionHeaderFlags(std::uint8_t messageType);
    int DoConnect();
    void FillConfiguration();
    void SetProtocolError(int code, const char* text);
    void SendInitString();
    void PrepareQUILBuffer(std::span<const std::uint8_t> data);
    void PrepareSessionHeader();
    bool SendBufferToHost();
    void AddDataToReceiveBuffer(std::span<const std::uint8_t> payload, bool translate);
    int HandOutMessage(std::vector<std::uint8_t>& message);
    void Cleanup();

    ISessionOwner* m_owner;
    CPoolKey m_key;
    bool m_pooled;
    std::string m_route;
    Log m_log;
    CHiddenSessionWindow m_window{this};
    bool m_hasWindow = false;

    // The session lock guards the configuration, the state object and the RID.
    mutable platform::CriticalSection m_sessionLock;
    mutable SessionNS::CQUILSessionConfig m_config{""};
    mutable SessionNS::CQUILSessionState m_sessionState;
    std::string m_lniata;

    quil::CQUILBuffer m_buffer;
    quil::CSessionHeader m_header;
    quil::CStreamHeader m_stream;
    quil::HostToClientTranslator m_toClient;

    std::string m_endSystem;
    std::uint32_t m_port = 0;
    int m_poolingKind = kPoolingFixed;
    std::string m_poolName;
    std::array<std::uint8_t, quil::kMaxOptionBytes> m_options{};
    std::size_t m_optionBytes = 0;

    bool m_active = false;
    bool m_translate = true;
    bool m_noTranslation = false;
    bool m_option1 = true;
    int m_deviceType = kDeviceTerminal;
    bool m_initialised = false;
    bool m_closedByHost = false;

    int m_lastError = 0;
    int m_protocolError = 0;
    std::string m_protocolErrorText;
    int m_state = kStateNotConnected;

    std::vector<std::uint8_t> m_message;
    bool m_freshMessage = true;
    bool m_complete = true;
    bool m_dropTwo = false;

    // Last member: it ends its worker before anything the worker uses goes.
    QUIL2SessionNS::QUIL2Session m_adapter{this};
};

}  // namespace quilsp
