// The host link's connection: the route it reads, connect, reconnect after a random delay,
// disconnect, the control's events, taking a message out of the control, and the fall-back
// to another host of the route's host list.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "HostTrevoInternal.h"
#include "TimeText.h"
#include "core/Branding.h"
#include "core/HostCtrl.h"
#include "core/HostTrevo.h"
#include "core/TraceLog.h"
#include "core/Translation.h"
#include "core/VekaStrings.h"
#include "platform/Profile.h"
#include "platform/Time.h"

namespace core {

using namespace hostlink;

namespace {

bool EqualNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The ASCII text of EBCDIC bytes (no message framing: every byte is text).
std::string EbcdicTextToAscii(const std::string& ebcdic, bool bPassThrough, bool bPlatformTitle) {
    CHostLengthScanner scanner(bPassThrough, bPlatformTitle);
    const auto in = Bytes(ebcdic);
    std::vector<std::uint8_t> out(scanner.EbcdicToAsciiLength(in) + 1);
    const std::size_t written = scanner.TranslateEbcdicToAscii(in, out);
    std::string text;
    for (std::size_t i = 0; i < written; ++i) {
        const std::uint8_t b = out[i];
        if (b == 0 || (b >= ASCII_EOM_I && b <= ASCII_EOM_PB)) continue;
        text.push_back(static_cast<char>(b));
    }
    return text;
}

// Whether a host list "A/B/" holds the name as one of its entries.
bool ListHolds(const std::string& list, const std::string& host) {
    std::size_t begin = 0;
    while (begin < list.size()) {
        std::size_t end = list.find('/', begin);
        if (end == std::string::npos) end = list.size();
        if (list.compare(begin, end - begin, host) == 0) return true;
        begin = end + 1;
    }
    return false;
}

}  // namespace

// --- The route --------------------------------------------------------------------------

std::string CHostTrevo::RouteKey() const {
    return std::string(kRoutesKey) + "\\" + m_strDeviceName;
}

void CHostTrevo::ReadRoute() {
    // Which product name the program shows decides which host character table is used.
    const std::string text = LoadVekaString(BrandStringId(BrandText::ProductName));
    m_judge.m_settings.m_bPlatformTitle =
        EqualNoCase(text, "TREVO Quorvix") && EqualNoCase(text, m_strHost);

    const std::string key = RouteKey();
    std::string strLNIATA;
    if (m_pRegistry && m_pRegistry->KeyExists(key)) {
        auto readString = [&](const char* name, std::string& out) {
            static_cast<void>(m_pRegistry->QueryString(key, name, out));
        };
        auto readPort = [&](const char* name) {
            std::uint32_t port = m_nHostPort;
            if (m_pRegistry->QueryDWORD(key, name, port)) m_nHostPort = port;
        };
        readString("Service Provider", m_strServiceProvider);
        const std::string& sp = m_strServiceProvider;
        if (sp == "ZEL") {
            readString("Lniata", strLNIATA);
            readString("Server IP Address", m_strHostAddress);
            readPort("ZEL Port");
        } else if (sp == "ARLO") {
            readString("LNIATA", strLNIATA);
            readString("Load Balancer Name", m_strHostAddress);
            readPort("Load Balancer IP Port");
        } else if (sp == "MUX") {
            readString("Lniata", strLNIATA);
        } else if (sp == "NEB") {
            readString("Object Name", strLNIATA);
        } else if (sp == "QUIL") {
            readString("Remote IP Address", m_strHostAddress);
        } else if (sp == "QUIL2") {
            readString("LNIATA", strLNIATA);
            readString("Remote IP Address", m_strHostAddress);
            readPort("Remote Port");
        } else if (sp != "TAVRIX") {
            SetLastError(TRACE_FORMAT(2, "CHostTrevo::CHostTrevo():", "Unknown Service Provider %s",
                                      sp.c_str()));
        }
        if (sp == "QUIL" || sp == "QUIL2") {
            if (CHostCtrl::IsValidHostAddress(m_strHostAddress.c_str())) {
                m_strPrimaryHost = m_strHostAddress;
            } else if (const std::size_t dot = m_strHostAddress.find('.');
                       dot != std::string::npos && dot > 0) {
                m_strPrimaryHost = m_strHostAddress.substr(0, dot);
            }
            if (!m_strPrimaryHost.empty()) m_strCurrentHost = m_strPrimaryHost;
            if (sp == "QUIL") m_judge.m_settings.m_bControlFrames = true;
        }
        SetLNIATA(strLNIATA);
    }
    m_bPreventUnicodeConversion =
        platform::GetPrivateProfileInt("Client", "Prevent Unicode Conversion", 0, "TREVO.INI") != 0;
    std::srand(static_cast<unsigned>(platform::CurrentTime()));
}

void CHostTrevo::SetLNIATA(const std::string& strLNIATA) {
    std::string upper = strLNIATA;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    platform::CriticalSection::Guard lock(m_csState);
    m_strLNIATA = upper;
}

std::string CHostTrevo::GetLNIATA() const {
    platform::CriticalSection::Guard lock(m_csState);
    return m_strLNIATA;
}

std::int64_t CHostTrevo::GetReconnectAfter() const {
    platform::CriticalSection::Guard lock(m_csState);
    return m_timeReconnectAfter;
}

int CHostTrevo::GetConnectionRetries() const {
    platform::CriticalSection::Guard lock(m_csState);
    return m_nConnectionRetries;
}

std::string CHostTrevo::GetCurrentHost() const {
    platform::CriticalSection::Guard lock(m_csState);
    return m_strCurrentHost;
}

std::string CHostTrevo::GetPrimaryHost() const {
    platform::CriticalSection::Guard lock(m_csState);
    return m_strPrimaryHost;
}

bool CHostTrevo::IsConnectPending() const {
    platform::CriticalSection::Guard lock(m_csState);
    return m_bConnectPending;
}

// --- The control ------------------------------------------------------------------------

bool CHostTrevo::HostConnectionCreate(CHostCtrl* pHostCtrl, std::uint32_t nControlId,
                                      platform::HWND hParent) {
    static const char* const kLabel = "CHostTrevo::HostConnectionCreate(): m_pHostCtrl->Create():";
    m_nControlID = nControlId;
    if (!pHostCtrl) {
        SetLastError(TRACE_FORMAT(2, kLabel, "'%s', No control slot", m_strDeviceName.c_str()));
        return false;
    }
    m_pHostCtrl = pHostCtrl;
    if (!pHostCtrl->Create(hParent, nControlId)) {
        SetLastError(pHostCtrl->CreateErrorText());
        return false;
    }
    return true;
}

bool CHostTrevo::SetLastErrorFromHostCtrl() {
    if (!m_pHostCtrl) {
        SetLastError(TRACE_FORMAT(2, "CHostTrevo::SetLastErrorFromHostCtrl():",
                                  "'%s', No host control", m_strDeviceName.c_str()));
        return true;
    }
    const std::int16_t code = m_pHostCtrl->GetLastError();
    const std::string message = m_pHostCtrl->GetLastErrorMessage();
    if (code != 0) {
        char text[600];
        std::snprintf(text, sizeof text, "(%d) %s", static_cast<int>(code), message.c_str());
        SetLastError(text);
        return true;
    }
    SetLastError(message);
    return false;
}

void CHostTrevo::ErrorLine(const char* pszLabel) {
    const bool bCode = SetLastErrorFromHostCtrl();
    TRACE_FORMAT(bCode ? 2 : 0, pszLabel, "'%s', %s", m_strDeviceName.c_str(),
                 GetLastError().c_str());
}

void CHostTrevo::TraceOrErrorLine(const char* pszLabel, long lFlag, const char* pszDone) {
    if (lFlag) {
        TRACE_FORMAT(0, pszLabel, "'%s', %s", m_strDeviceName.c_str(), pszDone);
    } else {
        ErrorLine(pszLabel);
    }
}

bool CHostTrevo::RunOnControlThread(const std::function<void()>& work,
                                    platform::Waitable* pCancel) {
    if (!m_pHostCtrl) {
        work();
        return true;
    }
    return m_pHostCtrl->RunOnControlThread(work, pCancel);
}

void CHostTrevo::MsgTranslateAtHost(bool bEbcdic) {
    static const char* const kLabel = "CHostTrevo::MsgTranslateAtHost():";
    if (m_pHostCtrl) static_cast<void>(m_pHostCtrl->TranslateMessages(!bEbcdic));
    TRACE_FORMAT(0, kLabel, bEbcdic ? "'%s', EBCDIC" : "'%s', ASCII", m_strDeviceName.c_str());
}

bool CHostTrevo::OnReceive(std::string& text) {
    MsgTranslateAtHost(true);
    if (!m_pHostCtrl) return false;
    if (!m_bPreventUnicodeConversion) {
        text = m_pHostCtrl->ReceiveString();
    } else if (!m_pHostCtrl->ReceiveBString(text)) {
        // Every byte of the array is kept, zeros included: they are the host's data.
        text.clear();
    }
    return true;
}

// --- Connect and disconnect -------------------------------------------------------------

void CHostTrevo::LogConnecting(const char* pszLabel, bool bReconnecting,
                               const std::string& strSession, const char* pszSuffix) {
    TRACE_FORMAT(0, pszLabel,
                 bReconnecting ? "'%s', CONNECTION_RECONNECTING, AppName='%s', Session='%s'%s"
                               : "'%s', CONNECTION_CONNECTING, AppName='%s', Session='%s'%s",
                 m_strDeviceName.c_str(), kAppName, strSession.c_str(), pszSuffix);
}

bool CHostTrevo::HostConnect(const std::string& strSession) {
    static const char* const kLabel = "CHostTrevo::HostConnect():";
    if (GetConnectionState() != CONNECTION_CONNECTED) {
        if (m_pHostCtrl) static_cast<void>(m_pHostCtrl->DisconnectFromHost());
        SetConnectionState(CONNECTION_CONNECTING);
    }
    {
        platform::CriticalSection::Guard lock(m_csState);
        m_bConnectPending = true;
    }
    const eConnectionState state = GetConnectionState();
    if (state == CONNECTION_RECONNECTING || state == CONNECTION_CONNECTED) {
        LogConnecting(kLabel, true, strSession, "");
    } else {
        SetConnectionState(CONNECTION_CONNECTING);
        LogConnecting(kLabel, false, strSession, "");
    }
    auto fail = [&] {
        platform::CriticalSection::Guard lock(m_csState);
        m_bConnectPending = false;
    };
    if (!m_pHostCtrl || !m_pHostCtrl->ConnectToHost(kAppName, strSession, false)) {
        static_cast<void>(SetLastErrorFromHostCtrl());
        fail();
        return false;
    }
    if (!m_pHostCtrl->Lock()) {
        static_cast<void>(SetLastErrorFromHostCtrl());
        static_cast<void>(m_pHostCtrl->DisconnectFromHost());
        // The attempt is given up, so no OnConnect is waited for.
        fail();
        return false;
    }
    return true;
}

bool CHostTrevo::HostConnectUnlessPending(const std::string& strSession) {
    static const char* const kLabel = "CHostTrevo::HostConnectUnlessPending():";
    {
        platform::CriticalSection::Guard lock(m_csState);
        if (m_bConnectPending) {
            LogConnecting(kLabel, true, strSession, ", Waiting for OnConnect():");
            return true;
        }
        m_bConnectPending = true;
    }
    if (GetConnectionState() == CONNECTION_RECONNECTING) {
        LogConnecting(kLabel, true, strSession, "");
    } else {
        SetConnectionState(CONNECTION_CONNECTING);
        LogConnecting(kLabel, false, strSession, "");
    }
    auto fail = [&] {
        platform::CriticalSection::Guard lock(m_csState);
        m_bConnectPending = false;
    };
    if (!m_pHostCtrl || !m_pHostCtrl->ConnectToHost(kAppName, strSession, false)) {
        fail();
        static_cast<void>(SetLastErrorFromHostCtrl());
        return false;
    }
    if (!m_pHostCtrl->Lock()) {
        fail();
        static_cast<void>(SetLastErrorFromHostCtrl());
        static_cast<void>(m_pHostCtrl->DisconnectFromHost());
        return false;
    }
    return true;
}

bool CHostTrevo::HostConnectRetry(const std::string& strSession) {
    int nRetries;
    {
        platform::CriticalSection::Guard lock(m_csState);
        nRetries = ++m_nConnectionRetries;
    }
    TRACE_FORMAT(
        0, "CHostTrevo::HostConnectRetry():", "'%s', ConnectionRetries=%i, DeviceSession='%s'",
        m_strDeviceName.c_str(), nRetries, strSession.c_str());
    return HostConnectUnlessPending(strSession);
}

bool CHostTrevo::HostDisconnect() {
    return m_pHostCtrl && m_pHostCtrl->DisconnectFromHost();
}

void CHostTrevo::HostStartReconnect() {
    static const char* const kLabel = "CHostTrevo::HostStartReconnect():";
    SetConnectionState(CONNECTION_RECONNECTING);
    TRACE_FORMAT(0, kLabel, "'%s', CONNECTION_RECONNECTING", m_strDeviceName.c_str());
    std::int64_t timeCurrent;
    std::int64_t timeReconnectAfter;
    int nDelay;
    {
        platform::CriticalSection::Guard lock(m_csState);
        const int nBound = std::min((m_nConnectionRetries + 4) * 5, 90);
        nDelay = std::rand() % nBound;
        timeCurrent = platform::CurrentTime();
        m_timeReconnectAfter = timeCurrent + nDelay;
        timeReconnectAfter = m_timeReconnectAfter;
    }
    TRACE_FORMAT(0, kLabel, "'%s', timeCurrent=%s m_timeReconnectAfter=%s timeDelay=%02i",
                 m_strDeviceName.c_str(), FormatTime(timeCurrent).c_str(),
                 FormatTime(timeReconnectAfter).c_str(), nDelay);
}

// --- The control's events ---------------------------------------------------------------

void CHostTrevo::OnConnect(long lFlag) {
    static const char* const kLabel = "CHostTrevo::OnConnect():";
    if (lFlag) {
        {
            platform::CriticalSection::Guard lock(m_csState);
            m_bConnectPending = false;
        }
        SetConnectionState(CONNECTION_CONNECTED);
        SetLastError(std::string());
        TRACE_FORMAT(0, kLabel, "'%s' CONNECTION_CONNECTED", m_strDeviceName.c_str());
        platform::CriticalSection::Guard lock(m_csState);
        m_nConnectionRetries = 0;
        return;
    }
    std::string strFailedHost;
    bool bChangeHost;
    {
        platform::CriticalSection::Guard lock(m_csState);
        m_bConnectPending = false;
    }
    ErrorLine(kLabel);
    {
        platform::CriticalSection::Guard lock(m_csState);
        bChangeHost = m_judge.m_settings.m_bControlFrames && m_nConnectionRetries > 3 &&
                      m_strPrimaryHost != m_strCurrentHost;
        strFailedHost = m_strCurrentHost;
        if (bChangeHost) m_judge.m_bControlSignalPending = true;
    }
    if (bChangeHost) {
        IssueChangeChange();
        AppendToHostListInRegistry(strFailedHost);
    } else {
        HostStartReconnect();
    }
}

void CHostTrevo::OnDisconnect(long lFlag) {
    static const char* const kLabel = "CHostTrevo::OnDisconnect():";
    SetConnectionState(CONNECTION_DISCONNECTED);
    if (lFlag) {
        SetLastError(std::string());
        TRACE_FORMAT(0, kLabel, "'%s', Disconnected", m_strDeviceName.c_str());
        return;
    }
    ErrorLine(kLabel);
    HostStartReconnect();
}

void CHostTrevo::OnSystemAvailable(long lFlag) {
    static const char* const kLabel = "CHostTrevo::OnSystemAvailable():";
    if (lFlag) {
        SetHostState(HOST_AVAIL);
        TRACE_FORMAT(0, kLabel, "'%s', HOST_AVAILABLE", m_strDeviceName.c_str());
        return;
    }
    SetHostState(HOST_OFFLINE);
    TRACE_FORMAT(0, kLabel, "'%s', HOST_OFFLINE", m_strDeviceName.c_str());
    ErrorLine(kLabel);
}

void CHostTrevo::OnLock(long lFlag) {
    TraceOrErrorLine("CHostTrevo::OnLock():", lFlag, "Locked");
}

void CHostTrevo::OnUnLock(long lFlag) {
    TraceOrErrorLine("CHostTrevo::OnUnLock():", lFlag, "Unlocked");
}

void CHostTrevo::OnSend(long lFlag) {
    TraceOrErrorLine("CHostTrevo::OnSend():", lFlag, "Sent");
}

void CHostTrevo::OnResource(long lFlag) {
    static const char* const kLabel = "CHostTrevo::OnResource():";
    if (lFlag) {
        SetLNIATA(m_pHostCtrl ? m_pHostCtrl->GetResource() : std::string());
        TRACE_FORMAT(0, "CVekaHostTrevo::OnResource():", "'%s', New resource: szLNIATA='%s'",
                     m_strDeviceName.c_str(), GetLNIATA().c_str());
        if (m_pHostCtrl) static_cast<void>(m_pHostCtrl->TranslateMessages(false));
    } else {
        ErrorLine(kLabel);
    }
    bool bControlFrames;
    {
        platform::CriticalSection::Guard lock(m_csState);
        bControlFrames = m_judge.m_settings.m_bControlFrames;
        if (bControlFrames) m_strLastGoodHost = m_strCurrentHost;
    }
    if (bControlFrames) SendStatusToHost('?', '0');
}

// --- Status messages and the host list --------------------------------------------------

void CHostTrevo::SendStatusToHost(char cTSN, char cStatus) {
    std::string msg{'C', cTSN, Settings().m_bDeliverCT ? '0' : '2', cStatus,
                    static_cast<char>(ASCII_EOM_C)};
    MsgTranslateAsciiToEbcdic(msg);
    if (m_pHostCtrl) static_cast<void>(m_pHostCtrl->SendString(msg));
}

void CHostTrevo::AccessUrlQueue(std::string& strList, bool bWrite) {
    const std::string key = RouteKey();
    if (!m_pRegistry || !m_pRegistry->KeyExists(key)) return;
    if (bWrite) {
        static_cast<void>(
            m_pRegistry->SetString(key, "URL Queue", strList.empty() ? "." : strList));
        return;
    }
    if (m_pRegistry->QueryString(key, "URL Queue", strList) && strList == ".") strList.clear();
}

void CHostTrevo::AppendToHostListInRegistry(const std::string& strHost) {
    TRACE_FORMAT(0, "CHostTrevo::AppendToHostListInRegistry():", "Calling Change Change '%s'",
                 strHost.c_str());
    if (strHost.empty()) return;
    std::string list;
    AccessUrlQueue(list, false);
    if (list.empty() || !ListHolds(list, strHost)) {
        list += strHost + "/";
        AccessUrlQueue(list, true);
    }
}

void CHostTrevo::AddHostsFromControlFrame(const std::string& frame) {
    if (frame.size() <= 2) return;
    const std::string text =
        EbcdicTextToAscii(frame.substr(std::min<std::size_t>(3, frame.size())),
                          Settings().m_bPassThrough, Settings().m_bPlatformTitle);
    auto beforeDot = [this](const std::string& name) {
        const std::size_t dot = name.find('.');
        if (dot != std::string::npos && dot > 0) AppendToHostListInRegistry(name.substr(0, dot));
    };
    if (text.compare(0, 4, "PRNT") == 0) {
        // The host name stands from the sixteenth character on.
        if (text.size() < 16) return;
        const std::string name = text.substr(15);
        if (name.find(".COM", 1) != std::string::npos) {
            beforeDot(name);
        } else if (name.find(".COM") == std::string::npos) {
            AppendToHostListInRegistry(name);
        }
        return;
    }
    beforeDot(text);
}

void CHostTrevo::IssueChangeChange() {
    std::string strNext;
    {
        platform::CriticalSection::Guard lock(m_csState);
        if (!m_judge.m_settings.m_bControlFrames || !m_judge.m_bControlSignalPending) return;
        m_judge.m_bControlSignalPending = false;
    }
    std::string list;
    AccessUrlQueue(list, false);
    if (list.size() > 1) {
        const std::size_t slash = list.find('/');
        strNext = list.substr(0, slash);
        std::string rest = slash == std::string::npos ? std::string() : list.substr(slash + 1);
        if (rest.size() <= 2) rest.clear();
        AccessUrlQueue(rest, true);
    } else {
        platform::CriticalSection::Guard lock(m_csState);
        if (m_strPrimaryHost != m_strLastGoodHost) strNext = m_strPrimaryHost;
    }
    bool bFromLastGood;
    {
        platform::CriticalSection::Guard lock(m_csState);
        if (strNext.empty()) {
            m_judge.m_bControlSignalPending = true;
            return;
        }
        m_strCurrentHost = strNext;
        m_nConnectionRetries = 0;
        bFromLastGood = m_strPrimaryHost == m_strLastGoodHost;
    }
    TRACE_FORMAT(0, "CHostTrevo::IssueChangeChange():", "Calling Change Change '%s'",
                 strNext.c_str());
    if (bFromLastGood) {
        SendStatusToHost('?', '5');
        platform::Sleep(1500);
    }
    // The request is in the host's code, as everything this link sends: the change character
    // "@" (0x7C) twice, then the host name. (The client-code marker 0x01 0x01 is what a
    // provider expects only from a creator whose entries it translates, which this link's
    // never are: a provider would take it for data and the route would never move.)
    // The translation ends what it translates with the end-of-message byte, which is no part
    // of the name (a provider would look up "NAME+").
    std::string name = strNext;
    MsgTranslateAsciiToEbcdic(name);
    if (!name.empty() && static_cast<unsigned char>(name.back()) == 0x4E) name.pop_back();
    if (m_pHostCtrl) static_cast<void>(m_pHostCtrl->SendString("\x7C\x7C" + name));
}

}  // namespace core
