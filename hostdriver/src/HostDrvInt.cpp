#include "hostdriver/HostDrvInt.h"

#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "platform/Memory.h"

namespace quildrv {

namespace {

constexpr unsigned kContextSize = 256;
constexpr EPRIORITY kFatal = UTKLogger::CPriority::FATAL;
constexpr EPRIORITY kError = UTKLogger::CPriority::ERROR;
constexpr EPRIORITY kInfo = UTKLogger::CPriority::INFO;
constexpr EPRIORITY kDebug = UTKLogger::CPriority::DEBUG;

const char* const kNoFrontEnd = "No MFE interface. returning COMM_ERR_RECONNECT!";

// The message of a simple-mode line, formatted into a buffer that grows until it fits.
__attribute__((format(printf, 2, 0))) bool FormatGrowing(std::vector<char>& out, const char* format,
                                                         va_list args) {
    std::size_t size = 1024;
    for (int attempt = 0; attempt < 64; ++attempt) {
        try {
            out.assign(size, '\0');
        } catch (const std::bad_alloc&) {
            return false;
        }
        va_list copy;
        va_copy(copy, args);
        const int n = std::vsnprintf(out.data(), size, format, copy);
        va_end(copy);
        if (n < 0) {
            size *= 2;
        } else if (static_cast<std::size_t>(n) >= size) {
            size = static_cast<std::size_t>(n) + 1;
        } else {
            return true;
        }
    }
    return false;
}

}  // namespace

char PriorityLetter(int priority) noexcept {
    switch (priority) {
        case 0:
            return 'O';
        case 100:
            return 'F';
        case 200:
            return 'A';
        case 300:
            return 'C';
        case 400:
            return 'E';
        case 500:
            return 'W';
        case 600:
            return 'N';
        case 700:
            return 'I';
        case 800:
            return 'D';
        default:
            return 'U';
    }
}

CHostDrvInt::CHostDrvInt(CApiBaseInterface* api) {
    if (!platform::IsBadReadPtr(api, 4)) m_pApi = api;
}

CHostDrvInt::~CHostDrvInt() {
    char ctx[kContextSize] = {};
    SetLocalContext(ctx, sizeof ctx, "CHostDrvInt::~CHostDrvInt");
    Log(kDebug, ctx, "called!");
    try {
        delete m_pMFEInt;
    } catch (...) {
        Log(kError, ctx, "exception caught!");
    }
    m_pMFEInt = nullptr;
    Log(kDebug, ctx, "completed!");
}

int CHostDrvInt::ConnectToHost() {
    char ctx[kContextSize] = {};
    SetLocalContext(ctx, sizeof ctx, "CHostDrvInt::ConnectToHost");
    Log(kDebug, ctx, "called!");
    if (m_pApi == nullptr) return COMM_CONNECT_FAILED;

    char value[32] = {};
    unsigned int length = sizeof value;
    const bool simple = OnGetCfgInfo(nullptr, "DRVLOGINTERFACE", value, &length) && length > 0 &&
                        ::strcasecmp(value, "SIMPLE") == 0;
    m_logMode = simple ? kSimple : kPrioritized;

    std::memset(value, 0, sizeof value);
    length = sizeof value;
    (void)OnGetCfgInfo(nullptr, "DEVTYPE", value, &length);
    value[sizeof value - 1] = '\0';
    if (value[0] == '\0') {
        Log(kError, ctx, "Missing DEVTYPE: returning COMM_ERR_BADAPIOPTION");
        return COMM_ERR_BADAPIOPTION;
    }
    DeviceType type = kTerminal;
    if (std::strcmp(value, "TERMINAL") == 0) {
        type = kTerminal;
    } else if (std::strcmp(value, "PRINTER") == 0) {
        type = kPrinter;
    } else {
        Log(kError, ctx, "Invalid DEVTYPE: returning COMM_ERR_BADAPIOPTION");
        return COMM_ERR_BADAPIOPTION;
    }

    if (m_pMFEInt == nullptr) {
        m_deviceType = type;
        m_pMFEInt = MakeFrontEnd(value);
        if (m_pMFEInt == nullptr) {
            Log(kFatal, ctx, "Couldn't allocate MFE Interface: returning COMM_ERR_OUTOFMEMORY!");
            return COMM_ERR_OUTOFMEMORY;
        }
        bool initialised = false;
        try {
            (void)m_pMFEInt->SetHostDrvInterface(this);
            initialised = m_pMFEInt->Init();
        } catch (...) {
            Log(kError, ctx, "exception caught!");
        }
        if (!initialised) {
            delete m_pMFEInt;
            m_pMFEInt = nullptr;
            Log(kError, ctx, "Couldn't initialize MFE Interface: returning COMM_CONNECT_FAILED!");
            return COMM_CONNECT_FAILED;
        }
    }

    int rc = COMM_CONNECT_FAILED;
    try {
        rc = m_pMFEInt->BeginSession();
    } catch (...) {
        Log(kError, ctx, "exception caught!");
        Log(kError, ctx, "returning COMM_CONNECT_FAILED!");
        return COMM_CONNECT_FAILED;
    }
    Log(rc == COMM_NO_ERROR || rc == COMM_WAITING ? kInfo : kError, ctx,
        "m_pMFEInt->BeginSession() returned. returning %d!", rc);
    return rc;
}

// The common frame of the logged operations that answer a code: "called!", the text for a
// missing front end, the front end's answer with its "returned" line, or the text for an
// exception.
#define QUILDRV_FORWARD_CODE(NAME, CALL, RETURNED, NO_FE_TEXT, NO_FE_RC, EXC_TEXT, EXC_RC) \
    char ctx[kContextSize] = {};                                                           \
    SetLocalContext(ctx, sizeof ctx, "CHostDrvInt::" NAME);                                \
    Log(kDebug, ctx, "called!");                                                           \
    if (m_pMFEInt == nullptr) {                                                            \
        Log(kError, ctx, "%s", NO_FE_TEXT);                                                \
        return NO_FE_RC;                                                                   \
    }                                                                                      \
    try {                                                                                  \
        const int rc = m_pMFEInt->CALL;                                                    \
        Log(rc == 0 ? kInfo : kError, ctx, RETURNED, rc, rc);                              \
        return rc;                                                                         \
    } catch (...) {                                                                        \
        Log(kError, ctx, "exception caught!");                                             \
        Log(kError, ctx, "%s", EXC_TEXT);                                                  \
        return EXC_RC;                                                                     \
    }

int CHostDrvInt::DisconnectFromHost() {
    QUILDRV_FORWARD_CODE("DisconnectFromHost", EndSession(),
                         "m_pMFEInt->EndSession() returned %d. returning %d", kNoFrontEnd,
                         COMM_ERR_RECONNECT, "returning COMM_NO_ERROR!", COMM_NO_ERROR)
}

int CHostDrvInt::SendToHost(const unsigned char* data, unsigned int length) {
    QUILDRV_FORWARD_CODE("SendToHost", SendToHost(data, length),
                         "m_pMFEInt->SendToHost() returned %d. returning %d", kNoFrontEnd,
                         COMM_ERR_RECONNECT, "returning COMM_SEND_FAILED", COMM_SEND_FAILED)
}

int CHostDrvInt::RecvFromHost(unsigned char** data, unsigned int* length) {
    QUILDRV_FORWARD_CODE("RecvFromHost", RecvFromHost(data, length),
                         "m_pMFEInt->RecvFromHost() returned %d. returning %d", kNoFrontEnd,
                         COMM_ERR_RECONNECT, "returning COMM_ERR_UNKNOWN!", COMM_ERR_UNKNOWN)
}

int CHostDrvInt::SetAccumulationMode(bool accumulate) {
    QUILDRV_FORWARD_CODE("SetAccumulationMode", SetAccumulateMsg(accumulate),
                         "m_pMFEInt->SetAccumulateMsg() returned %d. returning %d", kNoFrontEnd,
                         COMM_ERR_RECONNECT, "returning COMM_ERR_UNKNOWN!", COMM_ERR_UNKNOWN)
}

int CHostDrvInt::EnqueueDataToChain(const unsigned char* data, unsigned int length) {
    QUILDRV_FORWARD_CODE("EnqueueDataToChain", AddBufferToChain(data, length),
                         "m_pMFEInt->AddBufferToChain returned %d. returning %d",
                         "NO MFE interface. returning COMM_ERR_RECONNECT!", COMM_ERR_RECONNECT,
                         "returning COMM_ERR_RECONNECT!", COMM_ERR_RECONNECT)
}

#undef QUILDRV_FORWARD_CODE

bool CHostDrvInt::SetDriverOption(int option, int value) {
    char ctx[kContextSize] = {};
    SetLocalContext(ctx, sizeof ctx, "CHostDrvInt::SetDriverOption");
    Log(kDebug, ctx, "called!");
    if (m_pMFEInt == nullptr) {
        Log(kError, ctx, "No MFE interface. returning false!");
        return false;
    }
    try {
        const bool ok = m_pMFEInt->SetDrvOptions(option, value);
        if (ok)
            Log(kInfo, ctx, "m_pMFEInt->SetDrvOptions returned true. returning true");
        else
            Log(kError, ctx, "m_pMFEInt->SetDrvOptions returned false. returning false");
        return ok;
    } catch (...) {
        Log(kError, ctx, "exception caught!");
        Log(kError, ctx, "returning false!");
        return false;
    }
}

int CHostDrvInt::BackGroundConnect(unsigned char* argument) {
    char ctx[kContextSize] = {};
    SetLocalContext(ctx, sizeof ctx, "CHostDrvInt::BackGroundConnect");
    Log(kDebug, ctx, "called!");
    if (m_pMFEInt == nullptr) {
        Log(kError, ctx, "No MFE interface. returning COMM_ERR_NOCONNECTION");
        return COMM_ERR_NOCONNECTION;
    }
    try {
        const int rc = m_pMFEInt->BackGroundConnect(argument);
        Log(rc == 0 ? kInfo : kError, ctx, "returning %d!", rc);
        return rc;
    } catch (...) {
        // Nothing thrown may leave the module.
        Log(kError, ctx, "exception caught!");
        return COMM_ERR_NOCONNECTION;
    }
}

QUILOptionsState* CHostDrvInt::GetElementState(int element, QUILOptionsState* state) {
    char ctx[kContextSize] = {};
    SetLocalContext(ctx, sizeof ctx, "CHostDrvInt::GetElementState");
    Log(kDebug, ctx, "called!");
    if (m_pMFEInt == nullptr) {
        Log(kError, ctx, "No MFE interface. returning NULL!");
        return nullptr;
    }
    try {
        return m_pMFEInt->GetElementState(element, state);
    } catch (...) {
        Log(kError, ctx, "exception caught!");
        Log(kError, ctx, "returning NULL!");
        return nullptr;
    }
}

bool CHostDrvInt::SetElementState(int element, void* data) {
    char ctx[kContextSize] = {};
    SetLocalContext(ctx, sizeof ctx, "CHostDrvInt::SetElementState");
    Log(kDebug, ctx, "called!");
    if (m_pMFEInt == nullptr) {
        Log(kDebug, ctx, "No MFE interface. returning false!");
        return false;
    }
    try {
        const bool ok = m_pMFEInt->SetElementState(element, data);
        Log(ok ? kInfo : kError, ctx,
            ok ? "m_pMFEInt->SetElementState returned true."
               : "m_pMFEInt->SetElementState returned false.");
        return ok;
    } catch (...) {
        Log(kError, ctx, "exception caught!");
        Log(kError, ctx, "returning false!");
        return false;
    }
}

// The six operations below have no log frame; an exception of the front end is answered with
// the value for a missing front end, so that nothing thrown leaves the module.
bool CHostDrvInt::IsHostAvailable() {
    try {
        return m_pMFEInt != nullptr && m_pMFEInt->IsHostAvailable();
    } catch (...) {
        return false;
    }
}

bool CHostDrvInt::IsConnected() {
    try {
        return m_pMFEInt != nullptr && m_pMFEInt->IsConnected();
    } catch (...) {
        return false;
    }
}

const char* CHostDrvInt::GetHostAddr() {
    try {
        return m_pMFEInt != nullptr ? m_pMFEInt->GetLNIATA() : nullptr;
    } catch (...) {
        return nullptr;
    }
}

const char* CHostDrvInt::GetDriverSessionInfo() {
    try {
        if (m_pMFEInt != nullptr) return m_pMFEInt->GetSessionData();
    } catch (...) {
    }
    return "PROTOCOL=QUIL";
}

void CHostDrvInt::WorkHostQueue() {
    try {
        if (m_pMFEInt != nullptr) m_pMFEInt->WorkHostQueue();
    } catch (...) {
    }
}

void CHostDrvInt::LogEBCDIC(EPRIORITY priority, const char* context, unsigned long length,
                            const unsigned char* data) {
    if (m_pApi == nullptr) return;
    auto* bytes = const_cast<unsigned char*>(data);
    if (m_logMode == kPrioritized)
        m_pApi->OnLogEBCDIC(priority, context, length, bytes);
    else
        m_pApi->OnLogEBCDICData(bytes, static_cast<int>(length));
}

void CHostDrvInt::LogASCII(EPRIORITY priority, const char* context, unsigned long length,
                           const unsigned char* data) {
    if (m_pApi == nullptr) return;
    auto* bytes = const_cast<unsigned char*>(data);
    if (m_logMode == kPrioritized)
        m_pApi->OnLogASCII(priority, context, length, bytes);
    else
        m_pApi->OnLogASCIIData(bytes, static_cast<int>(length));
}

void CHostDrvInt::Log(EPRIORITY priority, const char* context, const char* format, ...) {
    va_list args;
    va_start(args, format);
    LogVA(priority, context, format, args);
    va_end(args);
}

void CHostDrvInt::LogVA(EPRIORITY priority, const char* context, const char* format, va_list args) {
    if (m_pApi == nullptr) return;
    if (m_logMode == kPrioritized) {
        m_pApi->OnLogVA(priority, context, format, args);
        return;
    }
    std::vector<char> message;
    if (!FormatGrowing(message, format, args)) return;
    const std::size_t need = std::strlen(message.data()) + std::strlen(context) + 8;
    std::vector<char> line;
    try {
        line.assign(need, '\0');
    } catch (const std::bad_alloc&) {
        return;
    }
    const int n = std::snprintf(line.data(), need, "%c %s>%s\n", PriorityLetter(priority), context,
                                message.data());
    if (n <= 0) return;
    m_pApi->OnLogDbgData(reinterpret_cast<unsigned char*>(line.data()), n);
}

void CHostDrvInt::OnReceive(int code) {
    if (m_pApi != nullptr) m_pApi->OnReceive(code);
}

void CHostDrvInt::OnHostAvailable(bool available) {
    if (m_pApi != nullptr) m_pApi->OnHostAvailable(available);
}

void CHostDrvInt::OnConnect(int code) {
    if (m_pApi != nullptr) m_pApi->OnConnect(code);
}

void CHostDrvInt::OnDisconnect(int code) {
    if (m_pApi != nullptr) m_pApi->OnDisconnect(code);
}

void CHostDrvInt::OnHostAddress(char* text, bool available) {
    if (m_pApi != nullptr) m_pApi->OnHostAddress(text, available);
}

void CHostDrvInt::OnStoreSessionChanges(const char* key, const char* data, unsigned int length) {
    char ctx[kContextSize] = {};
    SetLocalContext(ctx, sizeof ctx, "CHostDrvInt::OnStoreSessionChanges");
    Log(kDebug, ctx, "called!");
    if (key == nullptr) {
        Log(kError, ctx, "szKeyName is NULL!");
        return;
    }
    if (m_pApi != nullptr) m_pApi->OnStoreSessionChanges(key, data, length);
}

void CHostDrvInt::OnURLNotification(char* text, int value) {
    if (m_pApi != nullptr) m_pApi->OnURLNotification(text, value);
}

void CHostDrvInt::OnGetSessionData(const char* key, char* buffer, unsigned int* length) {
    if (m_pApi != nullptr) m_pApi->OnGetSessionData(key, buffer, length);
}

bool CHostDrvInt::OnGetCfgInfo(const char* section, const char* key, char* buffer,
                               unsigned int* length) {
    return m_pApi != nullptr && m_pApi->OnGetCfgInfo(section, key, buffer, length);
}

bool CHostDrvInt::OnStoreCfgInfo(const char* section, const char* key, const char* value,
                                 unsigned int length) {
    return m_pApi != nullptr && m_pApi->OnStoreCfgInfo(section, key, value, length);
}

char* CHostDrvInt::SetLocalContext(char* buffer, unsigned int size, const char* method) {
    if (m_pApi != nullptr) return m_pApi->SetLocalContext(buffer, size, method);
    return PlaceholderContext(buffer, size, method);
}

}  // namespace quildrv
