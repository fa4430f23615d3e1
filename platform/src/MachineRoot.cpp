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

namespace {

// Compares and, when they differ, takes the variable's value (absent counts as empty).
bool Update(std::string& known, const char* now) {
    if (now ? known == now : known.empty()) return false;
    known = now ? now : "";
    return true;
}

}  // namespace

bool MachineRootWatch::Changed() {
    const bool home = Update(home_, std::getenv("TREVO_HOME"));
    const bool user = Update(user_, std::getenv("HOME"));
    const bool first = !known_;
    known_ = true;
    return first || home || user;
}

}  // namespace platform
