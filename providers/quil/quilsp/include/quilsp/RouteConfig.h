// The values of one route ("SOFTWARE\The TREVO Group\Common TREVO API\Routes\<route>" of
// HKEY_LOCAL_MACHINE), through the configuration library. A value that cannot be read counts
// as absent; a failed write is not an error to the caller. A route without a name has no
// values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quilsp {

inline constexpr const char* kRoutesRoot = "SOFTWARE\\The TREVO Group\\Common TREVO API\\Routes";

class RouteConfig {
public:
    explicit RouteConfig(std::string route) : m_route(std::move(route)) {}

    std::optional<std::string> Text(const char* name) const;
    std::optional<std::uint32_t> Number(const char* name) const;
    void SetText(const char* name, const std::string& value) const;
    void SetNumber(const char* name, std::uint32_t value) const;
    void Delete(const char* name) const;

    const std::string& Route() const noexcept { return m_route; }

private:
    std::string m_route;
};

}  // namespace quilsp
