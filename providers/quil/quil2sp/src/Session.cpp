// The QUIL2SP session's engine: connect, disconnect, the reports of the library, the
// adapter's owner and the timer operations. The traffic is in SessionTraffic.cpp; the
// options and the message collection are the QUILSP session's own sources.
#include "quil2sp/Session.h"
#include "Errors.h"

#include <strings.h>
#include <chrono>
#include <cstring>
#include <thread>

#include "quil2sp/ConnectResult.h"
#include "quil2sp/ProviderLock.h"
#include "session/Exceptions.h"

namespace quilsp {

namespace {

constexpr const char* kPooledLniata = "000000";

// Holds the provider lock for a report of the worker, unless the adapter stops first.
class WorkerHold {
public:
    explicit WorkerHold(const std::atomic<bool>& stop) : m_held(ProviderLock::LockUnless(stop)) {}
    ~WorkerHold() {
        if (m_held) ProviderLock::Unlock();
    }
    WorkerHold(const WorkerHold&) = delete;
    WorkerHold& operator=(const WorkerHold&) = delete;
    explicit operator bool() const noexcept { return m_held; }

private:
    bool m_held;
};

// How long a report of a connect the session did not start waits before it is taken.
constexpr std::chrono::milliseconds kStrayConnectPause{1000};
constexpr std::chrono::milliseconds kPauseSlice{10};

}  // namespace

CSession::CSession(ISessionOwner* owner, const CPoolKey& key, bool pooled)
    : m_owner(owner), m_key(key), m_pooled(pooled), m_stream(quil::kStreamSync, 1, 0, 0) {
    m_hasWindow = m_window.Create();
    if (!m_hasWindow)
        QLOG(m_log, kError,
             "CreateHiddenWindow() : Failed to create the hidden window. So the timeout "
             "scenarios will not work!");
}

CSession::~CSession() {
    QLOG(m_log, kTrace, "~CSession()");
    (void)Disconnect();
}

void CSession::Initialize(ISessionOwner* owner, bool pooled) {
    m_owner = owner;
    m_pooled = pooled;
}

void CSession::SetRouteName(const std::string& route, Log log) {
    {
        platform::CriticalSection::Guard guard(m_sessionLock);
        m_route = route;
        m_config.SetRouteName(route.c_str());
    }
    m_log = log;
    m_adapter.SetLogger(std::move(log));
    m_adapter.StartWorker();
}

void CSession::SetTerminalAddress(const std::string& lniata, int poolingKind) {
    platform::CriticalSection::Guard guard(m_sessionLock);
    m_lniata = lniata;
    m_poolingKind = poolingKind;
}

std::string CSession::TerminalAddress() const {
    platform::CriticalSection::Guard guard(m_sessionLock);
    return m_lniata;
}

void CSession::SetRid(const std::string& rid) {
    platform::CriticalSection::Guard guard(m_sessionLock);
    m_lniata = rid;
}

std::string CSession::RouteName() const {
    platform::CriticalSection::Guard guard(m_sessionLock);
    return m_route;
}

std::string CSession::ConfigLniata() const {
    platform::CriticalSection::Guard guard(m_sessionLock);
    return m_config.GetLNIATA();
}

std::string CSession::ConfigValue(const char* key) const {
    platform::CriticalSection::Guard guard(m_sessionLock);
    const char* value = m_config.GetString(key);
    return value != nullptr ? value : "";
}

void CSession::SetConfigValue(const char* key, const char* value) {
    platform::CriticalSection::Guard guard(m_sessionLock);
    m_config.SetString(key, value, static_cast<int>(std::strlen(value)));
}

std::string CSession::StateValue(const char* key) const {
    platform::CriticalSection::Guard guard(m_sessionLock);
    const char* value = m_sessionState.GetString(key);
    return value != nullptr ? value : "";
}

void CSession::FillConfiguration() {
    platform::CriticalSection::Guard guard(m_sessionLock);
    m_config.SetDefaultHost(Host().c_str());
    m_config.SetHostPort(m_port);
    m_config.SetSegmentOverride(m_owner != nullptr && m_owner->SegmentOverride() ? 1 : 0);
    m_config.SetLNIATA(m_lniata.substr(0, kLniataLength).c_str());
    const bool printer = m_deviceType == kDevicePrinter;
    m_config.SetDevType(printer ? "PRINTER" : "TERMINAL");
    if (printer) m_config.SetAutoBid(true);
    if (m_lniata != kPooledLniata) return;
    m_config.SetPoolName(m_poolName.c_str());
    if (m_poolingKind == kPoolingHost) {
        m_config.SetPoolType("HOST9");
    } else if (m_poolingKind == kPoolingCode) {
        m_config.SetPoolType("AGENCY");
        m_config.SetBasePCC(m_poolName.c_str());
    }
}

int CSession::DoConnect() {
    m_lastError = 0;
    QLOG(m_log, kTrace, "DoConnect() called");
    if (m_state == kStateIdle) {
        QLOG(m_log, kTrace, "Already Connected. It is in IDLE State");
        return 0;
    }
    if (m_state != kStateNotConnected) {
        QLOG(m_log, kError,
             "Wrong Call. Pnly from NOT_CONNECTED state, the Connect should have been called");
        m_lastError = kErrRefused;
        return m_lastError;
    }
    FillConfiguration();
    try {
        // The result follows through OnConnect; the session translates itself.
        m_adapter.Connect(m_config, &m_sessionState, 0);
        m_adapter.SetTranslationMode(0);
        m_adapter.AccumulateMsgSegments(m_option1 ? 1 : 0);
        m_lastError = 0;
        m_state = kStateConnecting;
    } catch (const SessionNS::CExceptionBase& e) {
        QLOG(m_log, kError, "DoConnect() Exception: (%d) %s", static_cast<int>(e.error()),
             e.what());
        // A connect the library refused at once is a failure, not a wait: no report follows.
        m_lastError = QUIL2SessionNS::MapConnectResult(e.error());
        if (m_lastError == 0) m_lastError = kErrRefused;
        SetProtocolError(e.error(), e.what());
    }
    return m_lastError;
}

void CSession::SetProtocolError(int code, const char* text) {
    m_protocolError = code;
    m_protocolErrorText = text != nullptr ? text : "";
}

void CSession::OnConnect(int result) {
    try {
        m_closedByHost = false;
        QLOG(m_log, kTrace, "OnConnect(): %d ", result);
        if (m_state != kStateConnecting) {
            QLOG(m_log, kTrace, "OnConnect(): %d Processing State not BRX_CONNECTING %d", result,
                 m_state);
            m_lastError = result;
            m_state = result == 0 ? kStateIdle : kStateNotConnected;
            if (m_owner != nullptr) m_owner->OnConnect(result);
            return;
        }
        if (result != 0) {
            m_lastError = result;
            SetProtocolError(result, SessionNS::CommErrorText(result));
            m_state = kStateNotConnected;
            QLOG(m_log, kError, "OnConnect():Connection refused to %s. Error #: %d, Reason :%s",
                 Host().c_str(), result, m_protocolErrorText.c_str());
            if (m_owner != nullptr) m_owner->OnConnect(result);
            return;
        }
        m_lastError = 0;
        m_state = kStateIdle;
        QLOG(m_log, kTrace, "OnConnect():Established socket connection with %s ", Host().c_str());
        SendInitString();
        if (m_owner != nullptr) m_owner->OnConnect(0);
        if (m_owner != nullptr) m_owner->OnResource(TerminalAddress(), 1);
    } catch (const SessionNS::CExceptionBase& e) {
        QLOG(m_log, kError, "OnConnect thread start Exception: (%d) %s",
             static_cast<int>(e.error()), e.what());
    }
}

void CSession::OnResource() {
    const std::string rid = TerminalAddress();
    if (m_state == kStateIdle && m_lastError == 0) {
        QLOG(m_log, kTrace, "RID has changed to \"%s\" firing OnResource", rid.c_str());
        if (m_owner != nullptr) m_owner->OnResource(rid, 1);
    } else {
        QLOG(m_log, kTrace,
             "OnResource for \"%s\" was called but masked because session is not yet connected",
             rid.c_str());
    }
}

void CSession::OnDisconnect(int result) {
    QLOG(m_log, kTrace, "firing OnDisconnect, error %d", result);
    if (m_owner != nullptr) m_owner->OnDisconnect(result, nullptr);
}

void CSession::OnReceive(int result) {
    try {
        if (result != 0) {
            m_lastError = kErrSocket;
            SetProtocolError(result, SessionNS::CommErrorText(result));
            m_state = kStateNotConnected;
            QLOG(m_log, kError, "OnReceive() ERROR");
            if (m_owner != nullptr) {
                QLOG(m_log, kError, "OnReceive() ERROR firing OnDisconnet()");
                m_owner->OnDisconnect(kErrSocket, nullptr);
            }
            return;
        }
        QLOG(m_log, kTrace, "OnReceive() BRX_NO_ERROR");
        // A message waits: an earlier failure (a short response, say) must not keep the
        // provider from asking for it.
        m_lastError = 0;
        if (m_owner != nullptr) m_owner->OnReceive(m_lastError, this);
    } catch (const SessionNS::CExceptionBase& e) {
        QLOG(m_log, kError, "Disconnect thread start Exception: (%d) %s",
             static_cast<int>(e.error()), e.what());
    }
}

int CSession::Disconnect() {
    QLOG(m_log, kTrace,
         m_pooled ? "Disconnect() : Disconnecting default session ..."
                  : "Disconnect() : Disconnecting session ...");
    try {
        if (m_state == kStateIdle && !m_closedByHost) {
            QLOG(m_log, kTrace,
                 "Disconnect() : Not a host initiated disconnect : Send Terminate Packet");
            m_adapter.Disconnect();
            m_adapter.ReportDisconnected();
            m_lastError = 0;
        } else if (m_state != kStateDisconnecting && m_state != kStateNotConnected) {
            m_adapter.Disconnect();
            m_adapter.ReportDisconnected();
            m_lastError = 0;
            QLOG(m_log, kTrace, "Disconnect() : The processing (SP)state %d", m_state);
        }
    } catch (const SessionNS::CExceptionBase& e) {
        QLOG(m_log, kError, "error=%d \"%s\"", static_cast<int>(e.error()), e.what());
    }
    m_state = kStateDisconnecting;
    if (!m_closedByHost) {
        Cleanup();
    } else {
        QLOG(m_log, kTrace, "PassiveCleanup()");
        m_state = kStateNotConnected;
        m_closedByHost = false;
    }
    return m_lastError;
}

void CSession::Cleanup() {
    QLOG(m_log, kTrace, "Cleanup()");
    // The library's disconnect is complete when it returns: the session may connect again.
    m_state = kStateNotConnected;
    m_buffer.Reset();
    m_message.clear();
    m_freshMessage = true;
}

// ---- the adapter's owner: the worker's reports, under the provider lock ----

void CSession::ProcessReceive(int value, const std::atomic<bool>& stop) {
    if (const WorkerHold hold(stop); hold) OnReceive(value);
}

void CSession::CompleteConnect(int brxError, const std::atomic<bool>& stop) {
    bool stray = false;
    if (const WorkerHold hold(stop); hold) {
        stray = m_state != kStateConnecting;
    } else {
        return;
    }
    // A report of a connect this session did not start is taken a moment later (the
    // adapter's stop cuts the pause short).
    for (auto left = kStrayConnectPause; stray && left.count() > 0 && !stop.load();
         left -= kPauseSlice)
        std::this_thread::sleep_for(kPauseSlice);
    if (const WorkerHold hold(stop); hold) OnConnect(brxError);
}

void CSession::FireResource(const std::atomic<bool>& stop) {
    if (const WorkerHold hold(stop); hold) OnResource();
}

void CSession::FireDisconnect(int error, const std::atomic<bool>& stop) {
    if (const WorkerHold hold(stop); hold) OnDisconnect(error);
}

// ---- timers: nothing in this session starts one ----

void CSession::StartTimer(unsigned id) {
    QLOG(m_log, kTrace, "StartTimer() : for host %s ", Host().c_str());
    if (m_hasWindow) (void)platform::SetTimer(m_window.Handle(), id, 1);
}

void CSession::StopTimer(unsigned id) {
    const ProviderLock::Guard guard;
    if (m_hasWindow) (void)platform::KillTimer(m_window.Handle(), id);
    QLOG(m_log, kTrace, "CSession::StopTimer() called for host %s ", Host().c_str());
}

void CSession::OnKeepAliveIdle() {
    const ProviderLock::Guard guard;
    StopTimer(kTimerKeepAliveIdle);
    // The keep-alive itself is the driver's.
    QLOG(m_log, kTrace, "SendKeepAlive()");
}

void CSession::OnKeepAliveOverdue() {
    const ProviderLock::Guard guard;
    QLOG(m_log, kError, "KeepAlive response not received.");
    StopTimer(kTimerKeepAliveResponse);
    if (!m_active) return;
    m_lastError = kErrConnectionLost;
    if (m_owner != nullptr) m_owner->OnReceive(kErrConnectionLost, this);
}

void CSession::ReportConnectFailure() {
    const ProviderLock::Guard guard;
    if (m_owner != nullptr) m_owner->OnConnect(m_lastError);
}

void CSession::ReportSessionLost() {
    const ProviderLock::Guard guard;
    m_lastError = kErrSession;
    if (m_owner != nullptr) m_owner->OnDisconnect(kErrSession, this);
}

void CSession::OnDisconnectDone() {
    const ProviderLock::Guard guard;
    if (m_owner != nullptr) m_owner->OnDisconnect(0, this);
}

}  // namespace quilsp
