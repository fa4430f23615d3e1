// kdman: the device-manager stand-in as a program. Listens where the client looks for it
// (TREVO_KDMAN_ADDRESS and TREVO_KDMAN_PORT, else the machine's own address and port 63625),
// holds the manager's single-instance lock and serves until it is ended.
//   kdman [--status DEVICE=WORD]... [--delay CODE=MS]... [--silent CODE]...
#include <cstdio>
#include <cstdlib>
#include <string>

#include "kdm32nt/Transport.h"
#include "kdman/Manager.h"
#include "platform/Time.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: kdman [--status DEVICE=WORD]... [--delay CODE=MS]... "
                 "[--silent CODE]...\n");
    return 2;
}

bool ParseLong(const std::string& text, long& out) {
    char* end = nullptr;
    out = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0';
}

}  // namespace

int main(int argc, char** argv) {
    kdman::Manager manager;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i], value = argv[i + 1];
        const std::size_t equals = value.find('=');
        long number = 0, code = 0;
        if (option == "--silent" && ParseLong(value, code)) {
            manager.SetSilent(static_cast<std::int32_t>(code), true);
        } else if (equals == std::string::npos || !ParseLong(value.substr(equals + 1), number)) {
            return Usage();
        } else if (option == "--status") {
            manager.SetStatus(value.substr(0, equals), static_cast<std::uint32_t>(number));
        } else if (option == "--delay" && ParseLong(value.substr(0, equals), code)) {
            manager.SetDelay(static_cast<std::int32_t>(code), static_cast<int>(number));
        } else {
            return Usage();
        }
    }
    if (argc % 2 == 0) return Usage();

    const platform::SocketAddress address = kdm32nt::ManagerAddress();
    if (!manager.Start(address)) {
        std::fprintf(stderr, "kdman: cannot listen on %s\n", address.ToString().c_str());
        return 1;
    }
    // Listening first, then the lock: a client that sees the lock held can connect at once.
    kdman::InstanceLock lock;
    if (!lock.Take(1000)) {
        std::fprintf(stderr, "kdman: another manager runs\n");
        return 1;
    }
    std::printf("kdman: listening on %s\n", address.ToString().c_str());
    std::fflush(stdout);
    platform::Sleep(platform::INFINITE);  // until the program is ended
}
