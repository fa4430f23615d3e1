#include "hostdriver/PrinterMFE.h"

#include <strings.h>

#include <cstdlib>
#include <cstring>

#include "hostdriver/HostCode.h"
#include "hostdriver/HostDrvInt.h"
#include "hostdriver/HostSession.h"
#include "hostdriver/HostSessionList.h"
#include "hostdriver/HostSocket.h"
#include "hostdriver/HostTexts.h"

namespace quildrv {

namespace {

constexpr EPRIORITY kError = UTKLogger::CPriority::ERROR;
constexpr EPRIORITY kWarn = UTKLogger::CPriority::WARN;
constexpr EPRIORITY kInfo = UTKLogger::CPriority::INFO;

constexpr std::uint8_t kStatusRequest[] = {0xC3, 0x6F, 0xF2, 0xF0, 0x4E};  // "C20"
constexpr std::uint8_t kHold[] = {0xC3, 0x6F, 0xF2, 0xF5, 0x4E};
constexpr std::uint8_t kReadyAnswer[] = {0xC3, 0x7C, 0xF2, 0xF0, 0x4E};
constexpr std::uint8_t kReadyNotice[] = {0xC3, 0xE2, 0x4E};
constexpr std::size_t kUrlListLimit = 1022;

bool SameHost(const std::string& a, const std::string& b) {
    return ::strcasecmp(a.c_str(), b.c_str()) == 0;
}

// The error text starts with the listed one, compared without regard to case.
bool Starts(const std::string& text, const char* listed) {
    const std::size_t n = std::strlen(listed);
    return text.size() >= n && ::strncasecmp(text.c_str(), listed, n) == 0;
}

}  // namespace

CPrinterMFE::CPrinterMFE() : CMFEBase("CPrinterMFE") {}

CPrinterMFE::~CPrinterMFE() {
    std::vector<std::unique_ptr<CHostSession>> sessions;
    {
        UTKTools::CGuard guard(m_queueLock);
        m_current = nullptr;
        sessions = std::move(m_sessions);
    }
    // Unlisted outside the queue lock: a delivery that holds a registry entry may be waiting
    // for that lock.
    if (CHostSessionList* registry = CurrentSessionRegistry())
        for (auto& session : sessions) registry->Unregister(session->RegistryIndex());
}

std::string CPrinterMFE::UrlHost(std::span<const std::uint8_t> url) {
    std::size_t end = 1;
    while (end < url.size() && url[end] != '/') ++end;
    end = std::min(end, url.size());
    std::string host(url.begin(), url.begin() + static_cast<std::ptrdiff_t>(end));
    host.resize(::strnlen(host.c_str(), host.size()));
    return host;
}

// ---- configuration ------------------------------------------------------------------------

int CPrinterMFE::GetPort() {
    const std::string text = Config(nullptr, "PORT", 16);
    return text.empty() ? kDefaultPort : std::atoi(text.c_str());
}

const char* CPrinterMFE::GetConfiguredLNIATA() {
    UTKTools::CGuard guard(m_queueLock);
    if (m_lniata.empty()) {
        std::string value = SessionValue("LNIATA", 16);
        if (value.size() != 6) value = Config(nullptr, "LNIATA", 7);
        m_lniata = value;
    }
    return m_lniata.c_str();
}

std::uint32_t CPrinterMFE::GetLID(const char* host) {
    const std::string name = host != nullptr ? host : "";
    if (!name.empty() && !SameHost(name, GetDefaultHost())) {
        const std::string entry(EntryOf(SessionValue("OTHERHOSTS", 1024), name));
        if (auto field = EntryField(entry, "LID"))
            if (auto lid = LidFromText(*field)) return LidNumber(*lid);
        if (entry.empty() && GetPort() == 30050) return 0;
    } else if (auto lid = LidFromText(SessionValue("LID", 10))) {
        return LidNumber(*lid);
    }
    return NewLid(GetConfiguredLNIATA());
}

unsigned char* CPrinterMFE::GetRID(const char* /*host*/) {
    const std::optional<Rid> rid = RidFromText(SessionValue("RID", 10));
    if (!rid) return nullptr;
    auto* out = static_cast<unsigned char*>(std::malloc(3));
    if (out != nullptr) std::memcpy(out, rid->data(), 3);
    return out;
}

// ---- sessions -------------------------------------------------------------------------------

bool CPrinterMFE::Init() {
    m_registry = GetSessionRegistry();
    if (m_registry == nullptr) {
        Trace(kError, "Init", "Unable to allocate CHostSessionList. returning false!");
        return false;
    }
    m_lidText = "000000";
    return true;
}

std::string CPrinterMFE::HostOf(CHostSession* session) {
    return session != nullptr ? session->HostSystem() : std::string();
}

std::string CPrinterMFE::HomeHost() {
    if (char* active = GetActiveHost()) {
        std::string host = active;
        std::free(active);
        return host;
    }
    return GetDefaultHost();
}

CHostSession* CPrinterMFE::MakeSession(const std::string& host) {
    if (host.empty() || m_registry == nullptr) return nullptr;
    UTKTools::CGuard guard(m_queueLock);
    for (auto& session : m_sessions)
        if (SameHost(session->HostSystem(), host)) {
            if (session->SessionState() == CHostSession::kTerminate)
                session->SetSessionState(CHostSession::kBegin);
            return session.get();
        }
    auto session = std::make_unique<CHostSession>(this);
    if (!session->Init() || !m_registry->Register(session.get())) return nullptr;
    CHostSession* raw = session.get();
    m_sessions.push_back(std::move(session));
    if (raw->BeginSession(host.c_str(), static_cast<std::uint32_t>(GetPort())) != COMM_NO_ERROR) {
        m_registry->Unregister(raw->RegistryIndex());
        m_sessions.pop_back();
        return nullptr;
    }
    return raw;
}

int CPrinterMFE::BeginSession() {
    const char* method = "BeginSession";
    ForgetCachedTexts();
    const std::string host = HomeHost();
    if (host.empty()) {
        m_lastError = COMM_ERR_BADAPIOPTION;
        Trace(kError, method, "Host not found. returning COMM_ERR_BADAPIOPTION!");
        return COMM_ERR_BADAPIOPTION;
    }
    if (GetPort() == 0) {
        m_lastError = COMM_ERR_BADAPIOPTION;
        Trace(kError, method, "port not found. returning COMM_ERR_BADAPIOPTION!");
        return COMM_ERR_BADAPIOPTION;
    }
    m_autoBid = Config(nullptr, "AUTOBID", 2).substr(0, 1) != "0";
    CHostSession* session = MakeSession(host);
    if (session == nullptr) {
        m_lastError = COMM_CONNECT_FAILED;
        Trace(kError, method, "returning COMM_CONNECT_FAILED!");
        return COMM_CONNECT_FAILED;
    }
    session->SetActive(true);
    m_current = session;
    OnStoreSessionChanges("ACTIVEHOST", host.c_str(), static_cast<unsigned>(host.size()), session);
    // Set before the begin goes out: its answer may come back before the send returns.
    m_started = true;
    (void)SendToHost(nullptr, 0);
    m_lastError = COMM_WAITING;
    Trace(kInfo, method, "returning %d!", COMM_WAITING);
    return COMM_WAITING;
}

int CPrinterMFE::EndSession() {
    CHostSession* session = m_current.load();
    return session != nullptr ? session->EndSession(true) : COMM_NO_ERROR;
}

int CPrinterMFE::SendToHost(const unsigned char* data, unsigned int length) {
    CHostSession* session = m_current.load();
    return session != nullptr ? session->SendToHost(data, length) : COMM_CONNECT_FAILED;
}

void CPrinterMFE::Activate(CHostSession* session) {
    if (session == nullptr) return;
    m_current = session;
    session->SetActive(true);
    session->SetC20Outstanding(true);
    m_printerReady = false;
    (void)session->SendToHost(kStatusRequest, sizeof kStatusRequest);
}

void CPrinterMFE::MoveTo(const std::string& host) {
    if (CHostSession* current = m_current.load()) {
        current->SetActive(false);
        (void)current->EndSession(false);
    }
    CHostSession* next = MakeSession(host);
    if (next == nullptr) {
        Trace(kWarn, "WorkHostQueue",
              "Failed to connect to \"%s\" so we will go back to our default host", host.c_str());
        next = MakeSession(GetDefaultHost());
    }
    Activate(next);
}

std::optional<std::string> CPrinterMFE::TakeUrl() {
    std::string list = SessionValue("PTRURLLIST", 1024);
    std::optional<std::string> first = TakeFirstName(list);
    if (first) StoreSessionValue("PTRURLLIST", list);
    return first;
}

void CPrinterMFE::WorkHostQueue() {
    const char* method = "WorkHostQueue";
    UTKTools::CGuard guard(m_queueLock);
    CHostSession* current = m_current.load();
    const bool atHome = current == nullptr || SameHost(HostOf(current), HomeHost());
    const std::optional<std::string> url = TakeUrl();
    if (atHome) {
        if (!url) return;
        Trace(kInfo, method, "Have a url in cache for host: \"%s\" active host is: %s",
              url->c_str(), HomeHost().c_str());
        if (current != nullptr) {
            Trace(kError, method, "Putting %s On Temp Hold", HostOf(current).c_str());
            (void)current->SendToHost(kHold, sizeof kHold);
        }
        MoveTo(*url);
        return;
    }
    if (!url)
        MoveTo(GetDefaultHost());
    else if (SameHost(*url, HostOf(current)))
        Activate(current);
    else
        MoveTo(*url);
}

// ---- host traffic -----------------------------------------------------------------------------

void CPrinterMFE::Enqueue(std::vector<std::uint8_t> message) {
    UTKTools::CGuard guard(m_queueLock);
    m_queue.push_back(std::move(message));
}

void CPrinterMFE::OnHostData(unsigned char* data, unsigned int length, CHostSession* session) {
    const char* method = "OnHostData";
    if (data == nullptr) return;
    Trace(kInfo, method, "Printer %u bytes of data received as shown below:", length);
    LogEBCDIC(kInfo, "CPrinterMFE::OnHostData", length, data);
    std::vector<std::uint8_t> message(data, data + length);
    std::free(data);
    UTKTools::CGuard guard(m_queueLock);
    if (session == nullptr) return;
    session->SetC20Outstanding(false);
    if (!session->IsActive()) {
        if (session->DefaultFlag() != 0) {
            (void)session->SendToHost(kHold, sizeof kHold);
        } else {
            (void)session->EndSession(false);
            session->SetActive(false);
        }
        return;
    }
    const bool control = message.size() == 6 && message[3] == 0xC3;
    if (control && message[4] == 0xE2) {
        m_printerReady = true;
        if (m_autoBid) {
            WorkHostQueue();
            return;
        }
    } else if (control && message[4] == 0xE3) {
        m_printerReady = true;
        if (m_autoBid) {
            (void)session->SendToHost(kReadyAnswer, sizeof kReadyAnswer);
            WorkHostQueue();
            return;
        }
    } else {
        m_printerReady = false;
    }
    Enqueue(std::move(message));
    OnReceive(COMM_NO_ERROR);
}

void CPrinterMFE::OnURLAddress(const unsigned char* data, unsigned int length) {
    const char* method = "OnURLAddress";
    try {
        UTKTools::CGuard guard(m_queueLock);
        std::string host = UrlHost({data, data != nullptr ? length : 0});
        Trace(kInfo, method, "Received a PTR URL for %s. Adding to our URLList", host.c_str());
        std::string list = SessionValue("PTRURLLIST", 1024);
        if (AddListName(list, host, kUrlListLimit)) StoreSessionValue("PTRURLLIST", list);
        if (CHostDrvInt* driver = GetHostDrvInterface())
            driver->OnURLNotification(host.data(), static_cast<int>(host.size()));
        if (m_printerReady && m_autoBid) {
            WorkHostQueue();
        } else if (m_printerReady) {
            CHostSession* current = m_current.load();
            std::vector<std::uint8_t> notice;
            if (current != nullptr) {
                const Rid rid = current->RidBytes();
                notice.assign(rid.begin(), rid.end());
            } else {
                notice.assign(3, 0);
            }
            notice.insert(notice.end(), std::begin(kReadyNotice), std::end(kReadyNotice));
            Enqueue(std::move(notice));
            OnReceive(COMM_NO_ERROR);
        }
        Trace(kInfo, method, "returning!");
    } catch (...) {
        Trace(kError, method, "exception caught!");
    }
}

void CPrinterMFE::OnConnect(int code, bool flag) {
    if (!flag || !m_started.exchange(false)) return;
    CHostDrvInt* driver = GetHostDrvInterface();
    if (driver == nullptr) return;
    try {
        if (code == COMM_NO_ERROR) {
            if (CHostSession* current = m_current.load()) current->SetC20Outstanding(true);
            (void)SendToHost(kStatusRequest, sizeof kStatusRequest);
        }
        driver->OnHostAvailable(code == COMM_NO_ERROR);
        driver->OnConnect(code);
    } catch (...) {
        Trace(kError, "OnConnect", "exception caught!");
    }
}

void CPrinterMFE::WriteOtherHostRecord(CHostSession* session) {
    if (session == nullptr || session->DefaultFlag() == 1) return;
    const std::string host = HostOf(session);
    const std::string entry = OtherHostEntry(host, session->SessionState() & 0x0F,
                                             session->LidBytes(), session->RidBytes());
    StoreSessionValue("OTHERHOSTS", ReplaceEntry(SessionValue("OTHERHOSTS", 1024), host, entry));
}

void CPrinterMFE::OnStoreSessionChanges(const char* key, const char* data, unsigned int length,
                                        CHostSession* session) {
    if (session == nullptr || key == nullptr || GetHostDrvInterface() == nullptr) return;
    const std::string value = data != nullptr ? std::string(data, length) : std::string();
    if (std::strcmp(key, "ACTIVEHOST") == 0) {
        StoreSessionValue(key, value);
        return;
    }
    const bool record = std::strcmp(key, "STATE") == 0 || std::strcmp(key, "LID") == 0 ||
                        std::strcmp(key, "RID") == 0 || std::strcmp(key, "OTHERHOSTS") == 0;
    if (session->DefaultFlag() == 0) {
        if (std::strcmp(key, "REMOVE") == 0)
            StoreSessionValue("OTHERHOSTS",
                              RemoveEntry(SessionValue("OTHERHOSTS", 1024), HostOf(session)));
        else if (record)
            WriteOtherHostRecord(session);
        return;
    }
    if (std::strcmp(key, "REMOVE") == 0) {
        StoreSessionValue("LID", "");
        StoreSessionValue("RID", "");
        StoreSessionValue("STATE", "0");
    } else if (std::strcmp(key, "OTHERHOSTS") == 0) {
        return;
    } else if (std::strcmp(key, "LID") == 0 && length >= 4) {
        Lid lid{};
        std::memcpy(lid.data(), data, 4);
        StoreSessionValue("LID", LidText(lid));
    } else if (std::strcmp(key, "RID") == 0 && length >= 3) {
        Rid rid{};
        std::memcpy(rid.data(), data, 3);
        {
            UTKTools::CGuard guard(m_queueLock);
            m_lidText = RidText(rid);
        }
        StoreSessionValue("RID", RidText(rid));
    } else {
        StoreSessionValue(key, value);
    }
}

bool CPrinterMFE::OnHandleError(CHostSession* session, const unsigned char* data,
                                unsigned int length) {
    const char* method = "OnHandleError";
    if (session == nullptr) {
        Trace(kError, method, " No host session! returning true!");
        return true;
    }
    const std::span<const std::uint8_t> bytes(data, data != nullptr ? length : 0);
    const std::string text = ToClientText(bytes).value_or("");
    Trace(kError, method, "Received a NARLO Protocol Error %s", text.c_str());
    int state = session->SessionState();
    switch (state) {
        case CHostSession::kBegin:
            state = Starts(text, "7QS07- STAGING IN EFFECT FOR THIS SESSION SERVICE WILL") ||
                            Starts(text, "7QS11- OAA IN PROGRESS DUE TO PROTOCOL CHANGE")
                        ? 1
                        : 0;
            break;
        case CHostSession::kMaintain:
            if (Starts(text, "7QS02- UNABLE TO ACCESS HOST SESSION")) {
                state = 0;
            } else if (Starts(text, "7QS04- UNABLE TO READ HOST SESSION RECORD")) {
                const std::string host = HostOf(session);
                (void)session->EndSession(false);
                session->SetSessionState(CHostSession::kBegin);
                (void)session->BeginSession(host.c_str(), static_cast<std::uint32_t>(GetPort()));
                session->SetC20Outstanding(true);
                session->SetActive(true);
                (void)session->SendToHost(kStatusRequest, sizeof kStatusRequest);
                return true;
            } else if (session->DefaultFlag() == 0) {
                UTKTools::CGuard guard(m_queueLock);
                session->SetActive(false);
                m_printerReady = false;
                CHostSession* home = MakeSession(HomeHost());
                if (home != nullptr) {
                    m_current = home;
                    home->SetActive(true);
                    home->SetC20Outstanding(true);
                    (void)SendToHost(kStatusRequest, sizeof kStatusRequest);
                }
                OnReceive(COMM_NO_ERROR);
                Trace(kInfo, method, "returning true!");
            }
            break;
        default: {
            static constexpr const char* kStay[] = {"7QC02- HOST UNAVAILABLE",
                                                    "7QC04- PROXY INTERNAL ERROR", "7QS06- RA8S",
                                                    "7QC06- RA8S", "7QC01- CENTRAL SITE OUTAGE"};
            bool stay = bytes.size() >= sizeof kHostUnreachable &&
                        std::memcmp(bytes.data(), kHostUnreachable, sizeof kHostUnreachable) == 0;
            for (const char* listed : kStay) stay = stay || Starts(text, listed);
            state = stay ? 1 : 0;
            session->SetRetryWord(stay ? 1 : 0);
            break;
        }
    }
    session->SetSessionState(static_cast<std::uint16_t>(state));
    const char digit[2] = {static_cast<char>('0' + state), 0};
    OnStoreSessionChanges("STATE", digit, 1, session);
    return true;
}

bool CPrinterMFE::AgreesToStopKeepAlive(CHostSession* session) {
    return session != nullptr && !session->IsActive() && session->DefaultFlag() == 0;
}

// ---- the application's side -------------------------------------------------------------------

int CPrinterMFE::RecvFromHost(unsigned char** data, unsigned int* length) {
    if (data == nullptr || length == nullptr) return COMM_ERR_BADINPUT;
    UTKTools::CGuard guard(m_queueLock);
    if (m_queue.empty()) {
        m_lastError = COMM_NO_RECV_DATA;
        return COMM_NO_RECV_DATA;
    }
    const std::vector<std::uint8_t>& message = m_queue.front();
    auto* block = static_cast<unsigned char*>(std::calloc(message.size() + 1, 1));
    if (block == nullptr) return COMM_ERR_OUTOFMEMORY;
    std::memcpy(block, message.data(), message.size());
    *data = block;
    *length = static_cast<unsigned int>(message.size());
    m_queue.pop_front();
    return COMM_NO_ERROR;
}

int CPrinterMFE::AddBufferToChain(const unsigned char* data, unsigned int length) {
    CHostSession* session = m_current.load();
    if (session == nullptr) {
        Trace(kError, "EnqueueDataToChain", "No host session. returning COMM_ERR_UNKNOWN!");
        return COMM_ERR_UNKNOWN;
    }
    const Rid rid = session->RidBytes();
    std::vector<std::uint8_t> message(rid.begin(), rid.end());
    if (data != nullptr) message.insert(message.end(), data, data + length);
    Enqueue(std::move(message));
    return COMM_NO_ERROR;
}

int CPrinterMFE::BackGroundConnect(unsigned char* /*host*/) {
    return COMM_ERR_BADAPIOPTION;
}

bool CPrinterMFE::SetDrvOptions(int option, int value) {
    {
        UTKTools::CGuard guard(m_queueLock);
        for (auto& session : m_sessions) (void)session->SetSessionOptions(option, value);
    }
    switch (option) {
        case 2:
            SetCachedNumber("ENDTOENDLOGGING", value);
            return true;
        case 3:
            SetCachedNumber("DEBUG", value);
            return true;
        case 4:
            if (value != 0 && value != 1) return false;
            SetCachedNumber("SEGMENTOVERRIDE", value);
            return true;
        default:
            return false;
    }
}

const char* CPrinterMFE::GetSessionData() {
    CHostSession* session = m_current.load();
    return session != nullptr ? session->GetSessionData() : "PROTOCOL=QUIL";
}

bool CPrinterMFE::IsHostAvailable() {
    CHostSession* session = m_current.load();
    CHostSocket* socket = session != nullptr ? session->Socket() : nullptr;
    return socket != nullptr && socket->IsHostAvailable();
}

bool CPrinterMFE::IsConnected() {
    CHostSession* session = m_current.load();
    CHostSocket* socket = session != nullptr ? session->Socket() : nullptr;
    return socket != nullptr && socket->IsConnected();
}

const char* CPrinterMFE::GetLNIATA() {
    CHostSession* session = m_current.load();
    return session != nullptr ? session->LNIATA() : nullptr;
}

QUILOptionsState* CPrinterMFE::GetElementState(int element, QUILOptionsState* state) {
    CHostSession* session = m_current.load();
    return session != nullptr ? session->GetElementState(element, state) : nullptr;
}

bool CPrinterMFE::SetElementState(int element, void* data) {
    CHostSession* session = m_current.load();
    return session != nullptr && session->SetElementState(element, data);
}

}  // namespace quildrv
