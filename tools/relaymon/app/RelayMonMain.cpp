// relaymon: connects to the status relay and prints every packet it gets, one a line.
//   relaymon [--address A] [--port P] [--count N] [--junk] [--stall-after N] [--reset-after N]
// --junk sends a few bytes after each packet; --stall-after stops reading after N packets
// and holds the connection until the relay drops it; --reset-after resets the connection.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/SocketAddress.h"
#include "platform/Time.h"
#include "relaymon/RelayMonitor.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: relaymon [--address A] [--port P] [--count N] [--junk] "
                 "[--stall-after N] [--reset-after N]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string address = "127.0.0.1";
    long port = 2373, count = -1, stallAfter = -1, resetAfter = -1;
    bool junk = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--junk") {
            junk = true;
        } else if (arg == "--address" && hasValue) {
            address = argv[++i];
        } else if ((arg == "--port" || arg == "--count" || arg == "--stall-after" ||
                    arg == "--reset-after") &&
                   hasValue) {
            char* end = nullptr;
            const long value = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || value < 0) return Usage();
            (arg == "--port"          ? port
             : arg == "--count"       ? count
             : arg == "--stall-after" ? stallAfter
                                      : resetAfter) = value;
        } else {
            return Usage();
        }
    }
    const auto ip = platform::InetAddr(address);
    if (!ip || port > 0xFFFF) return Usage();

    relaymon::RelayMonitor monitor;
    if (!monitor.Connect({*ip, static_cast<std::uint16_t>(port)}, 5000)) {
        std::fprintf(stderr, "relaymon: cannot connect to %s:%ld\n", address.c_str(), port);
        return 1;
    }
    const std::uint8_t junkBytes[] = {'j', 'u', 'n', 'k', 0, 0xFF};
    for (long seen = 0; count < 0 || seen < count;) {
        if (seen == stallAfter) {
            std::printf("stalled\n");
            std::fflush(stdout);
            // Read nothing more, until the program is ended; the relay drops the monitor
            // after its send time-out.
            platform::Sleep(platform::INFINITE);
        }
        if (seen == resetAfter) {
            monitor.Reset();
            return 0;
        }
        const auto packet = monitor.Next(60000);
        if (!packet) {
            if (!monitor.Error().empty()) {
                std::fprintf(stderr, "relaymon: %s\n", monitor.Error().c_str());
                return 1;
            }
            if (monitor.Closed()) break;
            continue;
        }
        ++seen;
        std::printf("%s\n", relaymon::Describe(*packet).c_str());
        std::fflush(stdout);
        if (junk && !monitor.SendJunk(junkBytes)) break;
    }
    std::printf("closed\n");
    return 0;
}
