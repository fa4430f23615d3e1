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
    // $HOME counts only while $TREVO_HOME is empty or absent: one look per call while it is
    // set.
    const bool home = Update(m_home, std::getenv("TREVO_HOME"));
    const bool user = m_home.empty() && Update(m_user, std::getenv("HOME"));
    const bool first = !m_known;
    m_known = true;
    return first || home || user;
}

}  // namespace platform
