// The route and the session of a device, both named by its device id ("Device 03"): the
// session's default end system and route, the route completed with defaults or tidied by its
// provider at the end of the wizard, and the removal of a device's records.
#pragma once

#include <cstdint>
#include <string>

class CRegistry;

namespace wizard {

// The second load balancer a new ARLO route gets: a setting of the installation.
inline constexpr const char* kArloFallbackHost = "arlo-lb2.trevo.local";

// What the end of the wizard takes from the device type page for the route's defaults.
struct RouteDefaults {
    std::string lniata;
    std::string remoteHost;  // the device's "Host": selects the defaults
    std::string hostAddress;
    std::uint32_t idleTimeout = 0;
};

// With "Sessions" the facade's current key: the session's key and its "TREVO" subkey, which
// stays the current key.
void WriteSession(CRegistry& reg, const std::string& sessionName);
// With the route's key the facade's current key: tidies an ARLO or ZEL route, or completes
// one without such a provider with "Alias", "End System" and the defaults of its host.
void CreateRoute(CRegistry& reg, const std::string& routeName, const RouteDefaults& defaults);
// Writes the device's session, then its route.
void WriteSessionAndRoute(const std::string& deviceId, const RouteDefaults& defaults);
// Deletes the device's route, session and device key, and lowers the device count (never
// below 0). `logAs` names who removes, for a log line per removal ("" logs nothing).
void RemoveDeviceRecords(const std::string& deviceId, const std::string& instanceId,
                         const char* logAs = "");

}  // namespace wizard
