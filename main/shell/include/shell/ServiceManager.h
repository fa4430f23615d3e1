// The machine's service manager as the program's service mode uses it: installing, stopping
// and removing a service, and this process reporting its own state as a service. One
// implementation speaks to the machine's manager; tests put a scripted one behind it.
//
// Every operation that can fail returns false with the last error set (ERROR_ACCESS_DENIED,
// ERROR_SERVICE_DOES_NOT_EXIST, ERROR_SERVICE_NOT_ACTIVE, ...).
//
// Threads: the user-interface thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/Win32Error.h"

namespace shell {

// The service manager's errors beside the system's.
inline constexpr platform::DWORD ERROR_SERVICE_NOT_ACTIVE = 1062;
inline constexpr platform::DWORD ERROR_FAILED_SERVICE_CONTROLLER_CONNECT = 1063;

// A service's state, numbered as the service manager's status numbers them.
enum class ServiceState : std::uint32_t {
    Stopped = 1,
    StartPending = 2,
    StopPending = 3,
    Running = 4,
};

// The controls a service accepts.
inline constexpr std::uint32_t kAcceptStop = 1;

// What a service reports of itself.
struct ServiceStatus {
    ServiceState state = ServiceState::Stopped;
    std::uint32_t controlsAccepted = 0;
    std::uint32_t exitCode = 0;
    std::uint32_t checkpoint = 0;
    std::uint32_t waitHintMs = 0;

    bool operator==(const ServiceStatus&) const = default;
};

// A service to install: started automatically with the machine, as the program file with
// the instance id (when there is one) as its first parameter, in the given machine root.
struct ServiceDefinition {
    std::string name;
    std::string displayName;
    std::filesystem::path program;
    std::string instanceId;
    std::filesystem::path machineRoot;
};

class IServiceManager {
public:
    virtual ~IServiceManager() = default;

    // Administration.
    // Reaches the manager with the rights to install and remove services.
    [[nodiscard]] virtual bool Open() = 0;
    // True when the service is installed (ERROR_SERVICE_DOES_NOT_EXIST otherwise).
    [[nodiscard]] virtual bool OpenService(const std::string& name) = 0;
    // Installs the service and has it started with the machine.
    [[nodiscard]] virtual bool Install(const ServiceDefinition& service) = 0;
    // Asks a running service to stop; ERROR_SERVICE_NOT_ACTIVE when it does not run.
    [[nodiscard]] virtual bool Stop(const std::string& name) = 0;
    // The service's state now; nothing (last error set) when it cannot be told.
    [[nodiscard]] virtual std::optional<ServiceState> QueryState(const std::string& name) = 0;
    // Removes the service (it is not started again).
    [[nodiscard]] virtual bool Delete(const std::string& name) = 0;

    // This process as a service.
    // True when the manager started this process as a service and listens to its reports;
    // ERROR_FAILED_SERVICE_CONTROLLER_CONNECT when it was started otherwise.
    [[nodiscard]] virtual bool ConnectDispatcher() = 0;
    [[nodiscard]] virtual bool SetStatus(const ServiceStatus& status) = 0;
    // How often the manager wants to hear that the service is alive (0: it does not).
    [[nodiscard]] virtual std::uint64_t WatchdogIntervalMs() = 0;
    // Tells the manager the service is alive.
    [[nodiscard]] virtual bool PetWatchdog() = 0;
};

}  // namespace shell
