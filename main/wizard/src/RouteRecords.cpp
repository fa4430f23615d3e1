#include "wizard/RouteRecords.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "core/Registry.h"
#include "core/TraceLog.h"
#include "core/VekaStrings.h"
#include "wizard/Store.h"
#include "wizard/WizardIds.h"

namespace wizard {

namespace {

constexpr char kEndSystem[] = "TREVO";
constexpr char kTraceFile[] = "C:\\BRXAPI.LOG";
constexpr std::uint32_t kZelPort = 1413;
constexpr std::uint32_t kArloPort = 12001;

struct Field {
    const char* name;
    bool dword;
};

// A provider's values as they are read back, in the order they are written again.
struct Value {
    const char* name;
    bool dword;
    std::string text;
    std::uint32_t number = 0;
};

const Value* FindValue(const std::vector<Value>& values, const char* name) {
    for (const Value& v : values)
        if (std::string(v.name) == name) return &v;
    return nullptr;
}

// Reads the fields from the current key, closes it, makes the route's key anew and writes
// the fields back in `writeOrder`: every other value of the route is gone.
void RecreateRoute(CRegistry& reg, const std::string& routeName,
                   const std::vector<Field>& readOrder, const std::vector<Field>& writeOrder) {
    std::vector<Value> values;
    for (const Field& f : readOrder) {
        Value v{f.name, f.dword, {}, 0};
        if (f.dword)
            v.number = QueryDword(reg, f.name);
        else
            v.text = QueryString(reg, f.name);
        values.push_back(std::move(v));
    }
    static_cast<void>(reg.RegistryClose());
    if (!reg.RegistryOpen(kCommonKey, true)) return;
    static_cast<void>(reg.RegistryCreateKey("\\Routes", true));
    static_cast<void>(reg.RegistryDeleteKey("\\" + routeName, true, true));
    if (!reg.RegistryCreateKey("\\" + routeName, true)) return;
    for (const Field& f : writeOrder) {
        const Value* v = FindValue(values, f.name);
        if (f.dword)
            static_cast<void>(reg.RegistrySetDWORD(f.name, v->number, true, true));
        else
            static_cast<void>(reg.RegistrySetString(f.name, v->text, true, true));
    }
}

std::string Capitals(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// 0 for the ZEL gateway (strings 221 and 222), 2 for ARLO (223), -1 when the host is none
// of them.
int RemoteHostIndex(const std::string& host) {
    for (int i = 0; i < 3; ++i) {
        const std::string name =
            core::LoadVekaString(IDS_REMOTEHOST_ZEL + static_cast<std::uint32_t>(i));
        if (name.empty()) {
            TRACE_FORMAT(CTraceLog::LEVEL_ERROR,
                         "CVekaPrpDevices::CreateRoute(): LoadString():", "IDS_REMOTEHOST%i failed",
                         i);
            continue;
        }
        if (name == host) return i == 1 ? 0 : i;
    }
    return -1;
}

}  // namespace

void WriteSession(CRegistry& reg, const std::string& sessionName) {
    if (!reg.RegistryCreateKey("\\" + sessionName, true)) return;
    static_cast<void>(reg.RegistrySetString("Default EndSystem", kEndSystem, true, true));
    if (!reg.RegistryCreateKey("\\TREVO", true)) return;
    static_cast<void>(reg.RegistrySetString("Route Name", sessionName, true, true));
}

void CreateRoute(CRegistry& reg, const std::string& routeName, const RouteDefaults& defaults) {
    const std::string provider = Capitals(QueryString(reg, "Service Provider"));
    if (provider == "ARLO") {
        const std::vector<Field> fields = {
            {"Service Provider", false},   {"LNIATA", false},
            {"Load Balancer Name", false}, {"Load Balancer Fallback Name", false},
            {"Class Name", false},         {"Load Balancer IP Port", true},
            {"Use Class Name", true},      {"Tracing Active", true},
            {"Trace File Name", false},    {"Alias", false},
            {"End System", false}};
        RecreateRoute(reg, routeName, fields, fields);
        return;
    }
    if (provider == "ZEL") {
        RecreateRoute(reg, routeName,
                      {{"Service Provider", false},
                       {"LNIATA", false},
                       {"Tracing Active", true},
                       {"Trace File Name", false},
                       {"Server IP Address", false},
                       {"Alias", false},
                       {"End System", false},
                       {"ZEL Port", true}},
                      {{"Service Provider", false},
                       {"LNIATA", false},
                       {"Tracing Active", true},
                       {"ZEL Port", true},
                       {"Trace File Name", false},
                       {"Server IP Address", false},
                       {"Alias", false},
                       {"End System", false}});
        return;
    }
    static_cast<void>(reg.RegistrySetString("Alias", routeName, true, true));
    static_cast<void>(reg.RegistrySetString("End System", kEndSystem, true, true));
    // An empty host is no host: it selects no defaults.
    const int host = defaults.remoteHost.empty() ? -1 : RemoteHostIndex(defaults.remoteHost);
    if (host == 0) {
        static_cast<void>(reg.RegistrySetString("Service Provider", "ZEL", true, true));
        static_cast<void>(reg.RegistrySetDWORD("ZEL Port", kZelPort, true, true));
        static_cast<void>(
            reg.RegistrySetString("Server IP Address", defaults.hostAddress, true, true));
        static_cast<void>(reg.RegistrySetString("Lniata", defaults.lniata, true, true));
    } else if (host == 2) {
        static_cast<void>(reg.RegistrySetString("Service Provider", "ARLO", true, true));
        static_cast<void>(reg.RegistrySetString("LNIATA", defaults.lniata, true, true));
        static_cast<void>(
            reg.RegistrySetString("Load Balancer Name", defaults.hostAddress, true, true));
        static_cast<void>(
            reg.RegistrySetString("Load Balancer Fallback Name", kArloFallbackHost, true, true));
        static_cast<void>(reg.RegistrySetString("Class Name", "pss", true, true));
        static_cast<void>(reg.RegistrySetDWORD("Load Balancer IP Port", kArloPort, true, true));
        static_cast<void>(reg.RegistrySetDWORD("Use Class Name", 0, true, true));
        static_cast<void>(reg.RegistrySetDWORD("Tracing Active", 0, true, true));
        static_cast<void>(reg.RegistrySetString("Trace File Name", kTraceFile, true, true));
        static_cast<void>(reg.RegistrySetDWORD("Idle Timeout", defaults.idleTimeout, true, true));
    } else {
        TRACE_STRING(CTraceLog::LEVEL_ERROR,
                     "CVekaPrpDevices::CreateRoute():", "Error: Out of bounds i");
    }
}

void WriteSessionAndRoute(const std::string& deviceId, const RouteDefaults& defaults) {
    CRegistry& reg = GlobalRegistry();
    if (reg.RegistryOpen(kCommonKey, true)) {
        if (reg.RegistryCreateKey("\\Sessions", true)) WriteSession(reg, deviceId);
        static_cast<void>(reg.RegistryClose());
    }
    if (reg.RegistryOpen(kCommonKey, true)) {
        if (reg.RegistryCreateKey("\\Routes", true) && reg.RegistryCreateKey("\\" + deviceId, true))
            CreateRoute(reg, deviceId, defaults);
        static_cast<void>(reg.RegistryClose());
    }
}

void RemoveDeviceRecords(const std::string& deviceId, const std::string& instanceId,
                         const char* logAs) {
    CRegistry& reg = GlobalRegistry();
    const auto deleteBelow = [&](const std::string& key, const std::string& sub) {
        if (!reg.RegistryOpen(key, true)) return;
        static_cast<void>(reg.RegistryDeleteKey("\\" + sub, true, true));
        static_cast<void>(reg.RegistryClose());
    };
    deleteBelow(kRoutesKey, deviceId);
    deleteBelow(kSessionsKey + "\\" + deviceId, "TREVO");
    deleteBelow(kSessionsKey, deviceId);
    deleteBelow(kApplicationKey, deviceId);
    if (reg.RegistryOpen(kApplicationKey, true)) {
        const std::string countName = DeviceCountName(instanceId);
        const std::uint32_t count = QueryDword(reg, countName.c_str());
        static_cast<void>(reg.RegistrySetDWORD(countName, count > 0 ? count - 1 : 0, true, true));
        static_cast<void>(reg.RegistryClose());
    }
    if (logAs[0] != '\0')
        TRACE_FORMAT(CTraceLog::LEVEL_INFO, logAs, "Removed the records of '%s'", deviceId.c_str());
}

}  // namespace wizard
