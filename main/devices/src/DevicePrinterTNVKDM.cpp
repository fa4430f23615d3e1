#include "devices/DevicePrinterTNVKDM.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "core/OperatorQuestion.h"
#include "core/TraceLog.h"
#include "platform/Time.h"

namespace devices {

CDevicePrinterTNVKDM::CDevicePrinterTNVKDM(const std::string& strDeviceKey)
    : CDevicePrinterKDM(strDeviceKey, "CDevicePrinterTNVKDM", NoThreads{}) {
    StartThreads();
}

CDevicePrinterTNVKDM::~CDevicePrinterTNVKDM() {
    StopThreads();
}

CTNVHeader CTNVHeader::Cut(std::string& text) {
    CTNVHeader h;
    const std::string header = text.substr(0, CDevicePrinterTNVKDM::kHeaderLength);
    h.bWhole = header.size() == CDevicePrinterTNVKDM::kHeaderLength;
    h.strTicketNumber = header.substr(0, 10);
    h.cSeparator1 = header.size() > 10 ? header[10] : 0;
    h.strTicketCount = header.size() > 11 ? header.substr(11, 2) : "";
    h.cSeparator2 = header.size() > 13 ? header[13] : 0;
    h.strTail = header.size() > 14 ? header.substr(14) : "";
    text.erase(0, header.size());
    return h;
}

bool CTNVHeader::IsValid() const {
    auto digits = [](const std::string& s, std::size_t n) {
        if (s.size() != n) return false;
        for (char c : s)
            if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        return true;
    };
    // A text shorter than a header holds none.
    return bWhole && digits(strTicketNumber, 10) &&
           std::isspace(static_cast<unsigned char>(cSeparator1)) && digits(strTicketCount, 2) &&
           std::isspace(static_cast<unsigned char>(cSeparator2));
}

bool CDevicePrinterTNVKDM::MsgToTNVHeader(std::string& text) {
    const CTNVHeader h = CTNVHeader::Cut(text);
    m_bHeaderComplete = h.bWhole;
    m_strTicketNumber = h.strTicketNumber;
    m_cSeparator1 = h.cSeparator1;
    m_strTicketCount = h.strTicketCount;
    m_cSeparator2 = h.cSeparator2;
    m_strHeaderTail = h.strTail;
    m_iTicketsLeft = std::atoi(m_strTicketCount.c_str());
    TRACE_FORMAT(0, "CDevicePrinterTNVKDM::MsgToTNVHeader():", "'%s', %s %s",
                 m_strDeviceKey.c_str(), m_strTicketNumber.c_str(), m_strTicketCount.c_str());
    return m_bHeaderComplete;
}

bool CDevicePrinterTNVKDM::ValidateTNVHeader() {
    static const char* const kValidate = "CDevicePrinterTNVKDM::ValidateTNVHeader():";
    CTNVHeader h;
    h.bWhole = m_bHeaderComplete;
    h.strTicketNumber = m_strTicketNumber;
    h.cSeparator1 = m_cSeparator1;
    h.strTicketCount = m_strTicketCount;
    h.cSeparator2 = m_cSeparator2;
    const bool ok = h.IsValid();
    TRACE_FORMAT(ok ? 0 : 2, kValidate,
                 ok ? "'%s', Sucessfull:" : "'%s', Failed:", m_strDeviceKey.c_str());
    if (ok) m_bHeaderValid = true;
    return ok;
}

void CDevicePrinterTNVKDM::NextTicketNumber(std::string& number) {
    for (std::size_t i = number.size(); i-- > 0;) {
        if (number[i] != '9') {
            ++number[i];
            return;
        }
        number[i] = '0';
    }
}

bool CDevicePrinterTNVKDM::TicketNV() {
    if (m_strTicketNumber.empty() || m_strBarCode.find(m_strTicketNumber) == std::string::npos) {
        TRACE_FORMAT(0, "CDevicePrinterTNVKDM::TicketNV():", "'%s', Not ValidTicket Number:",
                     m_strDeviceKey.c_str());
        return false;
    }
    m_pHost->m_bTicketRunInProgress = true;
    if (--m_iTicketsLeft <= 0) {
        m_bRunComplete = true;
        m_pHost->m_bTNVHeaderExpected2 = false;
        m_pHost->m_bTicketRunInProgress = false;
        if (m_pHost->g_iLastSegment) m_pHost->g_iFirstSegment = true;
    }
    NextTicketNumber(m_strTicketNumber);
    TRACE_FORMAT(0, "CDevicePrinterTNVKDM::TicketNV():", "'%s', next %s", m_strDeviceKey.c_str(),
                 m_strTicketNumber.c_str());
    return true;
}

bool CDevicePrinterTNVKDM::EjectAndAsk(const std::string& text) {
    static_cast<void>(m_pComm->EjectForm());
    // A shutdown ends a question still waiting for the operator, as Cancel.
    core::CQuestionCancel cancel(&ThreadStopEvent());
    return core::AskOperator(text, core::MB_SYSTEMMODAL_OKCANCEL) != core::IDCANCEL;
}

bool CDevicePrinterTNVKDM::Abort() {
    m_pComm->PrintErrorMsg("CDevicePrinterTNVKDM::SendToDevice");
    ReleaseHeadBuffer();
    AbandonSession();
    return false;
}

bool CDevicePrinterTNVKDM::CheckBeforePrint(std::string& work) {
    if (m_pHost->m_bTNVHeaderExpected && m_pHost->m_bTNVHeaderExpected2) {
        m_bRunComplete = false;
        m_pHost->m_bTNVHeaderExpected = false;
        MsgToTNVHeader(work);
        if (!ValidateTNVHeader()) {
            ReleaseHeadBuffer();
            AbandonSession();
            return false;
        }
    }
    if (m_bRunComplete && m_pHost->g_iLastSegment) {
        m_pHost->m_bTNVHeaderExpected = true;
        m_pHost->m_bTNVHeaderExpected2 = true;
    }
    if (!m_pHost->g_iFirstSegment) return true;
    int iStockFailures = 0;
    while (SendToDeviceThreadIsRunning()) {
        platform::Sleep(100);
        std::string code;
        if (!m_pComm->ReadStockCode(code)) {
            if (++iStockFailures < kStockReadsBeforeAsking) continue;
            iStockFailures = 0;
            if (!EjectAndAsk(
                    "Unable to read stock code, insert tickets and Enter 'OK' to continue"))
                return Abort();
            continue;
        }
        const std::string expected = m_strFormType.substr(0, 2);
        if (code.substr(0, 2) != expected) {
            char text[128];
            std::snprintf(text, sizeof text, "Invalid Stockcode %c%c it should be %c%c ",
                          code.size() > 0 ? code[0] : ' ', code.size() > 1 ? code[1] : ' ',
                          expected[0], expected[1]);
            if (!EjectAndAsk(text)) return Abort();
            continue;
        }
        if (!m_pComm->ReadBarCode(m_strBarCode)) {
            if (!EjectAndAsk("Unable to read bar code, insert tickets and Enter 'OK' to continue"))
                return Abort();
            continue;
        }
        if (!TicketNV()) {
            std::string found = m_strBarCode.substr(0, 10);
            found.resize(10, ' ');
            std::string wanted = m_strTicketNumber;
            wanted.resize(10, ' ');
            char text[128];
            std::snprintf(text, sizeof text, "Ticket number is %s it should be %s ", found.c_str(),
                          wanted.c_str());
            if (!EjectAndAsk(text)) return Abort();
            continue;
        }
        m_pHost->g_iFirstSegment = true;
        return true;
    }
    return Abort();
}

}  // namespace devices
