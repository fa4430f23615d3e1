#include "platform/MachineRoot.h"

#include <cstdlib>

namespace platform {

std::filesystem::path MachineRoot() {
    if (const char* home = std::getenv("TREVO_HOME"); home && *home) return home;
    if (const char* user = std::getenv("HOME"); user && *user)
        return std::filesystem::path(user) / ".local" / "state" / "trevo";
    return std::filesystem::path("/var/lib/trevo");
}

std::filesystem::path RegistryDir() {
    return MachineRoot() / "registry";
}
std::filesystem::path WindowsDir() {
    return MachineRoot() / "windows";
}
std::filesystem::path RunDir() {
    return MachineRoot() / "run";
}

}  // namespace platform
