// Where a configured host and port are dialled. The configured values steer the driver (keys,
// rules, trace names keep them); the endpoint map of the environment may send the connection
// elsewhere: TREVO_ENDPOINT_MAP="127.0.0.1:30031=127.0.0.1:40123;hosta:30051=127.0.0.1:40124"
// (entries separated by ';' or ',', host names compared without regard to case).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quildrv {

struct Endpoint {
    std::string host;
    std::uint16_t port = 0;
};

// The endpoint to dial for a configured one; itself when the map has no entry for it.
Endpoint MapEndpoint(std::string_view host, std::uint16_t port);
// The same against a map text given directly.
Endpoint MapEndpoint(std::string_view host, std::uint16_t port, std::string_view map);

}  // namespace quildrv
