#include "hostdriver/FrontEnd.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "hostdriver/HostDrvInt.h"
#include "platform/Memory.h"

namespace quildrv {

namespace {

constexpr EPRIORITY kError = UTKLogger::CPriority::ERROR;
constexpr const char* kPlaceholder = "[?????????????:?????:??????]";

struct MakerTable {
    std::mutex mutex;
    std::map<std::string, FrontEndMaker> makers;
};

MakerTable& Makers() {
    static MakerTable table;
    return table;
}

}  // namespace

CMFEInt::~CMFEInt() = default;
CMFECallback::~CMFECallback() = default;

char* PlaceholderContext(char* buffer, unsigned int size, const char* method) {
    if (buffer == nullptr || method == nullptr) return buffer;
    const std::size_t length = std::strlen(method);
    if (length + std::strlen(kPlaceholder) < size)
        std::snprintf(buffer, size, "%s%s", kPlaceholder, method);
    else if (length < size)
        std::snprintf(buffer, size, "%s", method);
    return buffer;
}

void RegisterFrontEndMaker(const std::string& devType, FrontEndMaker maker) {
    MakerTable& table = Makers();
    std::lock_guard lock(table.mutex);
    table.makers[devType] = std::move(maker);
}

CMFEBase* MakeFrontEnd(const std::string& devType) {
    FrontEndMaker maker;
    {
        MakerTable& table = Makers();
        std::lock_guard lock(table.mutex);
        const auto it = table.makers.find(devType);
        if (it == table.makers.end()) return nullptr;
        maker = it->second;
    }
    try {
        return maker();
    } catch (...) {
        return nullptr;
    }
}

int CMFEBase::SetHostDrvInterface(CHostDrvInt* driver) {
    if (platform::IsBadReadPtr(driver, 20)) {
        m_pHostDrvInt = nullptr;
        return 1;
    }
    m_pHostDrvInt = driver;
    return 0;
}

int CMFEBase::SetAccumulateMsg(bool accumulate) {
    m_bAccumulate = accumulate;
    return 0;
}

// The event forwarders drop an event whose delivery throws, with one log line.
#define QUILDRV_GUARDED_EVENT(METHOD, CALL)                           \
    if (m_pHostDrvInt == nullptr) return;                             \
    try {                                                             \
        m_pHostDrvInt->CALL;                                          \
    } catch (...) {                                                   \
        char ctx[256] = {};                                           \
        char name[64] = {};                                           \
        std::snprintf(name, sizeof name, "%s::" METHOD, m_className); \
        SetLocalContext(ctx, sizeof ctx, name);                       \
        Log(kError, ctx, "exception caught!");                        \
    }

void CMFEBase::OnDisconnect(int code) {
    QUILDRV_GUARDED_EVENT("OnDisconnect", OnDisconnect(code))
}

void CMFEBase::OnSysUnavail(bool available) {
    QUILDRV_GUARDED_EVENT("OnSysUnavail", OnHostAvailable(available))
}

void CMFEBase::OnResource(const char* lniata) {
    QUILDRV_GUARDED_EVENT("OnResource", OnHostAddress(const_cast<char*>(lniata), true))
}

#undef QUILDRV_GUARDED_EVENT

void CMFEBase::OnReceive(int code) {
    if (m_pHostDrvInt != nullptr) m_pHostDrvInt->OnReceive(code);
}

char* CMFEBase::GetActiveHost() {
    if (m_pHostDrvInt == nullptr) return nullptr;
    char value[128] = {};
    unsigned int length = sizeof value;
    m_pHostDrvInt->OnGetSessionData("ACTIVEHOST", value, &length);
    value[sizeof value - 1] = '\0';
    if (length == 0 || value[0] == '\0') return nullptr;
    return ::strdup(value);
}

void CMFEBase::Log(EPRIORITY priority, const char* context, const char* format, ...) {
    va_list args;
    va_start(args, format);
    LogVA(priority, context, format, args);
    va_end(args);
}

void CMFEBase::LogVA(EPRIORITY priority, const char* context, const char* format, va_list args) {
    if (m_pHostDrvInt != nullptr) m_pHostDrvInt->LogVA(priority, context, format, args);
}

void CMFEBase::LogEBCDIC(EPRIORITY priority, const char* context, unsigned long length,
                         const unsigned char* data) {
    if (m_pHostDrvInt != nullptr) m_pHostDrvInt->LogEBCDIC(priority, context, length, data);
}

void CMFEBase::LogASCII(EPRIORITY priority, const char* context, unsigned long length,
                        const unsigned char* data) {
    if (m_pHostDrvInt != nullptr) m_pHostDrvInt->LogASCII(priority, context, length, data);
}

char* CMFEBase::SetLocalContext(char* buffer, unsigned int size, const char* method) {
    if (m_pHostDrvInt != nullptr) return m_pHostDrvInt->SetLocalContext(buffer, size, method);
    return PlaceholderContext(buffer, size, method);
}

}  // namespace quildrv
