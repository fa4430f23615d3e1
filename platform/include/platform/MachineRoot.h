// The machine root: the one directory under which all machine-wide state lives
// ($TREVO_HOME, default ~/.local/state/trevo). Read at every call, so a test can point a
// process at its own temporary root.
#pragma once

#include <filesystem>
#include <string>

namespace platform {

std::filesystem::path MachineRoot();
// Folders under the root; created on demand by the callers that write there.
std::filesystem::path RegistryDir();  // registry/
std::filesystem::path WindowsDir();   // windows/ (ini files named without a folder)
std::filesystem::path RunDir();       // run/ (sockets, locks, local endpoints)

// Tells, without building a path, whether what the machine root is built from ($TREVO_HOME,
// else $HOME) has changed since the last look. Not thread-safe: its owner's lock guards it.
class MachineRootWatch {
public:
    // True on the first call and whenever a variable changed since the last call.
    [[nodiscard]] bool Changed();

private:
    std::string home_;
    std::string user_;
    bool known_ = false;
};

}  // namespace platform
