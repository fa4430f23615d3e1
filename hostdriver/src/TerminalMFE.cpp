#include "hostdriver/TerminalMFE.h"

#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "hostdriver/DesktopPayload.h"
#include "hostdriver/DirectoryClient.h"
#include "hostdriver/HostCode.h"
#include "hostdriver/HostDrvInt.h"
#include "hostdriver/HostErrors.h"
#include "hostdriver/HostSession.h"
#include "hostdriver/HostSessionList.h"
#include "hostdriver/HostSocket.h"
#include "platform/MachineRoot.h"

namespace quildrv {

namespace {

constexpr EPRIORITY kError = UTKLogger::CPriority::ERROR;
constexpr EPRIORITY kInfo = UTKLogger::CPriority::INFO;
constexpr EPRIORITY kDebug = UTKLogger::CPriority::DEBUG;

bool SameHost(const std::string& a, const char* b) {
    return b != nullptr && ::strcasecmp(a.c_str(), b) == 0;
}

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// 0 or 1 from a state text; anything else 0.
int StateNumber(const std::string& text) {
    return text == "1" ? 1 : 0;
}

}  // namespace

CTerminalMFE::CTerminalMFE() : CMFEBase("CTerminalMFE") {}

CTerminalMFE::~CTerminalMFE() {
    StopIdleTimer();
    std::vector<std::unique_ptr<CHostSession>> sessions = TakeSessions();
    // Unlisted outside the session-list lock: a delivery that holds a registry entry may be
    // waiting for that lock.
    if (CHostSessionList* registry = CurrentSessionRegistry())
        for (auto& session : sessions) registry->Unregister(session->RegistryIndex());
    sessions.clear();
    m_hostInfo.Clear();
}

std::vector<std::unique_ptr<CHostSession>> CTerminalMFE::TakeSessions() {
    UTKTools::CGuard guard(m_sessionLock);
    m_active = nullptr;
    return std::move(m_sessions);
}

// ---- configuration ----------------------------------------------------------------------

int CTerminalMFE::GetPort() {
    const int cached = m_port.load();
    if (cached != 0) return cached;
    const std::string text = Config(nullptr, "PORT", 16);
    if (text.empty()) return 30031;
    const int port = std::atoi(text.c_str());
    m_port = port;
    return port;
}

std::uint32_t CTerminalMFE::IdleLimitFromText(const std::string& text) {
    char* end = nullptr;
    const long minutes = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || end == text.c_str() || minutes <= 0 || minutes > 71582)
        return kDefaultIdleMs;
    return static_cast<std::uint32_t>(minutes) * 60000u;
}

bool CTerminalMFE::GetKeepAlive() {
    return m_forcedKeepAlive.load() || CachedNumber("KEEPALIVE", 0) == 1;
}

const char* CTerminalMFE::GetConfiguredLNIATA() {
    return ConfiguredLniata();
}

bool CTerminalMFE::OnGetCfgInfo(const char* section, const char* key, char* buffer,
                                unsigned int* length) {
    CHostDrvInt* driver = GetHostDrvInterface();
    return driver != nullptr && driver->OnGetCfgInfo(section, key, buffer, length);
}

bool CTerminalMFE::OnStoreCfgInfo(const char* section, const char* key, const char* value,
                                  unsigned int length) {
    CHostDrvInt* driver = GetHostDrvInterface();
    return driver != nullptr && driver->OnStoreCfgInfo(section, key, value, length);
}

// ---- host list ----------------------------------------------------------------------------

std::string CTerminalMFE::HostOf(CHostSession* session) {
    return session != nullptr ? session->HostSystem() : std::string();
}

bool CTerminalMFE::IsDefaultHost(const std::string& host) {
    return SameHost(host, GetDefaultHost());
}

void CTerminalMFE::SetHostState(int state, const char* host) {
    if (host != nullptr) m_hostInfo.SetState(host, state);
}

int CTerminalMFE::GetHostState(const char* host) {
    return host != nullptr ? m_hostInfo.State(host) : CHostInfoTable::kNoCluster;
}

int CTerminalMFE::GetHostSessionState(const char* host, CHostSession* session) {
    if (session == nullptr || GetHostDrvInterface() == nullptr || host == nullptr) return 0;
    const int state = GetHostState(host);
    if (state != CHostInfoTable::kNoCluster) return state;
    if (session->DefaultFlag() == 1) return StateNumber(SessionValue("STATE", 4));
    const std::string list = SessionValue("OTHERHOSTS", 512);
    const std::optional<std::string> field = EntryField(EntryOf(list, host), "STATE");
    return field ? StateNumber(*field) : 0;
}

void CTerminalMFE::RemoveOtherHost(const std::string& host) {
    StoreSessionValue("OTHERHOSTS", RemoveEntry(SessionValue("OTHERHOSTS", 1024), host));
}

void CTerminalMFE::AddHostToOtherHostList(CHostSession* session) {
    if (session == nullptr || session->DefaultFlag() == 1) {
        Trace(kError, "AddHostToOtherHostList",
              "!pHost || pHost->m_iDefaultConnection == 1. returning");
        return;
    }
    const std::string host = HostOf(session);
    const int state = session->SessionState() & 0x0F;
    const Lid lid = session->LidBytes();
    const Rid rid = session->RidBytes();
    SetHostState(state, host.c_str());
    m_hostInfo.SetDomainLid(host, lid);
    m_hostInfo.SetDomainRid(host, rid);
    const std::string list = SessionValue("OTHERHOSTS", 1024);
    StoreSessionValue("OTHERHOSTS",
                      ReplaceEntry(list, host, OtherHostEntry(host, state, lid, rid)));
    Trace(kInfo, "AddHostToOtherHostList", "OTHERHOSTS stored. returning");
}

void CTerminalMFE::OnStoreSessionChanges(const char* key, const char* data, unsigned int length,
                                         CHostSession* session) {
    const char* method = "OnStoreSessionChanges";
    if (session == nullptr || key == nullptr) {
        Trace(kError, method, "pParam is NULL! returning.");
        return;
    }
    if (GetHostDrvInterface() == nullptr) {
        Trace(kError, method, "No host driver interface found! returning.");
        return;
    }
    const std::string value = data != nullptr ? std::string(data, length) : std::string();
    if (std::strcmp(key, "ACTIVEHOST") == 0) {
        StoreSessionValue("ACTIVEHOST", value);
        Trace(kInfo, method, "ACTIVEHOST. returning.");
        return;
    }
    const std::string host = HostOf(session);
    const bool isState = std::strncmp(key, "STATE", 5) == 0;
    const bool isLid = std::strncmp(key, "LID", 3) == 0;
    const bool isRid = std::strcmp(key, "RID") == 0;
    if (session->DefaultFlag() == 1) {
        if (std::strcmp(key, "REMOVE") == 0) {
            StoreSessionValue("LID", "");
            StoreSessionValue("RID", "");
            StoreSessionValue("STATE", "0");
            StoreSessionValue("ACTIVEHOST", "");
            Trace(kInfo, method, "REMOVE. returning.");
        } else if (std::strcmp(key, "OTHERHOSTS") == 0) {
            Trace(kInfo, method, "OTHERHOSTS. returning.");
        } else if (isState) {
            const int state = std::atoi(value.c_str());
            SetHostState(state, host.c_str());
            StoreSessionValue("STATE", value);
            SetHostState(state, host.c_str());
            Trace(kInfo, method, "STATE. returning.");
        } else if (isLid && length >= 4) {
            Lid lid{};
            std::memcpy(lid.data(), data, 4);
            m_hostInfo.SetDomainLid(host, lid);
            StoreSessionValue("LID", LidText(lid));
            Trace(kInfo, method, "LID. returning.");
        } else if (isRid && length >= 3) {
            Rid rid{};
            std::memcpy(rid.data(), data, 3);
            m_hostInfo.SetDomainRid(host, rid);
            StoreSessionValue("RID", RidText(rid));
            Trace(kInfo, method, "RID. returning.");
        } else {
            Trace(kInfo, method, "Default connection. returning.");
        }
        return;
    }
    if (std::strcmp(key, "REMOVE") == 0) {
        RemoveOtherHost(host);
        Trace(kInfo, method, "non-default session REMOVE. returning.");
    } else if (isState || isLid || isRid || std::strcmp(key, "OTHERHOSTS") == 0) {
        AddHostToOtherHostList(session);
        Trace(kInfo, method, "non-default session %s. returning.", key);
    } else {
        Trace(kInfo, method, "non-default session. returning.");
    }
}

// ---- RID, LID and PAIDs ----------------------------------------------------------------------

unsigned char* CTerminalMFE::GetRID(const char* host) {
    const char* method = "GetRID";
    std::optional<Rid> rid;
    const char* from = "";
    if (host != nullptr && (rid = m_hostInfo.DomainRid(host))) {
        from = "Got Rid from Domain.";
    } else if (host != nullptr && !IsDefaultHost(host)) {
        const std::string list = SessionValue("OTHERHOSTS", 1024);
        if (auto field = EntryField(EntryOf(list, host), "RID")) rid = RidFromText(*field);
        from = "Got Rid from from non-default host.";
    } else {
        rid = RidFromText(SessionValue("RID", 10));
        from = "Got Rid from default host.";
        if (!rid) Trace(kInfo, method, "Got Empty Rid from default host. returning NULL!");
    }
    if (!rid) {
        Trace(kInfo, method, "returning NULL!");
        return nullptr;
    }
    auto* out = static_cast<unsigned char*>(std::malloc(3));
    if (out == nullptr) {
        Trace(kError, method, "Unable to allocate memory for RID. returning NULL!");
        return nullptr;
    }
    std::memcpy(out, rid->data(), 3);
    Trace(kInfo, method, "%s returning %s!", from, RidText(*rid).c_str());
    return out;
}

std::uint32_t CTerminalMFE::GetLID(const char* host) {
    const char* method = "GetLID";
    if (host != nullptr) {
        if (auto lid = m_hostInfo.DomainLid(host)) {
            Trace(kInfo, method, "!ClientPooled GetDomainLID. returning %s", LidText(*lid).c_str());
            return LidNumber(*lid);
        }
    }
    if (host == nullptr || IsDefaultHost(host)) {
        if (auto lid = LidFromText(SessionValue("LID", 10))) {
            Trace(kInfo, method, "Default host. OnGetSessionData. returning %s",
                  LidText(*lid).c_str());
            return LidNumber(*lid);
        }
    } else {
        const std::string list = SessionValue("OTHERHOSTS", 1024);
        if (auto field = EntryField(EntryOf(list, host), "LID"))
            if (auto lid = LidFromText(*field)) {
                Trace(kInfo, method, "OTHERHOSTS LID. returning %s", LidText(*lid).c_str());
                return LidNumber(*lid);
            }
    }
    const std::string lniata = ConfiguredLniata();
    std::lock_guard lock(m_lniataLock);
    if (!m_generatedLid) m_generatedLid = NewLid(lniata.c_str());
    Trace(kInfo, method, "LID generated. returning %8.8X", *m_generatedLid);
    return *m_generatedLid;
}

const char* CTerminalMFE::ConfiguredLniata() {
    std::lock_guard lock(m_lniataLock);
    if (m_lniata.empty()) m_lniata = Config(nullptr, "LNIATA", 7);
    return m_lniata.c_str();
}

std::optional<std::string> CTerminalMFE::GetDomainName(const char* paid) {
    const char* method = "GetDomainName";
    if (paid == nullptr) {
        Trace(kError, method, "pPAID is NULL! returning NULL");
        return std::nullopt;
    }
    std::optional<std::string> host = m_hostInfo.Resolve(paid);
    if (host)
        Trace(kInfo, method, "returning %s", host->c_str());
    else
        Trace(kError, method, "Unable to resolve domain name %s. returning NULL", paid);
    return host;
}

bool CTerminalMFE::GetListOfPaidsFromLDAP(const std::string& path) {
    const char* method = "GetListOfPaidsFromLDAP";
    const std::string address = Config("GLOBAL", "LDAPADDR", 128);
    if (address.empty()) {
        Trace(kError, method, "Unable to obtain LDAP address setting! returning false");
        return false;
    }
    std::string port = Config("GLOBAL", "LDAPPORT", 32);
    if (port.empty()) port = "389";
    std::string parts[3];
    const char* keys[3] = {"CN", "OU", "O"};
    for (int i = 0; i < 3; ++i) {
        parts[i] = RouteOrGlobal(keys[i], 64);
        if (parts[i].empty()) {
            Trace(kError, method, "Unable to obtain LDAP %s setting! returning false", keys[i]);
            return false;
        }
    }
    const std::string base = "cn=" + parts[0] + ",ou=" + parts[1] + ",o=" + parts[2];
    const std::string timeoutText = RouteOrGlobal("LDAPCONNECTTIMEOUT", 8);
    int timeout = std::atoi(timeoutText.c_str());
    if (timeout > 0) {
        Trace(kInfo, method, "LDAPCONNECTTIMEOUT=%d", timeout);
    } else {
        timeout = 3;
        Trace(kInfo, method, "Default LDAPCONNECTTIMEOUT=%d", timeout);
    }
    std::unique_ptr<CDirectoryClient> client = MakeDirectoryClient();
    if (!client || !client->Connect(address, std::atoi(port.c_str()), base, timeout)) {
        Trace(kError, method, "LDAP Init failed!");
        if (client) client->Close();
        return false;
    }
    Trace(kDebug, method, "LDAP Init Succeeded");
    if (client->Search({"quil-hostname", "quil-host", "quil-cluster"})) {
        std::vector<HostInfoRecord> records;
        do {
            const auto first = [&client](const char* attribute) {
                std::vector<std::string> values = client->GetValues(attribute);
                return values.empty() ? std::string() : Upper(values.front());
            };
            HostInfoRecord record{first("quil-host"), first("quil-hostname"),
                                  first("quil-cluster")};
            if (record.paid.empty() || record.host.empty() || record.cluster.empty()) {
                Trace(kError, method, "entry without all three attributes skipped");
                continue;
            }
            records.push_back(std::move(record));
        } while (client->NextEntry());
        if (!records.empty()) {
            std::ofstream file(path, std::ios::binary | std::ios::trunc);
            for (const HostInfoRecord& record : records) {
                file << HostInfoLine(record);
                m_hostInfo.Add(record);
            }
            if (!file) Trace(kError, method, "Could not write %s", path.c_str());
        }
    }
    client->Close();
    if (m_hostInfo.Empty()) {
        Trace(kError, method, "PaidsMgr is empty. returning false");
        return false;
    }
    Trace(kInfo, method, "returning true");
    return true;
}

// ---- Init and sessions -----------------------------------------------------------------------

bool CTerminalMFE::Init() {
    const char* method = "Init";
    (void)GetPort();
    m_registry = GetSessionRegistry();
    if (m_registry == nullptr) {
        Trace(kError, method, "Could not allocate CHostSessionList. returning false");
        return false;
    }
    m_conxVerify = ::strcasecmp(RouteOrGlobal("DEFAULTCONXVERIFY", 10).c_str(), "TRUE") == 0;
    m_devSet = Config(nullptr, "DEVSET", 2) == "1";
    std::string path = RouteOrGlobal("HOSTINFO", 256);
    if (path.empty()) path = (platform::WindowsDir() / "HOSTINFO.TXT").string();
    if (std::atoi(Config(nullptr, "NOLDAP", 2).c_str()) == 0) {
        if (GetListOfPaidsFromLDAP(path)) {
            Trace(kInfo, method, "GetListOfPaidsFromLDAP succeeeded! returning true");
            return true;
        }
        if (!m_hostInfo.Empty()) {
            Trace(kInfo, method, "local host info found! returning true");
            return true;
        }
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        Trace(kError, method, "Could not open %s. returning true", path.c_str());
        return true;
    }
    m_hostInfo.Load(file);
    Trace(kInfo, method, "returning true");
    return true;
}

std::size_t CTerminalMFE::SessionCount() {
    UTKTools::CGuard guard(m_sessionLock);
    return m_sessions.size();
}

CHostSession* CTerminalMFE::FindSession(const std::string& host) {
    UTKTools::CGuard guard(m_sessionLock);
    for (auto& session : m_sessions)
        if (SameHost(session->HostSystem(), host.c_str())) return session.get();
    return nullptr;
}

CHostSession* CTerminalMFE::GetSessionObject(const char* host) {
    const char* method = "GetSessionObject";
    std::string name;
    if (host != nullptr) {
        name = host;
    } else if (char* active = GetActiveHost()) {
        name = active;
        std::free(active);
    } else {
        name = GetDefaultHost();
    }
    if (name.empty()) {
        Trace(kError, method, "Could not get active or default host! returning NULL");
        return nullptr;
    }
    UTKTools::CGuard guard(m_sessionLock);
    if (CHostSession* found = FindSession(name)) {
        m_active = found;
        Trace(kInfo, method, "returning m_pActiveHostSession(%p)", static_cast<void*>(found));
        return found;
    }
    auto session = std::make_unique<CHostSession>(this);
    if (!session->Init()) {
        Trace(kError, method,
              "Unable to initialize the active host session! returning "
              "m_pActiveHostSession(NULL)");
        return nullptr;
    }
    CHostSession* raw = session.get();
    if (m_registry == nullptr || !m_registry->Register(raw)) return nullptr;
    m_sessions.push_back(std::move(session));
    if (raw->BeginSession(name.c_str(), static_cast<std::uint32_t>(GetPort())) != COMM_NO_ERROR) {
        m_registry->Unregister(raw->RegistryIndex());
        m_sessions.pop_back();
        Trace(kError, method, "Unable to begin session! returning m_pActiveHostSession(NULL)");
        return nullptr;
    }
    OnStoreSessionChanges("OTHERHOSTS", "", 0, raw);
    m_active = raw;
    Trace(kInfo, method, "returning m_pActiveHostSession(%p)", static_cast<void*>(raw));
    return raw;
}

void CTerminalMFE::BuildRegistrationPayload() {
    std::string text = DesktopPayloadText();
    text += ",BRXAPI.OCX";
    std::optional<std::vector<std::uint8_t>> code = ToHostCode(text);
    std::lock_guard lock(m_payloadLock);
    if (!code) {
        Trace(kError, "InitAllHosts",
              "Client Registration Payload translation error, setting payload to NULL");
        m_payload.clear();
        return;
    }
    Trace(kInfo, "InitAllHosts", "Client Registration Payload generated");
    m_payload = std::move(*code);
    m_registrationPending = true;
}

void CTerminalMFE::SendPayload(CHostSession* session) {
    std::vector<std::uint8_t> payload;
    {
        std::lock_guard lock(m_payloadLock);
        payload = m_payload;
    }
    (void)session->SendToHost(payload.data(), static_cast<std::uint32_t>(payload.size()));
}

int CTerminalMFE::RecordSessionState(CHostSession* session, const std::string& host,
                                     bool intoSession) {
    const int state = GetHostSessionState(host.c_str(), session);
    SetHostState(state, host.c_str());
    if (intoSession) session->SetSessionState(static_cast<std::uint16_t>(state));
    return state;
}

void CTerminalMFE::NotifyRegistered(CHostSession* session) {
    m_registrationPending = false;
    OnResource(session->LNIATA());
    OnConnect(COMM_NO_ERROR, session->DefaultFlag() != 0);
}

bool CTerminalMFE::InitAllHosts() {
    const char* method = "InitAllHosts";
    BuildRegistrationPayload();
    const int port = GetPort();
    for (const std::string& host : EntryHosts(SessionValue("OTHERHOSTS", 2048))) {
        CHostSession* session = GetSessionObject(host.c_str());
        if (session == nullptr) continue;
        const int state = GetHostSessionState(host.c_str(), session);
        SetHostState(state, host.c_str());
        if (state == 0 || port != 30031) SendPayload(session);
    }
    m_connectPending = true;
    const std::string defaultHost = GetDefaultHost();
    std::string activeHost;
    if (char* active = GetActiveHost()) {
        activeHost = active;
        std::free(active);
    }
    if (activeHost.empty()) {
        CHostSession* session = GetSessionObject(defaultHost.c_str());
        if (session == nullptr) {
            Trace(kError, method, "Could not find the active host session! returning false");
            return false;
        }
        const int state = RecordSessionState(session, defaultHost, false);
        m_hostInfo.SetDomainLid(defaultHost, session->LidBytes());
        m_hostInfo.SetDomainRid(defaultHost, session->RidBytes());
        if (state == 0) SendPayload(session);
        return true;
    }
    const bool isDefault =
        ::strncasecmp(activeHost.c_str(), defaultHost.c_str(), defaultHost.size()) == 0;
    const std::string& host = isDefault ? defaultHost : activeHost;
    CHostSession* session = GetSessionObject(host.c_str());
    if (session == nullptr) {
        Trace(kError, method,
              isDefault ? "Could not find the default host session! returning false"
                        : "Could not find the active host session! returning false");
        return false;
    }
    if (RecordSessionState(session, host, true) == 0)
        SendPayload(session);
    else
        NotifyRegistered(session);
    Trace(kInfo, method, "returning true");
    return true;
}

int CTerminalMFE::BeginSession() {
    const char* method = "BeginSession";
    Trace(kDebug, method, "called!");
    const int port = GetPort();
    if (m_registry == nullptr) m_registry = GetSessionRegistry();
    ForgetCachedTexts();
    if (!GetKeepAlive()) {
        m_idleLimitMs = IdleLimitFromText(Config(nullptr, "IDLETIMEOUT", 10));
        StartIdleTimer();
    }
    Trace(kDebug, method, "calling GetActiveHost()");
    std::string host;
    if (char* active = GetActiveHost()) {
        host = active;
        std::free(active);
    }
    if (host.empty()) host = GetDefaultHost();
    if (host.empty()) {
        Trace(kError, method, "No default host found: returning COMM_ERR_BADAPIOPTION!");
        return COMM_ERR_BADAPIOPTION;
    }
    if (port == 0) {
        Trace(kError, method, "Invalid port found: returning COMM_ERR_BADAPIOPTION!");
        return COMM_ERR_BADAPIOPTION;
    }
    (void)InitAllHosts();
    if (char* active = GetActiveHost()) {
        host = active;
        std::free(active);
    }
    CHostSession* session = GetSessionObject(host.c_str());
    if (session == nullptr) {
        Trace(kError, method, "returning COMM_CONNECT_FAILED!");
        return COMM_CONNECT_FAILED;
    }
    session->SetActive(true);
    const int rc = GetHostState(host.c_str()) == 1 ? COMM_NO_ERROR : COMM_WAITING;
    StoreSessionValue("ACTIVEHOST", HostOf(session));
    Trace(rc == 0 ? kInfo : kError, method, "returning %d!", rc);
    return rc;
}

int CTerminalMFE::EndSession() {
    StopIdleTimer();
    // Ended outside the session-list lock (see the destructor).
    std::vector<std::unique_ptr<CHostSession>> sessions = TakeSessions();
    for (auto& session : sessions) {
        if (session->DefaultFlag() == 1) {
            (void)OnStoreCfgInfo(nullptr, "DEBUG", "0", 1);
            (void)OnStoreCfgInfo(nullptr, "ENDTOENDLOGGING", "0", 1);
        }
        const std::string host = HostOf(session.get());
        if (GetHostState(host.c_str()) != 0) {
            (void)session->EndSession(true);
            if (session->SessionState() != 1) OnStoreSessionChanges("REMOVE", "", 0, session.get());
        } else {
            OnStoreSessionChanges("REMOVE", "", 0, session.get());
        }
        if (m_registry != nullptr) m_registry->Unregister(session->RegistryIndex());
    }
    sessions.clear();
    m_registry = nullptr;
    Trace(kInfo, "EndSession", "returning 0!");
    return COMM_NO_ERROR;
}

// ---- idle time-out and keep-alive --------------------------------------------------------------

void CTerminalMFE::StartIdleTimer() {
    std::lock_guard lock(m_idleLock);
    if (m_idleTimer) return;
    m_idleTimer = std::make_unique<CIdleTimer>(this);
    m_idleTimer->Register();
}

void CTerminalMFE::StopIdleTimer() {
    std::unique_ptr<CIdleTimer> timer;
    {
        std::lock_guard lock(m_idleLock);
        timer = std::move(m_idleTimer);
    }
    // Unlisting waits for a running idle pass, so it happens without the idle lock.
    timer.reset();
}

void CTerminalMFE::TouchIdleTimer() {
    std::lock_guard lock(m_idleLock);
    if (m_idleTimer) m_idleTimer->Reset();
}

bool CTerminalMFE::HasIdleTimer() {
    std::lock_guard lock(m_idleLock);
    return m_idleTimer != nullptr;
}

void CTerminalMFE::IdleTimeoutExpired() {
    {
        UTKTools::CGuard guard(m_sessionLock);
        for (auto& session : m_sessions)
            if (session->SessionState() != CHostSession::kBegin) (void)session->EndSession(false);
    }
    Trace(kInfo, "IdleTimeoutExpired", "idle sessions ended");
    StopIdleTimer();
}

void CTerminalMFE::ForceKeepAlive() {
    m_forcedKeepAlive = true;
    StopIdleTimer();
    if (CHostSessionList* registry = CurrentSessionRegistry()) registry->StartKeepAliveAll();
}

// ---- traffic --------------------------------------------------------------------------------

std::vector<std::uint8_t> CTerminalMFE::AddressBytes() {
    UTKTools::CGuard guard(m_sessionLock);
    CHostSession* active = m_active.load();
    if (active == nullptr) return {0, 0, 0};
    const Rid rid = active->RidBytes();
    return {rid.begin(), rid.end()};
}

bool CTerminalMFE::Enqueue(std::vector<std::uint8_t> message) {
    std::lock_guard lock(m_queueLock);
    m_queue.push_back(std::move(message));
    return true;
}

void CTerminalMFE::QueueMessage(std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> message = AddressBytes();
    message.insert(message.end(), data.begin(), data.end());
    Enqueue(std::move(message));
}

void CTerminalMFE::QueueErrorMessage(std::span<const std::uint8_t> data) {
    QueueMessage(ErrorMessage(data));
}

void CTerminalMFE::QueueReplacementMessage(std::span<const std::uint8_t> text,
                                           std::span<const std::uint8_t> replaced) {
    QueueMessage(ReplacementMessage(text, replaced));
}

int CTerminalMFE::SendToHost(const unsigned char* data, unsigned int length) {
    const char* method = "SendToHost";
    m_clientHasSent = true;
    if (!GetKeepAlive() && !HasIdleTimer()) StartIdleTimer();
    const bool switching = data != nullptr && length >= 2 && data[0] == 0x7C && data[1] == 0x7C;
    const auto sendActive = [&](const char* text) {
        TouchIdleTimer();
        UTKTools::CGuard guard(m_sessionLock);
        CHostSession* active = m_active.load();
        const int rc = active != nullptr ? active->SendToHost(data, length) : COMM_CONNECT_FAILED;
        Trace(rc == 0 ? kInfo : kError, method, "%s %d", text, rc);
        return rc;
    };
    if (!switching) return sendActive("returning");
    if (length == 2) return sendActive("@@ with no PAID returning");
    const std::optional<std::string> paid = ToClientText({data + 2, length >= 3 ? length - 3 : 0});
    if (!paid) {
        Trace(kError, method, "@@ translation failed");
        Trace(kError, method, "returning COMM_ERR_TRANLATION_FAILED!");
        return COMM_ERR_TRANLATION_FAILED;
    }
    std::optional<std::string> host;
    if (m_devSet && CHostSocket::IsDottedAddress(paid->c_str()))
        host = *paid;
    else
        host = GetDomainName(paid->c_str());
    if (!host) {
        if (!m_devSet) Trace(kError, method, "pDomainName is NULL! returning!");
        return sendActive("@@ with unresolved domain name sent to host. returning");
    }
    UTKTools::CGuard guard(m_sessionLock);
    CHostSession* previous = m_active.load();
    CHostSession* session = GetSessionObject(host->c_str());
    if (session == nullptr) {
        m_active = previous;
        QueueMessage(kHostUnreachable);
        OnReceive(COMM_NO_ERROR);
        return COMM_NO_ERROR;
    }
    session->SetActive(true);
    StoreSessionValue("ACTIVEHOST", *host);
    TouchIdleTimer();
    const int rc = session->SendToHost(data, length);
    Trace(rc == 0 ? kInfo : kError, method, "@@ returning %d!", rc);
    return rc;
}

void CTerminalMFE::OnHostData(unsigned char* data, unsigned int length, CHostSession* /*session*/) {
    const char* method = "OnHostData";
    TouchIdleTimer();
    if (data == nullptr) return;
    if (length == 6 && data[3] == 0xF9 && data[4] == 0x6C) ForceKeepAlive();
    if (m_registrationPending.exchange(false)) {
        Trace(kInfo, method,
              "Client Registration BEGIN Packet payload response received for LNIATA (%s)",
              ConfiguredLniata());
        std::free(data);
        return;
    }
    if (!m_clientHasSent) {
        std::free(data);
        Trace(kInfo, method, "returning! message not sent!");
        return;
    }
    Enqueue(std::vector<std::uint8_t>(data, data + length));
    std::free(data);
    OnReceive(COMM_NO_ERROR);
}

int CTerminalMFE::RecvFromHost(unsigned char** data, unsigned int* length) {
    const char* method = "RecvFromHost";
    if (data == nullptr || length == nullptr) return COMM_ERR_BADINPUT;
    std::lock_guard lock(m_queueLock);
    if (m_queue.empty()) {
        m_lastError = COMM_NO_RECV_DATA;
        Trace(kInfo, method, "returning COMM_NO_RECV_DATA!");
        return COMM_NO_RECV_DATA;
    }
    const std::vector<std::uint8_t>& message = m_queue.front();
    auto* block = static_cast<unsigned char*>(std::calloc(message.size() + 1, 1));
    if (block == nullptr) {
        Trace(kError, method, "returning COMM_ERR_UNKNOWN!");
        return COMM_ERR_UNKNOWN;
    }
    std::memcpy(block, message.data(), message.size());
    *data = block;
    *length = static_cast<unsigned int>(message.size());
    m_queue.pop_front();
    return COMM_NO_ERROR;
}

int CTerminalMFE::AddBufferToChain(const unsigned char* data, unsigned int length) {
    std::vector<std::uint8_t> message = AddressBytes();
    if (data != nullptr) message.insert(message.end(), data, data + length);
    message.push_back(0);
    Enqueue(std::move(message));
    return COMM_NO_ERROR;
}

void CTerminalMFE::OnURLAddress(const unsigned char* /*data*/, unsigned int /*length*/) {
    ForceKeepAlive();
    static constexpr std::uint8_t kKeepAliveAsked[] = {0xF9, 0x6C, 0x4E};
    QueueMessage(kKeepAliveAsked);
    OnReceive(COMM_NO_ERROR);
}

void CTerminalMFE::OnConnect(int code, bool flag) {
    if (!flag || !m_connectPending.exchange(false)) return;
    CHostDrvInt* driver = GetHostDrvInterface();
    if (driver == nullptr) return;
    try {
        if (!m_conxVerify && GetPort() == 30031) {
            driver->OnHostAvailable(true);
            driver->OnConnect(COMM_NO_ERROR);
        } else {
            driver->OnHostAvailable(code == COMM_NO_ERROR);
            driver->OnConnect(code);
        }
    } catch (...) {
        Trace(kError, "OnConnect", "exception caught!");
    }
}

int CTerminalMFE::BackGroundConnect(unsigned char* host) {
    const char* method = "BackGroundConnect";
    UTKTools::CGuard guard(m_sessionLock);
    CHostSession* previous = m_active.load();
    CHostSession* session = GetSessionObject(reinterpret_cast<const char*>(host));
    if (session == nullptr) {
        m_active = previous;
        Trace(kError, method, "Invalid Active Host Session: returning COMM_CONNECT_FAILED!");
        return COMM_CONNECT_FAILED;
    }
    session->SetActive(true);
    StoreSessionValue("ACTIVEHOST", HostOf(session));
    TouchIdleTimer();
    m_connectPending = true;
    return session->SendToHost(nullptr, 0);
}

bool CTerminalMFE::SetDrvOptions(int option, int value) {
    {
        UTKTools::CGuard guard(m_sessionLock);
        for (auto& session : m_sessions) (void)session->SetSessionOptions(option, value);
    }
    switch (option) {
        case 2:
            SetCachedNumber("ENDTOENDLOGGING", value);
            break;
        case 3:
            SetCachedNumber("DEBUG", value);
            break;
        case 4:
            if (value != 0 && value != 1) return false;
            SetCachedNumber("SEGMENTOVERRIDE", value);
            break;
        case 5:
            m_replaceErrors = value == 1;
            break;
        default:
            break;
    }
    return true;
}

bool CTerminalMFE::OnHandleError(CHostSession* session, const unsigned char* data,
                                 unsigned int length) {
    const char* method = "OnHandleError";
    if (session == nullptr) {
        Trace(kError, method, "!pHostSess. returning false!");
        return false;
    }
    const std::span<const std::uint8_t> message(data, data != nullptr ? length : 0);
    const HostErrorClass error = ClassifyHostError(message);
    const std::string host = HostOf(session);
    const int port = static_cast<int>(session->Port());
    int state = session->SessionState();
    switch (state) {
        case CHostSession::kBegin:
            if (error.kind == 8 || error.kind == 12) {
                state = 1;
            } else {
                session->ResetSocket();
                state = 0;
            }
            break;
        case CHostSession::kMaintain:
            if (error.kind == 3) {
                session->ResetSocket();
                state = 0;
                if (port == 30030 && session->DefaultFlag() == 1) {
                    StoreSessionValue("RID", "");
                    StoreSessionValue("LID", "");
                }
            } else if (error.kind == 5) {
                session->SetReplacementMark(0);
                (void)session->EndSession(false);
                session->SetSessionState(CHostSession::kBegin);
                SetHostState(0, host.c_str());
                (void)session->SendToHost(nullptr, 0);
                state = 0;
            }
            break;
        default: {
            static constexpr int kStayKinds[] = {7, 13, 14, 16, 18, 19};
            state = 0;
            for (const int kind : kStayKinds)
                if (error.kind == kind) state = 1;
            break;
        }
    }
    session->SetSessionState(static_cast<std::uint16_t>(state));
    SetHostState(state, host.c_str());
    const char digit[2] = {static_cast<char>('0' + state), 0};
    OnStoreSessionChanges("STATE", digit, 1, session);
    if (!m_clientHasSent) return true;
    if (m_replaceErrors) {
        if (session->ReplacementMark() != 0xFF)
            QueueReplacementMessage(kHostSessionErrorText, message);
        else
            QueueErrorMessage(message);
    } else {
        switch (error.kind) {
            case 3:
                if (port == 30030 || port == 30032)
                    QueueReplacementMessage(kSignInText, message);
                else
                    QueueErrorMessage(message);
                break;
            case 7:
            case 18:
                QueueReplacementMessage(kRa8sText, message);
                break;
            case 8:
                if (message.size() >= 8) {
                    std::vector<std::uint8_t> cut(message.begin(), message.begin() + 2);
                    cut.insert(cut.end(), message.begin() + 5, message.end());
                    QueueErrorMessage(cut);
                } else {
                    QueueErrorMessage(message);
                }
                break;
            case 13:
                QueueReplacementMessage(kCentralSiteOutageText, message);
                break;
            case 14:
                QueueReplacementMessage(kSystemUnavailableText, message);
                break;
            default:
                QueueErrorMessage(message);
                break;
        }
    }
    OnReceive(COMM_NO_ERROR);
    Trace(kInfo, method, "kind %d (%d). returning true!", error.kind, error.code);
    return true;
}

// ---- queries on the active session ---------------------------------------------------------

const char* CTerminalMFE::GetSessionData() {
    UTKTools::CGuard guard(m_sessionLock);
    CHostSession* active = m_active.load();
    return active != nullptr ? active->GetSessionData() : "PROTOCOL=QUIL";
}

bool CTerminalMFE::IsHostAvailable() {
    UTKTools::CGuard guard(m_sessionLock);
    CHostSession* active = m_active.load();
    CHostSocket* socket = active != nullptr ? active->Socket() : nullptr;
    return socket != nullptr && socket->IsHostAvailable();
}

bool CTerminalMFE::IsConnected() {
    UTKTools::CGuard guard(m_sessionLock);
    CHostSession* active = m_active.load();
    CHostSocket* socket = active != nullptr ? active->Socket() : nullptr;
    return socket != nullptr && socket->IsConnected();
}

const char* CTerminalMFE::GetLNIATA() {
    UTKTools::CGuard guard(m_sessionLock);
    CHostSession* active = m_active.load();
    return active != nullptr ? active->LNIATA() : nullptr;
}

QUILOptionsState* CTerminalMFE::GetElementState(int element, QUILOptionsState* state) {
    UTKTools::CGuard guard(m_sessionLock);
    CHostSession* active = m_active.load();
    if (active == nullptr) {
        Trace(kError, "GetElementState", "No active host session. returning NULL!");
        return nullptr;
    }
    return active->GetElementState(element, state);
}

bool CTerminalMFE::SetElementState(int element, void* data) {
    UTKTools::CGuard guard(m_sessionLock);
    CHostSession* active = m_active.load();
    if (active == nullptr) {
        Trace(kError, "SetElementState", "No active host session. returning FALSE!");
        return false;
    }
    return active->SetElementState(element, data);
}

}  // namespace quildrv
