// The acknowledgements the judge builds for the host (ASCII) and for a ticket printer.
#include "HostTrevoInternal.h"
#include "core/BlockCheck.h"
#include "core/HostMessageJudge.h"
#include "core/Translation.h"

namespace core {

using namespace hostlink;

namespace {

std::string Ack(std::uint8_t letter, char cThird, char cStatus) {
    return {'C', static_cast<char>(letter), cThird, cStatus, static_cast<char>(ASCII_EOM_C)};
}

void TraceAck(const HostMessageJudge& judge, HostLinkEffects& out, const char* pszLabel,
              const std::string& name, const std::string& ack) {
    if (!judge.TraceKept(0)) return;
    JUDGE_TRACE_TEXT(out, 0, pszLabel, "'%s', Ascii C1C2=%c%c EOM%c", name.c_str(),
                     Printable(At(ack, 0)), Printable(At(ack, 1)), Printable(At(ack, 4)));
}

// The temporary-hold record: begun by status "5", ended by "0"; other statuses leave it.
void TempHold(HostLinkEffects& out, char cStatus, std::uint8_t byLetter) {
    if (cStatus != NORMAL_STATUS && cStatus != REQUEST_FOR_TEMPORARY_HOLD) return;
    HostLinkEffect effect;
    effect.m_eKind = HostLinkEffect::TEMP_HOLD;
    effect.m_nValue = cStatus;
    effect.m_nLetter = byLetter;
    out.push_back(std::move(effect));
}

}  // namespace

std::string HostMessageJudge::MsgAckToHostCreate(char cAckType, HostLinkEffects& out) {
    static const char* const kLabel = "CHostTrevo::MsgAckToHostCreate():";
    const std::string& name = m_settings.m_strDeviceName;
    std::string ack;
    MaintainTSN(out);
    const char cStatus = m_eDeviceStatus;
    const std::uint8_t letter = AckLetter();
    bool bProtected = false;
    if (m_byHostC1 == E('A') || m_byHostC1 == E('B')) {
        ack = Ack(letter, cAckType, cStatus);
        bProtected = true;
        if (m_nProtectedReceived > 0) --m_nProtectedReceived;
    } else if (m_byHostC1 == E('C')) {
        ack = Ack(m_byHostC2 == E('Q') ? letter : 0x01, cAckType, cStatus);
    } else if (m_byHostEOM == EBCDIC_EOM_U || m_byHostEOM == EBCDIC_EOM_I) {
        JUDGE_TRACE(out, 0, kLabel, "'%s', Ascii EOM%c", name.c_str(), Printable(m_byHostEOM));
        ack.assign(1, static_cast<char>(ASCII_EOM_I));
    } else {
        JUDGE_TRACE(out, 0, kLabel, "'%s', No ack created", name.c_str());
    }
    if (ack.size() > 1) TraceAck(*this, out, kLabel, name, ack);
    if (bProtected) TempHold(out, cStatus, letter);
    return ack;
}

std::string HostMessageJudge::MsgAckToHostCreate(char cAckType, const HostMessageHeader& written,
                                                 HostLinkEffects& out) {
    const HostMessageHeader last = Header();
    m_byHostC1 = written.m_byC1;
    m_byHostC2 = written.m_byC2;
    m_byHostEOM = written.m_byEOM;
    std::string ack = MsgAckToHostCreate(cAckType, out);
    m_byHostC1 = last.m_byC1;
    m_byHostC2 = last.m_byC2;
    m_byHostEOM = last.m_byEOM;
    return ack;
}

std::string HostMessageJudge::PrinterAck(const char* pszLabelProtected, const char* pszLabelControl,
                                         char cThird, char cStatus, bool bTempHold,
                                         HostLinkEffects& out) {
    std::string ack;
    MaintainTSN(out);
    const std::uint8_t letter = AckLetter();
    const bool bProtected = m_byHostC1 == E('A') || m_byHostC1 == E('B');
    if (bProtected) {
        ack = Ack(letter, cThird, cStatus);
    } else if (m_byHostC1 == E('C')) {
        ack = Ack(0x40, cThird, cStatus);
    }
    if (!ack.empty()) {
        TraceAck(*this, out, bProtected ? pszLabelProtected : pszLabelControl,
                 m_settings.m_strDeviceName, ack);
    }
    if (bProtected && bTempHold) TempHold(out, cStatus, letter);
    return ack;
}

std::string HostMessageJudge::MsgAckToHostCreateATB2(char cStatus, HostLinkEffects& out) {
    return PrinterAck("CHostTrevo::MsgAckToHostCreateATB():",
                      "CHostTrevo::MsgAckToHostCreateATB2():", '2', cStatus, true, out);
}

std::string HostMessageJudge::MsgAckToHostCreateTNV(char cStatus, HostLinkEffects& out) {
    return PrinterAck("CHostTrevo::MsgAckToHostCreateTNV():",
                      "CHostTrevo::MsgAckToHostCreateTNV():", '2', cStatus, true, out);
}

std::string HostMessageJudge::MsgAckToHostCreateAsyncMini(char cStatus, HostLinkEffects& out) {
    static const char* const kLabel = "CHostTrevo::MsgAckToHostCreateAsyncMini():";
    if (m_byHostC1 != E('A') && m_byHostC1 != E('B') && m_byHostC1 != E('C')) {
        JUDGE_TRACE(out, 0, " Test CHostTrevo::MsgAckToHostCreateAsyncMini():",
                    "'%s', Ascii m_byHostC1=%c m_byHostLTSN  = %c EOM%c",
                    m_settings.m_strDeviceName.c_str(), Printable(EbcdicLetterToAscii(m_byHostC1)),
                    Printable(EbcdicLetterToAscii(m_byHostLTSN)), Printable(m_byHostEOM));
    }
    return PrinterAck(kLabel, kLabel, '0', cStatus, false, out);
}

std::string HostMessageJudge::MsgOutOfSequenceToHostCreate(HostLinkEffects& out) {
    static const char* const kLabel = "CHostTrevo::MsgOutOfSequenceToHostCreate():";
    SetDeviceStatus(TSN_OUT_OF_SEQUENCE, out);
    SetHostState(HOST_AVAIL, out);
    MaintainTSN(out);
    const std::string ack = Ack(AckLetter(), '2', TSN_OUT_OF_SEQUENCE);
    if (m_nProtectedReceived > 0) --m_nProtectedReceived;
    TraceAck(*this, out, kLabel, m_settings.m_strDeviceName, ack);
    return ack;
}

std::string HostMessageJudge::RequestForHostReset(HostLinkEffects& out) const {
    const std::string ack = Ack(0x40, '2', UNPROTECTED_MODE);
    TraceAck(*this, out, "CString CHostTrevo::RequestForHostReseth()", m_settings.m_strDeviceName,
             ack);
    return ack;
}

std::string HostMessageJudge::MsgAckToATB2Create(HostLinkEffects& out) {
    std::string frame;
    if (m_byDeviceC1 != 'D') return frame;
    if (m_eDeviceStatus == NORMAL_STATUS) {
        m_byDeviceExpectedTSN = m_byDeviceExpectedTSN >= 'A' && m_byDeviceExpectedTSN < 'P'
                                    ? static_cast<std::uint8_t>(m_byDeviceExpectedTSN + 1)
                                    : std::uint8_t{'A'};
    }
    m_byDeviceTSN = m_byDeviceC2;
    frame = {0x02, 0x02, 0x02, 'E', static_cast<char>(m_byDeviceTSN), 0x03};
    const auto head = Bytes(frame);
    const std::uint8_t bcc1 = CalculateBCC(head, false);
    const std::uint8_t bcc2 = CalculateBCCRotated(head, false);
    frame.push_back(static_cast<char>(bcc1));
    frame.push_back(static_cast<char>(bcc2));
    JUDGE_TRACE(out, 0, "CHostTrevo::MsgAckToATB2Create():", "'%s', Ascii C1C2=%c%c",
                m_settings.m_strDeviceName.c_str(), frame[3], Printable(At(frame, 4)));
    return frame;
}

}  // namespace core
