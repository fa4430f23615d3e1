// A machine root of the fuzz run's own, for targets whose code writes logs or files there.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace fuzz {

// Points TREVO_HOME at a fresh temporary folder on the first call; the folder goes when
// the run ends.
inline void UseOwnMachineRoot() {
    static const bool done = [] {
        std::random_device seed;
        const auto root = std::filesystem::temp_directory_path() /
                          ("trevo-fuzz-" + std::to_string(seed()) + std::to_string(seed()));
        std::filesystem::create_directories(root);
        ::setenv("TREVO_HOME", root.c_str(), 1);
        static const std::filesystem::path kRoot = root;
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(kRoot, ec);
        });
        return true;
    }();
    (void)done;
}

}  // namespace fuzz
