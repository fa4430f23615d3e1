// The judge's status, states and sequence numbers, what a ticket printer answered, and the
// translation of a host message.
#include <exception>
#include <vector>

#include "HostTrevoInternal.h"
#include "core/HostMessageJudge.h"
#include "core/Translation.h"
#include "core/VekaStrings.h"

namespace core {

using namespace hostlink;

namespace {

const char* DeviceStatusName(char c) {
    switch (c) {
        case NORMAL_STATUS:
            return "NORMAL_STATUS";
        case TSN_OUT_OF_SEQUENCE:
            return "TSN_OUT_OF_SEQUENCE";
        case TRANSMISSION_ERROR:
            return "TRANSMISSION_ERROR";
        case COMMUNICATION_LINK_FAILURE:
            return "COMMUNICATION_LINK_FAILURE";
        case DEVICE_UNABLE_TO_ACCEPT_DATA:
            return "DEVICE_UNABLE_TO_ACCEPT_DATA";
        case REQUEST_FOR_TEMPORARY_HOLD:
            return "REQUEST_FOR_TEMPORARY_HOLD";
        case TRANSMISSION_RETRY:
            return "TRANSMISSION_RETRY";
        case UNPROTECTED_MODE:
            return "UNPROTECTED_MODE";
        case DEVICE_NON_EXISTENT:
            return "DEVICE_NON_EXISTENT";
        default:
            return nullptr;
    }
}

// The string id of the last-error text that goes with a status; 0 where it has none.
std::uint32_t DeviceStatusTextId(char c) {
    if (c < TSN_OUT_OF_SEQUENCE || c > DEVICE_NON_EXISTENT || c == UNPROTECTED_MODE) return 0;
    return IDS_TSN_OUT_OF_SEQUENCE + static_cast<std::uint32_t>(c - TSN_OUT_OF_SEQUENCE);
}

const char* HostStateName(int e) {
    switch (e) {
        case HOST_AVAIL:
            return "HOST_AVAIL";
        case HOST_AVAIL_TEMP_HOLD:
            return "HOST_AVAIL_TEMP_HOLD";
        case HOST_AVAIL_PERM_HOLD:
            return "HOST_AVAIL_PERM_HOLD";
        case HOST_OFFLINE:
            return "HOST_OFFLINE";
        default:
            return nullptr;
    }
}

}  // namespace

bool HostMessageJudge::IsHost(char c1, char c2) const noexcept {
    return m_byHostC1 == E(c1) && m_byHostC2 == E(c2);
}

std::uint8_t HostMessageJudge::AckLetter() const noexcept {
    return EbcdicLetterToAscii(m_byHostLTSN);
}

// --- Status and states ------------------------------------------------------------------

void HostMessageJudge::SetDeviceStatus(char cStatus, HostLinkEffects& out) {
    static const char* const kLabel = "CHostTrevo::SetDeviceStatus():";
    const char* const device = m_settings.m_strDeviceName.c_str();
    m_eDeviceStatus = cStatus;
    if (const char* name = DeviceStatusName(cStatus)) {
        JUDGE_TRACE(out, 0, kLabel, "'%s', %s", device, name);
    } else {
        JUDGE_TRACE(out, 2, kLabel, "'%s', Invalid eDeviceStatus=%i", device,
                    static_cast<int>(cStatus));
    }
    if (const std::uint32_t id = DeviceStatusTextId(cStatus)) {
        HostLinkEffect effect;
        effect.m_eKind = HostLinkEffect::LAST_ERROR;
        effect.m_nValue = static_cast<int>(id);
        out.push_back(std::move(effect));
    }
}

void HostMessageJudge::SetHostState(int eState, HostLinkEffects& out) {
    static const char* const kLabel = "CHostTrevo::SetHostState():";
    const char* const device = m_settings.m_strDeviceName.c_str();
    m_eHostState = static_cast<eHostState>(eState);
    if (const char* name = HostStateName(eState)) {
        JUDGE_TRACE(out, 0, kLabel, "'%s', %s", device, name);
    } else {
        JUDGE_TRACE(out, 2, kLabel, "'%s', Invalid eHostState=%i", device, eState);
    }
}

bool HostMessageJudge::IsCompleteMessage() const noexcept {
    if (m_byHostC1 == E('B') || m_byHostC1 == E('C')) return true;
    if (m_byHostC1 == E('A')) return false;
    return m_byHostEOM == EBCDIC_EOM_C || m_byHostEOM == EBCDIC_EOM_U;
}

bool HostMessageJudge::IsDeviceControlMessage() const noexcept {
    return m_byDeviceC1 == 'D' || (m_byDeviceC1 == 'C' && m_byDeviceC2 == 'R');
}

// --- Sequence numbers -------------------------------------------------------------------

void HostMessageJudge::MaintainTSN(HostLinkEffects& out) {
    if (m_eDeviceStatus == NORMAL_STATUS && (m_byHostC1 == E('A') || m_byHostC1 == E('B')) &&
        m_bProtectedMode) {
        m_byHostExpectedTSN = NextTsn(m_byHostC2);
        m_byHostLTSN = m_byHostC2;
    }
    switch (m_eDeviceStatus) {
        case TRANSMISSION_ERROR:
        case COMMUNICATION_LINK_FAILURE:
        case TRANSMISSION_RETRY:
            JUDGE_TRACE(out, 0, "CHostTrevo::MaintainTSN():Before COMMUNICATION_LINK_FAILURE:",
                        "'%s', Ascii m_byHostC1=%c m_byHostC2 = %c",
                        m_settings.m_strDeviceName.c_str(), EbcdicLetterToAscii(m_byHostC1),
                        EbcdicLetterToAscii(m_byHostC2));
            GetLTSN(out);
            break;
        case DEVICE_UNABLE_TO_ACCEPT_DATA:
            if (m_settings.m_bPassThrough) GetLTSN(out);
            break;
        default:
            break;
    }
}

void HostMessageJudge::ForgetMessage(const HostMessageHeader& message) {
    if (message.m_byC1 != E('A') && message.m_byC1 != E('B')) return;
    if (m_byHostLastTSN == message.m_byC2) m_byHostLastTSN = 0;
    if (m_byLastC1 == message.m_byC1 && m_byLastC2 == message.m_byC2) m_byLastC1 = m_byLastC2 = 0;
}

void HostMessageJudge::GetLTSN(HostLinkEffects& out) {
    static const char* const kLabel = "CHostTrevo::GetLTSN():";
    const char* pszCase = "unchanged";
    if (IsHost('C', 'R')) {
        pszCase = "reset, unchanged";
    } else if ((IsHost('A', 'A') || IsHost('B', 'A')) && m_CRFlag) {
        m_byHostLTSN = NO_TSN;
        pszCase = "first after reset, no TSN";
    } else if (m_byHostC1 == E('A') || m_byHostC1 == E('B')) {
        // A C2 outside the cycle has no letter before it and leaves the TSN as it is.
        m_byHostLTSN = IsTsnLetter(m_byHostC2) ? PreviousTsn(m_byHostC2) : m_byHostLTSN;
        pszCase = "letter before C2";
    }
    JUDGE_TRACE(out, 0, kLabel, "'%s', Ascii m_byHostC1=%c m_byHostC2 = %c, %s",
                m_settings.m_strDeviceName.c_str(), EbcdicLetterToAscii(m_byHostC1),
                EbcdicLetterToAscii(m_byHostC2), pszCase);
}

void HostMessageJudge::MaintainTSNThenHold(HostLinkEffects& out) {
    SetDeviceStatus(NORMAL_STATUS, out);
    MaintainTSN(out);
    SetDeviceStatus(REQUEST_FOR_TEMPORARY_HOLD, out);
}

// --- What a ticket printer sent ---------------------------------------------------------

eDeviceAction HostMessageJudge::MsgFromATB2(std::string& msg, bool bFramed, std::time_t now,
                                            HostLinkEffects& out) {
    static const char* const kLabel = "CHostTrevo::MsgFromATB2():";
    const char* const device = m_settings.m_strDeviceName.c_str();
    JUDGE_TRACE(out, 0, kLabel, "'%s'", device);
    if (TraceKept(0)) TraceBare(out, HostLinkEffect::TRACE_DATA, msg);
    // Each rule reads a fixed place of the message: one too short for it is refused.
    auto tooShort = [&] {
        LastError(out, JUDGE_TRACE_TEXT(out, 2, kLabel,
                                        "'%s', Message from ATB2 of %i bytes too short, ignored",
                                        device, static_cast<int>(msg.size())));
        return IGNORE_BUFFER_FROM_HOST;
    };
    if (bFramed) {
        if (msg.size() < 6) return tooShort();
        msg = msg.substr(3, msg.size() - 6);
    }
    // The printer's own bytes must hold what the rule for its kind of answer reads.
    const std::uint8_t first = At(msg, 0);
    const std::size_t need = first == 'C' ? (At(msg, 1) == 'R' ? 2 : 4) : first == 'D' ? 12 : 1;
    if (msg.size() < need) return tooShort();
    msg.push_back(static_cast<char>(ASCII_EOM_C));

    m_byDeviceC1 = At(msg, 0);
    m_byDeviceC2 = At(msg, 1);
    m_timeDevice = now;
    if (m_byDeviceC1 == 'C' && m_byDeviceC2 == 'R') {
        m_byDeviceDS = 0;
        SetDeviceStatus(NORMAL_STATUS, out);
        m_strDeviceData.clear();
        return SEND_BUFFER_TO_DEVICE_AND_ACK_HOST;
    }
    if (m_byDeviceC1 == 'C') {
        m_byDeviceDS = At(msg, 3);
        JUDGE_TRACE(out, 0, kLabel, "'%s', m_byDeviceDS=%c", device, Printable(m_byDeviceDS));
        switch (m_byDeviceDS) {
            case '0':
            case '1':
            case '2':
            case '3':
            case '6':
            case '7':
            case '8':
                SetDeviceStatus(static_cast<char>(m_byDeviceDS), out);
                SetHostState(HOST_AVAIL, out);
                break;
            case '4':
                SetDeviceStatus(DEVICE_UNABLE_TO_ACCEPT_DATA, out);
                SetHostState(HOST_AVAIL_PERM_HOLD, out);
                break;
            case '5':
                SetDeviceStatus(REQUEST_FOR_TEMPORARY_HOLD, out);
                SetHostState(HOST_AVAIL_TEMP_HOLD, out);
                break;
            default:
                LastError(out, JUDGE_TRACE_TEXT(out, 2, kLabel, "'%s', Invalid m_byDeviceDS=%c",
                                                device, Printable(m_byDeviceDS)));
                break;
        }
        m_strDeviceData.clear();
        return SEND_BUFFER_TO_DEVICE_AND_ACK_HOST;
    }
    if (m_byDeviceC1 == 'D') {
        m_strDeviceData = msg.substr(8, 4);
        msg.insert(0, "W*");
        return ACK_HOST_ONLY;
    }
    LastError(out, JUDGE_TRACE_TEXT(out, 2, kLabel, "Invalid message from ATB2 ignored"));
    return IGNORE_BUFFER_FROM_HOST;
}

eDeviceAction HostMessageJudge::MsgFromATB2AnswerBack(std::string& msg, std::time_t now,
                                                      HostLinkEffects& out) {
    static const char* const kLabel = "CHostTrevo::MsgFromATB2():";
    JUDGE_TRACE(out, 0, kLabel, "'%s'", m_settings.m_strDeviceName.c_str());
    if (TraceKept(0)) TraceBare(out, HostLinkEffect::TRACE_DATA, msg);
    msg.push_back(static_cast<char>(ASCII_EOM_C));
    m_timeDevice = now;
    if (m_byDeviceC1 != 'D') return IGNORE_BUFFER_FROM_HOST;
    if (msg.size() < 5) {
        LastError(out, JUDGE_TRACE_TEXT(
                           out, 2, kLabel, "'%s', Message from ATB2 of %i bytes too short, ignored",
                           m_settings.m_strDeviceName.c_str(), static_cast<int>(msg.size())));
        return IGNORE_BUFFER_FROM_HOST;
    }
    msg.erase(0, 5);
    return ACK_HOST_ONLY;
}

// --- Translation of a host message ------------------------------------------------------

std::size_t HostMessageJudge::MsgFromHostSpannedDLESequences(std::string& msg,
                                                             HostLinkEffects& out) {
    static const char* const kLabel = "CHostTrevo::MsgFromHostSpannedDLESequences():";
    const char kShift = static_cast<char>(EBCDIC_SHIFT);
    const char kBlank = static_cast<char>(EBCDIC_BLANK);
    const std::size_t at = msg.size() < 2 ? msg.size() : 2;
    if (m_nSpannedDLEState == 1) {
        msg.insert(at, 1, kShift);
        JUDGE_TRACE(out, 0, kLabel, "'%s', Added DLE prefix", m_settings.m_strDeviceName.c_str());
    } else if (m_nSpannedDLEState == 2) {
        msg.insert(at, {kShift, kBlank});
        JUDGE_TRACE(out, 0, kLabel, "'%s', Added DLE_SPACE prefix",
                    m_settings.m_strDeviceName.c_str());
    }
    m_nSpannedDLEState = 0;

    // The last byte is the end of message; look at what stands before it.
    const std::size_t n = msg.size();
    if (n < 3) return n;
    std::size_t shift = 0;  // index of the shift byte that opens the sequence
    std::size_t open = 0;   // bytes of the open sequence
    if (msg[n - 2] == kShift) {
        shift = n - 2;
        open = 1;
    } else if (msg[n - 2] == kBlank && msg[n - 3] == kShift && n >= 4) {
        shift = n - 3;
        open = 2;
    }
    if (open == 0) return n;
    // Two shift bytes in a row are one character: only an odd run leaves one unpaired.
    std::size_t run = 0;
    for (std::size_t i = shift; i >= 1 && msg[i] == kShift; --i) ++run;
    if (run % 2 == 0) return n;
    m_nSpannedDLEState = static_cast<int>(open);
    msg.erase(shift, open);
    return msg.size();
}

void HostMessageJudge::MsgTranslateEbcdicToAscii(std::string& msg, HostLinkEffects& out) {
    static const char* const kLabel = "CHostTrevo::MsgTranslateEbcdicToAscii():";
    const char* const device = m_settings.m_strDeviceName.c_str();
    try {
        const std::size_t n = MsgFromHostSpannedDLESequences(msg, out);
        JUDGE_TRACE(out, 0, kLabel, "'%s', Before translation: %i bytes", device,
                    static_cast<int>(n));
        if (TraceKept(0)) TraceBare(out, HostLinkEffect::TRACE_TEXT, msg);
        const auto in = Bytes(msg).first(n);
        CHostLengthScanner scanner(m_settings.m_bPassThrough, m_settings.m_bPlatformTitle);
        const std::size_t length = scanner.EbcdicToAsciiLength(in);
        std::string text(length + 1, '\0');
        const std::size_t written = scanner.TranslateEbcdicToAscii(
            in, {reinterpret_cast<std::uint8_t*>(text.data()), text.size()});
        // Leave out C1 C2 (unless passing through), the closing end-of-message byte, every
        // end-of-message byte inside the text and every byte without a character.
        std::size_t kept = 0;
        for (std::size_t i = m_settings.m_bPassThrough ? 0 : 2; i + 1 < written; ++i) {
            const auto b = static_cast<std::uint8_t>(text[i]);
            if (b == 0 || (b >= ASCII_EOM_I && b <= ASCII_EOM_PB)) continue;
            text[kept++] = static_cast<char>(b);
        }
        text.resize(kept);
        msg.swap(text);
    } catch (const std::exception& e) {
        HostLinkEffect effect;
        effect.m_eKind = HostLinkEffect::TRACE_EXCEPTION;
        effect.m_pszLabel = kLabel;
        effect.m_pszFile = __FILE__;
        effect.m_nLine = __LINE__;
        effect.m_strText = "Exception:";
        effect.m_strWhat = e.what();
        out.push_back(std::move(effect));
    }
    JUDGE_TRACE(out, 0, kLabel, "'%s', After translation: %i bytes", device,
                static_cast<int>(msg.size()));
    if (TraceKept(0)) TraceBare(out, HostLinkEffect::TRACE_TEXT, msg);
}

}  // namespace core
