#include "hostdriver/HostSession.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hostdriver/EOMStrategy.h"
#include "hostdriver/FrontEnd.h"
#include "hostdriver/HostCode.h"
#include "hostdriver/HostSocket.h"
#include "hostdriver/HostSocketList.h"
#include "hostdriver/KeepAliveTimer.h"
#include "hostdriver/OptionsData.h"
#include "hostdriver/PerfClock.h"
#include "platform/Memory.h"
#include "platform/Wait.h"
#include "toolkit/QorTran.h"
#include "toolkit/Random.h"

namespace quildrv {

namespace {

constexpr EPRIORITY kFatal = UTKLogger::CPriority::FATAL;
constexpr EPRIORITY kError = UTKLogger::CPriority::ERROR;
constexpr EPRIORITY kWarn = UTKLogger::CPriority::WARN;
constexpr EPRIORITY kInfo = UTKLogger::CPriority::INFO;
constexpr EPRIORITY kDebug = UTKLogger::CPriority::DEBUG;

constexpr std::uint8_t kOptRouting = 3;
constexpr std::uint8_t kOptDebug = 7;
constexpr std::uint8_t kOptEndToEnd = 8;
constexpr std::size_t kWireLogLimit = 2048;

bool IsSessionError(std::uint8_t type) {
    return type == 4 || type == 5 || type == 255;
}

bool IsCurrentPort(std::uint32_t port) {
    return port == 30031 || port == 30051;
}

void PutLe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v & 0xFF);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void PutLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t GetLe32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

std::uint16_t GetLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

bool HexToRid(const char* text, std::array<std::uint8_t, 3>& rid) {
    if (text == nullptr || std::strlen(text) < 6) return false;
    for (int i = 0; i < 3; ++i) {
        unsigned value = 0;
        for (int j = 0; j < 2; ++j) {
            const char c = text[2 * i + j];
            unsigned digit = 0;
            if (c >= '0' && c <= '9')
                digit = static_cast<unsigned>(c - '0');
            else if (c >= 'A' && c <= 'F')
                digit = static_cast<unsigned>(c - 'A' + 10);
            else if (c >= 'a' && c <= 'f')
                digit = static_cast<unsigned>(c - 'a' + 10);
            else
                return false;
            value = value * 16 + digit;
        }
        rid[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value);
    }
    return true;
}

struct CannedText {
    const char* text;
    int result;
    bool prefix;  // the code alone names the error
};

constexpr CannedText kCannedErrors[] = {
    {"7QS07- STAGING IN EFFECT FOR THIS SESSION SERVICE WILL", 0, false},
    {"7QS02- UNABLE TO ACCESS HOST SESSION", 1035, false},
    {"7QS04- UNABLE TO READ HOST SESSION RECORD", 1037, false},
    {"7QC04- PROXY INTERNAL ERROR", 1044, false},
    {"7QS06- RA8S", 1039, false},
    {"7QC06- RA8S", 1039, false},
    {"7QC01- CENTRAL SITE OUTAGE", 1041, false},
    {"7QC02- HOST UNAVAILABLE", 1042, false},
    {"7QS05- SECURITY VIOLATION, CRAS NOT ALLOWED", 1038, false},
    {"7QP01- SESSION VERSION INCORRECT", 1032, false},
    {"7QP02- SESSION HEADER INVALID", 1033, false},
    {"7QS03- UNABLE TO OBTAIN HOST SESSION", 1036, false},
    {"7QC03- UNABLE TO INSERT OPTION", 1043, false},
    {"7QS11- OAA IN PROGRESS DUE TO PROTOCOL CHANGE", 0, false},
    {"7QS08- ", 0, false},
    {"7QS09- ", 0, false},
    {"7QS10- ", 0, false},
};

// One pool option: which value goes where (offset within the option, width).
struct PoolValue {
    const char* (CMFECallback::*getter)();
    std::size_t offset;
    std::size_t width;
    const char* missing;  // the log text when the value is missing
};

struct PoolOption {
    const char* poolType;
    std::uint8_t type;
    std::uint8_t length;
    std::uint8_t byte2;  // 0: the first value starts at 2
    PoolValue values[3];
};

const PoolOption kPoolOptions[] = {
    {"AGENCY",
     5,
     8,
     0,
     {{&CMFECallback::GetBasePCC, 2, 6, "Could not get BasePCC: returning COMM_CONNECT_FAILED!"}}},
    {"EXTHOST5",
     5,
     16,
     0,
     {{&CMFECallback::GetPoolName, 2, 6, "Could not get POOLNAME: returning COMM_CONNECT_FAILED!"},
      {&CMFECallback::GetKeyName, 8, 8, "Couldn't get KEYNAME: returning COMM_CONNECT_FAILED!"}}},
    {"EXTAGENCY",
     5,
     12,
     0,
     {{&CMFECallback::GetBasePCC, 2, 5, "!pBasePCC: returning COMM_CONNECT_FAILED!"},
      {&CMFECallback::GetBranchPCC, 7, 5, "!pBranchPCC: returning COMM_CONNECT_FAILED!"}}},
    {"HOST9",
     9,
     12,
     1,
     {{&CMFECallback::GetPoolName, 4, 8, "!pName: returning COMM_CONNECT_FAILED!"}}},
    {"EXTHOST9",
     9,
     20,
     2,
     {{&CMFECallback::GetPoolName, 4, 8, "!pName: returning COMM_CONNECT_FAILED!"},
      {&CMFECallback::GetKeyName, 12, 8, "!pKeyName: returning COMM_CONNECT_FAILED!"}}},
    {"TOTALHOST9",
     9,
     20,
     3,
     {{&CMFECallback::GetPoolName, 4, 8, "!pName: returning COMM_CONNECT_FAILED!"},
      {&CMFECallback::GetCityCode, 12, 4, "!pCity: returning COMM_CONNECT_FAILED!"},
      {&CMFECallback::GetPartition, 16, 4, "!pPartition: returning COMM_CONNECT_FAILED!"}}},
};

}  // namespace

CHostSession::CHostSession(CMFECallback* frontEnd) {
    if (!platform::IsBadReadPtr(frontEnd, 4)) m_frontEnd = frontEnd;
    m_sequenceId = static_cast<std::uint16_t>(UTKTools::CRandom::Get());
    m_header[0] = 0x10;
    m_header[1] = 0x30;
    m_strategy = &CEOMStrategy::Original();
    if (m_frontEnd != nullptr) {
        char value[32] = {};
        unsigned int length = sizeof value;
        (void)m_frontEnd->OnGetCfgInfo(nullptr, "EOMHandlerStrategy", value, &length);
        value[sizeof value - 1] = '\0';
        if (::strncasecmp(value, "ALLOWEMBEDDED", 31) == 0) m_strategy = &CEOMStrategy::Embedded();
    }
}

CHostSession::~CHostSession() {
    m_keepAlive.Unregister();
}

bool CHostSession::Init() {
    if (GetSocketRegistry() != nullptr) return true;
    char ctx[256] = {};
    Context(ctx, "CHostSession::Init");
    Log(kFatal, ctx, "Unable to allocate CHostSocketList! returning false!");
    return false;
}

void CHostSession::Context(char* buffer, const char* method) {
    if (m_frontEnd != nullptr)
        m_frontEnd->SetLocalContext(buffer, 256, method);
    else
        PlaceholderContext(buffer, 256, method);
}

void CHostSession::Log(EPRIORITY priority, const char* context, const char* format, ...) {
    if (m_frontEnd == nullptr) return;
    va_list args;
    va_start(args, format);
    m_frontEnd->LogVA(priority, context, format, args);
    va_end(args);
}

void CHostSession::LogWire(const char* text, const std::uint8_t* data, std::size_t length,
                           bool received) {
    if (m_frontEnd == nullptr) return;
    char ctx[256] = {};
    Context(ctx, received ? "CHostSession::OnHostData" : "CHostSession::Send");
    bool debugging = false;
    {
        UTKTools::CGuard guard(m_headerLock);
        debugging = m_option7;
    }
    const EPRIORITY priority = debugging ? kFatal : kInfo;
    if (received && length > kWireLogLimit) {
        Log(priority, ctx, "%s. Data log truncated for brevity.", text);
        length = kWireLogLimit;
    } else {
        Log(priority, ctx, "%s", text);
    }
    m_frontEnd->LogEBCDIC(priority, ctx, length, data);
}

CHostSocket* CHostSession::Socket() const {
    CHostSocketList* sockets = CurrentSocketRegistry();
    return sockets != nullptr ? sockets->SocketAt(m_socketIndex.load()) : nullptr;
}

std::string CHostSession::HostSystem() const {
    CHostSocket* socket = Socket();
    return socket != nullptr ? socket->GetHostAddress() : "NO HOST SYSTEM";
}

std::uint16_t CHostSession::SessionState() {
    UTKTools::CGuard guard(m_headerLock);
    return m_state;
}

void CHostSession::SetSessionState(std::uint16_t state) {
    UTKTools::CGuard guard(m_headerLock);
    m_state = static_cast<std::uint16_t>(state & 0x0F);
}

std::array<std::uint8_t, 4> CHostSession::LidBytes() {
    UTKTools::CGuard guard(m_headerLock);
    return {m_header[8], m_header[9], m_header[10], m_header[11]};
}

void CHostSession::ResetSocket() {
    if (CHostSocket* socket = Socket()) socket->OnClose(0);
}

std::array<std::uint8_t, 3> CHostSession::Rid() {
    UTKTools::CGuard guard(m_headerLock);
    return {m_header[4], m_header[5], m_header[6]};
}

void CHostSession::UpdateOptionWords() {
    m_header[1] = static_cast<std::uint8_t>((m_header[1] & 0xF0) | ((m_optionsLength / 4) & 0x0F));
}

void CHostSession::AddOption(std::uint8_t type, std::uint8_t length) {
    if (FindOptionOffset(m_options.data(), m_optionsLength, type) >= 0) return;
    if (m_optionsLength + length > kMaxOptionsData) return;
    std::uint8_t* option = m_options.data() + m_optionsLength;
    std::memset(option, 0, length);
    option[0] = type;
    option[1] = length;
    if (type == kOptRouting) {
        PutLe16(option + 2, m_sequenceId.load());
        PutLe32(option + 4, static_cast<std::uint32_t>(m_registryIndex.load()));
    }
    m_optionsLength += length;
    RereadOptionFlags();
    UpdateOptionWords();
}

void CHostSession::RemoveOption(std::uint8_t type) {
    const int at = FindOptionOffset(m_options.data(), m_optionsLength, type);
    if (at < 0) return;
    const std::size_t start = static_cast<std::size_t>(at);
    const std::size_t length = m_options[start + 1];
    std::memmove(m_options.data() + start, m_options.data() + start + length,
                 m_optionsLength - start - length);
    m_optionsLength -= length;
    std::memset(m_options.data() + m_optionsLength, 0, m_options.size() - m_optionsLength);
    RereadOptionFlags();
    UpdateOptionWords();
}

void CHostSession::RereadOptionFlags() {
    m_option8 = FindOptionOffset(m_options.data(), m_optionsLength, kOptEndToEnd) >= 0;
    m_option7 = FindOptionOffset(m_options.data(), m_optionsLength, kOptDebug) >= 0;
}

void CHostSession::NewSequenceId() {
    m_sequenceId = static_cast<std::uint16_t>(UTKTools::CRandom::Get());
    UTKTools::CGuard guard(m_headerLock);
    const int at = FindOptionOffset(m_options.data(), m_optionsLength, kOptRouting);
    if (at < 0) return;
    const auto start = static_cast<std::size_t>(at);
    if (m_options[start + 1] != 8) {
        char ctx[256] = {};
        Context(ctx, "CHostSession::UpdateOption3");
        Log(kError, ctx, "Possible options data corruption: opt=%d len=%d, resetting options data",
            m_options[start], m_options[start + 1]);
        m_options.fill(0);
        m_optionsLength = 0;
        RereadOptionFlags();
        UpdateOptionWords();
        return;
    }
    PutLe16(m_options.data() + start + 2, m_sequenceId.load());
    PutLe32(m_options.data() + start + 4, static_cast<std::uint32_t>(m_registryIndex.load()));
}

int CHostSession::AddPoolOption(const char* ctx) {
    const char* poolType = m_frontEnd->GetPoolType();
    if (poolType == nullptr || *poolType == '\0') {
        Log(kError, ctx, "Could not get POOLTYPE: returning COMM_CONNECT_FAILED!");
        return COMM_CONNECT_FAILED;
    }
    const PoolOption* pool = nullptr;
    for (const auto& p : kPoolOptions)
        if (std::strcmp(p.poolType, poolType) == 0) pool = &p;
    if (pool == nullptr) {
        Log(kError, ctx, "Invalid POOLTYPE: returning COMM_CONNECT_FAILED!");
        return COMM_CONNECT_FAILED;
    }
    std::array<std::uint8_t, 20> option{};
    option[0] = pool->type;
    option[1] = pool->length;
    if (pool->byte2 != 0) option[2] = pool->byte2;
    for (const PoolValue& v : pool->values) {
        if (v.getter == nullptr) break;
        const char* value = (m_frontEnd->*v.getter)();
        if (value == nullptr || *value == '\0') {
            Log(kError, ctx, "%s: %s", pool->poolType, v.missing);
            return COMM_CONNECT_FAILED;
        }
        std::uint8_t* out = nullptr;
        std::uint32_t outLength = 0;
        const auto rc = Translator().ClientToQFE(reinterpret_cast<const std::uint8_t*>(value),
                                                 static_cast<std::uint32_t>(std::strlen(value)),
                                                 &out, &outLength, 0, QorTranNS::CQorTran::EOM_NONE,
                                                 static_cast<std::uint32_t>(std::strlen(value)));
        if (rc != QorTranNS::CQorTran::QORTRAN_SUCCESS &&
            rc != QorTranNS::CQorTran::QORTRAN_OUTPUT_TRUNCATED) {
            QorTranNS::CQorTran::DeallocateLastMessage(&out);
            Log(kError, ctx, "%s: translation failed: returning COMM_ERR_TRANLATION_FAILED!",
                pool->poolType);
            return COMM_ERR_TRANLATION_FAILED;
        }
        std::memcpy(option.data() + v.offset, out, std::min<std::size_t>(outLength, v.width));
        QorTranNS::CQorTran::DeallocateLastMessage(&out);
    }
    UTKTools::CGuard guard(m_headerLock);
    if (m_optionsLength + pool->length > kMaxOptionsData) return COMM_CONNECT_FAILED;
    std::memcpy(m_options.data() + m_optionsLength, option.data(), pool->length);
    m_optionsLength += pool->length;
    return COMM_NO_ERROR;
}

void CHostSession::EnsureKeepAliveTimer() {
    m_keepAlive.Register();
    m_keepAlive.Reset();
}

int CHostSession::BeginSession(const char* host, std::uint32_t port) {
    char ctx[256] = {};
    Context(ctx, "CHostSession::BeginSession");
    Log(kDebug, ctx, "called!");
    if (m_frontEnd == nullptr || host == nullptr) return COMM_CONNECT_FAILED;
    CHostSocketList* sockets = GetSocketRegistry();
    const std::uint32_t index = sockets != nullptr ? sockets->GetHostSocket(host, port) : kNoSocket;
    if (index == kNoSocket) {
        Log(kError, ctx, "Could not get host socket object: returning COMM_CONNECT_FAILED!");
        return COMM_CONNECT_FAILED;
    }
    m_socketIndex = index;
    m_port = port;

    std::array<std::uint8_t, 3> rid{};
    if (unsigned char* stored = m_frontEnd->GetRID(host)) {
        std::memcpy(rid.data(), stored, 3);
        std::free(stored);
    } else if (!HexToRid(m_frontEnd->GetConfiguredLNIATA(), rid)) {
        Log(kError, ctx, "Could not get LNIATA: COMM_ERR_BADAPIOPTION!");
        return COMM_ERR_BADAPIOPTION;
    }
    const char* defaultHost = m_frontEnd->GetDefaultHost();
    m_defaultFlag = defaultHost != nullptr && std::strcmp(host, defaultHost) == 0 ? 1 : 0;
    const bool endToEnd = m_frontEnd->GetEndToEndLogging();
    const bool debugging = m_frontEnd->GetDebug();
    const bool segmentOverride = m_frontEnd->GetSegmentOverride();

    int state = 0;
    if (port != 30051) {
        state = m_frontEnd->GetHostState(host);
        if (state == 5) state = m_frontEnd->GetHostSessionState(host, this);
        if (state == 2) state = 0;
    } else {
        state = m_frontEnd->GetHostSessionState(host, this);
    }

    if (m_frontEnd->GetKeepAlive()) {
        if (!m_keepAlive.Listed()) {
            try {
                EnsureKeepAliveTimer();
            } catch (const std::bad_alloc&) {
                m_frontEnd->OnConnect(COMM_ERR_OUTOFMEMORY, true);
                Log(kError, ctx,
                    "Could not allocate CKeepAliveTimer: returning COMM_ERR_OUTOFMEMORY!");
                return COMM_ERR_OUTOFMEMORY;
            }
        } else {
            m_keepAlive.SetActive(true);
        }
    }

    const std::uint32_t lid = m_frontEnd->GetLID(host);
    m_sequenceId = static_cast<std::uint16_t>(UTKTools::CRandom::Get());
    {
        UTKTools::CGuard guard(m_headerLock);
        m_state = static_cast<std::uint16_t>(state & 0x0F);
        m_header[0] = static_cast<std::uint8_t>(0x10 | m_state);
        m_header[1] = 0x30;
        m_header[2] = 0;
        m_header[3] = static_cast<std::uint8_t>((segmentOverride ? 0x20 : 0) |
                                                (m_defaultFlag > 0 ? 0x01 : 0));
        std::copy(rid.begin(), rid.end(), m_header.begin() + 4);
        m_header[7] = 0;
        for (int i = 0; i < 4; ++i)
            m_header[static_cast<std::size_t>(8 + i)] =
                static_cast<std::uint8_t>(lid >> (24 - 8 * i));
        std::snprintf(m_ridText, sizeof m_ridText, "%2.2X%2.2X%2.2X", rid[0], rid[1], rid[2]);
        m_options.fill(0);
        m_optionsLength = 0;
        AddOption(kOptRouting, 8);
        if (endToEnd) AddOption(kOptEndToEnd, 24);
        if (debugging) AddOption(kOptDebug, 4);
        if (!IsCurrentPort(port) && m_state == kMaintain) {
            UpdateOptionWords();
            Log(kInfo, ctx, "m_shSessState == SESSION_MAINTAIN. returning COMM_NO_ERROR!");
            return COMM_NO_ERROR;
        }
    }
    if (!IsCurrentPort(port)) {
        {
            UTKTools::CGuard guard(m_headerLock);
            m_header[0] &= 0xF0;
        }
        const int rc = AddPoolOption(ctx);
        if (rc != COMM_NO_ERROR) return rc;
    }
    {
        UTKTools::CGuard guard(m_headerLock);
        UpdateOptionWords();
    }
    Log(kInfo, ctx, "returning COMM_NO_ERROR!");
    return COMM_NO_ERROR;
}

int CHostSession::BuildAndSend(const std::uint8_t* data, std::uint32_t length, bool keepAlive,
                               const char* ctx) {
    CHostSocket* socket = Socket();
    if (socket == nullptr) return COMM_ERR_UNKNOWN;
    std::vector<std::uint8_t> record;
    try {
        std::size_t options = 0;
        {
            UTKTools::CGuard guard(m_headerLock);
            options = m_optionsLength;
        }
        record.reserve(20 + options + length);
    } catch (const std::bad_alloc&) {
        Log(kError, ctx, "Unable to allocate memeory for stream: returning COMM_ERR_OUTOFMEMORY!");
        return COMM_ERR_OUTOFMEMORY;
    }
    record.resize(8);
    record[0] = 0xFE;
    record[1] = 0x01;
    {
        UTKTools::CGuard guard(m_headerLock);
        m_header[0] = static_cast<std::uint8_t>((m_header[0] & 0xF0) | (m_state & 0x0F));
        UpdateOptionWords();
        record.insert(record.end(), m_header.begin(), m_header.end());
        if (keepAlive) {
            record[8 + 2] = 3;
        } else {
            if (m_option8) {
                const int at = FindOptionOffset(m_options.data(), m_optionsLength, kOptEndToEnd);
                if (at >= 0 && m_options[static_cast<std::size_t>(at) + 1] >= 24)
                    PutLe32(m_options.data() + at + 2, CPerfClock::Instance().Get());
            }
            if (m_option7) {
                const int at = FindOptionOffset(m_options.data(), m_optionsLength, kOptDebug);
                if (at >= 0 && m_options[static_cast<std::size_t>(at) + 1] >= 4) {
                    std::uint8_t* counter = m_options.data() + at + 2;
                    PutLe16(counter, static_cast<std::uint16_t>(GetLe16(counter) + 1));
                }
            }
        }
        record.insert(record.end(), m_options.begin(),
                      m_options.begin() + static_cast<std::ptrdiff_t>(m_optionsLength));
    }
    if (length > 0 && data != nullptr) record.insert(record.end(), data, data + length);
    const auto total = static_cast<std::uint32_t>(record.size());
    for (int i = 0; i < 4; ++i)
        record[static_cast<std::size_t>(4 + i)] = static_cast<std::uint8_t>(total >> (24 - 8 * i));
    LogWire("NARLO Data as it will appear on the wire!", record.data(), record.size(), false);
    try {
        return socket->SendMsg(std::move(record));
    } catch (...) {
        Log(kError, ctx, "Exception caught!");
        return COMM_SEND_FAILED;
    }
}

int CHostSession::SendToHost(const std::uint8_t* data, std::uint32_t length) {
    char ctx[256] = {};
    Context(ctx, "CHostSession::SendToHost");
    Log(kDebug, ctx, "called!");
    const std::uint32_t port = m_port.load();
    CHostSocket* socket = Socket();
    if (m_frontEnd != nullptr && port != 30051 && socket != nullptr) {
        const char* host = socket->GetHostAddress();
        int state = m_frontEnd->GetHostState(host);
        if (state == 5) state = m_frontEnd->GetHostSessionState(host, this);
        if (state == 2) state = 0;
        const std::uint32_t lid = m_frontEnd->GetLID(host);
        unsigned char* rid = m_frontEnd->GetRID(host);
        UTKTools::CGuard guard(m_headerLock);
        m_state = static_cast<std::uint16_t>(state & 0x0F);
        for (int i = 0; i < 4; ++i)
            m_header[static_cast<std::size_t>(8 + i)] =
                static_cast<std::uint8_t>(lid >> (24 - 8 * i));
        if (rid != nullptr) std::memcpy(m_header.data() + 4, rid, 3);
        std::free(rid);
    }
    if (socket == nullptr) {
        Log(kDebug, ctx, "returning COMM_ERR_UNKNOWN");
        return COMM_ERR_UNKNOWN;
    }
    if (SessionState() == kBegin) {
        const std::string host = socket->GetHostAddress();
        const int rc = BeginSession(host.c_str(), socket->GetPort());
        if (rc != COMM_NO_ERROR) return rc;
    }
    const int rc = BuildAndSend(data, length, false, ctx);
    if (rc == COMM_NO_ERROR) return rc;
    const int frontEndPort = m_frontEnd != nullptr ? m_frontEnd->GetPort() : 0;
    if (frontEndPort >= 30050 && frontEndPort <= 30052) return rc;
    Log(kError, ctx, "HostSend failed with err code %d Shipping back canned msg to APP", rc);
    const std::array<std::uint8_t, 3> rid = Rid();
    std::vector<std::uint8_t> message(rid.begin(), rid.end());
    message.insert(message.end(), std::begin(kHostUnreachable), std::end(kHostUnreachable));
    Deliver(std::move(message));
    return rc;
}

int CHostSession::SendKeepAlive() {
    char ctx[256] = {};
    Context(ctx, "CHostSession::SendKeepAlive");
    Log(kDebug, ctx, "called!");
    CHostSocket* socket = Socket();
    if (socket == nullptr) return COMM_ERR_UNKNOWN;
    if (SessionState() == kBegin) {
        const std::string host = socket->GetHostAddress();
        const int rc = BeginSession(host.c_str(), socket->GetPort());
        if (rc != COMM_NO_ERROR) return rc;
    }
    const int rc = BuildAndSend(nullptr, 0, true, ctx);
    Log(rc == 0 ? kInfo : kError, ctx, "returning %d!", rc);
    return rc;
}

int CHostSession::EndSession(bool wait) {
    char ctx[256] = {};
    Context(ctx, "CHostSession::EndSession");
    Log(kDebug, ctx, "called!");
    if (m_keepAlive.Listed()) m_keepAlive.SetActive(false);
    {
        UTKTools::CGuard guard(m_headerLock);
        m_state = kTerminate;
        m_header[2] = 0;
    }
    m_endOfSession.Reset();
    const int rc = BuildAndSend(nullptr, 0, false, ctx);
    if (rc != COMM_NO_ERROR) return rc;
    if (wait && platform::WaitForSingleObject(m_endOfSession, kTerminateWaitMs) !=
                    platform::WAIT_OBJECT_0) {
        Log(kError, ctx, "Did not receive response to TERMINATE, returning COMM_ERR_UNKNOWN");
        return COMM_ERR_UNKNOWN;
    }
    return COMM_NO_ERROR;
}

void CHostSession::StoreRidLid(const std::uint8_t* header) {
    if (m_frontEnd == nullptr) return;
    m_frontEnd->OnStoreSessionChanges("RID", reinterpret_cast<const char*>(header + 4), 3, this);
    m_frontEnd->OnStoreSessionChanges("LID", reinterpret_cast<const char*>(header + 8), 4, this);
}

void CHostSession::TellLniata() {
    if (m_frontEnd == nullptr) return;
    char text[7];
    {
        UTKTools::CGuard guard(m_headerLock);
        std::memcpy(text, m_ridText, sizeof text);
    }
    m_frontEnd->OnResource(text);
}

int CHostSession::CannedError(const std::uint8_t* data, std::size_t length) {
    if (length == sizeof kHostUnreachable &&
        std::memcmp(data, kHostUnreachable, sizeof kHostUnreachable) == 0)
        return COMM_ERR_HOST_UNREACHABLE;
    if (length == 0) return COMM_ERR_UNKNOWN;
    const std::optional<std::string> message = ToClientText({data, length});
    if (!message) return COMM_ERR_TRANLATION_FAILED;
    for (const auto& canned : kCannedErrors)
        if (*message == canned.text) return canned.result;
    return COMM_ERR_UNKNOWN;
}

void CHostSession::HandleOptionsOnReceipt(const char* ctx) {
    UTKTools::CGuard guard(m_headerLock);
    if (!m_option8) return;
    const int at = FindOptionOffset(m_options.data(), m_optionsLength, kOptEndToEnd);
    if (at < 0 || m_options[static_cast<std::size_t>(at) + 1] < 24) return;
    std::uint8_t* option = m_options.data() + at;
    const std::uint32_t now = CPerfClock::Instance().Get();
    const std::uint32_t out = GetLe32(option + 2);
    const auto delta = static_cast<std::uint16_t>(now - out);
    PutLe16(option + 22, delta);
    Log(kInfo, ctx, "cln_rout_delta(%d) = Get(%d) - cln_out_time(%d)", delta, now, out);
    struct Field {
        const char* name;
        std::size_t offset;
        bool wide;
    };
    static constexpr Field kFields[] = {
        {"cln_out_time", 2, true},    {"cln_qout_delta", 6, false},  {"fep_quot_delta", 8, false},
        {"srv_out_delta", 10, true},  {"fep_rin_delta", 14, false},  {"fep_rout_delta", 16, true},
        {"cln_rin_delta", 20, false}, {"cln_rout_delta", 22, false},
    };
    for (const Field& f : kFields)
        Log(kInfo, ctx, "\t%s\t-----> %u", f.name,
            f.wide ? GetLe32(option + f.offset) : GetLe16(option + f.offset));
}

void CHostSession::Deliver(std::vector<std::uint8_t> message) {
    char ctx[256] = {};
    Context(ctx, "CHostSession::Deliver");
    HandleOptionsOnReceipt(ctx);
    if (m_frontEnd == nullptr) return;
    auto* block = static_cast<unsigned char*>(std::malloc(message.size() + 1));
    if (block == nullptr) {
        Log(kError, ctx, "Bad recv buffer on alloc: COMM_ERR_RECONNECT! returning!");
        m_frontEnd->OnReceive(COMM_ERR_RECONNECT);
        return;
    }
    std::memcpy(block, message.data(), message.size());
    block[message.size()] = 0;
    m_frontEnd->OnHostData(block, static_cast<unsigned int>(message.size()), this);
}

void CHostSession::OnHostData(const std::uint8_t* record, std::uint32_t length) {
    char ctx[256] = {};
    Context(ctx, "CHostSession::OnHostData");
    Log(kDebug, ctx, "entered");
    if (record == nullptr || length < 12) {
        Log(kError, ctx, "record of %u bytes has no session header, dropped", length);
        return;
    }
    const std::size_t optionBytes = std::size_t{static_cast<std::uint8_t>(record[1] & 0x0F)} * 4;
    if (length < 12 + optionBytes) {
        Log(kError, ctx, "record of %u bytes is shorter than its %u option bytes, dropped", length,
            static_cast<unsigned>(optionBytes));
        return;
    }
    if (m_keepAlive.Listed()) m_keepAlive.Reset();
    LogWire("Data From Host off the wire - STREAM_HEADER", record, length, true);

    const std::uint8_t state = record[0] & 0x0F;
    const std::uint8_t type = record[2];
    {
        UTKTools::CGuard guard(m_headerLock);
        std::copy(record, record + 12, m_header.begin());
        // Only a print-address request's type goes back out (with its answer); the client's
        // own records sent meanwhile must not carry an error or keep-alive type.
        if (type != 2) m_header[2] = 0;
        m_options.fill(0);
        std::memcpy(m_options.data(), record + 12, optionBytes);
        m_optionsLength = optionBytes;
        const auto log = [&](int priority, const char* text) {
            Log(static_cast<EPRIORITY>(priority), ctx, "%s", text);
        };
        if (!ValidateOptionsData(m_options.data(), m_optionsLength, log)) {
            m_optionsLength = CorrectOptionsData(m_options.data(), m_optionsLength, log);
            std::memset(m_options.data() + m_optionsLength, 0, m_options.size() - m_optionsLength);
        }
        RereadOptionFlags();
        UpdateOptionWords();
    }
    const std::uint8_t* data = record + 12 + optionBytes;
    const std::uint32_t dataLength = length - 12 - static_cast<std::uint32_t>(optionBytes);
    const std::string host = HostSystem();

    if (state == kBegin) {
        if (!IsSessionError(type)) {
            {
                UTKTools::CGuard guard(m_headerLock);
                m_state = kMaintain;
            }
            if (m_frontEnd) m_frontEnd->SetHostState(kMaintain, host.c_str());
        }
        char digit[2] = {static_cast<char>('0' + SessionState()), 0};
        char text[7];
        {
            UTKTools::CGuard guard(m_headerLock);
            std::snprintf(m_ridText, sizeof m_ridText, "%2.2X%2.2X%2.2X", record[4], record[5],
                          record[6]);
            std::memcpy(text, m_ridText, sizeof text);
        }
        if (m_frontEnd) m_frontEnd->CopyLniata(text);
        if (m_frontEnd) m_frontEnd->OnStoreSessionChanges("STATE", digit, 1, this);
        Log(kInfo, ctx, "m_SessHdr.err = %d", type);
        if (!IsSessionError(type)) {
            StoreRidLid(record);
            if (m_frontEnd && m_frontEnd->GetKeepAlive()) EnsureKeepAliveTimer();
            TellLniata();
            if (m_defaultFlag > 0 && type != 2 && m_frontEnd)
                m_frontEnd->OnConnect(COMM_NO_ERROR, true);
        } else if (m_defaultFlag > 0) {
            Log(kInfo, ctx, "uiPort = %d", static_cast<int>(m_port.load()));
            const int result = CannedError(data, dataLength);
            if (result == COMM_NO_ERROR)
                StoreRidLid(record);
            else
                Log(kError, ctx, "CONNECT FAILED with error %d", result);
            TellLniata();
            if (m_frontEnd) m_frontEnd->OnConnect(result, true);
        }
        return;
    }

    if (state == kTerminate) {
        if (type == 0 || type == 3) {
            {
                UTKTools::CGuard guard(m_headerLock);
                m_state = kBegin;
            }
            if (m_frontEnd) m_frontEnd->SetHostState(kBegin, host.c_str());
        } else if (m_frontEnd) {
            (void)m_frontEnd->OnHandleError(this, data, dataLength);
        }
        if (m_keepAlive.Listed()) m_keepAlive.SetActive(false);
        Log(kInfo, ctx, "SESSION_TERMINATE. returning");
        m_endOfSession.Set();
        return;
    }

    const auto resetType = [this] {
        UTKTools::CGuard guard(m_headerLock);
        m_header[2] = 0;
    };
    if (type == 1 && m_frontEnd) {
        resetType();
        m_frontEnd->OnURLAddress(data, dataLength);
        HandleOptionsOnReceipt(ctx);
        Log(kInfo, ctx, "UMSG_URL. returning");
        return;
    }
    if (type == 2 && m_frontEnd) {
        std::vector<std::uint8_t> copy(data, data + dataLength);
        (void)SendToHost(copy.data(), dataLength);
        resetType();
        m_frontEnd->OnURLAddress(copy.data(), dataLength);
        HandleOptionsOnReceipt(ctx);
        Log(kInfo, ctx, "PRINT_URL. returning");
        return;
    }
    if (type == 3) {
        EnsureKeepAliveTimer();
    } else if (IsSessionError(type) && m_frontEnd) {
        if (m_frontEnd->OnHandleError(this, data, dataLength)) {
            {
                UTKTools::CGuard guard(m_headerLock);
                m_state = state;
                m_header[2] = 0;
            }
            m_frontEnd->SetHostState(state, host.c_str());
            Log(kInfo, ctx, "SESSION ERROR of %d. returning", type);
            return;
        }
    } else {
        resetType();
    }

    bool ridChanged = false;
    char text[7];
    std::snprintf(text, sizeof text, "%2.2X%2.2X%2.2X", record[4], record[5], record[6]);
    {
        UTKTools::CGuard guard(m_headerLock);
        if (std::strcmp(text, m_ridText) != 0) {
            std::memcpy(m_ridText, text, sizeof text);
            ridChanged = true;
        }
    }
    // A new address, or a front end that holds another one, is told before the delivery.
    if (m_frontEnd && (ridChanged || m_frontEnd->FrontEndLniata() != text)) {
        if (ridChanged)
            m_frontEnd->OnStoreSessionChanges("RID", reinterpret_cast<const char*>(record + 4), 3,
                                              this);
        m_frontEnd->CopyLniata(text);
        TellLniata();
    }

    if (dataLength == 0) {
        HandleOptionsOnReceipt(ctx);
        Log(kInfo, ctx, "no data. returning");
        return;
    }
    const bool accumulating = m_frontEnd != nullptr && m_frontEnd->GetAccumulateMsg();
    m_strategy->Process(*this, data, dataLength, accumulating);
    Log(kInfo, ctx, "returning");
}

bool CHostSession::SetSessionOptions(int option, int value) {
    char ctx[256] = {};
    Context(ctx, "CHostSession::SetSessionOptions");
    Log(kDebug, ctx, "called!");
    UTKTools::CGuard guard(m_headerLock);
    switch (option) {
        case 2:
        case 3: {
            const std::uint8_t type = option == 2 ? kOptEndToEnd : kOptDebug;
            if (value == 1) {
                AddOption(type, option == 2 ? 24 : 4);
            } else if (value == 0) {
                RemoveOption(type);
                if (option == 2) Log(kInfo, ctx, "OPTIONUPDATE: RemoveOption8");
            } else {
                Log(kError, ctx,
                    option == 2
                        ? "QUIL_END_TO_END_DBG: Invalid iDrvValue parameter %d! returning false"
                        : "QUIL_DEBUGGING_OPTION: Invalid iDrvValue parameter %d! returning false",
                    value);
                return false;
            }
            break;
        }
        case 4:
            if (value == 1) {
                m_header[3] |= 0x20;
                Log(kInfo, ctx, "MSG_SIZE_OVERRIDE = OVERRIDE_DEF_MSG_SIZE! returning true");
                return true;
            }
            if (value == 0) {
                m_header[3] &= static_cast<std::uint8_t>(~0x20);
                Log(kInfo, ctx, "MSG_SIZE_OVERRIDE = DEFAULT_MSG_SIZE! returning true");
                return true;
            }
            Log(kError, ctx, "MSG_SIZE_OVERRIDE: Invalid iDrvValue %d! returning false", value);
            return false;
        case 5:
            NewSequenceId();
            break;
        default:
            Log(kError, ctx, "Invalid iDrvOption parameter %d! returning false", option);
            return false;
    }
    Log(kInfo, ctx, "returning true");
    return true;
}

const char* CHostSession::GetSessionData() {
    CHostSocket* socket = Socket();
    if (socket == nullptr) {
        m_sessionInfo.clear();
        return m_sessionInfo.c_str();
    }
    char text[256];
    {
        UTKTools::CGuard guard(m_headerLock);
        std::snprintf(
            text, sizeof text,
            "PROTOCOL=QUIL/RID=%2.2X%2.2X%2.2XLID=%2.2X%2.2X%2.2X%2.2XLNIATA=%sHOSTSYS=%s",
            m_header[4], m_header[5], m_header[6], m_header[8], m_header[9], m_header[10],
            m_header[11], m_ridText, socket->GetHostAddress());
    }
    m_sessionInfo = text;
    return m_sessionInfo.c_str();
}

QUILOptionsState* CHostSession::GetElementState(int element, QUILOptionsState* state) {
    char ctx[256] = {};
    Context(ctx, "CHostSession::GetElementState");
    if (element != 0) {
        Log(kError, ctx, "Request made for an unrecognized element type (%d)", element);
        return nullptr;
    }
    if (state == nullptr) return nullptr;
    UTKTools::CGuard guard(m_headerLock);
    if (m_optionsLength == 0) return nullptr;
    std::size_t length = m_optionsLength;
    if (length > kMaxOptionsData) {
        Log(kWarn, ctx, "option data size is (%d)", static_cast<int>(length));
        length = kMaxOptionsData;
    }
    std::memset(state->data, 0, sizeof state->data);
    std::memcpy(state->data, m_options.data(), length);
    state->length = static_cast<std::uint32_t>(length);
    return state;
}

bool CHostSession::SetElementState(int element, const void* data) {
    char ctx[256] = {};
    Context(ctx, "CHostSession::SetElementState");
    if (element != 0) {
        Log(kError, ctx, "Request made to set an unrecognized element type (%d)", element);
        return false;
    }
    UTKTools::CGuard guard(m_headerLock);
    m_options.fill(0);
    m_optionsLength = 0;
    RereadOptionFlags();
    UpdateOptionWords();
    if (data == nullptr) {
        Log(kInfo, ctx, "OPTIONUPDATE: options data cleared");
        return true;
    }
    std::uint32_t given = 0;
    std::memcpy(&given, data, sizeof given);
    std::array<std::uint8_t, 64> bytes{};
    const std::size_t length = std::min<std::size_t>(given, bytes.size());
    std::memcpy(bytes.data(), static_cast<const std::uint8_t*>(data) + sizeof given, length);
    const auto log = [&](int priority, const char* text) {
        Log(static_cast<EPRIORITY>(priority), ctx, "%s", text);
    };
    std::size_t keep = length;
    if (!ValidateOptionsData(bytes.data(), length, log))
        keep = CorrectOptionsData(bytes.data(), length, log);
    keep = std::min(keep, kMaxOptionsData);
    std::memcpy(m_options.data(), bytes.data(), keep);
    m_optionsLength = keep;
    Log(kInfo, ctx, "OPTIONUPDATE: %d bytes of option data set", static_cast<int>(keep));
    RereadOptionFlags();
    UpdateOptionWords();
    Log(kInfo, ctx,
        m_option7 ? "opt 7 found and set. returning!" : "opt 7 not found and unset. returning!");
    Log(kInfo, ctx,
        m_option8 ? "opt 8 found and set. returning!" : "opt 8 not found and unset. returning!");
    return true;
}

}  // namespace quildrv
