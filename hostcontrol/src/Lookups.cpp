#include "hostcontrol/Lookups.h"

#include <algorithm>
#include <cctype>

#include "brxapicfg/BRXConfig.h"

namespace hostcontrol {
namespace {

// Sub-keys are read by index until the first error; the store holds far fewer.
constexpr int kMaxSubKeys = 1 << 20;

template <typename Match>
bool AnySubKey(const std::string& key, Match match) {
    BRXConfig config;
    std::string name;
    for (int index = 0; index < kMaxSubKeys; ++index) {
        if (config.EnumKey(key, &name, index) != 0) return false;
        if (match(name)) return true;
    }
    return false;
}

std::string SessionKey(const std::string& session) {
    return std::string(BRXConfig::kSessionsKey) + "\\" + session;
}

std::string Value(const std::string& key, const std::string& subKey, const char* name) {
    std::string value;
    if (BRXConfig().GetValue(key, subKey, name, &value) != 0) value.clear();
    return value;
}

}  // namespace

bool ApplicationExists(const std::string& application) {
    return AnySubKey(BRXConfig::kApplicationsKey, [&](const std::string& name) {
        return std::equal(name.begin(), name.end(), application.begin(), application.end(),
                          [](char a, char b) {
                              return std::tolower(static_cast<unsigned char>(a)) ==
                                     std::tolower(static_cast<unsigned char>(b));
                          });
    });
}

bool SessionExists(const std::string& session) {
    return AnySubKey(BRXConfig::kSessionsKey,
                     [&](const std::string& name) { return name == session; });
}

bool EndSystemOfSession(const std::string& session, const std::string& endSystem) {
    return AnySubKey(SessionKey(session),
                     [&](const std::string& name) { return name == endSystem; });
}

std::string DefaultSessionOf(const std::string& application) {
    std::string session;
    if (BRXConfig().GetDefaultSession(application, &session) != 0) session.clear();
    return session;
}

std::string DefaultEndSystemOf(const std::string& session) {
    return Value(BRXConfig::kSessionsKey, session, "Default EndSystem");
}

std::string RouteOf(const std::string& session, const std::string& endSystem) {
    return Value(SessionKey(session), endSystem, "Route Name");
}

}  // namespace hostcontrol
