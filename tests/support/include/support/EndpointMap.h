// Points the host protocol driver's terminal and printer ports (30031, 30051) on loopback at
// a test's host simulator, through the driver's endpoint map, while the object lives.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>

namespace support {

class EndpointMap {
public:
    explicit EndpointMap(std::uint16_t port) {
        const std::string to = "127.0.0.1:" + std::to_string(port);
        const std::string map = "127.0.0.1:30031=" + to + ";127.0.0.1:30051=" + to;
        ::setenv("TREVO_ENDPOINT_MAP", map.c_str(), 1);
    }
    ~EndpointMap() { ::unsetenv("TREVO_ENDPOINT_MAP"); }
};

}  // namespace support
