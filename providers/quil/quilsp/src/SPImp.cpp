// The provider object of both QUIL providers: built into each with its own session and
// session pool (ModuleSession.h). What QUIL2SP does differently is marked QUIL2SP: it has
// no change-change (an entry starting with the change characters goes to the host as it
// is), it tells the creator of a lost session on printer routes too, and its logger
// registry keeps the loggers of its provider objects until the last object goes.
#include "quilsp/SPImp.h"
#include "Errors.h"

#include <strings.h>
#include <algorithm>
#include <cstring>

#include "ModuleSession.h"
#include "notify/Notify.h"
#include "quil/Translation.h"
#include "quilsp/NotificationMsg.h"
#include "quilsp/RouteConfig.h"
#if defined(QUIL2SP)
#include "quil2sp/LoggerRegistry.h"
#endif

namespace quilsp {

namespace {

constexpr int kNoSessionState = 7;

constexpr const char* kPooledLniata = "000000";

bool LooksAtMessage(int error) {
    switch (error) {
        case 0:
        case 1029:
        case 1030:
        case 1031:
        case 1033:
        case 1034:
        case 1035:
            return true;
        default:
            return false;
    }
}

#if !defined(QUIL2SP)
bool SameHost(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}
#endif

// Copies an answer text with its terminating zero into the caller's buffer.
int CopyOut(int result, const std::string& answer, char* value) {
    if (result == 0) {
        std::memcpy(value, answer.data(), answer.size());
        value[answer.size()] = '\0';
    }
    return result;
}

}  // namespace

#if defined(QUIL2SP)
spimp::spimp(IProviderCallbacks& owner) : m_owner(owner), m_pool(CSessionPool::AcquirePool()) {
    LoggerRegistry::ProviderCreated();
}
#else
spimp::spimp(IProviderCallbacks& owner) : m_owner(owner), m_pool(CSessionPool::Attach()) {}
#endif

spimp::~spimp() {
    QLOG(m_log, kTrace, "Deleting the SPImp object");
    if (m_pActiveSession != nullptr) {
        QLOG(m_log, kTrace, "Calling Remove Session");
        RemoveFromPool(m_pActiveSession);
    }
    // Sessions kept in the pool for later connections report to nobody from now on.
    m_pool->ForgetOwner(this);
#if defined(QUIL2SP)
    CSessionPool::ReleasePool();
#else
    CSessionPool::Detach();
#endif
    QLOG(m_log, kTrace, "Delete receive Queue\n");
    {
        platform::CriticalSection::Guard guard(m_queueLock);
        m_queue.clear();
    }
#if defined(QUIL2SP)
    m_log = Log();
    LoggerRegistry::ProviderGone();
#endif
}

CSessionPool::Result spimp::TakeSession(const CPoolKey& key, bool isDefault, CSession*& session) {
#if defined(QUIL2SP)
    // A session is taken up like a new one unless another provider object uses it now.
    const bool fresh = m_pool->FindOrCreateSession(this, key.Key(), isDefault, session);
    if (session == nullptr) return CSessionPool::Result::Failed;
    return fresh ? CSessionPool::Result::New : CSessionPool::Result::Existing;
#else
    return m_pool->GetSession(this, key, isDefault, session);
#endif
}

void spimp::RemoveFromPool(CSession* session) {
    if (session == nullptr) return;
    if (session == m_default) m_default = nullptr;
    if (session == m_previous) m_previous = nullptr;
    if (session == m_pActiveSession) m_pActiveSession = nullptr;
    if (session == m_disconnectAsked) m_disconnectAsked = nullptr;
#if defined(QUIL2SP)
    (void)m_pool->RemoveSession(session->Key().Key());
#else
    (void)m_pool->RemoveSession(session->Key());
#endif
}

bool spimp::GetConfig(const std::string& route) {
    QLOG(m_log, kTrace, "GetConfig() ");
    const RouteConfig cfg(route);
    bool usable = true;
    std::uint32_t work = 0xFFFFFFFF;
    if (auto host = cfg.Text("Remote IP Address")) {
        m_host = *host;
        std::transform(m_host.begin(), m_host.end(), m_host.begin(), [](char c) {
            return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        });
        cfg.SetText("Remote IP Address", m_host);
        work = cfg.Number("DynamicTA Option").value_or(0xFFFFFFFF);
        const auto segment = cfg.Number("SegmentOverride");
        m_segmentOverride = segment && *segment == 1;
    } else {
        usable = false;
    }
    if (auto lniata = cfg.Text("LNIATA")) {
        m_lniata = *lniata;
    } else {
        usable = false;
    }
    const bool pooled = m_lniata == kPooledLniata;
    if (pooled) {
        const auto code = cfg.Text("PooledTA Code");
        m_pooledTACode = code.value_or("");
        if (work == 0 && !code) usable = false;
        m_taMode = work == 0 ? kTaPooled : kTaDynamic;
    } else {
        m_taMode = kTaFixed;
    }
    m_printer = cfg.Text("Device").value_or("") == "PRINTER";
    if (const auto port = cfg.Number("Remote Port")) {
        m_port = *port;
    } else if (pooled) {
        m_port = work != 0 ? 30030 : 30032;
    } else {
        m_port = m_printer ? 30051 : 30031;
    }
    cfg.SetNumber("Remote Port", m_port);
    return usable;
}

void spimp::ConfigureSession(CSession& session, const char* poolLog) {
#if defined(QUIL2SP)
    session.SetRouteName(m_route, m_log);
#else
    session.SetRoute(m_route);
    session.SetLog(m_log);
#endif
    session.SetTerminalAddress(m_lniata, static_cast<int>(m_taMode));
    session.SetPort(m_port);
    QLOG(m_log, kTrace, "Connect(): Port number: %u", m_port);
    if (m_lniata == kPooledLniata) {
        session.SetPoolName(m_pooledTACode);
        QLOG(m_log, kTrace, "%s", poolLog);
    }
    if (m_printer) {
        QLOG(m_log, kTrace, "Connect(): Calls m_pActiveSession->SetServiceProviderOption(Printer)");
        (void)session.SetServiceProviderOption(3, "PRINTER");
    }
    // The session translates as the creator asked, also when the option came before Connect.
    (void)session.SetOption(2, m_translate ? "TRUE" : "FALSE");
}

int spimp::Connect(const std::string& route, const std::string& endSystem) {
    if (!m_log.Enabled()) {
        auto notify = std::make_shared<Notify>(route);
#if defined(QUIL2SP)
        LoggerRegistry::Register(notify);
#endif
        m_log =
            Log(std::move(notify), RouteConfig(route).Number("Tracing Active").value_or(0) == 1);
    }
    QLOG(m_log, kTrace, "Connect Called\n");
    m_endSystem = endSystem;
    m_route = route;
    if (!GetConfig(route)) return kErrConfiguration;

    CSession* session = nullptr;
    const auto result = TakeSession(CPoolKey(m_lniata, m_host), true, session);
    if (result == CSessionPool::Result::Failed || session == nullptr) return kErrSession;
    m_pActiveSession = session;
    if (result == CSessionPool::Result::New) {
        QLOG(m_log, kTrace, "Session is new.\n");
        ConfigureSession(*session, "Connect(): PoolTA");
        const int rc = session->Connect(endSystem);
        if (rc == 0 || rc == kErrWaiting) {
            QLOG(m_log, kTrace, "Connect returns BRX_WAITING");
            return rc;
        }
        QLOG(m_log, kTrace, "Calling Remove Session");
        RemoveFromPool(session);
        QLOG(m_log, kError, "Connect returned error");
        return rc;
    }
    QLOG(m_log, kTrace, "Session Already exist.\n");
    const int state = session->State();
    if (state == kStateConnecting || state == kStateIdle) return 0;
    const int rc = session->Connect(endSystem);
    if (rc == 0 || rc == kErrWaiting)
        QLOG(m_log, kTrace, "Connect returns BRX_WAITING");
    else
        QLOG(m_log, kError, "Connect returned error. Try again.");
    return rc;
}

int spimp::Disconnect() {
    QLOG(m_log, kTrace, "Disonnect(): ");
    CSession* session = m_pActiveSession;
    if (session == nullptr) {
        QLOG(m_log, kTrace, "Disonnect(): No active session. No disconnect");
        return 0;
    }
    QLOG(m_log, kTrace, "Disonnect(): Disconnect Active session");
    m_disconnectAsked = session;
#if defined(QUIL2SP)
    (void)session->Disconnect();
#else
    // Its end is reported also when the connection was already lost: the creator waits for it.
    (void)session->Disconnect(true);
#endif
    m_pActiveSession = nullptr;
    QLOG(m_log, kTrace,
         session->Pooled() ? "Disconnecting default connection\n"
                           : "Disconnecting non-default connection\n");
    return 0;
}

void spimp::KeepPending(std::span<const std::uint8_t> data) {
    m_sendPending = true;
    m_pending.assign(data.begin(), data.end());
}

int spimp::SendMsg(std::span<const std::uint8_t> data) {
    QLOG(m_log, kTrace, "SendMsg(): Translate option %s", m_translate ? "true" : "false");
#if !defined(QUIL2SP)
    const std::uint8_t marker = m_translate ? 0x01 : 0x7C;
    if (data.size() >= 2 && data[0] == marker && data[1] == marker) {
        QLOG(m_log, kTrace, "SendMsg:ChangeChange() is called \n");
        const int rc = ChangeChange(data);
        switch (rc) {
            case 0:
                QLOG(m_log, kTrace, "SendMsg()::@@ returned no error");
                return 0;
            case kErrWaiting:
                QLOG(m_log, kTrace, "SendMsg()::@@ returned BRX_WAITING");
                return 0;
            case kErrNoHost:
                QLOG(m_log, kTrace, "SendMsg()::@@ returned BRX_NO_HOST_AVAILABLE");
                return SendToCurrentHost(data);
            default:
                QLOG(m_log, kError, "Error Change Change to host %d", rc);
                return rc;
        }
    }
#endif
    if (m_pActiveSession == nullptr || !m_pActiveSession->Initialised()) {
        QLOG(m_log, kTrace, " Session is not initialised. Call Connect\n");
        KeepPending(data);
        return Connect(m_route, "TREVO");
    }
    QLOG(m_log, kTrace, "SendMsg():");
    const int rc = m_pActiveSession->SendMsg(data);
    if (rc == kErrNoConnect) {
        QLOG(m_log, kTrace, " SendMsg returned BRX_NO_CONNECT error. Call Connect\n");
        KeepPending(data);
        return m_pActiveSession->Connect(m_endSystem);
    }
    return rc;
}

std::vector<std::uint8_t> spimp::ToCreatorCode(const std::string& text) const {
    std::vector<std::uint8_t> out(text.begin(), text.end());
    if (!m_translate)
        for (auto& b : out) b = quil::ClientToHostByte(b);
    return out;
}

#if !defined(QUIL2SP)
int spimp::SendToCurrentHost(std::span<const std::uint8_t> data) {
    QLOG(m_log, kTrace,
         "SendToCurrentHost():Send the user entry to the host using the active connection");
    if (m_pActiveSession == nullptr) {
        KeepPending(data);
        return Connect(m_route, "TREVO");
    }
    const int rc = m_pActiveSession->SendMsg(data);
    if (rc != kErrNoConnect) return rc;
    KeepPending(data);
    return m_pActiveSession->Connect(m_endSystem);
}

int spimp::AnswerActiveHost(std::span<const std::uint8_t> data) {
    if (!m_printer) return SendToCurrentHost(data);
    const std::uint8_t frame[] = {0xFF, 0xFF, 0x01, 0x4E, 0x00};
    Deliver(frame, 0);
    if (m_suppressResource) {
        m_suppressResource = false;
    } else if (m_pActiveSession != nullptr) {
        m_owner.OnResource(m_pActiveSession->TerminalAddress(), 1);
    }
    return 0;
}

int spimp::ChangeChange(std::span<const std::uint8_t> data) {
    m_chchHostAsSent.assign(data.begin() + 2, data.end());
    std::string host(data.begin() + 2, data.end());
    if (!m_translate) {
        QLOG(m_log, kTrace, "Before Translation. Host %s : Length %zu", host.c_str(), host.size());
        for (auto& c : host)
            c = static_cast<char>(quil::HostToClientByte(static_cast<std::uint8_t>(c)));
        QLOG(m_log, kTrace, "After Translation. Host %s : Length %zu", host.c_str(), host.size());
    }
    // Names resolve as typed: the resolver's search domains complete them.
    m_chchHost = host;

    if (m_pActiveSession != nullptr && SameHost(m_pActiveSession->Host(), host)) {
        QLOG(m_log, kTrace, "Change Change to active connection %s", host.c_str());
        return AnswerActiveHost(data);
    }
    QLOG(m_log, kTrace, "Change Change to new host %s. Create the session and connection",
         host.c_str());
    m_previous = m_pActiveSession;
    const CPoolKey key(m_lniata, host);
    CSession* session = nullptr;
    const auto result = TakeSession(key, false, session);
    if (result == CSessionPool::Result::Failed || session == nullptr) {
        m_pActiveSession = m_previous;
        m_previous = nullptr;
        return kErrNoHost;
    }
    m_pActiveSession = session;
    // A session taken up again that is still connected needs no new connect.
    if (result == CSessionPool::Result::New && session->State() != kStateIdle) {
        QLOG(m_log, kTrace, "Session is new.\n");
        ConfigureSession(*session, "ChangeChange(): PoolTA");
        const int rc = session->Connect(m_endSystem);
        if (rc == 0 || rc == kErrWaiting) {
            m_outstandingChch = true;
            return rc;
        }
        QLOG(m_log, kTrace, "Calling Remove Session");
        m_pActiveSession = m_previous;
        m_previous = nullptr;
        RemoveFromPool(session);
        return kErrNoHost;
    }
    QLOG(m_log, kTrace, "Session Already exist. It is made as active session");
    m_previous = nullptr;
    return AnswerActiveHost(data);
}
#endif

void spimp::Deliver(std::span<const std::uint8_t> bytes, int error) {
    {
        platform::CriticalSection::Guard guard(m_queueLock);
        m_queue.emplace_back(bytes);
    }
    m_owner.OnReceive(error);
    platform::CriticalSection::Guard guard(m_queueLock);
    if (!m_queue.empty()) m_queue.pop_front();
}

void spimp::OnConnect(int error) {
    QLOG(m_log, kTrace, "OnConnect(): called with error code %d", error);
    if (m_pActiveSession != nullptr && m_pActiveSession->Pooled()) m_default = m_pActiveSession;
    if (m_background) {
        QLOG(m_log, kTrace, "OnConnect(): Background sesion establishment");
        m_background = false;
        m_suppressResource = true;
        return;
    }
    if (m_outstandingChch) {
        m_outstandingChch = false;
        std::vector<std::uint8_t> answer;
        if (error == 0) {
            QLOG(m_log, kTrace, "OnConnect(): in outstanding chch - no translation %s",
                 m_chchHost.c_str());
            if (m_printer) {
                answer = {0xFF, 0xFF, 0x01, 0x4E};
            } else {
                answer = ToCreatorCode("7QOK ");
                answer.push_back(0x20);
                answer.insert(answer.end(), m_chchHostAsSent.begin(), m_chchHostAsSent.end());
            }
            m_previous = nullptr;
        } else {
            QLOG(m_log, kError, "OnConnect(): Error in outstanding chch");
            if (m_printer) {
                answer = {0xFF, 0xFF, 0x02, 0x4E};
            } else {
                answer = ToCreatorCode("7Q Error changing to Host : " + m_chchHost);
            }
            QLOG(m_log, kTrace, "Calling Remove Session");
            CSession* failed = m_pActiveSession;
            CSession* fallback = m_default != failed ? m_default : nullptr;
            RemoveFromPool(failed);
            m_pActiveSession = fallback;
            m_previous = nullptr;
        }
        QLOG(m_log, kTrace, "OnConnect(): Change Change response :%s",
             std::string(answer.begin(), answer.end()).c_str());
        QLOG(m_log, kTrace, "OnConnect(): outstanding chch Call OnReceive");
        Deliver(answer, 0);
        return;
    }
    if (m_sendPending) {
        QLOG(m_log, kTrace, "OnConnect(): Send buffered ");
        if (error == 0) {
            m_sendPending = false;
            const std::vector<std::uint8_t> pending = std::move(m_pending);
            m_pending.clear();
            (void)SendMsg(pending);
        }
        return;
    }
    m_owner.OnConnect(error);
}

void spimp::OnReceive(int error, CSession* session) {
    QLOG(m_log, kTrace, "OnReceive() ");
    CSession* from = session != nullptr ? session : m_pActiveSession;
    if (!LooksAtMessage(error) || from == nullptr) {
        m_owner.OnReceive(error);
        return;
    }
    const int kind = from->LastReceivedType();
    QLOG(m_log, kTrace, "OnReceive(): %d", kind);
    std::vector<std::uint8_t> message;
    const bool hasMessage = from->ReceiveMsg(message) == 0 && !message.empty();
    if (kind == 1) {
        const CNotificationMsg notification(message, 1);
        if (notification.HasCode()) {
            QLOG(m_log, kTrace, "OnReceive(): Normal UMSG Notification");
            Deliver(notification.Code(), error);
        } else {
            QLOG(m_log, kTrace, "OnReceive(): Direct UMSG Notification");
            CreateNewSession(notification.Host(), notification.Lniata());
            m_background = true;
        }
        return;
    }
    if (!hasMessage) {
        QLOG(m_log, kTrace, "OnReceive(): Normal Response: Length 0");
        return;
    }
    QLOG(m_log, kTrace, "OnReceive(): Normal Response / Error");
    Deliver(message, error);
}

void spimp::CreateNewSession(const std::string& host, const std::string& lniata) {
    QLOG(m_log, kTrace, "CreateNewSession(): Create a new session");
    CSession* session = nullptr;
    const auto result = TakeSession(CPoolKey(lniata, host), false, session);
    if (result == CSessionPool::Result::Failed || session == nullptr) return;
    QLOG(m_log, kTrace, "CreateNewSession(): Session is received");
    session->SetTerminalAddress(lniata, static_cast<int>(m_taMode));
    session->SetPort(m_port);
#if defined(QUIL2SP)
    session->SetRouteName(m_route, m_log);
#else
    session->SetRoute(m_route);
    session->SetLog(m_log);
#endif
    const int rc = session->Connect(m_endSystem);
    if (rc == 0 || rc == kErrWaiting) {
        QLOG(m_log, kTrace, "CreateNewSession(): Valid session is created");
        return;
    }
    QLOG(m_log, kError, "CreateNewSession(): Error connecting to host. So Cleanup");
    RemoveFromPool(session);
}

void spimp::OnSend(int error) {
    m_owner.OnSend(error);
}

void spimp::OnResource(const std::string& lniata, int number) {
    m_owner.OnResource(lniata, number);
}

void spimp::OnDisconnect(int error, CSession* session) {
#if defined(QUIL2SP)
    if (session == nullptr) {
        QLOG(m_log, kTrace, "OnDisconnect(): No valid session. Inform the App");
        m_owner.OnDisconnect(error);
        return;
    }
    QLOG(m_log, kTrace, "OnDisconnect(): ");
#else
    QLOG(m_log, kTrace, "OnDisconnect(): ");
    if (session == nullptr) {
        QLOG(m_log, kTrace, "OnDisconnect(): No valid session. Inform the App");
        if (!m_printer) m_owner.OnDisconnect(error);
        return;
    }
    if (session == m_disconnectAsked) {
        // The end of a disconnect the creator asked for reaches it on every route, whichever
        // session it was: a creator waits for it before it goes.
        m_disconnectAsked = nullptr;
        QLOG(m_log, kTrace, "OnDisconnect(): Asked for. Inform the App");
        m_owner.OnDisconnect(error);
        return;
    }
#endif
    const bool isDefault = session == m_default;
    const bool isActive = session == m_pActiveSession;
    if (m_printer && !(isDefault && isActive)) {
        const std::uint8_t frame[] = {0xFF, 0xFF, 0x03, 0x4E};
        Deliver(frame, 0);
        return;
    }
    if (!isDefault && !isActive) {
        // A session nobody uses now goes; the connection carries on with the default one.
        (void)session->Disconnect();
        RemoveFromPool(session);
        if (m_default != nullptr) m_pActiveSession = m_default;
        m_previous = nullptr;
        QLOG(m_log, kTrace, "OnDisconnect(): No need to let the app know.");
        return;
    }
    QLOG(m_log, kTrace, "OnDisconnect(): Default / Active. Inform the App");
    m_owner.OnDisconnect(error);
}

int spimp::ReceiveMsg(const std::uint8_t** data, int* length) {
    platform::CriticalSection::Guard guard(m_queueLock);
    if (m_queue.empty() || data == nullptr || length == nullptr) return kErrNoData;
    *data = m_queue.front().Data();
    *length = static_cast<int>(m_queue.front().Length());
    QLOG(m_log, kTrace, "ReceiveMsg(char*): %.*s", *length, reinterpret_cast<const char*>(*data));
    return 0;
}

int spimp::Receive(std::string& data) {
    const std::uint8_t* bytes = nullptr;
    int length = 0;
    const int rc = ReceiveMsg(&bytes, &length);
    if (rc != 0) return rc;
    data.assign(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
    QLOG(m_log, kTrace, "ReceiveMsg(CString): ");
    m_log.Dump(kTrace, std::span<const std::uint8_t>(bytes, static_cast<std::size_t>(length)));
    return 0;
}

int spimp::SetOption(int option, char* value) {
    if (option == 2 && value != nullptr) m_translate = strcasecmp(value, "TRUE") == 0;
    if (m_pActiveSession == nullptr) return kErrSession;
    if (value == nullptr || option < 1 || option > 2) return kErrInvalidOption;
    return m_pActiveSession->SetOption(option, value);
}

int spimp::SetServiceProviderOption(int option, char* value) {
    if (option == 2 && value != nullptr) m_translate = strcasecmp(value, "TRUE") == 0;
    if (m_pActiveSession == nullptr) return kErrSession;
    if (value == nullptr || option < 1 || option > 6) return kErrInvalidOption;
    return m_pActiveSession->SetServiceProviderOption(option, value);
}

int spimp::GetOption(int option, char* value) {
    if (m_pActiveSession == nullptr) return kErrSession;
    if (value == nullptr || option < 1 || option > 8) return kErrInvalidOption;
    std::string answer;
    return CopyOut(m_pActiveSession->GetOption(option, answer), answer, value);
}

int spimp::GetServiceProviderOption(int option, char* value) {
    if (m_pActiveSession == nullptr) return kErrSession;
    if (value == nullptr || option < 1 || option > 6) return kErrInvalidOption;
    std::string answer;
    return CopyOut(m_pActiveSession->GetServiceProviderOption(option, answer), answer, value);
}

int spimp::Status() {
    return m_pActiveSession == nullptr ? kNoSessionState : m_pActiveSession->State();
}

int spimp::LastError() {
    if (m_pActiveSession != nullptr) m_lastError = m_pActiveSession->LastError();
    return m_lastError;
}

int spimp::ProtocolLastError() {
    if (m_pActiveSession != nullptr) m_protocolError = m_pActiveSession->ProtocolError();
    return m_protocolError;
}

void spimp::ProtocolLastErrorMessage(std::string& text) {
    if (m_pActiveSession != nullptr) m_protocolErrorText = m_pActiveSession->ProtocolErrorText();
    text = m_protocolErrorText;
}

}  // namespace quilsp
