#include "hostcontrol/TREVODevice.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "hostcontrol/DeviceErrors.h"
#include "hostcontrol/Lookups.h"
#include "platform/EventLoop.h"

namespace hostcontrol {
namespace {

constexpr int kAccumulateOption = 1;
constexpr int kTranslateOption = 2;
constexpr int kDeviceTypeOption = 3;
constexpr platform::DWORD kConnectWaitMs = 30000;
constexpr char kNoResource[] = "000000";

bool StandsForMessage(BRXError code) {
    return (code >= 1029 && code <= 1031) || (code >= 1033 && code <= 1035);
}

bool EqualsIgnoringCase(const std::string& a, const char* b) {
    const std::string other(b);
    return std::equal(a.begin(), a.end(), other.begin(), other.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

// ---- the connection's callbacks ----

CConnImp::CConnImp() {
    m_Lniata.SetLnIaTa(0);
}

void CConnImp::OnReceive(BRXError error) {
    if (!m_pDevice) return;
    if (error != BRX_SUCCESS && error != BRX_VUVE_MESSAGE && !StandsForMessage(error)) return;
    std::string text;
    static_cast<void>(Receive(text));
    BRXError code = error;
    if (StandsForMessage(error)) {
        // The error's text stands in for the message.
        LastErrorMessage(text);
        code = BRX_SUCCESS;
    } else {
        // Within this delivery a second read gives the same message again, nothing further.
        static_cast<void>(Receive(text));
    }
    m_pDevice->OnReceive(this, code, &text);
}

void CConnImp::OnSend(BRXError error) {
    if (m_pDevice) m_pDevice->OnSend(this, error);
}

void CConnImp::OnConnect(BRXError error) {
    if (m_pDevice) m_pDevice->OnConnect(error);
}

void CConnImp::OnDisconnect(BRXError error) {
    if (m_pDevice) m_pDevice->OnDisconnect(this, error);
}

void CConnImp::OnLock(BRXError error) {
    if (m_pDevice) m_pDevice->OnLock(error);
}

void CConnImp::OnResource(std::string lniata, int isNew) {
    if (m_pDevice) m_pDevice->OnResource(this, std::move(lniata), isNew);
}

void CConnImp::OnSystemAvailable(int available) {
    if (m_pDevice) m_pDevice->OnSystemAvailable(available);
}

// ---- the device ----

CTREVODevice::CTREVODevice() {
    FindLocaleInfo();
}

CTREVODevice::~CTREVODevice() {
    delete m_PendingHost.conn;
    _HOSTTABLE* entry = nullptr;
    while (m_HostTable.GetFirst(entry)) {
        CConnImp* conn = entry->conn;
        static_cast<void>(m_HostTable.RemoveKey(entry->endSystem));
        if (conn != m_pParkedConn) delete conn;
    }
    delete m_pParkedConn;
}

void CTREVODevice::SetError(int code) {
    m_nLastError = static_cast<std::int16_t>(code);
    static_cast<void>(GetErrorText(code, m_strLastError));
}

void CTREVODevice::Park(CConnImp* conn) {
    if (m_pParkedConn != conn) delete m_pParkedConn;
    m_pParkedConn = conn;
}

std::string CTREVODevice::Resolve(const std::string& name) const {
    return EqualsIgnoringCase(name, "Home") ? m_strHomeEndSystem : name;
}

bool CTREVODevice::Connect(const std::string& appName, const std::string& session) {
    delete m_pParkedConn;
    m_pParkedConn = nullptr;
    if (appName.empty()) {
        SetError(DEV_NO_APPLICATION);
        return false;
    }
    if (!ApplicationExists(appName)) {
        SetError(DEV_BAD_APPLICATION);
        return false;
    }
    m_strAppName = appName;
    std::string useSession = session;
    if (!useSession.empty()) {
        if (!SessionExists(useSession)) {
            SetError(DEV_BAD_SESSION);
            return false;
        }
    } else {
        useSession = DefaultSessionOf(appName);
        if (useSession.empty()) {
            SetError(DEV_NO_DEFAULT_SESSION);
            return false;
        }
    }
    m_strSession = useSession;
    const std::string endSystem = DefaultEndSystemOf(useSession);
    if (endSystem.empty()) {
        SetError(DEV_NO_DEFAULT_END_SYSTEM);
        return false;
    }
    const std::string route = RouteOf(useSession, endSystem);
    if (route.empty()) {
        SetError(DEV_NO_ROUTE);
        return false;
    }
    return Open(route, endSystem, true);
}

bool CTREVODevice::ConnectEndSystem(const std::string& endSystem) {
    const std::string route = RouteOf(m_strSession, endSystem);
    bool result = false;
    if (route.empty()) {
        SetError(DEV_NO_ROUTE);
    } else {
        result = Open(route, endSystem, false);
    }
    m_bChangePending = 1;
    return result;
}

bool CTREVODevice::Open(const std::string& route, const std::string& endSystem,
                        bool setDeviceType) {
    auto* conn = new (std::nothrow) CConnImp(this);
    if (!conn) {
        SetError(DEV_NO_CONNECTION_OBJECT);
        return false;
    }
    conn->m_EndSystem = endSystem;
    conn->m_Lniata.SetLnIaTa(0);
    if (setDeviceType) {
        static_cast<void>(conn->SetOption(
            kDeviceTypeOption, reinterpret_cast<char*>(static_cast<std::intptr_t>(m_nDeviceType))));
    }
    const BRXError rc = conn->Connect(route.c_str(), endSystem.c_str());
    m_nLastError = static_cast<std::int16_t>(rc);
    // An attempt still pending is dropped either way: its connection is kept until the next
    // connect frees it.
    if (m_PendingHost.conn) Park(m_PendingHost.conn);
    if (rc != BRX_SUCCESS && rc != BRX_WAITING) {
        static_cast<void>(UpdateErrorStates(conn));
        delete conn;
        m_PendingHost = _HOSTTABLE{};
        m_bConnectPending = 0;
        return false;
    }
    m_PendingHost.lniata.SetLnIaTa(0);
    m_PendingHost.endSystem = endSystem;
    m_PendingHost.conn = conn;
    m_bConnectPending = 1;
    m_strResource = kNoResource;
    return true;
}

bool CTREVODevice::Disconnect() {
    if (m_PendingHost.conn) {
        delete m_PendingHost.conn;
        m_PendingHost = _HOSTTABLE{};
        m_bConnectPending = 0;
    }
    if (m_pConn) {
        m_bDisconnected = 0;
        m_nLastError = static_cast<std::int16_t>(m_pConn->Disconnect());
        m_nState = DEV_DISCONNECTING;
    } else {
        SetError(DEV_NO_CONNECTION);
    }
    return true;
}

bool CTREVODevice::DisconnectEndSystem(const std::string& endSystem) {
    _HOSTTABLE* entry = nullptr;
    if (!m_HostTable.Lookup(Resolve(endSystem), entry)) {
        SetError(DEV_NO_CONNECTION);
        return false;
    }
    m_nLastError = static_cast<std::int16_t>(entry->conn->Disconnect());
    m_bDisconnected = 0;
    m_nState = DEV_DISCONNECTING;
    return true;
}

bool CTREVODevice::ChangeSystem(const std::string& endSystem) {
    if (!EndSystemOfSession(m_strSession, endSystem)) return false;
    if (IsHostConnected(endSystem)) return ActivateConnection(endSystem);
    m_strChangeTarget = endSystem;
    return ConnectEndSystem(endSystem);
}

bool CTREVODevice::DoChangeSystem(const std::string& data) const {
    return m_nDeviceType == DEVICE_TERMINAL && data.size() >= 2 && data[0] == CHANGE_CHANGE_CHAR &&
           data[1] == CHANGE_CHANGE_CHAR;
}

DevState CTREVODevice::GetStatus() {
    m_nState = m_pConn ? GetDevState(m_pConn->Status()) : DEV_NOT_CONNECTED;
    return m_nState;
}

bool CTREVODevice::Send(std::string* data) {
    switch (GetStatus()) {
        case DEV_NOT_CONNECTED:
            SetError(DEV_LINE_DOWN);
            return false;
        case DEV_CONNECTING:
            SetError(DEV_CONNECT_IN_PROGRESS);
            return false;
        case DEV_DISCONNECTING:
            SetError(DEV_DISCONNECT_IN_PROGRESS);
            return false;
        default:
            break;
    }
    if (!data || data->empty()) {
        SetError(DEV_QUEUE_EMPTY);
        return false;
    }
    if (!m_pConn) {
        SetError(DEV_NO_CONNECTION);
        return false;
    }
    if (DoChangeSystem(*data) && ChangeSystem(data->substr(2))) {
        SetError(DEV_CHANGED_SYSTEM);
        return true;
    }
    const BRXError rc = m_pConn->Send(*data);
    m_nLastError = static_cast<std::int16_t>(rc);
    if (rc != BRX_SUCCESS) {
        static_cast<void>(UpdateErrorStates(m_pConn));
        return false;
    }
    return true;
}

bool CTREVODevice::Receive(std::string* out) {
    return TakeFrom(m_ReceiveQueue, out, true);
}

bool CTREVODevice::TakeFrom(CDeviceMessageQueue& queue, std::string* out, bool substitute) {
    if (queue.IsEmpty()) {
        SetError(DEV_QUEUE_EMPTY);
        return false;
    }
    const std::string* head = nullptr;
    if (!queue.PeekHead(head)) {
        SetError(DEV_QUEUE_ERROR);
        return false;
    }
    std::string copy = *head;
    if (substitute && m_bJapan == 1 && m_bTranslate == 0 && copy.size() > 1) {
        std::replace(copy.begin(), copy.end() - 1, '\x15', '\x4F');
    }
    if (out) out->insert(0, copy);
    if (!queue.RemoveHead()) {
        SetError(DEV_DEVICE_ERROR);
        return false;
    }
    SetError(queue.IsEmpty() ? DEV_NO_ERROR : DEV_MORE_DATA);
    return true;
}

bool CTREVODevice::ReleaseMessageQueue() {
    while (!m_ReceiveQueue.IsEmpty()) {
        const std::string* head = nullptr;
        if (!m_ReceiveQueue.PeekHead(head)) return false;
        static_cast<void>(m_ReceiveQueue.RemoveHead());
    }
    return !m_pConn || m_pConn->ReleaseWaitingMessages() == BRX_SUCCESS;
}

bool CTREVODevice::UpdateErrorStates(CConnImp* conn) {
    if (!conn) return false;
    m_nLastError = static_cast<std::int16_t>(conn->LastError());
    m_nLastProtocolError = static_cast<std::int16_t>(conn->ProtocolLastError());
    conn->LastErrorMessage(m_strLastError);
    conn->ProtocolLastErrorMessage(m_strLastProtocolError);
    return true;
}

std::int16_t CTREVODevice::GetLastError() {
    return m_pConn ? static_cast<std::int16_t>(m_pConn->LastError()) : -1;
}

std::int16_t CTREVODevice::GetProtocolLastError() {
    return m_pConn ? static_cast<std::int16_t>(m_pConn->ProtocolLastError()) : -1;
}

void CTREVODevice::LastErrorMessage(std::string& text) {
    text.clear();
    if (m_pConn) m_pConn->LastErrorMessage(text);
}

void CTREVODevice::ProtocolLastErrorMessage(std::string& text) {
    text.clear();
    if (m_pConn) m_pConn->ProtocolLastErrorMessage(text);
}

bool CTREVODevice::SetOption(int option, int value) {
    if (m_bConnected != 1 || !m_pConn) return false;
    char text[100];
    char* pointer = text;
    if (option == kDeviceTypeOption) {
        pointer = reinterpret_cast<char*>(static_cast<std::intptr_t>(value));
    } else {
        std::snprintf(text, sizeof text, "%s", value == 1 ? "TRUE" : "FALSE");
    }
    return m_pConn->SetOption(option, pointer) == BRX_SUCCESS;
}

bool CTREVODevice::AccumulateMsg(int accumulate) {
    if (!SetOption(kAccumulateOption, accumulate)) return false;
    m_bAccumulate = accumulate;
    return true;
}

bool CTREVODevice::TranslateMsg(int translate) {
    if (!SetOption(kTranslateOption, translate)) return false;
    m_bTranslate = translate;
    return true;
}

bool CTREVODevice::SetDeviceType(DEVICETYPE type) {
    return SetOption(kDeviceTypeOption, type);
}

// ---- host table ----

bool CTREVODevice::AddHost(const std::string* name, _HOSTTABLE* entry) {
    if (!name || !entry || entry->endSystem != *name || !entry->conn || IsHostConnected(*name))
        return false;
    _HOSTTABLE stored;
    stored.endSystem = *name;
    stored.conn = entry->conn;
    return m_HostTable.SetAt(*name, stored);
}

bool CTREVODevice::RemoveHost(const _HOSTTABLE& entry) {
    if (!IsHostConnected(entry.endSystem)) return false;
    return m_HostTable.RemoveKey(entry.endSystem);
}

bool CTREVODevice::IsHostConnected(const std::string& name) const {
    _HOSTTABLE* entry = nullptr;
    return m_HostTable.Lookup(name, entry);
}

bool CTREVODevice::UpDateHost(const std::string& name, const _HOSTTABLE* entry) {
    _HOSTTABLE* stored = nullptr;
    if (!entry || !m_HostTable.Lookup(name, stored)) return false;
    _HOSTTABLE updated;
    updated.endSystem = stored->endSystem;
    updated.conn = entry->conn;
    updated.lniata = entry->lniata;
    static_cast<void>(m_HostTable.RemoveKey(name));
    return m_HostTable.SetAt(name, updated);
}

bool CTREVODevice::ActivateConnection(const std::string& name) {
    _HOSTTABLE* entry = nullptr;
    if (!m_HostTable.Lookup(Resolve(name), entry)) return false;
    m_strResource = entry->conn->m_Lniata.GetString();
    m_pConn = entry->conn;
    return true;
}

bool CTREVODevice::GetConnection(CConnImp*, const std::string& name) {
    _HOSTTABLE* entry = nullptr;
    if (!m_HostTable.Lookup(Resolve(name), entry)) {
        SetError(DEV_NO_CONNECTION);
        return false;
    }
    m_strResource = entry->conn->m_Lniata.GetString();
    return true;
}

bool CTREVODevice::WaitForConnectSuccess() {
    platform::EventLoop* loop = platform::EventLoop::Current();
    const bool connected =
        m_bConnectPending != 1 ||
        (loop && loop->PumpUntil([this] { return m_bConnectPending != 1; }, kConnectWaitMs));
    if (!connected) SetError(DEV_TIMED_OUT);
    return false;
}

void CTREVODevice::FindLocaleInfo() {
    m_bJapan = IsJapaneseLocale() ? 1 : 0;
}

// ---- callbacks ----

void CTREVODevice::OnConnect(BRXError error) {
    m_nLastError = static_cast<std::int16_t>(error);
    if (error != BRX_SUCCESS) {
        static_cast<void>(UpdateErrorStates(m_PendingHost.conn));
        if (m_PendingHost.conn) Park(m_PendingHost.conn);
        m_PendingHost = _HOSTTABLE{};
        m_bConnectPending = 0;
        if (!m_bChangePending) m_nState = DEV_NOT_CONNECTED;
        m_bConnected = m_HostTable.IsEmpty() ? 0 : 1;
        return;
    }
    m_nState = DEV_CONNECTING;
    m_bConnected = 1;
    m_bConnectPending = 1;
    if (m_bChangePending) static_cast<void>(ActivateConnection(m_strChangeTarget));
}

void CTREVODevice::OnResource(CConnImp* conn, std::string lniata, int isNew) {
    if (isNew == 1 && m_bConnectPending && conn && conn == m_PendingHost.conn) {
        static_cast<void>(m_PendingHost.lniata.SetString(lniata));
        static_cast<void>(AddHost(&m_PendingHost.endSystem, &m_PendingHost));
        if (m_HostTable.GetCount() == 1) m_strHomeEndSystem = m_PendingHost.endSystem;
        m_pConn = m_PendingHost.conn;
        static_cast<void>(m_pConn->m_Lniata.SetString(lniata));
        m_PendingHost = _HOSTTABLE{};
        m_bConnectPending = 0;
        m_nState = DEV_IDLE;
        m_strResource = lniata;
        return;
    }
    if (conn && conn == m_pConn) {
        static_cast<void>(conn->m_Lniata.SetString(lniata));
        m_strResource = conn->m_Lniata.GetString();
        _HOSTTABLE* entry = nullptr;
        if (m_HostTable.Lookup(conn->m_EndSystem, entry)) {
            _HOSTTABLE updated = *entry;
            updated.lniata = conn->m_Lniata;
            static_cast<void>(UpDateHost(conn->m_EndSystem, &updated));
        }
        m_nState = DEV_IDLE;
    } else if (conn) {
        static_cast<void>(conn->m_Lniata.SetString(lniata));
    }
}

void CTREVODevice::OnDisconnect(CConnImp* conn, BRXError) {
    if (conn && conn == m_pConn) {
        _HOSTTABLE gone;
        gone.endSystem = conn->m_EndSystem;
        static_cast<void>(RemoveHost(gone));
        m_pConn = nullptr;
        Park(conn);
        _HOSTTABLE* first = nullptr;
        if (!m_HostTable.GetFirst(first)) {
            m_bConnected = 0;
            m_nState = DEV_NOT_CONNECTED;
        } else {
            // The Resource property tells the address of the connection now current.
            m_pConn = first->conn;
            m_strResource = m_pConn->m_Lniata.GetString();
            m_bConnected = 1;
            m_nState = DEV_IDLE;
        }
        m_bDisconnected = 1;
    } else if (conn && conn == m_PendingHost.conn) {
        // A connection lost before it became current ends its attempt, so that a new
        // connect is not refused as pending for ever.
        Park(conn);
        m_PendingHost = _HOSTTABLE{};
        m_bConnectPending = 0;
        if (!m_pConn) {
            m_bConnected = 0;
            m_nState = DEV_NOT_CONNECTED;
        }
    } else if (conn && m_pConn) {
        _HOSTTABLE gone;
        gone.endSystem = conn->m_EndSystem;
        static_cast<void>(RemoveHost(gone));
        Park(conn);
        m_bConnected = 1;
        m_nState = DEV_IDLE;
        m_bDisconnected = 1;
    } else {
        m_bConnected = 0;
        m_nState = DEV_NOT_CONNECTED;
    }
}

void CTREVODevice::OnSend(CConnImp* conn, BRXError error) {
    if (conn && conn == m_pConn) m_nLastError = static_cast<std::int16_t>(error);
}

void CTREVODevice::OnReceive(CConnImp* conn, BRXError error, std::string* text) {
    m_nLastError = static_cast<std::int16_t>(error);
    if (error == BRX_SUCCESS && conn && conn == m_pConn && text && !text->empty()) {
        static_cast<void>(m_ReceiveQueue.Add(*text));
    }
}

void CTREVODevice::OnSystemAvailable(int available) {
    m_nLastError = available ? DEV_NO_ERROR : DEV_HOST_UNAVAILABLE;
}

bool IsJapaneseLocale() {
    const char* names[] = {"LC_ALL", "LC_CTYPE", "LANG"};
    for (const char* name : names) {
        const char* value = std::getenv(name);
        if (!value || !*value) continue;
        const std::string locale(value);
        const std::size_t underscore = locale.find('_');
        if (underscore == std::string::npos) return false;
        return locale.compare(underscore + 1, 2, "JP") == 0 &&
               (locale.size() == underscore + 3 || locale[underscore + 3] == '.' ||
                locale[underscore + 3] == '@');
    }
    return false;
}

}  // namespace hostcontrol
