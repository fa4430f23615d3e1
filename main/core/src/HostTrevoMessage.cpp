// How the host link judges a message from the host.
#include "HostTrevoInternal.h"
#include "core/HostTrevo.h"
#include "core/TraceLog.h"
#include "core/Translation.h"
#include "platform/Time.h"

namespace core {

using namespace hostlink;

namespace {

constexpr const char* kLabel = "CHostTrevo::MsgFromHost():";
constexpr char CR = 0x0D;
constexpr char LF = 0x0A;
constexpr char FF = 0x0C;

}  // namespace

eDeviceAction CHostTrevo::MsgFromHost(std::string& msg) {
    const char* const name = m_strDeviceName.c_str();
    // Every rule reads C1 and C2: a message without them is not a host message.
    if (msg.size() < 2) {
        TRACE_FORMAT(2, kLabel, "'%s', Invalid Data hence rejecting, %i bytes", name,
                     static_cast<int>(msg.size()));
        return IGNORE_BUFFER_FROM_HOST;
    }
    const std::uint8_t c1 = At(msg, 0);
    const std::uint8_t c2 = At(msg, 1);

    // Control frames of the route's provider.
    if (m_bControlFrames && c1 == 0xFF && c2 == 0xFF) {
        switch (At(msg, 2)) {
            case 1:
                OnConnect(1);
                break;
            case 2:
                OnConnect(0);
                break;
            case 3: {
                std::lock_guard lock(m_csState);
                m_nConnectionRetries = 0;
                m_strCurrentHost = m_strLastGoodHost;
            }
                HostStartReconnect();
                break;
            case 4:
                AddHostsFromControlFrame(msg);
                return DEVICEACTIONONHOST_ACT_ON_CS;
            default:
                break;
        }
        return IGNORE_BUFFER_FROM_HOST;
    }

    const std::uint8_t eom = At(msg, msg.size() - 1);
    {
        std::lock_guard lock(m_csState);
        m_byHostC1 = c1;
        m_byHostC2 = c2;
        m_byHostEOM = eom;
        if (IsCompleteMessage()) m_timeMessage = platform::CurrentTime();
    }
    TRACE_FORMAT(0, kLabel, "'%s', Ebcdic: C1C2=0x%2x0x%2x EOM=0x%2x", name, c1, c2, eom);
    TRACE_FORMAT(0, kLabel, "'%s',  Ascii: C1C2=%c   %c    EOM%s", name, EbcdicLetterToAscii(c1),
                 EbcdicLetterToAscii(c2), GetEOMText(eom, 1).c_str());

    const bool bCS = c1 == E('C') && c2 == E('S');
    const bool bCT = c1 == E('C') && c2 == E('T');
    const bool bCR = c1 == E('C') && c2 == E('R');
    if (c1 != E('E')) m_bControlSignalPending = false;
    if (bCS) {
        if (!m_bControlFrames) return IGNORE_BUFFER_FROM_HOST;
        m_bControlSignalPending = true;
        TRACE_FORMAT(0, kLabel,
                     "Receive a Control Signal sending request to DEVICEACTIONONHOST_ACT_ON_CS");
        return DEVICEACTIONONHOST_ACT_ON_CS;
    }
    if (bCT) m_bSkipSequenceChecks = true;
    if (bCR) {
        m_bResetSeen = true;
        m_bResetReceived = true;
        std::lock_guard lock(m_csState);
        m_CRFlag = true;
        m_bSkipSequenceChecks = false;
    }

    if (!m_bSkipSequenceChecks) {
        if (!m_bPassThrough && (c1 == 0 || c2 == 0)) {
            TRACE_FORMAT(0, kLabel, "Invalid Data hence rejecting");
            return IGNORE_BUFFER_FROM_HOST;
        }
        if (c1 < E('A') || c1 > E('E')) {
            TRACE_FORMAT(0, kLabel, "Invalid Protected message rejecting");
            return IGNORE_BUFFER_FROM_HOST;
        }
    }

    if (m_bRejectProtected && (c1 == E('A') || c1 == E('B') || c1 == E('E'))) {
        m_bProtectedRejected = true;
        m_bRejectProtected = false;
        TRACE_FORMAT(0, kLabel, "Invalid Protected message rejecting");
        return IGNORE_BUFFER_FROM_HOST;
    }
    m_bRejectProtected = false;

    MsgTranslateEbcdicToAscii(msg);
    {
        std::lock_guard lock(m_csState);
        if (bCR) m_CRFlag = true;
        if (c1 == E('A') && c2 == E('P')) m_CRFlag = false;
    }
    m_bMessagePending = true;

    // A repeat of the message acknowledged last is acknowledged again; a second copy of the
    // last message is dropped.
    if (!m_bSkipSequenceChecks) {
        const bool bExempt = bCR || c2 == E('T') || c1 == E('E') || m_bPassThrough;
        if (!bExempt) {
            std::lock_guard lock(m_csState);
            if (c1 == m_byLastC1 && c2 == m_byHostLTSN) return REPEAT_ACK_TO_HOST;
            if (c1 == m_byLastC1 && c2 == m_byLastC2) return IGNORE_BUFFER_FROM_HOST;
        }
        m_byLastC1 = c1;
        m_byLastC2 = c2;
    }

    if (c1 == E('E')) IssueChangeChange();

    if (m_bPassThrough) {
        if (bCT && m_bDeliverCT) return SEND_BUFFER_TO_DEVICE_AND_ACK_HOST;
        if (c1 == E('C') && c2 != E('R') && c2 != E('S')) return ACK_HOST_ONLY;
        return SEND_BUFFER_TO_DEVICE_AND_ACK_HOST;
    }

    // Printer series.
    if (c1 == E('A') && c2 == E('A')) {
        // The printer's receive thread writes the data-set status while this one reads it.
        const auto deviceDS = [this] {
            std::lock_guard lock(m_csState);
            return static_cast<int>(m_byDeviceDS);
        };
        static const char* const kSeries = "CHostTrevo::MsgFromHost(): Before";
        TRACE_FORMAT(0, kSeries, "'%s', m_byDeviceDS=%d", name, deviceDS());
        if (m_bAPSeen) {
            TRACE_FORMAT(0, kLabel, "Inside if 1");
            m_bNewForm = false;
            m_bNewForm2 = false;
            m_bAPSeen = false;
        } else {
            m_bAASeen = true;
            TRACE_FORMAT(0, kLabel, "Inside if 0");
            if (!m_bNoNewForm) {
                m_bMessagePending = false;
                m_bNewForm = true;
                m_bNewForm2 = true;
            }
        }
        TRACE_FORMAT(0, "CHostTrevo::MsgFromHost(): After", "'%s', m_byDeviceDS=%d", name,
                     deviceDS());
    }
    if (c1 == E('A')) {
        if (m_bBSeries) {
            m_bAASeen = true;
            m_bBSeries = false;
            m_bMessagePending = false;
        }
        if (c2 == E('P')) m_bAPSeen = true;
    }
    if (c1 == E('B') && IsTsnLetter(c2)) {
        if (!m_bAASeen) m_bBWithoutAA = true;
        m_bBSeries = true;
        m_bBSeen = true;
        m_bMessagePending = false;
    }

    if (c1 == E('A') || c1 == E('B')) {
        m_bProtectedSeen = true;
        return MsgFromHostProtected(msg);
    }
    if (c1 == E('C')) return MsgFromHostControl(msg);
    return MsgFromHostUnProtected(msg);
}

eDeviceAction CHostTrevo::MsgFromHostProtected(std::string& msg) {
    std::unique_lock lock(m_csState);
    if (!m_bProtectedMode) {
        SetDeviceStatus(UNPROTECTED_MODE);
        return ACK_HOST_ONLY;
    }
    if (m_byHostC2 == m_byHostLastTSN && m_nProtectedReceived != 0) return IGNORE_BUFFER_FROM_HOST;
    m_byHostLastTSN = m_byHostC2;
    ++m_nProtectedReceived;
    if (m_byHostC2 != m_byHostExpectedTSN) {
        SetDeviceStatus(TSN_OUT_OF_SEQUENCE);
        return ACK_HOST_ONLY;
    }
    lock.unlock();
    MsgFromHostReformat(msg);
    return SEND_BUFFER_TO_DEVICE_AND_ACK_HOST;
}

eDeviceAction CHostTrevo::MsgFromHostControl(std::string&) {
    std::lock_guard lock(m_csState);
    const std::uint8_t c2 = m_byHostC2;
    if (c2 == E('Q')) {
        if (!m_bProtectedMode) SetDeviceStatus(UNPROTECTED_MODE);
        return ACK_HOST_ONLY;
    }
    if (c2 == E('R')) {
        m_bProtectedMode = true;
        m_byHostLTSN = NO_TSN;
        m_byHostExpectedTSN = E('A');
        m_byHostLastTSN = 0;
        m_nProtectedReceived = 0;
        SetDeviceStatus(NORMAL_STATUS);
    }
    if (c2 == E('R') || c2 == E('T')) {
        return m_bSpecialActions ? CONTROL_MESSAGE_TO_DEVICE : ACK_HOST_ONLY;
    }
    m_bProtectedMode = false;
    SetDeviceStatus(NORMAL_STATUS);
    return ACK_HOST_ONLY;
}

eDeviceAction CHostTrevo::MsgFromHostUnProtected(std::string& msg) {
    {
        std::lock_guard lock(m_csState);
        if (m_bProtectedMode) {
            TRACE_FORMAT(0, "CHostTrevo::MsgFromHostUnProtected():",
                         "'%s', In protected mode, unprotected message ignored",
                         m_strDeviceName.c_str());
            return IGNORE_BUFFER_FROM_HOST;
        }
    }
    MsgFromHostReformat(msg);
    return SEND_BUFFER_TO_DEVICE_AND_ACK_HOST;
}

std::uint32_t CHostTrevo::ReadByPassKey() {
    std::uint32_t value = 1;
    if (!m_pRegistry) return value;
    if (!m_pRegistry->QueryDWORD(kApplicationKey, "ByPassKey", value)) {
        value = 1;
        static_cast<void>(m_pRegistry->SetDWORD(kApplicationKey, "ByPassKey", value));
    }
    return value;
}

void CHostTrevo::MsgFromHostReformat(std::string& msg) {
    static const char* const kReformat = "CHostTrevo::MsgFromHostReformat():";
    const char* const name = m_strDeviceName.c_str();
    TRACE_FORMAT(0, kReformat, "'%s', Input  %i bytes", name, static_cast<int>(msg.size()));
    std::uint8_t c1, c2, eom;
    {
        std::lock_guard lock(m_csState);
        c1 = m_byHostC1;
        c2 = m_byHostC2;
        eom = m_byHostEOM;
    }

    if (c1 == 0 && (c2 == 0x15 || c2 == 0x4F)) msg.insert(msg.begin(), CR);
    for (char& ch : msg) {
        switch (static_cast<std::uint8_t>(ch)) {
            case 0x87:
                ch = '#';
                break;
            case 0x94:
                ch = '^';
                break;
            case 0xA4:
                ch = 0x40;
                break;
            default:
                break;
        }
    }
    for (std::size_t i = 0; i + 1 < msg.size(); ++i) {
        if (msg[i] == CR && msg[i + 1] == '>') msg[i + 1] = FF;
    }
    if (m_bCRtoCRLF) {
        std::string out;
        out.reserve(msg.size() + msg.size() / 8);
        for (char ch : msg) {
            out.push_back(ch);
            if (ch == CR) out.push_back(LF);
        }
        msg.swap(out);
    }
    if (c1 == E('B') || (c1 != E('A') && (eom == EBCDIC_EOM_C || eom == EBCDIC_EOM_U))) {
        if (!msg.empty() && msg.back() == FF) msg.pop_back();
        msg += m_strEndOfOutput;
    }
    // A carriage return after a byte that is no printable character gets a blank before it.
    if (!m_bSpecialActions) {
        std::uint8_t previous = m_byPreviousLastByte;
        std::string out;
        out.reserve(msg.size() + 8);
        for (char ch : msg) {
            if (ch == CR && previous != 0 && (previous < 0x20 || previous > 0x7D)) {
                out.push_back(' ');
            }
            out.push_back(ch);
            previous = static_cast<std::uint8_t>(ch);
        }
        msg.swap(out);
    }
    // A lone form feed right after an output that ended in one would feed an empty page.
    if (m_bPreviousEndedInFormFeed && msg.size() == 2 && msg[1] == FF &&
        !(c1 == E('B') && ReadByPassKey() != 0)) {
        msg.clear();
    } else {
        m_bPreviousEndedInFormFeed = !msg.empty() && msg.back() == FF;
    }
    TRACE_FORMAT(0, kReformat, "'%s', Output %i bytes", name, static_cast<int>(msg.size()));
    m_byPreviousLastByte = msg.empty() ? 0 : static_cast<std::uint8_t>(msg.back());
}

}  // namespace core
