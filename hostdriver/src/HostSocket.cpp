#include "hostdriver/HostSocket.h"

#include <strings.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hostdriver/FrontEnd.h"
#include "hostdriver/HostDrvInt.h"
#include "hostdriver/HostSession.h"
#include "hostdriver/HostSessionList.h"
#include "hostdriver/HostSocketList.h"
#include "hostdriver/PerfClock.h"
#include "platform/SocketAddress.h"
#include "platform/Wait.h"
#include "platform/WinsockError.h"
#include "quil/SessionOption.h"
#include "quil/StreamHeader.h"

namespace quildrv {

namespace {

constexpr int kFatal = 100;
constexpr int kAlert = 200;
constexpr int kError = 400;
constexpr int kWarn = 500;
constexpr int kInfo = 700;
constexpr int kDebug = 800;

constexpr std::size_t kReadBufferSize = 64 * 1024;
constexpr std::uint8_t kOptionEndToEnd = 8;
constexpr std::uint8_t kTypeKeepAlive = 3;
constexpr std::uint8_t kTypeSocketKeepAlive = 7;

std::uint32_t ReadLe32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

// The option area of a record that starts at its session header, cut to the record.
std::span<const std::uint8_t> OptionArea(const std::uint8_t* record, std::size_t length) {
    if (record == nullptr || length < 2) return {};
    const std::size_t start = std::size_t{static_cast<std::uint8_t>(record[1] >> 4)} * 4;
    const std::size_t size = std::size_t{static_cast<std::uint8_t>(record[1] & 0x0F)} * 4;
    if (start >= length) return {};
    return {record + start, std::min(size, length - start)};
}

// Where the first option of a type starts within the record, or npos. The walk ends at an
// option of length 0 or 1 and never leaves the area.
std::size_t FindOption(const std::uint8_t* record, std::size_t length, std::uint8_t type) {
    const auto area = OptionArea(record, length);
    std::size_t found = std::string::npos;
    (void)quil::WalkOptions(area, [&](std::span<const std::uint8_t> option) {
        if (option[0] != type) return true;
        found = static_cast<std::size_t>(option.data() - record);
        return false;
    });
    return found;
}

}  // namespace

bool GetIndexFromOpt3Data(std::uint16_t& sequenceId, std::uint32_t& index,
                          const std::uint8_t* record, std::size_t length) {
    const auto routing = quil::RoutingOption::Find(OptionArea(record, length));
    if (!routing) return false;
    sequenceId = routing->sequenceId;
    index = routing->index;
    return true;
}

bool StampEndToEnd(std::uint8_t* record, std::size_t length, std::size_t fieldOffset,
                   std::uint32_t now, std::uint32_t* outTime) {
    const std::size_t at = FindOption(record, length, kOptionEndToEnd);
    if (at == std::string::npos || record[at + 1] < 24) return false;
    const std::uint32_t out = ReadLe32(record + at + 2);
    const auto delta = static_cast<std::uint16_t>(static_cast<std::uint16_t>(now) -
                                                  static_cast<std::uint16_t>(out));
    record[at + fieldOffset] = static_cast<std::uint8_t>(delta & 0xFF);
    record[at + fieldOffset + 1] = static_cast<std::uint8_t>(delta >> 8);
    if (outTime != nullptr) *outTime = out;
    return true;
}

std::vector<std::uint8_t> ReceivedRecordBody(std::span<const std::uint8_t> record,
                                             std::uint32_t now) {
    if (record.size() <= quil::kStreamHeaderSize) return {};
    std::vector<std::uint8_t> body(record.begin() + quil::kStreamHeaderSize, record.end());
    StampEndToEnd(body.data(), body.size(), 20, now);
    return body;
}

CHostSocket::CHostSocket() : m_reader(quil::kMaxRecordLength, kHostStreamRules) {
    UTKTools::CGuard guard(m_callbackLock);
    m_callback = this;
}

CHostSocket::~CHostSocket() {
    Terminate();
}

void CHostSocket::Trace(int priority, const char* method, const char* format, ...) {
    if (TraceThreshold() == 0 || priority > TraceThreshold()) return;
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    WriteSocketTrace(priority, method, "%s", text);
}

bool CHostSocket::Init(const char* host, std::uint32_t port) {
    m_host = host != nullptr ? host : "";
    m_port = port;
    SetTracePrefix();
    m_sessions = CurrentSessionRegistry();
    if (m_sessions == nullptr) return false;
    // The trace threshold is read by the send thread as it starts: reading it here would take
    // the entry lock of session 0 under the caller's front-end locks, while a receive thread
    // delivering to that session may be waiting for those.
    const char* method = "CHostSocket::Init";
    Trace(kDebug, method, "Init Host=\"%s\" Port=%d", m_host.c_str(), static_cast<int>(port));
    m_readBuffer.resize(kReadBufferSize);
    UTKTools::CGuard guard(m_stateLock);
    m_quit = false;
    if (!m_sendThread.Start(&CHostSocket::SendThreadProc, this)) {
        Trace(kFatal, method, "Unable to start SendThreadProc, returning false!");
        return false;
    }
    Trace(kInfo, method, "SendThreadProc started");
    if (!m_recvThread.Start(&CHostSocket::RecvThreadProc, this)) {
        Trace(kFatal, method, "Unable to start RecvThreadProc, returning false!");
        return false;
    }
    Trace(kInfo, method, "RecvThreadProc started");
    Trace(kInfo, method, "returning true!");
    return true;
}

void CHostSocket::Terminate() {
    const char* method = "CHostSocket::Terminate";
    {
        UTKTools::CGuard guard(m_callbackLock);
        m_callback = nullptr;
    }
    {
        UTKTools::CGuard guard(m_stateLock);
        if (m_terminated) {
            Trace(kDebug, method, "already called, returning!");
            return;
        }
        m_terminated = true;
        m_quit = true;
    }
    m_sendQueueSem.Post();
    Trace(kDebug, method, "posting RecvQueueSem");
    m_recvQueueSem.Post();
    m_connectCondition.Set();
    m_sendThread.Stop();
    m_recvThread.Stop();
    // The connection goes with the threads that used it.
    Close();
    {
        UTKTools::CGuard guard(m_sendQueueLock);
        m_sendQueue.clear();
    }
    {
        UTKTools::CGuard guard(m_recvQueueLock);
        m_recvQueue.clear();
    }
    ResetTracePrefix();
    m_sessions = nullptr;
    Trace(kDebug, method, "returning!");
}

int CHostSocket::SendMsg(std::vector<std::uint8_t> record) {
    const char* method = "CHostSocket::SendMsg";
    {
        UTKTools::CGuard guard(m_stateLock);
        if (m_quit) {
            Trace(kError, method, "returning COMM_ERR_NOCONNECTION!");
            return COMM_ERR_NOCONNECTION;
        }
        if (!m_sendThread.Start(&CHostSocket::SendThreadProc, this)) {
            Trace(kError, method, "SendThreadProc failed to restart. returning COMM_SEND_FAILED");
            return COMM_SEND_FAILED;
        }
    }
    try {
        UTKTools::CGuard guard(m_sendQueueLock);
        m_sendQueue.push_back(std::move(record));
    } catch (...) {
        Trace(kError, method, "returning COMM_ERR_OUTOFMEMORY!");
        return COMM_ERR_OUTOFMEMORY;
    }
    m_sendQueueSem.Post();
    Trace(kDebug, method, "returning COMM_NO_ERROR!");
    return COMM_NO_ERROR;
}

bool CHostSocket::IsConnected() {
    UTKTools::CGuard guard(m_connectionLock);
    return m_connected;
}

void CHostSocket::SetConnected(bool connected) {
    UTKTools::CGuard guard(m_connectionLock);
    m_connected = connected;
}

bool CHostSocket::IsDottedAddress(const char* text) {
    return text != nullptr && platform::InetAddr(text).has_value();
}

void CHostSocket::RequestClose() {
    UTKTools::CGuard guard(m_closeLock);
    m_closeRequested = true;
}

int CHostSocket::OpenSocket() {
    const char* method = "CHostSocket::OpenSocket";
    if (m_host.empty() || m_port == 0) {
        Trace(kError, method, "returning COMM_ERR_BADINPUT!");
        return COMM_ERR_BADINPUT;
    }
    if (IsConnected()) {
        Trace(kDebug, method, "Already connected! Returning COMM_NO_ERROR!");
        return COMM_NO_ERROR;
    }
    // The network thread is not running here (the connection is closed), so the reader is ours.
    m_reader.Reset();
    m_connectCondition.Reset();
    if (!Connect(m_host.c_str(), m_port)) {
        const int error = TakeLastError();
        Trace(kError, method, "Connect TCP error %d", error);
        if (error >= platform::WSAHOST_NOT_FOUND && error <= platform::WSANO_DATA) {
            Trace(kError, method, "returning COMM_ERR_DNSERROR!");
            return COMM_ERR_DNSERROR;
        }
        Trace(kError, method, "returning COMM_CONNECT_FAILED!");
        return COMM_CONNECT_FAILED;
    }
    const platform::DWORD waited =
        platform::WaitForSingleObject(m_connectCondition, kConnectWaitMs);
    if (waited == platform::WAIT_OBJECT_0 && IsConnected()) {
        Trace(kDebug, method, "returning COMM_NO_ERROR!");
        return COMM_NO_ERROR;
    }
    Trace(kError, method, "returning COMM_CONNECT_FAILED!");
    return COMM_CONNECT_FAILED;
}

int CHostSocket::CloseSocket() {
    SetConnected(false);
    Close();
    return COMM_NO_ERROR;
}

void CHostSocket::OnConnect(int error) {
    Trace(kDebug, "CHostSocket::OnConnect", "called! ErrorCode = %d", error);
    SetConnected(error == 0);
    m_connectCondition.Set();
    Trace(kDebug, "CHostSocket::OnConnect", "returning.");
}

void CHostSocket::OnClose(int error) {
    Trace(kDebug, "CHostSocket::OnClose", "called! ErroCode=%d", error);
    RequestClose();
    m_sendQueueSem.Post();
}

void CHostSocket::OnReceive(int error) {
    const char* method = "CHostSocket::OnReceive";
    if (error != 0) {
        RequestClose();
        m_sendQueueSem.Post();
        Trace(kError, method, "iErrorCode=%d. returning!", error);
        return;
    }
    const int n = Receive(m_readBuffer.data(), m_readBuffer.size());
    if (n <= 0) return;
    const bool good = m_reader.Feed(
        std::span<const std::uint8_t>(m_readBuffer.data(), static_cast<std::size_t>(n)),
        [this](std::span<const std::uint8_t> record) {
            QueueReceived(ReceivedRecordBody(record, CPerfClock::Instance().Get()));
        });
    if (!good) {
        RequestClose();
        m_sendQueueSem.Post();
        Trace(kError, method, "%s! returning.",
              m_reader.error() == quil::RecordReader::Error::BadStreamHeader
                  ? "Invalid stream header"
                  : quil::RecordReader::ErrorText(m_reader.error()));
    }
}

void CHostSocket::QueueReceived(std::vector<std::uint8_t> record) {
    const char* method = "CHostSocket::QueueReceived";
    {
        UTKTools::CGuard guard(m_stateLock);
        if (!m_quit && !m_recvThread.Start(&CHostSocket::RecvThreadProc, this))
            Trace(kError, method, "RecvThreadProc failed to start");
    }
    {
        UTKTools::CGuard guard(m_recvQueueLock);
        m_recvQueue.push_back(std::move(record));
    }
    ++m_recordsReceived;
    Trace(kDebug, method, "posting RecvQueueSem");
    m_recvQueueSem.Post();
}

unsigned CHostSocket::SendThreadProc(void* argument) {
    return static_cast<CHostSocket*>(argument)->RunSendThread();
}

unsigned CHostSocket::RunSendThread() {
    const char* method = "SendThreadProc";
    UpdateTraceThreshold();
    for (;;) {
        m_sendAlive = 1;
        {
            UTKTools::CGuard guard(m_stateLock);
            if (m_quit) {
                Trace(kDebug, method, "terminating. pHostSock->m_bQuit == true");
                return 0;
            }
        }
        Trace(kDebug, method, "waiting!");
        if (m_sendQueueSem.Wait() != UTKTools::EWAIT_SIGNALED) {
            Trace(kError, method, "terminating. RC_ERROR");
            return 0;
        }
        Trace(kDebug, method, "RC_SIGNALLED!");
        bool closeRequested = false;
        {
            UTKTools::CGuard guard(m_closeLock);
            closeRequested = m_closeRequested;
            m_closeRequested = false;
        }
        if (closeRequested) (void)CloseSocket();

        std::vector<std::uint8_t> record;
        {
            UTKTools::CGuard guard(m_sendQueueLock);
            if (m_sendQueue.empty()) {
                Trace(kDebug, method, "List is Empty, continuing");
                continue;
            }
            record = std::move(m_sendQueue.front());
            m_sendQueue.pop_front();
        }
        {
            UTKTools::CGuard guard(m_stateLock);
            if (m_quit) return 0;
        }
        if (m_insuranceMode == kInsuranceUnread) ReadSocketInsurance();
        UpdateTraceThreshold();

        if (!IsConnected()) {
            Trace(kDebug, method, "calling OpenSocket");
            if (OpenSocket() != COMM_NO_ERROR) {
                Trace(kError, method, "OpenSocket failed, draining Send queue");
                HandleNoHostSituation(record);
                std::deque<std::vector<std::uint8_t>> rest;
                {
                    UTKTools::CGuard guard(m_sendQueueLock);
                    rest.swap(m_sendQueue);
                }
                for (const auto& r : rest) HandleNoHostSituation(r);
                (void)CloseSocket();
                Trace(kError, method, "OpenSocket failed, Send queue drained");
                continue;
            }
            Trace(kDebug, method, "OpenSocket finished successfully");
        }
        RestartNetworkThread();
        if (record.size() > quil::kStreamHeaderSize)
            StampEndToEnd(record.data() + quil::kStreamHeaderSize,
                          record.size() - quil::kStreamHeaderSize, 6, CPerfClock::Instance().Get());

        const int sent = Send(record.data(), record.size());
        if (sent < 0) {
            const int error = TakeLastError();
            HandleNoHostSituation(record);
            (void)CloseSocket();
            UTKTools::CGuard guard(m_closeLock);
            m_closeRequested = false;
            Trace(kError, method, "Primary Send failed. Socket closed! Last TCP error = %d", error);
            continue;
        }
        // The rest of a record goes out once the socket can take it, within a bounded wait; a
        // record that cannot be finished ends the connection and is answered as unsent.
        const auto done = static_cast<std::size_t>(sent);
        if (done < record.size() &&
            !SendRest(record.data() + done, record.size() - done, kSendRestWaitMs)) {
            const int error = TakeLastError();
            HandleNoHostSituation(record);
            (void)CloseSocket();
            UTKTools::CGuard guard(m_closeLock);
            m_closeRequested = false;
            Trace(kAlert, method, "Retry Send failed. Socket closed! Last TCP error = %d", error);
        }
    }
}

void CHostSocket::HandleNoHostSituation(const std::vector<std::uint8_t>& wireRecord) {
    const char* method = "CHostSocket::HandleNoHostSituation";
    if (wireRecord.size() < quil::kRecordHeaderSize) return;
    const std::uint8_t* header = wireRecord.data() + quil::kStreamHeaderSize;
    const std::size_t available = wireRecord.size() - quil::kStreamHeaderSize;
    if (header[2] == kTypeKeepAlive && m_port != 30051 && m_port != 30052) return;
    const std::size_t words = std::size_t{static_cast<std::uint8_t>(header[1] >> 4)} +
                              std::size_t{static_cast<std::uint8_t>(header[1] & 0x0F)};
    const std::size_t keep = std::min(words * 4, available);
    try {
        std::vector<std::uint8_t> reply(header, header + keep);
        if (reply.size() > 2) reply[2] = 0xFF;
        reply.insert(reply.end(), std::begin(kHostUnreachable), std::end(kHostUnreachable));
        {
            UTKTools::CGuard guard(m_recvQueueLock);
            m_recvQueue.push_back(std::move(reply));
        }
    } catch (...) {
        Trace(kAlert, method, "Unable to allocate memory for HostUnavailMessage! returning.");
        return;
    }
    {
        UTKTools::CGuard guard(m_stateLock);
        if (!m_quit) (void)m_recvThread.Start(&CHostSocket::RecvThreadProc, this);
    }
    Trace(kDebug, method, "posting RecvQueueSem");
    m_recvQueueSem.Post();
    Trace(kDebug, method, "returning.");
}

unsigned CHostSocket::RecvThreadProc(void* argument) {
    return static_cast<CHostSocket*>(argument)->RunRecvThread();
}

bool CHostSocket::TakeRegistryCloseRequest() {
    CHostSocketList* sockets = CurrentSocketRegistry();
    return sockets != nullptr && sockets->TakeFlag(this) != 0;
}

unsigned CHostSocket::RunRecvThread() {
    const char* method = "RecvThreadProc";
    for (;;) {
        m_recvAlive = 1;
        {
            UTKTools::CGuard guard(m_stateLock);
            if (m_quit) {
                Trace(kInfo, method, "terminating. pHostSock->m_bQuit == true");
                return 0;
            }
        }
        if (TakeRegistryCloseRequest()) {
            Trace(kDebug, method, "Signalling socket to close");
            RequestClose();
            m_sendQueueSem.Post();
        }
        const auto waited = m_recvQueueSem.Wait(kReceiveWaitMs);
        if (waited == UTKTools::EWAIT_FAILED) {
            Trace(kError, method, "terminating. RC_ERROR");
            return 0;
        }
        if (waited == UTKTools::EWAIT_SIGNALED) {
            std::vector<std::uint8_t> record;
            {
                UTKTools::CGuard guard(m_recvQueueLock);
                if (m_recvQueue.empty()) continue;
                record = std::move(m_recvQueue.front());
                m_recvQueue.pop_front();
            }
            Trace(kDebug, method, "calling PassMFEObjectHisData!");
            PassMFEObjectHisData(record.data(), record.size());
            continue;
        }
        {
            UTKTools::CGuard guard(m_stateLock);
            if (m_quit) {
                Trace(kInfo, method, "terminating. pHostSock->m_bQuit == true after RC_TIMEOUT");
                return 0;
            }
        }
        if (m_insuranceMode == 1) InsuranceCheck();
    }
}

void CHostSocket::InsuranceCheck() {
    const char* method = "RecvThreadProc";
    if (m_recordsReceived.exchange(0) != 0) {
        m_quietPeriods = 0;
        m_keepAliveSent = false;
        return;
    }
    if (TakeRegistryCloseRequest()) {
        Trace(kDebug, method,
              "Signalling socket to close, and resetting socket insurance counters");
        RequestClose();
        m_sendQueueSem.Post();
        m_quietPeriods = 0;
        m_keepAliveSent = false;
        return;
    }
    ++m_quietPeriods;
    if (m_quietPeriods < m_insuranceInterval) return;
    if (m_keepAliveSent) {
        Trace(
            kError, method,
            "Failed to receive the KA packet due to inactivity on the socket. Closing the socket");
        RequestClose();
        m_sendQueueSem.Post();
        m_recordsReceived = 0;
        m_quietPeriods = 0;
        m_keepAliveSent = false;
        return;
    }
    Trace(kInfo, method, "Sending KA packet due to inactivity on the socket.");
    m_quietPeriods = static_cast<std::uint16_t>(m_insuranceInterval - 2);
    m_keepAliveSent = true;
    SendSocketKeepAlive();
}

void CHostSocket::SendSocketKeepAlive() {
    std::vector<std::uint8_t> record = {0xFE, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x14, 0x13, 0x30,
                                        0x07, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    (void)SendMsg(std::move(record));
}

void CHostSocket::PassMFEObjectHisData(const std::uint8_t* record, std::size_t length) {
    const char* method = "CHostSocket::PassMFEObjectHisData";
    std::uint16_t sequenceId = 0;
    std::uint32_t index = 0;
    if (!GetIndexFromOpt3Data(sequenceId, index, record, length)) {
        Trace(kWarn, method, "a valid session index was not found. returning -1");
        if (length > 2 && record[2] == kTypeSocketKeepAlive)
            Trace(kDebug, method, "Type 7 KA Packet received");
        else
            Trace(kError, method, "error, opt3 data not found! returning");
        return;
    }
    Trace(kInfo, method, "returning valid session index %d", static_cast<int>(index));
    if (m_sessions == nullptr || index > 0x7FFFFFFFu) return;
    const auto i = static_cast<std::int32_t>(index);
    Trace(kDebug, method, "calling GetHostSessionEntry");
    CHostSession* session = m_sessions->GetHostSessionEntry(i);
    if (session != nullptr) {
        if (session->SequenceId() == sequenceId) {
            Trace(kDebug, method, "calling OnHostData");
            session->OnHostData(record, static_cast<unsigned int>(length));
            Trace(kDebug, method, "OnHostData returned");
        } else {
            Trace(kWarn, method,
                  "Response opt3 seqnum id did not match. Discarding message! returning!");
        }
    }
    m_sessions->ReleaseHostSessionEntry(i);
}

// Reads one setting through the session at registry index 0, its front end and driver object.
bool CHostSocket::ReadSetting(const char* section, const char* key, char* buffer, unsigned int size,
                              const char** missing) {
    CHostSessionList* sessions = m_sessions;
    if (sessions == nullptr) return false;
    bool answered = false;
    CHostSession* session = sessions->GetHostSessionEntry(0);
    CMFECallback* frontEnd = session != nullptr ? session->FrontEnd() : nullptr;
    CHostDrvInt* driver = frontEnd != nullptr ? frontEnd->GetHostDrvInterface() : nullptr;
    if (session == nullptr) {
        if (missing) *missing = "pSession == NULL, returning 0";
    } else if (frontEnd == nullptr) {
        if (missing) *missing = "pMFE == NULL, returning 0";
    } else if (driver == nullptr) {
        if (missing) *missing = "pInt == NULL, returning 0";
    } else {
        std::memset(buffer, 0, size);
        unsigned int length = size;
        (void)driver->OnGetCfgInfo(section, key, buffer, &length);
        buffer[size - 1] = '\0';
        answered = true;
    }
    sessions->ReleaseHostSessionEntry(0);
    return answered;
}

void CHostSocket::ReadSocketInsurance() {
    char value[64];
    if (!ReadSetting("GLOBAL", "SVRSOCKETINSURANCE", value, sizeof value)) return;
    if (value[0] == '\0') return;
    if (::strcasecmp(value, "TRUE") != 0) {
        m_insuranceMode = 0;
        return;
    }
    m_insuranceMode = 1;
    std::uint16_t interval = 30;
    if (ReadSetting("GLOBAL", "INSURANCEINTERVAL", value, sizeof value) && value[0] != '\0') {
        const unsigned long seconds = std::strtoul(value, nullptr, 10);
        if (seconds != 0 && seconds <= 0x1FFFF)
            interval = static_cast<std::uint16_t>(std::max<unsigned long>(seconds / 2, 5));
    }
    m_insuranceInterval = interval;
}

int CHostSocket::GetTraceThreshold(int current) {
    char value[32];
    if (!ReadSetting(nullptr, "SOCKETLOGGINGTHRESHOLD", value, sizeof value)) return current;
    struct Level {
        const char* name;
        int value;
    };
    static constexpr Level kLevels[] = {{"OFF", 0},      {"FATAL", 100}, {"ALERT", 200},
                                        {"CRIT", 300},   {"ERROR", 400}, {"WARN", 500},
                                        {"NOTICE", 600}, {"INFO", 700},  {"DEBUG", 800}};
    for (const auto& level : kLevels)
        if (::strcasecmp(value, level.name) == 0) return level.value;
    return current;
}

int CHostSocket::GetRCVBUFSize() {
    const char* method = "CHostSocket::GetRCVBUFSize";
    char value[32];
    const char* missing = nullptr;
    if (!ReadSetting(nullptr, "TCP_SO_RCVBUF_SIZE", value, sizeof value, &missing)) {
        if (missing != nullptr) Trace(kError, method, "%s", missing);
        return 0;
    }
    const long size = std::strtol(value, nullptr, 10);
    const int result = size > 0 && size <= 0x7FFFFFFF ? static_cast<int>(size) : 0;
    Trace(kInfo, method, "cfg value is \"%s\", returning %d", value, result);
    return result;
}

}  // namespace quildrv
