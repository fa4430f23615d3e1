#include "core/Registry.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <optional>

#include "core/RegistryDirect.h"
#include "core/RegistryServices.h"
#include "core/TraceLog.h"
#include "platform/EventLoop.h"

using namespace platform;

namespace {

std::atomic<int> g_accessLevel{CRegistryBase::ACCESS_UNDECIDED};

std::mutex g_methodLock;
std::optional<DWORD> g_method;

// Decides the level once: the first caller that knows it wins.
void DecideAccessLevel(int level) {
    int undecided = CRegistryBase::ACCESS_UNDECIDED;
    g_accessLevel.compare_exchange_strong(undecided, level);
}

}  // namespace

// ---- CRegistryBase ----

CRegistryBase::CRegistryBase(const char* className) : m_className(className) {}

int CRegistryBase::AccessLevel() {
    return g_accessLevel.load();
}

void CRegistryBase::SetAccessLevel(int level) {
    g_accessLevel.store(level);
}

std::string CRegistryBase::WithoutLeadingBackslash(const std::string& name) {
    return (!name.empty() && name.front() == '\\') ? name.substr(1) : name;
}

std::string CRegistryBase::Label(const char* operation, const char* call) const {
    std::string label = m_className;
    label += "::";
    label += operation;
    label += "(): ";
    label += call;
    label += "():";
    return label;
}

bool CRegistryBase::OpenKey(const char* operation, const std::string& path, bool bLog) {
    CloseKey();  // a key left open by the caller is not leaked
    HKEY key = nullptr;
    const LONG full = RegOpenKeyEx(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, &key);
    if (full == ERROR_SUCCESS) {
        m_hKey = key;
        m_bOpen = true;
        DecideAccessLevel(ACCESS_FULL);
        return true;
    }
    const LONG read = RegOpenKeyEx(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key);
    if (read == ERROR_SUCCESS) {
        m_hKey = key;
        m_bOpen = true;
        // Only a refusal for lack of access tells the level; a key that was missing a moment
        // ago tells nothing.
        if (full == ERROR_ACCESS_DENIED) DecideAccessLevel(ACCESS_READ);
        return true;
    }
    if (read == ERROR_ACCESS_DENIED) DecideAccessLevel(ACCESS_NONE);
    return RegistryError(Label(operation, "RegOpenKeyEx"), path, read, bLog);
}

void CRegistryBase::CloseKey() {
    if (m_bOpen) (void)RegCloseKey(m_hKey);
    m_bOpen = false;
    m_hKey = nullptr;
}

bool CRegistryBase::RegistryQueryEx(const std::string& valueName, bool bLog) {
    m_dwSize = kBufferSize;
    DWORD type = 0;
    const LONG rc =
        RegQueryValueEx(m_hKey, valueName.c_str(), nullptr, &type, m_byBuffer, &m_dwSize);
    if (rc == ERROR_SUCCESS) return true;
    const std::string label = Label("RegistryQueryEx", "RegQueryValueEx");
    if (rc == ERROR_MORE_DATA) {
        TraceLog().TraceFormat(CTraceLog::LEVEL_ERROR, __FILE__, __LINE__, label,
                               "Output buffer is too small. Need %li bytes.",
                               static_cast<long>(m_dwSize));
    }
    return RegistryError(label, valueName, rc, bLog);
}

bool CRegistryBase::QueryBinary(const std::string& valueName, BYTE* data, DWORD length,
                                bool bRequired, bool bLog) {
    if (AccessLevel() < ACCESS_READ) return false;
    if (!RegistryQueryEx(valueName, bLog)) return !bRequired;
    // At most what the transfer buffer holds; bytes past the value are what it held before.
    if (data) std::memcpy(data, m_byBuffer, std::min(length, kBufferSize));
    return true;
}

bool CRegistryBase::QueryDWORD(const std::string& valueName, DWORD* data, bool bRequired,
                               bool bLog) {
    if (AccessLevel() < ACCESS_READ) return false;
    if (!RegistryQueryEx(valueName, bLog)) return !bRequired;
    // A shorter value fills only the first bytes; a longer one gives no more than a DWORD holds.
    if (data) std::memcpy(data, m_byBuffer, std::min<DWORD>(m_dwSize, sizeof *data));
    return true;
}

bool CRegistryBase::QueryString(const std::string& valueName, std::string* data, bool bRequired,
                                bool bLog) {
    if (AccessLevel() < ACCESS_READ) return false;
    if (!RegistryQueryEx(valueName, bLog)) return !bRequired;
    // The text ends at its first zero byte or with the value, whichever comes first: a value
    // stored without a terminating zero does not pick up what an earlier read left behind.
    const auto* begin = m_byBuffer;
    const auto* end = std::find(begin, begin + m_dwSize, BYTE{0});
    if (data)
        data->assign(reinterpret_cast<const char*>(begin), static_cast<std::size_t>(end - begin));
    return true;
}

bool CRegistryBase::RegistryError(const std::string& operation, const std::string& name, LONG error,
                                  bool bLog) {
    if (bLog) {
        const std::string label = operation + " RegistryError(): '" + name + "', Error: ";
        TraceLog().FormatErrorText(__FILE__, __LINE__, label, static_cast<DWORD>(error));
        // A store file that does not parse: say where, so that it can be mended.
        if (error == static_cast<LONG>(ERROR_REGISTRY_CORRUPT))
            TraceLog().TraceString(CTraceLog::LEVEL_ERROR, __FILE__, __LINE__, label,
                                   RegLastProblem());
    }
    return false;
}

// ---- CRegistry ----

const char* const CRegistry::kApplicationKey =
    "Software\\The TREVO Group\\Common TREVO API\\Applications\\TREVO VEKA";

namespace {

struct RegisteredMessages {
    unsigned delRegValue = RegisterWindowMessage("DelRegValue");
    unsigned modifyRegValue = RegisterWindowMessage("ModifyRegValue");
};

const RegisteredMessages& Messages() {
    static const RegisteredMessages messages;
    return messages;
}

DWORD AccessMethod() {
    std::lock_guard<std::mutex> guard(g_methodLock);
    if (g_method) return *g_method;
    DWORD method = 0;
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, CRegistry::kApplicationKey, 0, KEY_READ, &key) ==
        ERROR_SUCCESS) {
        DWORD value = 0;
        DWORD size = sizeof value;
        DWORD type = 0;
        if (RegQueryValueEx(key, "Reg Access Method", nullptr, &type,
                            reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
            size == sizeof value)
            method = value;
        (void)RegCloseKey(key);
    }
    TraceLog().TraceFormat(CTraceLog::LEVEL_ERROR, __FILE__, __LINE__, "CRegistry:CRegistry() ",
                           "Setting registry type %d", static_cast<int>(method));
    g_method = method;
    return method;
}

}  // namespace

CRegistry::CRegistry() {
    (void)Messages();
    switch (AccessMethod()) {
        case 0:
            m_pRegistry = std::make_unique<CRegistryDirect>();
            break;
        case 1:
            m_pRegistry = std::make_unique<CRegistryServices>();
            break;
        default:
            break;
    }
}

CRegistry::~CRegistry() = default;

unsigned CRegistry::DelRegValueMessage() {
    return Messages().delRegValue;
}

unsigned CRegistry::ModifyRegValueMessage() {
    return Messages().modifyRegValue;
}

void CRegistry::ForgetAccessMethod() {
    std::lock_guard<std::mutex> guard(g_methodLock);
    g_method.reset();
}

bool CRegistry::RegistryOpen(const std::string& path, bool bLog) {
    return m_pRegistry && m_pRegistry->RegistryOpen(path, bLog);
}
bool CRegistry::RegistryOpenAll(const std::string& path, bool bLog) {
    return m_pRegistry && m_pRegistry->RegistryOpenAll(path, bLog);
}
bool CRegistry::RegistryQueryBinary(const std::string& valueName, BYTE* data, DWORD length,
                                    bool bRequired, bool bLog) {
    return m_pRegistry &&
           m_pRegistry->RegistryQueryBinary(valueName, data, length, bRequired, bLog);
}
bool CRegistry::RegistryQueryDWORD(const std::string& valueName, DWORD* data, bool bRequired,
                                   bool bLog) {
    return m_pRegistry && m_pRegistry->RegistryQueryDWORD(valueName, data, bRequired, bLog);
}
bool CRegistry::RegistryQueryString(const std::string& valueName, std::string* data, bool bRequired,
                                    bool bLog) {
    return m_pRegistry && m_pRegistry->RegistryQueryString(valueName, data, bRequired, bLog);
}
bool CRegistry::RegistrySetBinary(const std::string& valueName, const BYTE* data, DWORD length,
                                  bool bRequired, bool bLog) {
    return m_pRegistry && m_pRegistry->RegistrySetBinary(valueName, data, length, bRequired, bLog);
}
bool CRegistry::RegistrySetDWORD(const std::string& valueName, DWORD data, bool bRequired,
                                 bool bLog) {
    return m_pRegistry && m_pRegistry->RegistrySetDWORD(valueName, data, bRequired, bLog);
}
bool CRegistry::RegistrySetString(const std::string& valueName, const std::string& data,
                                  bool bRequired, bool bLog) {
    return m_pRegistry && m_pRegistry->RegistrySetString(valueName, data, bRequired, bLog);
}
bool CRegistry::RegistryCreateKey(const std::string& subKey, bool bLog) {
    return m_pRegistry && m_pRegistry->RegistryCreateKey(subKey, bLog);
}
bool CRegistry::RegistryDeleteKey(const std::string& subKey, bool bRequired, bool bLog) {
    return m_pRegistry && m_pRegistry->RegistryDeleteKey(subKey, bRequired, bLog);
}
bool CRegistry::RegistryClose() {
    return m_pRegistry && m_pRegistry->RegistryClose();
}

CRegistry& GlobalRegistry() {
    static CRegistry* const registry = new CRegistry;
    return *registry;
}
