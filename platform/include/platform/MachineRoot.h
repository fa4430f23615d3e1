// The machine root: the one directory under which all machine-wide state lives
// ($TREVO_HOME, default ~/.local/state/trevo). Read at every call, so a test can point a
// process at its own temporary root.
#pragma once

#include <filesystem>

namespace platform {

std::filesystem::path MachineRoot();
// Folders under the root; created on demand by the callers that write there.
std::filesystem::path RegistryDir();  // registry/
std::filesystem::path WindowsDir();   // windows/ (ini files named without a folder)
std::filesystem::path RunDir();       // run/ (sockets, locks, local endpoints)

}  // namespace platform
