#include "hostdriver/EndpointMap.h"

#include <strings.h>

#include <charconv>
#include <cstdlib>
#include <optional>

namespace quildrv {

namespace {

std::optional<Endpoint> ParseEndpoint(std::string_view text) {
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0) return std::nullopt;
    const std::string_view digits = text.substr(colon + 1);
    unsigned port = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
    if (ec != std::errc() || end != digits.data() + digits.size() || port > 65535)
        return std::nullopt;
    return Endpoint{std::string(text.substr(0, colon)), static_cast<std::uint16_t>(port)};
}

}  // namespace

Endpoint MapEndpoint(std::string_view host, std::uint16_t port, std::string_view map) {
    while (!map.empty()) {
        const auto cut = map.find_first_of(";,");
        const std::string_view entry = map.substr(0, cut);
        map = cut == std::string_view::npos ? std::string_view{} : map.substr(cut + 1);
        const auto eq = entry.find('=');
        if (eq == std::string_view::npos) continue;
        const auto from = ParseEndpoint(entry.substr(0, eq));
        const auto to = ParseEndpoint(entry.substr(eq + 1));
        if (!from || !to || from->port != port || from->host.size() != host.size()) continue;
        if (::strncasecmp(from->host.c_str(), std::string(host).c_str(), host.size()) == 0)
            return *to;
    }
    return Endpoint{std::string(host), port};
}

Endpoint MapEndpoint(std::string_view host, std::uint16_t port) {
    const char* map = std::getenv("TREVO_ENDPOINT_MAP");
    return MapEndpoint(host, port, map != nullptr ? map : "");
}

}  // namespace quildrv
