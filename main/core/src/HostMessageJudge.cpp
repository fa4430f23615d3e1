// How the judge takes a message from the host.
#include "core/HostMessageJudge.h"

#include <cstdarg>
#include <cstdio>

#include "HostTrevoInternal.h"
#include "core/Translation.h"

namespace core {

namespace hostlink {

std::string Trace(HostLinkEffects& out, int level, const char* file, int line, const char* label,
                  const char* format, ...) {
    char buffer[512] = {};  // the trace log keeps at most 511 characters of a text
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    HostLinkEffect effect;
    effect.m_nValue = level;
    effect.m_pszLabel = label;
    effect.m_pszFile = file;
    effect.m_nLine = line;
    effect.m_strText = buffer;
    out.push_back(effect);
    return effect.m_strText;
}

}  // namespace hostlink

using namespace hostlink;

namespace {

constexpr const char* kLabel = "CHostTrevo::MsgFromHost():";
constexpr char CR = 0x0D;
constexpr char LF = 0x0A;
constexpr char FF = 0x0C;

void Add(HostLinkEffects& out, HostLinkEffect::Kind kind, int nValue = 0, std::string text = {}) {
    HostLinkEffect effect;
    effect.m_eKind = kind;
    effect.m_nValue = nValue;
    effect.m_strText = std::move(text);
    out.push_back(std::move(effect));
}

}  // namespace

HostMessageJudge::HostMessageJudge(HostLinkSettings settings, ByPassKeyReader byPassKey)
    : m_settings(std::move(settings)), m_byPassKey(std::move(byPassKey)) {}

eDeviceAction HostMessageJudge::MsgFromHost(std::string& msg, std::time_t now,
                                            HostLinkEffects& out) {
    const auto c1 = static_cast<std::uint8_t>(msg.size() > 0 ? msg[0] : 0);
    const auto c2 = static_cast<std::uint8_t>(msg.size() > 1 ? msg[1] : 0);
    const eDeviceAction verdict = JudgeHostMessage(msg, now, out);
    if (m_flags.m_bPrinterSessionDevice) NoteSegment(c1, c2, verdict);
    return verdict;
}

void HostMessageJudge::NoteSegment(std::uint8_t c1, std::uint8_t c2, eDeviceAction verdict) {
    constexpr std::uint8_t A = 0xC1, B = 0xC2, C = 0xC3, R = 0xD9;  // EBCDIC
    HostMessageFlags& f = m_flags;
    if (c1 == C && c2 == R) m_bStartsPrinterMessage = true;
    if (verdict != SEND_BUFFER_TO_DEVICE_AND_ACK_HOST) return;
    const bool bStarting = m_bStartsPrinterMessage;
    if (bStarting) {
        f.g_iFirstSegment = true;
        f.m_bFirstSegmentWhiteSpace = true;
    }
    const bool bComplete = IsCompleteMessage();
    f.g_iLastSegment = bComplete;
    f.g_iEverySegOAB = c1 == A && !bStarting;
    f.m_bCollectWhiteSpace = c1 == A || c1 == B;
    if (c1 == A && c2 == A && !f.m_bTicketRunInProgress) {
        f.m_bTNVHeaderExpected = true;
        f.m_bTNVHeaderExpected2 = true;
    }
    m_bStartsPrinterMessage = bComplete;
}

eDeviceAction HostMessageJudge::JudgeHostMessage(std::string& msg, std::time_t now,
                                                 HostLinkEffects& out) {
    const char* const name = m_settings.m_strDeviceName.c_str();
    HostMessageFlags& f = m_flags;
    // Every rule reads C1 and C2: a message without them is not a host message.
    if (msg.size() < 2) {
        JUDGE_TRACE(out, 2, kLabel, "'%s', Invalid Data hence rejecting, %i bytes", name,
                    static_cast<int>(msg.size()));
        return IGNORE_BUFFER_FROM_HOST;
    }
    const std::uint8_t c1 = At(msg, 0);
    const std::uint8_t c2 = At(msg, 1);

    // Control frames of the route's provider.
    if (m_settings.m_bControlFrames && c1 == 0xFF && c2 == 0xFF) {
        switch (At(msg, 2)) {
            case 1:
                Add(out, HostLinkEffect::CONNECTED, 1);
                break;
            case 2:
                Add(out, HostLinkEffect::CONNECTED, 0);
                break;
            case 3:
                Add(out, HostLinkEffect::RECONNECT);
                break;
            case 4:
                Add(out, HostLinkEffect::ADD_HOSTS, 0, msg);
                return DEVICEACTIONONHOST_ACT_ON_CS;
            default:
                break;
        }
        return IGNORE_BUFFER_FROM_HOST;
    }

    const std::uint8_t eom = At(msg, msg.size() - 1);
    m_byHostC1 = c1;
    m_byHostC2 = c2;
    m_byHostEOM = eom;
    if (IsCompleteMessage()) m_timeMessage = now;
    JUDGE_TRACE(out, 0, kLabel, "'%s', Ebcdic: C1C2=0x%2x0x%2x EOM=0x%2x", name, c1, c2, eom);
    JUDGE_TRACE(out, 0, kLabel, "'%s',  Ascii: C1C2=%c   %c    EOM%s", name,
                EbcdicLetterToAscii(c1), EbcdicLetterToAscii(c2), GetEOMText(eom, 1).c_str());

    const bool bCS = c1 == E('C') && c2 == E('S');
    const bool bCT = c1 == E('C') && c2 == E('T');
    const bool bCR = c1 == E('C') && c2 == E('R');
    if (c1 != E('E')) m_bControlSignalPending = false;
    if (bCS) {
        if (!m_settings.m_bControlFrames) return IGNORE_BUFFER_FROM_HOST;
        m_bControlSignalPending = true;
        JUDGE_TRACE(out, 0, kLabel,
                    "Receive a Control Signal sending request to DEVICEACTIONONHOST_ACT_ON_CS");
        return DEVICEACTIONONHOST_ACT_ON_CS;
    }
    if (bCT) m_bSkipSequenceChecks = true;
    if (bCR) {
        f.m_bResetSeen = true;
        f.m_bResetReceived = true;
        m_CRFlag = true;
        m_bSkipSequenceChecks = false;
    }

    if (!m_bSkipSequenceChecks) {
        if (!m_settings.m_bPassThrough && (c1 == 0 || c2 == 0)) {
            JUDGE_TRACE(out, 0, kLabel, "Invalid Data hence rejecting");
            return IGNORE_BUFFER_FROM_HOST;
        }
        if (c1 < E('A') || c1 > E('E')) {
            JUDGE_TRACE(out, 0, kLabel, "Invalid Protected message rejecting");
            return IGNORE_BUFFER_FROM_HOST;
        }
    }

    if (f.m_bRejectProtected && (c1 == E('A') || c1 == E('B') || c1 == E('E'))) {
        f.m_bProtectedRejected = true;
        f.m_bRejectProtected = false;
        JUDGE_TRACE(out, 0, kLabel, "Invalid Protected message rejecting");
        return IGNORE_BUFFER_FROM_HOST;
    }
    f.m_bRejectProtected = false;

    MsgTranslateEbcdicToAscii(msg, out);
    if (bCR) m_CRFlag = true;
    if (c1 == E('A') && c2 == E('P')) m_CRFlag = false;
    f.m_bMessagePending = true;

    // A repeat of the message acknowledged last is acknowledged again; a second copy of the
    // last message is dropped.
    if (!m_bSkipSequenceChecks) {
        const bool bExempt = bCR || c2 == E('T') || c1 == E('E') || m_settings.m_bPassThrough;
        if (!bExempt) {
            if (c1 == m_byLastC1 && c2 == m_byHostLTSN) return REPEAT_ACK_TO_HOST;
            if (c1 == m_byLastC1 && c2 == m_byLastC2) return IGNORE_BUFFER_FROM_HOST;
        }
        m_byLastC1 = c1;
        m_byLastC2 = c2;
    }

    if (c1 == E('E')) Add(out, HostLinkEffect::CHANGE_HOST);

    if (m_settings.m_bPassThrough) {
        if (bCT && m_settings.m_bDeliverCT) return SEND_BUFFER_TO_DEVICE_AND_ACK_HOST;
        if (c1 == E('C') && c2 != E('R') && c2 != E('S')) return ACK_HOST_ONLY;
        return SEND_BUFFER_TO_DEVICE_AND_ACK_HOST;
    }

    // Printer series.
    if (c1 == E('A') && c2 == E('A')) {
        JUDGE_TRACE(out, 0, "CHostTrevo::MsgFromHost(): Before", "'%s', m_byDeviceDS=%d", name,
                    static_cast<int>(m_byDeviceDS));
        if (f.m_bAPSeen) {
            JUDGE_TRACE(out, 0, kLabel, "Inside if 1");
            f.m_bNewForm = false;
            f.m_bNewForm2 = false;
            f.m_bAPSeen = false;
        } else {
            f.m_bAASeen = true;
            JUDGE_TRACE(out, 0, kLabel, "Inside if 0");
            if (!f.m_bNoNewForm) {
                f.m_bMessagePending = false;
                f.m_bNewForm = true;
                f.m_bNewForm2 = true;
            }
        }
        JUDGE_TRACE(out, 0, "CHostTrevo::MsgFromHost(): After", "'%s', m_byDeviceDS=%d", name,
                    static_cast<int>(m_byDeviceDS));
    }
    if (c1 == E('A')) {
        if (f.m_bBSeries) {
            f.m_bAASeen = true;
            f.m_bBSeries = false;
            f.m_bMessagePending = false;
        }
        if (c2 == E('P')) f.m_bAPSeen = true;
    }
    if (c1 == E('B') && IsTsnLetter(c2)) {
        if (!f.m_bAASeen) f.m_bBWithoutAA = true;
        f.m_bBSeries = true;
        f.m_bBSeen = true;
        f.m_bMessagePending = false;
    }

    if (c1 == E('A') || c1 == E('B')) {
        f.m_bProtectedSeen = true;
        return MsgFromHostProtected(msg, out);
    }
    if (c1 == E('C')) return MsgFromHostControl(out);
    return MsgFromHostUnProtected(msg, out);
}

eDeviceAction HostMessageJudge::MsgFromHostProtected(std::string& msg, HostLinkEffects& out) {
    if (!m_bProtectedMode) {
        SetDeviceStatus(UNPROTECTED_MODE, out);
        return ACK_HOST_ONLY;
    }
    if (m_byHostC2 == m_byHostLastTSN && m_nProtectedReceived != 0) return IGNORE_BUFFER_FROM_HOST;
    m_byHostLastTSN = m_byHostC2;
    ++m_nProtectedReceived;
    if (m_byHostC2 != m_byHostExpectedTSN) {
        SetDeviceStatus(TSN_OUT_OF_SEQUENCE, out);
        return ACK_HOST_ONLY;
    }
    MsgFromHostReformat(msg, out);
    return SEND_BUFFER_TO_DEVICE_AND_ACK_HOST;
}

eDeviceAction HostMessageJudge::MsgFromHostControl(HostLinkEffects& out) {
    const std::uint8_t c2 = m_byHostC2;
    if (c2 == E('Q')) {
        if (!m_bProtectedMode) SetDeviceStatus(UNPROTECTED_MODE, out);
        return ACK_HOST_ONLY;
    }
    if (c2 == E('R')) {
        m_bProtectedMode = true;
        m_byHostLTSN = NO_TSN;
        m_byHostExpectedTSN = E('A');
        m_byHostLastTSN = 0;
        m_nProtectedReceived = 0;
        SetDeviceStatus(NORMAL_STATUS, out);
    }
    if (c2 == E('R') || c2 == E('T')) {
        return m_settings.m_bSpecialActions ? CONTROL_MESSAGE_TO_DEVICE : ACK_HOST_ONLY;
    }
    m_bProtectedMode = false;
    SetDeviceStatus(NORMAL_STATUS, out);
    return ACK_HOST_ONLY;
}

eDeviceAction HostMessageJudge::MsgFromHostUnProtected(std::string& msg, HostLinkEffects& out) {
    if (m_bProtectedMode) {
        JUDGE_TRACE(out, 0, "CHostTrevo::MsgFromHostUnProtected():",
                    "'%s', In protected mode, unprotected message ignored",
                    m_settings.m_strDeviceName.c_str());
        return IGNORE_BUFFER_FROM_HOST;
    }
    MsgFromHostReformat(msg, out);
    return SEND_BUFFER_TO_DEVICE_AND_ACK_HOST;
}

void HostMessageJudge::MsgFromHostReformat(std::string& msg, HostLinkEffects& out) {
    static const char* const kReformat = "CHostTrevo::MsgFromHostReformat():";
    const char* const name = m_settings.m_strDeviceName.c_str();
    JUDGE_TRACE(out, 0, kReformat, "'%s', Input  %i bytes", name, static_cast<int>(msg.size()));
    const std::uint8_t c1 = m_byHostC1;
    const std::uint8_t c2 = m_byHostC2;
    const std::uint8_t eom = m_byHostEOM;

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
    if (m_settings.m_bCRtoCRLF) {
        std::string crlf;
        crlf.reserve(msg.size() + msg.size() / 8);
        for (char ch : msg) {
            crlf.push_back(ch);
            if (ch == CR) crlf.push_back(LF);
        }
        msg.swap(crlf);
    }
    if (c1 == E('B') || (c1 != E('A') && (eom == EBCDIC_EOM_C || eom == EBCDIC_EOM_U))) {
        if (!msg.empty() && msg.back() == FF) msg.pop_back();
        msg += m_settings.m_strEndOfOutput;
    }
    // A carriage return after a byte that is no printable character gets a blank before it.
    if (!m_settings.m_bSpecialActions) {
        const auto needsBlank = [](std::uint8_t previous) {
            return previous != 0 && (previous < 0x20 || previous > 0x7D);
        };
        // Most messages have no such carriage return: they are left as they are.
        std::size_t first = msg.find(CR);
        while (
            first != std::string::npos &&
            !needsBlank(first ? static_cast<std::uint8_t>(msg[first - 1]) : m_byPreviousLastByte))
            first = msg.find(CR, first + 1);
        if (first != std::string::npos) {
            std::uint8_t previous =
                first ? static_cast<std::uint8_t>(msg[first - 1]) : m_byPreviousLastByte;
            std::string spaced;
            spaced.reserve(msg.size() + 8);
            spaced.append(msg, 0, first);
            for (std::size_t i = first; i < msg.size(); ++i) {
                const char ch = msg[i];
                if (ch == CR && needsBlank(previous)) spaced.push_back(' ');
                spaced.push_back(ch);
                previous = static_cast<std::uint8_t>(ch);
            }
            msg.swap(spaced);
        }
    }
    // A lone form feed right after an output that ended in one would feed an empty page.
    if (m_bPreviousEndedInFormFeed && msg.size() == 2 && msg[1] == FF &&
        !(c1 == E('B') && (m_byPassKey ? m_byPassKey() : 1) != 0)) {
        msg.clear();
    } else {
        m_bPreviousEndedInFormFeed = !msg.empty() && msg.back() == FF;
    }
    JUDGE_TRACE(out, 0, kReformat, "'%s', Output %i bytes", name, static_cast<int>(msg.size()));
    m_byPreviousLastByte = msg.empty() ? 0 : static_cast<std::uint8_t>(msg.back());
}

}  // namespace core
