// Port names and the port map of the environment: the first line of the input is a port
// name, the rest is the map ("COM1=/dev/ttyUSB0;LPT1=...").
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/PortMap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t newline = input.find('\n');
    const std::string name = input.substr(0, newline);
    std::string map = newline == std::string::npos ? std::string() : input.substr(newline + 1);
    map = map.substr(0, map.find('\0'));  // the environment ends a value at its first zero
    // No store: the map comes from the input alone.
    ::setenv("TREVO_HOME", "/nonexistent/trevo-fuzz-portmap", 1);
    ::setenv("TREVO_PORTMAP", map.c_str(), 1);
    const auto id = platform::ParsePortName(name);
    const std::string path = platform::PortDevicePath(name);
    // A name is a port exactly when it maps to a device.
    if (id.has_value() == path.empty()) std::abort();
    for (const char* port : {"COM1", "COM256", "LPT1", "LPT9"}) {
        if (platform::PortDevicePath(port).empty()) std::abort();
    }
    ::unsetenv("TREVO_PORTMAP");
    return 0;
}
