#include "hostdriver/FrontEnd.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include <unistd.h>

#include "hostdriver/HostDrvInt.h"
#include "hostdriver/HostSession.h"
#include "platform/Memory.h"
#include "toolkit/Random.h"

namespace quildrv {

namespace {

constexpr EPRIORITY kError = UTKLogger::CPriority::ERROR;
constexpr const char* kPlaceholder = "[?????????????:?????:??????]";

struct MakerTable {
    MakerTable() = default;
    MakerTable(MakerTable&& other) noexcept : makers(std::move(other.makers)) {}
    std::mutex mutex;
    std::map<std::string, FrontEndMaker> makers;
};

MakerTable& Makers() {
    static MakerTable table = [] {
        MakerTable built;
        AddBuiltInFrontEnds(built.makers);
        return built;
    }();
    return table;
}

}  // namespace

void RegisterBuiltInFrontEnds() {
    std::map<std::string, FrontEndMaker> builtIn;
    AddBuiltInFrontEnds(builtIn);
    for (auto& [devType, maker] : builtIn) RegisterFrontEndMaker(devType, std::move(maker));
}

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

bool CMFEBase::RestartSession(CHostSession* session) {
    if (session == nullptr) return true;
    const std::string host = session->HostSystem();
    (void)session->BeginSession(host.c_str(), static_cast<std::uint32_t>(GetPort()));
    (void)session->SendKeepAlive();
    return false;
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

void CMFEBase::CopyLniata(const char* text) {
    std::lock_guard lock(m_cacheLock);
    m_lniataText = text != nullptr ? text : "";
}

std::string CMFEBase::FrontEndLniata() {
    std::lock_guard lock(m_cacheLock);
    return m_lniataText;
}

std::string CMFEBase::Config(const char* section, const char* key, unsigned int size) {
    if (m_pHostDrvInt == nullptr || size == 0) return {};
    std::string value(size, '\0');
    unsigned int length = size;
    if (!m_pHostDrvInt->OnGetCfgInfo(section, key, value.data(), &length)) return {};
    value.resize(std::min<std::size_t>(std::strlen(value.c_str()), size - 1));
    return value;
}

std::string CMFEBase::RouteOrGlobal(const char* key, unsigned int size) {
    std::string value = Config(nullptr, key, size);
    return value.empty() ? Config("GLOBAL", key, size) : value;
}

std::string CMFEBase::SessionValue(const char* key, unsigned int size) {
    if (m_pHostDrvInt == nullptr) return {};
    constexpr unsigned int kLimit = 64 * 1024;
    for (;;) {
        std::string value(size, '\0');
        unsigned int length = size;
        m_pHostDrvInt->OnGetSessionData(key, value.data(), &length);
        value.resize(std::min<std::size_t>(std::strlen(value.c_str()), size - 1));
        if (value.size() + 1 < size || size >= kLimit) return value;
        size = std::min(size * 2, kLimit);
    }
}

void CMFEBase::StoreSessionValue(const char* key, std::string_view value) {
    if (m_pHostDrvInt == nullptr) return;
    const std::string copy(value);
    m_pHostDrvInt->OnStoreSessionChanges(key, copy.c_str(), static_cast<unsigned int>(copy.size()));
}

const char* CMFEBase::CachedText(const char* key, unsigned int size) {
    {
        std::lock_guard lock(m_cacheLock);
        const auto it = m_texts.find(key);
        if (it != m_texts.end()) return it->second->c_str();
    }
    std::string value = Config(nullptr, key, size);
    std::lock_guard lock(m_cacheLock);
    const auto it = m_texts.find(key);
    if (it != m_texts.end()) return it->second->c_str();
    const std::string* kept = &m_cachedTexts.emplace_back(std::move(value));
    m_texts.emplace(key, kept);
    return kept->c_str();
}

void CMFEBase::ForgetCachedTexts() {
    std::lock_guard lock(m_cacheLock);
    m_texts.clear();
}

int CMFEBase::CachedNumber(const char* key, int absent) {
    {
        std::lock_guard lock(m_cacheLock);
        const auto it = m_numbers.find(key);
        if (it != m_numbers.end()) return it->second;
    }
    const std::string text = Config(nullptr, key, 16);
    char* end = nullptr;
    const long number = text.empty() ? absent : std::strtol(text.c_str(), &end, 10);
    const int value = (!text.empty() && end == text.c_str()) ? absent : static_cast<int>(number);
    std::lock_guard lock(m_cacheLock);
    return m_numbers.emplace(key, value).first->second;
}

void CMFEBase::SetCachedNumber(const char* key, int value) {
    std::lock_guard lock(m_cacheLock);
    m_numbers[key] = value;
}

void CMFEBase::Trace(EPRIORITY priority, const char* method, const char* format, ...) {
    char name[96] = {};
    std::snprintf(name, sizeof name, "%s::%s", m_className, method);
    char ctx[256] = {};
    SetLocalContext(ctx, sizeof ctx, name);
    va_list args;
    va_start(args, format);
    LogVA(priority, ctx, format, args);
    va_end(args);
}

std::uint32_t CMFEBase::NewLid(const char* lniata) {
    if (Config("GLOBAL", "THINCLIENT", 2) == "1")
        return ThinClientLid(lniata != nullptr ? lniata : "", ComputerName());
    const auto low = static_cast<std::uint32_t>(UTKTools::CRandom::Get() & 0xFFFF);
    const auto high = static_cast<std::uint32_t>(UTKTools::CRandom::Get() & 0xFFFF);
    return high << 16 | low;
}

std::uint32_t ThinClientLid(std::string_view lniata, std::string_view computerName) {
    std::uint32_t hash = 2166136261u;
    const auto mix = [&hash](unsigned char c) {
        hash ^= c;
        hash *= 16777619u;
    };
    for (const char c : lniata) mix(static_cast<unsigned char>(c));
    mix(0);
    for (const char c : computerName) mix(static_cast<unsigned char>(c));
    return hash;
}

std::string ComputerName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return {};
    std::string out(name);
    if (out.size() > 12) out.resize(12);
    return out;
}

}  // namespace quildrv
