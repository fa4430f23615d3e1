// The acknowledgements the host link builds for the host (ASCII) and for a ticket printer.
#include "HostTrevoInternal.h"
#include "core/HostTrevo.h"
#include "core/TraceLog.h"
#include "core/Translation.h"

namespace core {

using namespace hostlink;

namespace {

std::string Ack(std::uint8_t letter, char cThird, char cStatus) {
    return {'C', static_cast<char>(letter), cThird, cStatus, static_cast<char>(ASCII_EOM_C)};
}

void TraceAck(const char* pszLabel, const std::string& name, const std::string& ack) {
    TRACE_FORMAT(0, pszLabel, "'%s', Ascii C1C2=%c%c EOM%c", name.c_str(), Printable(At(ack, 0)),
                 Printable(At(ack, 1)), Printable(At(ack, 4)));
}

}  // namespace

void CHostTrevo::WriteTempHold(char cStatus, std::uint8_t byLetter) {
    if (!m_pRegistry || (cStatus != NORMAL_STATUS && cStatus != REQUEST_FOR_TEMPORARY_HOLD)) {
        return;
    }
    const std::string key = std::string(kApplicationKey) + "\\" + m_strDeviceName;
    // A failure to write the record changes nothing for the host: it is not reported.
    if (cStatus == NORMAL_STATUS) {
        static_cast<void>(m_pRegistry->SetDWORD(key, "Temp Hold", 0));
        static_cast<void>(m_pRegistry->SetString(key, "Temp Hold Ltsn", "   "));
    } else {
        static_cast<void>(m_pRegistry->SetDWORD(key, "Temp Hold", 1));
        static_cast<void>(m_pRegistry->SetDWORD(key, "Temp Hold Ltsn", byLetter));
    }
}

std::string CHostTrevo::MsgAckToHostCreate(char cAckType) {
    static const char* const kLabel = "CHostTrevo::MsgAckToHostCreate():";
    std::string ack;
    char cHold = 0;
    std::uint8_t letter = 0;
    {
        std::lock_guard lock(m_csState);
        MaintainTSN();
        const char cStatus = m_eDeviceStatus;
        letter = AckLetter();
        if (m_byHostC1 == E('A') || m_byHostC1 == E('B')) {
            ack = Ack(letter, cAckType, cStatus);
            cHold = cStatus;
            if (m_nProtectedReceived > 0) --m_nProtectedReceived;
        } else if (m_byHostC1 == E('C')) {
            ack = Ack(m_byHostC2 == E('Q') ? letter : 0x01, cAckType, cStatus);
        } else if (m_byHostEOM == EBCDIC_EOM_U || m_byHostEOM == EBCDIC_EOM_I) {
            TRACE_FORMAT(0, kLabel, "'%s', Ascii EOM%c", m_strDeviceName.c_str(),
                         Printable(m_byHostEOM));
            ack.assign(1, static_cast<char>(ASCII_EOM_I));
        } else {
            TRACE_FORMAT(0, kLabel, "'%s', No ack created", m_strDeviceName.c_str());
        }
    }
    if (ack.size() > 1) TraceAck(kLabel, m_strDeviceName, ack);
    if (cHold) WriteTempHold(cHold, letter);
    return ack;
}

std::string CHostTrevo::PrinterAck(const char* pszLabelProtected, const char* pszLabelControl,
                                   char cThird, char cStatus, bool bTempHold) {
    std::string ack;
    std::uint8_t letter = 0;
    bool bProtected = false;
    {
        std::lock_guard lock(m_csState);
        MaintainTSN();
        letter = AckLetter();
        if (m_byHostC1 == E('A') || m_byHostC1 == E('B')) {
            ack = Ack(letter, cThird, cStatus);
            bProtected = true;
        } else if (m_byHostC1 == E('C')) {
            ack = Ack(0x40, cThird, cStatus);
        }
    }
    if (!ack.empty()) {
        TraceAck(bProtected ? pszLabelProtected : pszLabelControl, m_strDeviceName, ack);
    }
    if (bProtected && bTempHold) WriteTempHold(cStatus, letter);
    return ack;
}

std::string CHostTrevo::MsgAckToHostCreateATB2(char cStatus) {
    return PrinterAck("CHostTrevo::MsgAckToHostCreateATB():",
                      "CHostTrevo::MsgAckToHostCreateATB2():", '2', cStatus, true);
}

std::string CHostTrevo::MsgAckToHostCreateTNV(char cStatus) {
    return PrinterAck("CHostTrevo::MsgAckToHostCreateTNV():",
                      "CHostTrevo::MsgAckToHostCreateTNV():", '2', cStatus, true);
}

std::string CHostTrevo::MsgAckToHostCreateAsyncMini(char cStatus) {
    static const char* const kLabel = "CHostTrevo::MsgAckToHostCreateAsyncMini():";
    {
        std::lock_guard lock(m_csState);
        if (m_byHostC1 != E('A') && m_byHostC1 != E('B') && m_byHostC1 != E('C')) {
            TRACE_FORMAT(0, " Test CHostTrevo::MsgAckToHostCreateAsyncMini():",
                         "'%s', Ascii m_byHostC1=%c m_byHostLTSN  = %c EOM%c",
                         m_strDeviceName.c_str(), Printable(EbcdicLetterToAscii(m_byHostC1)),
                         Printable(EbcdicLetterToAscii(m_byHostLTSN)), Printable(m_byHostEOM));
        }
    }
    return PrinterAck(kLabel, kLabel, '0', cStatus, false);
}

std::string CHostTrevo::MsgOutOfSequenceToHostCreate() {
    static const char* const kLabel = "CHostTrevo::MsgOutOfSequenceToHostCreate():";
    std::string ack;
    {
        std::lock_guard lock(m_csState);
        SetDeviceStatus(TSN_OUT_OF_SEQUENCE);
        SetHostState(HOST_AVAIL);
        MaintainTSN();
        ack = Ack(AckLetter(), '2', TSN_OUT_OF_SEQUENCE);
        if (m_nProtectedReceived > 0) --m_nProtectedReceived;
    }
    TraceAck(kLabel, m_strDeviceName, ack);
    return ack;
}

std::string CHostTrevo::RequestForHostReset() const {
    const std::string ack = Ack(0x40, '2', UNPROTECTED_MODE);
    TraceAck("CString CHostTrevo::RequestForHostReseth()", m_strDeviceName, ack);
    return ack;
}

std::string CHostTrevo::MsgAckToATB2Create() {
    std::string frame;
    {
        std::lock_guard lock(m_csState);
        if (m_byDeviceC1 != 'D') return frame;
        if (m_eDeviceStatus == NORMAL_STATUS) {
            m_byDeviceExpectedTSN = m_byDeviceExpectedTSN >= 'A' && m_byDeviceExpectedTSN < 'P'
                                        ? static_cast<std::uint8_t>(m_byDeviceExpectedTSN + 1)
                                        : std::uint8_t{'A'};
        }
        m_byDeviceTSN = m_byDeviceC2;
        frame = {0x02, 0x02, 0x02, 'E', static_cast<char>(m_byDeviceTSN), 0x03};
    }
    const auto head = Bytes(frame);
    const std::uint8_t bcc1 = CalculateBCC(head, false);
    const std::uint8_t bcc2 = CalculateBCCRotated(head, false);
    frame.push_back(static_cast<char>(bcc1));
    frame.push_back(static_cast<char>(bcc2));
    TRACE_FORMAT(0, "CHostTrevo::MsgAckToATB2Create():", "'%s', Ascii C1C2=%c%c",
                 m_strDeviceName.c_str(), frame[3], Printable(At(frame, 4)));
    return frame;
}

}  // namespace core
